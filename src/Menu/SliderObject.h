#pragma once

#include <memory>
#include <vector>

#include "Core/Asset.h"

class CButton;
class CDataBuffer;
class CMenuInput;

// A value from 0 to 1: two arrow buttons step it by a twentieth, and the
// knob can be dragged along the bar. The knob's first option says what the
// value sets: 1 the sound effects volume, 2 the music volume.
//
// A copy shares its prototype's buttons; it owns only the buttons its own
// inline lines create.
class CSliderObject : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CSliderObject";

    enum { APPLY_EFFECTS_VOLUME = 1, APPLY_MUSIC_VOLUME = 2 };

    CSliderObject() = default;
    CSliderObject(const CSliderObject& other);
    CSliderObject& operator=(const CSliderObject&) = delete;

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    // All four buttons are needed.
    bool Validate() override;

    bool Prepare();
    void Update(CMenuInput& input, float seconds);
    void Draw() const;
    // Hands the value to the sound system and the options.
    void ApplyValue();

    float GetValue() const { return m_Value; }
    void SetValue(float value) { m_Value = value; }
    CButton* GetLeftArrow() const { return m_pLeft; }
    CButton* GetRightArrow() const { return m_pRight; }
    CButton* GetKnob() const { return m_pKnob; }
    CButton* GetBar() const { return m_pBar; }

private:
    CButton* Keep(std::unique_ptr<CButton> button);
    void Step(float amount);
    void PlaceKnob();

    CButton* m_pLeft = nullptr;
    CButton* m_pRight = nullptr;
    CButton* m_pKnob = nullptr;
    CButton* m_pBar = nullptr;
    float m_Offset[2] = {0.0f, 0.0f};
    float m_BarStart[2] = {0.0f, 0.0f};
    float m_BarEnd[2] = {0.0f, 0.0f};
    float m_Value = 0.0f;
    std::vector<std::unique_ptr<CButton>> m_OwnedButtons;
};
