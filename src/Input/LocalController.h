#pragma once

#include "Input/Controller.h"

// The player's controller. It owns no input of its own: it hands out the
// input manager's action states and axis values and the in-game cursor, so
// actor, car and cell-phone code read the player as they read an AI driver.
// The arrays are the input manager's storage and change at every update.
class CLocalController : public CController {
public:
    CLocalController();
    ~CLocalController() override;

    bool Init() override;
    // Stops the controller when it was started.
    bool Shutdown() override;
    // False when already started.
    bool Start() override;
    // Nothing: the input manager updates once per frame on its own.
    void Update() override;
    // The in-game cursor's position.
    const float* GetCursorPosition() const override;
    // The Windows cursor over the client area.
    float GetCursorX() const override;
    float GetCursorY() const override;
    const uint8_t* GetActionCounters() const override;
    const float* GetAxisValues() const override;
    // The follow camera's view matrix.
    const D3DXMATRIX* GetCameraMatrix() const override;
    // The follow camera.
    CCamera* GetCamera() const override;
    void SetCursorPosition(const float* position) override;
    CInGameMouse* GetCursor() const override;
};

extern CLocalController g_LocalController;
