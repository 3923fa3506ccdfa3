#include <cmath>

#include <gtest/gtest.h>

#include "Display/Camera.h"
#include "Display/CameraObstacleProbe.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"

namespace {

const float TOLERANCE = 0.02f;
const NxCollisionGroup DEFAULT_GROUP = 0;
const NxCollisionGroup LEVEL_OBJECT_GROUP = 1;

class PhysicsCameraProbe : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(g_Physics.Init()); }
    void TearDown() override { g_Physics.Shutdown(); }

    // A chase camera behind a target at (0, 0, 10) that faces +z.
    D3DXVECTOR3 ChaseEye()
    {
        D3DXMATRIX target;
        D3DXMatrixTranslation(&target, 0.0f, 0.0f, 10.0f);
        CCamera camera;
        camera.m_pTarget = &target;
        camera.m_u32Mode = CCamera::MODE_CHASE;
        camera.Update();
        return camera.GetPosition();
    }
};

// The unit box at (0, 2.5, 8.5) stands across the ray from the point looked
// at, (0, 2, 10), to the chase eye, (0, r, 10 - r) with r = 4 sin 45.
TEST_F(PhysicsCameraProbe, OnlyLevelObjectsPullTheChaseCameraIn)
{
    NxActor* wall = nullptr;
    g_Physics.CreateBoxActor(false, &wall);
    ASSERT_NE(nullptr, wall);
    wall->setGlobalPosition(NxVec3(0.0f, 2.5f, 8.5f));

    const float r = 4.0f * std::sqrt(0.5f);
    SetActorCollisionGroup(wall, DEFAULT_GROUP);
    const D3DXVECTOR3 open = ChaseEye();
    EXPECT_NEAR(r, open.y, TOLERANCE);
    EXPECT_NEAR(10.0f - r, open.z, TOLERANCE);

    SetActorCollisionGroup(wall, LEVEL_OBJECT_GROUP);
    const D3DXVECTOR3 blocked = ChaseEye();
    EXPECT_NEAR(0.0f, blocked.x, TOLERANCE);
    EXPECT_NEAR(2.0f + (r - 2.0f) / r, blocked.y, TOLERANCE);
    EXPECT_NEAR(9.0f, blocked.z, TOLERANCE) << "on the wall's near face";

    g_Physics.ReleaseActor(false, &wall);
    g_Physics.Shutdown();
    D3DXVECTOR3 impact;
    EXPECT_FALSE(GetPhysicsObstacleProbe()->CastRay(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), 10.0f, &impact))
        << "no scene, no obstacle";
}

} // namespace
