// The about box of the real program on a virtual X display: opened from the
// Help menu and from the tool bar's question-mark button, its link drawn
// blue and underlined, the hand cursor over the link and the arrow beside
// it, a click that hands the README to the desktop's opener (a stand-in
// xdg-open that records its argument) and leaves the box open, and Escape.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImage>

#include <X11/cursorfont.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/e2e/ProgramTest.h"
#include "tests/e2e/XDesktop.h"
#include "tests/e2e/XSession.h"

using namespace std::chrono_literals;
using namespace e2e;

namespace {

constexpr const char* kBoxTitle = "^バージョン情報 tesserin$";

// Mostly blue: at least half covered by blue ink on a light background.
bool Bluish(QRgb p) { return qBlue(p) >= 200 && qRed(p) <= 150 && qGreen(p) <= 150; }

// The link's label as the box shows it, found by its underline: the
// longest unbroken row of pure blue (the icon's blue is darker).
struct LinkOnScreen {
    int underline = 0;  // its length
    int row = -1;
    int left = 0;
    int glyphs = 0;  // bluish pixels in the text line over the underline
    int below = 0;   // bluish pixels in the two rows under it
    QPoint Centre() const { return QPoint(left + underline / 2, row - 6); }
};

LinkOnScreen FindLink(const QImage& shot) {
    LinkOnScreen link;
    for (int y = 0; y < shot.height(); ++y) {
        int run = 0;
        for (int x = 0; x < shot.width(); ++x) {
            run = shot.pixel(x, y) == qRgb(0, 0, 255) ? run + 1 : 0;
            if (run > link.underline) {
                link.underline = run;
                link.row = y;
                link.left = x - run + 1;
            }
        }
    }
    for (int x = link.left; x < link.left + link.underline; ++x) {
        for (int y = std::max(0, link.row - 16); y < link.row; ++y) link.glyphs += Bluish(shot.pixel(x, y));
        for (int y = link.row + 1; y < std::min(shot.height(), link.row + 3); ++y)
            link.below += Bluish(shot.pixel(x, y));
    }
    return link;
}

class AboutEndToEnd : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped()) return;
        // Without a desktop session Qt hands addresses to xdg-open found on
        // PATH; this one only writes down what it was given.
        char pattern[] = "/tmp/tesserin-opener-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        openerFolder_ = pattern;
        record_ = openerFolder_ + "/opened";
        const std::string opener = openerFolder_ + "/xdg-open";
        std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << record_ << "'\n";
        ASSERT_EQ(chmod(opener.c_str(), 0755), 0);
        const char* path = std::getenv("PATH");
        previousPath_ = path ? path : "";
        setenv("PATH", (openerFolder_ + ":" + previousPath_).c_str(), 1);
    }

    void TearDown() override {
        if (openerFolder_.empty()) return;
        setenv("PATH", previousPath_.c_str(), 1);
        std::error_code ec;
        std::filesystem::remove_all(openerFolder_, ec);
    }

    std::string Opened() const { return ReadFile(record_); }

    unsigned long Start(Program& program) {
        program.WriteSettings("[Settings]\n");
        return StartProgram(program);
    }

    // Everything the box does once it is open; it ends closed with Escape.
    void CheckBox(unsigned long box) {
        EXPECT_EQ(WindowTitle(box), "バージョン情報 tesserin");
        LinkOnScreen link;
        ASSERT_TRUE(WaitFor([&] { return (link = FindLink(GrabWindowQImage(box))).underline >= 20; }, 20s))
            << "no blue underlined link: longest blue row " << link.underline;
        // The label's glyphs stand over the underline, in blue; the underline
        // is the label's lowest row and no longer than the link control.
        EXPECT_GE(link.glyphs, 20);
        EXPECT_EQ(link.below, 0);
        EXPECT_LE(link.underline, 60);
        if (link.glyphs < 20 || link.below != 0) GrabWindowQImage(box).save("/tmp/tesserin-about-e2e.png");

        // The cursors, as the X server shows them.
        const auto hand = FontCursor(XC_hand2);
        const auto arrow = FontCursor(XC_left_ptr);
        ASSERT_TRUE(hand && arrow) << "no XFixes";
        auto is = [](const std::optional<CursorShot>& shot, const CursorShot& font,
                     std::initializer_list<const char*> names) {
            if (!shot) return false;
            for (const char* name : names)
                if (shot->name == name) return true;
            return shot->SameImage(font);
        };
        const QPoint centre = link.Centre();
        std::optional<CursorShot> shown;
        ASSERT_TRUE(MovePointer(box, 4, 4));
        EXPECT_TRUE(WaitFor(
            [&] {
                return is(shown = CurrentCursor(), *arrow, {"left_ptr", "default", "arrow"});
            },
            10s))
            << "over the box: cursor '" << (shown ? shown->name : "?") << "'";
        ASSERT_TRUE(MovePointer(box, centre.x(), centre.y()));
        EXPECT_TRUE(WaitFor(
            [&] {
                return is(shown = CurrentCursor(), *hand, {"pointing_hand", "pointer", "hand1", "hand2", "hand"});
            },
            10s))
            << "over the link: cursor '" << (shown ? shown->name : "?") << "'";
        ASSERT_TRUE(MovePointer(box, 4, centre.y()));
        EXPECT_TRUE(WaitFor(
            [&] {
                return is(shown = CurrentCursor(), *arrow, {"left_ptr", "default", "arrow"});
            },
            10s))
            << "beside the link: cursor '" << (shown ? shown->name : "?") << "'";

        // A click hands the README to the desktop; the box stays.
        const std::string expected = "file://" + std::string(TESSERIN_README) + "\n";
        const std::size_t before = Opened().size();
        ASSERT_TRUE(ClickAt(box, centre.x(), centre.y()));
        EXPECT_TRUE(WaitFor([&] { return Opened().size() > before; }, 20s)) << "the opener was not called";
        EXPECT_EQ(Opened().substr(before), expected);
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(WindowVisible(box)) << "the box closed on the click";

        ASSERT_TRUE(TypeKeys(box, "Escape"));
        EXPECT_TRUE(WaitFor([&] { return !WindowVisible(box); }, 20s)) << "Escape did not close the box";
    }

private:
    std::string openerFolder_;
    std::string record_;
    std::string previousPath_;
};

TEST_F(AboutEndToEnd, TheHelpMenuOpensTheBox) {
    Program program(Executable());
    unsigned long window = Start(program);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(TypeKeys(window, "alt+h"));
    auto popup = program.FindPopup(window, 20s);
    ASSERT_TRUE(popup) << "the Help menu did not open";
    auto geometry = WindowGeometry(*popup);
    ASSERT_TRUE(geometry);
    ASSERT_TRUE(ClickAt(*popup, geometry->width / 2, geometry->height / 2));  // its one item
    auto box = FindWindowNamed(kBoxTitle, kWindowTimeout);
    ASSERT_TRUE(box) << "no about box";
    CheckBox(*box);
    ExitThroughFileMenu(program, window);
}

TEST_F(AboutEndToEnd, TheToolBarsQuestionMarkOpensTheBox) {
    Program program(Executable());
    unsigned long window = Start(program);
    ASSERT_NE(window, 0u);
    // The question mark is the tool bar's only yellow.
    QPoint mark(-1, -1);
    ASSERT_TRUE(WaitFor(
        [&] {
            const QImage shot = GrabWindowQImage(window);
            for (int y = 0; y < std::min(shot.height(), 120); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    if (shot.pixel(x, y) == qRgb(255, 255, 0)) {
                        mark = QPoint(x, y);
                        return true;
                    }
            return false;
        },
        20s))
        << "no question-mark button";
    ASSERT_TRUE(ClickAt(window, mark.x(), mark.y()));
    auto box = FindWindowNamed(kBoxTitle, kWindowTimeout);
    ASSERT_TRUE(box) << "no about box";
    CheckBox(*box);
    ExitThroughFileMenu(program, window);
}

}  // namespace
