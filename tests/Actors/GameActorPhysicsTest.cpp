// The actor's three-box body in a real scene over flat ground.

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Game/CrimeManager.h"
#include "Display/Camera.h"
#include "Display/RenderStates.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxPhysics.h"
#include "support/ArmModel.h"
#include "support/FrameTime.h"
#include "support/GamePhysics.h"
#include "support/ScriptText.h"
#include "support/ScriptedController.h"

namespace {

const float POSITION_TOLERANCE = 0.02f;

// A plain collidable box that remembers whom it touched.
class Crate : public CCollidableObject {
public:
    bool OnContact(CCollidableObject* pOther, NxContactPair*) override
    {
        m_bTouchedSomething = m_bTouchedSomething || pOther != nullptr;
        return true;
    }
    bool m_bTouchedSomething = false;
};

class PhysicsGameActor : public GamePhysics {
protected:
    void TearDown() override
    {
        m_Actor.Shutdown();
        GamePhysics::TearDown();
    }

    // The actor's body standing at `position`, the model placed there too.
    void PlaceActor(const D3DXVECTOR3& position)
    {
        m_Actor.CreatePhysics();
        ASSERT_NE(nullptr, Body());
        m_Actor.m_Model.SetPosition(&position);
        m_Actor.m_Model.UpdateWorldMatrix();
        m_Actor.SyncPhysicsPose();
    }
    NxActor* Body() const { return m_Actor.m_PhysicsObject.m_pActor; }

    CGameActor m_Actor;
};

TEST_F(PhysicsGameActor, TheBodyIsThreeBoxesOfMassTen)
{
    m_Actor.m_fWantedLevel = 3.0f;
    m_Actor.CreatePhysics();
    NxActor* body = Body();
    ASSERT_NE(nullptr, body);
    EXPECT_EQ(CCollidableObject::KIND_GAME_ACTOR, m_Actor.m_u8Kind);
    EXPECT_FLOAT_EQ(0.0f, m_Actor.m_fWantedLevel);
    EXPECT_FLOAT_EQ(10.0f, body->getMass());
    EXPECT_EQ(&m_Actor.m_pSelf, body->userData);
    EXPECT_EQ(&m_Actor, m_Actor.m_pSelf);

    struct Box {
        NxVec3 halfExtents;
        NxVec3 position;
    };
    const Box feet = {NxVec3(0.1f, 0.2f, 0.1f), NxVec3(0, 0.2f, 0)};
    const Box torso = {NxVec3(0.4f, 0.8f, 0.4f), NxVec3(0, 1.0f, 0)};
    const Box head = {NxVec3(0.1f, 0.2f, 0.1f), NxVec3(-0.025f, 2.0f, 0)};
    ASSERT_EQ(3u, body->getNbShapes()) << "the unit box is gone";
    auto expectBox = [](const NxShape* shape, const Box& box) {
        ASSERT_NE(nullptr, shape);
        const NxBoxShape* boxShape = const_cast<NxShape*>(shape)->isBox();
        ASSERT_NE(nullptr, boxShape);
        EXPECT_EQ(box.halfExtents, boxShape->getDimensions());
        EXPECT_EQ(box.position, shape->getLocalPosition());
        EXPECT_EQ(0, shape->getGroup());
        EXPECT_EQ(0, shape->getMaterial());
        EXPECT_EQ(8u, shape->getFlags());
    };
    expectBox(m_Actor.m_pFeetShape, feet);
    expectBox(m_Actor.m_pHeadShape, head);
    int torsos = 0;
    for (NxU32 i = 0; i < body->getNbShapes(); ++i) {
        NxShape* shape = body->getShapes()[i];
        EXPECT_EQ(&m_Actor.m_pSelf, shape->userData);
        if (shape != m_Actor.m_pFeetShape && shape != m_Actor.m_pHeadShape) {
            expectBox(shape, torso);
            ++torsos;
        }
    }
    EXPECT_EQ(1, torsos);

    // A second body replaces the first: the scene keeps the ground and one actor.
    m_Actor.CreatePhysics();
    EXPECT_EQ(2u, g_Physics.GetScene()->getNbActors());
}

TEST_F(PhysicsGameActor, SettlesOnItsFeetBox)
{
    PlaceActor(D3DXVECTOR3(3, 1, -2));
    // The game's pose step keeps the body from tipping over; here it cannot turn.
    Body()->raiseBodyFlag(NX_BF_FROZEN_ROT);
    RunFrames(180);
    const NxMat34 pose = Body()->getGlobalPose();
    EXPECT_NEAR(0.0f, pose.t.y, POSITION_TOLERANCE) << "the soles on the ground";
    EXPECT_NEAR(3.0f, pose.t.x, POSITION_TOLERANCE);
    EXPECT_NEAR(-2.0f, pose.t.z, POSITION_TOLERANCE);
    EXPECT_NEAR(1.0f, pose.M(1, 1), 1e-3f) << "standing upright";
}

TEST_F(PhysicsGameActor, DisabledItNeitherFallsNorCollidesUntilEnabled)
{
    PlaceActor(D3DXVECTOR3(0, 5, 0));
    m_Actor.DisablePhysics();
    EXPECT_TRUE(Body()->readActorFlag(NX_AF_DISABLE_COLLISION));
    for (NxBodyFlag frozen : {NX_BF_FROZEN_POS_X, NX_BF_FROZEN_POS_Y, NX_BF_FROZEN_POS_Z, NX_BF_FROZEN_ROT_X,
                              NX_BF_FROZEN_ROT_Y, NX_BF_FROZEN_ROT_Z})
        EXPECT_TRUE(Body()->readBodyFlag(frozen)) << frozen;
    m_Actor.DisablePhysics();
    EXPECT_TRUE(Body()->readActorFlag(NX_AF_DISABLE_COLLISION));

    // A crate dropped on its head falls through it.
    Crate crate;
    g_Physics.CreateBoxActor(true, &crate.m_PhysicsObject.m_pActor);
    ASSERT_NE(nullptr, crate.m_PhysicsObject.m_pActor);
    crate.m_PhysicsObject.m_pActor->setGlobalPosition(NxVec3(0, 8, 0));
    crate.LinkPhysicsActor();
    RunFrames(120);
    const NxVec3 held = Body()->getGlobalPosition();
    EXPECT_NEAR(0.0f, held.x, 1e-5f);
    EXPECT_NEAR(5.0f, held.y, 1e-5f);
    EXPECT_NEAR(0.0f, held.z, 1e-5f);
    EXPECT_FALSE(crate.m_bTouchedSomething);
    EXPECT_LT(crate.m_PhysicsObject.m_pActor->getGlobalPosition().y, 1.5f) << "down on the ground";

    m_Actor.EnablePhysics();
    EXPECT_FALSE(Body()->readActorFlag(NX_AF_DISABLE_COLLISION));
    EXPECT_FALSE(Body()->readBodyFlag(NX_BF_FROZEN));
    RunFrames(30);
    EXPECT_LT(Body()->getGlobalPosition().y, 5.0f) << "it falls again";
}

TEST_F(PhysicsGameActor, TheBodyTakesTheObjectMatrixAsItsPose)
{
    PlaceActor(D3DXVECTOR3(0, 0, 0));
    D3DXMATRIX yawed;
    D3DXMatrixRotationY(&yawed, 0.6f);
    yawed._41 = 4.0f;
    yawed._42 = 1.0f;
    yawed._43 = -3.0f;
    m_Actor.m_Model.m_matObject = yawed;
    m_Actor.SyncPhysicsPose();

    const D3DXMATRIX pose = ToD3DXMatrix(Body()->getGlobalPose());
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(yawed[i], pose[i], 1e-5f) << "element " << i;
    // The actor's forward row is where the body's z axis points.
    const NxVec3 forward = Body()->getGlobalOrientation() * NxVec3(0, 0, 1);
    EXPECT_NEAR(yawed._31, forward.x, 1e-5f);
    EXPECT_NEAR(yawed._33, forward.z, 1e-5f);

    // A script's "Orientation" moves a body that exists.
    const std::string turnedBack = "Orientation -1 0 0 0  0 1 0 0  0 0 -1 0  2 0 6 1\n";
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    reader.Tokenise(turnedBack.data(), turnedBack.size());
    ASSERT_TRUE(m_Actor.ReadProperty(reader));
    const NxVec3 moved = Body()->getGlobalPosition();
    EXPECT_NEAR(2.0f, moved.x, 1e-5f);
    EXPECT_NEAR(0.0f, moved.y, 1e-5f);
    EXPECT_NEAR(6.0f, moved.z, 1e-5f);
    EXPECT_NEAR(-1.0f, (Body()->getGlobalOrientation() * NxVec3(0, 0, 1)).z, 1e-5f);
}

TEST(PhysicsGameActorWithoutScene, HasNoBodyAndNoWantedLevel)
{
    CGameActor actor;
    actor.m_fWantedLevel = 4.0f;
    actor.CreatePhysics();
    EXPECT_EQ(nullptr, actor.m_PhysicsObject.m_pActor);
    EXPECT_EQ(nullptr, actor.m_pHeadShape);
    EXPECT_FLOAT_EQ(0.0f, actor.m_fWantedLevel);
    EXPECT_EQ(CCollidableObject::KIND_GAME_ACTOR, actor.m_u8Kind);
    actor.EnablePhysics();
    actor.DisablePhysics();
    actor.SyncPhysicsPose();
}

// The actions and the look axis an actor on foot reads.
enum {
    JUMP = 9,
    WALK = 10,
    FIRE = 11,
    GAS = 14,
    BRAKE = 15,
    TURN_LEFT = 16,
    TURN_RIGHT = 17,
    HAND_BRAKE = 19,
    RADIO_PREV = 39,
    RADIO_NEXT = 40,
};
enum { LOOK_LR = 2, LOOK_UD = 3 };
const float WALK_SPEED = 12.0f;
const float RUN_SPEED = 24.0f;
const float SPEED_TOLERANCE = 1e-3f;
const float ANIMATION_CLOCK_RATE = 0.06666667f;

float HorizontalSpeed(const NxVec3& velocity)
{
    return std::sqrt(velocity.x * velocity.x + velocity.z * velocity.z);
}

// An actor on the arm model, driven by a scripted controller, standing on the
// ground at the origin.
class PhysicsGameActorMotion : public PhysicsGameActor {
protected:
    void SetUp() override
    {
        PhysicsGameActor::SetUp();
        MakeWalker(m_Actor, D3DXVECTOR3(0, 0, 0));
    }
    void TearDown() override
    {
        g_PlayerActor = nullptr;
        PhysicsGameActor::TearDown();
    }

    void MakeWalker(CGameActor& actor, const D3DXVECTOR3& position)
    {
        actor.m_Model = MakeArmModel();
        actor.m_pController = &m_Controller;
        actor.CreatePhysics();
        ASSERT_NE(nullptr, actor.m_PhysicsObject.m_pActor);
        actor.m_Model.SetPosition(&position);
        actor.m_Model.UpdateWorldMatrix();
        actor.SyncPhysicsPose();
    }
    // The actor's two steps as the level runs them, after the physics step
    // or, for the actor's own arithmetic, without it.
    static void Frame(CGameActor& actor, bool stepPhysics = true)
    {
        if (stepPhysics)
            g_Physics.Update();
        actor.Update();
        actor.UpdateAnimation();
    }
    void Hold(std::initializer_list<int> actions)
    {
        m_Controller.ClearActions();
        for (int action : actions)
            m_Controller.Hold(action);
    }
    NxVec3 Velocity() const { return Body()->getLinearVelocity(); }

    ScriptedController m_Controller;
};

TEST_F(PhysicsGameActorMotion, EveryModeKeepsToItsSpeedLimit)
{
    m_Actor.Shutdown();
    struct Case {
        const char* name;
        std::initializer_list<int> held;
        float limit;
    };
    const Case cases[] = {
        {"walking ahead", {WALK, GAS}, WALK_SPEED},
        {"walking back", {WALK, BRAKE}, WALK_SPEED},
        {"walk-strafing", {WALK, TURN_LEFT}, WALK_SPEED},
        {"walking diagonally", {WALK, GAS, TURN_RIGHT}, WALK_SPEED},
        {"running ahead", {GAS}, RUN_SPEED},
        {"running back", {BRAKE}, RUN_SPEED},
        {"run-strafing", {TURN_RIGHT}, RUN_SPEED},
        {"running diagonally", {GAS, TURN_LEFT}, RUN_SPEED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGameActor actor;
        MakeWalker(actor, D3DXVECTOR3(0, 0, 0));
        Hold(c.held);
        float fastest = 0.0f;
        for (int frame = 0; frame < 90; ++frame) {
            Frame(actor);
            fastest = std::max(fastest, HorizontalSpeed(actor.m_PhysicsObject.m_pActor->getLinearVelocity()));
        }
        EXPECT_LE(fastest, c.limit + SPEED_TOLERANCE);
        EXPECT_GE(fastest, c.limit - SPEED_TOLERANCE) << "the limit is reached";
        EXPECT_NEAR(0.0f, actor.m_PhysicsObject.m_pActor->getGlobalPosition().y, POSITION_TOLERANCE)
            << "on its feet all the way";
    }
}

TEST_F(PhysicsGameActorMotion, WalkingFromRestAddsTwelveInTheFirstTwelveHundredthsOfASecond)
{
    const uint32_t frameMilliseconds = 12;
    SetFrameTime(frameMilliseconds);
    Hold({WALK, GAS});
    const struct {
        int frames;
        float speed;
    } checkpoints[] = {{1, 1.2f}, {5, 6.0f}, {10, WALK_SPEED}, {20, WALK_SPEED}};
    int done = 0;
    for (const auto& checkpoint : checkpoints) {
        for (; done < checkpoint.frames; ++done)
            Frame(m_Actor, false);
        EXPECT_NEAR(checkpoint.speed, Velocity().z, SPEED_TOLERANCE) << checkpoint.frames << " frames";
        EXPECT_NEAR(0.0f, Velocity().x, SPEED_TOLERANCE);
    }
}

TEST_F(PhysicsGameActorMotion, RunningDiagonallyIsLimitedAcrossAndLeavesTheFallAlone)
{
    const float falling = -7.0f;
    Body()->setLinearVelocity(NxVec3(0, falling, 0));
    Hold({GAS, TURN_LEFT});
    for (int frame = 0; frame < 40; ++frame)
        Frame(m_Actor, false);
    const NxVec3 velocity = Velocity();
    EXPECT_NEAR(RUN_SPEED, HorizontalSpeed(velocity), SPEED_TOLERANCE);
    EXPECT_NEAR(-velocity.x, velocity.z, SPEED_TOLERANCE) << "left and ahead alike";
    EXPECT_GT(velocity.z, 0.0f);
    EXPECT_EQ(falling, velocity.y);
    EXPECT_TRUE(m_Actor.m_bRunning);
}

TEST_F(PhysicsGameActorMotion, StoppingAWalkSetsIdleOnce)
{
    Hold({WALK, GAS});
    for (int frame = 0; frame < 5; ++frame)
        Frame(m_Actor, false);
    EXPECT_STREQ("Walk", m_Actor.m_Model.GetAnimationName());
    EXPECT_TRUE(m_Actor.m_bWalking);

    m_Controller.Release(GAS);
    Frame(m_Actor, false);
    EXPECT_STREQ("Idle", m_Actor.m_Model.GetAnimationName());
    EXPECT_FALSE(m_Actor.m_bWalking);
    EXPECT_FALSE(m_Actor.m_bRunning);
    Hold({WALK});
    for (int frame = 0; frame < 3; ++frame)
        Frame(m_Actor, false);
    EXPECT_STREQ("Idle", m_Actor.m_Model.GetAnimationName());
    const float frameTime = g_FrameTimer.GetFrameTime();
    EXPECT_NEAR(4 * frameTime * ANIMATION_CLOCK_RATE, m_Actor.m_Model.GetAnimationTime(), 1e-6f)
        << "not restarted after the first frame";
}

TEST_F(PhysicsGameActorMotion, HeldWeaponKeysCycleOneWeaponAFrame)
{
    for (int id : {WEAPON_PISTOL, WEAPON_UZZI, WEAPON_SNIPER}) {
        auto weapon = std::make_unique<CWeapon>();
        weapon->m_iWeaponID = id;
        m_Actor.PickUpWeapon(std::move(weapon));
    }
    Hold({RADIO_NEXT});
    std::vector<int> selected;
    for (int frame = 0; frame < 4; ++frame) {
        Frame(m_Actor, false);
        selected.push_back(m_Actor.GetCurrentWeaponIndex());
    }
    EXPECT_EQ((std::vector<int>{1, 2, 0, 1}), selected);

    Hold({RADIO_PREV, RADIO_NEXT});
    Frame(m_Actor, false);
    EXPECT_EQ(0, m_Actor.GetCurrentWeaponIndex()) << "previous wins";
    m_Controller.ClearActions();
    Frame(m_Actor, false);
    EXPECT_EQ(0, m_Actor.GetCurrentWeaponIndex());
}

// A charging weapon shows the fire reaching it without projectiles; the sniper
// scopes in on the secondary action.
TEST_F(PhysicsGameActorMotion, FireRaisesTheGunInStrideAndTheSecondaryActsOnRelease)
{
    const D3DXMATRIX savedProjection = g_matProjection;
    g_matProjection = D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    CCamera camera;
    camera.m_u32Mode = CCamera::MODE_CHASE;
    m_Controller.m_pCamera = &camera;
    auto charger = std::make_unique<CWeapon>();
    ASSERT_TRUE(LoadFrom(*charger, "Weapon Charger Asset_Type Game WeaponID Pistol ChargeFire True AmmoPickup 5"));
    auto sniper = std::make_unique<CWeapon>();
    ASSERT_TRUE(LoadFrom(*sniper, "Weapon Sniper Asset_Type Game"));
    CWeapon& inHand = *charger;
    m_Actor.PickUpWeapon(std::move(charger));
    m_Actor.PickUpWeapon(std::move(sniper));

    Hold({WALK, GAS});
    for (int frame = 0; frame < 3; ++frame)
        Frame(m_Actor, false);
    EXPECT_FALSE(m_Actor.m_bGunPose);
    const float strideTime = m_Actor.m_Model.GetAnimationTime();
    Hold({WALK, GAS, FIRE});
    Frame(m_Actor, false);
    EXPECT_TRUE(m_Actor.m_bGunPose);
    EXPECT_GT(inHand.m_fCharge, 0.0f) << "the weapon was fired";
    EXPECT_STREQ("WalkGun", m_Actor.m_Model.GetAnimationName());
    EXPECT_NEAR(strideTime + g_FrameTimer.GetFrameTime() * ANIMATION_CLOCK_RATE,
                m_Actor.m_Model.GetAnimationTime(), 1e-6f)
        << "in step";
    EXPECT_NEAR(D3DX_PI / 2 + 0.2f, m_Actor.m_fAimAngle, 1e-5f) << "no projection yet: a level aim";

    m_Actor.SelectWeapon(1);
    Hold({HAND_BRAKE});
    Frame(m_Actor, false);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CHASE), camera.m_u32Mode) << "not while held";
    m_Controller.Release(HAND_BRAKE);
    Frame(m_Actor, false);
    EXPECT_TRUE(m_Actor.GetCurrentWeapon()->m_bScoped);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_ZOOM), camera.m_u32Mode);
    g_matProjection = savedProjection;
}

TEST_F(PhysicsGameActorMotion, TheLookAxesTurnTheActorAndPitchItsCameraSlowerWhenZoomed)
{
    CCamera camera;
    camera.m_fInverseZoom = 0.5f;
    camera.m_fVerticalAngle = 0.0f;
    m_Controller.m_pCamera = &camera;
    m_Controller.m_Axes[LOOK_LR] = 2.0f;
    m_Controller.m_Axes[LOOK_UD] = -1.0f;
    Frame(m_Actor, false);

    const float turnSpeed = m_Actor.m_fTurnSpeed;
    const D3DXMATRIX& object = m_Actor.m_Model.m_matObject;
    EXPECT_NEAR(std::cos(turnSpeed), object._33, 1e-5f) << "turned by the turn speed";
    EXPECT_NEAR(std::sin(turnSpeed), std::fabs(object._31), 1e-5f);
    EXPECT_NEAR(1.0f, object._22, 1e-5f) << "upright";
    EXPECT_NEAR(-0.5f * turnSpeed, camera.m_fVerticalAngle, 1e-6f);
    EXPECT_NEAR(object._33, Body()->getGlobalOrientation()(2, 2), 1e-5f) << "the body turns with it";
}

TEST_F(PhysicsGameActorMotion, AJumpLocksUntilTheFeetLandAfterTheLiftOff)
{
    RunFrames(30, [this] { Frame(m_Actor, false); });
    EXPECT_FALSE(m_Actor.m_bJumpLock) << "standing, the feet keep it open";
    EXPECT_TRUE(m_Actor.m_bTouching);

    m_Actor.m_bJumpLock = true;
    Hold({JUMP});
    Frame(m_Actor, false);
    EXPECT_EQ(0u, m_Actor.m_dwFrameFlags) << "locked: no jump";
    EXPECT_NEAR(0.0f, Velocity().y, 0.5f);
    m_Actor.m_bJumpLock = false;

    // Held all the way: the next jump comes only once the feet are down again.
    std::vector<int> jumps;
    float highest = 0.0f;
    const int frames = 300;
    for (int frame = 0; frame < frames && jumps.size() < 2; ++frame) {
        const float height = Body()->getGlobalPosition().y;
        highest = std::max(highest, height);
        Frame(m_Actor);
        if ((m_Actor.m_dwFrameFlags & CGameActor::FRAME_FLAG_JUMPED) == 0)
            continue;
        jumps.push_back(frame);
        EXPECT_NEAR(0.0f, height, 0.1f) << "jumps from the ground, frame " << frame;
        if (jumps.size() == 1) {
            EXPECT_TRUE(m_Actor.m_bJumpLock);
            EXPECT_FLOAT_EQ(0.8f, m_Actor.m_fJumpTimer + g_FrameTimer.GetFrameTime());
        }
    }
    ASSERT_EQ(2u, jumps.size());
    EXPECT_EQ(0, jumps[0]);
    const int liftOffFrames = static_cast<int>(0.8f / FRAME_SECONDS);
    EXPECT_GT(jumps[1], liftOffFrames);
    EXPECT_GT(highest, 2.0f) << "a real leap";
}

TEST_F(PhysicsGameActorMotion, ADodgeLeapsAheadAtWalkingSpeedUntilItsAnimationEnds)
{
    m_Actor.m_bDodging = true;
    Hold({GAS});
    int frames = 0;
    while (m_Actor.m_bDodging && frames < 100) {
        Frame(m_Actor, false);
        ++frames;
        if (m_Actor.m_bDodging) {
            EXPECT_FALSE(m_Actor.m_bDodgeReady);
            EXPECT_STREQ("JumpOutWay", m_Actor.m_Model.GetAnimationName());
        }
    }
    EXPECT_TRUE(m_Actor.m_bDodgeReady);
    EXPECT_FALSE(m_Actor.m_bRunning) << "the controller is not read meanwhile";
    EXPECT_NEAR(WALK_SPEED, Velocity().z, SPEED_TOLERANCE);
    const float animationStep = g_FrameTimer.GetFrameTime() * ANIMATION_CLOCK_RATE * 1000.0f;
    EXPECT_NEAR(ARM_MODEL_DODGE_MS / animationStep, frames, 2) << "as long as the animation";
}

TEST_F(PhysicsGameActorMotion, TheDeadSkipTheirControllerAndLieInTheDodgePose)
{
    m_Actor.m_bAlive = false;
    Hold({GAS});
    for (int frame = 0; frame < 3; ++frame)
        Frame(m_Actor, false);
    EXPECT_EQ(0.0f, HorizontalSpeed(Velocity()));
    EXPECT_STREQ("JumpOutWay", m_Actor.m_Model.GetAnimationName());
    EXPECT_NEAR(2 * g_FrameTimer.GetFrameTime() * ANIMATION_CLOCK_RATE, m_Actor.m_Model.GetAnimationTime(), 1e-6f)
        << "played once, not restarted";
}

void ExpectPlacedAt(const D3DXVECTOR3& position, const D3DXMATRIX& object)
{
    EXPECT_NEAR(position.x, object._41, 1e-5f);
    EXPECT_NEAR(position.y, object._42, 1e-5f);
    EXPECT_NEAR(position.z, object._43, 1e-5f);
}

// The pose step: the body takes the model's facing, the model the body's place;
// no spin is kept; a pending push is added once; the frame's flags are cleared.
TEST_F(PhysicsGameActorMotion, ThePoseStepSyncsTheBodyAndSpendsThePush)
{
    const D3DXVECTOR3 up(0, 1, 0);
    m_Actor.m_Model.RotateAboutAxis(up, 0.7f);
    Body()->setGlobalPosition(NxVec3(2, 0.5f, -1));
    Body()->setAngularVelocity(NxVec3(1, 2, 3));
    Body()->setLinearVelocity(NxVec3(1, 0, 0));
    m_Actor.m_BoundingBox.m_vMin = D3DXVECTOR3(0, 5, 0);
    m_Actor.m_BoundingBox.m_u8Flag = 1;
    m_Actor.m_bUseKeyConsumed = true;
    m_Actor.m_bHurt = true;
    m_Actor.UpdateAnimation();

    const D3DXMATRIX& object = m_Actor.m_Model.m_matObject;
    EXPECT_NEAR(object._31, (Body()->getGlobalOrientation() * NxVec3(0, 0, 1)).x, 1e-5f);
    ExpectPlacedAt(D3DXVECTOR3(2, 0.5f, -1), object);
    EXPECT_TRUE(Body()->getAngularVelocity().isZero());
    EXPECT_EQ(NxVec3(1, 5, 0), Velocity());
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), m_Actor.m_BoundingBox.m_vMin);
    EXPECT_EQ(0, m_Actor.m_BoundingBox.m_u8Flag);
    EXPECT_FALSE(m_Actor.m_bUseKeyConsumed);
    EXPECT_FALSE(m_Actor.m_bHurt);
    m_Actor.UpdateAnimation();
    EXPECT_EQ(NxVec3(1, 5, 0), Velocity()) << "added once";

    // With the physics off the body is left where it is.
    g_Physics.SetEnabled(false);
    m_Actor.m_Model.RotateAboutAxis(up, 0.7f);
    Body()->setGlobalPosition(NxVec3(0, 3, 0));
    m_Actor.UpdateAnimation();
    g_Physics.SetEnabled(true);
    ExpectPlacedAt(D3DXVECTOR3(2, 0.5f, -1), object);
    EXPECT_GT(std::fabs(object._31 - (Body()->getGlobalOrientation() * NxVec3(0, 0, 1)).x), 0.1f);
}

// Damage on an actor standing at the origin, from records as the contact
// report, the weapons and the water hand them over.
TEST_F(PhysicsGameActorMotion, DamageDrowningHeadShotsImpactsAndDeath)
{
    TestCrate& near = AddCrate(D3DXVECTOR3(3.0f, 0, 0));
    TestCrate& far = AddCrate(D3DXVECTOR3(0, 0, -3.2f));
    CCollidableObject bodiless;
    CGameActor shooter;
    MakeWalker(shooter, D3DXVECTOR3(-20, 0, 0));
    NxShape* feet = m_Actor.m_pFeetShape;
    NxShape* head = m_Actor.m_pHeadShape;
    const float drowning = 5.0f * g_FrameTimer.GetFrameTime();

    struct Case {
        const char* name;
        bool player;
        CDamageInfo damage;
        float life;
        bool hurt;
        CGameActor* murderer;
    };
    auto record = [](float damage, float impact, CCollidableObject* source) {
        CDamageInfo info;
        info.m_fDamage = damage;
        info.m_fImpactDamage = impact;
        info.m_pSource = source;
        return info;
    };
    auto water = [](float level) {
        CDamageInfo info;
        info.m_bWater = true;
        info.m_fWaterLevel = level;
        return info;
    };
    auto shot = [](NxShape* shape, CCollidableObject* source) {
        CDamageInfo info;
        info.m_bDirectHit = true;
        info.m_pHitShape = shape;
        info.m_fDamage = 10.0f;
        info.m_pSource = source;
        return info;
    };
    const Case cases[] = {
        {"under the water", false, water(4.5f), 100.0f - drowning, true, nullptr},
        {"head just out of it", false, water(4.0f), 100.0f, false, nullptr},
        {"shot in the head", false, shot(head, &shooter), -10.0f, false, &shooter},
        {"the player shot in the head", true, shot(head, &shooter), 90.0f, false, nullptr},
        {"shot in the feet", false, shot(feet, &shooter), 90.0f, false, nullptr},
        {"struck within the square root of 10", false, record(0, 50.0f, &near), 100.0f, false, nullptr},
        {"struck past it", false, record(0, 50.0f, &far), 50.0f, false, nullptr},
        {"struck by something without a body", false, record(0, 50.0f, &bodiless), 100.0f, false, nullptr},
        {"killed by damage", false, record(150.0f, 0, &far), -50.0f, false, nullptr},
        {"killed by impact alone", false, record(0, 150.0f, &far), -50.0f, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_CrimeFile.Update();
        g_PlayerActor = c.player ? &m_Actor : nullptr;
        m_Actor.m_fCurrentLife = 100.0f;
        m_Actor.m_bAlive = true;
        m_Actor.m_bHurt = false;
        EXPECT_TRUE(m_Actor.TakeDamage(c.damage, nullptr));
        EXPECT_NEAR(c.life, m_Actor.m_fCurrentLife, 1e-4f);
        EXPECT_EQ(c.life > 0.0f, m_Actor.m_bAlive);
        EXPECT_EQ(c.hurt, m_Actor.m_bHurt);

        const std::vector<CCrimeRecord>& crimes = g_CrimeFile.GetPendingEvents();
        const bool murder = !m_Actor.m_bAlive && c.damage.m_fDamage != 0.0f;
        ASSERT_EQ(murder ? 1u : 0u, crimes.size());
        if (!murder)
            continue;
        EXPECT_EQ(CRIME_MURDER, crimes[0].m_iType);
        EXPECT_EQ(CrimeVictim(&m_Actor), crimes[0].m_Value);
        EXPECT_EQ(c.murderer, crimes[0].m_pOffender);
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), crimes[0].m_vPosition);
    }

    SCOPED_TRACE("the dead die once");
    g_CrimeFile.Update();
    EXPECT_TRUE(m_Actor.TakeDamage(record(10.0f, 0, &shooter), nullptr));
    EXPECT_FALSE(m_Actor.m_bAlive);
    EXPECT_TRUE(g_CrimeFile.GetPendingEvents().empty());
}

// A contact stream of one point between an actor's shape and a crate's, the
// actor on the given side of the pair.
class ContactStream {
public:
    ContactStream(NxShape* actorShape, NxShape* crateShape, int actorSide, NxU32 flags = 0)
    {
        NxShape* shapes[2] = {crateShape, crateShape};
        shapes[actorSide] = actorShape;
        m_Buffer.beginShapePair(shapes[0], shapes[1], flags);
        m_Buffer.beginPatch(NxVec3(0, 1, 0));
        m_Buffer.addPoint(NxVec3(0, 0, 0), 0.0f);
        m_Pair.actors[actorSide] = &actorShape->getActor();
        m_Pair.actors[1 - actorSide] = &crateShape->getActor();
        m_Pair.stream = m_Buffer.getStreamFrom(0);
    }
    NxContactPair& Pair() { return m_Pair; }

private:
    NxContactBuffer m_Buffer;
    NxContactPair m_Pair;
};

TEST_F(PhysicsGameActorMotion, OnlyTheFeetPastTheLiftOffOpenTheJumpLock)
{
    TestCrate& crate = AddCrate(D3DXVECTOR3(5, 0.5f, 0));
    NxShape* crateShape = crate.m_PhysicsObject.m_pActor->getShapes()[0];
    NxShape* feet = m_Actor.m_pFeetShape;
    NxShape* torso = nullptr;
    for (NxU32 i = 0; i < Body()->getNbShapes(); ++i)
        if (Body()->getShapes()[i] != feet && Body()->getShapes()[i] != m_Actor.m_pHeadShape)
            torso = Body()->getShapes()[i];
    ASSERT_NE(nullptr, torso);

    const struct {
        const char* name;
        NxShape* shape;
        int side;
        NxU32 flags;
        float jumpTimer;
        bool touching;
        bool locked;
    } cases[] = {
        {"feet down after the lift-off", feet, 1, 0, 0.0f, true, false},
        {"feet down, first of the pair", feet, 0, 0, -0.5f, true, false},
        {"feet during the lift-off", feet, 1, 0, 0.3f, true, true},
        {"the torso", torso, 1, 0, -1.0f, false, true},
        {"a pair the stream marks invalid", feet, 1, NX_SF_IS_INVALID, -1.0f, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ContactStream stream(c.shape, crateShape, c.side, c.flags);
        crate.m_Damage.clear();
        m_Actor.m_bJumpLock = false;
        m_Actor.m_fJumpTimer = c.jumpTimer;
        EXPECT_TRUE(m_Actor.OnContact(&crate, &stream.Pair()));
        EXPECT_EQ(c.touching, m_Actor.m_bTouching);
        EXPECT_EQ(c.locked, m_Actor.m_bJumpLock);
        ASSERT_EQ(1u, crate.m_Damage.size()) << "the other side hears of it";
        const CDamageInfo& handed = crate.m_Damage[0];
        EXPECT_EQ(&m_Actor, handed.m_pSource);
        EXPECT_EQ(0.0f, handed.m_fDamage);
        EXPECT_EQ(0.0f, handed.m_fImpactDamage);
        EXPECT_FALSE(handed.m_bDirectHit);
    }

    ContactStream ground(feet, crateShape, 1);
    m_Actor.m_fJumpTimer = -1.0f;
    EXPECT_TRUE(m_Actor.OnContact(nullptr, &ground.Pair())) << "the terrain";
    EXPECT_FALSE(m_Actor.m_bJumpLock);
    m_Actor.m_bJumpLock = true;
    EXPECT_FALSE(m_Actor.OnContact(&crate, nullptr));
    EXPECT_TRUE(m_Actor.m_bJumpLock) << "nothing happens without a pair";
}

} // namespace
