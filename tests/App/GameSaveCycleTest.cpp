// A save continued, made and loaded as a player does it, on the shipped
// content with SDL input, a steady frame and a fixed local time. From the
// front end: the credits' tour plays behind their screen; Continue plays on
// from the save found in slot 2; the player walks into the save point and
// saves into slot 2; the pause menu's Load Game and slot 2 bring that save
// back under a camera the mouse turns; after death, "Retry" plays on. (The game
// runs once per process: the save met at start-up is the test's own.)

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Core/Game.h"
#include "Display/Camera.h"
#include "Game/HUD.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Game/ProgressData.h"
#include "Input/InGameMouse.h"
#include "Input/LocalController.h"
#include "Menu/Button.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "platform/win32/Win32Platform.h"
#include "support/GameFolderCopy.h"
#include "support/MenuSpots.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"
#include "support/StagedPlay.h"

namespace {

const uint32_t FRAME_MS = 20;
// The credits' forty seconds of tour go by on longer frames.
const uint32_t TOUR_FRAME_MS = 100;
const int LAST_FRAME = 3000;
const int CLICK_FRAMES = 8;
const int KEY_FRAMES = 8;
// 13:05:09 on Friday 22 April 2005.
const SYSTEMTIME SAVED_AT = {2005, 4, 5, 22, 13, 5, 9, 0};
const char* const SAVED_STAMP = "13:5:9 \n4/22/5";
const D3DXVECTOR3 SAVE_POINT(-45.0f, 0.5f, -30.0f);
// Walking north into the save point's circle.
const D3DXVECTOR3 SOUTH_OF_SAVE_POINT(-45.0f, 0.5f, -34.0f);
const float SAVE_RADIUS = 2.5f;

// The middles of the shipped buttons of the other screens.
using Spot = ScreenSpot;
const Spot SAVE_SLOT_2 = {0.3125f, 0.368f};
const Spot SAVE_BACK = {0.5f, 0.933f};
const Spot CREDITS_BACK = {0.5f, 0.933f};
const Spot PAUSED_LOAD_GAME = {0.5f, 0.583f};
const Spot PAUSED_QUIT = {0.5f, 0.733f};
const Spot LOAD_SLOT_2 = {0.3125f, 0.33f};
const Spot GAME_OVER_RETRY = {0.5f, 0.508f};

// The game's state at one moment.
struct Moment {
    std::string screen;
    D3DXVECTOR3 player = D3DXVECTOR3(0, 0, 0);
    std::vector<std::string> missions;
    bool alive = false;
    float life = 0.0f;
    uint8_t hud = 0;
    const CCamera* camera = nullptr;
    const CController* cameraController = nullptr;
    std::string currentMission;
};

struct Seen {
    int lastStage = 0;
    Moment atSave;
    std::string slotCaption;
    Moment saved;
    Moment credits;
    Moment afterTour;
    Moment backFromCredits;
    Moment continued;
    std::string loadCaption;
    Moment loaded;
    float mouseTurnDegrees = 0.0f;
    Moment dead;
    Moment retried;
};
Seen s_Seen;

std::string ScreenName()
{
    const CSingleScreen* screen = g_MenuManager.GetCurrentScreen();
    return screen != nullptr ? screen->m_Name : std::string("(game)");
}

Moment Now()
{
    Moment now;
    now.screen = ScreenName();
    const D3DXMATRIX& placed = g_PlayerActor->m_Model.m_matObject;
    now.player = D3DXVECTOR3(placed._41, placed._42, placed._43);
    for (size_t i = 0; i < g_MissionManager.GetMissionCount(); ++i)
        now.missions.push_back(g_MissionManager.GetMission(i)->GetName());
    now.alive = g_PlayerActor->m_bAlive;
    now.life = g_PlayerActor->m_fCurrentLife;
    now.hud = g_HUD.m_bVisible;
    now.camera = g_pActiveCamera;
    now.cameraController = g_GameCamera.m_pController;
    const CMission* current = g_MissionManager.GetCurrentMission();
    now.currentMission = current != nullptr ? current->GetName() : "";
    return now;
}

// Clockwise seen from above, as a look to the right turns.
float PlayerYaw()
{
    const D3DXMATRIX& pose = g_PlayerActor->m_Model.m_matObject;
    return std::atan2(pose._31, pose._33);
}

// The cursor on a button, pressed and let go; `seen` then records the game.
PlayStage Click(Spot spot, Moment* seen = nullptr)
{
    return {CLICK_FRAMES, [spot, seen](int frame) {
                const float cursor[2] = {spot.x, spot.y};
                g_InGameMouse.SetPosition(cursor);
                if (frame == 1)
                    PushButton(SDL_BUTTON_LEFT, true);
                if (frame == 2)
                    PushButton(SDL_BUTTON_LEFT, false);
                if (frame < CLICK_FRAMES - 1)
                    return false;
                if (seen != nullptr)
                    *seen = Now();
                return true;
            }};
}

PlayStage Press(SDL_Scancode key)
{
    return {KEY_FRAMES, [key](int frame) {
                if (frame == 0 || frame == 2)
                    PushKey(key, frame == 0);
                return frame == KEY_FRAMES - 1;
            }};
}

PlayStage Look(Moment* seen)
{
    return {2, [seen](int frame) {
                *seen = Now();
                return frame == 1;
            }};
}

// The caption of a slot button of the current screen.
std::string SlotCaption(int slot)
{
    const CSingleScreen* screen = g_MenuManager.GetCurrentScreen();
    if (screen == nullptr || screen->m_pMenu == nullptr)
        return "";
    const auto& buttons = screen->m_pMenu->GetButtons();
    const size_t index = static_cast<size_t>(slot) + 2;
    return index < buttons.size() ? buttons[index]->m_Caption : "";
}

// What slot 2's button of the current screen shows.
PlayStage ReadSlot2Caption(std::string* caption)
{
    return {1, [caption](int) {
                *caption = SlotCaption(2);
                return true;
            }};
}

// Stands the player at `position` facing +z, at rest.
void PlacePlayerFacingNorth(const D3DXVECTOR3& position)
{
    CGameActor& player = *g_PlayerActor;
    D3DXMatrixTranslation(&player.m_Model.m_matObject, position.x, position.y, position.z);
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
    player.StopMoving();
}

float DistanceToSavePoint()
{
    const D3DXMATRIX& placed = g_PlayerActor->m_Model.m_matScaledObject;
    return std::hypot(placed._41 - SAVE_POINT.x, placed._43 - SAVE_POINT.z);
}

// Back into the save point's circle from the south, the use key, slot 2
// and Back.
std::vector<PlayStage> SavingStages()
{
    return {
        {300,
         [](int frame) {
             if (frame == 0) {
                 QuietThePool();
                 PlacePlayerFacingNorth(SOUTH_OF_SAVE_POINT);
             }
             if (frame == 5)
                 PushKey(SDL_SCANCODE_W, true);
             if (frame <= 5 || DistanceToSavePoint() > SAVE_RADIUS * 0.5f)
                 return false;
             PushKey(SDL_SCANCODE_W, false);
             return true;
         }},
        Press(SDL_SCANCODE_F),
        Look(&s_Seen.atSave),
        Click(SAVE_SLOT_2),
        ReadSlot2Caption(&s_Seen.slotCaption),
        Click(SAVE_BACK, &s_Seen.saved),
    };
}

std::vector<PlayStage> Joined(std::initializer_list<std::vector<PlayStage>> parts)
{
    std::vector<PlayStage> joined;
    for (const std::vector<PlayStage>& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// From the front end: the credits and back, Continue, a save at the save
// point, the pause menu's Load Game and slot 2, a look to the right, death
// and Retry, then Quit.
const std::vector<PlayStage>& Stages()
{
    static float s_YawBefore = 0.0f;
    static const std::vector<PlayStage> stages = Joined({{
        Click(MainMenuSpots::CREDITS, &s_Seen.credits),
        {1000,
         [](int) {
             s_Seen.afterTour = Now();
             return g_MissionManager.GetCurrentMission() == nullptr;
         },
         TOUR_FRAME_MS},
        Click(CREDITS_BACK, &s_Seen.backFromCredits),
        Click(MainMenuSpots::CONTINUE, &s_Seen.continued)},
        SavingStages(),
        {Press(SDL_SCANCODE_ESCAPE),
        Click(PAUSED_LOAD_GAME),
        ReadSlot2Caption(&s_Seen.loadCaption),
        Click(LOAD_SLOT_2, &s_Seen.loaded),
        {30,
         [](int frame) {
             if (frame == 0) {
                 s_YawBefore = PlayerYaw();
                 PushMotion(150, 0);
             }
             if (frame < 10)
                 return false;
             s_Seen.mouseTurnDegrees = (PlayerYaw() - s_YawBefore) * 180.0f / D3DX_PI;
             return true;
         }},
        {20,
         [](int frame) {
             // As a deadly blow leaves it. (The console's SETHEALTH would do
             // the same, but closing the console takes the menu's input
             // context with it when "Game Over Screen" opened meanwhile.)
             if (frame == 0)
                 g_PlayerActor->m_fCurrentLife = 0.0f;
             s_Seen.dead = Now();
             return s_Seen.dead.screen == "Game Over Screen";
         }},
        Click(GAME_OVER_RETRY, &s_Seen.retried),
        Press(SDL_SCANCODE_ESCAPE),
        Click(PAUSED_QUIT)}});
    return stages;
}

void ExpectAtTheSavePoint(const Moment& moment, const std::vector<std::string>& missions)
{
    EXPECT_EQ("(game)", moment.screen);
    const D3DXVECTOR3 off = moment.player - SAVE_POINT;
    EXPECT_LT(D3DXVec3Length(&off), 0.5f) << moment.player.x << " " << moment.player.y << " " << moment.player.z;
    EXPECT_EQ(missions, moment.missions);
    EXPECT_EQ(&g_GameCamera, moment.camera);
    EXPECT_EQ(&g_LocalController, moment.cameraController) << "the player turns the camera";
}

TEST(GameSaveCycleTest, ASaveIsContinuedMadeLoadedAndRetriedAfterDeath)
{
    GameFolderCopy dir;
    CProgressData found;
    found.m_MissionsOpen = {"SaveMission", "3"};
    found.m_StartingPos = SAVE_POINT;
    found.m_TimeStamp.ParseDate("01/02/05");
    dir.Write("Saves/2.txt", ProgressText(found));
    Win32Platform::SetFixedLocalTime(&SAVED_AT);
    s_Seen = Seen();

    EXPECT_EQ(0, RunGameScripted(StagedFrontEnd(Stages(), FRAME_MS, LAST_FRAME, s_Seen.lastStage)));
    Win32Platform::SetFixedLocalTime(nullptr);
    EXPECT_EQ(static_cast<int>(Stages().size()) - 1, s_Seen.lastStage) << "the last stage's Quit ended the game";

    EXPECT_EQ("Credits Screen", s_Seen.credits.screen);
    EXPECT_EQ("Credits", s_Seen.credits.currentMission);
    EXPECT_EQ(&g_CinemaCamera, s_Seen.credits.camera) << "the tour plays behind the screen";
    EXPECT_EQ("", s_Seen.afterTour.currentMission);
    EXPECT_EQ(&g_GameCamera, s_Seen.afterTour.camera) << "the tour hands the camera back";
    EXPECT_EQ("Main Menu", s_Seen.backFromCredits.screen);

    // The save game creates the missions from the last to the first.
    ExpectAtTheSavePoint(s_Seen.continued, {"3", "SaveMission"});

    EXPECT_EQ("Save Options", s_Seen.atSave.screen);
    EXPECT_EQ(SAVED_STAMP, s_Seen.slotCaption);
    EXPECT_EQ("(game)", s_Seen.saved.screen);
    CProgressData saved;
    ASSERT_TRUE(LoadProgress(SaveSlotPath(2), saved));
    EXPECT_EQ(SAVE_POINT, saved.m_StartingPos);
    std::vector<std::string> missions = saved.m_MissionsOpen;
    std::reverse(missions.begin(), missions.end());
    EXPECT_EQ(SAVED_STAMP, s_Seen.loadCaption);
    ExpectAtTheSavePoint(s_Seen.loaded, missions);
    EXPECT_GT(s_Seen.mouseTurnDegrees, 1.0f) << "the mouse turns the player and the camera behind";

    EXPECT_EQ("Game Over Screen", s_Seen.dead.screen);
    EXPECT_EQ(0, s_Seen.dead.hud);
    EXPECT_EQ("(game)", s_Seen.retried.screen);
    EXPECT_TRUE(s_Seen.retried.alive);
    EXPECT_GT(s_Seen.retried.life, 0.0f);
    EXPECT_EQ(1, s_Seen.retried.hud);
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error")) << log;
}

} // namespace
