#pragma once
// The game's own commands, handled by the view; the program's menu and tool
// bar send them. Below the framework's range (framework/CommandIds.h).

namespace doc {

inline constexpr int kIdCoarser = 130;  // fewer, larger pieces
inline constexpr int kIdFiner = 131;    // more, smaller pieces
inline constexpr int kIdShuffle = 132;

}  // namespace doc
