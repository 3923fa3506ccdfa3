#include <cstring>
#include <ctime>

#include <gtest/gtest.h>

#include "platform/win32/Win32Platform.h"

namespace {

DWORD g_FakeNow = 0;

DWORD FakeClock()
{
    return g_FakeNow;
}

// Puts the real clock and date back whatever a test does.
class Win32Clock : public ::testing::Test {
protected:
    void TearDown() override
    {
        Win32Platform::SetClockSource(nullptr);
        Win32Platform::SetFixedLocalTime(nullptr);
    }
};

TEST_F(Win32Clock, ClockSourceReplacesTheSteadyClock)
{
    Win32Platform::SetClockSource(FakeClock);
    g_FakeNow = 1000;
    EXPECT_EQ(1000u, timeGetTime());
    g_FakeNow = 0xFFFFFFFF; // the 32-bit wrap is the caller's business, as with winmm
    EXPECT_EQ(0xFFFFFFFFu, timeGetTime());

    Win32Platform::SetClockSource(nullptr);
    const DWORD before = timeGetTime();
    Sleep(20);
    const DWORD elapsed = timeGetTime() - before;
    EXPECT_GE(elapsed, 20u);
    EXPECT_LT(elapsed, 2000u);
}

TEST_F(Win32Clock, TimerPeriodAcceptsOneMillisecond)
{
    EXPECT_EQ(static_cast<MMRESULT>(TIMERR_NOERROR), timeBeginPeriod(1));
    EXPECT_EQ(static_cast<MMRESULT>(TIMERR_NOERROR), timeEndPeriod(1));
    EXPECT_EQ(static_cast<MMRESULT>(TIMERR_NOCANDO), timeBeginPeriod(0));
}

TEST_F(Win32Clock, FixedLocalTimeReplacesTheDate)
{
    const SYSTEMTIME fixed = {2004, 7, 5, 9, 23, 59, 58, 999};
    Win32Platform::SetFixedLocalTime(&fixed);
    SYSTEMTIME got = {};
    GetLocalTime(&got);
    EXPECT_EQ(0, std::memcmp(&fixed, &got, sizeof(got)));

    Win32Platform::SetFixedLocalTime(nullptr);
    const std::time_t before = std::time(nullptr);
    GetLocalTime(&got);
    const std::time_t after = std::time(nullptr);
    std::tm early = {};
    std::tm late = {};
    localtime_r(&before, &early);
    localtime_r(&after, &late);
    EXPECT_TRUE(got.wYear == early.tm_year + 1900 || got.wYear == late.tm_year + 1900);
    EXPECT_TRUE(got.wMonth == early.tm_mon + 1 || got.wMonth == late.tm_mon + 1);
    EXPECT_TRUE(got.wDay == early.tm_mday || got.wDay == late.tm_mday);
    EXPECT_TRUE(got.wDayOfWeek == early.tm_wday || got.wDayOfWeek == late.tm_wday);
    EXPECT_TRUE(got.wHour == early.tm_hour || got.wHour == late.tm_hour);
    EXPECT_LT(got.wMilliseconds, 1000);
}

} // namespace
