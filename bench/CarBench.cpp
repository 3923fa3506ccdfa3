// Ten shipped sedans on the physics benchmark's hills (its height function
// over a 630 m wide grid: at full gas the cars' circles widen as the tyres
// slide, and they must stay on the ground), their drivers
// holding Gas and Turn_Right, driven as the level drives them: the physics
// step, then UpdateDriving and Update for every car. "Car/Frame" times 600
// such frames; its "frame" counter is one frame, the target at most 2 ms, and "speed"
// the cars' mean speed at the end (m/s).

#include <cmath>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "Actors/Car.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Physics/Physics.h"
#include "StateOnlyDisplay.h"
#include "support/ScriptedController.h"
#include "support/ShippedScripts.h"

namespace {

const int CARS = 10;
const int FRAMES = 600;
const uint32_t FRAME_MILLISECONDS = 16;
const uint32_t TERRAIN_SAMPLES = 64;
const float TERRAIN_SPACING = 10.0f;
const float CAR_SPACING = 8.0f;
// The sedan's rest height on its springs above the ground beneath it.
const float REST_HEIGHT = 0.85f;
enum { ACTION_GAS = 14, ACTION_TURN_RIGHT = 17 };

float TerrainHeight(uint32_t column, uint32_t row)
{
    return 1.5f * std::sin(column * 0.21f) * std::cos(row * 0.17f);
}

// The display and the car assets, loaded once.
const CCar& Sedan()
{
    static CCar* s_pSedan = [] {
        CreateStateOnlyDisplay();
        g_RandomTable.Fill(1);
        g_Physics.Init();
        LoadCarScripts();
        CCar* sedan = nullptr;
        g_AssetManager.GetAsset("Sedan", sedan, true);
        return sedan;
    }();
    return *s_pSedan;
}

// The hills and ten cars on them in a row, each over its own ground.
class CarScene {
public:
    CarScene()
    {
        const CCar& sedan = Sedan();
        std::vector<float> heights;
        for (uint32_t row = 0; row < TERRAIN_SAMPLES; ++row)
            for (uint32_t column = 0; column < TERRAIN_SAMPLES; ++column)
                heights.push_back(TerrainHeight(column, row));
        const float half = 0.5f * TERRAIN_SPACING * (TERRAIN_SAMPLES - 1);
        g_Physics.CreateTerrainActor(TERRAIN_SAMPLES, TERRAIN_SAMPLES, TERRAIN_SPACING,
                                     D3DXVECTOR3(-half, 0.0f, -half), heights.data(), heights.size());
        for (int i = 0; i < CARS; ++i) {
            m_Cars.push_back(std::make_unique<CCar>(sedan));
            CCar& car = *m_Cars.back();
            const float x = (i - 0.5f * CARS) * CAR_SPACING;
            const uint32_t column = static_cast<uint32_t>((x + half) / TERRAIN_SPACING);
            const uint32_t row = static_cast<uint32_t>(half / TERRAIN_SPACING);
            D3DXMatrixTranslation(&car.m_matSpawn, x, TerrainHeight(column, row) + REST_HEIGHT, 0.0f);
            car.CreatePhysics();
            car.m_pController = &m_Driver;
        }
        m_Driver.Hold(ACTION_GAS);
        m_Driver.Hold(ACTION_TURN_RIGHT);
    }
    void Frame()
    {
        g_Physics.Update();
        for (auto& car : m_Cars) {
            car->UpdateDriving();
            car->Update();
        }
    }

    // The cars' mean speed (m/s), to show that they are under way.
    float MeanSpeed() const
    {
        float sum = 0.0f;
        for (const auto& car : m_Cars)
            sum += std::fabs(car->GetForwardSpeed());
        return sum / m_Cars.size();
    }

private:
    ScriptedController m_Driver;
    std::vector<std::unique_ptr<CCar>> m_Cars;
};

void CarFrame(benchmark::State& state)
{
    g_FrameTimer = CFrameTimer();
    for (uint32_t frame = 1; frame <= CFrameTimer::WINDOW_FRAMES; ++frame)
        g_FrameTimer.Update(frame * FRAME_MILLISECONDS);
    // The cars' tyre materials live in the one physics SDK the loader saw,
    // so every run drives the same cars on: they circle on the hills.
    static CarScene s_Scene;
    for (auto _ : state)
        for (int frame = 0; frame < FRAMES; ++frame)
            s_Scene.Frame();
    state.counters["speed"] = s_Scene.MeanSpeed();
    state.counters["frame"] =
        benchmark::Counter(FRAMES, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(CarFrame)->Name("Car/Frame")->Unit(benchmark::kMillisecond)->Iterations(3);
