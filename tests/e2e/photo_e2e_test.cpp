// A phone's photo, stored sideways with an EXIF orientation, opened in the
// real program from the command line, the open dialog and a file manager's
// drop: each time the board shows it upright, and the program remembers it.

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/ProgramTest.h"
#include "tests/e2e/ScreenCheck.h"
#include "tests/e2e/XSession.h"
#include "tests/e2e/XdndSource.h"
#include "tests/readers/JpegWriter.h"

using namespace std::chrono_literals;
using namespace e2e;

namespace {

constexpr Pixel kWhite{255, 255, 255};
// Compression and scaling move flat colours a little.
constexpr int kSlack = 12;

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

using Board = BoardOnScreen;

// The first cell whose inside does not show the solved photo, or "". The
// empty cell's background would show at its centre, and a frame's dark
// edge near its corners.
std::string SolvedDifference(const WindowImage& image, const Board& board) {
    for (int k = 0; k < 16; ++k) {
        for (auto [fx, fy] : {std::pair{3, 3}, {1, 1}, {5, 1}, {1, 5}, {5, 5}}) {
            auto seen = image.At(board.X(k % 4, fx), board.Y(k / 4, fy));
            if (!Near(seen, kUpright[k], kSlack))
                return "cell " + std::to_string(k) + " shows " + Show(seen) + ", not " + Show(kUpright[k]);
        }
    }
    return "";
}

class Photos : public ProgramTest {
protected:
    std::optional<Board> WaitForBoard(unsigned long window, std::function<bool(const WindowImage&, const Board&)> isReady) {
        std::optional<Board> found;
        bool ready = WaitFor([&] {
            auto image = GrabWindow(window);
            if (!image)
                return false;
            found = FindBoard(*image);
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
            return Near(image.At(b.X(3, 3), b.Y(3, 3)), kBackground, kSlack) &&
                   !Near(image.At(b.X(2, 3), b.Y(3, 3)), kTileFace, kSlack);
        });
        ASSERT_TRUE(board) << what << ": no picture on the board";
        ASSERT_TRUE(ClickAt(window, board->X(2, 3), board->Y(3, 3)));
        ASSERT_TRUE(WaitForBoard(window, [](const WindowImage& image, const Board& b) {
            return Near(image.At(b.X(2, 3), b.Y(3, 3)), kBackground, kSlack);
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
        ASSERT_NO_FATAL_FAILURE(ExitThroughFileMenu(program, window));
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
         OpenThroughDialog},
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
        unsigned long window = StartProgram(program, route.arguments(photo));
        ASSERT_NE(window, 0u);
        route.open(program, window, photo);
        if (HasFatalFailure())
            return;
        EXPECT_TRUE(WaitFor([&] { return WindowTitle(window) == Title(photo); }, 20s)) << WindowTitle(window);
        ExpectUprightWhenSolved(program, window, route.name);
        ExitAndExpectRemembered(program, window, photo);

        // The next start, with no name given, comes back to the photo, upright.
        window = StartProgram(program);
        ASSERT_NE(window, 0u);
        EXPECT_TRUE(WaitFor([&] { return WindowTitle(window) == Title(photo); }, 20s)) << WindowTitle(window);
        ExpectUprightWhenSolved(program, window, std::string(route.name) + "-reopened");
        ExitAndExpectRemembered(program, window, photo);
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
