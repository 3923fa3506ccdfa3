#include <string>

#include <gtest/gtest.h>

#include "Core/Game.h"
#include "Menu/Button.h"
#include "Menu/CyclicObject.h"
#include "Menu/MenuFixture.h"
#include "Menu/MenuScreens.h"
#include "Menu/SliderObject.h"
#include "Sound/Sound.h"
#include "support/FatalTrap.h"

namespace {

const float BYTE = 1.0f / 255.0f;

class MenuWidgetTest : public MenuFixture {
protected:
    // The plate covers x 0.2 to 0.3 and y 0.2 to 0.3.
    void LoadButtons()
    {
        Load<CButton>("Scripts\\MenuButtons.txt",
                      "Button Plate\nTexture Box\nPos 0.2 0.2\nMouseFadeTime 1\nFadeTimeInMod 2\n"
                      "NormalButtonColor 1 0 0 0\nOverButtonColor 1 1 0.5 0\n"
                      "NormalTextColor 1 0 0 1\nOverTextColor 1 1 0 0\n"
                      "Button Quick\nTexture Box\nPos 0.2 0.2\nMouseFadeTime 0\nNormalButtonColor 1 0 0 0\n"
                      "OverButtonColor 1 1 1 1\n"
                      "Button Caption\nCaption Hello\nPos 0.2 0.2\n"
                      "Button Arrow\nTexture Box\n");
    }

    void LoadCyclic(const std::string& options, const std::string& arrows = "LB Arrow\nRB Arrow\nPos 0.5 0\n")
    {
        LoadButtons();
        Load<CCyclicObject>("Scripts\\Menu\\CyclicObjects.txt", "CyclicObject Pick\n" + arrows + options);
    }

    // Bar from x 0.2 to 0.6 at y 0.5; arrows at 0 and 0.8; knob OPT1 `apply`.
    CSliderObject* LoadSlider(int apply)
    {
        LoadButtons();
        Load<CSliderObject>("Scripts\\Menu\\SliderObjects.txt",
                            "SliderObject Volume\nSBS 0.2 0.5\nSBE 0.6 0.5\nLB Arrow\nPos 0 0.5\nRB Arrow\n"
                            "Pos 0.8 0.5\nSB Arrow\nPos 0.2 0.5\nSBG Arrow\nOPT1 " +
                                std::to_string(apply) + "\n");
        return Get<CSliderObject>("Volume");
    }
};

TEST_F(MenuWidgetTest, AButtonFadesTowardsItsOverColoursInEightBitSteps)
{
    LoadButtons();
    CButton button(*Get<CButton>("Plate"));
    EXPECT_FLOAT_EQ(0.3f, button.GetRight());
    EXPECT_FLOAT_EQ(0.3f, button.GetBottom());
    const struct {
        float x, y, seconds;
        float red, green;
        bool hovered;
    } frames[] = {
        {0.25f, 0.25f, 0.25f, 0.0f, 0.0f, true},               // arrives: starts from the normal look
        {0.25f, 0.25f, 0.25f, 128 * BYTE, 64 * BYTE, true},    // half way at twice the speed
        {0.25f, 0.25f, 0.25f, 1.0f, 128 * BYTE, true},         // fully over
        {0.5f, 0.5f, 0.25f, 1.0f, 128 * BYTE, false},          // leaves
        {0.5f, 0.5f, 0.25f, 191 * BYTE, 96 * BYTE, false},     // a quarter back
        {0.5f, 0.5f, 2.0f, 0.0f, 0.0f, false},                 // back to normal, and no further
    };
    for (const auto& frame : frames) {
        SCOPED_TRACE(testing::Message() << "cursor " << frame.x << " after " << frame.seconds << " s");
        m_Input.MoveTo(frame.x, frame.y);
        button.Update(m_Input, frame.seconds);
        EXPECT_FLOAT_EQ(frame.red, button.m_CurrentButtonColor.r);
        EXPECT_FLOAT_EQ(frame.green, button.m_CurrentButtonColor.g);
        EXPECT_FLOAT_EQ(1.0f, button.m_CurrentButtonColor.a);
        EXPECT_EQ(frame.hovered, button.m_bHovered != 0);
    }
    EXPECT_FLOAT_EQ(0.0f, button.m_CurrentTextColor.r) << "the text fades with it";
    EXPECT_FLOAT_EQ(1.0f, button.m_CurrentTextColor.b);
}

TEST_F(MenuWidgetTest, NoFadeTimeChangesTheLookAtOnce)
{
    LoadButtons();
    CButton button(*Get<CButton>("Quick"));
    const struct {
        float x, expected;
    } frames[] = {{0.25f, 0.0f}, {0.25f, 1.0f}, {0.5f, 1.0f}, {0.5f, 0.0f}};
    for (const auto& frame : frames) {
        m_Input.MoveTo(frame.x, 0.25f);
        button.Update(m_Input, 0.1f);
        EXPECT_EQ(frame.expected, button.m_CurrentButtonColor.r) << "at " << frame.x;
    }
}

TEST_F(MenuWidgetTest, HoverIsStrictlyInsideAndACaptionAloneIsNeverHovered)
{
    LoadButtons();
    const CButton* plate = Get<CButton>("Plate");
    const float left = plate->m_Position[0];
    const float top = plate->m_Position[1];
    const float right = plate->GetRight();
    const float bottom = plate->GetBottom();
    const float edges[][2] = {{left, 0.25f}, {right, 0.25f}, {0.25f, top}, {0.25f, bottom}};
    for (const auto& edge : edges)
        EXPECT_FALSE(plate->IsMouseOver(edge)) << edge[0] << ", " << edge[1];
    const float inside[] = {0.2001f, 0.2999f};
    EXPECT_TRUE(plate->IsMouseOver(inside));

    CButton caption(*Get<CButton>("Caption"));
    EXPECT_FLOAT_EQ(0.2f, caption.GetRight()) << "no picture, no area";
    for (const float x : {0.2f, 0.21f}) {
        m_Input.MoveTo(x, 0.2f);
        caption.Update(m_Input, 0.1f);
        EXPECT_EQ(0, caption.m_bHovered);
    }
    EXPECT_FLOAT_EQ(0.2f, caption.m_TextPosition[0]) << "the text offset is made absolute";
}

TEST_F(MenuWidgetTest, ColourComponentsAreKeptToEightBits)
{
    EXPECT_EQ(1.0f, QuantiseColorComponent(1.5f));
    EXPECT_EQ(0.0f, QuantiseColorComponent(-0.25f));
    EXPECT_FLOAT_EQ(128 * BYTE, QuantiseColorComponent(0.5f));
    EXPECT_FLOAT_EQ(1 * BYTE, QuantiseColorComponent(0.003f));
}

TEST_F(MenuWidgetTest, CyclicArrowsWrapAtBothEnds)
{
    LoadCyclic("Option Caption\nOPT1 1\nOption Caption\nOPT1 2\nOption Caption\nOPT1 3\n");
    CCyclicObject* cyclic = Get<CCyclicObject>("Pick");
    const float leftArrow[] = {0.05f, 0.05f};
    const float rightArrow[] = {0.55f, 0.05f};
    const struct {
        const float* arrow;
        int32_t index;
    } clicks[] = {{leftArrow, 2}, {leftArrow, 1}, {rightArrow, 2}, {rightArrow, 0}};
    for (const auto& click : clicks) {
        ClickAt(click.arrow[0], click.arrow[1]);
        cyclic->Update(m_Input, 0.1f);
        EXPECT_EQ(click.index, cyclic->GetIndex());
        EXPECT_EQ(click.index + 1, cyclic->GetCurrentOption()->m_Option1);
    }
    m_Input.m_bReleased = false;
    cyclic->Update(m_Input, 0.1f);
    EXPECT_EQ(0, cyclic->GetIndex()) << "only a release clicks";
}

TEST_F(MenuWidgetTest, ACyclicObjectWithOneOrNoOptionsStaysPut)
{
    LoadCyclic("Option Caption\n");
    Load<CCyclicObject>("Scripts\\Menu\\More.txt", "CyclicObject Empty\nLB Arrow\n");
    for (const char* name : {"Pick", "Empty"}) {
        CCyclicObject* cyclic = Get<CCyclicObject>(name);
        for (const float x : {0.05f, 0.55f}) {
            ClickAt(x, 0.05f);
            cyclic->Update(m_Input, 0.1f);
            EXPECT_EQ(0, cyclic->GetIndex()) << name;
        }
        cyclic->Draw();
    }
    EXPECT_EQ(nullptr, Get<CCyclicObject>("Empty")->GetCurrentOption());
    EXPECT_EQ(nullptr, Get<CCyclicObject>("Empty")->GetRightArrow());
}

TEST_F(MenuWidgetTest, SliderArrowsStepAndClampAndTheValueSetsItsVolume)
{
    CSliderObject* slider = LoadSlider(CSliderObject::APPLY_EFFECTS_VOLUME);
    ClickAt(0.05f, 0.55f);
    slider->Update(m_Input, 0.1f);
    EXPECT_EQ(0.0f, slider->GetValue()) << "clamped at 0";

    slider->SetValue(0.98f);
    ClickAt(0.85f, 0.55f);
    slider->Update(m_Input, 0.1f);
    EXPECT_EQ(1.0f, slider->GetValue()) << "clamped at 1";
    EXPECT_EQ(255, g_Sound.GetSfxVolume());
    EXPECT_EQ(1.0f, g_Game.m_Options.EffectVol);

    slider->SetValue(0.5f);
    slider->ApplyValue();
    EXPECT_EQ(127, g_Sound.GetSfxVolume()) << "x 255, truncated";
    EXPECT_EQ(0.5f, g_Game.m_Options.EffectVol);
}

TEST_F(MenuWidgetTest, TheMusicSliderSetsTheMusicVolume)
{
    CSliderObject* slider = LoadSlider(CSliderObject::APPLY_MUSIC_VOLUME);
    const float effects = g_Game.m_Options.EffectVol;
    slider->SetValue(0.25f);
    slider->ApplyValue();
    EXPECT_EQ(63, g_Sound.GetMusicVolume());
    EXPECT_EQ(0.25f, g_Game.m_Options.MusicVol);
    EXPECT_EQ(effects, g_Game.m_Options.EffectVol);
}

TEST_F(MenuWidgetTest, DraggingTheKnobMovesItWithTheCursorRidingOnIt)
{
    CSliderObject* slider = LoadSlider(0);
    slider->Update(m_Input, 0.1f);
    EXPECT_FLOAT_EQ(0.2f, slider->GetKnob()->m_Position[0]) << "at the bar's start";

    m_Input.MoveTo(0.25f, 0.55f);
    m_Input.m_bHeld = true;
    m_Input.m_DeltaX = 10.0f;
    slider->Update(m_Input, 0.1f);
    EXPECT_FLOAT_EQ(0.1f, slider->GetValue()) << "a hundredth per count";
    EXPECT_EQ(1, m_Input.m_Holds);
    EXPECT_FLOAT_EQ(0.2f + 0.4f * 0.1f + 0.01f, m_Input.m_Cursor[0]);
    EXPECT_FLOAT_EQ(0.24f, slider->GetKnob()->m_Position[0]);
    EXPECT_FLOAT_EQ(0.34f, slider->GetKnob()->GetRight());

    m_Input.m_DeltaX = 500.0f;
    slider->Update(m_Input, 0.1f);
    EXPECT_EQ(1.0f, slider->GetValue()) << "clamped past the end";
    EXPECT_FLOAT_EQ(0.6f, slider->GetKnob()->m_Position[0]);

    m_Input.MoveTo(0.9f, 0.9f);
    m_Input.m_DeltaX = -500.0f;
    slider->Update(m_Input, 0.1f);
    EXPECT_EQ(1.0f, slider->GetValue()) << "held away from the knob";
}

TEST_F(MenuWidgetTest, LinesAfterAnItemAreTheItemsOwn)
{
    LoadCyclic("Option Caption\nPos 0.1 0.2\nCaption Two\n", "LB Arrow\nPos 0.3 0\n");
    CCyclicObject* cyclic = Get<CCyclicObject>("Pick");
    CButton* option = cyclic->GetCurrentOption();
    EXPECT_FLOAT_EQ(0.1f, option->m_Position[0]) << "the option's own Pos";
    EXPECT_FLOAT_EQ(0.2f, option->m_Position[1]);
    EXPECT_EQ("Two", option->m_Caption);
    EXPECT_FLOAT_EQ(0.3f, cyclic->GetLeftArrow()->m_Position[0]);
    EXPECT_FLOAT_EQ(0.2f, Get<CButton>("Caption")->m_Position[0]) << "the prototype is left as it was";
}

TEST_F(MenuWidgetTest, AMissingButtonOrSliderPartIsFatal)
{
    LoadButtons();
    EXPECT_FATAL(Load<CCyclicObject>("Scripts\\Menu\\CyclicObjects.txt", "CyclicObject Pick\nOption Nope\n"),
                 "Unable to find asset \"Nope\" of type <CButton>\nin Scripts\\Menu\\CyclicObjects.txt");
    EXPECT_FATAL(Load<CSliderObject>("Scripts\\Menu\\SliderObjects.txt",
                                     "SliderObject Volume\nLB Arrow\nRB Arrow\nSB Arrow\n"),
                 "Incomplete Button Specification.\nin Scripts\\Menu\\SliderObjects.txt");
}

} // namespace
