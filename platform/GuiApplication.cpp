#include "platform/GuiApplication.h"

#include <QApplication>
#include <cerrno>
#include <cstdlib>

namespace platform {

void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    const bool hasDisplay = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && !hasDisplay) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    // QApplication keeps references to argc and argv for its whole life. The
    // name is the process's own, as main() would have passed it.
    static int argc = 1;
    static char* argv[] = {program_invocation_name, nullptr};
    // Kept until exit on purpose: destroying it among static destructors
    // would run after parts of Qt are already gone.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

}  // namespace platform
