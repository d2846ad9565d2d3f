#include <cstdio>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "shell/Resource.h"
#include "shell/tesserinApp.h"

int main(int argc, char** argv) {
    // Answered before any window exists, so they work without a display.
    std::vector<std::string> arguments(argv + 1, argv + argc);
    switch (framework::ParseCommandLine(arguments).command) {
        case framework::CommandLineInfo::PrintVersion:
            std::printf("tesserin %s\n", TESSERIN_VERSION);
            return 0;
        case framework::CommandLineInfo::PrintHelp:
            std::fputs(res::kUsage, stdout);
            return 0;
        default:
            break;
    }
    CtesserinApp theApp;
    // File names stay the bytes they are: a name that is no valid UTF-8
    // still opens.
    theApp.SetArguments(argc, argv);
    return theApp.Run(argc, argv);
}
