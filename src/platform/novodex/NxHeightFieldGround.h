#pragma once
// The solid below a height-field mesh. Bullet sees a triangle mesh as a thin
// sheet: a body whose centre gets below it is pushed further down and falls
// out of the world, and a fast one passes through between two steps. After
// each substep this action lifts every moving body whose centre lies below
// the surface (within the field's extent) until it stands on the surface,
// and takes away its downward speed, so the sheet's own contacts hold it
// from then on.

#include <BulletDynamics/Dynamics/btActionInterface.h>
#include <LinearMath/btVector3.h>

class NxTriangleMeshShape;
class btRigidBody;

class NxHeightFieldGround : public btActionInterface {
public:
    // Joins the world of the shape's scene; leaves it when destroyed.
    explicit NxHeightFieldGround(NxTriangleMeshShape& shape);
    ~NxHeightFieldGround() override;
    NxHeightFieldGround(const NxHeightFieldGround&) = delete;
    NxHeightFieldGround& operator=(const NxHeightFieldGround&) = delete;

    void updateAction(btCollisionWorld* world, btScalar timeStep) override;
    void debugDraw(btIDebugDraw*) override {}

    // The surface height above or below a point in the shape's own space;
    // false where the field does not reach.
    bool surfaceHeight(const btVector3& localPoint, btScalar& height) const;

private:
    void holdAbove(btRigidBody& body) const;

    NxTriangleMeshShape& m_Shape;
    btVector3 m_LocalMin;
    btVector3 m_LocalMax;
};
