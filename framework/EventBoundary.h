#pragma once
// The event boundary (a Qt header: framework/ and shell/ only). No exception
// of the standard family that a handler throws ends the program: it is caught
// where the event that ran the handler is delivered, its what() text is shown
// in the framework's message box, and the event loop goes on.
//
// The framework's own handlers (the view's, command routing) catch in their
// own code and report here, so the exception never unwinds through Qt's
// frames; QtApplication::notify catches whatever else gets that far. The box
// is shown after the failed event has returned to the loop, never inside a
// paint, one at a time, and a source that keeps failing the same way is not
// shown again (see FailureReports).

#include <QApplication>
#include <exception>

namespace framework {

// The Qt application the framework runs in.
class QtApplication : public QApplication {
public:
    QtApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// A handler failed while the current event was delivered.
void ReportHandlerFailure(const std::exception& error);
// A command the user chose failed: shown however often the command fails.
void ReportCommandFailure(const std::exception& error);
// A handler of the current event went through, for events that may also
// complete without running it (a surface's paint that only shows).
void ReportHandlerSuccess();

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
