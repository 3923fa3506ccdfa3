#include "Game/MissionManager.h"

#include "Core/StepTrace.h"

void CMissionManager::Update()
{
    TraceStep("CMissionManager::Update");
}

void CMissionManager::Draw()
{
    TraceStep("CMissionManager::Draw");
}
