#include "platform/d3d8/StateBlock.h"

#include <algorithm>
#include <iterator>

namespace {

const DWORD kPixelRenderStates[] = {
    D3DRS_ZENABLE, D3DRS_FILLMODE, D3DRS_SHADEMODE, D3DRS_LINEPATTERN, D3DRS_ZWRITEENABLE,
    D3DRS_ALPHATESTENABLE, D3DRS_LASTPIXEL, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_ZFUNC,
    D3DRS_ALPHAREF, D3DRS_ALPHAFUNC, D3DRS_DITHERENABLE, D3DRS_FOGSTART, D3DRS_FOGEND,
    D3DRS_FOGDENSITY, D3DRS_ALPHABLENDENABLE, D3DRS_EDGEANTIALIAS, D3DRS_ZBIAS, D3DRS_STENCILENABLE,
    D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS, D3DRS_STENCILFUNC, D3DRS_STENCILREF,
    D3DRS_STENCILMASK, D3DRS_STENCILWRITEMASK, D3DRS_TEXTUREFACTOR, D3DRS_WRAP0, D3DRS_WRAP1,
    D3DRS_WRAP2, D3DRS_WRAP3, D3DRS_WRAP4, D3DRS_WRAP5, D3DRS_WRAP6, D3DRS_WRAP7,
    D3DRS_COLORWRITEENABLE, D3DRS_BLENDOP,
};

const DWORD kVertexRenderStates[] = {
    D3DRS_SHADEMODE, D3DRS_SPECULARENABLE, D3DRS_CULLMODE, D3DRS_FOGENABLE, D3DRS_FOGCOLOR,
    D3DRS_FOGTABLEMODE, D3DRS_FOGSTART, D3DRS_FOGEND, D3DRS_FOGDENSITY, D3DRS_RANGEFOGENABLE,
    D3DRS_AMBIENT, D3DRS_COLORVERTEX, D3DRS_FOGVERTEXMODE, D3DRS_CLIPPING, D3DRS_LIGHTING,
    D3DRS_NORMALIZENORMALS, D3DRS_LOCALVIEWER, D3DRS_EMISSIVEMATERIALSOURCE,
    D3DRS_AMBIENTMATERIALSOURCE, D3DRS_DIFFUSEMATERIALSOURCE, D3DRS_SPECULARMATERIALSOURCE,
    D3DRS_VERTEXBLEND, D3DRS_CLIPPLANEENABLE, D3DRS_SOFTWAREVERTEXPROCESSING, D3DRS_POINTSIZE,
    D3DRS_POINTSIZE_MIN, D3DRS_POINTSPRITEENABLE, D3DRS_POINTSCALEENABLE, D3DRS_POINTSCALE_A,
    D3DRS_POINTSCALE_B, D3DRS_POINTSCALE_C, D3DRS_MULTISAMPLEANTIALIAS, D3DRS_MULTISAMPLEMASK,
    D3DRS_PATCHEDGESTYLE, D3DRS_PATCHSEGMENTS, D3DRS_POINTSIZE_MAX, D3DRS_INDEXEDVERTEXBLENDENABLE,
    D3DRS_TWEENFACTOR,
};

template <size_t N>
bool Contains(const DWORD (&list)[N], DWORD value)
{
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

} // namespace

StateBlock::StateBlock(D3DSTATEBLOCKTYPE type, const DeviceState& source)
    : m_Type(type), m_Captured(source)
{
}

bool StateBlock::IsPixelRenderState(DWORD state)
{
    return Contains(kPixelRenderStates, state);
}

bool StateBlock::IsVertexRenderState(DWORD state)
{
    return Contains(kVertexRenderStates, state);
}

bool StateBlock::IsVertexStageState(DWORD type)
{
    return type == D3DTSS_TEXCOORDINDEX || type == D3DTSS_TEXTURETRANSFORMFLAGS;
}

bool StateBlock::CapturesRenderState(DWORD state) const
{
    switch (m_Type) {
    case D3DSBT_ALL:
        return true;
    case D3DSBT_PIXELSTATE:
        return IsPixelRenderState(state);
    case D3DSBT_VERTEXSTATE:
        return IsVertexRenderState(state);
    }
    return false;
}

bool StateBlock::CapturesStageState(DWORD type) const
{
    return m_Type != D3DSBT_VERTEXSTATE || IsVertexStageState(type);
}

void StateBlock::Apply(DeviceState& target) const
{
    for (DWORD state = 0; state < kRenderStateLimit; ++state) {
        if (DeviceState::IsRenderState(state) && CapturesRenderState(state))
            target.SetRenderState(state, m_Captured.RenderState(state));
    }
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
        for (DWORD type = 0; type < kStageStateLimit; ++type) {
            if (DeviceState::IsStageState(type) && CapturesStageState(type))
                target.SetStageState(stage, type, m_Captured.StageState(stage, type));
        }
    }
    if (m_Type == D3DSBT_PIXELSTATE)
        return;

    for (DWORD index = 0; index < kMaxLights; ++index) {
        const LightSlot* slot = m_Captured.Light(index);
        if (slot->defined)
            target.SetLightSlot(index, *slot);
    }
    target.SetVertexShader(m_Captured.VertexShader());
    if (m_Type == D3DSBT_VERTEXSTATE)
        return;

    target.SetTransform(D3DTS_WORLD, m_Captured.Transform(TransformSlot::World));
    target.SetTransform(D3DTS_VIEW, m_Captured.Transform(TransformSlot::View));
    target.SetTransform(D3DTS_PROJECTION, m_Captured.Transform(TransformSlot::Projection));
    target.SetMaterial(m_Captured.Material());
    for (DWORD index = 0; index < kMaxClipPlanes; ++index)
        target.SetClipPlane(index, m_Captured.ClipPlane(index));
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage)
        target.SetTexture(stage, m_Captured.Texture(stage));
    target.SetStream(m_Captured.StreamBuffer(), m_Captured.StreamStride());
    target.SetIndices(m_Captured.IndexBuffer(), m_Captured.BaseVertex());
}
