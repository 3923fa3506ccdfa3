#pragma once
// The whole game run as a player starts it, with a test's script in the
// front end's place.

#include "Core/Game.h"

// Runs WinMain in the working directory. Once the front end is up, the
// game's clock (read early in every frame) pushes `scripted`, which then runs
// every frame in its stead and calls FrontEndState itself. Returns WinMain's
// result.
int RunGameScripted(ScreenState scripted);
