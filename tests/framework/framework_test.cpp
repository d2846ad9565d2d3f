// The framework pieces that need no window: command routing, the
// recent-file list, the open dialog's filter, the command line, the way
// Qt's messages go out.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/CommandTarget.h"
#include "framework/FileDialog.h"
#include "framework/FrameWindow.h"
#include "framework/RecentFileList.h"
#include "platform/Profile.h"

namespace {

class Target : public framework::CommandTarget {
public:
    Target(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
    void Map(int id) {
        MapCommand(id, [this, id] { log_.push_back(name_ + ":" + std::to_string(id)); });
    }
    void MapRange(int first, int last) {
        MapCommandRange(first, last, [this](int id) { log_.push_back(name_ + "*" + std::to_string(id)); });
    }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

TEST(CommandRouting, TheFirstTargetThatMapsTheCommandHandlesIt) {
    std::vector<std::string> log;
    Target view(log, "view"), document(log, "document"), frame(log, "frame"), app(log, "app");
    view.Map(130);
    document.Map(130);
    document.Map(200);
    frame.Map(300);
    app.Map(200);
    app.Map(400);

    EXPECT_TRUE(framework::RouteCommand(130, {&view, &document, &frame, &app}));
    EXPECT_TRUE(framework::RouteCommand(200, {&view, &document, &frame, &app}));
    EXPECT_TRUE(framework::RouteCommand(300, {&view, &document, &frame, &app}));
    EXPECT_TRUE(framework::RouteCommand(400, {&view, &document, &frame, &app}));
    EXPECT_FALSE(framework::RouteCommand(500, {&view, &document, &frame, &app}));
    // A missing target (no view yet) is skipped.
    EXPECT_TRUE(framework::RouteCommand(130, {nullptr, &document}));
    EXPECT_EQ(log, (std::vector<std::string>{"view:130", "document:200", "frame:300", "app:400", "document:130"}));
}

TEST(CommandRouting, RangesAndLaterMappingsReplaceEarlierOnes) {
    std::vector<std::string> log;
    Target target(log, "t");
    target.MapRange(10, 20);
    target.Map(15);  // splits nothing: the whole overlapping range goes
    EXPECT_TRUE(target.HandlesCommand(15));
    EXPECT_FALSE(target.HandlesCommand(10));
    target.MapRange(30, 33);
    EXPECT_TRUE(target.OnCmdMsg(33));
    EXPECT_FALSE(target.OnCmdMsg(34));
    EXPECT_FALSE(target.OnCmdMsg(29));
    EXPECT_TRUE(target.OnCmdMsg(15));
    EXPECT_EQ(log, (std::vector<std::string>{"t*33", "t:15"}));
}

class RecentFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesserin-mru-XXXXXX";
        folder = mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string folder;
};

TEST_F(RecentFiles, NewestFirstWithoutDuplicatesUpToTheLimit) {
    framework::RecentFileList list("Recent File List", 4);
    for (const char* name : {"/a.png", "/b.png", "/c.png", "/d.png", "/e.png"}) list.Add(name);
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/e.png", "/d.png", "/c.png", "/b.png"}));
    list.Add("/c.png");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/c.png", "/e.png", "/d.png", "/b.png"}));
    // The same file by another spelling is still one entry.
    list.Add("/x/../e.png");
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/e.png", "/c.png", "/d.png", "/b.png"}));
    list.Remove(1);
    list.Remove(7);
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/e.png", "/d.png", "/b.png"}));
}

TEST_F(RecentFiles, RelativePathsAreStoredInFull) {
    framework::RecentFileList list("Recent File List", 4);
    list.Add("picture.bmp");
    ASSERT_EQ(list.Entries().size(), 1u);
    EXPECT_EQ(list.Entries()[0], (std::filesystem::current_path() / "picture.bmp").string());
}

TEST_F(RecentFiles, RoundTripThroughTheSettingsFileKeepsOtherKeys) {
    platform::ProfileFile profile(folder + "/tesserin.ini");
    profile.WriteProfileString("Settings", "Image", "/keep.png");
    profile.WriteProfileString("Recent File List", "File4", "/stale.png");

    framework::RecentFileList written("Recent File List", 4);
    written.Add("/one.png");
    written.Add("/two.png");
    ASSERT_TRUE(written.WriteList(profile));

    EXPECT_EQ(profile.GetProfileString("recent file list", "file1", ""), "/two.png");
    EXPECT_EQ(profile.GetProfileString("Recent File List", "File2", ""), "/one.png");
    EXPECT_EQ(profile.GetProfileString("Recent File List", "File4", "<gone>"), "<gone>");
    EXPECT_EQ(profile.GetProfileString("Settings", "Image", ""), "/keep.png");

    framework::RecentFileList read("Recent File List", 4);
    read.ReadList(profile);
    EXPECT_EQ(read.Entries(), written.Entries());
}

TEST_F(RecentFiles, GarbledOrUnwritableFilesGiveAnEmptyListAndNoCrash) {
    const std::string path = folder + "/tesserin.ini";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 4096; ++i) out.put(static_cast<char>((i * 131) % 256));
    }
    framework::RecentFileList list("Recent File List", 4);
    list.ReadList(platform::ProfileFile(path));
    EXPECT_TRUE(list.Empty());

    list.Add("/a.png");
    EXPECT_FALSE(list.WriteList(platform::ProfileFile(folder + "/no/such/folder/tesserin.ini")));
}

TEST_F(RecentFiles, NamesTheSettingsFileCannotHoldAreLeftOutAndTheRestWritten) {
    struct Case {
        const char* name;
        std::vector<std::string> added;    // oldest first
        std::vector<std::string> written;  // File1.. afterwards
    };
    const Case cases[] = {
        {"a line break between two good names", {"/a.png", "/b\nc.png", "/d.png"}, {"/d.png", "/a.png"}},
        {"a carriage return, and a name that opens like a section", {"/x\r.png", "/[y]=.png"}, {"/[y]=.png"}},
        {"the newest name breaks", {"/a.png", "/b.png", "/c.png", "/\n"}, {"/c.png", "/b.png", "/a.png"}},
        {"none can be held", {"/only\n.png", "/\r\n"}, {}},
    };
    const std::string path = folder + "/tesserin.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        platform::ProfileFile profile(path);
        ASSERT_TRUE(profile.WriteProfileString("Settings", "Image", "/keep.png"));
        ASSERT_TRUE(profile.WriteProfileString("Recent File List", "File4", "/stale.png"));

        framework::RecentFileList list("Recent File List", 4);
        for (const std::string& name : c.added) list.Add(name);
        ASSERT_TRUE(list.WriteList(profile));
        EXPECT_EQ(list.Entries().size(), c.added.size());  // still offered until the program ends

        for (int i = 0; i < 4; ++i) {
            std::string expected = i < static_cast<int>(c.written.size()) ? c.written[i] : "<none>";
            EXPECT_EQ(profile.GetProfileString("Recent File List", framework::RecentFileList::KeyName(i), "<none>"),
                      expected);
        }
        EXPECT_EQ(profile.GetProfileString("Settings", "Image", ""), "/keep.png");
        framework::RecentFileList read("Recent File List", 4);
        read.ReadList(profile);
        EXPECT_EQ(read.Entries(), c.written);

        // Every line is a section header or a key: no name spilled over a line.
        std::ifstream in(path, std::ios::binary);
        std::string line;
        int sections = 0, keys = 0;
        while (std::getline(in, line)) {
            if (line.empty()) continue;
            if (line.front() == '[' && line.back() == ']')
                ++sections;
            else if (line.find('=') != std::string::npos && line.front() != '=')
                ++keys;
            else
                ADD_FAILURE() << "stray line: " << line;
            EXPECT_EQ(line.find('\r'), std::string::npos);
        }
        EXPECT_EQ(sections, 2);
        EXPECT_EQ(keys, 1 + static_cast<int>(c.written.size()));
    }
}

TEST(FileFilter, SplitsTheBarSeparatedFormAndMatchesEitherCase) {
    auto filters = framework::ParseFileFilter("Pictures (*.bmp;*.png)|*.bmp; *.png|PNG|*.png||");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0], (framework::FileFilter{"Pictures (*.bmp;*.png)", {"*.bmp", "*.png"}}));
    EXPECT_EQ(filters[1], (framework::FileFilter{"PNG", {"*.png"}}));

    EXPECT_EQ(framework::CaseInsensitivePattern("*.png"), "*.[pP][nN][gG]");

    EXPECT_TRUE(framework::ParseFileFilter("").empty());
    EXPECT_TRUE(framework::ParseFileFilter("no patterns||").empty());
}

TEST(FramePlacement, OnlyARealFrameShrinksTheClientToTheSavedOuterSize) {
    using framework::FrameWindow;
    // Borders of 5 and a title bar of 25: the client makes room for them.
    EXPECT_EQ(FrameWindow::ClientSizeForOuter(QRect(50, 60, 310, 430), QRect(55, 85, 300, 400), QSize(300, 400)),
              QSize(290, 370));
    // No frame: a larger outer rectangle is the server's newer size, which a
    // quick move and resize by another program leaves Qt to catch up with.
    EXPECT_FALSE(
        FrameWindow::ClientSizeForOuter(QRect(50, 60, 700, 500), QRect(50, 60, 300, 400), QSize(300, 400)).isValid());
    EXPECT_FALSE(
        FrameWindow::ClientSizeForOuter(QRect(50, 60, 300, 400), QRect(50, 60, 300, 400), QSize(300, 400)).isValid());
}

TEST(CommandLine, AFileNameOpensItAndVersionIsRecognised) {
    using framework::CommandLineInfo;
    EXPECT_EQ(framework::ParseCommandLine({}).command, CommandLineInfo::FileNew);
    auto open = framework::ParseCommandLine({"--quiet", "x.png", "y.png"});
    EXPECT_EQ(open.command, CommandLineInfo::FileOpen);
    EXPECT_EQ(open.fileName, "x.png");
    EXPECT_EQ(framework::ParseCommandLine({"x.png", "--version"}).command, CommandLineInfo::PrintVersion);
}

TEST(CommandLine, OptionsAreNeverFileNamesAndTheFirstRequestWins) {
    using framework::CommandLineInfo;
    struct Case {
        std::vector<std::string> arguments;
        CommandLineInfo::Command command;
        std::string fileName;
    };
    const Case cases[] = {
        {{"--help"}, CommandLineInfo::PrintHelp, ""},
        {{"-h"}, CommandLineInfo::PrintHelp, ""},
        {{"a.png", "-h", "b.png"}, CommandLineInfo::PrintHelp, ""},
        {{"--help", "--version"}, CommandLineInfo::PrintHelp, ""},
        {{"--version", "-h"}, CommandLineInfo::PrintVersion, ""},
        // Near misses are options like any other, not requests and not files.
        {{"-help", "--h", "-H", "--Help", "--version=1"}, CommandLineInfo::FileNew, ""},
        {{"-", "--", "-platform", "photo.jpg"}, CommandLineInfo::FileOpen, "photo.jpg"},
        {{"--", "-photo.png"}, CommandLineInfo::FileNew, ""},
        {{"\xff\xfe.png", "-h2"}, CommandLineInfo::FileOpen, "\xff\xfe.png"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.arguments) joined += "[" + a + "]";
        SCOPED_TRACE(joined);
        CommandLineInfo info = framework::ParseCommandLine(c.arguments);
        EXPECT_EQ(info.command, c.command);
        EXPECT_EQ(info.fileName, c.fileName);
    }
}

}  // namespace

TEST(QtMessages, ReachTheDescriptorWhileTheStderrStreamIsSilenced) {
    char name[] = "/tmp/tesserin-messages-XXXXXX";
    const int file = ::mkstemp(name);
    ASSERT_GE(file, 0);
    const int saved = ::dup(STDERR_FILENO);
    std::FILE* const savedStream = stderr;
    std::FILE* const sink = std::fopen("/dev/null", "w");
    ::dup2(file, STDERR_FILENO);
    stderr = sink;  // as a picture reader leaves it while it decodes
    framework::SendQtMessagesToStandardError();
    qWarning("a message from Qt");
    qInstallMessageHandler(nullptr);
    stderr = savedStream;
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::fclose(sink);
    ::close(file);
    std::ifstream in(name);
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(name);
    EXPECT_EQ(written, "a message from Qt\n");
}
