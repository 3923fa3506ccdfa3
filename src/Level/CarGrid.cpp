#include "Level/CarGrid.h"

const char* const CCarGridKind::UPDATE_STEP = "CCarGrid::Update";
const char* const CCarGridKind::INVALID_SPACE_WARNING = "Car in invalid space warning, object put into mystery slot";

void CCarGridKind::EnterWorld(CCar* car, ActiveList& active)
{
    if (car->m_bInWorld)
        return;
    car->CreatePhysics();
    car->Repair();
    active.push_back(car);
    car->m_bInWorld = true;
    car->m_bRemoved = false;
    car->m_fRecycleDistance = CCarGrid::RECYCLE_DISTANCE;
    car->m_fTimeInWorld = 0.0f;
}

void CCarGridKind::Dispose(CCar* car)
{
    car->Shutdown();
    delete car;
}

void CCarGrid::Insert(CCar* car)
{
    car->m_fRecycleDistance = RECYCLE_DISTANCE;
    const D3DXVECTOR3 start(car->m_matSpawn._41, car->m_matSpawn._42, car->m_matSpawn._43);
    InsertAt(start, car);
}

void CCarGrid::AddToOverflow(CCar* car)
{
    car->m_fRecycleDistance = RECYCLE_DISTANCE;
    CSectorGrid<CCarGridKind>::AddToOverflow(car);
}
