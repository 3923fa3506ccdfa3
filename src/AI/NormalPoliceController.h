#pragma once
// A policeman: in his car he patrols and watches for wanted people, chases
// one with the agent's chase driver, gets out, pursues on foot and fires,
// and walks back to the car he left. The actor is the agent's pedestrian
// controller's; this controller only drives it while the agent is an officer.

#include "AI/AIController.h"

class CCar;
class CChaseCarController;

class CNormalPoliceController : public CAIPersonController, public CPursuer {
public:
    // The states have numbers, not names.
    enum {
        STATE_IDLE = 0,
        STATE_IDLE_SCANNING = 1,
        STATE_PATROLLING = 2,
        STATE_CHASING = 3,
        STATE_PURSUING_ON_FOOT = 4,
        STATE_BACK_TO_CAR = 5,
        STATE_GETTING_OUT = 6,
    };

    // Whom the officer is after; saved and restored with an interrupted state.
    struct Pursuit {
        CPursuitTarget m_Target;
        int32_t m_Spare[4] = {0, 0, 0, 0};

        void Forget(const CCollidableObject* object) { m_Target.Forget(object); }
    };

    CNormalPoliceController();
    ~CNormalPoliceController() override;

    // Also no actor, no car, no target, the state stack cleared.
    bool Init() override;
    void Update() override;

    // The actor to drive (not owned); the camera follows it.
    void SetActor(CGameActor* actor);
    CGameActor* GetActor() const { return m_pActor; }
    CGameActor* GetTarget() const { return m_Pursuit.m_Target.m_pActor; }
    CCollidableObject* GetTargetObject() const { return m_Pursuit.m_Target.m_pObject; }
    // An active chase driver of the agent gets the same target.
    void SetTarget(CGameActor* target);
    void SetTargetObject(CCollidableObject* object);

    // A destroyed target or car is let go: without a target the officer
    // neither chases, aims nor walks.
    void Forget(const CCollidableObject* object) override;

    void PushState() override { m_Stack.Push(*this, m_Pursuit); }
    void ReturnFromState() override { m_Stack.Return(*this, m_Pursuit); }
    void ClearStateStack() { m_Stack.Clear(); }
    int GetDrivingState() const override { return STATE_PATROLLING; }
    const CStateStack<Pursuit>& GetStateStack() const { return m_Stack; }

    // Observer: the car the officer left to pursue on foot, null when none.
    CCar* m_pCar = nullptr;
    // Observer: the officer's car when someone took it from him, null otherwise.
    CCar* m_pTakenCar = nullptr;

protected:
    void OnMessage(int message, int state) override;

private:
    D3DXVECTOR3 ActorPosition() const;
    // False without a target.
    bool TargetDistanceSq(float& distanceSq) const;
    void Scan();
    void Engage();
    CGameActor* FindWanted() const;
    // The chase checks; true when they put the officer on foot (state 4).
    bool FollowChase();
    // State 4 at once, then `target` again (leaving a state may clear it).
    void PursueOnFoot(const CPursuitTarget& target);
    void Reassign(const CPursuitTarget& target);
    void OnFoot();
    void Aim();
    D3DXVECTOR3 AimingRay() const;
    bool IsLineOfFireClear(const D3DXVECTOR3& from, const D3DXVECTOR3& to) const;
    void WalkBackToCar();
    // Axis 2 toward `side` this update, faster when the point lies behind.
    void TurnTowardSide(float side, float ahead);

    CChaseCarController* ActiveChase() const;

    CGameActor* m_pActor = nullptr;
    Pursuit m_Pursuit;
    CStateStack<Pursuit> m_Stack;
};
