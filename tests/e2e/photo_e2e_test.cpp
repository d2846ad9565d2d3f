// A phone's photo, stored sideways with an EXIF orientation, opened in the
// real program from the command line, the open dialog and a file manager's
// drop: each time the board shows it upright, and the program remembers it.
// A HEIF photo turned by its own rotation and in Display P3 shows upright in
// sRGB; a broken AVIF ends in its message and the numbers; a WebP opens
// through the dialog.

#include <gtest/gtest.h>
#include <webp/encode.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/ProgramTest.h"
#include "tests/e2e/ScreenCheck.h"
#include "tests/e2e/XSession.h"
#include "tests/e2e/XdndSource.h"
#include "tests/readers/DisplayP3.h"
#include "tests/readers/HeifTestPicture.h"
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
            const Pixel& p =
                bottom ? (right ? kStoredBottomRight : kStoredBottomLeft) : (right ? kStoredTopRight : kStoredTopLeft);
            params.pixels.insert(params.pixels.end(),
                                 {static_cast<std::uint8_t>(p.red), static_cast<std::uint8_t>(p.green),
                                  static_cast<std::uint8_t>(p.blue)});
        }
    }
    std::ofstream out(path, std::ios::binary);
    out << jpegtest::encode_jpeg(params);
    return static_cast<bool>(out);
}

// The sideways photo as it shows upright, 200 x 400, losslessly in WebP.
bool WriteUprightWebp(const std::string& path) {
    constexpr int kWidth = 200, kHeight = 400;
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool left = x < kWidth / 2;
            const bool top = y < kHeight / 2;
            const Pixel& p =
                top ? (left ? kStoredBottomLeft : kStoredTopLeft) : (left ? kStoredBottomRight : kStoredTopRight);
            rgb.insert(rgb.end(), {static_cast<std::uint8_t>(p.red), static_cast<std::uint8_t>(p.green),
                                   static_cast<std::uint8_t>(p.blue)});
        }
    }
    std::uint8_t* encoded = nullptr;
    const std::size_t size = WebPEncodeLosslessRGB(rgb.data(), kWidth, kHeight, kWidth * 3, &encoded);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(encoded), static_cast<std::streamsize>(size));
    WebPFree(encoded);
    return size > 0 && static_cast<bool>(out);
}

class Photos : public ProgramTest {
protected:
    // Slides the piece left of the empty cell there and back: every piece
    // home, so the board shows the whole photo without frames.
    void ExpectUprightWhenSolved(const Program& program, unsigned long window, const std::string& what,
                                 const Cells& upright = kUpright) {
        // The picture is in once the piece left of the empty cell is no
        // longer a numbered tile's blue.
        ASSERT_EQ(WaitForBoard(window,
                               [](const WindowImage& image, const BoardOnScreen& b) {
                                   return Near(image.At(b.X(3, 3), b.Y(3, 3)), kBackground, kSlack) &&
                                                  !Near(image.At(b.X(2, 3), b.Y(3, 3)), kTileFace, kSlack)
                                              ? ""
                                              : "no picture on the board";
                               }),
                  "")
            << what;
        ASSERT_TRUE(ClickCell(window, 3, 2));
        ASSERT_EQ(WaitForBoard(window,
                               [](const WindowImage& image, const BoardOnScreen& b) {
                                   return Near(image.At(b.X(2, 3), b.Y(3, 3)), kBackground, kSlack)
                                              ? ""
                                              : "the piece did not slide";
                               }),
                  "")
            << what;
        ASSERT_TRUE(ClickCell(window, 3, 3));
        ExpectBoard(
            program, window,
            [&upright](const WindowImage& image, const BoardOnScreen& board) {
                std::string difference;
                for (int k = 0; k < 16 && difference.empty(); ++k)
                    difference = InsideDifference(image, board, k, upright[k], kSlack);
                return difference;
            },
            "photo-" + what);
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
        // Opens the photo in the running program, whose main window is
        // window; none: the photo is named on the command line.
        void (*open)(Program& program, unsigned long window, const std::string& photo);
    };
    const Route routes[] = {
        {"command-line", "携帯の写真 #1.jpg", nullptr},
        {"open-dialog", "phone photo 1.jpg", OpenThroughDialog},
        {"dropped", "携帯の写真 #1.jpg",
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
        unsigned long window = StartProgram(program, route.open ? std::vector<std::string>{} : std::vector{photo});
        ASSERT_NE(window, 0u);
        if (route.open) route.open(program, window, photo);
        if (HasFatalFailure()) return;
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

// The HEIF photo's quadrants in sRGB, placed as kUpright places the JPEG's.
Cells UprightInSrgb() {
    Pixel q[4];
    for (int i = 0; i < 4; ++i) {
        const heiftest::Sample s = heiftest::kQuadrants[i];
        const Color c = p3test::p3_in_srgb(Color(s.red, s.green, s.blue));
        q[i] = Pixel{c.red, c.green, c.blue};
    }
    return {kWhite, q[2], q[0], kWhite, kWhite, q[2], q[0], kWhite,
            kWhite, q[3], q[1], kWhite, kWhite, q[3], q[1], kWhite};
}

TEST_F(Photos, AHeifPhotoShowsUprightInSrgbAndABrokenAvifShowsNumbers) {
    Program program(Executable());
    program.WriteSettings("[Settings]\n");
    const std::string photo = program.Folder() + "/IMG_0001.HEIC";
    std::filesystem::copy_file(std::string(TESSERIN_HEIF_FILES) + "/e2e-photo.heic", photo);
    unsigned long window = StartProgram(program, {photo});
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(WaitFor([&] { return WindowTitle(window) == Title(photo); }, 20s)) << WindowTitle(window);
    ExpectUprightWhenSolved(program, window, "heif", UprightInSrgb());
    ASSERT_NO_FATAL_FAILURE(ExitThroughFileMenu(program, window));

    // Cut in the middle of its coded picture.
    const std::string broken = program.Folder() + "/broken.avif";
    std::filesystem::copy_file(std::string(TESSERIN_HEIF_FILES) + "/plain.avif", broken);
    std::filesystem::resize_file(broken, std::filesystem::file_size(broken) - 100);
    program.Start({broken});
    auto box = program.FindWindowTitled("tesserin", kWindowTimeout);
    ASSERT_TRUE(box) << "no message box appeared";
    ASSERT_TRUE(FocusWindow(*box));
    ASSERT_TRUE(PressKeys("Return"));
    EXPECT_TRUE(WaitFor([&] { return program.WindowsTitled("tesserin").empty(); }, 20s)) << "the message box stayed";
    auto main_window = program.FindMainWindow(kWindowTimeout);
    ASSERT_TRUE(main_window) << "no main window appeared";
    ExpectBoard(
        program, *main_window,
        [](const WindowImage& image, const BoardOnScreen& board) { return NumbersDifference(image, board, 15); },
        "broken-avif");
    ExitThroughFileMenu(program, *main_window);
}

TEST_F(Photos, AWebpOpensThroughTheDialog) {
    Program program(Executable());
    program.WriteSettings("[Settings]\n");
    const std::string photo = program.Folder() + "/wallpaper.WEBP";
    ASSERT_TRUE(WriteUprightWebp(photo));
    unsigned long window = StartProgram(program);
    ASSERT_NE(window, 0u);
    ASSERT_NO_FATAL_FAILURE(OpenThroughDialog(program, window, photo));
    EXPECT_TRUE(WaitFor([&] { return WindowTitle(window) == Title(photo); }, 20s)) << WindowTitle(window);
    ExpectUprightWhenSolved(program, window, "webp");
    ExitAndExpectRemembered(program, window, photo);
}

}  // namespace
