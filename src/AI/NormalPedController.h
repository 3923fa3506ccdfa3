#pragma once
// A pedestrian: it walks the sidewalk graph, turns toward its next node,
// dives away from cars about to hit it, sits in a car while its agent
// drives, and gets out. It owns its actor; the police controller of the
// same agent drives that actor when the agent is an officer.

#include <memory>
#include <string>

#include "AI/AIController.h"

class CCar;
class cSidewalknode;

class CNormalPedController : public CAIPersonController {
public:
    enum State {
        STATE_IDLE = 0,
        STATE_WALKING = 1,
        STATE_TURNING_THEN_DIVING = 2,
        STATE_DIVING = 3,
        STATE_GETTING_UP = 4,
        STATE_DRIVING = 5,
        STATE_GETTING_OUT = 6,
        STATE_DECIDING_ON_NEW_POS = 7,
        STATE_TURNING = 8,
        STATE_TURNING_90 = 9,
        STATE_TURNING_180 = 10,
        STATE_TURNING_270 = 11,
        STATE_TURNING_360 = 12,
        STATE_COUNT = 13,
    };

    static constexpr float DEFAULT_ARRIVAL_RADIUS_SQ = 25.0f;

    // A turn under way; saved and restored with an interrupted state.
    struct Turn {
        int32_t m_Spare = 0;
        // From -1 (facing as on entry) toward 1 (turned about).
        float m_fProgress = 0.0f;
        float m_fLimit = 0.0f;
        // 1 turns to the positive side.
        uint8_t m_u8Side = 0;
    };

    CNormalPedController();
    ~CNormalPedController() override;

    // Also no actor (a held one is shut down and destroyed), no target, no
    // nodes, the turn and state stack cleared, the arrival radius reset.
    bool Init() override;
    // Nothing without an actor: the camera follows it, the delay runs out,
    // the arrays are rebuilt by the state machine.
    void Update() override;
    // A delay that is still running after the change sends a walking or
    // idle pedestrian away from the alarm point.
    void AddDelay(float seconds) override;
    void SetDelay(float seconds) override;

    // Turns on the spot toward the target, then comes back to the state it
    // was in; nothing without a target.
    void TurnToTarget();

    // Takes the actor; the camera follows it.
    void SetActor(std::unique_ptr<CGameActor> actor);
    CGameActor* GetActor() const { return m_pActor.get(); }
    // The actor is shut down and destroyed.
    void DestroyActor();
    // The point copied, or followed live.
    void SetTarget(const D3DXVECTOR3* point, bool copy) { m_Target = CTargetPoint::From(point, copy); }
    const D3DXVECTOR3* GetTarget() const { return m_Target.Get(); }
    // Walks to `node`; the node it came from is the previous one (the
    // node itself when it had none). Null leaves no node and no target.
    void SetSidewalkNode(cSidewalknode* node);
    cSidewalknode* GetSidewalkNode() const { return m_pNode; }
    // No node and no previous node: a recycled pedestrian starts its new life clean.
    void ClearSidewalkNodes()
    {
        m_pNode = nullptr;
        m_pPreviousNode = nullptr;
    }
    cSidewalknode* GetPreviousSidewalkNode() const { return m_pPreviousNode; }
    // Squared metres within which a node counts as reached; missions set their own.
    void SetArrivalRadiusSq(float radiusSq) { m_fArrivalRadiusSq = radiusSq; }
    float GetArrivalRadiusSq() const { return m_fArrivalRadiusSq; }

    void PushState() override { m_Stack.Push(*this, m_Turn); }
    void ReturnFromState() override { m_Stack.Return(*this, m_Turn); }
    void ClearStateStack() { m_Stack.Clear(); }
    int GetDrivingState() const override { return STATE_DRIVING; }
    const CStateStack<Turn>& GetStateStack() const { return m_Stack; }
    const Turn& GetTurn() const { return m_Turn; }

    static int GetStateCount() { return STATE_COUNT; }
    // Null outside the table.
    static const char* GetStateName(int state);
    // Exact and case-sensitive; -1 when no state has the name.
    static int FindState(const std::string& name);

protected:
    void OnMessage(int message, int state) override;

private:
    static bool WatchesCars(int state);
    static bool MayDive(int state);
    void OnWalking(int message);
    void OnTurningThenDiving(int message);
    void OnDiving(int message);
    void OnGettingUp(int message);
    void OnGettingOut(int message);
    void OnDecidingOnNewPos(int message);
    void OnTurnOnTheSpot(int message, bool halfTurn);

    D3DXVECTOR3 ActorPosition() const;
    D3DXVECTOR3 ActorFacing() const;
    // Horizontal and of unit length away from the alarm point; zero on it.
    D3DXVECTOR3 FleeDirection() const;
    // From -1 facing as on entry, to 1 turned about.
    float TurnProgress() const;
    void StartTurnProgress();
    // Axis 2 this update: `rate` a second to the turn's side.
    void TurnToSide(float rate);
    // Saves the current state, then turns until the progress reaches `limit`.
    void BeginTurn(float limit, bool positiveSide);

    void ScanNearbyCars();
    // Saves the current state and turns to dive from the first car about to
    // run the pedestrian down.
    void CheckDive();
    bool IsThreatenedBy(CCar& car, float distanceSq) const;

    // From WALKING: back to the node it came from when that leads away; else
    // a point straight away (give or take 45 degrees) as far as the delay
    // lets it run.
    void Flee();
    void FleeToPoint();
    cSidewalknode* ChooseLink() const;

    std::unique_ptr<CGameActor> m_pActor;
    CTargetPoint m_Target;
    cSidewalknode* m_pNode = nullptr;
    cSidewalknode* m_pPreviousNode = nullptr;
    D3DXVECTOR3 m_vEntryFacing{0.0f, 0.0f, 0.0f};
    Turn m_Turn;
    CStateStack<Turn> m_Stack;
    float m_fArrivalRadiusSq = DEFAULT_ARRIVAL_RADIUS_SQ;
};
