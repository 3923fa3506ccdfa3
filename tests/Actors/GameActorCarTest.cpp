// Getting into and out of cars: the shipped lizard-man and the shipped sedan
// on a small level with a real scene, the car turned a quarter so that the
// seat's axes are not the world's. The player drives through the local
// controller; AI actors through a scripted one with an agent.

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Console/Console.h"
#include "Console/FullKeyboard.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Utility.h"
#include "Game/CrimeManager.h"
#include "Input/InGameMouse.h"
#include "Input/LocalController.h"
#include "Level/LevelFixture.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FrameTime.h"
#include "support/MatrixExpect.h"
#include "support/ScriptedController.h"
#include "support/ShippedScripts.h"
#include "support/TempDir.h"

namespace {

const uint32_t FRAME_MILLISECONDS = 16;
const uint32_t SEED = 7;
// The sedan faces -x; its driver's left is +z.
const char* const LEVEL = "Terrain Ground\n"
                          "Car Sedan Orientation 0 0 -1 0  0 1 0 0  1 0 0 0  30 0.5 40 1\n";
const float FIND_RANGE_SQ = 441.0f;
const float TOLERANCE = 1e-4f;
enum { ROW_RIGHT = 0, ROW_POSITION = 3 };

class PhysicsActorCars : public LevelFixture {
protected:
    void SetUp() override
    {
        StartPhysics();
        m_bTestLizard = false;
        LevelFixture::SetUp();
        g_RandomTable.Fill(SEED);
        SetFrameTime(FRAME_MILLISECONDS);
        LoadCarScripts();
        LoadCharacterScripts();
        {
            ScopedWorkingDir inGame(KELM_GAME_DIR);
            LoadAssetsFromScript<CGameActor>("Scripts\\GameActors.txt");
        }
        g_AssetManager.GetAsset("Lizard", m_pLizard, true);
        g_Player = *m_pLizard;
        g_Player.CreatePhysics();
        g_Player.m_pController = &g_LocalController;
        g_PlayerActor = &g_Player;

        LoadLevel(LEVEL);
        PlaceViewer(30, 40);
        m_pLevel->Update();
        ASSERT_EQ(1u, m_pLevel->GetActiveCars().size());
        m_pCar = m_pLevel->GetActiveCars().front();
        ASSERT_NE(nullptr, m_pCar->GetDriverSeat());
    }
    void TearDown() override
    {
        g_GameCamera.m_pTarget = nullptr;
        g_GameCamera.m_u32Mode = CCamera::MODE_NONE;
        g_InGameMouse.SetVisible(false);
        g_CrimeFile.Update();
        LevelFixture::TearDown();
        g_FrameTimer = CFrameTimer();
    }

    // Stands `actor` on foot at `position`, facing +z.
    static void Stand(CGameActor& actor, const D3DXVECTOR3& position)
    {
        actor.m_Model.m_matObject = Identity();
        actor.m_Model.SetPosition(&position);
        actor.m_Model.UpdateWorldMatrix();
        actor.SyncPhysicsPose();
    }
    // As the pose step does every frame.
    static void Pose(CGameActor& actor) { actor.m_Model.UpdateWorldMatrix(); }
    static D3DXVECTOR3 Placement(const CGameActor& actor)
    {
        return GetMatrixRow(actor.m_Model.m_matScaledObject, ROW_POSITION);
    }
    static bool Disabled(const CGameActor& actor)
    {
        const NxActor* body = actor.m_PhysicsObject.m_pActor;
        return body->readActorFlag(NX_AF_DISABLE_COLLISION) && body->readBodyFlag(NX_BF_FROZEN);
    }
    static bool Enabled(const CGameActor& actor)
    {
        const NxActor* body = actor.m_PhysicsObject.m_pActor;
        return !body->readActorFlag(NX_AF_DISABLE_COLLISION) && !body->readBodyFlag(NX_BF_FROZEN);
    }
    // Where leaving puts an actor: `lift` up and 1.4 to the seat's left.
    D3DXVECTOR3 ExitPoint(float lift) const
    {
        const D3DXMATRIX& seat = *m_pCar->GetDriverSeat();
        return GetMatrixRow(seat, ROW_POSITION) + D3DXVECTOR3(0.0f, lift, 0.0f) -
               1.4f * GetMatrixRow(seat, ROW_RIGHT);
    }
    static void ExpectAt(const D3DXVECTOR3& expected, const CGameActor& actor)
    {
        const D3DXMATRIX& object = actor.m_Model.m_matObject;
        EXPECT_NEAR(expected.x, object._41, TOLERANCE);
        EXPECT_NEAR(expected.y, object._42, TOLERANCE);
        EXPECT_NEAR(expected.z, object._43, TOLERANCE);
        const NxVec3 body = actor.m_PhysicsObject.m_pActor->getGlobalPosition();
        EXPECT_NEAR(expected.x, body.x, TOLERANCE) << "the body goes along";
        EXPECT_NEAR(expected.y, body.y, TOLERANCE);
        EXPECT_NEAR(expected.z, body.z, TOLERANCE);
    }
    D3DXVECTOR3 CarPosition() const { return GetMatrixRow(m_pCar->m_Body.GetWorldMatrix(), ROW_POSITION); }

    CGameActor* m_pLizard = nullptr;
    CCar* m_pCar = nullptr;
};

TEST_F(PhysicsActorCars, TheUseKeyFindsACarWithin21Units)
{
    const struct {
        float distance;
        bool entered;
    } cases[] = {{20.0f, true}, {21.5f, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.distance);
        Stand(g_Player, CarPosition() + D3DXVECTOR3(0.0f, 0.0f, c.distance));
        g_Player.EnterCar(m_pLevel->FindClosestCar(Placement(g_Player), FIND_RANGE_SQ));
        EXPECT_EQ(c.entered ? m_pCar : nullptr, g_Player.m_pCar);
        g_Player.ExitCar();
    }
}

TEST_F(PhysicsActorCars, LockedAndSeatlessCarsAreRefused)
{
    CCar* prototype = nullptr;
    g_AssetManager.GetAsset("Sedan", prototype, true);
    CCar seatless(*prototype);
    seatless.m_Seats.clear();
    m_pCar->m_bBurnt = true;
    for (CCar* car : {m_pCar, &seatless}) {
        Stand(g_Player, CarPosition() + D3DXVECTOR3(0.0f, 0.0f, 3.0f));
        const D3DXMATRIX before = g_Player.m_Model.m_matObject;
        g_Player.EnterCar(car);
        EXPECT_EQ(nullptr, g_Player.m_pCar);
        EXPECT_EQ(nullptr, g_Player.m_Model.m_pParentMatrix);
        EXPECT_EQ(before, g_Player.m_Model.m_matObject);
        EXPECT_TRUE(Enabled(g_Player));
        EXPECT_STREQ("Idle", g_Player.m_Model.GetAnimationName());
        EXPECT_EQ(nullptr, car->GetController());
    }
}

// Scaled twice, the actor still stands 1.4 units beside the seat: the right
// row loses the model's scale.
TEST_F(PhysicsActorCars, ThePlayerSitsOnTheSeatAndStandsUpBesideIt)
{
    g_Player.m_Model.m_fScale = 2.0f;
    Stand(g_Player, CarPosition() + D3DXVECTOR3(0.0f, 0.0f, 3.0f));
    g_InGameMouse.SetVisible(true);
    g_Player.PickUpWeapon(std::make_unique<CWeapon>());

    g_Player.EnterCar(m_pCar);
    ASSERT_EQ(m_pCar, g_Player.m_pCar);
    const D3DXMATRIX* seat = m_pCar->GetDriverSeat();
    EXPECT_EQ(seat, g_Player.m_Model.m_pParentMatrix);
    EXPECT_EQ(Identity(), g_Player.m_Model.m_matObject);
    const D3DXVECTOR3 seated = Placement(g_Player) - GetMatrixRow(*seat, ROW_POSITION);
    EXPECT_NEAR(0.0f, D3DXVec3Length(&seated), TOLERANCE) << "on the seat";
    EXPECT_TRUE(Disabled(g_Player));
    EXPECT_STREQ("Sit", g_Player.m_Model.GetAnimationName());
    EXPECT_EQ(&m_pCar->m_Body.GetWorldMatrix(), g_GameCamera.m_pTarget);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_FOLLOW), g_GameCamera.m_u32Mode);
    EXPECT_EQ(&g_LocalController, m_pCar->GetController());
    EXPECT_FALSE(g_InGameMouse.IsVisible());

    // A drive: the car moves on, and the seat with it.
    for (int frame = 0; frame < 10; ++frame)
        m_pLevel->Update();
    Pose(g_Player);
    m_pCar->m_bBurnt = true;
    const D3DXVECTOR3 exit = ExitPoint(2.0f);
    g_Player.ExitCar();
    EXPECT_EQ(nullptr, g_Player.m_pCar);
    EXPECT_EQ(nullptr, g_Player.m_Model.m_pParentMatrix);
    ExpectAt(exit, g_Player);
    EXPECT_TRUE(Enabled(g_Player));
    EXPECT_EQ(&g_Player.m_Model.m_matObject, g_GameCamera.m_pTarget);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CHASE), g_GameCamera.m_u32Mode);
    EXPECT_EQ(nullptr, m_pCar->GetController());
    EXPECT_FALSE(m_pCar->m_bBurnt) << "leaving unlocks the car";
    EXPECT_TRUE(g_InGameMouse.IsVisible()) << "the weapon's cursor is back";
    EXPECT_STREQ("Idle", g_Player.m_Model.GetAnimationName());
}

// The officer is a real agent made from the shipped lizard-man: a
// pedestrian with a traffic driver, turned policeman.
class PhysicsAIActorCars : public PhysicsActorCars {
protected:
    void SetUp() override
    {
        PhysicsActorCars::SetUp();
        const D3DXVECTOR3 place = CarPosition() + D3DXVECTOR3(0.0f, 0.0f, 3.0f);
        ASSERT_TRUE(m_Agent.CreatePedestrian("Lizard", &place));
        m_Agent.UseNormalCarController();
        m_Agent.UsePoliceController();
        Stand(Officer(), place);
    }
    void TearDown() override
    {
        m_Agent.Reset();
        PhysicsActorCars::TearDown();
    }
    CNormalPoliceController& Police() { return *m_Agent.m_pPoliceController; }
    CGameActor& Officer() { return *m_Agent.GetActor(); }

    CAIControllerSet m_Agent;
};

// An officer whose car the player took charges the player, unless wanted
// from a level of 2 on already; one leaving his car of his own accord
// charges nobody.
TEST_F(PhysicsAIActorCars, AnOfficerLeavingHisCarPursuesAndChargesOnlyForATakenCar)
{
    const struct {
        float wanted;
        bool taken;
        bool charged;
    } cases[] = {{1.9f, true, true}, {2.0f, true, false}, {1.9f, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wanted << (c.taken ? " taken" : " left"));
        g_Player.m_fWantedLevel = c.wanted;
        Police().SetTarget(&g_Player);
        Officer().EnterCar(m_pCar);
        EXPECT_EQ(m_pCar, Officer().m_pCar) << "seated by his agent";
        EXPECT_EQ(m_pCar, m_Agent.GetCar());
        EXPECT_EQ(m_Agent.GetCarController(), m_pCar->GetController()) << "the agent's own driver drives";
        Pose(Officer());
        const D3DXVECTOR3 place = CarPosition();
        if (c.taken)
            g_Player.EnterCar(m_pCar);

        Officer().ExitCar();
        EXPECT_EQ(nullptr, Officer().m_pCar);
        EXPECT_EQ(nullptr, m_Agent.GetCar());
        EXPECT_EQ(CNormalPoliceController::STATE_PURSUING_ON_FOOT, Police().GetState());
        EXPECT_FALSE(Police().IsChangePending()) << "at once";
        EXPECT_EQ(&g_Player, Police().GetTarget());
        EXPECT_EQ(nullptr, Police().m_pTakenCar);
        const std::vector<CCrimeRecord>& crimes = g_CrimeFile.GetPendingEvents();
        ASSERT_EQ(c.charged ? 1u : 0u, crimes.size());
        if (c.charged) {
            EXPECT_EQ(CRIME_STEAL_POLICE_CAR, crimes[0].m_iType);
            EXPECT_EQ(&g_Player, crimes[0].m_pOffender);
            EXPECT_EQ(CrimeVictim(&Officer()), crimes[0].m_Value);
            EXPECT_EQ(place, crimes[0].m_vPosition);
        }
        g_CrimeFile.Update();
        g_Player.ExitCar();
    }
}

TEST_F(PhysicsAIActorCars, AnyOtherDriverLeavingIsAlarmedForFiveToEightSeconds)
{
    m_Agent.UsePedController();
    Officer().EnterCar(m_pCar);
    Pose(Officer());
    const D3DXVECTOR3 exit = ExitPoint(2.0f);
    Officer().ExitCar();
    EXPECT_EQ(nullptr, m_Agent.GetCar());
    EXPECT_EQ(nullptr, Officer().m_pCar);
    ExpectAt(exit, Officer());
    const CNormalPedController& walker = *m_Agent.GetPedController();
    EXPECT_EQ(exit, walker.m_AlarmPoint);
    EXPECT_GE(walker.GetDelay(), 5.0f);
    EXPECT_LE(walker.GetDelay(), 8.0f);
    EXPECT_TRUE(g_CrimeFile.GetPendingEvents().empty());
    EXPECT_EQ(CNormalPoliceController::STATE_IDLE, Police().GetState());
}

// The player takes the officer's car: the officer is told to get out and
// goes after the player, remembering the car.
TEST_F(PhysicsAIActorCars, TakingAPoliceCarPutsTheOfficerOutAfterTheTaker)
{
    Officer().EnterCar(m_pCar);
    g_Player.EnterCar(m_pCar);
    EXPECT_EQ(CNormalPoliceController::STATE_GETTING_OUT, Police().GetNextState());
    EXPECT_TRUE(Police().IsChangePending()) << "on its next update";
    EXPECT_EQ(&g_Player, Police().GetTarget());
    EXPECT_EQ(m_pCar, Police().m_pCar);
    EXPECT_EQ(m_pCar, Police().m_pTakenCar);
    EXPECT_EQ(&g_LocalController, m_pCar->GetController());
}

TEST_F(PhysicsActorCars, RestartReloadsTheLevelAndPutsThePlayerOutOnTheSpot)
{
    BYTE keys[CFullKeyboard::KEY_COUNT] = {};
    CFullKeyboard keyboard;
    CConsole console;
    console.Init(nullptr, keys, &keyboard);
    const auto run = [&console](const char* line) {
        const CLineRing& output = console.GetOutput();
        const int32_t first = output.GetCurrentIndex();
        console.RunLine(line);
        std::string lines;
        for (int32_t i = first; i != output.GetCurrentIndex(); i = CLineRing::Next(i))
            lines += output.Line(i) + "|";
        return lines;
    };
    Stand(g_Player, CarPosition() + D3DXVECTOR3(0.0f, 0.0f, 3.0f));
    g_Player.EnterCar(m_pCar);
    m_pLevel->Update();
    Pose(g_Player);
    const D3DXVECTOR3 exit = ExitPoint(0.0f);

    EXPECT_EQ("SET RESTART|RESTART set successfully|", run("SET RESTART"));
    EXPECT_TRUE(m_pLevel->GetActiveCars().empty()) << "a fresh world, its cars not yet streamed in";
    EXPECT_EQ(CLevel::OBJECT_GRID_TIMER_AT_LOAD, m_pLevel->GetObjectGridTimer());
    EXPECT_EQ(nullptr, g_Player.m_pCar);
    EXPECT_EQ(nullptr, g_Player.m_Model.m_pParentMatrix);
    ExpectAt(exit, g_Player);
    EXPECT_TRUE(Enabled(g_Player));
    EXPECT_STREQ("Idle", g_Player.m_Model.GetAnimationName());
    EXPECT_EQ(&g_Player.m_Model.m_matWorld, g_GameCamera.m_pTarget);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CHASE), g_GameCamera.m_u32Mode);

    g_pLevel = nullptr;
    EXPECT_EQ("SET RESTART|No level loaded|Function returned false|", run("SET RESTART"));
}

// The player dies on the run; the console's ways back give him his feet
// again: alive, standing in "Idle" on a body that moves, and the run key
// runs.
TEST_F(PhysicsActorCars, RestartAndHealthBringADeadPlayerBackOnHisFeet)
{
    const struct {
        const char* line;
        float life;
    } cases[] = {{"SET RESTART", 100.0f}, {"SET SETHEALTH 50", 50.0f}};
    const int GAS = 14;
    BYTE keys[CFullKeyboard::KEY_COUNT] = {};
    CFullKeyboard keyboard;
    CConsole console;
    console.Init(nullptr, keys, &keyboard);
    ScriptedController controller;
    g_Player.m_pController = &controller;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Stand(g_Player, D3DXVECTOR3(10.0f, 0.0f, 10.0f));
        controller.Hold(GAS);
        for (int frame = 0; frame < 10; ++frame)
            m_pLevel->Update();
        CDamageInfo blast;
        blast.m_fDamage = 1000.0f;
        g_Player.TakeDamage(blast, nullptr);
        for (int frame = 0; frame < 60; ++frame)
            m_pLevel->Update();
        ASSERT_FALSE(g_Player.m_bAlive);

        controller.ClearActions();
        console.RunLine(c.line);
        EXPECT_TRUE(g_Player.m_bAlive);
        EXPECT_FLOAT_EQ(c.life, g_Player.m_fCurrentLife);
        EXPECT_STREQ("Idle", g_Player.m_Model.GetAnimationName()) << "up from the death pose";
        EXPECT_TRUE(Enabled(g_Player));

        const D3DXVECTOR3 start = Placement(g_Player);
        controller.Hold(GAS);
        for (int frame = 0; frame < 30; ++frame)
            m_pLevel->Update();
        EXPECT_STREQ("Run", g_Player.m_Model.GetAnimationName());
        EXPECT_GT(Placement(g_Player).z - start.z, 3.0f) << "the run key runs";
    }
    g_Player.m_pController = &g_LocalController;
}

} // namespace
