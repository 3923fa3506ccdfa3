// The chase and bomb runs on the AI world's flat ground with physics: the
// chasers their scripts arm, the bomb run's steps and targets, and the win
// that stops every chaser.

#include "Game/ChaseMissions.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Game/MissionAIWorld.h"
#include "support/QueuedTexts.h"

namespace {

const D3DCOLOR WHITE = 0xFFFFFFFF;
// Far from the player at the origin: never reached by standing still.
const char* const FAR_CHECK_POINTS = "CheckPoint Pos 100 0 100 CheckPoint Pos 100 0 100 "
                                     "CheckPoint Pos 100 0 100 CheckPoint Pos 100 0 100\n";

class PhysicsChaseMissions : public MissionAIWorld {
protected:
    void Start(CCheckPointMission& mission, const std::string& text)
    {
        LoadMain(mission, text);
        mission.SetPlayer(&g_Player);
    }

    // The mission's only chaser, with its car checked.
    static const CAIControllerSet& OnlyChaser(const CMission& mission)
    {
        EXPECT_EQ(1u, mission.GetAgents().size());
        const CAIControllerSet& agent = *mission.GetAgents().front();
        EXPECT_EQ(std::vector<CCar*>{agent.GetCar()}, mission.GetSpawnedCars());
        EXPECT_TRUE(agent.GetCar()->m_bBurnt) << "locked";
        return agent;
    }
};

struct ChaserCase {
    const char* m_Why;
    const char* m_Script;
    float m_fTriggerRange;
    bool m_bTriggerPoint;
    float m_fMaxSpeedMph;
    bool m_bLogged;
};

const ChaserCase CHASER_CASES[] = {
    {"the defaults", "AICarChaser BoxCar Pos 20 0.5 20 GameActor LIZARD", CCheckPointMission::CHASE_RANGE, false, 0.0f,
     false},
    {"every option", "AICarChaser BoxCar Pos 20 0.5 20 GameActor Lizard Radius 400 RadiusPos 5 0 6 StartVel 45",
     400.0f, true, 45.0f, false},
    {"a word in the keyword's place", "AICarChaser BoxCar Pos 20 0.5 20 Actor lIzArD Radius 10", 10.0f, false, 0.0f,
     true},
};

TEST_F(PhysicsChaseMissions, AChaserIsALockedCarWhoseDriverWaitsArmedAtItsTriggerPoint)
{
    for (const ChaserCase& test : CHASER_CASES) {
        SCOPED_TRACE(test.m_Why);
        const size_t agentsBefore = m_pLevel->GetAgents().size();
        CMission1 mission;
        Start(mission, test.m_Script);
        const CAIControllerSet& agent = OnlyChaser(mission);
        EXPECT_EQ(agentsBefore + 1, m_pLevel->GetAgents().size());
        EXPECT_EQ(&agent, m_pLevel->GetAgents().back()) << "the level runs it";
        ASSERT_NE(nullptr, agent.GetActor()) << "names in any case";
        EXPECT_EQ(agent.GetCar(), agent.GetActor()->m_pCar);
        EXPECT_EQ(0, agent.m_u8RecyclingEnabled);
        EXPECT_EQ(1, agent.m_u8InUse);
        EXPECT_EQ(0, agent.m_u8RecycleRequested);
        ASSERT_TRUE(agent.m_u8ChaseActive);
        const CChaseCarController& chase = *agent.GetChaseController();
        EXPECT_EQ(CChaseCarController::STATE_ARMED, StateOf(chase));
        EXPECT_FLOAT_EQ(test.m_fTriggerRange, chase.GetChase().m_fTriggerRange);
        EXPECT_FLOAT_EQ(test.m_fMaxSpeedMph * test.m_fMaxSpeedMph * MPH_SQ_TO_MPS_SQ, chase.GetChase().m_fMaxSpeed);
        const CTargetPoint& point = chase.GetChase().m_TriggerPoint;
        if (test.m_bTriggerPoint) {
            EXPECT_EQ(CTargetPoint::OWN, point.GetKind()) << "a copy: the script's numbers are gone";
            EXPECT_EQ(D3DXVECTOR3(5, 0, 6), *point.Get());
        } else {
            EXPECT_FALSE(point.IsSet()) << "the car's own place, once armed";
        }
        const bool logged = Log().find("Error in mission file") != std::string::npos;
        EXPECT_EQ(test.m_bLogged, logged);
        mission.End();
    }
}

// Armed at its trigger point, the chaser launches once the player comes
// within its range, as the level runs it.
TEST_F(PhysicsChaseMissions, TheChaserLaunchesWhenThePlayerNearsItsTriggerPoint)
{
    CMission1 mission;
    Start(mission, "AICarChaser BoxCar Pos 20 0.5 20 GameActor Lizard Radius 400 RadiusPos 50 0 20 StartVel 30\n");
    const CChaseCarController& chase = *OnlyChaser(mission).GetChaseController();
    const D3DXVECTOR3 away(50.0f, 0.0f, 45.0f);
    g_Player.m_Model.SetPosition(&away);
    m_pLevel->UpdateAgents();
    m_pLevel->UpdateAgents();
    EXPECT_EQ(CChaseCarController::STATE_ARMED, StateOf(chase)) << "25 m from the point: waiting";
    const D3DXVECTOR3 near(50.0f, 0.0f, 35.0f);
    g_Player.m_Model.SetPosition(&near);
    m_pLevel->UpdateAgents();
    EXPECT_EQ(CChaseCarController::STATE_PURSUIT, StateOf(chase)) << "15 m: launched";
    mission.End();
}

TEST_F(PhysicsChaseMissions, TheBombRunTellsEachStepByThePlayersCheckPointAndKeepsItsTargets)
{
    CMission2 mission;
    Start(mission, std::string(FAR_CHECK_POINTS) +
                       "BombTarget BoxCar Pos 30 0.5 30 BombTargetRadius 5 BombTargetHealth 50\n"
                       "BombTarget BoxCar Pos 40 0.5 40\n");
    ASSERT_EQ(2u, mission.GetBombTargets().size());
    EXPECT_FLOAT_EQ(5.0f, mission.GetBombTargets()[0].m_fRadius);
    EXPECT_FLOAT_EQ(50.0f, mission.GetBombTargets()[0].m_fHealth);
    EXPECT_FLOAT_EQ(0.0f, mission.GetBombTargets()[1].m_fRadius);
    ASSERT_EQ(2u, mission.GetSpawnedCars().size());
    for (const CCar* car : mission.GetSpawnedCars())
        EXPECT_TRUE(car->m_bBurnt) << "locked";

    mission.Update();
    EXPECT_TRUE(TakeQueuedTexts().empty()) << "the cinema's frame";
    const std::vector<std::string> steps[] = {
        {QueuedText("Get the C4", 0.2f, 0.2f, WHITE)},
        {QueuedText("Destroy The Car With the C4", 0.2f, 0.2f, WHITE)},
        {QueuedText("Follow the CheckPoints", 0.2f, 0.2f, WHITE)},
        {},
    };
    for (int index = 0; index < 4; ++index) {
        g_Player.m_iCheckpoint = index;
        mission.Update();
        EXPECT_EQ(steps[index], TakeQueuedTexts()) << "index " << index;
    }
    EXPECT_FALSE(mission.IsWon());
    mission.End();
    EXPECT_TRUE(mission.GetBombTargets().empty());
}

// "You Win!!" for 0.75 s of the chase run's 2 s, and all of the bomb run's
// (the win's first frame still shows the step); the chasers stop as the
// mission reports.
TEST_F(PhysicsChaseMissions, AWinStopsEveryChaserWhenTheMissionReports)
{
    struct {
        std::unique_ptr<CChaseRun> mission;
        int framesWithText;
    } runs[] = {{std::make_unique<CMission1>(), 6}, {std::make_unique<CMission2>(), 16}};
    for (auto& run : runs) {
        CChaseRun& mission = *run.mission;
        Start(mission, "AICarChaser BoxCar Pos 20 0.5 20 GameActor Lizard\n"
                       "AICarChaser BoxCar Pos 30 0.5 20 GameActor Lizard\n");
        mission.Update();
        int framesWithText = 0;
        int result = CMission::MISSION_RUNNING;
        for (int frame = 0; frame < 16; ++frame) {
            result = mission.Update();
            const std::vector<std::string> texts = TakeQueuedTexts();
            framesWithText += std::count(texts.begin(), texts.end(), QueuedText("You Win!!", 0.2f, 0.2f, WHITE));
            if (result == CMission::MISSION_RUNNING) {
                for (const CAIControllerSet* agent : mission.GetAgents())
                    EXPECT_EQ(CChaseCarController::STATE_ARMED, StateOf(*agent->GetChaseController()));
            }
        }
        EXPECT_EQ(CMission::MISSION_WON, result) << "2.0 s after the win";
        EXPECT_EQ(run.framesWithText, framesWithText);
        ASSERT_EQ(2u, mission.GetAgents().size());
        for (const CAIControllerSet* agent : mission.GetAgents())
            EXPECT_EQ(CChaseCarController::STATE_IDLE, StateOf(*agent->GetChaseController()));
        mission.End();
    }
}

} // namespace
