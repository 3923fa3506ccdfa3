#include "Actors/Weapon.h"

#include "AI/AIControllerSet.h"

#include <algorithm>

#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Actors/ProjectilePool.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/StepTrace.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/RenderQueue.h"
#include "Display/RenderStates.h"
#include "Display/Texture.h"
#include "Input/Controller.h"
#include "Input/InGameMouse.h"
#include "Level/Level.h"

const EnumName g_WeaponTypeNames[] = {
    {"Invalid", WEAPON_INVALID}, {"Pistol", WEAPON_PISTOL},   {"Uzzi", WEAPON_UZZI},
    {"Grenade", WEAPON_GRENADE}, {"C4", WEAPON_C4},           {"Sniper", WEAPON_SNIPER},
    {"RocketLauncher", WEAPON_ROCKET_LAUNCHER},
};
const size_t g_WeaponTypeNameCount = sizeof(g_WeaponTypeNames) / sizeof(g_WeaponTypeNames[0]);

namespace {

// Agents on foot this near a shot run from where it was fired.
const float ALARM_RADIUS = 50.0f;

const char* const KEYWORD_PROJECTILE = "Projectile";
const char* const KEYWORD_FIRE_SFX = "FireSFX";
const char* const KEYWORD_DISPLAY_OBJECT = "DisplayObject";
const char* const KEYWORD_HOLDING_MATRIX = "HoldingMatrix";
const char* const KEYWORD_POS_MATRIX = "PosMatrix";
const char* const KEYWORD_HUD_ICON = "HUDIcon";
const char* const KEYWORD_EFFECT_FIRE = "EffectFire";
const char* const KEYWORD_WEAPON_ID = "WeaponID";
const char* const KEYWORD_AIM_TEXTURE = "AimTexture";
const char* const KEYWORD_AIM_POS = "AimPos";
const char* const KEYWORD_AIM_TEXTURE_SEC = "AimTextureSec";
const char* const KEYWORD_AIM_POS_SEC = "AimPosSec";
// Keeps the display object there is.
const char* const NO_DISPLAY_OBJECT = "NONE";

struct FloatKeyword {
    const char* m_Keyword;
    float CWeapon::*m_pMember;
};
const FloatKeyword FLOAT_KEYWORDS[] = {
    {"WarmUpTime", &CWeapon::m_fWarmUpTime},
    {"RepeatDelay", &CWeapon::m_fRepeatDelay},
    {"AmmoMax", &CWeapon::m_fAmmoMax},
    {"AmmoPickup", &CWeapon::m_fAmmunition},
    {"SoundFireVol", &CWeapon::m_fSoundFireVol},
    {"EffectFireTotalTimeDelay", &CWeapon::m_fEffectFireTotalTimeDelay},
    {"ChargeTime", &CWeapon::m_fChargeTime},
    {"MinThrowDis", &CWeapon::m_fMinThrowDis},
    {"MaxThrowDis", &CWeapon::m_fMaxThrowDis},
    {"AimingScale", &CWeapon::m_fAimingScale},
};
struct BoolKeyword {
    const char* m_Keyword;
    bool CWeapon::*m_pMember;
};
const BoolKeyword BOOL_KEYWORDS[] = {
    {"LauchFromWeapon", &CWeapon::m_bLaunchFromWeapon},
    {"ChargeFire", &CWeapon::m_bChargeFire},
    {"TrackProj", &CWeapon::m_bTrackProj},
    {"AimPosSecFullScreen", &CWeapon::m_bAimPosSecFullScreen},
};

const float DEFAULT_EFFECT_FIRE_TOTAL_TIME_DELAY = 1.0f;
const float DEFAULT_EFFECT_START_DELAY = 0.1f;
// A little right of and above the centre of the screen.
const D3DXVECTOR2 DEFAULT_AIM_POS(0.55f, 0.4f);
const float DEFAULT_MIN_THROW_DIS = 3.0f;
const float DEFAULT_MAX_THROW_DIS = 50.0f;
const float DEFAULT_CHARGE_TIME = 2.0f;
const float DEFAULT_AIMING_SCALE = 1.0f;

// The view the scope gives back.
const float DEFAULT_FIELD_OF_VIEW = D3DX_PI / 4.0f;
const float DEFAULT_ASPECT = 4.0f / 3.0f;
const float DEFAULT_NEAR_PLANE = 0.1f;
const float DEFAULT_FAR_PLANE = 1000.0f;
const float NO_ZOOM = 1.0f;

enum { ROW_POSITION = 3 };

const D3DXMATRIX& Identity()
{
    static const D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return identity;
}

CCamera* OwnerCamera(const CGameActor* owner)
{
    if (owner == nullptr || owner->m_pController == nullptr)
        return nullptr;
    return owner->m_pController->GetCamera();
}

CInGameMouse* OwnerCursor(const CGameActor* owner)
{
    if (owner == nullptr || owner->m_pController == nullptr)
        return nullptr;
    return owner->m_pController->GetCursor();
}

// A display without a mode yet gets the shape of the classic screen.
void RestoreDefaultProjection()
{
    const CDisplayMode& mode = g_Display.GetCurrentMode();
    const float aspect = mode.Height == 0 ? DEFAULT_ASPECT : static_cast<float>(mode.Width) / mode.Height;
    D3DXMatrixPerspectiveFovLH(&g_matProjection, DEFAULT_FIELD_OF_VIEW, aspect, DEFAULT_NEAR_PLANE,
                               DEFAULT_FAR_PLANE);
    IDirect3DDevice8* pD3DDevice = g_Display.GetD3DDevice();
    if (pD3DDevice != nullptr)
        pD3DDevice->SetTransform(D3DTS_PROJECTION, &g_matProjection);
}

} // namespace

bool CProjectileHandle::IsLive() const
{
    return m_pProjectile != nullptr && m_pProjectile->GetGeneration() == m_u32Generation &&
           m_pProjectile->IsAlive();
}

CWeapon::CWeapon()
{
    CWeapon::Init();
}

CWeapon::CWeapon(const CWeapon& other) : CAsset(other), CStdInterface(other)
{
    CopyFrom(other);
}

CWeapon& CWeapon::operator=(const CWeapon& other)
{
    if (this == &other)
        return *this;
    CAsset::operator=(other);
    CStdInterface::operator=(other);
    CopyFrom(other);
    return *this;
}

void CWeapon::CopyFrom(const CWeapon& other)
{
    m_matWeapon = other.m_matWeapon;
    m_fEffectHold = other.m_fEffectHold;
    m_fEffectStart = other.m_fEffectStart;
    m_fEffectFireTotalTimeDelay = other.m_fEffectFireTotalTimeDelay;
    m_fEffectStartDelay = other.m_fEffectStartDelay;
    m_bEffectPending = other.m_bEffectPending;
    m_bScoped = other.m_bScoped;
    m_pAimTexture = other.m_pAimTexture;
    m_vAimPos = other.m_vAimPos;
    m_pAimTextureSec = other.m_pAimTextureSec;
    m_vAimPosSec = other.m_vAimPosSec;
    m_bAimPosSecFullScreen = other.m_bAimPosSecFullScreen;
    m_bLaunchFromWeapon = other.m_bLaunchFromWeapon;
    m_iWeaponID = other.m_iWeaponID;
    m_fWarmUpTime = other.m_fWarmUpTime;
    m_fRepeatDelay = other.m_fRepeatDelay;
    m_fAmmoMax = other.m_fAmmoMax;
    m_fRefireCounter = other.m_fRefireCounter;
    m_fMinThrowDis = other.m_fMinThrowDis;
    m_fMaxThrowDis = other.m_fMaxThrowDis;
    m_fChargeTime = other.m_fChargeTime;
    m_bTrackProj = other.m_bTrackProj;
    m_TrackedProjectiles = other.m_TrackedProjectiles;
    m_FireEffect = other.m_FireEffect;
    // The muzzle effect follows this weapon's own launch matrix, never the original's.
    if (other.m_bOwned)
        m_FireEffect.SetMatrix(&m_matWeapon);
    m_FireSFX = other.m_FireSFX;
    m_fSoundFireVol = other.m_fSoundFireVol;
    m_pHUDIcon = other.m_pHUDIcon;
    m_bShown = other.m_bShown;
    m_bChargeFire = other.m_bChargeFire;
    m_bCharging = other.m_bCharging;
    m_fCharge = other.m_fCharge;
    m_fAimingScale = other.m_fAimingScale;
    m_pOwner = other.m_pOwner;
    m_pHandMatrix = other.m_pHandMatrix;
    m_pOwnerWorldMatrix = other.m_pOwnerWorldMatrix;
    m_fAmmunition = other.m_fAmmunition;
    m_LastProjectile = other.m_LastProjectile;
    m_matHolding = other.m_matHolding;
    m_matPos = other.m_matPos;
    m_DisplayObject = other.m_DisplayObject;
    m_bOwned = other.m_bOwned;
    m_pProjectilePrototype = other.m_pProjectilePrototype;
}

bool CWeapon::Init()
{
    m_matWeapon = Identity();
    m_fEffectHold = 0.0f;
    m_fEffectStart = 0.0f;
    m_fEffectFireTotalTimeDelay = DEFAULT_EFFECT_FIRE_TOTAL_TIME_DELAY;
    m_fEffectStartDelay = DEFAULT_EFFECT_START_DELAY;
    m_bEffectPending = false;
    m_bScoped = false;
    m_pAimTexture = nullptr;
    m_vAimPos = DEFAULT_AIM_POS;
    m_pAimTextureSec = nullptr;
    m_vAimPosSec = DEFAULT_AIM_POS;
    m_bAimPosSecFullScreen = false;
    m_bLaunchFromWeapon = false;
    m_iWeaponID = WEAPON_INVALID;
    m_fWarmUpTime = 0.0f;
    m_fRepeatDelay = 0.0f;
    m_fAmmoMax = 0.0f;
    m_fRefireCounter = 0.0f;
    m_fMinThrowDis = DEFAULT_MIN_THROW_DIS;
    m_fMaxThrowDis = DEFAULT_MAX_THROW_DIS;
    m_fChargeTime = DEFAULT_CHARGE_TIME;
    m_bTrackProj = false;
    m_TrackedProjectiles.clear();
    m_fSoundFireVol = 0.0f;
    m_pHUDIcon = nullptr;
    m_bShown = false;
    m_bChargeFire = false;
    m_bCharging = false;
    m_fCharge = 0.0f;
    m_fAimingScale = DEFAULT_AIMING_SCALE;
    m_pOwner = nullptr;
    m_pHandMatrix = nullptr;
    m_pOwnerWorldMatrix = nullptr;
    m_fAmmunition = 0.0f;
    m_LastProjectile = CProjectileHandle();
    m_matHolding = Identity();
    m_matPos = Identity();
    m_bOwned = false;
    m_pProjectilePrototype = nullptr;
    m_bInitialised = false;
    m_bReady = false;
    return true;
}

// The name picks the weapon type before the keywords, so that a "WeaponID"
// line can still override it.
bool CWeapon::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!reader.Match(BLOCK_KEYWORD))
        return false;
    m_Name = reader.GetString();
    m_iWeaponID = FindEnumValue(m_Name, g_WeaponTypeNames, g_WeaponTypeNameCount);
    while (!reader.IsEndOfBuffer() && ReadProperty(reader)) {
    }
    if (!Validate())
        return false;
    m_bShown = true;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CWeapon::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    for (const FloatKeyword& row : FLOAT_KEYWORDS) {
        if (reader.Match(row.m_Keyword)) {
            this->*row.m_pMember = reader.GetFloat();
            return true;
        }
    }
    for (const BoolKeyword& row : BOOL_KEYWORDS) {
        if (reader.Match(row.m_Keyword)) {
            this->*row.m_pMember = reader.GetBool();
            return true;
        }
    }
    if (reader.Match(KEYWORD_HOLDING_MATRIX)) {
        m_matHolding = reader.GetMatrix();
    } else if (reader.Match(KEYWORD_POS_MATRIX)) {
        m_matPos = reader.GetMatrix();
    } else if (reader.Match(KEYWORD_WEAPON_ID)) {
        m_iWeaponID = FindEnumValue(reader.GetString(), g_WeaponTypeNames, g_WeaponTypeNameCount);
    } else if (reader.Match(KEYWORD_AIM_POS_SEC)) {
        m_vAimPosSec = reader.GetVector2();
    } else if (reader.Match(KEYWORD_AIM_POS)) {
        m_vAimPos = reader.GetVector2();
    } else {
        return ReadAsset(reader);
    }
    return true;
}

// The keywords that name other assets; a missing one is fatal.
bool CWeapon::ReadAsset(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_PROJECTILE)) {
        CProjectile* prototype = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), prototype, true);
        m_pProjectilePrototype = prototype;
    } else if (reader.Match(KEYWORD_FIRE_SFX)) {
        SFX3D* sound = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), sound, true);
        m_FireSFX = *sound;
    } else if (reader.Match(KEYWORD_DISPLAY_OBJECT)) {
        const std::string name = reader.GetString();
        if (name == NO_DISPLAY_OBJECT)
            return true;
        CDisplayObject3D* object = nullptr;
        g_AssetManager.GetAsset(name, object, true);
        m_DisplayObject = *object;
    } else if (reader.Match(KEYWORD_HUD_ICON)) {
        CTexture* icon = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), icon, true);
        m_pHUDIcon = icon->GetTexture();
    } else if (reader.Match(KEYWORD_EFFECT_FIRE)) {
        CEffect* effect = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), effect, true);
        m_FireEffect = *effect;
    } else if (reader.Match(KEYWORD_AIM_TEXTURE_SEC)) {
        g_AssetManager.GetAsset(reader.GetString(), m_pAimTextureSec, true);
    } else if (reader.Match(KEYWORD_AIM_TEXTURE)) {
        g_AssetManager.GetAsset(reader.GetString(), m_pAimTexture, true);
    } else {
        return false;
    }
    return true;
}

void CWeapon::AttachTo(CGameActor* owner, const D3DXMATRIX* handMatrix)
{
    m_pOwner = owner;
    m_pHandMatrix = handMatrix;
    m_pOwnerWorldMatrix = owner != nullptr ? &owner->m_Model.m_matWorld : nullptr;
    m_bOwned = true;
    m_FireEffect.SetMatrix(&m_matWeapon);
}

void CWeapon::ApplyPosMatrix()
{
    m_DisplayObject.SetLocalMatrix(m_matPos);
}

void CWeapon::Draw()
{
    if (!m_bShown)
        return;
    g_RenderQueue.AddOpaque(&m_DisplayObject);
    m_FireEffect.Render();
}

bool CWeapon::CheckPickUp() const
{
    if (m_bOwned || g_PlayerActor == nullptr)
        return false;
    return g_PlayerActor->IsWithinRange(GetPosition(), PICK_UP_RANGE);
}

bool CWeapon::TryFire(const D3DXVECTOR3& direction, const D3DXVECTOR3& origin)
{
    if (!m_bReady || m_fRefireCounter > 0.0f)
        return false;
    // An empty weapon still fires (uncharged) and stays at its count.
    if (m_fAmmunition > 0.0f) {
        if (m_bChargeFire) {
            m_bCharging = true;
            m_fCharge = std::clamp(m_fCharge + g_FrameTimer.GetFrameTime(), 0.0f, MAX_CHARGE);
            return false;
        }
        m_fAmmunition -= 1.0f;
    }
    return Fire(direction, origin);
}

CProjectile* CWeapon::SpawnProjectile() const
{
    CProjectilePool* pool = CProjectilePool::Current();
    if (pool == nullptr || m_pProjectilePrototype == nullptr)
        return nullptr;
    return pool->Spawn(*m_pProjectilePrototype);
}

bool CWeapon::Fire(const D3DXVECTOR3& direction, const D3DXVECTOR3& origin)
{
    CProjectile* projectile = SpawnProjectile();
    if (projectile == nullptr)
        return false;
    D3DXMATRIX launch = m_DisplayObject.GetWorldMatrix();
    if (!m_bLaunchFromWeapon)
        SetMatrixRow(&launch, ROW_POSITION, origin);
    D3DXVECTOR3 aim = direction;
    BuildMatrixFromDirection(&launch, &aim);

    projectile->m_vInitialVelocity = aim * m_fMaxThrowDis;
    if (m_pOwner != nullptr)
        projectile->m_IgnoreList.push_back(m_pOwner);
    projectile->Launch(launch);
    m_LastProjectile = CProjectileHandle{projectile, projectile->GetGeneration()};
    projectile->m_pOwner = m_pOwner;

    m_fRefireCounter = m_fRepeatDelay;
    PlayFireSound();
    ScheduleMuzzleEffect(launch);
    AlarmAgents(GetPosition());
    return true;
}

bool CWeapon::FireDelayed()
{
    // Nobody to aim or to carry the throw's momentum.
    if (m_pOwner == nullptr) {
        m_fCharge = 0.0f;
        return false;
    }
    CProjectile* projectile = SpawnProjectile();
    if (projectile == nullptr)
        return false;
    D3DXVECTOR3 direction(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    m_pOwner->GetAimRay(&direction, &origin);
    D3DXVec3Normalize(&direction, &direction);
    projectile->Launch(m_DisplayObject.GetWorldMatrix());

    // A ChargeTime of 0 or less throws at full strength at once.
    const float strength =
        m_fChargeTime > 0.0f ? std::clamp(m_fCharge, 0.0f, m_fChargeTime) / m_fChargeTime : 1.0f;
    const D3DXVECTOR3 velocity =
        direction * (m_fMinThrowDis + m_fMaxThrowDis * strength) + m_pOwner->m_vVelocity;
    projectile->SetVelocity(velocity);

    projectile->m_IgnoreList.push_back(m_pOwner);
    projectile->m_vInitialVelocity = velocity;
    m_LastProjectile = CProjectileHandle{projectile, projectile->GetGeneration()};
    projectile->m_pOwner = m_pOwner;
    if (m_bTrackProj)
        m_TrackedProjectiles.push_back(m_LastProjectile);

    m_fCharge = 0.0f;
    m_fRefireCounter = m_fRepeatDelay;
    PlayFireSound();
    return true;
}

void CWeapon::PlayFireSound()
{
    const D3DXVECTOR3 position = GetPosition();
    m_FireSFX.Play3D(&position, nullptr);
}

// One muzzle effect for a burst: later shots inside the hold time start none.
void CWeapon::ScheduleMuzzleEffect(const D3DXMATRIX& launch)
{
    if (m_fEffectHold > 0.0f || m_bEffectPending)
        return;
    m_fEffectHold = m_fEffectFireTotalTimeDelay;
    m_fEffectStart = m_fEffectStartDelay;
    m_matWeapon = launch;
    m_bEffectPending = true;
}

void CWeapon::AlarmAgents(const D3DXVECTOR3& position)
{
    if (g_pLevel == nullptr)
        return;
    g_pLevel->GatherAgentsInRadius(position, ALARM_RADIUS);
    for (CAIControllerSet* agent : g_pLevel->GetGatheredAgents()) {
        if (CNormalPedController* walker = agent->GetPedController())
            walker->Alarm(position);
    }
}

void CWeapon::Update()
{
    TraceStep("CWeapon::Update");
    const float seconds = g_FrameTimer.GetFrameTime();
    m_fRefireCounter -= seconds;
    m_fEffectHold = std::max(m_fEffectHold - seconds, 0.0f);
    m_fEffectStart = std::max(m_fEffectStart - seconds, 0.0f);
    StartDueMuzzleEffect();
    if (m_FireEffect.m_u8Running)
        m_FireEffect.Update(seconds);

    m_DisplayObject.UpdateWorldMatrix();
    if (m_bOwned)
        FollowOwner();

    // Charging is set again by every frame fire is held; a frame without it
    // is the release.
    if (m_bCharging)
        m_bCharging = false;
    else if (m_bChargeFire && m_fCharge > 0.0f)
        FireDelayed();
}

void CWeapon::StartDueMuzzleEffect()
{
    if (!m_bEffectPending || m_fEffectStart > 0.0f)
        return;
    SetMatrixRow(&m_matWeapon, ROW_POSITION, GetPosition());
    m_FireEffect.Reset();
    m_FireEffect.Start();
    m_bEffectPending = false;
}

// The held mesh keeps its AimingScale whatever the owner's size; an owner
// of scale 0 is taken as unscaled.
void CWeapon::FollowOwner()
{
    if (m_pOwner == nullptr || m_pHandMatrix == nullptr || m_pOwnerWorldMatrix == nullptr)
        return;
    const float ownerScale = m_pOwner->m_Model.m_fScale;
    const float scale = ownerScale != 0.0f ? m_fAimingScale / ownerScale : m_fAimingScale;
    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, scale, scale, scale);
    D3DXMATRIX world = m_DisplayObject.GetWorldMatrix() * scaling * (*m_pHandMatrix * *m_pOwnerWorldMatrix);
    m_DisplayObject.SetWorldMatrix(world);
}

bool CWeapon::SecondaryAction(int /*unused*/)
{
    if (!m_bReady)
        return false;
    if (m_bTrackProj)
        Detonate();
    if (m_iWeaponID == WEAPON_SNIPER)
        ToggleScope();
    return true;
}

// The prototype's stage: the last projectile's slot may already serve
// another shot. Shots already spent, or slots reused, are left alone.
void CWeapon::Detonate()
{
    const int stage = m_pProjectilePrototype != nullptr ? m_pProjectilePrototype->m_iDetonateStage
                                                        : CProjectile::NEXT_STAGE;
    for (const CProjectileHandle& handle : m_TrackedProjectiles)
        if (handle.IsLive())
            handle.m_pProjectile->EnterStage(stage);
    m_TrackedProjectiles.clear();
}

void CWeapon::ToggleScope()
{
    CCamera* camera = OwnerCamera(m_pOwner);
    if (camera == nullptr || camera->m_u32Mode != CCamera::MODE_CHASE) {
        ScopeOff();
        return;
    }
    m_bScoped = true;
    camera->m_u32Mode = CCamera::MODE_ZOOM;
    camera->m_vAimPoint = m_vAimPos;
    camera->m_matAimProjection = g_matProjection;
    if (CInGameMouse* cursor = OwnerCursor(m_pOwner))
        cursor->SetTexture(m_pAimTextureSec, m_bAimPosSecFullScreen);
}

void CWeapon::ScopeOff()
{
    m_bScoped = false;
    RestoreDefaultProjection();
    if (CInGameMouse* cursor = OwnerCursor(m_pOwner))
        cursor->SetTexture(m_pAimTexture, false);
    CCamera* camera = OwnerCamera(m_pOwner);
    if (camera == nullptr)
        return;
    camera->m_u32Mode = CCamera::MODE_CHASE;
    camera->m_fZoom = NO_ZOOM;
    camera->m_fInverseZoom = NO_ZOOM;
}

void CWeapon::Holster()
{
    if (m_iWeaponID == WEAPON_SNIPER && m_bScoped)
        ScopeOff();
}

D3DXVECTOR3 CWeapon::GetPosition() const
{
    return GetMatrixRow(m_DisplayObject.GetWorldMatrix(), ROW_POSITION);
}

bool PickUpIfInRange(std::unique_ptr<CWeapon>& lying)
{
    if (!lying || !lying->CheckPickUp())
        return false;
    g_PlayerActor->PickUpWeapon(std::move(lying));
    return true;
}
