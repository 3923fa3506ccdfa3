#include "Game/SaveMission.h"

#include <algorithm>
#include <string>

#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Core/Log.h"
#include "Game/CrimeManager.h"
#include "Game/ProgressData.h"
#include "Input/Controller.h"
#include "Input/InputManager.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "Menu/SaveSlotButtons.h"

namespace {

const char* const PROMPT_START = "Press ";
const char* const PROMPT_END = " to save";
const char* const TEXT_SAVED = "Game Saved";
const char* const TEXT_SAVE_FAILED = "Save failed";
const D3DCOLOR WHITE = 0xFFFFFFFF;
// Half a turn a second.
const float START_SPIN = 3.14159265f;

} // namespace

// The prompt keeps the key from also entering a car parked near the point.
bool CSaveMission::CanStart()
{
    GetStartEffect().UpdateSpin(g_FrameTimer.GetFrameTime(), START_SPIN);
    if (!CMission::CanStart())
        return false;
    CGameActor* player = g_PlayerActor;
    std::string key;
    g_InputManager.GetBindingName(key, CGameActor::ACTION_GET_IN_CAR);
    DrawText(RENDER_PASS_MAIN, (PROMPT_START + key + PROMPT_END).c_str(), TEXT_X, TEXT_Y, WHITE);
    player->m_bUseKeyConsumed = true;
    const CController* controller = player->m_pController;
    return controller != nullptr && IsActionReleased(controller->GetActionCounters(), CGameActor::ACTION_GET_IN_CAR);
}

int CSaveMission::Update()
{
    m_fMessageTimer = std::min(std::max(m_fMessageTimer - g_FrameTimer.GetFrameTime(), 0.0f), MESSAGE_TIMER_MAX);
    if (m_fMessageTimer > 0.0f)
        ShowMessage();
    if (!m_bOpened) {
        m_bOpened = true;
        OpenScreen();
        return MISSION_RUNNING;
    }
    // Escape takes the screen away without a Back event.
    if (m_pScreen != nullptr && !IsScreenCurrent())
        m_u8Won = 1;
    if (!IsWon())
        return MISSION_RUNNING;
    if (IsScreenCurrent())
        g_MenuManager.PopScreen();
    return MISSION_WON;
}

// Without the screen there would be no way back, and the save point would
// block every other mission: it ends at once.
void CSaveMission::OpenScreen()
{
    if (!g_MenuManager.OpenOverPlay(SCREEN_NAME)) {
        g_Log.Write(std::string("No \"") + SCREEN_NAME + "\" menu screen: the save point cannot save");
        m_u8Won = 1;
        return;
    }
    m_pScreen = g_MenuManager.GetCurrentScreen();
    ShowSaveSlotStamps(m_pScreen->m_pMenu);
}

bool CSaveMission::IsScreenCurrent() const
{
    return m_pScreen != nullptr && g_MenuManager.GetCurrentScreen() == m_pScreen;
}

void CSaveMission::ShowMessage() const
{
    DrawText(RENDER_PASS_MAIN, m_bSaveFailed ? TEXT_SAVE_FAILED : TEXT_SAVED, TEXT_X, TEXT_Y, WHITE);
}

void CSaveMission::OnEvent(const CCrimeRecord& event)
{
    if (event.m_iType == CRIME_BACK) {
        m_u8Won = 1;
        return;
    }
    if (event.m_iType != CRIME_SAVE)
        return;
    m_bSaveFailed = !SaveProgress(SaveSlotPath(static_cast<int>(event.m_Value)), this);
    m_fMessageTimer = MESSAGE_SECONDS;
}
