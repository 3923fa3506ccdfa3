#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AI/AIControllerSet.h"
#include "App/Application.h"
#include "Core/AssetManager.h"
#include "Core/Game.h"
#include "Display/AnimSequence.h"
#include "Display/ComplexObject.h"
#include "Display/Display.h"
#include "Display/DisplayMesh.h"
#include "Display/RenderQueue.h"
#include "Display/SkyBox.h"
#include "Display/Texture.h"
#include "Effects/Effect.h"
#include "Level/BuildingObject.h"
#include "Level/LevelFixture.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/WaterGrid.h"
#include "Level/WaterPlane.h"
#include "platform/d3d8/D3D8Platform.h"
#include "platform/d3dx8/XMeshText.h"
#include "support/ScriptText.h"

namespace {

const UINT FACE_SIDE = 4;
const D3DCOLOR SKY = 0xFF3080F0;
const D3DCOLOR FILL = 0xFFFFFFFF;
const int REFLECTION_SIDE = 256;
const char* const FACES[] = {"Front", "Back", "Right", "Left", "Top", "Bottom"};
// The camera above the terrain's middle, looking down at the pond before it.
const D3DXVECTOR3 EYE(64.0f, 12.0f, 40.0f);
const D3DXVECTOR3 POND_CENTRE(64.0f, 1.0f, 64.0f);
const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;

// Takes the surface over.
std::vector<uint32_t> ReadAndRelease(IDirect3DSurface8* surface)
{
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> pixels = ReadSurface(surface, width, height);
    surface->Release();
    return pixels;
}

std::vector<uint32_t> ReadTexture(IDirect3DTexture8* texture)
{
    IDirect3DSurface8* surface = nullptr;
    if (texture == nullptr || FAILED(texture->GetSurfaceLevel(0, &surface)))
        return {};
    return ReadAndRelease(surface);
}

// The pixel a point of the world lands on, seen through the device's current
// view and projection; 0 when it falls off the screen.
uint32_t PixelOf(const std::vector<uint32_t>& pixels, IDirect3DDevice8* device, const D3DXVECTOR3& point,
                 int width = SCREEN_WIDTH, int height = SCREEN_HEIGHT)
{
    D3DXMATRIX view;
    D3DXMATRIX projection;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    D3DXMATRIX viewProjection;
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    const long index = ScreenPixelIndex(viewProjection, point, width, height);
    return index < 0 ? 0 : pixels[static_cast<size_t>(index)];
}

size_t CountRgb(const std::vector<uint32_t>& pixels, D3DCOLOR colour)
{
    size_t count = 0;
    for (uint32_t pixel : pixels)
        count += (pixel & 0xFFFFFFu) == (colour & 0xFFFFFFu);
    return count;
}

// The level's drawing on the real device of a main window, with the sky
// "Compass" in one colour, a cube for the water's mesh and the reflection
// target filled white.
class GlLevelRenderTest : public LevelFixture {
protected:
    void SetUp() override
    {
        RegisterWindowClass();
        ASSERT_TRUE(CreateMainWindow());
        m_StateOnly = false;
        SetClientSize(SCREEN_WIDTH, SCREEN_HEIGHT);
        ShowWindow(g_hWnd, SW_SHOWNORMAL);
        LevelFixture::SetUp();
        g_Display.InvalidateDeviceObjects();
        g_Display.RestoreDeviceObjects();
        ASSERT_NE(nullptr, g_RenderReflection);
        FileSkyAndWater();
        ClearTargetTexture(g_Display.GetD3DDevice(), g_RenderReflection, FILL);
        RegisterWaterGridDeviceHooks();
        g_WaterGrid.Build();

        m_Viewer.m_vPosition = EYE;
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        D3DXMatrixLookAtLH(&m_Viewer.m_matView, &EYE, &POND_CENTRE, &up);
    }

    void TearDown() override
    {
        g_Game.m_DebugFlags = 0;
        LevelFixture::TearDown();
        DestroyWindow(g_hWnd);
        g_hWnd = nullptr;
    }

    void FileSkyAndWater()
    {
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        const std::vector<uint32_t> pixels(FACE_SIDE * FACE_SIDE, SKY);
        ASSERT_TRUE(WriteBmpFile(device, "sky.bmp", FACE_SIDE, FACE_SIDE, pixels));
        m_Dir.Write("Scripts/Textures.txt", "Texture SkyFace\nImageFilename sky.bmp\n");
        std::string sky = "Skybox Compass\nAsset_Type Level\n";
        for (const char* face : FACES)
            sky += std::string(face) + " SkyFace\n";
        m_Dir.Write("Scripts/Skybox.txt", sky);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<CSkyBox>("Scripts\\Skybox.txt");
        FilePond();
    }

    std::vector<uint32_t> BackBuffer()
    {
        IDirect3DSurface8* target = nullptr;
        if (FAILED(g_Display.GetD3DDevice()->GetRenderTarget(&target)))
            return {};
        return ReadAndRelease(target);
    }

    // One front-end frame; the back buffer as drawn, before the next clear.
    std::vector<uint32_t> Frame()
    {
        FrontEndState();
        return BackBuffer();
    }

    CLevel& LoadPond(bool withWater)
    {
        const std::string water = withWater ? "WaterPlane Pond Pos 64 1 64\n" : "";
        return LoadLevel("Terrain Ground\nSky_Box Compass\n" + water);
    }

    // The effect "Flashes", filed: two sprites of `colour`, 3 units apart
    // one above the other.
    const CEffect& FileFlashes(D3DCOLOR colour)
    {
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        EXPECT_TRUE(WriteBmpFile(device, "flash.bmp", FACE_SIDE, FACE_SIDE,
                                 std::vector<uint32_t>(FACE_SIDE * FACE_SIDE, colour)));
        m_Dir.Write("Scripts/Flash.txt", "Texture Flash\nImageFilename flash.bmp\n");
        LoadAssetsFromScript<CTexture>("Scripts\\Flash.txt");
        auto* sequence = new C3DAnimSequence();
        EXPECT_TRUE(LoadFrom(*sequence, "3DAnimSeq Flash\n Asset_Type Game\n AnimFrame Flash\n Time 10\n"));
        g_AssetManager.AddAsset(sequence);
        auto* prototype = new CEffect();
        EXPECT_TRUE(prototype->Compile("EffectSystem \"Flashes\" 1 {\n SpriteNum = 2\n"
                                       " Sprite 1 Asset = \"Flash\" Sprite 2 Asset = \"Flash\" Sprite 2 Pos = XYZ(0, 3, 0)\n"
                                       " EventSequence { initial Sprite 1 Start initial Sprite 1 Size = 0.5\n"
                                       "  initial Sprite 2 Start initial Sprite 2 Size = 0.5 }\n}"))
            << prototype->GetStatus();
        g_AssetManager.AddAsset(prototype);
        return *prototype;
    }

    // The main pass of a frame of play with `effect` going off; the back
    // buffer as drawn.
    std::vector<uint32_t> PlayFrameWith(CLevel& level, CEffect& effect)
    {
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        D3DXMatrixInverse(&m_Viewer.m_matWorld, nullptr, &m_Viewer.m_matView);
        g_RenderQueue.Clear();
        device->SetTransform(D3DTS_VIEW, &m_Viewer.m_matView);
        level.QueueRender(RENDER_PASS_MAIN);
        effect.Render();
        g_Display.BeginScene();
        level.Render();
        g_Display.EndScene();
        std::vector<uint32_t> pixels = BackBuffer();
        g_RenderQueue.Clear();
        return pixels;
    }
};

} // namespace

TEST_F(GlLevelRenderTest, WithoutWaterTheReflectionIsNeverTouched)
{
    CLevel& level = LoadPond(false);
    for (int frame = 0; frame < 3; ++frame)
        Frame();
    EXPECT_EQ(0, level.GetWaterCount());
    const std::vector<uint32_t> reflection = ReadTexture(g_RenderReflection);
    ASSERT_EQ(size_t(REFLECTION_SIDE * REFLECTION_SIDE), reflection.size());
    EXPECT_EQ(reflection.size(), CountRgb(reflection, FILL));
}

TEST_F(GlLevelRenderTest, WithoutACameraNeitherPassDraws)
{
    CLevel& level = LoadPond(true);
    Frame();
    ASSERT_EQ(1, level.GetWaterCount());
    g_pActiveCamera = nullptr;
    level.RenderReflection();
    level.Render();
    const std::vector<uint32_t> reflection = ReadTexture(g_RenderReflection);
    EXPECT_EQ(reflection.size(), CountRgb(reflection, FILL)) << "nothing to mirror without a view";
    g_pActiveCamera = &m_Viewer;
}

TEST_F(GlLevelRenderTest, TheWaterMarksTheStencilThenShowsTheMirroredSky)
{
    CLevel& level = LoadPond(true);
    Frame();
    EXPECT_EQ(1, level.GetWaterCount());
    std::vector<uint32_t> reflection = ReadTexture(g_RenderReflection);
    EXPECT_EQ(reflection.size(), CountRgb(reflection, FILL)) << "no reflection in the first frame";

    const std::vector<uint32_t> pixels = Frame();
    reflection = ReadTexture(g_RenderReflection);
    EXPECT_EQ(0u, CountRgb(reflection, FILL));
    EXPECT_GT(CountRgb(reflection, SKY), reflection.size() / 4) << "the mirrored sky";
    ASSERT_EQ(640u * 480u, pixels.size());
    const uint32_t pond = pixels[240 * 640 + 320];
    const uint32_t ground = pixels[470 * 640 + 320];
    const uint32_t sky = pixels[5 * 640 + 320];
    EXPECT_NE(pond & 0xFFFFFFu, FILL & 0xFFFFFFu) << "the water grid over the pond";
    EXPECT_NE(pond & 0xFFFFFFu, SKY & 0xFFFFFFu);
    EXPECT_GT(pond & 0xFFu, (pond >> 16) & 0xFFu) << "the grid's blue tint";
    EXPECT_NE(pond, ground) << "terrain outside the pond";
    EXPECT_EQ(SKY & 0xFFFFFFu, sky & 0xFFFFFFu);
}

TEST_F(GlLevelRenderTest, DebugModeTwoDrawsTheNodeLinesAndZeroNothing)
{
    const D3DCOLOR twoWay = D3DCOLOR_ARGB(255, 0, 0, 255);
    m_Dir.Write("Scripts/Levels/ModernRoadNodes.txt",
                "NumberOfNodes 2\n"
                "RoadNode 0 Position 56 4 60 NumberOfConnections 1 ConnectedNodes 1\n"
                "RoadNode 1 Position 72 4 60 NumberOfConnections 1 ConnectedNodes 0\n");
    m_Dir.Write("Scripts/Levels/ModernSidewalkNodes.txt", "NumberOfNodes 0\n");
    g_RoadNodes.Init();
    g_SidewalkNodes.Init();
    LoadPond(false);

    g_Game.m_DebugFlags = 0;
    EXPECT_EQ(0u, CountRgb(Frame(), twoWay));
    g_Game.m_DebugFlags = CLevel::DEBUG_NODE_GRAPHS;
    EXPECT_GT(CountRgb(Frame(), twoWay), 10u) << "the two-way road in blue";
}


// A flash of one flat colour, an effect's sprite over the pond and one over
// the dry ground before it, drawn by the level's main pass under its own
// state blocks: both keep the texture's colour.
TEST_F(GlLevelRenderTest, EffectSpritesShowTheirTextureColourOverGroundAndWater)
{
    const D3DCOLOR flash = 0xFFE0A040;
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    CEffect effect(FileFlashes(flash));
    // Between the eye and the pond's middle.
    const D3DXVECTOR3 overPond(64.0f, 6.5f, 52.0f);
    const D3DXVECTOR3 overGround = overPond + D3DXVECTOR3(0.0f, 3.0f, 0.0f);
    D3DXMATRIX frame;
    D3DXMatrixTranslation(&frame, overPond.x, overPond.y, overPond.z);
    effect.SetMatrix(&frame);
    effect.Start();
    const float oneFrame = 0.016f;
    effect.Update(oneFrame);

    CLevel& level = LoadPond(true);
    const std::vector<uint32_t> pixels = PlayFrameWith(level, effect);

    ASSERT_EQ(size_t(SCREEN_WIDTH * SCREEN_HEIGHT), pixels.size());
    EXPECT_EQ(1, level.GetWaterCount());
    EXPECT_EQ(flash & 0xFFFFFFu, PixelOf(pixels, device, overPond) & 0xFFFFFFu)
        << std::hex << PixelOf(pixels, device, overPond);
    EXPECT_EQ(flash & 0xFFFFFFu, PixelOf(pixels, device, overGround) & 0xFFFFFFu)
        << std::hex << PixelOf(pixels, device, overGround) << ": the sprite, not the ground behind it";
}

// Play's first explosion would otherwise build the programs for its draws in
// the middle of play; the picture stays the same.
TEST_F(GlLevelRenderTest, StartingPlayBuildsWhatTheEffectsDrawWithBeforeTheirFirstShow)
{
    const D3DCOLOR flash = 0xFFE0A040;
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    CEffect effect(FileFlashes(flash));
    const D3DXVECTOR3 overPond(64.0f, 6.5f, 52.0f);
    D3DXMATRIX frame;
    D3DXMatrixTranslation(&frame, overPond.x, overPond.y, overPond.z);
    effect.SetMatrix(&frame);
    effect.Start();
    effect.Update(0.016f);
    CLevel& level = LoadPond(true);

    level.WarmUpEffectDraws();
    const size_t built = D3D8Platform::BuiltProgramCount(device);
    const std::vector<uint32_t> pixels = PlayFrameWith(level, effect);

    EXPECT_EQ(built, D3D8Platform::BuiltProgramCount(device)) << "the first show built nothing new";
    ASSERT_EQ(size_t(SCREEN_WIDTH * SCREEN_HEIGHT), pixels.size());
    EXPECT_EQ(flash & 0xFFFFFFu, PixelOf(pixels, device, overPond) & 0xFFFFFFu)
        << std::hex << PixelOf(pixels, device, overPond);
}

// The town in the front end under the light of the hour, before and after the
// player applies another display mode: a building's lit facade, the ground
// and the sky keep their colours.
TEST_F(GlLevelRenderTest, ApplyingADisplayModeLeavesTheLevelsColoursAsTheyWere)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    ASSERT_TRUE(WriteBmpFile(device, "wall.bmp", FACE_SIDE, FACE_SIDE,
                             std::vector<uint32_t>(FACE_SIDE * FACE_SIDE, 0xFFC0A080)));
    // A block 8 units on a side, white under the wall's texture.
    XTextMesh block = CubeMesh();
    for (D3DXVECTOR3& corner : block.positions)
        corner *= 4.0f;
    block.faceMaterials.assign(block.faces.size(), 0);
    const D3DXCOLOR white(1.0f, 1.0f, 1.0f, 1.0f);
    const D3DXCOLOR none(0.0f, 0.0f, 0.0f, 1.0f);
    block.materials = {{white, 4.0f, none, none, "wall.bmp"}};
    m_Dir.Write("Assets/Meshes/block.x", XFileText(MeshText(block)));
    m_Dir.Write("Scripts/Meshes.txt", "Mesh Block Asset_Type Level Src Assets\\Meshes\\block.x\n");
    m_Dir.Write("Scripts/DisplayObjects.txt", "DisplayObject3D Block Asset_Type Level Mesh Block\n");
    m_Dir.Write("Scripts/ComplexObjects.txt", "ComplexObject Shell OpaqueObj Block\n");
    m_Dir.Write("Scripts/Buildings.txt", "Building Flats ComplexObject Shell\n");
    LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
    LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObjects.txt");
    LoadAssetsFromScript<CComplexObject>("Scripts\\ComplexObjects.txt");
    LoadAssetsFromScript<CBuildingObject>("Scripts\\Buildings.txt");
    const D3DXVECTOR3 facade(64.0f, 4.0f, 48.0f);
    LoadLevel("Terrain Ground\nSky_Box Compass\nBuilding Flats Orientation " + At(64.0f, 4.0f, 52.0f) + "\n");

    // An evening sun from behind the camera, as the clock of the day sets it.
    D3DLIGHT8 sun = {};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {1.0f, 0.6f, 0.3f, 0.0f};
    sun.Direction = {0.0f, -0.6f, 0.8f};
    device->SetLight(0, &sun);

    const struct {
        const char* what;
        D3DXVECTOR3 point;
    } places[] = {
        {"the facade", facade},
        {"the ground", D3DXVECTOR3(50.0f, 0.0f, 70.0f)},
        {"the sky", D3DXVECTOR3(64.0f, 30.0f, 1000.0f)},
    };
    const std::vector<uint32_t> first = Frame();
    std::vector<uint32_t> before;
    for (const auto& place : places)
        before.push_back(PixelOf(first, device, place.point));
    EXPECT_GT((before[0] >> 16) & 0xFF, (before[0] & 0xFF) + 0x40) << std::hex << before[0]
        << ": the wall in the evening light";
    EXPECT_EQ(SKY & 0xFFFFFFu, before[2] & 0xFFFFFFu) << "the sky is on the screen";

    const int width = 800;
    const int height = 600;
    ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(width, height, false, false, 0, 0)));
    const std::vector<uint32_t> pixels = Frame();
    ASSERT_EQ(size_t(width * height), pixels.size());
    for (size_t i = 0; i < before.size(); ++i) {
        const uint32_t after = PixelOf(pixels, device, places[i].point, width, height);
        EXPECT_TRUE(ColourNear(before[i], after, 1)) << places[i].what << std::hex << ": " << before[i] << " then "
                                                     << after;
    }
}

// The mirror over the pond draws an actor its view can see, and leaves out
// one far off to the side and one under the water; the main view draws all
// three wherever they are.
TEST_F(GlLevelRenderTest, TheMirrorDrawsOnlyTheActorsItsViewCanSee)
{
    CLevel& level = LoadPond(true);
    Frame();
    ASSERT_EQ(1, level.GetWaterCount());
    D3DXMATRIX mirrored;
    ASSERT_TRUE(level.GetMirroredView(mirrored));
    const struct {
        const char* where;
        D3DXVECTOR3 place;
        bool mirrored;
    } cases[] = {
        {"beside the pond, in the mirror's sight", D3DXVECTOR3(64.0f, 2.0f, 70.0f), true},
        {"far off to the side", D3DXVECTOR3(364.0f, 2.0f, 64.0f), false},
        {"under the water", D3DXVECTOR3(64.0f, -6.0f, 64.0f), false},
    };
    const auto draws = [](size_t from, size_t to) {
        return std::count(s_Trace.begin() + from, s_Trace.begin() + to, "CAIControllerSet::Draw");
    };
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        CAIControllerSet* agent = level.AddAgent();
        ASSERT_TRUE(agent->CreatePedestrian("Lizard", &c.place));

        StartTrace();
        g_RenderQueue.Clear();
        device->SetTransform(D3DTS_VIEW, &mirrored);
        level.QueueRender(RENDER_PASS_REFLECTION);
        level.RenderReflection();
        const size_t mirrorEnd = s_Trace.size();
        g_RenderQueue.Clear();
        device->SetTransform(D3DTS_VIEW, &m_Viewer.m_matView);
        level.QueueRender(RENDER_PASS_MAIN);
        g_Display.BeginScene();
        level.Render();
        g_Display.EndScene();
        g_RenderQueue.Clear();

        EXPECT_EQ(c.mirrored ? 1 : 0, draws(0, mirrorEnd));
        EXPECT_EQ(1, draws(mirrorEnd, s_Trace.size()));
        EXPECT_TRUE(level.RemoveAgent(agent));
    }
}
