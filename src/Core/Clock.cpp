#include "Core/Clock.h"

#include "platform/win32/Windows.h"

namespace {

const UINT TIMER_PERIOD_MS = 1;
const float MS_TO_SECONDS = 0.001f;
const float INV_RANDOM_MAX = 3.0518509e-05f; // 1 / 32767

} // namespace

CClock::~CClock()
{
    Stop();
}

bool CClock::Start()
{
    if (m_bPeriodRaised)
        return false;
    timeBeginPeriod(TIMER_PERIOD_MS);
    m_bRunning = true;
    m_bPeriodRaised = true;
    m_AccumulatedTime = 0;
    m_LastReading = timeGetTime();
    return true;
}

uint32_t CClock::GetTime()
{
    if (!m_bRunning)
        return m_AccumulatedTime;
    const uint32_t now = timeGetTime();
    m_AccumulatedTime += now - m_LastReading;
    m_LastReading = now;
    return m_AccumulatedTime;
}

void CClock::Stop()
{
    if (m_bPeriodRaised) {
        timeEndPeriod(TIMER_PERIOD_MS);
        m_bPeriodRaised = false;
    }
    m_bRunning = false;
}

void CFrameTimer::Update()
{
    Update(g_Clock.GetTime());
}

void CFrameTimer::Update(uint32_t now)
{
    m_FrameDelta = now - m_LastTime;
    m_WindowSum += m_FrameDelta;
    m_LastTime = now;
    m_Window[m_WindowNext] = m_FrameDelta;
    m_WindowNext = (m_WindowNext + 1) % WINDOW_FRAMES;

    if (++m_WindowCount != WINDOW_FRAMES)
        return;
    m_MeanDelta = m_WindowSum / WINDOW_FRAMES;
    m_FrameTime = static_cast<float>(m_MeanDelta) * MS_TO_SECONDS;
    m_WindowSum -= m_Window[m_WindowNext];
    --m_WindowCount;
}

CRandomTable::CRandomTable()
{
    Fill(timeGetTime());
}

void CRandomTable::Fill(uint32_t seed)
{
    // A linear congruential generator with 15-bit output, so the values stay
    // within 0..32767 whatever the C library's RAND_MAX is.
    uint32_t state = seed;
    for (int32_t& value : m_Values) {
        state = state * 214013u + 2531011u;
        value = static_cast<int32_t>((state >> 16) & MAX_VALUE);
    }
    m_Index = -1;
}

int32_t CRandomTable::Next()
{
    ++m_Index;
    if (m_Index >= TABLE_SIZE)
        m_Index = 0;
    return m_Values[m_Index];
}

void CRandomTable::SetUpcoming(const std::vector<int32_t>& values)
{
    int32_t index = m_Index;
    for (int32_t value : values) {
        index = index + 1 >= TABLE_SIZE ? 0 : index + 1;
        m_Values[index] = value < 0 ? 0 : (value > MAX_VALUE ? MAX_VALUE : value);
    }
}

uint32_t CRandomTable::NextBelow(uint32_t n)
{
    return static_cast<uint32_t>(Next()) % n;
}

float CRandomTable::NextFloat(float a, float b)
{
    return a + static_cast<float>(Next()) * INV_RANDOM_MAX * (b - a);
}
