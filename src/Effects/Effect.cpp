#include "Effects/Effect.h"

#include "Display/RenderQueue.h"

void CEffect::Render()
{
    if (m_u8Running == 0)
        return;
    g_RenderQueue.AddEffect(*this);
}
