#pragma once
// Drawing text needs a running Qt GUI application. Plain C++ code (tests,
// benchmarks) calls this before its first drawing; the program itself makes
// its application in main() and this then does nothing.

namespace platform {

// Creates a QApplication once if none exists. Without a display it picks
// the off-screen platform so it also works headless.
void EnsureGuiApplication();

}  // namespace platform
