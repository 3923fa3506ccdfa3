#include "Game/CrimeManager.h"

#include "Actors/GameActor.h"
#include "Core/Asset.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Core/StepTrace.h"
#include "Game/Mission.h"

namespace {

// Room for a busy frame's reports without growing during play.
const size_t PENDING_RESERVE = 16;
const char* const CRIME_FILE = "Scripts\\CrimeFile.txt";
// The player's wanted level ebbs by one a minute and never shows more than this.
const float WANTED_EBB_PER_SECOND = 1.0f / 60.0f;
const float PLAYER_WANTED_CAP = 10.0f;
// What "WantedAmount" sets after a type name the table lacks: nothing.
const int NO_RECORD = -1;

// The names the crime file gives the types, matched exactly.
const EnumName CRIME_TYPE_NAMES[] = {
    {"StealPoliceCar", CRIME_STEAL_POLICE_CAR},
    {"ShootPoliceCar", CRIME_SHOOT_POLICE_CAR},
    {"CarExplosion", CRIME_CAR_EXPLOSION},
    {"HitAndRun", CRIME_HIT_AND_RUN},
    {"Murder", CRIME_MURDER},
    {"Back", CRIME_BACK},
    {"Save", CRIME_SAVE},
};

} // namespace

CCrimeManager::CCrimeManager()
{
    for (int type = 0; type < CRIME_TYPE_COUNT; ++type)
        m_Records[type].m_iType = type;
    m_PendingEvents.reserve(PENDING_RESERVE);
}

void CCrimeManager::Init()
{
    m_pWantedValue = &g_PlayerActor->m_fWantedLevel;
    ReadCrimeFile();
}

void CCrimeManager::ReadCrimeFile()
{
    CScriptFile reader(CRIME_FILE);
    int selected = CRIME_STEAL_POLICE_CAR;
    while (!reader.IsEndOfBuffer()) {
        if (reader.Match("MaxWantedLevel")) {
            MaxWantedLevel = reader.GetFloat();
        } else if (reader.Match("CrimeType")) {
            selected = SelectRecord(reader.GetString());
        } else if (reader.Match("WantedAmount")) {
            const float amount = reader.GetFloat();
            if (selected != NO_RECORD)
                m_Records[selected].m_fWantedAmount = amount;
        } else {
            // Passed over, so the reader never stalls on it.
            g_Log.Write(CRIME_FILE);
            g_Log.Write("Invalid crime keyword in file");
            reader.NextToken();
        }
    }
}

// A name the table lacks selects no record: the amount after it would
// otherwise rewrite the first type's.
int CCrimeManager::SelectRecord(const std::string& name)
{
    const EnumName* row = FindEnumRow(name, CRIME_TYPE_NAMES, CRIME_TYPE_COUNT);
    if (row != nullptr)
        return row->m_Value;
    g_Log.Write("Unknown crime type " + name + " in " + CRIME_FILE);
    return NO_RECORD;
}

void CCrimeManager::ReportCrime(int type, intptr_t value, CGameActor* pOffender, const D3DXVECTOR3* pPosition)
{
    if (type < 0 || type >= CRIME_TYPE_COUNT) {
        g_Log.Write("Unknown crime type " + std::to_string(type) + " reported");
        return;
    }
    CCrimeRecord event = m_Records[type];
    event.m_pOffender = pOffender;
    event.m_Value = value;
    if (pPosition != nullptr)
        event.m_vPosition = *pPosition;
    if (type == CRIME_CAR_EXPLOSION && value != 0)
        event.m_VictimName = reinterpret_cast<const CAsset*>(value)->m_Name;
    m_PendingEvents.push_back(std::move(event));
    if (m_pListener != nullptr)
        m_pListener->OnEvent(m_PendingEvents.back());
}

void CCrimeManager::Update()
{
    TraceStep("CCrimeManager::Update");
    for (const CCrimeRecord& event : m_PendingEvents) {
        if (event.m_pOffender == nullptr)
            continue;
        float& wanted = event.m_pOffender->m_fWantedLevel;
        wanted += event.m_fWantedAmount;
        if (wanted > MaxWantedLevel)
            wanted = MaxWantedLevel;
    }
    m_PendingEvents.clear();
    EbbPlayerWantedLevel();
}

// The cap of 10 holds whatever the crime file's maximum.
void CCrimeManager::EbbPlayerWantedLevel()
{
    if (m_pWantedValue == nullptr)
        return;
    float& wanted = *m_pWantedValue;
    wanted -= g_FrameTimer.GetFrameTime() * WANTED_EBB_PER_SECOND;
    if (wanted < 0.0f)
        wanted = 0.0f;
    else if (wanted > PLAYER_WANTED_CAP)
        wanted = PLAYER_WANTED_CAP;
}
