#pragma once
// The whole application, headless: its settings file in a folder of the
// test's own, message boxes and open dialogs answered by hooks.

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "platform/Profile.h"
#include "platform/Sleep.h"
#include "shell/MainFrame.h"
#include "shell/tesserinApp.h"

class AppFixture {
public:
    AppFixture() {
        platform::SetSleepHook([](int) {});
        char pattern[] = "/tmp/tesserin-app-test-XXXXXX";
        folder = mkdtemp(pattern);
        settings = folder + "/tesserin.ini";
        previousMessageHook = framework::SetMessageBoxHook(
            [this](const std::string&, const std::string& text) { messages.push_back(text); });
        previousDialogHook =
            framework::SetFileDialogHook([this](const framework::OpenFileRequest&) { return dialogAnswer; });
    }

    ~AppFixture() {
        app.reset();
        framework::SetMessageBoxHook(previousMessageHook);
        framework::SetFileDialogHook(previousDialogHook);
        platform::SetSleepHook({});
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // Makes the application and runs its start-up with these arguments, as
    // Run does but for the Qt application, which exists already.
    bool Start(std::vector<std::string> arguments = {}) {
        app = std::make_unique<CtesserinApp>(settings);
        std::vector<char*> argv{program.data()};
        for (std::string& argument : arguments) argv.push_back(argument.data());
        app->InitBeforeToolkit(static_cast<int>(argv.size()), argv.data());
        app->SetArguments(std::move(arguments));
        bool started = app->InitInstance();
        QApplication::processEvents();
        return started;
    }

    // Closes the main window as its close button does, then the
    // application's exit.
    void Close() {
        if (CMainFrame* frame = app->MainFrame()) frame->close();
        app->ExitInstance();
    }

    std::string Setting(const std::string& section, const std::string& key) const {
        return platform::ProfileFile(settings).GetProfileString(section, key, "<absent>");
    }

    std::string MakeFile(const std::string& name) const {
        std::string path = folder + "/" + name;
        std::ofstream(path) << "not a picture";
        return path;
    }

    CMainFrame* Frame() const { return app->MainFrame(); }

    std::string program = "tesserin";
    std::string folder;
    std::string settings;
    std::unique_ptr<CtesserinApp> app;
    std::vector<std::string> messages;
    std::optional<std::string> dialogAnswer;
    framework::MessageBoxHook previousMessageHook;
    framework::FileDialogHook previousDialogHook;
};
