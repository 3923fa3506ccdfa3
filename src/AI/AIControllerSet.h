#pragma once
// One AI person (an agent): the controllers that can drive it (pedestrian
// and policeman on foot, traffic and chase drivers in a car), which of them
// are active, its actor (held by the pedestrian controller) and the car it
// drives (held by the active car controller). It creates the agent, moves
// it between its controllers and into and out of cars, runs and draws it,
// and asks to be recycled once it has been out of sight far away for long
// enough.

#include <cstdint>
#include <memory>

#include "AI/ChaseCarController.h"
#include "AI/NormalCarController.h"
#include "AI/NormalPedController.h"
#include "AI/NormalPoliceController.h"

class CAIPool;
class CCar;
class CGameActor;

class CAIControllerSet {
public:
    // Metres.
    static constexpr float DEFAULT_VIEW_RANGE = 875.0f;
    // A car that has exploded shortens its driver's view so that the driver
    // is recycled soon.
    static constexpr float EXPLODED_VIEW_RANGE = 10.0f;
    // Seconds beyond the draw distance before a far agent may be recycled.
    static constexpr float OUT_OF_VIEW_SECONDS = 2.0f;

    CAIControllerSet();
    // The car it drives is let go first: the car never names a freed driver.
    ~CAIControllerSet();
    CAIControllerSet(const CAIControllerSet&) = delete;
    CAIControllerSet& operator=(const CAIControllerSet&) = delete;

    // Queries.
    CCar* GetCar() const;
    CGameActor* GetActor() const;
    bool IsInCar() const { return GetCar() != nullptr; }
    bool IsCarless() const { return !IsInCar(); }
    bool IsPoliceActive() const { return m_u8PoliceActive != 0 && m_pPoliceController != nullptr; }

    // Cars. Each works on the active person or car controller and does
    // nothing without one.
    void PersonLeaveCar();
    void PersonEnterCar(CCar* car);
    void DriverTakeCar(CCar* car);
    void DriverReleaseCar();
    // Into `car` and bound to it. An agent that already drives leaves its
    // car whatever is passed; null on foot does nothing.
    void SetVehicle(CCar* car);
    // The active person controller gets the actor out on its next update.
    void GetOutOfCar();

    // Switching. Without an actor only the active bytes change.
    void UsePedController();
    void UsePoliceController();
    void UseNormalCarController();
    void UseChaseController();

    // Creation. A missing actor prototype is fatal. A null position means
    // just ahead of the player (the origin without one).
    bool CreatePedestrian(const char* actorName, const D3DXVECTOR3* position);
    bool CreateDriver(const char* actorName, CCar* car);
    // A new car of `carName` with a driver, resting on the ground at
    // `position` (null: 5 m ahead of the player). `pool` takes the car when
    // given; else the caller owns it (GetCar). False, with nothing made and
    // nothing reset, when no car has the name.
    bool CreateCar(const char* driverName, const char* carName, const D3DXVECTOR3* position, CAIPool* pool);

    // Once per frame: the controllers and the actor, then the recycling check.
    void Update();
    // Draws the actor when near enough; only the main pass keeps the time
    // the agent has been out of sight.
    void Draw(bool mainPass);

    // Back to a fresh agent: the pedestrian and traffic controllers are
    // kept (the actor destroyed), the police and chase controllers deleted.
    void Reset();

    CNormalPedController* GetPedController() const { return m_pPedController.get(); }
    CNormalCarController* GetCarController() const { return m_pCarController.get(); }
    CChaseCarController* GetChaseController() const { return m_pChaseController.get(); }
    // Null when neither is active.
    CAIPersonController* GetPersonController() const;
    CAICarController* GetActiveCarController() const;

    D3DXMATRIX m_matWorld;
    // Seconds the agent has been beyond its draw distance.
    float m_fOutOfViewTimer = 0.0f;
    // Metres from the camera beyond which the agent may be recycled.
    float m_fViewRange = DEFAULT_VIEW_RANGE;
    uint8_t m_u8RecyclingEnabled = 0;
    // Set by Reset and by whoever takes the agent; cleared by the level
    // when it unlinks the agent.
    uint8_t m_u8InUse = 1;
    // The level unlinks the agent on its next update.
    uint8_t m_u8RecycleRequested = 0;

    std::unique_ptr<CNormalPedController> m_pPedController;
    // Made on first use.
    std::unique_ptr<CNormalPoliceController> m_pPoliceController;
    std::unique_ptr<CNormalCarController> m_pCarController;
    // Made on first use.
    std::unique_ptr<CChaseCarController> m_pChaseController;

    uint8_t m_u8PedActive = 0;
    uint8_t m_u8PoliceActive = 0;
    uint8_t m_u8CarActive = 0;
    uint8_t m_u8ChaseActive = 0;

private:
    // Created, started and given this set as its agent.
    template <class Controller>
    std::unique_ptr<Controller> MakeController();
    // The active car driver's car goes to `next`, which drives it from now on.
    void HandOverCar(CAICarController& active, CAICarController& next);
    void DeleteOnDemandControllers();
    bool ShouldRecycle() const;
};
