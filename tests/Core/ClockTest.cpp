#include <gtest/gtest.h>

#include <vector>

#include "Core/Clock.h"
#include "platform/win32/Win32Platform.h"

namespace {

DWORD s_FakeNow = 0;
DWORD FakeClock()
{
    return s_FakeNow;
}

TEST(CClockTest, CountsOnlyWhileRunning)
{
    Win32Platform::SetClockSource(FakeClock);
    s_FakeNow = 1000;
    CClock clock;
    EXPECT_EQ(0u, clock.GetTime());
    ASSERT_TRUE(clock.Start());
    EXPECT_FALSE(clock.Start()) << "the timer period is raised once";
    s_FakeNow = 1250;
    EXPECT_EQ(250u, clock.GetTime());
    clock.Stop();
    s_FakeNow = 5000;
    EXPECT_EQ(250u, clock.GetTime());
    Win32Platform::SetClockSource(nullptr);
}

// Feeds `deltas` to a fresh timer and returns the frame time after each frame.
std::vector<float> RunFrames(const std::vector<uint32_t>& deltas)
{
    CFrameTimer timer;
    uint32_t now = 0;
    std::vector<float> times;
    for (uint32_t delta : deltas) {
        now += delta;
        timer.Update(now);
        times.push_back(timer.GetFrameTime());
    }
    return times;
}

TEST(CFrameTimerTest, StaysZeroUntilTheWindowIsFull)
{
    const std::vector<float> times = RunFrames(std::vector<uint32_t>(60, 10));
    EXPECT_EQ(0.0f, times[58]);
    EXPECT_FLOAT_EQ(0.010f, times[59]);
}

TEST(CFrameTimerTest, MeanIsTruncatedAndASlowFrameLeavesTheWindow)
{
    // One 600 ms frame among 10 ms frames: (600 + 59 * 10) / 60 = 19.83 -> 19 ms.
    std::vector<uint32_t> deltas(60, 10);
    deltas[0] = 600;
    deltas.insert(deltas.end(), 2, 10);
    CFrameTimer timer;
    uint32_t now = 0;
    for (size_t i = 0; i < deltas.size(); ++i) {
        now += deltas[i];
        timer.Update(now);
        if (i == 59) {
            EXPECT_EQ(19u, timer.GetMeanDelta());
            EXPECT_FLOAT_EQ(0.019f, timer.GetFrameTime());
        }
    }
    EXPECT_EQ(10u, timer.GetMeanDelta());

    // A window summing to 599 ms means 9 ms.
    std::vector<uint32_t> short_window(59, 10);
    short_window.push_back(9);
    EXPECT_FLOAT_EQ(0.009f, RunFrames(short_window).back());
}

TEST(CRandomTableTest, ValuesStayInRangeAndTheCursorWraps)
{
    CRandomTable table;
    table.Fill(12345);
    std::vector<int32_t> first;
    for (int i = 0; i < CRandomTable::TABLE_SIZE; ++i) {
        const int32_t value = table.Next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, CRandomTable::MAX_VALUE);
        first.push_back(value);
    }
    EXPECT_EQ(first[0], table.Next()) << "the 5001st draw repeats the first";
    EXPECT_EQ(first[1] % 7u, table.NextBelow(7));
    EXPECT_FLOAT_EQ(2.0f + first[2] * 3.0518509e-05f * 4.0f, table.NextFloat(2.0f, 6.0f));
}

TEST(CRandomTableTest, SetUpcomingWritesTheNextDrawsAcrossTheWrapAndClampsThem)
{
    CRandomTable table;
    table.Fill(1);
    for (int i = 0; i < CRandomTable::TABLE_SIZE - 2; ++i)
        table.Next();
    table.SetUpcoming({7, 40000, -3, 9});
    EXPECT_EQ(7, table.Next());
    EXPECT_EQ(CRandomTable::MAX_VALUE, table.Next());
    EXPECT_EQ(0, table.Next()) << "the first entry after the wrap";
    EXPECT_EQ(9, table.Next());
}

} // namespace
