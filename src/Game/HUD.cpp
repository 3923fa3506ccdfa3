#include "Game/HUD.h"

#include "Core/StepTrace.h"

void CHUD::Draw()
{
    TraceStep("CHUD::Draw");
}

void CHUD::RenderMiniMap()
{
    TraceStep("CHUD::RenderMiniMap");
}
