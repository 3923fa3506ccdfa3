// A running effect: its clock and due events, its lifecycle, its copies.

#include <string>

#include <gtest/gtest.h>

#include "Display/RenderQueue.h"
#include "Effects/Effect.h"
#include "Effects/EffectAssets.h"
#include "support/MatrixExpect.h"

namespace {

// A quarter second: every clock value in these tests is exact.
const float STEP = 0.25f;
const char* const ONE_SPRITE = "SpriteNum = 1 Sprite 1 Asset = \"Flash\"\n";

class EffectTest : public EffectAssetsTest {
protected:
    EffectTest() { g_RenderQueue.Clear(); }
    ~EffectTest() override { g_RenderQueue.Clear(); }

    // A started copy of an effect compiled from `body`.
    CEffect Started(const std::string& body)
    {
        Compile(m_Prototype, body);
        CEffect effect(m_Prototype);
        effect.Start();
        return effect;
    }

    CEffect m_Prototype;
};

TEST_F(EffectTest, ASpriteGrowsAtTheRateThatReachesItsFadeTarget)
{
    CEffect effect = Started(std::string(ONE_SPRITE) +
                             "EventSequence { initial Sprite 1 Start at 1 Sprite 1 Size = 1 "
                             "fade so at 3 Sprite 1 Size = 5 }");
    const C3DSprite& sprite = effect.m_Sprites[0];
    Run(effect, 3, STEP);
    EXPECT_EQ(1.0f, sprite.m_fSize) << "untouched before 1 s";
    Run(effect, 1, STEP);
    EXPECT_EQ(2.0f, sprite.m_fSizeRate) << "(5 - 1) / (3 - 1)";
    EXPECT_EQ(1.5f, sprite.m_fSize) << "set at 1 s, then grown through the frame";
    Run(effect, 7, STEP);
    EXPECT_EQ(5.0f, sprite.m_fSize) << "there by the frame that ends at 2.75 s";
    Run(effect, 1, STEP);
    EXPECT_EQ(0.0f, sprite.m_fSizeRate) << "the fade event starts no new leg";
    Run(effect, 4, STEP);
    EXPECT_EQ(5.0f, sprite.m_fSize);
}

TEST_F(EffectTest, ATimerToZeroAtTheEndRerunsTheTimeZeroEventsInTheSameUpdate)
{
    CEffect effect = Started(std::string(ONE_SPRITE) +
                             "EventSequence { initial Sprite 1 Start at 0.5 Sprite 1 Stop at 1 EventTimer = 0 }");
    Run(effect, 3, STEP);
    EXPECT_EQ(0, effect.m_Sprites[0].m_u8Active);
    Run(effect, 1, STEP);
    EXPECT_EQ(0.0f, effect.GetClock());
    EXPECT_EQ(1, effect.m_Sprites[0].m_u8Active) << "the start at 0 ran again";
    EXPECT_EQ(1u, effect.GetCursor());
    Run(effect, 2, STEP);
    EXPECT_EQ(0, effect.m_Sprites[0].m_u8Active) << "and the loop goes on";
}

TEST_F(EffectTest, ATimerForwardSkipsEventsAndATimerBackRerunsThem)
{
    CEffect forward = Started(std::string(ONE_SPRITE) +
                              "EventSequence { initial Sprite 1 Start at 1 EventTimer = 2 "
                              "at 1.5 Sprite 1 Stop at 2 Sprite 1 Size = 7 }");
    Run(forward, 4, STEP);
    EXPECT_EQ(2.0f, forward.GetClock());
    EXPECT_EQ(1, forward.m_Sprites[0].m_u8Active) << "the stop at 1.5 s was skipped";
    EXPECT_EQ(7.0f, forward.m_Sprites[0].m_fSize) << "the event at the new time ran";

    CEffect back = Started(std::string(ONE_SPRITE) +
                           "EventSequence { at 0.5 Sprite 1 Size = 3 at 1 Sprite 1 Size = 4 "
                           "at 2 EventTimer = 0.5 }");
    Run(back, 8, STEP);
    EXPECT_EQ(0.5f, back.GetClock());
    EXPECT_EQ(3.0f, back.m_Sprites[0].m_fSize) << "the size at 0.5 s ran again";
    Run(back, 2, STEP);
    EXPECT_EQ(4.0f, back.m_Sprites[0].m_fSize);
}

TEST_F(EffectTest, AnEffectStopInALoopEndsItAndStartReplaysFromZero)
{
    CEffect effect = Started(std::string(ONE_SPRITE) +
                             "EventSequence { initial Sprite 1 Start at 0.5 Sprite 1 Size = 2 "
                             "at 1 Effect 1 Stop at 1.5 EventTimer = 0 }");
    Run(effect, 4, STEP);
    EXPECT_EQ(0, effect.m_u8Running);
    EXPECT_EQ(0.0f, effect.GetClock());
    EXPECT_EQ(0u, effect.GetCursor());
    Run(effect, 4, STEP);
    EXPECT_EQ(0.0f, effect.GetClock()) << "an idle effect does not run";

    effect.m_Sprites[0].m_u8Active = 0;
    effect.m_Sprites[0].m_fSize = 1.0f;
    effect.Start();
    Run(effect, 1, STEP);
    EXPECT_EQ(1, effect.m_Sprites[0].m_u8Active) << "the time-0 events run on the replay";
    Run(effect, 1, STEP);
    EXPECT_EQ(2.0f, effect.m_Sprites[0].m_fSize);
}

// Timers that send the clock to each other's times would loop for ever.
TEST_F(EffectTest, BouncingTimersEndThePass)
{
    CEffect effect = Started("EventSequence { at 1 EventTimer = 2 at 2 EventTimer = 1 }");
    Run(effect, 4, STEP);
    EXPECT_EQ(1, effect.m_u8Running);
    Run(effect, 4, STEP);
    EXPECT_EQ(1, effect.m_u8Running);

    // An effect stop among the events that a reset runs ends that reset.
    CEffect stopsAtOnce = Started(std::string(ONE_SPRITE) + "EventSequence { initial Sprite 1 Start at 0 Effect 1 Stop }");
    stopsAtOnce.Reset();
    EXPECT_EQ(0, stopsAtOnce.m_u8Running);
    stopsAtOnce.Start();
    Run(stopsAtOnce, 1, STEP);
    EXPECT_EQ(0, stopsAtOnce.m_u8Running);
}

TEST_F(EffectTest, ResetAppliesTheEarlyEventsThenRewinds)
{
    CEffect effect = Started(std::string(ONE_SPRITE) + "MeshNum = 1 ParticleNum = 1 Particle 1 Asset = \"Stream\"\n" +
                             "EventSequence { initial Sprite 1 Size = 3 at 0.1 Sprite 1 Alpha = 0.5 "
                             "at 0.1 Sprite 1 Start at 0.2 Sprite 1 Size = 9 fade so at 1 Sprite 1 Size = 4 "
                             "initial Mesh 1 Size = 2 fade so at 2 Mesh 1 Size = 4 }");
    Run(effect, 1, STEP);
    ASSERT_GT(effect.GetAliveCount(), 0);
    effect.Reset();
    const C3DSprite& sprite = effect.m_Sprites[0];
    EXPECT_EQ(3.0f, sprite.m_fSize);
    EXPECT_EQ(0.5f, sprite.m_fAlpha);
    EXPECT_EQ(1, sprite.m_u8Active);
    EXPECT_EQ(0.0f, sprite.m_fSizeRate);
    EXPECT_EQ(0.0f, sprite.m_fAnimTime);
    EXPECT_EQ(0.0f, effect.m_Meshes[0].m_fSizeRate);
    EXPECT_EQ(2.0f, effect.m_Meshes[0].m_DisplayObject.GetScale());
    EXPECT_EQ(0, effect.GetAliveCount());
    EXPECT_FALSE(effect.m_ParticleSystems[0].IsActive());
    EXPECT_EQ(0, effect.m_u8Running);
    EXPECT_EQ(0.0f, effect.GetClock());
    EXPECT_EQ(0u, effect.GetCursor());

    // A mesh's size moves at its rate every update, as a sprite's does.
    effect.Start();
    Run(effect, 4, STEP);
    EXPECT_EQ(1.0f, effect.m_Meshes[0].m_fSizeRate);
    EXPECT_EQ(3.0f, effect.m_Meshes[0].m_DisplayObject.GetScale());
    EXPECT_EQ(3.0f, effect.m_Meshes[0].m_DisplayObject.GetWorldMatrix()._11) << "and places the mesh";

    // Without an event list nothing is reset.
    CEffect bare;
    bare.m_u8Running = 1;
    bare.Reset();
    EXPECT_EQ(1, bare.m_u8Running);
}

// A failed recompile takes the old events with the old components: Reset
// and Update must not run events against components that are gone.
TEST_F(EffectTest, AFailedRecompileLeavesNoEventsBehind)
{
    Compile(m_Prototype, std::string(ONE_SPRITE) + "MeshNum = 1 ParticleNum = 1 Particle 1 Asset = \"Stream\"\n" +
                             "EventSequence { initial Sprite 1 Size = 3 initial Mesh 1 Size = 2 "
                             "initial Particle 1 Start at 0.5 EventTimer = 0 }");
    ASSERT_FALSE(m_Prototype.Compile(Script("Wrong")));
    EXPECT_EQ(nullptr, m_Prototype.GetEvents());
    m_Prototype.Reset();
    m_Prototype.m_u8Running = 1;
    Run(m_Prototype, 4, STEP);
    CEffect copy(m_Prototype);
    copy.Reset();
    EXPECT_EQ(0, copy.m_u8Compiled);
}

TEST_F(EffectTest, AStoppedEffectDrawsOnlyItsParticlesUntilTheyHaveRunOut)
{
    const D3DXMATRIX frame = Translation(1, 2, 3);
    CEffect effect = Started(std::string(ONE_SPRITE) +
                             "MeshNum = 1 ParticleNum = 1 Particle 1 Asset = \"Stream\" "
                             "Particle 1 MatrixType = Follow EventSequence { initial Sprite 1 Start "
                             "initial Mesh 1 Alpha = 0.5 }");
    effect.SetMatrix(&frame);
    Run(effect, 2, STEP);
    ASSERT_GT(effect.GetAliveCount(), 0);

    effect.Stop();
    EXPECT_EQ(1, effect.m_u8ParticlesOnly);
    EXPECT_EQ(0.0f, effect.m_Meshes[0].m_fAlpha);
    effect.Render();
    EXPECT_EQ(1u, g_RenderQueue.GetParticles1().size());
    EXPECT_TRUE(g_RenderQueue.GetSprites().empty());
    EXPECT_TRUE(g_RenderQueue.GetOpaqueBatch().m_Objects.empty());

    // Idle in the first update in which no particle lives, not before.
    const float frameTime = 0.05f;
    int frames = 0;
    while (effect.m_u8Running != 0 && frames < 100) {
        effect.Update(frameTime);
        ++frames;
        if (effect.m_u8Running != 0) {
            EXPECT_GT(effect.GetAliveCount(), 0) << "frame " << frames;
        }
    }
    EXPECT_EQ(0, effect.m_u8Running);
    EXPECT_EQ(0, effect.m_u8ParticlesOnly);
    EXPECT_LE(frames, 11) << "the particles live half a second";

    // With no particle system, the first update after the stop ends it.
    CEffect spritesOnly = Started(std::string(ONE_SPRITE) + "EventSequence { initial Sprite 1 Start }");
    Run(spritesOnly, 1, STEP);
    spritesOnly.Stop();
    EXPECT_EQ(1, spritesOnly.m_u8Running);
    Run(spritesOnly, 1, STEP);
    EXPECT_EQ(0, spritesOnly.m_u8Running);

    // Stop on an idle effect only sets the flag.
    CEffect idle(m_Prototype);
    idle.Stop();
    EXPECT_EQ(0, idle.m_u8Running);
    EXPECT_EQ(1, idle.m_u8ParticlesOnly);
}

TEST_F(EffectTest, ParticleEventsStartAndKillTheirSystem)
{
    CEffect effect = Started("ParticleNum = 2 Particle 1 Asset = \"Burst\" Particle 2 Asset = \"Stream\" "
                             "EventSequence { at 0.5 Particle 1 Stop at 0.75 Particle 1 Start }");
    Run(effect, 1, STEP);
    EXPECT_EQ(5, effect.m_ParticleSystems[0].GetAliveCount()) << "Start runs every system";
    Run(effect, 1, STEP);
    EXPECT_EQ(0, effect.m_ParticleSystems[0].GetAliveCount()) << "a stop takes the particles at once";
    EXPECT_FALSE(effect.m_ParticleSystems[0].IsActive());
    EXPECT_TRUE(effect.m_ParticleSystems[1].IsActive());
    Run(effect, 1, STEP);
    EXPECT_EQ(5, effect.m_ParticleSystems[0].GetAliveCount()) << "started again, the burst comes again";

    // A killed system of a stopping effect stays stopped when started.
    effect.Stop();
    Run(effect, 1, STEP);
    effect.m_ParticleSystems[0].StopAtOnce();
    effect.m_ParticleSystems[0].Activate();
    effect.m_ParticleSystems[0].Update(0, STEP);
    EXPECT_EQ(0, effect.m_ParticleSystems[0].GetAliveCount());
}

TEST_F(EffectTest, CopiesRunOnTheirOwnClocksOverSharedEvents)
{
    Compile(m_Prototype, std::string(ONE_SPRITE) + "EventSequence { at 0.5 Sprite 1 Start }");
    CEffect first(m_Prototype);
    CEffect second(m_Prototype);
    first.Start();
    Run(first, 2, STEP);
    Run(second, 2, STEP);
    EXPECT_EQ(0.5f, first.GetClock());
    EXPECT_EQ(1, first.m_Sprites[0].m_u8Active);
    EXPECT_EQ(0.0f, second.GetClock());
    EXPECT_EQ(0, second.m_Sprites[0].m_u8Active);
    EXPECT_EQ(first.GetEvents(), second.GetEvents());
    EXPECT_NE(&first.m_Sprites[0], &second.m_Sprites[0]);

    // A fresh copy never stops; an assignment keeps the target's stopping.
    first.Stop();
    CEffect copied(first);
    EXPECT_EQ(0, copied.m_u8ParticlesOnly);
    EXPECT_EQ(1, copied.m_u8Running) << "running copies run";
    EXPECT_EQ(0.5f, copied.GetClock());
    second = first;
    EXPECT_EQ(0, second.m_u8ParticlesOnly);
    first = m_Prototype;
    EXPECT_EQ(1, first.m_u8ParticlesOnly);
    EXPECT_EQ(0, first.m_u8Running);
}

TEST_F(EffectTest, SetMatrixHandsEachComponentTheMatrixItsTypeAsks)
{
    const D3DXMATRIX frame = Translation(5, 0, 0);
    CEffect effect = Started(std::string(ONE_SPRITE) +
                             "MeshNum = 1 ParticleNum = 3 Particle 2 MatrixType = JustEmitter "
                             "Particle 3 MatrixType = Follow");
    effect.SetMatrix(&frame);
    EXPECT_EQ(nullptr, effect.m_ParticleSystems[0].m_pEmitFrameMatrix);
    EXPECT_EQ(nullptr, effect.m_ParticleSystems[0].m_pRenderFrameMatrix);
    EXPECT_EQ(&frame, effect.m_ParticleSystems[1].m_pEmitFrameMatrix);
    EXPECT_EQ(nullptr, effect.m_ParticleSystems[1].m_pRenderFrameMatrix);
    EXPECT_EQ(nullptr, effect.m_ParticleSystems[2].m_pEmitFrameMatrix);
    EXPECT_EQ(&frame, effect.m_ParticleSystems[2].m_pRenderFrameMatrix);
    EXPECT_EQ(&frame, effect.m_Sprites[0].m_pMatrix);
    Run(effect, 1, STEP);
    ExpectMatrixNear(frame, effect.m_Meshes[0].m_DisplayObject.GetWorldMatrix());

    effect.Render();
    EXPECT_EQ(1u, g_RenderQueue.GetParticles2().size());
    EXPECT_EQ(1u, g_RenderQueue.GetParticles1().size());
    EXPECT_EQ(1u, g_RenderQueue.GetSprites().size());
    EXPECT_EQ(1u, g_RenderQueue.GetOpaqueBatch().m_Objects.size());
}

TEST_F(EffectTest, UpdateSpinTurnsTheMeshesThenUpdates)
{
    CEffect effect = Started("MeshNum = 2 EventSequence { }");
    effect.UpdateSpin(0.5f, D3DX_PI);
    D3DXMATRIX quarterTurn;
    D3DXMatrixRotationY(&quarterTurn, D3DX_PI / 2.0f);
    for (const CEffectMesh& mesh : effect.m_Meshes)
        ExpectMatrixNear(quarterTurn, mesh.m_DisplayObject.GetWorldMatrix());
    EXPECT_EQ(0.5f, effect.GetClock());
}

} // namespace
