#pragma once

#include <cstdint>

#include "Core/StdInterface.h"
#include "platform/d3dx8/D3DX8Math.h"

class CAIControllerSet;
class CCamera;
class CInGameMouse;

// Each action's byte as every controller counts it: 2 while held, 1 for
// the one update after its release, then 0.
enum { ACTION_STATE_IDLE = 0, ACTION_STATE_RELEASED = 1, ACTION_STATE_HELD = 2 };

inline bool IsActionHeld(const uint8_t* actions, int action)
{
    return actions[action] == ACTION_STATE_HELD;
}

inline bool IsActionReleased(const uint8_t* actions, int action)
{
    return actions[action] == ACTION_STATE_RELEASED;
}

// The driver of everything that can be driven: a game actor, a car, a
// camera, the in-game cursor, the cell phone. The player's controller hands
// out the input manager's arrays; an AI controller fills arrays of the same
// shape itself, so one code path serves the player and the AI.
class CController : public CStdInterface {
public:
    enum { KIND_NONE = 0, KIND_LOCAL = 1, KIND_AI = 2 };

    CController();
    ~CController() override;

    // Started and running cleared, no delay.
    bool Init() override;
    virtual bool Start() = 0;
    virtual void Update() = 0;
    virtual void AddDelay(float seconds);
    // An AI controller's Update counts the delay down to 0 by the frame
    // time, and its state machine waits meanwhile.
    virtual void SetDelay(float seconds);
    // The cursor position as fractions 0..1 of the screen: two floats.
    virtual const float* GetCursorPosition() const = 0;
    virtual float GetCursorX() const = 0;
    virtual float GetCursorY() const = 0;
    virtual bool QueryFlag(int32_t flag) const;
    // One byte per input action: 2 while down, 1 for one update after its release, then 0.
    virtual const uint8_t* GetActionCounters() const = 0;
    // "Mouse_X", "Mouse_Y", "Look_LR", "Look_UD".
    virtual const float* GetAxisValues() const = 0;
    virtual const D3DXMATRIX* GetCameraMatrix() const = 0;
    // The camera that follows this controller's actor; null for cars.
    virtual CCamera* GetCamera() const = 0;
    virtual void SetCursorPosition(const float* position) = 0;
    // This controller's cursor; null for cars.
    virtual CInGameMouse* GetCursor() const = 0;
    virtual CAIControllerSet* GetAgent() const;
    virtual void SetAgent(CAIControllerSet* agent);

    bool IsStarted() const { return m_bStarted; }
    bool IsRunning() const { return m_bRunning; }
    int32_t GetKind() const { return m_Kind; }
    float GetDelay() const { return m_DelayTimer; }

    // Alarms the driver: the point to get away from, then 5 to 8 seconds
    // (a random draw) of delay to do it in.
    void Alarm(const D3DXVECTOR3& point);

    // A world position that others set with a delay (an actor leaving a
    // car, a shot fired, a car hit); how an agent reacts is the AI's.
    D3DXVECTOR3 m_AlarmPoint = D3DXVECTOR3(0.0f, 0.0f, 0.0f);

protected:
    bool m_bStarted = false;
    bool m_bRunning = false;
    int32_t m_Kind = KIND_NONE;
    float m_DelayTimer = 0.0f;
};
