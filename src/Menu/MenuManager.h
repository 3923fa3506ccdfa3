#pragma once

#include <deque>
#include <string>
#include <vector>

#include "Menu/MenuInput.h"

class CButton;
class CDataBuffer;
class CSingleScreen;
struct CDisplayMode;
struct D3DXVECTOR3;

// Shows one menu screen at a time and keeps the way the player came: "back"
// returns along it, and past the first screen returns to the game, which a
// null entry on the stack stands for. A click on a button runs its link: a
// command word, or else the name of the screen to open.
class CMenuManager {
public:
    // What a controls button shows from its click until the wait for a key,
    // or an axis, ends.
    static const char* const AWAITING_KEY;
    static const char* const AWAITING_AXIS;

    CMenuManager() = default;
    CMenuManager(const CMenuManager&) = delete;
    CMenuManager& operator=(const CMenuManager&) = delete;

    // "Scripts\Menu\MenuManager.txt": the screens by name and the first one
    // shown. The game sits under the first screen, so back from it plays.
    bool Load(CDataBuffer& reader);
    // The listed screen of exactly that name; null when none.
    CSingleScreen* FindScreen(const std::string& name) const;
    // The current screen, possibly none, goes on the stack.
    void PushScreen(CSingleScreen* screen);
    // The listed screen `name` over paused play: the level stops, the cursor
    // shows the menus' pointer and the menus take the input. False, nothing
    // changed, when no screen of that name is listed.
    bool OpenOverPlay(const std::string& name);
    // Back: the screen below becomes current; below the first one is the game.
    void PopScreen();
    CSingleScreen* GetCurrentScreen() const { return m_pCurrentScreen; }
    size_t GetStackSize() const { return m_Stack.size(); }

    // Once a frame: the current screen, then the link of a clicked button,
    // with the game's input and frame time. A clicked controls button waits
    // for its key at the next update, so that a frame shows it waiting.
    void Update();
    void Update(CMenuInput& input, float seconds);
    void Draw() const;

    // How New Game, Continue and a loaded slot start play: the shell's way
    // in, since the shell owns the screen states. Unset, they only close the
    // menu.
    typedef void (*PlayStarter)();
    void SetPlayStarter(PlayStarter starter) { m_StartPlay = starter; }

    // The display options' cyclic objects of the current screen show `mode`.
    void RefreshDisplayOptions(const CDisplayMode& mode);
    // The sound sliders show the stored volumes, the controls the bindings.
    void RefreshOptionScreens();

private:
    struct Command {
        const char* m_Word;
        void (CMenuManager::*m_Run)(CButton& button);
    };
    static const Command COMMANDS[];

    void RunLink(CButton& button);
    void ReturnToGame();
    // The level plays again, when there is one.
    static void ResumeLevelPlay();
    // With a player: the aiming cursor hidden in a car or without a weapon,
    // and the HUD shown.
    static void ShowPlayerHud();

    void Quit(CButton& button);
    // Play starts (or goes on) on the current level.
    void NewGame(CButton& button);
    void StartPlay();
    // The player, body included, stands where the first listed "Intro" waits.
    static void PlacePlayerAtIntro();
    // The model's object matrix, then the body, at `position`.
    static void PlacePlayerAt(const D3DXVECTOR3& position);
    // Play starts over on a freshly read level: the running mission again
    // from its start, the waiting ones renewed, the player alive and the
    // extras granted again.
    void Retry(CButton& button);
    // The credits' tour runs behind their screen.
    void OpenCredits(CButton& button);
    // The load screen, its slot buttons showing the stamps of the saves.
    void OpenLoadOptions(CButton& button);
    // Continue: play from the latest save of the ten slots; nothing when
    // none reads.
    void LoadLatest(CButton& button);
    // Play from the save in the slot of the button's first option; nothing
    // when its file does not read.
    void LoadSlot(CButton& button);
    void Back(CButton& button);
    // The click shows that a key is awaited; the wait is the next update's.
    void Rebind(CButton& button);
    void WaitForAwaitedBinding();
    void RefreshBindingCaptions();
    void ApplyDisplayOptions(CButton& button);
    // The save screen's slot buttons: the slot goes to the running save
    // point as the event Save, and the button shows the slot's time stamp
    // once its file reads.
    void SaveToSlot(CButton& button);
    // The save screen's way back to play: the event Back for the save point.
    void LeaveSaveScreen(CButton& button);

    std::vector<CSingleScreen*> m_Screens;
    CSingleScreen* m_pCurrentScreen = nullptr;
    std::deque<CSingleScreen*> m_Stack;
    CGameMenuInput m_GameInput;
    PlayStarter m_StartPlay = nullptr;
    // The controls button clicked last update, and what it showed before.
    CButton* m_pAwaiting = nullptr;
    std::string m_AwaitedCaption;
};

extern CMenuManager g_MenuManager;
