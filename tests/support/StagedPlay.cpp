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

int PlayFrame()
{
    ++s_Frame;
    SetFrameTime(s_FrameMilliseconds);
    RunStage();
    InGameState();
    if (s_Frame == s_LastFrame)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

} // namespace

ScreenState StagedPlay(const std::vector<PlayStage>& stages, uint32_t frameMilliseconds, int lastFrame,
                       int& lastStage)
{
    s_pStages = &stages;
    s_FrameMilliseconds = frameMilliseconds;
    s_LastFrame = lastFrame;
    s_pLastStage = &lastStage;
    s_Frame = 0;
    s_Stage = 0;
    s_StageFrame = 0;
    lastStage = 0;
    return PlayFrame;
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
