// The HUD's pass in a busy frame: ten wanted stars, both dials with their
// needles and the gear, the time and the health, and 20 minimap markers the
// missions added, on a device that keeps state only, with the shipped
// pictures and look. Target: at most 0.2 ms a frame and no heap allocation.
// The text pass (the text master's, not the HUD's) runs every 30 frames, so
// that the queue never fills; a run that did not draw every sprite and text
// of the frame fails.
//
// The minimap on the GL offscreen device: the layout, the pass into both
// targets and the sprites on the screen, the player on foot with 20 markers,
// 300 frames after warm-up. Target: at most 0.3 ms of CPU a frame and no
// heap allocation; a run without both targets or without every sprite of the
// minimap fails.

#include <utility>

#include <benchmark/benchmark.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Core/AssetManager.h"
#include "Core/Window.h"
#include "Display/Display.h"
#include "Display/RenderStates.h"
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
const int MINIMAP_WARM_UP_FRAMES = 30;
const int MINIMAP_FRAMES = 300;
// Ten stars, two dials and two needles; the time, the health and the gear.
const int SPRITES_PER_FRAME = 14;
const uint32_t TEXTS_PER_FRAME = 3;

// The shipped look names these.
const std::pair<const char*, const char*> TEXTURES[] = {
    {"HUDDial", "Assets/Images/HUD/dial.png"},
    {"HUDNeedle", "Assets/Images/HUD/needle.png"},
    {"HUDPosition", "Assets/Images/HUD/position.png"},
    {"HUDCheckPointDot", "Assets/Images/HUD/checkpoint_dot.png"},
    {"HUDWarningStar", "Assets/Images/HUD/warning_star.png"},
    {"HUDMapFrame", "Assets/Images/HUD/map_frame.png"},
    {"HUDMapMask", "Assets/Images/HUD/map_mask.png"},
    {"HUDMap", "Assets/Images/HUD/map.png"},
    {"conv_back", "Assets/Images/HUD/conv_back.png"},
    {"conv_more", "Assets/Images/HUD/conv_more.png"},
};

int s_Sprites = 0;

void CountSprite(const SpriteDraw& draw)
{
    s_Sprites += draw.m_pTexture != nullptr ? 1 : 0;
}

size_t TextureCount()
{
    const CAssetManager::TypeList* textures = g_AssetManager.FindTypeList(CTexture::CLASS_NAME);
    return textures != nullptr ? textures->m_Assets.size() : 0;
}

// Files the shipped HUD pictures, read in the staged game folder.
void FileShippedTextures()
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    for (const auto& [name, image] : TEXTURES) {
        auto* texture = new CTexture();
        texture->CreateNamed(name, image);
        g_AssetManager.AddAsset(texture);
    }
}

// Removes the textures filed since there were `count`.
void UnfileTextures(size_t count)
{
    if (CAssetManager::TypeList* textures = g_AssetManager.FindTypeList(CTexture::CLASS_NAME))
        textures->m_Assets.resize(count);
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
        FileShippedTextures();
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        m_HUD.Load(&m_Player);
        m_HUD.m_bVisible = 1;
        m_Player.m_fWantedLevel = WANTED;
        m_Player.m_pCar = &m_Car;
    }

    ~HUDScene()
    {
        g_TextMaster.Reset();
        UnfileTextures(m_TextureCount);
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

// The shipped HUD with the minimap alone on a 640 x 480 GL window's device.
class MiniMapScene {
public:
    MiniMapScene() : m_TextureCount(TextureCount())
    {
        // A device that draws, whatever the benchmarks run before this one
        // asked of the stand-in (several want devices of state only).
        D3D8Platform::ResetTestHooks();
        RegisterWindowClass();
        CreateMainWindow();
        SetClientSize(WINDOW_WIDTH, WINDOW_HEIGHT);
        ShowWindow(g_hWnd, SW_SHOWNORMAL);
        g_Display.Create();
        CStateBlocks::CreateAll();
        FileShippedTextures();
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        m_HUD.Load(&m_Player);
        m_HUD.m_bVisible = 1;
        m_HUD.m_bShowTime = 0;
        m_HUD.m_bShowStatus = 0;
        D3DXMatrixTranslation(&m_Player.m_Model.m_matScaledObject, 400.0f, 0.0f, 200.0f);
        m_HUD.CreateMiniMapTargets();
    }

    ~MiniMapScene()
    {
        m_HUD.ReleaseMiniMapTargets();
        UnfileTextures(m_TextureCount);
        g_Display.Shutdown();
        DestroyWindow(g_hWnd);
        g_hWnd = nullptr;
    }

    void Frame()
    {
        for (int marker = 0; marker < MARKERS; ++marker)
            m_HUD.AddMapMarker(D3DXVECTOR3(static_cast<float>(marker * 20), 0.0f, 100.0f), 0xFFFFFF00);
        m_HUD.RenderMiniMap();
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        CStateBlocks::ApplyObject2D();
        m_HUD.Draw();
        device->EndScene();
    }

    // One frame watched: both targets there, and the map picture, the
    // minimap, its frame, the mark and every marker drawn.
    bool DrawsAll()
    {
        s_Sprites = 0;
        SetSpriteDrawObserver(CountSprite);
        Frame();
        SetSpriteDrawObserver(nullptr);
        return m_HUD.GetMiniMapTarget() != nullptr && m_HUD.GetMiniMapFinal() != nullptr &&
               s_Sprites == MINIMAP_SPRITES;
    }

private:
    static constexpr int WINDOW_WIDTH = 640;
    static constexpr int WINDOW_HEIGHT = 480;
    // The map picture into its target; on the screen the minimap, its frame,
    // the player's mark and a dot a marker.
    static constexpr int MINIMAP_SPRITES = 4 + MARKERS;

    size_t m_TextureCount;
    CGameActor m_Player;
    CHUD m_HUD;
};

void BM_MiniMap(benchmark::State& state)
{
    MiniMapScene scene;
    for (int frame = 0; frame < MINIMAP_WARM_UP_FRAMES; ++frame)
        scene.Frame();
    const uint64_t before = HeapAllocationCount();
    for (auto _ : state)
        scene.Frame();
    const double allocations = ReportAllocationsPerFrame(state, before);
    state.SetLabel("target <= 0.3 ms CPU, 0 allocations");
    if (!scene.DrawsAll())
        state.SkipWithError("the minimap was not drawn");
    else if (allocations != 0.0)
        state.SkipWithError("the minimap allocated in its frames");
}
BENCHMARK(BM_MiniMap)->Iterations(MINIMAP_FRAMES)->Unit(benchmark::kMicrosecond);

} // namespace
