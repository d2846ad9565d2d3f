#pragma once
// Where this build puts the program and its files when installed, and what
// follows from it for the running program.

#include <optional>
#include <string>

#include "platform/InstallPlace.h"

namespace shell {

// The layout configured for this build.
platform::InstallLayout Installation();

// The README of an installation under prefix.
std::string InstalledReadme(const std::string& prefix);

}  // namespace shell
