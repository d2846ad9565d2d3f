#include <cstdio>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "shell/tesserinApp.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (framework::ParseCommandLine(arguments).command == framework::CommandLineInfo::PrintVersion) {
        std::printf("tesserin %s\n", TESSERIN_VERSION);
        return 0;
    }
    CtesserinApp theApp;
    // File names stay the bytes they are: a name that is no valid UTF-8
    // still opens.
    theApp.SetArguments(argc, argv);
    return theApp.Run(argc, argv);
}
