// Pixels read back from frames drawn through the fixed-function pipeline.

#include <cmath>

#include "platform/d3d8/D3D8Fixture.h"
#include "platform/d3dx8/D3DX8Math.h"

namespace {

uint32_t Solid(UINT, UINT)
{
    return 0xFFC8FF80; // 200, 255, 128
}

uint32_t TopRedBottomGreen(UINT, UINT y)
{
    return y < 2 ? 0xFFFF0000 : 0xFF00FF00;
}

uint32_t HalfTransparentBlue(UINT, UINT)
{
    return 0x800000FF;
}

uint32_t FourColumns(UINT x, UINT)
{
    static const uint32_t kColumns[4] = {0xFF000000, 0xFF550000, 0xFFAA0000, 0xFFFF0000};
    return kColumns[x];
}

void ExpectNear(int expected, int actual, const char* channel)
{
    EXPECT_NEAR(expected, actual, 2) << channel;
}

class GlD3D8Pipeline : public GlD3D8Fixture {
protected:
    void SetUp() override
    {
        GlD3D8Fixture::SetUp();
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
        m_Device->BeginScene();
        // Draw the diffuse colour only, unless a test says otherwise.
        m_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        m_Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        m_Device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        m_Device->SetRenderState(D3DRS_LIGHTING, FALSE);
    }

    // A perspective camera at the origin looking down +z, 90 degrees wide.
    void SetCamera()
    {
        D3DXMATRIX identity, projection;
        D3DXMatrixIdentity(&identity);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
        m_Device->SetTransform(D3DTS_WORLD, &identity);
        m_Device->SetTransform(D3DTS_VIEW, &identity);
        m_Device->SetTransform(D3DTS_PROJECTION, &projection);
    }

    // Counts the pixels of one colour.
    int Count(uint32_t rgb) const
    {
        int count = 0;
        for (uint32_t pixel : ReadTarget())
            count += Rgb(pixel) == rgb ? 1 : 0;
        return count;
    }
};

TEST_F(GlD3D8Pipeline, LitTexturedTriangleHasDirectionalDiffuseAmbientAndSeparateSpecular)
{
    SetCamera();
    IDirect3DTexture8* texture = MakeTexture(4, 4, Solid);
    m_Device->SetTexture(0, texture);
    m_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_Device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_Device->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_Device->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    m_Device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    m_Device->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    m_Device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);

    D3DMATERIAL8 material = {};
    material.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Power = 1.0f;
    m_Device->SetMaterial(&material);
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    light.Specular = {0.25f, 0.25f, 0.25f, 0.0f};
    light.Direction = {0.0f, -1.0f, 1.0f};
    ASSERT_EQ(D3D_OK, m_Device->SetLight(0, &light));
    ASSERT_EQ(D3D_OK, m_Device->LightEnable(0, TRUE));

    // Facing the camera (normal -z), clockwise on screen; the normal is
    // scaled to show that NORMALIZENORMALS works.
    const LitVertex triangle[3] = {
        {-2.0f, 2.0f, 4.0f, 0.0f, 0.0f, -3.0f, 0.0f, 0.0f},
        {2.0f, 2.0f, 4.0f, 0.0f, 0.0f, -3.0f, 1.0f, 0.0f},
        {0.0f, -2.0f, 4.0f, 0.0f, 0.0f, -3.0f, 0.5f, 1.0f},
    };
    m_Device->SetVertexShader(kFvfLit);
    ASSERT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(LitVertex)));

    // N.L = cos 45; diffuse = ambient 32/255 + 0.5 x 0.7071 x material;
    // then x texture; then + specular 0.25 x (N.H = cos 22.5).
    const float lambert = 0.70710678f;
    const float specular = 0.25f * 0.92387953f;
    const float ambient = 32.0f / 255.0f;
    const float diffuse[3] = {ambient + 0.5f * lambert * 1.0f, ambient + 0.5f * lambert * 0.5f,
                              ambient + 0.5f * lambert * 0.25f};
    const float texel[3] = {200.0f / 255.0f, 1.0f, 128.0f / 255.0f};
    const uint32_t pixel = PixelAt(32, 28);
    ExpectNear(static_cast<int>(std::lround((diffuse[0] * texel[0] + specular) * 255)), Red(pixel), "red");
    ExpectNear(static_cast<int>(std::lround((diffuse[1] * texel[1] + specular) * 255)), Green(pixel), "green");
    ExpectNear(static_cast<int>(std::lround((diffuse[2] * texel[2] + specular) * 255)), Blue(pixel), "blue");
    texture->Release();
}

// A vertex without a normal takes no light: lit, it keeps only the emissive
// and the ambient terms, whatever its own colour and the lights.
TEST_F(GlD3D8Pipeline, LitVerticesWithoutNormalsKeepOnlyEmissiveAndAmbient)
{
    SetCamera();
    m_Device->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_Device->SetRenderState(D3DRS_AMBIENT, 0x00404040);
    D3DMATERIAL8 material = {};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 0.5f, 0.25f, 1.0f};
    material.Emissive = {0.1f, 0.2f, 0.3f, 0.0f};
    m_Device->SetMaterial(&material);
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    ASSERT_EQ(D3D_OK, m_Device->SetLight(0, &light));
    ASSERT_EQ(D3D_OK, m_Device->LightEnable(0, TRUE));

    const ColourVertex triangle[3] = {
        {-2.0f, 2.0f, 4.0f, 0xFFFFFFFF},
        {2.0f, 2.0f, 4.0f, 0xFFFFFFFF},
        {0.0f, -2.0f, 4.0f, 0xFFFFFFFF},
    };
    m_Device->SetVertexShader(kFvfColour);
    ASSERT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(ColourVertex)));

    const float ambient = 64.0f / 255.0f;
    const uint32_t pixel = PixelAt(32, 28);
    ExpectNear(static_cast<int>(std::lround((0.1f + ambient * 1.0f) * 255)), Red(pixel), "red");
    ExpectNear(static_cast<int>(std::lround((0.2f + ambient * 0.5f) * 255)), Green(pixel), "green");
    ExpectNear(static_cast<int>(std::lround((0.3f + ambient * 0.25f) * 255)), Blue(pixel), "blue");
}

TEST_F(GlD3D8Pipeline, PretransformedQuadCoversExactPixelsAndTexelCentresLandOnPixelCentres)
{
    DrawScreenQuad(8, 8, 16, 12, 0xFFFF0000);
    const std::vector<uint32_t> pixels = ReadTarget();
    for (int y = 6; y < 14; ++y) {
        for (int x = 6; x < 18; ++x) {
            const bool inside = x >= 8 && x < 16 && y >= 8 && y < 12;
            EXPECT_EQ(inside ? 0xFF0000u : 0u, Rgb(pixels[y * 64 + x])) << x << "," << y;
        }
    }

    // Direct3D's way to map texels to pixels one to one: the quad starts half
    // a pixel up and left. Linear filtering then gives each texel unmixed.
    IDirect3DTexture8* texture = MakeTexture(4, 1, FourColumns);
    m_Device->SetTexture(0, texture);
    m_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_Device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_Device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    m_Device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    DrawScreenQuad(31.5f, 39.5f, 35.5f, 40.5f, 0xFFFFFFFF);
    EXPECT_EQ(0x000000u, Rgb(PixelAt(32, 40)));
    EXPECT_EQ(0x550000u, Rgb(PixelAt(33, 40)));
    EXPECT_EQ(0xAA0000u, Rgb(PixelAt(34, 40)));
    EXPECT_EQ(0xFF0000u, Rgb(PixelAt(35, 40)));
    texture->Release();
}

TEST_F(GlD3D8Pipeline, AlphaTestAtReference8KeepsAlpha8AndDropsAlpha7)
{
    m_Device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    m_Device->SetRenderState(D3DRS_ALPHAREF, 0x08);
    m_Device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    DrawScreenQuad(0, 0, 32, 64, 0x07FF0000);
    DrawScreenQuad(32, 0, 64, 64, 0x0800FF00);
    EXPECT_EQ(0x000000u, Rgb(PixelAt(16, 32)));
    EXPECT_EQ(0x00FF00u, Rgb(PixelAt(48, 32)));
}

TEST_F(GlD3D8Pipeline, BlendOperationsIncludingReverseSubtract)
{
    struct Case {
        D3DBLENDOP op;
        DWORD source;
        DWORD dest;
        uint32_t expected;
    };
    // Destination 200, 200, 200; source 100, 50, 0 at alpha 128.
    const Case cases[] = {
        {D3DBLENDOP_REVSUBTRACT, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0x96AFC8}, // dest - src x 0.502
        {D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0x967D64},
        {D3DBLENDOP_SUBTRACT, D3DBLEND_ONE, D3DBLEND_ZERO, 0x643200},
    };
    for (const Case& blend : cases) {
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFC8C8C8, 1.0f, 0);
        m_Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        m_Device->SetRenderState(D3DRS_BLENDOP, blend.op);
        m_Device->SetRenderState(D3DRS_SRCBLEND, blend.source);
        m_Device->SetRenderState(D3DRS_DESTBLEND, blend.dest);
        DrawScreenQuad(0, 0, 64, 64, 0x80643200);
        const uint32_t pixel = PixelAt(10, 10);
        ExpectNear(Red(blend.expected), Red(pixel), "red");
        ExpectNear(Green(blend.expected), Green(pixel), "green");
        ExpectNear(Blue(blend.expected), Blue(pixel), "blue");
    }
}

TEST_F(GlD3D8Pipeline, DestinationAlphaReadsOneOnAnX8TargetAndStoredAlphaOnAnA8One)
{
    // The particle blend: source x its alpha + destination x destination alpha.
    m_Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_DESTALPHA);
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00323232, 1.0f, 0);
    DrawScreenQuad(0, 0, 64, 64, 0xFF640000);
    EXPECT_EQ(0x963232u, Rgb(PixelAt(5, 5)));

    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateTexture(64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                              &target));
    IDirect3DSurface8* surface = nullptr;
    IDirect3DSurface8* depth = nullptr;
    target->GetSurfaceLevel(0, &surface);
    m_Device->GetDepthStencilSurface(&depth);
    ASSERT_EQ(D3D_OK, m_Device->SetRenderTarget(surface, depth));
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00323232, 1.0f, 0);
    DrawScreenQuad(0, 0, 64, 64, 0xFF640000);
    EXPECT_EQ(0x640000u, Rgb(PixelAt(5, 5)));
    surface->Release();
    depth->Release();
    target->Release();
}

TEST_F(GlD3D8Pipeline, StencilMaskLimitsLaterDrawsToTheMaskedArea)
{
    // The water mask: stencil 1 where drawn, colour untouched.
    m_Device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_Device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    m_Device->SetRenderState(D3DRS_STENCILREF, 1);
    m_Device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    m_Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    m_Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawScreenQuad(16, 16, 48, 48, 0xFFFFFFFF);
    EXPECT_EQ(0u, Count(0xFFFFFF));

    m_Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_Device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    m_Device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    DrawScreenQuad(0, 0, 64, 64, 0xFF0000FF);
    EXPECT_EQ(32 * 32, Count(0x0000FF));
    EXPECT_EQ(0x0000FFu, Rgb(PixelAt(16, 16)));
    EXPECT_EQ(0u, Rgb(PixelAt(15, 16)));
}

// Operations that all keep the value leave the stencil as it was whatever
// the write mask says; a mark drawn after them still writes.
TEST_F(GlD3D8Pipeline, KeepingStencilOperationsWriteNothingAndALaterMarkStillWrites)
{
    m_Device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    m_Device->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFF);
    m_Device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    m_Device->SetRenderState(D3DRS_STENCILREF, 1);
    m_Device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    DrawScreenQuad(0, 0, 32, 64, 0xFF000000);
    m_Device->SetRenderState(D3DRS_STENCILREF, 2);
    m_Device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    DrawScreenQuad(0, 0, 64, 64, 0xFF000000);
    m_Device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    DrawScreenQuad(0, 0, 16, 64, 0xFF000000);

    m_Device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    m_Device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    m_Device->SetRenderState(D3DRS_STENCILREF, 1);
    DrawScreenQuad(0, 0, 64, 64, 0xFF0000FF);
    m_Device->SetRenderState(D3DRS_STENCILREF, 2);
    DrawScreenQuad(0, 0, 64, 64, 0xFF00FF00);
    EXPECT_EQ(16 * 64, Count(0x0000FF));
    EXPECT_EQ(16 * 64, Count(0x00FF00));
    EXPECT_EQ(0x00FF00u, Rgb(PixelAt(8, 8)));
    EXPECT_EQ(0x0000FFu, Rgb(PixelAt(24, 8)));
    EXPECT_EQ(0u, Rgb(PixelAt(40, 8)));
}

TEST_F(GlD3D8Pipeline, ClipPlaneIsInWorldSpace)
{
    SetCamera();
    // The camera sits 1 below the world's origin: world y = 0 is above the
    // middle of the screen, and only what lies above it stays.
    D3DXMATRIX view;
    D3DXMatrixTranslation(&view, 0.0f, 1.0f, 0.0f);
    m_Device->SetTransform(D3DTS_VIEW, &view);
    const float plane[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    ASSERT_EQ(D3D_OK, m_Device->SetClipPlane(0, plane));
    m_Device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    m_Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const ColourVertex quad[4] = {
        {-8.0f, 8.0f, 4.0f, 0xFFFFFF00},
        {8.0f, 8.0f, 4.0f, 0xFFFFFF00},
        {-8.0f, -8.0f, 4.0f, 0xFFFFFF00},
        {8.0f, -8.0f, 4.0f, 0xFFFFFF00},
    };
    m_Device->SetVertexShader(kFvfColour);
    ASSERT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ColourVertex)));
    // View y = 1 at z = 4 is a quarter of the half-height above the middle.
    EXPECT_EQ(0xFFFF00u, Rgb(PixelAt(32, 10)));
    EXPECT_EQ(0xFFFF00u, Rgb(PixelAt(32, 22)));
    EXPECT_EQ(0u, Rgb(PixelAt(32, 26)));
    EXPECT_EQ(0u, Rgb(PixelAt(32, 50)));
    EXPECT_EQ(64 * 24, Count(0xFFFF00));
}

TEST_F(GlD3D8Pipeline, CullingFollowsDirect3DsWinding)
{
    // Left: clockwise on screen; right: counter-clockwise.
    const ScreenVertex triangles[6] = {
        {4, 4, 0.5f, 1, 0xFFFF0000, 0, 0},  {28, 4, 0.5f, 1, 0xFFFF0000, 0, 0},  {4, 28, 0.5f, 1, 0xFFFF0000, 0, 0},
        {36, 4, 0.5f, 1, 0xFF00FF00, 0, 0}, {36, 28, 0.5f, 1, 0xFF00FF00, 0, 0}, {60, 4, 0.5f, 1, 0xFF00FF00, 0, 0},
    };
    m_Device->SetVertexShader(kFvfScreen);
    struct Case {
        D3DCULL cull;
        bool clockwiseDrawn;
        bool counterClockwiseDrawn;
    };
    const Case cases[] = {{D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
    for (const Case& test : cases) {
        m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        m_Device->SetRenderState(D3DRS_CULLMODE, test.cull);
        m_Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, triangles, sizeof(ScreenVertex));
        EXPECT_EQ(test.clockwiseDrawn, Rgb(PixelAt(8, 8)) == 0xFF0000u) << test.cull;
        EXPECT_EQ(test.counterClockwiseDrawn, Rgb(PixelAt(40, 8)) == 0x00FF00u) << test.cull;
    }
}

TEST_F(GlD3D8Pipeline, PointSpritesTakeDirect3DsScaledSizeAndTextureFromTheTop)
{
    SetCamera();
    IDirect3DTexture8* texture = MakeTexture(4, 4, TopRedBottomGreen);
    m_Device->SetTexture(0, texture);
    m_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    // The particle block's point states.
    m_Device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    m_Device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    const float zero = 0.0f, one = 1.0f, sixtyFour = 64.0f;
    m_Device->SetRenderState(D3DRS_POINTSIZE_MIN, *reinterpret_cast<const DWORD*>(&zero));
    m_Device->SetRenderState(D3DRS_POINTSIZE_MAX, *reinterpret_cast<const DWORD*>(&sixtyFour));
    m_Device->SetRenderState(D3DRS_POINTSCALE_A, *reinterpret_cast<const DWORD*>(&zero));
    m_Device->SetRenderState(D3DRS_POINTSCALE_B, *reinterpret_cast<const DWORD*>(&zero));
    m_Device->SetRenderState(D3DRS_POINTSCALE_C, *reinterpret_cast<const DWORD*>(&one));

    // Size 1 at distance 4 on a 64-pixel-high viewport: 64 x 1 / 4 = 16 pixels.
    const ParticleVertex point = {0.0f, 0.0f, 4.0f, 1.0f, 0xFFFFFFFF};
    m_Device->SetVertexShader(kFvfParticle);
    ASSERT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &point, sizeof(point)));
    EXPECT_EQ(16 * 8, Count(0xFF0000));
    EXPECT_EQ(16 * 8, Count(0x00FF00));
    EXPECT_EQ(0xFF0000u, Rgb(PixelAt(24, 24)));
    EXPECT_EQ(0x00FF00u, Rgb(PixelAt(39, 39)));
    EXPECT_EQ(0u, Rgb(PixelAt(23, 24)));

    // The maximum caps the size.
    const float eight = 8.0f;
    m_Device->SetRenderState(D3DRS_POINTSIZE_MAX, *reinterpret_cast<const DWORD*>(&eight));
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    m_Device->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &point, sizeof(point));
    EXPECT_EQ(8 * 8, Count(0xFF0000) + Count(0x00FF00));
    texture->Release();
}

TEST_F(GlD3D8Pipeline, StagesReadTextureFactorMirrorAndAnUnboundTextureAsWhite)
{
    // TEXTURE x DIFFUSE with no texture bound is the diffuse colour.
    m_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_Device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    DrawScreenQuad(0, 0, 8, 8, 0xFF336699);
    EXPECT_EQ(0x336699u, Rgb(PixelAt(4, 4)));

    // Stage 1 modulates the first stage's result by the texture factor.
    m_Device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF808080);
    m_Device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_Device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    m_Device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    m_Device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_Device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    DrawScreenQuad(8, 0, 16, 8, 0xFFFFFFFF);
    EXPECT_EQ(0x808080u, Rgb(PixelAt(12, 4)));
    m_Device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);

    // Mirror addressing: u from 0 to 2 runs the columns forth and back.
    IDirect3DTexture8* texture = MakeTexture(4, 1, FourColumns);
    m_Device->SetTexture(0, texture);
    m_Device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR);
    const ScreenVertex quad[4] = {
        {-0.5f, 19.5f, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
        {7.5f, 19.5f, 0.5f, 1.0f, 0xFFFFFFFF, 2.0f, 0.0f},
        {-0.5f, 20.5f, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 1.0f},
        {7.5f, 20.5f, 0.5f, 1.0f, 0xFFFFFFFF, 2.0f, 1.0f},
    };
    m_Device->SetVertexShader(kFvfScreen);
    m_Device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex));
    const uint32_t expected[8] = {0x000000, 0x550000, 0xAA0000, 0xFF0000, 0xFF0000, 0xAA0000, 0x550000, 0x000000};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(expected[x], Rgb(PixelAt(x, 20))) << x;
    texture->Release();
}

TEST_F(GlD3D8Pipeline, TwoStagesLikeTheMinimapAndFontTexelsOf16Bits)
{
    // Stage 0 takes the mask texture, stage 1 the map's colour with the
    // product of both alphas; both read coordinate set 0.
    IDirect3DTexture8* mask = MakeTexture(2, 2, HalfTransparentBlue);
    IDirect3DTexture8* map = MakeTexture(2, 2, Solid);
    m_Device->SetTexture(0, mask);
    m_Device->SetTexture(1, map);
    m_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    m_Device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    m_Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    m_Device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    m_Device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    m_Device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    m_Device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    m_Device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_Device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
    m_Device->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    m_Device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    m_Device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_Device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DrawScreenQuad(0, 0, 8, 8, 0xFFFFFFFF);
    // 200, 255, 128 at alpha 128 over black.
    const uint32_t minimap = PixelAt(4, 4);
    ExpectNear(100, Red(minimap), "red");
    ExpectNear(128, Green(minimap), "green");
    ExpectNear(64, Blue(minimap), "blue");
    m_Device->SetTexture(1, nullptr);
    m_Device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);

    // The font's texture: white with a 4-bit alpha, modulated by the
    // texture factor's alpha.
    IDirect3DTexture8* font = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateTexture(2, 2, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &font));
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, font->LockRect(0, &locked, nullptr, 0));
    EXPECT_EQ(4, locked.Pitch);
    for (int i = 0; i < 2; ++i) {
        uint16_t* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.pBits) + i * locked.Pitch);
        row[0] = row[1] = 0xFFFF;
    }
    font->UnlockRect(0);
    m_Device->SetTexture(0, font);
    m_Device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80FF0000);
    m_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_Device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_Device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    m_Device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    DrawScreenQuad(16, 0, 24, 8, 0xFF00FF00);
    const uint32_t text = PixelAt(20, 4);
    ExpectNear(0, Red(text), "red");
    ExpectNear(128, Green(text), "green");
    m_Device->SetTexture(0, nullptr);
    font->Release();
    mask->Release();
    map->Release();
}

TEST_F(GlD3D8Pipeline, LinesFromUserMemoryUnderTheLineBlock)
{
    SetCamera();
    m_Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const ColourVertex line[2] = {{-4.0f, 0.0f, 4.0f, 0xFF00FFFF}, {4.0f, 0.0f, 4.0f, 0xFF00FFFF}};
    m_Device->SetVertexShader(kFvfColour);
    ASSERT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(ColourVertex)));
    EXPECT_EQ(64, Count(0x00FFFF));
}

} // namespace
