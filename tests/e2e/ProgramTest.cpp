#include "tests/e2e/ProgramTest.h"

#include <sys/wait.h>

#include <cstdlib>

using namespace std::chrono_literals;

namespace e2e {

std::string Executable() {
    const char* path = std::getenv("TESSERIN_EXE");
    return path ? path : "";
}

void ProgramTest::SetUp() {
    if (Executable().empty()) GTEST_SKIP() << "TESSERIN_EXE is not set";
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
}

unsigned long StartProgram(Program& program, const std::vector<std::string>& arguments) {
    program.Start(arguments);
    auto window = program.FindMainWindow(kWindowTimeout);
    EXPECT_TRUE(window) << "no main window appeared";
    return window.value_or(0);
}

std::optional<unsigned long> OpenFileMenu(Program& program, unsigned long window) {
    EXPECT_TRUE(ClickAt(window, 20, 10));
    return program.FindPopup(window, 20s);
}

void OpenThroughDialog(Program& program, unsigned long window, const std::string& path) {
    ASSERT_TRUE(OpenFileMenu(program, window)) << "the File menu did not open";
    ASSERT_TRUE(PressKeys("Down Down Return"));
    // Qt's own dialog, with its untranslated title.
    auto dialog = program.FindWindowTitled("Open", 30s);
    ASSERT_TRUE(dialog) << "the open dialog did not appear";
    ASSERT_TRUE(FocusWindow(*dialog));
    ASSERT_TRUE(TypeText(path));
    // The name field's completion list may take the first Enter.
    bool closed = false;
    for (int attempt = 0; attempt < 2 && !closed; ++attempt) {
        ASSERT_TRUE(PressKeys("Return"));
        closed = WaitFor([&] { return program.WindowsTitled("Open").empty(); }, 15s);
    }
    if (!closed) SaveWindow(*dialog, program.Folder() + "/../tesserin-e2e-dialog.png");
    ASSERT_TRUE(closed) << "the open dialog did not take the name";
}

void ExpectPlacement(const std::string& settings, const char* left, const char* top, const char* width,
                     const char* height) {
    EXPECT_EQ(IniValue(settings, "Settings", "left"), left) << settings;
    EXPECT_EQ(IniValue(settings, "Settings", "top"), top);
    EXPECT_EQ(IniValue(settings, "Settings", "width"), width);
    EXPECT_EQ(IniValue(settings, "Settings", "height"), height);
}

void ChooseFromFileMenu(Program& program, unsigned long window, bool last) {
    auto popup = OpenFileMenu(program, window);
    ASSERT_TRUE(popup) << "the File menu did not open";
    auto geometry = WindowGeometry(*popup);
    ASSERT_TRUE(geometry);
    ASSERT_TRUE(ClickAt(*popup, geometry->width / 2, last ? geometry->height - 14 : 14));
}

void ExitThroughFileMenu(Program& program, unsigned long window) {
    ASSERT_NO_FATAL_FAILURE(ChooseFromFileMenu(program, window, true));
    ExpectCleanExit(program);
}

void ExpectCleanExit(Program& program) {
    int status = -1;
    ASSERT_TRUE(program.WaitForExit(30s, &status)) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "exit status " << status;
}

}  // namespace e2e
