// The shadow state: Direct3D 8's defaults, and which changes reach OpenGL.

#include <cstring>

#include <gtest/gtest.h>

#include "platform/d3d8/DeviceState.h"
#include "platform/d3d8/FvfLayout.h"

namespace {

DWORD Bits(float value)
{
    DWORD bits = 0;
    static_assert(sizeof(bits) == sizeof(value), "float states are 32 bits");
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

TEST(D3D8DeviceState, StartsFromDirect3DsDocumentedDefaults)
{
    const DeviceState state(true);
    struct Case {
        DWORD renderState;
        DWORD value;
    };
    const Case cases[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},           {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},       {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_LIGHTING, TRUE},                {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},      {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},      {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
        {D3DRS_STENCILMASK, 0xFFFFFFFF},       {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_COLORVERTEX, TRUE},             {D3DRS_LOCALVIEWER, TRUE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_POINTSIZE, Bits(1.0f)},         {D3DRS_POINTSCALE_A, Bits(1.0f)},
        {D3DRS_POINTSIZE_MAX, Bits(64.0f)},    {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_CLIPPING, TRUE},                {D3DRS_SPECULARENABLE, FALSE},
    };
    for (const Case& expected : cases)
        EXPECT_EQ(expected.value, state.RenderState(expected.renderState)) << expected.renderState;
    EXPECT_EQ(static_cast<DWORD>(D3DZB_FALSE), DeviceState(false).RenderState(D3DRS_ZENABLE));

    EXPECT_EQ(static_cast<DWORD>(D3DTOP_MODULATE), state.StageState(0, D3DTSS_COLOROP));
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_SELECTARG1), state.StageState(0, D3DTSS_ALPHAOP));
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_DISABLE), state.StageState(1, D3DTSS_COLOROP));
    EXPECT_EQ(static_cast<DWORD>(D3DTA_TEXTURE), state.StageState(1, D3DTSS_COLORARG1));
    EXPECT_EQ(static_cast<DWORD>(D3DTA_CURRENT), state.StageState(1, D3DTSS_COLORARG2));
    EXPECT_EQ(1u, state.StageState(1, D3DTSS_TEXCOORDINDEX));
    EXPECT_EQ(static_cast<DWORD>(D3DTEXF_POINT), state.StageState(0, D3DTSS_MAGFILTER));
    EXPECT_EQ(static_cast<DWORD>(D3DTADDRESS_WRAP), state.StageState(0, D3DTSS_ADDRESSU));
    EXPECT_FALSE(state.Light(0)->defined);
}

TEST(D3D8DeviceState, OnlyChangedValuesRaiseTheirDirtyFlag)
{
    DeviceState state;
    state.ClearDirty();
    state.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    state.SetStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    state.SetTransform(D3DTS_WORLD, IdentityMatrix());
    state.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT); // kept, but nothing in OpenGL follows it
    EXPECT_EQ(0u, state.Dirty());

    struct Case {
        void (*change)(DeviceState&);
        uint32_t flag;
    };
    const Case cases[] = {
        {[](DeviceState& s) { s.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE); }, kDirtyRaster},
        {[](DeviceState& s) { s.SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT); }, kDirtyBlend},
        {[](DeviceState& s) { s.SetRenderState(D3DRS_LIGHTING, FALSE); }, kDirtyProgram},
        {[](DeviceState& s) { s.SetRenderState(D3DRS_ALPHAREF, 8); }, kDirtyAlphaRef},
        {[](DeviceState& s) { s.SetStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR); }, kDirtySamplers},
        {[](DeviceState& s) { s.SetVertexShader(0x112); }, kDirtyProgram},
        {[](DeviceState& s) { s.EnableLight(0, true); }, kDirtyProgram | kDirtyLighting},
        // Objects change materials far more often than lights: only the material goes out again.
        {[](DeviceState& s) {
             D3DMATERIAL8 material = {};
             material.Power = 4.0f;
             s.SetMaterial(material);
         },
         kDirtyMaterial},
    };
    for (const Case& test : cases) {
        state.ClearDirty();
        test.change(state);
        EXPECT_EQ(test.flag, state.Dirty());
    }
    // Samplers are redone per stage.
    state.ClearDirty();
    state.SetStageState(1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    EXPECT_EQ(1u << 1, state.DirtySamplerStages());
}

TEST(D3D8DeviceState, RefusesUnknownStatesAndIndices)
{
    DeviceState state;
    EXPECT_FALSE(state.SetRenderState(0, 1));
    EXPECT_FALSE(state.SetRenderState(165, 1)); // a gap in Direct3D 8's numbering
    EXPECT_FALSE(state.SetRenderState(kRenderStateLimit, 1));
    EXPECT_FALSE(state.SetStageState(kMaxTextureStages, D3DTSS_COLOROP, D3DTOP_DISABLE));
    EXPECT_FALSE(state.SetStageState(0, 12, 0));
    EXPECT_FALSE(state.SetTransform(0x17, IdentityMatrix()));
    EXPECT_FALSE(state.EnableLight(kMaxLights, true));
    const float plane[4] = {0, 1, 0, 0};
    EXPECT_FALSE(state.SetClipPlane(kMaxClipPlanes, plane));
    D3DLIGHT8 light = DefaultLight();
    light.Type = static_cast<D3DLIGHTTYPE>(0);
    EXPECT_FALSE(state.SetLight(0, light));
}

TEST(D3D8DeviceState, EnablingAnUnsetLightGivesDirect3DsDefaultLight)
{
    DeviceState state;
    ASSERT_TRUE(state.EnableLight(3, true));
    const LightSlot* slot = state.Light(3);
    EXPECT_TRUE(slot->defined);
    EXPECT_TRUE(slot->enabled);
    EXPECT_EQ(D3DLIGHT_DIRECTIONAL, slot->light.Type);
    EXPECT_EQ(1.0f, slot->light.Diffuse.r);
    EXPECT_EQ(0.0f, slot->light.Diffuse.a);
    EXPECT_EQ(1.0f, slot->light.Direction.z);
}

TEST(D3D8FvfLayout, DecodesTheGamesFormats)
{
    struct Case {
        DWORD fvf;
        UINT size;
        bool pretransformed;
        int normal, pointSize, diffuse; // offsets, -1 when absent
        UINT texCoords;
        UINT texCoordOffset;
    };
    const Case cases[] = {
        {0x042, 16, false, -1, -1, 12, 0, 16},
        {0x062, 20, false, -1, 12, 16, 0, 20},
        {0x112, 32, false, 12, -1, -1, 1, 24},
        {0x142, 24, false, -1, -1, 12, 1, 16},
        {0x144, 28, true, -1, -1, 16, 1, 20},
    };
    for (const Case& test : cases) {
        const FvfLayout layout = DecodeFvf(test.fvf);
        ASSERT_TRUE(layout.valid) << test.fvf;
        EXPECT_EQ(test.size, layout.size) << test.fvf;
        EXPECT_EQ(test.pretransformed, layout.pretransformed) << test.fvf;
        EXPECT_EQ(test.normal >= 0, layout.hasNormal) << test.fvf;
        EXPECT_EQ(test.pointSize >= 0, layout.hasPointSize) << test.fvf;
        EXPECT_EQ(test.diffuse >= 0, layout.hasDiffuse) << test.fvf;
        if (test.normal >= 0) {
            EXPECT_EQ(static_cast<UINT>(test.normal), layout.normalOffset);
        }
        if (test.pointSize >= 0) {
            EXPECT_EQ(static_cast<UINT>(test.pointSize), layout.pointSizeOffset);
        }
        if (test.diffuse >= 0) {
            EXPECT_EQ(static_cast<UINT>(test.diffuse), layout.diffuseOffset);
        }
        EXPECT_EQ(test.texCoords, layout.texCoordCount) << test.fvf;
        EXPECT_EQ(test.texCoordOffset, layout.texCoordOffset) << test.fvf;
    }
    // No position, blend weights, or texture coordinates of other sizes.
    for (DWORD fvf : {0x000u, 0x040u, 0x006u, 0x10102u})
        EXPECT_FALSE(DecodeFvf(fvf).valid) << fvf;
    EXPECT_TRUE(IsFvfCode(0x112));
    EXPECT_FALSE(IsFvfCode(0x113));
}

} // namespace
