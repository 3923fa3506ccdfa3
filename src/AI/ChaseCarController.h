#pragma once
// A pursuing driver: armed at a trigger point, it waits there until its
// target comes within range, then launches and chases the target (an
// actor, the car the actor sits in, or another object). Missions arm it;
// the police hand it whom to chase.

#include "AI/AIController.h"

class CChaseCarController : public CAICarController, public CPursuer {
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

        void Forget(const CCollidableObject* object) { m_Target.Forget(object); }
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

    // A destroyed target is no longer chased: armed, the car waits; in
    // pursuit, it stops.
    void Forget(const CCollidableObject* object) override;

    const Chase& GetChase() const { return m_Chase; }
    const CStateStack<Chase>& GetPath() const { return m_Path; }

protected:
    void OnMessage(int message, int state) override;

private:
    // What one update reads of the car.
    struct Pose {
        D3DXVECTOR3 m_vPosition;
        // Flat and of unit length.
        D3DXVECTOR3 m_vForward;
        float m_fSpeedSq;
    };

    Pose CarPose() const;
    // False without a target.
    bool TargetPosition(D3DXVECTOR3& position) const;
    void Enter(int state);
    void Stop(const Pose& pose);
    void WaitForTarget();
    void Pursue(const Pose& pose);
    // Toward `point`; true when the car turns (the band, not a target behind).
    bool SteerToward(const Pose& pose, const D3DXVECTOR3& point);
    void HoldChasingSpeed(const Pose& pose, float distanceSq, bool turning);
    void AvoidCarAhead(const Pose& pose);

    Chase m_Chase;
    CStateStack<Chase> m_Path;
};
