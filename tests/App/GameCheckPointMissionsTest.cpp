// The whole game on a copy of the shipped folder, the town's population
// quiet: the player takes the sedan parked by the loop road, drives it into
// the circle of "6" and through the timed loop (the test places the car at
// each checkpoint), and wins it. Then the delivery "0" is created as the
// Intro's win creates it: the player walks to its start, takes the truck,
// which stays locked until then, drives it through its checkpoints, stops it
// at the depot and wins it, its extra granted.

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIController.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Game/CheckPointMission.h"
#include "Game/Extras.h"
#include "Game/Mission0.h"
#include "Game/MissionManager.h"
#include "Input/InputManager.h"
#include "Level/Level.h"
#include "platform/novodex/NxActor.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"
#include "support/StagedPlay.h"

namespace {

const uint32_t FRAME_MS = 16;
const int FRAMES_PER_SECOND = 1000 / FRAME_MS;
// Mission 6's cinema takes 5 s, each win's ending 2 s (the delivery's 4 s).
const int LAST_FRAME = 60 * FRAMES_PER_SECOND;
const D3DXVECTOR3 LOOP_SEDAN(466.0f, 0.5f, 200.0f);
const D3DXVECTOR3 TIMED_RUN_START(470.0f, 0.5f, 100.0f);
const D3DXVECTOR3 DELIVERY_START(-30.0f, 0.5f, -80.0f);
// Where a car's body rests above a checkpoint on the road.
const D3DXVECTOR3 ABOVE_ROAD(0.0f, 0.4f, 0.0f);
// The get-in key is pressed in these frames of its stage, then the stage
// waits until this frame to see the player seated or out.
const int KEY_DOWN_FRAME = 5;
const int KEY_UP_FRAME = 8;
const int SETTLED_FRAME = 20;

struct Seen {
    int lastStage = 0;
    bool sedanTaken = false;
    std::string firstStarted;
    bool seatedThroughTheLoop = true;
    int loopCheckPoints = -1;
    std::vector<std::string> listedAfterLoop;
    bool truckLockedBeforeStart = false;
    std::string secondStarted;
    bool truckUnlockedAtStart = false;
    bool truckTaken = false;
    bool controlsHeldAtDepot = false;
    std::vector<std::string> deliveryUnlocks;
    int deliveryCheckPoints = -1;
    size_t contextDepthAtStart = 0;
    size_t contextDepthAtEnd = 0;
    std::vector<std::string> listedAtEnd;
    std::vector<std::string> extrasAtEnd;
};

Seen s_Seen;
CCar* s_Sedan = nullptr;
CCar* s_Truck = nullptr;

std::vector<std::string> ListedNames()
{
    std::vector<std::string> names;
    for (size_t i = 0; i < g_MissionManager.GetMissionCount(); ++i)
        names.push_back(g_MissionManager.GetMission(i)->GetName());
    return names;
}

CCar* NearestCar(const D3DXVECTOR3& point)
{
    CCar* nearest = nullptr;
    float best = 0.0f;
    for (CCar* car : g_pLevel->GetActiveCars()) {
        const D3DXVECTOR3 offset = CarPosition(*car) - point;
        const float distance = D3DXVec3Length(&offset);
        if (nearest == nullptr || distance < best) {
            nearest = car;
            best = distance;
        }
    }
    return nearest;
}

// On foot, unturned, at rest.
void PlacePlayer(const D3DXVECTOR3& position)
{
    CGameActor& player = *g_PlayerActor;
    player.m_Model.SetPosition(&position);
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
    if (NxActor* body = player.m_PhysicsObject.m_pActor)
        body->setLinearVelocity(NxVec3(0.0f, 0.0f, 0.0f));
}

// As turned as it stands, at rest.
void PlaceCar(CCar& car, const D3DXVECTOR3& position)
{
    NxActor* body = car.m_PhysicsObject.m_pActor;
    if (body == nullptr)
        return;
    body->setGlobalPosition(NxVec3(position.x, position.y, position.z));
    body->setLinearVelocity(NxVec3(0.0f, 0.0f, 0.0f));
    body->setAngularVelocity(NxVec3(0.0f, 0.0f, 0.0f));
}

// The get-in key pressed once; true once the stage has waited for it.
bool PressGetIn(int frame)
{
    if (frame == KEY_DOWN_FRAME)
        PushKey(SDL_SCANCODE_F, true);
    if (frame == KEY_UP_FRAME)
        PushKey(SDL_SCANCODE_F, false);
    return frame >= SETTLED_FRAME;
}

const CCheckPointMission* RunningRace()
{
    return dynamic_cast<const CCheckPointMission*>(g_MissionManager.GetCurrentMission());
}

// The car moved onto the checkpoint the running race waits for, if any;
// false once there is none.
bool PlaceCarAtTheNextCheckPoint(CCar& car)
{
    const CCheckPointMission* race = RunningRace();
    const int32_t index = g_PlayerActor->m_iCheckpoint;
    if (race == nullptr || index < 0 || static_cast<size_t>(index) >= race->GetCheckPointCount())
        return false;
    PlaceCar(car, race->GetCheckPoint(static_cast<size_t>(index)).GetPosition() + ABOVE_ROAD);
    return true;
}

std::string CurrentName()
{
    const CMission* current = g_MissionManager.GetCurrentMission();
    return current != nullptr ? current->GetName() : std::string();
}

const std::vector<PlayStage>& Stages()
{
    static const std::vector<PlayStage> stages = {
        {2 * FRAMES_PER_SECOND,
         [](int frame) {
             if (frame == 0) {
                 QuietThePool();
                 PlacePlayer(LOOP_SEDAN + D3DXVECTOR3(0.0f, 0.0f, -5.0f));
             }
             // The car grid brings the sedan into the world around the player.
             if (frame == KEY_DOWN_FRAME - 1)
                 s_Sedan = NearestCar(LOOP_SEDAN);
             if (!PressGetIn(frame))
                 return false;
             s_Seen.sedanTaken = s_Sedan != nullptr && g_PlayerActor->m_pCar == s_Sedan;
             return true;
         }},
        {2 * FRAMES_PER_SECOND,
         [](int) {
             if (s_Sedan != nullptr)
                 PlaceCar(*s_Sedan, TIMED_RUN_START + ABOVE_ROAD);
             s_Seen.firstStarted = CurrentName();
             return !s_Seen.firstStarted.empty();
         }},
        {20 * FRAMES_PER_SECOND,
         [](int) {
             s_Seen.seatedThroughTheLoop &= s_Sedan != nullptr && g_PlayerActor->m_pCar == s_Sedan;
             if (s_Sedan != nullptr && PlaceCarAtTheNextCheckPoint(*s_Sedan))
                 return false;
             if (g_MissionManager.GetCurrentMission() != nullptr)
                 return false;
             s_Seen.loopCheckPoints = g_PlayerActor->m_iCheckpoint;
             s_Seen.listedAfterLoop = ListedNames();
             return true;
         }},
        {2 * FRAMES_PER_SECOND,
         [](int frame) { return PressGetIn(frame) && g_PlayerActor->m_pCar == nullptr; }},
        {2 * FRAMES_PER_SECOND,
         [](int frame) {
             if (frame == 0) {
                 const auto* delivery = dynamic_cast<const CMission0*>(g_MissionManager.CreateMission("0"));
                 s_Truck = delivery != nullptr ? delivery->GetMissionCar() : nullptr;
                 s_Seen.truckLockedBeforeStart = s_Truck != nullptr && s_Truck->m_bBurnt;
                 s_Seen.contextDepthAtStart = g_InputManager.GetContextDepth();
                 PlacePlayer(DELIVERY_START);
             }
             s_Seen.secondStarted = CurrentName();
             return !s_Seen.secondStarted.empty();
         }},
        {2 * FRAMES_PER_SECOND,
         [](int frame) {
             if (frame == 0)
                 s_Seen.truckUnlockedAtStart = s_Truck != nullptr && !s_Truck->m_bBurnt;
             if (!PressGetIn(frame))
                 return false;
             s_Seen.truckTaken = s_Truck != nullptr && g_PlayerActor->m_pCar == s_Truck;
             return true;
         }},
        {10 * FRAMES_PER_SECOND,
         [](int) {
             const auto* delivery = dynamic_cast<const CMission0*>(g_MissionManager.GetCurrentMission());
             if (delivery == nullptr || s_Truck == nullptr)
                 return true;
             if (!delivery->IsWon()) {
                 PlaceCarAtTheNextCheckPoint(*s_Truck);
                 return false;
             }
             s_Seen.controlsHeldAtDepot = g_InputManager.GetCurrentContext() == CInputManager::CONTEXT_HELD;
             s_Seen.deliveryUnlocks = delivery->GetUnlockedMissions();
             s_Seen.deliveryCheckPoints = g_PlayerActor->m_iCheckpoint;
             return true;
         }},
        {10 * FRAMES_PER_SECOND,
         [](int) {
             if (g_MissionManager.GetCurrentMission() != nullptr)
                 return false;
             s_Seen.contextDepthAtEnd = g_InputManager.GetContextDepth();
             s_Seen.listedAtEnd = ListedNames();
             s_Seen.extrasAtEnd = g_UnlockedExtras;
             return true;
         }},
    };
    return stages;
}

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(GameCheckPointMissionsTest, TheTimedLoopIsDrivenAndTheTruckIsDeliveredToTheDepot)
{
    GameFolderCopy dir;
    s_Seen = Seen();
    s_Sedan = nullptr;
    s_Truck = nullptr;
    EXPECT_EQ(0, RunGameInPlay(StagedPlay(Stages(), FRAME_MS, LAST_FRAME, s_Seen.lastStage)));

    ASSERT_EQ(static_cast<int>(Stages().size()), s_Seen.lastStage) << "every stage ran to its end";
    EXPECT_TRUE(s_Seen.sedanTaken);
    EXPECT_EQ("6", s_Seen.firstStarted);
    EXPECT_TRUE(s_Seen.seatedThroughTheLoop);
    EXPECT_EQ(6, s_Seen.loopCheckPoints) << "the loop's six checkpoints, in order";
    EXPECT_FALSE(Has(s_Seen.listedAfterLoop, "6")) << "won, it leaves the list";

    EXPECT_TRUE(s_Seen.truckLockedBeforeStart);
    EXPECT_EQ("0", s_Seen.secondStarted);
    EXPECT_TRUE(s_Seen.truckUnlockedAtStart);
    EXPECT_TRUE(s_Seen.truckTaken);
    EXPECT_TRUE(s_Seen.controlsHeldAtDepot) << "stopped at the depot, the controls held";
    EXPECT_EQ(7, s_Seen.deliveryCheckPoints);
    EXPECT_EQ(std::vector<std::string>{"1"}, s_Seen.deliveryUnlocks);
    EXPECT_EQ(s_Seen.contextDepthAtStart, s_Seen.contextDepthAtEnd) << "the controls given back";
    EXPECT_FALSE(Has(s_Seen.listedAtEnd, "0"));
    EXPECT_TRUE(Has(s_Seen.listedAtEnd, "1")) << "weapon training waits next";
    EXPECT_TRUE(Has(s_Seen.extrasAtEnd, "Uzzi"));
    EXPECT_TRUE(Has(s_Seen.extrasAtEnd, "RDS_DEL_TRUCK_1"));
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
}

} // namespace
