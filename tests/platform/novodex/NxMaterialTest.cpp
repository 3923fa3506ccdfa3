#include "platform/novodex/NxMaterial.h"

#include <gtest/gtest.h>

#include "platform/novodex/SceneFixture.h"

using PhysicsMaterial = SceneFixture;

// A 10 kg ball whose material has a contact spring sinks into the ground
// until the spring of its one contact point carries its weight: by
// m g / spring, plus the target.
TEST_F(PhysicsMaterial, AContactSpringCarriesTheWeightAtItsTargetPlusItsStretch)
{
    MakeGround();
    struct Case {
        NxReal spring;
        NxReal damper;
        NxReal target;
    };
    const Case cases[] = {{2000.0f, 400.0f, 0.0f}, {4000.0f, 400.0f, 0.0f}, {2000.0f, 400.0f, 0.05f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spring);
        SCOPED_TRACE(c.target);
        const NxSpringDesc spring(c.spring, c.damper, c.target);
        NxMaterial material;
        material.dynamicFriction = 0.5f;
        material.spring = &spring;
        const NxMaterialIndex index = m_pSDK->addMaterial(material);
        ASSERT_NE(0, index);

        NxSphereShapeDesc sphere;
        sphere.radius = 0.5f;
        sphere.materialIndex = index;
        NxBodyDesc body;
        body.mass = 10.0f;
        NxActorDesc desc;
        desc.globalPose.t = NxVec3(0, 0.5f, 0);
        desc.body = &body;
        desc.shapes.push_back(&sphere);
        NxActor* ball = m_pScene->createActor(desc);
        ASSERT_NE(nullptr, ball);

        Run(3.0f);
        const NxReal sink = 0.5f - ball->getGlobalPosition().y;
        EXPECT_NEAR(10.0f * 9.8f / c.spring + c.target, sink, 0.002f);
        m_pScene->releaseActor(*ball);
    }
}
