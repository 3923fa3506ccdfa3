#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx8/D3DX8Math.h"
#include "platform/fsound/FSound.h"

// One line of the radio's dial.
struct CRadioStation {
    enum {
        TYPE_LOCAL = 0,
        TYPE_NETWORK = 1,
        // Any other type is silence; "Blank" uses this one.
        TYPE_SILENCE = 3,
    };

    std::string m_Name;
    // A path for a local station, an address for a network one.
    std::string m_File;
    int m_Type = TYPE_SILENCE;
};

// Which of the radio's actions ("Radio_Power", "Radio_Next", "Radio_Prev")
// were released this frame.
struct CRadioControls {
    bool m_bPower = false;
    bool m_bNext = false;
    bool m_bPrev = false;
};

// The car radio. Local stations play as if they had been broadcasting all
// along: a station tuned in starts at the radio's clock. The tuned station's
// name shows at the top of the screen for five seconds, fading out over the
// last two.
class CRadio {
public:
    static constexpr const char* STATIONS_FILE = "Scripts\\Radiostations.txt";
    static constexpr const char* BLANK_STATION = "Blank";
    enum {
        NETWORK_BUFFER_MILLISECONDS = 100,
        NETWORK_BUFFER_BYTES = 64000,
        NETWORK_PREBUFFER_PERCENT = 60,
        NETWORK_REBUFFER_PERCENT = 80,
        NAME_FADE_START_MILLISECONDS = 3000,
        NAME_SHOWN_MILLISECONDS = 5000,
    };
    static constexpr float NAME_FADE_PER_MILLISECOND = 0.0005f;
    // Where the name is drawn, as fractions of the screen from the top-left corner.
    static constexpr float NAME_X = 0.5375f;
    static constexpr float NAME_Y = 0.0f;

    CRadio();

    // Reads the stations; an unreadable file or a token other than "Station"
    // at the start of a record is fatal.
    void LoadStations();
    void SetOn(bool on);
    // Tunes to the current station.
    void PlayStation();
    // Once per frame while the player drives.
    void Update(const CRadioControls& released, uint32_t frameMilliseconds);
    // The same, with the radio actions released this frame and the frame time.
    void Update();

    bool IsOn() const { return m_bOn; }
    int GetCurrentStation() const { return m_CurrentStation; }
    int GetStationCount() const { return m_StationCount; }
    const CRadioStation& GetStation(int index) const { return m_Stations[index]; }
    uint32_t GetClock() const { return m_Clock; }
    int GetNetworkChannel() const { return m_NetworkChannel; }

    // While the tuned station's name is to be drawn, in GetNameColor, at
    // (NAME_X, NAME_Y) in the size-13 font.
    bool IsNameShown() const { return m_NameTimer < NAME_SHOWN_MILLISECONDS; }
    D3DCOLOR GetNameColor() const;
    // Empty before the stations are loaded.
    const std::string& GetStationName() const;

private:
    void StopNetworkStation();
    void SwitchOff();
    void TuneNetworkStation(const CRadioStation& station);
    void StartNetworkStation();
    bool IsStationValid() const;
    bool IsNetworkStationTuned() const;

    std::vector<CRadioStation> m_Stations;
    int m_CurrentStation = -1;
    int m_StationCount = 0;
    bool m_bOn = false;
    FSOUND_STREAM* m_pNetworkStream = nullptr;
    int m_NetworkChannel = -1;
    uint32_t m_Clock = 0;
    uint32_t m_NameTimer = 0;
    D3DXCOLOR m_NameColor;
};

extern CRadio g_Radio;
