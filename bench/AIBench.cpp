// The shipped town "Modern" with its whole population, run as the level runs
// it while a camera drives round the town's loop of roads at 10 m/s: per
// frame the physics step, the cars, the population pool and the agents (their
// controllers, actors and embedded cameras). "AI/Frame" times 600 such frames
// after 120 of warm-up; its counters give the pool's and the agent loop's
// time per frame apart ("pool_ms", target at most 0.1; "agents_ms", target at
// most 2 with the 30 agents), and the level's agent and active-car counts at
// the end.

#include <chrono>
#include <cmath>

#include <benchmark/benchmark.h>

#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Level/Level.h"
#include "Physics/Physics.h"
#include "StateOnlyDisplay.h"
#include "support/FrameTime.h"
#include "support/ShippedScripts.h"

namespace {

const int FRAMES = 600;
const int WARM_UP_FRAMES = 120;
const uint32_t FRAME_MILLISECONDS = 16;
const float CAMERA_SPEED = 10.0f;
const float CAMERA_HEIGHT = 3.0f;
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

// The display, the physics and the town with its population, made once.
class Town {
public:
    Town()
    {
        CreateStateOnlyDisplay();
        g_RandomTable.Fill(1);
        g_Physics.Init();
        LoadShippedTown();
        SetFrameTime(FRAME_MILLISECONDS);
        g_pActiveCamera = &m_Camera;
        for (int frame = 0; frame < WARM_UP_FRAMES; ++frame)
            Frame();
        m_PoolTime = m_AgentTime = Clock::duration::zero();
    }

    void Frame()
    {
        m_fDistance += CAMERA_SPEED * FRAME_MILLISECONDS / 1000.0f;
        m_Camera.SetPosition(LoopPoint(m_fDistance));
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
    CCamera m_Camera;
    float m_fDistance = 0.0f;
    Clock::duration m_PoolTime = Clock::duration::zero();
    Clock::duration m_AgentTime = Clock::duration::zero();
};

void AIFrame(benchmark::State& state)
{
    static Town s_Town;
    int frames = 0;
    for (auto _ : state)
        for (int frame = 0; frame < FRAMES; ++frame, ++frames)
            s_Town.Frame();
    s_Town.Report(state, frames);
    state.counters["frame"] =
        benchmark::Counter(FRAMES, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(AIFrame)->Name("AI/Frame")->Unit(benchmark::kMillisecond)->Iterations(1);
