#pragma once
// The commands the framework itself handles. A program's menus and tool bar
// use these ids for them and keep their own ids below this range.

namespace framework {

inline constexpr int kIdFileNew = 57600;
inline constexpr int kIdFileOpen = 57601;
inline constexpr int kIdFileMruFirst = 57616;  // recent file 1
inline constexpr int kIdFileMruLast = 57631;   // recent file 16
inline constexpr int kIdAppAbout = 57664;      // the program maps it to its about box
inline constexpr int kIdAppExit = 57665;

}  // namespace framework
