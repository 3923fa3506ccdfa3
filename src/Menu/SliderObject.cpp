#include "Menu/SliderObject.h"

#include <initializer_list>

#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Game.h"
#include "Menu/Button.h"
#include "Menu/MenuInput.h"
#include "Sound/Sound.h"

namespace {

const char* const KEYWORD_SLIDER_OBJECT = "SliderObject";
const float ARROW_STEP = 0.05f;
// The value a mouse count moves the knob by.
const float DRAG_PER_COUNT = 0.01f;
// The cursor rides just right of the knob's left edge.
const float CURSOR_ON_KNOB = 0.01f;
const float VOLUME_SCALE = 255.0f;

float Clamp01(float value)
{
    if (value < 0.0f)
        return 0.0f;
    if (value > 1.0f)
        return 1.0f;
    return value;
}

void ReadPair(CDataBuffer& reader, float* pair)
{
    pair[0] = reader.GetFloat();
    pair[1] = reader.GetFloat();
}

} // namespace

CSliderObject::CSliderObject(const CSliderObject& other)
    : CAsset(other),
      m_pLeft(other.m_pLeft),
      m_pRight(other.m_pRight),
      m_pKnob(other.m_pKnob),
      m_pBar(other.m_pBar),
      m_Offset{other.m_Offset[0], other.m_Offset[1]},
      m_BarStart{other.m_BarStart[0], other.m_BarStart[1]},
      m_BarEnd{other.m_BarEnd[0], other.m_BarEnd[1]},
      m_Value(other.m_Value)
{
}

bool CSliderObject::Load(CDataBuffer& reader)
{
    if (!reader.Match(KEYWORD_SLIDER_OBJECT))
        return false;
    m_Name = reader.GetString();
    while (!reader.IsEndOfBuffer() && ReadProperty(reader)) {
    }
    if (!Validate())
        FatalError("Incomplete Button Specification.");
    return Prepare();
}

CButton* CSliderObject::Keep(std::unique_ptr<CButton> button)
{
    m_OwnedButtons.push_back(std::move(button));
    return m_OwnedButtons.back().get();
}

bool CSliderObject::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match("SB")) {
        m_pBar = Keep(ReadButtonCopy(reader));
    } else if (reader.Match("SBG")) {
        m_pKnob = Keep(ReadButtonCopy(reader));
    } else if (reader.Match("LB")) {
        m_pLeft = Keep(ReadButtonCopy(reader));
    } else if (reader.Match("RB")) {
        m_pRight = Keep(ReadButtonCopy(reader));
    } else if (reader.Match("SBS")) {
        ReadPair(reader, m_BarStart);
    } else if (reader.Match("SBE")) {
        ReadPair(reader, m_BarEnd);
    } else if (reader.Match("Pos")) {
        ReadPair(reader, m_Offset);
    } else {
        return false;
    }
    return true;
}

bool CSliderObject::Validate()
{
    return m_pLeft != nullptr && m_pRight != nullptr && m_pKnob != nullptr && m_pBar != nullptr;
}

bool CSliderObject::Prepare()
{
    for (CButton* button : {m_pLeft, m_pRight, m_pKnob, m_pBar})
        button->Offset(m_Offset[0], m_Offset[1]);
    for (int axis = 0; axis < 2; ++axis) {
        m_BarStart[axis] += m_Offset[axis];
        m_BarEnd[axis] += m_Offset[axis];
    }
    return true;
}

void CSliderObject::Step(float amount)
{
    m_Value = Clamp01(m_Value + amount);
    ApplyValue();
}

void CSliderObject::Update(CMenuInput& input, float seconds)
{
    for (CButton* button : {m_pLeft, m_pRight, m_pBar, m_pKnob})
        button->Update(input, seconds);

    const float* cursor = input.GetCursor();
    if (input.WasClickReleased()) {
        if (m_pLeft->IsMouseOver(cursor))
            Step(-ARROW_STEP);
        if (m_pRight->IsMouseOver(cursor))
            Step(ARROW_STEP);
    }
    if (input.IsClickHeld() && m_pKnob->IsMouseOver(cursor)) {
        m_Value = Clamp01(m_Value + input.GetMouseDeltaX() * DRAG_PER_COUNT);
        input.HoldCursorAt(m_BarStart[0] + (m_BarEnd[0] - m_BarStart[0]) * m_Value + CURSOR_ON_KNOB);
        ApplyValue();
    }
    PlaceKnob();
}

void CSliderObject::PlaceKnob()
{
    m_pKnob->MoveTo(m_BarStart[0] + (m_BarEnd[0] - m_BarStart[0]) * m_Value,
                    m_BarStart[1] + (m_BarEnd[1] - m_BarStart[1]) * m_Value);
}

void CSliderObject::Draw() const
{
    for (const CButton* button : {m_pLeft, m_pRight, m_pBar, m_pKnob})
        button->Draw();
}

void CSliderObject::ApplyValue()
{
    const int volume = static_cast<int>(m_Value * VOLUME_SCALE);
    switch (m_pKnob->m_Option1) {
    case APPLY_EFFECTS_VOLUME:
        g_Sound.SetSfxVolume(volume);
        g_Game.m_Options.EffectVol = m_Value;
        break;
    case APPLY_MUSIC_VOLUME:
        g_Sound.SetMusicVolume(volume);
        g_Game.m_Options.MusicVol = m_Value;
        break;
    default:
        break;
    }
}
