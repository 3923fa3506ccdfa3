// The whole game on a copy of the shipped folder: the five first missions
// wait with a start marker on the minimap each frame, none starts in the front end,
// and in play the player, put into the circle of "6", starts it; taken to
// each of its checkpoints in turn, he wins it and it leaves the list.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/Game.h"
#include "Core/StepTrace.h"
#include "Core/Window.h"
#include "Game/CheckPointMission.h"
#include "Game/CrimeManager.h"
#include "Game/HUD.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Menu/MenuManager.h"
#include "platform/win32/Windows.h"
#include "support/FrameTime.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"

namespace {

const uint32_t FRAME_MS = 16;
const int FRONT_END_FRAMES = 30;
// Play gives up after this many frames; the timed run's 5 s start cinema
// takes 313 of them, its 2 s victory 125.
const int LAST_PLAY_FRAME = 600;
const D3DXVECTOR3 TIMED_RUN_START(470.0f, 0.5f, 100.0f);

struct MissionsSeen {
    std::vector<std::string> listedAtStart;
    // Start markers counted as the HUD drew, while no mission ran.
    std::vector<size_t> idleMarkers;
    bool startedInFrontEnd = false;
    std::string started;
    bool listenerOnIt = false;
    int playFramesUntilWon = -1;
    int checkPointsPassed = -1;
    std::vector<std::string> listedAtEnd;
};

MissionsSeen s_Seen;
int s_Frame = 0;

std::vector<std::string> ListedNames()
{
    std::vector<std::string> names;
    for (size_t i = 0; i < g_MissionManager.GetMissionCount(); ++i)
        names.push_back(g_MissionManager.GetMission(i)->GetName());
    return names;
}

// Whether the manager's last update found no mission running.
bool s_IdleUpdate = false;

// The markers are gone once the HUD has drawn: count them as it begins, in
// frames whose update found every mission waiting.
void CountMarkers(const char* step)
{
    if (std::strcmp(step, "CMissionManager::Update") == 0) {
        s_IdleUpdate = g_MissionManager.GetCurrentMission() == nullptr;
        return;
    }
    if (std::strcmp(step, "CHUD::Draw") != 0 || !s_IdleUpdate || g_MissionManager.GetCurrentMission() != nullptr)
        return;
    s_IdleUpdate = false;
    size_t starts = 0;
    for (const MapMarker& marker : g_HUD.GetMapMarkers())
        starts += marker.colour == CMissionManager::START_MARKER_COLOUR ? 1 : 0;
    s_Seen.idleMarkers.push_back(starts);
}

void Close()
{
    s_Seen.listedAtEnd = ListedNames();
    PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
}

void PutPlayerAt(const D3DXVECTOR3& position)
{
    CGameActor& player = *g_PlayerActor;
    player.m_Model.SetPosition(&position);
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
}

// The player taken to the checkpoint the run waits for, if any.
void PutPlayerAtTheNextCheckPoint()
{
    const auto* run = dynamic_cast<const CCheckPointMission*>(g_MissionManager.GetCurrentMission());
    if (run == nullptr || g_PlayerActor->m_iCheckpoint < 0 ||
        static_cast<size_t>(g_PlayerActor->m_iCheckpoint) >= run->GetCheckPointCount())
        return;
    PutPlayerAt(run->GetCheckPoint(static_cast<size_t>(g_PlayerActor->m_iCheckpoint)).GetPosition());
}

int PlayUntilWon()
{
    SetFrameTime(FRAME_MS);
    PutPlayerAtTheNextCheckPoint();
    InGameState();
    ++s_Frame;
    const CMission* current = g_MissionManager.GetCurrentMission();
    if (current != nullptr && s_Seen.started.empty()) {
        s_Seen.started = current->GetName();
        s_Seen.listenerOnIt = g_CrimeFile.m_pListener == current;
        return 1;
    }
    if (current == nullptr && !s_Seen.started.empty()) {
        s_Seen.playFramesUntilWon = s_Frame;
        s_Seen.checkPointsPassed = g_PlayerActor->m_iCheckpoint;
        Close();
        return 1;
    }
    if (s_Frame == LAST_PLAY_FRAME)
        Close();
    return 1;
}

int FrontEndThenPlay()
{
    SetFrameTime(FRAME_MS);
    if (s_Frame == 0)
        s_Seen.listedAtStart = ListedNames();
    if (s_Frame < FRONT_END_FRAMES) {
        FrontEndState();
        ++s_Frame;
        s_Seen.startedInFrontEnd |= g_MissionManager.GetCurrentMission() != nullptr;
        return 1;
    }
    g_Game.EnterPlay();
    g_MenuManager.PopScreen();
    PutPlayerAt(TIMED_RUN_START);
    s_Frame = 0;
    g_Game.PushState(PlayUntilWon);
    return 1;
}

TEST(GameMissionsTest, MissionsWaitMarkedInTheFrontEndAndTheTimedRunStartsAndIsWonInPlay)
{
    GameFolderCopy dir;
    s_Seen = MissionsSeen();
    s_Frame = 0;
    s_IdleUpdate = false;
    g_StepTrace = CountMarkers;
    EXPECT_EQ(0, RunGameScripted(FrontEndThenPlay));
    g_StepTrace = nullptr;

    const std::vector<std::string> firstMissions = {"3", "5", "6", "SaveMission", "Intro"};
    EXPECT_EQ(firstMissions, s_Seen.listedAtStart);
    ASSERT_FALSE(s_Seen.idleMarkers.empty());
    for (size_t markers : s_Seen.idleMarkers)
        EXPECT_EQ(firstMissions.size(), markers) << "one start marker a waiting mission, each frame";
    EXPECT_FALSE(s_Seen.startedInFrontEnd);
    EXPECT_EQ("6", s_Seen.started);
    EXPECT_TRUE(s_Seen.listenerOnIt) << "crimes and events reach the running mission";
    EXPECT_GT(s_Seen.playFramesUntilWon, 0) << "won and ended";
    EXPECT_EQ(6, s_Seen.checkPointsPassed) << "the loop's six checkpoints, in order";
    EXPECT_EQ((std::vector<std::string>{"3", "5", "SaveMission", "Intro", "2"}), s_Seen.listedAtEnd)
        << "the chase run unlocked";
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
}

} // namespace
