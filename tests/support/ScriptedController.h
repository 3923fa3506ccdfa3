#pragma once
// A driver whose actions the test sets: each action's state is written
// straight into the array a car or an actor reads.

#include <cstdint>
#include <cstring>

#include "Input/Controller.h"
#include "Input/InputManager.h"

class ScriptedController : public CController {
public:
    bool Start() override { return true; }
    void Update() override {}
    const float* GetCursorPosition() const override { return m_Cursor; }
    float GetCursorX() const override { return m_Cursor[0]; }
    float GetCursorY() const override { return m_Cursor[1]; }
    const uint8_t* GetActionCounters() const override { return m_States; }
    const float* GetAxisValues() const override { return m_Axes; }
    const D3DXMATRIX* GetCameraMatrix() const override { return nullptr; }
    CCamera* GetCamera() const override { return nullptr; }
    void SetCursorPosition(const float* position) override
    {
        m_Cursor[0] = position[0];
        m_Cursor[1] = position[1];
    }
    CInGameMouse* GetCursor() const override { return nullptr; }

    void Hold(int action) { m_States[action] = CInputManager::STATE_HELD; }
    void Release(int action) { m_States[action] = CInputManager::STATE_RELEASED; }
    void ClearActions() { std::memset(m_States, CInputManager::STATE_IDLE, sizeof(m_States)); }

    uint8_t m_States[CInputManager::BUTTON_ACTION_COUNT] = {};
    float m_Axes[CInputManager::AXIS_ACTION_COUNT] = {};
    float m_Cursor[2] = {};
};
