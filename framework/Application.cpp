#include "framework/Application.h"

#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <cassert>
#include <cerrno>
#include <clocale>

#include "framework/CommandIds.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/EventBoundary.h"
#include "framework/FileDialog.h"
#include "framework/FrameWindow.h"
#include "framework/MessageBox.h"
#include "framework/RecentFileList.h"

namespace framework {

namespace {
Application* theApp = nullptr;

void WriteQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QString text = qFormatLogMessage(type, context, message);
    if (text.isNull()) return;
    const QByteArray line = text.toLocal8Bit() + '\n';
    for (qsizetype written = 0; written < line.size();) {
        const ssize_t n =
            ::write(STDERR_FILENO, line.constData() + written, static_cast<std::size_t>(line.size() - written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        written += n;
    }
}
}  // namespace

Application* AfxGetApp() { return theApp; }

void SendQtMessagesToStandardError() { qInstallMessageHandler(WriteQtMessage); }

CommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineInfo info;
    for (const std::string& argument : arguments) {
        if (argument == "--version") {
            info.command = CommandLineInfo::PrintVersion;
            info.fileName.clear();
            return info;
        }
        if (argument == "--help" || argument == "-h") {
            info.command = CommandLineInfo::PrintHelp;
            info.fileName.clear();
            return info;
        }
        if (!argument.empty() && argument[0] == '-') continue;
        if (info.command == CommandLineInfo::FileNew) {
            info.command = CommandLineInfo::FileOpen;
            info.fileName = argument;
        }
    }
    return info;
}

Application::Application(FrameworkTexts texts) {
    assert(!theApp && "one application object only");
    theApp = this;
    SetFrameworkTexts(std::move(texts));
    MapCommand(kIdFileNew, [this] { OnFileNew(); });
    MapCommand(kIdFileOpen, [this] { OnFileOpen(); });
    MapCommandRange(kIdFileMruFirst, kIdFileMruLast, [this](int id) { OnOpenRecentFile(id - kIdFileMruFirst); });
    MapCommand(kIdAppExit, [this] { OnAppExit(); });
}

Application::~Application() {
    template_.reset();
    if (theApp == this) theApp = nullptr;
}

int Application::Run(int& argc, char** argv) {
    SendQtMessagesToStandardError();
    // The Qt application sets the environment's locale as it is made; set
    // now, before any thread runs, the change happens under none.
    std::setlocale(LC_ALL, "");
    InitBeforeToolkit(argc, argv);
    std::unique_ptr<QApplication> qtApp;
    if (!QCoreApplication::instance()) qtApp = std::make_unique<QtApplication>(argc, argv);
    int code = 1;
    if (InitInstance()) code = QApplication::exec();
    int exitCode = ExitInstance();
    // Every window goes before the Qt application does.
    template_.reset();
    return code != 0 ? code : exitCode;
}

void Application::InitBeforeToolkit(int, char**) {}

bool Application::InitInstance() { return true; }

int Application::ExitInstance() {
    if (recentFiles_) {
        if (const platform::ProfileFile* profile = Profile()) recentFiles_->WriteList(*profile);
    }
    return 0;
}

void Application::SetProfileName(const std::string& path) {
    if (path.empty())
        profile_.reset();
    else
        profile_.emplace(path);
}

void Application::LoadStdProfileSettings(int n) {
    recentFiles_ = std::make_unique<RecentFileList>(GetFrameworkTexts().recentFileSection, n);
    if (const platform::ProfileFile* profile = Profile()) recentFiles_->ReadList(*profile);
}

void Application::AddToRecentFileList(const std::string& path) {
    if (recentFiles_) recentFiles_->Add(path);
}

void Application::AddDocTemplate(std::unique_ptr<SingleDocTemplate> docTemplate) { template_ = std::move(docTemplate); }

FrameWindow* Application::MainWindow() const {
    if (!template_ || !template_->GetFrame() || template_->GetFrame()->IsDestroyed()) return nullptr;
    return template_->GetFrame();
}

bool Application::ProcessShellCommand(const CommandLineInfo& info) {
    commandLine_ = info;
    switch (info.command) {
        case CommandLineInfo::FileNew:
            if (!OnCmdMsg(kIdFileNew)) OnFileNew();
            return MainWindow() != nullptr;
        case CommandLineInfo::FileOpen:
            return OpenDocumentFile(info.fileName) != nullptr;
        case CommandLineInfo::PrintVersion:
        case CommandLineInfo::PrintHelp:
            return false;
    }
    return false;
}

Document* Application::OpenDocumentFile(const std::string& path) {
    return template_ ? template_->OpenDocumentFile(&path) : nullptr;
}

void Application::OnFileNew() {
    if (template_) template_->OpenDocumentFile(nullptr);
}

void Application::OnFileOpen() {
    OpenFileRequest request;
    request.filter = GetFrameworkTexts().allFilesFilter;
    if (auto path = ShowOpenFileDialog(request)) OpenDocumentFile(*path);
}

void Application::OnOpenRecentFile(int index) {
    if (!recentFiles_ || index < 0 || index >= static_cast<int>(recentFiles_->Entries().size())) return;
    std::string path = recentFiles_->Entries()[index];
    if (!OpenDocumentFile(path)) recentFiles_->Remove(index);
}

void Application::OnAppExit() {
    if (FrameWindow* frame = MainWindow()) frame->close();
}

}  // namespace framework
