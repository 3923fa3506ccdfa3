#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "platform/d3d8/D3D8Platform.h"

namespace {

DWORD FloatBits(float value)
{
    DWORD bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

class CStateBlocksTest : public DisplayFixture {
protected:
    IDirect3DDevice8* Device() const { return g_Display.GetD3DDevice(); }

    DWORD Render(D3DRENDERSTATETYPE state) const
    {
        DWORD value = 0;
        EXPECT_EQ(D3D_OK, Device()->GetRenderState(state, &value));
        return value;
    }

    DWORD Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const
    {
        DWORD value = 0;
        EXPECT_EQ(D3D_OK, Device()->GetTextureStageState(stage, type, &value));
        return value;
    }

    DWORD Shader() const
    {
        DWORD handle = 0;
        Device()->GetVertexShader(&handle);
        return handle;
    }

    // The Default state, then one named pair over it.
    void ApplyOver(uint32_t pixel, uint32_t vertex) const
    {
        CStateBlocks::ApplyDefault();
        Device()->ApplyStateBlock(pixel);
        Device()->ApplyStateBlock(vertex);
    }

    static int Count(const std::string& text, const std::string& part)
    {
        int count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++count;
        return count;
    }
};

// What sets each block apart, and what it leaves as in Default. A stage of
// -1 names a render state, -2 the vertex format.
struct Expected {
    int stage;
    DWORD type;
    DWORD value;
};
const int RENDER = -1;
const int FORMAT = -2;

struct BlockCase {
    const char* name;
    uint32_t* pixel;
    uint32_t* vertex;
    std::vector<Expected> states;
};

TEST_F(CStateBlocksTest, EachBlockHoldsTheDefaultStateChangedByItsOwnList)
{
    CreateDisplay();
    ASSERT_TRUE(CStateBlocks::CreateAll());
    const DWORD defaultCull = D3DCULL_CCW;
    const BlockCase cases[] = {
        {"Font", &g_u32StateBlockFont_Pixel, &g_u32StateBlockFont_Vertex,
         {{RENDER, D3DRS_ZENABLE, FALSE}, {RENDER, D3DRS_ALPHATESTENABLE, TRUE}, {RENDER, D3DRS_ALPHAREF, 0},
          {RENDER, D3DRS_CLIPPING, TRUE}, {RENDER, D3DRS_FOGENABLE, FALSE},
          {0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR}, {0, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
          {RENDER, D3DRS_LIGHTING, TRUE}, {FORMAT, 0, 0}}},
        {"SunFlare", &g_u32StateBlockSunFlare_Pixel, &g_u32StateBlockSunFlare_Vertex,
         {{RENDER, D3DRS_ZWRITEENABLE, FALSE}, {RENDER, D3DRS_DESTBLEND, D3DBLEND_ONE},
          {RENDER, D3DRS_CULLMODE, D3DCULL_NONE}, {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
          {0, D3DTSS_COLORARG1, D3DTA_DIFFUSE}, {0, D3DTSS_COLORARG2, D3DTA_TEXTURE},
          {FORMAT, 0, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1}}},
        {"Particle", &g_u32StateBlockParticle_Pixel, &g_u32StateBlockParticle_Vertex,
         {{RENDER, D3DRS_POINTSPRITEENABLE, TRUE}, {RENDER, D3DRS_POINTSCALE_C, FloatBits(1.0f)},
          {RENDER, D3DRS_POINTSIZE_MAX, FloatBits(64.0f)}, {RENDER, D3DRS_DESTBLEND, D3DBLEND_DESTALPHA},
          {RENDER, D3DRS_BLENDOP, D3DBLENDOP_ADD}, {RENDER, D3DRS_CULLMODE, defaultCull},
          {FORMAT, 0, D3DFVF_PARTICLE}}},
        {"ParticleBlack", &g_u32StateBlockParticleBlack_Pixel, &g_u32StateBlockParticleBlack_Vertex,
         {{RENDER, D3DRS_POINTSPRITEENABLE, TRUE}, {RENDER, D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT},
          {RENDER, D3DRS_DESTBLEND, D3DBLEND_ONE}, {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
          {FORMAT, 0, D3DFVF_PARTICLE}}},
        {"Line", &g_u32StateBlockLine_Pixel, &g_u32StateBlockLine_Vertex,
         {{RENDER, D3DRS_LIGHTING, FALSE}, {RENDER, D3DRS_ZWRITEENABLE, FALSE},
          {0, D3DTSS_COLOROP, D3DTOP_SELECTARG1}, {0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE},
          {FORMAT, 0, D3DFVF_XYZ | D3DFVF_DIFFUSE}}},
        {"Object2D", &g_u32StateBlockObject2D_Pixel, &g_u32StateBlockObject2D_Vertex,
         {{RENDER, D3DRS_LIGHTING, FALSE}, {RENDER, D3DRS_ZWRITEENABLE, FALSE},
          {RENDER, D3DRS_ALPHABLENDENABLE, TRUE}, {RENDER, D3DRS_ZENABLE, D3DZB_TRUE}, {FORMAT, 0, 0}}},
        {"Object3D", &g_u32StateBlockObject3D_Pixel, &g_u32StateBlockObject3D_Vertex,
         {{RENDER, D3DRS_SPECULARENABLE, TRUE}, {RENDER, D3DRS_ALPHAREF, 0x08},
          {RENDER, D3DRS_AMBIENT, 0x00272727}, {RENDER, D3DRS_NORMALIZENORMALS, TRUE},
          {RENDER, D3DRS_ALPHABLENDENABLE, FALSE}, {0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
          {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE}}},
        {"Car", &g_u32StateBlockCar_Pixel, &g_u32StateBlockCar_Vertex,
         {{RENDER, D3DRS_SPECULARENABLE, TRUE}, {RENDER, D3DRS_ALPHAREF, 0x08},
          {RENDER, D3DRS_AMBIENT, 0x00272727}, {0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR}}},
        {"TransObject3D", &g_u32StateBlockTransObject3D_Pixel, &g_u32StateBlockTransObject3D_Vertex,
         {{RENDER, D3DRS_CULLMODE, D3DCULL_NONE}, {RENDER, D3DRS_ALPHABLENDENABLE, TRUE},
          {RENDER, D3DRS_ZWRITEENABLE, TRUE}, {0, D3DTSS_MAGFILTER, D3DTEXF_POINT},
          {0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE}, {0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE}}},
        {"SkyBox", &g_u32StateBlockSkyBox_Pixel, &g_u32StateBlockSkyBox_Vertex,
         {{RENDER, D3DRS_ZENABLE, FALSE}, {RENDER, D3DRS_LIGHTING, FALSE}, {0, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
          {FORMAT, 0, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1}}},
        {"AnimatedMesh", &g_u32StateBlockAnimatedMesh_Pixel, &g_u32StateBlockAnimatedMesh_Vertex,
         {{RENDER, D3DRS_SPECULARENABLE, FALSE}, {RENDER, D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
          {RENDER, D3DRS_ALPHAREF, 0x08}, {0, D3DTSS_COLOROP, D3DTOP_MODULATE}}},
    };
    for (const BlockCase& block : cases) {
        SCOPED_TRACE(block.name);
        ASSERT_NE(0u, *block.pixel);
        ASSERT_NE(0u, *block.vertex);
        ApplyOver(*block.pixel, *block.vertex);
        for (const Expected& expected : block.states) {
            SCOPED_TRACE(testing::Message() << "stage " << expected.stage << ", state " << expected.type);
            if (expected.stage == RENDER)
                EXPECT_EQ(expected.value, Render(static_cast<D3DRENDERSTATETYPE>(expected.type)));
            else if (expected.stage == FORMAT)
                EXPECT_EQ(expected.value, Shader());
            else
                EXPECT_EQ(expected.value,
                          Stage(static_cast<DWORD>(expected.stage),
                                static_cast<D3DTEXTURESTAGESTATETYPE>(expected.type)));
        }
    }
}

TEST_F(CStateBlocksTest, PixelAndVertexBlocksSplitTheState)
{
    CreateDisplay();
    ASSERT_TRUE(CStateBlocks::CreateAll());

    ApplyOver(g_u32StateBlockParticle_Pixel, 0);
    EXPECT_EQ(TRUE, Render(D3DRS_ALPHABLENDENABLE)) << "blending is pixel state";
    EXPECT_EQ(D3DBLEND_DESTALPHA, Render(D3DRS_DESTBLEND));
    EXPECT_EQ(FALSE, Render(D3DRS_POINTSPRITEENABLE)) << "point sprites are vertex state";
    EXPECT_EQ(TRUE, Render(D3DRS_LIGHTING));
    EXPECT_EQ(0u, Shader());

    ApplyOver(0, g_u32StateBlockParticle_Vertex);
    EXPECT_EQ(FALSE, Render(D3DRS_ALPHABLENDENABLE));
    EXPECT_EQ(TRUE, Render(D3DRS_POINTSPRITEENABLE));
    EXPECT_EQ(FALSE, Render(D3DRS_LIGHTING));
    EXPECT_EQ(D3DFVF_PARTICLE, Shader()) << "the vertex format goes with the vertex block";
}

TEST_F(CStateBlocksTest, NamedBlocksApplyOverEachOther)
{
    CreateDisplay();
    ASSERT_TRUE(CStateBlocks::CreateAll());
    CStateBlocks::ApplyDefault();
    const DWORD defaultZ = Render(D3DRS_ZENABLE);

    CStateBlocks::ApplyFont();
    EXPECT_EQ(FALSE, Render(D3DRS_ZENABLE));
    CStateBlocks::ApplyObject3D();
    EXPECT_EQ(TRUE, Render(D3DRS_ZENABLE));
    EXPECT_EQ(TRUE, Render(D3DRS_LIGHTING));
    EXPECT_EQ(FALSE, Render(D3DRS_ALPHABLENDENABLE));

    CStateBlocks::ApplyObject2D();
    EXPECT_EQ(FALSE, Render(D3DRS_LIGHTING));
    EXPECT_EQ(FALSE, Render(D3DRS_ZWRITEENABLE));
    EXPECT_EQ(defaultZ, Render(D3DRS_ZENABLE));
}

TEST_F(CStateBlocksTest, ParticlesAreCappedAt64OrTheDevicesLargestPoint)
{
    const struct {
        float deviceLargest;
        float held;
    } cases[] = {{256.0f, 64.0f}, {32.0f, 32.0f}, {64.0f, 64.0f}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.deviceLargest);
        IDirect3D8* direct3D = Direct3DCreate8(D3D_SDK_VERSION);
        D3DCAPS8 caps = {};
        direct3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
        direct3D->Release();
        caps.MaxPointSize = entry.deviceLargest;
        D3D8Platform::SetCaps(caps);
        CreateDisplay();
        ASSERT_TRUE(CStateBlocks::CreateAll());
        CStateBlocks::ApplyParticle();
        EXPECT_EQ(FloatBits(entry.held), Render(D3DRS_POINTSIZE_MAX));
        EXPECT_EQ(FloatBits(0.0f), Render(D3DRS_POINTSIZE_MIN));
        CStateBlocks::ApplyParticleBlack();
        EXPECT_EQ(FloatBits(entry.held), Render(D3DRS_POINTSIZE_MAX));
        g_Display.Shutdown();
    }
}

TEST_F(CStateBlocksTest, TheNearPlaneTakesTheScreensShape)
{
    const struct {
        uint16_t width, height;
        float nearWidth, nearHeight;
    } cases[] = {{800, 600, 0.13333334f, 0.1f}, {600, 800, 0.1f, 0.13333334f}, {600, 600, 1.0f, 1.0f}};
    CreateDisplay();
    for (const auto& entry : cases) {
        SCOPED_TRACE(testing::Message() << entry.width << "x" << entry.height);
        // The restore after the mode change sets the projection up.
        ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(entry.width, entry.height, false, false, 32, 0)));
        // A left-handed perspective maps the near plane's half sizes to 1.
        EXPECT_NEAR(2.0f * 0.1f / entry.nearWidth, g_matProjection._11, 1e-4f);
        EXPECT_NEAR(2.0f * 0.1f / entry.nearHeight, g_matProjection._22, 1e-4f);
        EXPECT_NEAR(10000.0f / (10000.0f - 0.1f), g_matProjection._33, 1e-6f);
        D3DMATRIX onDevice = {};
        Device()->GetTransform(D3DTS_PROJECTION, &onDevice);
        EXPECT_EQ(0, std::memcmp(&onDevice, &g_matProjection, sizeof(onDevice)));
    }

    ASSERT_TRUE(SetupDefaultViewProjection());
    D3DMATRIX view = {};
    Device()->GetTransform(D3DTS_VIEW, &view);
    EXPECT_FLOAT_EQ(3.0f, view._43) << "looking from (0, 0, -3) at the origin";
    EXPECT_FLOAT_EQ(1.0f, view._11);
    EXPECT_FLOAT_EQ(1.0f, view._22);
}

TEST_F(CStateBlocksTest, TheDefaultLightIsAWhiteDirectionalLight)
{
    CreateDisplay();
    ASSERT_TRUE(CStateBlocks::CreateAll());
    D3DLIGHT8 light = {};
    ASSERT_EQ(D3D_OK, Device()->GetLight(0, &light));
    BOOL enabled = FALSE;
    Device()->GetLightEnable(0, &enabled);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(D3DLIGHT_DIRECTIONAL, light.Type);
    EXPECT_FLOAT_EQ(1.0f, light.Diffuse.r);
    EXPECT_FLOAT_EQ(0.0f, light.Diffuse.a);
    EXPECT_FLOAT_EQ(1.0f, light.Specular.b);
    EXPECT_FLOAT_EQ(0.0f, light.Ambient.r);
    EXPECT_FLOAT_EQ(1000.0f, light.Range);
    const float length = std::sqrt(0.25f + 2.25f + 1.0f);
    EXPECT_FLOAT_EQ(0.5f / length, light.Direction.x);
    EXPECT_FLOAT_EQ(-1.5f / length, light.Direction.y);
    EXPECT_FLOAT_EQ(1.0f / length, light.Direction.z);
}

TEST_F(CStateBlocksTest, AFailureInOneBlockStopsTheRest)
{
    D3D8Platform::FailRenderState(D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT);
    CreateDisplay();
    EXPECT_FALSE(CStateBlocks::CreateAll());
    EXPECT_NE(0u, g_u32StateBlockParticle_Vertex) << "built before the failure";
    const uint32_t* const uncreated[] = {
        &g_u32StateBlockParticleBlack_Pixel, &g_u32StateBlockParticleBlack_Vertex, &g_u32StateBlockLine_Pixel,
        &g_u32StateBlockAnimatedMesh_Pixel,  &g_u32StateBlockCar_Vertex,           &g_u32StateBlockSunFlare_Pixel,
    };
    for (const uint32_t* handle : uncreated)
        EXPECT_EQ(0u, *handle);
    BOOL enabled = FALSE;
    EXPECT_NE(D3D_OK, Device()->GetLightEnable(0, &enabled)) << "the default light comes last";

    const std::string log = Log();
    EXPECT_EQ(1, Count(log, "Error in "));
    EXPECT_NE(std::string::npos, log.find("] Error in .\\Display\\RenderStates #")) << log;
    EXPECT_NE(std::string::npos,
              log.find(" - pD3DDevice->SetRenderState( D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT ) hr=-2005530516"))
        << log;

    // What was never made is not deleted.
    EXPECT_TRUE(CStateBlocks::DeleteAll());
    EXPECT_EQ(0u, g_u32StateBlockParticle_Vertex);
    EXPECT_EQ(1, Count(Log(), "Error in "));
}

TEST_F(CStateBlocksTest, DeletionStopsAtItsFirstFailureAndClearsWhatItDeleted)
{
    CreateDisplay();
    ASSERT_TRUE(CStateBlocks::CreateAll());
    const uint32_t object2D = g_u32StateBlockObject2D_Pixel;
    const uint32_t bogus = 0x7fff;
    g_u32StateBlockObject2D_Pixel = bogus;
    EXPECT_FALSE(CStateBlocks::DeleteAll());
    EXPECT_EQ(0u, g_u32StateBlockDefault_Pixel);
    EXPECT_EQ(0u, g_u32StateBlockFont_Vertex);
    EXPECT_EQ(bogus, g_u32StateBlockObject2D_Pixel);
    EXPECT_NE(0u, g_u32StateBlockObject2D_Vertex) << "deletion stopped";
    EXPECT_NE(0u, g_u32StateBlockSunFlare_Pixel);
    EXPECT_NE(std::string::npos, Log().find(" - pD3DDevice->DeleteStateBlock( g_u32StateBlockObject2D_Pixel ) hr="));

    g_u32StateBlockObject2D_Pixel = object2D;
    EXPECT_TRUE(CStateBlocks::DeleteAll());
    EXPECT_EQ(0u, g_u32StateBlockSunFlare_Vertex);
}

TEST_F(CStateBlocksTest, ApplyingADeletedBlockChangesNothing)
{
    CreateDisplay();
    ASSERT_TRUE(CStateBlocks::CreateAll());
    ASSERT_TRUE(CStateBlocks::DeleteAll());
    Device()->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    EXPECT_TRUE(CStateBlocks::ApplyFont());
    EXPECT_EQ(D3DZB_TRUE, Render(D3DRS_ZENABLE));
}

} // namespace
