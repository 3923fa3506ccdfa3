#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Effects/ParticleSystem.h"

namespace {

const uint32_t SEED = 4711;
const float FRAME = 0.016f;
const float TOLERANCE = 1e-4f;

std::string Script(const std::string& body)
{
    return "ParticleSystem \"Test\" 1.0 { EventSequence \"Seq\" {\n" + body + "\n} }";
}

class ParticleSequenceTest : public ::testing::Test {
protected:
    ParticleSequenceTest() { g_RandomTable.Fill(SEED); }

    // Compiles and starts the system; its one sequence is then Sequence().
    void Start(const std::string& body)
    {
        ASSERT_TRUE(m_System.Compile(Script(body))) << m_System.GetStatus();
        m_System.Start();
    }
    const CParticleEventSequence& Sequence() const { return m_System.GetSequences()[0]; }
    const CParticle& Particle(int slot) const { return Sequence().GetParticle(slot); }

    void Run(int frames, float seconds = FRAME)
    {
        for (int i = 0; i < frames; ++i)
            m_System.Update(0, seconds);
    }

    CParticleEmitter m_System;
};

TEST_F(ParticleSequenceTest, TheEmissionRemainderCarriesFractionsBetweenFrames)
{
    Start("NumParticles = 10\nEmitRate = 10\nLifetime = 100");
    Run(6);
    EXPECT_EQ(0, Sequence().GetAliveCount());
    EXPECT_NEAR(0.96f, Sequence().GetEmissionRemainder(), TOLERANCE);
    Run(1);
    EXPECT_EQ(1, Sequence().GetAliveCount()) << "the seventh frame emits the first particle";
    EXPECT_NEAR(0.12f, Sequence().GetEmissionRemainder(), TOLERANCE);
}

TEST_F(ParticleSequenceTest, LoopsCapTheParticlesEmittedRespawnsIncluded)
{
    Start("NumParticles = 5\nLoops = 1\nEmitRate = 1000\nLifetime = 0.05");
    Run(1);
    EXPECT_EQ(5, Sequence().GetAliveCount());
    Run(100);
    EXPECT_EQ(5, Sequence().GetEmittedCount());
    EXPECT_EQ(0, Sequence().GetAliveCount());
}

TEST_F(ParticleSequenceTest, AFrameNeverEmitsMoreThanThePoolHolds)
{
    Start("NumParticles = 3\nLoops = 2000000000\nEmitRate = 1e38\nLifetime = 1");
    Run(1, 1e30f);
    EXPECT_EQ(3, Sequence().GetAliveCount());
    EXPECT_EQ(3, Sequence().GetEmittedCount());
    EXPECT_EQ(0.0f, Sequence().GetEmissionRemainder());
}

TEST_F(ParticleSequenceTest, AParticleDiesInTheFrameItsAgeReachesItsLifetime)
{
    Start("NumParticles = 1\nLoops = 1\nEmitRate = 100\nLifetime = 0.5");
    const float quarter = 0.25f;
    Run(1, quarter);
    Run(1, quarter);
    EXPECT_EQ(1, Sequence().GetAliveCount());
    Run(1, quarter);
    EXPECT_EQ(0, Sequence().GetAliveCount());
}

TEST_F(ParticleSequenceTest, AStoppedSequenceRunsDown)
{
    Start("NumParticles = 50\nEmitRate = 100\nLifetime = 1");
    Run(30);
    const int alive = m_System.GetAliveCount();
    EXPECT_GT(alive, 0);
    m_System.StopEmitting();
    EXPECT_TRUE(Sequence().IsStopped());
    EXPECT_EQ(0, Sequence().GetEmittedCount());
    Run(30);
    EXPECT_EQ(0, Sequence().GetEmittedCount()) << "nothing new while stopped";
    EXPECT_LE(m_System.GetAliveCount(), alive);
    Run(40);
    EXPECT_EQ(0, m_System.GetAliveCount());
    m_System.Start();
    EXPECT_FALSE(Sequence().IsStopped());
    Run(1);
    EXPECT_GT(m_System.GetAliveCount(), 0) << "Start emits again";
}

TEST_F(ParticleSequenceTest, AnEmitFrameTurnsTheSpawnBox)
{
    Start("NumParticles = 200\nEmitRate = 100000\nLifetime = 10\nEmitRadius = XYZ(Random(-1, 1), 0, 0)");
    D3DXMATRIX rotation, translation, frame;
    D3DXMatrixRotationY(&rotation, D3DX_PI / 2.0f);
    D3DXMatrixTranslation(&translation, 5.0f, 0.0f, 0.0f);
    D3DXMatrixMultiply(&frame, &rotation, &translation);
    m_System.m_pEmitFrameMatrix = &frame;
    Run(1);
    ASSERT_EQ(200, Sequence().GetAliveCount());
    float lowest = 1.0f;
    float highest = -1.0f;
    for (int slot = 0; slot < 200; ++slot) {
        const D3DXVECTOR3& position = Particle(slot).m_vPosition;
        EXPECT_NEAR(5.0f, position.x, TOLERANCE) << "the origin moved with the frame";
        EXPECT_NEAR(0.0f, position.y, TOLERANCE);
        lowest = std::min(lowest, position.z);
        highest = std::max(highest, position.z);
    }
    EXPECT_GE(lowest, -1.0f - TOLERANCE);
    EXPECT_LE(highest, 1.0f + TOLERANCE);
    EXPECT_GT(highest - lowest, 1.5f) << "spread along z";
}

TEST_F(ParticleSequenceTest, EventsWaitForTheTick)
{
    Start("NumParticles = 1\nLoops = 1\nEmitRate = 1000\nLifetime = 10\ninitial Size = 1\nat 0.03 Size = 7");
    Run(3);
    EXPECT_GE(Particle(0).m_fEventClock, 0.03f);
    EXPECT_EQ(1.0f, Particle(0).m_fSize) << "due, but no tick yet";
    Run(1);
    EXPECT_EQ(7.0f, Particle(0).m_fSize);
}

TEST_F(ParticleSequenceTest, ALateTimerBackToZeroReplaysTheSequenceOnce)
{
    Start("NumParticles = 1\nLoops = 1\nEmitRate = 1000\nLifetime = 10\n"
          "initial Size = 1\nat 0.1 Size = 2\nat 0.3 EventTimer = 0");
    int growths = 0;
    float last = 1.0f;
    for (int frame = 0; frame < 125; ++frame) {
        Run(1);
        if (Particle(0).m_fSize == 2.0f && last == 1.0f)
            ++growths;
        last = Particle(0).m_fSize;
    }
    EXPECT_EQ(2, growths);
    EXPECT_GT(Particle(0).m_fEventClock, 1.0f) << "the timer does not fire again";
    EXPECT_LT(Particle(0).m_fEventClock, Particle(0).m_fAge);
}

TEST_F(ParticleSequenceTest, TimersBouncingTheClockDoNotHoldTheFrame)
{
    Start("NumParticles = 1\nLoops = 1\nEmitRate = 1000\nLifetime = 10\n"
          "at 0.1 EventTimer = 0.2\nat 0.1 EventTimer = 0.2\n"
          "at 0.2 EventTimer = 0.1\nat 0.2 EventTimer = 0.1");
    Run(60);
    EXPECT_LE(Particle(0).m_fEventClock, 0.2f + 4 * FRAME + TOLERANCE);
    EXPECT_NEAR(59 * FRAME, Particle(0).m_fAge, TOLERANCE * 10) << "aged every frame after its spawn";
}

TEST_F(ParticleSequenceTest, GravityAcceleratesEachParticleEveryFrame)
{
    Start("NumParticles = 1\nLoops = 1\nEmitRate = 1000\nLifetime = 10\nGravity = XYZ(0, -10, 0)");
    Run(11);
    EXPECT_NEAR(-10.0f * 10 * FRAME, Particle(0).m_vVelocity.y, TOLERANCE) << "ten frames after its spawn";
    EXPECT_LT(Particle(0).m_vPosition.y, 0.0f);
}

TEST_F(ParticleSequenceTest, ResetKeepsTheRemainderAndEmitsAfresh)
{
    Start("NumParticles = 10\nLoops = 1\nEmitRate = 200\nLifetime = 10");
    Run(2);
    const float remainder = Sequence().GetEmissionRemainder();
    EXPECT_EQ(6, Sequence().GetAliveCount());
    m_System.Reset();
    EXPECT_FALSE(m_System.IsActive());
    EXPECT_EQ(0, Sequence().GetAliveCount());
    EXPECT_EQ(0, Sequence().GetEmittedCount());
    EXPECT_EQ(remainder, Sequence().GetEmissionRemainder());
    Run(1);
    EXPECT_EQ(0, Sequence().GetAliveCount()) << "an inactive system does not update";
    m_System.Start();
    Run(10);
    EXPECT_EQ(10, Sequence().GetEmittedCount()) << "the loop count starts over";
}

TEST_F(ParticleSequenceTest, DeactivateFreezesTheParticlesActivateResumesThem)
{
    Start("NumParticles = 4\nEmitRate = 1000\nLifetime = 10\ninitial Velocity = XYZ(1, 0, 0)");
    Run(3);
    const D3DXVECTOR3 position = Particle(0).m_vPosition;
    const float age = Particle(0).m_fAge;
    m_System.Deactivate();
    Run(10);
    EXPECT_EQ(position, Particle(0).m_vPosition);
    EXPECT_EQ(age, Particle(0).m_fAge);
    EXPECT_EQ(4, m_System.GetAliveCount());
    m_System.Activate();
    Run(1);
    EXPECT_NEAR(age + FRAME, Particle(0).m_fAge, TOLERANCE);
    EXPECT_GT(Particle(0).m_vPosition.x, position.x);
}

TEST_F(ParticleSequenceTest, ACopySharesTheEventsAndOwnsItsParticles)
{
    Start("NumParticles = 8\nEmitRate = 1000\nLifetime = 10\ninitial Size = 2");
    Run(1);
    CParticleEmitter copy = m_System;
    EXPECT_EQ(Sequence().GetEvents(), copy.GetSequences()[0].GetEvents());
    EXPECT_EQ(0, copy.GetAliveCount()) << "a copy starts with an empty pool";
    EXPECT_EQ(8, copy.GetSequences()[0].GetPoolCount());
    copy.Update(0, FRAME);
    EXPECT_EQ(8, copy.GetAliveCount());
    EXPECT_EQ(2.0f, copy.GetSequences()[0].GetParticle(0).m_fSize);
    EXPECT_NEAR(0.0f, Particle(0).m_fAge, TOLERANCE) << "the source did not move";
}

TEST_F(ParticleSequenceTest, ASystemWithoutSequencesDoesNothing)
{
    ASSERT_TRUE(m_System.Compile("ParticleSystem \"Empty\" 1 { }"));
    m_System.Start();
    Run(5);
    m_System.Render();
    EXPECT_EQ(0, m_System.GetAliveCount());
}

} // namespace
