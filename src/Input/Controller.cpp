#include "Input/Controller.h"

CController::CController()
{
    CController::Init();
}

CController::~CController() = default;

bool CController::Init()
{
    m_bStarted = false;
    m_bRunning = false;
    m_DelayTimer = 0.0f;
    return true;
}

void CController::AddDelay(float seconds)
{
    m_DelayTimer += seconds;
}

void CController::SetDelay(float seconds)
{
    m_DelayTimer = seconds;
}

bool CController::QueryFlag(int32_t /*flag*/) const
{
    return false;
}

CAIControllerSet* CController::GetAgent() const
{
    return nullptr;
}

void CController::SetAgent(CAIControllerSet* /*agent*/) {}
