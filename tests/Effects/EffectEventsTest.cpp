// The effect events on their own: the factory, the action-word checks and
// the value events' three steps.

#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Effects/Effect.h"
#include "Effects/EffectEvents.h"
#include "Effects/ScriptTokens.h"

namespace {

TEST(EffectEventsTest, TheFactoryMakesOneClassPerObjectAndActionWord)
{
    const struct {
        int object;
        int action;
        const char* className; // null: no event
        int typeId;
        bool canFade;
    } cases[] = {
        {TOKEN_MESH, TOKEN_EFFECT_SIZE, "CEffectEvent_Mesh_Size", 1, true},
        {TOKEN_MESH, TOKEN_ALPHA, "CEffectEvent_Mesh_Alpha", 2, true},
        {TOKEN_PARTICLE, TOKEN_START, "CEffectEvent_ParticleSytem_Start", 3, true},
        {TOKEN_PARTICLE, TOKEN_STOP, "CEffectEvent_ParticleSytem_Stop", 4, true},
        {TOKEN_SPRITE, TOKEN_STOP, "CEffectEvent_3DSprite_Stop", 5, true},
        {TOKEN_SPRITE, TOKEN_START, "CEffectEvent_3DSprite_Start", 6, true},
        {TOKEN_SPRITE, TOKEN_EFFECT_SIZE, "CEffectEvent_Sprite_Size", 8, true},
        {TOKEN_EFFECT, TOKEN_STOP, "CEffectEvent_System_Stop", 9, false},
        {TOKEN_SPRITE, TOKEN_ALPHA, "CEffectEvent_Sprite_Alpha", 12, true},
        {TOKEN_MESH, TOKEN_POS, "CEffectEvent_Mesh_Pos", 13, true},
        {TOKEN_MESH, TOKEN_COLOR, "CEffectEvent_Mesh_Color", 14, true},
        {TOKEN_MESH, TOKEN_TEXTURESET, "CEffectEvent_Mesh_TextureSet", 15, false},
        {TOKEN_MESH, TOKEN_START, nullptr, 0, false},
        {TOKEN_SPRITE, TOKEN_POS, nullptr, 0, false},
        {TOKEN_PARTICLE, TOKEN_EFFECT_SIZE, nullptr, 0, false},
        {TOKEN_EFFECT, TOKEN_START, nullptr, 0, false},
        {TOKEN_LASER, TOKEN_START, nullptr, 0, false},
        {TOKEN_EFFECT_EVENTTIMER, TOKEN_EQUALS, nullptr, 0, false},
    };
    for (const auto& test : cases) {
        const std::unique_ptr<CEffectEvent> event = CEffectEvent::Create(test.object, test.action);
        const std::string name = test.className != nullptr ? test.className : "none";
        if (test.className == nullptr) {
            EXPECT_EQ(nullptr, event) << test.object << " " << test.action;
            continue;
        }
        ASSERT_NE(nullptr, event) << name;
        EXPECT_EQ(name, event->m_pClassName);
        EXPECT_EQ(test.typeId, event->m_iTypeId) << name;
        EXPECT_EQ(test.canFade, event->CanFade()) << name;
    }
    CEffectEvent_EventTimer timer;
    EXPECT_EQ(7, timer.m_iTypeId);
    EXPECT_FALSE(timer.CanFade());
}

// Each event checks that its action word holds its keyword.
TEST(EffectEventsTest, ParseChecksTheActionWord)
{
    const struct {
        std::function<std::unique_ptr<CEffectEvent>()> make;
        const char* message;
    } cases[] = {
        {[] { return std::make_unique<CEffectEvent_Mesh_Size>(); }, "Expecting Size!"},
        {[] { return std::make_unique<CEffectEvent_Sprite_Size>(); }, "Expecting Size!"},
        {[] { return std::make_unique<CEffectEvent_Mesh_Alpha>(); }, "Expecting Alpha!"},
        {[] { return std::make_unique<CEffectEvent_Sprite_Alpha>(); }, "Expecting Alpha!"},
        {[] { return std::make_unique<CEffectEvent_Mesh_Pos>(); }, "Expecting Pos!"},
        {[] { return std::make_unique<CEffectEvent_Mesh_Color>(); }, "Expecting Color!"},
        {[] { return std::make_unique<CEffectEvent_Mesh_TextureSet>(); }, "Expecting Color!"},
        {[] { return std::make_unique<CEffectEvent_ParticleSytem_Start>(); }, "Expecting Start!"},
        {[] { return std::make_unique<CEffectEvent_3DSprite_Start>(); }, "Expecting Start!"},
        {[] { return std::make_unique<CEffectEvent_ParticleSytem_Stop>(); }, "Expecting Stop!"},
        {[] { return std::make_unique<CEffectEvent_3DSprite_Stop>(); }, "Expecting Stop!"},
        {[] { return std::make_unique<CEffectEvent_System_Stop>(); }, "Expecting Stop!"},
        {[] { return std::make_unique<CEffectEvent_EventTimer>(); }, "Expecting EventTimer!"},
    };
    const CScriptTokenList tokens = TokenizeScript("Wrong = 1", EFFECT_KEYWORDS);
    for (const auto& test : cases) {
        const std::unique_ptr<CEffectEvent> event = test.make();
        CTokenCursor cursor(tokens);
        try {
            event->Parse(0, cursor);
            ADD_FAILURE() << event->m_pClassName << " took \"WRONG\"";
        } catch (const CScriptError& error) {
            EXPECT_EQ(std::string(test.message), error.what()) << event->m_pClassName;
        }
    }

    const CScriptTokenList timer = TokenizeScript("EventTimer = Random(2, 4) next", EFFECT_KEYWORDS);
    CTokenCursor cursor(timer);
    CEffectEvent_EventTimer event;
    event.Parse(0, cursor);
    EXPECT_EQ(2.0f, event.m_Value.m_Min);
    EXPECT_EQ(4.0f, event.m_Value.m_Max);
    EXPECT_EQ("NEXT", cursor.Text()) << "the cursor stops after the statement";
}

// Mesh_Size run on mesh scale and size rate, the model of every value event.
class ValueEventTest : public ::testing::Test {
protected:
    ValueEventTest()
    {
        g_RandomTable.Fill(3);
        m_Effect.m_Meshes.resize(2);
        m_Effect.m_Sprites.resize(1);
    }

    static void Set(CEffectValueEvent& event, float time, float min, float max, bool fade)
    {
        event.m_fTime = time;
        event.m_Value = CMinMax<float>(min, max);
        event.m_bFade = fade;
        event.m_iTarget = 1;
    }

    CEffect m_Effect;
};

TEST_F(ValueEventTest, TheValueIsSetThenTheRateLeadsToThePartner)
{
    CEffectMesh& mesh = m_Effect.m_Meshes[1];
    CEffectEvent_Mesh_Size first;
    CEffectEvent_Mesh_Size partner;
    Set(first, 1.0f, 1.0f, 1.0f, false);
    Set(partner, 3.0f, 5.0f, 5.0f, true);

    first.Run(m_Effect);
    EXPECT_EQ(1.0f, mesh.m_DisplayObject.GetScale());
    EXPECT_EQ(0.0f, mesh.m_fSizeRate) << "no partner: the value holds";

    first.m_pFadePartner = &partner;
    first.Run(m_Effect);
    EXPECT_EQ(2.0f, mesh.m_fSizeRate) << "(5 - 1) / (3 - 1)";

    // The fading event does not jump: its value was reached by the rate.
    mesh.m_DisplayObject.SetScale(4.9f);
    partner.Run(m_Effect);
    EXPECT_EQ(4.9f, mesh.m_DisplayObject.GetScale());
    EXPECT_EQ(0.0f, mesh.m_fSizeRate);

    // A partner at the same time divides by one second.
    Set(partner, 1.0f, 4.0f, 4.0f, true);
    first.Run(m_Effect);
    EXPECT_EQ(3.0f, mesh.m_fSizeRate);

    // Random(2, 1): the maximum below the minimum gives the minimum.
    Set(first, 1.0f, 2.0f, 1.0f, false);
    first.m_pFadePartner = nullptr;
    first.Run(m_Effect);
    EXPECT_EQ(2.0f, mesh.m_DisplayObject.GetScale());
    EXPECT_EQ(1.0f, m_Effect.m_Meshes[0].m_DisplayObject.GetScale()) << "only the target changes";
}

TEST_F(ValueEventTest, AlphaAndSpriteEventsFollowTheSameSteps)
{
    CEffectEvent_Mesh_Alpha meshAlpha;
    CEffectEvent_Mesh_Alpha meshAlphaTo;
    CEffectEvent_Sprite_Size spriteSize;
    CEffectEvent_Sprite_Size spriteSizeTo;
    CEffectEvent_Sprite_Alpha spriteAlpha;
    CEffectEvent_Sprite_Alpha spriteAlphaTo;
    Set(meshAlpha, 0.0f, 1.0f, 1.0f, false);
    Set(meshAlphaTo, 2.0f, 0.0f, 0.0f, true);
    Set(spriteSize, 1.0f, 2.0f, 2.0f, false);
    Set(spriteSizeTo, 5.0f, 10.0f, 10.0f, true);
    Set(spriteAlpha, 0.5f, 0.0f, 0.0f, false);
    Set(spriteAlphaTo, 1.0f, 1.0f, 1.0f, true);
    meshAlpha.m_iTarget = 0;
    spriteSize.m_iTarget = 0;
    spriteAlpha.m_iTarget = 0;
    meshAlpha.m_pFadePartner = &meshAlphaTo;
    spriteSize.m_pFadePartner = &spriteSizeTo;
    spriteAlpha.m_pFadePartner = &spriteAlphaTo;

    meshAlpha.Run(m_Effect);
    spriteSize.Run(m_Effect);
    spriteAlpha.Run(m_Effect);
    EXPECT_EQ(1.0f, m_Effect.m_Meshes[0].m_fAlpha);
    EXPECT_EQ(-0.5f, m_Effect.m_Meshes[0].m_fAlphaRate);
    EXPECT_EQ(2.0f, m_Effect.m_Sprites[0].m_fSize);
    EXPECT_EQ(2.0f, m_Effect.m_Sprites[0].m_fSizeRate);
    EXPECT_EQ(0.0f, m_Effect.m_Sprites[0].m_fAlpha);
    EXPECT_EQ(2.0f, m_Effect.m_Sprites[0].m_fAlphaRate);
}

TEST_F(ValueEventTest, StartStopAndTimerEventsActOnTheirComponent)
{
    m_Effect.m_ParticleSystems.resize(1);
    CEffectEvent_3DSprite_Start spriteStart;
    CEffectEvent_3DSprite_Stop spriteStop;
    CEffectEvent_ParticleSytem_Start systemStart;
    spriteStart.Run(m_Effect);
    EXPECT_EQ(1, m_Effect.m_Sprites[0].m_u8Active);
    spriteStop.Run(m_Effect);
    EXPECT_EQ(0, m_Effect.m_Sprites[0].m_u8Active);
    systemStart.Run(m_Effect);
    EXPECT_TRUE(m_Effect.m_ParticleSystems[0].IsActive());

    CEffectEvent_EventTimer timer;
    Set(timer, 2.0f, 0.5f, 0.5f, false);
    timer.Run(m_Effect);
    EXPECT_EQ(0.5f, m_Effect.GetClock());
}

} // namespace
