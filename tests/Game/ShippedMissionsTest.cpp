// The shipped start and main scripts, read as the game reads them from its
// folder in the shipped town: each mission waits where the town's layout
// puts it, with its marker running and its cinema loaded, what its main
// script places stands on the roads, and nothing is logged.

#include <algorithm>
#include <iterator>
#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/ShippedTown.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Core/Log.h"
#include "Display/DisplayMesh.h"
#include "Game/ChaseMissions.h"
#include "Game/CheckPointMission.h"
#include "Game/DestructionMission.h"
#include "Game/Mission.h"
#include "Game/Mission3.h"
#include "Game/MissionManager.h"
#include "Level/Node.h"
#include "platform/novodex/NxActor.h"
#include "support/TempDir.h"

namespace {

struct ShippedStart {
    const char* m_Name;
    D3DXVECTOR3 m_Position;
    float m_fRadius;
    bool m_bCinema;
};

const ShippedStart SHIPPED_STARTS[] = {
    {"3", D3DXVECTOR3(300, 0, 110), 4.0f, false},
    {"5", D3DXVECTOR3(460, 0, 290), 4.0f, false},
    {"6", D3DXVECTOR3(470, 0, 100), 4.0f, true},
    {"SaveMission", D3DXVECTOR3(-45, 0.5f, -30), 2.5f, false},
    {"Intro", D3DXVECTOR3(-62, 0.5f, -58), 3.0f, true},
    {"2", D3DXVECTOR3(380, 0.5f, 276), 4.0f, false},
    {"4", D3DXVECTOR3(336, 0.5f, 180), 4.0f, false},
};

// The level runs behind the main menu: no mission may start there.
const D3DXVECTOR3 PLAYER_START(360, 0.5f, 170);
// A road's lanes lie this far either side of its middle; its tarmac is 12 wide.
const float ROAD_HALF_WIDTH = 6.0f;
const float LANE_OFFSET = 3.0f;

float FlatDistanceToSegment(const D3DXVECTOR3& point, const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR2 p(point.x - a.x, point.z - a.z);
    const D3DXVECTOR2 ab(b.x - a.x, b.z - a.z);
    const float lengthSq = D3DXVec2LengthSq(&ab);
    const float along = lengthSq > 0.0f ? std::clamp(D3DXVec2Dot(&p, &ab) / lengthSq, 0.0f, 1.0f) : 0.0f;
    const D3DXVECTOR2 apart = p - ab * along;
    return D3DXVec2Length(&apart);
}

// How far `point` lies from the nearest lane of the road graph.
float DistanceToLane(const D3DXVECTOR3& point)
{
    float nearest = 1e9f;
    for (size_t n = 0; n < g_RoadNodes.GetNodeCount(); ++n) {
        const cRoadnode& node = *g_RoadNodes.GetNode(n);
        for (size_t link = 0; link < node.GetLinkCount(); ++link)
            nearest = std::min(nearest, FlatDistanceToSegment(point, *node.GetPosition(),
                                                              *node.GetLinkTarget(link)->GetPosition()));
    }
    return nearest;
}

// The shipped town as g_pLevel; missions are read from the game's folder.
class ShippedMissionsTest : public ShippedTown {
protected:
    CMission* Create(CMissionManager& manager, const char* name)
    {
        const ScopedWorkingDir inGame(KELM_GAME_DIR);
        return manager.CreateMission(name);
    }
    static void LoadMain(CMission& mission)
    {
        const ScopedWorkingDir inGame(KELM_GAME_DIR);
        mission.LoadMissionFile(mission.GetMainScript());
    }
};

TEST_F(ShippedMissionsTest, TheStartAndMainScriptsLoadWithTheirMarkersAndCinemasWhereTheLayoutPutsThem)
{
    CMissionManager manager;
    for (const ShippedStart& start : SHIPPED_STARTS)
        Create(manager, start.m_Name);
    ASSERT_EQ(std::size(SHIPPED_STARTS), manager.GetMissionCount());
    for (size_t index = 0; index < manager.GetMissionCount(); ++index) {
        const ShippedStart& expected = SHIPPED_STARTS[index];
        const CMission& mission = *manager.GetMission(index);
        SCOPED_TRACE(expected.m_Name);
        EXPECT_EQ(expected.m_Name, mission.GetName());
        EXPECT_EQ(expected.m_Position, mission.GetStartPosition());
        EXPECT_FLOAT_EQ(expected.m_fRadius, mission.GetStartingRadius());
        EXPECT_EQ("Scripts\\Mission\\" + mission.GetName() + ".txt", mission.GetMainScript());
        EXPECT_TRUE(mission.GetStartEffect().m_u8Running);
        EXPECT_EQ(expected.m_bCinema, !mission.GetStartCinema().GetEvents().empty());
        const D3DXVECTOR3 offset = mission.GetStartPosition() - PLAYER_START;
        EXPECT_GT(D3DXVec3Length(&offset), mission.GetStartingRadius() + 10.0f) << "clear of the player's start";
        // A mission that starts must find its main script, or the game stops.
        // The introduction's guide needs a level: IntroMission reads its script.
        if (mission.GetName() == "Intro")
            continue;
        LoadMain(*manager.GetMission(index));
    }
    g_Log.Shutdown();
    const std::string log = Log();
    EXPECT_EQ(std::string::npos, log.find("\n[")) << log;
}

// Where a car stands: its body in the scene.
D3DXVECTOR3 PositionOf(const CCar& car)
{
    const NxVec3 at = car.m_PhysicsObject.m_pActor->getGlobalPosition();
    return D3DXVECTOR3(at.x, at.y, at.z);
}

// Parked cars stand at the road's edge, clear of the traffic's lanes.
void ExpectParkedByTheRoad(const CCar& car)
{
    const float fromLane = DistanceToLane(PositionOf(car));
    EXPECT_GT(fromLane, LANE_OFFSET) << "clear of the lanes";
    EXPECT_LT(fromLane, ROAD_HALF_WIDTH) << "by the road";
}

D3DXVECTOR3 PositionOf(const CWeapon& weapon)
{
    return D3DXVECTOR3(weapon.m_matPos._41, weapon.m_matPos._42, weapon.m_matPos._43);
}

float FlatDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR2 apart(a.x - b.x, a.z - b.z);
    return D3DXVec2Length(&apart);
}

// The chasers wait armed on side streets, each woken at one of the run's
// checkpoints.
void ExpectChasersOnTheRoute(const CCheckPointMission& run, size_t chasers)
{
    ASSERT_EQ(chasers, run.GetAgents().size());
    for (const CAIControllerSet* agent : run.GetAgents()) {
        ASSERT_NE(nullptr, agent->GetChaseController());
        ExpectParkedByTheRoad(*agent->GetCar());
        const D3DXVECTOR3* trigger = agent->GetChaseController()->GetChase().m_TriggerPoint.Get();
        ASSERT_NE(nullptr, trigger);
        bool atCheckPoint = false;
        for (size_t n = 0; n < run.GetCheckPointCount(); ++n)
            atCheckPoint |= run.GetCheckPoint(n).GetPosition() == *trigger;
        EXPECT_TRUE(atCheckPoint) << "woken along the route";
    }
}

TEST_F(ShippedMissionsTest, TheChaseBombWarehouseAndDestructionRunsPlaceTheirPartsOnTheTownsRoads)
{
    CMissionManager manager;
    auto* chase = dynamic_cast<CMission1*>(Create(manager, "2"));
    auto* bomb = dynamic_cast<CMission2*>(Create(manager, "3"));
    auto* warehouse = dynamic_cast<CMission3*>(Create(manager, "4"));
    auto* destruction = dynamic_cast<DestructionMission*>(Create(manager, "5"));
    ASSERT_TRUE(chase != nullptr && bomb != nullptr && warehouse != nullptr && destruction != nullptr);
    ASSERT_EQ(1u, destruction->GetSpawnedWeapons().size()) << "the rocket launcher by the start";
    EXPECT_EQ("RocketLauncher", destruction->GetSpawnedWeapons()[0]->m_Name);
    EXPECT_LT(FlatDistance(PositionOf(*destruction->GetSpawnedWeapons()[0]), destruction->GetStartPosition()),
              destruction->GetStartingRadius());
    const size_t carsBefore = g_pLevel->GetActiveCars().size();
    for (CMission* mission : {static_cast<CMission*>(chase), static_cast<CMission*>(bomb),
                              static_cast<CMission*>(warehouse), static_cast<CMission*>(destruction)})
        LoadMain(*mission);

    for (const CCheckPointMission* run : {static_cast<CCheckPointMission*>(chase), static_cast<CCheckPointMission*>(bomb)})
        for (size_t n = 0; n < run->GetCheckPointCount(); ++n)
            EXPECT_LT(DistanceToLane(run->GetCheckPoint(n).GetPosition()), ROAD_HALF_WIDTH) << "checkpoint " << n;
    EXPECT_EQ(5u, chase->GetCheckPointCount());
    ExpectChasersOnTheRoute(*chase, 2);

    ASSERT_EQ(4u, bomb->GetCheckPointCount());
    ExpectChasersOnTheRoute(*bomb, 1);
    ASSERT_EQ(1u, bomb->GetSpawnedWeapons().size());
    EXPECT_EQ("C4", bomb->GetSpawnedWeapons()[0]->m_Name);
    EXPECT_LT(FlatDistance(PositionOf(*bomb->GetSpawnedWeapons()[0]), bomb->GetCheckPoint(0).GetPosition()),
              bomb->GetCheckPoint(0).m_fSize) << "the C4 at the first checkpoint";
    EXPECT_EQ(1u, bomb->GetBombTargets().size());
    ASSERT_EQ(2u, bomb->GetSpawnedCars().size()) << "the chaser's and the target";
    const CCar& target = *bomb->GetSpawnedCars()[0];
    ExpectParkedByTheRoad(target);
    EXPECT_LT(FlatDistance(PositionOf(target), bomb->GetCheckPoint(1).GetPosition()), 10.0f)
        << "the target beside the second checkpoint";
    EXPECT_EQ(*bomb->GetAgents()[0]->GetChaseController()->GetChase().m_TriggerPoint.Get(),
              bomb->GetCheckPoint(1).GetPosition()) << "woken by the target";

    ASSERT_EQ(3u, warehouse->GetAgents().size());
    for (const CAIControllerSet* agent : warehouse->GetAgents()) {
        const CGameActor& patrol = *agent->GetActor();
        const D3DXVECTOR3& at = patrol.m_Model.m_vPosition;
        EXPECT_TRUE(at.x > 306 && at.x < 366 && at.z > 118 && at.z < 174) << "inside the walls";
        EXPECT_FLOAT_EQ(40.0f, patrol.m_fCurrentLife);
        ASSERT_NE(nullptr, patrol.GetCurrentWeapon());
        EXPECT_EQ("pistol", patrol.GetCurrentWeapon()->m_Name);
    }

    ASSERT_EQ(1u, destruction->GetTargets().size());
    EXPECT_EQ("Sedan", destruction->GetTargets()[0].m_Name);
    EXPECT_EQ(3, destruction->GetTargets()[0].m_iGoal);
    EXPECT_FLOAT_EQ(120.0f, destruction->GetTimeLimit());
    const std::list<CCar*>& cars = g_pLevel->GetActiveCars();
    EXPECT_EQ(carsBefore + 2 + 2 + 3, cars.size()) << "the chase run's, the bomb run's and the three sedans";
    const std::vector<CCar*> placed(std::prev(cars.end(), 3), cars.end());
    for (const CCar* sedan : placed) {
        EXPECT_EQ("Sedan", sedan->m_Name);
        ExpectParkedByTheRoad(*sedan);
    }
    for (CMission* mission : {static_cast<CMission*>(chase), static_cast<CMission*>(bomb),
                              static_cast<CMission*>(warehouse), static_cast<CMission*>(destruction)})
        mission->End();
}

// The credits tour the town on their cinema; with nothing to reach and no
// sound to wait for they are won as soon as it has played.
TEST_F(ShippedMissionsTest, TheCreditsLoadTheirTourWithNeitherCheckPointsNorVictorySound)
{
    CGameActor player;
    CGameActor* const previousPlayer = g_PlayerActor;
    g_PlayerActor = &player;
    CMissionManager manager;
    CMission* credits = nullptr;
    {
        const ScopedWorkingDir inGame(KELM_GAME_DIR);
        credits = manager.StartCredits();
    }
    ASSERT_NE(nullptr, credits);
    EXPECT_FALSE(credits->GetStartCinema().GetEvents().empty());
    auto* run = dynamic_cast<CTimedCheckPointMission*>(credits);
    ASSERT_NE(nullptr, run);
    EXPECT_EQ(0u, run->GetCheckPointCount());
    EXPECT_TRUE(credits->GetVictorySound().empty());
    g_PlayerActor = previousPlayer;
}

// The arrow leads from above the player, so it is mostly seen from behind
// and below, where the sun does not reach: it glows yellow on its own.
TEST_F(ShippedMissionsTest, TheArrowGlowsYellowWhereTheSunDoesNotLightIt)
{
    CDisplayMesh* mesh = nullptr;
    g_AssetManager.GetAsset("Arrow", mesh, true);
    ASSERT_EQ(1u, mesh->GetNumMaterials());
    const D3DCOLORVALUE& glow = mesh->GetMaterial(0).Emissive;
    EXPECT_GT(glow.r, 0.5f);
    EXPECT_GT(glow.g, 0.5f);
    EXPECT_LT(glow.b, glow.g / 2.0f) << "yellow, not grey";
}

} // namespace
