#pragma once

#include "platform/d3dx8/D3DX8Math.h"

// What a following camera asks of the world before it settles: whether
// something solid lies between the point it looks at and its eye. Kept apart
// from the camera so that the camera needs no physics scene to be tested.
class ICameraObstacleProbe {
public:
    virtual ~ICameraObstacleProbe() = default;

    // The nearest obstacle along the ray from `origin` in the unit
    // `direction`, no farther than `maxDistance`; false when there is none.
    virtual bool CastRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float maxDistance,
                         D3DXVECTOR3* pImpact) const = 0;
};

// The physics scene's closest-shape ray cast over the level objects only:
// the followed actor's own body, the cars and the terrain never pull the
// camera in. Finds nothing while there is no scene.
class CPhysicsObstacleProbe : public ICameraObstacleProbe {
public:
    bool CastRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float maxDistance,
                 D3DXVECTOR3* pImpact) const override;
};

// The probe every camera starts with.
const ICameraObstacleProbe* GetPhysicsObstacleProbe();
