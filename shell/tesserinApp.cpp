#include "shell/tesserinApp.h"

#include <QApplication>
#include <algorithm>

#include "document/tesserinDoc.h"
#include "document/tesserinView.h"
#include "framework/DocTemplate.h"
#include "shell/AboutDlg.h"
#include "shell/InstallPlace.h"
#include "shell/MainFrame.h"
#include "shell/Resource.h"
#include "shell/StartupTiming.h"

CtesserinApp::CtesserinApp(std::string settingsPath)
    : framework::Application(res::FrameworkTexts()), settingsPath_(std::move(settingsPath)) {
    MapCommand(res::kIdAppAbout, [this] { OnAppAbout(); });
}

void CtesserinApp::OnAppAbout() {
    CAboutDlg aboutDlg;
    CAboutDlg::SetLink(res::kIdLink, res::kLinkLabel, shell::ReadmeUrl());
    aboutDlg.DoModal();
}

void CtesserinApp::SetArguments(const int& argc, char** argv) {
    argc_ = &argc;
    argv_ = argv;
}

void CtesserinApp::SetArguments(std::vector<std::string> arguments) {
    arguments_ = std::move(arguments);
    argc_ = nullptr;
    argv_ = nullptr;
}

void CtesserinApp::StartReadAhead(const framework::CommandLineInfo& commandLine) {
    // The first picture decodes while the toolkit starts and the windows are
    // made; the first document takes it.
    readAhead_ = std::make_unique<PictureReadAhead>(PictureFormats(), CtesserinDoc::FirstPicture(commandLine));
}

void CtesserinApp::InitBeforeToolkit(int argc, char** argv) {
    SetProfileName(settingsPath_.empty() ? shell::SettingsFilePath(res::kSettingsFolderName, res::kSettingsFileName,
                                                                   shell::Installation())
                                         : settingsPath_);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // Qt takes out its own options (-platform xcb, ...) only when its
    // application exists; till then an option's value would pass for a file.
    if (std::any_of(arguments.begin(), arguments.end(),
                    [](const std::string& argument) { return argument.starts_with('-'); }))
        return;
    StartReadAhead(framework::ParseCommandLine(arguments));
}

bool CtesserinApp::InitInstance() {
    if (!framework::Application::InitInstance()) return false;

    if (argv_) {
        arguments_.clear();
        for (int i = 1; i < *argc_ && argv_[i]; ++i) arguments_.emplace_back(argv_[i]);
    }
    const framework::CommandLineInfo commandLine = framework::ParseCommandLine(arguments_);
    if (!readAhead_) StartReadAhead(commandLine);

    LoadStdProfileSettings(res::kRecentFileCount);
    QApplication::setWindowIcon(shell::ProgramIcon());
    // Lets a Wayland desktop match the window to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(TESSERIN_APP_ID));
    AddDocTemplate(std::make_unique<framework::SingleDocTemplate>(
        res::kMainResource, res::kTemplateString,
        [this] { return std::make_unique<CtesserinDoc>(std::move(readAhead_)); },
        [] { return std::make_unique<CMainFrame>(); }, [] { return std::make_unique<CtesserinView>(); }));

    if (!ProcessShellCommand(commandLine)) return false;

    CMainFrame* frame = MainFrame();
    if (!frame) return false;
    shell::WatchStartup(frame);
    frame->show();
    return true;
}

CMainFrame* CtesserinApp::MainFrame() const { return static_cast<CMainFrame*>(MainWindow()); }

CtesserinView* CtesserinApp::View() const {
    CMainFrame* frame = MainFrame();
    return frame ? static_cast<CtesserinView*>(frame->GetActiveView()) : nullptr;
}
