#pragma once
// The event boundary (a Qt header: framework/ and shell/ only). No exception
// of the standard family that a handler throws ends the program: it is caught
// where the event that ran the handler is delivered, its what() text is shown
// in the framework's message box, and the event loop goes on.
//
// The framework's own handlers (the view's, command routing) catch in their
// own code and report here, so the exception never unwinds through Qt's
// frames; QtApplication::notify catches whatever else gets that far. The box
// is shown once the failed event has returned to the loop, never inside a
// paint, one at a time. A handler that fails often fails again at once (a
// paint on every repaint, a drag on every move), so a text already shown or
// waiting is not shown again until the player presses a button or a key.

#include <QApplication>
#include <exception>

namespace framework {

// The Qt application the framework runs in.
class QtApplication : public QApplication {
public:
    QtApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// A handler failed: its text is shown unless it is already news.
void ReportHandlerFailure(const std::exception& error);

// Runs handler; an exception of the standard family is reported instead of
// passed on. False when the handler failed.
template <class Handler>
bool RunGuarded(Handler&& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        ReportHandlerFailure(error);
        return false;
    }
}

}  // namespace framework
