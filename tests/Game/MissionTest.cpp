#include "Game/Mission.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Game/CheckPointMission.h"
#include "Game/MissionIntro.h"
#include "Game/MissionManager.h"
#include "Game/SaveMission.h"
#include "Game/ScriptFolderFixture.h"
#include "support/FatalTrap.h"

namespace {

const char* const START_SCRIPT = "Scripts/Mission/TestPre.txt";

// The effect "Marker" filed.
class MissionTest : public ScriptFolderFixture {
protected:
    MissionTest()
    {
        auto* marker = new CEffect();
        EXPECT_TRUE(marker->Compile("EffectSystem \"Marker\" 1.0\n{\n}\n")) << marker->GetStatus();
        File(marker, "Marker");
    }

    // The start script `text`, read into `mission`.
    void Load(CMission& mission, const std::string& text)
    {
        m_Dir.Write(START_SCRIPT, text);
        mission.LoadStartFile(START_SCRIPT);
    }
};

struct StartScriptCase {
    const char* m_Text;
    D3DXVECTOR3 m_Position;
    float m_fRadius;
    const char* m_MainScript;
    const char* m_Cinema;
};

// Keywords ignore case; values stand as written; an empty script leaves the
// mission waiting at the origin with radius 0.
const StartScriptCase START_SCRIPT_CASES[] = {
    {"", D3DXVECTOR3(0, 0, 0), 0.0f, "", ""},
    {"; where the mission waits\n", D3DXVECTOR3(0, 0, 0), 0.0f, "", ""},
    {"MissionStartPos 300 0.5 -110", D3DXVECTOR3(300, 0.5f, -110), 0.0f, "", ""},
    {"missionstartpos: 1, 2, 3\nStartingRadius 4.5", D3DXVECTOR3(1, 2, 3), 4.5f, "", ""},
    {"MissionStartFile Scripts\\Mission\\3.txt", D3DXVECTOR3(0, 0, 0), 0.0f, "Scripts\\Mission\\3.txt", ""},
    {"MISSIONSTARTCINEMA Scripts\\Cinema\\Intro.txt ; read when the mission begins", D3DXVECTOR3(0, 0, 0), 0.0f,
     "", "Scripts\\Cinema\\Intro.txt"},
};

TEST_F(MissionTest, StartScriptKeywordsSetTheStartPointTheRadiusAndThePaths)
{
    for (const StartScriptCase& test : START_SCRIPT_CASES) {
        SCOPED_TRACE(test.m_Text);
        CMission mission;
        Load(mission, test.m_Text);
        EXPECT_EQ(test.m_Position, mission.GetStartPosition());
        EXPECT_FLOAT_EQ(test.m_fRadius, mission.GetStartingRadius());
        EXPECT_EQ(test.m_MainScript, mission.GetMainScript());
        EXPECT_EQ(test.m_Cinema, mission.GetStartCinema());
        EXPECT_FALSE(mission.GetStartEffect().m_u8Running);
    }
}

// The marker takes the start point as it was when its keyword was read.
TEST_F(MissionTest, TheStartLocationEffectIsACopyStartedWhereTheMissionWaits)
{
    CMission mission;
    Load(mission, "MissionStartPos 10 0 20\nStartLocationEffect Marker\nMissionStartPos 30 0 40\n");
    const CEffect* prototype = Filed<CEffect>("Marker");
    const CEffect& marker = mission.GetStartEffect();
    EXPECT_EQ(prototype->GetEvents(), marker.GetEvents()) << "a copy of the prototype";
    EXPECT_TRUE(marker.m_u8Running);
    EXPECT_FALSE(prototype->m_u8Running);
    EXPECT_EQ(D3DXVECTOR3(30, 0, 40), mission.GetStartPosition());
    const D3DXMATRIX& placed = mission.GetStartEffectMatrix();
    EXPECT_EQ(D3DXVECTOR3(10, 0, 20), D3DXVECTOR3(placed._41, placed._42, placed._43));

    CMission missing;
    EXPECT_FATAL(Load(missing, "StartLocationEffect Nothing"),
                 std::string("Unable to find asset \"Nothing\" of type <CEffect>\nin ") + START_SCRIPT);
}

struct FailingScriptCase {
    const char* m_Text;
    const char* m_Why;
};

const FailingScriptCase FAILING_SCRIPTS[] = {
    {"MissionStartPos 1 2 3\nTimeRatio 0.5\n", "a main script keyword"},
    {"Bogus", "an unknown word"},
    {"StartingRadius 4 5", "a value too many"},
    {"AINormalPed", "the introduction's word in another mission"},
};

TEST_F(MissionTest, AWordNoMissionClassTakesStopsTheGameNamingTheScript)
{
    for (const FailingScriptCase& test : FAILING_SCRIPTS) {
        SCOPED_TRACE(test.m_Why);
        CMission mission;
        EXPECT_FATAL(Load(mission, test.m_Text), std::string("Mission failed to load\nin ") + START_SCRIPT);
    }
    CMission mission;
    EXPECT_FATAL(mission.LoadStartFile("Scripts/Mission/MissingPre.txt"),
                 "Mission failed to load\nin Scripts/Mission/MissingPre.txt");
}

TEST_F(MissionTest, TheIntroductionTakesAINormalPedBeforeAnyKeyword)
{
    CMissionIntro intro;
    Load(intro, "AINormalPed MissionStartPos 1 2 3 ainormalped StartingRadius 2 AINormalPed");
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), intro.GetStartPosition());
    EXPECT_FLOAT_EQ(2.0f, intro.GetStartingRadius());

    CMissionIntro failing;
    EXPECT_FATAL(Load(failing, "AINormalPed Bogus"), std::string("Mission failed to load\nin ") + START_SCRIPT);
}

TEST_F(MissionTest, TheManagerCreatesTheSavePointAndTheIntroductionFromTheirStartScripts)
{
    m_Dir.Write("Scripts/Mission/SaveMissionPre.txt", "MissionStartPos 380 0 170\nStartingRadius 1.5\n");
    m_Dir.Write("Scripts/Mission/IntroPre.txt", "AINormalPed\nMissionStartPos 362 0 172\n");
    CMissionManager manager;
    CMission* save = manager.CreateMission("SaveMission");
    CMission* intro = manager.CreateMission("Intro");
    EXPECT_EQ(nullptr, manager.CreateMission("saveMission")) << "names compare exactly";
    EXPECT_EQ(nullptr, manager.CreateMission("3"));
    EXPECT_EQ(nullptr, manager.CreateMission(""));

    ASSERT_EQ(2u, manager.GetMissionCount());
    EXPECT_EQ(save, manager.GetMission(0));
    EXPECT_EQ(intro, manager.GetMission(1));
    EXPECT_NE(nullptr, dynamic_cast<CSaveMission*>(save));
    EXPECT_NE(nullptr, dynamic_cast<CMissionIntro*>(intro));
    EXPECT_EQ("SaveMission", save->GetName());
    EXPECT_EQ("Intro", intro->GetName());
    EXPECT_EQ(D3DXVECTOR3(380, 0, 170), save->GetStartPosition());
    EXPECT_EQ(D3DXVECTOR3(362, 0, 172), intro->GetStartPosition());
    EXPECT_EQ(nullptr, manager.GetCurrentMission()) << "missions wait";

    m_Dir.Write("Scripts/Mission/IntroPre.txt", "Bogus");
    EXPECT_FATAL(manager.CreateMission("Intro"), "Mission failed to load\nin Scripts\\Mission\\IntroPre.txt");
    EXPECT_EQ(2u, manager.GetMissionCount()) << "a mission that fails to load is not listed";
    manager.Clear();
    EXPECT_EQ(0u, manager.GetMissionCount());
}

TEST_F(MissionTest, ACheckpointRunGivenThePlayerRacesIt)
{
    m_Dir.Write("Scripts/Mission/6Pre.txt", "MissionStartPos 470 0 100\n");
    CGameActor player;
    CMissionManager manager;
    auto run = std::make_unique<CTimedCheckPointMission>();
    run->SetPlayer(&player);
    CMission* added = manager.AddMission(std::move(run), "6");
    auto* timed = dynamic_cast<CTimedCheckPointMission*>(added);
    ASSERT_NE(nullptr, timed);
    EXPECT_EQ("6", timed->GetName());
    EXPECT_EQ(&player, timed->GetPlayer());
    EXPECT_EQ(std::vector<CGameActor*>{&player}, timed->GetRacers());
    EXPECT_EQ(D3DXVECTOR3(470, 0, 100), timed->GetStartPosition());
}

} // namespace
