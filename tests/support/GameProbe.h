#pragma once
// What a whole-game test reads of the running game between frames: the
// level's agents and active cars, each agent's controllers and states, the
// player's life and wanted level, and the lines the console printed. It
// only reads; every call is safe without a level, a player or an agent.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx8/D3DX8Math.h"

class CAIControllerSet;
class CCar;
class CGameActor;

// One agent of the level's list as it stands this frame.
struct AgentProbe {
    enum Person { NO_PERSON, PEDESTRIAN, POLICE };
    enum Driver { NO_DRIVER, TRAFFIC, CHASE };

    const CAIControllerSet* m_pAgent = nullptr;
    // One of the pool's police agents.
    bool m_bPoliceAgent = false;
    // One of the pool's agents, police or not; a mission's own are not.
    bool m_bPooled = false;
    // The active person controller and its state (-1 without one).
    Person m_Person = NO_PERSON;
    int m_iPersonState = -1;
    // The active car controller and its state (-1 without one).
    Driver m_Driver = NO_DRIVER;
    int m_iDriverState = -1;
    // The car the agent drives, null on foot.
    const CCar* m_pCar = nullptr;
    // Its actor sits in that car's seat.
    bool m_bSeated = false;
    // Where it stands, or where its car is.
    D3DXVECTOR3 m_vPosition{0.0f, 0.0f, 0.0f};
    // Metres a second: the car's along its axis, else the actor's.
    float m_fSpeed = 0.0f;
    // The person controller holds this action this frame.
    bool m_bHoldsFire = false;
    bool m_bHoldsWalk = false;
    // Seconds the person controller has left to flee.
    float m_fFleeSeconds = 0.0f;
    const CGameActor* m_pActor = nullptr;

    bool IsDriving() const { return m_pCar != nullptr && m_Driver != NO_DRIVER; }
    bool IsOnFoot() const { return m_pCar == nullptr; }
    bool IsWalkerOnFoot() const { return IsOnFoot() && m_Person == PEDESTRIAN; }
};

namespace GameProbe {

// The level's agent list in its order.
std::vector<AgentProbe> Agents();
AgentProbe Probe(const CAIControllerSet& agent);
// The level's active cars: every car in the world, parked or driven.
std::vector<const CCar*> ActiveCars();
// The active cars that are the pool's, ordinary or police.
size_t PooledActiveCarCount();

// The player's life and wanted level; 0 without a player.
float PlayerLife();
float PlayerWanted();
D3DXVECTOR3 PlayerPosition();

// The console's output ring, oldest line first, empty lines left out.
std::vector<std::string> ConsoleLines();
bool Printed(const std::string& line);

// Horizontal distance from `point` to the nearest link of the road or
// sidewalk graph; a large value when the graph has no link.
float DistanceToRoadLink(const D3DXVECTOR3& point);
float DistanceToSidewalkLink(const D3DXVECTOR3& point);

} // namespace GameProbe
