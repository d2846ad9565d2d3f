// The framework names no program: every text it shows or writes is the one
// the application handed in.

#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/Document.h"
#include "framework/FileDialog.h"
#include "framework/FrameWindow.h"
#include "framework/FrameworkTexts.h"
#include "framework/MessageBox.h"
#include "platform/Profile.h"

namespace {

class FrameworkTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/framework-texts-XXXXXX";
        folder = mkdtemp(pattern);
        previousTexts = framework::SetFrameworkTexts({});
        previousMessageHook = framework::SetMessageBoxHook(
            [this](const std::string& caption, const std::string& text) { shown.push_back(caption + "|" + text); });
        previousDialogHook = framework::SetFileDialogHook([this](const framework::OpenFileRequest& request) {
            filters.push_back(request.filter);
            return std::optional<std::string>();
        });
    }
    void TearDown() override {
        framework::SetFileDialogHook(previousDialogHook);
        framework::SetMessageBoxHook(previousMessageHook);
        framework::SetFrameworkTexts(previousTexts);
        std::filesystem::remove_all(folder);
    }

    std::string folder;
    std::vector<std::string> shown;
    std::vector<std::string> filters;
    framework::FrameworkTexts previousTexts;
    framework::MessageBoxHook previousMessageHook;
    framework::FileDialogHook previousDialogHook;
};

framework::FrameworkTexts Texts(const char* app, const char* untitled, const char* separator, const char* failed,
                                const char* filter, const char* section) {
    framework::FrameworkTexts texts;
    texts.appTitle = app;
    texts.untitled = untitled;
    texts.titleSeparator = separator;
    texts.fileOpenFailed = failed;
    texts.allFilesFilter = filter;
    texts.recentFileSection = section;
    return texts;
}

TEST_F(FrameworkTextsTest, EveryTextShownOrWrittenIsTheApplications) {
    const framework::FrameworkTexts cases[] = {
        Texts("Casse-tête", "Sans titre", " — ", "Ouverture impossible.", "Tous (*.*)|*.*||", "Fichiers récents"),
        Texts("puzzle", "名前なし", " | ", "開けません", "全部|*||", "MRU"),
    };
    for (const framework::FrameworkTexts& texts : cases) {
        SCOPED_TRACE(texts.appTitle);
        shown.clear();
        filters.clear();
        const std::string settings = folder + "/" + texts.recentFileSection + ".ini";
        {
            framework::Application app(texts);
            app.SetProfileName(settings);

            framework::Document document;
            EXPECT_EQ(document.GetTitle(), texts.untitled);
            document.SetTitle("x");
            ASSERT_TRUE(document.OnNewDocument());
            EXPECT_EQ(document.GetTitle(), texts.untitled);
            EXPECT_FALSE(document.OnOpenDocument(folder + "/missing.png"));
            EXPECT_EQ(shown, std::vector<std::string>{texts.appTitle + "|" + texts.fileOpenFailed});

            framework::FrameWindow frame;
            frame.OnUpdateFrameTitle("picture.png");
            EXPECT_EQ(frame.windowTitle().toStdString(), "picture.png" + texts.titleSeparator + texts.appTitle);
            frame.OnUpdateFrameTitle("");
            EXPECT_EQ(frame.windowTitle().toStdString(), texts.appTitle);

            EXPECT_TRUE(app.OnCmdMsg(framework::kIdFileOpen));
            EXPECT_EQ(filters, std::vector<std::string>{texts.allFilesFilter});

            app.LoadStdProfileSettings(4);
            app.AddToRecentFileList("/pictures/a.png");
            app.ExitInstance();
        }
        EXPECT_EQ(platform::ProfileFile(settings).GetProfileString(texts.recentFileSection, "File1", ""),
                  "/pictures/a.png");
    }
}

}  // namespace
