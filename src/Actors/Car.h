#pragma once
// The drivable car. Every kind of car is a prototype from a "Car" block of
// "Scripts\Cars.txt" (the grammar is at the top of that file); the world's
// cars are copies of one, given the level's property lines, Reset, and built
// into the physics when their sector becomes active.
//
// The body's matrix is the car's world matrix and its fourth row the car's
// position. A car kind owns its suspension table; its copies share it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Actors/CarEngine.h"
#include "Actors/Door.h"
#include "Actors/SuspensionTable.h"
#include "Actors/Tire.h"
#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Display/ComplexObject.h"
#include "Effects/Effect.h"
#include "Effects/ParticleSystem.h"
#include "Physics/CollidableObject.h"
#include "Physics/Physics.h"
#include "Sound/SFX3D.h"
#include "platform/d3dx8/D3DX8Math.h"

class CController;
class CGameActor;
class NxActor;
class NxShape;

// Non-zero while the developer console's car editor is on: the driver then
// tunes the car live (CCar::EditTuning) and the HUD shows its values.
extern int32_t g_CarEditMode;

// A box around a fuel tank, in car space; a shot into it sets the car alight.
struct CGasTankShape {
    // Null until the physics is built.
    NxShape* m_pShape = nullptr;
    D3DXVECTOR3 m_vMax;
    D3DXVECTOR3 m_vMin;
    D3DXMATRIX m_matLocal;
};

class CCar : public CCollidableObject, public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CCar";
    static constexpr const char* BLOCK_KEYWORD = "Car";
    static constexpr float DEFAULT_HULL = 100.0f;
    static constexpr float DEFAULT_FLAT_TIRE_RADIUS = 0.31f;
    static constexpr float EXPLOSION_DELAY = 3.0f;
    // How far from the camera a car may be before it is recycled; the car
    // grid sets its own.
    static constexpr float DEFAULT_RECYCLE_DISTANCE = 875.0f;
    // The tyres the tuning editor selects among.
    enum { EDIT_SELECTIONS = 4 };
    // The driver's actions a car reads, the player's keys and an AI
    // driver's bytes alike.
    enum {
        ACTION_GAS = 14,
        ACTION_BRAKE = 15,
        ACTION_TURN_LEFT = 16,
        ACTION_TURN_RIGHT = 17,
        ACTION_HORN = 18,
        ACTION_HAND_BRAKE = 19,
    };

    CCar();
    // A world car from a prototype: it shares the suspension table, owns
    // copies of everything else, never loads again and has no driver.
    CCar(const CCar& other);
    CCar& operator=(const CCar&) = delete;
    ~CCar() override;

    const char* GetClassName() const override { return CLASS_NAME; }

    bool Shutdown() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    std::vector<CTireContact>* GetTireContacts() override { return &m_TireContacts; }
    // The car hits `pOther`: impact damage when both it and their closing
    // speed are fast; the result of the other's TakeDamage, false without one.
    bool OnContact(CCollidableObject* pOther, NxContactPair* pPair) override;
    // Hull damage, the crimes it makes, and the driver's reaction; true.
    bool TakeDamage(const CDamageInfo& damage, NxContactPair* pPair) override;

    // After the script: the collision box from the body's meshes when the
    // script gave no radius.
    void BuildBoundsFromBody();
    // The tyre materials, two per (tyre type, suspension), into the
    // suspension table: the type's own frictions for the first of each pair,
    // fixed ones for the second and for later suspensions of that type.
    void CreateMaterials();
    // Placement defaults and the first choice of tyres; false for a car with
    // tyres but no tyre types.
    bool PostLoad();

    // Ready to be placed again: unexploded, idle engine, fresh tyres of a
    // newly picked type, bound matrices, paint. The hull is kept.
    void Reset();
    // Whole again: full hull, unexploded, every tyre counted.
    void Repair();

    // Metres per second along the body's forward axis, negative backwards;
    // 0 without an actor.
    float GetForwardSpeed() const;
    // How far the car runs at its deceleration; FLT_MAX when it has none.
    float GetStoppingDistance() const;
    void SetSpeed(float speed);
    // The driver's seat in the world, or null for a car without seats.
    const D3DXMATRIX* GetDriverSeat() const;
    // Whoever drives; null leaves the car to itself.
    CController* GetController() const { return m_pController; }
    void SetController(CController* pController) { m_pController = pController; }
    // The physics of a placed car: the body's actor with its collision
    // boxes, gas tanks and tyre capsules, the doors on their hinges; then
    // the paint and the engine sound. Without a scene only those two.
    void CreatePhysics();
    // The engine stops, the tyre records go, the doors' physics, then the body's.
    void ReleasePhysics();
    // Both effects, and body, wheels and doors that are in sight, to the
    // render queue; the off-screen time counts how long the body is not.
    void Draw();

    // The paint on the body's and every door's colour group 1.
    void SetColour(const D3DMATERIAL8* material);
    // The current paint table's entry (its default past the end).
    void SetColourIndex(int index);

    // The car editor: the driver's actions tune springs, capsule heights,
    // mass and centre of mass, select tyres, and save (`SaveTuning`).
    void EditTuning();
    // The tuning values, queued as text at the top right of the screen.
    void PrintTuning() const;
    // "<asset name>.txt" in the working folder; skipped when unwritable.
    void SaveTuning() const;
    // The tuning text PrintTuning shows.
    void FormatTuning(char* text, size_t size) const;

    // Once a frame, before Update: the driver's actions into the drive
    // acceleration, the along-velocity flag and the steer angle; brake
    // lights, hand brake, horn, radio and the car editor. Nothing while the
    // physics stands still.
    void UpdateDriving();
    // Once a frame, after UpdateDriving: burning and the explosion, roll-over
    // damage, the centre of mass, the drive at the tyre contacts, the wheels,
    // meshes, sounds and effects following the actor, and the removal test.
    void Update();
    // Colour group 4 lit red, or back to its own material.
    void SetBrakeLights(bool on);

    // Explosions write a velocity change here for the next update to add.
    D3DXVECTOR3& GetPendingVelocityChange() { return m_BoundingBox.m_vMin; }
    CSuspensionTable* GetSuspensionTable() const { return m_pSuspensionTable.get(); }
    bool OwnsSuspensionTable() const { return m_bOwnsSuspensionTable; }

    std::vector<CGasTankShape> m_GasTanks;
    CComplexObject m_Body;
    std::vector<CDoor> m_Doors;
    // Set by the explosion. It is also the car's lock: while set no actor
    // gets in; missions lock their cars with it and leaving a car clears it.
    bool m_bBurnt = false;
    std::shared_ptr<CSuspensionTable> m_pSuspensionTable;
    bool m_bOwnsSuspensionTable = false;
    CCarEngine m_Engine;
    bool m_bEditSelected[EDIT_SELECTIONS] = {true, true, true, true};
    SFX3D m_Horn;
    bool m_bHornPlaying = false;
    // Whether colour group 4 wears the brake lights' red.
    bool m_bBrakeLightsLit = false;
    std::vector<std::string> m_TireTypeNames;
    float m_fTireScale = 1.0f;
    float m_fFlatTireRadius = DEFAULT_FLAT_TIRE_RADIUS;
    // Car space.
    std::vector<D3DXMATRIX> m_Seats;
    D3DXMATRIX m_matDriverSeat;
    D3DXVECTOR3 m_vScriptCenterOfMass;
    D3DXVECTOR3 m_vCenterOfMassOffset;
    float m_fDriveAcceleration = 0.0f;
    float m_fDeceleration = 0.0f;
    float m_fMaxSpeedReverse = 0.0f;
    bool m_bAlongVelocity = false;
    // Radians, and radians per second.
    float m_fSteerAngleMax = 0.0f;
    float m_fSteerAngleDelta = 0.0f;
    float m_fSteerAngle = 0.0f;
    float m_fHullMax = DEFAULT_HULL;
    float m_fHull = DEFAULT_HULL;
    float m_fUpsideDownTime = 0.0f;
    // Where the physics build puts the car.
    D3DXMATRIX m_matSpawn;
    float m_fRecycleDistance = DEFAULT_RECYCLE_DISTANCE;
    float m_fOffScreenTime = 0.0f;
    float m_fTimeInWorld = 0.0f;
    bool m_bRecyclable = true;
    bool m_bInWorld = false;
    // The level takes a removed car out of its list.
    bool m_bRemoved = false;
    // Appended by the contact report, consumed by the update.
    std::vector<CTireContact> m_TireContacts;
    // Tyres with a capsule; 0 after the explosion.
    uint32_t m_uActiveTires = 0;
    std::vector<CTire> m_Tires;
    // Observer: whoever drives, null when nobody does.
    CController* m_pController = nullptr;
    CParticleEmitter m_Exhaust;
    float m_fExplosionTimer = EXPLOSION_DELAY;
    // Both follow the body's world matrix.
    CEffect m_SmokingEffect;
    CEffect m_ExplosionEffect;
    // Cleared by the explosion, set by Repair.
    bool m_bNotExploded = true;
    std::string m_CollisionDataName;
    bool m_bRadiusCalculated = false;

private:
    bool ReadCarProperty(CDataBuffer& reader);
    void ReadCollisionData(CDataBuffer& reader);
    void ReadSeats(CDataBuffer& reader);
    void ReadTireTypeNames(CDataBuffer& reader);
    void ReadTires(CDataBuffer& reader);
    void ReadGasTank(CDataBuffer& reader);
    void ReadDoor(CDataBuffer& reader);
    static void ReadEffect(CDataBuffer& reader, CEffect& effect);
    // The actor's pose from the spawn matrix, its collision and gas-tank
    // boxes, mass and centre of mass, and the tyre capsules.
    void BuildBody(NxActor& actor);
    void CreateGasTankShapes(NxActor& actor);
    void CreateTireShapes(NxActor& actor);
    // The grip material of a tyre: its type's and its suspension's.
    NxMaterialIndex GetTireMaterial(const CTire& tire) const;
    void CreateDoor(CDoor& door, NxActor* carActor);
    // A paint from the current table: both the whole tree's material,
    // unused, and colour group 1's.
    void Paint();
    void StartEngineSound();
    // Capsule height of tyre `index` for the tuning text; -1 without one.
    float GetTireHeight(size_t index) const;
    void EditTireHeights(float delta);
    void EditMass(float delta);
    void EditCenterOfMass(const D3DXVECTOR3& delta);
    void SetOuterRadius(float radius);
    // Every tyre's suspension index lies in the table.
    void CheckSuspensionIndices() const;
    // The tyre type (one draw when there are several) and its mesh for all
    // wheels; false with tyres but no tyre types.
    bool PickTires();
    // The world matrices of body and doors readable by others; the collision
    // record, the exhaust and the effects on the body's.
    void BindMatrices();
    // The actor's forward axis (its orientation's third column).
    NxVec3 GetActorForward() const;
    void UpdateHandBrake(const uint8_t* actions, float speed);
    void UpdateSteering(const uint8_t* actions, float dt);
    void SteerTires();
    void UpdateHorn(bool held);
    void StopHorn();
    // The horn and the brake lights off, as without a driver.
    void StopDriverSignals();
    // The explosion timer and, when it runs out, the explosion itself.
    void UpdateBurning(float dt);
    void Explode();
    void UpdateUpsideDown(float dt);
    void UpdateCenterOfMass(float dt);
    // Each tyre contact of the frame: the tyre's contact point and the drive.
    void ApplyTireContacts();
    void ApplyDrive(const CTire& tire, const NxVec3& point);
    void UpdateWheels(float dt);
    void FollowActor(float dt);
    void UpdateRemoval();
    // The actor's position, or the body's without one.
    D3DXVECTOR3 GetWorldPosition() const;
    // Who fired or struck: a projectile's shooter, or the actor itself.
    static CGameActor* FindAttacker(const CDamageInfo& damage);
    void ReactToDirectHit(CGameActor* attacker);
    bool IsGasTank(const NxShape* shape) const;

    // "NumSeats": how many matrices "Seat" may read.
    uint32_t m_uDeclaredSeats = 0;
};
