#pragma once
// The save point: waits at its start point until the player, standing in
// its circle, presses the get-in-car key; then it opens "Save Options" over
// the paused town. Each slot clicked writes that slot's save; "Back", or the
// screen being left some other way, ends it won. Its start script takes the
// keywords every mission takes.

#include "Game/Mission.h"

class CSingleScreen;

class CSaveMission : public CMission {
public:
    static constexpr const char* SCREEN_NAME = "Save Options";
    // Seconds "Game Saved" (or "Save failed") shows after a save.
    static constexpr float MESSAGE_SECONDS = 2.0f;
    static constexpr float MESSAGE_TIMER_MAX = 1000.0f;
    static constexpr float TEXT_X = 0.2f;
    static constexpr float TEXT_Y = 0.2f;

    // In the circle the prompt shows and the key enters no car; true on the
    // update the key is released.
    bool CanStart() override;
    // The first frame opens the screen (with none, the save point ends at
    // once); then it waits for the way back.
    int Update() override;
    // Back ends the save point; Save writes the slot's file.
    void OnEvent(const CCrimeRecord& event) override;

    float GetMessageTimer() const { return m_fMessageTimer; }

private:
    void OpenScreen();
    bool IsScreenCurrent() const;
    void ShowMessage() const;

    float m_fMessageTimer = 0.0f;
    bool m_bSaveFailed = false;
    bool m_bOpened = false;
    // Observer: the menu manager lists its screens; null when none is named so.
    CSingleScreen* m_pScreen = nullptr;
};
