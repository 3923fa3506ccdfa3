#pragma once
// A weapon: the asset of a "Weapon" block of "Scripts\Weapons.txt" and every
// instance of it (lying in the level, carried by an actor, granted by a
// mission), each a copy of the asset. The asset itself never fires.
//
// A weapon shows its mesh in the owner's right hand, decides when a shot may
// leave (refire delay, charge), launches projectiles from the current pool
// along the owner's aim ray, plays its fire sound and a delayed muzzle
// effect, and has a secondary action (the sniper scope, remote detonation).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Display/DisplayMesh.h"
#include "Effects/Effect.h"
#include "Sound/SFX3D.h"
#include "platform/d3dx8/D3DX8Math.h"

class CGameActor;
class CProjectile;
class CTexture;
class IDirect3DTexture8;

enum {
    WEAPON_INVALID = 0,
    WEAPON_PISTOL = 1,
    WEAPON_UZZI = 2,
    WEAPON_GRENADE = 3,
    WEAPON_C4 = 4,
    WEAPON_SNIPER = 5,
    WEAPON_ROCKET_LAUNCHER = 6,
};
extern const EnumName g_WeaponTypeNames[];
extern const size_t g_WeaponTypeNameCount;

// A projectile the weapon launched, as it was then: the pool reuses its
// slots, so the projectile is the same shot only while the generation matches.
struct CProjectileHandle {
    CProjectile* m_pProjectile = nullptr;
    uint32_t m_u32Generation = 0;

    // Still the launched shot, and not spent.
    bool IsLive() const;
};

class CWeapon : public CAsset, public CStdInterface {
public:
    static constexpr const char* CLASS_NAME = "CWeapon";
    static constexpr const char* BLOCK_KEYWORD = "Weapon";
    // How near the player must come to take a weapon lying in the world.
    static constexpr float PICK_UP_RANGE = 1.6f;
    // The charge never builds beyond this many seconds.
    static constexpr float MAX_CHARGE = 5.0f;

    CWeapon();
    CWeapon(const CWeapon& other);
    CWeapon& operator=(const CWeapon& other);
    ~CWeapon() override = default;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;

    // Held from now on by `owner`, hanging from `handMatrix` (a frame of the
    // owner's model, which the owner keeps alive).
    void AttachTo(CGameActor* owner, const D3DXMATRIX* handMatrix);
    // Placed in the world: the display object takes PosMatrix.
    void ApplyPosMatrix();
    void Draw();
    // Lying in the world and the player within PICK_UP_RANGE of it.
    bool CheckPickUp() const;

    // Called every frame fire is held; true when a shot left.
    bool TryFire(const D3DXVECTOR3& direction, const D3DXVECTOR3& origin);
    // A shot along `direction`, from `origin` (the camera) or the weapon.
    bool Fire(const D3DXVECTOR3& direction, const D3DXVECTOR3& origin);
    // The charged throw, when fire is released.
    bool FireDelayed();
    void Update();
    // Remote detonation, the sniper scope; `unused` is always 0.
    bool SecondaryAction(int unused);
    // The owner gets into a car: a scoped sniper looks through the scope no more.
    void Holster();

    // Every agent on foot near a shot fired at `position` runs from it.
    static void AlarmAgents(const D3DXVECTOR3& position);

    // The launch matrix of the shot whose muzzle effect was scheduled.
    D3DXMATRIX m_matWeapon;
    // Seconds during which no new muzzle effect is scheduled.
    float m_fEffectHold;
    // Seconds until the scheduled muzzle effect starts.
    float m_fEffectStart;
    float m_fEffectFireTotalTimeDelay;
    float m_fEffectStartDelay;
    bool m_bEffectPending;
    bool m_bScoped;
    // Observers: the texture assets own them.
    CTexture* m_pAimTexture;
    D3DXVECTOR2 m_vAimPos;
    CTexture* m_pAimTextureSec;
    D3DXVECTOR2 m_vAimPosSec;
    bool m_bAimPosSecFullScreen;
    bool m_bLaunchFromWeapon;
    int m_iWeaponID;
    // Read and copied; nothing uses them.
    float m_fWarmUpTime;
    float m_fRepeatDelay;
    float m_fAmmoMax;
    // Seconds until the next shot may leave; may go below 0.
    float m_fRefireCounter;
    float m_fMinThrowDis;
    float m_fMaxThrowDis;
    float m_fChargeTime;
    bool m_bTrackProj;
    // Thrown and waiting for the remote detonation.
    std::vector<CProjectileHandle> m_TrackedProjectiles;
    CEffect m_FireEffect;
    SFX3D m_FireSFX;
    // Read and copied; nothing uses it.
    float m_fSoundFireVol;
    // Observer: the texture asset owns it.
    IDirect3DTexture8* m_pHUDIcon;
    bool m_bShown;
    bool m_bChargeFire;
    // Fire is held this frame.
    bool m_bCharging;
    // Seconds held.
    float m_fCharge;
    float m_fAimingScale;
    // Observers, while owned: the owner, its hand frame and its model's world matrix.
    CGameActor* m_pOwner;
    const D3DXMATRIX* m_pHandMatrix;
    const D3DXMATRIX* m_pOwnerWorldMatrix;
    float m_fAmmunition;
    CProjectileHandle m_LastProjectile;
    D3DXMATRIX m_matHolding;
    D3DXMATRIX m_matPos;
    CDisplayObject3D m_DisplayObject;
    bool m_bOwned;
    // Observer: the projectile asset.
    const CProjectile* m_pProjectilePrototype;

private:
    void CopyFrom(const CWeapon& other);
    bool ReadAsset(CDataBuffer& reader);
    // Takes a projectile from the current pool; null when there is none.
    CProjectile* SpawnProjectile() const;
    void PlayFireSound();
    void ScheduleMuzzleEffect(const D3DXMATRIX& launch);
    void StartDueMuzzleEffect();
    void FollowOwner();
    void Detonate();
    void ToggleScope();
    void ScopeOff();
    D3DXVECTOR3 GetPosition() const;
};

// The player takes `lying` when it passes CheckPickUp: true, and `lying` is
// left empty for the level to unlink.
bool PickUpIfInRange(std::unique_ptr<CWeapon>& lying);

// The weapon every actor may be given: a copy of "pistol".
extern CWeapon g_Pistol;
