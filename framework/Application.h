#pragma once
// The framework's application object: one instance, whose InitInstance runs
// once before the event loop; the settings file and its profile functions;
// the recent-file list (written at exit); the document template; the
// command line; New, Open, the recent files and Exit.

#include <memory>
#include <string>
#include <vector>

#include "framework/CommandTarget.h"
#include "framework/FrameworkTexts.h"

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

class Application : public CommandTarget {
public:
    // texts: what the framework shows for this program (its title among
    // them); they stand for every framework class from now on.
    explicit Application(FrameworkTexts texts);
    ~Application() override;

    // Makes the Qt application (a QtApplication, unless one exists), runs
    // InitInstance, the event loop until the main window closes, then
    // ExitInstance. Returns the exit code.
    int Run(int& argc, char** argv);

    virtual bool InitInstance();
    // Writes the recent-file list. Returns the exit code.
    virtual int ExitInstance();

    // The settings file; every profile function reads or writes it afresh.
    void SetProfileName(const std::string& path);
    int GetProfileInt(const std::string& section, const std::string& key, int def) const;
    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& def) const;
    bool WriteProfileInt(const std::string& section, const std::string& key, int value) const;
    bool WriteProfileString(const std::string& section, const std::string& key,
                            const std::string& value) const;

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
    std::string profileName_;
    std::unique_ptr<RecentFileList> recentFiles_;
    std::unique_ptr<SingleDocTemplate> template_;
    CommandLineInfo commandLine_;
};

// The one application object, or null.
Application* AfxGetApp();

}  // namespace framework
