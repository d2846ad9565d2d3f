#include "framework/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "resources/Resource.h"

namespace framework {

namespace {
std::string& Caption() {
    static std::string caption = res::kAppTitle;
    return caption;
}
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

void SetMessageBoxCaption(const std::string& caption) { Caption() = caption; }
const std::string& MessageBoxCaption() { return Caption(); }

void AfxMessageBox(const std::string& text) {
    if (Hook()) {
        Hook()(Caption(), text);
        return;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // No window system to show it on: the message still reaches the user.
        std::fprintf(stderr, "%s: %s\n", Caption().c_str(), text.c_str());
        return;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(Caption()),
                    QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    MessageBoxHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

}  // namespace framework
