#include "Sound/Radio.h"

#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/ScriptFile.h"
#include "Display/TextMaster.h"
#include "Input/InputManager.h"
#include "Sound/Sound.h"

namespace {

const char* const KEYWORD_STATION = "Station";
const char* const KEYWORD_FILE = "file";
const char* const KEYWORD_INTERNET_STREAM = "InternetStream";

const unsigned int NETWORK_STREAM_MODE = FSOUND_NONBLOCKING | FSOUND_NORMAL;
const D3DXCOLOR NAME_COLOR(1.0f, 0.0f, 0.0f, 1.0f);
const float COLOR_BYTE = 255.0f;
const int32_t ALL_CHARACTERS = -1;

DWORD ToColorByte(float value)
{
    if (value >= 1.0f)
        return 255;
    if (value <= 0.0f)
        return 0;
    return static_cast<DWORD>(value * COLOR_BYTE + 0.5f);
}

} // namespace

CRadio::CRadio() : m_NameColor(NAME_COLOR) {}

void CRadio::LoadStations()
{
    CScriptFile reader(STATIONS_FILE);

    m_Stations.clear();
    CRadioStation blank;
    blank.m_Name = BLANK_STATION;
    m_Stations.push_back(blank);

    while (!reader.IsEndOfBuffer()) {
        // The reader would never step past anything else.
        if (!reader.Match(KEYWORD_STATION))
            FatalError("CRadio::LoadStations, unknown token <%s> in %s", reader.PeekString().c_str(), STATIONS_FILE);
        CRadioStation station;
        station.m_Name = reader.GetString();
        if (reader.Match(KEYWORD_FILE))
            station.m_File = reader.GetString();
        station.m_Type = reader.Match(KEYWORD_INTERNET_STREAM) ? reader.GetInteger() : m_Stations.back().m_Type;
        m_Stations.push_back(station);
    }
    m_StationCount = static_cast<int>(m_Stations.size());
    m_CurrentStation = 0;
}

void CRadio::SetOn(bool on)
{
    m_bOn = on;
    if (on)
        PlayStation();
    else
        SwitchOff();
}

void CRadio::StopNetworkStation()
{
    if (m_NetworkChannel < 0)
        return;
    FSOUND_Stream_Stop(m_pNetworkStream);
    m_NetworkChannel = -1;
}

void CRadio::SwitchOff()
{
    StopNetworkStation();
    g_Sound.StopMusic();
}

void CRadio::PlayStation()
{
    if (m_CurrentStation < 0 && !m_Stations.empty())
        m_CurrentStation = 0;
    m_NameTimer = 0;
    m_NameColor.a = 1.0f;
    SwitchOff();
    // Before the stations are loaded there is nothing to tune to.
    if (!IsStationValid())
        return;

    const CRadioStation& station = m_Stations[m_CurrentStation];
    switch (station.m_Type) {
    case CRadioStation::TYPE_NETWORK:
        TuneNetworkStation(station);
        break;
    case CRadioStation::TYPE_LOCAL:
        g_Sound.PlayTrack(station.m_File.c_str());
        g_Sound.SetStreamTime(m_Clock);
        break;
    default:
        SwitchOff();
        break;
    }
}

void CRadio::TuneNetworkStation(const CRadioStation& station)
{
    g_Sound.StopMusic();
    FSOUND_Stream_SetBufferSize(NETWORK_BUFFER_MILLISECONDS);
    FSOUND_Stream_Net_SetBufferProperties(NETWORK_BUFFER_BYTES, NETWORK_PREBUFFER_PERCENT, NETWORK_REBUFFER_PERCENT);
    // Each tuning opens a new stream: the one before is done with.
    if (m_pNetworkStream)
        FSOUND_Stream_Close(m_pNetworkStream);
    // It opens in the background; Update starts it once it can play.
    m_pNetworkStream = FSOUND_Stream_Open(station.m_File.c_str(), NETWORK_STREAM_MODE, 0, 0);
}

bool CRadio::IsStationValid() const
{
    return m_CurrentStation >= 0 && m_CurrentStation < static_cast<int>(m_Stations.size());
}

bool CRadio::IsNetworkStationTuned() const
{
    return IsStationValid() && m_Stations[m_CurrentStation].m_Type == CRadioStation::TYPE_NETWORK;
}

void CRadio::StartNetworkStation()
{
    // A play that fails leaves the channel invalid, and is tried again next frame.
    m_NetworkChannel = FSOUND_Stream_Play(FSOUND_FREE, m_pNetworkStream);
    g_Sound.SetMusicChannel(m_NetworkChannel);
    FSOUND_SetVolumeAbsolute(m_NetworkChannel, g_Sound.GetMusicVolume());
    FSOUND_SetPaused(m_NetworkChannel, FALSE);
}

void CRadio::Update(const CRadioControls& released, uint32_t frameMilliseconds)
{
    if (released.m_bPower) {
        m_bOn = !m_bOn;
        if (m_bOn)
            PlayStation();
        else
            SwitchOff();
    }
    // Stepping tunes even while the radio is off.
    if (released.m_bNext && m_StationCount > 0) {
        m_CurrentStation = (m_CurrentStation + 1) % m_StationCount;
        PlayStation();
    }
    if (released.m_bPrev && m_StationCount > 0) {
        m_CurrentStation = m_CurrentStation <= 0 ? m_StationCount - 1 : m_CurrentStation - 1;
        PlayStation();
    }
    m_Clock += frameMilliseconds;
    if (!m_bOn)
        return;

    if (IsNetworkStationTuned() && m_NetworkChannel < 0)
        StartNetworkStation();
    m_NameTimer += frameMilliseconds;
    if (m_NameTimer > NAME_FADE_START_MILLISECONDS)
        m_NameColor.a = 1.0f - static_cast<float>(m_NameTimer - NAME_FADE_START_MILLISECONDS) * NAME_FADE_PER_MILLISECOND;
    if (IsNameShown())
        g_TextMaster.TextOut(GetStationName().c_str(), NAME_X, NAME_Y, GetNameColor(), &g_FontVerdana13,
                             ALL_CHARACTERS, false);
}

void CRadio::Update()
{
    CRadioControls released;
    released.m_bPower = g_InputManager.WasReleased(g_InputManager.FindAction("Radio_Power", CInputManager::BUTTON_ACTION));
    released.m_bNext = g_InputManager.WasReleased(g_InputManager.FindAction("Radio_Next", CInputManager::BUTTON_ACTION));
    released.m_bPrev = g_InputManager.WasReleased(g_InputManager.FindAction("Radio_Prev", CInputManager::BUTTON_ACTION));
    Update(released, g_FrameTimer.GetMeanDelta());
}

const std::string& CRadio::GetStationName() const
{
    static const std::string s_NoStation;
    return IsStationValid() ? m_Stations[m_CurrentStation].m_Name : s_NoStation;
}

D3DCOLOR CRadio::GetNameColor() const
{
    return D3DCOLOR_ARGB(ToColorByte(m_NameColor.a), ToColorByte(m_NameColor.r), ToColorByte(m_NameColor.g),
                         ToColorByte(m_NameColor.b));
}
