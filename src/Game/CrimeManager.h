#pragma once
// The crime manager: every crime and menu event is reported here, queued for
// the next level update (which raises the offender's wanted level) and seen
// at once by the running mission. The actors report to it and read its
// maximum, so this header leans on Core and the math types only.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx8/D3DX8Math.h"

class CAsset;
class CGameActor;
class CMission;

enum CrimeType {
    CRIME_STEAL_POLICE_CAR = 0,
    CRIME_SHOOT_POLICE_CAR = 1,
    CRIME_CAR_EXPLOSION = 2,
    CRIME_HIT_AND_RUN = 3,
    CRIME_MURDER = 4,
    // The menus' events travel the same way.
    CRIME_BACK = 5,
    CRIME_SAVE = 6,
    CRIME_TYPE_COUNT = 7,
};

// One crime type's amount in the manager, and one reported event.
struct CCrimeRecord {
    // Whose wanted level the event raises; null in the manager's own records.
    CGameActor* m_pOffender = nullptr;
    int32_t m_iType = CRIME_STEAL_POLICE_CAR;
    D3DXVECTOR3 m_vPosition;
    float m_fWantedAmount = 0.0f;
    // The victim (CrimeVictim) for crimes, the slot number for Save.
    intptr_t m_Value = 0;
    // The exploded car's asset name, for CarExplosion.
    std::string m_VictimName;
};

// The value of a crime whose victim is an asset: CarExplosion reads the
// victim's name through it.
inline intptr_t CrimeVictim(const CAsset* pVictim)
{
    return reinterpret_cast<intptr_t>(pVictim);
}

class CCrimeManager {
public:
    CCrimeManager();

    // Takes the player's wanted value (the player must exist), then reads the
    // maximum and each type's amount from "Scripts\CrimeFile.txt"; an
    // unreadable file is fatal, like every start-up script.
    void Init();

    // Queues a copy of the type's record with the offender, the value and,
    // when given, the place, and shows it to the listener at once. A type
    // outside the table is logged and dropped.
    void ReportCrime(int type, intptr_t value, CGameActor* pOffender, const D3DXVECTOR3* pPosition);

    // Once a level update: each queued event raises its offender's wanted
    // level by its amount, up to MaxWantedLevel; the queue is emptied; the
    // player's own level ebbs by one a minute and stays within 0..10.
    void Update();
    // Forgets the queued events: their offenders may go with the level.
    void ClearPending() { m_PendingEvents.clear(); }

    const std::vector<CCrimeRecord>& GetPendingEvents() const { return m_PendingEvents; }
    const CCrimeRecord& GetRecord(CrimeType type) const { return m_Records[type]; }

    // No wanted level rises above it; 0 until the crime file sets it.
    float MaxWantedLevel = 0.0f;
    // The running mission, which sees every event as it is reported; set
    // and cleared by the mission manager.
    CMission* m_pListener = nullptr;

private:
    void ReadCrimeFile();
    // The record a "CrimeType" name selects; -1, logged, for a name
    // the table lacks.
    static int SelectRecord(const std::string& name);
    void EbbPlayerWantedLevel();

    CCrimeRecord m_Records[CRIME_TYPE_COUNT];
    float* m_pWantedValue = nullptr;
    std::vector<CCrimeRecord> m_PendingEvents;
};

extern CCrimeManager g_CrimeFile;
