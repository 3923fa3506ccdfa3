#include "Menu/MenuManager.h"

#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Game.h"
#include "Core/Log.h"
#include "Core/Window.h"
#include "Display/Display.h"
#include "Game/CrimeManager.h"
#include "Game/Extras.h"
#include "Game/HUD.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Game/ProgressData.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Level/Level.h"
#include "Menu/Button.h"
#include "Menu/CyclicObject.h"
#include "Menu/MenuScreens.h"
#include "Menu/SaveSlotButtons.h"
#include "Menu/SliderObject.h"

namespace {

const char* const KEYWORD_SINGLE_SCREEN = "SingleScreen";
const char* const KEYWORD_INIT_MENU = "InitMenu";
const char* const UNKNOWN_KEYWORD = "Unknown keyword \"%s\" in Scripts\\Menu\\MenuManager.txt";
const char* const NO_INITIAL_MENU = "Warning: InitMenu names no listed screen, the front end shows none: ";
const char* const PLAY_POINTER = "arrowtarget";
const char* const MENU_POINTER = "arrowup";

const char* const DISPLAY_OPTIONS = "Display Options";
const char* const SOUND_OPTIONS = "Sound Options";
const char* const CONTROLS = "Controls";
const char* const REBIND_COMMAND = "CTRL";
const char* const FULL_SCREEN_MODES = "FullScreenModes";
const char* const RESOLUTIONS = "Resolutions";
const char* const REFRESH_RATES = "RefreshRates";
const char* const VSYNC = "VSync";
const char* const INTRO_MISSION = "Intro";
const char* const CREDITS_SCREEN = "Credits Screen";
const char* const LOAD_OPTIONS = "Load Options";

const uint32_t LOW_BYTE = 0xFF;
const uint32_t LOW_WORD = 0xFFFF;
// Full screen with vertical sync always asks for this depth.
const uint8_t VSYNC_FULL_SCREEN_BPP = 32;

bool IsOn(const CButton& option)
{
    return option.m_Option1 > 0;
}

uint16_t OptionWidth(const CButton& option)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(option.m_Option1) & LOW_WORD);
}

uint16_t OptionHeight(const CButton& option)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(option.m_Option2) & LOW_WORD);
}

uint8_t OptionRate(const CButton& option)
{
    return static_cast<uint8_t>(static_cast<uint32_t>(option.m_Option1) & LOW_BYTE);
}

CSingleMenu* MenuOf(const CSingleScreen* screen)
{
    return screen != nullptr ? screen->m_pMenu : nullptr;
}

CCyclicObject* FindCyclic(const CSingleMenu* menu, const char* name)
{
    return menu != nullptr ? menu->FindCyclicObject(name) : nullptr;
}

// The option a cyclic object of the menu shows; null when there is none.
const CButton* CurrentOption(const CSingleMenu* menu, const char* name)
{
    const CCyclicObject* cyclic = FindCyclic(menu, name);
    return cyclic != nullptr ? cyclic->GetCurrentOption() : nullptr;
}

// The cyclic object shows its first option that `matches`; with none it
// keeps its index.
template <class Match>
void SelectFirst(CCyclicObject* cyclic, Match matches)
{
    if (cyclic == nullptr)
        return;
    const std::vector<CButton*>& options = cyclic->GetOptions();
    for (size_t i = 0; i < options.size(); ++i) {
        if (matches(*options[i])) {
            cyclic->SetIndex(static_cast<int32_t>(i));
            return;
        }
    }
}

// The action a controls button names, by its kind; -1 when there is none.
int FindBoundAction(const CButton& button)
{
    return g_InputManager.FindAction(button.m_StringOption.c_str(), button.m_Option1);
}

bool IsAxisButton(const CButton& button)
{
    return button.m_Option1 == CInputManager::AXIS_ACTION;
}

} // namespace

const char* const CMenuManager::AWAITING_KEY = "Press a key";
const char* const CMenuManager::AWAITING_AXIS = "Move an axis";

// Compared in this order, exactly; a link that is none of them names a screen.
const CMenuManager::Command CMenuManager::COMMANDS[] = {
    {"Q", &CMenuManager::Quit},
    {"RETRY", &CMenuManager::Retry},
    {"BK", &CMenuManager::Back},
    {"NG", &CMenuManager::NewGame},
    {"CTRL", &CMenuManager::Rebind},
    {"LG", &CMenuManager::LoadLatest},
    {"D_AP", &CMenuManager::ApplyDisplayOptions},
    {"BK_MISS", &CMenuManager::LeaveSaveScreen},
    {"Credits Screen", &CMenuManager::OpenCredits},
    {"SAVE_FILE", &CMenuManager::SaveToSlot},
    {"Load Options", &CMenuManager::OpenLoadOptions},
    {"LOAD_FILE", &CMenuManager::LoadSlot},
};

bool CMenuManager::Load(CDataBuffer& reader)
{
    PushScreen(nullptr);
    while (!reader.IsEndOfBuffer()) {
        if (reader.Match(KEYWORD_SINGLE_SCREEN)) {
            CSingleScreen* screen = nullptr;
            g_AssetManager.GetAsset(reader.GetString(), screen, true);
            m_Screens.push_back(screen);
            continue;
        }
        if (!reader.Match(KEYWORD_INIT_MENU))
            FatalError(UNKNOWN_KEYWORD, reader.PeekString().c_str());
        const std::string name = reader.GetString();
        CSingleScreen* screen = FindScreen(name);
        // Without a first screen the front end cannot be left: say so.
        if (screen == nullptr)
            g_Log.Write((NO_INITIAL_MENU + name).c_str());
        else
            PushScreen(screen);
    }
    return true;
}

CSingleScreen* CMenuManager::FindScreen(const std::string& name) const
{
    for (CSingleScreen* screen : m_Screens) {
        if (screen->m_Name == name)
            return screen;
    }
    return nullptr;
}

void CMenuManager::PushScreen(CSingleScreen* screen)
{
    m_Stack.push_back(m_pCurrentScreen);
    m_pCurrentScreen = screen;
}

bool CMenuManager::OpenOverPlay(const std::string& name)
{
    CSingleScreen* screen = FindScreen(name);
    if (screen == nullptr)
        return false;
    PushScreen(screen);
    g_InGameMouse.SetVisible(true);
    g_InGameMouse.SetCursor(MENU_POINTER);
    g_InputManager.PushContext(CInputManager::CONTEXT_MENU);
    if (g_pLevel != nullptr)
        g_pLevel->SetState(CLevel::STATE_PAUSED);
    return true;
}

void CMenuManager::PopScreen()
{
    if (m_Stack.empty())
        return;
    m_pCurrentScreen = m_Stack.back();
    m_Stack.pop_back();
    if (m_pCurrentScreen == nullptr)
        ReturnToGame();
}

// Whoever opened the menu over the game pushed the menus' input context:
// it comes off, so that trips through the menu leave the stack as it was.
void CMenuManager::ReturnToGame()
{
    g_InGameMouse.SetCursor(PLAY_POINTER);
    if (g_InputManager.GetCurrentContext() == CInputManager::CONTEXT_MENU)
        g_InputManager.PopContext();
    if (g_InputManager.GetCurrentContext() != CInputManager::CONTEXT_PLAY)
        g_InputManager.PushContext(CInputManager::CONTEXT_PLAY);
    ResumeLevelPlay();
    ShowPlayerHud();
}

void CMenuManager::ResumeLevelPlay()
{
    if (g_pLevel != nullptr)
        g_pLevel->SetState(CLevel::STATE_PLAYING);
}

// The menu showed the cursor; in play it is the aim, which has nothing to
// point with in a car or with empty hands.
void CMenuManager::ShowPlayerHud()
{
    if (g_PlayerActor == nullptr)
        return;
    if (g_PlayerActor->m_pCar != nullptr || g_PlayerActor->GetCurrentWeapon() == nullptr)
        g_InGameMouse.SetVisible(false);
    g_HUD.m_bVisible = 1;
}

void CMenuManager::Update()
{
    Update(m_GameInput, g_FrameTimer.GetFrameTime());
}

void CMenuManager::Update(CMenuInput& input, float seconds)
{
    if (m_pAwaiting != nullptr) {
        WaitForAwaitedBinding();
        return;
    }
    if (m_pCurrentScreen == nullptr)
        return;
    m_pCurrentScreen->Update(input, seconds);
    if (!input.WasClickReleased())
        return;
    CButton* clicked = m_pCurrentScreen->FindClickedLink(input.GetCursor());
    if (clicked != nullptr)
        RunLink(*clicked);
}

void CMenuManager::RunLink(CButton& button)
{
    for (const Command& command : COMMANDS) {
        if (button.m_Link == command.m_Word) {
            (this->*command.m_Run)(button);
            return;
        }
    }
    CSingleScreen* screen = FindScreen(button.m_Link);
    if (screen == nullptr)
        return;
    PushScreen(screen);
    if (button.m_Link == DISPLAY_OPTIONS)
        RefreshDisplayOptions(g_Display.GetCurrentMode());
}

void CMenuManager::Draw() const
{
    if (m_pCurrentScreen != nullptr)
        m_pCurrentScreen->Draw();
}

void CMenuManager::Quit(CButton&)
{
    PostQuitMessage(0);
}

void CMenuManager::Back(CButton&)
{
    PopScreen();
}

void CMenuManager::SaveToSlot(CButton& button)
{
    g_CrimeFile.ReportCrime(CRIME_SAVE, button.m_Option1, nullptr, nullptr);
    if (LoadProgressFile(SaveSlotPath(button.m_Option1)))
        button.m_Caption = g_Progress.m_TimeStamp.ToString();
}

void CMenuManager::LeaveSaveScreen(CButton&)
{
    g_CrimeFile.ReportCrime(CRIME_BACK, 0, nullptr, nullptr);
}

// The menu that started the game closes over it.
// A new game begins where the introduction waits for the player.
void CMenuManager::NewGame(CButton&)
{
    StartPlay();
    PlacePlayerAtIntro();
    PopScreen();
}

void CMenuManager::StartPlay()
{
    if (m_StartPlay != nullptr)
        m_StartPlay();
}

void CMenuManager::PlacePlayerAtIntro()
{
    const CMission* intro = g_MissionManager.FindMission(INTRO_MISSION);
    if (intro != nullptr)
        PlacePlayerAt(intro->GetStartPosition());
}

void CMenuManager::PlacePlayerAt(const D3DXVECTOR3& position)
{
    CGameActor* player = g_PlayerActor;
    if (player == nullptr)
        return;
    D3DXMATRIX& matObject = player->m_Model.m_matObject;
    matObject._41 = position.x;
    matObject._42 = position.y;
    matObject._43 = position.z;
    player->m_Model.UpdateWorldMatrix();
    player->SyncPhysicsPose();
}

// The reload takes a seated player out of the car on the spot. Resetting
// deletes the running mission, so its start is kept before: the player
// stands there once the fresh copy has placed what it needs.
void CMenuManager::Retry(CButton&)
{
    if (g_pLevel != nullptr)
        g_pLevel->LoadScript();
    CGameActor* player = g_PlayerActor;
    if (player != nullptr)
        player->StopMoving();
    const CMission* running = g_MissionManager.GetCurrentMission();
    const bool restart = running != nullptr;
    const D3DXVECTOR3 start = restart ? running->GetStartPosition() : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (restart)
        PlacePlayerAt(start);
    g_MissionManager.Reset();
    if (player != nullptr)
        player->RestoreLife();
    SpawnItems();
    if (restart)
        PlacePlayerAt(start);
    PopScreen();
}

void CMenuManager::OpenCredits(CButton&)
{
    CSingleScreen* screen = FindScreen(CREDITS_SCREEN);
    if (screen == nullptr)
        return;
    PushScreen(screen);
    g_MissionManager.StartCredits();
}

void CMenuManager::OpenLoadOptions(CButton&)
{
    CSingleScreen* screen = FindScreen(LOAD_OPTIONS);
    if (screen == nullptr)
        return;
    PushScreen(screen);
    ShowSaveSlotStamps(screen->m_pMenu);
}

// On equal stamps the lower slot stays the choice.
void CMenuManager::LoadLatest(CButton&)
{
    CProgressData latest;
    bool found = false;
    for (int slot = 1; slot <= SAVE_SLOT_COUNT; ++slot) {
        CProgressData save;
        if (!LoadProgress(SaveSlotPath(slot), save))
            continue;
        if (!found || save.m_TimeStamp.IsLaterThan(latest.m_TimeStamp))
            latest = save;
        found = true;
    }
    if (!found)
        return;
    ApplySavedProgress(latest);
    StartPlay();
    PopScreen();
}

// The load screen and the one that opened it both close over play, which
// then starts as Continue starts it, under a camera the player turns.
void CMenuManager::LoadSlot(CButton& button)
{
    if (!LoadProgressFile(SaveSlotPath(button.m_Option1)))
        return;
    ApplySavedProgress(g_Progress);
    PopScreen();
    PopScreen();
    StartPlay();
}

// An unknown action waits for nothing.
void CMenuManager::Rebind(CButton& button)
{
    if (FindBoundAction(button) < 0)
        return;
    m_pAwaiting = &button;
    m_AwaitedCaption = button.m_Caption;
    button.m_Caption = IsAxisButton(button) ? AWAITING_AXIS : AWAITING_KEY;
}

// Blocks until a key or axis moves. The old caption comes back when the wait
// ended without a binding (the window closed).
void CMenuManager::WaitForAwaitedBinding()
{
    CButton& button = *m_pAwaiting;
    m_pAwaiting = nullptr;
    const int action = FindBoundAction(button);
    const char* name = IsAxisButton(button) ? g_InputManager.RebindAxis(action) : g_InputManager.RebindButton(action);
    button.m_Caption = name != nullptr && name[0] != '\0' ? name : m_AwaitedCaption;
    if (button.m_Caption != m_AwaitedCaption)
        RefreshBindingCaptions();
}

void CMenuManager::ApplyDisplayOptions(CButton&)
{
    const CDisplayMode saved = g_Display.GetCurrentMode();
    CDisplayMode mode = saved;
    const CSingleMenu* menu = MenuOf(m_pCurrentScreen);
    if (const CButton* option = CurrentOption(menu, FULL_SCREEN_MODES))
        mode.FullScreen = IsOn(*option) ? 1 : 0;
    if (const CButton* option = CurrentOption(menu, RESOLUTIONS)) {
        mode.Width = OptionWidth(*option);
        mode.Height = OptionHeight(*option);
    }
    if (const CButton* option = CurrentOption(menu, REFRESH_RATES))
        mode.RefreshRate = OptionRate(*option);
    if (const CButton* option = CurrentOption(menu, VSYNC))
        mode.VSync = IsOn(*option) ? 1 : 0;

    if (!mode.FullScreen)
        mode.RefreshRate = 0;
    else if (mode.VSync)
        mode.BPP = VSYNC_FULL_SCREEN_BPP;

    // A refused mode leaves the display as it was, which the screen then shows.
    if (!g_Display.ChangeDisplayMode(mode)) {
        RefreshDisplayOptions(saved);
        return;
    }
    const CDisplayMode& inUse = g_Display.GetCurrentMode();
    g_Game.m_Options.SetDisplayMode(inUse);
    SelectFirst(FindCyclic(menu, REFRESH_RATES),
                [&inUse](const CButton& option) { return OptionRate(option) == inUse.RefreshRate; });
}

void CMenuManager::RefreshDisplayOptions(const CDisplayMode& mode)
{
    const CSingleMenu* menu = MenuOf(m_pCurrentScreen);
    SelectFirst(FindCyclic(menu, FULL_SCREEN_MODES),
                [&mode](const CButton& option) { return IsOn(option) == (mode.FullScreen != 0); });
    SelectFirst(FindCyclic(menu, RESOLUTIONS), [&mode](const CButton& option) {
        return OptionWidth(option) == mode.Width && OptionHeight(option) == mode.Height;
    });
    SelectFirst(FindCyclic(menu, REFRESH_RATES),
                [&mode](const CButton& option) { return OptionRate(option) == mode.RefreshRate; });
    SelectFirst(FindCyclic(menu, VSYNC), [&mode](const CButton& option) { return IsOn(option) == (mode.VSync != 0); });
}

void CMenuManager::RefreshOptionScreens()
{
    const CSingleMenu* sound = MenuOf(FindScreen(SOUND_OPTIONS));
    if (sound != nullptr) {
        for (const std::unique_ptr<CSliderObject>& slider : sound->GetSliders()) {
            if (slider->GetKnob()->m_Option1 == CSliderObject::APPLY_EFFECTS_VOLUME)
                slider->SetValue(g_Game.m_Options.EffectVol);
            else if (slider->GetKnob()->m_Option1 == CSliderObject::APPLY_MUSIC_VOLUME)
                slider->SetValue(g_Game.m_Options.MusicVol);
        }
    }

    RefreshBindingCaptions();
}

// Every rebind button shows its action's binding: two buttons of one action
// (on foot and at the wheel) show the same key.
void CMenuManager::RefreshBindingCaptions()
{
    const CSingleScreen* controls = FindScreen(CONTROLS);
    if (controls == nullptr || controls->m_pMultiTab == nullptr)
        return;
    for (const CSingleTabObject* tab : controls->m_pMultiTab->GetTabs()) {
        if (tab->m_pMenu == nullptr)
            continue;
        for (const std::unique_ptr<CButton>& button : tab->m_pMenu->GetButtons()) {
            if (button->m_Link != REBIND_COMMAND)
                continue;
            const int action = FindBoundAction(*button);
            if (IsAxisButton(*button))
                g_InputManager.GetAxisBindingName(button->m_Caption, action);
            else
                g_InputManager.GetBindingName(button->m_Caption, action);
        }
    }
}
