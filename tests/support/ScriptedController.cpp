#include "support/ScriptedController.h"

#include <algorithm>

#include "Display/Camera.h"

ScriptedController::ScriptedController(int32_t kind)
{
    m_Kind = kind;
}

bool ScriptedController::Start()
{
    m_bStarted = true;
    m_bRunning = true;
    return true;
}

const D3DXMATRIX* ScriptedController::GetCameraMatrix() const
{
    return m_pCamera != nullptr ? &m_pCamera->GetWorldMatrix() : nullptr;
}

void ScriptedController::SetCursorPosition(const float* position)
{
    if (position != nullptr)
        SetCursor(position[0], position[1]);
}

void ScriptedController::SetCursor(float x, float y)
{
    m_Cursor[0] = x;
    m_Cursor[1] = y;
}

void ScriptedController::ClearActions()
{
    std::fill(std::begin(m_Actions), std::end(m_Actions), uint8_t{0});
}
