#pragma once
// What DirectInput must know of the system cursor: SetCursorPos moves the
// pointer, and SDL reports that move as mouse motion. That motion is the
// game's own doing, not the player's, so it must not become mouse movement.

#include <SDL2/SDL.h>

namespace CursorWarp {

// True for the motion that lands on the target of the last SetCursorPos
// (window coordinates) soon after it; that motion is then consumed. Every
// other motion is the player's.
bool ConsumeEcho(int windowX, int windowY, Uint32 timestamp);

} // namespace CursorWarp
