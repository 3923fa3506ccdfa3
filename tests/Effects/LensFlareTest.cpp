// Lens flares: where the disc and the ghosts are placed, how bright, and how
// they fade, recorded from a flare on a device of state only. The physics
// suite hides the light behind a box.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/Camera.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "Effects/LensFlare.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "support/ScriptText.h"

namespace {

const int WIDTH = 640;
const int HEIGHT = 480;
// The light stands this far ahead of the camera in the unit tests.
const float DEPTH = 1000.0f;
const uint32_t FRAME_MS = 100;
const UINT TEXTURE_SIDE = 8;

// What a flare drew: one entry per quad.
class CRecordingFlare : public CLensFlare {
public:
    struct Quad {
        const CLensFlareSpot* spot;
        float left, top, right, bottom;
        D3DCOLOR colour;
    };
    std::vector<Quad> m_Quads;

protected:
    void DrawSpot(IDirect3DDevice8& device, const CLensFlareSpot& spot, const LENSFLARE_VERTEX* quad) override
    {
        DWORD format = 0;
        device.GetVertexShader(&format);
        EXPECT_EQ(DWORD(0x144), format);
        // Corners 0 and 2 are the top left and the bottom right.
        m_Quads.push_back({&spot, quad[0].x, quad[0].y, quad[2].x, quad[2].y, quad[0].diffuse});
        CLensFlare::DrawSpot(device, spot, quad);
    }
};

class LensFlareTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        ASSERT_EQ(WIDTH, g_Display.GetCurrentMode().Width);
        ASSERT_EQ(HEIGHT, g_Display.GetCurrentMode().Height);
        const std::vector<uint32_t> white(TEXTURE_SIDE * TEXTURE_SIDE, 0xFFFFFFFFu);
        ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), "glow.bmp", TEXTURE_SIDE, TEXTURE_SIDE, white));
        auto* texture = new CTexture();
        ASSERT_TRUE(texture->CreateNamed("Glow", "glow.bmp"));
        g_AssetManager.AddAsset(texture);
        SetFrameTime(FRAME_MS);

        // The camera at the origin looking along +z, a quarter turn wide.
        m_pSavedCamera = g_pActiveCamera;
        D3DXMatrixIdentity(&m_Camera.m_matWorld);
        D3DXMatrixIdentity(&m_Camera.m_matView);
        m_Camera.m_vPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        g_pActiveCamera = &m_Camera;
        D3DXMatrixPerspectiveFovLH(&m_Projection, D3DX_PI / 2.0f, static_cast<float>(WIDTH) / HEIGHT, 1.0f,
                                   2.0f * DEPTH);
        g_Display.GetD3DDevice()->SetTransform(D3DTS_PROJECTION, &m_Projection);
    }
    void TearDown() override
    {
        g_pActiveCamera = m_pSavedCamera;
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    // A flare whose spots are `spots` ("LensFlareSpot ... DoneSpot" lines).
    static void Load(CLensFlare& flare, const std::string& spots)
    {
        ASSERT_TRUE(LoadFrom(flare, "LensFlare Sun\n Asset_Type Game\n" + spots));
    }
    static std::string Spot(float size, float linePos, const char* colour = "1 1 1 1")
    {
        return " LensFlareSpot Texture Glow Size " + std::to_string(size) + " LinePos " + std::to_string(linePos) +
               " Color " + colour + " DoneSpot\n";
    }
    // Where the light must stand to fall on pixel (x, y), both truncated.
    static D3DXVECTOR3 LightOnPixel(float x, float y)
    {
        const float halfWidth = WIDTH / 2.0f;
        const float halfHeight = HEIGHT / 2.0f;
        // With a quarter-turn field, a unit ahead spans half the height.
        return D3DXVECTOR3((x - halfWidth) / halfHeight * DEPTH, (halfHeight - y) / halfHeight * DEPTH, DEPTH);
    }
    void RenderDisc(CRecordingFlare& flare, const D3DXVECTOR3& light)
    {
        flare.Render(m_Projection, m_Camera.m_matView, light, WIDTH, HEIGHT, 0);
    }

    CCamera m_Camera;
    CCamera* m_pSavedCamera = nullptr;
    D3DXMATRIX m_Projection;
};

TEST_F(LensFlareTest, TheDiscDimsOverThreeHundredPixelsOffTheScreen)
{
    CRecordingFlare flare;
    Load(flare, Spot(0.5f, 1.0f, "1 1 1 1"));

    RenderDisc(flare, LightOnPixel(100.5f, 200.5f));
    ASSERT_EQ(1u, flare.m_Quads.size());
    const CRecordingFlare::Quad& onScreen = flare.m_Quads[0];
    EXPECT_EQ(&flare.GetSpots()[0], onScreen.spot);
    EXPECT_EQ(100.0f - 160.0f, onScreen.left) << "half of half the width around the light's pixel";
    EXPECT_EQ(200.0f - 160.0f, onScreen.top);
    EXPECT_EQ(100.0f + 160.0f, onScreen.right);
    EXPECT_EQ(200.0f + 160.0f, onScreen.bottom);
    EXPECT_EQ(0xFFFFFFFFu, onScreen.colour);

    flare.m_Quads.clear();
    RenderDisc(flare, LightOnPixel(-150.5f, 200.5f));
    ASSERT_EQ(1u, flare.m_Quads.size());
    EXPECT_EQ(0x80FFFFFFu, flare.m_Quads[0].colour) << "150 pixels off: half the intensity";

    flare.m_Quads.clear();
    RenderDisc(flare, LightOnPixel(-300.5f, 200.5f));
    RenderDisc(flare, LightOnPixel(320.5f, HEIGHT + 300.5f));
    EXPECT_TRUE(flare.m_Quads.empty()) << "300 pixels off: nothing";

    // A light behind the camera draws nothing, whatever its pixel would be;
    // one in the camera's plane lies infinitely far off the screen.
    RenderDisc(flare, D3DXVECTOR3(0.0f, 0.0f, -DEPTH));
    RenderDisc(flare, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    RenderDisc(flare, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(flare.m_Quads.empty());

    // Intensity runs from the maximum to the minimum, not to 0.
    flare.m_fMinIntensity = 0.2f;
    flare.m_fMaxIntensity = 0.6f;
    RenderDisc(flare, LightOnPixel(-150.5f, 200.5f));
    ASSERT_EQ(1u, flare.m_Quads.size());
    EXPECT_EQ(0x66FFFFFFu, flare.m_Quads[0].colour) << "0.2 + 0.5 x 0.4";
}

TEST_F(LensFlareTest, GhostsLieOnTheLineThroughTheCentre)
{
    CRecordingFlare flare;
    Load(flare, Spot(0.2f, 1.0f) + Spot(0.25f, 0.0f, "1 0 0 0.5") + Spot(0.125f, -1.0f, "0 0 1 1"));
    flare.m_vPosition = LightOnPixel(100.5f, 50.5f);
    flare.UpdateAndRender();
    ASSERT_EQ(2u, flare.m_Quads.size()) << "the disc is not a ghost";

    const CRecordingFlare::Quad& centre = flare.m_Quads[0];
    EXPECT_EQ(&flare.GetSpots()[1], centre.spot);
    EXPECT_EQ(320.0f - 80.0f, centre.left) << "LinePos 0: the centre of the screen";
    EXPECT_EQ(240.0f - 80.0f, centre.top);
    EXPECT_EQ(0x80FF0000u, centre.colour);
    const CRecordingFlare::Quad& mirrored = flare.m_Quads[1];
    EXPECT_EQ(540.0f - 40.0f, mirrored.left) << "LinePos -1: the light mirrored through the centre";
    EXPECT_EQ(430.0f - 40.0f, mirrored.top);
    EXPECT_EQ(540.0f + 40.0f, mirrored.right);
    EXPECT_EQ(0xFF0000FFu, mirrored.colour);

    // Behind the camera: no ghosts either.
    flare.m_Quads.clear();
    flare.m_vPosition.z = -DEPTH;
    flare.UpdateAndRender();
    EXPECT_TRUE(flare.m_Quads.empty());

    // One spot: the disc alone, so no ghosts.
    CRecordingFlare single;
    Load(single, Spot(0.2f, 1.0f));
    single.m_vPosition = LightOnPixel(100.5f, 50.5f);
    single.UpdateAndRender();
    EXPECT_TRUE(single.m_Quads.empty());
    RenderDisc(single, single.m_vPosition);
    EXPECT_EQ(1u, single.m_Quads.size());
}

TEST_F(LensFlareTest, SpotBlocksTakeByteColoursAndInlineSpotsFractions)
{
    CLensFlareSpot spot;
    ASSERT_TRUE(LoadFrom(spot, "LensFlareSpot Halo\n Texture Glow\n Size 0.3\n LinePos -0.5\n Color 255 51 0 102\n"));
    EXPECT_EQ(0.3f, spot.m_fSize);
    EXPECT_EQ(-0.5f, spot.m_fLinePos);
    EXPECT_EQ(D3DXCOLOR(1.0f, 0.2f, 0.0f, 0.4f), spot.m_Color);
    EXPECT_TRUE(spot.IsInitialised());
    CLensFlareSpot noTexture;
    EXPECT_FALSE(LoadFrom(noTexture, "LensFlareSpot Bare\n Size 0.3\n"));

    CLensFlare flare;
    std::string next;
    ASSERT_TRUE(LoadFrom(flare,
                         "LensFlare Sun\n Pos 1 2 3\n MinIntensity 0.1\n"
                         " LensFlareSpot Texture Glow Color 0.5 0.25 1 0.75 MaxIntensity 0.9\n"
                         " LensFlareSpot Size 2 DoneSpot\n"
                         "LensFlare Next\n",
                         &next));
    EXPECT_EQ("LensFlare", next) << "the block ends at the next block";
    ASSERT_EQ(2u, flare.GetSpots().size());
    EXPECT_EQ(D3DXCOLOR(0.5f, 0.25f, 1.0f, 0.75f), flare.GetSpots()[0].m_Color);
    EXPECT_EQ(0.9f, flare.m_fMaxIntensity) << "a word a spot does not know ends the spot";
    EXPECT_EQ(0.1f, flare.m_fMinIntensity);
    EXPECT_EQ(D3DXVECTOR3(1.0f, 2.0f, 3.0f), flare.m_vPosition);
    EXPECT_EQ(2.0f, flare.GetSpots()[1].m_fSize);

    CLensFlare empty;
    EXPECT_FALSE(LoadFrom(empty, "LensFlare Dark\n Asset_Type Game\n")) << "a flare needs a spot";
    CLensFlareSpot lost;
    EXPECT_FATAL(LoadFrom(lost, "LensFlareSpot Lost\n Texture Nowhere\n"),
                 "Unable to find asset \"Nowhere\" of type <CTexture>");
}

// The level feeds its copy more spots; the prototype must not notice.
TEST_F(LensFlareTest, ACopyReadingSpotsLeavesThePrototypeWhole)
{
    CRecordingFlare prototype;
    Load(prototype, Spot(0.2f, 1.0f) + Spot(0.1f, 0.5f));
    CLensFlare copy(prototype);
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    const std::string more = "LensFlareSpot Texture Glow Size 0.3 LinePos -1 DoneSpot "
                             "LensFlareSpot Texture Glow Size 0.4 LinePos -2 DoneSpot";
    reader.Tokenise(more.data(), more.size());
    while (!reader.IsEndOfBuffer() && copy.ReadProperty(reader)) {
    }
    EXPECT_TRUE(copy.Validate());
    EXPECT_EQ(4u, copy.GetSpots().size());
    EXPECT_EQ(2u, prototype.GetSpots().size());

    prototype.m_vPosition = LightOnPixel(100.5f, 50.5f);
    prototype.UpdateAndRender();
    RenderDisc(prototype, prototype.m_vPosition);
    EXPECT_EQ(2u, prototype.m_Quads.size());
    copy.m_vPosition = prototype.m_vPosition;
    copy.UpdateAndRender();
}

class PhysicsLensFlareTest : public LensFlareTest {
protected:
    void SetUp() override
    {
        LensFlareTest::SetUp();
        ASSERT_TRUE(g_Physics.Init());
    }
    void TearDown() override
    {
        g_Physics.Shutdown();
        LensFlareTest::TearDown();
    }
};

TEST_F(PhysicsLensFlareTest, AHiddenLightFadesItsGhostsAndSettles)
{
    CRecordingFlare flare;
    Load(flare, Spot(0.2f, 1.0f) + Spot(0.25f, 0.0f));
    flare.m_vPosition = D3DXVECTOR3(0.0f, 0.0f, DEPTH);

    NxActor* box = nullptr;
    g_Physics.CreateBoxActor(false, &box);
    ASSERT_NE(nullptr, box);
    box->setGlobalPosition(NxVec3(0.0f, 0.0f, 10.0f));

    flare.UpdateAndRender();
    EXPECT_FLOAT_EQ(0.94f, flare.GetVisibility()) << "0.6 a second";
    EXPECT_FLOAT_EQ(0.98f, flare.GetGhostScale()) << "0.2 a second";
    for (int frame = 0; frame < 20; ++frame)
        flare.UpdateAndRender();
    EXPECT_EQ(0.0f, flare.GetVisibility());
    EXPECT_EQ(0.8f, flare.GetGhostScale());
    const CRecordingFlare::Quad& ghost = flare.m_Quads.back();
    EXPECT_EQ(0u, ghost.colour >> 24) << "a hidden light's ghosts are clear";
    EXPECT_FLOAT_EQ(640.0f * 0.25f * 0.8f, ghost.right - ghost.left);

    // The light comes back when the box goes.
    g_Physics.ReleaseActor(false, &box);
    for (int frame = 0; frame < 20; ++frame)
        flare.UpdateAndRender();
    EXPECT_EQ(1.0f, flare.GetVisibility());
    EXPECT_EQ(1.0f, flare.GetGhostScale());
    EXPECT_EQ(0xFFu, flare.m_Quads.back().colour >> 24);
}

} // namespace
