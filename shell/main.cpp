#include <cstdio>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "shell/tesserinApp.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (platform::ParseCommandLine(arguments).command == platform::CommandLineInfo::PrintVersion) {
        std::printf("tesserin %s\n", TESSERIN_VERSION);
        return 0;
    }
    CtesserinApp theApp;
    return theApp.Run(argc, argv);
}
