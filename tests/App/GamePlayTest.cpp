// The whole game as a player plays it: the shipped town, keys and the mouse
// buttons through the default bindings, a steady 16 ms frame. The player
// stands, runs and walks, picks up the pistol, breaks a crate with it, drives
// a sedan along the road and gets out again, then takes each other weapon
// from the console's SPAWN and uses it. Where steering by mouse would be
// fragile, the script turns the player toward the target itself. Keys and
// buttons are held over several frames, as a hand holds them.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "AI/AIController.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Actors/ProjectilePool.h"
#include "App/Application.h"
#include "Console/Console.h"
#include "Core/Game.h"
#include "Core/StepTrace.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/RenderQueue.h"
#include "Effects/Effect.h"
#include "Input/InGameMouse.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Level/LevelObject.h"
#include "Level/Node.h"
#include "Menu/MenuManager.h"
#include "support/FrameTime.h"
#include "support/GameFolderCopy.h"
#include "support/SdlEvents.h"
#include "support/ScriptedGame.h"

namespace {

const uint32_t FRAME_MS = 16;
const int FRAMES_PER_SECOND = 1000 / FRAME_MS;
// A game that never finishes its script is closed after this many frames.
const int LAST_FRAME = 8000;
enum { ROW_POSITION = 3 };
// A press of a key or a button, as a hand makes it.
const int PRESS_FRAMES = 6;

// Places in the shipped "Modern" level.
const D3DXVECTOR3 POND(430.0f, -1.5f, 240.0f);
const D3DXVECTOR3 PISTOL(-45.0f, 0.3f, -62.0f);
const D3DXVECTOR3 CRATE(-30.0f, 1.0f, -35.0f);
const D3DXVECTOR3 SEDAN(-30.0f, 0.5f, -56.0f);
// Open ground south of the town, facing north, where the weapons are tried.
const D3DXVECTOR3 FIELD(-4.0f, 0.5f, -54.0f);
const D3DXVECTOR3 NORTH(-4.0f, 0.5f, 100.0f);
// A full pistol.
const float MAGAZINE = 24.0f;
// A walk that has not picked its weapon up this often starts again this far
// short of it.
const int WALK_AGAIN_FRAMES = 90;
const float WALK_AGAIN_DISTANCE = 3.0f;

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

std::string AnimationName()
{
    const char* name = g_PlayerActor->m_Model.GetAnimationName();
    return name != nullptr ? name : "";
}

// What the run saw, for the test to judge once the game has ended.
struct Seen {
    std::vector<std::string> animations; // at rest, running, walking
    std::string weapon;
    float crateHullAfter = -1.0f;
    float crateShots = 0.0f;
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
    // What the player saw of the other weapons, each once, in order.
    std::vector<std::string> sights;
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

void Button(Uint8 button, int frame, int downAt, int upAt)
{
    if (frame == downAt)
        PushButton(button, true);
    if (frame == upAt)
        PushButton(button, false);
}

bool Saw(const std::string& sight)
{
    return std::find(s_Seen.sights.begin(), s_Seen.sights.end(), sight) != s_Seen.sights.end();
}

void See(const std::string& sight)
{
    if (!Saw(sight))
        s_Seen.sights.push_back(sight);
}

template <class T>
bool Queued(const std::list<T*>& queue, const T& item)
{
    return std::find(queue.begin(), queue.end(), &item) != queue.end();
}

// Some part of the effect is in the render queue of the frame just drawn.
bool Drawn(const CEffect& effect)
{
    for (const C3DSprite& sprite : effect.m_Sprites)
        if (Queued(g_RenderQueue.GetSprites(), sprite))
            return true;
    for (const CEffectMesh& mesh : effect.m_Meshes)
        if (Queued(g_RenderQueue.GetOpaqueBatch().m_Objects, mesh.m_DisplayObject))
            return true;
    for (const CParticleEmitter& system : effect.m_ParticleSystems)
        if (Queued(g_RenderQueue.GetParticles1(), system) || Queued(g_RenderQueue.GetParticles2(), system))
            return true;
    return false;
}

CWeapon* CurrentWeapon()
{
    return g_PlayerActor->GetCurrentWeapon();
}

bool Carries(const std::string& name)
{
    for (const std::unique_ptr<CWeapon>& weapon : g_PlayerActor->GetWeapons())
        if (weapon->GetName() == name)
            return true;
    return false;
}

// The current weapon's last shot, while the pool still holds it as that shot.
const CProjectile* LastShot()
{
    const CProjectileHandle& shot = CurrentWeapon()->m_LastProjectile;
    const std::vector<CProjectile*>& live = g_pLevel->GetProjectiles().GetLive();
    if (shot.m_pProjectile == nullptr || shot.m_pProjectile->GetGeneration() != shot.m_u32Generation ||
        std::find(live.begin(), live.end(), shot.m_pProjectile) == live.end())
        return nullptr;
    return shot.m_pProjectile;
}

// What a thrown or launched shot shows: `flight` while its first stage is
// drawn away from where it left, `resting` (or nothing) while the stage
// before its detonation is drawn, `blast` once its detonation has been drawn
// whole for BLAST_FRAMES (its flash lasts half a second).
struct ShotSights {
    const char* flight;
    const char* resting;
    const char* blast;
};
const ShotSights GRENADE = {"Grenade: in flight", nullptr, "Grenade: explosion"};
const ShotSights C4 = {"C4: thrown", "C4: placed", "C4: explosion"};
const ShotSights ROCKET = {"RocketLauncher: rocket in flight", nullptr, "RocketLauncher: explosion"};

const int BLAST_FRAMES = FRAMES_PER_SECOND / 2;
int s_BlastFrames = 0;

void WatchShot(const ShotSights& sights)
{
    const CProjectile* shot = LastShot();
    if (shot == nullptr)
        return;
    const int stage = shot->GetCurrentStage();
    const D3DXVECTOR3 travel = GetMatrixRow(shot->m_matFinal, ROW_POSITION) - shot->m_vLaunchPosition;
    if (stage == 0 && D3DXVec3Length(&travel) > 1.0f && Drawn(shot->m_Stages[0].m_Effect))
        See(sights.flight);
    if (sights.resting != nullptr && stage == shot->m_iDetonateStage - 1 && Drawn(shot->m_Stages[stage].m_Effect))
        See(sights.resting);
    if (stage != shot->m_iDetonateStage) {
        s_BlastFrames = 0;
        return;
    }
    const CEffect& blast = shot->m_Stages[stage].m_Effect;
    if (Drawn(blast) && blast.m_u8ParticlesOnly == 0 && ++s_BlastFrames >= BLAST_FRAMES)
        See(sights.blast);
}

// `button` held for `held` frames, then the shot watched until `until` is seen.
Stage Launch(const char* name, Uint8 button, int held, const ShotSights& sights, const char* until)
{
    return {name, 6 * FRAMES_PER_SECOND, [=](int frame) {
                Button(button, frame, 0, held);
                WatchShot(sights);
                return Saw(until);
            }};
}

// The weapon of that name lying in the level; null when there is none.
const CWeapon* LyingWeapon(const std::string& name)
{
    for (const std::unique_ptr<CWeapon>& weapon : g_pLevel->GetWeapons())
        if (weapon->GetName() == name)
            return weapon.get();
    return nullptr;
}

// The player a few steps short of `lying` on his side of it, facing it.
void StandShortOf(const CWeapon& lying)
{
    const D3DXMATRIX& at = lying.m_DisplayObject.GetWorldMatrix();
    const D3DXVECTOR3 weapon(at._41, at._42, at._43);
    D3DXVECTOR3 back = PlayerPosition() - weapon;
    back.y = 0.0f;
    if (D3DXVec3LengthSq(&back) < 1e-6f)
        back = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    D3DXVec3Normalize(&back, &back);
    PlacePlayer(weapon + back * WALK_AGAIN_DISTANCE + D3DXVECTOR3(0.0f, 0.5f, 0.0f), weapon);
}

// A weapon spawned as a player spawns one at the console: five units ahead.
// The player walks onto it and turns the wheel until it is in hand. Someone
// of the town may bump the player off the line: then, as a player would, he
// starts again a few steps short of it, facing it.
std::vector<Stage> TakeWeapon(const std::string& name)
{
    return {
        {"walk onto the spawned weapon", 5 * FRAMES_PER_SECOND,
         [name](int frame) {
             if (frame == 0)
                 g_Console.RunLine("SET SPAWN " + name);
             Key(SDL_SCANCODE_W, frame, 1, -1);
             const CWeapon* lying = LyingWeapon(name);
             if (!Carries(name) && lying != nullptr && frame > 0 && frame % WALK_AGAIN_FRAMES == 0)
                 StandShortOf(*lying);
             if (!Carries(name))
                 return false;
             PushKey(SDL_SCANCODE_W, false);
             return true;
         }},
        {"wheel to it", 3 * FRAMES_PER_SECOND,
         [name](int frame) {
             if (CurrentWeapon()->GetName() == name)
                 return frame > PRESS_FRAMES;
             if (frame % PRESS_FRAMES == 0)
                 PushWheel(-1, false);
             return false;
         }},
    };
}

std::vector<Stage> Joined(std::vector<Stage> first, const std::vector<Stage>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// One press of the secondary action (the HandBrake button).
bool PressSecondary(int frame)
{
    Button(SDL_BUTTON_RIGHT, frame, 0, PRESS_FRAMES);
    return frame == 2 * PRESS_FRAMES;
}

// The other weapons, each taken and used as a player uses it.
std::vector<Stage> WeaponStages()
{
    std::vector<Stage> stages = {
        {"go to the open ground", 1,
         [](int) {
             PlacePlayer(FIELD, NORTH);
             return true;
         }},
    };
    const auto add = [&stages](const std::vector<Stage>& more) { stages = Joined(stages, more); };
    add(TakeWeapon("Uzzi"));
    add({{"hold fire with the Uzzi", 2 * FRAMES_PER_SECOND,
          [](int frame) {
              static float before = 0.0f;
              if (frame == 0)
                  before = CurrentWeapon()->m_fAmmunition;
              Button(SDL_BUTTON_LEFT, frame, 0, FRAMES_PER_SECOND);
              if (Drawn(CurrentWeapon()->m_FireEffect))
                  See("Uzzi: muzzle flash");
              if (frame < FRAMES_PER_SECOND + PRESS_FRAMES)
                  return false;
              // A shot every tenth of a second or so while the button is held.
              if (before - CurrentWeapon()->m_fAmmunition >= 8.0f)
                  See("Uzzi: automatic fire");
              return true;
          }}});
    add(TakeWeapon("Grenade"));
    add({Launch("hold fire, then let go of the grenade", SDL_BUTTON_LEFT, FRAMES_PER_SECOND, GRENADE, GRENADE.blast)});
    add(TakeWeapon("C4"));
    add({Launch("throw the C4", SDL_BUTTON_LEFT, FRAMES_PER_SECOND / 2, C4, C4.resting),
         {"back away from it", 3 * FRAMES_PER_SECOND,
          [](int frame) {
              Key(SDL_SCANCODE_S, frame, 0, 2 * FRAMES_PER_SECOND);
              return frame == 2 * FRAMES_PER_SECOND + PRESS_FRAMES;
          }},
         Launch("set it off with the secondary action", SDL_BUTTON_RIGHT, PRESS_FRAMES, C4, C4.blast)});
    add(TakeWeapon("Sniper"));
    add({{"look through the scope", FRAMES_PER_SECOND,
          [](int frame) {
              if (!PressSecondary(frame))
                  return false;
              const CWeapon& sniper = *CurrentWeapon();
              if (g_GameCamera.m_u32Mode == CCamera::MODE_ZOOM && g_InGameMouse.IsVisible() &&
                  g_InGameMouse.GetTexture() == sniper.m_pAimTextureSec && g_InGameMouse.IsFullScreen())
                  See("Sniper: scope");
              return true;
          }},
         {"put the scope away", FRAMES_PER_SECOND, [](int frame) {
              if (!PressSecondary(frame))
                  return false;
              if (g_GameCamera.m_u32Mode == CCamera::MODE_CHASE && !g_InGameMouse.IsFullScreen())
                  See("Sniper: back to the chase view");
              return true;
          }}});
    add(TakeWeapon("RocketLauncher"));
    add({Launch("fire a rocket", SDL_BUTTON_LEFT, PRESS_FRAMES, ROCKET, ROCKET.blast)});
    return stages;
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
    static const std::vector<Stage> stages = Joined({
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
        {"hold fire at a crate 10 units away", 10 * FRAMES_PER_SECOND,
         [](int frame) {
             if (frame == 0) {
                 s_Crate = Nearest<CLevelObject>(g_pLevel->GetActiveObjects(), CRATE, ObjectPosition);
                 const D3DXVECTOR3 crate = s_Crate != nullptr ? s_Crate->GetPosition() : CRATE;
                 PlacePlayer(crate + D3DXVECTOR3(0.0f, -0.5f, -10.0f), crate);
             }
             Button(SDL_BUTTON_LEFT, frame, PRESS_FRAMES, -1);
             s_Seen.crateShots = MAGAZINE - CurrentWeapon()->m_fAmmunition;
             s_Seen.crateHullAfter = s_Crate != nullptr ? s_Crate->m_fHull : -1.0f;
             if (s_Seen.crateHullAfter > 0.0f && s_Seen.crateShots < MAGAZINE)
                 return false;
             PushButton(SDL_BUTTON_LEFT, false);
             return true;
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
    }, WeaponStages());
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

TEST(GamePlayTest, ThePlayerWalksBreaksACrateDrivesASedanAndUsesEveryWeapon)
{
    GameFolderCopy dir;
    s_Seen = Seen();
    g_StepTrace = CountReflections;
    EXPECT_EQ(0, RunGameInPlay(ScriptedPlay));
    g_StepTrace = nullptr;

    ASSERT_EQ(static_cast<int>(Stages().size()), s_Seen.lastStage) << "every stage ran to its end";
    EXPECT_EQ((std::vector<std::string>{"Idle", "Run", "Walk"}), s_Seen.animations);
    EXPECT_GT(s_Seen.reflectionsFacingPond, 0) << "the pond mirrors the sky while it is on screen";
    // DirectInput counts the mouse one unit a count: a mouse look a player can aim with.
    EXPECT_NEAR(17.2f, s_Seen.mouseTurnDegrees, 0.1f) << "150 counts to the right";
    EXPECT_NEAR(-5.7f, s_Seen.mousePitchDegrees, 0.1f) << "50 counts up";
    EXPECT_EQ("pistol", s_Seen.weapon);
    EXPECT_EQ(0.0f, s_Seen.crateHullAfter) << "the crate breaks";
    EXPECT_LE(s_Seen.crateShots, MAGAZINE) << "within one magazine";
    EXPECT_TRUE(s_Seen.seated);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_FOLLOW), s_Seen.cameraModeInCar);
    EXPECT_GT(s_Seen.carTravel, 15.0f);
    EXPECT_TRUE(s_Seen.outOfCar);
    EXPECT_LT(s_Seen.distanceFromCarOnFoot, 5.0f) << "on foot beside the car";
    EXPECT_NE(s_Seen.timeOfDayAtStart, s_Seen.timeOfDayAtEnd) << "the clock ran";
    EXPECT_NE(s_Seen.lightAtStart, s_Seen.lightAtEnd) << "the sun moved and the light with it";
    EXPECT_TRUE(s_Seen.nodeStatesChanged) << "the crossing's lights changed";
    const std::vector<std::string> sights = {
        "Uzzi: muzzle flash",
        "Uzzi: automatic fire",
        "Grenade: in flight",
        "Grenade: explosion",
        "C4: thrown",
        "C4: placed",
        "C4: explosion",
        "Sniper: scope",
        "Sniper: back to the chase view",
        "RocketLauncher: rocket in flight",
        "RocketLauncher: explosion",
    };
    EXPECT_EQ(sights, s_Seen.sights);
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
}

} // namespace
