// The whole game as a player plays it: the shipped town, keys and the mouse
// button through the default bindings, a steady 16 ms frame. The player
// stands, runs and walks, picks up the pistol, shoots a crate, drives a sedan
// along the road and gets out again. Where steering by mouse would be
// fragile, the script turns the player toward the target itself.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Core/Game.h"
#include "Core/StepTrace.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Level/LevelObject.h"
#include "Level/Node.h"
#include "Menu/MenuManager.h"
#include "support/FrameTime.h"
#include "support/SdlEvents.h"
#include "support/ScriptedGame.h"
#include "support/TempDir.h"

namespace {

const uint32_t FRAME_MS = 16;
const int FRAMES_PER_SECOND = 1000 / FRAME_MS;
// A game that never finishes its script is closed after this many frames.
const int LAST_FRAME = 4000;

// Places in the shipped "Modern" level.
const D3DXVECTOR3 POND(430.0f, -1.5f, 240.0f);
const D3DXVECTOR3 PISTOL(-45.0f, 0.3f, -62.0f);
const D3DXVECTOR3 CRATE(-30.0f, 1.0f, -35.0f);
const D3DXVECTOR3 SEDAN(-30.0f, 0.5f, -56.0f);

// The player put on the ground at `position`, facing `target` across the ground.
void PlacePlayer(const D3DXVECTOR3& position, const D3DXVECTOR3& target)
{
    CGameActor& player = *g_PlayerActor;
    D3DXVECTOR3 forward(target.x - position.x, 0.0f, target.z - position.z);
    D3DXVec3Normalize(&forward, &forward);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 right;
    D3DXVec3Cross(&right, &up, &forward);
    D3DXMATRIX& pose = player.m_Model.m_matObject;
    D3DXMatrixIdentity(&pose);
    pose._11 = right.x, pose._12 = right.y, pose._13 = right.z;
    pose._21 = up.x, pose._22 = up.y, pose._23 = up.z;
    pose._31 = forward.x, pose._32 = forward.y, pose._33 = forward.z;
    pose._41 = position.x, pose._42 = position.y, pose._43 = position.z;
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
}

D3DXVECTOR3 PlayerPosition()
{
    const D3DXMATRIX& world = g_PlayerActor->m_Model.m_matWorld;
    return D3DXVECTOR3(world._41, world._42, world._43);
}

float GroundDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return std::hypot(a.x - b.x, a.z - b.z);
}

template <class T>
T* Nearest(std::list<T*>& list, const D3DXVECTOR3& point, D3DXVECTOR3 (*position)(const T&))
{
    T* nearest = nullptr;
    float best = 0.0f;
    for (T* item : list) {
        const float distance = GroundDistance(position(*item), point);
        if (nearest == nullptr || distance < best) {
            nearest = item;
            best = distance;
        }
    }
    return nearest;
}

D3DXVECTOR3 ObjectPosition(const CLevelObject& object)
{
    return object.GetPosition();
}

D3DXVECTOR3 CarPosition(const CCar& car)
{
    const D3DXMATRIX& world = car.m_Body.GetWorldMatrix();
    return D3DXVECTOR3(world._41, world._42, world._43);
}

std::string AnimationName()
{
    const char* name = g_PlayerActor->m_Model.GetAnimationName();
    return name != nullptr ? name : "";
}

// What the run saw, for the test to judge once the game has ended.
struct Seen {
    std::vector<std::string> animations; // at rest, running, walking
    std::string weapon;
    float crateHullBefore = 0.0f;
    float crateHullAfter = 0.0f;
    bool seated = false;
    uint32_t cameraModeInCar = 0;
    float carTravel = 0.0f;
    bool outOfCar = false;
    float distanceFromCarOnFoot = 0.0f;
    float timeOfDayAtStart = 0.0f;
    float timeOfDayAtEnd = 0.0f;
    D3DXVECTOR3 lightAtStart{};
    D3DXVECTOR3 lightAtEnd{};
    std::vector<int> nodeStatesAtStart;
    bool nodeStatesChanged = false;
    int reflectionsFacingPond = 0;
    float mouseTurnDegrees = 0.0f;
    float mousePitchDegrees = 0.0f;
    int lastStage = 0;
};

Seen s_Seen;
int s_Frame = 0;
int s_Reflections = 0;

void CountReflections(const char* step)
{
    if (std::strcmp(step, "CLevel::RenderReflection") == 0)
        ++s_Reflections;
}

D3DXVECTOR3 LightDirection()
{
    D3DLIGHT8 light = {};
    g_Display.GetD3DDevice()->GetLight(0, &light);
    return light.Direction;
}

std::vector<int> NodeStates()
{
    std::vector<int> states;
    for (size_t index = 0; index < g_RoadNodes.GetNodeCount(); ++index)
        states.push_back(g_RoadNodes.GetNode(index)->GetLightState());
    return states;
}

// One stage of the script: `step` runs every frame with the frame number
// inside the stage and says when the stage is over.
struct Stage {
    const char* name;
    int maxFrames;
    std::function<bool(int frame)> step;
};

void Key(SDL_Scancode key, int frame, int downAt, int upAt)
{
    if (frame == downAt)
        PushKey(key, true);
    if (frame == upAt)
        PushKey(key, false);
}

CCar* s_Car = nullptr;
D3DXVECTOR3 s_CarStart{};
CLevelObject* s_Crate = nullptr;
float s_YawBefore = 0.0f;
float s_PitchBefore = 0.0f;

float Degrees(float radians)
{
    return radians * 180.0f / D3DX_PI;
}

// Clockwise seen from above, as a look to the right turns.
float PlayerYaw()
{
    const D3DXMATRIX& pose = g_PlayerActor->m_Model.m_matObject;
    return std::atan2(pose._31, pose._33);
}

const std::vector<Stage>& Stages()
{
    static const std::vector<Stage> stages = {
        {"stand facing the pond", 2 * FRAMES_PER_SECOND,
         [](int frame) {
             if (frame == 0) {
                 PlacePlayer(D3DXVECTOR3(380.0f, 0.5f, 190.0f), POND);
                 s_Reflections = 0;
             }
             if (frame == FRAMES_PER_SECOND) {
                 s_Seen.animations.push_back(AnimationName());
                 s_Seen.reflectionsFacingPond = s_Reflections;
             }
             return frame == FRAMES_PER_SECOND;
         }},
        {"look right and up with the mouse", FRAMES_PER_SECOND,
         [](int frame) {
             if (frame == 0) {
                 s_YawBefore = PlayerYaw();
                 s_PitchBefore = g_GameCamera.m_fVerticalAngle;
                 PushMotion(150, -50);
             }
             if (frame < 10)
                 return false;
             s_Seen.mouseTurnDegrees = Degrees(PlayerYaw() - s_YawBefore);
             s_Seen.mousePitchDegrees = Degrees(g_GameCamera.m_fVerticalAngle - s_PitchBefore);
             g_GameCamera.m_fVerticalAngle = s_PitchBefore; // the shots later aim from the usual view
             return true;
         }},
        {"run", FRAMES_PER_SECOND,
         [](int frame) {
             Key(SDL_SCANCODE_W, frame, 0, 30);
             if (frame == 25)
                 s_Seen.animations.push_back(AnimationName());
             return frame == 40;
         }},
        {"walk", FRAMES_PER_SECOND,
         [](int frame) {
             Key(SDL_SCANCODE_LSHIFT, frame, 0, 32);
             Key(SDL_SCANCODE_W, frame, 2, 30);
             if (frame == 25)
                 s_Seen.animations.push_back(AnimationName());
             return frame == 40;
         }},
        {"walk to the pistol", 10 * FRAMES_PER_SECOND,
         [](int frame) {
             if (frame == 0)
                 PlacePlayer(PISTOL + D3DXVECTOR3(0.0f, 0.2f, 12.0f), PISTOL);
             Key(SDL_SCANCODE_W, frame, 1, -1);
             const CWeapon* weapon = g_PlayerActor->GetCurrentWeapon();
             if (weapon == nullptr)
                 return false;
             PushKey(SDL_SCANCODE_W, false);
             s_Seen.weapon = weapon->GetName();
             return true;
         }},
        {"shoot the crate", 4 * FRAMES_PER_SECOND,
         [](int frame) {
             if (frame == 0) {
                 s_Crate = Nearest<CLevelObject>(g_pLevel->GetActiveObjects(), CRATE, ObjectPosition);
                 PlacePlayer(CRATE + D3DXVECTOR3(0.0f, -0.5f, -8.0f), CRATE);
                 s_Seen.crateHullBefore = s_Crate != nullptr ? s_Crate->m_fHull : 0.0f;
             }
             if (frame == 10)
                 PushButton(SDL_BUTTON_LEFT, true);
             if (frame == 3 * FRAMES_PER_SECOND) {
                 PushButton(SDL_BUTTON_LEFT, false);
                 s_Seen.crateHullAfter = s_Crate != nullptr ? s_Crate->m_fHull : 0.0f;
                 return true;
             }
             return false;
         }},
        {"get into the sedan", 2 * FRAMES_PER_SECOND,
         [](int frame) {
             if (frame == 0) {
                 s_Car = Nearest<CCar>(g_pLevel->GetActiveCars(), SEDAN, CarPosition);
                 PlacePlayer(SEDAN + D3DXVECTOR3(0.0f, 0.0f, 5.0f), SEDAN);
             }
             Key(SDL_SCANCODE_F, frame, 5, 8);
             if (frame < 20)
                 return false;
             s_Seen.seated = g_PlayerActor->m_pCar != nullptr && g_PlayerActor->m_pCar == s_Car;
             s_Seen.cameraModeInCar = g_GameCamera.m_u32Mode;
             s_CarStart = s_Car != nullptr ? CarPosition(*s_Car) : D3DXVECTOR3();
             return true;
         }},
        {"drive along the road", 4 * FRAMES_PER_SECOND,
         [](int frame) {
             Key(SDL_SCANCODE_W, frame, 0, 3 * FRAMES_PER_SECOND);
             if (frame < 3 * FRAMES_PER_SECOND + 30)
                 return false;
             s_Seen.carTravel = s_Car != nullptr ? GroundDistance(CarPosition(*s_Car), s_CarStart) : 0.0f;
             return true;
         }},
        {"get out", FRAMES_PER_SECOND,
         [](int frame) {
             Key(SDL_SCANCODE_F, frame, 0, 3);
             if (frame < 30)
                 return false;
             s_Seen.outOfCar = g_PlayerActor->m_pCar == nullptr;
             s_Seen.distanceFromCarOnFoot = s_Car != nullptr ? GroundDistance(PlayerPosition(), CarPosition(*s_Car)) : 0.0f;
             return true;
         }},
    };
    return stages;
}

int s_Stage = 0;
int s_StageFrame = 0;

void Play()
{
    ++s_Frame;
    SetFrameTime(FRAME_MS);
    const std::vector<Stage>& stages = Stages();
    if (s_Stage >= static_cast<int>(stages.size()))
        return;
    if (s_Stage == 0 && s_StageFrame == 0) {
        s_Seen.timeOfDayAtStart = g_GameTimer.GetTimeOfDay();
        s_Seen.lightAtStart = LightDirection();
        s_Seen.nodeStatesAtStart = NodeStates();
    }
    if (NodeStates() != s_Seen.nodeStatesAtStart)
        s_Seen.nodeStatesChanged = true;
    const Stage& stage = stages[static_cast<size_t>(s_Stage)];
    const bool over = stage.step(s_StageFrame) || s_StageFrame >= stage.maxFrames;
    ++s_StageFrame;
    if (!over)
        return;
    ++s_Stage;
    s_StageFrame = 0;
    s_Seen.lastStage = s_Stage;
    if (s_Stage < static_cast<int>(stages.size()))
        return;
    s_Seen.timeOfDayAtEnd = g_GameTimer.GetTimeOfDay();
    s_Seen.lightAtEnd = LightDirection();
    PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
}

int ScriptedPlay()
{
    Play();
    InGameState();
    if (s_Frame == LAST_FRAME)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

// Play starts as New Game starts it, the menu closing over it; the script
// then plays in it.
int ScriptedFrontEnd()
{
    g_Game.EnterPlay();
    g_MenuManager.PopScreen();
    g_Game.PushState(ScriptedPlay);
    return 1;
}

TEST(GamePlayTest, ThePlayerWalksPicksUpThePistolShootsACrateAndDrivesASedanAlongTheRoad)
{
    TempDir dir;
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    ScopedWorkingDir cwd(dir.Path());
    s_Seen = Seen();
    g_StepTrace = CountReflections;
    EXPECT_EQ(0, RunGameScripted(ScriptedFrontEnd));
    g_StepTrace = nullptr;

    ASSERT_EQ(static_cast<int>(Stages().size()), s_Seen.lastStage) << "every stage ran to its end";
    EXPECT_EQ((std::vector<std::string>{"Idle", "Run", "Walk"}), s_Seen.animations);
    EXPECT_GT(s_Seen.reflectionsFacingPond, 0) << "the pond mirrors the sky while it is on screen";
    // DirectInput counts the mouse one unit a count: a mouse look a player can aim with.
    EXPECT_NEAR(17.2f, s_Seen.mouseTurnDegrees, 0.1f) << "150 counts to the right";
    EXPECT_NEAR(-5.7f, s_Seen.mousePitchDegrees, 0.1f) << "50 counts up";
    EXPECT_EQ("pistol", s_Seen.weapon);
    EXPECT_LT(s_Seen.crateHullAfter, s_Seen.crateHullBefore) << "the shots hurt the crate";
    EXPECT_TRUE(s_Seen.seated);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_FOLLOW), s_Seen.cameraModeInCar);
    EXPECT_GT(s_Seen.carTravel, 15.0f);
    EXPECT_TRUE(s_Seen.outOfCar);
    EXPECT_LT(s_Seen.distanceFromCarOnFoot, 5.0f) << "on foot beside the car";
    EXPECT_NE(s_Seen.timeOfDayAtStart, s_Seen.timeOfDayAtEnd) << "the clock ran";
    EXPECT_NE(s_Seen.lightAtStart, s_Seen.lightAtEnd) << "the sun moved and the light with it";
    EXPECT_TRUE(s_Seen.nodeStatesChanged) << "the crossing's lights changed";
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
}

} // namespace
