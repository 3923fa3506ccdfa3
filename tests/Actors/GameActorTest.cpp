#include "Actors/GameActor.h"

#include <cmath>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Display/RenderStates.h"
#include "Game/CrimeManager.h"
#include "support/ArmModel.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "support/MatrixExpect.h"
#include "support/ScriptedController.h"
#include "support/ScriptText.h"
#include "support/TempDir.h"

namespace {

const char* const MODEL_NAME = "ArmObj";
const char* const UPPER_ARM = ARM_MODEL_UPPER_ARM;
const uint32_t FRAME_MILLISECONDS = 16;

// Actors over the arm model, in a folder of their own with the log open.
class GameActorScript : public ::testing::Test {
protected:
    GameActorScript() : m_Cwd(m_Dir.Path())
    {
        g_Log.Open("log.txt");
        auto model = std::make_unique<cObject>(MakeArmModel());
        model->m_Name = MODEL_NAME;
        g_AssetManager.AddAsset(model.release());
    }
    void TearDown() override
    {
        g_AssetManager.Clear();
        g_Log.Shutdown();
        g_CrimeFile.MaxWantedLevel = 0.0f;
        g_FrameTimer = CFrameTimer();
    }

    // The log's lines since the fixture opened it, without their time stamps.
    std::string LogLines() const
    {
        std::istringstream log(m_Dir.Read("log.txt"));
        std::string lines;
        std::string line;
        while (std::getline(log, line)) {
            const size_t stamp = line.find("] ");
            if (line.empty() || line.find("- Logging started") != std::string::npos || stamp == std::string::npos)
                continue;
            lines += line.substr(stamp + 2) + "\n";
        }
        return lines;
    }
    static std::string Block(const std::string& body)
    {
        return std::string("GameActor Walker\nSrc ") + MODEL_NAME + "\n" + body;
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
};

TEST_F(GameActorScript, EveryKeywordLandsInItsPlace)
{
    m_Dir.Write("Scripts/Collision/Walker.txt", "Radius 7\nStart\nBoxMin -1 0 -2\nBoxMax 1 4 2\nEndBox\n");
    struct Case {
        const char* keyword;
        const char* value;
        std::function<void(const CGameActor&)> check;
    };
    const float ninety[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 9, 9, 9, 1};
    const Case cases[] = {
        {"Orientation", "0 0 -1 0  0 1 0 0  1 0 0 0  9 9 9 1",
         [&](const CGameActor& a) {
             for (int i = 0; i < 12; ++i)
                 EXPECT_EQ(ninety[i], a.m_Model.m_matObject[i]) << i;
         }},
        {"Pos", "1 2 3",
         [](const CGameActor& a) {
             EXPECT_EQ(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(a.m_Model.m_matObject._41, a.m_Model.m_matObject._42,
                                                         a.m_Model.m_matObject._43));
         }},
        {"Scale", "1.5", [](const CGameActor& a) { EXPECT_FLOAT_EQ(1.5f, a.m_Model.m_fScale); }},
        {"RotMatrixCorrect", "2 0 0 0  0 2 0 0  0 0 2 0  0 0 0 1",
         [](const CGameActor& a) { EXPECT_FLOAT_EQ(2.0f, a.m_Model.m_matCorrection._33); }},
        {"WalkSpeed", "2.5", [](const CGameActor& a) { EXPECT_FLOAT_EQ(2.5f, a.m_fWalkSpeed); }},
        {"RunSpeed", "6", [](const CGameActor& a) { EXPECT_FLOAT_EQ(6.0f, a.m_fRunSpeed); }},
        {"TurnSpeed", "0.004", [](const CGameActor& a) { EXPECT_FLOAT_EQ(0.004f, a.m_fTurnSpeed); }},
        {"MaxLife", "150", [](const CGameActor& a) { EXPECT_FLOAT_EQ(150.0f, a.m_fMaxLife); }},
        {"CurrentLife", "80", [](const CGameActor& a) { EXPECT_FLOAT_EQ(80.0f, a.m_fCurrentLife); }},
        {"ArmRotOffset", "0.1 0.2 0.3",
         [](const CGameActor& a) { EXPECT_EQ(D3DXVECTOR3(0.1f, 0.2f, 0.3f), a.m_vArmRotOffset); }},
        {"ArmRotFrame", UPPER_ARM,
         [](const CGameActor& a) {
             ASSERT_EQ(1u, a.m_ArmRotFrames.size());
             EXPECT_EQ(UPPER_ARM, a.m_ArmRotFrames[0].m_FrameName);
         }},
        {"CollisionData", "Scripts\\Collision\\Walker.txt\nCalculateRadius",
         [](const CGameActor& a) {
             ASSERT_NE(nullptr, a.m_CollisionObject.m_pRoot);
             EXPECT_FLOAT_EQ(3.0f, a.m_CollisionObject.m_fRadius) << "half the box's diagonal, not the file's 7";
             EXPECT_FLOAT_EQ(9.0f, a.m_CollisionObject.m_fRadiusSq);
         }},
        {"Color", "1 0 0 1",
         [](const CGameActor& a) {
             EXPECT_TRUE(a.m_bUseMaterial);
             for (const D3DCOLORVALUE& colour : {a.m_Material.Diffuse, a.m_Material.Ambient, a.m_Material.Emissive}) {
                 EXPECT_FLOAT_EQ(0.0f, colour.r);
                 EXPECT_FLOAT_EQ(0.0f, colour.g);
                 EXPECT_FLOAT_EQ(1.0f, colour.b);
                 EXPECT_FLOAT_EQ(1.0f, colour.a);
             }
         }},
        {"Animation", "Walk", [](const CGameActor& a) { EXPECT_STREQ("Walk", a.m_Model.GetAnimationName()); }},
        {"Asset_Type", "Game", [](const CGameActor& a) { EXPECT_EQ(ASSET_TYPE_GAME, a.GetAssetType()); }},
    };
    std::string body;
    for (const Case& c : cases)
        body += std::string(c.keyword) + " " + c.value + "\n";

    CGameActor actor;
    ASSERT_TRUE(LoadFrom(actor, Block(body)));
    EXPECT_EQ("Walker", actor.GetName());
    EXPECT_TRUE(actor.IsInitialised());
    EXPECT_TRUE(actor.IsReady());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyword);
        c.check(actor);
    }
    EXPECT_EQ("", LogLines());
}

TEST_F(GameActorScript, TheDefaultsHoldWithoutKeywords)
{
    CGameActor actor;
    ASSERT_TRUE(LoadFrom(actor, "GameActor Plain\n"));
    EXPECT_FLOAT_EQ(12.0f, actor.m_fWalkSpeed);
    EXPECT_FLOAT_EQ(24.0f, actor.m_fRunSpeed);
    EXPECT_FLOAT_EQ(0.15707964f, actor.m_fTurnSpeed);
    EXPECT_FLOAT_EQ(100.0f, actor.m_fMaxLife);
    EXPECT_FLOAT_EQ(100.0f, actor.m_fCurrentLife);
    EXPECT_FLOAT_EQ(-1.0f, actor.m_fJumpTimer);
    EXPECT_TRUE(actor.m_bAlive);
    EXPECT_TRUE(actor.m_bDodgeReady);
    EXPECT_FALSE(actor.m_bUseMaterial);
    EXPECT_EQ(0, actor.m_iCheckpoint);
}

TEST_F(GameActorScript, AnUnknownKeywordEndsTheBlockAndStaysForTheNext)
{
    CGameActor actor;
    std::string next;
    ASSERT_TRUE(LoadFrom(actor, Block("WalkSpeed 3\nColour 1 0 0 1\nRunSpeed 9\n"), &next));
    EXPECT_EQ("Colour", next);
    EXPECT_FLOAT_EQ(3.0f, actor.m_fWalkSpeed);
    EXPECT_FLOAT_EQ(24.0f, actor.m_fRunSpeed);

    // "CalculateRadius" counts only right after the collision file.
    m_Dir.Write("box.txt", "Radius 7\nStart\nBoxMin -1 0 -2\nBoxMax 1 2 2\nEndBox\n");
    CGameActor late;
    ASSERT_TRUE(LoadFrom(late, Block("CollisionData box.txt\nWalkSpeed 3\nCalculateRadius\n"), &next));
    EXPECT_EQ("CalculateRadius", next);
    EXPECT_FLOAT_EQ(7.0f, late.m_CollisionObject.m_fRadius);
}

TEST_F(GameActorScript, ASecondLoadIsRefusedAndAMissingModelIsFatal)
{
    CGameActor actor;
    ASSERT_TRUE(LoadFrom(actor, Block("WalkSpeed 3\n")));
    EXPECT_FALSE(LoadFrom(actor, "GameActor Other\nWalkSpeed 5\n"));
    EXPECT_EQ("Walker", actor.GetName());
    EXPECT_FLOAT_EQ(3.0f, actor.m_fWalkSpeed);

    CGameActor other;
    EXPECT_FALSE(LoadFrom(other, "Actor Other\n")) << "not a GameActor block";
    EXPECT_FATAL(LoadFrom(other, "GameActor Other\nSrc NoSuchObj\n"),
                 "Unable to find asset \"NoSuchObj\" of type <cObject>");
}

TEST_F(GameActorScript, ArmRotFramesAndTheHandResolveInTheActorsOwnModel)
{
    CGameActor prototype;
    ASSERT_TRUE(LoadFrom(prototype, Block("ArmRotFrame Bip01_R_UpperArm\nArmRotFrame Bip01_L_UpperArm\n")));
    EXPECT_EQ("Game actor <Walker> has no frame <Bip01_L_UpperArm> to aim with: ArmRotFrame dropped\n", LogLines());
    ASSERT_EQ(1u, prototype.m_ArmRotFrames.size());
    EXPECT_EQ(&prototype.m_Model.GetMesh().FindFrame(UPPER_ARM)->m_matTransform,
              prototype.m_ArmRotFrames[0].m_pMatrix);
    EXPECT_TRUE(prototype.HasHandFrame());

    // The hand in the model: root, shoulder and arm, from the file transforms
    // while no set plays.
    prototype.m_Model.UpdateModelMatrices();
    ExpectMatrixNear(Translation(0.7f, 1.5f, 0), prototype.GetHandMatrix());

    CGameActor copy(prototype);
    ASSERT_EQ(1u, copy.m_ArmRotFrames.size());
    D3DXMATRIX* shoulder = copy.m_ArmRotFrames[0].m_pMatrix;
    EXPECT_EQ(&copy.m_Model.GetMesh().FindFrame(UPPER_ARM)->m_matTransform, shoulder);
    EXPECT_NE(prototype.m_ArmRotFrames[0].m_pMatrix, shoulder);

    // A shoulder turned a quarter about z, in a set's pose, swings the hand up.
    copy.m_Model.SetAnimation("Idle");
    D3DXMATRIX quarterTurn;
    D3DXMatrixRotationZ(&quarterTurn, D3DX_PI / 2);
    *shoulder = quarterTurn * *shoulder;
    copy.m_Model.UpdateModelMatrices();
    const D3DXMATRIX& hand = copy.GetHandMatrix();
    EXPECT_NEAR(0.2f, hand._41, 1e-5f);
    EXPECT_NEAR(2.0f, hand._42, 1e-5f);
    SCOPED_TRACE("the prototype is untouched");
    prototype.m_Model.UpdateModelMatrices();
    ExpectMatrixNear(Translation(0.7f, 1.5f, 0), prototype.GetHandMatrix());
}

TEST_F(GameActorScript, AModelWithoutAHandHoldsAtItsRootAndSaysSoOnce)
{
    cObject* model = nullptr;
    g_AssetManager.GetAsset(MODEL_NAME, model, true);
    model->GetMesh().GetFrames().pop_back();
    CGameActor prototype;
    ASSERT_TRUE(LoadFrom(prototype, Block("")));
    const std::string line = "Game actor <Walker> has no frame <Bip01_R_Hand>: what it holds sits at its model's root\n";
    EXPECT_EQ(line, LogLines());
    EXPECT_FALSE(prototype.HasHandFrame());
    ExpectMatrixNear(Translation(0, 0, 0), prototype.GetHandMatrix());

    const CGameActor copy(prototype);
    EXPECT_FALSE(copy.HasHandFrame());
    EXPECT_EQ(line, LogLines()) << "one line per prototype";
}

TEST_F(GameActorScript, ACopyIsItsOwnAndLeavesThePrototypeAlone)
{
    CGameActor prototype;
    ASSERT_TRUE(LoadFrom(prototype, Block("ArmRotFrame Bip01_R_UpperArm\nColor 1 0.5 0.5 0.5\nWalkSpeed 3\n")));
    prototype.m_fWantedLevel = 2.0f;
    prototype.m_fJumpTimer = 0.5f;
    prototype.m_dwFrameFlags = CGameActor::FRAME_FLAG_JUMPED;

    CGameActor copy(prototype);
    EXPECT_EQ("Walker", copy.GetName());
    EXPECT_TRUE(copy.IsInitialised());
    EXPECT_FLOAT_EQ(3.0f, copy.m_fWalkSpeed);
    EXPECT_FLOAT_EQ(2.0f, copy.m_fWantedLevel);
    EXPECT_TRUE(copy.m_bUseMaterial);
    EXPECT_FLOAT_EQ(0.5f, copy.m_Material.Diffuse.r);
    EXPECT_FLOAT_EQ(-1.0f, copy.m_fJumpTimer) << "the jump timer is not copied";
    EXPECT_EQ(0u, copy.m_dwFrameFlags) << "nor are the per-frame flags";
    EXPECT_EQ(nullptr, copy.m_PhysicsObject.m_pActor);
    EXPECT_EQ(nullptr, copy.m_pHeadShape);

    copy.m_fWalkSpeed = 9.0f;
    copy.m_Model.SetAnimation("Walk");
    copy.m_Model.GetMesh().GetFrames()[0].m_matTransform = Translation(5, 5, 5);
    EXPECT_FLOAT_EQ(3.0f, prototype.m_fWalkSpeed);
    EXPECT_EQ(nullptr, prototype.m_Model.GetAnimationName());
    ExpectMatrixNear(Translation(0, 1, 0), prototype.m_Model.GetMesh().GetFrames()[0].m_matTransform);

    // Self-assignment changes nothing.
    D3DXMATRIX* shoulder = copy.m_ArmRotFrames[0].m_pMatrix;
    CGameActor& same = copy;
    copy = same;
    EXPECT_FLOAT_EQ(9.0f, copy.m_fWalkSpeed);
    EXPECT_EQ(shoulder, copy.m_ArmRotFrames[0].m_pMatrix);
    EXPECT_STREQ("Walk", copy.m_Model.GetAnimationName());
}

TEST_F(GameActorScript, AnArmRotFrameTheCopysModelLacksIsDroppedAndLogged)
{
    CGameActor source;
    source.m_Name = "Built";
    source.m_ArmRotFrames.push_back(CArmRotFrame{nullptr, "Bip01_Tail"});
    const CGameActor copy(source);
    EXPECT_TRUE(copy.m_ArmRotFrames.empty());
    EXPECT_EQ("Game actor <Built> has no frame <Bip01_Tail> to aim with: ArmRotFrame dropped\n", LogLines());
}

TEST_F(GameActorScript, LifeWantedLevelAndRange)
{
    CGameActor actor;
    ASSERT_TRUE(LoadFrom(actor, Block("MaxLife 60\nCurrentLife 10\nAnimation Walk\n")));

    g_CrimeFile.MaxWantedLevel = 6.0f;
    actor.SetWantedLevel(50);
    EXPECT_FLOAT_EQ(6.0f, actor.m_fWantedLevel);
    actor.SetWantedLevel(2);
    EXPECT_FLOAT_EQ(2.0f, actor.m_fWantedLevel);
    g_CrimeFile.MaxWantedLevel = 4.9f;
    actor.SetWantedLevel(50);
    EXPECT_FLOAT_EQ(4.0f, actor.m_fWantedLevel) << "the maximum counts in whole levels";

    SetFrameTime(FRAME_MILLISECONDS);
    actor.TakeBurnDamage();
    EXPECT_TRUE(actor.m_bHurt);
    EXPECT_NEAR(10.0f - 0.08f, actor.m_fCurrentLife, 1e-5f);

    actor.m_bAlive = false;
    actor.RestoreLife();
    EXPECT_FLOAT_EQ(60.0f, actor.m_fCurrentLife);
    EXPECT_TRUE(actor.m_bAlive);
    EXPECT_STREQ("Idle", actor.m_Model.GetAnimationName());
    actor.m_fMaxLife = 0.0f;
    actor.m_bAlive = false;
    actor.m_Model.SetAnimation("Walk");
    actor.RestoreLife();
    EXPECT_FALSE(actor.m_bAlive) << "no life to give back";
    EXPECT_STREQ("Walk", actor.m_Model.GetAnimationName());

    // Measured from the placement, the scaled object matrix.
    const D3DXVECTOR3 standing(10, 0, 10);
    actor.m_Model.SetPosition(&standing);
    actor.m_Model.UpdateWorldMatrix();
    EXPECT_TRUE(actor.IsWithinRange(D3DXVECTOR3(11.5f, 0, 10), 1.6f));
    EXPECT_FALSE(actor.IsWithinRange(D3DXVECTOR3(11.7f, 0, 10), 1.6f));
    EXPECT_TRUE(actor.IsWithinRange(D3DXVECTOR3(10, 1.6f, 10), 1.6f)) << "the edge is in range";
}

TEST_F(GameActorScript, TheCollisionRecordFollowsTheModel)
{
    CGameActor actor;
    ASSERT_TRUE(LoadFrom(actor, Block("")));
    actor.m_CollisionObject.m_fRadius = 1.25f;
    actor.UpdateCollision();
    const CCollisionObject& record = actor.m_CollisionObject;
    EXPECT_FLOAT_EQ(1.25f, record.m_fRadius);
    EXPECT_EQ(&actor.m_Model.m_matObject, record.m_pMatrix);
    EXPECT_EQ(2, record.m_iKind);
    EXPECT_EQ(&actor.m_Model.m_fScale, record.m_pfScale);
    EXPECT_EQ(&actor.m_Model.m_matScaledObject, record.m_pDrawMatrix);

    D3DMATERIAL8 red = {};
    red.Diffuse.r = 1.0f;
    actor.SetMaterial(&red, true);
    EXPECT_TRUE(actor.m_bUseMaterial);
    EXPECT_FLOAT_EQ(1.0f, actor.m_Material.Diffuse.r);
    actor.SetMaterial(nullptr, false);
    EXPECT_FALSE(actor.m_bUseMaterial);
    EXPECT_FLOAT_EQ(1.0f, actor.m_Material.Diffuse.r) << "no material keeps the one there is";
}

TEST(DefaultCollisionRecord, IsOnePersonSizedBoxOfRadiusOne)
{
    const CCollisionObject& record = GetDefaultCollisionRecord();
    ASSERT_NE(nullptr, record.m_pRoot);
    EXPECT_EQ(nullptr, record.m_pRoot->m_pNext);
    EXPECT_EQ(D3DXVECTOR3(-0.4f, -0.5f, -0.7f), record.m_pRoot->m_vMin);
    EXPECT_EQ(D3DXVECTOR3(0.4f, 0.5f, 0.7f), record.m_pRoot->m_vMax);
    ExpectMatrixNear(Translation(0, 0, 0), record.m_pRoot->m_matGeo);
    EXPECT_FLOAT_EQ(1.0f, record.m_fRadius);
    EXPECT_FLOAT_EQ(1.0f, record.m_fRadiusSq);
    EXPECT_EQ(nullptr, record.m_pfScale);
    EXPECT_EQ(&record, &GetDefaultCollisionRecord()) << "built once";
    EXPECT_NE(&record, &g_CollisionScratch);
}

const float ANIMATION_CLOCK_RATE = 0.06666667f;

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 step = a - b;
    return D3DXVec3Length(&step);
}
// The aim points the arm a little above the ray.
const float AIM_RAISE = 0.2f;

D3DXMATRIX CameraLooking(const D3DXVECTOR3& right, const D3DXVECTOR3& up, const D3DXVECTOR3& forward)
{
    return D3DXMATRIX(right.x, right.y, right.z, 0, up.x, up.y, up.z, 0, forward.x, forward.y, forward.z, 0, 0, 5,
                      -5, 1);
}

// An actor aiming through a scripted controller's camera, with a projection
// on the device and the upper arm as its one ArmRot frame.
class GameActorAim : public GameActorScript {
protected:
    void SetUp() override
    {
        m_SavedProjection = g_matProjection;
        D3DXMatrixPerspectiveFovLH(&g_matProjection, D3DX_PI / 4, 4.0f / 3.0f, 1.0f, 100.0f);
        SetFrameTime(FRAME_MILLISECONDS);
        m_Controller.m_pCamera = &m_Camera;
        ASSERT_TRUE(LoadFrom(m_Actor, Block("ArmRotFrame Bip01_R_UpperArm\n")));
        m_Actor.m_pController = &m_Controller;
        m_Actor.m_Model.SetAnimation("Idle");
    }
    void TearDown() override
    {
        g_matProjection = m_SavedProjection;
        GameActorScript::TearDown();
    }
    // The upper arm's posed local transform.
    const D3DXMATRIX& Shoulder() const { return m_Actor.m_Model.GetMesh().FindFrame(UPPER_ARM)->m_matTransform; }

    D3DXMATRIX m_SavedProjection;
    CCamera m_Camera;
    ScriptedController m_Controller;
    CGameActor m_Actor;
};

TEST_F(GameActorAim, WithoutTheGunPoseTheArmFallsToZeroAndTheWalkComesBack)
{
    m_Actor.m_bWalking = true;
    m_Actor.m_Model.SetAnimation("WalkGun");
    m_Actor.m_fAimAngle = 0.1f;
    m_Actor.UpdateAnimation();
    const float dt = g_FrameTimer.GetFrameTime();
    EXPECT_NEAR(0.1f - D3DX_PI * dt, m_Actor.m_fAimAngle, 1e-6f);
    EXPECT_STREQ("WalkGun", m_Actor.m_Model.GetAnimationName()) << "the arm is still up";
    EXPECT_LT(Shoulder()._22, 1.0f - 1e-4f) << "the arm is turned";

    m_Actor.UpdateAnimation();
    EXPECT_EQ(0.0f, m_Actor.m_fAimAngle) << "and stops at zero";
    EXPECT_STREQ("Walk", m_Actor.m_Model.GetAnimationName());
    EXPECT_NEAR(2 * dt * ANIMATION_CLOCK_RATE, m_Actor.m_Model.GetAnimationTime(), 1e-6f) << "in step";
    ExpectMatrixNear(Translation(0.2f, 0.5f, 0), Shoulder());

    m_Actor.m_bWalking = false;
    m_Actor.m_bRunning = true;
    m_Actor.UpdateAnimation();
    EXPECT_STREQ("Run", m_Actor.m_Model.GetAnimationName());
}

TEST_F(GameActorAim, TheGunPointsAlongTheAimRayALittleHigh)
{
    const D3DXVECTOR3 x(1, 0, 0);
    const D3DXVECTOR3 y(0, 1, 0);
    const D3DXVECTOR3 z(0, 0, 1);
    const struct {
        const char* name;
        D3DXMATRIX camera;
        float angle;
    } cases[] = {
        {"level", CameraLooking(x, y, z), D3DX_PI / 2 + AIM_RAISE},
        {"straight down", CameraLooking(x, z, -y), AIM_RAISE},
        {"straight up", CameraLooking(x, -z, y), D3DX_PI + AIM_RAISE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_Camera.m_matWorld = c.camera;
        m_Actor.m_bGunPose = true;
        m_Actor.UpdateAnimation();
        EXPECT_NEAR(c.angle, m_Actor.m_fAimAngle, 1e-5f);
    }

    // Without a camera to aim through, the ray is empty: a level arm.
    m_Controller.m_pCamera = nullptr;
    m_Actor.UpdateAnimation();
    EXPECT_NEAR(D3DX_PI / 2 + AIM_RAISE, m_Actor.m_fAimAngle, 1e-5f);
}

// The arm turns about (-1, 0, 0.15) as the correction matrix turns it,
// through the first ArmRot frame's place plus the offset; the weapon in the
// hand follows in the same step.
TEST_F(GameActorAim, TheArmTurnsAboutItsPivotAndTheWeaponFollowsTheHand)
{
    D3DXMATRIX quarterTurn;
    D3DXMatrixRotationY(&quarterTurn, D3DX_PI / 2);
    const D3DXVECTOR3 shoulder(0.2f, 0.5f, 0);
    const struct {
        const char* name;
        D3DXMATRIX correction;
        D3DXVECTOR3 offset;
    } cases[] = {
        {"about the shoulder", Translation(0, 0, 0), D3DXVECTOR3(0, 0, 0)},
        {"corrected", quarterTurn, D3DXVECTOR3(0, 0, 0)},
        {"about a point above the shoulder", Translation(0, 0, 0), D3DXVECTOR3(0, 0.3f, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_Actor.m_Model.m_matCorrection = c.correction;
        m_Actor.m_vArmRotOffset = c.offset;
        m_Actor.PickUpWeapon(std::make_unique<CWeapon>());
        m_Controller.SetCursor(0.5f, 0.5f);
        m_Actor.m_bGunPose = true;
        m_Actor.UpdateAnimation();
        const float angle = D3DX_PI / 2 + AIM_RAISE;
        ASSERT_NEAR(angle, m_Actor.m_fAimAngle, 1e-5f);

        const D3DXMATRIX& arm = Shoulder();
        const D3DXVECTOR3 uncorrected(-1, 0, 0.15f);
        D3DXVECTOR3 axis;
        D3DXVec3Normalize(&axis, &uncorrected);
        D3DXVec3TransformNormal(&axis, &axis, &c.correction);
        D3DXVECTOR3 turnedAxis;
        D3DXVec3TransformNormal(&turnedAxis, &axis, &arm);
        EXPECT_NEAR(0.0f, Distance(turnedAxis, axis), 1e-5f) << "the axis stays put";
        EXPECT_NEAR(1.0f + 2.0f * std::cos(angle), arm._11 + arm._22 + arm._33, 1e-5f) << "turned by the aim";
        const D3DXVECTOR3 pivot = shoulder + c.offset;
        const D3DXVECTOR3 origin(arm._41, arm._42, arm._43);
        EXPECT_NEAR(D3DXVec3Length(&c.offset), Distance(origin, pivot), 1e-5f);

        const D3DXMATRIX hand = m_Actor.GetHandMatrix() * m_Actor.m_Model.m_matWorld;
        const D3DXMATRIX& weapon = m_Actor.GetCurrentWeapon()->m_DisplayObject.GetWorldMatrix();
        EXPECT_NEAR(0.0f, Distance(GetMatrixRow(hand, 3), GetMatrixRow(weapon, 3)), 1e-5f)
            << "the weapon is in the hand as posed this frame";
        m_Actor.ClearWeapons();
    }
}

TEST_F(GameActorAim, AnArmRotEntryWithoutAFrameIsPassedOver)
{
    m_Actor.m_ArmRotFrames.insert(m_Actor.m_ArmRotFrames.begin(), CArmRotFrame{nullptr, "Bip01_Tail"});
    m_Actor.m_bGunPose = true;
    m_Actor.UpdateAnimation();
    EXPECT_NEAR(std::cos(D3DX_PI / 2 + AIM_RAISE), Shoulder()._22, 1e-2f) << "the arm still turns";
    EXPECT_NEAR(0.5f, Shoulder()._42, 1e-5f) << "about its own place";
}

} // namespace
