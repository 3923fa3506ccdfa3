// The save point in the whole game on the shipped content, entered into play
// as New Game enters it and played with SDL input on a steady 16 ms frame at
// a fixed local time: the player stands in the save point's circle and
// presses the get-in-car key; "Save Options" opens over the paused town;
// "Slot 3" writes Saves/3.txt and shows its stamp; "Back" resumes play with
// "Game Saved" on the screen, and the save point waits again at the end of
// the list without starting while the player still stands in its circle.

#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/StepTrace.h"
#include "Display/TextMaster.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Game/MissionNames.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Level/Level.h"
#include "Menu/Button.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Windows.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"
#include "support/StagedPlay.h"

namespace {

const uint32_t FRAME_MS = 16;
const int LAST_FRAME = 1000;
const D3DXVECTOR3 SAVE_POINT(-45.0f, 0.5f, -30.0f);
const int SETTLE_FRAMES = 20;
// A press as a hand makes it.
const int PRESS_FRAMES = 4;
// Frames the player stays in the circle once play has resumed.
const int STAY_FRAMES = 60;
const char* const SCREEN = "Save Options";
const size_t SLOT_3_BUTTON = 5;
const size_t BACK_BUTTON = 1;

struct Seen {
    std::vector<std::string> listedBefore;
    bool promptShown = false;
    bool openedByTheKey = false;
    bool playerInCar = false;
    std::string current;
    int levelState = -1;
    int inputContext = -1;
    bool cursorShown = false;
    std::string slotCaption;
    bool savedInMenu = false;
    bool savedInPlay = false;
    int levelStateAfter = -1;
    int inputContextAfter = -1;
    bool restarted = false;
    std::vector<std::string> listedAfter;
    int lastStage = 0;
};

Seen s_Seen;

bool IsSaveScreenCurrent()
{
    const CSingleScreen* screen = g_MenuManager.GetCurrentScreen();
    return screen != nullptr && screen->m_Name == SCREEN;
}

CButton& SaveScreenButton(size_t index)
{
    return *g_MenuManager.FindScreen(SCREEN)->m_pMenu->GetButtons().at(index);
}

// What the frame queued before the menus drew over it.
void WatchTheTexts(const char* step)
{
    if (std::string(step) != "CMenuManager::Draw")
        return;
    for (uint32_t i = 0; i < g_TextMaster.GetQueueCount(); ++i) {
        const std::string& text = g_TextMaster.GetQueue()[i].m_pPrepared->m_Text;
        s_Seen.promptShown |= text == "Press F to save";
        if (text == "Game Saved")
            (IsSaveScreenCurrent() ? s_Seen.savedInMenu : s_Seen.savedInPlay) = true;
    }
}

void PutPlayerAt(const D3DXVECTOR3& position)
{
    CGameActor& player = *g_PlayerActor;
    player.m_Model.SetPosition(&position);
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
}

// A point strictly inside the button, looked for from its top-left corner.
bool PointInside(const CButton& button, float cursor[2])
{
    for (float dy = 0.005f; dy < 0.2f; dy += 0.005f) {
        for (float dx = 0.005f; dx < 0.3f; dx += 0.005f) {
            cursor[0] = button.m_Position[0] + dx;
            cursor[1] = button.m_Position[1] + dy;
            if (button.IsMouseOver(cursor))
                return true;
        }
    }
    return false;
}

// The left button pressed and let go over the button; false once the frames
// of the click have passed.
bool Click(const CButton& button, int frame)
{
    float cursor[2] = {0.0f, 0.0f};
    if (!PointInside(button, cursor))
        return false;
    g_InGameMouse.SetPosition(cursor);
    if (frame == 1)
        PushButton(SDL_BUTTON_LEFT, true);
    if (frame == 1 + PRESS_FRAMES)
        PushButton(SDL_BUTTON_LEFT, false);
    return frame <= 1 + PRESS_FRAMES;
}

const std::vector<PlayStage>& Stages()
{
    static const std::vector<PlayStage> stages = {
        {SETTLE_FRAMES,
         [](int frame) {
             if (frame == 0) {
                 QuietThePool();
                 PutPlayerAt(SAVE_POINT);
                 s_Seen.listedBefore = ListedMissionNames();
             }
             return false;
         }},
        {100,
         [](int frame) {
             if (frame == 0)
                 PushKey(SDL_SCANCODE_F, true);
             if (frame == PRESS_FRAMES)
                 PushKey(SDL_SCANCODE_F, false);
             if (!IsSaveScreenCurrent())
                 return false;
             s_Seen.openedByTheKey = frame > PRESS_FRAMES;
             s_Seen.playerInCar = g_PlayerActor->m_pCar != nullptr;
             const CMission* current = g_MissionManager.GetCurrentMission();
             s_Seen.current = current != nullptr ? current->GetName() : "";
             s_Seen.levelState = g_pLevel->GetState();
             s_Seen.inputContext = g_InputManager.GetCurrentContext();
             s_Seen.cursorShown = g_InGameMouse.IsVisible();
             return true;
         }},
        {100,
         [](int frame) {
             const bool clicking = Click(SaveScreenButton(SLOT_3_BUTTON), frame);
             s_Seen.slotCaption = SaveScreenButton(SLOT_3_BUTTON).m_Caption;
             return !clicking && s_Seen.slotCaption != "Slot 3";
         }},
        {100,
         [](int frame) {
             const bool clicking = Click(SaveScreenButton(BACK_BUTTON), frame);
             return !clicking && g_MenuManager.GetCurrentScreen() == nullptr;
         }},
        {STAY_FRAMES,
         [](int frame) {
             s_Seen.restarted |= g_MissionManager.GetCurrentMission() != nullptr;
             if (frame + 1 < STAY_FRAMES)
                 return false;
             s_Seen.levelStateAfter = g_pLevel->GetState();
             s_Seen.inputContextAfter = g_InputManager.GetCurrentContext();
             s_Seen.listedAfter = ListedMissionNames();
             return true;
         }},
    };
    return stages;
}

TEST(GameSaveTest, TheSavePointSavesIntoTheClickedSlotAndWaitsAgainAfterBack)
{
    GameFolderCopy dir;
    // 13:05:09 on Friday 22 April 2005.
    const SYSTEMTIME time = {2005, 4, 5, 22, 13, 5, 9, 0};
    Win32Platform::SetFixedLocalTime(&time);
    s_Seen = Seen();
    g_StepTrace = WatchTheTexts;
    EXPECT_EQ(0, RunGameInPlay(StagedPlay(Stages(), FRAME_MS, LAST_FRAME, s_Seen.lastStage)));
    g_StepTrace = nullptr;
    Win32Platform::SetFixedLocalTime(nullptr);
    ASSERT_EQ(static_cast<int>(Stages().size()), s_Seen.lastStage) << "every stage ran to its end";

    EXPECT_EQ((std::vector<std::string>{"3", "5", "6", "SaveMission", "Intro"}), s_Seen.listedBefore);
    EXPECT_TRUE(s_Seen.promptShown);
    EXPECT_TRUE(s_Seen.openedByTheKey) << "on the key's release";
    EXPECT_FALSE(s_Seen.playerInCar);
    EXPECT_EQ("SaveMission", s_Seen.current);
    EXPECT_EQ(CLevel::STATE_PAUSED, s_Seen.levelState);
    EXPECT_EQ(CInputManager::CONTEXT_MENU, s_Seen.inputContext);
    EXPECT_TRUE(s_Seen.cursorShown);

    EXPECT_EQ("13:5:9 \n4/22/5", s_Seen.slotCaption);
    EXPECT_EQ("MissionsOpen\n#:3 #:5 #:6 #:SaveMission #:Intro \nExtrasOpen\n\nStartingPos: -45 0.5 -30\n"
              "TimeStamp: 04/22/05 13:05:09",
              dir.Read("Saves/3.txt"));
    EXPECT_TRUE(s_Seen.savedInMenu);
    EXPECT_TRUE(s_Seen.savedInPlay) << "on the frame play resumes";

    EXPECT_EQ(CLevel::STATE_PLAYING, s_Seen.levelStateAfter);
    EXPECT_EQ(CInputManager::CONTEXT_PLAY, s_Seen.inputContextAfter);
    EXPECT_FALSE(s_Seen.restarted) << "the player stands in the circle without pressing the key";
    EXPECT_EQ((std::vector<std::string>{"3", "5", "6", "Intro", "SaveMission"}), s_Seen.listedAfter);
    const std::string log = dir.Read("log.txt");
    for (const char* fault : {"Error in", "Error found", "Cannot write the save", "save point cannot save"})
        EXPECT_EQ(std::string::npos, log.find(fault)) << log;
}

} // namespace
