#include "framework/UrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace framework {

namespace {
UrlOpenerHook& Hook() {
    static UrlOpenerHook hook;
    return hook;
}
}  // namespace

void OpenUrl(const std::string& target) {
    if (Hook()) {
        Hook()(target);
        return;
    }
    QDesktopServices::openUrl(QUrl(QString::fromStdString(target)));
}

UrlOpenerHook SetUrlOpenerHook(UrlOpenerHook hook) {
    UrlOpenerHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

}  // namespace framework
