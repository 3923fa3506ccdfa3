#pragma once
// The whole game in play (entered as New Game enters it) on a steady frame,
// driven by a list of stages: each runs every frame with its own frame count
// until it says it is over or its frames run out; the game closes after the
// last stage, or at a frame limit should one never end.

#include <cstdint>
#include <functional>
#include <vector>

struct PlayStage {
    int maxFrames;
    std::function<bool(int frame)> step;
};

// WinMain's result; `stagesEnded` gets how many stages ran to their end.
int RunStagesInPlay(const std::vector<PlayStage>& stages, uint32_t frameMilliseconds, int lastFrame,
                    int& stagesEnded);
