// The document: numbers boards, the framework's open, and the path it leaves
// in the settings file when it goes.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <vector>

#include "framework/FrameworkTexts.h"
#include "framework/MessageBox.h"
#include "shell/Resource.h"
#include "tests/document/ViewFixture.h"

namespace {

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesserin-doc-XXXXXX";
        folder = mkdtemp(pattern);
        settings = folder + "/tesserin.ini";
        // The program's texts, as its application hands them to the framework.
        previousTexts = framework::SetFrameworkTexts(res::FrameworkTexts());
        app = std::make_unique<framework::Application>(res::FrameworkTexts());
        app->SetProfileName(settings);
        previousHook = framework::SetMessageBoxHook(
            [this](const std::string& caption, const std::string& text) { shown.push_back(caption + "|" + text); });
    }
    void TearDown() override {
        framework::SetMessageBoxHook(previousHook);
        app.reset();
        framework::SetFrameworkTexts(previousTexts);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::string RememberedImage() const {
        return platform::ProfileFile(settings).GetProfileString("Settings", "Image", "<absent>");
    }

    std::string folder;
    std::string settings;
    std::unique_ptr<framework::Application> app;
    std::vector<std::string> shown;
    framework::MessageBoxHook previousHook;
    framework::FrameworkTexts previousTexts;
};

TEST_F(DocumentTest, RemembersItsPathWhenDestroyed) {
    const std::string picture = folder + "/a picture.png";
    std::ofstream(picture) << "x";
    {
        CtesserinDoc document;
        // Not a picture, but opened: the failure is shown and the open stands.
        ASSERT_TRUE(document.OnOpenDocument(picture));
        document.SetPathName(picture, false);
        EXPECT_EQ(document.GetTitle(), "a picture.png");
    }
    EXPECT_EQ(RememberedImage(), picture);
    EXPECT_EQ(shown, std::vector<std::string>{"tesserin|フォーマットエラー"});
}

TEST_F(DocumentTest, NumbersBoardForgetsThePathAndWritesItEmpty) {
    platform::ProfileFile(settings).WriteProfileString("Settings", "Image", "/old/picture.bmp");
    {
        CtesserinDoc document;
        document.SetPathName(folder + "/x.bmp", false);
        ASSERT_TRUE(document.OnNewDocument());
        EXPECT_EQ(document.GetPathName(), "");
        EXPECT_EQ(document.GetTitle(), res::kUntitled);
    }
    EXPECT_EQ(RememberedImage(), "");
}

TEST_F(DocumentTest, FrameworkOpenRefusesWhatCannotBeOpenedAsAFileAndForgetsNothing) {
    platform::ProfileFile(settings).WriteProfileString("Settings", "Image", "/old/picture.bmp");
    const std::string fifo = folder + "/pipe.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    {
        CtesserinDoc document;
        // Missing, a folder, a FIFO: no file.
        for (const std::string& path : {folder + "/missing.png", folder, fifo})
            EXPECT_FALSE(document.OnOpenDocument(path)) << path;
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[0], std::string("tesserin|") + res::kFileOpenFailed);
        // The path name is left as it was.
        EXPECT_EQ(document.GetPathName(), "");
    }
    // It never opened anything: the last game's picture is still remembered.
    EXPECT_EQ(RememberedImage(), "/old/picture.bmp");
}

TEST_F(DocumentTest, NumbersBoardAfterShuffleIsSolvedAgainOnInitialUpdate) {
    ViewFixture f;
    f.Show(640, 480);
    f.view->OnInitialUpdate();
    f.Board().Shuffle();
    ASSERT_TRUE(f.document->OnNewDocument());
    f.view->OnInitialUpdate();
    int index = 0;
    for (const auto& row : f.Board().cells)
        for (const auto& cell : row) EXPECT_EQ(cell->pieceNumber, index++);
}

}  // namespace
