#include "Menu/MenuInput.h"

#include "Input/InGameMouse.h"
#include "Input/InputManager.h"

namespace {

// The button action the menus click with, "Left_Click".
const int ACTION_LEFT_CLICK = 12;

} // namespace

const float* CGameMenuInput::GetCursor() const
{
    return g_InGameMouse.GetPosition();
}

bool CGameMenuInput::WasClickReleased() const
{
    return g_InputManager.WasReleased(ACTION_LEFT_CLICK);
}

bool CGameMenuInput::IsClickHeld() const
{
    return g_InputManager.IsDown(ACTION_LEFT_CLICK);
}

float CGameMenuInput::GetMouseDeltaX() const
{
    float delta[2] = {0.0f, 0.0f};
    g_InputManager.GetMouseDelta(delta);
    return delta[0];
}

void CGameMenuInput::HoldCursorAt(float x)
{
    g_InGameMouse.SkipNextMove();
    const float position[2] = {x, g_InGameMouse.GetPosition()[1]};
    g_InGameMouse.SetPosition(position);
}
