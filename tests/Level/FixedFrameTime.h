#pragma once
// Fills the frame timer's window with one frame length, so that every update
// of the world steps by exactly that much; the destructor clears the timer.

#include <cstdint>

#include "Core/Clock.h"

class FixedFrameTime {
public:
    explicit FixedFrameTime(uint32_t milliseconds)
    {
        g_FrameTimer = CFrameTimer();
        for (uint32_t frame = 1; frame <= CFrameTimer::WINDOW_FRAMES; ++frame)
            g_FrameTimer.Update(frame * milliseconds);
    }
    ~FixedFrameTime() { g_FrameTimer = CFrameTimer(); }
    FixedFrameTime(const FixedFrameTime&) = delete;
    FixedFrameTime& operator=(const FixedFrameTime&) = delete;
};
