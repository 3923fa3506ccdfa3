#include "Game/CrimeManager.h"

#include "Core/Asset.h"
#include "Core/Log.h"
#include "Core/StepTrace.h"

namespace {

// Room for a busy frame's reports without growing during play.
const size_t PENDING_RESERVE = 16;

} // namespace

CCrimeManager::CCrimeManager()
{
    for (int type = 0; type < CRIME_TYPE_COUNT; ++type)
        m_Records[type].m_iType = type;
    m_PendingEvents.reserve(PENDING_RESERVE);
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
