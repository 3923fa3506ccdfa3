// A busy scene's particles: 20 systems of 500 live particles each, updated
// and drawn once a frame. The draw runs on a device that keeps state only,
// so it times the vertex fill and the draw calls, not the rasteriser. Every
// heap allocation of the process is counted (HeapCount.h): a frame must make
// none.

#include <vector>

#include <benchmark/benchmark.h>

#include "Core/Clock.h"
#include "Display/Display.h"
#include "Effects/ParticleSystem.h"
#include "HeapCount.h"
#include "platform/d3d8/D3D8Platform.h"
#include "StateOnlyDisplay.h"

namespace {

const int SYSTEMS = 20;
const int LIVE_PARTICLES = 500;
const float FRAME = 1.0f / 60.0f;
const int WARM_UP_FRAMES = 120;
// In front of the game camera, which stands at the origin looking along +z.
const D3DXVECTOR3 EMITTER(0.0f, 0.0f, 10.0f);

// The shipped systems' kind of script: a full pool that respawns in place,
// with fades, a timer, Random values and gravity.
const char* const SCRIPT = "ParticleSystem \"Bench\" 1 { EventSequence \"Puffs\" {\n"
                           " NumParticles = 500\n EmitRate = 100000\n Lifetime = Random(1, 2)\n"
                           " EmitRadius = XYZ(Random(-1, 1), 0, Random(-1, 1))\n"
                           " Gravity = XYZ(0, Random(-1, -0.5), 0)\n"
                           " initial Size = Random(0.2, 0.4)\n"
                           " initial Velocity = XYZ(Random(-1, 1), Random(1, 2), Random(-1, 1))\n"
                           " initial Color = RGBA(1, 0.8, 0.4, 1)\n"
                           " at 0.5 Size = 0.6\n"
                           " fade so final Size = 1\n"
                           " fade so final Color = RGBA(0.5, 0.5, 0.5, 0)\n"
                           " at 1.5 EventTimer = 0.4\n"
                           "} }";

class ParticleScene {
public:
    ParticleScene()
    {
        g_RandomTable.Fill(1);
        m_Prototype.Compile(SCRIPT);
        m_Systems.assign(SYSTEMS, m_Prototype);
        for (CParticleEmitter& system : m_Systems) {
            system.m_vPosition = EMITTER;
            system.Start();
        }
        for (int frame = 0; frame < WARM_UP_FRAMES; ++frame)
            Update();
    }

    void Update()
    {
        for (CParticleEmitter& system : m_Systems)
            system.Update(0, FRAME);
    }
    void Render() const
    {
        for (const CParticleEmitter& system : m_Systems)
            system.Render();
    }
    int Alive() const
    {
        int alive = 0;
        for (const CParticleEmitter& system : m_Systems)
            alive += system.GetAliveCount();
        return alive;
    }

private:
    CParticleEmitter m_Prototype;
    std::vector<CParticleEmitter> m_Systems;
};

void BM_ParticleUpdate(benchmark::State& state)
{
    ParticleScene scene;
    const uint64_t before = HeapAllocationCount();
    for (auto _ : state)
        scene.Update();
    ReportAllocationsPerFrame(state, before);
    state.counters["live particles"] = scene.Alive();
}
BENCHMARK(BM_ParticleUpdate)->Unit(benchmark::kMicrosecond);

void BM_ParticleRender(benchmark::State& state)
{
    CreateStateOnlyDisplay();
    if (g_vbParticles == nullptr) {
        state.SkipWithError("no particle buffer");
        return;
    }
    ParticleScene scene;
    const uint64_t before = HeapAllocationCount();
    for (auto _ : state)
        scene.Render();
    ReportAllocationsPerFrame(state, before);
    state.counters["live particles"] = scene.Alive();
    g_Display.Shutdown();
    D3D8Platform::ResetTestHooks();
}
BENCHMARK(BM_ParticleRender)->Unit(benchmark::kMicrosecond);

} // namespace
