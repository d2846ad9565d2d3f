// The about box: template 100 at its converted places, the link painted as a
// blue underlined label over the dialog's background, its cursor, a press
// that opens the README and leaves the box open, the events it passes on,
// and which README the link points to.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <functional>
#include <set>

#include "framework/UrlOpener.h"
#include "shell/AboutDlg.h"
#include "shell/Resource.h"
#include "tests/shell/AppFixture.h"

namespace {

constexpr const char* kTarget = "file:///tmp/tesserin-about-test/README.md";

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = framework::SetUrlOpenerHook([this](const std::string& url) { opened.push_back(url); });
        CAboutDlg::SetLink(1002, "説明書", kTarget);
    }
    void TearDown() override { framework::SetUrlOpenerHook(previous_); }

    // The box as it shows, with its background painted.
    QImage Shot(CAboutDlg& dialog) {
        dialog.show();
        QApplication::processEvents();
        return dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    std::vector<std::string> opened;

private:
    framework::UrlOpenerHook previous_;
};

TEST_F(AboutTest, TemplateHundredStandsAtItsConvertedPlaces) {
    CAboutDlg dialog;
    dialog.Create();
    EXPECT_EQ(dialog.Template().id, 100);
    EXPECT_EQ(dialog.windowTitle(), QString("バージョン情報 tesserin"));
    const framework::DialogBaseUnits base = dialog.BaseUnits();
    ASSERT_EQ(base.x, 6);  // IPAGothic 9 points: 6-pixel half-width letters
    const int y = base.y;
    auto down = [y](int units) { return (units * y + 4) / 8; };  // vertical units, rounded
    EXPECT_EQ(dialog.size(), QSize(353, down(55)));              // 235 * 6 / 4 = 352.5

    struct Expected {
        const char* text;  // the control found by its text ("" for the icon)
        QRect pixels;      // hand-converted with x = 6 / 4 pixels per unit
    };
    const Expected controls[] = {
        {"", QRect(17, down(17), 30, down(20))},                      // 11,17 20x20
        {"tesserin Version 1.0", QRect(60, down(10), 179, down(8))},  // 40,10 119x8
        {"スライドパズル", QRect(59, down(25), 110, down(8))},        // 39,25 73x8
        {"スタティック", QRect(159, down(25), 47, down(8))},          // 106,25 31x8
    };
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 4);
    for (const Expected& e : controls) {
        QLabel* found = nullptr;
        for (QLabel* label : labels)
            if (label->text() == QString(e.text)) found = label;
        ASSERT_TRUE(found) << e.text;
        EXPECT_EQ(found->geometry(), e.pixels) << e.text;
    }
    EXPECT_EQ(dialog.GetDlgItem(1002)->geometry(), QRect(159, down(25), 47, down(8)));
    EXPECT_FALSE(labels[0]->pixmap().isNull());  // the icon

    auto* ok = qobject_cast<QPushButton*>(dialog.GetDlgItem(1));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->text(), QString("OK"));
    EXPECT_EQ(ok->geometry(), QRect(267, down(7), 75, down(16)));  // 178,7 50x16
    EXPECT_TRUE(ok->isDefault());
}

TEST_F(AboutTest, TheLinkIsBlueAndUnderlinedOnTheDialogsBackgroundAndItsOwnTextNeverShows) {
    CAboutDlg dialog;
    dialog.Create();
    const QImage shot = Shot(dialog);
    const QRect link = dialog.GetDlgItem(1002)->geometry();
    // The label and its underline fit the control, or they would be cut off.
    const QFontMetrics metrics(CAboutDlg::LinkFont());
    const int labelWidth = metrics.horizontalAdvance(QString("説明書"));
    EXPECT_LE(labelWidth, link.width());
    EXPECT_LE(QFontMetrics(dialog.font()).horizontalAdvance(QString("説明書")), link.width());
    EXPECT_LT(metrics.ascent() + metrics.underlinePos(), link.height());
    EXPECT_TRUE(CAboutDlg::LinkFont().underline());

    const QRgb background = shot.pixel(link.right(), link.bottom());  // beyond the label's end
    EXPECT_EQ(background, shot.pixel(2, 2));                          // the dialog's own background shows through

    int blue = 0, longestRun = 0, stray = 0;
    for (int y = link.top(); y <= link.bottom(); ++y) {
        int run = 0;
        for (int x = link.left(); x <= link.right(); ++x) {
            const QRgb p = shot.pixel(x, y);
            if (p == qRgb(0, 0, 255)) {
                ++blue;
                longestRun = std::max(longestRun, ++run);
            } else {
                run = 0;
            }
            // Only blue over the background: black text of the control's own
            // would leave grey or black pixels (red = green = blue).
            if (p != background && !(qRed(p) == qGreen(p) && qBlue(p) > qRed(p))) ++stray;
        }
    }
    EXPECT_EQ(stray, 0);
    EXPECT_GT(blue, 20);
    // The underline: one row of blue as long as the label (less a pixel at each end).
    EXPECT_GE(longestRun, labelWidth - 2);
}

TEST_F(AboutTest, HandOverTheLinkArrowElsewhere) {
    CAboutDlg dialog;
    dialog.Create();
    Shot(dialog);
    QWidget* link = dialog.GetDlgItem(1002);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(link, &enter);
    EXPECT_EQ(dialog.cursor().shape(), Qt::ArrowCursor);
    for (QWidget* control : dialog.findChildren<QWidget*>())
        EXPECT_EQ(control->cursor().shape(), control == link ? Qt::PointingHandCursor : Qt::ArrowCursor)
            << control->metaObject()->className();
}

TEST_F(AboutTest, PressingTheLinkOpensTheTargetAndLeavesTheBoxOpen) {
    CAboutDlg dialog;
    dialog.Create();
    Shot(dialog);
    QWidget* link = dialog.GetDlgItem(1002);
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(opened, std::vector<std::string>{kTarget});
    EXPECT_TRUE(dialog.isVisible());
    // Pressing elsewhere in the box opens nothing.
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(link, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(opened.size(), 1u);
    // The settings are the class's: a later SetLink changes every box.
    CAboutDlg::SetLink(1002, "説明書", "file:///elsewhere");
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(opened.back(), "file:///elsewhere");
}

// Records the events that get past the link's handler to the control.
class Spy : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        seen.insert(event->type());
        return false;
    }
    std::set<QEvent::Type> seen;
};

// Installs the spy before the link's handler, so the spy sees only what the
// handler passes on.
class SpiedAboutDlg : public CAboutDlg {
public:
    Spy spy;

protected:
    bool OnInitDialog() override {
        GetDlgItem(1002)->installEventFilter(&spy);
        return CAboutDlg::OnInitDialog();
    }
};

TEST_F(AboutTest, EventsTheLinkDoesNotHandleReachTheControl) {
    SpiedAboutDlg dialog;
    dialog.Create();
    dialog.show();
    QApplication::processEvents();
    QWidget* link = dialog.GetDlgItem(1002);
    struct Case {
        QEvent::Type type;
        std::function<void()> send;
        bool reaches;
    };
    const QPointF at(5, 5);
    const Case cases[] = {
        {QEvent::Paint, [&] { link->repaint(); }, false},
        {QEvent::Enter,
         [&] {
             QEvent e(QEvent::Enter);
             QApplication::sendEvent(link, &e);
         },
         false},
        {QEvent::MouseButtonPress, [&] { QTest::mousePress(link, Qt::RightButton, {}, at.toPoint()); }, true},
        {QEvent::MouseButtonRelease, [&] { QTest::mouseRelease(link, Qt::RightButton, {}, at.toPoint()); }, true},
        {QEvent::MouseMove,
         [&] {
             // With a button held: without one Qt gives moves only to tracking widgets.
             QMouseEvent e(QEvent::MouseMove, at, link->mapToGlobal(at), Qt::NoButton, Qt::RightButton, {});
             QApplication::sendEvent(link, &e);
         },
         true},
        {QEvent::Leave,
         [&] {
             QEvent e(QEvent::Leave);
             QApplication::sendEvent(link, &e);
         },
         true},
        // A left press is the link's own; its release goes on.
        {QEvent::MouseButtonPress, [&] { QTest::mousePress(link, Qt::LeftButton, {}, at.toPoint()); }, false},
        {QEvent::MouseButtonRelease, [&] { QTest::mouseRelease(link, Qt::LeftButton, {}, at.toPoint()); }, true},
        {QEvent::Resize, [&] { link->resize(link->width() + 1, link->height()); }, true},
        {QEvent::Hide, [&] { link->hide(); }, true},
    };
    for (const Case& c : cases) {
        dialog.spy.seen.clear();
        c.send();
        EXPECT_EQ(dialog.spy.seen.count(c.type) == 1, c.reaches) << c.type;
    }
}

TEST(ReadmeTarget, TheInstalledCopyForAnInstalledProgramElseTheProjects) {
    const shell::ReadmePlaces places{"/usr/bin", "/usr/share/doc/tesserin/README.md", "/src/tesserin/README.md"};
    struct Case {
        const char* programDir;
        std::set<std::string> existing;
        const char* chosen;
    };
    const Case cases[] = {
        {"/usr/bin", {places.installed, places.source}, "/usr/share/doc/tesserin/README.md"},
        {"/src/tesserin/build/shell", {places.installed, places.source}, "/src/tesserin/README.md"},
        {"/tmp/copy", {places.installed, places.source}, "/src/tesserin/README.md"},
        // The preferred copy is gone: the other one, when it is there.
        {"/usr/bin", {places.source}, "/src/tesserin/README.md"},
        {"/tmp/copy", {places.installed}, "/usr/share/doc/tesserin/README.md"},
        {"/usr/bin", {}, "/usr/share/doc/tesserin/README.md"},
        {"", {}, "/src/tesserin/README.md"},
    };
    for (const Case& c : cases) {
        auto exists = [&c](const std::string& path) { return c.existing.count(path) == 1; };
        EXPECT_EQ(shell::ChooseReadme(c.programDir, places, exists), c.chosen) << c.programDir;
    }
}

TEST(ReadmeTarget, ThisBuildsLinkIsAFileAddressOfTheReadme) {
    const QUrl url(QString::fromStdString(shell::ReadmeUrl()));
    ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
    EXPECT_TRUE(url.toLocalFile().endsWith("/README.md"));
    QFile readme(url.toLocalFile());
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    EXPECT_EQ(readme.readLine().trimmed(), QByteArray("# tesserin"));
}

}  // namespace
