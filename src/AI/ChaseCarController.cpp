#include "AI/ChaseCarController.h"

#include <cmath>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Utility.h"

namespace {

enum { ROW_FORWARD = 2 };

enum {
    GAS = CCar::ACTION_GAS,
    BRAKE = CCar::ACTION_BRAKE,
    LEFT = CCar::ACTION_TURN_LEFT,
    RIGHT = CCar::ACTION_TURN_RIGHT,
    HAND_BRAKE = CCar::ACTION_HAND_BRAKE,
};

// Squared speeds (metres per second) at which a stopping car brakes, then
// slides on the hand brake, then counts as stopped.
const float BRAKING_SPEED_SQ = 3.0f;
const float STOPPED_SPEED_SQ = 0.1f;
// The target counts as straight on within this side value.
const float STRAIGHT_SIDE = 0.1f;

// Against a target in a car: below the target's squared speed, aim for
// this squared speed (65, 100, 135 and 150 mph for targets under 25, 65,
// 100 and 120 mph); faster targets get twice their own.
struct SpeedRow {
    float m_fTargetBelowSq;
    float m_fAimSq;
};
const SpeedRow SPEED_ROWS[] = {
    {124.896f, 844.296f},
    {844.296f, 1998.334f},
    {1998.334f, 3641.963f},
    {2877.601f, 4496.251f},
};
// Close to the target the chaser aims for twice as much, to ram it.
const float RAM_SQ = 15.0f;
const float RAM_STRAIGHT_SQ = 100.0f;

// Against a target on foot: squared speeds held while turning near it,
// turning farther off, and going straight.
const float FOOT_NEAR_SQ = 25.0f;
const float FOOT_MIDDLE_SQ = 100.0f;
const float FOOT_TURN_NEAR = 2.4979f;
const float FOOT_TURN_MIDDLE = 9.9917f;
const float FOOT_TURN_FAR = 122.398f;
const float FOOT_STRAIGHT = 244.796f;

// A car is avoided within this squared distance, inside the 90-degree cone ahead.
const float AVOID_SQ = 400.0f;
const float AVOID_CONE = 0.707f;

float SpeedSq(CCar& car)
{
    const D3DXVECTOR3 velocity = car.m_PhysicsObject.GetLinearVelocity();
    return D3DXVec3LengthSq(&velocity);
}

float AimSpeedSq(float targetSpeedSq)
{
    for (const SpeedRow& row : SPEED_ROWS) {
        if (targetSpeedSq < row.m_fTargetBelowSq)
            return row.m_fAimSq;
    }
    return 2.0f * targetSpeedSq;
}

float FootLimitSq(float distanceSq, bool turning)
{
    if (!turning)
        return FOOT_STRAIGHT;
    if (distanceSq < FOOT_NEAR_SQ)
        return FOOT_TURN_NEAR;
    if (distanceSq < FOOT_MIDDLE_SQ)
        return FOOT_TURN_MIDDLE;
    return FOOT_TURN_FAR;
}

const CCar* PlayerCar()
{
    return g_PlayerActor != nullptr ? g_PlayerActor->m_pCar : nullptr;
}

} // namespace

CChaseCarController::CChaseCarController()
{
    CChaseCarController::Init();
    m_Kind = KIND_AI;
}

CChaseCarController::~CChaseCarController()
{
    CAIController::Shutdown();
}

bool CChaseCarController::Init()
{
    CAICarController::Init();
    m_Chase = Chase();
    m_Path.Clear();
    return true;
}

void CChaseCarController::Update()
{
    UpdateDriver(false);
}

void CChaseCarController::OnMessage(int message, int state)
{
    if (message == MSG_ENTER) {
        Enter(state);
        return;
    }
    // Leaving any state but stopping resumes a saved entry of that state,
    // as entering one does.
    if (message == MSG_EXIT) {
        if (state != STATE_STOPPING)
            m_Path.ResumeOnEnter(*this, m_Chase, state);
        return;
    }
    if (message != MSG_UPDATE || m_pCar == nullptr)
        return;
    const Pose pose = CarPose();
    ScanAroundCar(pose.m_vPosition);
    switch (state) {
    case STATE_STOPPING:
        Stop(pose);
        break;
    case STATE_ARMED:
        WaitForTarget();
        break;
    case STATE_PURSUIT:
        Pursue(pose);
        break;
    default:
        break;
    }
}

// Armed or in pursuit without a target: the player. An armed car without
// a trigger point waits where it stands.
void CChaseCarController::Enter(int state)
{
    m_Path.ResumeOnEnter(*this, m_Chase, state);
    if (state != STATE_ARMED && state != STATE_PURSUIT)
        return;
    if (m_Chase.m_Target.m_pObject == nullptr)
        m_Chase.m_Target.SetActor(g_PlayerActor);
    if (state == STATE_ARMED && !m_Chase.m_TriggerPoint.IsSet() && m_pCar != nullptr)
        m_Chase.m_TriggerPoint = CTargetPoint::Own(CarPosition(*m_pCar));
}

CChaseCarController::Pose CChaseCarController::CarPose() const
{
    const D3DXMATRIX& world = m_pCar->m_Body.GetWorldMatrix();
    return {CarPosition(*m_pCar), HorizontalDirection(GetMatrixRow(world, ROW_FORWARD)), SpeedSq(*m_pCar)};
}

bool CChaseCarController::TargetPosition(D3DXVECTOR3& position) const
{
    const CPursuitTarget& target = m_Chase.m_Target;
    if (target.m_pActor != nullptr && target.m_pActor->m_pCar != nullptr) {
        position = CarPosition(*target.m_pActor->m_pCar);
        return true;
    }
    return target.ObjectPosition(position);
}

void CChaseCarController::Stop(const Pose& pose)
{
    if (pose.m_fSpeedSq > BRAKING_SPEED_SQ)
        Hold(BRAKE);
    else if (pose.m_fSpeedSq > STOPPED_SPEED_SQ)
        Hold(HAND_BRAKE);
    else
        SetState(STATE_IDLE);
}

void CChaseCarController::WaitForTarget()
{
    D3DXVECTOR3 target;
    const D3DXVECTOR3* trigger = m_Chase.m_TriggerPoint.Get();
    if (trigger == nullptr || !TargetPosition(target))
        return;
    const D3DXVECTOR3 apart = target - *trigger;
    if (!(D3DXVec3LengthSq(&apart) < m_Chase.m_fTriggerRange))
        return;
    if (m_Chase.m_fMaxSpeed > 0.0f)
        m_pCar->SetSpeed(std::sqrt(m_Chase.m_fMaxSpeed));
    SetState(STATE_PURSUIT);
}

void CChaseCarController::Pursue(const Pose& pose)
{
    D3DXVECTOR3 target;
    if (!TargetPosition(target)) {
        SetState(STATE_STOPPING);
        return;
    }
    const D3DXVECTOR3 toTarget = target - pose.m_vPosition;
    const bool turning = SteerToward(pose, target);
    HoldChasingSpeed(pose, D3DXVec3LengthSq(&toTarget), turning);
    AvoidCarAhead(pose);
}

bool CChaseCarController::SteerToward(const Pose& pose, const D3DXVECTOR3& point)
{
    const D3DXVECTOR3 direction = HorizontalDirection(point - pose.m_vPosition);
    const float ahead = D3DXVec3Dot(&pose.m_vForward, &direction);
    const float side = HorizontalSide(pose.m_vForward, direction);
    bool turning = false;
    if (side < -STRAIGHT_SIDE || side > STRAIGHT_SIDE) {
        m_Actions[LEFT] = side < 0.0f ? ACTION_STATE_HELD : ACTION_STATE_IDLE;
        m_Actions[RIGHT] = side > 0.0f ? ACTION_STATE_HELD : ACTION_STATE_IDLE;
        turning = true;
    }
    // Behind: turn about, toward the right when exactly behind.
    if (ahead < 0.0f) {
        m_Actions[LEFT] = side < 0.0f ? ACTION_STATE_HELD : ACTION_STATE_IDLE;
        m_Actions[RIGHT] = side >= 0.0f ? ACTION_STATE_HELD : ACTION_STATE_IDLE;
    }
    return turning;
}

void CChaseCarController::HoldChasingSpeed(const Pose& pose, float distanceSq, bool turning)
{
    const CGameActor* actor = m_Chase.m_Target.m_pActor;
    if (actor == nullptr || actor->m_pCar == nullptr) {
        if (pose.m_fSpeedSq < FootLimitSq(distanceSq, turning))
            Hold(GAS);
        return;
    }
    float aimSq = AimSpeedSq(SpeedSq(*actor->m_pCar));
    if (distanceSq < RAM_SQ || (distanceSq < RAM_STRAIGHT_SQ && !turning))
        aimSq *= 2.0f;
    if (pose.m_fSpeedSq < (turning ? 0.5f * aimSq : aimSq))
        Hold(GAS);
}

// The first car close in the cone ahead (never the player's, which may be
// rammed): swerve to pass it on its right.
void CChaseCarController::AvoidCarAhead(const Pose& pose)
{
    const CCar* player = PlayerCar();
    const D3DXVECTOR3 rear = -pose.m_vForward;
    for (const auto& near : m_NearCars) {
        if (near.second == player || !(near.first < AVOID_SQ))
            continue;
        const D3DXVECTOR3 other = CarPosition(*near.second);
        const D3DXVECTOR3 fromOther = HorizontalDirection(pose.m_vPosition - other);
        const float across = HorizontalSide(rear, fromOther);
        if (across < -AVOID_CONE || across > AVOID_CONE || !(D3DXVec3Dot(&rear, &fromOther) > 0.0f))
            continue;
        SteerToward(pose, EvasionPoint(pose.m_vPosition, other));
        return;
    }
}

void CChaseCarController::SetTarget(const D3DXVECTOR3* point, bool copy)
{
    m_Chase.m_TriggerPoint = CTargetPoint::From(point, copy);
}

void CChaseCarController::Forget(const CCollidableObject* object)
{
    m_Chase.Forget(object);
    m_Path.Forget(object);
}
