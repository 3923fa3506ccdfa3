#include "AI/ChaseCarController.h"

CChaseCarController::CChaseCarController()
{
    CChaseCarController::Init();
    m_Kind = KIND_AI;
}

CChaseCarController::~CChaseCarController()
{
    CAIController::Shutdown();
}

bool CChaseCarController::Init()
{
    CAICarController::Init();
    m_Chase = Chase();
    m_Path.Clear();
    return true;
}

void CChaseCarController::Update()
{
    UpdateDriver(false);
}

void CChaseCarController::OnMessage(int message, int state)
{
    if (message == MSG_ENTER)
        m_Path.ResumeOnEnter(*this, m_Chase, state);
}

void CChaseCarController::SetTarget(const D3DXVECTOR3* point, bool copy)
{
    m_Chase.m_TriggerPoint = CTargetPoint::From(point, copy);
}
