// A police car of the shipped town on patrol meets a player standing ahead
// of it on the town's ground, through the whole level's frame: a wanted
// player is chased, the officer gets out, walks up and fires his pistol (not
// through a wall) and the shot hurts; a player who takes the police car at
// rest is pursued and reported.

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/ShippedTown.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "Game/CrimeManager.h"
#include "Input/LocalController.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxBoxShape.h"
#include "platform/novodex/NxScene.h"
#include "support/ShippedScripts.h"
#include "support/SteadyFrames.h"

namespace {

typedef CNormalPoliceController Police;

const float FRAME_SECONDS = ShippedTown::FRAME_MILLISECONDS / 1000.0f;
enum { ACTION_FIRE = 11 };
const float FULL_LIFE = 100.0f;

int Frames(float seconds)
{
    return static_cast<int>(std::lround(seconds / FRAME_SECONDS));
}

class PhysicsPolice : public ShippedTown {
protected:
    void SetUp() override
    {
        ShippedTown::SetUp();
        m_pSavedPlayer = g_PlayerActor;
        // The game sets the view's projection at start-up; without it a
        // shot leaves along a ray that is not a number and strikes nothing.
        m_SavedProjection = g_matProjection;
        ASSERT_TRUE(SetupDefaultViewProjection());
    }
    // The level and its agents go before the player they chase.
    void TearDown() override
    {
        g_PlayerActor = m_pSavedPlayer;
        g_matProjection = m_SavedProjection;
        ShippedTown::TearDown();
        m_pPlayer.reset();
    }

    // A police car with its officer on road node 0, facing along its first
    // link, patrolling; the player `ahead` units along that link.
    CAIControllerSet& Patrol(float ahead, float wanted)
    {
        const cRoadnode* from = g_RoadNodes.GetNode(0);
        const D3DXVECTOR3 d = *from->GetLinkTarget(0)->GetPosition() - *from->GetPosition();
        const float length = std::hypot(d.x, d.z);
        const D3DXVECTOR3 along(d.x / length, 0.0f, d.z / length);
        CAIControllerSet* agent = g_pLevel->AddAgent();
        EXPECT_TRUE(agent->CreateCar("LIZARD", "CopCar", from->GetPosition(), nullptr));
        CCar* car = agent->GetCar();
        D3DXMATRIX local = car->m_Body.GetLocalMatrix();
        local._11 = along.z;
        local._13 = -along.x;
        local._31 = along.x;
        local._33 = along.z;
        car->m_Body.SetLocalMatrix(local);
        car->m_Body.UpdateWorldMatrix();
        g_pLevel->AddCar(car);
        agent->UsePoliceController();
        agent->m_pPoliceController->ProcessStateChange();

        CGameActor* prototype = nullptr;
        g_AssetManager.GetAsset("Lizard", prototype, true);
        m_pPlayer = std::make_unique<CGameActor>(*prototype);
        const D3DXVECTOR3 at = *from->GetPosition() + along * ahead;
        m_pPlayer->m_Model.SetPosition(&at);
        m_pPlayer->m_Model.UpdateWorldMatrix();
        // A body in the scene as the game gives its player: a shot finds
        // nothing else to strike. Made before the wanted level, which it clears.
        m_pPlayer->UpdateCollision();
        m_pPlayer->CreatePhysics();
        m_pPlayer->SyncPhysicsPose();
        m_pPlayer->m_fWantedLevel = wanted;
        g_PlayerActor = m_pPlayer.get();
        return *agent;
    }

    // A copy of the shipped pistol, placed and taken up as a lying weapon is.
    static void ArmWithPistol(CGameActor& officer)
    {
        CWeapon* pistol = nullptr;
        g_AssetManager.GetAssetByUpperName("PISTOL", pistol, true);
        auto weapon = std::make_unique<CWeapon>(*pistol);
        weapon->ApplyPosMatrix();
        officer.PickUpWeapon(std::move(weapon));
    }

    std::unique_ptr<CGameActor> m_pPlayer;
    CGameActor* m_pSavedPlayer = nullptr;
    D3DXMATRIX m_SavedProjection;
};

TEST_F(PhysicsPolice, AnOfficerChasesAWantedPlayerGetsOutAndTakesAim)
{
    CAIControllerSet& agent = Patrol(30.0f, 3.0f);
    Police& police = *agent.m_pPoliceController;
    ArmWithPistol(*agent.GetActor());
    g_pLevel->Update();
    EXPECT_EQ(Police::STATE_CHASING, police.GetState()) << "engaged on the first update";

    int frame = 0;
    for (; frame < Frames(10.0f) && agent.GetActor()->m_pCar != nullptr; ++frame)
        g_pLevel->Update();
    ASSERT_EQ(nullptr, agent.GetActor()->m_pCar) << "the officer left his car";
    EXPECT_EQ(Police::STATE_PURSUING_ON_FOOT, police.GetState());

    // A wall between him and the player: no shot while it stands.
    NxBoxShapeDesc box;
    box.dimensions = NxVec3(0.25f, 6.0f, 6.0f);
    box.group = 1;
    NxActorDesc desc;
    desc.shapes.push_back(&box);
    const D3DXVECTOR3 between = (agent.GetActor()->m_Model.m_vPosition + m_pPlayer->m_Model.m_vPosition) * 0.5f;
    desc.globalPose.t = NxVec3(between.x, between.y, between.z);
    NxScene& scene = *g_Physics.GetScene();
    NxActor* wall = scene.createActor(desc);
    ASSERT_NE(nullptr, wall);
    const auto firing = [&] { return police.GetActionCounters()[ACTION_FIRE] == ACTION_STATE_HELD; };
    const auto fires = [&](float seconds) {
        for (int n = 0; n < Frames(seconds); ++n) {
            g_pLevel->Update();
            if (firing())
                return true;
        }
        return false;
    };
    EXPECT_FALSE(fires(8.0f));
    EXPECT_EQ(FULL_LIFE, m_pPlayer->m_fCurrentLife) << "unhurt behind the wall";
    scene.releaseActor(*wall);

    // Once it is gone he fires, and a shot strikes within 25 s.
    bool fired = false;
    for (int n = 0; n < Frames(25.0f) && m_pPlayer->m_fCurrentLife == FULL_LIFE; ++n) {
        g_pLevel->Update();
        fired = fired || firing();
    }
    EXPECT_TRUE(fired);
    EXPECT_LT(m_pPlayer->m_fCurrentLife, FULL_LIFE) << "the player is hurt";
}

TEST_F(PhysicsPolice, APlayerTakingAPoliceCarAtRestIsPursuedAndReported)
{
    g_CrimeFile.ClearPending();
    CAIControllerSet& agent = Patrol(30.0f, 0.0f);
    CNormalPoliceController& police = *agent.m_pPoliceController;
    CCar& car = *agent.GetCar();
    for (int frame = 0; frame < Frames(1.0f); ++frame)
        g_pLevel->Update();
    m_pPlayer->m_pController = &g_LocalController;
    m_pPlayer->EnterCar(&car);
    ASSERT_EQ(&car, m_pPlayer->m_pCar);
    for (int frame = 0; frame < Frames(3.0f) && agent.GetActor()->m_pCar != nullptr; ++frame)
        g_pLevel->Update();
    EXPECT_EQ(nullptr, agent.GetActor()->m_pCar) << "the officer is out";
    EXPECT_EQ(Police::STATE_PURSUING_ON_FOOT, police.GetState());
    EXPECT_EQ(m_pPlayer.get(), police.GetTarget());
    bool reported = false;
    for (const CCrimeRecord& event : g_CrimeFile.GetPendingEvents())
        reported = reported || (event.m_iType == CRIME_STEAL_POLICE_CAR && event.m_pOffender == m_pPlayer.get());
    EXPECT_TRUE(reported);
    g_CrimeFile.ClearPending();
    m_pPlayer->ExitCar();
    m_pPlayer->m_pController = nullptr;
}

TEST_F(PhysicsPolice, APlayerWantedBelowTwoIsLeftAlone)
{
    CAIControllerSet& agent = Patrol(30.0f, 1.9f);
    for (int frame = 0; frame < Frames(5.0f); ++frame)
        g_pLevel->Update();
    EXPECT_NE(Police::STATE_CHASING, agent.m_pPoliceController->GetState());
    EXPECT_FALSE(agent.m_u8ChaseActive);
    EXPECT_NE(nullptr, agent.GetActor()->m_pCar);
}

} // namespace
