#pragma once
// The upper halves of the wide vector registers, as other code leaves them.

namespace platform {

// Clears the upper halves of the 256- and 512-bit registers where the
// processor has them. Code built for plain SSE runs several times slower
// while they are marked in use, and some library code (Qt's solid fills
// among it) returns without clearing them; they then stay so until the next
// task switch. Cheap; call it before a long scalar loop.
void ClearUpperVectorState();

}  // namespace platform
