#pragma once
// The application object: chooses the settings file, registers the one
// document template (document, main frame, view), processes the command line
// and shows the main window.

#include <memory>
#include <string>
#include <vector>

#include "document/PictureReadAhead.h"
#include "framework/Application.h"

class CMainFrame;
class CtesserinView;

class CtesserinApp : public framework::Application {
public:
    // An empty settingsPath means the settings file's usual place.
    explicit CtesserinApp(std::string settingsPath = {});

    // Chooses the settings file and starts reading the first picture, unless
    // the command line holds options (Qt's among them). Run calls it before
    // InitInstance, and so must whoever calls InitInstance directly.
    void InitBeforeToolkit(int argc, char** argv) override;
    bool InitInstance() override;

    // The program's command line, read when InitInstance runs: by then the
    // Qt application has taken out the options meant for it (-platform,
    // -style, ...). The arguments are file names as bytes, never decoded.
    void SetArguments(const int& argc, char** argv);
    // The arguments after the program name, given directly.
    void SetArguments(std::vector<std::string> arguments);

    // The about box (command 57664).
    void OnAppAbout();

    CMainFrame* MainFrame() const;
    CtesserinView* View() const;

private:
    void StartReadAhead(const framework::CommandLineInfo& commandLine);

    std::string settingsPath_;
    std::vector<std::string> arguments_;
    const int* argc_ = nullptr;
    char** argv_ = nullptr;
    std::unique_ptr<PictureReadAhead> readAhead_;
};
