#pragma once
// Every shot: a pistol bullet, a thrown grenade or C4 charge, a rocket. A
// projectile is a small machine of up to three stages, each with its own
// damage, speed, radius, range, delay, effect, physics switches and the flags
// that end it, from a "Projectile" block of "Scripts\Projectiles.txt".
//
// Weapons take instances from the level's pool (CProjectilePool), set the
// initial velocity and the ignore list, Launch, then set the owner. The pool
// updates them, casts the hit ray of direct-fire shots at the end of the
// frame, draws them and takes them back when they are finished. Hits come from
// that ray or from physics contacts and go to the hit object's TakeDamage.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Effects/Effect.h"
#include "Physics/CollidableObject.h"
#include "Sound/SFX3D.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "platform/novodex/NxSimpleTypes.h"

class CGameActor;
class NxActor;
class NxShape;

// The damage kinds of a stage.
enum {
    PROJECTILE_DAMAGE_NORMAL = 0,
    PROJECTILE_DAMAGE_COLLISION = 1,
    PROJECTILE_DAMAGE_EXPLOSION = 2,
};
// Stage-end flags: what a stage does when its effect, range, delay or a hit ends it.
enum : uint8_t {
    STAGE_END_NONE = 0,
    STAGE_END_DELETE_SELF = 1,
    STAGE_END_NEXT_STAGE = 2,
    STAGE_END_NEXT_STAGE_NEXTFRAME = 4,
};
enum : uint8_t {
    SPREAD_NONE = 0,
    // The stage grows (or shrinks) a radius up to its Range.
    SPREAD_SPHERICAL = 1,
};
enum : uint8_t {
    GUIDANCE_NORMAL = 0,
    GUIDANCE_IR = 1,
};
enum : uint8_t {
    PROJECTILE_TYPE_NONE = 0,
    // Hit-scan: the pool casts its ray at the end of every frame it is alive.
    PROJECTILE_TYPE_DIRECTFIRE = 1,
    PROJECTILE_TYPE_ROCKET = 3,
    PROJECTILE_TYPE_BOMB = 4,
};

extern const EnumName g_DamageTypeNames[];
extern const size_t g_DamageTypeNameCount;
extern const EnumName g_StageEndActionNames[];
extern const size_t g_StageEndActionNameCount;
extern const EnumName g_SpreadTypeNames[];
extern const size_t g_SpreadTypeNameCount;
extern const EnumName g_GuidanceTypeNames[];
extern const size_t g_GuidanceTypeNameCount;
extern const EnumName g_ProjectileTypeNames[];
extern const size_t g_ProjectileTypeNameCount;

// One stage of a projectile. MovementType, TurnSpeed, Duration, DestroyFlags
// and RadiusFlags are read and kept for the scripts; nothing acts on them.
struct CProjectileStage {
    int m_iDamageType = PROJECTILE_DAMAGE_NORMAL;
    float m_fDamage = 0.0f;
    uint8_t m_u8SpreadType = SPREAD_NONE;
    // The distance after which RangeFlags apply; the largest radius of a
    // SPHERICAL stage; the push strength of an EXPLOSION hit.
    float m_fRange = 0.0f;
    // The start radius (sphere size, spread) and the falloff of EXPLOSION pushes.
    float m_fRadius = 0.0f;
    float m_fTopSpeed = 0.0f;
    uint8_t m_u8MovementType = GUIDANCE_NORMAL;
    float m_fTurnSpeed = 0.0f;
    // Exists when it compiled.
    CEffect m_Effect;
    float m_fHullMax = 0.0f;
    int m_iDuration = 0;
    // Milliseconds until DelayFlags apply; 0 never.
    int m_iDelay = 0;

    // Applied on entering the stage.
    bool m_bFollowLastHitObject = false;
    bool m_bZNormalOnCollision = false;
    bool m_bResetParentMatrix = false;
    bool m_bSpawnPhysics = false;
    bool m_bKillPhysics = false;
    bool m_bChangeSphereSize = false;
    bool m_bClearCollisions = false;
    bool m_bKeepInitialVel = false;

    uint8_t m_u8EffectEndFlags = STAGE_END_NONE;
    uint8_t m_u8DestroyFlags = STAGE_END_NONE;
    uint8_t m_u8HitFlags = STAGE_END_NONE;
    uint8_t m_u8DelayFlags = STAGE_END_NONE;
    uint8_t m_u8RadiusFlags = STAGE_END_NONE;
    uint8_t m_u8RangeFlags = STAGE_END_NONE;
};

class CProjectile : public CCollidableObject, public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CProjectile";
    static constexpr const char* BLOCK_KEYWORD = "Projectile";
    static constexpr int MAX_STAGES = 3;
    // DetonateStage and the pending stage: the stage after the current one.
    static constexpr int NEXT_STAGE = -1;

    CProjectile();
    // Member-wise, but the body, the self link and the launch generation stay
    // this projectile's own: prototypes carry no body.
    CProjectile(const CProjectile& other);
    CProjectile& operator=(const CProjectile& other);
    ~CProjectile() override;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Init() override;
    // Releases the body.
    bool Shutdown() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;

    // A damage record with damage in it sends the projectile to its DetonateStage.
    bool TakeDamage(const CDamageInfo& damage, NxContactPair* pPair) override;
    // `pPair` is null for the hit ray's contact.
    bool OnContact(CCollidableObject* pOther, NxContactPair* pPair) override;

    // Fires from `matrix` (rows: right, up, forward, position) into stage 0.
    // The caller sets the initial velocity and the ignore list before, and
    // the owner after.
    void Launch(const D3DXMATRIX& matrix);
    // Stage `stage` (NEXT_STAGE: the current one + 1). A stage that does not
    // exist ends the projectile as DELETE_SELF does; a dead one enters none.
    void EnterStage(int stage);
    // The stage changes on the next update.
    void SetStageRequest(int stage);
    // The first of NEXT_STAGE, NEXT_STAGE_NEXTFRAME and DELETE_SELF in
    // `flags` acts; true when none did and this frame's checks go on.
    bool ProcessStageFlags(uint8_t flags);
    // Once a frame while not finished. A dead projectile stays unfinished
    // until its effects have played out.
    void Update();
    // The instant hit along the forward row; true.
    bool RayCastHit();
    void Draw();
    void SetVelocity(const D3DXVECTOR3& velocity);
    void CreatePhysics();
    // The body's shape becomes a sphere of `radius` that reports contacts
    // without pushing.
    void ResizeSphere(float radius);

    // Advanced by every Launch and by the pool's Reset, so a handle {pointer,
    // generation} kept from an earlier shot no longer matches a reused slot.
    uint32_t GetGeneration() const { return m_u32Generation; }
    void AdvanceGeneration() { ++m_u32Generation; }
    // The prototype the pool last spawned this slot from: only compared,
    // never followed, and not copied with the shot.
    const CProjectile* GetSpawnedFrom() const { return m_pSpawnedFrom; }
    void SetSpawnedFrom(const CProjectile* prototype) { m_pSpawnedFrom = prototype; }

    bool IsAlive() const { return m_bAlive; }
    bool IsFinished() const { return m_bFinished; }
    int GetCurrentStage() const { return m_iCurrentStage; }
    uint32_t GetNumStages() const { return m_u32NumStages; }
    // Null when the stage does not exist.
    CProjectileStage* GetStage(int stage);
    const CProjectileStage* GetStage(int stage) const;

    int m_iDetonateStage;
    int m_iPendingStage;
    D3DXVECTOR3 m_vInitialVelocity;
    // The actor that launched it (the offender of a murder).
    CGameActor* m_pOwner;
    std::string m_CollisionDataFile;
    uint32_t m_u32NumStages;
    CProjectileStage m_Stages[MAX_STAGES];
    uint8_t m_u8ProjectileType;
    // The world matrix of the last object hit: the parent of a
    // FollowLastHitObject stage.
    const D3DXMATRIX* m_pFollowedMatrix;
    // Of the last hit, pointing out of the surface towards the projectile;
    // ZNormalOnCollision turns the projectile to it.
    D3DXVECTOR3 m_vContactNormal;
    bool m_bHasContactNormal;
    const D3DXMATRIX* m_pParentMatrix;
    D3DXMATRIX m_matWorld;
    // World x parent: the stage effects are bound to it.
    D3DXMATRIX m_matFinal;
    D3DXVECTOR3 m_vLaunchPosition;
    D3DXVECTOR3 m_vLaunchDirection;
    // Plays on entering the DetonateStage.
    SFX3D m_ExplodeSFX;
    int m_iCurrentStage;
    float m_fSpeed;
    float m_fHull;
    float m_fStageDistance;
    float m_fRadius;
    // Milliseconds left of the stage's Delay.
    uint32_t m_u32DelayCounter;
    bool m_bShrinking;
    bool m_bAlive;
    bool m_bFinished;
    // The launcher and everything already hit: rays pass them, contacts with
    // them are dropped.
    std::vector<CCollidableObject*> m_IgnoreList;
    // The groups of the ignored bodies while the hit ray is out.
    std::vector<std::pair<NxActor*, NxCollisionGroup>> m_SavedGroups;
    // The last hit, from the ray or a contact.
    D3DXVECTOR3 m_vLastHitPoint;
    // The way the shot was going when its ray struck: a stage that turns to
    // the surface's normal must not shove the target back at the shooter.
    D3DXVECTOR3 m_vStrikeDirection;
    NxShape* m_pLastHitShape;

private:
    void CopyFrom(const CProjectile& other);
    bool ParseStage(CDataBuffer& reader, CProjectileStage& stage);
    // ORs flag names up to the first token that is none; "NONE" clears.
    static uint8_t ParseStageFlag(CDataBuffer& reader);
    void ReadNumStages(CDataBuffer& reader);
    bool ReadStage(CDataBuffer& reader);
    void ReadCollisionData(CDataBuffer& reader);
    void ApplyStageSwitches(const CProjectileStage& stage);
    void RequestNextFrame();
    void End();
    void Spend();
    void RunEndChecks(CProjectileStage& stage);
    // The world matrix from the body; the final matrix from both.
    void FollowBody();
    void UpdateFinalMatrix();
    bool DealDamage(CCollidableObject& other, const CProjectileStage& stage, NxContactPair* pPair);
    void Shove(CCollidableObject& other) const;
    void PushAway(CCollidableObject& other, const CProjectileStage& stage) const;
    void RecordContact(NxContactPair& pair);
    bool IsIgnored(const CCollidableObject* pObject) const;
    void HideIgnoredBodies();
    void RestoreIgnoredBodies();
    // Every stage effect follows the final matrix.
    void BindEffects();
    void StartStageEffect(CProjectileStage& stage);
    void StopStageEffect(CProjectileStage& stage);
    void UpdateEffects(float seconds);
    bool IsAnyEffectRunning() const;
    D3DXVECTOR3 GetPosition() const;
    D3DXVECTOR3 GetForward() const;

    uint32_t m_u32Generation = 0;
    const CProjectile* m_pSpawnedFrom = nullptr;
};

// Who is behind a damage record: a projectile's shooter, an actor itself;
// null for anything else.
CGameActor* FindDamageOwner(const CDamageInfo& damage);
