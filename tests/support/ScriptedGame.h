#pragma once
// The whole game run as a player starts it, with a test's script in the
// front end's place.

#include "Core/Game.h"
#include "platform/d3dx8/D3DX8Math.h"

// Runs WinMain in the working directory. Once the front end is up, the
// game's clock (read early in every frame) pushes `scripted`, which then runs
// every frame in its stead and calls FrontEndState itself. Returns WinMain's
// result.
int RunGameScripted(ScreenState scripted);
// The same, with play entered as New Game enters it and the menu closed over
// it; `play` then runs every frame in the in-game state's stead and calls
// InGameState itself.
int RunGameInPlay(ScreenState play);

// The level's population pool places nobody from now on (its spawn nodes are
// dropped): for whole-game tests of something else, whose frames the pool's
// traffic and police would change, and for the console, which names agents
// by their place in the level's list.
void QuietThePool();

// The player put on the ground at `position`, facing `target` across the
// ground, standing still: where steering there by hand would be fragile.
void PlacePlayer(const D3DXVECTOR3& position, const D3DXVECTOR3& target);
