#include "Actors/Car.h"

#include <cfloat>
#include <cmath>

#include "Actors/CountedList.h"
#include "Actors/TireType.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Display/DisplayMesh.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxPhysicsSDK.h"

namespace {

const char* const KEYWORD_BREAK = "*break";
const char* const KEYWORD_NUMBER_OF_SUSPENSION = "NumberOfSuspension";
const char* const KEYWORD_BODY = "Body";
const char* const KEYWORD_POS = "Pos";
const char* const KEYWORD_ORIENTATION = "Orientation";
const char* const KEYWORD_CENTER_OF_MASS = "CenterOfMass";
const char* const KEYWORD_MASS = "Mass";
const char* const KEYWORD_NUM_SEATS = "NumSeats";
const char* const KEYWORD_SEAT = "Seat";
const char* const KEYWORD_STEER_ANGLE_MAX = "SteerAngleMax";
const char* const KEYWORD_STEER_ANGLE_DELTA = "SteerAngleDelta";
const char* const KEYWORD_HORN_SFX = "HornSFX";
const char* const KEYWORD_DECELERATION = "Deceleration";
const char* const KEYWORD_MAX_SPEED_REVERSE = "MaxSpeedReverse";
const char* const KEYWORD_EXHAUST_PART = "ExhaustPart";
const char* const KEYWORD_TIRE_TYPES = "TireTypes";
const char* const KEYWORD_TIRE_SCALE = "TireScale";
const char* const KEYWORD_FLAT_TIRE_RADIUS = "FlatTireRadius";
const char* const KEYWORD_NUM_TIRES = "NumTires";
const char* const KEYWORD_HULL_MAX = "HullMax";
const char* const KEYWORD_OUTER_COLLISION_RADIUS = "OuterCollisionRadius";
const char* const KEYWORD_COLLISION_DATA = "CollisionData";
const char* const KEYWORD_CALCULATE_RADIUS = "CalculateRadius";
const char* const KEYWORD_GAS_TANK_SHAPE = "GasTankShape";
const char* const KEYWORD_DOOR = "Door";
const char* const KEYWORD_SMOKING_EFFECT = "SmokingEffect";
const char* const KEYWORD_EXPLOSION_EFFECT = "ExplosionEffect";

// The grip the second material of each pair, and every later suspension of
// a tyre type, is made with.
const float FIXED_DYNAMIC_FRICTION_SLIDE = 0.8f;
const float FIXED_STATIC_FRICTION_SLIDE = 1.0f;
const float FIXED_DYNAMIC_FRICTION_ROLL = 1.0f;
const float FIXED_STATIC_FRICTION_ROLL = 2.0f;

// The running box of BuildBoundsFromBody starts inside out.
const float BOUNDS_START = 1000000.0f;

const D3DXVECTOR3 ORIGIN(0.0f, 0.0f, 0.0f);

D3DXMATRIX Identity()
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return identity;
}

NxMaterialIndex AddMaterial(NxPhysicsSDK* sdk, const NxMaterial& material)
{
    return sdk != nullptr ? sdk->addMaterial(material) : 0;
}

void SetFixedFrictions(NxMaterial& material)
{
    material.dynamicFriction = FIXED_DYNAMIC_FRICTION_SLIDE;
    material.staticFriction = FIXED_STATIC_FRICTION_SLIDE;
    material.dynamicFrictionV = FIXED_DYNAMIC_FRICTION_ROLL;
    material.staticFrictionV = FIXED_STATIC_FRICTION_ROLL;
}

} // namespace

int32_t g_CarEditMode = 0;

CCar::CCar()
    : m_matDriverSeat(Identity()),
      m_vScriptCenterOfMass(ORIGIN),
      m_vCenterOfMassOffset(ORIGIN),
      m_matSpawn(Identity())
{
}

// Everything the world copy needs, in the prototype's order; the collidable
// base brings the physics member and the collision record.
CCar::CCar(const CCar& other) : CCollidableObject(other)
{
    CCar::Shutdown();
    m_Name = other.m_Name;
    m_AssetType = other.m_AssetType;
    m_bInitialised = other.m_bInitialised;
    m_bReady = other.m_bReady;
    m_Body = other.m_Body;
    m_Doors = other.m_Doors;
    m_fHullMax = other.m_fHullMax;
    m_fHull = other.m_fHull;
    m_matSpawn = other.m_matSpawn;
    m_fRecycleDistance = other.m_fRecycleDistance;
    m_fOffScreenTime = other.m_fOffScreenTime;
    m_fTimeInWorld = other.m_fTimeInWorld;
    m_bRecyclable = other.m_bRecyclable;
    m_bInWorld = other.m_bInWorld;
    m_bRemoved = other.m_bRemoved;
    m_bBurnt = other.m_bBurnt;
    m_pSuspensionTable = other.m_pSuspensionTable;
    m_bOwnsSuspensionTable = false;
    m_Engine = other.m_Engine;
    m_Tires = other.m_Tires;
    m_Horn = other.m_Horn;
    m_bHornPlaying = other.m_bHornPlaying;
    m_fTireScale = other.m_fTireScale;
    m_fFlatTireRadius = other.m_fFlatTireRadius;
    m_TireTypeNames = other.m_TireTypeNames;
    m_uDeclaredSeats = other.m_uDeclaredSeats;
    m_Seats = other.m_Seats;
    m_matDriverSeat = other.m_matDriverSeat;
    m_vScriptCenterOfMass = other.m_vScriptCenterOfMass;
    m_vCenterOfMassOffset = other.m_vCenterOfMassOffset;
    m_fDriveAcceleration = other.m_fDriveAcceleration;
    m_fDeceleration = other.m_fDeceleration;
    m_fMaxSpeedReverse = other.m_fMaxSpeedReverse;
    m_bAlongVelocity = other.m_bAlongVelocity;
    m_fSteerAngleMax = other.m_fSteerAngleMax;
    m_fSteerAngleDelta = other.m_fSteerAngleDelta;
    m_fSteerAngle = other.m_fSteerAngle;
    m_Exhaust = other.m_Exhaust;
    m_fExplosionTimer = other.m_fExplosionTimer;
    m_SmokingEffect = other.m_SmokingEffect;
    m_ExplosionEffect = other.m_ExplosionEffect;
    m_bNotExploded = other.m_bNotExploded;
    m_GasTanks = other.m_GasTanks;
    // The copied matrices still point into the prototype.
    BindMatrices();
}

CCar::~CCar()
{
    CCar::Shutdown();
}

bool CCar::Shutdown()
{
    ReleasePhysics();
    m_Tires.clear();
    m_TireTypeNames.clear();
    m_Seats.clear();
    m_uDeclaredSeats = 0;
    m_pSuspensionTable.reset();
    m_bOwnsSuspensionTable = false;
    for (CDoor& door : m_Doors)
        door.ReleasePhysics();
    m_bInitialised = false;
    m_bReady = false;
    return true;
}

bool CCar::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    m_pSuspensionTable = std::make_shared<CSuspensionTable>();
    m_bOwnsSuspensionTable = true;
    if (!ReadBlock(reader, BLOCK_KEYWORD))
        return false;
    CheckSuspensionIndices();
    BuildBoundsFromBody();
    CreateMaterials();
    for (bool& selected : m_bEditSelected)
        selected = true;
    m_bInitialised = PostLoad();
    m_bReady = m_bInitialised;
    return m_bInitialised;
}

bool CCar::ReadProperty(CDataBuffer& reader)
{
    // The stop mark ends the block before anyone else reads on.
    if (IsEqualNoCase(reader.PeekString().c_str(), KEYWORD_BREAK))
        return CAsset::ReadProperty(reader);
    if (CAsset::ReadProperty(reader))
        return true;
    if (m_Engine.ReadProperty(reader, m_Name))
        return true;
    if (reader.Match(KEYWORD_NUMBER_OF_SUSPENSION)) {
        // A world car reading its own suspensions leaves its kind's alone.
        if (!m_bOwnsSuspensionTable) {
            m_pSuspensionTable = std::make_shared<CSuspensionTable>(
                m_pSuspensionTable ? *m_pSuspensionTable : CSuspensionTable());
            m_bOwnsSuspensionTable = true;
        }
        m_pSuspensionTable->Read(reader, m_Name);
        return true;
    }
    return ReadCarProperty(reader);
}

bool CCar::ReadCarProperty(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_BODY)) {
        CComplexObject* body = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), body, true);
        m_Body = *body;
    } else if (reader.Match(KEYWORD_POS)) {
        const D3DXVECTOR3 position = reader.GetVector3();
        m_Body.SetPosition(&position);
        m_matSpawn = m_Body.GetLocalMatrix();
    } else if (reader.Match(KEYWORD_ORIENTATION)) {
        m_Body.SetLocalMatrix(reader.GetMatrix());
        m_matSpawn = m_Body.GetLocalMatrix();
    } else if (reader.Match(KEYWORD_CENTER_OF_MASS)) {
        m_vScriptCenterOfMass = reader.GetVector3();
        m_vCenterOfMassOffset = m_vScriptCenterOfMass;
    } else if (reader.Match(KEYWORD_MASS)) {
        m_PhysicsObject.SetMass(reader.GetFloat());
    } else if (reader.Match(KEYWORD_NUM_SEATS)) {
        m_uDeclaredSeats = ReadListCount(reader, BLOCK_KEYWORD, m_Name, KEYWORD_NUM_SEATS);
    } else if (reader.Match(KEYWORD_SEAT)) {
        ReadSeats(reader);
    } else if (reader.Match(KEYWORD_STEER_ANGLE_MAX)) {
        m_fSteerAngleMax = reader.GetFloat();
    } else if (reader.Match(KEYWORD_STEER_ANGLE_DELTA)) {
        m_fSteerAngleDelta = reader.GetFloat();
    } else if (reader.Match(KEYWORD_HORN_SFX)) {
        SFX3D* horn = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), horn, true);
        m_Horn = *horn;
    } else if (reader.Match(KEYWORD_DECELERATION)) {
        m_fDeceleration = reader.GetFloat();
    } else if (reader.Match(KEYWORD_MAX_SPEED_REVERSE)) {
        m_fMaxSpeedReverse = reader.GetFloat();
    } else if (reader.Match(KEYWORD_EXHAUST_PART)) {
        CParticleEmitter* exhaust = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), exhaust, true);
        m_Exhaust = *exhaust;
    } else if (reader.Match(KEYWORD_TIRE_TYPES)) {
        ReadTireTypeNames(reader);
    } else if (reader.Match(KEYWORD_TIRE_SCALE)) {
        m_fTireScale = reader.GetFloat();
    } else if (reader.Match(KEYWORD_FLAT_TIRE_RADIUS)) {
        m_fFlatTireRadius = reader.GetFloat();
    } else if (reader.Match(KEYWORD_NUM_TIRES)) {
        ReadTires(reader);
    } else if (reader.Match(KEYWORD_HULL_MAX)) {
        m_fHullMax = reader.GetFloat();
        m_fHull = m_fHullMax;
    } else if (reader.Match(KEYWORD_SMOKING_EFFECT)) {
        ReadEffect(reader, m_SmokingEffect);
    } else if (reader.Match(KEYWORD_EXPLOSION_EFFECT)) {
        ReadEffect(reader, m_ExplosionEffect);
    } else if (reader.Match(KEYWORD_OUTER_COLLISION_RADIUS)) {
        SetOuterRadius(reader.GetFloat());
    } else if (reader.Match(KEYWORD_COLLISION_DATA)) {
        ReadCollisionData(reader);
    } else if (reader.Match(KEYWORD_GAS_TANK_SHAPE)) {
        ReadGasTank(reader);
    } else if (reader.Match(KEYWORD_DOOR)) {
        ReadDoor(reader);
    } else {
        return false;
    }
    return true;
}

// "CalculateRadius" counts only right after the file name.
void CCar::ReadCollisionData(CDataBuffer& reader)
{
    m_CollisionDataName = reader.GetString();
    m_CollisionObject.Load(m_CollisionDataName);
    if (!reader.Match(KEYWORD_CALCULATE_RADIUS))
        return;
    SetOuterRadius(CCollisionBox::ComputeTreeRadius(m_CollisionObject.m_pRoot.get()));
    m_bRadiusCalculated = true;
}

// At most the declared number of matrices, ending early at a word that is no
// number: the seats are those read.
void CCar::ReadSeats(CDataBuffer& reader)
{
    m_Seats.clear();
    for (uint32_t i = 0; i < m_uDeclaredSeats && IsNumberToken(reader); ++i)
        m_Seats.push_back(ReadListMatrix(reader, BLOCK_KEYWORD, m_Name, KEYWORD_SEAT));
}

void CCar::ReadTireTypeNames(CDataBuffer& reader)
{
    const uint32_t count = ReadListCount(reader, BLOCK_KEYWORD, m_Name, KEYWORD_TIRE_TYPES);
    m_TireTypeNames.clear();
    for (uint32_t i = 0; i < count; ++i) {
        RequireListValue(reader, BLOCK_KEYWORD, m_Name, KEYWORD_TIRE_TYPES);
        m_TireTypeNames.push_back(reader.GetString());
    }
}

void CCar::ReadTires(CDataBuffer& reader)
{
    const uint32_t count = ReadListCount(reader, BLOCK_KEYWORD, m_Name, KEYWORD_NUM_TIRES);
    m_Tires.assign(count, CTire());
    for (CTire& tire : m_Tires) {
        RequireListValue(reader, BLOCK_KEYWORD, m_Name, KEYWORD_NUM_TIRES);
        while (!reader.IsEndOfBuffer() && tire.ReadProperty(reader)) {
        }
    }
}

void CCar::ReadGasTank(CDataBuffer& reader)
{
    CGasTankShape tank;
    tank.m_vMin = reader.GetVector3();
    tank.m_vMax = reader.GetVector3();
    tank.m_matLocal = reader.GetMatrix();
    m_GasTanks.push_back(tank);
}

void CCar::ReadDoor(CDataBuffer& reader)
{
    CDoor door;
    door.ReadLine(reader);
    m_Doors.push_back(door);
}

void CCar::ReadEffect(CDataBuffer& reader, CEffect& effect)
{
    CEffect* prototype = nullptr;
    g_AssetManager.GetAsset(reader.GetString(), prototype, true);
    effect = *prototype;
}

void CCar::SetOuterRadius(float radius)
{
    m_CollisionObject.m_fRadius = radius;
    m_CollisionObject.m_fRadiusSq = radius * radius;
}

void CCar::CheckSuspensionIndices() const
{
    const uint32_t suspensions = m_pSuspensionTable->GetCount();
    for (size_t i = 0; i < m_Tires.size(); ++i) {
        const int32_t index = m_Tires[i].m_iSuspensionIndex;
        if (index < 0 || static_cast<uint32_t>(index) >= suspensions)
            FatalError("Car \"%s\": tire %zu has SuspensionIndex %d, but the car has %u suspensions",
                       m_Name.c_str(), i, index, suspensions);
    }
}

void CCar::BuildBoundsFromBody()
{
    if (m_CollisionObject.m_fRadius != 0.0f)
        return;
    D3DXVECTOR3 boundsMin(BOUNDS_START, BOUNDS_START, BOUNDS_START);
    D3DXVECTOR3 boundsMax(-BOUNDS_START, -BOUNDS_START, -BOUNDS_START);
    bool anyMesh = false;
    for (const std::vector<CDisplayObject3D>* parts : {&m_Body.GetOpaqueParts(), &m_Body.GetTransparentParts()}) {
        for (const CDisplayObject3D& part : *parts) {
            const CDisplayMesh* mesh = part.GetMesh();
            if (mesh == nullptr || !m_CollisionObject.BuildFromMesh(mesh->GetD3DXMesh()))
                continue;
            CDisplayMesh::BoxGrowMin(boundsMin, m_CollisionObject.m_pRoot->m_vMin);
            CDisplayMesh::BoxGrowMax(boundsMax, m_CollisionObject.m_pRoot->m_vMax);
            anyMesh = true;
        }
    }
    // A body without meshes keeps the record it has rather than an inside-out box.
    if (!anyMesh)
        return;
    m_CollisionObject.m_pRoot->m_vMin = boundsMin;
    m_CollisionObject.m_pRoot->m_vMax = boundsMax;
    m_CollisionObject.ComputeRadius();
}

// The working material is taken from each tyre type once, so that after the
// first suspension of a type it keeps the fixed frictions.
void CCar::CreateMaterials()
{
    CSuspensionTable& table = *m_pSuspensionTable;
    NxPhysicsSDK* sdk = g_Physics.GetSDK();
    table.m_Materials.clear();
    for (const std::string& typeName : m_TireTypeNames) {
        CTireType* type = nullptr;
        g_AssetManager.GetAsset(typeName, type, true);
        NxMaterial working = type->GetMaterial();
        for (const NxSpringDesc& spring : table.m_Springs) {
            working.spring = &spring;
            table.m_Materials.push_back(AddMaterial(sdk, working));
            SetFixedFrictions(working);
            table.m_Materials.push_back(AddMaterial(sdk, working));
        }
    }
}

bool CCar::PostLoad()
{
    m_fSteerAngle = 0.0f;
    D3DXMatrixIdentity(&m_matSpawn);
    m_fRecycleDistance = DEFAULT_RECYCLE_DISTANCE;
    m_fOffScreenTime = 0.0f;
    m_bRecyclable = true;
    m_bInWorld = false;
    m_bRemoved = false;
    return PickTires();
}

bool CCar::PickTires()
{
    if (m_Tires.empty())
        return true;
    if (m_TireTypeNames.empty())
        return false;
    const uint32_t typeCount = static_cast<uint32_t>(m_TireTypeNames.size());
    const uint32_t typeIndex = typeCount == 1 ? 0 : g_RandomTable.NextBelow(typeCount);
    std::string sharedMesh;
    for (CTire& tire : m_Tires) {
        tire.SetType(m_TireTypeNames[typeIndex], sharedMesh);
        tire.m_Wheel.SetLocalMatrix(tire.m_matMountRotation);
        tire.m_Wheel.SetScale(m_fTireScale);
        tire.m_fRadius *= m_fTireScale;
        tire.m_fFlatRadius = m_fFlatTireRadius;
    }
    return true;
}

void CCar::Reset()
{
    m_bNotExploded = true;
    m_fUpsideDownTime = 0.0f;
    m_Engine.Reset();
    if (!m_Tires.empty() && !m_TireTypeNames.empty()) {
        for (CTire& tire : m_Tires)
            tire.Reset();
        PickTires();
    }
    m_Exhaust.Reset();
    BindMatrices();
    m_PhysicsObject.SetInertia(Identity());
    Paint();
}

void CCar::BindMatrices()
{
    m_Exhaust.m_pEmitFrameMatrix = &m_Body.GetWorldMatrix();
    m_SmokingEffect.SetMatrix(&m_Body.GetWorldMatrix());
    m_ExplosionEffect.SetMatrix(&m_Body.GetWorldMatrix());
    m_CollisionObject.m_pMatrix = &m_Body.GetWorldMatrix();
    m_CollisionObject.m_pDrawMatrix = m_CollisionObject.m_pMatrix;
    m_CollisionObject.m_iKind = KIND_CAR;
    m_Body.BindWorldMatrix();
    for (CDoor& door : m_Doors)
        door.m_Mesh.BindWorldMatrix();
}

void CCar::Repair()
{
    m_fHull = m_fHullMax;
    m_bNotExploded = true;
    m_uActiveTires = static_cast<uint32_t>(m_Tires.size());
    m_SmokingEffect.Reset();
    m_ExplosionEffect.Reset();
    m_fExplosionTimer = EXPLOSION_DELAY;
}

NxVec3 CCar::GetActorForward() const
{
    return m_PhysicsObject.m_pActor->getGlobalOrientation().getColumn(2);
}

float CCar::GetForwardSpeed() const
{
    const NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor == nullptr)
        return 0.0f;
    const NxVec3 velocity = actor->getLinearVelocity();
    const float speed = velocity.magnitude();
    return velocity.dot(GetActorForward()) < 0.0f ? -speed : speed;
}

// v^2 / (2 |deceleration|), whichever sign the script gave the deceleration.
float CCar::GetStoppingDistance() const
{
    const float speed = std::fabs(GetForwardSpeed());
    if (speed == 0.0f)
        return 0.0f;
    if (m_fDeceleration == 0.0f)
        return FLT_MAX;
    return speed * speed / (2.0f * std::fabs(m_fDeceleration));
}

void CCar::SetSpeed(float speed)
{
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor == nullptr)
        return;
    NxVec3 forward = GetActorForward();
    forward.normalize();
    actor->setLinearVelocity(forward * speed);
}

const D3DXMATRIX* CCar::GetDriverSeat() const
{
    return m_Seats.empty() ? nullptr : &m_matDriverSeat;
}

