#pragma once
// The frame of a test of the real program: where its executable is, a
// fixture that skips without it, and the steps every test takes alike.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/XSession.h"

namespace e2e {

// Generous: sanitizer builds on a loaded machine start slowly.
constexpr std::chrono::seconds kWindowTimeout{60};

// The program under test (TESSERIN_EXE), or "".
std::string Executable();

// Skipped without a program to start or an X display to start it on.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
};

// Starts the program and waits for its main window; 0, and a failure,
// when none appears.
unsigned long StartProgram(Program& program, const std::vector<std::string>& arguments = {});
// Opens the File menu by clicking its title; its popup.
std::optional<unsigned long> OpenFileMenu(Program& program, unsigned long window);
// The window's place as the settings text stores it.
void ExpectPlacement(const std::string& settings, const char* left, const char* top, const char* width,
                     const char* height);
// Clicks the File menu's first entry, or its last.
void ChooseFromFileMenu(Program& program, unsigned long window, bool last);
// File > open image, the second entry: types path into the dialog.
void OpenThroughDialog(Program& program, unsigned long window, const std::string& path);
// File > exit, the last entry: the program must end with status 0.
void ExitThroughFileMenu(Program& program, unsigned long window);
// The program, told to, must end with status 0.
void ExpectCleanExit(Program& program);

}  // namespace e2e
