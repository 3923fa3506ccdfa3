#pragma once
// The base of everything with a physics body. The contact report calls
// OnContact on both objects of a touching pair; each fills a damage record
// about itself and hands it to the other's TakeDamage.

#include <cstdint>
#include <vector>

#include "Collision/BoundingBox.h"
#include "Collision/CollisionObject.h"
#include "Physics/DamageInfo.h"
#include "Physics/PhysicsObject.h"

class NxContactPair;
struct CTireContact;

class CCollidableObject {
public:
    enum {
        KIND_DEFAULT = 0,
        KIND_LEVEL_OBJECT = 1,
        KIND_CAR = 2,
        KIND_WATER = 8,
        KIND_GAME_ACTOR = 16,
    };

    CCollidableObject() = default;
    // A copy has no physics actor and no self link of its own yet.
    CCollidableObject(const CCollidableObject& other);
    CCollidableObject& operator=(const CCollidableObject& other);
    // Tells the forgetting hook first, then releases the object's physics.
    virtual ~CCollidableObject();

    // Called with every collidable being destroyed, so that whoever keeps a
    // plain pointer to one (the AI's pursuers) can let go of it. Null until
    // the AI installs it.
    static void (*s_pOnDestroyed)(CCollidableObject* object);

    // `pPair` is null for damage that does not come from a contact.
    virtual bool TakeDamage(const CDamageInfo& damage, NxContactPair* pPair);
    // `pOther` is null for a contact with the terrain.
    virtual bool OnContact(CCollidableObject* pOther, NxContactPair* pPair);
    // A car's list that the contact report adds its tyre contacts to; null
    // for everything else.
    virtual std::vector<CTireContact>* GetTireContacts();
    // Draws the object where a terrain cell holds it; most objects are drawn
    // by the level's render queue instead and do nothing here.
    virtual void Render() {}

    // Sets the self link and makes its address the user data of the actor
    // and each of its shapes.
    void LinkPhysicsActor();
    // The bodies, then the actor, through the physics manager.
    void ReleasePhysics();
    // Each box shape of the actor as a white wire box at its global pose
    // (developer overlay, flag value 4). The caller applies the Line state block.
    void DebugDrawBoxShapes() const;

    // Holds the object's own address once its actor exists; the actor's and
    // shapes' user data point here.
    CCollidableObject* m_pSelf = nullptr;
    CBoundingBox m_BoundingBox;
    CCollisionObject m_CollisionObject;
    uint8_t m_u8Kind = KIND_DEFAULT;
    bool m_bMoveable = true;
    CPhysicsObject m_PhysicsObject;
};
