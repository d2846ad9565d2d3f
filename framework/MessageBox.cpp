#include "framework/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "framework/FrameworkTexts.h"
#include "framework/View.h"

namespace framework {

namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

void AfxMessageBox(const std::string& text) {
    // A box takes the input: a capture held now would never see its button
    // come up, and with it held the box could not be clicked.
    if (View* view = View::GetCapture()) view->OnCancelMode();
    const std::string caption = GetFrameworkTexts().appTitle;  // a hook may replace the texts
    if (Hook()) {
        Hook()(caption, text);
        return;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // No window system to show it on: the message still reaches the user.
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    MessageBoxHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

}  // namespace framework
