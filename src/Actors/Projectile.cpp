#include "Actors/Projectile.h"

#include <algorithm>
#include <cmath>

#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Core/Utility.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxPhysics.h"

const EnumName g_DamageTypeNames[] = {
    {"NORMAL", PROJECTILE_DAMAGE_NORMAL},
    {"COLLISION", PROJECTILE_DAMAGE_COLLISION},
    {"EXPLOSION", PROJECTILE_DAMAGE_EXPLOSION},
};
const size_t g_DamageTypeNameCount = sizeof(g_DamageTypeNames) / sizeof(g_DamageTypeNames[0]);

const EnumName g_StageEndActionNames[] = {
    {"NONE", STAGE_END_NONE},
    {"DELETE_SELF", STAGE_END_DELETE_SELF},
    {"NEXT_STAGE", STAGE_END_NEXT_STAGE},
    {"NEXT_STAGE_NEXTFRAME", STAGE_END_NEXT_STAGE_NEXTFRAME},
};
const size_t g_StageEndActionNameCount = sizeof(g_StageEndActionNames) / sizeof(g_StageEndActionNames[0]);

const EnumName g_SpreadTypeNames[] = {
    {"NONE", SPREAD_NONE},
    {"SPHERICAL", SPREAD_SPHERICAL},
};
const size_t g_SpreadTypeNameCount = sizeof(g_SpreadTypeNames) / sizeof(g_SpreadTypeNames[0]);

const EnumName g_GuidanceTypeNames[] = {
    {"NORMAL", GUIDANCE_NORMAL},
    {"IR", GUIDANCE_IR},
};
const size_t g_GuidanceTypeNameCount = sizeof(g_GuidanceTypeNames) / sizeof(g_GuidanceTypeNames[0]);

const EnumName g_ProjectileTypeNames[] = {
    {"NONE", PROJECTILE_TYPE_NONE},
    {"DIRECTFIRE", PROJECTILE_TYPE_DIRECTFIRE},
    {"ROCKET", PROJECTILE_TYPE_ROCKET},
    {"BOMB", PROJECTILE_TYPE_BOMB},
};
const size_t g_ProjectileTypeNameCount = sizeof(g_ProjectileTypeNames) / sizeof(g_ProjectileTypeNames[0]);

namespace {

const char* const KEYWORD_NUM_STAGES = "NumStages";
const char* const KEYWORD_STAGE = "Stage";
const char* const KEYWORD_PROJECTILE_TYPE = "ProjectileType";
const char* const KEYWORD_MASS = "Mass";
const char* const KEYWORD_EXPLODE_SFX = "ExplodeSFX";
const char* const KEYWORD_DETONATE_STAGE = "DetonateStage";
const char* const KEYWORD_COLLISION_DATA = "CollisionData";
const char* const KEYWORD_CALCULATE_RADIUS = "CalculateRadius";
const char* const KEYWORD_DAMAGE_TYPE = "DamageType";
const char* const KEYWORD_SPREAD_TYPE = "SpreadType";
const char* const KEYWORD_MOVEMENT_TYPE = "MovementType";
const char* const KEYWORD_EFFECT = "Effect";
const char* const KEYWORD_SOUND = "Sound";

// The stage keywords that read one value straight into the stage record.
struct FloatKeyword {
    const char* m_Keyword;
    float CProjectileStage::*m_pMember;
};
const FloatKeyword STAGE_FLOATS[] = {
    {"Damage", &CProjectileStage::m_fDamage},     {"Range", &CProjectileStage::m_fRange},
    {"Radius", &CProjectileStage::m_fRadius},     {"TopSpeed", &CProjectileStage::m_fTopSpeed},
    {"TurnSpeed", &CProjectileStage::m_fTurnSpeed}, {"HullMax", &CProjectileStage::m_fHullMax},
};
struct IntKeyword {
    const char* m_Keyword;
    int CProjectileStage::*m_pMember;
};
const IntKeyword STAGE_INTS[] = {
    {"Duration", &CProjectileStage::m_iDuration},
    {"Delay", &CProjectileStage::m_iDelay},
};
struct BoolKeyword {
    const char* m_Keyword;
    bool CProjectileStage::*m_pMember;
};
const BoolKeyword STAGE_SWITCHES[] = {
    {"ClearCollisions", &CProjectileStage::m_bClearCollisions},
    {"SpawnPhysics", &CProjectileStage::m_bSpawnPhysics},
    {"KillPhysics", &CProjectileStage::m_bKillPhysics},
    {"FollowLastHitObject", &CProjectileStage::m_bFollowLastHitObject},
    {"KeepInitialVel", &CProjectileStage::m_bKeepInitialVel},
    {"ZNormalOnCollision", &CProjectileStage::m_bZNormalOnCollision},
    {"ResetParentMatrix", &CProjectileStage::m_bResetParentMatrix},
    {"ChangeSphereSize", &CProjectileStage::m_bChangeSphereSize},
};
struct FlagKeyword {
    const char* m_Keyword;
    uint8_t CProjectileStage::*m_pMember;
};
const FlagKeyword STAGE_FLAGS[] = {
    {"EffectEndFlags", &CProjectileStage::m_u8EffectEndFlags},
    {"DestroyFlags", &CProjectileStage::m_u8DestroyFlags},
    {"HitFlags", &CProjectileStage::m_u8HitFlags},
    {"DelayFlags", &CProjectileStage::m_u8DelayFlags},
    {"RadiusFlags", &CProjectileStage::m_u8RadiusFlags},
    {"RangeFlags", &CProjectileStage::m_u8RangeFlags},
};

// Loaded stages start from this radius.
const float LOADED_STAGE_RADIUS = 1.0f;
// What the collision record calls a projectile in flight.
const int32_t FLIGHT_COLLISION_KIND = 2;
// A NORMAL hit's shove along the shot, and how much harder a car is shoved.
const float HIT_IMPULSE = 30.0f;
const float CAR_IMPULSE_FACTOR = 3.0f;
// Rays see groups 0 to 14 only.
const NxU32 RAY_GROUP_MASK = 0x7fff;
// Drawn by the physics overlay.
const NxU32 BODY_SHAPE_FLAGS = 8;
// The mass then comes from the total alone.
const float BODY_DENSITY = 0.0f;
// A body the script does not weigh is weighed as the unit box actors are.
const float UNWEIGHED_BODY_DENSITY = 10.0f;

enum { ROW_FORWARD = 2, ROW_POSITION = 3 };

template <class Table>
auto FindKeyword(CDataBuffer& reader, const Table& table) -> decltype(&table[0])
{
    for (const auto& row : table)
        if (reader.Match(row.m_Keyword))
            return &row;
    return nullptr;
}

} // namespace

CProjectile::CProjectile()
{
    CProjectile::Init();
}

CProjectile::CProjectile(const CProjectile& other) : CCollidableObject(other), CStdInterface(other), CAsset(other)
{
    CopyFrom(other);
}

CProjectile& CProjectile::operator=(const CProjectile& other)
{
    if (this == &other)
        return *this;
    // A slot taken from the pool keeps no body from its last shot.
    ReleasePhysics();
    CCollidableObject::operator=(other);
    CStdInterface::operator=(other);
    CAsset::operator=(other);
    CopyFrom(other);
    return *this;
}

CProjectile::~CProjectile() = default;

void CProjectile::CopyFrom(const CProjectile& other)
{
    m_iDetonateStage = other.m_iDetonateStage;
    m_iPendingStage = other.m_iPendingStage;
    m_vInitialVelocity = other.m_vInitialVelocity;
    m_pOwner = other.m_pOwner;
    m_CollisionDataFile = other.m_CollisionDataFile;
    m_u32NumStages = other.m_u32NumStages;
    std::copy(std::begin(other.m_Stages), std::end(other.m_Stages), std::begin(m_Stages));
    m_u8ProjectileType = other.m_u8ProjectileType;
    m_pFollowedMatrix = other.m_pFollowedMatrix;
    m_vContactNormal = other.m_vContactNormal;
    m_bHasContactNormal = other.m_bHasContactNormal;
    m_pParentMatrix = other.m_pParentMatrix;
    m_matWorld = other.m_matWorld;
    m_matFinal = other.m_matFinal;
    m_vLaunchPosition = other.m_vLaunchPosition;
    m_vLaunchDirection = other.m_vLaunchDirection;
    m_ExplodeSFX = other.m_ExplodeSFX;
    m_iCurrentStage = other.m_iCurrentStage;
    m_fSpeed = other.m_fSpeed;
    m_fHull = other.m_fHull;
    m_fStageDistance = other.m_fStageDistance;
    m_fRadius = other.m_fRadius;
    m_u32DelayCounter = other.m_u32DelayCounter;
    m_bShrinking = other.m_bShrinking;
    m_bAlive = other.m_bAlive;
    m_bFinished = other.m_bFinished;
    m_IgnoreList = other.m_IgnoreList;
    m_SavedGroups = other.m_SavedGroups;
    m_vLastHitPoint = other.m_vLastHitPoint;
    m_vStrikeDirection = other.m_vStrikeDirection;
    m_pLastHitShape = other.m_pLastHitShape;
    // The record's matrices are this projectile's own.
    m_CollisionObject.m_pMatrix = &m_matWorld;
    m_CollisionObject.m_pDrawMatrix = other.m_CollisionObject.m_pDrawMatrix == &other.m_matFinal ? &m_matFinal
                                                                                                 : &m_matWorld;
}

bool CProjectile::Init()
{
    m_iDetonateStage = NEXT_STAGE;
    m_iPendingStage = NEXT_STAGE;
    m_vInitialVelocity = D3DXVECTOR3();
    m_pOwner = nullptr;
    m_u32NumStages = 0;
    std::fill(std::begin(m_Stages), std::end(m_Stages), CProjectileStage());
    m_u8ProjectileType = PROJECTILE_TYPE_NONE;
    m_pFollowedMatrix = nullptr;
    m_vContactNormal = D3DXVECTOR3();
    m_bHasContactNormal = false;
    m_pParentMatrix = nullptr;
    m_matWorld = D3DXMATRIX();
    m_matFinal = D3DXMATRIX();
    m_vLaunchPosition = D3DXVECTOR3();
    m_vLaunchDirection = D3DXVECTOR3();
    m_iCurrentStage = 0;
    m_fSpeed = 0.0f;
    m_fHull = 0.0f;
    m_fStageDistance = 0.0f;
    m_fRadius = 0.0f;
    m_u32DelayCounter = 0;
    m_bShrinking = false;
    m_bAlive = false;
    m_bFinished = false;
    m_IgnoreList.clear();
    m_SavedGroups.clear();
    m_vLastHitPoint = D3DXVECTOR3();
    m_vStrikeDirection = D3DXVECTOR3();
    m_pLastHitShape = nullptr;
    m_CollisionObject = GetDefaultCollisionRecord();
    m_CollisionObject.m_pMatrix = &m_matWorld;
    m_CollisionObject.m_pDrawMatrix = &m_matWorld;
    CStdInterface::Init();
    return true;
}

bool CProjectile::Shutdown()
{
    ReleasePhysics();
    CStdInterface::Shutdown();
    return true;
}

bool CProjectile::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    for (CProjectileStage& stage : m_Stages)
        stage.m_fRadius = LOADED_STAGE_RADIUS;
    if (!ReadBlock(reader, BLOCK_KEYWORD))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CProjectile::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_NUM_STAGES)) {
        ReadNumStages(reader);
    } else if (reader.Match(KEYWORD_STAGE)) {
        return ReadStage(reader);
    } else if (reader.Match(KEYWORD_PROJECTILE_TYPE)) {
        m_u8ProjectileType = static_cast<uint8_t>(
            FindEnumValue(reader.GetString(), g_ProjectileTypeNames, g_ProjectileTypeNameCount));
    } else if (reader.Match(KEYWORD_MASS)) {
        m_PhysicsObject.SetMass(reader.GetFloat());
    } else if (reader.Match(KEYWORD_EXPLODE_SFX)) {
        SFX3D* sound = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), sound, true);
        m_ExplodeSFX = *sound;
    } else if (reader.Match(KEYWORD_DETONATE_STAGE)) {
        m_iDetonateStage = reader.GetInteger();
    } else if (reader.Match(KEYWORD_COLLISION_DATA)) {
        ReadCollisionData(reader);
    } else {
        return false;
    }
    return true;
}

void CProjectile::ReadNumStages(CDataBuffer& reader)
{
    const int32_t count = reader.GetInteger();
    const int32_t kept = std::clamp(count, 0, MAX_STAGES);
    if (kept != count)
        g_Log.Write("Projectile <" + m_Name + ">: NumStages " + std::to_string(count) + " read as " +
                    std::to_string(kept));
    m_u32NumStages = static_cast<uint32_t>(kept);
}

// The stage keywords that follow fill the stage; a stage that does not exist
// ends the block.
bool CProjectile::ReadStage(CDataBuffer& reader)
{
    const int32_t index = reader.GetInteger();
    CProjectileStage* stage = index < static_cast<int32_t>(m_u32NumStages) ? GetStage(index) : nullptr;
    if (stage == nullptr) {
        g_Log.Write("Projectile <" + m_Name + ">: Stage " + std::to_string(index) + " is not below NumStages " +
                    std::to_string(m_u32NumStages) + ": the block ends here");
        return false;
    }
    while (!reader.IsEndOfBuffer() && ParseStage(reader, *stage)) {
    }
    return true;
}

// "CalculateRadius" counts only right after the file name.
void CProjectile::ReadCollisionData(CDataBuffer& reader)
{
    m_CollisionDataFile = reader.GetString();
    m_CollisionObject.Load(m_CollisionDataFile);
    if (!reader.Match(KEYWORD_CALCULATE_RADIUS))
        return;
    m_CollisionObject.m_fRadius = CCollisionBox::ComputeTreeRadius(m_CollisionObject.m_pRoot.get());
    m_CollisionObject.m_fRadiusSq = m_CollisionObject.m_fRadius * m_CollisionObject.m_fRadius;
}

// One stage keyword; false, nothing read, for any other token.
bool CProjectile::ParseStage(CDataBuffer& reader, CProjectileStage& stage)
{
    if (const FloatKeyword* row = FindKeyword(reader, STAGE_FLOATS)) {
        stage.*row->m_pMember = reader.GetFloat();
    } else if (const IntKeyword* row = FindKeyword(reader, STAGE_INTS)) {
        stage.*row->m_pMember = reader.GetInteger();
        if (stage.m_iDelay < 0) {
            g_Log.Write("Projectile <" + m_Name + ">: a negative Delay never fires");
            stage.m_iDelay = 0;
        }
    } else if (const BoolKeyword* row = FindKeyword(reader, STAGE_SWITCHES)) {
        stage.*row->m_pMember = reader.GetBool();
    } else if (const FlagKeyword* row = FindKeyword(reader, STAGE_FLAGS)) {
        stage.*row->m_pMember = ParseStageFlag(reader);
    } else if (reader.Match(KEYWORD_DAMAGE_TYPE)) {
        stage.m_iDamageType = FindEnumValue(reader.GetString(), g_DamageTypeNames, g_DamageTypeNameCount);
    } else if (reader.Match(KEYWORD_SPREAD_TYPE)) {
        stage.m_u8SpreadType =
            static_cast<uint8_t>(FindEnumValue(reader.GetString(), g_SpreadTypeNames, g_SpreadTypeNameCount));
    } else if (reader.Match(KEYWORD_MOVEMENT_TYPE)) {
        stage.m_u8MovementType =
            static_cast<uint8_t>(FindEnumValue(reader.GetString(), g_GuidanceTypeNames, g_GuidanceTypeNameCount));
    } else if (reader.Match(KEYWORD_EFFECT)) {
        CEffect* effect = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), effect, true);
        stage.m_Effect = *effect;
    } else if (reader.Match(KEYWORD_SOUND)) {
        reader.NextToken();
    } else {
        return false;
    }
    return true;
}

uint8_t CProjectile::ParseStageFlag(CDataBuffer& reader)
{
    uint8_t flags = STAGE_END_NONE;
    while (!reader.IsEndOfBuffer()) {
        const EnumName* flag = FindEnumRow(reader.PeekString(), g_StageEndActionNames, g_StageEndActionNameCount);
        if (flag == nullptr)
            break;
        reader.NextToken();
        flags = static_cast<uint8_t>(flag->m_Value == STAGE_END_NONE ? 0 : flags | flag->m_Value);
    }
    return flags;
}

CProjectileStage* CProjectile::GetStage(int stage)
{
    return const_cast<CProjectileStage*>(static_cast<const CProjectile*>(this)->GetStage(stage));
}

const CProjectileStage* CProjectile::GetStage(int stage) const
{
    if (stage < 0 || stage >= static_cast<int>(m_u32NumStages))
        return nullptr;
    return &m_Stages[stage];
}

void CProjectile::Launch(const D3DXMATRIX& matrix)
{
    m_pOwner = nullptr;
    m_bAlive = true;
    m_matWorld = matrix;
    UpdateFinalMatrix();
    const uint32_t noFlags = 0;
    m_CollisionObject.Set(m_CollisionObject.m_fRadius, &m_matWorld, FLIGHT_COLLISION_KIND, nullptr, noFlags,
                          &m_matFinal);
    ++m_u32Generation;

    m_bFinished = false;
    m_bHasContactNormal = false;
    m_pLastHitShape = nullptr;
    m_iCurrentStage = -1;
    m_iPendingStage = NEXT_STAGE;
    // Bound before the first stage starts, so that it starts where the shot is.
    BindEffects();
    EnterStage(0);

    m_vLaunchPosition = GetMatrixRow(matrix, ROW_POSITION);
    m_vLaunchDirection = GetMatrixRow(matrix, ROW_FORWARD);
    m_pFollowedMatrix = nullptr;
}

void CProjectile::EnterStage(int stage)
{
    // A spent shot (a detonation that comes too late) starts nothing again.
    if (!m_bAlive)
        return;
    if (stage == NEXT_STAGE)
        stage = m_iCurrentStage + 1;
    if (stage == m_iCurrentStage)
        return;
    CProjectileStage* next = GetStage(stage);
    if (next == nullptr) {
        // Past the last stage (or none at all): the shot is over.
        End();
        return;
    }
    CProjectileStage* current = GetStage(m_iCurrentStage);
    if (current != nullptr && stage > m_iCurrentStage)
        StopStageEffect(*current);

    m_iCurrentStage = stage;
    StartStageEffect(*next);
    m_fSpeed = next->m_fTopSpeed;
    m_fRadius = next->m_fRadius;
    m_fStageDistance = 0.0f;
    m_fHull = next->m_fHullMax;
    m_u32DelayCounter = static_cast<uint32_t>(std::max(next->m_iDelay, 0));
    m_bShrinking = false;
    ApplyStageSwitches(*next);

    if (stage == m_iDetonateStage) {
        const D3DXVECTOR3 position = GetMatrixRow(m_matFinal, ROW_POSITION);
        m_ExplodeSFX.Play3D(&position, nullptr);
    }
}

void CProjectile::ApplyStageSwitches(const CProjectileStage& stage)
{
    // A spreading stage counts by its radius alone.
    if (stage.m_u8SpreadType == SPREAD_SPHERICAL)
        m_CollisionObject.m_pRoot.reset();
    if (stage.m_bClearCollisions)
        m_IgnoreList.clear();
    if (stage.m_bZNormalOnCollision && m_bHasContactNormal) {
        D3DXVECTOR3 normal = m_vContactNormal;
        BuildMatrixFromDirection(&m_matWorld, &normal);
    }
    if (stage.m_bFollowLastHitObject) {
        // The final matrix stays where it is and then moves with the hit object.
        m_pParentMatrix = m_pFollowedMatrix;
        D3DXMATRIX inverse;
        if (m_pParentMatrix != nullptr && D3DXMatrixInverse(&inverse, nullptr, m_pParentMatrix) != nullptr)
            D3DXMatrixMultiply(&m_matWorld, &m_matWorld, &inverse);
    }
    if (stage.m_bResetParentMatrix) {
        m_pParentMatrix = nullptr;
        m_matWorld = m_matFinal;
    }
    if (stage.m_bSpawnPhysics)
        CreatePhysics();
    if (stage.m_bChangeSphereSize)
        ResizeSphere(stage.m_fRadius);
    if (stage.m_bKillPhysics)
        ReleasePhysics();
}

void CProjectile::End()
{
    CProjectileStage* current = GetStage(m_iCurrentStage);
    if (current != nullptr)
        StopStageEffect(*current);
    m_bAlive = false;
}

bool CProjectile::ProcessStageFlags(uint8_t flags)
{
    if (flags == STAGE_END_NONE)
        return true;
    if (flags & STAGE_END_NEXT_STAGE) {
        const int next = m_iPendingStage;
        m_iPendingStage = NEXT_STAGE;
        EnterStage(next);
        return false;
    }
    if (flags & STAGE_END_NEXT_STAGE_NEXTFRAME) {
        RequestNextFrame();
        return false;
    }
    if (flags & STAGE_END_DELETE_SELF) {
        End();
        return false;
    }
    return true;
}

void CProjectile::SetStageRequest(int stage)
{
    if (stage == m_iCurrentStage)
        return;
    m_iPendingStage = stage;
    RequestNextFrame();
}

// The next update's range check changes the stage.
void CProjectile::RequestNextFrame()
{
    CProjectileStage* current = GetStage(m_iCurrentStage);
    if (current == nullptr)
        return;
    m_fStageDistance = 1.0f;
    current->m_fRange = 0.0f;
    current->m_u8RangeFlags |= STAGE_END_NEXT_STAGE;
}

void CProjectile::Update()
{
    const float seconds = g_FrameTimer.GetFrameTime();
    CProjectileStage* stage = GetStage(m_iCurrentStage);
    // A dead shot only plays its effects out.
    if (stage != nullptr && m_bAlive) {
        m_fStageDistance += seconds * m_fSpeed;
        if (stage->m_u8SpreadType == SPREAD_SPHERICAL) {
            m_fRadius += (m_bShrinking ? -seconds : seconds) * m_fSpeed;
            m_fRadius = std::clamp(m_fRadius, 0.0f, std::max(stage->m_fRange, 0.0f));
        }
        const uint32_t elapsed = g_FrameTimer.GetMeanDelta();
        m_u32DelayCounter = m_u32DelayCounter > elapsed ? m_u32DelayCounter - elapsed : 0;
        RunEndChecks(*stage);
    }

    stage = GetStage(m_iCurrentStage);
    if (stage != nullptr) {
        // A hit-scan stage lasts one update.
        if (stage->m_iDamageType == PROJECTILE_DAMAGE_NORMAL)
            m_bFinished = true;
        if (stage->m_bKeepInitialVel)
            SetVelocity(m_vInitialVelocity);
        if (stage->m_u8SpreadType == SPREAD_NONE)
            FollowBody();
    }
    UpdateEffects(seconds);

    if (m_bAlive)
        return;
    Shutdown();
    // Kept live until its effects have played out.
    m_bFinished = !IsAnyEffectRunning();
}

// Each check only while the ones before it let the frame go on.
void CProjectile::RunEndChecks(CProjectileStage& stage)
{
    const bool effectEnded = stage.m_Effect.m_u8Compiled && !stage.m_Effect.m_u8Running;
    if (effectEnded && !ProcessStageFlags(stage.m_u8EffectEndFlags))
        return;
    if (m_fStageDistance >= stage.m_fRange && !ProcessStageFlags(stage.m_u8RangeFlags))
        return;
    if (stage.m_iDelay != 0 && m_u32DelayCounter == 0)
        ProcessStageFlags(stage.m_u8DelayFlags);
}

void CProjectile::FollowBody()
{
    const NxActor* body = m_PhysicsObject.m_pActor;
    if (body != nullptr)
        m_matWorld = ToD3DXMatrix(body->getGlobalPose());
    UpdateFinalMatrix();
}

void CProjectile::UpdateFinalMatrix()
{
    m_matFinal = m_matWorld;
    if (m_pParentMatrix != nullptr)
        D3DXMatrixMultiply(&m_matFinal, &m_matWorld, m_pParentMatrix);
}

void CProjectile::SetVelocity(const D3DXVECTOR3& velocity)
{
    if (m_PhysicsObject.m_pActor != nullptr)
        m_PhysicsObject.m_pActor->setLinearVelocity(ToNxVec3(velocity));
}

void CProjectile::CreatePhysics()
{
    ReleasePhysics();
    g_Physics.CreateBoxActor(true, &m_PhysicsObject.m_pActor);
    NxActor* body = m_PhysicsObject.m_pActor;
    if (body == nullptr)
        return;

    NxShape* unitBox = body->getShapes()[0];
    if (!CCollisionObject::AddBoxShapes(body, m_PhysicsObject.m_iMaterial, m_CollisionObject.m_pRoot.get(),
                                        m_CollisionObject.m_pfScale)) {
        NxSphereShapeDesc sphere;
        sphere.radius = m_CollisionObject.m_fRadius;
        sphere.shapeFlags = BODY_SHAPE_FLAGS;
        body->createShape(sphere);
    }
    unitBox->setGroup(COLLISION_GROUP_IGNORED);
    body->releaseShape(*unitBox);
    // A script that names no mass leaves the static mass, which no body can carry.
    const float mass = m_PhysicsObject.m_fMass;
    if (mass > 0.0f && mass < PHYSICS_STATIC_MASS)
        body->updateMassFromShapes(BODY_DENSITY, mass);
    else
        body->updateMassFromShapes(UNWEIGHED_BODY_DENSITY, 0.0f);
    body->setGlobalOrientation(ToNxOrientation(m_matWorld));
    body->setGlobalPosition(ToNxVec3(GetPosition()));
    LinkPhysicsActor();
}

void CProjectile::ResizeSphere(float radius)
{
    NxActor* body = m_PhysicsObject.m_pActor;
    if (body == nullptr)
        return;
    NxShape* first = body->getShapes()[0];
    NxSphereShapeDesc sphere;
    sphere.radius = radius;
    sphere.shapeFlags = BODY_SHAPE_FLAGS;
    if (body->createShape(sphere) == nullptr)
        return;
    first->setGroup(COLLISION_GROUP_IGNORED);
    body->releaseShape(*first);
    // It finds what it touches without pushing it.
    body->raiseActorFlag(NX_AF_DISABLE_RESPONSE);
    LinkPhysicsActor();
}

bool CProjectile::TakeDamage(const CDamageInfo& damage, NxContactPair*)
{
    if (damage.m_fDamage != 0.0f)
        SetStageRequest(m_iDetonateStage);
    return false;
}

bool CProjectile::RayCastHit()
{
    NxScene* scene = g_Physics.GetScene();
    if (scene == nullptr)
        return true;
    D3DXVECTOR3 forward = GetForward();
    if (D3DXVec3LengthSq(&forward) > 0.0f)
        D3DXVec3Normalize(&forward, &forward);

    HideIgnoredBodies();
    NxRaycastHit hit;
    NxShape* shape = scene->raycastClosestShape(NxRay(ToNxVec3(GetPosition()), ToNxVec3(forward)), NX_ALL_SHAPES,
                                                hit, RAY_GROUP_MASK, NX_MAX_F32);
    // Before the hit is dealt: the hit object may let its body go.
    RestoreIgnoredBodies();
    if (shape == nullptr)
        return true;

    m_vLastHitPoint = ToD3DXVector(hit.worldImpact);
    m_vStrikeDirection = forward;
    m_pLastHitShape = shape;
    m_vContactNormal = ToD3DXVector(hit.worldNormal);
    m_bHasContactNormal = true;
    // The shot is where it struck: its effects play there.
    SetMatrixRow(&m_matWorld, ROW_POSITION, m_vLastHitPoint);
    UpdateFinalMatrix();
    OnContact(GetLinkedObject(&shape->getActor()), nullptr);
    return true;
}

void CProjectile::HideIgnoredBodies()
{
    m_SavedGroups.clear();
    for (CCollidableObject* object : m_IgnoreList) {
        NxActor* body = object != nullptr ? object->m_PhysicsObject.m_pActor : nullptr;
        if (body == nullptr || body->getNbShapes() == 0)
            continue;
        m_SavedGroups.emplace_back(body, body->getShapes()[0]->getGroup());
        SetActorCollisionGroup(body, COLLISION_GROUP_IGNORED);
    }
}

// Last first, so a body listed twice gets its own group back.
void CProjectile::RestoreIgnoredBodies()
{
    for (auto saved = m_SavedGroups.rbegin(); saved != m_SavedGroups.rend(); ++saved)
        SetActorCollisionGroup(saved->first, saved->second);
    m_SavedGroups.clear();
}

bool CProjectile::IsIgnored(const CCollidableObject* pObject) const
{
    return pObject != nullptr && std::find(m_IgnoreList.begin(), m_IgnoreList.end(), pObject) != m_IgnoreList.end();
}

bool CProjectile::OnContact(CCollidableObject* pOther, NxContactPair* pPair)
{
    if (IsIgnored(pOther))
        return false;
    // Pairs of this step may still be reported after the shot has ended.
    if (!m_bAlive || GetStage(m_iCurrentStage) == nullptr)
        return false;
    if (pPair != nullptr)
        RecordContact(*pPair);
    ProcessStageFlags(GetStage(m_iCurrentStage)->m_u8HitFlags);
    if (pOther == nullptr) {
        // A finished hit-scan shot into the ground shows its hit as well.
        if (m_bFinished)
            Spend();
        return true;
    }

    m_pFollowedMatrix = pOther->m_CollisionObject.m_pDrawMatrix;
    m_IgnoreList.push_back(pOther);
    if (m_u8ProjectileType == PROJECTILE_TYPE_DIRECTFIRE)
        Spend();
    return DealDamage(*pOther, *GetStage(m_iCurrentStage), pPair);
}

// Finished at once, or dead and kept until the effects of its hit have
// played out.
void CProjectile::Spend()
{
    m_bFinished = !IsAnyEffectRunning();
    if (!m_bFinished)
        m_bAlive = false;
}

// The pair's first point, its shape on the other's side, and the patch
// normal turned towards this projectile.
void CProjectile::RecordContact(NxContactPair& pair)
{
    const int mySide = pair.actors[0] == m_PhysicsObject.m_pActor ? 0 : 1;
    NxContactStreamIterator it(pair.stream);
    while (it.goNextPair()) {
        if (it.getShapeFlags() & NX_SF_IS_INVALID)
            continue;
        if (!it.goNextPatch() || !it.goNextPoint())
            continue;
        const NxVec3 normal = mySide == 0 ? it.getPatchNormal() : -it.getPatchNormal();
        m_vContactNormal = ToD3DXVector(normal);
        m_bHasContactNormal = true;
        m_vLastHitPoint = ToD3DXVector(it.getPoint());
        m_pLastHitShape = it.getShape(1 - mySide);
        return;
    }
}

bool CProjectile::DealDamage(CCollidableObject& other, const CProjectileStage& stage, NxContactPair* pPair)
{
    CDamageInfo damage;
    damage.m_pSource = this;
    damage.m_u8Kind = CDamageInfo::KIND_PROJECTILE;
    if (stage.m_iDamageType == PROJECTILE_DAMAGE_EXPLOSION) {
        damage.m_bDirectHit = false;
        damage.m_fDamage = stage.m_fDamage;
        PushAway(other, stage);
    } else if (stage.m_iDamageType == PROJECTILE_DAMAGE_NORMAL) {
        damage.m_bDirectHit = true;
        damage.m_pHitShape = m_pLastHitShape;
        damage.m_fDamage = stage.m_fDamage;
        Shove(other);
    }
    return other.TakeDamage(damage, pPair);
}

// Along the shot, at the point hit. Actors take their hits through their
// damage instead; the small rigid-body layer never has bodies to shove.
void CProjectile::Shove(CCollidableObject& other) const
{
    NxActor* body = other.m_PhysicsObject.m_pActor;
    if (body == nullptr || other.m_u8Kind == KIND_GAME_ACTOR)
        return;
    const bool struckByRay = D3DXVec3LengthSq(&m_vStrikeDirection) > 0.0f;
    D3DXVECTOR3 impulse = (struckByRay ? m_vStrikeDirection : GetForward()) * HIT_IMPULSE;
    if (other.m_u8Kind == KIND_CAR)
        impulse *= CAR_IMPULSE_FACTOR;
    body->addForceAtPos(ToNxVec3(impulse), ToNxVec3(m_vLastHitPoint), NX_IMPULSE);
}

// The other's pending push (its bounding box's first corner and flag): away
// from the blast, strongest at its centre, nothing beyond its radius.
void CProjectile::PushAway(CCollidableObject& other, const CProjectileStage& stage) const
{
    const NxActor* body = other.m_PhysicsObject.m_pActor;
    if (body == nullptr || stage.m_fRadius <= 0.0f)
        return;
    const D3DXVECTOR3 away = ToD3DXVector(body->getGlobalPosition()) - GetMatrixRow(m_matFinal, ROW_POSITION);
    const float distance = D3DXVec3Length(&away);
    if (distance <= 0.0f)
        return;
    const float falloff = std::max(stage.m_fRadius - distance, 0.0f) / stage.m_fRadius;
    other.m_BoundingBox.m_vMin = away / distance * (falloff * stage.m_fRange);
    other.m_BoundingBox.m_u8Flag = 1;
}

void CProjectile::Draw()
{
    for (int i = 0; i <= m_iCurrentStage && i < MAX_STAGES; ++i)
        if (m_Stages[i].m_Effect.m_u8Compiled)
            m_Stages[i].m_Effect.Render();
}

void CProjectile::BindEffects()
{
    for (CProjectileStage& stage : m_Stages)
        if (stage.m_Effect.m_u8Compiled)
            stage.m_Effect.SetMatrix(&m_matFinal);
}

void CProjectile::StartStageEffect(CProjectileStage& stage)
{
    if (!stage.m_Effect.m_u8Compiled)
        return;
    stage.m_Effect.Reset();
    stage.m_Effect.Start();
}

void CProjectile::StopStageEffect(CProjectileStage& stage)
{
    if (stage.m_Effect.m_u8Compiled)
        stage.m_Effect.Stop();
}

void CProjectile::UpdateEffects(float seconds)
{
    for (int i = 0; i <= m_iCurrentStage && i < MAX_STAGES; ++i)
        if (m_Stages[i].m_Effect.m_u8Compiled)
            m_Stages[i].m_Effect.Update(seconds);
}

bool CProjectile::IsAnyEffectRunning() const
{
    for (const CProjectileStage& stage : m_Stages)
        if (stage.m_Effect.m_u8Running)
            return true;
    return false;
}

D3DXVECTOR3 CProjectile::GetPosition() const
{
    return GetMatrixRow(m_matWorld, ROW_POSITION);
}

D3DXVECTOR3 CProjectile::GetForward() const
{
    return GetMatrixRow(m_matWorld, ROW_FORWARD);
}

CGameActor* FindDamageOwner(const CDamageInfo& damage)
{
    if (const CProjectile* projectile = dynamic_cast<const CProjectile*>(damage.m_pSource))
        return projectile->m_pOwner;
    return dynamic_cast<CGameActor*>(damage.m_pSource);
}
