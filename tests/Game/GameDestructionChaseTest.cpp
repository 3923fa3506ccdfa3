// Missions 5, 3 and 4 in the whole game on the shipped content, one after
// another on a steady 16 ms frame, the population quiet: the test walks the
// player into each start circle and on to each checkpoint, and damages the
// targets through their own TakeDamage as a projectile of the player's
// would. The destruction counts down its sedans under a capped wanted
// level and grants the grenade; the bomb run tells each step, wakes its
// chaser by the target and stops it with the win, which opens the
// warehouse; there the patrols close in and fire until all three fall.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/StepTrace.h"
#include "Display/TextMaster.h"
#include "Game/Extras.h"
#include "Game/CheckPointMission.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Level/Level.h"
#include "Physics/DamageInfo.h"
#include "platform/novodex/NxActor.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"
#include "support/StagedPlay.h"

namespace {

const uint32_t FRAME_MS = 16;
const int LAST_FRAME = 3000;
// Frames between two steps of the player's, long enough to see each text.
const int STEP_FRAMES = 30;
// The police's "Fire" action, held.
const int FIRE_ACTION = 11;
const uint8_t HELD = 2;

const D3DXVECTOR3 DESTRUCTION_START(460.0f, 0.5f, 290.0f);
const D3DXVECTOR3 BOMB_RUN_START(300.0f, 0.5f, 110.0f);
const D3DXVECTOR3 WAREHOUSE_START(336.0f, 0.5f, 180.0f);
// Inside the walls, north of the tower, between two of the patrols.
const D3DXVECTOR3 INSIDE_WAREHOUSE(336.0f, 0.5f, 166.0f);
// Where 5.txt parks its sedans.
const D3DXVECTOR3 PARKED_SEDANS[] = {D3DXVECTOR3(445, 0, 288), D3DXVECTOR3(430, 0, 288), D3DXVECTOR3(415, 0, 288)};

struct Seen {
    // Each text as it first appeared after a different one, in order.
    std::vector<std::string> destructionTexts;
    std::vector<std::string> bombRunTexts;
    std::vector<std::string> warehouseTexts;
    float highestWanted = 0.0f;
    bool grenade = false;
    int chaserStateAtTarget = -1;
    int chaserStateAfterWin = -1;
    bool warehouseListed = false;
    float patrolsClosedIn = 0.0f;
    bool patrolFired = false;
};

Seen s_Seen;
std::vector<std::string>* s_pTexts = nullptr;
std::vector<CCar*> s_Sedans;
CAIControllerSet* s_pChaser = nullptr;
std::vector<CGameActor*> s_Patrols;
float s_StartingSpread = 0.0f;

CMission* Current()
{
    return g_MissionManager.GetCurrentMission();
}

bool IsRunning(const char* name)
{
    return Current() != nullptr && Current()->GetName() == name;
}

// The mission texts are queued in the update; read them as the menus draw,
// once the level has drawn.
void ReadTexts(const char* step)
{
    if (s_pTexts == nullptr || std::strcmp(step, "CMenuManager::Draw") != 0)
        return;
    for (uint32_t i = 0; i < g_TextMaster.GetQueueCount(); ++i) {
        const CQueuedText& queued = g_TextMaster.GetQueue()[i];
        if (queued.m_pPrepared == nullptr)
            continue;
        const std::string& text = queued.m_pPrepared->m_Text;
        if (std::find(s_pTexts->begin(), s_pTexts->end(), text) == s_pTexts->end())
            s_pTexts->push_back(text);
    }
}

void PutPlayerAt(const D3DXVECTOR3& position)
{
    CGameActor& player = *g_PlayerActor;
    player.m_Model.SetPosition(&position);
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
}

// As a rocket or a bullet of the player's strikes.
void Strike(CCollidableObject& target, float damage)
{
    CDamageInfo hit;
    hit.m_fDamage = damage;
    hit.m_u8Kind = CDamageInfo::KIND_PROJECTILE;
    hit.m_pSource = g_PlayerActor;
    target.TakeDamage(hit, nullptr);
}

int StateOf(const CStateMachine& machine)
{
    return machine.IsChangePending() ? machine.GetNextState() : machine.GetState();
}

// Where a car stands: its body in the scene.
D3DXVECTOR3 PositionOf(const CCar& car)
{
    const NxVec3 at = car.m_PhysicsObject.m_pActor->getGlobalPosition();
    return D3DXVECTOR3(at.x, at.y, at.z);
}

void FindParkedSedans()
{
    s_Sedans.clear();
    for (const D3DXVECTOR3& parked : PARKED_SEDANS) {
        for (CCar* car : g_pLevel->GetActiveCars()) {
            if (car->m_PhysicsObject.m_pActor == nullptr)
                continue;
            const D3DXVECTOR3 at = PositionOf(*car);
            const D3DXVECTOR3 apart(at.x - parked.x, 0.0f, at.z - parked.z);
            if (car->m_Name == "Sedan" && D3DXVec3Length(&apart) < 2.0f)
                s_Sedans.push_back(car);
        }
    }
}

float PatrolSpread()
{
    float spread = 0.0f;
    for (const CGameActor* patrol : s_Patrols) {
        const D3DXVECTOR3 apart = patrol->m_Model.m_vPosition - g_PlayerActor->m_Model.m_vPosition;
        spread += D3DXVec3Length(&apart);
    }
    return spread;
}

// Into the start circle; over once the mission runs.
PlayStage StartAt(const D3DXVECTOR3& start, const char* name, std::vector<std::string>* texts)
{
    return {120, [start, name, texts](int frame) {
                if (frame == 0) {
                    QuietThePool();
                    PutPlayerAt(start);
                    s_pTexts = texts;
                }
                return IsRunning(name);
            }};
}

const std::vector<PlayStage>& Stages()
{
    static const std::vector<PlayStage> stages = {
        StartAt(DESTRUCTION_START, "5", &s_Seen.destructionTexts),
        // A sedan at the end of every STEP_FRAMES; the wanted level is
        // pushed up once on the way.
        {600,
         [](int frame) {
             if (frame == 0)
                 FindParkedSedans();
             s_Seen.highestWanted = std::max(s_Seen.highestWanted, g_PlayerActor->m_fWantedLevel);
             const size_t next = static_cast<size_t>(frame / STEP_FRAMES);
             if (frame % STEP_FRAMES == STEP_FRAMES - 1 && next < s_Sedans.size())
                 Strike(*s_Sedans[next], s_Sedans[next]->m_fHull + 1.0f);
             if (frame == STEP_FRAMES + 1)
                 g_PlayerActor->m_fWantedLevel = 5.0f;
             if (IsRunning("5"))
                 return false;
             s_Seen.grenade = std::find(g_UnlockedExtras.begin(), g_UnlockedExtras.end(), "Grenade") !=
                              g_UnlockedExtras.end();
             return true;
         }},
        StartAt(BOMB_RUN_START, "3", &s_Seen.bombRunTexts),
        // On to each checkpoint in turn; the chaser is read once the player
        // stands by the target.
        {800,
         [](int frame) {
             const auto* run = dynamic_cast<const CCheckPointMission*>(Current());
             if (run == nullptr || !IsRunning("3")) {
                 s_Seen.chaserStateAfterWin = s_pChaser != nullptr ? StateOf(*s_pChaser->GetChaseController()) : -1;
                 s_Seen.warehouseListed = g_MissionManager.FindMission("4") != nullptr;
                 return true;
             }
             if (frame == 0 && !run->GetAgents().empty())
                 s_pChaser = run->GetAgents().front();
             const int index = g_PlayerActor->m_iCheckpoint;
             if (index == 2 && s_pChaser != nullptr && s_Seen.chaserStateAtTarget < 0)
                 s_Seen.chaserStateAtTarget = StateOf(*s_pChaser->GetChaseController());
             if (frame % STEP_FRAMES == STEP_FRAMES - 1 && index >= 0 &&
                 static_cast<size_t>(index) < run->GetCheckPointCount())
                 PutPlayerAt(run->GetCheckPoint(static_cast<size_t>(index)).GetPosition());
             return false;
         }},
        StartAt(WAREHOUSE_START, "4", &s_Seen.warehouseTexts),
        // Inside the walls for three seconds, the player kept whole; then
        // each patrol falls to a shot.
        {600,
         [](int frame) {
             if (!IsRunning("4"))
                 return true;
             if (frame == 0) {
                 for (CAIControllerSet* agent : Current()->GetAgents())
                     s_Patrols.push_back(agent->GetActor());
                 PutPlayerAt(INSIDE_WAREHOUSE);
                 s_StartingSpread = PatrolSpread();
             }
             for (CAIControllerSet* agent : Current()->GetAgents()) {
                 const CNormalPoliceController* police = agent->m_pPoliceController.get();
                 s_Seen.patrolFired |= police != nullptr && police->GetActionCounters()[FIRE_ACTION] == HELD;
             }
             g_PlayerActor->m_fCurrentLife = g_PlayerActor->m_fMaxLife;
             const int watched = 180;
             if (frame == watched) {
                 s_Seen.patrolsClosedIn = s_StartingSpread - PatrolSpread();
                 for (CGameActor* patrol : s_Patrols)
                     Strike(*patrol, patrol->m_fCurrentLife + 1.0f);
             }
             return false;
         }},
    };
    return stages;
}

TEST(GameDestructionChaseTest, TheDestructionTheBombRunAndTheWarehouseArePlayedToTheirWins)
{
    GameFolderCopy dir;
    s_Seen = Seen();
    s_pTexts = nullptr;
    s_pChaser = nullptr;
    s_Patrols.clear();
    g_StepTrace = ReadTexts;
    int stagesEnded = 0;
    EXPECT_EQ(0, RunGameInPlay(StagedPlay(Stages(), FRAME_MS, LAST_FRAME, stagesEnded)));
    g_StepTrace = nullptr;
    EXPECT_EQ(static_cast<int>(Stages().size()), stagesEnded) << "every stage ran to its end";

    std::vector<std::string> countdown;
    for (const std::string& text : s_Seen.destructionTexts) {
        if (text.rfind("Destroy ", 0) == 0 || text == "You Win!!")
            countdown.push_back(text);
    }
    EXPECT_EQ((std::vector<std::string>{"Destroy 3 Sedans", "Destroy 2 Sedans", "Destroy 1 Sedans", "You Win!!"}),
              countdown);
    EXPECT_TRUE(s_Seen.grenade);
    EXPECT_GT(s_Seen.highestWanted, 0.0f) << "the explosions were the player's";
    EXPECT_LE(s_Seen.highestWanted, 2.0f);

    const std::vector<std::string> steps = {"Get the C4", "Destroy The Car With the C4", "Follow the CheckPoints",
                                            "You Win!!"};
    std::vector<std::string> shown;
    for (const std::string& text : s_Seen.bombRunTexts) {
        if (std::find(steps.begin(), steps.end(), text) != steps.end())
            shown.push_back(text);
    }
    EXPECT_EQ(steps, shown);
    EXPECT_EQ(CChaseCarController::STATE_PURSUIT, s_Seen.chaserStateAtTarget) << "launched by the target";
    EXPECT_EQ(CChaseCarController::STATE_IDLE, s_Seen.chaserStateAfterWin);
    EXPECT_TRUE(s_Seen.warehouseListed);

    EXPECT_EQ(3u, s_Patrols.size());
    EXPECT_GT(s_Seen.patrolsClosedIn, 1.0f) << "metres the patrols came nearer";
    EXPECT_TRUE(s_Seen.patrolFired);
    const std::vector<std::string>& warehouse = s_Seen.warehouseTexts;
    for (const char* text : {"Stop the people in the warehouse.", "You Win!!"})
        EXPECT_NE(warehouse.end(), std::find(warehouse.begin(), warehouse.end(), text)) << text;
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
}

} // namespace
