// The introduction on the town's shipped ground with physics: the lizard-man
// guide its main script places, the cinema's first and last frames, the walk
// and the talks at the five stops with the player put where the test wants
// him, the job message and the win.

#include "Game/MissionIntro.h"

#include <algorithm>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/AIWorld.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Display/Camera.h"
#include "Display/Font2D.h"
#include "Game/Conversation.h"
#include "Game/ConversationManager.h"
#include "Game/HUD.h"
#include "Input/InputManager.h"
#include "Level/Level.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "support/FatalTrap.h"
#include "support/MatrixExpect.h"
#include "support/ScriptedController.h"

namespace {

const char* const START_SCRIPT = "Scripts/Mission/IntroPre.txt";
const char* const MAIN_SCRIPT = "Scripts/Mission/Intro.txt";
const char* const CINEMA_SCRIPT = "Scripts/Mission/IntroCinema.txt";
const float FRAME_SECONDS = AIWorld::FRAME_MILLISECONDS / 1000.0f;
// Where the introduction waits, and where its guide stands first.
const D3DXVECTOR3 INTRO_START(-62.0f, 0.5f, -58.0f);
const D3DXVECTOR3 GUIDE_START(-56.1f, 0.5f, -56.2f);
const D3DXVECTOR3 LEAVE_TARGET(-30.2f, 0.0f, -83.6f);
// Near: within the talking range of a guide at its stop; far: beyond the break-off range.
const float NEAR = 3.0f;
const float FAR = 25.0f;

std::string Matrix(const D3DXVECTOR3& at)
{
    return "1 0 0 0  0 1 0 0  0 0 1 0  " + std::to_string(at.x) + " " + std::to_string(at.y) + " " +
           std::to_string(at.z) + " 1";
}

const std::string GUIDE_LINE = "AIPedestrian Lizard Orientation " + Matrix(GUIDE_START) + "\n";

// Cell_Enter released on every frame while the test says so.
class EnterInput : public CConversationInput {
public:
    bool WasReleased(const char* action) const override
    {
        return m_bPressing && std::string(action) == "Cell_Enter";
    }
    bool m_bPressing = false;
};

class IntroMission : public AIWorld {
protected:
    void SetUp() override
    {
        SetUpShippedScene(INTRO_START.x, INTRO_START.z);
        SetPlayerActor(&g_Player);
        PlacePlayer(INTRO_START);
        m_Dir.Write(START_SCRIPT, "AINormalPed\nMissionStartPos -62 0.5 -58\nStartingRadius 3\n");
        std::filesystem::copy_file(std::string(KELM_GAME_DIR) + "/Scripts/Mission/Intro_Conv0.txt",
                                   m_Dir.Path() + "/Scripts/Mission/Intro_Conv0.txt");
        g_ConversationManager = CConversationManager();
        Window().SetConversation(nullptr, false);
        Window().SetInput(&m_Input);
        m_ContextDepth = g_InputManager.GetContextDepth();
        m_bHUDVisible = g_HUD.m_bVisible;
        m_pCamera = g_pActiveCamera;
    }
    void TearDown() override
    {
        Window().SetConversation(nullptr, false);
        Window().SetInput(nullptr);
        g_ConversationManager = CConversationManager();
        while (g_InputManager.GetContextDepth() > m_ContextDepth)
            g_InputManager.PopContext();
        g_HUD.m_bVisible = m_bHUDVisible;
        g_pActiveCamera = m_pCamera;
        AIWorld::TearDown();
    }

    static CConversationWindow& Window() { return g_HUD.m_ConversationWindow; }

    // Both scripts read as the manager reads them.
    void Load(CMissionIntro& intro, const std::string& main)
    {
        intro.LoadStartFile(START_SCRIPT);
        m_Dir.Write(MAIN_SCRIPT, main);
        intro.LoadMissionFile(MAIN_SCRIPT);
    }

    static void PlacePlayer(const D3DXVECTOR3& at)
    {
        g_Player.m_Model.SetPosition(&at);
        g_Player.m_Model.UpdateWorldMatrix();
    }

    static D3DXVECTOR3 GuidePosition(const CMissionIntro& intro)
    {
        return intro.GetGuide()->GetActor()->m_Model.m_vPosition;
    }

    // One frame of the world, the mission and the HUD's window.
    int Frame(CMissionIntro& intro)
    {
        m_pLevel->Update();
        const int result = intro.Update();
        Window().HandleInput();
        Window().Advance();
        return result;
    }

    // Frames until the start cinema has played and the step after it ran.
    void PlayCinema(CMissionIntro& intro)
    {
        for (int frame = 0; frame < 2; ++frame)
            Frame(intro);
    }

    EnterInput m_Input;
    size_t m_ContextDepth = 0;
    uint8_t m_bHUDVisible = 0;
    CCamera* m_pCamera = nullptr;
};

TEST_F(IntroMission, TheMainScriptPlacesTheGuideThePlayerTheCameraAndTheMessage)
{
    CGameActor* lizard = nullptr;
    g_AssetManager.GetAsset("Lizard", lizard, true);
    g_Player = *lizard;
    g_Player.UpdateCollision();
    g_Player.CreatePhysics();
    CCamera camera;
    ScriptedController controller;
    controller.m_pCamera = &camera;
    g_Player.m_pController = &controller;
    CMissionIntro intro;
    const D3DXVECTOR3 playerStart(-60.0f, 0.5f, -50.0f);
    Load(intro, "AIPedestrian Lizard SpawnOrientation 2 0 0 0  0 3 0 0  0 0 4 0  1 2 3 1\n"
                "    Orientation " + Matrix(GUIDE_START) + "\n"
                "    SpawnOrientation 0 0 -5 0  0 2 0 0  3 0 0 0  7 8 9 1\n"
                "PlayerStartOrientation " + Matrix(playerStart) + "\n"
                "PlayerStartAnimation Idle\nCameraStartAngle 0.35\n"
                "Text IntroMsg String Hello Position 0.1 0.05 Color 255 255 255 255 Visible 1\n"
                "UnlockMission 0\nUnlockExtra pistol\n");

    ASSERT_EQ(1u, intro.GetAgents().size());
    CAIControllerSet& guide = *intro.GetGuide();
    // The last spawn matrix, its axes of unit length.
    ExpectMatrixNear(D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 7, 8, 9, 1), guide.m_matWorld);
    EXPECT_EQ(std::list<CAIControllerSet*>{&guide}, m_pLevel->GetAgents());
    EXPECT_EQ(0, guide.m_u8RecyclingEnabled);
    EXPECT_EQ(1, guide.m_u8InUse);
    EXPECT_EQ(1, guide.m_u8PedActive);
    EXPECT_EQ(GUIDE_START, GuidePosition(intro));

    const NxVec3 body = g_Player.m_PhysicsObject.m_pActor->getGlobalPosition();
    EXPECT_NEAR(playerStart.x, body.x, 1e-4f);
    EXPECT_NEAR(playerStart.z, body.z, 1e-4f);
    ASSERT_NE(nullptr, g_Player.m_Model.GetAnimationName());
    EXPECT_STREQ("Idle", g_Player.m_Model.GetAnimationName());
    EXPECT_FLOAT_EQ(0.35f, camera.m_fVerticalAngle);
    EXPECT_STREQ("Hello", intro.GetMessage().GetString());
    EXPECT_EQ(&g_FontVerdana13, intro.GetMessage().GetFont());
    EXPECT_EQ((std::vector<std::string>{"0"}), intro.GetUnlockedMissions());
    EXPECT_EQ((std::vector<std::string>{"pistol"}), intro.GetUnlockedExtras());
    g_Player.m_pController = nullptr;

    intro.End();
    EXPECT_TRUE(m_pLevel->GetAgents().empty()) << "the level deleted the guide";
    EXPECT_TRUE(intro.GetAgents().empty());

    CMissionIntro unknown;
    EXPECT_FATAL(Load(unknown, GUIDE_LINE + "Bogus 1\n"), std::string("Mission failed to load\nin ") + MAIN_SCRIPT);
    CMissionIntro guideless;
    EXPECT_FATAL(Load(guideless, "PlayerStartAnimation Idle\n"), std::string("Mission failed to load\nin ") + MAIN_SCRIPT);
}

// The shipped script: the guide at the first stop facing where the player
// arrives, the player there facing east, the job's message and the unlocks.
TEST_F(IntroMission, TheShippedScriptPutsTheGuideAtTheFirstStopFacingThePlayersArrival)
{
    std::filesystem::copy_file(std::string(KELM_GAME_DIR) + "/Scripts/Mission/Intro.txt",
                               m_Dir.Path() + "/Scripts/Mission/Intro.txt");
    CMissionIntro intro;
    intro.LoadStartFile(START_SCRIPT);
    intro.LoadMissionFile(MAIN_SCRIPT);

    ASSERT_EQ(1u, intro.GetAgents().size());
    ExpectVectorNear(GUIDE_START, GuidePosition(intro), 1e-4f);
    const D3DXVECTOR3 toArrival = INTRO_START - GUIDE_START;
    const D3DXVECTOR3 facing = intro.GetGuide()->GetActor()->m_Model.m_vFacing;
    EXPECT_NEAR(1.0f, D3DXVec3Dot(&facing, &toArrival) / D3DXVec3Length(&toArrival), 1e-3f);
    ExpectVectorNear(INTRO_START, g_Player.m_Model.m_vPosition, 1e-4f);
    ExpectVectorNear(D3DXVECTOR3(1, 0, 0), g_Player.m_Model.m_vFacing, 1e-4f, "east");
    EXPECT_FLOAT_EQ(0.1f, intro.GetMessage().GetX());
    EXPECT_FLOAT_EQ(0.05f, intro.GetMessage().GetY());
    EXPECT_EQ(1u, intro.GetMessage().GetEffectCount()) << "its fade";
    EXPECT_FALSE(intro.GetVictorySound().empty());
    EXPECT_EQ((std::vector<std::string>{"0"}), intro.GetUnlockedMissions());
    EXPECT_EQ((std::vector<std::string>{"pistol"}), intro.GetUnlockedExtras());
    intro.End();
}

// The player watches the cinema with the controls held and no HUD; play
// comes back on the frame after it ends.
TEST_F(IntroMission, TheCinemaHoldsTheControlsAndHidesTheHUDUntilItsEnd)
{
    m_Dir.Write(CINEMA_SCRIPT, "at 0 camera pos = xyz(1, 2, 3)\nat 0.5 cinema end\n");
    m_Dir.Write(START_SCRIPT, "MissionStartPos -62 0.5 -58\nMissionStartCinema Scripts\\Mission\\IntroCinema.txt\n");
    CMissionIntro intro;
    intro.LoadStartFile(START_SCRIPT);
    m_Dir.Write(MAIN_SCRIPT, GUIDE_LINE);
    intro.LoadMissionFile(MAIN_SCRIPT);
    g_HUD.m_bVisible = 1;

    EXPECT_EQ(CMission::MISSION_RUNNING, Frame(intro));
    EXPECT_EQ(CInputManager::CONTEXT_HELD, g_InputManager.GetCurrentContext());
    EXPECT_EQ(m_ContextDepth + 1, g_InputManager.GetContextDepth());
    EXPECT_EQ(0, g_HUD.m_bVisible);
    EXPECT_EQ(&g_CinemaCamera, g_pActiveCamera);
    ASSERT_EQ(CMissionIntro::WAYPOINT_COUNT, static_cast<int>(intro.GetWaypoints().size()));
    EXPECT_FLOAT_EQ(-41.55f, intro.GetWaypoints()[1].x);
    EXPECT_FLOAT_EQ(GuidePosition(intro).y, intro.GetWaypoints()[4].y) << "at the guide's height";
    EXPECT_FLOAT_EQ(1.0f, intro.GetGuide()->GetPedController()->GetArrivalRadiusSq());

    int frames = 1;
    while (intro.GetStartCinema().IsRunning() && frames < 100) {
        Frame(intro);
        ++frames;
        EXPECT_EQ(0, g_HUD.m_bVisible);
    }
    EXPECT_EQ(CInputManager::CONTEXT_HELD, g_InputManager.GetCurrentContext()) << "the cinema's last frame";
    Frame(intro);
    EXPECT_EQ(CInputManager::CONTEXT_PLAY, g_InputManager.GetCurrentContext());
    EXPECT_EQ(m_ContextDepth + 2, g_InputManager.GetContextDepth());
    EXPECT_EQ(1, g_HUD.m_bVisible);
    EXPECT_EQ(&g_GameCamera, g_pActiveCamera);
    intro.End();
}

enum Action {
    // The player stands this near the guide's stop, or this far from it.
    PLAYER_NEAR,
    PLAYER_FAR,
    // Return until the branch changes, or until the window lets the talk go.
    ANSWER,
    TALK_TO_THE_END,
    // The player keeps beside the guide's next stop until the guide talks there.
    FOLLOW,
};

struct TalkStep {
    const char* m_Name;
    Action m_Action;
    // The branch the window shows afterwards; null for no talk in the window.
    const char* m_Branch;
    bool m_bTalking;
    bool m_bInterrupted;
    bool m_bResumed;
    int m_iWaypoint;
};

const TalkStep TIMELINE[] = {
    {"the player meets the guide", PLAYER_NEAR, "Greeting", true, false, false, 0},
    {"walks away: the greeting keeps its state", PLAYER_FAR, nullptr, true, true, false, 0},
    {"comes back", PLAYER_NEAR, "Greeting", true, false, true, 0},
    {"ends the resumed talk: the guide waits", TALK_TO_THE_END, nullptr, true, false, true, 0},
    {"walks away after it", PLAYER_FAR, nullptr, false, false, false, 0},
    {"comes back: the next talk", PLAYER_NEAR, "StartArea", true, false, false, 0},
    {"ends it: the guide walks on", TALK_TO_THE_END, nullptr, false, false, false, 1},
    {"follows to the weapons", FOLLOW, "Weapons", true, false, false, 1},
    {"answers", ANSWER, "Advice", true, false, false, 1},
    {"walks away where the branch has no interrupt state", PLAYER_FAR, nullptr, true, true, false, 1},
    {"comes back: the talk went on to its change of state", PLAYER_NEAR, "Truck", true, false, true, 1},
    {"ends the resumed talk", TALK_TO_THE_END, nullptr, true, false, true, 1},
    {"walks away", PLAYER_FAR, nullptr, false, false, false, 1},
    {"comes back", PLAYER_NEAR, "Goodbye", true, false, false, 1},
    {"ends it", TALK_TO_THE_END, nullptr, false, false, false, 2},
    {"follows to the third stop", FOLLOW, "Goodbye", true, false, false, 2},
    {"ends it", TALK_TO_THE_END, nullptr, false, false, false, 3},
    {"follows to the fourth stop", FOLLOW, "Goodbye", true, false, false, 3},
    {"ends it", TALK_TO_THE_END, nullptr, false, false, false, 4},
    {"follows to the last stop", FOLLOW, "Goodbye", true, false, false, 4},
};

// Some seconds of frames at most for one step.
const int STEP_FRAMES = static_cast<int>(30.0f / FRAME_SECONDS);

TEST_F(IntroMission, TheGuideTalksAtEachStopBreaksOffResumesGivesTheJobAndLeaves)
{
    CMissionIntro intro;
    Load(intro, GUIDE_LINE + "Text IntroMsg Position 0.1 0.05 Color 255 255 255 255 Visible 1\n");
    PlayCinema(intro);
    const std::vector<D3DXVECTOR3>& stops = intro.GetWaypoints();
    const auto stopOffset = [&](float distance) {
        const D3DXVECTOR3& stop = stops[static_cast<size_t>(intro.GetWaypointIndex())];
        return stop + D3DXVECTOR3(distance, 0.0f, 0.0f);
    };
    const auto branch = [] {
        const CConversation* talk = Window().m_pConversation;
        return talk != nullptr && talk->GetCurrentBranch() != nullptr ? talk->GetCurrentBranch()->m_Name : "";
    };

    for (const TalkStep& step : TIMELINE) {
        SCOPED_TRACE(step.m_Name);
        const std::string before = branch();
        for (int frame = 0; frame < STEP_FRAMES; ++frame) {
            m_Input.m_bPressing = false;
            if (step.m_Action == PLAYER_NEAR || step.m_Action == FOLLOW)
                PlacePlayer(stopOffset(NEAR));
            if (step.m_Action == PLAYER_FAR)
                PlacePlayer(stopOffset(FAR));
            if (step.m_Action == ANSWER || step.m_Action == TALK_TO_THE_END)
                m_Input.m_bPressing = frame % 2 == 0;
            ASSERT_EQ(CMission::MISSION_RUNNING, Frame(intro));
            const bool done = step.m_Action == ANSWER          ? branch() != before
                              : step.m_Action == TALK_TO_THE_END ? Window().m_pConversation == nullptr
                              : step.m_Action == FOLLOW          ? Window().m_pConversation != nullptr
                                                                 : frame >= 2;
            // The mission sees what the window did on its next frame.
            if (done) {
                m_Input.m_bPressing = false;
                ASSERT_EQ(CMission::MISSION_RUNNING, Frame(intro));
                break;
            }
        }
        m_Input.m_bPressing = false;
        EXPECT_EQ(step.m_Branch != nullptr ? step.m_Branch : "", branch());
        EXPECT_EQ(step.m_bTalking, intro.IsTalking());
        EXPECT_EQ(step.m_bInterrupted, intro.IsInterrupted());
        EXPECT_EQ(step.m_bResumed, intro.IsResumed());
        EXPECT_EQ(step.m_iWaypoint, intro.GetWaypointIndex());
        if (step.m_Action == FOLLOW) {
            const D3DXVECTOR3 offStop = GuidePosition(intro) - stops[static_cast<size_t>(step.m_iWaypoint)];
            EXPECT_LE(D3DXVec3Length(&offStop), CMissionIntro::ARRIVAL_RADIUS) << "the guide talks at its stop";
        }
    }

    // The last talk ends: the job.
    for (int frame = 0; frame < STEP_FRAMES && Window().m_pConversation != nullptr; ++frame) {
        m_Input.m_bPressing = frame % 2 == 0;
        Frame(intro);
    }
    m_Input.m_bPressing = false;
    for (int frame = 0; frame < 2; ++frame)
        ASSERT_EQ(CMission::MISSION_RUNNING, Frame(intro));
    EXPECT_EQ(CMissionIntro::STEP_LEAVE, intro.GetStep());
    EXPECT_STREQ("          You got a job!\nYou should deliver the package\n    already in the truck.",
                 intro.GetMessage().GetString());
    const D3DXVECTOR3* target = intro.GetGuide()->GetPedController()->GetTarget();
    ASSERT_NE(nullptr, target);
    EXPECT_FLOAT_EQ(LEAVE_TARGET.x, target->x);
    EXPECT_FLOAT_EQ(LEAVE_TARGET.z, target->z);

    // Won 5 s after the job, not before.
    int frames = 1;
    int result = CMission::MISSION_RUNNING;
    while (result == CMission::MISSION_RUNNING && frames < STEP_FRAMES) {
        result = Frame(intro);
        ++frames;
    }
    EXPECT_EQ(CMission::MISSION_WON, result);
    EXPECT_NEAR(CMissionIntro::LEAVE_TIME / FRAME_SECONDS, static_cast<float>(frames), 3.0f);
    EXPECT_TRUE(intro.IsFinished());

    // The town's own pedestrians may have come by meanwhile; the guide is gone.
    const CAIControllerSet* guide = intro.GetGuide();
    intro.End();
    const std::list<CAIControllerSet*>& agents = m_pLevel->GetAgents();
    EXPECT_EQ(agents.end(), std::find(agents.begin(), agents.end(), guide));
}

} // namespace
