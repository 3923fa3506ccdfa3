#pragma once
// The shipped town "Modern" as g_pLevel, with a display, the physics, steady
// frames of `FRAME_MILLISECONDS` and the random table filled from `SEED`
// (the links taken at random and the tyres the same at every run).

#include <cstdint>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Display/DisplayFixture.h"
#include "Physics/Physics.h"
#include "support/ShippedScripts.h"
#include "support/SteadyFrames.h"

class ShippedTown : public DisplayFixture {
public:
    static constexpr uint32_t FRAME_MILLISECONDS = 20;
    static constexpr uint32_t SEED = 39;

protected:
    void SetUp() override
    {
        CreateDisplay();
        ASSERT_TRUE(g_Physics.Init());
        SetSteadyFrameTime(FRAME_MILLISECONDS);
        g_RandomTable.Fill(SEED);
        LoadShippedTown();
    }
    void TearDown() override
    {
        EndShippedTown();
        g_Physics.Shutdown();
        g_FrameTimer = CFrameTimer();
        DisplayFixture::TearDown();
    }
};
