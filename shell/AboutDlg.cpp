#include "shell/AboutDlg.h"

#include <QApplication>
#include <QDirIterator>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <filesystem>

#include "framework/UrlOpener.h"
#include "shell/InstallPlace.h"
#include "shell/Resource.h"

int CAboutDlg::linkId_ = 0;
std::string CAboutDlg::label_;
std::string CAboutDlg::target_;

namespace {

// Hands the control's events to LinkWndProc; lives as long as the control.
class LinkProc : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* control = qobject_cast<QWidget*>(watched);
        return control && CAboutDlg::LinkWndProc(control, event);
    }
};

}  // namespace

framework::DialogTemplate AboutTemplate() {
    using Control = framework::DialogControl;
    framework::DialogTemplate t;
    t.id = res::kIdAboutDialog;
    t.caption = res::kAboutCaption;
    t.size = QSize(235, 55);
    t.fontFace = res::kDialogFontFace;
    t.fontPoints = res::kDialogFontPoints;
    Control icon{Control::Kind::Icon, framework::kIdStatic, QRect(11, 17, 20, 20), {}, shell::ProgramIcon(), false};
    Control version{Control::Kind::Text, framework::kIdStatic, QRect(40, 10, 119, 8), res::kAboutVersion, {}, false};
    Control line{Control::Kind::Text, framework::kIdStatic, QRect(39, 25, 73, 8), res::kAboutLine, {}, false};
    Control ok{Control::Kind::PushButton, framework::kIdOk, QRect(178, 7, 50, 16), res::kAboutOk, {}, true};
    Control link{Control::Kind::Text, res::kIdLink, QRect(106, 25, 31, 8), res::kLinkControlText, {}, false};
    t.controls = {icon, version, line, ok, link};
    return t;
}

CAboutDlg::CAboutDlg(QWidget* parent) : framework::Dialog(AboutTemplate(), parent) {}

void CAboutDlg::SetLink(int id, std::string label, std::string target) {
    linkId_ = id;
    label_ = std::move(label);
    target_ = std::move(target);
}

bool CAboutDlg::OnInitDialog() {
    framework::Dialog::OnInitDialog();
    if (QWidget* link = GetDlgItem(linkId_)) link->installEventFilter(new LinkProc(link));
    return true;
}

QFont CAboutDlg::LinkFont() {
    QFont font = QApplication::font();
    font.setFamily(QString::fromUtf8(res::kLinkFontFace));
    font.setUnderline(true);
    return font;
}

bool CAboutDlg::LinkWndProc(QWidget* control, QEvent* event) {
    switch (event->type()) {
        case QEvent::Paint: {
            // Nothing fills the background: the dialog's shows through.
            QPainter painter(control);
            painter.setFont(LinkFont());
            painter.setPen(QColor(0, 0, 255));
            painter.drawText(0, painter.fontMetrics().ascent(), QString::fromStdString(label_));
            return true;
        }
        case QEvent::Enter:
            control->setCursor(Qt::PointingHandCursor);
            return true;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
            framework::OpenUrl(target_);  // a desktop without a handler just opens nothing
            return true;
        default:
            return false;
    }
}

namespace shell {

std::string ChooseReadme(const std::string& programDir, const ReadmePlaces& places,
                         const std::function<bool(const std::string&)>& exists) {
    const bool installed = !programDir.empty() && programDir == places.installedProgramDir;
    const std::string& preferred = installed ? places.installed : places.source;
    const std::string& other = installed ? places.source : places.installed;
    if (!exists(preferred) && exists(other)) return other;
    return preferred;
}

QIcon ProgramIcon() {
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"), {QStringLiteral("tesserin.png")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (sizes.hasNext()) icon.addFile(sizes.next());
    return icon;
}

std::string ReadmeUrl() {
    namespace fs = std::filesystem;
    // An installed program, under whatever prefix, reads the README installed
    // with it; elsewhere (the build tree) the project's own, else the copy
    // installed where this build was configured to go.
    const std::string programDir = ExecutableDir();
    const std::optional<std::string> prefix = ThisInstalledPrefix(Installation(), programDir);
    const ReadmePlaces places{prefix ? programDir : std::string(),
                              InstalledReadme(prefix.value_or(Installation().prefix)), TESSERIN_README_SOURCE};
    const std::string path = ChooseReadme(programDir, places, [](const std::string& candidate) {
        std::error_code missing;
        return fs::is_regular_file(candidate, missing);
    });
    return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace shell
