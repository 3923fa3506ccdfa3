#include "AI/NormalCarController.h"

#include <algorithm>
#include <cmath>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Core/Utility.h"
#include "Level/Node.h"

namespace {

enum { ROW_FORWARD = 2, ROW_POSITION = 3 };

// Squared metres, unless named otherwise.
const float ARRIVAL_SQ = 45.0f;
// Squared metres per second: 65 and 15 mph.
const float FLEEING_LEAST_LIMIT_SQ = 844.296f;
const float FLEEING_EXTRA_LIMIT_SQ = 44.9625f;
// Steering: the target counts as straight on within this side value, and
// as behind beyond these cosines.
const float STRAIGHT_SIDE = 0.1f;
const float BEHIND = 0.8f;
const float RIGHT_BEHIND = 0.96f;
// Metres added to the stopping distance within which a target right
// behind counts as reached.
const float BEHIND_REACH = 6.7f;
// Shares of the squared limit: below the first a turning car speeds up,
// above the second it slides round on the hand brake.
const float TURN_GAS_SHARE = 0.3f;
const float TURN_HAND_BRAKE_SHARE = 0.5f;
// Metres about the stopping distance in which a light stops the car.
const float LIGHT_NEAR = 10.0f;
const float LIGHT_FAR = 25.0f;
// Metres per second above which a stopping car brakes.
const float BRAKING_SPEED = 3.0f;
// A point is ahead within about 10 degrees of straight on.
const float AHEAD_COSINE = 0.985f;
// Least squared distances at which the driver reacts.
const float PLAYER_ON_FOOT_SQ = 350.0f;
const float PERSON_SQ = 400.0f;
const float ONCOMING_SQ = 800.0f;
const float CAR_AHEAD_SQ = 300.0f;
const float CAR_STOP_SQ = 200.0f;
const float CAR_WAIT_SQ = 100.0f;
const float CAR_MARGIN_SQ = 20.0f;
// Cosine between the two cars' rears below which the player comes head-on.
const float HEAD_ON = -0.8f;

// How far off its track (metres, either side) the car may be before it
// steers back, and how soon it looks again.
struct TrackCorrection {
    float m_fBeyond;
    float m_fInterval;
};
const TrackCorrection TRACK_CORRECTIONS[] = {{0.6f, 0.5f}, {0.45f, 0.65f}, {0.35f, 0.9f}, {0.1f, 1.15f}};

// The horn's rhythm while people block the way: when an interval runs out
// the next one starts with the horn on or off. Intervals are compared
// exactly; one not listed runs as the first.
struct HornBeat {
    float m_fRanOut;
    float m_fNext;
    bool m_bOn;
};
const float FIRST_HORN_INTERVAL = 2.0f;
const HornBeat HORN_RHYTHM[] = {
    {2.0f, 0.5f, false},     {0.5f, 1.0f, true},  {1.0f, 1.1f, false},
    {1.1f, 0.7f, true},      {0.7f, 1.5f, false}, {1.5f, 1.1111f, true},
    {1.1111f, 1.11111f, false}, {1.11111f, 2.5f, true}, {2.5f, 2.0f, false},
};

float DistanceSq(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3LengthSq(&d);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return D3DXVec3Dot(&a, &b);
}

D3DXVECTOR3 Position(const D3DXMATRIX& world)
{
    return GetMatrixRow(world, ROW_POSITION);
}

D3DXVECTOR3 RearOf(const D3DXMATRIX& world)
{
    return HorizontalDirection(-GetMatrixRow(world, ROW_FORWARD));
}

// Within about 10 degrees of straight ahead of a car at `from` facing away
// from `rear`. The car's own place is never ahead of it.
bool IsAhead(const D3DXVECTOR3& from, const D3DXVECTOR3& rear, const D3DXVECTOR3& point)
{
    return Dot(rear, HorizontalDirection(from - point)) > AHEAD_COSINE;
}

// The player when on foot, else null.
const CGameActor* PlayerOnFoot()
{
    return g_PlayerActor != nullptr && g_PlayerActor->m_pCar == nullptr ? g_PlayerActor : nullptr;
}

const char* const STATE_NAMES[CNormalCarController::STATE_COUNT] = {
    "IDLE",           "STOPPING",        "STOPPING_N_WAITING", "COASTING_N_WAITING",
    "DRIVING_TO_POS", "DRIVING_TO_NODE", "DECIDING_ON_NEW_POS",
};

} // namespace

const float* CNormalCarController::SpeedLimit::Get() const
{
    switch (m_Kind) {
    case CTargetPoint::OWN:
        return &m_fOwn;
    case CTargetPoint::CALLER:
        return m_pCaller;
    default:
        return nullptr;
    }
}

CNormalCarController::CNormalCarController()
{
    CNormalCarController::Init();
    m_Kind = KIND_AI;
}

CNormalCarController::~CNormalCarController()
{
    CAIController::Shutdown();
}

bool CNormalCarController::Init()
{
    CAICarController::Init();
    m_Navigation = Navigation();
    m_Path.Clear();
    return true;
}

void CNormalCarController::Update()
{
    UpdateDriver(true);
}

void CNormalCarController::OnMessage(int message, int state)
{
    if (message == MSG_ENTER) {
        Enter(state);
        return;
    }
    if (m_pCar == nullptr || message == MSG_EXIT)
        return;
    const Pose pose = CarPose();
    if (message == MSG_UPDATE_LATE) {
        if (state == STATE_DRIVING_TO_POS || state == STATE_DRIVING_TO_NODE)
            CheckObstacles(pose);
        else if (state == STATE_STOPPING_N_WAITING || state == STATE_COASTING_N_WAITING)
            Wait(pose);
        return;
    }
    Scan(pose);
    switch (state) {
    case STATE_STOPPING:
        if (!Brake())
            SetState(STATE_IDLE);
        break;
    case STATE_STOPPING_N_WAITING:
        Brake();
        break;
    case STATE_DRIVING_TO_POS:
        Drive(pose, false);
        break;
    case STATE_DRIVING_TO_NODE:
        Drive(pose, true);
        break;
    case STATE_DECIDING_ON_NEW_POS:
        ChooseNextNode(pose);
        break;
    default:
        break;
    }
}

// A state entered as a return takes its block back; a driving state
// without a target or limit drives to its own (and from where it stands).
void CNormalCarController::Enter(int state)
{
    m_Path.ResumeOnEnter(*this, m_Navigation, state);
    if (state != STATE_DRIVING_TO_POS && state != STATE_DRIVING_TO_NODE)
        return;
    if (!m_Navigation.m_Target.IsSet())
        m_Navigation.m_Target = CTargetPoint::Own(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    SpeedLimit& limit = m_Navigation.m_SpeedLimit;
    if (limit.Get() == nullptr)
        limit.m_Kind = CTargetPoint::OWN;
    if (state == STATE_DRIVING_TO_NODE && !m_Navigation.m_PreviousTarget.IsSet() && m_pCar != nullptr)
        m_Navigation.m_PreviousTarget = CTargetPoint::Own(CarPose().m_vPosition);
}

CNormalCarController::Pose CNormalCarController::CarPose() const
{
    const D3DXMATRIX& world = m_pCar->m_Body.GetWorldMatrix();
    return {Position(world), RearOf(world)};
}

void CNormalCarController::Scan(const Pose& pose)
{
    ScanAroundCar(pose.m_vPosition);
}

bool CNormalCarController::Brake()
{
    if (!(m_pCar->GetForwardSpeed() > BRAKING_SPEED))
        return false;
    Hold(CCar::ACTION_BRAKE);
    return true;
}

// --- Driving

float CNormalCarController::SpeedLimitSq() const
{
    const float* limit = GetSpeedLimit();
    const float limitSq = limit != nullptr ? *limit : 0.0f;
    if (m_DelayTimer <= 0.0f)
        return limitSq;
    return limitSq < FLEEING_LEAST_LIMIT_SQ ? FLEEING_LEAST_LIMIT_SQ : limitSq + FLEEING_EXTRA_LIMIT_SQ;
}

void CNormalCarController::Drive(const Pose& pose, bool toNode)
{
    const D3DXVECTOR3* target = GetTarget();
    if (target == nullptr)
        return;
    const D3DXVECTOR3 velocity = m_pCar->m_PhysicsObject.GetLinearVelocity();
    const float speedSq = D3DXVec3LengthSq(&velocity);
    const float limitSq = SpeedLimitSq();
    const D3DXVECTOR3 toTarget = *target - pose.m_vPosition;
    const float distanceSq = D3DXVec3LengthSq(&toTarget);
    if (distanceSq <= ARRIVAL_SQ) {
        SetState(STATE_DECIDING_ON_NEW_POS);
    } else {
        const D3DXVECTOR3 direction = HorizontalDirection(toTarget);
        Steer(HorizontalSide(pose.m_vRear, direction), Dot(pose.m_vRear, direction), speedSq, limitSq, distanceSq);
    }
    if (!toNode)
        return;
    KeepTrack(pose, speedSq, limitSq);
    StopForLight(pose);
}

void CNormalCarController::Steer(float side, float back, float speedSq, float limitSq, float distanceSq)
{
    if (side > STRAIGHT_SIDE || side < -STRAIGHT_SIDE) {
        Hold(side > 0.0f ? CCar::ACTION_TURN_LEFT : CCar::ACTION_TURN_RIGHT);
        HoldTurningSpeed(speedSq, limitSq);
        return;
    }
    if (back <= BEHIND) {
        if (speedSq < limitSq)
            Hold(CCar::ACTION_GAS);
        return;
    }
    // Behind: reached when right behind and within the stopping distance
    // (and a bit); either way the car turns about to the right.
    const float reach = m_pCar->GetStoppingDistance() + BEHIND_REACH;
    if (back > RIGHT_BEHIND && reach * reach >= distanceSq)
        SetState(STATE_DECIDING_ON_NEW_POS);
    Hold(CCar::ACTION_TURN_RIGHT);
    HoldTurningSpeed(speedSq, limitSq);
}

void CNormalCarController::HoldTurningSpeed(float speedSq, float limitSq)
{
    if (speedSq < TURN_GAS_SHARE * limitSq)
        Hold(CCar::ACTION_GAS);
    else if (speedSq > TURN_HAND_BRAKE_SHARE * limitSq)
        Hold(CCar::ACTION_HAND_BRAKE);
}

// Back toward the line from the previous target to the current one, one
// short steer now and then, sooner the further off the car is. A fast car
// lets go of the gas while it corrects.
void CNormalCarController::KeepTrack(const Pose& pose, float speedSq, float limitSq)
{
    const D3DXVECTOR3* target = GetTarget();
    const D3DXVECTOR3* previous = GetPreviousTarget();
    if (target == nullptr || previous == nullptr)
        return;
    const D3DXVECTOR3 track = HorizontalDirection(*target - *previous);
    const float offset = track.x * (pose.m_vPosition.z - previous->z) - track.z * (pose.m_vPosition.x - previous->x);
    Navigation& navigation = m_Navigation;
    navigation.m_fTrackTimer += g_FrameTimer.GetFrameTime();
    if (!(navigation.m_fTrackTimer > navigation.m_fTrackInterval))
        return;
    navigation.m_fTrackTimer = 0.0f;
    for (const TrackCorrection& correction : TRACK_CORRECTIONS) {
        if (std::fabs(offset) <= correction.m_fBeyond)
            continue;
        navigation.m_fTrackInterval = correction.m_fInterval;
        Hold(offset > 0.0f ? CCar::ACTION_TURN_RIGHT : CCar::ACTION_TURN_LEFT);
        if (speedSq > TURN_HAND_BRAKE_SHARE * limitSq)
            m_Actions[CCar::ACTION_GAS] = ACTION_STATE_IDLE;
        return;
    }
}

// Amber or red over the node: the car stops when the node lies where its
// stopping distance ends (give or take); nearer, it goes on through.
void CNormalCarController::StopForLight(const Pose& pose)
{
    const cRoadnode* node = m_Navigation.m_pNode;
    if (node == nullptr || m_DelayTimer > 0.0f)
        return;
    if (node->GetLightState() != cRoadnode::LIGHT_AMBER && node->GetLightState() != cRoadnode::LIGHT_STOP)
        return;
    const float stopping = m_pCar->GetStoppingDistance();
    const float distance = std::sqrt(DistanceSq(*GetTarget(), pose.m_vPosition));
    if (!(stopping - LIGHT_NEAR < distance && distance <= stopping + LIGHT_FAR))
        return;
    Push();
    m_Navigation.m_WaitFor = WAIT_FOR_GREEN;
    SetState(STATE_STOPPING_N_WAITING);
}

// At random, or while fleeing the link that leads most directly away from
// the flee point. Without a link the car takes up what it did before.
void CNormalCarController::ChooseNextNode(const Pose& pose)
{
    const cRoadnode* node = m_Navigation.m_pNode;
    if (node == nullptr || node->GetLinkCount() == 0) {
        Resume();
        return;
    }
    const size_t count = node->GetLinkCount();
    size_t chosen = 0;
    if (m_DelayTimer > 0.0f) {
        const D3DXVECTOR3 away = HorizontalDirection(pose.m_vPosition - m_AlarmPoint);
        float best = -1.0f;
        for (size_t link = 0; link < count; ++link) {
            const float along =
                Dot(away, HorizontalDirection(*node->GetLinkTarget(link)->GetPosition() - pose.m_vPosition));
            if (along > best) {
                best = along;
                chosen = link;
            }
        }
    } else if (count > 1) {
        chosen = static_cast<size_t>(g_RandomTable.Next()) % count;
    }
    SetRoadNode(node->GetLinkTarget(chosen), m_Navigation.m_NodeFlag);
    SetState(STATE_DRIVING_TO_NODE);
}

// --- Obstacles and waiting

void CNormalCarController::CheckObstacles(const Pose& pose)
{
    if (m_DelayTimer > 0.0f)
        return;
    if (IsPersonAhead(pose))
        StartWaitingForPeople();
    if (CCar* oncoming = HeadOnPlayerCar(pose)) {
        Evade(pose, *oncoming);
        return;
    }
    const float stopping = m_pCar->GetStoppingDistance();
    if (!IsCarAhead(pose, std::max(CAR_AHEAD_SQ, stopping * stopping + CAR_MARGIN_SQ)))
        return;
    Push();
    m_Navigation.m_WaitFor = WAIT_FOR_CARS;
    SetState(STATE_COASTING_N_WAITING);
}

// The player on foot, or the nearest agent on foot, close ahead.
bool CNormalCarController::IsPersonAhead(const Pose& pose) const
{
    const float stopping = m_pCar->GetStoppingDistance();
    const float stoppingSq = stopping * stopping;
    if (const CGameActor* player = PlayerOnFoot()) {
        const D3DXVECTOR3 at = Position(player->m_Model.m_matWorld);
        if (DistanceSq(at, pose.m_vPosition) < std::max(stoppingSq, PLAYER_ON_FOOT_SQ) &&
            IsAhead(pose.m_vPosition, pose.m_vRear, at))
            return true;
    }
    const float nearSq = std::max(PERSON_SQ, stoppingSq);
    for (const auto& near : m_NearActors) {
        if (near.first < nearSq && IsAhead(pose.m_vPosition, pose.m_vRear, Position(near.second->m_Model.m_matWorld)))
            return true;
    }
    return false;
}

// The player's car, near, ahead and coming straight at this one.
CCar* CNormalCarController::HeadOnPlayerCar(const Pose& pose) const
{
    CCar* player = g_PlayerActor != nullptr ? g_PlayerActor->m_pCar : nullptr;
    if (player == nullptr)
        return nullptr;
    const float stopping = m_pCar->GetStoppingDistance();
    const D3DXMATRIX& world = player->m_Body.GetWorldMatrix();
    const D3DXVECTOR3 at = Position(world);
    if (!(DistanceSq(at, pose.m_vPosition) < std::max(stopping * stopping, ONCOMING_SQ)))
        return nullptr;
    if (!IsAhead(pose.m_vPosition, pose.m_vRear, at) || !(Dot(pose.m_vRear, RearOf(world)) < HEAD_ON))
        return nullptr;
    return player;
}

bool CNormalCarController::IsCarAhead(const Pose& pose, float withinSq) const
{
    for (const auto& near : m_NearCars) {
        if (near.first < withinSq &&
            IsAhead(pose.m_vPosition, pose.m_vRear, Position(near.second->m_Body.GetWorldMatrix())))
            return true;
    }
    return false;
}

void CNormalCarController::StartWaitingForPeople()
{
    Push();
    m_Navigation.m_WaitFor = WAIT_FOR_PEOPLE;
    SetState(STATE_STOPPING_N_WAITING);
    ResetHorn();
}

// Off the road to the right of the oncoming car, short of it; with no node
// to drive to, the car comes back to the saved one after.
void CNormalCarController::Evade(const Pose& pose, const CCar& oncoming)
{
    Push();
    const D3DXVECTOR3 point = EvasionPoint(pose.m_vPosition, CarPosition(oncoming));
    SetTarget(&point, true);
    m_Navigation.m_pNode = nullptr;
    SetState(STATE_DRIVING_TO_POS);
    ResetHorn();
}

void CNormalCarController::Wait(const Pose& pose)
{
    switch (m_Navigation.m_WaitFor) {
    case WAIT_FOR_PEOPLE:
        WaitForPeople(pose);
        break;
    case WAIT_FOR_CARS:
        WaitForCars(pose);
        break;
    case WAIT_FOR_GREEN:
        WaitForGreen();
        break;
    case WAIT_NONE:
        break;
    }
}

void CNormalCarController::WaitForPeople(const Pose& pose)
{
    if (m_DelayTimer > 0.0f || !IsPersonAhead(pose)) {
        Resume();
        return;
    }
    SoundHornRhythm();
}

// Nearer than the stopping range the car brakes; it waits until the car
// ahead is beyond the waiting range.
void CNormalCarController::WaitForCars(const Pose& pose)
{
    if (m_DelayTimer > 0.0f) {
        Resume();
        return;
    }
    const float stopping = m_pCar->GetStoppingDistance();
    const float marginSq = stopping * stopping + CAR_MARGIN_SQ;
    if (GetState() != STATE_STOPPING_N_WAITING && IsCarAhead(pose, std::max(CAR_STOP_SQ, marginSq)))
        SetState(STATE_STOPPING_N_WAITING);
    if (!IsCarAhead(pose, std::max(CAR_WAIT_SQ, marginSq)))
        Resume();
}

void CNormalCarController::WaitForGreen()
{
    const cRoadnode* node = m_Navigation.m_pNode;
    if (m_DelayTimer <= 0.0f && node != nullptr && node->GetLightState() != cRoadnode::LIGHT_GO)
        return;
    Resume();
}

void CNormalCarController::ResetHorn()
{
    m_fHornTimer = 0.0f;
    m_fHornInterval = FIRST_HORN_INTERVAL;
    m_u8HornOn = 0;
}

void CNormalCarController::SoundHornRhythm()
{
    m_fHornTimer += g_FrameTimer.GetFrameTime();
    if (m_fHornTimer > m_fHornInterval) {
        m_fHornTimer = 0.0f;
        const HornBeat* beat = &HORN_RHYTHM[0];
        for (const HornBeat& row : HORN_RHYTHM) {
            if (row.m_fRanOut == m_fHornInterval)
                beat = &row;
        }
        m_fHornInterval = beat->m_fNext;
        m_u8HornOn = beat->m_bOn ? 1 : 0;
    }
    if (m_u8HornOn)
        Hold(CCar::ACTION_HORN);
}

void CNormalCarController::AdvanceTarget()
{
    m_Navigation.m_PreviousTarget = m_Navigation.m_Target;
}

void CNormalCarController::SetTarget(const D3DXVECTOR3* point, bool copy)
{
    AdvanceTarget();
    m_Navigation.m_Target = CTargetPoint::From(point, copy);
}

void CNormalCarController::SetSpeedLimit(const float* limit, bool copy)
{
    SpeedLimit& speed = m_Navigation.m_SpeedLimit;
    if (copy && limit != nullptr) {
        speed.m_Kind = CTargetPoint::OWN;
        speed.m_fOwn = *limit;
        return;
    }
    speed.m_Kind = limit != nullptr ? CTargetPoint::CALLER : CTargetPoint::NONE;
    speed.m_pCaller = limit;
}

void CNormalCarController::SetRoadNode(cRoadnode* node, int32_t flag)
{
    m_Navigation.m_pPreviousNode = m_Navigation.m_pNode;
    m_Navigation.m_pNode = node;
    m_Navigation.m_NodeFlag = flag;
    AdvanceTarget();
    m_Navigation.m_Target = CTargetPoint::Node(node);
    if (node == nullptr)
        return;
    const float limit = node->GetSpeed() * node->GetSpeed() * MPH_SQ_TO_MPS_SQ;
    SetSpeedLimit(&limit, true);
}

const char* CNormalCarController::GetStateName(int state)
{
    return StateNameIn(STATE_NAMES, STATE_COUNT, state);
}

int CNormalCarController::FindState(const std::string& name)
{
    return FindStateIn(STATE_NAMES, STATE_COUNT, name);
}
