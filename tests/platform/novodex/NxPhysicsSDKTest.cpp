#include "platform/novodex/NxPhysicsSDK.h"

#include <gtest/gtest.h>

#include "platform/novodex/SceneFixture.h"

using PhysicsSDK = SceneFixture;

TEST_F(PhysicsSDK, RefusesWhatItCannotBuild)
{
    EXPECT_EQ(nullptr, NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION + 1));

    const float points[] = {0, 0, 0, 1, 0, 0, 0, 0, 1};
    const NxU32 outOfRange[] = {0, 1, 3};
    NxTriangleMeshDesc mesh;
    mesh.numVertices = 3;
    mesh.numTriangles = 1;
    mesh.pointStrideBytes = 3 * sizeof(float);
    mesh.triangleStrideBytes = 3 * sizeof(NxU32);
    mesh.points = points;
    mesh.triangles = outOfRange;
    EXPECT_EQ(nullptr, m_pSDK->createTriangleMesh(mesh));

    // A body with nothing to weigh it.
    NxBoxShapeDesc box;
    NxBodyDesc body;
    NxActorDesc weightless;
    weightless.body = &body;
    weightless.shapes.push_back(&box);
    EXPECT_EQ(nullptr, m_pScene->createActor(weightless));
    // A shape group no ray mask can name.
    box.group = 32;
    weightless.density = 1.0f;
    EXPECT_EQ(nullptr, m_pScene->createActor(weightless));

    // A joint between static actors.
    NxRevoluteJointDesc joint;
    joint.actor[0] = MakeGround();
    EXPECT_EQ(nullptr, m_pScene->createJoint(joint));

    // The last shape of an actor stays.
    NxActor* actor = MakeBox(NxVec3(0, 1, 0), NxVec3(1, 1, 1), 1.0f);
    actor->releaseShape(*actor->getShapes()[0]);
    EXPECT_EQ(1u, actor->getNbShapes());
}

TEST_F(PhysicsSDK, MaterialsAreKeptByIndexWithTheirSprings)
{
    NxSpringDesc spring(100.0f, 10.0f, 0.1f);
    NxMaterial tyre;
    tyre.dynamicFriction = 0.8f;
    tyre.restitution = 0.2f;
    tyre.spring = &spring;
    const NxMaterialIndex index = m_pSDK->addMaterial(tyre);
    // The SDK keeps its own copy of the spring.
    spring.spring = 0.0f;

    NxMaterial stored;
    ASSERT_TRUE(m_pSDK->getMaterialAtIndex(index, stored));
    ASSERT_NE(nullptr, stored.spring);
    EXPECT_FLOAT_EQ(100.0f, stored.spring->spring);

    NxMaterial ground;
    ground.dynamicFriction = 0.4f;
    m_pSDK->setMaterialAtIndex(0, &ground);
    const NxPhysicsSDK::ContactMaterial combined = m_pSDK->combineMaterials(index, 0);
    EXPECT_FLOAT_EQ(0.6f, combined.friction);
    EXPECT_FLOAT_EQ(0.1f, combined.restitution);
    EXPECT_TRUE(combined.hasSpring);
    EXPECT_FLOAT_EQ(0.1f, combined.spring.targetValue);
    // A shape naming a material that does not exist gets the default.
    EXPECT_FALSE(m_pSDK->combineMaterials(999, 0).hasSpring);
}
