#include "Actors/GameActor.h"

#include <algorithm>
#include <cmath>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Display/RenderStates.h"
#include "Game/CrimeManager.h"
#include "Input/Controller.h"
#include "Input/InGameMouse.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxBoxShape.h"

namespace {

const char* const KEYWORD_GAME_ACTOR = "GameActor";
const char* const KEYWORD_SRC = "Src";
const char* const KEYWORD_POS = "Pos";
const char* const KEYWORD_SCALE = "Scale";
const char* const KEYWORD_ROT_MATRIX_CORRECT = "RotMatrixCorrect";
const char* const KEYWORD_WALK_SPEED = "WalkSpeed";
const char* const KEYWORD_RUN_SPEED = "RunSpeed";
const char* const KEYWORD_TURN_SPEED = "TurnSpeed";
const char* const KEYWORD_MAX_LIFE = "MaxLife";
const char* const KEYWORD_CURRENT_LIFE = "CurrentLife";
const char* const KEYWORD_ARM_ROT_OFFSET = "ArmRotOffset";
const char* const KEYWORD_ARM_ROT_FRAME = "ArmRotFrame";
const char* const KEYWORD_COLLISION_DATA = "CollisionData";
const char* const KEYWORD_CALCULATE_RADIUS = "CalculateRadius";
const char* const KEYWORD_COLOR = "Color";
const char* const KEYWORD_ORIENTATION = "Orientation";
const char* const KEYWORD_ANIMATION = "Animation";

const char* const IDLE_ANIMATION = "Idle";

const float DEFAULT_WALK_SPEED = 12.0f;
const float DEFAULT_RUN_SPEED = 24.0f;
// A twentieth of a half turn.
const float DEFAULT_TURN_SPEED = 0.15707964f;
const float DEFAULT_LIFE = 100.0f;
const float NOT_JUMPING = -1.0f;
const float BURN_DAMAGE_PER_SECOND = 5.0f;
// What the collision record calls an actor.
const int32_t ACTOR_COLLISION_KIND = 2;

// The body: three boxes, weighed together.
struct BodyBox {
    NxVec3 m_HalfExtents;
    NxVec3 m_Position;
};
const BodyBox FEET_BOX = {NxVec3(0.1f, 0.2f, 0.1f), NxVec3(0.0f, 0.2f, 0.0f)};
const BodyBox TORSO_BOX = {NxVec3(0.4f, 0.8f, 0.4f), NxVec3(0.0f, 1.0f, 0.0f)};
const BodyBox HEAD_BOX = {NxVec3(0.1f, 0.2f, 0.1f), NxVec3(-0.025f, 2.0f, 0.0f)};
// Drawn by the physics overlay.
const NxU32 BODY_SHAPE_FLAGS = 8;
const float BODY_MASS = 10.0f;
// Mass comes from the total alone.
const float BODY_DENSITY = 0.0f;

// The default record's one box.
const D3DXVECTOR3 DEFAULT_BOX_MIN(-0.4f, -0.5f, -0.7f);
const D3DXVECTOR3 DEFAULT_BOX_MAX(0.4f, 0.5f, 0.7f);
const float DEFAULT_RECORD_RADIUS = 1.0f;

enum { ROW_POSITION = 3 };

const D3DXMATRIX& IdentityMatrix()
{
    static const D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return identity;
}

void BuildDefaultCollisionBox(CCollisionObject& record)
{
    record.m_pRoot = std::make_unique<CCollisionBox>();
    record.m_pRoot->m_vMin = DEFAULT_BOX_MIN;
    record.m_pRoot->m_vMax = DEFAULT_BOX_MAX;
    record.m_fRadius = DEFAULT_RECORD_RADIUS;
    record.m_fRadiusSq = DEFAULT_RECORD_RADIUS * DEFAULT_RECORD_RADIUS;
    record.m_pfScale = nullptr;
}

NxShape* AddBodyBox(NxActor& actor, const BodyBox& box)
{
    NxBoxShapeDesc desc;
    desc.dimensions = box.m_HalfExtents;
    desc.shapeFlags = BODY_SHAPE_FLAGS;
    NxShape* shape = actor.createShape(desc);
    if (shape != nullptr)
        shape->setLocalPosition(box.m_Position);
    return shape;
}

D3DCOLORVALUE Opaque(const D3DXCOLOR& colour)
{
    return D3DCOLORVALUE{colour.r, colour.g, colour.b, 1.0f};
}

} // namespace

const CCollisionObject& GetDefaultCollisionRecord()
{
    static const CCollisionObject record = [] {
        CCollisionObject built;
        BuildDefaultCollisionBox(built);
        return built;
    }();
    return record;
}

CGameActor::CGameActor()
    : m_fWalkSpeed(DEFAULT_WALK_SPEED),
      m_fRunSpeed(DEFAULT_RUN_SPEED),
      m_fTurnSpeed(DEFAULT_TURN_SPEED),
      m_fCurrentLife(DEFAULT_LIFE),
      m_fMaxLife(DEFAULT_LIFE),
      m_fJumpTimer(NOT_JUMPING),
      m_pHandMatrix(&IdentityMatrix())
{
}

CGameActor::CGameActor(const CGameActor& other) : CGameActor()
{
    *this = other;
}

CGameActor& CGameActor::operator=(const CGameActor& other)
{
    if (this == &other)
        return *this;
    Shutdown();
    CopyFrom(other);
    ResolveArmRotFrames();
    return *this;
}

// The body, its shapes, the jump timer and the per-frame flags stay this
// actor's own.
void CGameActor::CopyFrom(const CGameActor& other)
{
    m_Name = other.m_Name;
    m_AssetType = other.m_AssetType;
    m_bInitialised = other.m_bInitialised;
    m_bReady = other.m_bReady;
    m_Model = other.m_Model;
    m_pController = other.m_pController;
    m_bWalking = other.m_bWalking;
    m_bWalkStrafing = other.m_bWalkStrafing;
    m_bRunning = other.m_bRunning;
    m_bRunStrafing = other.m_bRunStrafing;
    m_bDodging = other.m_bDodging;
    m_bDodgeReady = other.m_bDodgeReady;
    m_pCar = other.m_pCar;
    m_fWalkSpeed = other.m_fWalkSpeed;
    m_fRunSpeed = other.m_fRunSpeed;
    m_fTurnSpeed = other.m_fTurnSpeed;
    m_fMaxLife = other.m_fMaxLife;
    m_fCurrentLife = other.m_fCurrentLife;
    m_vArmRotOffset = other.m_vArmRotOffset;
    m_bGunPose = other.m_bGunPose;
    m_fAimAngle = other.m_fAimAngle;
    m_ArmRotFrames = other.m_ArmRotFrames;
    m_CollisionObject = other.m_CollisionObject;
    m_bAlive = other.m_bAlive;
    m_bRocketLauncher = other.m_bRocketLauncher;
    m_fWantedLevel = other.m_fWantedLevel;
    m_bUseMaterial = other.m_bUseMaterial;
    m_Material = other.m_Material;
}

CGameActor::~CGameActor()
{
    CGameActor::Shutdown();
}

// The weapons carried go with the actor.
bool CGameActor::Shutdown()
{
    ReleaseBody();
    ClearWeapons();
    return true;
}

void CGameActor::ReleaseBody()
{
    ReleasePhysics();
    m_pHeadShape = nullptr;
    m_pFeetShape = nullptr;
}

bool CGameActor::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    if (!ReadBlock(reader, KEYWORD_GAME_ACTOR))
        return false;
    ResolveArmRotFrames();
    if (!HasHandFrame())
        g_Log.Write("Game actor <" + m_Name + "> has no frame <" + HAND_FRAME_NAME +
                    ">: what it holds sits at its model's root");
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CGameActor::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_SRC)) {
        cObject* model = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), model, true);
        m_Model = *model;
    } else if (reader.Match(KEYWORD_POS)) {
        const D3DXVECTOR3 position = reader.GetVector3();
        m_Model.SetPosition(&position);
    } else if (reader.Match(KEYWORD_SCALE)) {
        m_Model.m_fScale = reader.GetFloat();
    } else if (reader.Match(KEYWORD_ROT_MATRIX_CORRECT)) {
        m_Model.m_matCorrection = reader.GetMatrix();
    } else if (reader.Match(KEYWORD_WALK_SPEED)) {
        m_fWalkSpeed = reader.GetFloat();
    } else if (reader.Match(KEYWORD_RUN_SPEED)) {
        m_fRunSpeed = reader.GetFloat();
    } else if (reader.Match(KEYWORD_TURN_SPEED)) {
        m_fTurnSpeed = reader.GetFloat();
    } else if (reader.Match(KEYWORD_MAX_LIFE)) {
        m_fMaxLife = reader.GetFloat();
    } else if (reader.Match(KEYWORD_CURRENT_LIFE)) {
        m_fCurrentLife = reader.GetFloat();
    } else if (reader.Match(KEYWORD_ARM_ROT_OFFSET)) {
        m_vArmRotOffset = reader.GetVector3();
    } else if (reader.Match(KEYWORD_ARM_ROT_FRAME)) {
        m_ArmRotFrames.push_back(CArmRotFrame{nullptr, reader.GetString()});
    } else if (reader.Match(KEYWORD_COLLISION_DATA)) {
        ReadCollisionData(reader);
    } else if (reader.Match(KEYWORD_COLOR)) {
        const D3DXCOLOR colour = reader.GetColor();
        m_Material.Diffuse = D3DCOLORVALUE{colour.r, colour.g, colour.b, colour.a};
        m_Material.Ambient = Opaque(colour);
        m_Material.Emissive = Opaque(colour);
        m_bUseMaterial = true;
    } else if (reader.Match(KEYWORD_ORIENTATION)) {
        m_Model.m_matObject = reader.GetMatrix();
        SyncPhysicsPose();
    } else if (reader.Match(KEYWORD_ANIMATION)) {
        m_Model.SetAnimation(reader.GetString().c_str());
    } else {
        return false;
    }
    return true;
}

// "CalculateRadius" counts only right after the file name.
void CGameActor::ReadCollisionData(CDataBuffer& reader)
{
    m_CollisionObject.Load(reader.GetString());
    if (reader.Match(KEYWORD_CALCULATE_RADIUS))
        m_CollisionObject.ComputeRadius();
}

void CGameActor::ResolveArmRotFrames()
{
    cMesh& mesh = m_Model.GetMesh();
    auto unresolved = [this, &mesh](CArmRotFrame& entry) {
        cFrame* frame = mesh.FindFrame(entry.m_FrameName.c_str());
        entry.m_pMatrix = frame != nullptr ? &frame->m_matTransform : nullptr;
        if (frame == nullptr)
            g_Log.Write("Game actor <" + m_Name + "> has no frame <" + entry.m_FrameName +
                        "> to aim with: ArmRotFrame dropped");
        return frame == nullptr;
    };
    m_ArmRotFrames.erase(std::remove_if(m_ArmRotFrames.begin(), m_ArmRotFrames.end(), unresolved),
                         m_ArmRotFrames.end());

    const cFrame* hand = mesh.FindFrame(HAND_FRAME_NAME);
    m_pHandMatrix = hand != nullptr ? &hand->m_matModel : &IdentityMatrix();
}

bool CGameActor::HasHandFrame() const
{
    return m_pHandMatrix != &IdentityMatrix();
}

void CGameActor::CreatePhysics()
{
    // A second body would leave the first behind in the scene.
    ReleaseBody();
    m_u8Kind = KIND_GAME_ACTOR;
    g_Physics.CreateBoxActor(true, &m_PhysicsObject.m_pActor);
    m_fWantedLevel = 0.0f;
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor == nullptr)
        return;

    NxShape* unitBox = actor->getShapes()[0];
    m_pFeetShape = AddBodyBox(*actor, FEET_BOX);
    AddBodyBox(*actor, TORSO_BOX);
    m_pHeadShape = AddBodyBox(*actor, HEAD_BOX);
    unitBox->setGroup(COLLISION_GROUP_IGNORED);
    actor->releaseShape(*unitBox);
    actor->updateMassFromShapes(BODY_DENSITY, BODY_MASS);
    LinkPhysicsActor();
}

void CGameActor::EnablePhysics()
{
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor == nullptr)
        return;
    if (actor->readActorFlag(NX_AF_DISABLE_COLLISION))
        actor->clearActorFlag(NX_AF_DISABLE_COLLISION);
    if (actor->readBodyFlag(NX_BF_FROZEN))
        actor->clearBodyFlag(NX_BF_FROZEN);
}

void CGameActor::DisablePhysics()
{
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor == nullptr)
        return;
    if (!actor->readActorFlag(NX_AF_DISABLE_COLLISION))
        actor->raiseActorFlag(NX_AF_DISABLE_COLLISION);
    if (!actor->readBodyFlag(NX_BF_FROZEN))
        actor->raiseBodyFlag(NX_BF_FROZEN);
}

void CGameActor::SyncPhysicsPose()
{
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor == nullptr)
        return;
    const D3DXMATRIX& object = m_Model.m_matObject;
    actor->setGlobalOrientation(ToNxOrientation(object));
    actor->setGlobalPosition(NxVec3(object._41, object._42, object._43));
}

void CGameActor::StopMoving()
{
    m_vVelocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor != nullptr)
        actor->setLinearVelocity(NxVec3(0.0f, 0.0f, 0.0f));
}

void CGameActor::UpdateCollision()
{
    const uint32_t noFlags = 0;
    m_CollisionObject.Set(m_CollisionObject.m_fRadius, &m_Model.m_matObject, ACTOR_COLLISION_KIND, &m_Model.m_fScale,
                          noFlags,
                          &m_Model.m_matScaledObject);
}

void CGameActor::SetMaterial(const D3DMATERIAL8* pMaterial, bool bUse)
{
    m_bUseMaterial = bUse;
    if (pMaterial != nullptr)
        m_Material = *pMaterial;
}

void CGameActor::Draw()
{
    if (m_bUseMaterial)
        m_Model.RenderWithColours(m_Material);
    else
        m_Model.Render();
    if (m_pCurrentWeapon != nullptr)
        m_pCurrentWeapon->Draw();
}

bool CGameActor::IsWithinRange(const D3DXVECTOR3& point, float radius) const
{
    const D3DXMATRIX& placement = m_Model.m_matScaledObject;
    const D3DXVECTOR3 offset = point - D3DXVECTOR3(placement._41, placement._42, placement._43);
    return D3DXVec3LengthSq(&offset) <= radius * radius;
}

void CGameActor::RestoreLife()
{
    m_fCurrentLife = m_fMaxLife;
    if (m_fCurrentLife <= 0.0f)
        return;
    StandUp();
}

// Nothing of the stride or the leap the actor died in may outlive it: a run
// flag left on would keep the next run from setting its animation.
void CGameActor::StandUp()
{
    m_bAlive = true;
    m_bWalking = false;
    m_bRunning = false;
    m_bWalkStrafing = false;
    m_bRunStrafing = false;
    m_bDodging = false;
    m_bDodgeReady = true;
    m_Model.SetAnimation(IDLE_ANIMATION);
}

void CGameActor::SetWantedLevel(unsigned int level)
{
    // Whole levels only; a negative maximum allows none.
    const float cap = std::floor(std::max(g_CrimeFile.MaxWantedLevel, 0.0f));
    m_fWantedLevel = std::min(static_cast<float>(level), cap);
}

void CGameActor::TakeBurnDamage()
{
    m_bHurt = true;
    m_fCurrentLife -= BURN_DAMAGE_PER_SECOND * g_FrameTimer.GetFrameTime();
}

void CGameActor::PickUpWeapon(std::unique_ptr<CWeapon> weapon)
{
    if (!weapon)
        return;
    if (m_Weapons.empty()) {
        m_Weapons.push_back(std::move(weapon));
        SelectWeapon(0);
        if (this == g_PlayerActor && m_pCar == nullptr && m_pCurrentWeapon != nullptr)
            ShowAimCursor(*m_pCurrentWeapon);
        return;
    }
    for (const std::unique_ptr<CWeapon>& carried : m_Weapons) {
        if (carried->m_iWeaponID == weapon->m_iWeaponID) {
            carried->m_fAmmunition += weapon->m_fAmmunition;
            return;
        }
    }
    weapon->m_bShown = false;
    m_Weapons.push_back(std::move(weapon));
}

void CGameActor::ShowAimCursor(const CWeapon& weapon)
{
    CInGameMouse* cursor = m_pController != nullptr ? m_pController->GetCursor() : nullptr;
    if (cursor == nullptr)
        return;
    cursor->SetVisible(true);
    cursor->SetTexture(weapon.m_pAimTexture, false);
}

void CGameActor::SelectWeapon(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_Weapons.size())
        return;
    if (m_pCurrentWeapon != nullptr && m_pCurrentWeapon->m_bScoped)
        return;
    if (m_pCurrentWeapon != nullptr)
        m_pCurrentWeapon->m_bShown = false;
    m_iCurrentWeapon = index;
    CWeapon& weapon = *m_Weapons[static_cast<size_t>(index)];
    m_pCurrentWeapon = &weapon;
    weapon.m_bShown = true;
    weapon.AttachTo(this, &GetHandMatrix());
    weapon.m_DisplayObject.SetLocalMatrix(weapon.m_matHolding);
    m_bRocketLauncher = weapon.m_iWeaponID == WEAPON_ROCKET_LAUNCHER;
    if (m_pController == nullptr)
        return;
    if (CInGameMouse* cursor = m_pController->GetCursor())
        cursor->SetTexture(weapon.m_pAimTexture, false);
    const float aimPos[2] = {weapon.m_vAimPos.x, weapon.m_vAimPos.y};
    m_pController->SetCursorPosition(aimPos);
}

void CGameActor::NextWeapon()
{
    const int next = m_iCurrentWeapon + 1;
    SelectWeapon(static_cast<size_t>(next) < m_Weapons.size() ? next : 0);
}

void CGameActor::PrevWeapon()
{
    const int last = static_cast<int>(m_Weapons.size()) - 1;
    SelectWeapon(m_iCurrentWeapon > 0 ? m_iCurrentWeapon - 1 : last);
}

void CGameActor::ClearWeapons()
{
    m_pCurrentWeapon = nullptr;
    m_iCurrentWeapon = 0;
    m_Weapons.clear();
}

void CGameActor::GetAimRay(D3DXVECTOR3* pDirection, D3DXVECTOR3* pOrigin) const
{
    if (m_pController == nullptr)
        return;
    const CCamera* camera = m_pController->GetCamera();
    const float* cursor = m_pController->GetCursorPosition();
    if (camera == nullptr || cursor == nullptr)
        return;
    const D3DXMATRIX& view = camera->GetWorldMatrix();
    ScreenPointToRay(pDirection, D3DXVECTOR2(cursor[0], cursor[1]), g_matProjection, view);
    *pOrigin = GetMatrixRow(view, ROW_POSITION);
}

bool CGameActor::FireWeapon()
{
    if (m_pCurrentWeapon == nullptr)
        return false;
    D3DXVECTOR3 direction(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    GetAimRay(&direction, &origin);
    return m_pCurrentWeapon->TryFire(direction, origin);
}

void CGameActor::UseWeaponSecondary()
{
    if (m_pCurrentWeapon != nullptr)
        m_pCurrentWeapon->SecondaryAction(0);
}
