#pragma once
// The frame timer's window filled with frames of one length, so that every
// per-frame step after this runs on that frame time.

#include <cstdint>

#include "Core/Clock.h"

inline void SetSteadyFrameTime(uint32_t milliseconds)
{
    g_FrameTimer = CFrameTimer();
    for (uint32_t frame = 1; frame <= CFrameTimer::WINDOW_FRAMES + 1; ++frame)
        g_FrameTimer.Update(frame * milliseconds);
}
