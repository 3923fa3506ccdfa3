#include "Menu/Button.h"

#include "Core/DataBuffer.h"
#include "Display/Display.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Menu/MenuInput.h"

namespace {

const char* const KEYWORD_BUTTON = "Button";
const float VIRTUAL_WIDTH = 640.0f;
const float VIRTUAL_HEIGHT = 480.0f;
const float BYTE_MAX = 255.0f;
const float ROUND_HALF = 0.5f;
const int32_t ALL_CHARACTERS = -1;

const D3DXCOLOR DEFAULT_NORMAL_BUTTON(0.5f, 0.5f, 0.5f, 1.0f);
const D3DXCOLOR WHITE(1.0f, 1.0f, 1.0f, 1.0f);
const D3DXCOLOR GREEN(0.0f, 1.0f, 0.0f, 1.0f);
const D3DXCOLOR RED(1.0f, 0.0f, 0.0f, 1.0f);

uint8_t ColorByte(float component)
{
    if (component >= 1.0f)
        return 255;
    if (component <= 0.0f)
        return 0;
    return static_cast<uint8_t>(component * BYTE_MAX + ROUND_HALF);
}

D3DXCOLOR Fade(const D3DXCOLOR& from, const D3DXCOLOR& to, float t)
{
    return D3DXCOLOR(QuantiseColorComponent(from.r + (to.r - from.r) * t),
                     QuantiseColorComponent(from.g + (to.g - from.g) * t),
                     QuantiseColorComponent(from.b + (to.b - from.b) * t),
                     QuantiseColorComponent(from.a + (to.a - from.a) * t));
}

D3DCOLOR ToArgb(const D3DXCOLOR& colour)
{
    return D3DCOLOR_ARGB(ColorByte(colour.a), ColorByte(colour.r), ColorByte(colour.g), ColorByte(colour.b));
}

void ReadPair(CDataBuffer& reader, float* pair)
{
    pair[0] = reader.GetFloat();
    pair[1] = reader.GetFloat();
}

} // namespace

float QuantiseColorComponent(float component)
{
    return static_cast<float>(ColorByte(component)) * (1.0f / BYTE_MAX);
}

CButton::CButton()
{
    SetDefaults();
}

void CButton::SetDefaults()
{
    m_pTexture = nullptr;
    m_TextureWidth = 0;
    m_TextureHeight = 0;
    m_Scale[0] = 1.0f;
    m_Scale[1] = 1.0f;
    m_Position[0] = 0.0f;
    m_Position[1] = 0.0f;
    m_Right = 0.0f;
    m_Bottom = 0.0f;
    m_TextPosition[0] = 0.0f;
    m_TextPosition[1] = 0.0f;
    m_Caption.clear();
    m_bHovered = 0;
    m_FadeTimer = 0.0f;
    m_MouseFadeTime = 1.0f;
    m_FadeInRate = 1.0f;
    m_FadeOutRate = 1.0f;
    m_NormalButtonColor = DEFAULT_NORMAL_BUTTON;
    m_CurrentButtonColor = WHITE;
    m_OverButtonColor = WHITE;
    m_NormalTextColor = GREEN;
    m_CurrentTextColor = GREEN;
    m_OverTextColor = RED;
    m_Link.clear();
    m_Option1 = 0;
    m_Option2 = 0;
    m_StringOption.clear();
}

bool CButton::Load(CDataBuffer& reader)
{
    if (!ReadBlock(reader, KEYWORD_BUTTON))
        return false;
    return Prepare();
}

bool CButton::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match("Texture")) {
        g_AssetManager.GetAsset(reader.GetString(), m_pTexture, true);
        m_TextureWidth = m_pTexture->GetWidth();
        m_TextureHeight = m_pTexture->GetHeight();
    } else if (reader.Match("Caption")) {
        m_Caption = reader.GetString();
    } else if (reader.Match("Pos")) {
        ReadPair(reader, m_Position);
    } else if (reader.Match("Scale")) {
        ReadPair(reader, m_Scale);
    } else if (reader.Match("TextOffset")) {
        ReadPair(reader, m_TextPosition);
    } else if (reader.Match("NormalButtonColor")) {
        m_NormalButtonColor = reader.GetColor();
    } else if (reader.Match("OverButtonColor")) {
        m_OverButtonColor = reader.GetColor();
    } else if (reader.Match("NormalTextColor")) {
        m_NormalTextColor = reader.GetColor();
    } else if (reader.Match("OverTextColor")) {
        m_OverTextColor = reader.GetColor();
    } else if (reader.Match("MouseFadeTime")) {
        m_MouseFadeTime = reader.GetFloat();
    } else if (reader.Match("FadeTimeInMod")) {
        m_FadeInRate = reader.GetFloat();
    } else if (reader.Match("FadeTimeOutMod")) {
        m_FadeOutRate = reader.GetFloat();
    } else if (reader.Match("Link")) {
        m_Link = reader.GetString();
    } else if (reader.Match("OPT1")) {
        m_Option1 = static_cast<int32_t>(reader.GetInt());
    } else if (reader.Match("OPT2")) {
        m_Option2 = static_cast<int32_t>(reader.GetInt());
    } else if (reader.Match("STROPT")) {
        m_StringOption = reader.GetString();
    } else {
        return false;
    }
    return true;
}

bool CButton::Prepare()
{
    m_TextPosition[0] += m_Position[0];
    m_TextPosition[1] += m_Position[1];
    ComputeCorners();
    m_FadeTimer = m_MouseFadeTime;
    return true;
}

// Without a picture the button has no area: it is never hovered or clicked.
void CButton::ComputeCorners()
{
    if (m_pTexture == nullptr) {
        m_Right = m_Position[0];
        m_Bottom = m_Position[1];
        return;
    }
    m_Right = m_Position[0] + static_cast<float>(m_TextureWidth) * m_Scale[0] / VIRTUAL_WIDTH;
    m_Bottom = m_Position[1] + static_cast<float>(m_TextureHeight) * m_Scale[1] / VIRTUAL_HEIGHT;
}

void CButton::Offset(float dx, float dy)
{
    m_Position[0] += dx;
    m_Position[1] += dy;
    m_TextPosition[0] += dx;
    m_TextPosition[1] += dy;
    ComputeCorners();
}

void CButton::MoveTo(float x, float y)
{
    Offset(x - m_Position[0], y - m_Position[1]);
}

bool CButton::IsMouseOver(const float* cursor) const
{
    return cursor[0] > m_Position[0] && cursor[0] < m_Right && cursor[1] > m_Position[1] && cursor[1] < m_Bottom;
}

void CButton::Update(const CMenuInput& input, float seconds)
{
    if (m_bHovered)
        m_FadeTimer -= seconds * m_FadeInRate;
    else
        m_FadeTimer += seconds * m_FadeOutRate;
    if (m_FadeTimer > m_MouseFadeTime)
        m_FadeTimer = m_MouseFadeTime;
    if (m_FadeTimer < 0.0f)
        m_FadeTimer = 0.0f;

    // No fade time: the look changes at once rather than dividing by zero.
    float t = m_bHovered ? 1.0f : 0.0f;
    if (m_MouseFadeTime > 0.0f)
        t = (m_MouseFadeTime - m_FadeTimer) / m_MouseFadeTime;
    m_CurrentButtonColor = Fade(m_NormalButtonColor, m_OverButtonColor, t);
    m_CurrentTextColor = Fade(m_NormalTextColor, m_OverTextColor, t);

    if (!IsMouseOver(input.GetCursor())) {
        m_bHovered = 0;
        return;
    }
    if (!m_bHovered) {
        // The fade towards the over colours starts from the normal ones.
        m_FadeTimer = m_MouseFadeTime;
        m_bHovered = 1;
    }
}

void CButton::Draw() const
{
    if (m_pTexture != nullptr)
        DrawSprite(m_pTexture->GetTexture(), m_Position, m_Scale, nullptr, 0.0f, nullptr,
                   ToArgb(m_CurrentButtonColor));
    if (!m_Caption.empty())
        g_TextMaster.TextOut(m_Caption.c_str(), m_TextPosition[0], m_TextPosition[1], ToArgb(m_CurrentTextColor),
                             &g_FontVerdana13, ALL_CHARACTERS, false);
}
