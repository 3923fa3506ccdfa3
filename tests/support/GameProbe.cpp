#include "support/GameProbe.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <memory>

#include "AI/AIControllerSet.h"
#include "AI/AIPool.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Console/Console.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "platform/novodex/NxActor.h"

namespace {

// The input actions a person controller holds, by the input manager's index.
enum { ACTION_WALK = 10, ACTION_FIRE = 11 };
const uint8_t HELD = 2;

bool Holds(const CController& controller, int action)
{
    return controller.GetActionCounters()[action] == HELD;
}

template <class Owned>
bool Owns(const std::vector<std::unique_ptr<Owned>>& owned, const Owned* item)
{
    return std::any_of(owned.begin(), owned.end(),
                       [item](const std::unique_ptr<Owned>& each) { return each.get() == item; });
}

float ActorSpeed(const CGameActor& actor)
{
    const NxActor* body = actor.m_PhysicsObject.m_pActor;
    if (body == nullptr)
        return 0.0f;
    const NxVec3 velocity = body->getLinearVelocity();
    return std::hypot(velocity.x, velocity.z);
}

void ProbePerson(const CAIControllerSet& agent, AgentProbe& probe)
{
    const CAIPersonController* person = agent.GetPersonController();
    if (person == nullptr)
        return;
    probe.m_Person = person == agent.GetPedController() ? AgentProbe::PEDESTRIAN : AgentProbe::POLICE;
    probe.m_iPersonState = person->GetState();
    probe.m_bHoldsFire = Holds(*person, ACTION_FIRE);
    probe.m_bHoldsWalk = Holds(*person, ACTION_WALK);
    probe.m_fFleeSeconds = person->GetDelay();
}

void ProbeDriver(const CAIControllerSet& agent, AgentProbe& probe)
{
    const CAICarController* driver = agent.GetActiveCarController();
    if (driver == nullptr)
        return;
    probe.m_Driver = driver == agent.GetCarController() ? AgentProbe::TRAFFIC : AgentProbe::CHASE;
    probe.m_iDriverState = driver->GetState();
}

float DistanceToSegment(const D3DXVECTOR3& point, const D3DXVECTOR3& from, const D3DXVECTOR3& to)
{
    const float dx = to.x - from.x;
    const float dz = to.z - from.z;
    const float lengthSq = dx * dx + dz * dz;
    float along = 0.0f;
    if (lengthSq > 0.0f)
        along = std::clamp(((point.x - from.x) * dx + (point.z - from.z) * dz) / lengthSq, 0.0f, 1.0f);
    return std::hypot(point.x - (from.x + along * dx), point.z - (from.z + along * dz));
}

template <class NodeList>
float DistanceToLink(const NodeList& nodes, const D3DXVECTOR3& point)
{
    float nearest = FLT_MAX;
    for (size_t index = 0; index < nodes.GetNodeCount(); ++index) {
        const auto* node = nodes.GetNode(index);
        for (size_t link = 0; link < node->GetLinkCount(); ++link)
            nearest = std::min(nearest,
                               DistanceToSegment(point, *node->GetPosition(), *node->GetLinkTarget(link)->GetPosition()));
    }
    return nearest;
}

} // namespace

namespace GameProbe {

AgentProbe Probe(const CAIControllerSet& agent)
{
    AgentProbe probe;
    probe.m_pAgent = &agent;
    if (g_pLevel != nullptr) {
        probe.m_bPoliceAgent = Owns(g_pLevel->GetAIPool().GetPoliceAgents(), &agent);
        probe.m_bPooled = probe.m_bPoliceAgent || Owns(g_pLevel->GetAIPool().GetAgents(), &agent);
    }
    ProbePerson(agent, probe);
    ProbeDriver(agent, probe);
    probe.m_pActor = agent.GetActor();
    probe.m_pCar = agent.GetCar();
    if (probe.m_pCar != nullptr) {
        probe.m_vPosition = CarPosition(*probe.m_pCar);
        probe.m_fSpeed = std::fabs(probe.m_pCar->GetForwardSpeed());
        probe.m_bSeated = probe.m_pActor != nullptr && probe.m_pActor->m_pCar == probe.m_pCar &&
                          probe.m_pActor->m_Model.m_pParentMatrix == probe.m_pCar->GetDriverSeat();
    } else if (probe.m_pActor != nullptr) {
        probe.m_vPosition = StandingPosition(*probe.m_pActor);
        probe.m_fSpeed = ActorSpeed(*probe.m_pActor);
    }
    return probe;
}

std::vector<AgentProbe> Agents()
{
    std::vector<AgentProbe> agents;
    if (g_pLevel == nullptr)
        return agents;
    for (const CAIControllerSet* agent : g_pLevel->GetAgents())
        agents.push_back(Probe(*agent));
    return agents;
}

std::vector<const CCar*> ActiveCars()
{
    if (g_pLevel == nullptr)
        return {};
    const std::list<CCar*>& cars = g_pLevel->GetActiveCars();
    return std::vector<const CCar*>(cars.begin(), cars.end());
}

size_t PooledActiveCarCount()
{
    if (g_pLevel == nullptr)
        return 0;
    const CAIPool& pool = g_pLevel->GetAIPool();
    return static_cast<size_t>(std::count_if(
        g_pLevel->GetActiveCars().begin(), g_pLevel->GetActiveCars().end(),
        [&pool](const CCar* car) { return Owns(pool.GetCars(), car) || Owns(pool.GetPoliceCars(), car); }));
}

float PlayerLife()
{
    return g_PlayerActor != nullptr ? g_PlayerActor->m_fCurrentLife : 0.0f;
}

float PlayerWanted()
{
    return g_PlayerActor != nullptr ? g_PlayerActor->m_fWantedLevel : 0.0f;
}

D3DXVECTOR3 PlayerPosition()
{
    return g_PlayerActor != nullptr ? StandingPosition(*g_PlayerActor) : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

std::vector<std::string> ConsoleLines()
{
    const CLineRing& output = g_Console.GetOutput();
    std::vector<std::string> lines;
    // The line after the current one is the oldest the ring still holds.
    int32_t index = CLineRing::Next(output.GetCurrentIndex());
    for (int32_t count = 0; count < CLineRing::LINE_COUNT; ++count, index = CLineRing::Next(index))
        if (!output.Line(index).empty())
            lines.push_back(output.Line(index));
    return lines;
}

bool Printed(const std::string& line)
{
    const std::vector<std::string> lines = ConsoleLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

float DistanceToRoadLink(const D3DXVECTOR3& point)
{
    return DistanceToLink(g_RoadNodes, point);
}

float DistanceToSidewalkLink(const D3DXVECTOR3& point)
{
    return DistanceToLink(g_SidewalkNodes, point);
}

} // namespace GameProbe
