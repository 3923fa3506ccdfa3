#include "Game/CrimeManager.h"

#include "Actors/GameActor.h"
#include "Core/Asset.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Core/StepTrace.h"

namespace {

// Room for a busy frame's reports without growing during play.
const size_t PENDING_RESERVE = 16;
const char* const CRIME_FILE = "Scripts\\CrimeFile.txt";

// The names the crime file gives the types; an unknown name is type 0.
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
            selected = FindEnumValue(reader.GetString(), CRIME_TYPE_NAMES, CRIME_TYPE_COUNT);
        } else if (reader.Match("WantedAmount")) {
            m_Records[selected].m_fWantedAmount = reader.GetFloat();
        } else {
            // A word the file does not know is passed over.
            reader.NextToken();
        }
    }
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
}

void CCrimeManager::Update()
{
    TraceStep("CCrimeManager::Update");
    m_PendingEvents.clear();
}
