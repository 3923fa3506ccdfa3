#pragma once

// What the menus read of the player's input: the cursor, the menu click and
// the mouse's sideways movement. The game's reader takes them from the
// in-game cursor and the input manager; tests give their own, so a widget's
// behaviour can be pinned without devices.
class CMenuInput {
public:
    virtual ~CMenuInput() = default;

    // The cursor as fractions of the screen, x then y.
    virtual const float* GetCursor() const = 0;
    // The click went up in this update: menu items react to the release.
    virtual bool WasClickReleased() const = 0;
    virtual bool IsClickHeld() const = 0;
    virtual float GetMouseDeltaX() const = 0;
    // A dragged slider knob holds the cursor: it is put at `x` and its next
    // movement is skipped, so it does not run away from the knob.
    virtual void HoldCursorAt(float x) = 0;
};

// The reader of g_InGameMouse and g_InputManager.
class CGameMenuInput : public CMenuInput {
public:
    const float* GetCursor() const override;
    bool WasClickReleased() const override;
    bool IsClickHeld() const override;
    float GetMouseDeltaX() const override;
    void HoldCursorAt(float x) override;
};
