#pragma once
// The about box: the program's name and version, and a link that opens the
// program's README. The link is a plain text control whose events pass
// through LinkWndProc first: it paints the label as a blue underlined link,
// shows the hand cursor and opens the target when pressed; everything else
// reaches the control as before.

#include <QFont>
#include <QIcon>
#include <functional>
#include <string>

#include "framework/Dialog.h"

class QEvent;

class CAboutDlg : public framework::Dialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The link settings, shared by every about box.
    static void SetLink(int id, std::string label, std::string target);
    static int LinkId() { return linkId_; }
    static const std::string& LinkLabel() { return label_; }
    static const std::string& LinkTarget() { return target_; }

    // The link control's handler, ahead of the control's own. True for the
    // events it handles, which the control then never sees.
    static bool LinkWndProc(QWidget* control, QEvent* event);
    // The face "system" at the desktop's default size, underlined.
    static QFont LinkFont();

protected:
    bool OnInitDialog() override;

private:
    static int linkId_;
    static std::string label_;
    static std::string target_;
};

// Template 100.
framework::DialogTemplate AboutTemplate();

namespace shell {

// The program's icon, at every size the build rendered from the installed
// SVG: the about box shows it, and every window of the program takes it.
QIcon ProgramIcon();

// Where the README can be: the copy installed with the program, and the
// project's own beside the sources.
struct ReadmePlaces {
    std::string installedProgramDir;
    std::string installed;
    std::string source;
};

// The README the link opens: the installed copy when the program runs from
// where it is installed, else the project's own; whichever of the two
// exists when the preferred one does not.
std::string ChooseReadme(const std::string& programDir, const ReadmePlaces& places,
                         const std::function<bool(const std::string&)>& exists);
// This build's places, chosen for the running program, as a file: address.
std::string ReadmeUrl();

}  // namespace shell
