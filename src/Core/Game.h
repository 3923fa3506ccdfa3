#pragma once

// The game object and its screen states, declared here so that every
// subsystem can reach the one game (its debug flags, options and screen
// stack); the shell in App/ defines them, since starting and stopping the
// game touches every subsystem.

#include <cstddef>
#include <cstdint>
#include <deque>

class CDataBuffer;
struct CDisplayMode;

// A screen state renders and updates one kind of screen for one frame.
// Every state returns 1, which nobody reads.
typedef int (*ScreenState)();

int NullState();
int PausedState();
// The front end: the menus over the running level.
int FrontEndState();
// Play: the console, the in-game menu key and the free camera over the level.
int InGameState();

// The user options. The first six fields are laid out exactly as the display
// mode record, and are handed to the display as such.
struct CUserOptions {
    uint16_t ResX = 640;
    uint16_t ResY = 480;
    uint8_t BFullScreen = 0;
    uint8_t VSync = 0;
    uint8_t BPP = 0;
    uint8_t RefreshRate = 0;
    float MusicVol = 1.0f;
    float EffectVol = 1.0f;

    CDisplayMode GetDisplayMode() const;
    void SetDisplayMode(const CDisplayMode& mode);
};

// The game object: the current screen state and a stack of saved ones. A
// pause is pushed whenever the window loses focus and popped when it comes
// back, only while it is still the current state.
class CGame {
public:
    CGame();

    void PushState(ScreenState state);
    void PopState();
    void Pause();
    void Resume();
    // From the menus into play: the game camera follows the player, whom the
    // local controller drives, and the level plays. Play's input comes back
    // as the menu over it closes, which takes its own input context off.
    void EnterPlay();

    void InitGame();
    void LoadAssetScripts();
    // Into play on the level "Modern"; WinMain then puts the front end over it.
    void StartGame();
    void ShutdownGame();

    // "Scripts\Options.txt": read at start-up, written at shut-down; a
    // missing file leaves the defaults.
    void LoadOptions();
    // One keyword and its value; false, the token taken, for anything else.
    bool ReadOption(CDataBuffer& reader);
    void SaveOptions();
    // The options take effect: the display mode (a refused one gives way to
    // the mode in use), the volumes, and the option screens show them.
    void ApplyOptions();
    // One frame: the frame timer, then the current screen state.
    void Frame();

    ScreenState GetCurrentState() const { return m_CurrentState; }
    size_t GetSavedStateCount() const { return m_SavedStates.size(); }

    uint32_t m_DebugFlags = 0;
    CUserOptions m_Options;

private:
    ScreenState m_CurrentState = nullptr;
    std::deque<ScreenState> m_SavedStates;
};

extern CGame g_Game;
