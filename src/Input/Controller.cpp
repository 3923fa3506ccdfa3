#include "Input/Controller.h"

#include "Core/Clock.h"

namespace {

const float ALARM_DELAY = 5.0f;
const float ALARM_DELAY_SPREAD = 3.0f;

} // namespace

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

void CController::Alarm(const D3DXVECTOR3& point)
{
    m_AlarmPoint = point;
    const float spread = static_cast<float>(g_RandomTable.Next()) / CRandomTable::MAX_VALUE;
    SetDelay(ALARM_DELAY + ALARM_DELAY_SPREAD * spread);
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
