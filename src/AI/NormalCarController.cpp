#include "AI/NormalCarController.h"

#include "Level/Node.h"

namespace {

const char* const STATE_NAMES[CNormalCarController::STATE_COUNT] = {
    "IDLE",           "STOPPING",        "STOPPING_N_WAITING", "COASTING_N_WAITING",
    "DRIVING_TO_POS", "DRIVING_TO_NODE", "DECIDING_ON_NEW_POS",
};

} // namespace

const float* CNormalCarController::SpeedLimit::Get() const
{
    switch (m_Kind) {
    case CTargetPoint::OWN:
        return &m_fOwn;
    case CTargetPoint::CALLER:
        return m_pCaller;
    default:
        return nullptr;
    }
}

CNormalCarController::CNormalCarController()
{
    CNormalCarController::Init();
    m_Kind = KIND_AI;
}

CNormalCarController::~CNormalCarController()
{
    CAIController::Shutdown();
}

bool CNormalCarController::Init()
{
    CAICarController::Init();
    m_Navigation = Navigation();
    m_Path.Clear();
    return true;
}

void CNormalCarController::Update()
{
    UpdateDriver(true);
}

void CNormalCarController::OnMessage(int message, int state)
{
    if (message == MSG_ENTER)
        m_Path.ResumeOnEnter(*this, m_Navigation, state);
}

void CNormalCarController::AdvanceTarget()
{
    m_Navigation.m_PreviousTarget = m_Navigation.m_Target;
}

void CNormalCarController::SetTarget(const D3DXVECTOR3* point, bool copy)
{
    AdvanceTarget();
    m_Navigation.m_Target = CTargetPoint::From(point, copy);
}

void CNormalCarController::SetSpeedLimit(const float* limit, bool copy)
{
    SpeedLimit& speed = m_Navigation.m_SpeedLimit;
    if (copy && limit != nullptr) {
        speed.m_Kind = CTargetPoint::OWN;
        speed.m_fOwn = *limit;
        return;
    }
    speed.m_Kind = limit != nullptr ? CTargetPoint::CALLER : CTargetPoint::NONE;
    speed.m_pCaller = limit;
}

void CNormalCarController::SetRoadNode(cRoadnode* node, int32_t flag)
{
    m_Navigation.m_pPreviousNode = m_Navigation.m_pNode;
    m_Navigation.m_pNode = node;
    m_Navigation.m_NodeFlag = flag;
    AdvanceTarget();
    m_Navigation.m_Target = CTargetPoint::Node(node);
    if (node == nullptr)
        return;
    const float limit = node->GetSpeed() * node->GetSpeed() * MPH_SQ_TO_MPS_SQ;
    SetSpeedLimit(&limit, true);
}

const char* CNormalCarController::GetStateName(int state)
{
    return StateNameIn(STATE_NAMES, STATE_COUNT, state);
}

int CNormalCarController::FindState(const std::string& name)
{
    return FindStateIn(STATE_NAMES, STATE_COUNT, name);
}
