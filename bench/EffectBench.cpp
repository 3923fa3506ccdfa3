// The shipped effects as their owners use them: a copy made from the
// "Explosion" prototype (a projectile's blast, a car's), and a busy frame of
// 100 running copies of the seven shipped effects updated and queued for
// drawing. The content is the staged game folder's, on a device that keeps
// state only.

#include <filesystem>
#include <vector>

#include <benchmark/benchmark.h>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/AnimSequence.h"
#include "Display/Display.h"
#include "Display/DisplayMesh.h"
#include "Display/RenderQueue.h"
#include "Display/Texture.h"
#include "Effects/Effect.h"
#include "Effects/ParticleSystem.h"
#include "StateOnlyDisplay.h"

namespace {

const char* const SHIPPED[] = {"MuzzleFlash", "BulletHit",  "Explosion",    "CarSmoke",
                               "CarExplosion", "Splash", "StartLocation"};
const int RUNNING_COPIES = 100;
const float FRAME = 1.0f / 60.0f;
// Enough frames that every copy is well into its sequence.
const int WARM_UP_FRAMES = 90;

// The display and the effect assets, loaded once for every benchmark.
class ShippedEffects {
public:
    ShippedEffects()
    {
        CreateStateOnlyDisplay();
        g_RandomTable.Fill(1);
        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<C3DAnimSequence>("Scripts\\3DAnimSeqs.txt");
        LoadAssetsFromScript<CParticleEmitter>("Scripts\\ParticleSytems.txt");
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CEffect>("Scripts\\EffectSystems.txt");
        std::filesystem::current_path(previous);
    }

    static const CEffect& Get(const char* name)
    {
        static ShippedEffects s_Loaded;
        CEffect* effect = nullptr;
        g_AssetManager.GetAsset(name, effect, true);
        return *effect;
    }
};

void BM_EffectCopyExplosion(benchmark::State& state)
{
    const CEffect& explosion = ShippedEffects::Get("Explosion");
    for (auto _ : state) {
        CEffect copy(explosion);
        benchmark::DoNotOptimize(copy.m_ParticleSystems.data());
    }
}
BENCHMARK(BM_EffectCopyExplosion)->Unit(benchmark::kMicrosecond);

// Each copy follows a matrix of its own and starts again when its sequence
// has ended, as a busy scene would start new ones.
class EffectScene {
public:
    EffectScene() : m_Matrices(RUNNING_COPIES)
    {
        m_Effects.reserve(RUNNING_COPIES);
        for (int i = 0; i < RUNNING_COPIES; ++i) {
            const size_t kind = static_cast<size_t>(i) % (sizeof(SHIPPED) / sizeof(SHIPPED[0]));
            m_Effects.emplace_back(ShippedEffects::Get(SHIPPED[kind]));
            D3DXMatrixTranslation(&m_Matrices[i], static_cast<float>(i % 10) * 5.0f, 0.0f,
                                  static_cast<float>(i / 10) * 5.0f + 10.0f);
            m_Effects.back().SetMatrix(&m_Matrices[i]);
            m_Effects.back().Start();
        }
        for (int frame = 0; frame < WARM_UP_FRAMES; ++frame)
            Frame();
    }

    void Frame()
    {
        g_RenderQueue.Clear();
        for (CEffect& effect : m_Effects) {
            if (effect.m_u8Running == 0)
                effect.Start();
            effect.Update(FRAME);
            effect.Render();
        }
    }
    int Alive() const
    {
        int alive = 0;
        for (const CEffect& effect : m_Effects)
            alive += effect.GetAliveCount();
        return alive;
    }

private:
    std::vector<D3DXMATRIX> m_Matrices;
    std::vector<CEffect> m_Effects;
};

void BM_EffectFrameOf100Copies(benchmark::State& state)
{
    ShippedEffects::Get("Explosion");
    EffectScene scene;
    for (auto _ : state)
        scene.Frame();
    state.counters["live particles"] = scene.Alive();
    g_RenderQueue.Clear();
}
BENCHMARK(BM_EffectFrameOf100Copies)->Unit(benchmark::kMicrosecond);

} // namespace
