#include "AI/AIControllerSet.h"

#include "Actors/GameActor.h"
#include "Core/StepTrace.h"

void CAIControllerSet::Update()
{
    TraceStep("CAIControllerSet::Update");
}

void CAIControllerSet::Draw()
{
    TraceStep("CAIControllerSet::Draw");
}

void CAIControllerSet::GetOutOfCar()
{
    if (IsPoliceActive())
        m_pPoliceController->SetState(CNormalPoliceController::STATE_GETTING_OUT);
}

void CAIControllerSet::SetVehicle(CCar* pCar)
{
    if (m_pCar != nullptr) {
        m_pCar = nullptr;
        if (m_pActor != nullptr) {
            m_pActor->m_pCar = nullptr;
            m_pActor->m_Model.m_pParentMatrix = nullptr;
        }
        return;
    }
    if (pCar == nullptr)
        return;
    m_pCar = pCar;
    if (m_pActor != nullptr)
        m_pActor->m_pCar = pCar;
}
