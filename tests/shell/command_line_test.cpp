// The built program answers --help and --version by itself: no window, no
// display, exit code 0.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <string>

#include "shell/Resource.h"

namespace {

struct Outcome {
    std::string out;
    int exitCode = -1;
};

// Runs the program with no display of any kind.
Outcome RunProgram(const std::string& arguments) {
    std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '") + TESSERIN_PROGRAM +
                          "' " + arguments + " 2>/dev/null";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return outcome;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, n);
    int status = pclose(pipe);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

TEST(ProgramCommandLine, HelpAndVersionPrintAndExitWithoutAWindow) {
    const std::string version = "^tesserin [0-9]+\\.[0-9]+(\\.[0-9]+)*\n$";
    struct Case {
        std::string arguments;
        std::string pattern;  // the whole of stdout
    };
    const Case cases[] = {
        {"--version", version},
        {"--help", "^使い方: tesserin "},
        {"-h", "^使い方: tesserin "},
        // Qt's own options come first in a desktop entry's command line.
        {"-platform xcb --version", version},
        {"photo.png -h", "^使い方: tesserin "},
        {"--version --help", version},
        {"--help --version", "^使い方: tesserin "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        Outcome outcome = RunProgram(c.arguments);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_TRUE(std::regex_search(outcome.out, std::regex(c.pattern))) << outcome.out;
        if (c.pattern != version) {
            EXPECT_EQ(outcome.out, res::kUsage);
            for (const char* option : {"-h, --help", "--version", "[画像ファイル]"})
                EXPECT_NE(outcome.out.find(option), std::string::npos) << option;
        }
    }
}

}  // namespace
