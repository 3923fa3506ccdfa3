#include "support/FrameTime.h"

#include "Core/Clock.h"

void SetFrameTime(uint32_t milliseconds)
{
    g_FrameTimer = CFrameTimer();
    for (uint32_t frame = 1; frame <= CFrameTimer::WINDOW_FRAMES; ++frame)
        g_FrameTimer.Update(frame * milliseconds);
}
