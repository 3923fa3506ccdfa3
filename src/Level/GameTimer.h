#pragma once

#include <cstdint>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

// The game's clock of the day and the sun it puts in the sky. The clock runs
// at a multiple of real time (the time ratio, which missions and the console
// set) and, from the time of day, turns Direct3D light 0 into the sun: its
// direction along an arc from dawn to dusk, its colour blended between six
// phases. "Scripts\GameTimer.txt" holds the prototype:
//
//   GameTimer MainGameTimer
//       Asset_Type  Game
//       Hour 9      Min 30     TimeRatio 30
//       DawnColor   1 0.7 0.5  DawnTime 6
//       ... DayColor/DayTime, DayEColor/DayETime, DuskColor/DuskTime,
//           NightColor/NightTime, NightEColor/NightETime
//
// Colours are red, green and blue; times are hours. Night runs over midnight
// to NightE; the others follow one another through the day.
class CGameTimer : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CGameTimer";

    enum Phase {
        PHASE_DAWN,
        PHASE_DAY,
        PHASE_DAY_END,
        PHASE_DUSK,
        PHASE_NIGHT,
        PHASE_NIGHT_END,
        PHASE_COUNT,
    };
    // What Advance carried.
    enum CarryFlags {
        CARRIED_MINUTE = 1,
        CARRIED_HOUR = 2,
        CARRIED_DAY = 4,
    };

    struct PhaseColour {
        D3DXCOLOR m_Colour;
        float m_fStart = 0.0f; // hours
    };

    CGameTimer();

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;

    // Advances by the frame time times the time ratio, then sets the sun.
    void Update();
    // Returns the CarryFlags of what the seconds carried over.
    int Advance(float seconds);
    // Minutes after midnight; the seconds and the day stay.
    void SetTime(float minutes);
    void UpdateSkyColor();
    // Queues "Time: h:mm" at (x, y), fractions of the screen.
    void DrawTime(float x, float y) const;

    // The sun's place of the last UpdateSkyColor.
    const D3DXVECTOR3& GetSunPosition() const { return m_vSunPosition; }
    float GetTimeOfDay() const { return m_fTimeOfDay; }
    float GetTimeRatio() const { return m_fTimeRatio; }
    void SetTimeRatio(float ratio) { m_fTimeRatio = ratio; }
    const PhaseColour& GetPhase(Phase phase) const { return m_Phases[phase]; }
    // The light colour at `hours`, and whether a phase window holds it.
    bool GetPhaseColour(float hours, D3DXCOLOR& colour) const;

    // The clock record, in this order: the console's TIME writes it whole.
    int32_t m_Year = 0;
    int32_t m_Days = 0;
    int32_t m_Hour = 0;
    int32_t m_Minute = 0;
    float m_fSeconds = 0.0f;
    float m_fTimeOfDay = 0.0f; // hours, refreshed by every Advance

private:
    bool ReadPhase(CDataBuffer& reader);

    float m_fTimeRatio = 1.0f; // game seconds per real second
    PhaseColour m_Phases[PHASE_COUNT];
    D3DXVECTOR3 m_vSunPosition;
};

extern CGameTimer g_GameTimer;
