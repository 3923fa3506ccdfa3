#include "Level/GameTimer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/StepTrace.h"
#include "Display/Display.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Effects/LensFlare.h"
#include "Level/Level.h"

namespace {

const char* const KEYWORD_GAME_TIMER = "GameTimer";
const char* const KEYWORD_YEAR = "Year";
const char* const KEYWORD_DAY = "Day";
const char* const KEYWORD_HOUR = "Hour";
const char* const KEYWORD_MINUTE = "Min";
const char* const KEYWORD_SECOND = "Sec";
const char* const KEYWORD_TIME_RATIO = "TimeRatio";
// Per phase, in the order of CGameTimer::Phase.
const char* const PHASE_COLOUR_KEYWORDS[CGameTimer::PHASE_COUNT] = {
    "DawnColor", "DayColor", "DayEColor", "DuskColor", "NightColor", "NightEColor",
};
const char* const PHASE_TIME_KEYWORDS[CGameTimer::PHASE_COUNT] = {
    "DawnTime", "DayTime", "DayETime", "DuskTime", "NightTime", "NightETime",
};

const float DEFAULT_DAWN = 6.0f;
const float DEFAULT_DUSK = 18.0f;

const int32_t MINUTES_PER_HOUR = 60;
const int32_t HOURS_PER_DAY = 24;
const float SECONDS_PER_MINUTE = 60.0f;
const float HOURS_PER_DAY_F = 24.0f;
const float MINUTE_IN_HOURS = 0.016666668f;   // also a second in minutes
const float SECOND_IN_HOURS = 0.00027777778f;
// A carry this large is already far beyond any clock a player reads; the
// cap keeps the conversion to integers defined for any advance.
const float MAX_MINUTE_CARRY = 1.0e15f;
// SetTime's argument must convert to a whole number of minutes.
const float MAX_SET_MINUTES = 2.0e9f;

// Outside the day the sun rests on the horizon at +z; from dawn to dusk it
// climbs over the top and down to -z about this axis (nearly -x).
const float SUN_DISTANCE = 10000.0f;
const D3DXVECTOR3 SUN_AXIS(-10000.0f, 5.0f, 0.0f);
const float HALF_TURN = 3.1415927f;

const char* const TIME_FORMAT = "Time: %d:%02d";
const D3DCOLOR TIME_COLOUR = D3DCOLOR_ARGB(255, 223, 255, 32);
const int32_t NO_CHARACTER_LIMIT = -1;
const size_t TIME_TEXT_SIZE = 64;

D3DXCOLOR Blend(const D3DXCOLOR& from, const D3DXCOLOR& to, float f)
{
    return D3DXCOLOR(from.r + (to.r - from.r) * f, from.g + (to.g - from.g) * f, from.b + (to.b - from.b) * f,
                     from.a + (to.a - from.a) * f);
}

D3DCOLORVALUE ColourValue(const D3DXCOLOR& colour)
{
    return {colour.r, colour.g, colour.b, colour.a};
}

} // namespace

CGameTimer::CGameTimer() : m_vSunPosition(0.0f, 0.0f, SUN_DISTANCE)
{
    m_Phases[PHASE_DAWN].m_fStart = DEFAULT_DAWN;
    m_Phases[PHASE_DUSK].m_fStart = DEFAULT_DUSK;
}

bool CGameTimer::Load(CDataBuffer& reader)
{
    if (!ReadBlock(reader, KEYWORD_GAME_TIMER))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CGameTimer::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    // The clock only ever counts up from zero: a negative hour, minute or
    // second would show as "Time: 0:-30" and never carry, so it is refused
    // and the field keeps what it had.
    struct IntegerField {
        const char* keyword;
        int32_t* field;
        bool clock;
    };
    const IntegerField integers[] = {
        {KEYWORD_YEAR, &m_Year, false},
        {KEYWORD_DAY, &m_Days, false},
        {KEYWORD_HOUR, &m_Hour, true},
        {KEYWORD_MINUTE, &m_Minute, true},
    };
    for (const IntegerField& entry : integers) {
        if (reader.Match(entry.keyword)) {
            const int32_t value = reader.GetInteger();
            if (!entry.clock || value >= 0)
                *entry.field = value;
            return true;
        }
    }
    if (reader.Match(KEYWORD_SECOND)) {
        const float seconds = reader.GetFloat();
        if (seconds >= 0.0f)
            m_fSeconds = seconds;
        return true;
    }
    if (reader.Match(KEYWORD_TIME_RATIO)) {
        m_fTimeRatio = reader.GetFloat();
        return true;
    }
    return ReadPhase(reader);
}

// The fourth colour component is never read: it keeps what the asset had.
bool CGameTimer::ReadPhase(CDataBuffer& reader)
{
    for (int phase = 0; phase < PHASE_COUNT; ++phase) {
        PhaseColour& entry = m_Phases[phase];
        if (reader.Match(PHASE_COLOUR_KEYWORDS[phase])) {
            entry.m_Colour.r = reader.GetFloat();
            entry.m_Colour.g = reader.GetFloat();
            entry.m_Colour.b = reader.GetFloat();
            return true;
        }
        if (reader.Match(PHASE_TIME_KEYWORDS[phase])) {
            entry.m_fStart = reader.GetFloat();
            return true;
        }
    }
    return false;
}

void CGameTimer::Update()
{
    TraceStep("CGameTimer::Update");
    Advance(g_FrameTimer.GetFrameTime() * m_fTimeRatio);
    UpdateSkyColor();
}

int CGameTimer::Advance(float seconds)
{
    int flags = 0;
    int64_t minutes = m_Minute;
    int64_t hours = m_Hour;
    int64_t days = m_Days;
    m_fSeconds += seconds;
    if (m_fSeconds >= SECONDS_PER_MINUTE) {
        const float carried = std::min(std::trunc(m_fSeconds * MINUTE_IN_HOURS), MAX_MINUTE_CARRY);
        m_fSeconds -= carried * SECONDS_PER_MINUTE;
        minutes += static_cast<int64_t>(carried);
        flags |= CARRIED_MINUTE;
    }
    if (minutes >= MINUTES_PER_HOUR) {
        hours += minutes / MINUTES_PER_HOUR;
        minutes %= MINUTES_PER_HOUR;
        flags |= CARRIED_HOUR;
    }
    if (hours >= HOURS_PER_DAY) {
        days += hours / HOURS_PER_DAY;
        hours %= HOURS_PER_DAY;
        flags |= CARRIED_DAY;
    }
    m_Minute = static_cast<int32_t>(minutes);
    m_Hour = static_cast<int32_t>(hours);
    m_Days = static_cast<int32_t>(std::min<int64_t>(days, INT32_MAX));
    m_fTimeOfDay = static_cast<float>(m_Minute) * MINUTE_IN_HOURS + static_cast<float>(m_Hour);
    return flags;
}

void CGameTimer::SetTime(float minutes)
{
    // A value no clock can show (negative, huge or not a number) is ignored
    // rather than converted.
    if (!(minutes >= 0.0f && minutes < MAX_SET_MINUTES))
        return;
    const int32_t whole = static_cast<int32_t>(minutes);
    m_Hour = whole / MINUTES_PER_HOUR;
    m_Minute = whole % MINUTES_PER_HOUR;
}

void CGameTimer::UpdateSkyColor()
{
    const float t = static_cast<float>(m_Hour) + static_cast<float>(m_Minute) * MINUTE_IN_HOURS +
                    m_fSeconds * SECOND_IN_HOURS;

    const float dawn = m_Phases[PHASE_DAWN].m_fStart;
    const float dusk = m_Phases[PHASE_DUSK].m_fStart;
    m_vSunPosition = D3DXVECTOR3(0.0f, 0.0f, SUN_DISTANCE);
    if (dawn < t && t < dusk) {
        D3DXMATRIX arc;
        D3DXMatrixRotationAxis(&arc, &SUN_AXIS, (t - dawn) / (dusk - dawn) * HALF_TURN);
        D3DXVec3TransformCoord(&m_vSunPosition, &m_vSunPosition, &arc);
    }

    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    D3DXVECTOR3 direction = -m_vSunPosition;
    D3DXVec3Normalize(&direction, &direction);
    light.Direction = direction;
    D3DXCOLOR colour;
    if (!GetPhaseColour(t, colour))
        colour = D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.0f);
    light.Diffuse = ColourValue(colour);
    light.Specular = light.Diffuse;
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device != nullptr)
        device->SetLight(0, &light);
    if (g_pLevel == nullptr)
        return;
    for (const std::unique_ptr<CLensFlare>& flare : g_pLevel->GetLensFlares())
        flare->m_vPosition = m_vSunPosition;
}

bool CGameTimer::GetPhaseColour(float t, D3DXCOLOR& colour) const
{
    // Each window blends its phase into the next; the night's runs over
    // midnight, so before NightE the hour counts from the previous evening.
    struct Window {
        Phase from;
        Phase to;
        float low;   // t in [low, high)
        float high;
        float shift; // added to t before measuring
    };
    const float dawn = m_Phases[PHASE_DAWN].m_fStart;
    const float day = m_Phases[PHASE_DAY].m_fStart;
    const float dayEnd = m_Phases[PHASE_DAY_END].m_fStart;
    const float dusk = m_Phases[PHASE_DUSK].m_fStart;
    const float night = m_Phases[PHASE_NIGHT].m_fStart;
    const float nightEnd = m_Phases[PHASE_NIGHT_END].m_fStart;
    const Window windows[] = {
        {PHASE_DAWN, PHASE_DAY, dawn, day, 0.0f},
        {PHASE_DAY, PHASE_DAY_END, day, dayEnd, 0.0f},
        {PHASE_DAY_END, PHASE_DUSK, dayEnd, dusk, 0.0f},
        {PHASE_DUSK, PHASE_NIGHT, dusk, night, 0.0f},
        {PHASE_NIGHT, PHASE_NIGHT_END, night, HOURS_PER_DAY_F, 0.0f},
        {PHASE_NIGHT, PHASE_NIGHT_END, 0.0f, nightEnd, HOURS_PER_DAY_F},
        {PHASE_NIGHT_END, PHASE_DAWN, nightEnd, dawn, 0.0f},
    };
    bool found = false;
    // When phase times overlap, the last window that holds t wins.
    for (const Window& window : windows) {
        if (!(window.low <= t && t < window.high))
            continue;
        const float start = m_Phases[window.from].m_fStart;
        float end = m_Phases[window.to].m_fStart;
        if (window.from == PHASE_NIGHT)
            end += HOURS_PER_DAY_F;
        const float f = (t + window.shift - start) / (end - start);
        colour = Blend(m_Phases[window.from].m_Colour, m_Phases[window.to].m_Colour, f);
        found = true;
    }
    return found;
}

void CGameTimer::DrawTime(float x, float y) const
{
    char text[TIME_TEXT_SIZE];
    std::snprintf(text, sizeof(text), TIME_FORMAT, m_Hour, m_Minute);
    g_TextMaster.TextOut(text, x, y, TIME_COLOUR, &g_FontVerdana13, NO_CHARACTER_LIMIT, false);
}
