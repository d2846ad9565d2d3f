// The framework's tests run inside the framework's own Qt application, so
// events reach their handlers through its event boundary, as in the program.

#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/EventBoundary.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The dialog tests drive Qt's own file dialog, the same on every desktop.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    framework::QtApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
