#pragma once
// The framework's application object: one instance, whose InitInstance runs
// once before the event loop; the settings file;
// the recent-file list (written at exit); the document template; the
// command line; New, Open, the recent files and Exit.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/CommandTarget.h"
#include "framework/FrameworkTexts.h"
#include "platform/Profile.h"

namespace framework {

class Document;
class FrameWindow;
class RecentFileList;
class SingleDocTemplate;

struct CommandLineInfo {
    enum Command { FileNew, FileOpen, PrintVersion, PrintHelp };
    Command command = FileNew;
    std::string fileName;
};

// The framework's parsing: the first argument not starting with "-" is a file
// to open; "--version" asks for the version, "--help" or "-h" for the usage,
// whichever comes first. Other options are ignored, never taken for files.
CommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments);

// Sends Qt's messages, formatted as Qt's own handler does, straight to the
// standard error descriptor rather than through the C library's stderr
// stream, which a picture reader points at /dev/null while it decodes (on a
// thread that may run while Qt starts). Run does it first.
void SendQtMessagesToStandardError();

class Application : public CommandTarget {
public:
    // texts: what the framework shows for this program (its title among
    // them); they stand for every framework class from now on.
    explicit Application(FrameworkTexts texts);
    ~Application() override;

    // Sends Qt's messages to standard error, runs InitBeforeToolkit, makes
    // the Qt application (a QtApplication, unless one exists), runs
    // InitInstance, the event loop until the main window closes, then
    // ExitInstance. Returns the exit code.
    int Run(int& argc, char** argv);

    // For work that needs no toolkit and may overlap its start; argv is the
    // command line as given, Qt's own options still in it.
    virtual void InitBeforeToolkit(int argc, char** argv);
    virtual bool InitInstance();
    // Writes the recent-file list. Returns the exit code.
    virtual int ExitInstance();

    // The settings file, which the application alone holds: the recent-file
    // list and every ProfileStore read and write it afresh. An empty path
    // means none: reads give defaults, writes fail.
    void SetProfileName(const std::string& path);
    const platform::ProfileFile* Profile() const { return profile_ ? &*profile_ : nullptr; }

    // Reads the recent-file list of n entries.
    void LoadStdProfileSettings(int n);
    RecentFileList* GetRecentFileList() const { return recentFiles_.get(); }
    void AddToRecentFileList(const std::string& path);

    void AddDocTemplate(std::unique_ptr<SingleDocTemplate> docTemplate);
    SingleDocTemplate* GetDocTemplate() const { return template_.get(); }
    FrameWindow* MainWindow() const;

    // Remembers info before acting on it, so that what runs during the
    // processing (the first initial update) can ask how the program started.
    bool ProcessShellCommand(const CommandLineInfo& info);
    const CommandLineInfo& GetCommandLineInfo() const { return commandLine_; }
    Document* OpenDocumentFile(const std::string& path);

    void OnFileNew();
    void OnFileOpen();
    // Opens recent entry index (0 = newest); an entry that fails to open is
    // dropped from the list.
    void OnOpenRecentFile(int index);
    // Closes the main window as its close button does.
    void OnAppExit();

private:
    std::optional<platform::ProfileFile> profile_;  // outlives the documents, which write to it as they go
    std::unique_ptr<RecentFileList> recentFiles_;
    std::unique_ptr<SingleDocTemplate> template_;
    CommandLineInfo commandLine_;
};

// The one application object, or null.
Application* AfxGetApp();

}  // namespace framework
