// Dialogs from templates: dialog units converted by the dialog's font, the
// font's face replaced by the installed Japanese one, controls at their
// places, and the ways a modal dialog ends. The URL opener's hook.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "framework/Dialog.h"
#include "framework/UrlOpener.h"

namespace {

using framework::DialogBaseUnits;
using framework::DialogControl;
using framework::DialogTemplate;

TEST(DialogUnits, EachOfPositionAndSizeIsScaledAndRoundedToTheNearestPixel) {
    struct Case {
        QRect units;
        DialogBaseUnits base;
        QRect pixels;
    };
    const Case cases[] = {
        // x = units * base.x / 4, y = units * base.y / 8, halves rounded up.
        {QRect(11, 17, 20, 20), {6, 13}, QRect(17, 28, 30, 33)},    // 16.5, 27.625, 30, 32.5
        {QRect(0, 0, 235, 55), {6, 13}, QRect(0, 0, 353, 89)},      // 352.5, 89.375
        {QRect(106, 25, 31, 8), {7, 16}, QRect(186, 50, 54, 16)},   // 185.5, 50, 54.25, 16
        {QRect(178, 7, 50, 16), {8, 15}, QRect(356, 13, 100, 30)},  // 356, 13.125, 100, 30
        {QRect(1, 1, 1, 1), {5, 11}, QRect(1, 1, 1, 1)},            // 1.25, 1.375
        {QRect(3, 3, 3, 3), {2, 4}, QRect(2, 2, 2, 2)},             // 1.5, 1.5
        {QRect(-3, -5, 0, 0), {6, 12}, QRect(-5, -8, 0, 0)},        // -4.5, -7.5: away from zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(framework::MapDialogRect(c.units, c.base), c.pixels) << c.units.x() << "," << c.units.y();
}

TEST(DialogUnits, AFaceTheDesktopLacksBecomesTheInstalledJapaneseFace) {
    struct Case {
        const char* face;
        const char* family;  // what the font resolves to
    };
    const Case cases[] = {
        {"MS UI Gothic", "IPAGothic"},
        {"ＭＳ Ｐゴシック", "IPAGothic"},
        {"DejaVu Sans", "DejaVu Sans"},  // an installed face stays
        {"IPAPGothic", "IPAPGothic"},
    };
    for (const Case& c : cases) {
        const QFont font = framework::DialogFont(c.face, 9);
        EXPECT_EQ(QFontInfo(font).family(), QString(c.family)) << c.face;
        EXPECT_EQ(font.pointSize(), 9) << c.face;
    }
}

TEST(DialogUnits, BaseUnitsAreTheLetterWidthAverageAndTheCharacterHeight) {
    // IPAGothic is monospaced: every Latin letter is as wide as "x".
    for (int points : {9, 12, 20}) {
        const QFont font = framework::DialogFont("MS UI Gothic", points);
        const QFontMetrics metrics(font);
        const DialogBaseUnits base = framework::BaseUnitsOf(font);
        EXPECT_EQ(base.x, metrics.horizontalAdvance(QChar('x'))) << points;
        EXPECT_EQ(base.y, metrics.ascent() + metrics.descent()) << points;
    }
    // 9 points at 96 dots per inch is a 12-pixel em: half-width letters of 6.
    EXPECT_EQ(framework::BaseUnitsOf(framework::DialogFont("MS UI Gothic", 9)).x, 6);
}

// A dialog of two texts and OK/Cancel that records its initialisation.
class SampleDialog : public framework::Dialog {
public:
    explicit SampleDialog(std::vector<std::string>& log) : framework::Dialog(Sample()), log_(log) {}

    static DialogTemplate Sample() {
        DialogTemplate t;
        t.id = 7;
        t.caption = "見本";
        t.size = QSize(160, 40);
        t.fontFace = "MS UI Gothic";
        t.fontPoints = 9;
        t.controls = {
            {DialogControl::Kind::Text, framework::kIdStatic, QRect(5, 5, 60, 8), "A&B", {}, false},
            {DialogControl::Kind::Text, 1000, QRect(5, 20, 60, 8), "二行目", {}, false},
            {DialogControl::Kind::PushButton, framework::kIdOk, QRect(100, 5, 50, 14), "OK", {}, true},
            {DialogControl::Kind::PushButton, framework::kIdCancel, QRect(100, 22, 50, 14), "取消", {}, false},
        };
        return t;
    }

protected:
    bool OnInitDialog() override {
        log_.push_back(GetDlgItem(1000) && GetDlgItem(framework::kIdOk) ? "init with controls" : "init without");
        return framework::Dialog::OnInitDialog();
    }

private:
    std::vector<std::string>& log_;
};

TEST(Dialog, ControlsStandAtTheirConvertedPlacesInTheDialogFont) {
    std::vector<std::string> log;
    SampleDialog dialog(log);
    dialog.Create();
    dialog.Create();  // once only
    EXPECT_EQ(log, std::vector<std::string>{"init with controls"});
    EXPECT_EQ(dialog.windowTitle(), QString("見本"));
    EXPECT_EQ(QFontInfo(dialog.font()).family(), QString("IPAGothic"));
    const DialogBaseUnits base = dialog.BaseUnits();
    ASSERT_EQ(base.x, 6);  // 9 points at 96 dots per inch is a 12-pixel em: half-width letters of 6
    const int y = base.y;
    EXPECT_EQ(dialog.size(), QSize(240, (40 * y + 4) / 8));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());  // a modal frame: no resizing

    auto* second = qobject_cast<QLabel*>(dialog.GetDlgItem(1000));
    auto* ok = qobject_cast<QPushButton*>(dialog.GetDlgItem(framework::kIdOk));
    auto* cancel = qobject_cast<QPushButton*>(dialog.GetDlgItem(framework::kIdCancel));
    ASSERT_TRUE(second && ok && cancel);
    EXPECT_EQ(dialog.GetDlgItem(framework::kIdStatic), nullptr);
    EXPECT_EQ(dialog.GetDlgItem(4711), nullptr);
    EXPECT_EQ(second->geometry(), QRect(8, (20 * y + 4) / 8, 90, y));
    EXPECT_EQ(ok->geometry(), QRect(150, (5 * y + 4) / 8, 75, (14 * y + 4) / 8));
    EXPECT_EQ(cancel->geometry(), QRect(150, (22 * y + 4) / 8, 75, (14 * y + 4) / 8));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(cancel->isDefault());
    EXPECT_EQ(second->text(), QString("二行目"));
    // "&" is no mnemonic marker in a text.
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    QLabel* first = labels[0] == second ? labels[1] : labels[0];
    EXPECT_EQ(first->text(), QString("A&B"));
    EXPECT_EQ(first->textFormat(), Qt::PlainText);
    EXPECT_EQ(dialog.cursor().shape(), Qt::ArrowCursor);
}

TEST(Dialog, OkEnterEscapeAndCancelEndTheModalDialog) {
    struct Case {
        const char* how;
        std::function<void(SampleDialog&)> act;
        int result;
    };
    const Case cases[] = {
        {"Enter", [](SampleDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }, framework::kIdOk},
        {"keypad Enter", [](SampleDialog& d) { QTest::keyClick(&d, Qt::Key_Enter); }, framework::kIdOk},
        {"Escape", [](SampleDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, framework::kIdCancel},
        {"OK clicked", [](SampleDialog& d) { QTest::mouseClick(d.GetDlgItem(framework::kIdOk), Qt::LeftButton); },
         framework::kIdOk},
        {"Cancel clicked",
         [](SampleDialog& d) { QTest::mouseClick(d.GetDlgItem(framework::kIdCancel), Qt::LeftButton); },
         framework::kIdCancel},
        {"closed", [](SampleDialog& d) { d.close(); }, framework::kIdCancel},
    };
    for (const Case& c : cases) {
        std::vector<std::string> log;
        SampleDialog dialog(log);
        bool wasModal = false;
        QTimer::singleShot(0, &dialog, [&] {
            wasModal = QApplication::activeModalWidget() == &dialog;
            c.act(dialog);
        });
        // A dialog that does not end fails the case instead of hanging the run.
        QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); });
        EXPECT_EQ(dialog.DoModal(), c.result) << c.how;
        EXPECT_TRUE(wasModal) << c.how;
        EXPECT_FALSE(dialog.isVisible()) << c.how;
    }
}

}  // namespace
