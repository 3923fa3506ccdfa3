#pragma once
// Shapes: the collision geometry of an actor, each with its own local pose,
// collision group, material and user data. Descriptors describe a shape to
// create; the actor owns the shape it creates from one.

#include <memory>

#include "platform/novodex/NxMat34.h"

class NxActor;
class NxBoxShape;
class NxSphereShape;
class NxCapsuleShape;
class NxTriangleMeshShape;
class btCollisionShape;

enum NxShapeType {
    NX_SHAPE_SPHERE = 1,
    NX_SHAPE_BOX = 2,
    NX_SHAPE_CAPSULE = 3,
    NX_SHAPE_MESH = 4,
};

class NxShapeDesc {
public:
    virtual ~NxShapeDesc() = default;

    NxShapeType getType() const { return m_Type; }
    // Finite pose, group below 32; the kinds add their own tests.
    virtual bool isValid() const;

    NxMat34 localPose;
    NxU32 shapeFlags = 0;
    NxCollisionGroup group = 0;
    NxMaterialIndex materialIndex = 0;
    void* userData = nullptr;

protected:
    explicit NxShapeDesc(NxShapeType type) : m_Type(type) {}
    NxShapeDesc(const NxShapeDesc&) = default;
    NxShapeDesc& operator=(const NxShapeDesc&) = default;

private:
    NxShapeType m_Type;
};

class NxShape {
public:
    virtual ~NxShape();
    NxShape(const NxShape&) = delete;
    NxShape& operator=(const NxShape&) = delete;

    NxActor& getActor() const { return m_Actor; }
    NxShapeType getType() const { return m_Type; }
    // The shape as its kind, or null when it is another kind.
    NxBoxShape* isBox();
    NxSphereShape* isSphere();
    NxCapsuleShape* isCapsule();
    NxTriangleMeshShape* isTriangleMesh();

    void setGroup(NxCollisionGroup group) { m_Group = group; }
    NxCollisionGroup getGroup() const { return m_Group; }
    void setMaterial(NxMaterialIndex index) { m_Material = index; }
    NxMaterialIndex getMaterial() const { return m_Material; }
    NxU32 getFlags() const { return m_Flags; }

    // Relative to the actor, kept exactly as written (a reflection stays a
    // reflection); the collision geometry takes the nearest rigid pose.
    void setLocalPose(const NxMat34& pose);
    void setLocalPosition(const NxVec3& position);
    void setLocalOrientation(const NxMat33& orientation);
    const NxMat34& getLocalPose() const { return m_LocalPose; }
    NxVec3 getLocalPosition() const { return m_LocalPose.t; }
    NxMat33 getLocalOrientation() const { return m_LocalPose.M; }

    NxMat34 getGlobalPose() const;
    NxVec3 getGlobalPosition() const { return getGlobalPose().t; }
    NxMat33 getGlobalOrientation() const { return getGlobalPose().M; }

    void* userData = nullptr;

    // The stand-in's own: the collision geometry this shape is made of.
    btCollisionShape* getCollisionShape() const { return m_pCollisionShape.get(); }
    // The scene's number for this shape, which its contact points carry.
    NxI32 getContactTag() const { return m_ContactTag; }
    // True from the shape's release during a contact walk until the walk ends.
    bool isReleasePending() const { return m_bReleasePending; }
    // A tyre capsule: no child of its actor's body, carried by rays instead.
    bool isVirtual() const { return m_bVirtual; }
    // The rigid pose the collision geometry sits at, relative to the actor.
    const NxMat34& getRigidLocalPose() const { return m_RigidLocalPose; }

protected:
    NxShape(NxActor& actor, const NxShapeDesc& desc, std::unique_ptr<btCollisionShape> collisionShape);
    // New geometry of the same kind (a resized capsule).
    void replaceCollisionShape(std::unique_ptr<btCollisionShape> collisionShape);

private:
    friend class NxActor;
    friend class NxScene;

    NxActor& m_Actor;
    NxShapeType m_Type;
    NxMat34 m_LocalPose;
    NxMat34 m_RigidLocalPose;
    NxCollisionGroup m_Group;
    NxMaterialIndex m_Material;
    NxU32 m_Flags;
    std::unique_ptr<btCollisionShape> m_pCollisionShape;
    NxI32 m_ContactTag = -1;
    bool m_bReleasePending = false;
    bool m_bVirtual = false;
};
