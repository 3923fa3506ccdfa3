#pragma once
// A hook through which the frame's steps name themselves, so that a test can
// check the order in which the level and its services run. Nothing is
// recorded (and nothing allocated) while no hook is set.

typedef void (*StepTraceHook)(const char* step);

extern StepTraceHook g_StepTrace;

inline void TraceStep(const char* step)
{
    if (g_StepTrace != nullptr)
        g_StepTrace(step);
}
