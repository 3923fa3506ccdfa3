#pragma once
// A traffic driver: it drives the road-node graph from node to node, waits
// at lights and behind people and cars, and while its delay runs it flees
// from its flee point. The path stack keeps what it was doing when it had
// to stop or swerve, so it takes that up again afterwards.

#include <string>

#include "AI/AIController.h"

class cRoadnode;

class CNormalCarController : public CAICarController {
public:
    enum State {
        STATE_IDLE = 0,
        STATE_STOPPING = 1,
        STATE_STOPPING_N_WAITING = 2,
        STATE_COASTING_N_WAITING = 3,
        STATE_DRIVING_TO_POS = 4,
        STATE_DRIVING_TO_NODE = 5,
        STATE_DECIDING_ON_NEW_POS = 6,
        STATE_COUNT = 7,
    };

    // What a waiting state waits for.
    enum WaitFor { WAIT_NONE, WAIT_FOR_PEOPLE, WAIT_FOR_CARS, WAIT_FOR_GREEN };

    // A speed limit, squared metres per second: none, its own value, or a
    // caller's value followed live.
    struct SpeedLimit {
        CTargetPoint::Kind m_Kind = CTargetPoint::NONE;
        float m_fOwn = 0.0f;
        const float* m_pCaller = nullptr;

        // Null when none.
        const float* Get() const;
    };

    // Where the car is going and how fast; saved and restored whole.
    struct Navigation {
        cRoadnode* m_pNode = nullptr;
        cRoadnode* m_pPreviousNode = nullptr;
        int32_t m_NodeFlag = 0;
        CTargetPoint m_Target;
        CTargetPoint m_PreviousTarget;
        SpeedLimit m_SpeedLimit;
        WaitFor m_WaitFor = WAIT_NONE;
        float m_fTrackTimer = 0.0f;
        float m_fTrackInterval = 0.0f;
    };

    CNormalCarController();
    ~CNormalCarController() override;

    // Also the navigation, path and nearby lists cleared.
    bool Init() override;
    void Update() override;

    // The current target becomes the previous one; the point is copied or
    // followed live.
    void SetTarget(const D3DXVECTOR3* point, bool copy);
    // Squared metres per second, copied or followed live.
    void SetSpeedLimit(const float* limit, bool copy);
    // Drives to `node` at its speed limit; the flag goes on to the next node.
    void SetRoadNode(cRoadnode* node, int32_t flag);
    void ClearPath() { m_Path.Clear(); }
    void ClearStateStack() { ClearPath(); }
    // No node, target or limit: a recycled driver starts its new life clean.
    void ClearNavigation() { m_Navigation = Navigation(); }

    const Navigation& GetNavigation() const { return m_Navigation; }
    const CStateStack<Navigation>& GetPath() const { return m_Path; }
    // Null when none.
    const D3DXVECTOR3* GetTarget() const { return m_Navigation.m_Target.Get(); }
    const D3DXVECTOR3* GetPreviousTarget() const { return m_Navigation.m_PreviousTarget.Get(); }
    const float* GetSpeedLimit() const { return m_Navigation.m_SpeedLimit.Get(); }

    static int GetStateCount() { return STATE_COUNT; }
    // Null outside the table.
    static const char* GetStateName(int state);
    // Exact and case-sensitive; -1 when no state has the name.
    static int FindState(const std::string& name);

protected:
    void OnMessage(int message, int state) override;

private:
    // What one update reads of the car.
    struct Pose {
        D3DXVECTOR3 m_vPosition;
        // The forward axis turned about, flat and of unit length.
        D3DXVECTOR3 m_vRear;
    };

    void AdvanceTarget();
    Pose CarPose() const;
    void Enter(int state);
    void Scan(const Pose& pose);
    // The path entry to come back to; then the state asked for.
    void Push() { m_Path.Push(*this, m_Navigation); }
    void Resume() { m_Path.Return(*this, m_Navigation); }

    // First pass of the two driving states: steering and pedals, then (to a
    // node) the track and the light.
    void Drive(const Pose& pose, bool toNode);
    float SpeedLimitSq() const;
    void Steer(float side, float back, float speedSq, float limitSq, float distanceSq);
    void HoldTurningSpeed(float speedSq, float limitSq);
    void KeepTrack(const Pose& pose, float speedSq, float limitSq);
    void StopForLight(const Pose& pose);
    // Above walking pace; false once at it.
    bool Brake();
    void ChooseNextNode(const Pose& pose);

    // Second pass of the driving states, and the waiting states' predicates.
    void CheckObstacles(const Pose& pose);
    bool IsPersonAhead(const Pose& pose) const;
    CCar* HeadOnPlayerCar(const Pose& pose) const;
    bool IsCarAhead(const Pose& pose, float withinSq) const;
    void StartWaitingForPeople();
    void Evade(const Pose& pose, const CCar& oncoming);
    void Wait(const Pose& pose);
    void WaitForPeople(const Pose& pose);
    void WaitForCars(const Pose& pose);
    void WaitForGreen();
    void ResetHorn();
    void SoundHornRhythm();

    Navigation m_Navigation;
    CStateStack<Navigation> m_Path;
};
