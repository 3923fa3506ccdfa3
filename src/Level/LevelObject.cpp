#include "Level/LevelObject.h"

#include <algorithm>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/StepTrace.h"
#include "Display/Camera.h"
#include "Display/Occ_HOM.h"
#include "Level/TrafficLights.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxPhysics.h"

namespace {

const char* const KEYWORD_LEVEL_OBJECT = "LevelObject";
const char* const KEYWORD_ORIENTATION = "Orientation";
const char* const KEYWORD_COMPLEX_OBJECT = "ComplexObject";
const char* const KEYWORD_HULL_MAX = "HullMax";
const char* const KEYWORD_LIGHT_NUMBER = "LightControllerNumber";
const char* const KEYWORD_LIGHT_GROUP = "LightControllerGroup";
const char* const KEYWORD_EFFECT_TRAVEL = "EffectTravel";
const char* const KEYWORD_EFFECT_DESTROY = "EffectDestroy";
const char* const KEYWORD_SOUND_DESTROY = "SoundDestroy";
const char* const KEYWORD_MOVEABLE = "IsMoveAble";
const char* const KEYWORD_OTHER_SPAWN_POINT = "OtherSpawnPoint";
const char* const KEYWORD_OUTER_RADIUS = "OuterCollisionRadius";
const char* const KEYWORD_COLLISION_DATA = "CollisionData";
const char* const KEYWORD_CALCULATE_RADIUS = "CalculateRadius";

const int32_t NO_LIGHT = -1;
const float BOUNDS_START = 999999.0f;
const float GRAVITY = 9.8f;
// Two units under the surface an object rises with one more weight.
const float BUOYANCY_PER_DEPTH = 0.5f;
const float WATER_DAMPING = 0.9f;
const NxCollisionGroup LEVEL_OBJECT_GROUP = 1;
// A car that hits an object deals it this share of their relative speed.
const float IMPACT_SPEED_SHARE = 0.1f;

} // namespace

CLevelObject::CLevelObject()
{
    D3DXMatrixIdentity(&m_matWorld);
    CLevelObject::Init();
    BindComplexObject();
}

CLevelObject::CLevelObject(const CLevelObject& other)
    : CCollidableObject(other),
      CStdInterface(other),
      CAsset(other),
      m_TravelEffect(other.m_TravelEffect),
      m_DestroyEffect(other.m_DestroyEffect),
      m_ComplexObject(other.m_ComplexObject),
      m_matWorld(other.m_matWorld),
      m_OtherSpawnPoints(other.m_OtherSpawnPoints)
{
    CLevelObject::Init();
    m_bInitialised = other.m_bInitialised;
    m_bReady = other.m_bReady;
    m_matStart = other.m_matStart;
    m_fHullMax = other.m_fHullMax;
    m_fHull = other.m_fHull;
    m_iLightControllerNumber = other.m_iLightControllerNumber;
    m_iLightControllerGroup = other.m_iLightControllerGroup;
    m_CollisionFileName = other.m_CollisionFileName;
    BindComplexObject();
    // The copied description still looks at the prototype's matrices.
    if (m_CollisionObject.m_pMatrix != nullptr)
        PointCollisionAtOwnMatrices(m_CollisionObject.m_iKind);
}

bool CLevelObject::Init()
{
    CStdInterface::Init();
    m_u8Kind = KIND_LEVEL_OBJECT;
    D3DXMatrixIdentity(&m_matStart);
    m_fCulledTime = 0.0f;
    m_u8MayBeRecycled = 1;
    m_u8InWorld = 0;
    m_u8Removed = 0;
    m_fHullMax = 0.0f;
    m_fHull = 0.0f;
    m_u8Hidden = 1;
    m_iLightControllerNumber = NO_LIGHT;
    m_iLightControllerGroup = NO_LIGHT;
    m_u8RadiusFromTree = 0;
    m_iGridReferences = 0;
    m_u8PlacedByMission = 0;
    return true;
}

bool CLevelObject::Shutdown()
{
    ReleasePhysics();
    return true;
}

// The radius, kept, is the description's own.
void CLevelObject::PointCollisionAtOwnMatrices(int32_t kind)
{
    m_CollisionObject.Set(m_CollisionObject.m_fRadius, &m_matWorld, kind, m_ComplexObject.GetScaleAddress(),
                          m_CollisionObject.m_dwFlags, &m_ComplexObject.GetWorldMatrix());
}

// Copies of complex objects hang from nothing: this one follows the object.
void CLevelObject::BindComplexObject()
{
    m_ComplexObject.SetParentMatrix(&m_matWorld);
}

bool CLevelObject::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!ReadBlock(reader, KEYWORD_LEVEL_OBJECT))
        return false;
    ComputeBoundsFromMeshes();
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CLevelObject::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_ORIENTATION)) {
        m_matStart = reader.GetMatrix();
        m_matWorld = m_matStart;
        return true;
    }
    if (m_ComplexObject.ReadProperty(reader) || m_PhysicsObject.ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_COMPLEX_OBJECT)) {
        CComplexObject* prototype = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), prototype, true);
        if (prototype != nullptr)
            m_ComplexObject = *prototype;
        BindComplexObject();
        return true;
    }
    if (reader.Match(KEYWORD_HULL_MAX)) {
        m_fHullMax = reader.GetFloat();
        m_fHull = m_fHullMax;
        return true;
    }
    if (reader.Match(KEYWORD_LIGHT_NUMBER)) {
        m_iLightControllerNumber = reader.GetInteger();
        return true;
    }
    if (reader.Match(KEYWORD_LIGHT_GROUP)) {
        m_iLightControllerGroup = reader.GetInteger();
        return true;
    }
    if (reader.Match(KEYWORD_EFFECT_TRAVEL)) {
        ReadEffect(reader, m_TravelEffect);
        return true;
    }
    if (reader.Match(KEYWORD_EFFECT_DESTROY)) {
        ReadEffect(reader, m_DestroyEffect);
        return true;
    }
    if (reader.Match(KEYWORD_SOUND_DESTROY)) {
        reader.GetString();
        return true;
    }
    if (reader.Match(KEYWORD_MOVEABLE)) {
        m_bMoveable = reader.GetBool();
        return true;
    }
    if (reader.Match(KEYWORD_OTHER_SPAWN_POINT)) {
        m_OtherSpawnPoints.push_back(reader.GetVector3());
        return true;
    }
    if (reader.Match(KEYWORD_OUTER_RADIUS)) {
        m_CollisionObject.m_fRadius = reader.GetFloat();
        m_CollisionObject.m_fRadiusSq = m_CollisionObject.m_fRadius * m_CollisionObject.m_fRadius;
        return true;
    }
    if (reader.Match(KEYWORD_COLLISION_DATA)) {
        ReadCollisionData(reader);
        return true;
    }
    return false;
}

void CLevelObject::ReadEffect(CDataBuffer& reader, CEffect& effect)
{
    CEffect* prototype = nullptr;
    g_AssetManager.GetAsset(reader.GetString(), prototype, true);
    if (prototype != nullptr)
        effect = *prototype;
}

// "CalculateRadius" counts only right after the file name.
void CLevelObject::ReadCollisionData(CDataBuffer& reader)
{
    m_CollisionFileName = reader.GetString();
    m_CollisionObject.Load(m_CollisionFileName);
    if (!reader.Match(KEYWORD_CALCULATE_RADIUS))
        return;
    m_u8RadiusFromTree = 1;
    m_CollisionObject.m_fRadius = CCollisionBox::ComputeTreeRadius(m_CollisionObject.m_pRoot.get());
    m_CollisionObject.m_fRadiusSq = m_CollisionObject.m_fRadius * m_CollisionObject.m_fRadius;
}

void CLevelObject::ComputeBoundsFromMeshes()
{
    if (m_CollisionObject.m_fRadius != 0.0f)
        return;
    D3DXVECTOR3 low(BOUNDS_START, BOUNDS_START, BOUNDS_START);
    D3DXVECTOR3 high(-BOUNDS_START, -BOUNDS_START, -BOUNDS_START);
    bool measured = false;
    auto takeIn = [&](const std::vector<CDisplayObject3D>& parts) {
        for (const CDisplayObject3D& part : parts) {
            const CDisplayMesh* mesh = part.GetMesh();
            if (mesh == nullptr || !m_CollisionObject.BuildFromMesh(mesh->GetD3DXMesh()))
                continue;
            D3DXVec3Minimize(&low, &low, &m_CollisionObject.m_pRoot->m_vMin);
            D3DXVec3Maximize(&high, &high, &m_CollisionObject.m_pRoot->m_vMax);
            measured = true;
        }
    };
    takeIn(m_ComplexObject.GetOpaqueParts());
    takeIn(m_ComplexObject.GetTransparentParts());
    // A root that no mesh measured keeps its own box.
    if (!measured || !m_CollisionObject.m_pRoot)
        return;
    m_CollisionObject.m_pRoot->m_vMin = low;
    m_CollisionObject.m_pRoot->m_vMax = high;
    m_CollisionObject.ComputeRadius();
}

void CLevelObject::Spawn()
{
    const D3DXMATRIX* drawn = &m_ComplexObject.GetWorldMatrix();
    m_TravelEffect.SetMatrix(drawn);
    m_DestroyEffect.SetMatrix(drawn);
    if (m_TravelEffect.m_u8Compiled)
        m_TravelEffect.Start();
    m_u8Hidden = 0;
    PointCollisionAtOwnMatrices(COLLISION_KIND);
    // Drawn where it stands from the first frame, physics or none (the sun has none).
    m_ComplexObject.UpdateWorldMatrix();
    if (m_iLightControllerNumber >= 0 && m_iLightControllerGroup >= 0)
        g_TrafficLights.AddLamp(&m_ComplexObject, m_iLightControllerNumber, m_iLightControllerGroup);
}

void CLevelObject::CreatePhysics()
{
    // A second body would leave the first behind in the scene.
    ReleasePhysics();
    m_matWorld = m_matStart;
    if (m_PhysicsObject.m_fMass >= PHYSICS_STATIC_MASS)
        m_bMoveable = false;
    g_Physics.CreateBoxActor(m_bMoveable, &m_PhysicsObject.m_pActor);
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor != nullptr) {
        actor->setGlobalPosition(NxVec3(m_matStart._41, m_matStart._42, m_matStart._43));
        actor->setGlobalOrientation(ToNxOrientation(m_matStart));
        NxShape* unitBox = actor->getShapes()[0];
        const CCollisionBox* root = m_CollisionObject.m_pRoot.get();
        CCollisionObject::AddBoxShapes(actor, m_PhysicsObject.m_iMaterial, root, m_CollisionObject.m_pfScale);
        // Without boxes of its own the object keeps the unit box: an actor
        // never goes without a shape.
        if (root != nullptr) {
            unitBox->setGroup(COLLISION_GROUP_IGNORED);
            actor->releaseShape(*unitBox);
        }
        actor->updateMassFromShapes(0.0f, m_PhysicsObject.m_fMass);
        SetActorCollisionGroup(actor, LEVEL_OBJECT_GROUP);
    }
    LinkPhysicsActor();
    SyncPhysics();
}

void CLevelObject::SyncPhysics()
{
    const NxActor* actor = m_PhysicsObject.m_pActor;
    if (g_Physics.IsEnabled() && actor != nullptr)
        m_matWorld = ToD3DXMatrix(actor->getGlobalPose());
    m_ComplexObject.UpdateWorldMatrix();
}

void CLevelObject::Update()
{
    TraceStep("CLevelObject::Update");
    const D3DXMATRIX& drawn = m_ComplexObject.GetWorldMatrix();
    if (m_u8MayBeRecycled && g_pActiveCamera != nullptr && m_fCulledTime > RECYCLE_CULLED_SECONDS) {
        const D3DXVECTOR3 away = D3DXVECTOR3(drawn._41, drawn._42, drawn._43) - g_pActiveCamera->GetPosition();
        if (D3DXVec3Length(&away) > RECYCLE_DISTANCE)
            m_u8Removed = 1;
    }
    if (g_Physics.IsEnabled() && m_PhysicsObject.m_pActor != nullptr)
        ApplyPendingImpulse();
}

// The velocity change rides in the bounding box's first corner and the force
// in its second, from TakeDamage to here.
void CLevelObject::ApplyPendingImpulse()
{
    NxActor* actor = m_PhysicsObject.m_pActor;
    actor->setLinearVelocity(actor->getLinearVelocity() + ToNxVec3(m_BoundingBox.m_vMin));
    m_BoundingBox.m_vMin = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    actor->addForce(ToNxVec3(m_BoundingBox.m_vMax), NX_FORCE);
    m_BoundingBox.m_vMax = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_BoundingBox.m_u8Flag = 0;
}

void CLevelObject::QueueRender(ERenderPass pass)
{
    if (m_u8Hidden)
        return;
    const CCollisionBox* root = m_CollisionObject.m_pRoot.get();
    const bool culled = root != nullptr && IsBoxCulled(COccBoxRecord{&root->m_vMin, &root->m_vMax, &m_matWorld});
    if (pass == RENDER_PASS_MAIN)
        m_fCulledTime = culled ? m_fCulledTime + g_FrameTimer.GetFrameTime() : 0.0f;
    if (!culled)
        m_ComplexObject.AddToRender(false, false);
}

bool CLevelObject::TakeDamage(const CDamageInfo& damage, NxContactPair*)
{
    if (damage.m_bWater) {
        ApplyBuoyancy(damage);
        return true;
    }
    // A negative damage repairs, up to the maximum.
    m_fHull = std::min(std::max(m_fHull - damage.m_fDamage, 0.0f), m_fHullMax);
    return true;
}

// The object loses its weight in the water, rises with up to one more weight
// when two units or more under the surface, and is damped by its velocity.
// Only a body that moves can float.
void CLevelObject::ApplyBuoyancy(const CDamageInfo& water)
{
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor == nullptr || !actor->isDynamic())
        return;
    const float mass = actor->getMass();
    const float top = actor->getGlobalPosition().y + m_CollisionObject.GetScaledRadius();
    const float depth = std::min(std::max((water.m_fWaterLevel - top) * BUOYANCY_PER_DEPTH, 0.0f), 1.0f);
    const D3DXVECTOR3 weight(0.0f, GRAVITY * mass, 0.0f);
    const D3DXVECTOR3 velocity = ToD3DXVector(actor->getLinearVelocity());
    m_BoundingBox.m_vMax = weight + depth * weight - WATER_DAMPING * mass * velocity;
    m_BoundingBox.m_u8Flag = 1;
}

bool CLevelObject::OnContact(CCollidableObject* pOther, NxContactPair* pPair)
{
    if (pOther == nullptr || pPair == nullptr)
        return false;
    CDamageInfo damage;
    damage.m_pSource = this;
    if (pOther->m_u8Kind == KIND_CAR) {
        const D3DXVECTOR3 relative =
            pOther->m_PhysicsObject.GetLinearVelocity() - m_PhysicsObject.GetLinearVelocity();
        damage.m_fImpactSpeed = IMPACT_SPEED_SHARE * D3DXVec3Length(&relative);
    }
    return pOther->TakeDamage(damage, pPair);
}
