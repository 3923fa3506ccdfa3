#pragma once
// A pursuing driver: armed at a trigger point, it waits there until its
// target comes within range, then launches and chases the target (an
// actor, the car the actor sits in, or another object). Missions arm it;
// the police hand it whom to chase.

#include "AI/AIController.h"

class CChaseCarController : public CAICarController {
public:
    enum State {
        STATE_IDLE = 0,
        STATE_STOPPING = 1,
        STATE_ARMED = 2,
        STATE_PURSUIT = 3,
    };

    // What is chased and from where; saved and restored whole.
    struct Chase {
        CPursuitTarget m_Target;
        // Squared metres: the target this near the trigger point launches the car.
        float m_fTriggerRange = 0.0f;
        CTargetPoint m_TriggerPoint;
        // Squared metres per second; 0 launches without a push.
        float m_fMaxSpeed = 0.0f;
    };

    CChaseCarController();
    ~CChaseCarController() override;

    // Also the chase, path and nearby lists cleared: unarmed.
    bool Init() override;
    void Update() override;

    void SetTargetActor(CGameActor* actor) { m_Chase.m_Target.SetActor(actor); }
    void SetTargetObject(CCollidableObject* object) { m_Chase.m_Target.SetObject(object); }
    // The trigger point, copied or followed live.
    void SetTarget(const D3DXVECTOR3* point, bool copy);
    void SetMaxSpeed(float mph) { m_Chase.m_fMaxSpeed = mph * mph * MPH_SQ_TO_MPS_SQ; }
    void SetTriggerRange(float rangeSq) { m_Chase.m_fTriggerRange = rangeSq; }
    void ClearPath() { m_Path.Clear(); }
    void ClearStateStack() { ClearPath(); }

    const Chase& GetChase() const { return m_Chase; }
    const CStateStack<Chase>& GetPath() const { return m_Path; }

protected:
    void OnMessage(int message, int state) override;

private:
    Chase m_Chase;
    CStateStack<Chase> m_Path;
};
