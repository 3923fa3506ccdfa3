#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Core/Asset.h"
#include "Core/AssetManager.h"
#include "Core/FatalError.h"
#include "platform/d3dx8/D3DX8Math.h"

class CMenuInput;
class CTexture;

// A menu button: a picture and a caption on the 640 x 480 virtual screen,
// fading between its normal and its over colours while the cursor is on it.
// Its link is the command a click runs. Screens, tabs, cyclic objects and
// sliders never use a "Button" block itself: each use is a copy of it.
class CButton : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CButton";

    CButton();
    CButton(const CButton& other) = default;
    CButton& operator=(const CButton& other) = default;

    const char* GetClassName() const override { return CLASS_NAME; }
    void SetDefaults();

    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    // Every button is complete: a missing picture only leaves it unclickable.
    bool Validate() override { return true; }

    // Makes the text position absolute and computes the corners.
    bool Prepare();
    void Offset(float dx, float dy);
    void MoveTo(float x, float y);
    // Strictly inside: a cursor on the edge is not over the button.
    bool IsMouseOver(const float* cursor) const;
    // Fades by `seconds` towards the look the hover asks for, then follows the cursor.
    void Update(const CMenuInput& input, float seconds);
    void Draw() const;

    float GetRight() const { return m_Right; }
    float GetBottom() const { return m_Bottom; }

    CTexture* m_pTexture = nullptr;
    uint16_t m_TextureWidth = 0;
    uint16_t m_TextureHeight = 0;
    float m_Scale[2];
    float m_Position[2];
    float m_TextPosition[2];
    std::string m_Caption;
    uint8_t m_bHovered = 0;
    float m_FadeTimer = 0.0f;
    float m_MouseFadeTime;
    float m_FadeInRate;
    float m_FadeOutRate;
    D3DXCOLOR m_NormalButtonColor;
    D3DXCOLOR m_CurrentButtonColor;
    D3DXCOLOR m_OverButtonColor;
    D3DXCOLOR m_NormalTextColor;
    D3DXCOLOR m_CurrentTextColor;
    D3DXCOLOR m_OverTextColor;
    std::string m_Link;
    int32_t m_Option1 = 0;
    int32_t m_Option2 = 0;
    std::string m_StringOption;

private:
    void ComputeCorners();

    float m_Right = 0.0f;
    float m_Bottom = 0.0f;
};

// A colour component as the screen shows it: kept to 8 bits.
float QuantiseColorComponent(float component);

// The current token names a prototype of T (a button, a cyclic object or a
// slider): a copy of it reads the lines that follow as its own properties, up
// to the first keyword it does not know, and is validated and prepared. So a
// "Pos" after an item in a list is the item's own. The prototype must exist.
template <class T>
std::unique_ptr<T> ReadItemCopy(CDataBuffer& reader)
{
    T* prototype = nullptr;
    g_AssetManager.GetAsset(reader.GetString(), prototype, true);
    std::unique_ptr<T> copy(new T(*prototype));
    while (!reader.IsEndOfBuffer() && copy->ReadProperty(reader)) {
    }
    if (!copy->Validate())
        FatalError("Incomplete Button Specification.");
    copy->Prepare();
    return copy;
}

inline std::unique_ptr<CButton> ReadButtonCopy(CDataBuffer& reader)
{
    return ReadItemCopy<CButton>(reader);
}
