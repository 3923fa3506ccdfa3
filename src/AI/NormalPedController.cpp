#include "AI/NormalPedController.h"

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Level/Sidewalk.h"

namespace {

const char* const STATE_NAMES[CNormalPedController::STATE_COUNT] = {
    "IDLE",       "WALKING", "TURNING_THEN_DIVING", "DIVING",      "GETTING_UP",  "DRIVING",     "GETTING_OUT",
    "DECIDING_ON_NEW_POS", "TURNING", "TURNING_90", "TURNING_180", "TURNING_270", "TURNING_360",
};

// The input actions and the axis a pedestrian drives its actor with.
enum { ACTION_WALK = 10, ACTION_GAS = 14, ACTION_GET_IN_CAR = 22 };
enum { AXIS_TURN = 2 };

// Turn amounts a second; the actor's turn speed makes radians of them.
const float WALK_STEER_RATE = 1200.0f;
const float TURN_RATE = 600.0f;
const float DIVE_TURN_RATE = 1800.0f;
// A walker steers only once the target is this far to one side.
const float STEER_DEAD_ZONE = 0.04f;
// A target nearly abeam is turned to a quarter turn; one nearly straight
// behind a little at a time, the walk's own check turning it on.
const float ABEAM = 0.05f;
const float NEARLY_BEHIND = 0.95f;
const float QUARTER_TURN_LIMIT = 0.0f;
const float NEARLY_BEHIND_LIMIT = -0.95f;
const float HALF_TURN_LIMIT = 0.98f;
const float DIVE_TURN_LIMIT = 0.0f;
const float GET_UP_SECONDS = 5.0f;
const char* const GET_UP_ANIMATION = "Idle";

// Cars within this squared distance are watched (about 28 m).
const float NEARBY_CAR_RANGE_SQ = 800.0f;
// A car threatens when the pedestrian lies ahead within this cosine of its
// heading, and within the row's lateral share of its line.
const float AHEAD_COSINE = 0.99f;
struct DiveRow {
    // The row holds cars farther than this, squared.
    float m_fBeyondSq;
    // The car must be at least this fast, squared speed.
    float m_fMinSpeedSq;
    float m_fLateral;
};
// Far cars must be fast and aimed true; near ones need hardly move.
const DiveRow DIVE_ROWS[] = {
    {300.0f, 45.0f * 45.0f * MPH_SQ_TO_MPS_SQ, 0.0375f}, {200.0f, 35.0f * 35.0f * MPH_SQ_TO_MPS_SQ, 0.04f},
    {100.0f, 15.0f * 15.0f * MPH_SQ_TO_MPS_SQ, 0.045f},  {50.0f, 5.0f * 5.0f * MPH_SQ_TO_MPS_SQ, 0.085f},
    {15.0f, 3.0f * 3.0f * MPH_SQ_TO_MPS_SQ, 0.1f},       {-1.0f, 0.0f, 0.0f},
};

// Fleeing turns the way straight away from the alarm by up to 45 degrees either side.
const float FLEE_SPREAD = 1.5707964f;

const DiveRow& DiveRowFor(float distanceSq)
{
    for (const DiveRow& row : DIVE_ROWS) {
        if (distanceSq > row.m_fBeyondSq)
            return row;
    }
    return DIVE_ROWS[sizeof DIVE_ROWS / sizeof DIVE_ROWS[0] - 1];
}

D3DXVECTOR3 TurnedAboutVertical(const D3DXVECTOR3& v, float angle)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationY(&rotation, angle);
    D3DXVECTOR3 turned;
    D3DXVec3TransformNormal(&turned, &v, &rotation);
    return turned;
}

} // namespace

CNormalPedController::CNormalPedController()
{
    CNormalPedController::Init();
    m_Kind = KIND_AI;
}

CNormalPedController::~CNormalPedController()
{
    CAIController::Shutdown();
    DestroyActor();
}

bool CNormalPedController::Init()
{
    CAIPersonController::Init();
    DestroyActor();
    m_Target = CTargetPoint();
    m_pNode = nullptr;
    m_pPreviousNode = nullptr;
    m_vEntryFacing = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_Turn = Turn();
    m_Stack.Clear();
    m_fArrivalRadiusSq = DEFAULT_ARRIVAL_RADIUS_SQ;
    return true;
}

// The camera first: the police aim through it. The states that watch the
// cars refill the list; the others leave it empty, so no dive is ever
// checked against cars seen before a drive.
void CNormalPedController::Update()
{
    if (m_pActor == nullptr)
        return;
    m_Camera.Update();
    m_NearCars.clear();
    Step(true);
}

void CNormalPedController::AddDelay(float seconds)
{
    CAIPersonController::AddDelay(seconds);
    Flee();
}

void CNormalPedController::SetDelay(float seconds)
{
    CAIPersonController::SetDelay(seconds);
    Flee();
}

void CNormalPedController::TurnToTarget()
{
    const D3DXVECTOR3* target = m_Target.Get();
    if (target == nullptr || m_pActor == nullptr)
        return;
    const D3DXVECTOR3 facing = HorizontalDirection(ActorFacing());
    const D3DXVECTOR3 toTarget = HorizontalDirection(*target - ActorPosition());
    BeginTurn(-D3DXVec3Dot(&facing, &toTarget), HorizontalSide(facing, toTarget) > 0.0f);
}

void CNormalPedController::OnMessage(int message, int state)
{
    if (message == MSG_ENTER)
        m_Stack.ResumeOnEnter(*this, m_Turn, state);
    // Every state walks, turns or seats an actor.
    if (m_pActor == nullptr)
        return;
    if (message == MSG_UPDATE && WatchesCars(state))
        ScanNearbyCars();
    if (message == MSG_UPDATE_LATE) {
        if (MayDive(state))
            CheckDive();
        return;
    }
    switch (state) {
    case STATE_WALKING:
        OnWalking(message);
        break;
    case STATE_TURNING_THEN_DIVING:
        OnTurningThenDiving(message);
        break;
    case STATE_DIVING:
        OnDiving(message);
        break;
    case STATE_GETTING_UP:
        OnGettingUp(message);
        break;
    case STATE_GETTING_OUT:
        OnGettingOut(message);
        break;
    case STATE_DECIDING_ON_NEW_POS:
        OnDecidingOnNewPos(message);
        break;
    case STATE_TURNING:
        OnTurnOnTheSpot(message, false);
        break;
    case STATE_TURNING_180:
        OnTurnOnTheSpot(message, true);
        break;
    default:
        // IDLE only watches; DRIVING sits still while the agent drives; the
        // other named turns have no behaviour of their own.
        break;
    }
}

// Seated, getting out, or in a turn that does nothing: no car to watch.
bool CNormalPedController::WatchesCars(int state)
{
    switch (state) {
    case STATE_DRIVING:
    case STATE_GETTING_OUT:
    case STATE_TURNING_90:
    case STATE_TURNING_270:
    case STATE_TURNING_360:
        return false;
    default:
        return true;
    }
}

// Standing, walking and turning on the spot; not already on the way down.
bool CNormalPedController::MayDive(int state)
{
    return state == STATE_IDLE || state == STATE_WALKING || state == STATE_TURNING || state == STATE_TURNING_180;
}

// --- States

void CNormalPedController::OnWalking(int message)
{
    if (message != MSG_UPDATE)
        return;
    // A node-less spawn point hands over no node: the pedestrian stands.
    const D3DXVECTOR3* target = m_Target.Get();
    if (target == nullptr)
        return;
    const D3DXVECTOR3 toTarget = *target - ActorPosition();
    if (D3DXVec3LengthSq(&toTarget) <= m_fArrivalRadiusSq) {
        SetState(STATE_DECIDING_ON_NEW_POS);
        return;
    }
    const D3DXVECTOR3 backward = HorizontalDirection(-ActorFacing());
    const D3DXVECTOR3 direction = HorizontalDirection(toTarget);
    const float behind = D3DXVec3Dot(&backward, &direction);
    const float side = HorizontalSide(backward, direction);
    if (behind > 0.0f) {
        float limit = behind;
        if (behind <= ABEAM)
            limit = QUARTER_TURN_LIMIT;
        else if (behind >= NEARLY_BEHIND)
            limit = NEARLY_BEHIND_LIMIT;
        BeginTurn(limit, !(side > 0.0f));
        return;
    }
    const float steer = WALK_STEER_RATE * g_FrameTimer.GetFrameTime();
    if (side < -STEER_DEAD_ZONE)
        m_Axes[AXIS_TURN] = steer;
    else if (side > STEER_DEAD_ZONE)
        m_Axes[AXIS_TURN] = -steer;
    Hold(ACTION_GAS);
    // A fleeing pedestrian runs.
    if (m_DelayTimer == 0.0f)
        Hold(ACTION_WALK);
}

void CNormalPedController::OnTurningThenDiving(int message)
{
    if (message == MSG_ENTER) {
        StartTurnProgress();
        return;
    }
    if (message != MSG_UPDATE)
        return;
    m_Turn.m_fProgress = TurnProgress();
    if (m_Turn.m_fProgress > m_Turn.m_fLimit)
        SetState(STATE_DIVING);
    else
        TurnToSide(DIVE_TURN_RATE);
}

// The controller runs before its actor: the actor still reports ready from
// before the leap on the first update, so the dive counts as over only once
// the actor has taken the request and finished it.
void CNormalPedController::OnDiving(int message)
{
    if (message == MSG_ENTER) {
        m_pActor->m_bDodging = true;
        return;
    }
    if (message != MSG_UPDATE)
        return;
    if (m_pActor->m_bDodgeReady && !m_pActor->m_bDodging)
        SetState(STATE_GETTING_UP);
}

// The turn record counts the seconds on the ground.
void CNormalPedController::OnGettingUp(int message)
{
    if (message == MSG_ENTER) {
        m_Turn.m_fProgress = 0.0f;
        m_Turn.m_fLimit = GET_UP_SECONDS;
        return;
    }
    if (message == MSG_EXIT) {
        m_pActor->m_Model.SetAnimation(GET_UP_ANIMATION);
        return;
    }
    if (message != MSG_UPDATE)
        return;
    m_Turn.m_fProgress += g_FrameTimer.GetFrameTime();
    if (m_Turn.m_fProgress >= m_Turn.m_fLimit)
        ReturnFromState();
}

// A release of the car key: the actor's in-car step leaves the car.
void CNormalPedController::OnGettingOut(int message)
{
    if (message == MSG_ENTER)
        Release(ACTION_GET_IN_CAR);
}

void CNormalPedController::OnDecidingOnNewPos(int message)
{
    if (message != MSG_UPDATE)
        return;
    if (m_pNode == nullptr || m_pNode->GetLinkCount() == 0) {
        SetState(STATE_IDLE);
        return;
    }
    SetSidewalkNode(ChooseLink());
    SetState(STATE_WALKING);
}

// TURNING turns the saved way until the progress reaches its limit;
// TURNING_180 always to the positive side, past its own limit.
void CNormalPedController::OnTurnOnTheSpot(int message, bool halfTurn)
{
    if (message == MSG_ENTER) {
        if (halfTurn)
            m_Turn.m_fLimit = HALF_TURN_LIMIT;
        StartTurnProgress();
        return;
    }
    if (message != MSG_UPDATE)
        return;
    m_Turn.m_fProgress = TurnProgress();
    const bool done = halfTurn ? m_Turn.m_fProgress > m_Turn.m_fLimit : m_Turn.m_fProgress >= m_Turn.m_fLimit;
    if (done) {
        ReturnFromState();
        return;
    }
    if (halfTurn)
        m_Axes[AXIS_TURN] = TURN_RATE * g_FrameTimer.GetFrameTime();
    else
        TurnToSide(TURN_RATE);
}

// --- Turning

D3DXVECTOR3 CNormalPedController::ActorPosition() const
{
    return m_pActor->m_Model.m_vPosition;
}

D3DXVECTOR3 CNormalPedController::ActorFacing() const
{
    return m_pActor->m_Model.m_vFacing;
}

D3DXVECTOR3 CNormalPedController::FleeDirection() const
{
    return HorizontalDirection(ActorPosition() - m_AlarmPoint);
}

float CNormalPedController::TurnProgress() const
{
    const D3DXVECTOR3 backward = SafeNormalize(-ActorFacing());
    return D3DXVec3Dot(&backward, &m_vEntryFacing);
}

void CNormalPedController::StartTurnProgress()
{
    m_vEntryFacing = SafeNormalize(ActorFacing());
}

void CNormalPedController::TurnToSide(float rate)
{
    const float amount = rate * g_FrameTimer.GetFrameTime();
    m_Axes[AXIS_TURN] = m_Turn.m_u8Side == 1 ? amount : -amount;
}

void CNormalPedController::BeginTurn(float limit, bool positiveSide)
{
    PushState();
    m_Turn.m_fLimit = limit;
    m_Turn.m_u8Side = positiveSide ? 1 : 0;
    SetState(STATE_TURNING);
}

// --- Cars

void CNormalPedController::ScanNearbyCars()
{
    ScanCars(ActorPosition(), NEARBY_CAR_RANGE_SQ);
}

void CNormalPedController::CheckDive()
{
    for (const std::pair<float, CCar*>& near : m_NearCars) {
        if (!IsThreatenedBy(*near.second, near.first))
            continue;
        PushState();
        m_Turn.m_u8Side = 1;
        m_Turn.m_fLimit = DIVE_TURN_LIMIT;
        SetState(STATE_TURNING_THEN_DIVING);
        return;
    }
}

// On the ground plane: the pedestrian lies ahead of the car (within about
// 8 degrees of its heading) and within the row's share of its line.
bool CNormalPedController::IsThreatenedBy(CCar& car, float distanceSq) const
{
    const DiveRow& row = DiveRowFor(distanceSq);
    const D3DXVECTOR3 velocity = car.m_PhysicsObject.GetLinearVelocity();
    if (D3DXVec3LengthSq(&velocity) < row.m_fMinSpeedSq)
        return false;
    const D3DXVECTOR3 fromCar = HorizontalDirection(ActorPosition() - CarPosition(car));
    const D3DXVECTOR3 back = HorizontalDirection(-velocity);
    const D3DXVECTOR3 across = SafeNormalize(D3DXVECTOR3(-fromCar.z, 0.0f, fromCar.x));
    const float lateral = D3DXVec3Dot(&back, &across);
    return -row.m_fLateral <= lateral && lateral <= row.m_fLateral && D3DXVec3Dot(&back, &fromCar) < -AHEAD_COSINE;
}

// --- Fleeing

void CNormalPedController::Flee()
{
    if (m_DelayTimer == 0.0f || m_pActor == nullptr)
        return;
    const int state = GetState();
    if (state == STATE_WALKING && m_pNode != nullptr && m_pPreviousNode != nullptr) {
        const D3DXVECTOR3 away = FleeDirection();
        const D3DXVECTOR3 toCurrent = HorizontalDirection(*m_pNode->GetPosition() - ActorPosition());
        const D3DXVECTOR3 toPrevious = HorizontalDirection(*m_pPreviousNode->GetPosition() - ActorPosition());
        if (D3DXVec3Dot(&toPrevious, &away) > D3DXVec3Dot(&toCurrent, &away))
            SetSidewalkNode(m_pPreviousNode);
        return;
    }
    if (state != STATE_WALKING && state != STATE_IDLE)
        return;
    FleeToPoint();
    if (state == STATE_IDLE)
        SetState(STATE_WALKING);
}

void CNormalPedController::FleeToPoint()
{
    const float angle = g_RandomTable.NextFloat(-FLEE_SPREAD / 2.0f, FLEE_SPREAD / 2.0f);
    const D3DXVECTOR3 direction = TurnedAboutVertical(FleeDirection(), angle);
    const float reach = m_pActor->m_fRunSpeed * m_DelayTimer;
    m_Target = CTargetPoint::Own(ActorPosition() + direction * reach);
    m_pPreviousNode = m_pNode;
    m_pNode = nullptr;
}

// While fleeing, the link leading most directly away (the first of equals);
// else one at random (no draw for a single link).
cSidewalknode* CNormalPedController::ChooseLink() const
{
    const size_t count = m_pNode->GetLinkCount();
    if (m_DelayTimer == 0.0f) {
        const uint32_t link = count == 1 ? 0 : g_RandomTable.NextBelow(static_cast<uint32_t>(count));
        return m_pNode->GetLinkTarget(link);
    }
    const D3DXVECTOR3 away = FleeDirection();
    size_t best = 0;
    float bestDot = -1.0f;
    for (size_t link = 0; link < count; ++link) {
        const D3DXVECTOR3* position = m_pNode->GetLinkTarget(link)->GetPosition();
        const D3DXVECTOR3 direction = HorizontalDirection(*position - ActorPosition());
        const float dot = D3DXVec3Dot(&direction, &away);
        if (dot > bestDot) {
            best = link;
            bestDot = dot;
        }
    }
    return m_pNode->GetLinkTarget(best);
}

// --- Actor and nodes

void CNormalPedController::SetActor(std::unique_ptr<CGameActor> actor)
{
    DestroyActor();
    m_pActor = std::move(actor);
    FollowActor(m_pActor.get());
}

void CNormalPedController::DestroyActor()
{
    if (m_pActor == nullptr)
        return;
    m_pActor->Shutdown();
    m_pActor.reset();
    FollowActor(nullptr);
}

void CNormalPedController::SetSidewalkNode(cSidewalknode* node)
{
    m_pPreviousNode = m_pNode != nullptr ? m_pNode : node;
    m_pNode = node;
    m_Target = CTargetPoint::Node(node);
}

const char* CNormalPedController::GetStateName(int state)
{
    return StateNameIn(STATE_NAMES, STATE_COUNT, state);
}

int CNormalPedController::FindState(const std::string& name)
{
    return FindStateIn(STATE_NAMES, STATE_COUNT, name);
}
