#pragma once
// A whole-game test's play as a list of stages, each run every frame (on a
// steady frame time) until it says it is over or its frames run out; the
// window is closed after the last stage, or after a last frame whatever
// happens. For RunGameInPlay, or from the front end on for RunGameScripted.

#include <cstdint>
#include <functional>
#include <vector>

#include <SDL2/SDL.h>

#include "Core/Game.h"

struct PlayStage {
    int maxFrames;
    // Given the stage's own frame count from 0; true when the stage is over.
    std::function<bool(int frame)> step;
    // The stage's own frame time; 0 for the run's.
    uint32_t frameMilliseconds = 0;
};

// Installs `stages` (kept by the caller) and returns the state to run in
// play's stead. `lastStage` is set to the number of stages ended so far.
ScreenState StagedPlay(const std::vector<PlayStage>& stages, uint32_t frameMilliseconds, int lastFrame,
                       int& lastStage);
// The same in the front end's stead: the stages run over the menus, and
// each time the menus enter play (New Game, Continue, a loaded slot) they
// go on in play's stead.
ScreenState StagedFrontEnd(const std::vector<PlayStage>& stages, uint32_t frameMilliseconds, int lastFrame,
                           int& lastStage);

// Types `keys`, one every FRAMES_PER_KEY frames of the stage; true once all
// are typed.
bool TypeKeys(const std::vector<SDL_Scancode>& keys, int frame);
enum { FRAMES_PER_KEY = 3 };
