#include <algorithm>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Level/Level.h"

namespace {

D3DXVECTOR3 ActorPosition(const CGameActor& actor)
{
    const D3DXMATRIX& world = actor.m_Model.m_matWorld;
    return D3DXVECTOR3(world._41, world._42, world._43);
}

float DistanceSq(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 step = a - b;
    return D3DXVec3LengthSq(&step);
}

// Into a list kept nearest first and at most `most` long; a candidate at the
// distance of entries already there goes after them.
template <class T>
void MergeNearest(std::vector<std::pair<float, T*>>& list, int most, float distanceSq, T* candidate)
{
    if (static_cast<int>(list.size()) >= most) {
        if (!(distanceSq < list.back().first))
            return;
        list.pop_back();
    }
    auto place = list.begin();
    while (place != list.end() && !(place->first > distanceSq))
        ++place;
    list.insert(place, std::make_pair(distanceSq, candidate));
}

} // namespace

CCar* CLevel::FindClosestCar(const D3DXVECTOR3& point, float boundSq) const
{
    CCar* closest = nullptr;
    float closestSq = boundSq;
    for (CCar* car : m_ActiveCars) {
        const float distanceSq = DistanceSq(CarPosition(*car), point);
        if (distanceSq < closestSq) {
            closest = car;
            closestSq = distanceSq;
        }
    }
    return closest;
}

int CLevel::FindNearestCars(CNearCarList& list, int most, const D3DXVECTOR3& point, float boundSq) const
{
    if (most <= 0)
        return static_cast<int>(list.size());
    for (CCar* car : m_ActiveCars) {
        const float distanceSq = DistanceSq(CarPosition(*car), point);
        if (distanceSq < boundSq)
            MergeNearest(list, most, distanceSq, car);
    }
    return static_cast<int>(list.size());
}

int CLevel::FindNearestActors(CNearActorList& list, int most, const D3DXVECTOR3& point, float boundSq,
                              bool includeInCars)
{
    if (most <= 0 || g_pLevel == nullptr)
        return static_cast<int>(list.size());
    for (CAIControllerSet* agent : g_pLevel->m_Agents) {
        CGameActor* actor = agent->GetActor();
        if (actor == nullptr || (actor->m_pCar != nullptr && !includeInCars))
            continue;
        const float distanceSq = DistanceSq(ActorPosition(*actor), point);
        if (distanceSq < boundSq)
            MergeNearest(list, most, distanceSq, actor);
    }
    return static_cast<int>(list.size());
}

void CLevel::GatherAgentsInRadius(const D3DXVECTOR3& point, float radius)
{
    m_GatheredAgents.clear();
    for (CAIControllerSet* agent : m_Agents) {
        const CGameActor* actor = agent->GetActor();
        if (actor == nullptr || actor->m_pCar != nullptr)
            continue;
        if (DistanceSq(ActorPosition(*actor), point) < radius * radius)
            m_GatheredAgents.push_back(agent);
    }
}

CAIControllerSet* CLevel::GetAgent(int n) const
{
    if (n < 0 || n >= static_cast<int>(m_Agents.size()))
        return nullptr;
    auto agent = m_Agents.begin();
    std::advance(agent, n);
    return *agent;
}

CAIControllerSet* CLevel::AddAgent()
{
    m_AddedAgents.push_back(std::make_unique<CAIControllerSet>());
    m_Agents.push_back(m_AddedAgents.back().get());
    return m_AddedAgents.back().get();
}

bool CLevel::RemoveAgent(CAIControllerSet* agent)
{
    m_Agents.remove(agent);
    m_GatheredAgents.erase(std::remove(m_GatheredAgents.begin(), m_GatheredAgents.end(), agent),
                           m_GatheredAgents.end());
    const auto owned = std::find_if(m_AddedAgents.begin(), m_AddedAgents.end(),
                                    [agent](const std::unique_ptr<CAIControllerSet>& added) { return added.get() == agent; });
    if (owned == m_AddedAgents.end())
        return false;
    m_AddedAgents.erase(owned);
    return true;
}

CCar* CLevel::AddCar(CCar* car)
{
    // Where it stands is where the physics build puts it.
    car->m_matSpawn = car->m_Body.GetWorldMatrix();
    m_CarGrid.Insert(car);
    m_ActiveCars.push_back(car);
    car->CreatePhysics();
    car->m_bInWorld = true;
    car->m_bRemoved = false;
    return car;
}

CCar* CLevel::AddCarToGrid(CCar* car)
{
    m_CarGrid.Insert(car);
    m_CarGrid.EnterIfActive(car, m_ActiveCars);
    return car;
}

CProjectile* CLevel::SpawnProjectile(const CProjectile& prototype)
{
    return m_Projectiles.Spawn(prototype);
}

void CLevel::SetState(int state)
{
    m_iPreviousState = m_iState;
    m_iState = state;
}
