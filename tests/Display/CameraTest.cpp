#include "Core/Utility.h"
#include "Display/Camera.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Display/CameraObstacleProbe.h"
#include "Display/RenderStates.h"
#include "Input/Controller.h"
#include "support/FrameTime.h"
#include "support/MatrixExpect.h"

namespace {

const float TOLERANCE = 1e-4f;
const float ANGLE_LIMIT = 1.3744468f;
const D3DXVECTOR3 UP(0.0f, 1.0f, 0.0f);

const int ACTION_FORWARD = 1;
const int ACTION_BACKWARDS = 2;
const int ACTION_STRAFE_LEFT = 3;
const int ACTION_STRAFE_RIGHT = 4;
const int ACTION_RIGHT_CLICK = 13;
const int ACTION_RADIO_PREV = 39;
const int ACTION_RADIO_NEXT = 40;
const int ACTION_FAST = 46;
const int ACTION_SLOW = 49;
const uint8_t HELD = 2;
const uint8_t RELEASED = 1;

// A driver whose action counters and axes the test sets by hand.
class TestController : public CController {
public:
    bool Start() override { return true; }
    void Update() override {}
    const float* GetCursorPosition() const override { return m_Cursor; }
    float GetCursorX() const override { return m_Cursor[0]; }
    float GetCursorY() const override { return m_Cursor[1]; }
    const uint8_t* GetActionCounters() const override { return m_Actions; }
    const float* GetAxisValues() const override { return m_Axes; }
    const D3DXMATRIX* GetCameraMatrix() const override { return nullptr; }
    CCamera* GetCamera() const override { return nullptr; }
    void SetCursorPosition(const float*) override {}
    CInGameMouse* GetCursor() const override { return nullptr; }

    uint8_t m_Actions[77] = {};
    float m_Axes[4] = {};
    float m_Cursor[2] = {0.5f, 0.5f};
};

// A wall across the world: the plane z = m_fWallZ stops every ray that crosses it.
class WallProbe : public ICameraObstacleProbe {
public:
    explicit WallProbe(float wallZ) : m_fWallZ(wallZ) {}

    bool CastRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float maxDistance,
                 D3DXVECTOR3* pImpact) const override
    {
        m_Rays.push_back({origin, direction, maxDistance});
        if (direction.z == 0.0f)
            return false;
        const float distance = (m_fWallZ - origin.z) / direction.z;
        if (distance < 0.0f || distance > maxDistance)
            return false;
        *pImpact = origin + direction * distance;
        return true;
    }

    struct Ray {
        D3DXVECTOR3 origin;
        D3DXVECTOR3 direction;
        float maxDistance;
    };
    float m_fWallZ;
    mutable std::vector<Ray> m_Rays;
};

// Finds nothing, so the camera tests need no physics scene.
class OpenSkyProbe : public ICameraObstacleProbe {
public:
    bool CastRay(const D3DXVECTOR3&, const D3DXVECTOR3&, float, D3DXVECTOR3*) const override { return false; }
};
const OpenSkyProbe OPEN_SKY;

// The rotation rows look at `at` from `eye`, level with the world's up.
void ExpectLooksAt(const CCamera& camera, const D3DXVECTOR3& eye, const D3DXVECTOR3& at)
{
    D3DXVECTOR3 forward;
    const D3DXVECTOR3 toTarget = at - eye;
    D3DXVec3Normalize(&forward, &toTarget);
    const D3DXMATRIX& world = camera.GetWorldMatrix();
    ExpectVectorNear(forward, GetMatrixRow(world, 2), TOLERANCE);
    EXPECT_NEAR(0.0f, world._12, TOLERANCE) << "the x axis stays level";
    EXPECT_GT(world._22, 0.0f) << "the y axis points up";
    ExpectVectorNear(eye, GetMatrixRow(world, 3), TOLERANCE);
}

D3DXMATRIX TargetAt(const D3DXVECTOR3& position, float yaw)
{
    D3DXMATRIX target;
    D3DXMatrixRotationY(&target, yaw);
    target._41 = position.x;
    target._42 = position.y;
    target._43 = position.z;
    return target;
}

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_SavedProjection = g_matProjection;
        m_Camera.m_pObstacleProbe = &OPEN_SKY;
    }
    void TearDown() override
    {
        g_FrameTimer = CFrameTimer();
        g_matProjection = m_SavedProjection;
    }

    CCamera m_Camera;
    TestController m_Controller;
    D3DXMATRIX m_SavedProjection;
};

TEST_F(CameraTest, StartsStillWithIdentityMatricesAndNoTurnUnderway)
{
    EXPECT_EQ(uint32_t(CCamera::MODE_NONE), m_Camera.m_u32Mode);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(identity, m_Camera.GetWorldMatrix());
    EXPECT_EQ(identity, m_Camera.GetViewMatrix());
    EXPECT_EQ(identity, m_Camera.m_matAimProjection);
    EXPECT_FLOAT_EQ(D3DX_PI / 4.0f, m_Camera.m_fVerticalAngle);
    EXPECT_EQ(1.0f, m_Camera.m_fZoom);
    EXPECT_EQ(1.0f, m_Camera.m_fInverseZoom);
    EXPECT_EQ(D3DXVECTOR2(0.5f, 0.5f), m_Camera.m_vAimPoint);

    const D3DXQUATERNION none(0.0f, 0.0f, 0.0f, 1.0f);
    const CCameraMotion& motion = m_Camera.m_Motion;
    EXPECT_EQ(0, motion.m_u8Active);
    EXPECT_EQ(none, motion.m_qCurrent);
    EXPECT_EQ(none, motion.m_qStart);
    EXPECT_EQ(none, motion.m_qEnd);
    EXPECT_EQ(0.0f, motion.m_fDuration);
    EXPECT_EQ(nullptr, CCamera().m_pController);
    EXPECT_EQ(GetPhysicsObstacleProbe(), CCamera().m_pObstacleProbe);
}

// The global cameras are built before main, whatever order the files' own
// constants are set in; no test moves their chase, look or aim settings.
TEST_F(CameraTest, TheGlobalCamerasStartWithTheSameSettingsAsAnyOther)
{
    for (const CCamera* camera : {&g_GameCamera, &g_FreeCamera, &g_CinemaCamera}) {
        EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, -4.0f), camera->m_vChaseOffset);
        EXPECT_EQ(D3DXVECTOR3(0.0f, 2.0f, 0.0f), camera->m_vLookOffset);
        EXPECT_EQ(D3DXVECTOR2(0.5f, 0.5f), camera->m_vAimPoint);
    }
}

TEST_F(CameraTest, EveryUpdateCopiesThePositionAndInvertsTheWorldMatrix)
{
    D3DXMatrixRotationYawPitchRoll(&m_Camera.m_matWorld, 0.7f, -0.3f, 0.1f);
    m_Camera.SetPosition(D3DXVECTOR3(3.0f, -4.0f, 5.0f));
    EXPECT_EQ(D3DXVECTOR3(3.0f, -4.0f, 5.0f), m_Camera.GetPosition());
    EXPECT_EQ(5.0f, m_Camera.GetWorldMatrix()._43);

    for (uint32_t mode : {0u, 7u}) {
        m_Camera.m_u32Mode = mode;
        m_Camera.m_matWorld._41 = 9.0f;
        m_Camera.Update();
        EXPECT_EQ(9.0f, m_Camera.GetPosition().x) << "mode " << mode;
        D3DXMATRIX product;
        D3DXMatrixMultiply(&product, &m_Camera.GetWorldMatrix(), &m_Camera.GetViewMatrix());
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        ExpectMatrixNear(identity, product, TOLERANCE);
    }
}

TEST_F(CameraTest, PitchStaysWithinItsLimits)
{
    struct Case {
        float delta;
        float expected;
    };
    const Case cases[] = {
        {0.25f, D3DX_PI / 4.0f + 0.25f},
        {10.0f, ANGLE_LIMIT},
        {-10.0f, -ANGLE_LIMIT},
        {ANGLE_LIMIT - D3DX_PI / 4.0f, ANGLE_LIMIT},
    };
    for (const Case& c : cases) {
        CCamera camera;
        camera.AddPitch(c.delta);
        EXPECT_EQ(c.expected, camera.m_fVerticalAngle) << c.delta;
    }
}

TEST_F(CameraTest, ChaseLooksOverTheTargetFromBehindAndAbove)
{
    const float r = 4.0f * std::sqrt(0.5f);
    struct Case {
        float yaw;
        float pitch;
        D3DXVECTOR3 eyeOffset;
    };
    const Case cases[] = {
        {0.0f, D3DX_PI / 4.0f, D3DXVECTOR3(0.0f, r, -r)},
        {D3DX_PI / 2.0f, D3DX_PI / 4.0f, D3DXVECTOR3(-r, r, 0.0f)}, // the target faces +x
        {0.0f, 0.0f, D3DXVECTOR3(0.0f, 0.0f, -4.0f)},
        {0.0f, -D3DX_PI / 6.0f, D3DXVECTOR3(0.0f, -2.0f, -4.0f * std::cos(D3DX_PI / 6.0f))},
    };
    const D3DXVECTOR3 position(10.0f, 1.0f, 20.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.yaw);
        SCOPED_TRACE(c.pitch);
        const D3DXMATRIX target = TargetAt(position, c.yaw);
        CCamera camera;
        camera.m_pObstacleProbe = &OPEN_SKY;
        camera.m_pTarget = &target;
        camera.m_fVerticalAngle = c.pitch;
        camera.m_u32Mode = CCamera::MODE_CHASE;
        camera.Update();
        ExpectLooksAt(camera, position + c.eyeOffset, position + D3DXVECTOR3(0.0f, 2.0f, 0.0f));
        ExpectVectorNear(position + c.eyeOffset, camera.GetPosition(), TOLERANCE);
    }
}

TEST_F(CameraTest, FollowingModesWithoutATargetLeaveTheCameraAlone)
{
    for (uint32_t mode : {CCamera::MODE_CHASE, CCamera::MODE_FOLLOW}) {
        CCamera camera;
        camera.m_u32Mode = mode;
        camera.SetPosition(D3DXVECTOR3(1.0f, 2.0f, 3.0f));
        camera.Update();
        EXPECT_EQ(D3DXVECTOR3(1.0f, 2.0f, 3.0f), camera.GetPosition()) << mode;
        EXPECT_EQ(1.0f, camera.GetWorldMatrix()._11);
    }
    D3DXVECTOR3 untouched(7.0f, 7.0f, 7.0f);
    m_Camera.GetFollowPosition(&untouched);
    EXPECT_EQ(D3DXVECTOR3(7.0f, 7.0f, 7.0f), untouched);
}

TEST_F(CameraTest, FollowStandsFifteenAwayOnItsOwnSideAndFiveUp)
{
    struct Case {
        const char* name;
        D3DXVECTOR3 cameraAt;
        float targetYaw;
        D3DXVECTOR3 expectedEye;
    };
    const Case cases[] = {
        {"east of the target", D3DXVECTOR3(40.0f, 9.0f, 0.0f), 0.0f, D3DXVECTOR3(15.0f, 5.0f, 0.0f)},
        {"north-west, high up", D3DXVECTOR3(-3.0f, 50.0f, 3.0f), 0.0f,
         D3DXVECTOR3(-15.0f * std::sqrt(0.5f), 5.0f, 15.0f * std::sqrt(0.5f))},
        {"exactly above, target facing +z", D3DXVECTOR3(0.0f, 30.0f, 0.0f), 0.0f, D3DXVECTOR3(0.0f, 5.0f, -15.0f)},
        {"exactly above, target facing +x", D3DXVECTOR3(0.0f, 30.0f, 0.0f), D3DX_PI / 2.0f,
         D3DXVECTOR3(-15.0f, 5.0f, 0.0f)},
    };
    SetFrameTime(1000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const D3DXMATRIX target = TargetAt(D3DXVECTOR3(0.0f, 0.0f, 0.0f), c.targetYaw);
        CCamera camera;
        camera.m_pObstacleProbe = &OPEN_SKY;
        camera.m_pTarget = &target;
        camera.SetPosition(c.cameraAt);

        D3DXVECTOR3 follow;
        camera.GetFollowPosition(&follow);
        ExpectVectorNear(c.expectedEye, follow, TOLERANCE);

        camera.m_u32Mode = CCamera::MODE_FOLLOW;
        camera.Update();
        ExpectLooksAt(camera, c.expectedEye, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        camera.Update();
        ExpectVectorNear(c.expectedEye, camera.GetPosition(), TOLERANCE, "it stays where it is");
    }
}

// Turned from straight ahead by the frame time's share of the whole turn.
TEST_F(CameraTest, FollowTurnsByTheFrameTimeTowardsTheTarget)
{
    const D3DXMATRIX target = TargetAt(D3DXVECTOR3(0.0f, 0.0f, 0.0f), 0.0f);
    m_Camera.m_pTarget = &target;
    m_Camera.m_u32Mode = CCamera::MODE_FOLLOW;
    const D3DXVECTOR3 goal(15.0f, 5.0f, 0.0f);

    struct Case {
        uint32_t frameMilliseconds;
        float share;
    };
    const Case cases[] = {{1000, 1.0f}, {0, 0.0f}, {250, 0.25f}, {3000, 1.0f}};
    float wholeTurn = 0.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frameMilliseconds);
        D3DXMatrixIdentity(&m_Camera.m_matWorld);
        m_Camera.SetPosition(goal);
        SetFrameTime(c.frameMilliseconds);
        m_Camera.Update();
        D3DXQUATERNION turned;
        D3DXQuaternionRotationMatrix(&turned, &m_Camera.GetWorldMatrix());
        const float angle = 2.0f * std::acos(std::min(1.0f, std::fabs(turned.w)));
        if (c.share == 1.0f && wholeTurn == 0.0f) {
            ExpectLooksAt(m_Camera, goal, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
            wholeTurn = angle;
        }
        EXPECT_NEAR(c.share * wholeTurn, angle, 1e-3f);
    }
    EXPECT_GT(wholeTurn, 1.0f);
}

TEST_F(CameraTest, ZoomStepsOnReleasesWithinItsLimits)
{
    const D3DXMATRIX target = TargetAt(D3DXVECTOR3(0.0f, 0.0f, 0.0f), 0.0f);
    struct Case {
        int action;
        int releases;
        float expected;
    };
    const Case cases[] = {
        {ACTION_RADIO_PREV, 10, 11.0f},
        {ACTION_RADIO_PREV, 60, 50.0f},
        {ACTION_RADIO_NEXT, 3, 1.0f},
    };
    for (const Case& c : cases) {
        CCamera camera;
        camera.m_pObstacleProbe = &OPEN_SKY;
        camera.m_pTarget = &target;
        camera.m_pController = &m_Controller;
        camera.m_u32Mode = CCamera::MODE_ZOOM;
        for (int i = 0; i < c.releases; ++i) {
            m_Controller.m_Actions[c.action] = RELEASED;
            camera.Update();
            m_Controller.m_Actions[c.action] = HELD;
            camera.Update();
        }
        m_Controller.m_Actions[c.action] = 0;
        EXPECT_EQ(c.expected, camera.m_fZoom) << c.action << " x" << c.releases;
        EXPECT_EQ(1.0f / c.expected, camera.m_fInverseZoom);
    }
}

TEST_F(CameraTest, ZoomLooksAlongTheAimFromAheadOfTheChaseEyeWithANarrowerView)
{
    const D3DXVECTOR3 position(5.0f, 0.0f, 5.0f);
    const D3DXMATRIX target = TargetAt(position, 0.0f);
    m_Camera.m_pTarget = &target;
    m_Camera.m_u32Mode = CCamera::MODE_CHASE;
    m_Camera.Update();
    const D3DXMATRIX chase = m_Camera.GetWorldMatrix();

    m_Camera.m_u32Mode = CCamera::MODE_ZOOM;
    m_Camera.m_fZoom = 2.0f;
    m_Camera.Update();
    const D3DXVECTOR3 forward = GetMatrixRow(chase, 2);
    ExpectVectorNear(forward, GetMatrixRow(m_Camera.GetWorldMatrix(), 2), TOLERANCE);
    ExpectVectorNear(GetMatrixRow(chase, 3) + forward * 5.0f, m_Camera.GetPosition(), TOLERANCE);
    EXPECT_EQ(0.5f, m_Camera.m_fInverseZoom) << "no controller: the zoom stays";
    // A vertical field of view of pi/8.
    EXPECT_NEAR(1.0f / std::tan(D3DX_PI / 16.0f), g_matProjection._22, TOLERANCE);
    EXPECT_NEAR(1000.0f / (1000.0f - 0.1f), g_matProjection._33, TOLERANCE);

    // Aiming at the right edge through the square aim projection turns the view by 45 degrees.
    m_Camera.m_vAimPoint = D3DXVECTOR2(1.0f, 0.5f);
    m_Camera.Update();
    D3DXVECTOR3 expected = forward + GetMatrixRow(chase, 0);
    D3DXVec3Normalize(&expected, &expected);
    ExpectVectorNear(expected, GetMatrixRow(m_Camera.GetWorldMatrix(), 2), TOLERANCE);
}

TEST_F(CameraTest, FreeFlyMovesAlongItsOwnAxesAtTheChosenSpeed)
{
    // 50 ms frames: a step of one unit at the normal speed.
    SetFrameTime(50);
    const float step = 20.0f * g_FrameTimer.GetFrameTime();
    D3DXMATRIX facingEast;
    D3DXMatrixRotationY(&facingEast, D3DX_PI / 2.0f); // x axis -z, z axis +x
    struct Case {
        std::vector<int> held;
        D3DXVECTOR3 move;
    };
    const std::vector<Case> cases = {
        {{}, D3DXVECTOR3(0.0f, 0.0f, 0.0f)},
        {{ACTION_FORWARD}, D3DXVECTOR3(1.0f, 0.0f, 0.0f)},
        {{ACTION_BACKWARDS}, D3DXVECTOR3(-1.0f, 0.0f, 0.0f)},
        {{ACTION_STRAFE_LEFT}, D3DXVECTOR3(0.0f, 0.0f, 1.0f)},
        {{ACTION_STRAFE_RIGHT}, D3DXVECTOR3(0.0f, 0.0f, -1.0f)},
        {{ACTION_FORWARD, ACTION_STRAFE_RIGHT}, D3DXVECTOR3(1.0f, 0.0f, -1.0f)},
        {{ACTION_FORWARD, ACTION_FAST}, D3DXVECTOR3(4.0f, 0.0f, 0.0f)},
        {{ACTION_FORWARD, ACTION_SLOW}, D3DXVECTOR3(0.5f, 0.0f, 0.0f)},
        {{ACTION_FORWARD, ACTION_FAST, ACTION_SLOW}, D3DXVECTOR3(4.0f, 0.0f, 0.0f)},
    };
    const D3DXVECTOR3 start(100.0f, 10.0f, -50.0f);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        TestController controller;
        for (int action : cases[i].held)
            controller.m_Actions[action] = HELD;
        CCamera camera;
        camera.m_u32Mode = CCamera::MODE_FREE_FLY;
        camera.m_pController = &controller;
        camera.m_matWorld = facingEast;
        camera.SetPosition(start);
        camera.Update();
        ExpectVectorNear(start + cases[i].move * step, camera.GetPosition(), TOLERANCE);
    }

    // A released key is not a held one, and without a controller nothing moves.
    TestController justReleased;
    justReleased.m_Actions[ACTION_FORWARD] = RELEASED;
    for (CController* controller : {static_cast<CController*>(&justReleased), static_cast<CController*>(nullptr)}) {
        CCamera camera;
        camera.m_u32Mode = CCamera::MODE_FREE_FLY;
        camera.m_pController = controller;
        camera.SetPosition(start);
        camera.Update();
        EXPECT_EQ(start, camera.GetPosition());
    }
}

TEST_F(CameraTest, FreeFlyLooksAroundOnlyWhileTheRightButtonIsHeld)
{
    const float quarterTurn = 150.0f * D3DX_PI / 2.0f;
    struct Case {
        uint8_t rightButton;
        float mouseX;
        float mouseY;
        D3DXVECTOR3 forward;
    };
    const Case cases[] = {
        {HELD, quarterTurn, 0.0f, D3DXVECTOR3(1.0f, 0.0f, 0.0f)}, // yaw right
        {HELD, 0.0f, quarterTurn / 3.0f, D3DXVECTOR3(0.0f, -std::sin(D3DX_PI / 6.0f), std::cos(D3DX_PI / 6.0f))},
        {HELD, quarterTurn, quarterTurn / 3.0f, D3DXVECTOR3(std::cos(D3DX_PI / 6.0f), -std::sin(D3DX_PI / 6.0f), 0.0f)},
        {RELEASED, quarterTurn, quarterTurn, D3DXVECTOR3(0.0f, 0.0f, 1.0f)},
    };
    const D3DXVECTOR3 start(1.0f, 2.0f, 3.0f);
    for (const Case& c : cases) {
        TestController controller;
        controller.m_Actions[ACTION_RIGHT_CLICK] = c.rightButton;
        controller.m_Axes[0] = c.mouseX;
        controller.m_Axes[1] = c.mouseY;
        CCamera camera;
        camera.m_u32Mode = CCamera::MODE_FREE_FLY;
        camera.m_pController = &controller;
        camera.SetPosition(start);
        camera.Update();
        ExpectVectorNear(c.forward, GetMatrixRow(camera.GetWorldMatrix(), 2), TOLERANCE);
        EXPECT_NEAR(0.0f, camera.GetWorldMatrix()._12, TOLERANCE) << "the x axis stays level";
        ExpectVectorNear(start, camera.GetPosition(), TOLERANCE);
    }
}

TEST_F(CameraTest, CinemaDriftsAndTurnsOnlyWhileItsMotionIsActive)
{
    SetFrameTime(500);
    D3DXQUATERNION east;
    D3DXQuaternionRotationAxis(&east, &UP, D3DX_PI / 2.0f);
    m_Camera.m_u32Mode = CCamera::MODE_CINEMA;
    m_Camera.m_Motion.m_vVelocity = D3DXVECTOR3(2.0f, 0.0f, 0.0f);
    m_Camera.m_Motion.SetOrientation(east);

    m_Camera.Update();
    EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), m_Camera.GetPosition()) << "inactive";
    EXPECT_EQ(1.0f, m_Camera.GetWorldMatrix()._33);

    m_Camera.m_Motion.m_u8Active = 1;
    m_Camera.Update();
    ExpectVectorNear(D3DXVECTOR3(1.0f, 0.0f, 0.0f), m_Camera.GetPosition(), TOLERANCE);
    ExpectVectorNear(D3DXVECTOR3(1.0f, 0.0f, 0.0f), GetMatrixRow(m_Camera.GetWorldMatrix(), 2), TOLERANCE,
                     "a zero duration turns at once");

    // Two turns of a second each: half way, at the end, then on from there.
    m_Camera.m_Motion.m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    D3DXQUATERNION north;
    D3DXQuaternionIdentity(&north);
    m_Camera.m_Motion.TurnTo(north, 1.0f);
    m_Camera.Update();
    ExpectVectorNear(D3DXVECTOR3(std::sqrt(0.5f), 0.0f, std::sqrt(0.5f)), GetMatrixRow(m_Camera.GetWorldMatrix(), 2),
                     TOLERANCE);
    m_Camera.Update();
    m_Camera.Update();
    EXPECT_EQ(1.0f, m_Camera.m_Motion.m_fElapsed) << "time stops at the duration";
    ExpectVectorNear(D3DXVECTOR3(0.0f, 0.0f, 1.0f), GetMatrixRow(m_Camera.GetWorldMatrix(), 2), TOLERANCE);

    D3DXQUATERNION west;
    D3DXQuaternionRotationAxis(&west, &UP, -D3DX_PI / 2.0f);
    m_Camera.m_Motion.TurnTo(west, 1.0f);
    m_Camera.Update();
    ExpectVectorNear(D3DXVECTOR3(-std::sqrt(0.5f), 0.0f, std::sqrt(0.5f)), GetMatrixRow(m_Camera.GetWorldMatrix(), 2),
                     TOLERANCE, "the second turn begins where the first ended");
    ExpectVectorNear(D3DXVECTOR3(1.0f, 0.0f, 0.0f), m_Camera.GetPosition(), TOLERANCE);
}

TEST_F(CameraTest, AvoidObstaclesPutsTheEyeOnTheFirstWallFromThePointLookedAt)
{
    const D3DXVECTOR3 position(0.0f, 0.0f, 10.0f);
    const D3DXMATRIX target = TargetAt(position, 0.0f);
    const D3DXVECTOR3 lookAt = position + D3DXVECTOR3(0.0f, 2.0f, 0.0f);
    const float r = 4.0f * std::sqrt(0.5f);
    const D3DXVECTOR3 chaseEye = position + D3DXVECTOR3(0.0f, r, -r);

    struct Case {
        const char* name;
        float wallZ;
        D3DXVECTOR3 expectedEye;
    };
    // The ray climbs (r - 2) for every r it goes back.
    const Case cases[] = {
        {"wall between", 9.0f, D3DXVECTOR3(0.0f, 2.0f + (r - 2.0f) / r, 9.0f)},
        {"wall beyond the eye", 5.0f, chaseEye},
        {"wall in front of the target", 12.0f, chaseEye},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WallProbe wall(c.wallZ);
        CCamera camera;
        camera.m_pObstacleProbe = &wall;
        camera.m_pTarget = &target;
        camera.m_u32Mode = CCamera::MODE_CHASE;
        camera.Update();
        ExpectVectorNear(c.expectedEye, camera.GetPosition(), TOLERANCE);
        D3DXVECTOR3 eyeInView;
        D3DXVec3TransformCoord(&eyeInView, &c.expectedEye, &camera.GetViewMatrix());
        ExpectVectorNear(D3DXVECTOR3(0.0f, 0.0f, 0.0f), eyeInView, TOLERANCE, "the view sees from the moved eye");

        ASSERT_EQ(1u, wall.m_Rays.size());
        const WallProbe::Ray& ray = wall.m_Rays[0];
        ExpectVectorNear(lookAt, ray.origin, TOLERANCE);
        const D3DXVECTOR3 toEye = chaseEye - lookAt;
        EXPECT_NEAR(D3DXVec3Length(&toEye), ray.maxDistance, TOLERANCE);
        EXPECT_NEAR(1.0f, D3DXVec3Length(&ray.direction), TOLERANCE);
    }

    // An eye on the point looked at, or no target, asks nothing.
    WallProbe wall(9.0f);
    CCamera camera;
    camera.m_pObstacleProbe = &wall;
    camera.AvoidObstacles(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    camera.m_pTarget = &target;
    camera.AvoidObstacles(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(wall.m_Rays.empty());
    EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), camera.GetPosition());
}

TEST_F(CameraTest, ScreenPointToRayReadsTheCamerasAxes)
{
    D3DXMatrixRotationYawPitchRoll(&m_Camera.m_matWorld, 0.4f, 0.2f, 0.0f);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 3.0f, 1.5f, 0.1f, 100.0f);
    D3DXVECTOR3 ray;
    ScreenPointToRay(&ray, D3DXVECTOR2(0.5f, 0.5f), projection, m_Camera);
    EXPECT_EQ(GetMatrixRow(m_Camera.GetWorldMatrix(), 2), ray);
    ScreenPointToRay(&ray, D3DXVECTOR2(0.0f, 1.0f), projection, m_Camera);
    const D3DXVECTOR3 expected = GetMatrixRow(m_Camera.GetWorldMatrix(), 0) * (-1.0f / projection._11) +
                                 GetMatrixRow(m_Camera.GetWorldMatrix(), 1) * (-1.0f / projection._22) +
                                 GetMatrixRow(m_Camera.GetWorldMatrix(), 2);
    ExpectVectorNear(expected, ray, TOLERANCE);
}

} // namespace
