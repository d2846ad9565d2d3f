#pragma once
// Modal dialogs made from a template (a Qt header: framework/ and shell/
// only). A template lists its controls with their places in dialog units,
// which scale with the dialog's font: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height.

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <QSize>
#include <map>
#include <string>
#include <vector>

namespace framework {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdStatic = -1;  // a control no code refers to

struct DialogControl {
    enum class Kind { Icon, Text, PushButton };
    Kind kind = Kind::Text;
    int id = kIdStatic;
    QRect units;       // position and size in dialog units
    std::string text;  // shown as it stands: "&" marks no mnemonic
    QIcon icon;        // an icon control's picture
    bool defaultButton = false;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    QSize size;  // of the client area, in dialog units
    std::string fontFace;
    int fontPoints = 9;
    std::vector<DialogControl> controls;
};

// Pixels per four horizontal and per eight vertical dialog units.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
    bool operator==(const DialogBaseUnits&) const = default;
};

// A font's base units as Windows measures them: x is the average width of
// the 52 Latin letters, rounded; y the character height (ascent + descent).
DialogBaseUnits BaseUnitsOf(const QFont& font);
// Each of position and size converted on its own, rounded to the nearest pixel.
QRect MapDialogRect(const QRect& units, DialogBaseUnits base);
// The template's font on this desktop: a face the desktop lacks is replaced
// by the installed one fontconfig gives for Japanese text.
QFont DialogFont(const std::string& face, int points);

class Dialog : public QDialog {
    Q_OBJECT

public:
    // Without a parent the dialog belongs to the application's main window.
    explicit Dialog(DialogTemplate dialogTemplate, QWidget* parent = nullptr);
    ~Dialog() override;

    // Shows the dialog and waits until it closes. Returns kIdOk or kIdCancel.
    int DoModal();
    // Makes the controls and runs OnInitDialog, the first time only;
    // DoModal calls it itself.
    void Create();
    // The control with this id, or null.
    QWidget* GetDlgItem(int id) const;

    DialogBaseUnits BaseUnits() const { return base_; }
    QRect MapDialogRect(const QRect& units) const { return framework::MapDialogRect(units, base_); }
    const DialogTemplate& Template() const { return template_; }

    // OK, Enter and Escape end the dialog through these.
    void accept() override;
    void reject() override;

protected:
    // Runs once the controls exist, before the dialog shows. True lets the
    // platform give the first control that takes focus the focus.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int result);

private:
    QWidget* MakeControl(const DialogControl& control);

    DialogTemplate template_;
    DialogBaseUnits base_;
    std::map<int, QWidget*> items_;
    bool created_ = false;
};

}  // namespace framework
