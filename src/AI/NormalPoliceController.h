#pragma once
// A policeman's controller. Until the AI drives it, it only keeps whom the
// officer pursues, the car taken from it, and its state, which others set:
// the player taking a police car, the officer leaving one.

#include "Core/StateMachine.h"

class CCar;
class CGameActor;

class CNormalPoliceController : public CStateMachine {
public:
    // The states have numbers, not names.
    enum {
        STATE_IDLE = 0,
        STATE_PATROLLING = 2,
        STATE_CHASING = 3,
        STATE_PURSUING_ON_FOOT = 4,
        STATE_BACK_TO_CAR = 5,
        STATE_GETTING_OUT = 6,
    };

    CGameActor* GetTarget() const { return m_pTarget; }
    void SetTarget(CGameActor* pTarget) { m_pTarget = pTarget; }

    // Observer: the car the officer left or had taken, null when none.
    CCar* m_pCar = nullptr;

protected:
    // Nothing happens in any state until the AI drives the officer.
    void OnMessage(int, int) override {}

private:
    // Observer, null when nobody is pursued.
    CGameActor* m_pTarget = nullptr;
};
