#pragma once
// Every walking human: the player, pedestrians, police officers and drivers
// on foot. An actor is an animated model on a physics body of three boxes
// (feet, body, head), with life, a wanted level, the car it sits in and the
// controller that drives it. Prototypes come from the "GameActor" blocks of
// "Scripts\GameActors.txt"; the world's actors are copies of them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Actors/Weapon.h"
#include "Collision/CollisionObject.h"
#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Display/AnimatedObject.h"
#include "Physics/CollidableObject.h"
#include "platform/d3d8/D3D8Types.h"
#include "platform/d3dx8/D3DX8Math.h"

class CCar;
class CController;
class NxShape;

// A frame of the model that the aim turns, by name, and its animated local
// transform in the actor's own model (null until resolved).
struct CArmRotFrame {
    D3DXMATRIX* m_pMatrix = nullptr;
    std::string m_FrameName;
};

class CGameActor : public CCollidableObject, public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CGameActor";
    // The frame a held weapon hangs from.
    static constexpr const char* HAND_FRAME_NAME = "Bip01_R_Hand";
    // Set in the per-frame flags by a jump.
    static constexpr uint32_t FRAME_FLAG_JUMPED = 8;
    // The one key that both gets into a car on foot and out of it again.
    static constexpr int ACTION_GET_IN_CAR = 22;

    CGameActor();
    // A copy of a prototype: no body of its own until CreatePhysics.
    CGameActor(const CGameActor& other);
    CGameActor& operator=(const CGameActor& other);
    ~CGameActor() override;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Shutdown() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }

    // Points every ArmRot entry at its frame in this actor's model, dropping
    // (with a log line) those that name no frame; finds the hand frame.
    void ResolveArmRotFrames();

    // The three-box body, kind 16, mass 10; the wanted level starts at 0.
    void CreatePhysics();
    void EnablePhysics();
    void DisablePhysics();
    // The body takes the model's object matrix as its pose.
    void SyncPhysicsPose();
    // No velocity left, in the actor or its body.
    void StopMoving();
    void UpdateCollision();
    // A null material keeps the one there is.
    void SetMaterial(const D3DMATERIAL8* pMaterial, bool bUse);
    void Draw();
    // The per-frame step and the pose that follows it; the level runs both
    // for the player every frame.
    void Update();
    void UpdateAnimation();

    bool TakeDamage(const CDamageInfo& damage, NxContactPair* pPair) override;
    bool OnContact(CCollidableObject* pOther, NxContactPair* pPair) override;

    // Into the driver's seat of `pCar` (null does nothing); out again beside it.
    void EnterCar(CCar* pCar);
    void ExitCar();
    // Off the seat on the spot: `lift` up and a little to the seat's left,
    // on a body that moves again, hanging from nothing. The car is not
    // touched: it may already be gone.
    void StepOutOfCar(float lift);

    // From the placement position (the scaled object matrix's translation).
    bool IsWithinRange(const D3DXVECTOR3& point, float radius) const;
    // Life back to the maximum and, when that is above 0, on its feet.
    void RestoreLife();
    // Alive, standing idle: the death pose and any stride or leap are over.
    void StandUp();
    // Capped by the crime manager's maximum.
    void SetWantedLevel(unsigned int level);
    // Burning in a car: hurt, and life lost at 5 a second.
    void TakeBurnDamage();

    // The actor owns what it carries. The first weapon is taken in hand; one
    // of a type already carried gives its ammunition and is deleted; any
    // other is carried hidden.
    void PickUpWeapon(std::unique_ptr<CWeapon> weapon);
    // Nothing while the current weapon is scoped, or for an index not carried.
    void SelectWeapon(int index);
    void NextWeapon();
    void PrevWeapon();
    // Deletes every weapon carried.
    void ClearWeapons();
    CWeapon* GetCurrentWeapon() const { return m_pCurrentWeapon; }
    const std::vector<std::unique_ptr<CWeapon>>& GetWeapons() const { return m_Weapons; }
    int GetCurrentWeaponIndex() const { return m_iCurrentWeapon; }

    // The ray under the controller's cursor, from its camera; not normalised.
    // Left as it was without a controller, a cursor or a camera.
    void GetAimRay(D3DXVECTOR3* pDirection, D3DXVECTOR3* pOrigin) const;
    // The current weapon's fire gate along the aim ray; false without a weapon.
    bool FireWeapon();
    void UseWeaponSecondary();

    // The hand frame in the model (cObject::UpdateModelMatrices keeps it);
    // the model's root when it has no hand.
    const D3DXMATRIX& GetHandMatrix() const { return *m_pHandMatrix; }
    bool HasHandFrame() const;

    // The current weapon is a rocket launcher: the gun stays up.
    bool m_bRocketLauncher = false;
    // Observers into the body's shapes, valid while it exists: a bullet into
    // the head kills, the feet tell when a jump has landed.
    NxShape* m_pHeadShape = nullptr;
    NxShape* m_pFeetShape = nullptr;
    cObject m_Model;
    float m_fWalkSpeed;
    float m_fRunSpeed;
    float m_fTurnSpeed;
    // Continuous damage this frame (burning, drowning).
    bool m_bHurt = false;
    float m_fCurrentLife;
    float m_fMaxLife;
    bool m_bAlive = true;
    // The body's linear velocity over one update.
    D3DXVECTOR3 m_vVelocity;
    // Radians: how far the arm frames are turned up to aim.
    float m_fAimAngle = 0.0f;
    D3DXVECTOR3 m_vArmRotOffset;
    bool m_bGunPose = false;
    std::vector<CArmRotFrame> m_ArmRotFrames;
    // Set by others (a save prompt) so that the use key enters no car this frame.
    bool m_bUseKeyConsumed = false;
    bool m_bUseMaterial = false;
    D3DMATERIAL8 m_Material{};
    float m_fWantedLevel = 0.0f;
    bool m_bWalking = false;
    bool m_bWalkStrafing = false;
    bool m_bRunning = false;
    bool m_bRunStrafing = false;
    bool m_bDodging = false;
    bool m_bDodgeReady = true;
    bool m_bJumpLock = false;
    // The feet box was in the last contact report.
    bool m_bTouching = false;
    // Seconds of lift-off left; negative when not jumping.
    float m_fJumpTimer;
    uint32_t m_dwFrameFlags = 0;
    // Observers: the player's is g_LocalController; AI agents own theirs.
    CController* m_pController = nullptr;
    CCar* m_pCar = nullptr;
    // Where a checkpoint mission has got to.
    int32_t m_iCheckpoint = 0;

private:
    void UpdateOnFoot();
    // Watches for the leave key; the car reads the controller itself.
    void UpdateInCar();
    // The leap out of a car's way.
    void JumpOutWay();
    void UpdateStride(const uint8_t* actions, float step);
    void SetStrideAnimation(bool walking, bool running, const char* animation);
    void UpdateTurn(const float* axes);
    void UpdateAim(float dt);
    void RotateArm();
    void ApplyPendingPush();
    bool IsStruckHard(const CCollidableObject* pSource) const;
    // A point of the pair's stream on the feet box, on this actor's side.
    bool FeetTouch(const NxContactPair& pair, int side) const;

    void CopyFrom(const CGameActor& other);
    void ShowAimCursor(const CWeapon& weapon);
    void ReleaseBody();
    void ReadCollisionData(CDataBuffer& reader);

    // Observer into m_Weapons, or null.
    CWeapon* m_pCurrentWeapon = nullptr;
    std::vector<std::unique_ptr<CWeapon>> m_Weapons;
    int m_iCurrentWeapon = 0;
    // Into m_Model's hand frame, or the identity.
    const D3DXMATRIX* m_pHandMatrix;
};

// The collision record actors and projectiles start from: one box about the
// size of a person, radius 1. Built on first use.
const CCollisionObject& GetDefaultCollisionRecord();

extern CGameActor g_Player;
// The player: g_Player once the game has started, null before.
extern CGameActor* g_PlayerActor;
