#include "AI/AIControllerSet.h"

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
}

void CAIControllerSet::SetVehicle(CCar* pCar)
{
    m_pCar = pCar;
}
