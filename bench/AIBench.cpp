// The shipped town "Modern" with its whole population, run as the level runs
// it while a camera drives round the town's loop of roads at 10 m/s with the
// player under it: per frame the physics step, the cars, the population pool
// and the agents (their controllers, actors and embedded cameras). "AI/Frame"
// times 600 such frames after 120 of warm-up; its counters give the pool's
// and the agent loop's time per frame apart ("pool_ms", target at most 0.1;
// "agents_ms", target at most 2 with the 30 agents), and the level's agent
// and active-car counts at the end. "AI/FrameWanted" does the same with the
// player at the highest wanted level, so that the police come out after him
// beside the traffic and the pedestrians. Each run starts from the town as
// loaded, with its own warm-up.

#include <chrono>
#include <cmath>
#include <memory>

#include <benchmark/benchmark.h>

#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Game/CrimeManager.h"
#include "Level/Level.h"
#include "Physics/Physics.h"
#include "StateOnlyDisplay.h"
#include "support/FrameTime.h"
#include "support/ShippedScripts.h"
#include "support/TempDir.h"

namespace {

const int FRAMES = 600;
const int WARM_UP_FRAMES = 120;
const uint32_t FRAME_MILLISECONDS = 16;
const float CAMERA_SPEED = 10.0f;
const float CAMERA_HEIGHT = 3.0f;
// The player's kind, as the pool's drivers are.
const char* const PLAYER = "LIZARD";
// The loop of roads round the town: x 290..470, z 100..280.
const float LOOP_WEST = 290.0f;
const float LOOP_SOUTH = 100.0f;
const float LOOP_SIDE = 180.0f;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The point `distance` along the loop, anticlockwise from its south-west corner.
D3DXVECTOR3 LoopPoint(float distance)
{
    const float along = std::fmod(distance, 4 * LOOP_SIDE);
    const int side = static_cast<int>(along / LOOP_SIDE);
    const float t = along - side * LOOP_SIDE;
    const float east = LOOP_WEST + LOOP_SIDE;
    const float north = LOOP_SOUTH + LOOP_SIDE;
    switch (side) {
    case 0: return {LOOP_WEST + t, CAMERA_HEIGHT, LOOP_SOUTH};
    case 1: return {east, CAMERA_HEIGHT, LOOP_SOUTH + t};
    case 2: return {east - t, CAMERA_HEIGHT, north};
    default: return {LOOP_WEST, CAMERA_HEIGHT, north - t};
    }
}

// The display, the physics and the town with its population, made once;
// each run starts it again.
class Town {
public:
    Town()
    {
        CreateStateOnlyDisplay();
        g_Physics.Init();
        LoadShippedTown();
        SetFrameTime(FRAME_MILLISECONDS);
        g_pActiveCamera = &m_Camera;
    }

    // The level as loaded, the player under the camera's start, wanted as
    // the run asks, then the warm-up.
    void Start(bool wanted)
    {
        g_RandomTable.Fill(1);
        g_PlayerActor = nullptr;
        m_pPlayer.reset();
        {
            ScopedWorkingDir inGame(KELM_GAME_DIR);
            g_pLevel->LoadScript();
        }
        m_fDistance = 0.0f;
        CGameActor* prototype = nullptr;
        g_AssetManager.GetAssetByUpperName(PLAYER, prototype, true);
        m_pPlayer = std::make_unique<CGameActor>(*prototype);
        PlacePlayer(LoopPoint(m_fDistance));
        // A body in the scene as the game gives its player; made before the
        // wanted level, which it clears.
        m_pPlayer->UpdateCollision();
        m_pPlayer->CreatePhysics();
        m_pPlayer->SyncPhysicsPose();
        m_pPlayer->m_fWantedLevel = wanted ? g_CrimeFile.MaxWantedLevel : 0.0f;
        g_PlayerActor = m_pPlayer.get();
        for (int frame = 0; frame < WARM_UP_FRAMES; ++frame)
            Frame();
        m_PoolTime = m_AgentTime = Clock::duration::zero();
    }

    void Frame()
    {
        m_fDistance += CAMERA_SPEED * FRAME_MILLISECONDS / 1000.0f;
        const D3DXVECTOR3 eye = LoopPoint(m_fDistance);
        m_Camera.SetPosition(eye);
        PlacePlayer(eye);
        CLevel& level = *g_pLevel;
        g_Physics.Update();
        level.UpdateCars();
        const Clock::time_point start = Clock::now();
        level.GetAIPool().Update(m_Camera.GetPosition(), level.GetAgents(), level.GetActiveCars());
        const Clock::time_point pooled = Clock::now();
        level.UpdateAgents();
        m_AgentTime += Clock::now() - pooled;
        m_PoolTime += pooled - start;
    }

    // Per frame since the last call, then the sums start again.
    void Report(benchmark::State& state, int frames)
    {
        state.counters["pool_ms"] = Milliseconds(m_PoolTime) / frames;
        state.counters["agents_ms"] = Milliseconds(m_AgentTime) / frames;
        state.counters["agents"] = static_cast<double>(g_pLevel->GetAgents().size());
        state.counters["cars"] = static_cast<double>(g_pLevel->GetActiveCars().size());
        m_PoolTime = m_AgentTime = Clock::duration::zero();
    }

private:
    // On the ground under the camera: the player runs the loop with it.
    void PlacePlayer(const D3DXVECTOR3& eye)
    {
        const D3DXVECTOR3 feet(eye.x, 0.0f, eye.z);
        m_pPlayer->m_Model.SetPosition(&feet);
        m_pPlayer->m_Model.UpdateWorldMatrix();
    }

    CCamera m_Camera;
    std::unique_ptr<CGameActor> m_pPlayer;
    float m_fDistance = 0.0f;
    Clock::duration m_PoolTime = Clock::duration::zero();
    Clock::duration m_AgentTime = Clock::duration::zero();
};

void RunTown(benchmark::State& state, bool wanted)
{
    static Town s_Town;
    s_Town.Start(wanted);
    int frames = 0;
    for (auto _ : state)
        for (int frame = 0; frame < FRAMES; ++frame, ++frames)
            s_Town.Frame();
    s_Town.Report(state, frames);
    state.counters["frame"] =
        benchmark::Counter(FRAMES, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void AIFrame(benchmark::State& state)
{
    RunTown(state, false);
}

void AIFrameWanted(benchmark::State& state)
{
    RunTown(state, true);
}

} // namespace

BENCHMARK(AIFrame)->Name("AI/Frame")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(AIFrameWanted)->Name("AI/FrameWanted")->Unit(benchmark::kMillisecond)->Iterations(1);
