#include "support/StagedPlay.h"

#include "App/Application.h"
#include "Core/Game.h"
#include "support/FrameTime.h"
#include "support/ScriptedGame.h"

namespace {

// The game calls the play state back through a plain function.
struct Run {
    const std::vector<PlayStage>* stages = nullptr;
    uint32_t frameMilliseconds = 0;
    int lastFrame = 0;
    int frame = 0;
    int stage = 0;
    int stageFrame = 0;
};

Run s_Run;

void StepStage()
{
    const std::vector<PlayStage>& stages = *s_Run.stages;
    if (s_Run.stage >= static_cast<int>(stages.size()))
        return;
    const PlayStage& stage = stages[static_cast<size_t>(s_Run.stage)];
    const bool over = stage.step(s_Run.stageFrame) || s_Run.stageFrame + 1 >= stage.maxFrames;
    ++s_Run.stageFrame;
    if (!over)
        return;
    ++s_Run.stage;
    s_Run.stageFrame = 0;
    if (s_Run.stage == static_cast<int>(stages.size()))
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
}

int StagedPlayState()
{
    ++s_Run.frame;
    SetFrameTime(s_Run.frameMilliseconds);
    StepStage();
    InGameState();
    if (s_Run.frame == s_Run.lastFrame)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

} // namespace

int RunStagesInPlay(const std::vector<PlayStage>& stages, uint32_t frameMilliseconds, int lastFrame,
                    int& stagesEnded)
{
    s_Run = Run();
    s_Run.stages = &stages;
    s_Run.frameMilliseconds = frameMilliseconds;
    s_Run.lastFrame = lastFrame;
    const int result = RunGameInPlay(StagedPlayState);
    stagesEnded = s_Run.stage;
    return result;
}
