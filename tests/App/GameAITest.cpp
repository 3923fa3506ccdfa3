// The town's population in the whole game, as a player meets it: traffic
// behind the front end's menu; in play, cars on the roads and people on the
// sidewalks around the player, recycled when the player goes away and placed
// again around the player wherever the player is; a pedestrian runs from a
// shot, a driver whose car the player takes gets out and flees; police come
// for a wanted player, stop, get out and shoot; the console's RESTART makes
// the town anew. The frames are steady 16 ms ones and the keys and the mouse
// go through the default bindings; the population draws from the random
// table, so every check is "within so many seconds" or "at some frame",
// never an exact frame.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/AIPool.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Core/Game.h"
#include "Input/InGameMouse.h"
#include "Level/Level.h"
#include "support/FrameTime.h"
#include "support/GameFolderCopy.h"
#include "support/GameProbe.h"
#include "support/MenuSpots.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"
#include "support/StagedPlay.h"

namespace {

const uint32_t FRAME_MS = 16;
const float FRAME_SECONDS = FRAME_MS / 1000.0f;

int Frames(float seconds)
{
    return static_cast<int>(seconds / FRAME_SECONDS);
}

// A game whose stages never end is closed after this many frames of play.
const int LAST_FRAME = Frames(200.0f);
const int MENU_FRAMES = Frames(10.0f);
// A click or a key, as a hand makes it.
const int PRESS_FRAMES = 6;
const float NEW_GAME_BUTTON[2] = {MainMenuSpots::NEW_GAME.x, MainMenuSpots::NEW_GAME.y};

// The town square, some 470 units up the road from the start area.
const D3DXVECTOR3 SQUARE(360.0f, 1.0f, 170.0f);
// The start area, where the pistol lies; New Game puts the player by it,
// at the introduction's start.
const D3DXVECTOR3 START_AREA(-45.0f, 1.0f, -62.0f);
const D3DXVECTOR3 INTRODUCTION_START(-62.0f, 0.5f, -58.0f);
const float AT_START = 5.0f;
// Typed at the console to go there and back.
const char* const TO_START_AREA = "set setpos -45 1 -62";
const char* const TO_SQUARE = "set setpos 360 1 170";
// Within this of where SETPOS put the player, it has moved there.
const float ARRIVED = 10.0f;

// The pool's fixed population and what it sends out at once.
const uint32_t POOLED_CARS = 10;
const uint32_t POOLED_PEDESTRIANS = 10;
const uint32_t POLICE_CARS = 10;
// Traffic: a seated driver faster than this near a road link.
const float DRIVING_SPEED = 2.0f;
const float ROAD_REACH = 4.0f;
// Pedestrians: walking within this of a sidewalk link.
const float SIDEWALK_REACH = 7.0f;
const float WALKING_SPEED = 0.5f;
const size_t AT_LEAST_MOVING = 4;
// Agents placed around the player are recycled beyond this.
const float NEAR_PLAYER = CAIPool::POOL_RANGE;
// A shot alarms the people within 50 units; the player fires from nearer.
const float SHOT_DISTANCE = 10.0f;
// The player gets in beside the driver's door.
const float DOOR_SIDE = 2.5f;
// A police car this slow this near the player has stopped for the player.
const float AT_REST = 0.5f;
const float NEAR_POLICE_CAR = 30.0f;
const float FULL_LIFE = 100.0f;
// Police cars patrol the town's lanes at random and take up a wanted player
// who comes within 50 units: when none has come by for a while, the player
// goes up to the nearest one and stands this far ahead of it on its lane.
const float POLICE_SECONDS = 60.0f;
const int MEET_POLICE_EVERY = Frames(10.0f);
const float AHEAD_OF_POLICE = 20.0f;

// What the run saw, judged once the game has ended.
struct Seen {
    // The front end.
    std::string logAtMenu;
    std::string logAfterMenu;
    size_t menuDriversInActiveCars = 0;
    bool played = false;
    D3DXVECTOR3 playStart{0.0f, 0.0f, 0.0f};
    // Around the square.
    size_t mostDrivingAtSquare = 0;
    float populatedAfter = -1.0f;
    // Away and back.
    bool armed = false;
    // Reactions.
    bool walkerFound = false;
    bool walkerRan = false;
    bool driverFound = false;
    bool playerTookCar = false;
    bool driverOutOfCar = false;
    bool driverFleeing = false;
    bool playerOnFoot = false;
    // Police.
    float policeWantedLevel = 0.0f;
    float chaseAfter = -1.0f;
    bool policeCarAtRest = false;
    bool officerFiring = false;
    float lowestLife = FULL_LIFE;
    // RESTART.
    uint32_t countsBefore[3] = {0, 0, 0};
    uint32_t countsAfter[3] = {0, 0, 0};
    bool restarted = false;
    float lifeAfterRestart = 0.0f;
    float wantedAfterRestart = -1.0f;
    bool policeChasingAfterRestart = false;
    bool driversAgainAfterRestart = false;
    bool walkersAgainAfterRestart = false;
    // Every frame of play.
    size_t mostDriving = 0;
    size_t mostSentWalking = 0;
    size_t mostPooledActiveCars = 0;
    int lastStage = 0;
};

Seen s_Seen;
int s_MenuFrame = 0;
bool s_InPlay = false;

std::string ReadLog()
{
    std::ifstream file("log.txt");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

float GroundDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return std::hypot(a.x - b.x, a.z - b.z);
}

bool IsPooledDriver(const AgentProbe& agent)
{
    return agent.IsDriving() && agent.m_bSeated && !agent.m_bPoliceAgent;
}

bool IsDrivingOnRoad(const AgentProbe& agent)
{
    return IsPooledDriver(agent) && agent.m_fSpeed > DRIVING_SPEED &&
           GameProbe::DistanceToRoadLink(agent.m_vPosition) < ROAD_REACH;
}

bool IsWalkingOnSidewalk(const AgentProbe& agent)
{
    return agent.IsWalkerOnFoot() && !agent.m_bPoliceAgent &&
           agent.m_iPersonState == CNormalPedController::STATE_WALKING && agent.m_fSpeed > WALKING_SPEED &&
           GameProbe::DistanceToSidewalkLink(agent.m_vPosition) < SIDEWALK_REACH;
}

bool IsPoliceChasing(const AgentProbe& agent)
{
    return agent.m_Person == AgentProbe::POLICE &&
           (agent.m_iPersonState == CNormalPoliceController::STATE_CHASING ||
            agent.m_iPersonState == CNormalPoliceController::STATE_PURSUING_ON_FOOT ||
            agent.m_Driver == AgentProbe::CHASE);
}

template <class Test>
size_t CountAgents(Test test)
{
    const std::vector<AgentProbe> agents = GameProbe::Agents();
    return static_cast<size_t>(std::count_if(agents.begin(), agents.end(), test));
}

// The listed agents seen at the wheel since they were sent out: on foot, they
// are drivers put out of their cars, which the pool counts among the people
// on foot but never sent out as pedestrians.
std::set<const CAIControllerSet*> s_SentDriving;

// The pedestrians the pool sent out that walk this frame.
size_t CountSentWalkers()
{
    const std::vector<AgentProbe> agents = GameProbe::Agents();
    std::set<const CAIControllerSet*> listed;
    for (const AgentProbe& agent : agents) {
        listed.insert(agent.m_pAgent);
        if (agent.IsDriving())
            s_SentDriving.insert(agent.m_pAgent);
    }
    // A recycled agent comes back as whatever the pool sends it out as.
    for (auto it = s_SentDriving.begin(); it != s_SentDriving.end();)
        it = listed.count(*it) != 0 ? std::next(it) : s_SentDriving.erase(it);
    return static_cast<size_t>(std::count_if(agents.begin(), agents.end(), [](const AgentProbe& a) {
        return a.m_bPooled && a.IsWalkerOnFoot() && !a.m_bPoliceAgent && s_SentDriving.count(a.m_pAgent) == 0;
    }));
}

// What every frame of play keeps an eye on: the cars driven at once, ordinary
// and police, never more than the pool's ordinary cars; the pedestrians sent
// out, never more than the pool's pedestrians.
void Watch()
{
    s_Seen.mostDriving = std::max(s_Seen.mostDriving, CountAgents([](const AgentProbe& a) { return a.IsDriving(); }));
    s_Seen.mostSentWalking = std::max(s_Seen.mostSentWalking, CountSentWalkers());
    s_Seen.mostPooledActiveCars = std::max(s_Seen.mostPooledActiveCars, GameProbe::PooledActiveCarCount());
    s_Seen.lowestLife = std::min(s_Seen.lowestLife, GameProbe::PlayerLife());
}

PlayStage Watched(int maxFrames, std::function<bool(int)> step)
{
    return {maxFrames, [step](int frame) {
                Watch();
                return step(frame);
            }};
}

// Types `line` at the console: the grave key opens it, the line is typed
// and run, the grave key closes it so that play takes the keys again.
PlayStage Typed(const char* line)
{
    std::vector<SDL_Scancode> keys = {SDL_SCANCODE_GRAVE};
    const std::vector<SDL_Scancode> typed = LineKeys(line);
    keys.insert(keys.end(), typed.begin(), typed.end());
    keys.push_back(SDL_SCANCODE_GRAVE);
    return Watched(static_cast<int>(keys.size() + 2) * FRAMES_PER_KEY,
                   [keys](int frame) { return TypeKeys(keys, frame); });
}

void Key(SDL_Scancode key, int frame, int downAt, int upAt)
{
    if (frame == downAt)
        PushKey(key, true);
    if (frame == upAt)
        PushKey(key, false);
}

std::set<const CAIControllerSet*> ListedAgents()
{
    return std::set<const CAIControllerSet*>(g_pLevel->GetAgents().begin(), g_pLevel->GetAgents().end());
}

// --- Around the player: cars drive the roads and people walk the sidewalks.

// Play settles a second after the menu has gone before the console is used.
bool NoteStart(int frame)
{
    if (frame == 0)
        s_Seen.playStart = GameProbe::PlayerPosition();
    return frame >= Frames(1.0f);
}

// At the town square, where the roads and sidewalks are many.
bool Populate(int frame)
{
    const size_t driving = CountAgents(IsDrivingOnRoad);
    const size_t walking = CountAgents(IsWalkingOnSidewalk);
    s_Seen.mostDrivingAtSquare = std::max(s_Seen.mostDrivingAtSquare, driving);
    if (driving < AT_LEAST_MOVING || walking < AT_LEAST_MOVING)
        return false;
    s_Seen.populatedAfter = frame * FRAME_SECONDS;
    return true;
}

// --- Away to the other end of the road for 5 s, and back. The pool
// reuses its agents, so what was left behind is judged by where it is; a
// mission's own people (the introduction's guide) stay where they are.

size_t AgentsNear(const D3DXVECTOR3& place)
{
    return CountAgents([&](const AgentProbe& agent) {
        return agent.m_bPooled && GroundDistance(agent.m_vPosition, place) < NEAR_PLAYER;
    });
}

size_t PooledCarsNear(const D3DXVECTOR3& place)
{
    const CAIPool& pool = g_pLevel->GetAIPool();
    size_t near = 0;
    for (const CCar* car : g_pLevel->GetActiveCars()) {
        const bool pooled = std::any_of(pool.GetCars().begin(), pool.GetCars().end(),
                                        [car](const std::unique_ptr<CCar>& each) { return each.get() == car; });
        if (pooled && GroundDistance(CarPosition(*car), place) < NEAR_PLAYER)
            ++near;
    }
    return near;
}

// One trip: what stayed behind at `from` and what came to `to`.
struct Trip {
    size_t leftBehind = 0;
    size_t stillThere = 0;
    size_t carsStillThere = 0;
    size_t arrived = 0;
};

D3DXVECTOR3 s_From{0.0f, 0.0f, 0.0f};
int s_ArrivedAt = -1;

PlayStage Leave()
{
    return Watched(1, [](int) {
        s_From = GameProbe::PlayerPosition();
        s_ArrivedAt = -1;
        return true;
    });
}

// Five seconds from the frame the player stands at `to`.
PlayStage Stay(const D3DXVECTOR3& to, Trip& trip)
{
    return Watched(Frames(20.0f), [to, &trip](int frame) {
        if (frame == 0)
            trip.leftBehind = AgentsNear(s_From);
        if (s_ArrivedAt < 0 && GroundDistance(GameProbe::PlayerPosition(), to) < ARRIVED)
            s_ArrivedAt = frame;
        if (s_ArrivedAt < 0 || frame - s_ArrivedAt < Frames(5.0f))
            return false;
        if (frame - s_ArrivedAt == Frames(5.0f)) {
            trip.stillThere = AgentsNear(s_From);
            trip.carsStillThere = PooledCarsNear(s_From);
        }
        s_Seen.armed = g_PlayerActor->GetCurrentWeapon() != nullptr;
        // The spawn points there wait out their own timers first.
        trip.arrived = AgentsNear(to);
        return trip.arrived > 0 || frame - s_ArrivedAt >= Frames(10.0f);
    });
}

Trip s_ToStartArea;
Trip s_BackToSquare;

// --- Reactions: a pedestrian runs from a shot; a driver whose car is taken
// gets out and flees.

const CAIControllerSet* s_Walker = nullptr;
int s_FiredAt = -1;

const CAIControllerSet* NearestAgent(bool (*test)(const AgentProbe&))
{
    const D3DXVECTOR3 player = GameProbe::PlayerPosition();
    const CAIControllerSet* nearest = nullptr;
    float best = NEAR_PLAYER;
    for (const AgentProbe& agent : GameProbe::Agents()) {
        const float distance = GroundDistance(agent.m_vPosition, player);
        if (test(agent) && distance < best) {
            nearest = agent.m_pAgent;
            best = distance;
        }
    }
    return nearest;
}

bool IsListed(const CAIControllerSet* agent)
{
    return agent != nullptr && ListedAgents().count(agent) != 0;
}

// The player, pistol drawn, fires away from a walking pedestrian a few
// steps behind.
bool ShootNearWalker(int frame)
{
    if (frame == 0) {
        s_Walker = nullptr;
        s_FiredAt = -1;
    }
    if (s_Walker == nullptr) {
        s_Walker = NearestAgent(IsWalkingOnSidewalk);
        if (s_Walker == nullptr)
            return false;
        s_Seen.walkerFound = true;
        const D3DXVECTOR3 walker = GameProbe::Probe(*s_Walker).m_vPosition;
        D3DXVECTOR3 away = GameProbe::PlayerPosition() - walker;
        away.y = 0.0f;
        if (D3DXVec3LengthSq(&away) < 1e-6f)
            away = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
        D3DXVec3Normalize(&away, &away);
        const D3DXVECTOR3 stand = walker + away * SHOT_DISTANCE + D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        PlacePlayer(stand, stand + away);
        s_FiredAt = frame;
    }
    const int sinceShot = frame - s_FiredAt;
    if (sinceShot == 2)
        PushButton(SDL_BUTTON_LEFT, true);
    if (sinceShot == 2 + PRESS_FRAMES)
        PushButton(SDL_BUTTON_LEFT, false);
    if (!IsListed(s_Walker))
        return true;
    const AgentProbe walker = GameProbe::Probe(*s_Walker);
    if (walker.m_fFleeSeconds > 0.0f && !walker.m_bHoldsWalk && walker.m_pActor != nullptr &&
        walker.m_fSpeed > walker.m_pActor->m_fWalkSpeed)
        s_Seen.walkerRan = true;
    return s_Seen.walkerRan && sinceShot > 2 + PRESS_FRAMES;
}

const CAIControllerSet* s_Driver = nullptr;
const CCar* s_TakenCar = nullptr;
int s_PressedAt = -1;

// Beside the driver's door, facing the car.
void StandByDoor(const CCar& car)
{
    const D3DXMATRIX& world = car.m_Body.GetWorldMatrix();
    const D3DXVECTOR3 right(world._11, 0.0f, world._13);
    const D3DXVECTOR3 at = CarPosition(car);
    PlacePlayer(at - right * DOOR_SIDE + D3DXVECTOR3(0.0f, 1.0f, 0.0f), at);
}

// The Get_In_Car key by the nearest pooled car: the player takes it.
bool TakeCar(int frame)
{
    if (frame == 0) {
        s_Driver = nullptr;
        s_PressedAt = -1;
    }
    if (s_Driver == nullptr) {
        s_Driver = NearestAgent(IsPooledDriver);
        if (s_Driver == nullptr)
            return false;
        s_Seen.driverFound = true;
        s_TakenCar = s_Driver->GetCar();
        s_PressedAt = frame;
    }
    const int sincePress = frame - s_PressedAt;
    // The car drives on until the key is let go.
    if (sincePress <= 3 && s_Driver->GetCar() == s_TakenCar)
        StandByDoor(*s_TakenCar);
    Key(SDL_SCANCODE_F, sincePress, 1, 3);
    s_Seen.playerTookCar = s_Seen.playerTookCar || g_PlayerActor->m_pCar == s_TakenCar;
    if (!IsListed(s_Driver))
        return true;
    const AgentProbe driver = GameProbe::Probe(*s_Driver);
    if (driver.IsOnFoot() && driver.m_pActor != nullptr && driver.m_pActor->m_pCar == nullptr) {
        s_Seen.driverOutOfCar = true;
        s_Seen.driverFleeing = s_Seen.driverFleeing || driver.m_fFleeSeconds > 0.0f;
    }
    return s_Seen.driverFleeing && sincePress > Frames(1.0f);
}

// Out again, to meet the police on foot.
bool GetOut(int frame)
{
    Key(SDL_SCANCODE_F, frame, 0, 3);
    s_Seen.playerOnFoot = g_PlayerActor->m_pCar == nullptr;
    return frame > PRESS_FRAMES && s_Seen.playerOnFoot;
}

// --- Police: a wanted player is chased, the car stops by the player, an
// officer gets out and shoots.

bool PoliceCarAtRestNearPlayer()
{
    const D3DXVECTOR3 player = GameProbe::PlayerPosition();
    const std::list<CCar*>& active = g_pLevel->GetActiveCars();
    for (const std::unique_ptr<CCar>& car : g_pLevel->GetAIPool().GetPoliceCars())
        if (std::find(active.begin(), active.end(), car.get()) != active.end() &&
            std::fabs(car->GetForwardSpeed()) < AT_REST && GroundDistance(CarPosition(*car), player) < NEAR_POLICE_CAR)
            return true;
    return false;
}

void MeetNearestPoliceCar()
{
    const D3DXVECTOR3 player = GameProbe::PlayerPosition();
    const CCar* nearest = nullptr;
    float best = 0.0f;
    for (const AgentProbe& agent : GameProbe::Agents()) {
        if (!agent.m_bPoliceAgent || !agent.IsDriving())
            continue;
        const float distance = GroundDistance(agent.m_vPosition, player);
        if (nearest == nullptr || distance < best) {
            nearest = agent.m_pCar;
            best = distance;
        }
    }
    if (nearest == nullptr)
        return;
    const D3DXMATRIX& world = nearest->m_Body.GetWorldMatrix();
    D3DXVECTOR3 forward(world._31, 0.0f, world._33);
    D3DXVec3Normalize(&forward, &forward);
    const D3DXVECTOR3 car = CarPosition(*nearest);
    PlacePlayer(car + forward * AHEAD_OF_POLICE + D3DXVECTOR3(0.0f, 1.0f, 0.0f), car);
}

bool Police(int frame)
{
    if (frame == 0)
        s_Seen.policeWantedLevel = GameProbe::PlayerWanted();
    if (s_Seen.chaseAfter < 0.0f && frame > 0 && frame % MEET_POLICE_EVERY == 0)
        MeetNearestPoliceCar();
    for (const AgentProbe& agent : GameProbe::Agents()) {
        if (s_Seen.chaseAfter < 0.0f && agent.m_Driver == AgentProbe::CHASE &&
            agent.m_iDriverState == CChaseCarController::STATE_PURSUIT && agent.IsDriving())
            s_Seen.chaseAfter = frame * FRAME_SECONDS;
        if (agent.m_Person == AgentProbe::POLICE && agent.IsOnFoot() &&
            agent.m_iPersonState == CNormalPoliceController::STATE_PURSUING_ON_FOOT && agent.m_bHoldsFire)
            s_Seen.officerFiring = true;
    }
    if (s_Seen.chaseAfter >= 0.0f && PoliceCarAtRestNearPlayer())
        s_Seen.policeCarAtRest = true;
    return s_Seen.chaseAfter >= 0.0f && s_Seen.policeCarAtRest && s_Seen.officerFiring &&
           GameProbe::PlayerLife() < FULL_LIFE;
}

// --- RESTART: the town anew.

void CountPopulation(uint32_t counts[3])
{
    const CAIPool& pool = g_pLevel->GetAIPool();
    counts[0] = pool.GetCarCount();
    counts[1] = pool.GetPedestrianCount();
    counts[2] = pool.GetPoliceCount();
}

bool BeforeRestart(int)
{
    CountPopulation(s_Seen.countsBefore);
    return true;
}

bool AfterRestart(int frame)
{
    if (frame == 0) {
        s_Seen.restarted = GameProbe::Printed("RESTART set successfully");
        CountPopulation(s_Seen.countsAfter);
        s_Seen.lifeAfterRestart = GameProbe::PlayerLife();
        s_Seen.wantedAfterRestart = GameProbe::PlayerWanted();
    }
    for (const AgentProbe& agent : GameProbe::Agents())
        s_Seen.policeChasingAfterRestart = s_Seen.policeChasingAfterRestart || IsPoliceChasing(agent);
    s_Seen.driversAgainAfterRestart = s_Seen.driversAgainAfterRestart || CountAgents(IsPooledDriver) > 0;
    s_Seen.walkersAgainAfterRestart =
        s_Seen.walkersAgainAfterRestart ||
        CountAgents([](const AgentProbe& a) { return a.IsWalkerOnFoot() && !a.m_bPoliceAgent; }) > 0;
    return frame >= Frames(10.0f);
}

const std::vector<PlayStage>& Stages()
{
    static const std::vector<PlayStage> stages = {
        Watched(Frames(1.0f) + 1, NoteStart),
        Typed(TO_SQUARE),
        Watched(Frames(40.0f), Populate),
        Leave(),
        Typed(TO_START_AREA),
        Stay(START_AREA, s_ToStartArea),
        Leave(),
        Typed(TO_SQUARE),
        Stay(SQUARE, s_BackToSquare),
        Watched(Frames(20.0f), ShootNearWalker),
        Watched(Frames(20.0f), TakeCar),
        Watched(Frames(2.0f), GetOut),
        Typed("set setwarning 6"),
        Watched(Frames(POLICE_SECONDS), Police),
        Watched(1, BeforeRestart),
        Typed("set restart"),
        Watched(Frames(10.0f) + 1, AfterRestart),
    };
    return stages;
}

// The front end for 10 s with the level behind it; then New Game by the
// mouse, and the stages in play.
int ScriptedFrontEnd()
{
    SetFrameTime(FRAME_MS);
    if (s_MenuFrame == 0)
        s_Seen.logAtMenu = ReadLog();
    if (s_MenuFrame == MENU_FRAMES) {
        s_Seen.logAfterMenu = ReadLog();
        const std::list<CCar*>& active = g_pLevel->GetActiveCars();
        s_Seen.menuDriversInActiveCars = CountAgents([&](const AgentProbe& agent) {
            return IsPooledDriver(agent) && std::find(active.begin(), active.end(), agent.m_pCar) != active.end();
        });
        g_InGameMouse.SetPosition(NEW_GAME_BUTTON);
    }
    if (s_MenuFrame == MENU_FRAMES + 1)
        PushButton(SDL_BUTTON_LEFT, true);
    if (s_MenuFrame == MENU_FRAMES + 2)
        PushButton(SDL_BUTTON_LEFT, false);
    ++s_MenuFrame;
    FrontEndState();
    if (!s_InPlay && g_Game.GetCurrentState() == InGameState) {
        s_InPlay = true;
        s_Seen.played = true;
        g_Game.PushState(StagedPlay(Stages(), FRAME_MS, LAST_FRAME, s_Seen.lastStage));
    }
    if (s_MenuFrame == MENU_FRAMES + Frames(5.0f) && !s_InPlay)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

TEST(GameAITest, PopulationPoliceAndReload)
{
    GameFolderCopy dir;
    s_Seen = Seen();
    s_SentDriving.clear();
    s_MenuFrame = 0;
    s_InPlay = false;
    EXPECT_EQ(0, RunGameScripted(ScriptedFrontEnd));

    // The front end.
    EXPECT_GE(s_Seen.menuDriversInActiveCars, 2u) << "traffic behind the menu after 10 s";
    EXPECT_EQ(s_Seen.logAtMenu, s_Seen.logAfterMenu) << "nothing logged beyond start-up's lines";
    ASSERT_TRUE(s_Seen.played) << "New Game";
    ASSERT_EQ(static_cast<int>(Stages().size()), s_Seen.lastStage) << "every stage ran to its end";
    EXPECT_LT(GroundDistance(s_Seen.playStart, INTRODUCTION_START), AT_START) << "play starts in the start area";

    // Around the player within 40 s; the pool never sends more than its
    // own cars out at once, police included, nor more than its pedestrians.
    EXPECT_GE(s_Seen.populatedAfter, 0.0f) << "four cars on the roads and four people on the sidewalks at once";
    EXPECT_GE(s_Seen.mostDrivingAtSquare, AT_LEAST_MOVING);
    EXPECT_LE(s_Seen.mostSentWalking, POOLED_PEDESTRIANS) << "pedestrians sent out at once";
    EXPECT_LE(s_Seen.mostDriving, POOLED_CARS) << "ordinary and police cars driven at once";

    // Away and back: what was left behind is recycled, others come.
    for (const Trip* trip : {&s_ToStartArea, &s_BackToSquare}) {
        SCOPED_TRACE(trip == &s_ToStartArea ? "to the start area" : "back to the square");
        EXPECT_GT(trip->leftBehind, 0u);
        EXPECT_EQ(0u, trip->stillThere) << "the agents left behind are recycled";
        EXPECT_EQ(0u, trip->carsStillThere) << "and their cars leave the world";
        EXPECT_GT(trip->arrived, 0u) << "others appear around the player";
    }
    EXPECT_TRUE(s_Seen.armed) << "the pistol picked up in the start area";

    // Reactions.
    ASSERT_TRUE(s_Seen.walkerFound);
    EXPECT_TRUE(s_Seen.walkerRan) << "a pedestrian near a shot runs";
    ASSERT_TRUE(s_Seen.driverFound);
    EXPECT_TRUE(s_Seen.playerTookCar);
    EXPECT_TRUE(s_Seen.driverOutOfCar) << "the driver gets out";
    EXPECT_TRUE(s_Seen.driverFleeing) << "and flees";
    EXPECT_TRUE(s_Seen.playerOnFoot);

    // Police come.
    // The wanted level wears off slowly from the 6 set.
    EXPECT_GE(s_Seen.policeWantedLevel, 5.0f);
    EXPECT_GE(s_Seen.chaseAfter, 0.0f) << "a police car chases the player";
    RecordProperty("police_chase_seconds", std::to_string(s_Seen.chaseAfter));
    EXPECT_TRUE(s_Seen.policeCarAtRest) << "and stops by the player";
    EXPECT_TRUE(s_Seen.officerFiring) << "an officer on foot fires";
    EXPECT_LT(s_Seen.lowestLife, FULL_LIFE) << "and hits";

    // RESTART.
    EXPECT_TRUE(s_Seen.restarted);
    EXPECT_EQ(POOLED_CARS, s_Seen.countsBefore[0]);
    EXPECT_EQ(POOLED_PEDESTRIANS, s_Seen.countsBefore[1]);
    EXPECT_EQ(POLICE_CARS, s_Seen.countsBefore[2]);
    EXPECT_TRUE(std::equal(std::begin(s_Seen.countsBefore), std::end(s_Seen.countsBefore),
                           std::begin(s_Seen.countsAfter)))
        << "the same population";
    EXPECT_EQ(FULL_LIFE, s_Seen.lifeAfterRestart);
    EXPECT_EQ(0.0f, s_Seen.wantedAfterRestart);
    EXPECT_FALSE(s_Seen.policeChasingAfterRestart);
    EXPECT_TRUE(s_Seen.driversAgainAfterRestart) << "traffic again";
    EXPECT_TRUE(s_Seen.walkersAgainAfterRestart) << "pedestrians again";

    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
}

} // namespace
