// Opening pictures through the document: every way an open can fail and what
// it leaves behind, the open dialog, the picture remembered from the last
// run, file names as bytes, and the path kept in the settings file.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>

#include "tests/document/OpenFixture.h"
#include "tests/document/ViewFixture.h"

namespace opentest {
namespace {

constexpr const char* kUnsupportedFormat = "サポートされていないファイル形式です。";
constexpr const char* kNotSupported = "サポートされていません。";
constexpr const char* kFormatError = "フォーマットエラー";
constexpr const char* kFileError = "ファイルエラー。";
constexpr const char* kOpenFailed = "ファイルを開けませんでした。";

enum class After { Unchanged, Numbers, Picture };

class OpenTest : public OpenFixture {
protected:
    // A picture shown on a shuffled board, to tell "unchanged" from the
    // numbers picture and from a new picture.
    void ShowStartPicture() {
        ASSERT_TRUE(document->OnOpenDocument(Bmp("start.bmp", 5, 3)));
        ASSERT_NE(Picture(), nullptr);
        startPicture = Picture();
        Board().Shuffle();
        shuffled = Pieces();
        messages.clear();
    }

    void ExpectState(After after, int width = 0, int height = 0) {
        ASSERT_FALSE(Board().cells.empty()) << "the board was never built";
        std::vector<int> home(Pieces().size());
        for (std::size_t i = 0; i < home.size(); ++i)
            home[i] = static_cast<int>(i);
        switch (after) {
        case After::Unchanged:
            EXPECT_EQ(Picture(), startPicture);
            EXPECT_EQ(Board().picture, startPicture);
            EXPECT_EQ(Pieces(), shuffled);
            break;
        case After::Numbers:
            EXPECT_EQ(Picture(), nullptr);
            EXPECT_EQ(Board().picture, nullptr);
            EXPECT_EQ(Board().cells[0][0]->source, nullptr);
            EXPECT_EQ(Pieces(), home);
            break;
        case After::Picture:
            ASSERT_NE(Picture(), nullptr);
            EXPECT_NE(Picture(), startPicture);
            EXPECT_EQ(Board().picture, Picture());
            EXPECT_EQ(Picture()->width(), width);
            EXPECT_EQ(Picture()->height(), height);
            EXPECT_EQ(Picture()->bit_count(), 24);
            EXPECT_EQ(Board().cells[0][0]->source, &Board().boardImage);
            EXPECT_EQ(Pieces(), home);
            break;
        }
    }

    const Image* startPicture = nullptr;
    std::vector<int> shuffled;
};

TEST_F(OpenTest, EveryOutcomeOfAnOpenLeavesItsStateMessageAndResult) {
    const std::string none;
    struct Row {
        std::string file;          // made by the lambda below
        std::string make;          // "bmp", "png", "junk", "short", "dir", "" (nothing)
        std::string message;       // empty: no message
        After after;
        bool result;
        int width = 0, height = 0;
    };
    const std::vector<Row> rows = {
        {"missing.png", "", kOpenFailed, After::Unchanged, false},
        {"folder.bmp", "dir", kOpenFailed, After::Unchanged, false},
        {"picture.gif", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"picture", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"picture.", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"my.pics/photo", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"x.DIB", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"junk.png", "junk", kFormatError, After::Numbers, true},
        {"empty.png", "empty", kFormatError, After::Numbers, true},
        {"png-inside.bmp", "png", kFormatError, After::Numbers, true},
        {"short.bmp", "short", kFileError, After::Numbers, true},
        {"x.throws", "bmp", "読めません: boom", After::Numbers, true},
        {"x.deep", "bmp", kNotSupported, After::Numbers, true},
        {"x.noreader", "bmp", none, After::Numbers, false},
        {"gone.vanish", "bmp", none, After::Numbers, true},
        {"photo.png", "png", none, After::Picture, true, 32, 32},
        {"PHOTO.PNG", "png", none, After::Picture, true, 32, 32},
        {"picture.Bmp", "bmp", none, After::Picture, true, 7, 5},
        {"a.tar.bmp", "bmp", none, After::Picture, true, 7, 5},
        {"my.pics/photo.bmp", "bmp", none, After::Picture, true, 7, 5},
    };
    std::filesystem::create_directory(Path("my.pics"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string path = Path(row.file);
        if (row.make == "bmp")
            Bmp(row.file, 7, 5);
        else if (row.make == "png")
            WritePng(path);
        else if (row.make == "junk")
            WriteBytes(path, "\x89PNG\r\n\x1a\n this is not a picture at all");
        else if (row.make == "empty")
            WriteBytes(path, "");
        else if (row.make == "short")
            WriteBytes(path, std::string("BM\x36\0\0\0\0", 7));
        else if (row.make == "dir")
            std::filesystem::create_directory(path);
        ShowStartPicture();

        EXPECT_EQ(document->OnOpenDocument(path), row.result);
        if (row.message.empty())
            EXPECT_TRUE(messages.empty()) << messages.front();
        else
            EXPECT_EQ(messages, std::vector<std::string>{row.message});
        ExpectState(row.after, row.width, row.height);
        // The document's own open never sets the path name; its callers do.
        EXPECT_EQ(document->GetPathName(), "");
    }
}

TEST_F(OpenTest, TheMessageComesWhileTheBoardStillShowsThePreviousPicture) {
    for (const std::string name : {"junk.png", "x.throws", "x.deep"}) {
        SCOPED_TRACE(name);
        WriteBytes(Path(name), "not a picture");
        ShowStartPicture();
        const std::uint8_t* scaled = Board().boardImage.bitmap();
        bool seen = false;
        onMessage = [&] {
            seen = true;
            EXPECT_EQ(Picture(), startPicture);
            EXPECT_EQ(Board().picture, startPicture);
            EXPECT_EQ(Pieces(), shuffled);
            EXPECT_EQ(Board().boardImage.bitmap(), scaled);
            EXPECT_EQ(Board().cells[0][0]->source, &Board().boardImage);
            // A relayout while the message is up (the window resized under
            // it) works from that picture.
            EXPECT_NO_THROW(Board().Rebuild(false, true));
            EXPECT_EQ(Board().boardImage.width(), Board().width);
        };
        EXPECT_TRUE(document->OnOpenDocument(Path(name)));
        onMessage = nullptr;
        EXPECT_TRUE(seen);
        ExpectState(After::Numbers);
    }
}

TEST_F(OpenTest, NumbersReleaseThePicture) {
    ShowStartPicture();
    document->SetPathName(Path("start.bmp"), false);
    ASSERT_TRUE(document->OnNewDocument());
    ExpectState(After::Numbers);
    EXPECT_EQ(document->GetPathName(), "");
    // Without a picture there is nothing to release, and no rebuild either.
    Board().Shuffle();
    const std::vector<int> before = Pieces();
    ASSERT_TRUE(document->OnNewDocument());
    EXPECT_EQ(Pieces(), before);
    EXPECT_TRUE(messages.empty());
}

TEST_F(OpenTest, TheDialogAsksForTheRegisteredImageTypes) {
    CtesserinDoc plain;
    CountingView counting;
    plain.AddView(&counting);
    // The document takes File > open before the application does.
    ASSERT_TRUE(plain.OnCmdMsg(57601));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filter,
              "イメージファイル|*.bmp;*.png|DIB ファイル(*.bmp)|*.bmp|PNG ファイル(*.png)|*.png||");
    EXPECT_EQ(requests[0].defaultExtension, "bmp");
    EXPECT_EQ(requests[0].directory, "");
    EXPECT_TRUE(requests[0].createPrompt);
    // Cancel: a repaint and nothing else.
    EXPECT_EQ(counting.updates, 1);
    EXPECT_EQ(plain.GetPathName(), "");
    EXPECT_EQ(plain.GetImage(), nullptr);
    EXPECT_TRUE(Recent().empty());
    EXPECT_TRUE(messages.empty());
    plain.RemoveView(&counting);
}

TEST_F(OpenTest, EveryDialogAttemptSetsThePathAndTheRecentFilesAndRepaints) {
    struct Row {
        std::optional<std::string> answer;  // nothing: Cancel
        std::string message;
        After after;
        int width = 0, height = 0;
    };
    Bmp("pic.bmp", 9, 3);
    WriteBytes(Path("junk.png"), "junk");
    Bmp("a.gif");
    Bmp("x.noreader");
    const std::vector<Row> rows = {
        {std::nullopt, "", After::Unchanged},
        {Path("pic.bmp"), "", After::Picture, 9, 3},
        {Path("junk.png"), kFormatError, After::Numbers},
        // A typed name of no file, after the dialog's create prompt.
        {Path("typed.bmp"), kOpenFailed, After::Unchanged},
        {Path("a.gif"), kUnsupportedFormat, After::Numbers},
        {Path("x.noreader"), "", After::Numbers},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer.value_or("Cancel"));
        ShowStartPicture();
        document->SetPathName(Path("start.bmp"), true);
        const int updates = view.updates;
        dialogAnswer = row.answer;
        ASSERT_TRUE(document->OnCmdMsg(57601));
        EXPECT_EQ(view.updates, updates + 1);
        if (row.message.empty())
            EXPECT_TRUE(messages.empty());
        else
            EXPECT_EQ(messages, std::vector<std::string>{row.message});
        ExpectState(row.after, row.width, row.height);
        const std::string shown = row.answer.value_or(Path("start.bmp"));
        EXPECT_EQ(document->GetPathName(), shown);
        ASSERT_FALSE(Recent().empty());
        EXPECT_EQ(Recent().front(), shown);
    }
}

TEST_F(OpenTest, OpeningTheSameFileAgainDecodesItAgain) {
    dialogAnswer = Bmp("same.bmp", 6, 4);
    document->OnFileOpen();
    ASSERT_NE(Picture(), nullptr);
    EXPECT_EQ(Picture()->width(), 6);
    Board().Shuffle();

    Bmp("same.bmp", 9, 2, Color(200, 100, 0));  // changed on disk since
    document->OnFileOpen();
    ASSERT_NE(Picture(), nullptr);
    EXPECT_EQ(Picture()->width(), 9);
    EXPECT_EQ(Picture()->get_color(Point(8, 1), true), Color(200, 100, 0));
    EXPECT_EQ(Board().picture, Picture());
    EXPECT_EQ(Board().FindEmptyCell(), (PuzzleBoard::CellPosition{3, 3}));
    EXPECT_EQ(Recent(), std::vector<std::string>{Path("same.bmp")});
    EXPECT_TRUE(messages.empty());
}

TEST_F(OpenTest, TheRememberedPictureComesBackUnlessTheCommandLineNamedOne) {
    struct Row {
        const char* what;
        std::optional<std::string> remembered;  // nothing: no key at all
        std::optional<framework::CommandLineInfo> commandLine;
        std::string message;
        After after;
        std::string pathName;
        std::string settingAfter;
        int width = 0, height = 0;
    };
    const std::string pic = Bmp("last.bmp", 8, 6);
    const std::string junk = Path("junk.png");
    WriteBytes(junk, "junk");
    const std::string gone = Path("deleted.png");
    const framework::CommandLineInfo withFile{framework::CommandLineInfo::FileOpen, Bmp("other.bmp")};
    const framework::CommandLineInfo withoutFile{};
    const std::vector<Row> rows = {
        {"no key", std::nullopt, std::nullopt, "", After::Numbers, "", "<absent>"},
        {"empty", "", std::nullopt, "", After::Numbers, "", ""},
        {"a picture", pic, std::nullopt, "", After::Picture, pic, pic, 8, 6},
        {"started without a file", pic, withoutFile, "", After::Picture, pic, pic, 8, 6},
        {"a file that fails to decode", junk, std::nullopt, kFormatError, After::Numbers, junk, junk},
        {"a file since deleted", gone, std::nullopt, kOpenFailed, After::Numbers, "", ""},
        {"started with a file", pic, withFile, "", After::Numbers, "", pic},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        document.reset();
        app.reset();
        platform::ProfileFile(settings).DeleteProfileKey("Settings", "Image");
        platform::ProfileFile(settings).DeleteProfileKey("Recent File List", "File1");
        app = std::make_unique<framework::Application>(res::FrameworkTexts());
        app->SetProfileName(settings);
        app->LoadStdProfileSettings(res::kRecentFileCount);
        if (row.commandLine)
            app->ProcessShellCommand(*row.commandLine);  // no template here: it only records
        document = std::make_unique<CtesserinDoc>();
        Board().Rebuild(true, false);  // as the view's layout does
        if (row.remembered)
            Remember(*row.remembered);
        messages.clear();

        document->OpenLastImage();
        if (row.message.empty())
            EXPECT_TRUE(messages.empty());
        else
            EXPECT_EQ(messages, std::vector<std::string>{row.message});
        ExpectState(row.after, row.width, row.height);
        EXPECT_EQ(document->GetPathName(), row.pathName);
        EXPECT_EQ(Recent(), row.pathName.empty() ? std::vector<std::string>{}
                                                 : std::vector<std::string>{row.pathName});
        EXPECT_EQ(Setting("Image"), row.settingAfter);

        // Asked again (the next start), a missing picture is not reported again.
        messages.clear();
        document->OpenLastImage();
        if (row.remembered == gone) {
            EXPECT_TRUE(messages.empty());
        }
    }
}

TEST_F(OpenTest, NamesAreBytesAndClosingRemembersTheFullPathItCanKeep) {
    struct Row {
        std::string name;
        bool remembered;  // false: the settings file cannot hold the name
    };
    const std::vector<Row> rows = {
        {"plain.bmp", true},
        {"with  two spaces .bmp", true},
        {"写真 一枚.png", true},
        {"ポ.png", true},  // its UTF-8 ends in 0x9D, a Shift-JIS lead byte, before the dot
        {"bad\xff\xfe name.bmp", true},
        {"\x81.\x5c.bmp", true},
        {"\"quoted\".bmp", true},
        {"semi;colon=equals[x].bmp", true},
        {"two\nlines.bmp", false},
        {"carriage\rreturn.png", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = Path(row.name);
        if (row.name.ends_with(".png"))
            WritePng(path);
        else
            Bmp(row.name, 3, 3);
        Remember(Path("older.bmp"));

        document = std::make_unique<CtesserinDoc>();
        dialogAnswer = path;
        document->OnFileOpen();
        EXPECT_TRUE(messages.empty());
        ASSERT_NE(Picture(), nullptr);
        EXPECT_EQ(document->GetPathName(), path);
        EXPECT_EQ(document->GetTitle(), row.name);
        document.reset();
        EXPECT_EQ(Setting("Image"), row.remembered ? path : "");

        // Every line of the settings file is still a section, a key or blank.
        std::istringstream lines(ReadAll(settings));
        for (std::string line; std::getline(lines, line);) {
            EXPECT_TRUE(line.empty() || line.front() == '[' || line.find('=') != std::string::npos)
                << "stray line: " << line;
        }

        // The next start shows the same picture under the same name.
        document = std::make_unique<CtesserinDoc>();
        document->OpenLastImage();
        EXPECT_TRUE(messages.empty());
        if (row.remembered) {
            ASSERT_NE(Picture(), nullptr);
            EXPECT_EQ(document->GetPathName(), path);
        } else {
            EXPECT_EQ(Picture(), nullptr);
            EXPECT_EQ(document->GetPathName(), "");
        }
    }
    // After File > numbers the empty text is remembered.
    document->OnNewDocument();
    document.reset();
    EXPECT_EQ(Setting("Image"), "");
}

TEST(OpenAtStartUp, TheViewsFirstInitialUpdateReopensThePictureOnce) {
    ViewFixture f;
    std::vector<std::string> shown;
    framework::MessageBoxHook previous =
        framework::SetMessageBoxHook([&](const std::string&, const std::string& text) { shown.push_back(text); });
    const std::string pic = f.folder + "/last.bmp";
    WriteBmp(pic, 12, 12, Color(1, 2, 3));
    platform::ProfileFile(f.folder + "/tesserin.ini").WriteProfileString("Settings", "Image", pic);
    f.Show(640, 480);
    f.view->OnInitialUpdate();
    ASSERT_NE(f.document->GetImage(), nullptr);
    EXPECT_EQ(f.document->GetPathName(), pic);
    // Laid out after the open: the picture is scaled to the final square.
    EXPECT_EQ(f.Board().boardImage.width(), f.Board().width);
    EXPECT_EQ(f.Board().width, f.view->GetWindowRect().height() - 30);

    // File > numbers runs the initial update again; the picture stays gone.
    ASSERT_TRUE(f.document->OnNewDocument());
    f.view->OnInitialUpdate();
    EXPECT_EQ(f.document->GetImage(), nullptr);
    EXPECT_EQ(f.Board().picture, nullptr);
    EXPECT_TRUE(shown.empty());
    framework::SetMessageBoxHook(previous);
}

}  // namespace
}  // namespace opentest
