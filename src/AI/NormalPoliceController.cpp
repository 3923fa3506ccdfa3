#include "AI/NormalPoliceController.h"

#include <cmath>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Display/RenderStates.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxScene.h"

namespace {

enum { ACTION_FIRE = 11, ACTION_GAS = 14, ACTION_GET_IN_CAR = 22 };
enum { AXIS_TURN = 2, AXIS_LOOK = 3 };

// Squared distances the scan looks within.
const float SCAN_CARS_SQ = 1250.0f;
const float SCAN_ACTORS_SQ = 2500.0f;
// A wanted person this near (squared, 50 units) is chased.
const float ENGAGE_SQ = 2500.0f;
const int WANTED_LEVEL = 2;
// The chase driver slows down for a target on foot within the first and
// takes up the pursuit again beyond the second; on foot the officer
// pursues within the first.
const float CLOSE_SQ = 400.0f;
const float ESCAPING_SQ = 500.0f;
// On foot: walks toward a target between these (10 and 45 units), goes
// back to the car beyond the second.
const float WALK_NEAREST_SQ = 100.0f;
const float WALK_FARTHEST_SQ = 2025.0f;
// About 10 degrees.
const float FACING_COSINE = 0.984807f;
// Turn and look rates a second.
const float TURN_RATE = 900.0f;
const float TURN_BEHIND_RATE = 1200.0f;
const float LOOK_RATE = -900.0f;
// The aim point is this far above the target's position.
const float AIM_HEIGHT = 1.5f;
// Fires within this squared distance and aiming error.
const float FIRE_SQ = 1000.0f;
const float FIRE_ERROR = 0.1f;
// The line of fire: shapes of collision group 1 block it.
const NxShapesType LINE_OF_FIRE_SHAPES = NX_ALL_SHAPES;
const NxU32 LINE_OF_FIRE_GROUPS = 2;
// The walk back ends this near the car (squared, 10 units).
const float BY_THE_CAR_SQ = 100.0f;

bool IsWanted(const CGameActor& actor)
{
    return static_cast<int>(actor.m_fWantedLevel) >= WANTED_LEVEL;
}

float DistanceSq(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3LengthSq(&d);
}

const D3DXVECTOR3 UP(0.0f, 1.0f, 0.0f);

} // namespace

CNormalPoliceController::CNormalPoliceController()
{
    CNormalPoliceController::Init();
    m_Kind = KIND_AI;
}

CNormalPoliceController::~CNormalPoliceController()
{
    CAIController::Shutdown();
}

bool CNormalPoliceController::Init()
{
    CAIPersonController::Init();
    SetActor(nullptr);
    m_pCar = nullptr;
    m_pTakenCar = nullptr;
    m_Pursuit = Pursuit();
    m_Stack.Clear();
    return true;
}

void CNormalPoliceController::Update()
{
    if (m_pActor == nullptr)
        return;
    m_Camera.Update();
    Step(true);
}

void CNormalPoliceController::OnMessage(int message, int state)
{
    if (message == MSG_ENTER) {
        m_Stack.ResumeOnEnter(*this, m_Pursuit, state);
        if (state == STATE_GETTING_OUT)
            Release(ACTION_GET_IN_CAR);
        return;
    }
    if (message != MSG_UPDATE || m_pActor == nullptr)
        return;
    switch (state) {
    case STATE_IDLE:
    case STATE_IDLE_SCANNING:
        Scan();
        break;
    case STATE_PATROLLING:
        Scan();
        Engage();
        break;
    case STATE_CHASING:
        FollowChase();
        break;
    case STATE_PURSUING_ON_FOOT:
        OnFoot();
        break;
    case STATE_BACK_TO_CAR:
        if (!FollowChase())
            WalkBackToCar();
        break;
    default:
        break;
    }
}

D3DXVECTOR3 CNormalPoliceController::ActorPosition() const
{
    return StandingPosition(*m_pActor);
}

bool CNormalPoliceController::TargetDistanceSq(float& distanceSq) const
{
    D3DXVECTOR3 target;
    if (!m_Pursuit.m_Target.ObjectPosition(target))
        return false;
    distanceSq = DistanceSq(ActorPosition(), target);
    return true;
}

void CNormalPoliceController::Scan()
{
    ScanCars(ActorPosition(), SCAN_CARS_SQ);
    ScanActors(ActorPosition(), SCAN_ACTORS_SQ, true);
}

// Only someone found now is chased: a target kept from an earlier chase
// may no longer be wanted, or be anywhere.
void CNormalPoliceController::Engage()
{
    if (m_pAgent == nullptr)
        return;
    CGameActor* wanted = FindWanted();
    if (wanted == nullptr)
        return;
    m_pAgent->UseChaseController();
    SetTarget(wanted);
    // At once, so the chase checks read the pursuit from the next update on.
    if (CChaseCarController* chase = ActiveChase()) {
        chase->SetState(CChaseCarController::STATE_PURSUIT);
        chase->ProcessStateChange();
    }
    if (CCar* car = m_pAgent->GetCar())
        car->m_bBurnt = true;
    SetState(STATE_CHASING);
}

// The player first, then the nearest wanted person. An officer is never
// after himself, though his own reports may make him wanted.
CGameActor* CNormalPoliceController::FindWanted() const
{
    CGameActor* player = g_PlayerActor;
    if (player != nullptr && player != m_pActor && IsWanted(*player) &&
        DistanceSq(StandingPosition(*player), ActorPosition()) < ENGAGE_SQ)
        return player;
    for (const auto& near : m_NearActors) {
        if (near.second != m_pActor && near.first < ENGAGE_SQ && IsWanted(*near.second))
            return near.second;
    }
    return nullptr;
}

bool CNormalPoliceController::FollowChase()
{
    float distanceSq = 0.0f;
    if (!TargetDistanceSq(distanceSq))
        return false;
    const CPursuitTarget target = m_Pursuit.m_Target;
    CCar* car = m_pAgent != nullptr ? m_pAgent->GetCar() : nullptr;
    CChaseCarController* chase = ActiveChase();
    if (chase == nullptr || car == nullptr) {
        if (car != nullptr || !(distanceSq < CLOSE_SQ))
            return false;
        PursueOnFoot(target);
        return true;
    }
    const bool targetInCar = target.m_pActor != nullptr && target.m_pActor->m_pCar != nullptr;
    switch (chase->GetState()) {
    case CChaseCarController::STATE_PURSUIT:
        if (distanceSq < CLOSE_SQ && !targetInCar)
            chase->SetState(CChaseCarController::STATE_STOPPING);
        return false;
    case CChaseCarController::STATE_STOPPING:
        if (distanceSq > ESCAPING_SQ)
            chase->SetState(CChaseCarController::STATE_PURSUIT);
        return false;
    case CChaseCarController::STATE_IDLE:
        // Stopped: out of the car, which he comes back to later.
        car->m_bBurnt = false;
        ReturnFromState();
        PursueOnFoot(target);
        PushState();
        m_pCar = car;
        Release(ACTION_GET_IN_CAR);
        return true;
    default:
        return false;
    }
}

void CNormalPoliceController::PursueOnFoot(const CPursuitTarget& target)
{
    SetState(STATE_PURSUING_ON_FOOT);
    ProcessStateChange();
    Reassign(target);
}

void CNormalPoliceController::Reassign(const CPursuitTarget& target)
{
    if (target.m_pActor != nullptr)
        SetTarget(target.m_pActor);
    else
        SetTargetObject(target.m_pObject);
}

void CNormalPoliceController::OnFoot()
{
    Aim();
    float distanceSq = 0.0f;
    if (!TargetDistanceSq(distanceSq))
        return;
    if (WALK_NEAREST_SQ < distanceSq && distanceSq < WALK_FARTHEST_SQ) {
        D3DXVECTOR3 target;
        m_Pursuit.m_Target.ObjectPosition(target);
        const D3DXVECTOR3 facing = SafeNormalize(m_pActor->m_Model.m_vFacing);
        const D3DXVECTOR3 direction = HorizontalDirection(target - ActorPosition());
        if (D3DXVec3Dot(&facing, &direction) > FACING_COSINE)
            Hold(ACTION_GAS);
        return;
    }
    if (distanceSq > WALK_FARTHEST_SQ && m_pCar != nullptr) {
        SetState(STATE_BACK_TO_CAR);
        ProcessStateChange();
    }
}

// Turns the camera (axis 2 about, axis 3 up and down) until the point just
// above the target lies on the line through the cursor, and fires when it
// does, near enough and with nothing in the way.
void CNormalPoliceController::Aim()
{
    D3DXVECTOR3 target;
    if (!m_Pursuit.m_Target.ObjectPosition(target))
        return;
    const D3DXVECTOR3 aimPoint = target + UP * AIM_HEIGHT;
    const D3DXVECTOR3 toAim = aimPoint - m_Camera.GetPosition();
    const D3DXVECTOR3 ray = AimingRay();

    const D3DXVECTOR3 flatAim = HorizontalDirection(toAim);
    const D3DXVECTOR3 flatRay = HorizontalDirection(ray);
    const float side = HorizontalSide(flatRay, flatAim);
    const float ahead = D3DXVec3Dot(&flatRay, &flatAim);
    TurnTowardSide(side, ahead);

    const D3DXVECTOR3 across = SafeNormalize(D3DXVECTOR3(-flatAim.z, toAim.y, flatAim.x));
    const D3DXVECTOR3 along = SafeNormalize(toAim);
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &along, &across);
    normal = SafeNormalize(normal);
    const float error = D3DXVec3Dot(&normal, &ray);
    if (error != 0.0f)
        m_Axes[AXIS_LOOK] = error * g_FrameTimer.GetFrameTime() * LOOK_RATE;

    // Only at a target in front: behind, the side error is small too.
    if (!(DistanceSq(ActorPosition(), target) < FIRE_SQ) || !(-FIRE_ERROR < side && side < FIRE_ERROR) ||
        !(-FIRE_ERROR < error && error < FIRE_ERROR) || !(ahead > 0.0f))
        return;
    const D3DXMATRIX& eye = m_Camera.GetWorldMatrix();
    if (IsLineOfFireClear(D3DXVECTOR3(eye._41, eye._42, eye._43), aimPoint))
        Hold(ACTION_FIRE);
}

// Through the cursor. Before the display has set a projection the ray
// would not be finite (and would spin the actor with it): the camera's
// view direction stands in.
D3DXVECTOR3 CNormalPoliceController::AimingRay() const
{
    D3DXVECTOR3 ray;
    ScreenPointToRay(&ray, D3DXVECTOR2(GetCursorX(), GetCursorY()), g_matProjection, m_Camera);
    if (std::isfinite(ray.x) && std::isfinite(ray.y) && std::isfinite(ray.z))
        return ray;
    const D3DXMATRIX& eye = m_Camera.GetWorldMatrix();
    return D3DXVECTOR3(eye._31, eye._32, eye._33);
}

bool CNormalPoliceController::IsLineOfFireClear(const D3DXVECTOR3& from, const D3DXVECTOR3& to) const
{
    const NxScene* scene = g_Physics.GetScene();
    if (scene == nullptr)
        return true;
    const D3DXVECTOR3 line = to - from;
    const float length = D3DXVec3Length(&line);
    NxRaycastHit hit;
    return scene->raycastClosestShape(NxRay(ToNxVec3(from), ToNxVec3(SafeNormalize(line))), LINE_OF_FIRE_SHAPES,
                                      hit, LINE_OF_FIRE_GROUPS, length) == nullptr;
}

// Toward the car he left while it is still there to go back to; there he
// stands, facing it. A car gone, wrecked or driven by someone is forgotten.
void CNormalPoliceController::WalkBackToCar()
{
    if (m_pCar == nullptr)
        return;
    if (!m_pCar->m_bInWorld || !m_pCar->m_bNotExploded || m_pCar->GetController() != nullptr) {
        m_pCar = nullptr;
        return;
    }
    if (!m_Pursuit.m_Target.IsSet())
        return;
    const D3DXVECTOR3 toCar = CarPosition(*m_pCar) + UP * AIM_HEIGHT - ActorPosition();
    const D3DXVECTOR3 facing = HorizontalDirection(m_pActor->m_Model.m_vFacing);
    const D3DXVECTOR3 direction = HorizontalDirection(toCar);
    const float ahead = D3DXVec3Dot(&facing, &direction);
    TurnTowardSide(HorizontalSide(facing, direction), ahead);
    if (ahead > FACING_COSINE && D3DXVec3LengthSq(&toCar) > BY_THE_CAR_SQ)
        Hold(ACTION_GAS);
}

// Exactly behind counts as fully to one side, so that he turns at all.
void CNormalPoliceController::TurnTowardSide(float side, float ahead)
{
    const float frame = g_FrameTimer.GetFrameTime();
    if (ahead < 0.0f) {
        m_Axes[AXIS_TURN] = frame * (side == 0.0f ? 1.0f : side) * TURN_BEHIND_RATE;
        return;
    }
    if (side != 0.0f)
        m_Axes[AXIS_TURN] = frame * side * TURN_RATE;
}

void CNormalPoliceController::SetActor(CGameActor* actor)
{
    m_pActor = actor;
    FollowActor(actor);
}

CChaseCarController* CNormalPoliceController::ActiveChase() const
{
    if (m_pAgent == nullptr || !m_pAgent->m_u8ChaseActive)
        return nullptr;
    return m_pAgent->GetChaseController();
}

void CNormalPoliceController::SetTarget(CGameActor* target)
{
    m_Pursuit.m_Target.SetActor(target);
    if (CChaseCarController* chase = ActiveChase())
        chase->SetTargetActor(target);
}

void CNormalPoliceController::SetTargetObject(CCollidableObject* object)
{
    m_Pursuit.m_Target.SetObject(object);
    if (CChaseCarController* chase = ActiveChase())
        chase->SetTargetObject(object);
}

void CNormalPoliceController::Forget(const CCollidableObject* object)
{
    m_Pursuit.Forget(object);
    m_Stack.Forget(object);
    if (m_pCar == object)
        m_pCar = nullptr;
    if (m_pTakenCar == object)
        m_pTakenCar = nullptr;
}
