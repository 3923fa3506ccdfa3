// The HUD's pass in a busy frame: ten wanted stars, both dials with their
// needles and the gear, the time and the health, and 20 minimap markers the
// missions added, on a device that keeps state only, with the shipped
// pictures and look. Target: at most 0.2 ms a frame and no heap allocation.
// The text pass (the text master's, not the HUD's) runs every 30 frames, so
// that the queue never fills; a run that did not draw every sprite and text
// of the frame fails.

#include <utility>

#include <benchmark/benchmark.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Window.h"
#include "Display/Display.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/HUD.h"
#include "HeapCount.h"
#include "platform/d3d8/D3D8Platform.h"
#include "support/TempDir.h"

namespace {

const float WANTED = 10.0f;
const int MARKERS = 20;
const int TEXT_PASS_EVERY = 30;
// Ten stars, two dials and two needles; the time, the health and the gear.
const int SPRITES_PER_FRAME = 14;
const uint32_t TEXTS_PER_FRAME = 3;

int s_Sprites = 0;

void CountSprite(const SpriteDraw& draw)
{
    s_Sprites += draw.m_pTexture != nullptr ? 1 : 0;
}

// The shipped look and pictures, read in the staged game folder, on a fresh
// state-only display; the textures filed for it go again with the run.
class HUDScene {
public:
    HUDScene() : m_TextureCount(TextureCount())
    {
        g_hWnd = nullptr;
        D3D8Platform::UseStateOnlyDevices();
        g_Display.Create();
        g_TextMaster.Enable();
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        for (const auto& [name, image] : TEXTURES) {
            auto* texture = new CTexture();
            texture->CreateNamed(name, image);
            g_AssetManager.AddAsset(texture);
        }
        m_HUD.Load(&m_Player);
        m_HUD.m_bVisible = 1;
        m_Player.m_fWantedLevel = WANTED;
        m_Player.m_pCar = &m_Car;
    }

    ~HUDScene()
    {
        g_TextMaster.Reset();
        if (CAssetManager::TypeList* textures = g_AssetManager.FindTypeList(CTexture::CLASS_NAME))
            textures->m_Assets.resize(m_TextureCount);
        g_Display.Shutdown();
        D3D8Platform::ResetTestHooks();
    }

    void Frame(int frame)
    {
        for (int marker = 0; marker < MARKERS; ++marker)
            m_HUD.AddMapMarker(D3DXVECTOR3(static_cast<float>(marker), 0.0f, 100.0f), 0xFFFFFF00);
        m_HUD.Draw();
        if (frame % TEXT_PASS_EVERY == TEXT_PASS_EVERY - 1)
            g_TextMaster.DrawAll();
    }

    // One frame watched: whether it drew every sprite and queued every text.
    bool DrawsAll()
    {
        g_TextMaster.DrawAll();
        s_Sprites = 0;
        SetSpriteDrawObserver(CountSprite);
        Frame(0);
        SetSpriteDrawObserver(nullptr);
        return s_Sprites == SPRITES_PER_FRAME && g_TextMaster.GetQueueCount() == TEXTS_PER_FRAME &&
               m_HUD.GetMapMarkers().empty();
    }

private:
    // The shipped look names these.
    static constexpr std::pair<const char*, const char*> TEXTURES[] = {
        {"HUDDial", "Assets/Images/HUD/dial.png"},
        {"HUDNeedle", "Assets/Images/HUD/needle.png"},
        {"HUDPosition", "Assets/Images/HUD/position.png"},
        {"HUDCheckPointDot", "Assets/Images/HUD/checkpoint_dot.png"},
        {"HUDWarningStar", "Assets/Images/HUD/warning_star.png"},
        {"HUDMapFrame", "Assets/Images/HUD/map_frame.png"},
        {"HUDMapMask", "Assets/Images/HUD/map_mask.png"},
        {"HUDMap", "Assets/Images/HUD/map.png"},
    };

    static size_t TextureCount()
    {
        const CAssetManager::TypeList* textures = g_AssetManager.FindTypeList(CTexture::CLASS_NAME);
        return textures != nullptr ? textures->m_Assets.size() : 0;
    }

    size_t m_TextureCount;
    CGameActor m_Player;
    CCar m_Car;
    CHUD m_HUD;
};

void BM_HUDDraw(benchmark::State& state)
{
    HUDScene scene;
    // The fonts and the strings are made once, in the first frames.
    for (int frame = 0; frame < TEXT_PASS_EVERY; ++frame)
        scene.Frame(frame);
    const uint64_t before = HeapAllocationCount();
    int frame = 0;
    for (auto _ : state)
        scene.Frame(frame++);
    const double allocations = ReportAllocationsPerFrame(state, before);
    state.SetLabel("target <= 0.2 ms, 0 allocations");
    if (!scene.DrawsAll())
        state.SkipWithError("the HUD did not draw its stars, dials and texts");
    else if (allocations != 0.0)
        state.SkipWithError("the HUD allocated in its frames");
}
BENCHMARK(BM_HUDDraw)->Unit(benchmark::kMicrosecond);

} // namespace
