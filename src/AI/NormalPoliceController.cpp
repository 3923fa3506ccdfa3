#include "AI/NormalPoliceController.h"

#include "AI/AIControllerSet.h"
#include "Actors/GameActor.h"

CNormalPoliceController::CNormalPoliceController()
{
    CNormalPoliceController::Init();
    m_Kind = KIND_AI;
}

CNormalPoliceController::~CNormalPoliceController()
{
    CAIController::Shutdown();
}

bool CNormalPoliceController::Init()
{
    CAIPersonController::Init();
    SetActor(nullptr);
    m_pCar = nullptr;
    m_pTakenCar = nullptr;
    m_Pursuit = Pursuit();
    m_Stack.Clear();
    return true;
}

void CNormalPoliceController::Update()
{
    if (m_pActor == nullptr)
        return;
    m_Camera.Update();
    Step(true);
}

void CNormalPoliceController::OnMessage(int message, int state)
{
    if (message == MSG_ENTER)
        m_Stack.ResumeOnEnter(*this, m_Pursuit, state);
}

void CNormalPoliceController::SetActor(CGameActor* actor)
{
    m_pActor = actor;
    FollowActor(actor);
}

CChaseCarController* CNormalPoliceController::ActiveChase() const
{
    if (m_pAgent == nullptr || !m_pAgent->m_u8ChaseActive)
        return nullptr;
    return m_pAgent->GetChaseController();
}

void CNormalPoliceController::SetTarget(CGameActor* target)
{
    m_Pursuit.m_Target.SetActor(target);
    if (CChaseCarController* chase = ActiveChase())
        chase->SetTargetActor(target);
}

void CNormalPoliceController::SetTargetObject(CCollidableObject* object)
{
    m_Pursuit.m_Target.SetObject(object);
    if (CChaseCarController* chase = ActiveChase())
        chase->SetTargetObject(object);
}
