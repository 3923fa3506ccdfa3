#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Display/Font2D.h"
#include "Display/Text.h"
#include "Display/TextEffect.h"
#include "support/ScriptText.h"

namespace {

const D3DCOLOR BLACK = 0xFF000000;
const D3DCOLOR WHITE = 0xFFFFFFFF;
const D3DCOLOR OWN_COLOUR = 0x80112233;

// Fade from black to white after 1 s over 2 s.
CTextEffectFade BlackToWhite()
{
    CTextEffectFade fade;
    fade.Setup(BLACK, WHITE, 1.0f, 2.0f);
    return fade;
}

TEST(CTextEffectFadeTest, FadesEachChannelOverItsDuration)
{
    struct Case {
        float elapsed;
        D3DCOLOR colour;
        bool finished;
    };
    const Case cases[] = {
        {0.5f, OWN_COLOUR, false}, // the delay keeps the text's own colour
        {1.0f, BLACK, false},      // then jumps to the start colour
        {2.0f, 0xFF7F7F7F, false}, // 127.5, truncated
        {3.0f, WHITE, false},
        {3.5f, WHITE, true},
    };
    for (const Case& c : cases) {
        CTextEffectFade fade = BlackToWhite();
        fade.Advance(c.elapsed);
        D3DCOLOR colour = OWN_COLOUR;
        fade.ApplyColour(&colour);
        EXPECT_EQ(c.colour, colour) << c.elapsed;
        EXPECT_EQ(c.finished, fade.IsFinished()) << c.elapsed;
    }
}

TEST(CTextEffectFadeTest, FadesDownAndJumpsWithoutADuration)
{
    CTextEffectFade down;
    down.Setup(WHITE, 0x00000000, 0.0f, 2.0f);
    down.Advance(1.0f);
    D3DCOLOR colour = OWN_COLOUR;
    down.ApplyColour(&colour);
    EXPECT_EQ(0x7F7F7F7Fu, colour);

    CTextEffectFade instant;
    instant.Setup(BLACK, WHITE, 1.0f, 0.0f);
    instant.Advance(1.0f);
    colour = OWN_COLOUR;
    instant.ApplyColour(&colour);
    EXPECT_EQ(WHITE, colour);
    EXPECT_FALSE(instant.IsFinished());
    instant.Advance(0.01f);
    EXPECT_TRUE(instant.IsFinished());

    instant.Reset();
    EXPECT_FALSE(instant.IsFinished());
    colour = OWN_COLOUR;
    instant.ApplyColour(&colour);
    EXPECT_EQ(OWN_COLOUR, colour);
}

TEST(CTextEffectScrollTest, MovesThePositionOverItsDuration)
{
    CTextEffectScroll scroll;
    ASSERT_TRUE(LoadFrom(scroll, "TextEffectScroll Slide StartPosition 0 0 EndPosition 1 0.5 Delay 1 Duration 2"));
    EXPECT_EQ("Slide", scroll.GetName());
    float x = 0.3f;
    float y = 0.4f;
    scroll.Advance(0.5f);
    scroll.ApplyPosition(&x, &y);
    EXPECT_EQ(0.3f, x) << "unchanged during the delay";
    EXPECT_EQ(0.4f, y);
    scroll.Advance(1.5f);
    scroll.ApplyPosition(&x, &y);
    EXPECT_EQ(0.5f, x);
    EXPECT_EQ(0.25f, y);
    scroll.Advance(5.0f);
    scroll.ApplyPosition(&x, &y);
    EXPECT_TRUE(scroll.IsFinished());
    EXPECT_EQ(1.0f, x);
    EXPECT_EQ(0.5f, y);
}

TEST(CTextEffectFadeTest, LoadsItsBlockAndClonesEveryField)
{
    CTextEffectFade fade;
    std::string next;
    ASSERT_TRUE(LoadFrom(fade, "TextEffectFade Out StartColor 255 255 255 255 EndColor 0 0 0 0 Duration 2 Text", &next));
    EXPECT_EQ("Text", next);
    fade.Advance(1.0f);
    std::unique_ptr<CTextEffect> clone = fade.Clone();
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ("Out", clone->GetName());
    D3DCOLOR colour = 0;
    clone->ApplyColour(&colour);
    EXPECT_EQ(0x7F7F7F7Fu, colour) << "the clone's elapsed time is the original's";
    EXPECT_FALSE(LoadFrom(fade, "TextEffectScroll Other"));
}

class CTextTest : public ::testing::Test {
protected:
    void TearDown() override { g_FrameTimer = CFrameTimer(); }

    // A frame timer whose frames last one second.
    static void OneSecondFrames()
    {
        g_FrameTimer = CFrameTimer();
        for (uint32_t frame = 0; frame <= CFrameTimer::WINDOW_FRAMES; ++frame)
            g_FrameTimer.Update(frame * 1000);
    }

    CFontDesc m_Font{"Verdana", false, false, true, 13, 0.5f};
};

TEST_F(CTextTest, LoadsItsBlockWithNestedEffects)
{
    const char* script = "Text Title\n"
                         "  String \"Hello there\"\n"
                         "  Position 0.25 0.75\n"
                         "  Color 255 300 0 1\n"
                         "  Visible True\n"
                         "  TextEffectFade In StartColor 0 0 0 0 EndColor 255 255 255 255 Duration 1\n"
                         "  TextEffectScroll Up StartPosition 0 1 EndPosition 0 0 Duration 1\n"
                         "Text Next\n";
    CText text;
    std::string next;
    ASSERT_TRUE(LoadFrom(text, script, &next));
    EXPECT_EQ("Text", next);
    EXPECT_EQ("Title", text.GetName());
    EXPECT_STREQ("Hello there", text.GetString());
    EXPECT_EQ(0.25f, text.GetX());
    EXPECT_EQ(0.75f, text.GetY());
    EXPECT_EQ(0xFF2C0001u, text.GetColour()) << "300 keeps its low 8 bits, 44";
    EXPECT_TRUE(text.IsVisible());
    ASSERT_EQ(2u, text.GetEffectCount());
    EXPECT_EQ("In", text.GetEffect(0)->GetName());
    EXPECT_EQ("Up", text.GetEffect(1)->GetName());
    EXPECT_TRUE(text.IsEffectOwned(0));
    EXPECT_TRUE(text.IsEffectOwned(1));
}

TEST_F(CTextTest, UpdatingAppliesEachEffectThenAdvancesItByTheFrameTime)
{
    OneSecondFrames();
    CText text;
    text.Setup("fading", 0.1f, 0.2f, OWN_COLOUR, &m_Font, true);
    auto fade = std::make_unique<CTextEffectFade>(BlackToWhite());
    EXPECT_EQ(0, text.AddEffect(std::move(fade)));
    EXPECT_EQ(-1, text.AddEffect(nullptr));

    text.UpdateEffects(); // applied at 0 s, now at 1 s
    EXPECT_EQ(OWN_COLOUR, text.GetColour());
    text.UpdateEffects(); // applied at 1 s
    text.UpdateEffects(); // applied at 2 s
    EXPECT_EQ(0xFF7F7F7Fu, text.GetColour());
    text.UpdateEffects();
    text.UpdateEffects(); // applied once finished
    EXPECT_EQ(WHITE, text.GetColour());
    EXPECT_TRUE(text.GetEffect(0)->IsFinished());

    text.ResetEffects();
    EXPECT_EQ(OWN_COLOUR, text.GetColour());
    EXPECT_FALSE(text.GetEffect(0)->IsFinished());
}

TEST_F(CTextTest, ResetPutsTheStartValuesBack)
{
    OneSecondFrames();
    CText text;
    text.Setup("start", 0.1f, 0.2f, OWN_COLOUR, &m_Font, true);
    CTextEffectScroll scroll;
    ASSERT_TRUE(LoadFrom(scroll, "TextEffectScroll S StartPosition 0.5 0.5 EndPosition 1 1 Duration 1"));
    text.AddEffect(&scroll);
    text.UpdateEffects();
    text.UpdateEffects();
    EXPECT_EQ(1.0f, text.GetX());
    text.ResetEffects();
    EXPECT_EQ(0.1f, text.GetX());
    EXPECT_EQ(0.2f, text.GetY());
    EXPECT_FALSE(scroll.IsFinished());
}

TEST_F(CTextTest, AStringShownByReferenceFollowsTheCallersString)
{
    std::string timer = "0:59";
    CText text;
    text.SetStringRef(&timer, false);
    EXPECT_STREQ("0:59", text.GetString());
    timer = "0:58 and a much longer string than before";
    EXPECT_STREQ("0:58 and a much longer string than before", text.GetString());
    text.ResetEffects();
    EXPECT_EQ(timer.c_str(), text.GetString()) << "still the caller's string";

    text.SetStringRef(&timer, true);
    timer = "changed";
    EXPECT_STREQ("0:58 and a much longer string than before", text.GetString());
}

TEST_F(CTextTest, CopiesCloneOwnedEffectsAndShareTheOthers)
{
    CTextEffectScroll shared;
    std::string external = "outside";
    auto source = std::make_unique<CText>();
    source->Setup("own", 0.1f, 0.2f, OWN_COLOUR, &m_Font, true);
    source->m_Name = "Source";
    source->AddEffect(std::make_unique<CTextEffectFade>(BlackToWhite()));
    source->AddEffect(&shared);

    CText copy(*source);
    CText assigned;
    assigned.AddEffect(std::make_unique<CTextEffectFade>());
    assigned = *source;
    for (const CText* target : {&copy, &assigned}) {
        ASSERT_EQ(2u, target->GetEffectCount());
        EXPECT_TRUE(target->IsEffectOwned(0));
        EXPECT_NE(source->GetEffect(0), target->GetEffect(0));
        EXPECT_FALSE(target->IsEffectOwned(1));
        EXPECT_EQ(&shared, target->GetEffect(1));
        EXPECT_EQ("Source", target->GetName());
        EXPECT_EQ(OWN_COLOUR, target->GetColour());
        EXPECT_EQ(&m_Font, target->GetFont());
        EXPECT_TRUE(target->IsVisible());
    }
    source->SetString("changed");
    EXPECT_STREQ("own", copy.GetString()) << "the copy shows its own string";

    source->SetStringRef(&external, false);
    CText byReference(*source);
    source.reset();
    EXPECT_EQ(external.c_str(), byReference.GetString());
    EXPECT_STREQ("own", copy.GetString());
    copy.UpdateEffects();
}

} // namespace
