#pragma once
// A controller whose every answer the test sets: its kind, action bytes,
// axes, cursor position, camera, cursor and agent. For the actors, weapons,
// level, AI and cars under test without the input manager: each action's
// state is written straight into the array they read.

#include <cstdint>

#include "Input/Controller.h"
#include "Input/InputManager.h"

class ScriptedController : public CController {
public:
    static constexpr int ACTION_COUNT = CInputManager::BUTTON_ACTION_COUNT;
    static constexpr int AXIS_COUNT = CInputManager::AXIS_ACTION_COUNT;
    // As the input manager counts an action.
    static constexpr uint8_t HELD = CInputManager::STATE_HELD;
    static constexpr uint8_t RELEASED = CInputManager::STATE_RELEASED;

    explicit ScriptedController(int32_t kind = KIND_LOCAL);

    bool Start() override;
    void Update() override {}
    const float* GetCursorPosition() const override { return m_Cursor; }
    float GetCursorX() const override { return m_Cursor[0]; }
    float GetCursorY() const override { return m_Cursor[1]; }
    const uint8_t* GetActionCounters() const override { return m_Actions; }
    const float* GetAxisValues() const override { return m_Axes; }
    // The camera's world matrix, or null without a camera.
    const D3DXMATRIX* GetCameraMatrix() const override;
    CCamera* GetCamera() const override { return m_pCamera; }
    void SetCursorPosition(const float* position) override;
    CInGameMouse* GetCursor() const override { return m_pCursor; }
    CAIControllerSet* GetAgent() const override { return m_pAgent; }
    void SetAgent(CAIControllerSet* agent) override { m_pAgent = agent; }

    void SetKind(int32_t kind) { m_Kind = kind; }
    void SetCursor(float x, float y);
    void Hold(int action) { m_Actions[action] = HELD; }
    void Release(int action) { m_Actions[action] = RELEASED; }
    // Every action back to 0.
    void ClearActions();

    uint8_t m_Actions[ACTION_COUNT] = {};
    float m_Axes[AXIS_COUNT] = {};
    float m_Cursor[2] = {0.5f, 0.5f};
    // Observers the test keeps alive; null for none.
    CCamera* m_pCamera = nullptr;
    CInGameMouse* m_pCursor = nullptr;
    CAIControllerSet* m_pAgent = nullptr;
};
