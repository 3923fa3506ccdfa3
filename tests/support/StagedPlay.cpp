#include "support/StagedPlay.h"

#include "App/Application.h"
#include "Core/Game.h"
#include "support/FrameTime.h"
#include "support/SdlEvents.h"

namespace {

const std::vector<PlayStage>* s_pStages = nullptr;
uint32_t s_FrameMilliseconds = 16;
int s_LastFrame = 0;
int* s_pLastStage = nullptr;
int s_Frame = 0;
int s_Stage = 0;
int s_StageFrame = 0;

void RunStage()
{
    const int count = static_cast<int>(s_pStages->size());
    if (s_Stage >= count)
        return;
    const PlayStage& stage = (*s_pStages)[static_cast<size_t>(s_Stage)];
    const bool over = stage.step(s_StageFrame) || s_StageFrame >= stage.maxFrames;
    ++s_StageFrame;
    if (!over)
        return;
    ++s_Stage;
    s_StageFrame = 0;
    *s_pLastStage = s_Stage;
    if (s_Stage == count)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
}

uint32_t StageFrameMilliseconds()
{
    if (s_Stage >= static_cast<int>(s_pStages->size()))
        return s_FrameMilliseconds;
    const uint32_t own = (*s_pStages)[static_cast<size_t>(s_Stage)].frameMilliseconds;
    return own != 0 ? own : s_FrameMilliseconds;
}

int PlayFrame();

// Play entered again (the state stack grows each time) goes on staged.
void RunFrame(ScreenState state)
{
    ++s_Frame;
    SetFrameTime(StageFrameMilliseconds());
    RunStage();
    state();
    if (g_Game.GetCurrentState() == InGameState)
        g_Game.PushState(PlayFrame);
    if (s_Frame == s_LastFrame)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
}

int PlayFrame()
{
    RunFrame(InGameState);
    return 1;
}

int FrontEndFrame()
{
    RunFrame(FrontEndState);
    return 1;
}

void Install(const std::vector<PlayStage>& stages, uint32_t frameMilliseconds, int lastFrame, int& lastStage)
{
    s_pStages = &stages;
    s_FrameMilliseconds = frameMilliseconds;
    s_LastFrame = lastFrame;
    s_pLastStage = &lastStage;
    s_Frame = 0;
    s_Stage = 0;
    s_StageFrame = 0;
    lastStage = 0;
}

} // namespace

ScreenState StagedPlay(const std::vector<PlayStage>& stages, uint32_t frameMilliseconds, int lastFrame,
                       int& lastStage)
{
    Install(stages, frameMilliseconds, lastFrame, lastStage);
    return PlayFrame;
}

ScreenState StagedFrontEnd(const std::vector<PlayStage>& stages, uint32_t frameMilliseconds, int lastFrame,
                           int& lastStage)
{
    Install(stages, frameMilliseconds, lastFrame, lastStage);
    return FrontEndFrame;
}

bool TypeKeys(const std::vector<SDL_Scancode>& keys, int frame)
{
    const size_t key = static_cast<size_t>(frame / FRAMES_PER_KEY);
    if (key >= keys.size())
        return true;
    if (frame % FRAMES_PER_KEY == 0)
        PushKey(keys[key], true);
    if (frame % FRAMES_PER_KEY == 1)
        PushKey(keys[key], false);
    return false;
}
