// A phone's photo, stored sideways with an EXIF orientation, opened in the
// real program from the command line, the open dialog and a file manager's
// drop: each time the board shows it upright, and the program remembers it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/XSession.h"
#include "tests/e2e/XdndSource.h"
#include "tests/readers/JpegWriter.h"

using namespace std::chrono_literals;
using namespace e2e;

namespace {

constexpr Pixel kBackground{46, 70, 161};
constexpr Pixel kWhite{255, 255, 255};
constexpr auto kWindowTimeout = 60s;

// The quadrants as the camera stored them: 400 x 200, wider than tall.
constexpr Pixel kStoredTopLeft{220, 40, 40};
constexpr Pixel kStoredTopRight{40, 180, 60};
constexpr Pixel kStoredBottomLeft{240, 200, 40};
constexpr Pixel kStoredBottomRight{150, 60, 200};

// Orientation 6: the stored rows must be turned a quarter clockwise. Upright
// the photo is 200 x 400; the stored left column, read bottom up, is its top
// row. On the square 4 x 4 board it fills the middle two columns, white
// bands the outer two; the missing piece is white too.
using Cells = std::array<Pixel, 16>;
const Cells kUpright = {
    kWhite, kStoredBottomLeft,  kStoredTopLeft,  kWhite,  //
    kWhite, kStoredBottomLeft,  kStoredTopLeft,  kWhite,  //
    kWhite, kStoredBottomRight, kStoredTopRight, kWhite,  //
    kWhite, kStoredBottomRight, kStoredTopRight, kWhite,
};

std::string Executable() {
    const char* path = std::getenv("TESSERIN_EXE");
    return path ? path : "";
}

bool WriteSidewaysPhoto(const std::string& path) {
    jpegtest::JpegParams params;
    params.width = 400;
    params.height = 200;
    params.app1 = jpegtest::exif_block(6);
    for (int y = 0; y < params.height; ++y) {
        for (int x = 0; x < params.width; ++x) {
            const bool right = x >= params.width / 2;
            const bool bottom = y >= params.height / 2;
            const Pixel& p = bottom ? (right ? kStoredBottomRight : kStoredBottomLeft)
                                    : (right ? kStoredTopRight : kStoredTopLeft);
            params.pixels.insert(params.pixels.end(), {static_cast<std::uint8_t>(p.red),
                                                       static_cast<std::uint8_t>(p.green),
                                                       static_cast<std::uint8_t>(p.blue)});
        }
    }
    std::ofstream out(path, std::ios::binary);
    out << jpegtest::encode_jpeg(params);
    return static_cast<bool>(out);
}

// Compression and scaling move flat colours a little.
bool Near(const std::optional<Pixel>& seen, const Pixel& wanted) {
    auto close = [](int a, int b) { return a - b <= 12 && b - a <= 12; };
    return seen && close(seen->red, wanted.red) && close(seen->green, wanted.green) &&
           close(seen->blue, wanted.blue);
}

std::string Show(const std::optional<Pixel>& p) {
    if (!p)
        return "nothing";
    return "(" + std::to_string(p->red) + ", " + std::to_string(p->green) + ", " + std::to_string(p->blue) + ")";
}

// The board inside the view, the background-coloured band below the bars,
// laid out as the view does: a square 30 pixels short of the band's smaller
// side, 10 pixels from its top, centred across.
struct Board {
    int left = 0;
    int top = 0;
    int piece = 0;
    int X(int column, int sixths) const { return left + column * piece + piece * sixths / 6; }
    int Y(int row, int sixths) const { return top + row * piece + piece * sixths / 6; }
};

std::optional<Board> FindBoard(const WindowImage& image, int width, int height) {
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < height && bottom < 0; ++y) {
        const bool background = image.At(4, y) == kBackground;
        if (background && top < 0)
            top = y;
        else if (!background && top >= 0)
            bottom = y;
    }
    if (top < 0 || bottom < 0)
        return std::nullopt;
    const int side = std::min(width, bottom - top) - 30;
    return Board{(width - side) / 2, top + 10, side / 4};
}

// The first cell whose inside does not show the solved photo, or "". The
// empty cell's background would show at its centre, and a frame's dark
// edge near its corners.
std::string SolvedDifference(const WindowImage& image, const Board& board) {
    for (int k = 0; k < 16; ++k) {
        for (auto [fx, fy] : {std::pair{3, 3}, {1, 1}, {5, 1}, {1, 5}, {5, 5}}) {
            auto seen = image.At(board.X(k % 4, fx), board.Y(k / 4, fy));
            if (!Near(seen, kUpright[k]))
                return "cell " + std::to_string(k) + " shows " + Show(seen) + ", not " + Show(kUpright[k]);
        }
    }
    return "";
}

class Photos : public ::testing::Test {
protected:
    void SetUp() override {
        if (Executable().empty())
            GTEST_SKIP() << "TESSERIN_EXE is not set";
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X display";
    }

    std::optional<Board> WaitForBoard(unsigned long window, std::function<bool(const WindowImage&, const Board&)> isReady) {
        std::optional<Board> found;
        bool ready = WaitFor([&] {
            auto geometry = WindowGeometry(window);
            auto image = GrabWindow(window);
            if (!geometry || !image)
                return false;
            found = FindBoard(*image, geometry->width, geometry->height);
            return found && isReady(*image, *found);
        }, 30s);
        return ready ? found : std::nullopt;
    }

    // Slides the piece left of the empty cell there and back: every piece
    // home, so the board shows the whole photo without frames.
    void ExpectUprightWhenSolved(Program& program, unsigned long window, const std::string& what) {
        // The picture is in once the piece left of the empty cell is no
        // longer a numbered tile's blue.
        auto board = WaitForBoard(window, [](const WindowImage& image, const Board& b) {
            return Near(image.At(b.X(3, 3), b.Y(3, 3)), kBackground) &&
                   !Near(image.At(b.X(2, 3), b.Y(3, 3)), Pixel{30, 30, 230});
        });
        ASSERT_TRUE(board) << what << ": no picture on the board";
        ASSERT_TRUE(ClickAt(window, board->X(2, 3), board->Y(3, 3)));
        ASSERT_TRUE(WaitForBoard(window, [](const WindowImage& image, const Board& b) {
            return Near(image.At(b.X(2, 3), b.Y(3, 3)), kBackground);
        })) << what << ": the piece did not slide";
        ASSERT_TRUE(ClickAt(window, board->X(3, 3), board->Y(3, 3)));
        std::string difference = "no board";
        bool solved = static_cast<bool>(WaitForBoard(window, [&](const WindowImage& image, const Board& b) {
            difference = SolvedDifference(image, b);
            return difference.empty();
        }));
        solved = solved && difference.empty();
        if (!solved)
            SaveWindow(window, program.Folder() + "/../tesserin-e2e-photo-" + what + ".png");
        EXPECT_TRUE(solved) << what << ": " << difference;
    }

    void ExitAndExpectRemembered(Program& program, unsigned long window, const std::string& photo) {
        // File > exit, the last entry of the menu.
        ASSERT_TRUE(ClickAt(window, 20, 10));
        auto popup = program.FindPopup(window, 20s);
        ASSERT_TRUE(popup) << "the File menu did not open";
        auto geometry = WindowGeometry(*popup);
        ASSERT_TRUE(geometry);
        ASSERT_TRUE(ClickAt(*popup, geometry->width / 2, geometry->height - 14));
        int status = -1;
        ASSERT_TRUE(program.WaitForExit(30s, &status)) << "the program did not end";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const std::string settings = program.ReadSettings();
        EXPECT_EQ(IniValue(settings, "Settings", "Image"), photo) << settings;
        EXPECT_EQ(IniValue(settings, "Recent File List", "File1"), photo) << settings;
    }

    std::string Title(const std::string& photo) { return photo.substr(photo.rfind('/') + 1) + " - tesserin"; }
};

TEST_F(Photos, ASidewaysPhotoOpensUprightByEveryRoute) {
    struct Route {
        const char* name;
        // xdotool types other than ASCII by remapping a key for a moment,
        // which a loaded machine can miss: the dialog gets a plain name.
        const char* file;
        std::vector<std::string> (*arguments)(const std::string& photo);
        // Opens the photo in the running program, whose main window is window.
        void (*open)(Program& program, unsigned long window, const std::string& photo);
    };
    const Route routes[] = {
        {"command-line", "携帯の写真 #1.jpg", [](const std::string& photo) { return std::vector<std::string>{photo}; },
         [](Program&, unsigned long, const std::string&) {}},
        {"open-dialog", "phone photo 1.jpg", [](const std::string&) { return std::vector<std::string>{}; },
         [](Program& program, unsigned long window, const std::string& photo) {
             // File > open image: the second entry of the File menu.
             ASSERT_TRUE(ClickAt(window, 20, 10));
             ASSERT_TRUE(program.FindPopup(window, 20s)) << "the File menu did not open";
             ASSERT_TRUE(PressKeys("Down Down Return"));
             auto dialog = program.FindWindowTitled("Open", 30s);
             ASSERT_TRUE(dialog) << "the open dialog did not appear";
             ASSERT_TRUE(FocusWindow(*dialog));
             ASSERT_TRUE(TypeText(photo));
             // The name field's completion list may take the first Enter.
             bool closed = false;
             for (int attempt = 0; attempt < 2 && !closed; ++attempt) {
                 ASSERT_TRUE(PressKeys("Return"));
                 closed = WaitFor([&] { return program.WindowsTitled("Open").empty(); }, 15s);
             }
             ASSERT_TRUE(closed) << "the open dialog did not take the name";
         }},
        {"dropped", "携帯の写真 #1.jpg", [](const std::string&) { return std::vector<std::string>{}; },
         [](Program&, unsigned long window, const std::string& photo) {
             auto geometry = WindowGeometry(window);
             ASSERT_TRUE(geometry);
             DropOutcome drop = DropFile(window, geometry->width / 2, geometry->height / 2, photo, 30s);
             EXPECT_TRUE(drop.aware) << "the window does not take drops";
             EXPECT_TRUE(drop.accepted) << "the drop was refused";
             EXPECT_TRUE(drop.delivered) << "the file's name was never asked for";
             EXPECT_TRUE(drop.finished) << "the drop never finished";
         }},
    };
    for (const Route& route : routes) {
        SCOPED_TRACE(route.name);
        Program program(Executable());
        program.WriteSettings("[Settings]\n");
        const std::string photo = program.Folder() + "/" + route.file;
        ASSERT_TRUE(WriteSidewaysPhoto(photo));
        program.Start(route.arguments(photo));
        auto window = program.FindMainWindow(kWindowTimeout);
        ASSERT_TRUE(window) << "no main window appeared";
        route.open(program, *window, photo);
        if (HasFatalFailure())
            return;
        EXPECT_TRUE(WaitFor([&] { return WindowTitle(*window) == Title(photo); }, 20s)) << WindowTitle(*window);
        ExpectUprightWhenSolved(program, *window, route.name);
        ExitAndExpectRemembered(program, *window, photo);

        // The next start, with no name given, comes back to the photo, upright.
        program.Start();
        window = program.FindMainWindow(kWindowTimeout);
        ASSERT_TRUE(window) << "no main window appeared";
        EXPECT_TRUE(WaitFor([&] { return WindowTitle(*window) == Title(photo); }, 20s)) << WindowTitle(*window);
        ExpectUprightWhenSolved(program, *window, std::string(route.name) + "-reopened");
        ExitAndExpectRemembered(program, *window, photo);
    }
}

TEST(FileUriTest, EveryByteOutsideTheUnreservedSetIsEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"/tmp/a.jpg", "file:///tmp/a.jpg"},
        {"/tmp/photo #1.jpg", "file:///tmp/photo%20%231.jpg"},
        {"/tmp/写", "file:///tmp/%E5%86%99"},
        {"/a%b?c", "file:///a%25b%3Fc"},
    };
    for (const auto& [path, uri] : cases)
        EXPECT_EQ(FileUri(path), uri) << path;
}

}  // namespace
