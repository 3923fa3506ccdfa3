#include "Display/CameraObstacleProbe.h"

#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxScene.h"

namespace {

// Collision group 1 holds the level objects; the mask has one bit per group.
const NxU32 LEVEL_OBJECT_GROUP = 1;
const NxU32 CAMERA_OBSTACLE_GROUPS = 1u << LEVEL_OBJECT_GROUP;

const CPhysicsObstacleProbe s_PhysicsObstacleProbe;

} // namespace

bool CPhysicsObstacleProbe::CastRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float maxDistance,
                                    D3DXVECTOR3* pImpact) const
{
    const NxScene* pScene = g_Physics.GetScene();
    if (pScene == nullptr)
        return false;

    const NxRay ray(ToNxVec3(origin), ToNxVec3(direction));
    NxRaycastHit hit;
    const NxShape* pShape = pScene->raycastClosestShape(ray, NX_ALL_SHAPES, hit, CAMERA_OBSTACLE_GROUPS, maxDistance,
                                                        NX_RAYCAST_IMPACT | NX_RAYCAST_DISTANCE);
    if (pShape == nullptr)
        return false;
    *pImpact = ToD3DXVector(hit.worldImpact);
    return true;
}

const ICameraObstacleProbe* GetPhysicsObstacleProbe()
{
    return &s_PhysicsObstacleProbe;
}
