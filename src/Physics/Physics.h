#pragma once
// The physics manager: the SDK with its materials and its one scene, stepped
// once a frame; the terrain's static actor and the unit-box actors every
// collidable starts from; and the contact report that turns touching pairs
// into OnContact calls and tyre contacts.
//
// Every call is a harmless no-op while there is no scene (the SDK could not
// be created, or after Shutdown).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Physics/neSimulator.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "platform/novodex/NxUserContactReport.h"

class CCollidableObject;
class NxActor;
class NxPhysicsSDK;
class NxScene;
class NxShape;

// A contact point on one of a car's tyre capsules, kept for the car's update.
struct CTireContact {
    NxActor* m_pActor;
    NxShape* m_pShape;
    D3DXVECTOR3 m_vPoint;
};

class ContactReport : public NxUserContactReport {
public:
    void onContactNotify(NxContactPair& pair, NxU32 events) override { OnContactNotify(pair, events); }
    void OnContactNotify(NxContactPair& pair, NxU32 events);

private:
    static void AddTireContacts(NxContactPair& pair, int carSide, std::vector<CTireContact>& contacts);
};

class CPhysics {
public:
    // The user data of a box actor until its owner links it: no object.
    static constexpr uintptr_t PLACEHOLDER_USER_DATA = 0x88888888u;

    CPhysics();
    ~CPhysics();
    CPhysics(const CPhysics&) = delete;
    CPhysics& operator=(const CPhysics&) = delete;

    // Creates the SDK, its materials and the scene; false when either failed.
    bool Init();
    // Steps the scene by the frame time x the time scale, while enabled.
    void Update();
    void Shutdown();

    // A unit cube at the origin, dynamic (density 10) when moveable; null
    // through `ppActor` without a scene.
    void CreateBoxActor(bool bMoveable, NxActor** ppActor);
    // The static terrain from its height samples, row by row (`rows` rows of
    // `samplesPerRow`), `spacing` apart from `origin`. Only the first terrain
    // of a run gets an actor; false when none was made.
    bool CreateTerrainActor(uint32_t samplesPerRow, uint32_t rows, float spacing, const D3DXVECTOR3& origin,
                            const float* pHeights, size_t heightCount);
    // Releases the actor and clears the pointer.
    void ReleaseActor(bool bMoveable, NxActor** ppActor);
    // Parks a rigid body (or forgets an animated one) and clears the pointer.
    void ReleaseBody(bool bMoveable, neRigidBody** ppRigidBody, neAnimatedBody** ppAnimatedBody);
    void FreeParkedBodies();

    bool IsEnabled() const { return m_bEnabled; }
    void SetEnabled(bool bEnabled) { m_bEnabled = bEnabled; }
    float GetTimeScale() const { return m_fTimeScale; }
    void SetTimeScale(float fTimeScale) { m_fTimeScale = fTimeScale; }
    NxPhysicsSDK* GetSDK() const { return m_pSDK; }
    NxScene* GetScene() const { return m_pScene; }
    NxActor* GetTerrainActor() const { return m_pTerrainActor; }
    neSimulator* GetSimulator() const { return m_pSimulator; }

private:
    void CreateMaterials();

    bool m_bEnabled;
    float m_fTimeScale;
    NxActor* m_pTerrainActor;
    // The terrain actor's link: it stays null, so terrain contacts have no object.
    CCollidableObject* m_pTerrainLink;
    std::vector<neRigidBody*> m_ParkedBodies;
    neSimulator* m_pSimulator;
    NxPhysicsSDK* m_pSDK;
    NxScene* m_pScene;
    D3DXVECTOR3 m_vGravity;
    std::vector<float> m_TerrainVertices;
    std::vector<uint32_t> m_TerrainIndices;
};

// Ray casts skip this group (their mask is 0x7fff): water planes live in it,
// and shapes a ray must pass over, or that are about to go, are moved to it.
inline constexpr NxCollisionGroup COLLISION_GROUP_IGNORED = 31;

// The collidable behind an actor's user data; none for a missing actor, a
// missing or placeholder link, or a link that holds null (the terrain). Shapes
// are read through their actor: a tyre capsule's user data is its tyre record.
CCollidableObject* GetLinkedObject(const NxActor* pActor);
// Writes the link address into the user data of the actor and of each shape.
void SetActorUserData(NxActor* pActor, void* pLink);
// Puts every shape of the actor into the collision group.
void SetActorCollisionGroup(NxActor* pActor, NxCollisionGroup group);

extern CPhysics g_Physics;
