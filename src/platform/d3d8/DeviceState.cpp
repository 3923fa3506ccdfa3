#include "platform/d3d8/DeviceState.h"

#include <cstring>

namespace {

DWORD FloatBits(float value)
{
    DWORD bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

struct RenderStateInfo {
    D3DRENDERSTATETYPE state;
    DWORD defaultValue;
    uint32_t dirty;
};

// Every render state the device knows, its Direct3D 8 default and what a
// change to it makes OpenGL redo. ZENABLE's default depends on the device.
const RenderStateInfo kRenderStates[] = {
    {D3DRS_ZENABLE, D3DZB_TRUE, kDirtyDepth},
    {D3DRS_FILLMODE, D3DFILL_SOLID, kDirtyRaster},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD, 0},
    {D3DRS_LINEPATTERN, 0, 0},
    {D3DRS_ZWRITEENABLE, TRUE, kDirtyDepth},
    {D3DRS_ALPHATESTENABLE, FALSE, kDirtyProgram},
    {D3DRS_LASTPIXEL, TRUE, 0},
    {D3DRS_SRCBLEND, D3DBLEND_ONE, kDirtyBlend},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO, kDirtyBlend},
    {D3DRS_CULLMODE, D3DCULL_CCW, kDirtyRaster},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL, kDirtyDepth},
    {D3DRS_ALPHAREF, 0, kDirtyAlphaRef},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS, kDirtyProgram},
    {D3DRS_DITHERENABLE, FALSE, 0},
    {D3DRS_ALPHABLENDENABLE, FALSE, kDirtyBlend},
    {D3DRS_FOGENABLE, FALSE, 0},
    {D3DRS_SPECULARENABLE, FALSE, kDirtyProgram},
    {D3DRS_ZVISIBLE, 0, 0},
    {D3DRS_FOGCOLOR, 0, 0},
    {D3DRS_FOGTABLEMODE, D3DFOG_NONE, 0},
    {D3DRS_FOGSTART, FloatBits(0.0f), 0},
    {D3DRS_FOGEND, FloatBits(1.0f), 0},
    {D3DRS_FOGDENSITY, FloatBits(1.0f), 0},
    {D3DRS_EDGEANTIALIAS, FALSE, 0},
    {D3DRS_ZBIAS, 0, 0},
    {D3DRS_RANGEFOGENABLE, FALSE, 0},
    {D3DRS_STENCILENABLE, FALSE, kDirtyStencil},
    {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP, kDirtyStencil},
    {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP, kDirtyStencil},
    {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP, kDirtyStencil},
    {D3DRS_STENCILFUNC, D3DCMP_ALWAYS, kDirtyStencil},
    {D3DRS_STENCILREF, 0, kDirtyStencil},
    {D3DRS_STENCILMASK, 0xFFFFFFFF, kDirtyStencil},
    {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF, kDirtyStencil},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF, kDirtyTextureFactor},
    {D3DRS_WRAP0, 0, 0},
    {D3DRS_WRAP1, 0, 0},
    {D3DRS_WRAP2, 0, 0},
    {D3DRS_WRAP3, 0, 0},
    {D3DRS_WRAP4, 0, 0},
    {D3DRS_WRAP5, 0, 0},
    {D3DRS_WRAP6, 0, 0},
    {D3DRS_WRAP7, 0, 0},
    {D3DRS_CLIPPING, TRUE, 0},
    {D3DRS_LIGHTING, TRUE, kDirtyProgram},
    {D3DRS_AMBIENT, 0, kDirtyLighting},
    {D3DRS_FOGVERTEXMODE, D3DFOG_NONE, 0},
    {D3DRS_COLORVERTEX, TRUE, kDirtyProgram},
    {D3DRS_LOCALVIEWER, TRUE, kDirtyProgram},
    {D3DRS_NORMALIZENORMALS, FALSE, kDirtyProgram},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1, kDirtyProgram},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2, kDirtyProgram},
    {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL, kDirtyProgram},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL, kDirtyProgram},
    {D3DRS_VERTEXBLEND, D3DVBF_DISABLE, 0},
    {D3DRS_CLIPPLANEENABLE, 0, kDirtyProgram},
    {D3DRS_SOFTWAREVERTEXPROCESSING, FALSE, 0},
    {D3DRS_POINTSIZE, FloatBits(1.0f), kDirtyPointSize},
    {D3DRS_POINTSIZE_MIN, FloatBits(1.0f), kDirtyPointSize},
    {D3DRS_POINTSPRITEENABLE, FALSE, kDirtyProgram},
    {D3DRS_POINTSCALEENABLE, FALSE, kDirtyProgram},
    {D3DRS_POINTSCALE_A, FloatBits(1.0f), kDirtyPointSize},
    {D3DRS_POINTSCALE_B, FloatBits(0.0f), kDirtyPointSize},
    {D3DRS_POINTSCALE_C, FloatBits(0.0f), kDirtyPointSize},
    {D3DRS_MULTISAMPLEANTIALIAS, TRUE, 0},
    {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF, 0},
    {D3DRS_PATCHEDGESTYLE, 0, 0},
    {D3DRS_PATCHSEGMENTS, FloatBits(1.0f), 0},
    {D3DRS_POINTSIZE_MAX, FloatBits(64.0f), kDirtyPointSize},
    {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE, 0},
    {D3DRS_COLORWRITEENABLE, 0x0000000F, kDirtyRaster},
    {D3DRS_TWEENFACTOR, FloatBits(0.0f), 0},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD, kDirtyBlend},
};

constexpr uint32_t kUnknownState = 0xFFFFFFFF;

// Dirty flags by render state; kUnknownState for numbers Direct3D 8 does not
// have.
struct RenderStateTable {
    uint32_t dirty[kRenderStateLimit];
    RenderStateTable()
    {
        for (uint32_t& flags : dirty)
            flags = kUnknownState;
        for (const RenderStateInfo& info : kRenderStates)
            dirty[info.state] = info.dirty;
    }
};

const RenderStateTable& RenderStates()
{
    static const RenderStateTable table;
    return table;
}

// Stage states that change the generated shaders; those that change the
// sampler; the rest only live in the shadow copy.
uint32_t StageStateDirty(DWORD type)
{
    switch (type) {
    case D3DTSS_COLOROP:
    case D3DTSS_COLORARG1:
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAOP:
    case D3DTSS_ALPHAARG1:
    case D3DTSS_ALPHAARG2:
    case D3DTSS_TEXCOORDINDEX:
        return kDirtyProgram;
    case D3DTSS_ADDRESSU:
    case D3DTSS_ADDRESSV:
    case D3DTSS_ADDRESSW:
    case D3DTSS_BORDERCOLOR:
    case D3DTSS_MAGFILTER:
    case D3DTSS_MINFILTER:
    case D3DTSS_MIPFILTER:
    case D3DTSS_MIPMAPLODBIAS:
    case D3DTSS_MAXMIPLEVEL:
    case D3DTSS_MAXANISOTROPY:
        return kDirtySamplers;
    default:
        return 0;
    }
}

int TransformIndex(DWORD type)
{
    switch (type) {
    case D3DTS_WORLD:
        return static_cast<int>(TransformSlot::World);
    case D3DTS_VIEW:
        return static_cast<int>(TransformSlot::View);
    case D3DTS_PROJECTION:
        return static_cast<int>(TransformSlot::Projection);
    default:
        return -1;
    }
}

const uint32_t kTransformDirty[] = {kDirtyWorld, kDirtyView, kDirtyProjection};

bool IsValidLightType(D3DLIGHTTYPE type)
{
    return type == D3DLIGHT_POINT || type == D3DLIGHT_SPOT || type == D3DLIGHT_DIRECTIONAL;
}

void SetStageDefaults(DWORD stage, DWORD* states)
{
    for (DWORD type = 0; type < kStageStateLimit; ++type)
        states[type] = 0;
    states[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    states[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    states[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    states[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    states[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    states[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    states[D3DTSS_TEXCOORDINDEX] = stage;
    states[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    states[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    states[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
    states[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    states[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    states[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    states[D3DTSS_MAXANISOTROPY] = 1;
    states[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    states[D3DTSS_COLORARG0] = D3DTA_CURRENT;
    states[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    states[D3DTSS_RESULTARG] = D3DTA_CURRENT;
}

} // namespace

D3DMATRIX IdentityMatrix()
{
    D3DMATRIX matrix;
    std::memset(&matrix, 0, sizeof(matrix));
    matrix._11 = matrix._22 = matrix._33 = matrix._44 = 1.0f;
    return matrix;
}

D3DLIGHT8 DefaultLight()
{
    D3DLIGHT8 light;
    std::memset(&light, 0, sizeof(light));
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
    return light;
}

DeviceState::DeviceState(bool depthBuffer)
{
    SetDefaults(depthBuffer);
}

void DeviceState::SetDefaults(bool depthBuffer)
{
    for (DWORD& value : m_RenderStates)
        value = 0;
    for (const RenderStateInfo& info : kRenderStates)
        m_RenderStates[info.state] = info.defaultValue;
    m_RenderStates[D3DRS_ZENABLE] = depthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
        SetStageDefaults(stage, m_StageStates[stage]);
        m_Textures[stage] = nullptr;
    }
    for (D3DMATRIX& matrix : m_Transforms)
        matrix = IdentityMatrix();
    std::memset(&m_Material, 0, sizeof(m_Material));
    std::memset(m_Lights, 0, sizeof(m_Lights));
    std::memset(m_ClipPlanes, 0, sizeof(m_ClipPlanes));
    m_VertexShader = 0;
    m_Stream = nullptr;
    m_StreamStride = 0;
    m_Indices = nullptr;
    m_BaseVertex = 0;
    m_Dirty = kDirtyAll;
    m_DirtySamplerStages = (1u << kMaxTextureStages) - 1;
}

bool DeviceState::IsRenderState(DWORD state)
{
    return state < kRenderStateLimit && RenderStates().dirty[state] != kUnknownState;
}

bool DeviceState::IsStageState(DWORD type)
{
    // 12 is the one gap in Direct3D 8's numbering.
    return type >= D3DTSS_COLOROP && type < kStageStateLimit && type != 12;
}

bool DeviceState::SetRenderState(DWORD state, DWORD value)
{
    if (!IsRenderState(state))
        return false;
    if (m_RenderStates[state] != value) {
        m_RenderStates[state] = value;
        m_Dirty |= RenderStates().dirty[state];
    }
    return true;
}

DWORD DeviceState::RenderState(DWORD state) const
{
    return IsRenderState(state) ? m_RenderStates[state] : 0;
}

float DeviceState::RenderStateFloat(DWORD state) const
{
    const DWORD bits = RenderState(state);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

bool DeviceState::SetStageState(DWORD stage, DWORD type, DWORD value)
{
    if (stage >= kMaxTextureStages || !IsStageState(type))
        return false;
    if (m_StageStates[stage][type] == value)
        return true;
    m_StageStates[stage][type] = value;
    const uint32_t dirty = StageStateDirty(type);
    m_Dirty |= dirty;
    if (dirty & kDirtySamplers)
        m_DirtySamplerStages |= 1u << stage;
    return true;
}

DWORD DeviceState::StageState(DWORD stage, DWORD type) const
{
    if (stage >= kMaxTextureStages || !IsStageState(type))
        return 0;
    return m_StageStates[stage][type];
}

bool DeviceState::SetTransform(DWORD type, const D3DMATRIX& matrix)
{
    const int index = TransformIndex(type);
    if (index < 0)
        return false;
    if (std::memcmp(&m_Transforms[index], &matrix, sizeof(matrix)) != 0) {
        m_Transforms[index] = matrix;
        m_Dirty |= kTransformDirty[index];
    }
    return true;
}

const D3DMATRIX* DeviceState::Transform(DWORD type) const
{
    const int index = TransformIndex(type);
    return index < 0 ? nullptr : &m_Transforms[index];
}

const D3DMATRIX& DeviceState::Transform(TransformSlot slot) const
{
    return m_Transforms[static_cast<int>(slot)];
}

void DeviceState::SetMaterial(const D3DMATERIAL8& material)
{
    if (std::memcmp(&m_Material, &material, sizeof(material)) == 0)
        return;
    m_Material = material;
    m_Dirty |= kDirtyMaterial;
}

bool DeviceState::SetLight(DWORD index, const D3DLIGHT8& light)
{
    if (index >= kMaxLights || !IsValidLightType(light.Type))
        return false;
    LightSlot& slot = m_Lights[index];
    if (slot.defined && std::memcmp(&slot.light, &light, sizeof(light)) == 0)
        return true;
    // A light's kind is part of the generated shaders.
    const bool kindChanged = !slot.defined || slot.light.Type != light.Type;
    slot.light = light;
    slot.defined = true;
    m_Dirty |= kDirtyLighting | (kindChanged && slot.enabled ? static_cast<uint32_t>(kDirtyProgram) : 0u);
    return true;
}

bool DeviceState::EnableLight(DWORD index, bool enable)
{
    if (index >= kMaxLights)
        return false;
    LightSlot& slot = m_Lights[index];
    if (!slot.defined) {
        slot.light = DefaultLight();
        slot.defined = true;
    }
    if (slot.enabled != enable) {
        slot.enabled = enable;
        m_Dirty |= kDirtyLighting | kDirtyProgram;
    }
    return true;
}

const LightSlot* DeviceState::Light(DWORD index) const
{
    return index < kMaxLights ? &m_Lights[index] : nullptr;
}

void DeviceState::SetLightSlot(DWORD index, const LightSlot& slot)
{
    if (index >= kMaxLights || std::memcmp(&m_Lights[index], &slot, sizeof(slot)) == 0)
        return;
    m_Lights[index] = slot;
    m_Dirty |= kDirtyLighting | kDirtyProgram;
}

bool DeviceState::SetClipPlane(DWORD index, const float* plane)
{
    if (index >= kMaxClipPlanes || plane == nullptr)
        return false;
    if (std::memcmp(m_ClipPlanes[index], plane, sizeof(m_ClipPlanes[index])) != 0) {
        std::memcpy(m_ClipPlanes[index], plane, sizeof(m_ClipPlanes[index]));
        m_Dirty |= kDirtyClipPlanes;
    }
    return true;
}

const float* DeviceState::ClipPlane(DWORD index) const
{
    return index < kMaxClipPlanes ? m_ClipPlanes[index] : nullptr;
}

void DeviceState::SetVertexShader(DWORD handle)
{
    if (m_VertexShader == handle)
        return;
    m_VertexShader = handle;
    m_Dirty |= kDirtyProgram;
}

bool DeviceState::SetTexture(DWORD stage, D3DTexture* texture)
{
    if (stage >= kMaxTextureStages)
        return false;
    m_Textures[stage] = texture;
    return true;
}

D3DTexture* DeviceState::Texture(DWORD stage) const
{
    return stage < kMaxTextureStages ? m_Textures[stage] : nullptr;
}

void DeviceState::SetStream(D3DVertexBuffer* buffer, UINT stride)
{
    m_Stream = buffer;
    m_StreamStride = stride;
}

void DeviceState::SetIndices(D3DIndexBuffer* buffer, UINT baseVertex)
{
    m_Indices = buffer;
    m_BaseVertex = baseVertex;
}

void DeviceState::Forget(const void* resource)
{
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
        if (static_cast<const void*>(m_Textures[stage]) == resource)
            SetTexture(stage, nullptr);
    }
    if (static_cast<const void*>(m_Stream) == resource)
        SetStream(nullptr, 0);
    if (static_cast<const void*>(m_Indices) == resource)
        SetIndices(nullptr, 0);
}

void DeviceState::ClearDirty()
{
    m_Dirty = 0;
    m_DirtySamplerStages = 0;
}
