#pragma once

#include <cstdint>

#include "platform/d3dx8/D3DX8Math.h"

// A particle system as the effects that embed it are queued and drawn. The
// system is placed by one of two matrices, which its effect hands over by the
// system's matrix type; either may be null.
class CParticleEmitter {
public:
    // Drawn under the ParticleBlack state block rather than Particle ("ISDARK").
    uint8_t m_u8Dark = 0;
    // Observers: the effect's holder owns the matrices.
    const D3DXMATRIX* m_pRenderFrameMatrix = nullptr;
    const D3DXMATRIX* m_pEmitFrameMatrix = nullptr;

    // Draws the live particles; a system that is not running draws nothing.
    void Render() const;
};
