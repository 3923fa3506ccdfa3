// The warehouse on the AI world's flat ground with physics: the armed
// people its script sets on the player, and the win once none is alive.

#include "Game/Mission3.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Game/MissionAIWorld.h"
#include "support/FatalTrap.h"
#include "support/QueuedTexts.h"

namespace {

const D3DCOLOR WHITE = 0xFFFFFFFF;
const std::string WIN = QueuedText("You Win!!", 0.2f, 0.2f, WHITE);

class PhysicsMission3 : public MissionAIWorld {
protected:
    void Start(CMission3& mission, const std::string& text) { LoadMain(mission, text); }

    // One update; its texts.
    static std::vector<std::string> Frame(CMission3& mission, int& result)
    {
        result = mission.Update();
        return TakeQueuedTexts();
    }
};

TEST_F(PhysicsMission3, APatrolCarriesItsWeaponAndPursuesThePlayerOnFootUntilNobodyIsAlive)
{
    CMission3 mission;
    Start(mission, "AIPedPatrol lizard Pos 5 0 6 Health 40 Weapon pistol\nAIPedPatrol Lizard\n");
    ASSERT_EQ(2u, mission.GetAgents().size());
    for (CAIControllerSet* agent : mission.GetAgents()) {
        ASSERT_NE(nullptr, agent->GetActor());
        EXPECT_EQ(0, agent->m_u8RecyclingEnabled);
        EXPECT_EQ(1, agent->m_u8InUse);
        EXPECT_EQ(0, agent->m_u8RecycleRequested);
        ASSERT_TRUE(agent->IsPoliceActive());
        EXPECT_EQ(CNormalPoliceController::STATE_PURSUING_ON_FOOT, StateOf(*agent->m_pPoliceController));
        EXPECT_EQ(&g_Player, agent->m_pPoliceController->GetTarget());
        EXPECT_NE(m_pLevel->GetAgents().end(),
                  std::find(m_pLevel->GetAgents().begin(), m_pLevel->GetAgents().end(), agent));
    }
    CGameActor& armed = *mission.GetAgents()[0]->GetActor();
    const D3DXMATRIX& placed = armed.m_Model.m_matObject;
    EXPECT_EQ(D3DXVECTOR3(5, 0, 6), D3DXVECTOR3(placed._41, placed._42, placed._43));
    EXPECT_FLOAT_EQ(40.0f, armed.m_fCurrentLife);
    EXPECT_TRUE(armed.m_bAlive);
    CWeapon* pistol = nullptr;
    g_AssetManager.GetAsset("Pistol", pistol, true);
    ASSERT_NE(nullptr, armed.GetCurrentWeapon()) << "the name looked up in capitals";
    EXPECT_NE(pistol, armed.GetCurrentWeapon()) << "a copy";
    EXPECT_EQ(pistol->m_Name, armed.GetCurrentWeapon()->m_Name);
    CGameActor& bare = *mission.GetAgents()[1]->GetActor();
    CGameActor* lizard = nullptr;
    g_AssetManager.GetAssetByUpperName(ACTOR, lizard, true);
    EXPECT_FLOAT_EQ(lizard->m_fCurrentLife, bare.m_fCurrentLife) << "its own life";
    EXPECT_EQ(nullptr, bare.GetCurrentWeapon());

    int result = CMission::MISSION_RUNNING;
    EXPECT_TRUE(Frame(mission, result).empty()) << "the cinema's frame";
    const std::vector<std::string> running = {QueuedText("Stop the people in the warehouse.", 0.2f, 0.2f, WHITE)};
    EXPECT_EQ(running, Frame(mission, result));
    armed.m_fCurrentLife = 0.0f;
    EXPECT_EQ(running, Frame(mission, result)) << "one is still alive";
    bare.m_fCurrentLife = -5.0f;
    EXPECT_EQ(std::vector<std::string>{WIN}, Frame(mission, result));
    for (int frame = 1; frame < 16; ++frame) {
        EXPECT_EQ(CMission::MISSION_RUNNING, result);
        Frame(mission, result);
    }
    EXPECT_EQ(CMission::MISSION_WON, result) << "2.0 s after the win";
    mission.End();
}

TEST_F(PhysicsMission3, AWarehouseWithNobodyAliveIsWonAtOnce)
{
    for (const char* script : {"", "AIPedPatrol Lizard Health 0\nAIPedPatrol Lizard Pos 3 0 3 Health 0\n"}) {
        SCOPED_TRACE(script);
        CMission3 mission;
        Start(mission, script);
        for (const CAIControllerSet* agent : mission.GetAgents())
            EXPECT_FALSE(agent->GetActor()->m_bAlive);
        int result = CMission::MISSION_RUNNING;
        Frame(mission, result);
        EXPECT_EQ(std::vector<std::string>{WIN}, Frame(mission, result));
        EXPECT_TRUE(mission.IsWon());
        mission.End();
    }
}

// Nothing but its own word: a base mission keyword stops the game.
TEST_F(PhysicsMission3, TheWarehouseTakesNoOtherMissionsKeyword)
{
    for (const char* script : {"VictorySound win.wav", "UnlockMission 5", "Weapon pistol"}) {
        SCOPED_TRACE(script);
        CMission3 mission;
        EXPECT_FATAL(Start(mission, script), std::string("Mission failed to load\nin ") + MAIN_SCRIPT);
    }
}

} // namespace
