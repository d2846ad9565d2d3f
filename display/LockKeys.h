#pragma once
// Whether a keyboard lock key is on, for the status bar's indicators. Only
// the X11 platform can tell; elsewhere every key reads as off.

namespace display {

enum class LockKey { Caps, Num, Scroll };

bool IsLockKeyOn(LockKey key);

}  // namespace display
