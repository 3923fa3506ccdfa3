// The developer console in the whole game: the start-up script has run, and
// in play the player drops the console with the grave accent key, types
// lines with SDL key events and runs them; the developer scripts run on the
// shipped town; a typed SET QUIT ends the game.

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "App/Application.h"
#include "Console/Console.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Menu/MenuManager.h"
#include "support/FrameTime.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"

namespace {

// The input is read at the start of the frame after a key's events: a key
// let go one frame after its press is down for exactly one frame, however
// long that frame takes, so it never repeats or closes the console again.
const int FRAMES_PER_KEY = 3;
const int HELD_FRAMES = 1;
// A game that never quits is closed after this many frames.
const int LAST_FRAME = 1500;
// The town square, where TOWNSQUARE.TXT puts the player.
const float SQUARE_MIN_X = 270.0f;
const float SQUARE_MAX_X = 490.0f;
const float SQUARE_MIN_Z = 80.0f;
const float SQUARE_MAX_Z = 300.0f;

// What the test's play saw.
struct Seen {
    int frame = 0;
    std::vector<std::string> startUpLines;
    bool openedByKey = false;
    bool moved = false;
    D3DXVECTOR3 movedTo;
    D3DXVECTOR3 onSquare;
    size_t carsBefore = 0;
    size_t carsAfter = 0;
    D3DXVECTOR3 carAt;
    float paintRed = 0.0f;
    bool quitTyped = false;
};

Seen s_Seen;
std::vector<SDL_Scancode> s_Keys;
int s_TypingFrom = 0;

// Into play as New Game goes there, this state kept on top.
void EnterPlay()
{
    const CLineRing& output = g_Console.GetOutput();
    for (int32_t i = 0; i <= output.GetCurrentIndex(); ++i)
        s_Seen.startUpLines.push_back(output.Line(i));
    g_Game.EnterPlay();
    g_Game.PopState();
    g_MenuManager.PopScreen();
}

bool Printed(const std::string& text)
{
    const CLineRing& output = g_Console.GetOutput();
    for (int32_t i = 0; i < CLineRing::LINE_COUNT; ++i)
        if (output.Line(i) == text)
            return true;
    return false;
}

// The developer scripts, run as if typed, once the typed SETPOS has moved
// the player.
void RunDeveloperScripts()
{
    g_Console.RunLine("SCRIPT TOWNSQUARE.TXT");
    s_Seen.onSquare = g_Player.m_Model.m_vPosition;
    s_Seen.carsBefore = g_pLevel->GetActiveCars().size();
    g_Console.RunLine("SCRIPT CARAHEAD.TXT");
    s_Seen.carsAfter = g_pLevel->GetActiveCars().size();
    const CCar* car = g_pLevel->GetActiveCars().back();
    s_Seen.carAt = D3DXVECTOR3(car->m_matSpawn._41, car->m_matSpawn._42, car->m_matSpawn._43);
    s_Seen.paintRed = CCarColorTable::Current()->GetWorking().Diffuse.r;
}

// Types the queued keys, one every few frames, once the frame timer runs:
// until it has timed its first frames it gives 0 s, and a key held for no
// time types nothing.
void Type()
{
    if (s_TypingFrom == 0 && g_FrameTimer.GetFrameTime() > 0.0f)
        s_TypingFrom = s_Seen.frame;
    if (s_TypingFrom == 0)
        return;
    const int typing = s_Seen.frame - s_TypingFrom;
    const int step = typing / FRAMES_PER_KEY;
    const int phase = typing % FRAMES_PER_KEY;
    if (step >= static_cast<int>(s_Keys.size()))
        return;
    if (phase == 0)
        PushKey(s_Keys[static_cast<size_t>(step)], true);
    if (phase == HELD_FRAMES)
        PushKey(s_Keys[static_cast<size_t>(step)], false);
}

// The whole game in a copy of the game folder, `play` in the front end's
// place: the grave key opens the console and `lines` are typed into it;
// the grave key closes it again when asked, so that play takes the input.
int PlayTyping(std::initializer_list<const char*> lines, ScreenState play, bool closeConsole = false)
{
    GameFolderCopy dir;
    s_Seen = Seen();
    s_Keys = {SDL_SCANCODE_GRAVE};
    s_TypingFrom = 0;
    for (const char* line : lines) {
        const std::vector<SDL_Scancode> keys = LineKeys(line);
        s_Keys.insert(s_Keys.end(), keys.begin(), keys.end());
    }
    if (closeConsole)
        s_Keys.push_back(SDL_SCANCODE_GRAVE);
    return RunGameScripted(play);
}

int ScriptedPlay()
{
    ++s_Seen.frame;
    if (s_Seen.frame == 1)
        EnterPlay();
    Type();
    InGameState();
    s_Seen.openedByKey = s_Seen.openedByKey || g_Console.IsOpen();
    if (!s_Seen.moved && Printed("SETPOS set successfully")) {
        s_Seen.moved = true;
        s_Seen.movedTo = g_Player.m_Model.m_vPosition;
        RunDeveloperScripts();
    }
    s_Seen.quitTyped = Printed("QUIT set successfully");
    if (s_Seen.frame == LAST_FRAME)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

TEST(GameConsoleTest, TheGraveKeyOpensTheConsoleWhoseTypedLinesMoveThePlayerAndQuit)
{
    EXPECT_EQ(0, PlayTyping({"set setpos 10 20 30", "set quit"}, ScriptedPlay));

    EXPECT_EQ((std::vector<std::string>{"", "SET PHYSICS 1", "PHYSICS set successfully", "SET DEBUGMODE 0",
                                        "DEBUGMODE set successfully", ""}),
              s_Seen.startUpLines)
        << "the start-up script ran before play";
    EXPECT_TRUE(s_Seen.openedByKey);
    ASSERT_TRUE(s_Seen.moved);
    // The frame that ran the line went on to step the player's body.
    EXPECT_NEAR(10.0f, s_Seen.movedTo.x, 0.01f);
    EXPECT_NEAR(20.0f, s_Seen.movedTo.y, 1.0f);
    EXPECT_NEAR(30.0f, s_Seen.movedTo.z, 0.01f);
    EXPECT_TRUE(s_Seen.quitTyped);
    EXPECT_LT(s_Seen.frame, LAST_FRAME) << "SET QUIT ended the game";

    EXPECT_GE(s_Seen.onSquare.x, SQUARE_MIN_X);
    EXPECT_LE(s_Seen.onSquare.x, SQUARE_MAX_X);
    EXPECT_GE(s_Seen.onSquare.z, SQUARE_MIN_Z);
    EXPECT_LE(s_Seen.onSquare.z, SQUARE_MAX_Z);
    EXPECT_EQ(s_Seen.carsBefore + 1, s_Seen.carsAfter) << "CARAHEAD.TXT spawned a car";
    const D3DXVECTOR3 gap = s_Seen.carAt - s_Seen.onSquare;
    EXPECT_NEAR(5.0f, std::hypot(gap.x, gap.z), 0.01f) << "ahead of the player";
    EXPECT_FLOAT_EQ(0.8f, s_Seen.paintRed) << "and painted";
}

// The AI's runs take a steady frame, so that their seconds are the game's.
const uint32_t STEADY_FRAME_MS = 20;
const int STEADY_FRAMES_PER_SECOND = 1000 / STEADY_FRAME_MS;
const int STEADY_LAST_FRAME = 60 * STEADY_FRAMES_PER_SECOND;

// A car spawned from the console on road node 0 of the town, sent along
// its lane to node 1 (then on to 2 and 3), then told to idle.
const size_t ROUTE[] = {1, 2, 3};

struct Traffic {
    // The frame the car was sent off, and the frame it passed the route's end.
    int sentAt = 0;
    int passedAt = 0;
    int idleAt = 0;
    int restingAt = 0;
    std::vector<size_t> passed;
    const cRoadnode* heading = nullptr;
};

Traffic s_Traffic;

size_t RoadIndex(const cRoadnode* node)
{
    for (size_t n = 0; n < g_RoadNodes.GetNodeCount(); ++n)
        if (g_RoadNodes.GetNode(n) == node)
            return n;
    return g_RoadNodes.GetNodeCount();
}

// The nodes the console's car has driven past, in order; true once it rests.
bool FollowSpawnedCar()
{
    if (g_pLevel->GetAgents().empty())
        return false;
    const CAIControllerSet& agent = *g_pLevel->GetAgents().back();
    const CNormalCarController& driver = *agent.GetCarController();
    const cRoadnode* node = driver.GetNavigation().m_pNode;
    if (s_Traffic.sentAt == 0 && node == g_RoadNodes.GetNode(ROUTE[0]))
        s_Traffic.sentAt = s_Seen.frame;
    if (node != s_Traffic.heading && s_Traffic.heading != nullptr)
        s_Traffic.passed.push_back(RoadIndex(s_Traffic.heading));
    s_Traffic.heading = node;
    if (s_Traffic.passedAt == 0 && s_Traffic.passed.size() >= std::size(ROUTE)) {
        s_Traffic.passedAt = s_Seen.frame;
        // Typed from the next frame on.
        s_Keys = LineKeys("set ai car state idle");
        s_TypingFrom = s_Seen.frame + 1;
    }
    if (s_Traffic.idleAt == 0 && Printed("****State Set to IDLE**"))
        s_Traffic.idleAt = s_Seen.frame;
    if (s_Traffic.idleAt != 0 && s_Traffic.restingAt == 0 && std::fabs(agent.GetCar()->GetForwardSpeed()) < 1.0f)
        s_Traffic.restingAt = s_Seen.frame;
    return s_Traffic.restingAt != 0;
}

// One steady frame of play with what the console typed; the game closes
// once `watch` has seen enough, or at the last frame.
int SteadyFrame(bool (*watch)())
{
    ++s_Seen.frame;
    SetFrameTime(STEADY_FRAME_MS);
    if (s_Seen.frame == 1) {
        EnterPlay();
        QuietThePool();
    }
    Type();
    InGameState();
    if (watch() || s_Seen.frame == STEADY_LAST_FRAME)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

int TrafficPlay()
{
    return SteadyFrame(FollowSpawnedCar);
}

TEST(GameConsoleTest, ACarSpawnedFromTheConsoleDrivesItsLaneAndIdlesToRest)
{
    s_Traffic = Traffic();
    EXPECT_EQ(0, PlayTyping({"set ai spawn car sedan 300 0 97", "set ai car goto node 1"}, TrafficPlay));

    ASSERT_NE(0, s_Traffic.sentAt) << "the car was sent to node 1";
    ASSERT_NE(0, s_Traffic.passedAt);
    ASSERT_GE(s_Traffic.passed.size(), std::size(ROUTE));
    EXPECT_EQ(std::vector<size_t>(std::begin(ROUTE), std::end(ROUTE)),
              std::vector<size_t>(s_Traffic.passed.begin(), s_Traffic.passed.begin() + std::size(ROUTE)));
    EXPECT_LE(s_Traffic.passedAt - s_Traffic.sentAt, 20 * STEADY_FRAMES_PER_SECOND) << "within 20 s";
    ASSERT_NE(0, s_Traffic.idleAt);
    ASSERT_NE(0, s_Traffic.restingAt) << "below 1 m/s";
    EXPECT_LE(s_Traffic.restingAt - s_Traffic.idleAt, 12 * STEADY_FRAMES_PER_SECOND);
}

// A pedestrian spawned from the console on sidewalk node 21, a corner of
// the crossing north-east of the town square, sent to node 23 across it
// (a neighbour of 22 and 24, each a neighbour of 21). Once it has chosen a
// linked node and walked toward it a while, the player, given the pistol,
// fires from 10 units ahead of it, facing away: it runs from the shot
// toward the node it came from until its delay ends, then walks again.
const size_t PED_START = 21;
const size_t PED_GOAL = 23;
const float SHOT_DISTANCE = 10.0f;
// The controller's Walk action.
const int WALK_ACTION = 10;

struct Pedestrian {
    bool goalTwoLinksAway = false;
    float walkSpeed = 0.0f;
    int sentAt = 0;
    int reachedAt = 0;
    const cSidewalknode* chosen = nullptr;
    bool chosenLinked = false;
    float goalDistanceSq = 0.0f;
    int firedAt = 0;
    int alarmedAt = 0;
    bool fleeingToGoal = false;
    int delayEndedAt = 0;
    int walkingAgainAt = 0;
    int framesWalkHeldInDelay = 0;
    float runDistance = 0.0f;
    D3DXVECTOR3 last{0.0f, 0.0f, 0.0f};
};

Pedestrian s_Ped;

D3DXVECTOR3 SidewalkPosition(size_t node)
{
    return *g_SidewalkNodes.GetNode(node)->GetPosition();
}

float GroundDistanceSq(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return (a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z);
}

bool LinksTo(const cSidewalknode& from, const cSidewalknode* to)
{
    const std::vector<cSidewalknode*>& links = from.GetLinks();
    return std::find(links.begin(), links.end(), to) != links.end();
}

// A neighbour's neighbour, and no neighbour.
bool TwoLinksAway(const cSidewalknode& from, const cSidewalknode* to)
{
    return !LinksTo(from, to) && std::any_of(from.GetLinks().begin(), from.GetLinks().end(),
                                             [&](const cSidewalknode* near) { return LinksTo(*near, to); });
}

// The player stands at `at` facing along `facing`, with the pistol drawn.
void ArmPlayer(const D3DXVECTOR3& at, const D3DXVECTOR3& facing)
{
    CGameActor& player = *g_PlayerActor;
    D3DXMATRIX& pose = player.m_Model.m_matObject;
    D3DXMatrixRotationY(&pose, std::atan2(facing.x, facing.z));
    pose._41 = at.x;
    pose._42 = at.y;
    pose._43 = at.z;
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
    player.PickUpWeapon(std::make_unique<CWeapon>(g_Pistol));
}

// The shot, once the pedestrian has walked a while toward the node it chose.
void FireAtDistance(const CGameActor& actor)
{
    const int walked = s_Seen.frame - s_Ped.reachedAt;
    if (walked == 2 * STEADY_FRAMES_PER_SECOND) {
        const D3DXVECTOR3 at = actor.m_Model.m_vPosition;
        D3DXVECTOR3 toward = *s_Ped.chosen->GetPosition() - at;
        toward.y = 0.0f;
        D3DXVec3Normalize(&toward, &toward);
        ArmPlayer(at + toward * SHOT_DISTANCE + D3DXVECTOR3(0.0f, 0.5f, 0.0f), toward);
        s_Ped.firedAt = s_Seen.frame;
    }
    if (walked == 2 * STEADY_FRAMES_PER_SECOND + 2)
        PushButton(SDL_BUTTON_LEFT, true);
    if (walked == 2 * STEADY_FRAMES_PER_SECOND + 8)
        PushButton(SDL_BUTTON_LEFT, false);
}

// How the run from the shot goes, frame by frame.
void FollowRun(const CNormalPedController& walker, const D3DXVECTOR3& at)
{
    const bool walkHeld = walker.GetActionCounters()[WALK_ACTION] != 0;
    if (s_Ped.alarmedAt == 0 && walker.GetDelay() > 0.0f) {
        s_Ped.alarmedAt = s_Seen.frame;
        s_Ped.fleeingToGoal = walker.GetSidewalkNode() == g_SidewalkNodes.GetNode(PED_GOAL);
    } else if (s_Ped.alarmedAt != 0 && s_Ped.delayEndedAt == 0) {
        s_Ped.runDistance += std::sqrt(GroundDistanceSq(at, s_Ped.last));
        // The update that ran the delay out walks already.
        if (walker.GetDelay() <= 0.0f)
            s_Ped.delayEndedAt = s_Seen.frame;
        else if (walkHeld)
            ++s_Ped.framesWalkHeldInDelay;
    } else if (s_Ped.delayEndedAt != 0 && s_Ped.walkingAgainAt == 0 && walkHeld) {
        s_Ped.walkingAgainAt = s_Seen.frame;
    }
}

// The pedestrian's way to node 23, its choice there and its run; true once
// it walks again after the run, or could not have.
bool FollowSpawnedPedestrian()
{
    if (g_pLevel->GetAgents().empty())
        return false;
    const CAIControllerSet& agent = *g_pLevel->GetAgents().back();
    const CNormalPedController* walker = agent.GetPedController();
    const CGameActor* actor = agent.GetActor();
    if (walker == nullptr || actor == nullptr)
        return true;
    const D3DXVECTOR3 at = actor->m_Model.m_vPosition;
    const cSidewalknode* goal = g_SidewalkNodes.GetNode(PED_GOAL);
    if (s_Ped.sentAt == 0 && walker->GetSidewalkNode() == goal) {
        s_Ped.sentAt = s_Seen.frame;
        s_Ped.goalTwoLinksAway = TwoLinksAway(*g_SidewalkNodes.GetNode(PED_START), goal);
        s_Ped.walkSpeed = actor->m_fWalkSpeed;
    }
    if (s_Ped.sentAt != 0 && s_Ped.reachedAt == 0 && walker->GetSidewalkNode() != goal) {
        s_Ped.reachedAt = s_Seen.frame;
        s_Ped.chosen = walker->GetSidewalkNode();
        s_Ped.chosenLinked = LinksTo(*goal, s_Ped.chosen);
        s_Ped.goalDistanceSq = GroundDistanceSq(at, SidewalkPosition(PED_GOAL));
    }
    if (s_Ped.chosen != nullptr) {
        FireAtDistance(*actor);
        FollowRun(*walker, at);
    }
    s_Ped.last = at;
    return s_Ped.walkingAgainAt != 0 || (s_Ped.sentAt != 0 && s_Ped.reachedAt == 0 &&
                                         s_Seen.frame - s_Ped.sentAt > 20 * STEADY_FRAMES_PER_SECOND);
}

int PedestrianPlay()
{
    return SteadyFrame(FollowSpawnedPedestrian);
}

TEST(GameConsoleTest, APedestrianSpawnedFromTheConsoleWalksToItsNodeAndRunsFromAShot)
{
    s_Ped = Pedestrian();
    EXPECT_EQ(0, PlayTyping({"set ai spawn ped lizard 387 0 197", "set ai ped goto node 23"}, PedestrianPlay,
                            /*closeConsole=*/true));

    ASSERT_NE(0, s_Ped.sentAt) << "the pedestrian was sent to node 23";
    EXPECT_TRUE(s_Ped.goalTwoLinksAway) << "a neighbour's neighbour of node 21";
    ASSERT_NE(0, s_Ped.reachedAt) << "and reached it";
    EXPECT_LE(s_Ped.reachedAt - s_Ped.sentAt, 20 * STEADY_FRAMES_PER_SECOND) << "within 20 s";
    EXPECT_LE(s_Ped.goalDistanceSq, CNormalPedController::DEFAULT_ARRIVAL_RADIUS_SQ);
    EXPECT_TRUE(s_Ped.chosenLinked) << "it chose a linked node";

    ASSERT_NE(0, s_Ped.firedAt);
    ASSERT_NE(0, s_Ped.alarmedAt) << "the shot alarmed it";
    EXPECT_LE(s_Ped.alarmedAt - s_Ped.firedAt, STEADY_FRAMES_PER_SECOND);
    EXPECT_TRUE(s_Ped.fleeingToGoal) << "back to the node leading away from the shot";
    ASSERT_NE(0, s_Ped.delayEndedAt);
    EXPECT_EQ(0, s_Ped.framesWalkHeldInDelay) << "it ran, never walked, while the delay ran";
    const float seconds = static_cast<float>(s_Ped.delayEndedAt - s_Ped.alarmedAt) / STEADY_FRAMES_PER_SECOND;
    EXPECT_GT(s_Ped.runDistance / seconds, s_Ped.walkSpeed) << "faster than it walks";
    EXPECT_NE(0, s_Ped.walkingAgainAt) << "it walks once the delay has ended";
}

} // namespace
