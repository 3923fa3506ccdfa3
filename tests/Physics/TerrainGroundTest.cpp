// The terrain actor is solid below its surface: a body that starts inside it
// or reaches it too fast for one step comes out on top and stays there.

#include <vector>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"
#include "support/SteadyFrames.h"

namespace {

const uint32_t FRAME_MILLISECONDS = 16;
const uint32_t SAMPLES = 9;
const float SPACING = 4.0f;
const D3DXVECTOR3 ORIGIN(-16.0f, 0.0f, -16.0f);
const float GROUND = 2.0f;
const float BOX_HALF = 0.5f;
const float REST_TOLERANCE = 0.05f;

class PhysicsTerrainGround : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_Physics.Init());
        SetSteadyFrameTime(FRAME_MILLISECONDS);
        const std::vector<float> heights(SAMPLES * SAMPLES, GROUND);
        ASSERT_TRUE(g_Physics.CreateTerrainActor(SAMPLES, SAMPLES, SPACING, ORIGIN, heights.data(), heights.size()));
    }
    void TearDown() override
    {
        g_Physics.Shutdown();
        g_FrameTimer = CFrameTimer();
    }

    static NxActor* DropBox(const NxVec3& position, const NxVec3& velocity)
    {
        NxActor* box = nullptr;
        g_Physics.CreateBoxActor(true, &box);
        if (box == nullptr)
            return nullptr;
        box->setGlobalPosition(position);
        box->setLinearVelocity(velocity);
        return box;
    }
    static void RunFrames(int frames)
    {
        for (int i = 0; i < frames; ++i)
            g_Physics.Update();
    }
};

TEST_F(PhysicsTerrainGround, BoxesInsideOrTooFastComeToRestOnTheSurface)
{
    struct Case {
        const char* what;
        float centreAboveGround;
        float downwardSpeed;
    };
    const Case cases[] = {
        {"centre just below the surface", -0.3f, 0.0f},
        {"centre well below the surface", -2.0f, 0.0f},
        {"dropped at 100 m/s", 3.0f, 100.0f},
        {"dropped at 45 m/s", 3.0f, 45.0f},
    };
    float x = -12.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NxActor* box = DropBox(NxVec3(x, GROUND + c.centreAboveGround, 1.0f), NxVec3(0.0f, -c.downwardSpeed, 0.0f));
        ASSERT_NE(nullptr, box);
        RunFrames(150);
        EXPECT_NEAR(GROUND + BOX_HALF, box->getGlobalPosition().y, REST_TOLERANCE);
        g_Physics.ReleaseActor(true, &box);
        x += 8.0f;
    }
}

TEST_F(PhysicsTerrainGround, BodiesBesideOrFarBelowTheGroundAreLeftAlone)
{
    // Off the terrain's edge a body falls freely; so does one deeper than the
    // ground's extent.
    NxActor* beside = DropBox(NxVec3(40.0f, GROUND - 1.0f, 0.0f), NxVec3(0.0f, 0.0f, 0.0f));
    NxActor* deep = DropBox(NxVec3(0.0f, GROUND - 1100.0f, 0.0f), NxVec3(0.0f, 0.0f, 0.0f));
    ASSERT_NE(nullptr, beside);
    ASSERT_NE(nullptr, deep);
    RunFrames(30);
    EXPECT_LT(beside->getGlobalPosition().y, GROUND - 1.5f);
    EXPECT_LT(deep->getGlobalPosition().y, GROUND - 1100.5f);
}

} // namespace
