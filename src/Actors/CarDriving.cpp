// The driver's actions into the car's drive, steering, lights and horn. The
// player and every AI driver go through the same controller bytes.

#include "Actors/Car.h"

#include <algorithm>
#include <cmath>

#include "Core/Clock.h"
#include "Input/Controller.h"
#include "Input/InputManager.h"
#include "Physics/PhysicsMath.h"
#include "Sound/Radio.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxShape.h"

namespace {

enum { FIRST_REAR_TIRE = 2, SECOND_REAR_TIRE = 3 };
const int BRAKE_LIGHT_GROUP = 4;
// Rolling without gas or brake slows the car by this much of its speed.
const float COASTING_DRAG = 0.1f;
// The rear wheels counter-steer by this share of the steer angle.
const float HAND_BRAKE_COUNTER_STEER = -0.5f;
// Below this speed the hand brake only lets the car coast.
const float HAND_BRAKE_MIN_SPEED = 0.5f;
const float HAND_BRAKE_DECELERATION_FACTOR = 2.0f;

D3DMATERIAL8 BrakeLightMaterial()
{
    const D3DCOLORVALUE red = {1.0f, 0.0f, 0.0f, 1.0f};
    D3DMATERIAL8 material{};
    material.Diffuse = red;
    material.Ambient = red;
    material.Specular = red;
    material.Emissive = red;
    material.Power = 1.0f;
    return material;
}

// A turn by `angle` about the vertical axis followed by the capsule's own
// flip that points it down the suspension.
NxMat33 RearCapsuleOrientation(float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return NxMat33(NxVec3(-c, 0.0f, s), NxVec3(0.0f, -1.0f, 0.0f), NxVec3(s, 0.0f, c));
}

} // namespace

void CCar::UpdateDriving()
{
    if (!g_Physics.IsEnabled())
        return;
    const float speed = GetForwardSpeed();
    const uint8_t* actions = m_pController != nullptr ? m_pController->GetActionCounters() : nullptr;
    if (actions == nullptr) {
        m_fDriveAcceleration = -COASTING_DRAG * speed;
        m_bAlongVelocity = speed > 0.0f;
        // The driver got out with the horn or the brake held.
        StopDriverSignals();
        return;
    }

    bool brakeLights = false;
    if (IsActionHeld(actions, ACTION_GAS)) {
        m_fDriveAcceleration = m_Engine.GetTopSpeed() > speed ? m_Engine.GetAcceleration(speed) : 0.0f;
        m_bAlongVelocity = false;
    } else if (IsActionHeld(actions, ACTION_BRAKE)) {
        m_fDriveAcceleration = speed <= -m_fMaxSpeedReverse ? 0.0f : -m_fDeceleration;
        m_bAlongVelocity = speed >= 0.0f;
        brakeLights = m_bAlongVelocity;
    } else {
        m_fDriveAcceleration = -COASTING_DRAG * speed;
        m_bAlongVelocity = speed >= 0.0f;
    }
    SetBrakeLights(brakeLights);

    UpdateHandBrake(actions, speed);
    UpdateSteering(actions, g_FrameTimer.GetFrameTime());
    SteerTires();
    if (m_pController->GetKind() == CController::KIND_LOCAL)
        g_Radio.Update();
    UpdateHorn(IsActionHeld(actions, ACTION_HORN));
    if (g_CarEditMode != 0)
        EditTuning();
}

void CCar::UpdateHandBrake(const uint8_t* actions, float speed)
{
    const bool held = IsActionHeld(actions, ACTION_HAND_BRAKE);
    const NxMat33 rear = RearCapsuleOrientation(held ? HAND_BRAKE_COUNTER_STEER * m_fSteerAngle : 0.0f);
    for (size_t index : {FIRST_REAR_TIRE, SECOND_REAR_TIRE})
        if (index < m_Tires.size() && m_Tires[index].m_pShape != nullptr)
            m_Tires[index].m_pShape->setLocalOrientation(rear);
    if (!held)
        return;
    if (speed > HAND_BRAKE_MIN_SPEED)
        m_fDriveAcceleration = -HAND_BRAKE_DECELERATION_FACTOR * m_fDeceleration;
    else if (speed < -HAND_BRAKE_MIN_SPEED)
        m_fDriveAcceleration = HAND_BRAKE_DECELERATION_FACTOR * m_fDeceleration;
    else
        m_fDriveAcceleration = -COASTING_DRAG * speed;
    m_bAlongVelocity = speed > 0.0f;
}

void CCar::UpdateSteering(const uint8_t* actions, float dt)
{
    const bool right = IsActionHeld(actions, ACTION_TURN_RIGHT);
    const bool left = IsActionHeld(actions, ACTION_TURN_LEFT);
    if (right) {
        // Both held: the newer press wins, turning right from straight.
        if (left)
            m_fSteerAngle = 0.0f;
        m_fSteerAngle += dt * m_fSteerAngleDelta;
    } else if (left) {
        m_fSteerAngle -= dt * m_fSteerAngleDelta;
    } else {
        m_fSteerAngle = 0.0f;
    }
    m_fSteerAngle = std::clamp(m_fSteerAngle, -m_fSteerAngleMax, m_fSteerAngleMax);
}

// The steering capsule keeps its own middle column; its first and third turn
// by the steer angle, which makes the stored orientation a reflection as the
// tyre solver expects.
void CCar::SteerTires()
{
    const float c = std::cos(m_fSteerAngle);
    const float s = std::sin(m_fSteerAngle);
    const size_t active = std::min<size_t>(m_uActiveTires, m_Tires.size());
    for (size_t i = 0; i < active; ++i) {
        CTire& tire = m_Tires[i];
        if (tire.m_iDriveType != CTire::DRIVE_STEERS && tire.m_iDriveType != CTire::DRIVE_STEERS_DRIVEN)
            continue;
        D3DXMatrixRotationY(&tire.m_matSteer, m_fSteerAngle);
        if (tire.m_pShape == nullptr)
            continue;
        NxMat33 orientation = tire.m_pShape->getLocalOrientation();
        orientation.setColumn(0, NxVec3(c, 0.0f, -s));
        orientation.setColumn(2, NxVec3(s, 0.0f, c));
        tire.m_pShape->setLocalOrientation(orientation);
    }
}

void CCar::UpdateHorn(bool held)
{
    if (!held) {
        StopHorn();
        return;
    }
    if (m_bHornPlaying)
        return;
    const D3DXMATRIX& body = m_Body.GetWorldMatrix();
    const D3DXVECTOR3 position(body._41, body._42, body._43);
    const NxActor* actor = m_PhysicsObject.m_pActor;
    const D3DXVECTOR3 velocity = actor != nullptr ? ToD3DXVector(actor->getLinearVelocity()) : D3DXVECTOR3(0, 0, 0);
    m_Horn.Play3D(&position, &velocity);
    m_bHornPlaying = true;
}

// A horn that never played has no channel to stop.
void CCar::StopHorn()
{
    if (m_Horn.GetChannel() >= 0)
        m_Horn.Stop();
    m_bHornPlaying = false;
}

// The horn and the brake lights last only while someone holds them.
void CCar::StopDriverSignals()
{
    StopHorn();
    // Only lit lamps go back, so that the burnt paint stays on a wreck.
    if (m_bBrakeLightsLit)
        SetBrakeLights(false);
}

void CCar::SetBrakeLights(bool on)
{
    static const D3DMATERIAL8 red = BrakeLightMaterial();
    m_Body.SetColour(BRAKE_LIGHT_GROUP, &red, on);
    m_bBrakeLightsLit = on;
}

void CCar::ApplyDrive(const CTire& tire, const NxVec3& point)
{
    if (tire.m_iDriveType != CTire::DRIVE_DRIVEN && tire.m_iDriveType != CTire::DRIVE_STEERS_DRIVEN)
        return;
    NxActor& actor = *m_PhysicsObject.m_pActor;
    const float push = m_fDriveAcceleration * actor.getMass();
    if (m_bAlongVelocity) {
        NxVec3 direction = actor.getLinearVelocity();
        if (direction.magnitude() > 0.0f)
            direction.normalize();
        actor.addForce(direction * push, NX_FORCE);
        return;
    }
    const bool ownAxis = tire.m_iDriveType == CTire::DRIVE_STEERS_DRIVEN && tire.m_pShape != nullptr;
    const NxVec3 forward = ownAxis ? tire.m_pShape->getGlobalPose().M.getColumn(2) : GetActorForward();
    actor.addForceAtPos(forward * push, point, NX_FORCE);
}
