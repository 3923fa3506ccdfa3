#pragma once
// SDL scan codes to DirectInput key codes. Both name the physical key, so a
// key keeps its code whatever the keyboard layout.

#include <SDL2/SDL.h>

#include "platform/win32/Win32Types.h"

namespace KeyCodes {

// The DIK code of the key, or 0 for a key DirectInput has no code for.
BYTE FromScancode(SDL_Scancode scancode);

} // namespace KeyCodes
