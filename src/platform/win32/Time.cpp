// winmm's millisecond clock, Sleep and the local date and time. None of it
// needs SDL; tests replace the clock and the date through Win32Platform.

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/win32/Win32Platform.h"

namespace {

DWORD (*g_ClockSource)() = nullptr;
bool g_LocalTimeFixed = false;
SYSTEMTIME g_FixedLocalTime = {};

constexpr UINT kMinimumPeriod = 1;
constexpr long kNanosecondsPerMillisecond = 1000000;
constexpr int kTmBaseYear = 1900;

DWORD SteadyMilliseconds()
{
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
    // Like winmm's, the count wraps at 32 bits.
    return static_cast<DWORD>(milliseconds);
}

} // namespace

void Win32Platform::SetClockSource(DWORD (*source)())
{
    g_ClockSource = source;
}

void Win32Platform::SetFixedLocalTime(const SYSTEMTIME* time)
{
    g_LocalTimeFixed = time != nullptr;
    if (time != nullptr)
        g_FixedLocalTime = *time;
}

DWORD timeGetTime()
{
    return g_ClockSource != nullptr ? g_ClockSource() : SteadyMilliseconds();
}

// The system timer here is already finer than a millisecond: a period is
// only checked, never applied.
MMRESULT timeBeginPeriod(UINT period)
{
    return period >= kMinimumPeriod ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

MMRESULT timeEndPeriod(UINT period)
{
    return period >= kMinimumPeriod ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void GetLocalTime(SYSTEMTIME* time)
{
    if (time == nullptr)
        return;
    if (g_LocalTimeFixed) {
        *time = g_FixedLocalTime;
        return;
    }
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local = {};
    localtime_r(&now.tv_sec, &local);
    time->wYear = static_cast<WORD>(local.tm_year + kTmBaseYear);
    time->wMonth = static_cast<WORD>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time->wDay = static_cast<WORD>(local.tm_mday);
    time->wHour = static_cast<WORD>(local.tm_hour);
    time->wMinute = static_cast<WORD>(local.tm_min);
    time->wSecond = static_cast<WORD>(local.tm_sec);
    time->wMilliseconds = static_cast<WORD>(now.tv_nsec / kNanosecondsPerMillisecond);
}
