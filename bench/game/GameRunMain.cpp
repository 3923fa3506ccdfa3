// One run of the whole game for the game benchmarks, in a process of its own
// so that every start is a cold one: WinMain on a game folder, 640 x 480
// offscreen without a sound device, until the run has its figures.
//
//   startup     the time from WinMain to the first presented front-end frame;
//   frontend    the front end's frame times once its frames allocate nothing;
//   playerruns  play entered from the front end, the player facing the pond
//               and holding Gas; the frame times once the run is under way;
//   busytown    play on the town square, the player facing a car that a
//               scripted driver takes round in circles, three grenades going
//               off beside it during the measured frames (and three out of
//               its reach in the warm-up).
// The frame runs count the game thread's heap allocations over the measured
// frames.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Console/Console.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "Core/StepTrace.h"
#include "Core/Utility.h"
#include "Core/Window.h"
#include "Display/Camera.h"
#include "Level/Level.h"
#include "Menu/MenuManager.h"
#include "Physics/PhysicsMath.h"
#include "game/AllocationCount.h"
#include "game/GameRun.h"
#include "platform/novodex/NxActor.h"
#include "platform/win32/Windows.h"
#include "support/ScriptedController.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"

namespace {

using Clock = std::chrono::steady_clock;

// Gas's default binding.
const SDL_Scancode GAS_KEY = SDL_SCANCODE_W;
// The pond in the town; the player turns toward it before running.
const D3DXVECTOR3 POND(430.0f, -1.5f, 240.0f);
// On the town square (the console script puts the player at its south
// end): where the car starts, and the grenades beside its circle.
const char* const TOWN_SQUARE_SCRIPT = "SCRIPT TOWNSQUARE.TXT";
const char* const CAR_SPAWN = "SET SPAWN CAR SEDAN 384 1 170";
// Gas gives no push to a car rolling backward, and a car settling on its
// springs rolls a little either way: the car is under way when things
// start to move, as if it had driven onto the square.
const float CAR_START_SPEED = 5.0f;
const D3DXVECTOR3 CAR_CIRCLE(382.0f, 0.0f, 172.0f);
const D3DXVECTOR3 EXPLOSION_POINTS[] = {{373.0f, 0.5f, 168.0f}, {392.0f, 0.5f, 171.0f}, {382.0f, 0.5f, 182.0f}};
// The warm-up sets off as many grenades at once, out of the car's and the
// player's reach, so that the level's projectile pool has grown to the shots
// the measured frames overlap, as a town that has seen a fight has; they are
// taken back as the warm-up ends, and the measured grenades reuse their slots.
const int WARM_UP_EXPLOSION_FRAME = 2;
const D3DXVECTOR3 WARM_UP_EXPLOSION_POINTS[] = {
    {373.0f, 0.5f, 208.0f}, {392.0f, 0.5f, 211.0f}, {382.0f, 0.5f, 222.0f}};
const char* const GRENADE = "Grenade";
enum { ACTION_GAS = 14, ACTION_TURN_RIGHT = 17 };
// Rows of a world matrix.
enum { ROW_FORWARD = 2, ROW_POSITION = 3 };

// How a run warms up before its measured frames: for at least `least`
// frames and on until its frames have allocated nothing for `quietMs`
// milliseconds, but no longer than `most` frames.
struct WarmUp {
    int least;
    double quietMs;
    int most;
};
const WarmUp FRONT_END_WARM_UP = {GameRun::FRONT_END_WARM_UP_FRAMES, GameRun::FRONT_END_QUIET_MS,
                                  GameRun::FRONT_END_MAX_WARM_UP_FRAMES};
const WarmUp IN_GAME_WARM_UP = {GameRun::IN_GAME_WARM_UP_FRAMES, 0.0, GameRun::IN_GAME_WARM_UP_FRAMES};

Clock::time_point s_WinMainStart;
double s_StartUpMs = 0.0;
bool s_Presented = false;

// Every frame's start, from the first measured one to the one after the last.
std::vector<Clock::time_point> s_FrameStarts;
int s_Frame = 0;
int s_FirstMeasured = -1;
uint64_t s_AllocationsBefore = 0;
uint64_t s_Allocations = 0;
// The allocations of the measured frames over which the level's agents,
// active cars, active objects and live projectiles stayed the same: nothing
// entered or left the world, was launched or recycled, whose physics bodies
// and list entries allocate. The count, and what the lists held at the last
// frame's start.
uint64_t s_SteadyAllocations = 0;
uint64_t s_LastFrameAllocations = 0;
struct Population {
    size_t agents = 0;
    size_t cars = 0;
    size_t objects = 0;
    size_t projectiles = 0;
    // Folds in every member in order (and each projectile's generation, as
    // a slot is reused), so that one leaving as another comes shows.
    uint64_t members = 0;

    bool operator==(const Population& other) const
    {
        return agents == other.agents && cars == other.cars && objects == other.objects &&
               projectiles == other.projectiles && members == other.members;
    }
};
Population s_LastPopulation;
// The warm-up's allocation count at the last frame's start, and the start
// of the first frame since it last grew.
uint64_t s_WarmUpAllocations = 0;
Clock::time_point s_QuietSince;
int s_ReflectionFrames = 0;
// The mission manager's update runs from its step to the frame's next step;
// each measured frame's time of it. The median is reported: the longest
// would be whichever frame the system happened to take the core from.
Clock::time_point s_MissionUpdateStart;
bool s_InMissionUpdate = false;
std::vector<double> s_MissionUpdateMs;

// The busy town's driver, car and grenades.
ScriptedController s_Driver(CController::KIND_AI);
CCar* s_pCar = nullptr;
// The car's place at the last measured frame, and the way it went over them.
D3DXVECTOR3 s_CarLast;
float s_CarTravel = 0.0f;
struct Grenade {
    CProjectile* shot;
    uint32_t generation;
    bool detonated;
};
std::vector<Grenade> s_Grenades;
int s_Explosions = 0;

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

// True when the warm-up ends with `frame` (allocations are counted from the
// first frame on, to see when the frames grow quiet).
bool WarmedUp(int frame, const WarmUp& warmUp)
{
    const Clock::time_point now = Clock::now();
    if (frame == 0) {
        CountAllocations(true);
        s_QuietSince = now;
    }
    const uint64_t count = GetAllocationCount();
    if (count != s_WarmUpAllocations)
        s_QuietSince = now;
    s_WarmUpAllocations = count;
    if (frame < warmUp.least)
        return false;
    return Milliseconds(now - s_QuietSince) >= warmUp.quietMs || frame >= warmUp.most;
}

uint64_t Fold(uint64_t hash, uint64_t value)
{
    return (hash ^ value) * 0x100000001b3ull;
}

Population CurrentPopulation()
{
    Population population;
    if (g_pLevel == nullptr)
        return population;
    population.agents = g_pLevel->GetAgents().size();
    population.cars = g_pLevel->GetActiveCars().size();
    population.objects = g_pLevel->GetActiveObjects().size();
    population.projectiles = g_pLevel->GetProjectiles().GetLiveCount();
    uint64_t members = 0xcbf29ce484222325ull;
    for (const CAIControllerSet* agent : g_pLevel->GetAgents())
        members = Fold(members, reinterpret_cast<uintptr_t>(agent));
    for (const CCar* car : g_pLevel->GetActiveCars())
        members = Fold(members, reinterpret_cast<uintptr_t>(car));
    for (const CLevelObject* object : g_pLevel->GetActiveObjects())
        members = Fold(members, reinterpret_cast<uintptr_t>(object));
    for (const CProjectile* shot : g_pLevel->GetProjectiles().GetLive())
        members = Fold(Fold(members, reinterpret_cast<uintptr_t>(shot)), shot->GetGeneration());
    population.members = members;
    return population;
}

// At the start of measured frame `measured`: the frame before it is steady
// when the population stayed the same over it.
void CountSteadyAllocations(int measured)
{
    const uint64_t count = GetAllocationCount();
    const Population population = CurrentPopulation();
    char mark[128];
    std::snprintf(mark, sizeof(mark), "== frame %d agents %zu cars %zu objects %zu projectiles %zu members %016llx\n",
                  measured, population.agents, population.cars, population.objects, population.projectiles,
                  static_cast<unsigned long long>(population.members));
    TraceMark(mark);
    if (measured > 0 && population == s_LastPopulation)
        s_SteadyAllocations += count - s_LastFrameAllocations;
    s_LastFrameAllocations = count;
    s_LastPopulation = population;
}

// Called at the start of every frame: past the warm-up, stamps the frame and
// counts the allocations up to the last measured frame's end; then closes.
// The measured frame's number from 0, or -1 outside them.
int MeasureFrame(const WarmUp& warmUp)
{
    const int frame = s_Frame++;
    if (s_FirstMeasured < 0) {
        if (!WarmedUp(frame, warmUp))
            return -1;
        s_FirstMeasured = frame;
        s_AllocationsBefore = GetAllocationCount();
        TraceAllocations(true);
    }
    const int measured = frame - s_FirstMeasured;
    if (measured > GameRun::MEASURED_FRAMES)
        return -1;
    s_FrameStarts.push_back(Clock::now());
    CountSteadyAllocations(measured);
    if (measured < GameRun::MEASURED_FRAMES)
        return measured;
    CountAllocations(false);
    s_Allocations = GetAllocationCount() - s_AllocationsBefore;
    Close();
    return -1;
}

int FrontEndScript()
{
    MeasureFrame(FRONT_END_WARM_UP);
    FrontEndState();
    return 1;
}

// The player turns about the vertical to look along his z row at `point`,
// and the chase camera starts again behind him.
void Face(const D3DXVECTOR3& point)
{
    CGameActor* player = g_PlayerActor;
    D3DXMATRIX& object = player->m_Model.m_matObject;
    const D3DXVECTOR3 position(object._41, object._42, object._43);
    const float yaw = std::atan2(point.x - position.x, point.z - position.z);
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
void EnterPlay()
{
    g_Game.EnterPlay();
    g_MenuManager.PopScreen();
    g_Game.PopState();
}

void TimeMissionUpdate(const char* step)
{
    const Clock::time_point now = Clock::now();
    if (s_InMissionUpdate) {
        if (s_MissionUpdateMs.size() < s_MissionUpdateMs.capacity())
            s_MissionUpdateMs.push_back(Milliseconds(now - s_MissionUpdateStart));
        s_InMissionUpdate = false;
    }
    if (std::strcmp(step, "CMissionManager::Update") != 0)
        return;
    s_MissionUpdateStart = now;
    s_InMissionUpdate = true;
}

// One frame of play, counting the frames that drew the pond's reflection;
// the measured frame's number, or -1.
int PlayFrame()
{
    const int measured = MeasureFrame(IN_GAME_WARM_UP);
    if (measured >= 0 && PondMirrored())
        ++s_ReflectionFrames;
    g_StepTrace = measured >= 0 ? TimeMissionUpdate : nullptr;
    return measured;
}

int PlayerRunsScript()
{
    if (s_Frame == 0) {
        EnterPlay();
        Face(POND);
        PushKey(GAS_KEY, true);
    }
    PlayFrame();
    InGameState();
    return 1;
}

// The car as the console spawns one, driven by the scripted driver with Gas
// and Turn_Right held.
void StartCar()
{
    g_Console.RunLine(CAR_SPAWN);
    if (g_pLevel->GetActiveCars().empty())
        return;
    s_pCar = g_pLevel->GetActiveCars().back();
    s_Driver.Hold(ACTION_GAS);
    s_Driver.Hold(ACTION_TURN_RIGHT);
    s_pCar->SetController(&s_Driver);
}

// The car under way along its forward row.
void StartDriving()
{
    NxActor* body = s_pCar != nullptr ? s_pCar->m_PhysicsObject.m_pActor : nullptr;
    if (body == nullptr)
        return;
    const D3DXVECTOR3 forward = GetMatrixRow(s_pCar->m_Body.GetWorldMatrix(), ROW_FORWARD);
    body->setLinearVelocity(ToNxVec3(forward * CAR_START_SPEED));
}

// A grenade from the level's pool, set off where it appears; null without
// the grenade's prototype.
CProjectile* SetOffGrenade(const D3DXVECTOR3& point)
{
    CProjectile* prototype = nullptr;
    g_AssetManager.GetAsset(GRENADE, prototype, false);
    if (prototype == nullptr)
        return nullptr;
    CProjectile* shot = g_pLevel->SpawnProjectile(*prototype);
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, point.x, point.y, point.z);
    shot->m_vInitialVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    shot->Launch(at);
    shot->SetStageRequest(shot->m_iDetonateStage);
    return shot;
}

// A measured grenade, watched until it detonates.
void Explode(const D3DXVECTOR3& point)
{
    if (CProjectile* shot = SetOffGrenade(point))
        s_Grenades.push_back({shot, shot->GetGeneration(), false});
}

// Counts the grenades seen in their detonation.
void WatchGrenades()
{
    for (Grenade& grenade : s_Grenades) {
        const CProjectile& shot = *grenade.shot;
        if (grenade.detonated || shot.GetGeneration() != grenade.generation ||
            shot.GetCurrentStage() != shot.m_iDetonateStage)
            continue;
        grenade.detonated = true;
        ++s_Explosions;
    }
}

int BusyTownScript()
{
    if (s_Frame == 0) {
        EnterPlay();
        g_Console.RunLine(TOWN_SQUARE_SCRIPT);
        StartCar();
        s_Grenades.reserve(std::size(GameRun::EXPLOSION_FRAMES));
    }
    // Once a frame has put the player where the script moved him.
    if (s_Frame == 1)
        Face(CAR_CIRCLE);
    if (s_Frame == WARM_UP_EXPLOSION_FRAME)
        for (const D3DXVECTOR3& point : WARM_UP_EXPLOSION_POINTS)
            SetOffGrenade(point);
    if (s_Frame == CFrameTimer::WINDOW_FRAMES)
        StartDriving();
    if (s_Frame == GameRun::IN_GAME_WARM_UP_FRAMES - 1)
        g_pLevel->GetProjectiles().Reset();
    const int measured = PlayFrame();
    if (s_pCar != nullptr && measured >= 0) {
        const D3DXVECTOR3 position = GetMatrixRow(s_pCar->m_Body.GetWorldMatrix(), ROW_POSITION);
        const D3DXVECTOR3 step = position - s_CarLast;
        s_CarTravel += measured > 0 ? D3DXVec3Length(&step) : 0.0f;
        s_CarLast = position;
    }
    for (size_t i = 0; i < std::size(GameRun::EXPLOSION_FRAMES); ++i) {
        if (measured == GameRun::EXPLOSION_FRAMES[i])
            Explode(EXPLOSION_POINTS[i]);
    }
    WatchGrenades();
    InGameState();
    return 1;
}

ScreenState ScriptFor(const char* run)
{
    if (std::strcmp(run, GameRun::START_UP) == 0)
        return StartUpScript;
    if (std::strcmp(run, GameRun::FRONT_END) == 0)
        return FrontEndScript;
    if (std::strcmp(run, GameRun::PLAYER_RUNS) == 0)
        return PlayerRunsScript;
    if (std::strcmp(run, GameRun::BUSY_TOWN) == 0)
        return BusyTownScript;
    return nullptr;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
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
    out << GameRun::STEADY_ALLOCATIONS << ' ' << s_SteadyAllocations << '\n';
    out << GameRun::WARM_UP_FRAMES << ' ' << s_FirstMeasured << '\n';
    out << GameRun::REFLECTION_FRAMES << ' ' << s_ReflectionFrames << '\n';
    out << GameRun::CAR_TRAVEL << ' ' << s_CarTravel << '\n';
    out << GameRun::EXPLOSIONS << ' ' << s_Explosions << '\n';
    out << GameRun::MISSION_UPDATE_MS << ' ' << Median(s_MissionUpdateMs) << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    const ScreenState script = argc == 3 ? ScriptFor(argv[1]) : nullptr;
    if (script == nullptr) {
        std::fprintf(stderr, "usage: %s startup|frontend|playerruns|busytown <game folder>\n", argv[0]);
        return EXIT_FAILURE;
    }
    if (chdir(argv[2]) != 0) {
        std::perror(argv[2]);
        return EXIT_FAILURE;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    s_FrameStarts.reserve(GameRun::MEASURED_FRAMES + 1);
    s_MissionUpdateMs.reserve(GameRun::MEASURED_FRAMES);

    s_WinMainStart = Clock::now();
    const int result = RunGameScripted(script);
    WriteResults();
    return result;
}
