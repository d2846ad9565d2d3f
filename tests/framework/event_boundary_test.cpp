// Exceptions that escape handlers inside the event loop: shown after the
// failed event, once until the player acts, and the loop goes on. Real Qt events drive the handlers;
// the binary runs in the framework's own Qt application (test_main.cpp).

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/EventBoundary.h"
#include "framework/FrameWindow.h"
#include "framework/MessageBox.h"
#include "framework/View.h"
#include "image/Errors.h"
#include "image/Messages.h"

namespace {

using messages::kExecError;
using messages::kNotSupported;

void SendMove(QWidget* widget, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// A view whose handlers throw while failing is set.
class FailingView : public framework::View {
public:
    void OnDraw(platform::DeviceContext&) override {
        if (failDraw) throw exec_error(failDraw);
    }
    void OnLButtonDown(unsigned, Point) override {
        SetCapture();
        if (failPress) throw exec_error(failPress);
    }
    void OnMouseMove(unsigned flags, Point) override {
        if (failMove && (flags & kLeftButton)) throw exec_error(failMove);
    }
    void OnLButtonUp(unsigned, Point) override {
        if (failRelease) throw exec_error(failRelease);
        ReleaseCapture();
    }
    void OnCancelMode() override {
        ++cancelled;
        View::OnCancelMode();
    }

    const char* failDraw = nullptr;
    const char* failPress = nullptr;
    const char* failMove = nullptr;
    const char* failRelease = nullptr;
    int cancelled = 0;
};

// A plain widget: its failure reaches the application's notify().
class FailingWidget : public QWidget {
public:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        if (fail) throw exec_error(fail);
        QPainter(this).fillRect(rect(), Qt::white);
    }
    const char* fail = nullptr;
    int paints = 0;
};

// A frame with one command whose handler throws the next text, and a tool
// button for it.
class CommandFrame : public framework::FrameWindow {
public:
    static constexpr int kId = 4242;
    CommandFrame() {
        MapCommand(kId, [this] {
            ++runs;
            if (!texts.empty()) {
                std::string text = texts.front();
                texts.erase(texts.begin());
                throw exec_error(text.c_str());
            }
        });
        bar_ = addToolBar("tools");
        action_ = CommandAction(kId, "go", "go");
        bar_->addAction(action_);
    }
    QToolButton* Button() { return qobject_cast<QToolButton*>(bar_->widgetForAction(action_)); }
    std::vector<std::string> texts;
    int runs = 0;

private:
    QToolBar* bar_;
    QAction* action_;
};

class EventBoundaryTest : public ::testing::Test {
public:
    void SetUp() override {
        // A key of the player's: what earlier tests showed is no longer known.
        QWidget keys;
        QTest::keyClick(&keys, Qt::Key_Shift);
        previousHook = framework::SetMessageBoxHook([this](const std::string&, const std::string& text) {
            ++depth;
            // Set by Qt for as long as the widget's paint event runs.
            bool insidePaint = painted && painted->testAttribute(Qt::WA_WState_InPaintEvent);
            Box box{text, depth, insidePaint};
            boxes.push_back(box);
            if (whileShown) whileShown();
            --depth;
        });
    }
    void TearDown() override {
        Drain();
        framework::SetMessageBoxHook(previousHook);
    }

    static void Drain() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }

    // A shown frame holding a FailingView.
    void ShowView() {
        frame = std::make_unique<framework::FrameWindow>();
        viewOwner = std::make_unique<FailingView>();
        view = viewOwner.get();
        view->Create(frame.get());
        painted = view->Widget();
        frame->resize(200, 150);
        frame->show();
        Drain();
    }
    void Repaint(QWidget* widget) {
        widget->update();
        Drain();
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Box& box : boxes) texts.push_back(box.text);
        return texts;
    }

    struct Box {
        std::string text;
        int depth;
        bool insidePaint;
    };
    std::vector<Box> boxes;
    int depth = 0;
    std::function<void()> whileShown;
    QWidget* painted = nullptr;  // the widget whose paint a box must not be inside
    std::unique_ptr<framework::FrameWindow> frame;
    std::unique_ptr<FailingView> viewOwner;
    FailingView* view = nullptr;
    framework::MessageBoxHook previousHook;
};

TEST_F(EventBoundaryTest, AHandlerThatKeepsFailingGivesOneBoxUntilThePlayerActs) {
    struct Case {
        const char* name;
        const char* FailingView::*failure;
        std::function<void(EventBoundaryTest&)> events;  // hit the handler, many times
        std::function<void(EventBoundaryTest&)> act;     // the player presses a button or a key
    };
    const Case cases[] = {
        {"the view's drawing, over many repaints, until a key", &FailingView::failDraw,
         [](EventBoundaryTest& t) {
             for (int i = 0; i < 6; ++i) {
                 t.view->Invalidate();
                 Drain();
             }
         },
         [](EventBoundaryTest& t) {
             QTest::keyClick(t.view->Widget(), Qt::Key_A);
             Drain();
         }},
        {"a drag whose every move fails, until the next press", &FailingView::failMove,
         [](EventBoundaryTest& t) {
             for (int x = 11; x < 60; ++x) SendMove(t.view->Widget(), QPoint(x, 10), Qt::LeftButton);
             Drain();
         },
         [](EventBoundaryTest& t) {
             QWidget* w = t.view->Widget();
             QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(60, 10));
             QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
             Drain();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        ShowView();
        QTest::mousePress(view->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        view->*c.failure = kExecError;
        c.events(*this);
        ASSERT_EQ(Texts(), std::vector<std::string>{kExecError});
        EXPECT_FALSE(boxes[0].insidePaint);
        c.events(*this);
        EXPECT_EQ(boxes.size(), 1u);
        // Going through in between is no news either: the player did nothing.
        view->*c.failure = nullptr;
        c.events(*this);
        view->*c.failure = kExecError;
        c.events(*this);
        EXPECT_EQ(boxes.size(), 1u);
        c.act(*this);
        c.events(*this);
        EXPECT_EQ(Texts(), std::vector<std::string>(2, kExecError));
        EXPECT_FALSE(boxes[1].insidePaint);
        view->*c.failure = nullptr;
        QTest::mouseRelease(view->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        painted = nullptr;
        frame.reset();
        viewOwner.reset();
        view = nullptr;
    }
}

TEST_F(EventBoundaryTest, AFailingPaintOutsideTheFrameworkIsStoppedAtTheApplication) {
    FailingWidget widget;
    painted = &widget;
    widget.resize(80, 60);
    widget.show();
    Drain();
    widget.fail = kExecError;
    for (int i = 0; i < 5; ++i) widget.repaint();  // synchronous: inside the paint machinery
    Drain();
    EXPECT_GE(widget.paints, 5);
    EXPECT_EQ(Texts(), std::vector<std::string>{kExecError});
    // Another text from the same widget is shown.
    widget.fail = kNotSupported;
    Repaint(&widget);
    EXPECT_EQ(Texts(), (std::vector<std::string>{kExecError, kNotSupported}));
    for (const Box& box : boxes) EXPECT_FALSE(box.insidePaint);
    widget.fail = nullptr;
    painted = nullptr;
}

TEST_F(EventBoundaryTest, ACommandThatFailsIsShownEveryTimeAndTheLoopGoesOn) {
    CommandFrame commandFrame;
    commandFrame.texts = {kExecError, kExecError, kNotSupported};
    commandFrame.show();
    Drain();
    QToolButton* button = commandFrame.Button();
    ASSERT_NE(button, nullptr);
    // Each box clicks the button again; the fourth click succeeds and ends
    // the loop, which must still be running by then.
    whileShown = [button] { QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); }); };
    bool timedOut = false;
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (commandFrame.runs >= 4) QCoreApplication::exit(0);
    });
    watch.start(5);
    QTimer::singleShot(10000, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(commandFrame.runs, 4);
    EXPECT_EQ(Texts(), (std::vector<std::string>{kExecError, kExecError, kNotSupported}));
    for (const Box& box : boxes) EXPECT_EQ(box.depth, 1);
}

TEST_F(EventBoundaryTest, FailuresWhileABoxIsUpWaitForItNotInsideIt) {
    ShowView();
    view->failPress = kExecError;
    // The box's own event loop repaints the view, which now fails another way.
    whileShown = [this] {
        view->failDraw = kNotSupported;
        for (int i = 0; i < 2; ++i) {
            view->Invalidate();
            Drain();
        }
    };
    QTest::mousePress(view->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    Drain();
    whileShown = nullptr;
    view->failDraw = nullptr;
    ASSERT_EQ(Texts(), (std::vector<std::string>{kExecError, kNotSupported}));
    EXPECT_EQ(boxes[0].depth, 1);
    EXPECT_EQ(boxes[1].depth, 1);
    EXPECT_FALSE(boxes[1].insidePaint);
    QTest::mouseRelease(view->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
}

TEST_F(EventBoundaryTest, AFailedGestureOrABoxNeverLeavesThePointerCaptured) {
    struct Case {
        const char* name;
        const char* FailingView::*handler;  // null: nothing fails
        int gestures;                       // the last one is checked before its button comes up...
        bool release;                       // ...unless it comes up first
        bool box;                           // an unrelated box is shown while the button is held
        bool captured;
        int cancelled;
        std::size_t boxes;
    };
    const Case cases[] = {
        {"a press that succeeds keeps its capture", nullptr, 1, false, false, true, 0, 0},
        {"and its release ends it", nullptr, 1, true, false, false, 0, 0},
        {"a press that fails after capturing", &FailingView::failPress, 1, false, false, false, 1, 1},
        // The player pressed again: the same text is shown again.
        {"a press that fails again", &FailingView::failPress, 2, false, false, false, 2, 2},
        {"a move that fails mid-drag", &FailingView::failMove, 1, false, false, false, 1, 1},
        {"a release that fails before releasing", &FailingView::failRelease, 1, true, false, false, 1, 1},
        {"a box shown during a drag", nullptr, 1, false, true, false, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        ShowView();
        if (c.handler) view->*c.handler = kExecError;
        QWidget* w = view->Widget();
        for (int i = 0; i < c.gestures; ++i) {
            const bool last = i + 1 == c.gestures;
            QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
            SendMove(w, QPoint(30, 10), Qt::LeftButton);
            if (!last || c.release) QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
            if (last && c.box) framework::AfxMessageBox(kNotSupported);
            Drain();
        }
        EXPECT_EQ(view->HasCapture(), c.captured);
        EXPECT_EQ(framework::View::GetCapture(), c.captured ? view : nullptr);
        // The capture never grabs the screen's pointer.
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        EXPECT_EQ(view->cancelled, c.cancelled);
        EXPECT_EQ(boxes.size(), c.boxes);
        if (!c.release) QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
        painted = nullptr;
        frame.reset();
        viewOwner.reset();
        view = nullptr;
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    }
}

}  // namespace
