// Effects and lens flares drawn on the real device, read back from the
// render target.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/AnimSequence.h"
#include "Display/Camera.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderQueue.h"
#include "Display/RenderStates.h"
#include "Display/Texture.h"
#include "Effects/Effect.h"
#include "Effects/LensFlare.h"
#include "support/MatrixExpect.h"
#include "support/ShippedScripts.h"
#include "support/ScriptText.h"

namespace {

const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
const int REFLECTION_SIDE = 256;
const float FRAME = 0.016f;
const D3DCOLOR BLACK = 0x00000000;
const uint32_t GREY = 0x808080;
const uint32_t RGB_MASK = 0x00FFFFFF;
// Every channel at least this: the spot or sprite is there.
const uint32_t BRIGHT = 0xC0;
const float DEPTH = 10.0f;

bool IsBright(uint32_t pixel)
{
    return ((pixel >> 16) & 0xFF) >= BRIGHT && ((pixel >> 8) & 0xFF) >= BRIGHT && (pixel & 0xFF) >= BRIGHT;
}

// The camera at the origin looking along +z, a quarter turn wide: a point at
// depth z and (x, y) in pixels of the 640 x 480 screen.
D3DXVECTOR3 OnPixel(float x, float y, float z)
{
    const float half = SCREEN_HEIGHT / 2.0f;
    return D3DXVECTOR3((x - SCREEN_WIDTH / 2.0f) / half * z, (half - y) / half * z, z);
}

class GlEffectDrawTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        ASSERT_TRUE(g_Display.Reset());
        g_RandomTable.Fill(11);
        {
            ScopedWorkingDir inGame(KELM_GAME_DIR);
            LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        }
        m_SavedCamera = g_GameCamera;
        m_pSavedActive = g_pActiveCamera;
        D3DXMatrixIdentity(&g_GameCamera.m_matWorld);
        D3DXMatrixIdentity(&g_GameCamera.m_matView);
        g_GameCamera.m_vPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        g_pActiveCamera = &g_GameCamera;

        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        D3DXMatrixPerspectiveFovLH(&m_Projection, D3DX_PI / 2.0f, static_cast<float>(SCREEN_WIDTH) / SCREEN_HEIGHT,
                                   0.1f, 1000.0f);
        const D3DXMATRIX identity = Identity();
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &m_Projection);
        device->SetTransform(D3DTS_WORLD, &identity);
    }
    void TearDown() override
    {
        g_RenderQueue.Clear();
        m_Effect = CEffect();
        g_GameCamera = m_SavedCamera;
        g_pActiveCamera = m_pSavedActive;
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        GlDisplayFixture::TearDown();
    }

    // A copy of `prototype` as m_Effect, started in `frame` (which must
    // outlive the draw), one frame on and alone in the render queue.
    void QueueStarted(const CEffect& prototype, const D3DXMATRIX& frame)
    {
        m_Effect = prototype;
        m_Effect.SetMatrix(&frame);
        m_Effect.Start();
        m_Effect.Update(FRAME);
        g_RenderQueue.Clear();
        m_Effect.Render();
    }

    static uint32_t At(const std::vector<uint32_t>& pixels, UINT width, int x, int y)
    {
        return pixels[static_cast<size_t>(y) * width + static_cast<size_t>(x)];
    }

    CCamera m_SavedCamera;
    CCamera* m_pSavedActive = nullptr;
    D3DXMATRIX m_Projection;
    CEffect m_Effect;
};

TEST_F(GlEffectDrawTest, AnEffectsSpriteAndParticlesLightTheirPlacesInItsFrame)
{
    auto* dot = new C3DAnimSequence();
    ASSERT_TRUE(LoadFrom(*dot, "3DAnimSeq Dot\n Asset_Type Game\n AnimFrame ParticleSpark\n Time 10\n"));
    g_AssetManager.AddAsset(dot);
    auto* dots = new CParticleEmitter();
    ASSERT_TRUE(dots->Compile("ParticleSystem \"Dots\" 1 { EventSequence \"p\" { Texture = \"ParticleSpark\" "
                              "NumParticles = 1 EmitRate = 1000 Lifetime = 100 initial Size = 1 "
                              "initial Color = RGBA(1, 1, 1, 1) } }"));
    dots->m_Name = "Dots";
    g_AssetManager.AddAsset(dots);

    CEffect prototype;
    ASSERT_TRUE(prototype.Compile("EffectSystem \"Show\" 1 {\n"
                                  " SpriteNum = 1 Sprite 1 Asset = \"Dot\" Sprite 1 Pos = XYZ(-3, 0, 0)\n"
                                  " ParticleNum = 1 Particle 1 Asset = \"Dots\" Particle 1 Pos = XYZ(3, 0, 0)\n"
                                  " Particle 1 MatrixType = Follow\n"
                                  " EventSequence { initial Sprite 1 Start }\n}"))
        << prototype.GetStatus();
    const D3DXMATRIX frame = Translation(0.0f, 2.0f, DEPTH);
    QueueStarted(prototype, frame);

    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> pixels = DrawScene(0xFF000000 | GREY, width, height, [] {
        CStateBlocks::ApplyParticle();
        g_RenderQueue.DrawParticles1();
        CStateBlocks::ApplyTransObject3D();
        g_RenderQueue.DrawSprites();
    });
    ASSERT_EQ(static_cast<UINT>(SCREEN_WIDTH), width);
    // (-3, 2, 10) and (3, 2, 10) fall on these pixels: the sprite shows its
    // texture's white although the block lights what it draws, the particle
    // adds its white.
    EXPECT_TRUE(IsBright(At(pixels, width, 248, 192))) << std::hex << At(pixels, width, 248, 192);
    EXPECT_TRUE(IsBright(At(pixels, width, 392, 192))) << std::hex << At(pixels, width, 392, 192);
    EXPECT_EQ(GREY, At(pixels, width, 320, 192) & RGB_MASK) << "the sprite keeps its offset in the frame";
    EXPECT_EQ(GREY, At(pixels, width, 248, 240) & RGB_MASK) << "the frame lifts both";
}

TEST_F(GlEffectDrawTest, AFlaresDiscAndGhostLandOnTheirPixels)
{
    CLensFlare flare;
    ASSERT_TRUE(LoadFrom(flare, "LensFlare Sun\n Asset_Type Game\n"
                                " LensFlareSpot Texture FlareDisc Size 0.1 LinePos 1 Color 1 1 1 1 DoneSpot\n"
                                " LensFlareSpot Texture FlareDisc Size 0.05 LinePos 0 Color 1 1 1 1 DoneSpot\n"));
    flare.m_vPosition = OnPixel(160.5f, 120.5f, 1000.0f);
    const D3DXMATRIX view = Identity();

    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> pixels = DrawScene(BLACK, width, height, [&] {
        CStateBlocks::ApplySunFlare();
        flare.Render(m_Projection, view, flare.m_vPosition, SCREEN_WIDTH, SCREEN_HEIGHT, 0);
        flare.UpdateAndRender();
    });
    ASSERT_EQ(static_cast<UINT>(SCREEN_WIDTH), width);
    EXPECT_TRUE(IsBright(At(pixels, width, 160, 120))) << "the disc on the light";
    EXPECT_TRUE(IsBright(At(pixels, width, 320, 240))) << "the ghost at the centre";
    EXPECT_EQ(0u, At(pixels, width, 160 + 40, 120) & RGB_MASK) << "the disc is 64 pixels across";
    EXPECT_EQ(0u, At(pixels, width, 320 + 20, 240) & RGB_MASK) << "the ghost is 32 pixels across";
    EXPECT_EQ(0u, At(pixels, width, 480, 360) & RGB_MASK);

    // The reflection pass draws the disc into its 256 x 256 target.
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(REFLECTION_SIDE, REFLECTION_SIDE, 1, D3DUSAGE_RENDERTARGET,
                                            D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target));
    IDirect3DSurface8* surface = nullptr;
    IDirect3DSurface8* backBuffer = nullptr;
    IDirect3DSurface8* depth = nullptr;
    target->GetSurfaceLevel(0, &surface);
    device->GetRenderTarget(&backBuffer);
    device->GetDepthStencilSurface(&depth);
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(surface, depth));
    pixels = DrawScene(BLACK, width, height, [&] {
        CStateBlocks::ApplySunFlare();
        flare.Render(m_Projection, view, flare.m_vPosition, REFLECTION_SIDE, REFLECTION_SIDE, 0);
    });
    device->SetRenderTarget(backBuffer, depth);
    surface->Release();
    backBuffer->Release();
    depth->Release();
    target->Release();
    ASSERT_EQ(static_cast<UINT>(REFLECTION_SIDE), width);
    // A quarter of the way in from the left and from the top, 25 pixels across.
    EXPECT_TRUE(IsBright(At(pixels, width, 64, 64))) << std::hex << At(pixels, width, 64, 64);
    EXPECT_EQ(0u, At(pixels, width, 64 + 16, 64) & RGB_MASK);
    EXPECT_EQ(0u, At(pixels, width, 128, 128) & RGB_MASK) << "only the disc in this pass";
}

// The shipped flashes in their first frame, drawn by the render queue's
// sprite pass under the TransObject3D block, which lights what it draws: the
// pixel under each sprite's middle has the colour of the middle of the spark
// sheet's first picture, not the dark of a lit quad without normals.
TEST_F(GlEffectDrawTest, AMuzzleFlashAndAnExplosionShowTheSparkSheetsColours)
{
    LoadEffectScripts();
    CTexture* sheet = nullptr;
    g_AssetManager.GetAsset("SparkSheet", sheet, true);
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(D3D_OK, sheet->GetTexture()->GetSurfaceLevel(0, &level));
    UINT sheetWidth = 0;
    UINT sheetHeight = 0;
    const std::vector<uint32_t> texels = ReadSurface(level, sheetWidth, sheetHeight);
    level->Release();
    // The first of four pictures side by side.
    const uint32_t middle = texels[sheetHeight / 2 * sheetWidth + sheetWidth / 8];

    const struct {
        const char* effect;
        D3DXVECTOR3 sprite; // the sprite's offset in the effect's frame
    } flashes[] = {
        {"MuzzleFlash", D3DXVECTOR3(0.0f, 0.0f, 0.2f)},
        {"Explosion", D3DXVECTOR3(0.0f, 0.5f, 0.0f)},
    };
    for (const auto& flash : flashes) {
        SCOPED_TRACE(flash.effect);
        CEffect* prototype = nullptr;
        g_AssetManager.GetAsset(flash.effect, prototype, true);
        const D3DXMATRIX frame = Translation(0.0f, 0.0f, DEPTH);
        QueueStarted(*prototype, frame);
        UINT width = 0;
        UINT height = 0;
        const std::vector<uint32_t> pixels = DrawScene(0xFF000000 | GREY, width, height, [] {
            CStateBlocks::ApplyTransObject3D();
            g_RenderQueue.DrawSprites();
        });
        const long index = ScreenPixelIndex(m_Projection, flash.sprite + D3DXVECTOR3(0.0f, 0.0f, DEPTH),
                                            static_cast<int>(width), static_cast<int>(height));
        ASSERT_GE(index, 0);
        const uint32_t pixel = pixels[static_cast<size_t>(index)];
        EXPECT_TRUE(ColourNear(middle, pixel, 0x20)) << std::hex << pixel << ", the sheet's " << middle;
    }
}

} // namespace
