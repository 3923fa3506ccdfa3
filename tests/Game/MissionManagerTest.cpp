// The mission manager on fixture scripts: recording missions "A" and "B"
// wait in overlapping circles at the origin; A's main script runs the clock
// at half speed and unlocks B, then A, and two weapon extras.

#include "Game/MissionManager.h"

#include <list>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/DataBuffer.h"
#include "Display/RenderQueue.h"
#include "Game/CheckPointMission.h"
#include "Game/CrimeManager.h"
#include "Game/Extras.h"
#include "Game/HUD.h"
#include "Game/Mission.h"
#include "Game/ScriptFolderFixture.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"

namespace {

const float NORMAL_RATIO = 30.0f;
const float MISSION_RATIO = 0.5f;

std::vector<std::string> s_Calls;
int s_Result = CMission::MISSION_RUNNING;

// Writes down what the manager asks of it as "<name> <call>"; its update
// answers s_Result.
class RecordingMission : public CMission {
public:
    ~RecordingMission() override { Record("delete"); }
    bool Parse(CDataBuffer& reader) override
    {
        if (reader.PeekString() == "TimeRatio")
            Record("read");
        return CMission::Parse(reader);
    }
    bool CanStart() override
    {
        Record("test");
        return CMission::CanStart();
    }
    int Update() override
    {
        Record("update");
        return s_Result;
    }
    void Draw(ERenderPass pass) override { Record("draw " + std::to_string(static_cast<int>(pass))); }
    void End() override
    {
        Record("end");
        CMission::End();
    }

private:
    void Record(const std::string& call) { s_Calls.push_back(GetName() + " " + call); }
};

std::unique_ptr<CMission> MakeRecording()
{
    return std::make_unique<RecordingMission>();
}

std::string StartScript(const char* name)
{
    return std::string("MissionStartPos 0 0 0 StartingRadius 5 MissionStartFile Scripts\\Mission\\") + name +
           ".txt StartLocationEffect Marker\n";
}

class MissionManagerTest : public ScriptFolderFixture {
protected:
    MissionManagerTest()
    {
        FileEmptyEffect("Marker");
        m_Dir.Write("Scripts/Mission/APre.txt", StartScript("A"));
        m_Dir.Write("Scripts/Mission/BPre.txt", StartScript("B"));
        m_Dir.Write("Scripts/Mission/A.txt", "TimeRatio 0.5\nUnlockMission B\nUnlockMission A\n"
                                             "UnlockExtra Uzzi\nUnlockExtra pistol\nUnlockMission Nowhere\n");
        m_Dir.Write("Scripts/Mission/B.txt", "TimeRatio 2\n");
        m_Dir.Write("Scripts/Mission/CreditsPre.txt", "MissionStartPos 9 0 9\n");
        m_Dir.Write("Scripts/Mission/Credits.txt", "TimeRatio 0.5\n");
        m_Manager.AddMissionClass({"A", &MakeRecording, false});
        m_Manager.AddMissionClass({"B", &MakeRecording, false});
        m_pSavedPlayer = g_PlayerActor;
        g_PlayerActor = &m_Player;
        PlacePlayer(D3DXVECTOR3(100, 0, 100));
        g_GameTimer.SetTimeRatio(NORMAL_RATIO);
        s_Calls.clear();
        s_Result = CMission::MISSION_RUNNING;
        g_UnlockedExtras.clear();
        g_HUD.Draw();
        for (const char* extra : {"Uzzi", "pistol"})
            File(new CWeapon(), extra);
    }
    ~MissionManagerTest() override
    {
        g_pLevel = nullptr;
        m_Manager.Clear();
        g_PlayerActor = m_pSavedPlayer;
        g_GameTimer = CGameTimer();
        g_UnlockedExtras.clear();
        g_RenderQueue.Clear();
        g_HUD.Draw();
    }

    void PlacePlayer(const D3DXVECTOR3& position)
    {
        m_Player.m_Model.m_matScaledObject._41 = position.x;
        m_Player.m_Model.m_matScaledObject._42 = position.y;
        m_Player.m_Model.m_matScaledObject._43 = position.z;
    }

    // A and B waiting, in that order, and A started with the player in both
    // circles; the calls so far forgotten.
    void StartA()
    {
        m_Manager.CreateMission("A");
        m_Manager.CreateMission("B");
        PlacePlayer(D3DXVECTOR3(1, 0, 1));
        m_Manager.Update();
        ASSERT_NE(nullptr, m_Manager.GetCurrentMission());
        ASSERT_EQ("A", m_Manager.GetCurrentMission()->GetName());
        s_Calls.clear();
    }

    std::vector<std::string> ListedNames() const
    {
        std::vector<std::string> names;
        for (size_t i = 0; i < m_Manager.GetMissionCount(); ++i)
            names.push_back(m_Manager.GetMission(i)->GetName());
        return names;
    }

    // Whether the manager's current mission is the one in the event channel.
    void ExpectListenerIsCurrent() const { EXPECT_EQ(m_Manager.GetCurrentMission(), g_CrimeFile.m_pListener); }

    // Where the extras go, in the tests that give it to g_pLevel.
    CLevel m_Level;
    CGameActor m_Player;
    CGameActor* m_pSavedPlayer = nullptr;
    CMissionManager m_Manager;
};

typedef std::vector<std::string> Names;

TEST_F(MissionManagerTest, WaitingMissionsAreMarkedAndTestedUntilTheFirstInsideItsCircleStarts)
{
    m_Manager.CreateMission("A");
    m_Manager.CreateMission("B");
    m_Manager.Update();
    EXPECT_EQ((Names{"A test", "B test"}), s_Calls) << "the player is outside both circles";
    ASSERT_EQ(2u, g_HUD.GetMapMarkers().size());
    EXPECT_EQ(CMissionManager::START_MARKER_COLOUR, g_HUD.GetMapMarkers()[1].colour);
    EXPECT_EQ(0xFF0000FFu, CMissionManager::START_MARKER_COLOUR);
    EXPECT_EQ(nullptr, m_Manager.GetCurrentMission());
    ExpectListenerIsCurrent();
    g_HUD.Draw();
    s_Calls.clear();

    PlacePlayer(D3DXVECTOR3(1, 0, 1));
    m_Manager.Update();
    EXPECT_EQ((Names{"A test", "A read"}), s_Calls) << "B, behind it, is neither marked nor tested";
    EXPECT_EQ(1u, g_HUD.GetMapMarkers().size());
    EXPECT_EQ(m_Manager.GetMission(0), m_Manager.GetCurrentMission());
    ExpectListenerIsCurrent();
    EXPECT_FLOAT_EQ(MISSION_RATIO, g_GameTimer.GetTimeRatio());
    s_Calls.clear();

    m_Manager.Update();
    EXPECT_EQ((Names{"A update"}), s_Calls) << "a running mission is not tested again";
    EXPECT_EQ(1u, g_HUD.GetMapMarkers().size()) << "nor marked";
}

// A win creates the unlocks (an unknown name none) and grants the extras in
// order; a failure puts a fresh copy at the end. Either way the old mission
// ends, is deleted and the clock runs at its old speed.
TEST_F(MissionManagerTest, TheRunningMissionsResultDecidesWhatComesNext)
{
    const struct {
        int m_Result;
        Names m_Listed;
        Names m_Extras;
        Names m_Calls;
        bool m_bRunning;
    } cases[] = {
        {CMission::MISSION_WON, {"B", "B", "A"}, {"Uzzi", "pistol"}, {"A update", "A end", "A delete"}, false},
        {CMission::MISSION_FAILED, {"B", "A"}, {}, {"A update", "A end", "A delete"}, false},
        {2, {"A", "B"}, {}, {"A update"}, true},
    };
    g_pLevel = &m_Level;
    for (const auto& test : cases) {
        SCOPED_TRACE(test.m_Result);
        m_Manager.Clear();
        g_UnlockedExtras.clear();
        StartA();
        s_Result = test.m_Result;
        m_Manager.Update();
        EXPECT_EQ(test.m_Calls, s_Calls);
        EXPECT_EQ(test.m_Listed, ListedNames());
        EXPECT_EQ(test.m_Extras, g_UnlockedExtras);
        EXPECT_EQ(test.m_bRunning, m_Manager.GetCurrentMission() != nullptr);
        ExpectListenerIsCurrent();
        EXPECT_FLOAT_EQ(test.m_bRunning ? MISSION_RATIO : NORMAL_RATIO, g_GameTimer.GetTimeRatio());
        s_Result = CMission::MISSION_RUNNING;
    }
}

TEST_F(MissionManagerTest, RetryWithoutARunningMissionRebuildsTheWaitingOnesInOrder)
{
    m_Manager.CreateMission("B");
    m_Manager.CreateMission("A");
    m_Manager.Reset();
    EXPECT_EQ((Names{"B delete", "A delete"}), s_Calls);
    EXPECT_EQ((Names{"B", "A"}), ListedNames());
    EXPECT_EQ(nullptr, m_Manager.GetCurrentMission());
    ExpectListenerIsCurrent();
}

// The fresh copies are made at the old speed, so that they give it back.
TEST_F(MissionManagerTest, RetryRestartsTheRunningMissionAtOnceFromAFreshCopy)
{
    StartA();
    m_Manager.Reset();
    EXPECT_EQ((Names{"B delete", "A delete", "A read"}), s_Calls) << "no start test";
    EXPECT_EQ((Names{"B", "A"}), ListedNames()) << "no stale entry";
    ASSERT_EQ(m_Manager.GetMission(1), m_Manager.GetCurrentMission());
    ExpectListenerIsCurrent();
    EXPECT_FLOAT_EQ(MISSION_RATIO, g_GameTimer.GetTimeRatio());
    EXPECT_FLOAT_EQ(NORMAL_RATIO, m_Manager.GetMission(0)->GetSavedTimeRatio());
    EXPECT_FLOAT_EQ(NORMAL_RATIO, m_Manager.GetMission(1)->GetSavedTimeRatio());

    s_Result = CMission::MISSION_FAILED;
    m_Manager.Update();
    EXPECT_FLOAT_EQ(NORMAL_RATIO, g_GameTimer.GetTimeRatio());
}

TEST_F(MissionManagerTest, ClearDeletesEverythingAndGivesTheClockItsSpeedBack)
{
    StartA();
    m_Manager.Clear();
    EXPECT_EQ((Names{"A delete", "B delete"}), s_Calls);
    EXPECT_EQ(0u, m_Manager.GetMissionCount());
    EXPECT_EQ(nullptr, m_Manager.GetCurrentMission());
    ExpectListenerIsCurrent();
    EXPECT_FLOAT_EQ(NORMAL_RATIO, g_GameTimer.GetTimeRatio());
}

// The credits race the player outside the list; a mission running when they
// start is put back as a failed one is.
TEST_F(MissionManagerTest, TheCreditsRunAtOnceOutsideTheList)
{
    for (bool running : {false, true}) {
        SCOPED_TRACE(running);
        m_Manager.Clear();
        m_Manager.CreateMission("A");
        m_Manager.CreateMission("B");
        if (running) {
            m_Manager.Clear();
            StartA();
        }
        CMission* credits = m_Manager.StartCredits();
        ASSERT_NE(nullptr, credits);
        EXPECT_EQ(credits, m_Manager.GetCurrentMission());
        ExpectListenerIsCurrent();
        EXPECT_EQ("Credits", credits->GetName());
        EXPECT_EQ(D3DXVECTOR3(9, 0, 9), credits->GetStartPosition());
        auto* race = dynamic_cast<CTimedCheckPointMission*>(credits);
        ASSERT_NE(nullptr, race);
        EXPECT_EQ(&m_Player, race->GetPlayer());
        EXPECT_EQ(std::vector<CGameActor*>{&m_Player}, race->GetRacers());
        const Names listed = running ? Names{"B", "A"} : Names{"A", "B"};
        EXPECT_EQ(listed, ListedNames());
        EXPECT_EQ((running ? Names{"A end", "A delete"} : Names{}), s_Calls);
        EXPECT_FLOAT_EQ(NORMAL_RATIO, g_GameTimer.GetTimeRatio());

        m_Manager.Update();
        EXPECT_EQ(credits, m_Manager.GetCurrentMission()) << "the cinema's frame";
        m_Manager.Update();
        EXPECT_EQ(nullptr, m_Manager.GetCurrentMission()) << "no checkpoints: won once the cinema has ended";
        ExpectListenerIsCurrent();
        EXPECT_EQ(listed, ListedNames()) << "winning them leaves the list";
    }
}

TEST_F(MissionManagerTest, IdleEveryStartEffectIsQueuedElseOnlyTheRunningMissionDraws)
{
    m_Manager.CreateMission("A");
    m_Manager.CreateMission("B");
    std::list<C3DSprite*> sprites;
    for (size_t i = 0; i < m_Manager.GetMissionCount(); ++i) {
        CEffect& effect = m_Manager.GetMission(i)->GetStartEffect();
        ASSERT_TRUE(effect.m_u8Running);
        effect.m_Sprites.resize(1);
        sprites.push_back(&effect.m_Sprites[0]);
    }
    m_Manager.Draw(RENDER_PASS_MAIN);
    EXPECT_EQ(sprites, g_RenderQueue.GetSprites());
    g_RenderQueue.Clear();

    PlacePlayer(D3DXVECTOR3(1, 0, 1));
    m_Manager.Update();
    s_Calls.clear();
    m_Manager.Draw(RENDER_PASS_REFLECTION);
    m_Manager.Draw(RENDER_PASS_MAIN);
    EXPECT_TRUE(g_RenderQueue.GetSprites().empty());
    EXPECT_EQ((Names{"A draw " + std::to_string(RENDER_PASS_REFLECTION), "A draw " + std::to_string(RENDER_PASS_MAIN)}),
              s_Calls);
}

// The shipped classes: checkpoint runs race the player, unknown names make
// nothing.
TEST_F(MissionManagerTest, ShippedClassesAreCreatedByNameAndTheRacesGetThePlayer)
{
    for (const char* name : {"3", "5", "6", "SaveMission", "Intro"})
        m_Dir.Write(std::string("Scripts/Mission/") + name + "Pre.txt", "MissionStartPos 1 2 3\n");
    for (const char* name : {"3", "5", "6", "SaveMission", "Intro"}) {
        SCOPED_TRACE(name);
        CMission* mission = m_Manager.CreateMission(name);
        ASSERT_NE(nullptr, mission);
        EXPECT_EQ(name, mission->GetName());
        auto* race = dynamic_cast<CCheckPointMission*>(mission);
        const bool racing = std::string(name) == "3" || std::string(name) == "6";
        EXPECT_EQ(racing, race != nullptr);
        if (race != nullptr) {
            EXPECT_EQ(std::vector<CGameActor*>{&m_Player}, race->GetRacers());
        }
    }
    for (const char* name : {"intro", "Credits", "4", ""})
        EXPECT_EQ(nullptr, m_Manager.CreateMission(name)) << name;
    EXPECT_EQ((Names{"3", "5", "6", "SaveMission", "Intro"}), ListedNames());
    EXPECT_EQ(m_Manager.GetMission(2), m_Manager.FindMission("6"));
    m_Manager.CreateMission("6");
    EXPECT_EQ(m_Manager.GetMission(2), m_Manager.FindMission("6")) << "the first listed";
    EXPECT_EQ(nullptr, m_Manager.FindMission("Credits"));
}

} // namespace
