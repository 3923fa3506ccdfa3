#include "Game/CellPhone.h"

#include "Core/StepTrace.h"

void CCellPhone::Update()
{
    TraceStep("CCellPhone::Update");
}

void CCellPhone::Draw()
{
    TraceStep("CCellPhone::Draw");
}
