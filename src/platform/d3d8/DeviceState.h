#pragma once
// The device's shadow copy of every Direct3D state: render states, texture
// stage states, transforms, lights, material, clip planes, the vertex format
// or shader handle and the bound resources. Get calls and state blocks read
// it without touching OpenGL. Each change that differs from the current value
// raises a dirty flag naming what OpenGL must be told at the next draw.

#include <cstdint>

#include "platform/d3d8/D3D8Types.h"

class D3DTexture;
class D3DVertexBuffer;
class D3DIndexBuffer;

constexpr DWORD kRenderStateLimit = D3DRS_BLENDOP + 1;
constexpr DWORD kMaxTextureStages = 8;
constexpr DWORD kStageStateLimit = D3DTSS_RESULTARG + 1;
constexpr DWORD kMaxLights = 8;
constexpr DWORD kMaxClipPlanes = 6;

enum class TransformSlot { World, View, Projection, Count };

// What OpenGL has to be told again. Bound textures and buffers need no flag:
// the renderer compares their GL names at each draw.
enum DirtyFlag : uint32_t {
    kDirtyBlend = 1u << 0,
    kDirtyDepth = 1u << 1,
    kDirtyStencil = 1u << 2,
    kDirtyRaster = 1u << 3,        // culling, fill mode, colour write mask
    kDirtyProgram = 1u << 4,       // anything that selects the generated shaders
    kDirtyWorld = 1u << 5,
    kDirtyView = 1u << 6,
    kDirtyProjection = 1u << 7,
    kDirtyLighting = 1u << 8,      // light colours and directions, ambient
    kDirtyTextureFactor = 1u << 9,
    kDirtyAlphaRef = 1u << 10,
    kDirtyPointSize = 1u << 11,
    kDirtyClipPlanes = 1u << 12,
    kDirtySamplers = 1u << 13,     // see DirtySamplerStages
    kDirtyMaterial = 1u << 14,
    kDirtyAll = (1u << 15) - 1,
};

struct LightSlot {
    D3DLIGHT8 light;
    bool defined;
    bool enabled;
};

class DeviceState {
public:
    // Direct3D 8's documented defaults; z testing follows whether the device
    // has an automatic depth-stencil buffer.
    explicit DeviceState(bool depthBuffer = true);
    void SetDefaults(bool depthBuffer);

    static bool IsRenderState(DWORD state);
    static bool IsStageState(DWORD type);

    // False (nothing changes) for an unknown state, stage or index.
    bool SetRenderState(DWORD state, DWORD value);
    DWORD RenderState(DWORD state) const;
    float RenderStateFloat(DWORD state) const;
    bool SetStageState(DWORD stage, DWORD type, DWORD value);
    DWORD StageState(DWORD stage, DWORD type) const;

    bool SetTransform(DWORD type, const D3DMATRIX& matrix);
    const D3DMATRIX* Transform(DWORD type) const;
    const D3DMATRIX& Transform(TransformSlot slot) const;

    void SetMaterial(const D3DMATERIAL8& material);
    const D3DMATERIAL8& Material() const { return m_Material; }

    bool SetLight(DWORD index, const D3DLIGHT8& light);
    // Enabling a light that was never set gives it Direct3D's default light.
    bool EnableLight(DWORD index, bool enable);
    const LightSlot* Light(DWORD index) const;
    void SetLightSlot(DWORD index, const LightSlot& slot);

    bool SetClipPlane(DWORD index, const float* plane);
    const float* ClipPlane(DWORD index) const;

    void SetVertexShader(DWORD handle);
    DWORD VertexShader() const { return m_VertexShader; }

    bool SetTexture(DWORD stage, D3DTexture* texture);
    D3DTexture* Texture(DWORD stage) const;
    void SetStream(D3DVertexBuffer* buffer, UINT stride);
    D3DVertexBuffer* StreamBuffer() const { return m_Stream; }
    UINT StreamStride() const { return m_StreamStride; }
    void SetIndices(D3DIndexBuffer* buffer, UINT baseVertex);
    D3DIndexBuffer* IndexBuffer() const { return m_Indices; }
    UINT BaseVertex() const { return m_BaseVertex; }

    // Unbinds a resource that is going away.
    void Forget(const void* resource);

    uint32_t Dirty() const { return m_Dirty; }
    uint32_t DirtySamplerStages() const { return m_DirtySamplerStages; }
    void MarkDirty(uint32_t flags) { m_Dirty |= flags; }
    void ClearDirty();

private:
    DWORD m_RenderStates[kRenderStateLimit];
    DWORD m_StageStates[kMaxTextureStages][kStageStateLimit];
    D3DMATRIX m_Transforms[static_cast<int>(TransformSlot::Count)];
    D3DMATERIAL8 m_Material;
    LightSlot m_Lights[kMaxLights];
    float m_ClipPlanes[kMaxClipPlanes][4];
    DWORD m_VertexShader = 0;
    D3DTexture* m_Textures[kMaxTextureStages];
    D3DVertexBuffer* m_Stream = nullptr;
    UINT m_StreamStride = 0;
    D3DIndexBuffer* m_Indices = nullptr;
    UINT m_BaseVertex = 0;
    uint32_t m_Dirty = kDirtyAll;
    uint32_t m_DirtySamplerStages = 0;
};

// Direct3D's light for an index enabled before it was set: white,
// directional, pointing down +z.
D3DLIGHT8 DefaultLight();

D3DMATRIX IdentityMatrix();
