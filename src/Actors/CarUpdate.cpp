// The car's frame: burning and the explosion, roll-over damage, the centre of
// mass, the drive at the tyre contacts, the wheels and meshes following the
// physics, and the removal of far, unseen cars. Then its side of the damage
// protocol.

#include "Actors/Car.h"

#include <algorithm>
#include <cmath>

#include "AI/AIControllerSet.h"
#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Game/CrimeManager.h"
#include "Input/Controller.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxShape.h"

namespace {

// The explosion's upward impulse per kilogram: metres per second.
const float EXPLOSION_LIFT = 20.38f;
const float EXPLODED_RECYCLE_DISTANCE = 10.0f;
// Radians between the body's up axis and straight down below which the car
// counts as upside down, and seconds it may lie so before the hull suffers.
const float UPSIDE_DOWN_ANGLE = 0.7853982f;
const float UPSIDE_DOWN_GRACE = 5.0f;
const float UPSIDE_DOWN_DAMAGE_RATE = 200.0f;
// Up to this tilt a car on its wheels keeps the script's centre of mass.
const float UPRIGHT_ANGLE = 1.0471976f;
// Airborne with less kinetic energy than this the centre of mass sinks below
// the script's so that the car lands on its wheels.
const float LOW_ENERGY = 200.0f;
const float LOW_ENERGY_HEIGHT_FACTOR = 1.1f;
const float LOW_ENERGY_RATE = 2.0f / 3.0f;
const float ORIGIN_RATE = 1.0f / 3.0f;
const float OFF_SCREEN_SECONDS = 2.0f;
const float MIN_SECONDS_IN_WORLD = 10.0f;
// Cars this slow neither deal nor take impact damage.
const float IMPACT_MIN_SPEED = 5.0f;
const float IMPACT_DAMAGE_FACTOR = 3.0f;
// The player burns when the car sinks this far below the water's surface.
const float DROWNING_DEPTH = 3.0f;
// A shot car's driver waits between these many seconds before reacting.
const float REACTION_DELAY = 5.0f;
const float REACTION_DELAY_SPREAD = 3.0f;
// A wanted level this high makes shooting a police car no further crime.
const int SHOOT_POLICE_CAR_WANTED_LIMIT = 2;

float RandomUnit()
{
    return static_cast<float>(g_RandomTable.Next()) / CRandomTable::MAX_VALUE;
}

float RandomSigned()
{
    return RandomUnit() * 2.0f - 1.0f;
}

// Moves `from` toward `to` by `fraction`, all the way above 1.
void MoveToward(D3DXVECTOR3& from, const D3DXVECTOR3& to, float fraction)
{
    from += (to - from) * std::min(fraction, 1.0f);
}

// The angle between `axis` and straight up (sign 1) or down (sign -1).
float AngleToVertical(const NxVec3& axis, float sign)
{
    const float length = axis.magnitude();
    if (length == 0.0f)
        return 0.0f;
    return std::acos(std::clamp(sign * axis.y / length, -1.0f, 1.0f));
}

D3DMATERIAL8 BurntMaterial()
{
    D3DMATERIAL8 material{};
    material.Diffuse = {0.0f, 0.0f, 0.0f, 1.0f};
    material.Ambient = {0.05f, 0.05f, 0.05f, 1.0f};
    material.Specular = {0.1f, 0.1f, 0.1f, 1.0f};
    material.Emissive = {0.095f, 0.075f, 0.05f, 1.0f};
    return material;
}

bool IsPolice(const CController* controller)
{
    if (controller == nullptr)
        return false;
    const CAIControllerSet* agent = controller->GetAgent();
    return agent != nullptr && agent->m_u8PoliceActive != 0;
}

D3DXVECTOR3 ActorPosition(const CGameActor& actor)
{
    const D3DXMATRIX& placement = actor.m_Model.m_matScaledObject;
    return D3DXVECTOR3(placement._41, placement._42, placement._43);
}

NxVec3 VelocityOf(const CCollidableObject& object)
{
    const NxActor* actor = object.m_PhysicsObject.m_pActor;
    return actor != nullptr && actor->isDynamic() ? actor->getLinearVelocity() : NxVec3(0.0f, 0.0f, 0.0f);
}

} // namespace

void CCar::Update()
{
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor == nullptr)
        return;
    const float dt = g_FrameTimer.GetFrameTime();
    if (m_fHull < 0.0f)
        UpdateBurning(dt);
    UpdateUpsideDown(dt);
    UpdateCenterOfMass(dt);
    ApplyTireContacts();
    UpdateWheels(dt);
    FollowActor(dt);
    UpdateRemoval();
    D3DXVECTOR3& pending = GetPendingVelocityChange();
    actor->setLinearVelocity(actor->getLinearVelocity() + ToNxVec3(pending));
    pending = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void CCar::UpdateBurning(float dt)
{
    if (m_SmokingEffect.m_u8Running == 0 && m_bNotExploded)
        m_SmokingEffect.Start();
    m_fExplosionTimer -= dt;
    if (m_fExplosionTimer >= 0.0f)
        return;
    if (m_bNotExploded)
        Explode();
    m_ExplosionEffect.Start();
    if (m_pController == nullptr) {
        m_fRecycleDistance = EXPLODED_RECYCLE_DISTANCE;
        return;
    }
    if (CAIControllerSet* agent = m_pController->GetAgent())
        agent->m_fViewRange = CAIControllerSet::EXPLODED_VIEW_RANGE;
}

void CCar::Explode()
{
    NxActor& actor = *m_PhysicsObject.m_pActor;
    const float a = RandomSigned();
    const float b = RandomSigned();
    for (CDoor& door : m_Doors)
        door.SetBreakable(CDoor::EXPLOSION_BREAKING_FORCE, CDoor::EXPLOSION_BREAKING_TORQUE);
    // Off the car's centre line, so that the car tumbles as it jumps.
    const float mass = m_PhysicsObject.m_fMass;
    actor.addForceAtPos(NxVec3(0.0f, mass * EXPLOSION_LIFT, 0.0f), actor.getGlobalPosition() + NxVec3(b, 0.0f, a),
                        NX_IMPULSE);
    m_bNotExploded = false;
    m_SmokingEffect.Stop();
    // This frame's contacts name the capsules about to go.
    m_TireContacts.clear();
    for (CTire& tire : m_Tires) {
        if (tire.m_pShape != nullptr)
            actor.releaseShape(*tire.m_pShape);
        tire.m_pShape = nullptr;
    }
    m_uActiveTires = 0;
    actor.updateMassFromShapes(0.0f, mass);
    m_bBurnt = true;
    static const D3DMATERIAL8 burnt = BurntMaterial();
    const int everyPart = -1;
    m_Body.SetColour(everyPart, &burnt, true);
    for (CDoor& door : m_Doors)
        door.m_Mesh.SetColour(everyPart, &burnt, true);
    // The lamps are burnt now, not lit.
    m_bBrakeLightsLit = false;
    StopHorn();
}

void CCar::UpdateUpsideDown(float dt)
{
    const NxVec3 up = m_PhysicsObject.m_pActor->getGlobalOrientation().getColumn(1);
    if (AngleToVertical(up, -1.0f) < UPSIDE_DOWN_ANGLE)
        m_fUpsideDownTime += dt;
    else
        m_fUpsideDownTime = 0.0f;
    if (m_fUpsideDownTime > UPSIDE_DOWN_GRACE)
        m_fHull -= UPSIDE_DOWN_DAMAGE_RATE * dt;
}

// In the air a car's centre of mass drops so that it lands on its wheels; on
// them it stays the script's while the car is upright.
void CCar::UpdateCenterOfMass(float dt)
{
    NxActor& actor = *m_PhysicsObject.m_pActor;
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    if (m_TireContacts.empty()) {
        const float energy = actor.computeKineticEnergy();
        if (energy > 0.0f && energy < LOW_ENERGY) {
            const D3DXVECTOR3 low(m_vScriptCenterOfMass.x, LOW_ENERGY_HEIGHT_FACTOR * m_vScriptCenterOfMass.y,
                                  m_vScriptCenterOfMass.z);
            MoveToward(m_vCenterOfMassOffset, low, dt * LOW_ENERGY_RATE);
        } else {
            MoveToward(m_vCenterOfMassOffset, origin, dt * ORIGIN_RATE);
        }
        actor.setCMassOffsetLocalPosition(ToNxVec3(m_vCenterOfMassOffset));
        return;
    }
    const NxVec3 up = actor.getGlobalOrientation().getColumn(1);
    if (AngleToVertical(up, 1.0f) <= UPRIGHT_ANGLE) {
        actor.setCMassOffsetLocalPosition(ToNxVec3(m_vScriptCenterOfMass));
        return;
    }
    MoveToward(m_vCenterOfMassOffset, origin, dt * ORIGIN_RATE);
    actor.setCMassOffsetLocalPosition(ToNxVec3(m_vCenterOfMassOffset));
}

void CCar::ApplyTireContacts()
{
    for (const CTireContact& contact : m_TireContacts) {
        const CTireOwner* owner =
            contact.m_pShape != nullptr ? static_cast<const CTireOwner*>(contact.m_pShape->userData) : nullptr;
        if (owner == nullptr || owner->m_pTire == nullptr)
            continue;
        CTire& tire = *owner->m_pTire;
        tire.m_vContactPoint = contact.m_vPoint;
        tire.m_uNoContact = 0;
        ApplyDrive(tire, ToNxVec3(contact.m_vPoint));
    }
    m_TireContacts.clear();
}

void CCar::UpdateWheels(float dt)
{
    const NxActor& actor = *m_PhysicsObject.m_pActor;
    const D3DXMATRIX pose = ToD3DXMatrix(actor.getGlobalPose());
    const NxVec3 velocity = actor.getLinearVelocity();
    const float along = GetActorForward().dot(velocity);
    const float distance = velocity.magnitude() * dt;
    const size_t active = std::min<size_t>(m_uActiveTires, m_Tires.size());
    for (size_t i = 0; i < active; ++i) {
        CTire& tire = m_Tires[i];
        tire.UpdatePose(pose);
        if (along == 0.0f || tire.m_fRadius <= 0.0f)
            continue;
        const float turn = (along > 0.0f ? distance : -distance) / tire.m_fRadius;
        D3DXMATRIX spin;
        D3DXMatrixRotationX(&spin, turn);
        D3DXMatrixMultiply(&tire.m_matSpin, &tire.m_matSpin, &spin);
    }
}

void CCar::FollowActor(float dt)
{
    const NxActor& actor = *m_PhysicsObject.m_pActor;
    m_Body.SetLocalMatrix(ToD3DXMatrix(actor.getGlobalPose()));
    m_Body.UpdateWorldMatrix();
    for (CDoor& door : m_Doors)
        door.UpdatePose();
    if (!m_Seats.empty())
        D3DXMatrixMultiply(&m_matDriverSeat, &m_Seats[0], &m_Body.GetWorldMatrix());

    m_SmokingEffect.Update(dt);
    m_ExplosionEffect.Update(dt);
    const D3DXVECTOR3 position = ToD3DXVector(actor.getGlobalPosition());
    const D3DXVECTOR3 velocity = ToD3DXVector(actor.getLinearVelocity());
    if (m_bHornPlaying)
        m_Horn.SetPosition(&position, &velocity);
    m_Engine.UpdateSound(position, velocity);
    m_Exhaust.Update(0, dt);
    if (m_bInWorld)
        m_fTimeInWorld += dt;
}

void CCar::UpdateRemoval()
{
    if (!m_bRecyclable || g_pActiveCamera == nullptr)
        return;
    const D3DXVECTOR3 away = GetWorldPosition() - g_pActiveCamera->GetPosition();
    if (D3DXVec3Length(&away) > m_fRecycleDistance && m_fOffScreenTime > OFF_SCREEN_SECONDS &&
        m_fTimeInWorld > MIN_SECONDS_IN_WORLD)
        m_bRemoved = true;
}

D3DXVECTOR3 CCar::GetWorldPosition() const
{
    if (const NxActor* actor = m_PhysicsObject.m_pActor)
        return ToD3DXVector(actor->getGlobalPosition());
    const D3DXMATRIX& body = m_Body.GetWorldMatrix();
    return D3DXVECTOR3(body._41, body._42, body._43);
}

bool CCar::OnContact(CCollidableObject* pOther, NxContactPair* pPair)
{
    if (pOther == nullptr || pPair == nullptr)
        return false;
    CDamageInfo damage;
    if (pOther->m_u8Kind != KIND_LEVEL_OBJECT) {
        const NxVec3 own = VelocityOf(*this);
        const float closing = (VelocityOf(*pOther) - own).magnitude();
        if (own.magnitude() >= IMPACT_MIN_SPEED && closing >= IMPACT_MIN_SPEED) {
            damage.m_fImpactDamage = g_FrameTimer.GetFrameTime() * closing * IMPACT_DAMAGE_FACTOR;
            damage.m_pSource = this;
        }
    }
    return pOther->TakeDamage(damage, pPair);
}

bool CCar::TakeDamage(const CDamageInfo& damage, NxContactPair* /*pPair*/)
{
    const D3DXVECTOR3 position = GetWorldPosition();
    if (damage.m_bWater && g_PlayerActor != nullptr && g_PlayerActor->m_pCar == this &&
        position.y + DROWNING_DEPTH < damage.m_fWaterLevel)
        g_PlayerActor->TakeBurnDamage();

    CGameActor* attacker = FindAttacker(damage);
    const intptr_t victim = CrimeVictim(this);
    if (damage.m_bDirectHit) {
        ReactToDirectHit(attacker);
        if (IsGasTank(damage.m_pHitShape)) {
            g_CrimeFile.ReportCrime(CRIME_CAR_EXPLOSION, victim, attacker, &position);
            m_fHull = 0.0f;
            m_fExplosionTimer = 0.0f;
        }
    }
    if (m_fHull > 0.0f && m_fHull - damage.m_fDamage < 0.0f && damage.m_u8Kind == CDamageInfo::KIND_PROJECTILE)
        g_CrimeFile.ReportCrime(CRIME_CAR_EXPLOSION, victim, attacker, &position);
    m_fHull -= damage.m_fDamage;
    m_fHull -= damage.m_fImpactDamage;
    return true;
}

CGameActor* CCar::FindAttacker(const CDamageInfo& damage)
{
    return FindDamageOwner(damage);
}

// Without an actor behind the hit nobody is blamed and nobody is sought.
void CCar::ReactToDirectHit(CGameActor* attacker)
{
    if (m_pController == nullptr || attacker == nullptr || IsPolice(attacker->m_pController))
        return;
    m_pController->m_AlarmPoint = ActorPosition(*attacker);
    if (IsPolice(m_pController)) {
        if (static_cast<int>(attacker->m_fWantedLevel) < SHOOT_POLICE_CAR_WANTED_LIMIT) {
            const D3DXVECTOR3 position = GetWorldPosition();
            g_CrimeFile.ReportCrime(CRIME_SHOOT_POLICE_CAR, CrimeVictim(this), attacker, &position);
        }
        return;
    }
    m_pController->SetDelay(REACTION_DELAY + REACTION_DELAY_SPREAD * RandomUnit());
}

bool CCar::IsGasTank(const NxShape* shape) const
{
    if (shape == nullptr)
        return false;
    for (const CGasTankShape& tank : m_GasTanks)
        if (tank.m_pShape == shape)
            return true;
    return false;
}
