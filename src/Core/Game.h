#pragma once

// The game object and its screen states, declared here so that every
// subsystem can reach the one game (its debug flags, options and screen
// stack); the shell in App/ defines them, since starting and stopping the
// game touches every subsystem.

#include <cstddef>
#include <cstdint>
#include <deque>

// A screen state renders and updates one kind of screen for one frame.
// Every state returns 1, which nobody reads.
typedef int (*ScreenState)();

int NullState();
int PausedState();
// The front end: the menus over the running level.
int FrontEndState();

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

    void InitGame();
    void LoadAssetScripts();
    void ShutdownGame();
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
