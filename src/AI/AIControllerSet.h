#pragma once
// One AI agent: its controllers, its actor and the car it drives. The level
// keeps a list of agents, updates and draws them, and unlinks those whose
// recycling has been requested. Until the agents' controllers exist an agent
// has at most a police controller, its actor and car are set from outside,
// and its update and draw do nothing.

#include <cstdint>
#include <memory>

#include "AI/NormalPoliceController.h"

class CCar;
class CGameActor;

class CAIControllerSet {
public:
    // A car that has exploded shortens its driver's view so that the driver
    // is recycled soon.
    static constexpr float EXPLODED_VIEW_RANGE = 10.0f;

    void Update();
    void Draw();
    CGameActor* GetActor() const { return m_pActor; }
    CCar* GetCar() const { return m_pCar; }
    // The active person controller is told to get out; it does so on its
    // next update.
    void GetOutOfCar();
    // Into `pCar` and bound to it, the actor seated in it. An agent that
    // already drives leaves its car whatever is passed; null on foot does
    // nothing.
    void SetVehicle(CCar* pCar);
    // The police controller is the active person controller.
    bool IsPoliceActive() const { return m_u8PoliceActive != 0 && m_pPoliceController != nullptr; }

    std::unique_ptr<CNormalPoliceController> m_pPoliceController;
    uint8_t m_u8PoliceActive = 0;
    // The level unlinks the agent on its next update.
    uint8_t m_u8RecycleRequested = 0;
    // Cleared by the level when it unlinks the agent.
    uint8_t m_u8InUse = 0;
    float m_fViewRange = 0.0f;
    // Observers, null until the agents' controllers set them.
    CGameActor* m_pActor = nullptr;
    CCar* m_pCar = nullptr;
};
