#include "Level/ObjectGrid.h"

const char* const CObjectGridKind::UPDATE_STEP = "CObjectGrid::Update";
const char* const CObjectGridKind::INVALID_SPACE_WARNING =
    "Object in invalid space warning, object put into mystery slot";

void CObjectGridKind::EnterWorld(CLevelObject* object, ActiveList& active)
{
    if (object->m_u8InWorld)
        return;
    object->CreatePhysics();
    active.push_back(object);
    object->m_u8InWorld = 1;
    object->m_u8Removed = 0;
}

void CObjectGridKind::Dispose(CLevelObject* object)
{
    if (--object->m_iGridReferences != 0)
        return;
    object->Shutdown();
    delete object;
}

void CObjectGrid::InsertAt(const D3DXVECTOR3& position, CLevelObject* object)
{
    ++object->m_iGridReferences;
    CSectorGrid<CObjectGridKind>::InsertAt(position, object);
}

void CObjectGrid::AddObject(CLevelObject* object)
{
    InsertAt(object->GetPosition(), object);
    for (const D3DXVECTOR3& point : object->m_OtherSpawnPoints) {
        D3DXVECTOR3 turned;
        D3DXVec3TransformNormal(&turned, &point, &object->m_matWorld);
        InsertAt(turned, object);
    }
}

void CObjectGrid::AddMissionObject(CLevelObject* object)
{
    ++object->m_iGridReferences;
    object->m_u8PlacedByMission = 1;
    AddToOverflow(object);
}

void CObjectGrid::DropMissionObject(CLevelObject* object)
{
    if (!object->m_u8PlacedByMission || !RemoveFromOverflow(object))
        return;
    object->m_u8PlacedByMission = 0;
    CObjectGridKind::Dispose(object);
}
