#include "Effects/ParticleSystem.h"

void CParticleEmitter::Render() const
{
    // No particle is ever alive until the emitters run: nothing to draw.
}
