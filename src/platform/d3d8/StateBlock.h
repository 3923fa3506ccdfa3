#pragma once
// A state block: what CreateStateBlock captured of the device's state, put
// back by ApplyStateBlock. Direct3D 8 splits the state in two: the pixel
// block holds blending, depth, stencil, alpha test, texture factor and every
// texture stage state; the vertex block holds lighting, culling, fog, point
// and clip-plane enables, the stages' texture coordinate index and transform
// flags, the lights and the vertex shader or FVF. Transforms, the material,
// clip planes, textures and streams go only into a block of everything.

#include "platform/d3d8/DeviceState.h"

class StateBlock {
public:
    StateBlock(D3DSTATEBLOCKTYPE type, const DeviceState& source);

    void Apply(DeviceState& target) const;

    // Drops a resource that is going away from the captured bindings.
    void Forget(const void* resource) { m_Captured.Forget(resource); }

    D3DSTATEBLOCKTYPE Type() const { return m_Type; }

    static bool IsPixelRenderState(DWORD state);
    static bool IsVertexRenderState(DWORD state);
    static bool IsVertexStageState(DWORD type);

private:
    bool CapturesRenderState(DWORD state) const;
    bool CapturesStageState(DWORD type) const;

    D3DSTATEBLOCKTYPE m_Type;
    DeviceState m_Captured;
};
