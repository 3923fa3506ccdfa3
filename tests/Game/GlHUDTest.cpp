// The HUD of the shipped game drawn on the real device and read back: the
// needles over the dials' ticks, a wanted star at its corner; the minimap's
// targets and its turn on the screen over a map of four coloured quadrants.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Game/GlShippedPicturesFixture.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/HUD.h"
#include "platform/d3d8/D3D8Platform.h"
#include "support/TempDir.h"

namespace {

const D3DCOLOR BLACK = 0xFF000000;
const D3DCOLOR DIAL_WHITE = 0xFFE0E0E0; // the dials' 0xE0FFFFFF over black
const D3DCOLOR NEEDLE_RED = 0xFFFF3030;
const D3DCOLOR STAR_YELLOW = 0xFFFFD020;
const int TOLERANCE = 24;
const float DEGREES = 0.01745328f;

// Where the shipped look puts things on a 640 x 480 screen: the dials' centres
// (corner plus 51.2 pixels), the radius halfway along the ticks (the picture's
// 47 to 59 pixels, drawn at 0.8) and the star's corner and size.
const D3DXVECTOR2 RPM_CENTRE(0.02f * 640 + 51.2f, 0.76f * 480 + 51.2f);
const D3DXVECTOR2 MPH_CENTRE(0.20f * 640 + 51.2f, 0.76f * 480 + 51.2f);
const float TICK_RADIUS = 42.0f;
const D3DXVECTOR2 STAR_CORNER(0.955f * 640, 0.3f * 480);
const float STAR_SIDE = 24.0f;
// The shipped needle points 20 degrees above the right in its picture, and the
// sprite turns it clockwise: turned by a, it points a - 20 degrees below the right.
const float NEEDLE_PICTURE_DEGREES = -20.0f;
// The tachometer's ticks at 0 and 11000 rpm, as needle angles.
const float FIRST_TICK_DEGREES = 40.0f;
const float LAST_TICK_DEGREES = -180.0f;

class GlHUDTest : public GlShippedPicturesFixture {
protected:
    void SetUp() override
    {
        GlShippedPicturesFixture::SetUp();
        if (HasFatalFailure())
            return;
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        m_HUD.Load(&m_Player);
        m_HUD.m_bVisible = 1;
        m_Player.m_pCar = &m_Car;
    }

    void TearDown() override
    {
        GlShippedPicturesFixture::TearDown();
    }

    // The HUD over black with the engine at `rpm`.
    std::vector<uint32_t> DrawAt(float rpm)
    {
        m_Car.m_Engine.m_fEngineSpeed = rpm;
        return DrawScene(BLACK, m_Width, m_Height, [this] {
            CStateBlocks::ApplyObject2D();
            m_HUD.Draw();
        });
    }

    // True when a pixel within one of (x, y) has `colour`.
    bool NearPixel(const std::vector<uint32_t>& pixels, float x, float y, D3DCOLOR colour) const
    {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int px = static_cast<int>(x) + dx;
                const int py = static_cast<int>(y) + dy;
                if (ColourNear(pixels[static_cast<size_t>(py) * m_Width + px], colour, TOLERANCE))
                    return true;
            }
        }
        return false;
    }

    // Whether the tick of a dial at needle angle `degrees` shows `colour`.
    bool TickIs(const std::vector<uint32_t>& pixels, const D3DXVECTOR2& centre, float degrees, D3DCOLOR colour) const
    {
        const float screen = (NEEDLE_PICTURE_DEGREES + degrees) * DEGREES;
        return NearPixel(pixels, centre.x + TICK_RADIUS * std::cos(screen), centre.y + TICK_RADIUS * std::sin(screen),
                         colour);
    }

    CGameActor m_Player;
    CCar m_Car;
    CHUD m_HUD;
    UINT m_Width = 0;
    UINT m_Height = 0;
};

TEST_F(GlHUDTest, TheNeedlesLieOverTheDialsTicksFromRestToTheirStops)
{
    // The car stands: both needles rest over their dials' first ticks.
    const std::vector<uint32_t> idle = DrawAt(0.0f);
    ASSERT_EQ(640u * 480u, idle.size());
    EXPECT_TRUE(TickIs(idle, RPM_CENTRE, FIRST_TICK_DEGREES, NEEDLE_RED));
    EXPECT_TRUE(TickIs(idle, RPM_CENTRE, LAST_TICK_DEGREES, DIAL_WHITE)) << "the last tick, uncovered";
    EXPECT_TRUE(TickIs(idle, MPH_CENTRE, FIRST_TICK_DEGREES, NEEDLE_RED));

    const std::vector<uint32_t> full = DrawAt(11000.0f);
    EXPECT_TRUE(TickIs(full, RPM_CENTRE, LAST_TICK_DEGREES, NEEDLE_RED));
    EXPECT_TRUE(TickIs(full, RPM_CENTRE, FIRST_TICK_DEGREES, DIAL_WHITE)) << "the first tick, uncovered";
}

TEST_F(GlHUDTest, AWantedStarLandsAtItsCorner)
{
    m_Player.m_fWantedLevel = 1.0f;
    m_HUD.m_bShowNeedles = 0;
    const std::vector<uint32_t> pixels = DrawAt(0.0f);
    ASSERT_EQ(640u * 480u, pixels.size());
    EXPECT_TRUE(NearPixel(pixels, STAR_CORNER.x + STAR_SIDE / 2, STAR_CORNER.y + STAR_SIDE / 2, STAR_YELLOW));
    EXPECT_TRUE(NearPixel(pixels, STAR_CORNER.x - 2, STAR_CORNER.y + STAR_SIDE / 2, BLACK)) << "nothing left of it";
    EXPECT_TRUE(NearPixel(pixels, STAR_CORNER.x + STAR_SIDE / 2, STAR_CORNER.y - 2, BLACK)) << "nor above it";
}

// The quadrants of the map picture, by the world's x and z about its middle.
const D3DCOLOR WEST_SOUTH = 0xFF0000FF; // -x, -z
const D3DCOLOR EAST_SOUTH = 0xFF00FF00; // +x, -z
const D3DCOLOR WEST_NORTH = 0xFFFF0000; // -x, +z
const D3DCOLOR EAST_NORTH = 0xFFFFFF00; // +x, +z
const UINT MAP_SIDE = 512;
const UINT MINIMAP_SIDE = 128;
// The picture's middle: 256 of its 512 pixels for 2800 units, from the
// terrain's corner (none here: the world's origin).
const float MAP_MIDDLE = 1400.0f;
// The minimap's middle on a 640 x 480 screen: MapNorth's corner plus 64.
const float SCREEN_MIDDLE_X = 0.78f * 640 + 64;
const float SCREEN_MIDDLE_Y = 0.02f * 480 + 64;
// From the middle to a quadrant's pixels, inside the mask's disc of 60.
const int QUARTER = 24;
const char* const CREATE_TARGET_FAILED = "D3DXCreateTexture( g_Display.GetD3DDevice(),128,128,1,"
                                         "D3DUSAGE_RENDERTARGET,D3DFMT_A8R8G8B8,D3DPOOL_DEFAULT,"
                                         "&m_pMiniMapRenderTarget )";

// A minimap of four quadrants through the shipped mask, unframed, the player
// on foot and standing at the picture's middle.
class GlMiniMapTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(CStateBlocks::CreateAll());
        std::vector<uint32_t> quadrants(MAP_SIDE * MAP_SIDE);
        for (UINT row = 0; row < MAP_SIDE; ++row) {
            for (UINT column = 0; column < MAP_SIDE; ++column) {
                const bool east = column >= MAP_SIDE / 2;
                const bool north = row >= MAP_SIDE / 2; // rows run with +z
                quadrants[row * MAP_SIDE + column] =
                    north ? (east ? EAST_NORTH : WEST_NORTH) : (east ? EAST_SOUTH : WEST_SOUTH);
            }
        }
        ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), "quadrants.bmp", MAP_SIDE, MAP_SIDE, quadrants));
        File("Quadrants", "quadrants.bmp");
        File("Mask", std::string(KELM_GAME_DIR) + "/Assets/Images/HUD/map_mask.png");
        m_Dir.Write("Scripts/HUD.txt", "HUDObject MapNorth Position 0.78 0.02 Scale 1 1 Color 0xFFFFFFFF\n"
                                       "HUDObject MapAlpha Texture Mask\n"
                                       "HUDObject Map Texture Quadrants\n");
        Face(0, 1);
    }

    void TearDown() override
    {
        g_HUD.ReleaseMiniMapTargets();
        CDisplay::SetDeviceObjectHook(DEVICE_HOOK_MINIMAP, nullptr, nullptr);
        // The game's HUD as the next test finds it: hidden, without a player.
        g_HUD.m_bVisible = 0;
        g_HUD.m_bShowTime = 1;
        g_HUD.m_bShowStatus = 1;
        g_HUD.Load(nullptr);
        g_TextMaster.Reset();
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        D3D8Platform::ResetTestHooks();
        GlDisplayFixture::TearDown();
    }

    static void File(const char* name, const std::string& image)
    {
        auto* texture = new CTexture();
        ASSERT_TRUE(texture->CreateNamed(name, image));
        g_AssetManager.AddAsset(texture);
    }

    // The game's own HUD, its targets following the device.
    void LoadHUD()
    {
        g_HUD.Load(&m_Player);
        g_HUD.m_bVisible = 1;
        g_HUD.m_bShowTime = 0;
        g_HUD.m_bShowStatus = 0;
        RegisterMiniMapDeviceHooks();
    }

    void Face(float x, float z)
    {
        D3DXMATRIX& placement = m_Player.m_Model.m_matScaledObject;
        D3DXMatrixIdentity(&placement);
        placement._31 = x;
        placement._33 = z;
        placement._41 = MAP_MIDDLE;
        placement._43 = MAP_MIDDLE;
    }

    // The final target after a frame's layout and minimap pass.
    std::vector<uint32_t> RenderFinal()
    {
        g_HUD.LayOutMiniMap();
        g_HUD.RenderMiniMap();
        return ReadTarget(g_HUD.GetMiniMapFinal());
    }

    static std::vector<uint32_t> ReadTarget(IDirect3DTexture8* target)
    {
        IDirect3DSurface8* surface = nullptr;
        if (target == nullptr || FAILED(target->GetSurfaceLevel(0, &surface)))
            return {};
        UINT width = 0;
        UINT height = 0;
        std::vector<uint32_t> pixels = ReadSurface(surface, width, height);
        surface->Release();
        return pixels;
    }

    // The screen after the minimap pass and the HUD over black.
    std::vector<uint32_t> DrawFrame()
    {
        g_HUD.RenderMiniMap();
        return DrawScene(BLACK, m_Width, m_Height, [] {
            CStateBlocks::ApplyObject2D();
            g_HUD.Draw();
        });
    }

    // The screen pixel `dx`, `dy` from the minimap's middle.
    uint32_t AroundMiddle(const std::vector<uint32_t>& pixels, int dx, int dy) const
    {
        const int x = static_cast<int>(SCREEN_MIDDLE_X) + dx;
        const int y = static_cast<int>(SCREEN_MIDDLE_Y) + dy;
        return pixels.at(static_cast<size_t>(y) * m_Width + x);
    }

    static uint32_t At(const std::vector<uint32_t>& target, int x, int y)
    {
        return target.at(static_cast<size_t>(y) * MINIMAP_SIDE + x);
    }

    // The final target holds the map upright, +z up and +x right, inside
    // the mask's disc and nothing outside it.
    static void ExpectUpright(const std::vector<uint32_t>& target)
    {
        ASSERT_EQ(MINIMAP_SIDE * MINIMAP_SIDE, target.size());
        const int low = 64 - QUARTER;
        const int high = 64 + QUARTER;
        EXPECT_TRUE(ColourNear(WEST_NORTH, At(target, low, low), TOLERANCE)) << std::hex << At(target, low, low);
        EXPECT_TRUE(ColourNear(EAST_NORTH, At(target, high, low), TOLERANCE)) << std::hex << At(target, high, low);
        EXPECT_TRUE(ColourNear(WEST_SOUTH, At(target, low, high), TOLERANCE)) << std::hex << At(target, low, high);
        EXPECT_TRUE(ColourNear(EAST_SOUTH, At(target, high, high), TOLERANCE)) << std::hex << At(target, high, high);
        EXPECT_EQ(0xFFu, At(target, high, high) >> 24) << "the mask's and the map's alpha";
        for (const int corner : {2, 125})
            EXPECT_EQ(0u, At(target, corner, corner) >> 24) << "outside the disc at " << corner;
    }

    CGameActor m_Player;
    UINT m_Width = 0;
    UINT m_Height = 0;
};

TEST_F(GlMiniMapTest, TheFinalTargetHoldsTheMapUprightInsideTheMask)
{
    LoadHUD();
    ASSERT_NE(nullptr, g_HUD.GetMiniMapTarget()) << "made at once, the device being there";
    ASSERT_NE(nullptr, g_HUD.GetMiniMapFinal());
    ExpectUpright(RenderFinal());
    const std::string log = Log();
    EXPECT_EQ(std::string::npos, log.find("Error")) << log;

    // In a translucent colour the map's own alpha goes through the mask's:
    // the final pixel blends by their product, mirrored from the first target.
    m_Dir.Write("Scripts/HUD.txt", "HUDObject MapNorth Position 0.78 0.02 Scale 1 1 Color 0x80FFFFFF\n"
                                   "HUDObject MapAlpha Texture Mask\n"
                                   "HUDObject Map Texture Quadrants\n");
    g_HUD.Load(&m_Player);
    const std::vector<uint32_t> final = RenderFinal();
    const std::vector<uint32_t> first = ReadTarget(g_HUD.GetMiniMapTarget());
    ASSERT_EQ(MINIMAP_SIDE * MINIMAP_SIDE, first.size());
    const uint32_t mapAlpha = At(first, 64 + QUARTER, 63 - QUARTER) >> 24;
    EXPECT_LT(mapAlpha, 0xF0u) << "the map is translucent in its target";
    const uint32_t finalAlpha = At(final, 64 + QUARTER, 64 + QUARTER) >> 24;
    EXPECT_NEAR(static_cast<int>(mapAlpha * mapAlpha / 255), static_cast<int>(finalAlpha), 3);
}

// Facing +x the map turns a quarter to the left: +x is up, -z on the right.
TEST_F(GlMiniMapTest, OnTheScreenTheWayThePlayerFacesIsUp)
{
    LoadHUD();
    Face(1, 0);
    g_HUD.LayOutMiniMap();
    const std::vector<uint32_t> pixels = DrawFrame();
    ASSERT_EQ(640u * 480u, pixels.size());
    EXPECT_TRUE(ColourNear(EAST_NORTH, AroundMiddle(pixels, -QUARTER, -QUARTER), TOLERANCE));
    EXPECT_TRUE(ColourNear(EAST_SOUTH, AroundMiddle(pixels, QUARTER, -QUARTER), TOLERANCE));
    EXPECT_TRUE(ColourNear(WEST_NORTH, AroundMiddle(pixels, -QUARTER, QUARTER), TOLERANCE));
    EXPECT_TRUE(ColourNear(WEST_SOUTH, AroundMiddle(pixels, QUARTER, QUARTER), TOLERANCE));
    EXPECT_TRUE(ColourNear(BLACK, AroundMiddle(pixels, -62, -62), TOLERANCE)) << "outside the disc";
}

// A new display mode resets the device: the targets go before and come back
// after, and the minimap still draws.
TEST_F(GlMiniMapTest, ADisplayModeChangeMakesTheTargetsAgain)
{
    LoadHUD();
    ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(800, 600, false, false, 32, 0)));
    EXPECT_EQ(800, g_Display.GetCurrentMode().Width) << "the reset found no target left over";
    ASSERT_NE(nullptr, g_HUD.GetMiniMapTarget());
    ASSERT_NE(nullptr, g_HUD.GetMiniMapFinal());
    ExpectUpright(RenderFinal());
}

// Without its targets the frame goes on without the minimap.
TEST_F(GlMiniMapTest, TargetsThatCannotBeMadeLeaveTheMinimapOut)
{
    D3D8Platform::FailTextureCreation(D3DUSAGE_RENDERTARGET);
    LoadHUD();
    EXPECT_EQ(nullptr, g_HUD.GetMiniMapTarget());
    EXPECT_EQ(nullptr, g_HUD.GetMiniMapFinal());
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find(CREATE_TARGET_FAILED)) << log;
    EXPECT_NE(std::string::npos, log.find("&m_pMiniMapRenderFinal )")) << log;

    const std::vector<uint32_t> pixels = DrawFrame();
    ASSERT_EQ(640u * 480u, pixels.size());
    EXPECT_TRUE(ColourNear(BLACK, AroundMiddle(pixels, QUARTER, QUARTER), TOLERANCE));
    EXPECT_EQ(std::string::npos, Log().find("GetSurfaceLevel")) << "no call on a missing target";
}

} // namespace
