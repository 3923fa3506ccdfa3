#pragma once

#include <cstdint>
#include <vector>

#include "Display/AnimSequence.h"
#include "Display/DisplayMesh.h"
#include "Effects/ParticleSystem.h"

// One mesh an effect shows, placed by the effect's matrix.
struct CEffectMesh {
    CDisplayObject3D m_DisplayObject;
};

// An effect instance: particle systems, sprites and meshes that play
// together. Weapons, projectiles, cars and level objects embed one by value.
class CEffect {
public:
    // Queues the effect's parts when it is running; drawing is the queue's.
    void Render();

    uint8_t m_u8Compiled = 0;
    uint8_t m_u8Running = 0;
    // Set: only the particle systems are queued.
    uint8_t m_u8ParticlesOnly = 0;
    std::vector<CParticleEmitter> m_ParticleSystems;
    std::vector<C3DSprite> m_Sprites;
    std::vector<CEffectMesh> m_Meshes;
};
