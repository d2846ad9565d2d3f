// Opening pictures through the document: every way an open can fail and what
// it leaves behind, the open dialog, the picture remembered from the last
// run, file names as bytes, and the path kept in the settings file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "document/PictureReadAhead.h"
#include "document/tesserinDoc.h"
#include "framework/Application.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/RecentFileList.h"
#include "framework/View.h"
#include "platform/Profile.h"
#include "readers/BmpReader.h"
#include "shell/Resource.h"
#include "tests/document/PictureFiles.h"

namespace opentest {
namespace {

constexpr const char* kUnsupportedFormat = "サポートされていないファイル形式です。";
constexpr const char* kNotSupported = "サポートされていません。";
constexpr const char* kFormatError = "フォーマットエラー";
constexpr const char* kFileError = "ファイルエラー。";
constexpr const char* kOpenFailed = "ファイルを開けませんでした。";
constexpr const char* kFilter =
    "イメージファイル|*.bmp;*.png;*.jpg;*.jpeg;*.jpe;*.webp;*.heic;*.heif;*.avif;*.gif;*.tif;*.tiff|DIB "
    "ファイル(*.bmp)|*.bmp|"
    "PNG ファイル(*.png)|*.png|JPEG ファイル(*.jpg;*.jpeg;*.jpe)|*.jpg;*.jpeg;*.jpe|WebP ファイル(*.webp)|*.webp|"
    "HEIF ファイル(*.heic;*.heif)|*.heic;*.heif|AVIF ファイル(*.avif)|*.avif|"
    "GIF ファイル(*.gif)|*.gif|TIFF ファイル(*.tif;*.tiff)|*.tif;*.tiff||";

// A format of the test's own under extension ext; make gives its reader, or none.
struct TestFormat : ImageFormat {
    TestFormat(std::string ext, std::function<std::unique_ptr<ImageReader>()> make)
        : ImageFormat({std::move(ext)}, "TEST"), make(std::move(make)) {}
    std::unique_ptr<ImageReader> create_reader() const override { return make(); }
    std::function<std::unique_ptr<ImageReader>()> make;
};
struct TestReader : ImageReader {
    explicit TestReader(std::function<void(Image&)> body) : body(std::move(body)) {}
    void decode(Image& image, std::istream&) override { body(image); }
    std::function<void(Image&)> body;
};

struct CountingView : framework::View {
    void OnUpdate(framework::View*) override { ++updates; }
    void OnDraw(platform::DeviceContext&) override {}
    int updates = 0;
};

enum class After { Unchanged, Numbers, Picture };

class OpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesserin-open-XXXXXX";
        folder = mkdtemp(pattern);
        settings = folder + "/tesserin.ini";
        previousMessageHook = framework::SetMessageBoxHook([this](const std::string& caption, const std::string& text) {
            EXPECT_EQ(caption, "tesserin");
            messages.push_back(text);
            if (onMessage) onMessage();
        });
        previousDialogHook = framework::SetFileDialogHook([this](const framework::OpenFileRequest& request) {
            requests.push_back(request);
            return dialogAnswer;
        });
        Restart();
    }
    void TearDown() override {
        document.reset();
        app.reset();
        framework::SetMessageBoxHook(previousMessageHook);
        framework::SetFileDialogHook(previousDialogHook);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // A new application (recent files read from the settings) and document,
    // the board built as the view's layout builds it.
    void Restart(std::optional<framework::CommandLineInfo> commandLine = std::nullopt) {
        document.reset();
        app.reset();
        app = std::make_unique<framework::Application>(res::FrameworkTexts());
        app->SetProfileName(settings);
        app->LoadStdProfileSettings(res::kRecentFileCount);
        if (commandLine) app->ProcessShellCommand(*commandLine);  // without a template it only records
        document = std::make_unique<CtesserinDoc>();
        document->AddView(&view);
        Board().Rebuild(true, false);
    }

    // Formats for the failures real files cannot give.
    void AddTestFormats(FormatRegistry& formats) {
        formats.add(std::make_unique<TestFormat>("noreader", [] { return nullptr; }));
        formats.add(std::make_unique<TestFormat>("throws", [] {
            return std::make_unique<TestReader>([](Image&) { throw std::runtime_error("読めません: boom"); });
        }));
        formats.add(std::make_unique<TestFormat>("deep", [] {  // a picture the board cannot prepare
            return std::make_unique<TestReader>([](Image& image) {
                image.init_header();
                image.set_width(8);
                image.set_height(8);
                image.set_bit_count(32);
                image.create();
            });
        }));
        // Each read makes a picture as tall as the reads so far.
        formats.add(std::make_unique<TestFormat>("count", [this] {
            return std::make_unique<TestReader>([this](Image& image) {
                image.init_header();
                image.set_width(8);
                image.set_height(++reads);
                image.set_bit_count(24);
                image.create();
            });
        }));
        // The file goes between the framework's check and the stream.
        formats.add(std::make_unique<TestFormat>("vanish", [this] {
            std::filesystem::remove(Path("gone.vanish"));
            return std::make_unique<BmpReader>();
        }));
    }

    std::string Path(const std::string& name) const { return folder + "/" + name; }
    std::string Bmp(const std::string& name, int w = 6, int h = 4, Color c = Color(10, 20, 30)) const {
        WriteBmp(Path(name), w, h, c);
        return Path(name);
    }
    PuzzleBoard& Board() { return document->GetBoard(); }
    const Image* Picture() { return document->GetImage(); }
    std::vector<int> Pieces() {
        std::vector<int> pieces;
        for (const auto& row : Board().cells)
            for (const auto& cell : row) pieces.push_back(cell->pieceNumber);
        return pieces;
    }
    std::string Setting() const {
        return platform::ProfileFile(settings).GetProfileString("Settings", "Image", "<absent>");
    }
    std::vector<std::string> Recent() const { return app->GetRecentFileList()->Entries(); }
    void ExpectMessage(const std::string& message) {
        EXPECT_EQ(messages, message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
        messages.clear();
    }

    // A picture on a shuffled board, to tell "unchanged" from the numbers
    // picture and from a new picture.
    void ShowStartPicture() {
        ASSERT_TRUE(document->OnOpenDocument(Bmp("start.bmp", 5, 3)));
        startPicture = Picture();
        ASSERT_NE(startPicture, nullptr);
        Board().Shuffle();
        shuffled = Pieces();
    }
    void ExpectState(After after, int width = 0, int height = 0) {
        std::vector<int> home(Pieces().size());
        for (std::size_t i = 0; i < home.size(); ++i) home[i] = static_cast<int>(i);
        ASSERT_FALSE(home.empty());
        if (after == After::Unchanged) {
            EXPECT_EQ(Picture(), startPicture);
            EXPECT_EQ(Board().picture, startPicture);
            EXPECT_EQ(Pieces(), shuffled);
            return;
        }
        EXPECT_EQ(Pieces(), home);
        if (after == After::Numbers) {
            EXPECT_EQ(Picture(), nullptr);
            EXPECT_EQ(Board().picture, nullptr);
            EXPECT_EQ(Board().cells[0][0]->source, nullptr);
            return;
        }
        ASSERT_NE(Picture(), nullptr);
        EXPECT_NE(Picture(), startPicture);
        EXPECT_EQ(Board().picture, Picture());
        EXPECT_EQ(Picture()->width(), width);
        EXPECT_EQ(Picture()->height(), height);
        EXPECT_EQ(Board().cells[0][0]->source, &Board().boardImage);
    }

    std::string folder, settings;
    std::unique_ptr<framework::Application> app;
    CountingView view;
    std::unique_ptr<CtesserinDoc> document;
    std::vector<std::string> messages;
    std::function<void()> onMessage;
    std::vector<framework::OpenFileRequest> requests;
    std::optional<std::string> dialogAnswer;
    const Image* startPicture = nullptr;
    std::vector<int> shuffled;
    std::atomic<int> reads = 0;  // by the "count" format, on any thread
    framework::MessageBoxHook previousMessageHook;
    framework::FileDialogHook previousDialogHook;
};

TEST_F(OpenTest, EveryOutcomeOfAnOpenLeavesItsStateMessageAndResult) {
    struct Row {
        std::string file;
        std::string content;  // "bmp", "png", "dir", "none", or the bytes themselves
        std::string message;
        After after;
        bool result;
        int width = 0, height = 0;
    };
    const std::vector<Row> rows = {
        {"missing.png", "none", kOpenFailed, After::Unchanged, false},
        {"folder.bmp", "dir", kOpenFailed, After::Unchanged, false},
        {"picture.xcf", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"picture", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"picture.", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"my.pics/photo", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"x.DIB", "bmp", kUnsupportedFormat, After::Numbers, true},
        {"junk.png", "\x89PNG\r\n\x1a\n not a picture", kFormatError, After::Numbers, true},
        {"empty.png", "", kFormatError, After::Numbers, true},
        {"png-inside.bmp", "png", kFormatError, After::Numbers, true},
        {"short.bmp", "BM6", kFileError, After::Numbers, true},
        {"x.throws", "bmp", "読めません: boom", After::Numbers, true},
        {"x.deep", "bmp", kNotSupported, After::Numbers, true},
        {"x.noreader", "bmp", "", After::Numbers, false},
        {"gone.vanish", "bmp", "", After::Numbers, true},
        {"photo.png", "png", "", After::Picture, true, 32, 32},
        {"PHOTO.PNG", "png", "", After::Picture, true, 32, 32},
        {"picture.Bmp", "bmp", "", After::Picture, true, 7, 5},
        {"a.tar.bmp", "bmp", "", After::Picture, true, 7, 5},
        {"my.pics/photo.bmp", "bmp", "", After::Picture, true, 7, 5},
    };
    AddTestFormats(document->formats);
    std::filesystem::create_directory(Path("my.pics"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string path = Path(row.file);
        if (row.content == "bmp")
            Bmp(row.file, 7, 5);
        else if (row.content == "png")
            WritePng(path);
        else if (row.content == "dir")
            std::filesystem::create_directory(path);
        else if (row.content != "none")
            WriteBytes(path, row.content);
        ShowStartPicture();
        EXPECT_EQ(document->OnOpenDocument(path), row.result);
        ExpectMessage(row.message);
        ExpectState(row.after, row.width, row.height);
        EXPECT_EQ(document->GetPathName(), "");  // set by the callers, not here
    }
}

TEST_F(OpenTest, TheMessageComesWhileTheBoardStillShowsThePreviousPicture) {
    AddTestFormats(document->formats);
    for (const std::string name : {"junk.png", "x.throws", "x.deep"}) {
        SCOPED_TRACE(name);
        WriteBytes(Path(name), "not a picture");
        ShowStartPicture();
        const std::uint8_t* scaled = Board().boardImage.bitmap();
        onMessage = [&] {
            EXPECT_EQ(Picture(), startPicture);
            EXPECT_EQ(Board().picture, startPicture);
            EXPECT_EQ(Pieces(), shuffled);
            EXPECT_EQ(Board().boardImage.bitmap(), scaled);
            // A relayout while the message is up works from that picture.
            EXPECT_NO_THROW(Board().Rebuild(false, true));
        };
        EXPECT_TRUE(document->OnOpenDocument(Path(name)));
        onMessage = nullptr;
        EXPECT_EQ(messages.size(), 1u);
        messages.clear();
        ExpectState(After::Numbers);
    }
}

TEST_F(OpenTest, EveryDialogAttemptSetsThePathAndTheRecentFilesAndRepaints) {
    struct Row {
        std::optional<std::string> answer;  // nothing: Cancel
        std::string message;
        After after;
        int width = 0, height = 0;
    };
    WriteBytes(Path("junk.png"), "junk");
    const std::vector<Row> rows = {
        {std::nullopt, "", After::Unchanged},
        {Bmp("pic.bmp", 9, 3), "", After::Picture, 9, 3},
        {Path("junk.png"), kFormatError, After::Numbers},
        {Path("typed.bmp"), kOpenFailed, After::Unchanged},  // a new name, after the create prompt
        {Bmp("a.xcf"), kUnsupportedFormat, After::Numbers},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer.value_or("Cancel"));
        ShowStartPicture();
        document->SetPathName(Path("start.bmp"), true);
        const int updates = view.updates;
        dialogAnswer = row.answer;
        requests.clear();
        ASSERT_TRUE(document->OnCmdMsg(57601));  // the document's, ahead of the application's
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].filter, kFilter);
        EXPECT_EQ(requests[0].defaultExtension, "bmp");
        EXPECT_EQ(requests[0].directory, "");
        EXPECT_TRUE(requests[0].createPrompt);
        EXPECT_EQ(view.updates, updates + 1);
        ExpectMessage(row.message);
        ExpectState(row.after, row.width, row.height);
        const std::string shown = row.answer.value_or(Path("start.bmp"));
        EXPECT_EQ(document->GetPathName(), shown);
        EXPECT_EQ(Recent().front(), shown);
    }
}

TEST_F(OpenTest, OpeningTheSameFileAgainDecodesItAgain) {
    dialogAnswer = Bmp("same.bmp", 6, 4);
    document->OnFileOpen();
    ASSERT_NE(Picture(), nullptr);
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
        std::string pathName;
        std::string settingAfter;
        int width = 0;
        std::string first = "";  // the picture read ahead for this start
    };
    const std::string pic = Bmp("last.bmp", 8, 6);
    const std::string junk = Path("junk.png");
    WriteBytes(junk, "junk");
    const std::string gone = Path("deleted.png");
    const framework::CommandLineInfo withFile{framework::CommandLineInfo::FileOpen, Bmp("other.bmp")};
    const std::vector<Row> rows = {
        {"no key", std::nullopt, std::nullopt, "", "", "<absent>"},
        {"empty", "", std::nullopt, "", "", ""},
        {"a picture", pic, std::nullopt, "", pic, pic, 8, pic},
        {"started without a file", pic, framework::CommandLineInfo{}, "", pic, pic, 8, pic},
        {"a file that fails to decode", junk, std::nullopt, kFormatError, junk, junk, 0, junk},
        {"a file since deleted", gone, std::nullopt, kOpenFailed, "", "", 0, gone},
        {"started with a file", pic, withFile, "", "", pic, 0, withFile.fileName},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        document.reset();  // it writes its path as it goes
        std::filesystem::remove(settings);
        if (row.remembered) platform::ProfileFile(settings).WriteProfileString("Settings", "Image", *row.remembered);
        Restart(row.commandLine);
        EXPECT_EQ(CtesserinDoc::FirstPicture(row.commandLine.value_or(framework::CommandLineInfo{})), row.first);
        document->OpenLastImage();
        ExpectMessage(row.message);
        ExpectState(row.width ? After::Picture : After::Numbers, row.width, 6);
        EXPECT_EQ(document->GetPathName(), row.pathName);
        EXPECT_EQ(Recent(), row.pathName.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.pathName});
        EXPECT_EQ(Setting(), row.settingAfter);
        // The next start says nothing more about a picture that is gone.
        if (row.remembered == gone) {
            document->OpenLastImage();
            EXPECT_TRUE(messages.empty());
        }
    }
}

TEST_F(OpenTest, APictureReadAheadIsTakenOnlyByTheOpenOfItsOwnPath) {
    // Which read the board shows, and how many there were, tell who read what.
    FormatRegistry formats;
    AddTestFormats(formats);
    for (const char* name : {"a.count", "b.count", "a.throws"}) WriteBytes(Path(name), "x");
    const std::string fifo = Path("pipe.count");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& unread : {fifo, Path("missing.count"), Path("a.throws") + "x", std::string()}) {
        EXPECT_FALSE(PictureReadAhead(formats, unread).Holds(unread)) << unread;
    }

    const struct {
        const char* ahead;
        const char* open;
        int height;  // 0: the numbers picture
        int reads;
        std::string message;
    } rows[] = {
        {"a.count", "a.count", 1, 1, ""},
        {"a.count", "b.count", 2, 2, ""},
        {"a.throws", "a.throws", 0, 0, "読めません: boom"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.open);
        reads = 0;
        document = std::make_unique<CtesserinDoc>(std::make_unique<PictureReadAhead>(formats, Path(row.ahead)));
        AddTestFormats(document->formats);
        EXPECT_TRUE(document->OnOpenDocument(Path(row.open)));
        ExpectMessage(row.message);
        EXPECT_EQ(reads, row.reads);
        EXPECT_EQ(Picture() ? Picture()->height() : 0, row.height);
    }
}

TEST_F(OpenTest, NamesAreBytesAndClosingRemembersTheFullPathItCanKeep) {
    struct Row {
        std::string name;
        bool kept;  // false: the settings file cannot hold the name
    };
    const std::vector<Row> rows = {
        {"with  two spaces .bmp", true},
        {"写真 一枚.png", true},
        {"ポ.png", true},  // its UTF-8 ends in 0x9D, a Shift-JIS lead byte, before the dot
        {"bad\xff\xfe name.bmp", true},
        {"semi;colon=equals[x].bmp", true},
        {"two\nlines.bmp", false},
        {"carriage\rreturn.png", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = Path(row.name);
        row.name.ends_with(".png") ? WritePng(path) : WriteBmp(path, 3, 3, Color(1, 2, 3));
        platform::ProfileFile(settings).WriteProfileString("Settings", "Image", Path("older.bmp"));
        dialogAnswer = path;
        document->OnFileOpen();
        ASSERT_NE(Picture(), nullptr);
        EXPECT_EQ(document->GetPathName(), path);
        EXPECT_EQ(document->GetTitle(), row.name);
        Restart();  // closes the document
        EXPECT_EQ(Setting(), row.kept ? path : "");
        std::istringstream lines(ReadAll(settings));
        for (std::string line; std::getline(lines, line);)
            EXPECT_TRUE(line.empty() || line[0] == '[' || line.find('=') != std::string::npos) << line;

        // The next start shows the same picture under the same name.
        document->OpenLastImage();
        EXPECT_EQ(Picture() != nullptr, row.kept);
        EXPECT_EQ(document->GetPathName(), row.kept ? path : "");
        EXPECT_TRUE(messages.empty());
    }
    // File > numbers releases the picture, and the empty text is remembered.
    ASSERT_TRUE(document->OnNewDocument());
    ExpectState(After::Numbers);
    EXPECT_EQ(document->GetPathName(), "");
    Restart();
    EXPECT_EQ(Setting(), "");
}

}  // namespace
}  // namespace opentest
