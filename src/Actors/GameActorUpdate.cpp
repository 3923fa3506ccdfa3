#include "Actors/GameActor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Actors/Projectile.h"
#include "Core/Clock.h"
#include "Core/StepTrace.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Game/CrimeManager.h"
#include "Input/Controller.h"
#include "Level/Level.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxUserContactReport.h"

namespace {

// The input actions an actor on foot reads.
enum {
    ACTION_JUMP = 9,
    ACTION_WALK = 10,
    ACTION_FIRE = 11,
    ACTION_FORWARD = 14,
    ACTION_BACKWARD = 15,
    ACTION_STRAFE_LEFT = 16,
    ACTION_STRAFE_RIGHT = 17,
    ACTION_WEAPON_SECONDARY = 19,
    ACTION_PREV_WEAPON = 39,
    ACTION_NEXT_WEAPON = 40,
};
enum { AXIS_TURN = 2, AXIS_PITCH = 3 };
enum { ROW_RIGHT = 0, ROW_UP = 1, ROW_FORWARD = 2, ROW_POSITION = 3 };

const char* const ANIMATION_IDLE = "Idle";
const char* const ANIMATION_WALK = "Walk";
const char* const ANIMATION_RUN = "Run";
const char* const ANIMATION_WALK_GUN = "WalkGun";
const char* const ANIMATION_RUN_GUN = "RunGun";
// The leap out of a car's way, and the death pose.
const char* const ANIMATION_JUMP_OUT_WAY = "JumpOutWay";

// Units per second squared, along the model's own axes.
const float ACCELERATION = 100.0f;
// The vertical speed a jump adds, times the up row's height.
const float JUMP_SPEED = 10.0f;
// Seconds after lift-off before the feet may end the jump.
const float JUMP_LIFT_OFF = 0.8f;
// A car is entered within this squared distance (21 units).
const float ENTER_CAR_RANGE_SQ = 441.0f;
// The model's animation clock runs at this share of the frame time.
const float ANIMATION_CLOCK_RATE = 0.06666667f;
const bool INTERPOLATE_KEYS = true;

// The arm swings about this axis of the uncorrected model.
const D3DXVECTOR3 ARM_AXIS(-1.0f, 0.0f, 0.15f);
// Added to the aim so that the gun points a little above the ray.
const float AIM_RAISE = 0.2f;
const float ARM_DOWN = 0.0f;
// Radians per second the arm falls once the gun is down.
const float ARM_FALL_RATE = D3DX_PI;

const float DROWNING_DEPTH = 4.0f;
const float DROWNING_DAMAGE_PER_SECOND = 5.0f;
// Bodies closer than this (squared) are not struck hard enough to hurt.
const float IMPACT_MIN_DISTANCE_SQ = 10.0f;

bool IsAnimation(const cObject& model, const char* name)
{
    const char* current = model.GetAnimationName();
    return current != nullptr && std::strcmp(current, name) == 0;
}

// Swaps the set without restarting the motion: a walk keeps its step when
// the gun comes up or goes down.
void SetAnimationKeepingTime(cObject& model, const char* name)
{
    const float time = model.GetAnimationTime();
    model.SetAnimation(name);
    model.SetAnimationTime(time);
}

float HorizontalSpeed(const D3DXVECTOR3& velocity)
{
    return std::sqrt(velocity.x * velocity.x + velocity.z * velocity.z);
}

// (vx, vz) from `speed` down to `limit`; vy as it is.
void SlowHorizontally(D3DXVECTOR3& velocity, float speed, float limit)
{
    const float scale = limit / speed;
    velocity.x *= scale;
    velocity.z *= scale;
}

float CameraFactor(const CCamera* camera)
{
    return camera != nullptr ? camera->m_fInverseZoom : 1.0f;
}

} // namespace

void CGameActor::Update()
{
    TraceStep("CGameActor::Update");
    NxActor* body = m_PhysicsObject.m_pActor;
    if (body == nullptr)
        return;
    m_dwFrameFlags = 0;
    m_vVelocity = ToD3DXVector(body->getLinearVelocity());
    if (m_pController != nullptr && m_bAlive) {
        if (m_pCar != nullptr)
            UpdateInCar();
        else
            UpdateOnFoot();
    }

    const float speed = HorizontalSpeed(m_vVelocity);
    if ((m_bRunning || m_bRunStrafing) && speed > m_fRunSpeed)
        SlowHorizontally(m_vVelocity, speed, m_fRunSpeed);
    else if ((m_bWalking || m_bWalkStrafing || m_bDodging) && speed > m_fWalkSpeed)
        SlowHorizontally(m_vVelocity, speed, m_fWalkSpeed);
    body->setLinearVelocity(ToNxVec3(m_vVelocity));
}

void CGameActor::UpdateOnFoot()
{
    if (m_bDodging) {
        JumpOutWay();
        return;
    }
    const uint8_t* actions = m_pController->GetActionCounters();
    const float* axes = m_pController->GetAxisValues();
    if (actions == nullptr || axes == nullptr)
        return;
    const D3DXMATRIX& object = m_Model.m_matObject;
    const float step = ACCELERATION * g_FrameTimer.GetFrameTime();

    if (IsActionHeld(actions, ACTION_PREV_WEAPON))
        PrevWeapon();
    else if (IsActionHeld(actions, ACTION_NEXT_WEAPON))
        NextWeapon();

    if (IsActionHeld(actions, ACTION_JUMP) && !m_bJumpLock) {
        m_bJumpLock = true;
        m_fJumpTimer = JUMP_LIFT_OFF;
        m_dwFrameFlags |= FRAME_FLAG_JUMPED;
        m_vVelocity.y += object._22 * JUMP_SPEED;
    }

    UpdateStride(actions, step);
    UpdateTurn(axes);

    m_bGunPose = m_bRocketLauncher;
    if (IsActionReleased(actions, ACTION_WEAPON_SECONDARY))
        UseWeaponSecondary();
    if (IsActionHeld(actions, ACTION_FIRE) && m_pCurrentWeapon != nullptr) {
        m_bGunPose = true;
        FireWeapon();
    }
    if (m_bGunPose) {
        if (m_bWalking)
            SetAnimationKeepingTime(m_Model, ANIMATION_WALK_GUN);
        else if (m_bRunning)
            SetAnimationKeepingTime(m_Model, ANIMATION_RUN_GUN);
    }

    if (IsActionReleased(actions, ACTION_GET_IN_CAR) && !m_bUseKeyConsumed && g_pLevel != nullptr) {
        const D3DXVECTOR3 placement = GetMatrixRow(m_Model.m_matScaledObject, ROW_POSITION);
        EnterCar(g_pLevel->FindClosestCar(placement, ENTER_CAR_RANGE_SQ));
    }
}

// Walk mode (the walk key held) or run mode: strafing along the right row,
// forward or back along the forward row, and the animation that goes with it.
void CGameActor::UpdateStride(const uint8_t* actions, float step)
{
    const bool walkMode = IsActionHeld(actions, ACTION_WALK);
    const D3DXVECTOR3 right = GetMatrixRow(m_Model.m_matObject, ROW_RIGHT);
    const D3DXVECTOR3 forward = GetMatrixRow(m_Model.m_matObject, ROW_FORWARD);

    const bool left = IsActionHeld(actions, ACTION_STRAFE_LEFT);
    const bool rightHeld = IsActionHeld(actions, ACTION_STRAFE_RIGHT);
    if (left)
        m_vVelocity -= right * step;
    if (rightHeld)
        m_vVelocity += right * step;
    bool& strafing = walkMode ? m_bWalkStrafing : m_bRunStrafing;
    if ((left || rightHeld) && !strafing) {
        strafing = true;
        (walkMode ? m_bRunStrafing : m_bWalkStrafing) = false;
    }

    const bool ahead = IsActionHeld(actions, ACTION_FORWARD);
    const bool back = !ahead && IsActionHeld(actions, ACTION_BACKWARD);
    if (ahead)
        m_vVelocity += forward * step;
    else if (back)
        m_vVelocity -= forward * step;

    if (!ahead && !back) {
        if (m_bWalking || m_bRunning)
            SetStrideAnimation(false, false, ANIMATION_IDLE);
        return;
    }
    if (walkMode && !m_bWalking)
        SetStrideAnimation(true, false, ANIMATION_WALK);
    else if (!walkMode && !m_bRunning)
        SetStrideAnimation(false, true, ANIMATION_RUN);
}

void CGameActor::SetStrideAnimation(bool walking, bool running, const char* animation)
{
    m_bWalking = walking;
    m_bRunning = running;
    m_bWalkStrafing = false;
    m_bRunStrafing = false;
    m_Model.SetAnimation(animation);
}

// The look axis turns the actor about its own up row; the other pitches the
// camera that follows it. Both slow down as the camera zooms in.
void CGameActor::UpdateTurn(const float* axes)
{
    CCamera* camera = m_pController->GetCamera();
    const float rate = CameraFactor(camera) * m_fTurnSpeed;
    if (axes[AXIS_TURN] != 0.0f)
        m_Model.RotateAboutAxis(GetMatrixRow(m_Model.m_matObject, ROW_UP), rate * axes[AXIS_TURN]);
    if (axes[AXIS_PITCH] != 0.0f && camera != nullptr)
        camera->AddPitch(rate * axes[AXIS_PITCH]);
}

void CGameActor::JumpOutWay()
{
    if (!IsAnimation(m_Model, ANIMATION_JUMP_OUT_WAY)) {
        m_bDodgeReady = false;
        m_Model.SetAnimation(ANIMATION_JUMP_OUT_WAY);
    }
    if (m_Model.IsAnimationFinished()) {
        m_bDodgeReady = true;
        m_bDodging = false;
        return;
    }
    m_vVelocity += GetMatrixRow(m_Model.m_matObject, ROW_FORWARD) * (ACCELERATION * g_FrameTimer.GetFrameTime());
}

void CGameActor::UpdateAnimation()
{
    const float dt = g_FrameTimer.GetFrameTime();
    NxActor* body = m_PhysicsObject.m_pActor;
    if (body != nullptr) {
        if (m_pCar == nullptr && g_Physics.IsEnabled()) {
            body->setGlobalOrientation(ToNxOrientation(m_Model.m_matObject));
            const D3DXVECTOR3 position = ToD3DXVector(body->getGlobalPosition());
            m_Model.SetPosition(&position);
        }
        // Keeps the body from tipping over.
        body->setAngularVelocity(NxVec3(0.0f, 0.0f, 0.0f));
        body->setAngularMomentum(NxVec3(0.0f, 0.0f, 0.0f));
    }

    m_Model.Update(dt * ANIMATION_CLOCK_RATE, INTERPOLATE_KEYS);
    m_Model.UpdateWorldMatrix();
    m_fJumpTimer -= dt;
    UpdateAim(dt);
    if (m_fAimAngle == ARM_DOWN && m_pCar == nullptr && m_bAlive) {
        if (m_bWalking)
            SetAnimationKeepingTime(m_Model, ANIMATION_WALK);
        else if (m_bRunning)
            SetAnimationKeepingTime(m_Model, ANIMATION_RUN);
    }
    RotateArm();
    if (!m_bAlive && !IsAnimation(m_Model, ANIMATION_JUMP_OUT_WAY))
        m_Model.SetAnimation(ANIMATION_JUMP_OUT_WAY);

    // The weapon hangs from the hand as the arm has just posed it.
    m_Model.UpdateModelMatrices();
    if (m_pCurrentWeapon != nullptr)
        m_pCurrentWeapon->Update();

    ApplyPendingPush();
    m_bUseKeyConsumed = false;
    m_bHurt = false;
}

// The arm falls while the gun is down; up, it points along the aim ray.
void CGameActor::UpdateAim(float dt)
{
    if (!m_bGunPose) {
        m_fAimAngle = std::min(std::max(m_fAimAngle - ARM_FALL_RATE * dt, ARM_DOWN), D3DX_PI);
        return;
    }
    D3DXVECTOR3 direction(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    GetAimRay(&direction, &origin);
    // Before the display sets a projection the ray is not a number: no aim.
    if (!std::isfinite(direction.x) || !std::isfinite(direction.y) || !std::isfinite(direction.z))
        direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const float length = D3DXVec3Length(&direction);
    const float downward = length != 0.0f ? -direction.y / length : -direction.y;
    m_fAimAngle = std::acos(std::min(std::max(downward, -1.0f), 1.0f)) + AIM_RAISE;
}

// Turns the ArmRot frames' posed local transforms about one pivot, the first
// frame's place plus the offset; entries without a frame are passed over.
// Without a playing set the frames are not posed afresh each frame, so the
// turn would pile up: it waits for one.
void CGameActor::RotateArm()
{
    if (m_fAimAngle <= ARM_DOWN || m_Model.GetCurrentSet() == nullptr)
        return;
    const auto framed = std::find_if(m_ArmRotFrames.begin(), m_ArmRotFrames.end(),
                                     [](const CArmRotFrame& entry) { return entry.m_pMatrix != nullptr; });
    if (framed == m_ArmRotFrames.end())
        return;
    const D3DXMATRIX* first = framed->m_pMatrix;
    D3DXVECTOR3 axis;
    D3DXVec3Normalize(&axis, &ARM_AXIS);
    D3DXVec3TransformNormal(&axis, &axis, &m_Model.m_matCorrection);
    const D3DXVECTOR3 pivot = GetMatrixRow(*first, ROW_POSITION) + m_vArmRotOffset;

    D3DXMATRIX toPivot;
    D3DXMATRIX rotation;
    D3DXMATRIX back;
    D3DXMatrixTranslation(&toPivot, -pivot.x, -pivot.y, -pivot.z);
    D3DXMatrixRotationAxis(&rotation, &axis, m_fAimAngle);
    D3DXMatrixTranslation(&back, pivot.x, pivot.y, pivot.z);
    const D3DXMATRIX turn = toPivot * rotation * back;
    for (CArmRotFrame& frame : m_ArmRotFrames) {
        if (frame.m_pMatrix != nullptr)
            *frame.m_pMatrix = *frame.m_pMatrix * turn;
    }
}

// What an explosion left in the bounding box's first corner.
void CGameActor::ApplyPendingPush()
{
    NxActor* body = m_PhysicsObject.m_pActor;
    if (body != nullptr)
        body->setLinearVelocity(body->getLinearVelocity() + ToNxVec3(m_BoundingBox.m_vMin));
    m_BoundingBox.m_vMin *= 0.0f;
    m_BoundingBox.m_u8Flag = 0;
}

bool CGameActor::TakeDamage(const CDamageInfo& damage, NxContactPair* /*pPair*/)
{
    const D3DXVECTOR3 placement = GetMatrixRow(m_Model.m_matScaledObject, ROW_POSITION);
    if (damage.m_bWater && placement.y + DROWNING_DEPTH < damage.m_fWaterLevel) {
        m_bHurt = true;
        m_fCurrentLife -= DROWNING_DAMAGE_PER_SECOND * g_FrameTimer.GetFrameTime();
    }
    if (damage.m_bDirectHit && m_pHeadShape != nullptr && damage.m_pHitShape == m_pHeadShape &&
        this != g_PlayerActor)
        m_fCurrentLife = 0.0f;
    m_fCurrentLife -= damage.m_fDamage;
    if (IsStruckHard(damage.m_pSource))
        m_fCurrentLife -= damage.m_fImpactDamage;
    if (m_fCurrentLife > 0.0f || !m_bAlive)
        return true;

    m_bAlive = false;
    // A body struck down by a car alone is an accident, not a murder.
    if (damage.m_fDamage != 0.0f)
        g_CrimeFile.ReportCrime(CRIME_MURDER, CrimeVictim(this), FindDamageOwner(damage), &placement);
    return true;
}

// Impact damage counts from bodies farther apart than a glancing touch; it
// takes both bodies to tell.
bool CGameActor::IsStruckHard(const CCollidableObject* pSource) const
{
    const NxActor* own = m_PhysicsObject.m_pActor;
    const NxActor* other = pSource != nullptr ? pSource->m_PhysicsObject.m_pActor : nullptr;
    if (own == nullptr || other == nullptr)
        return false;
    return (other->getGlobalPosition() - own->getGlobalPosition()).magnitudeSquared() > IMPACT_MIN_DISTANCE_SQ;
}

bool CGameActor::OnContact(CCollidableObject* pOther, NxContactPair* pPair)
{
    if (pPair == nullptr)
        return false;
    const int side = pPair->actors[1] == m_PhysicsObject.m_pActor ? 1 : 0;
    m_bTouching = false;
    m_bJumpLock = true;
    if (m_pFeetShape != nullptr && FeetTouch(*pPair, side)) {
        m_bTouching = true;
        if (m_fJumpTimer <= 0.0f)
            m_bJumpLock = false;
    }

    CDamageInfo damage;
    damage.m_pSource = this;
    if (pOther == nullptr)
        return true;
    return pOther->TakeDamage(damage, pPair);
}

bool CGameActor::FeetTouch(const NxContactPair& pair, int side) const
{
    NxContactStreamIterator it(pair.stream);
    while (it.goNextPair()) {
        if ((it.getShapeFlags() & NX_SF_IS_INVALID) || it.getShape(side) != m_pFeetShape)
            continue;
        while (it.goNextPatch())
            if (it.getNbPatchPoints() > 0)
                return true;
    }
    return false;
}
