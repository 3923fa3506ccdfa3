// The introduction in the whole game on the shipped content, on a steady
// 16 ms frame with SDL keys: New Game, clicked, puts the player where it waits and its
// cinema plays with the controls held and no HUD; then the guide walks the
// five stops and talks at each, Return paging and answering. At the first
// stop the player walks off mid-talk and comes back to resume it. After the
// job message the introduction is won and mission 0 waits. Between the
// stops the test steps the player beside the guide's next one.

#include <algorithm>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Game.h"
#include "Core/Window.h"
#include "Display/Camera.h"
#include "Game/Conversation.h"
#include "Game/Extras.h"
#include "Game/HUD.h"
#include "Game/MissionIntro.h"
#include "Game/MissionManager.h"
#include "Input/InputManager.h"
#include "Input/InGameMouse.h"
#include "Level/Level.h"
#include "platform/novodex/NxActor.h"
#include "platform/win32/Windows.h"
#include "support/FrameTime.h"
#include "support/GameFolderCopy.h"
#include "support/MenuSpots.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"
#include "support/StagedPlay.h"

namespace {

const uint32_t FRAME_MS = 16;
const int LAST_FRAME = 9000;
// A key is held this many frames, then up as long.
const int PRESS_FRAMES = 6;
// The front end gives up on New Game after this many frames.
const int FRONT_END_FRAMES = 120;
// Near: within talking range of the guide at a stop; far: past the break-off range.
const float NEAR = 3.0f;
const float FAR = 25.0f;

struct Seen {
    bool cinemaHeld = false;
    bool cinemaHidHUD = false;
    bool playAfterCinema = false;
    std::vector<std::string> talks;
    bool brokenOff = false;
    bool resumed = false;
    int stopsTalkedAt = 0;
    std::string jobMessage;
    // Frames the mission ran after giving the job.
    int leaveFrames = 0;
    bool won = false;
    std::vector<std::string> listedAtEnd;
};

Seen s_Seen;

CMissionIntro* Intro()
{
    return dynamic_cast<CMissionIntro*>(g_MissionManager.GetCurrentMission());
}

CConversationWindow& Window()
{
    return g_HUD.m_ConversationWindow;
}

std::string Branch()
{
    const CConversation* talk = Window().m_pConversation;
    return talk != nullptr && talk->GetCurrentBranch() != nullptr ? talk->GetCurrentBranch()->m_Name : "";
}

// The player standing `distance` east of the guide's next stop.
void StepBesideTheStop(float distance)
{
    const CMissionIntro* intro = Intro();
    if (intro == nullptr || intro->GetWaypointIndex() >= static_cast<int>(intro->GetWaypoints().size()))
        return;
    const D3DXVECTOR3 at =
        intro->GetWaypoints()[static_cast<size_t>(intro->GetWaypointIndex())] + D3DXVECTOR3(distance, 0.0f, 0.0f);
    CGameActor& player = *g_PlayerActor;
    player.m_Model.SetPosition(&at);
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
    // Put there every frame, the body must not gather speed meanwhile.
    if (NxActor* body = player.m_PhysicsObject.m_pActor)
        body->setLinearVelocity(NxVec3(0.0f, 0.0f, 0.0f));
}

// Every agent but the introduction's guide is unlinked on the level's next
// update, with the car it drives.
void SendThePopulationAway()
{
    const CMissionIntro* intro = Intro();
    const CAIControllerSet* guide = intro != nullptr ? intro->GetGuide() : nullptr;
    for (CAIControllerSet* agent : g_pLevel->GetAgents()) {
        if (agent == guide)
            continue;
        if (CCar* car = agent->GetCar())
            car->m_bRemoved = true;
        agent->m_u8RecycleRequested = 1;
    }
}

// Presses Return at the start of each round of 2 x PRESS_FRAMES frames.
void TapReturn(int frame)
{
    if (frame % (2 * PRESS_FRAMES) == 0)
        PushKey(SDL_SCANCODE_RETURN, true);
    if (frame % (2 * PRESS_FRAMES) == PRESS_FRAMES)
        PushKey(SDL_SCANCODE_RETURN, false);
}

// The job message as it is given, and the frames from then on.
void WatchTheJob()
{
    const CMissionIntro* intro = Intro();
    if (intro == nullptr || intro->GetStep() != CMissionIntro::STEP_LEAVE)
        return;
    if (s_Seen.leaveFrames++ == 0)
        s_Seen.jobMessage = intro->GetMessage().GetString();
}

// Return until the window has let the talk go, with the key up again.
bool TalkToTheEnd(int frame)
{
    WatchTheJob();
    if (Window().m_pConversation != nullptr || frame % (2 * PRESS_FRAMES) < PRESS_FRAMES) {
        TapReturn(frame);
        return false;
    }
    return true;
}

bool StartTalk(int frame)
{
    (void)frame;
    StepBesideTheStop(NEAR);
    if (Window().m_pConversation == nullptr)
        return false;
    s_Seen.talks.push_back(Branch());
    return true;
}

const std::vector<PlayStage>& Stages()
{
    static const std::vector<PlayStage> stages = {
        // The pool places nobody from now on, and the walkers and traffic
        // it placed around the start while New Game was clicked go: a car
        // must not carry the player or the guide off mid-talk.
        {1,
         [](int) {
             QuietThePool();
             SendThePopulationAway();
             return true;
         }},
        {60,
         [](int) {
             if (Intro() == nullptr || !Intro()->GetStartCinema().IsRunning())
                 return false;
             s_Seen.cinemaHeld = g_InputManager.GetCurrentContext() == CInputManager::CONTEXT_HELD;
             s_Seen.cinemaHidHUD = g_HUD.m_bVisible == 0 && g_pActiveCamera == &g_CinemaCamera;
             return true;
         }},
        {700,
         [](int) {
             if (Intro() == nullptr || Intro()->GetStartCinema().IsRunning() || g_HUD.m_bVisible == 0)
                 return false;
             s_Seen.playAfterCinema = g_InputManager.GetCurrentContext() == CInputManager::CONTEXT_PLAY &&
                                      g_pActiveCamera == &g_GameCamera;
             return true;
         }},
        // The guide greets the player where he arrives.
        {120, StartTalk},
        // The player walks off mid-talk, and comes back.
        {60,
         [](int) {
             StepBesideTheStop(FAR);
             s_Seen.brokenOff = Window().m_pConversation == nullptr && Intro() != nullptr && Intro()->IsInterrupted();
             return s_Seen.brokenOff;
         }},
        {60,
         [](int frame) {
             if (!StartTalk(frame))
                 return false;
             s_Seen.resumed = Intro()->IsResumed();
             return true;
         }},
        {1200, TalkToTheEnd},
        // A resumed talk waits until the player has been away: the next talk then starts at the same stop.
        {60,
         [](int) {
             StepBesideTheStop(FAR);
             return Intro() != nullptr && !Intro()->IsTalking();
         }},
        {120, StartTalk},
        {1200, TalkToTheEnd},
        // The guide walks each stop on; the player meets him there.
        {1500, StartTalk},
        {1200, TalkToTheEnd},
        {1500, StartTalk},
        {1200, TalkToTheEnd},
        {1500, StartTalk},
        {1200, TalkToTheEnd},
        {1500, StartTalk},
        {1200, TalkToTheEnd},
        {600,
         [](int) {
             const CMissionIntro* intro = Intro();
             if (intro != nullptr) {
                 s_Seen.stopsTalkedAt = intro->GetWaypointIndex();
                 WatchTheJob();
                 return false;
             }
             s_Seen.won = true;
             for (size_t i = 0; i < g_MissionManager.GetMissionCount(); ++i)
                 s_Seen.listedAtEnd.push_back(g_MissionManager.GetMission(i)->GetName());
             return true;
         }},
    };
    return stages;
}

ScreenState s_Play = nullptr;
int s_FrontEndFrame = 0;

// The main menu's New Game clicked, as a player clicks it; play then runs the stages.
int ClickNewGame()
{
    SetFrameTime(FRAME_MS);
    ++s_FrontEndFrame;
    const float newGame[2] = {MainMenuSpots::NEW_GAME.x, MainMenuSpots::NEW_GAME.y};
    g_InGameMouse.SetPosition(newGame);
    if (s_FrontEndFrame == 2 || s_FrontEndFrame == 3)
        PushButton(SDL_BUTTON_LEFT, s_FrontEndFrame == 2);
    FrontEndState();
    if (g_Game.GetCurrentState() == InGameState)
        g_Game.PushState(s_Play);
    else if (s_FrontEndFrame == FRONT_END_FRAMES)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

TEST(GameIntroTest, TheGuideWalksTheFiveStopsTalksResumesAndGivesTheJob)
{
    GameFolderCopy dir;
    s_Seen = Seen();
    int stagesEnded = 0;
    s_Play = StagedPlay(Stages(), FRAME_MS, LAST_FRAME, stagesEnded);
    s_FrontEndFrame = 0;
    EXPECT_EQ(0, RunGameScripted(ClickNewGame));
    EXPECT_EQ(static_cast<int>(Stages().size()), stagesEnded) << "every stage ran to its end";

    EXPECT_TRUE(s_Seen.cinemaHeld) << "no control while the cinema plays";
    EXPECT_TRUE(s_Seen.cinemaHidHUD);
    EXPECT_TRUE(s_Seen.playAfterCinema);
    EXPECT_EQ((std::vector<std::string>{"Greeting", "Greeting", "StartArea", "Weapons", "Truck", "Goodbye",
                                        "Goodbye"}),
              s_Seen.talks);
    EXPECT_TRUE(s_Seen.brokenOff);
    EXPECT_TRUE(s_Seen.resumed);
    EXPECT_EQ(CMissionIntro::WAYPOINT_COUNT, s_Seen.stopsTalkedAt);
    EXPECT_EQ("          You got a job!\nYou should deliver the package\n    already in the truck.",
              s_Seen.jobMessage);
    EXPECT_TRUE(s_Seen.won);
    EXPECT_NEAR(CMissionIntro::LEAVE_TIME * 1000.0f / FRAME_MS, static_cast<float>(s_Seen.leaveFrames), 2.0f);
    const std::vector<std::string>& listed = s_Seen.listedAtEnd;
    EXPECT_EQ(1, std::count(listed.begin(), listed.end(), "0")) << "mission 0 waits";
    EXPECT_EQ(0, std::count(listed.begin(), listed.end(), "Intro"));
    EXPECT_EQ(1, std::count(g_UnlockedExtras.begin(), g_UnlockedExtras.end(), "pistol"));
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
}

} // namespace
