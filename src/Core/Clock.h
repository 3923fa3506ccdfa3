#pragma once

#include <cstdint>
#include <vector>

// The millisecond game clock over timeGetTime. It stands still until Start.
class CClock {
public:
    ~CClock();

    bool Start();
    uint32_t GetTime();
    void Stop();

    bool IsRunning() const { return m_bRunning; }

private:
    bool m_bRunning = false;
    bool m_bPeriodRaised = false;
    uint32_t m_AccumulatedTime = 0;
    uint32_t m_LastReading = 0;
};

// Turns clock readings into the smoothed frame time that every per-frame
// motion, timer and animation is scaled by: the truncated mean of the last
// 60 frame deltas. Both the seconds and the milliseconds stay 0 until the
// window is full, so nothing moves on the first 59 frames.
class CFrameTimer {
public:
    enum { WINDOW_FRAMES = 60 };

    // Once per frame: reads the game clock.
    void Update();
    // The same step for a given clock time (milliseconds).
    void Update(uint32_t now);

    float GetFrameTime() const { return m_FrameTime; }
    uint32_t GetMeanDelta() const { return m_MeanDelta; }
    uint32_t GetFrameDelta() const { return m_FrameDelta; }

private:
    uint32_t m_LastTime = 0;
    uint32_t m_FrameDelta = 0;
    uint32_t m_WindowSum = 0;
    // A ring of the deltas in the window; the oldest sits where the next one
    // goes once the window is full.
    uint32_t m_Window[WINDOW_FRAMES] = {};
    uint32_t m_WindowNext = 0;
    uint32_t m_WindowCount = 0;
    float m_FrameTime = 0.0f;
    uint32_t m_MeanDelta = 0;
};

// 5000 random integers from 0 to 32767, drawn once at start-up and read by a
// cursor that wraps, so every random decision of a run costs a table read.
class CRandomTable {
public:
    enum { TABLE_SIZE = 5000, MAX_VALUE = 32767 };

    CRandomTable();

    // Fills the table from a generator seeded with `seed`; the cursor restarts.
    void Fill(uint32_t seed);
    // The next entry: the cursor advances first, so the first draw reads entry 0.
    int32_t Next();
    // A whole number below n (n > 0).
    uint32_t NextBelow(uint32_t n);
    // A float between a and b.
    float NextFloat(float a, float b);
    // For tests: the next draws give `values` in order (each kept within
    // 0..32767), wrapping like the draws do.
    void SetUpcoming(const std::vector<int32_t>& values);

private:
    int32_t m_Values[TABLE_SIZE];
    int32_t m_Index = -1;
};

extern CClock g_Clock;
extern CFrameTimer g_FrameTimer;
extern CRandomTable g_RandomTable;
