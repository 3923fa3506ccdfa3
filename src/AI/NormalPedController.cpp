#include "AI/NormalPedController.h"

#include "Actors/GameActor.h"
#include "Level/Sidewalk.h"

namespace {

const char* const STATE_NAMES[CNormalPedController::STATE_COUNT] = {
    "IDLE",       "WALKING", "TURNING_THEN_DIVING", "DIVING",      "GETTING_UP",  "DRIVING",     "GETTING_OUT",
    "DECIDING_ON_NEW_POS", "TURNING", "TURNING_90", "TURNING_180", "TURNING_270", "TURNING_360",
};

} // namespace

CNormalPedController::CNormalPedController()
{
    CNormalPedController::Init();
    m_Kind = KIND_AI;
}

CNormalPedController::~CNormalPedController()
{
    CAIController::Shutdown();
    DestroyActor();
}

bool CNormalPedController::Init()
{
    CAIPersonController::Init();
    DestroyActor();
    m_Target = CTargetPoint();
    m_pNode = nullptr;
    m_pPreviousNode = nullptr;
    m_vEntryFacing = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_Turn = Turn();
    m_Stack.Clear();
    m_fArrivalRadiusSq = DEFAULT_ARRIVAL_RADIUS_SQ;
    return true;
}

void CNormalPedController::Update()
{
    if (m_pActor == nullptr)
        return;
    Step(true);
}

void CNormalPedController::OnMessage(int message, int state)
{
    if (message == MSG_ENTER)
        m_Stack.ResumeOnEnter(*this, m_Turn, state);
}

void CNormalPedController::SetActor(std::unique_ptr<CGameActor> actor)
{
    DestroyActor();
    m_pActor = std::move(actor);
    FollowActor(m_pActor.get());
}

void CNormalPedController::DestroyActor()
{
    if (m_pActor == nullptr)
        return;
    m_pActor->Shutdown();
    m_pActor.reset();
    FollowActor(nullptr);
}

void CNormalPedController::SetSidewalkNode(cSidewalknode* node)
{
    m_pPreviousNode = m_pNode != nullptr ? m_pNode : node;
    m_pNode = node;
    m_Target = CTargetPoint::Node(node);
}

const char* CNormalPedController::GetStateName(int state)
{
    return StateNameIn(STATE_NAMES, STATE_COUNT, state);
}

int CNormalPedController::FindState(const std::string& name)
{
    return FindStateIn(STATE_NAMES, STATE_COUNT, name);
}
