#include "Input/LocalController.h"

#include "Display/Camera.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"

CLocalController::CLocalController()
{
    CLocalController::Init();
    m_Kind = KIND_LOCAL;
}

CLocalController::~CLocalController()
{
    CLocalController::Shutdown();
}

bool CLocalController::Init()
{
    return CController::Init();
}

bool CLocalController::Shutdown()
{
    if (!m_bStarted)
        return false;
    m_bStarted = false;
    m_bRunning = false;
    return true;
}

bool CLocalController::Start()
{
    if (m_bStarted)
        return false;
    Init();
    m_bRunning = true;
    m_bStarted = true;
    return true;
}

void CLocalController::Update() {}

const float* CLocalController::GetCursorPosition() const
{
    return g_InGameMouse.GetPosition();
}

float CLocalController::GetCursorX() const
{
    return g_InputManager.GetWindowCursorX();
}

float CLocalController::GetCursorY() const
{
    return g_InputManager.GetWindowCursorY();
}

const uint8_t* CLocalController::GetActionCounters() const
{
    return g_InputManager.GetActionStates();
}

const float* CLocalController::GetAxisValues() const
{
    return g_InputManager.GetAxisValues();
}

// Until the game camera exists there is no follow camera to hand out.
const D3DXMATRIX* CLocalController::GetCameraMatrix() const
{
    return &g_GameCamera.GetViewMatrix();
}

CCamera* CLocalController::GetCamera() const
{
    return &g_GameCamera;
}

void CLocalController::SetCursorPosition(const float* position)
{
    g_InGameMouse.SetPosition(position);
}

CInGameMouse* CLocalController::GetCursor() const
{
    return &g_InGameMouse;
}
