#pragma once
// Dropping a file on a window as a file manager does: this process plays
// the drag source of the X drag-and-drop protocol (XDND), offering the
// file's URI as text/uri-list.

#include <chrono>
#include <string>

namespace e2e {

// What became of a drop; each step is the target's answer to the one before.
struct DropOutcome {
    bool aware = false;      // the window announces XDND
    bool accepted = false;   // its status answer accepted the position
    bool delivered = false;  // it asked for the data and got the URI list
    bool finished = false;   // it said the drop was done
};

// Drags the local file at path over the window to (x, y) of it and drops it.
DropOutcome DropFile(unsigned long window, int x, int y, const std::string& path, std::chrono::milliseconds timeout);

// The file URI of a local path, every byte outside the unreserved set
// percent-encoded.
std::string FileUri(const std::string& path);

}  // namespace e2e
