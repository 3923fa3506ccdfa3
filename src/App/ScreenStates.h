#pragma once
// The in-game state's two key handlers, named so that each can be tried on
// its own without a keyboard.

// The local controller moves from the player (and the player's car) to the
// free camera, or back.
void ToggleFreeCamera();
// No screen up: the in-game menu opens; the save screen: it closes; any
// other screen: the running mission hears Back.
void HandleMenuKey();
