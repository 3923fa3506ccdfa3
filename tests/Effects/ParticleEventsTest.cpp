#include <vector>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Effects/ParticleSequence.h"

namespace {

const uint32_t SEED = 7;
const float TOLERANCE = 1e-5f;

template <class Event, class Value>
Event MakeEvent(float time, bool fade, const Value& min, const Value& max)
{
    Event event;
    event.m_Time = CMinMax<float>(time, time);
    event.m_bFade = fade;
    event.m_Value = CMinMax<Value>(min, max);
    return event;
}

CParticleEventSize_Inline Size(float time, bool fade, float min, float max)
{
    return MakeEvent<CParticleEventSize_Inline>(time, fade, min, max);
}

// Events as the compiler leaves them: times drawn, sorted, partners linked.
class ParticleEventsTest : public ::testing::Test {
protected:
    ParticleEventsTest() : m_Events(m_Sequence.CreateEvents()) { g_RandomTable.Fill(SEED); }

    void Link()
    {
        m_Sequence.DrawEventTimes();
        m_Sequence.SortEvents();
        m_Sequence.LinkFadeEvents();
    }

    CParticleEventSequence m_Sequence;
    CParticleEventLists& m_Events;
    CParticle m_Particle;
};

TEST_F(ParticleEventsTest, ARangeFadesToItsPartnerThenHolds)
{
    m_Events.m_Size = {Size(0.0f, false, 1.0f, 3.0f), Size(2.0f, true, 5.0f, 5.0f)};
    Link();
    ASSERT_EQ(&m_Events.m_Size[1], m_Events.m_Size[0].m_pFadePartner);
    EXPECT_EQ(2.0f, m_Events.m_Size[0].m_fFadeSpan);

    m_Events.m_Size[0].Apply(m_Particle);
    EXPECT_GE(m_Particle.m_fSize, 1.0f);
    EXPECT_LE(m_Particle.m_fSize, 3.0f);
    EXPECT_NEAR((5.0f - m_Particle.m_fSize) / 2.0f, m_Particle.m_fSizeRate, TOLERANCE);

    m_Particle.m_fSize = 4.9f;
    m_Events.m_Size[1].Apply(m_Particle);
    EXPECT_EQ(4.9f, m_Particle.m_fSize) << "a fading event leaves the value to the rate";
    EXPECT_EQ(0.0f, m_Particle.m_fSizeRate) << "no later fading event";
}

TEST_F(ParticleEventsTest, EveryEarlierEventFadesToTheFirstLaterFadingOne)
{
    m_Events.m_Size = {Size(0.0f, false, 1.0f, 1.0f), Size(1.0f, false, 2.0f, 2.0f), Size(2.0f, true, 4.0f, 4.0f)};
    Link();
    EXPECT_EQ(&m_Events.m_Size[2], m_Events.m_Size[0].m_pFadePartner);
    EXPECT_EQ(&m_Events.m_Size[2], m_Events.m_Size[1].m_pFadePartner);

    m_Events.m_Size[0].Apply(m_Particle);
    EXPECT_EQ(1.0f, m_Particle.m_fSize);
    EXPECT_EQ(1.5f, m_Particle.m_fSizeRate);
    m_Events.m_Size[1].Apply(m_Particle);
    EXPECT_EQ(2.0f, m_Particle.m_fSize);
    EXPECT_EQ(2.0f, m_Particle.m_fSizeRate);
}

TEST_F(ParticleEventsTest, APartnerAtTheSameTimeChangesTheValueAtOnce)
{
    m_Events.m_Size = {Size(1.0f, false, 1.0f, 1.0f), Size(1.0f, true, 5.0f, 5.0f)};
    Link();
    EXPECT_EQ(0.0f, m_Events.m_Size[0].m_fFadeSpan);
    m_Events.m_Size[0].Apply(m_Particle);
    EXPECT_EQ(5.0f, m_Particle.m_fSize);
    EXPECT_EQ(0.0f, m_Particle.m_fSizeRate) << "no infinite rate";
}

TEST_F(ParticleEventsTest, AColourWithoutPartnerHolds)
{
    const D3DXCOLOR white(1.0f, 1.0f, 1.0f, 1.0f);
    m_Events.m_Color = {MakeEvent<CParticleEventColor_Inline>(0.0f, false, white, white)};
    Link();
    m_Particle.m_ColorRate = D3DXCOLOR(1.0f, 2.0f, 3.0f, 4.0f);
    m_Events.m_Color[0].Apply(m_Particle);
    EXPECT_EQ(white, m_Particle.m_Color);
    EXPECT_EQ(D3DXCOLOR(0.0f, 0.0f, 0.0f, 0.0f), m_Particle.m_ColorRate);
}

TEST_F(ParticleEventsTest, APositionEventMovesOrStopsTheParticle)
{
    const D3DXVECTOR3 start(1.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 target(1.0f, 4.0f, 2.0f);
    m_Events.m_Position = {MakeEvent<CParticleEventPos_Inline>(0.0f, false, start, start),
                           MakeEvent<CParticleEventPos_Inline>(2.0f, true, target, target),
                           MakeEvent<CParticleEventPos_Inline>(3.0f, false, start, start)};
    Link();
    m_Particle.m_vVelocity = D3DXVECTOR3(9.0f, 9.0f, 9.0f);
    m_Events.m_Position[0].Apply(m_Particle);
    EXPECT_EQ(start, m_Particle.m_vPosition);
    EXPECT_EQ(D3DXVECTOR3(0.0f, 2.0f, 1.0f), m_Particle.m_vVelocity) << "straight to the target in 2 s";

    m_Events.m_Position[2].Apply(m_Particle);
    EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), m_Particle.m_vVelocity) << "no partner: the particle stops";
}

TEST_F(ParticleEventsTest, TheSpawnVelocityTurnsWithTheEmitFrameButNotItsTarget)
{
    const D3DXVECTOR3 along(1.0f, 0.0f, 0.0f);
    m_Events.m_Velocity = {MakeEvent<CParticleEventVel_Inline>(0.0f, false, along, along),
                           MakeEvent<CParticleEventVel_Inline>(1.0f, true, along, along)};
    Link();
    D3DXMATRIX frame;
    D3DXMatrixRotationY(&frame, D3DX_PI / 2.0f);
    frame._41 = 50.0f; // a translation does not move a direction

    m_Events.m_Velocity[0].ApplyInEmitFrame(m_Particle, &frame);
    EXPECT_NEAR(0.0f, m_Particle.m_vVelocity.x, TOLERANCE);
    EXPECT_NEAR(-1.0f, m_Particle.m_vVelocity.z, TOLERANCE);
    EXPECT_NEAR(1.0f, m_Particle.m_vVelocityRate.x, TOLERANCE);
    EXPECT_NEAR(1.0f, m_Particle.m_vVelocityRate.z, TOLERANCE);

    m_Events.m_Velocity[0].ApplyInEmitFrame(m_Particle, nullptr);
    EXPECT_EQ(along, m_Particle.m_vVelocity) << "without a frame the velocity is as drawn";
}

TEST_F(ParticleEventsTest, TimersGetPartnersButNoSpan)
{
    CParticleEventEventTimer_Inline timer;
    timer.m_Time = CMinMax<float>(1.0f, 1.0f);
    CParticleEventEventTimer_Inline fading = timer;
    fading.m_bFade = true;
    m_Events.m_Timer = {timer, fading};
    Link();
    EXPECT_EQ(&m_Events.m_Timer[1], m_Events.m_Timer[0].m_pFadePartner);
    EXPECT_EQ(nullptr, m_Events.m_Timer[1].m_pFadePartner);
}

} // namespace
