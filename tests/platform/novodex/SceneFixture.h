#pragma once
// A physics SDK with one scene stepped as the game steps it (1/60 s
// substeps), and builders for the actors the stand-in's tests drop into it.

#include <vector>

#include <gtest/gtest.h>

#include "platform/novodex/NxPhysics.h"

class SceneFixture : public ::testing::Test {
protected:
    static constexpr NxReal STEP = 1.0f / 60.0f;

    void SetUp() override
    {
        m_pSDK = NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION);
        ASSERT_NE(nullptr, m_pSDK);
        NxSceneDesc desc;
        desc.gravity = NxVec3(0.0f, -9.8f, 0.0f);
        m_pScene = m_pSDK->createScene(desc);
        ASSERT_NE(nullptr, m_pScene);
        m_pScene->setTiming(STEP, 4, NX_TIMESTEP_FIXED);
    }

    void TearDown() override
    {
        if (m_pSDK != nullptr)
            m_pSDK->release();
    }

    // One simulate and fetch per frame of `STEP` seconds.
    void Run(NxReal seconds)
    {
        for (NxReal t = 0.0f; t < seconds; t += STEP) {
            m_pScene->simulate(STEP);
            m_pScene->flushStream();
            m_pScene->fetchResults(NX_RIGID_BODY_FINISHED, true);
        }
    }

    // A box actor: static when `density` is 0.
    NxActor* MakeBox(const NxVec3& position, const NxVec3& halfExtents, NxReal density = 0.0f, NxU32 flags = 0)
    {
        NxBoxShapeDesc box;
        box.dimensions = halfExtents;
        NxBodyDesc body;
        NxActorDesc actor;
        actor.globalPose.t = position;
        actor.shapes.push_back(&box);
        actor.density = density;
        actor.body = density > 0.0f ? &body : nullptr;
        actor.flags = flags;
        return m_pScene->createActor(actor);
    }

    // A static slab whose top face is the plane y = 0.
    NxActor* MakeGround() { return MakeBox(NxVec3(0.0f, -0.5f, 0.0f), NxVec3(50.0f, 0.5f, 50.0f)); }

    NxPhysicsSDK* m_pSDK = nullptr;
    NxScene* m_pScene = nullptr;
};

// Keeps what the scene reports.
class RecordingReport : public NxUserContactReport {
public:
    struct Point {
        NxShape* shapes[2];
        NxVec3 normal;
        NxVec3 position;
        NxReal separation;
    };
    struct Pair {
        NxActor* actors[2];
        NxU32 events;
        NxU32 shapePairs;
        std::vector<Point> points;
    };

    void onContactNotify(NxContactPair& pair, NxU32 events) override
    {
        Pair record{{pair.actors[0], pair.actors[1]}, events, 0, {}};
        NxContactStreamIterator it(pair.stream);
        while (it.goNextPair()) {
            ++record.shapePairs;
            while (it.goNextPatch())
                while (it.goNextPoint())
                    record.points.push_back({{it.getShape(0), it.getShape(1)}, it.getPatchNormal(), it.getPoint(),
                                             it.getSeparation()});
        }
        pairs.push_back(record);
    }

    std::vector<Pair> pairs;
};
