// One run of the whole game for the game benchmarks, in a process of its own
// so that every start is a cold one: WinMain on a game folder, 640 x 480
// offscreen without a sound device, until the run has its figures.
//
//   startup   the time from WinMain to the first presented front-end frame;
//   frontend  the front end's frame times after its warm-up;
//   ingame    play entered from the front end, the player facing the pond
//             and holding Gas; the frame times once the walk is under way.
// Both frame runs count the game thread's heap allocations over the measured
// frames.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "Actors/GameActor.h"
#include "Core/Game.h"
#include "Core/Window.h"
#include "Display/Camera.h"
#include "Level/Level.h"
#include "Menu/MenuManager.h"
#include "game/AllocationCount.h"
#include "game/GameRun.h"
#include "platform/win32/Windows.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"

namespace {

using Clock = std::chrono::steady_clock;

// Gas's default binding.
const SDL_Scancode GAS_KEY = SDL_SCANCODE_W;
// The pond in the town; the player turns toward it before walking.
const D3DXVECTOR3 POND(430.0f, -1.5f, 240.0f);

Clock::time_point s_WinMainStart;
double s_StartUpMs = 0.0;
bool s_Presented = false;

// Every frame's start, from the first measured one to the one after the last.
std::vector<Clock::time_point> s_FrameStarts;
int s_Frame = 0;
uint64_t s_AllocationsBefore = 0;
uint64_t s_Allocations = 0;
int s_ReflectionFrames = 0;

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

void Close()
{
    PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
}

int StartUpScript()
{
    FrontEndState();
    if (!s_Presented) {
        s_StartUpMs = Milliseconds(Clock::now() - s_WinMainStart);
        s_Presented = true;
        Close();
    }
    return 1;
}

// This frame draws the pond's reflection: the last one showed water.
bool PondMirrored()
{
    return g_pLevel != nullptr && g_pActiveCamera != nullptr && g_pLevel->DrawsReflection();
}

// Called at the start of every frame: past the warm-up, stamps the frame and
// counts the allocations up to the last measured frame's end; then closes.
// True while the frame is a measured one.
bool MeasureFrame(int warmUpFrames)
{
    const int frame = s_Frame++;
    const int first = warmUpFrames;
    const int end = first + GameRun::MEASURED_FRAMES;
    if (frame < first || frame > end)
        return false;
    s_FrameStarts.push_back(Clock::now());
    if (frame == first) {
        s_AllocationsBefore = GetAllocationCount();
        CountAllocations(true);
        return true;
    }
    if (frame < end)
        return true;
    CountAllocations(false);
    s_Allocations = GetAllocationCount() - s_AllocationsBefore;
    Close();
    return false;
}

int FrontEndScript()
{
    MeasureFrame(GameRun::FRONT_END_WARM_UP_FRAMES);
    FrontEndState();
    return 1;
}

// The player turns about the vertical to look along his z row at the pond,
// and the chase camera starts again behind him.
void FacePond()
{
    CGameActor* player = g_PlayerActor;
    D3DXMATRIX& object = player->m_Model.m_matObject;
    const D3DXVECTOR3 position(object._41, object._42, object._43);
    const float yaw = std::atan2(POND.x - position.x, POND.z - position.z);
    D3DXMatrixRotationY(&object, yaw);
    object._41 = position.x;
    object._42 = position.y;
    object._43 = position.z;
    player->m_Model.UpdateWorldMatrix();
    player->SyncPhysicsPose();

    const D3DXVECTOR3 behind(object._31, 0.0f, object._33);
    g_GameCamera.SetPosition(position - behind);
    D3DXVECTOR3 eye;
    g_GameCamera.GetFollowPosition(&eye);
    g_GameCamera.SetPosition(eye);
}

// Play pushes its own state over this one; this one goes back on top and
// runs play's frames itself. The menu closes as New Game closes it.
void StartWalking()
{
    g_Game.EnterPlay();
    g_MenuManager.PopScreen();
    g_Game.PopState();
    FacePond();
    PushKey(GAS_KEY, true);
}

int InGameScript()
{
    if (s_Frame == 0)
        StartWalking();
    if (MeasureFrame(GameRun::IN_GAME_WARM_UP_FRAMES) && PondMirrored())
        ++s_ReflectionFrames;
    InGameState();
    return 1;
}

ScreenState ScriptFor(const char* run)
{
    if (std::strcmp(run, GameRun::START_UP) == 0)
        return StartUpScript;
    if (std::strcmp(run, GameRun::FRONT_END) == 0)
        return FrontEndScript;
    if (std::strcmp(run, GameRun::IN_GAME) == 0)
        return InGameScript;
    return nullptr;
}

void WriteResults()
{
    std::ofstream out(GameRun::RESULTS_FILE);
    if (s_Presented)
        out << GameRun::STARTUP_MS << ' ' << s_StartUpMs << '\n';
    if (s_FrameStarts.size() < 2)
        return;
    out << GameRun::FRAME_MS;
    for (size_t frame = 1; frame < s_FrameStarts.size(); ++frame)
        out << ' ' << Milliseconds(s_FrameStarts[frame] - s_FrameStarts[frame - 1]);
    out << '\n';
    out << GameRun::ALLOCATIONS << ' ' << s_Allocations << '\n';
    out << GameRun::REFLECTION_FRAMES << ' ' << s_ReflectionFrames << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    const ScreenState script = argc == 3 ? ScriptFor(argv[1]) : nullptr;
    if (script == nullptr) {
        std::fprintf(stderr, "usage: %s startup|frontend|ingame <game folder>\n", argv[0]);
        return EXIT_FAILURE;
    }
    if (chdir(argv[2]) != 0) {
        std::perror(argv[2]);
        return EXIT_FAILURE;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    s_FrameStarts.reserve(GameRun::MEASURED_FRAMES + 1);

    s_WinMainStart = Clock::now();
    const int result = RunGameScripted(script);
    WriteResults();
    return result;
}
