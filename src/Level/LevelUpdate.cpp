#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/Clock.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Game/CellPhone.h"
#include "Game/CrimeManager.h"
#include "Game/MissionManager.h"
#include "Level/BuildingObject.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Level/LevelObject.h"
#include "Level/TrafficLights.h"
#include "Physics/Physics.h"

namespace {

D3DXVECTOR3 ViewerPosition()
{
    return g_pActiveCamera != nullptr ? g_pActiveCamera->GetPosition() : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

// Walks `list`, taking the next node before `step` may unlink the current one.
template <class T, class Step>
void WalkUnlinking(std::list<T*>& list, Step step)
{
    for (auto node = list.begin(); node != list.end();) {
        auto current = node++;
        if (step(*current))
            list.erase(current);
    }
}

} // namespace

// Nothing leaves the level's lists anywhere else: others raise a flag, and
// this walk unlinks what is flagged, so what is removed in a frame is
// neither updated nor drawn in it.
void CLevel::Update()
{
    const D3DXVECTOR3 viewer = ViewerPosition();
    m_fObjectGridTimer += g_FrameTimer.GetFrameTime();
    if (m_fObjectGridTimer > OBJECT_GRID_PERIOD) {
        m_ObjectGrid.Update(viewer, m_ActiveObjects);
        m_fObjectGridTimer = 0.0f;
    }
    m_CarGrid.Update(viewer, m_ActiveCars);
    m_AIPool.Update(viewer, m_Agents, m_ActiveCars);
    g_CrimeFile.Update();
    g_Physics.Update();
    UpdatePlayState();
    UpdateCars();
    UpdateAgents();
    if (g_PlayerActor != nullptr) {
        g_PlayerActor->Update();
        g_PlayerActor->UpdateAnimation();
    }
    UpdateWeapons();
    g_TrafficLights.Update();
    UpdateLevelObjects();
    for (const std::unique_ptr<CBuildingObject>& building : m_Buildings)
        building->Update();
    m_Projectiles.Update();
    g_CellPhone.Update();
    g_MissionManager.Update();
    m_Projectiles.CastHitRays();
}

// Only while playing does the clock run and the cursor follow the aim.
void CLevel::UpdatePlayState()
{
    if (m_iState != STATE_PLAYING)
        return;
    PlaceCursorAtAim();
    g_GameTimer.Update();
}

// The player's weapon aims where the cursor is: through the scope while it
// is on.
void CLevel::PlaceCursorAtAim()
{
    const CWeapon* weapon = g_PlayerActor != nullptr ? g_PlayerActor->GetCurrentWeapon() : nullptr;
    if (weapon == nullptr) {
        SetMouseCursorPosition();
        return;
    }
    SetMouseCursorPosition(weapon->m_bScoped ? weapon->m_vAimPosSec : weapon->m_vAimPos);
}

void CLevel::UpdateCars()
{
    WalkUnlinking(m_ActiveCars, [](CCar* car) {
        if (!car->m_bRemoved) {
            car->UpdateDriving();
            car->Update();
            return false;
        }
        car->ReleasePhysics();
        car->m_bInWorld = false;
        car->m_fTimeInWorld = 0.0f;
        return true;
    });
}

void CLevel::UpdateAgents()
{
    WalkUnlinking(m_Agents, [](CAIControllerSet* agent) {
        if (!agent->m_u8RecycleRequested) {
            agent->Update();
            return false;
        }
        if (agent->GetActor() != nullptr)
            agent->GetActor()->DisablePhysics();
        agent->m_u8InUse = 0;
        return true;
    });
}

// A weapon the player picks up now belongs to the player.
void CLevel::UpdateWeapons()
{
    for (auto node = m_Weapons.begin(); node != m_Weapons.end();) {
        auto current = node++;
        (*current)->Update();
        if (PickUpIfInRange(*current))
            m_Weapons.erase(current);
    }
}

void CLevel::UpdateLevelObjects()
{
    m_MovableObjects.clear();
    WalkUnlinking(m_ActiveObjects, [this](CLevelObject* object) {
        if (!object->m_u8Removed) {
            object->Update();
            if (object->m_bMoveable)
                m_MovableObjects.push_back(object);
            return false;
        }
        object->Shutdown();
        object->m_u8InWorld = 0;
        // A mission's object leaves for good (this may delete it).
        m_ObjectGrid.DropMissionObject(object);
        return true;
    });
    for (CLevelObject* object : m_MovableObjects)
        object->SyncPhysics();
}
