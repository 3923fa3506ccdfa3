#include "Display/Text.h"

#include "Core/DataBuffer.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"

namespace {

const char* const BLOCK_TEXT = "Text";
const char* const KEYWORD_STRING = "String";
const char* const KEYWORD_POSITION = "Position";
const char* const KEYWORD_COLOR = "Color";
const char* const KEYWORD_VISIBLE = "Visible";

const int32_t DRAW_ALL = -1;

} // namespace

CText::CText() : m_pString(&m_String), m_pStartString(&m_StartString) {}

CText::CText(const CText& other) : CAsset(other), m_pString(&m_String), m_pStartString(&m_StartString)
{
    CopyFrom(other);
}

CText& CText::operator=(const CText& other)
{
    if (this == &other)
        return *this;
    CAsset::operator=(other);
    CopyFrom(other);
    return *this;
}

CText::~CText() = default;

void CText::CopyFrom(const CText& other)
{
    m_Effects.clear();
    for (const EffectRecord& record : other.m_Effects) {
        if (!record.m_pOwned) {
            AddEffect(record.m_pEffect);
            continue;
        }
        std::unique_ptr<CTextEffect> clone = record.m_pOwned->Clone();
        if (clone)
            AddEffect(std::move(clone));
    }
    m_String = other.m_String;
    m_StartString = other.m_StartString;
    m_pString = TranslateStringPointer(other.m_pString, other);
    m_pStartString = TranslateStringPointer(other.m_pStartString, other);
    m_fX = other.m_fX;
    m_fY = other.m_fY;
    m_pFont = other.m_pFont;
    m_bVisible = other.m_bVisible;
    m_Colour = other.m_Colour;
    m_bOwnString = other.m_bOwnString;
    m_fStartX = other.m_fStartX;
    m_fStartY = other.m_fStartY;
    m_pStartFont = other.m_pStartFont;
    m_StartColour = other.m_StartColour;
}

const std::string* CText::TranslateStringPointer(const std::string* pointer, const CText& other) const
{
    if (pointer == &other.m_String)
        return &m_String;
    if (pointer == &other.m_StartString)
        return &m_StartString;
    return pointer;
}

bool CText::Load(CDataBuffer& reader)
{
    return ReadBlock(reader, BLOCK_TEXT);
}

bool CText::ReadProperty(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_STRING)) {
        SetString(reader.GetString().c_str());
        return true;
    }
    if (reader.Match(KEYWORD_POSITION)) {
        const float x = reader.GetFloat();
        SetPosition(x, reader.GetFloat());
        return true;
    }
    if (reader.Match(KEYWORD_COLOR)) {
        m_Colour = ReadTextColour(reader);
        m_StartColour = m_Colour;
        return true;
    }
    if (reader.Match(KEYWORD_VISIBLE)) {
        m_bVisible = reader.GetBool();
        return true;
    }
    if (ReadEffect(reader))
        return true;
    return CAsset::ReadProperty(reader);
}

// A nested fade or scroll block, which the text then owns.
bool CText::ReadEffect(CDataBuffer& reader)
{
    auto fade = std::make_unique<CTextEffectFade>();
    if (fade->Load(reader)) {
        AddEffect(std::move(fade));
        return true;
    }
    auto scroll = std::make_unique<CTextEffectScroll>();
    if (scroll->Load(reader)) {
        AddEffect(std::move(scroll));
        return true;
    }
    return false;
}

void CText::Setup(const char* text, float x, float y, D3DCOLOR colour, CFontDesc* font, bool visible)
{
    SetString(text);
    SetPosition(x, y);
    SetFont(font);
    m_Colour = colour;
    m_StartColour = colour;
    m_bVisible = visible;
}

void CText::SetString(const char* text)
{
    m_String = text != nullptr ? text : "";
    m_StartString = m_String;
    m_pString = &m_String;
    m_pStartString = &m_StartString;
    m_bOwnString = true;
}

void CText::SetStringRef(const std::string* text, bool copy)
{
    if (copy || text == nullptr) {
        SetString(text != nullptr ? text->c_str() : nullptr);
        return;
    }
    m_pString = text;
    m_pStartString = text;
    m_bOwnString = false;
}

void CText::SetPosition(float x, float y)
{
    m_fX = x;
    m_fY = y;
    m_fStartX = x;
    m_fStartY = y;
}

void CText::SetFont(CFontDesc* font)
{
    m_pFont = font;
    m_pStartFont = font;
}

int CText::AddEffect(std::unique_ptr<CTextEffect> effect)
{
    if (!effect)
        return -1;
    EffectRecord record;
    record.m_pEffect = effect.get();
    record.m_pOwned = std::move(effect);
    m_Effects.push_back(std::move(record));
    return static_cast<int>(m_Effects.size() - 1);
}

int CText::AddEffect(CTextEffect* effect)
{
    if (effect == nullptr)
        return -1;
    EffectRecord record;
    record.m_pEffect = effect;
    m_Effects.push_back(std::move(record));
    return static_cast<int>(m_Effects.size() - 1);
}

CTextEffect* CText::GetEffect(size_t index) const
{
    return index < m_Effects.size() ? m_Effects[index].m_pEffect : nullptr;
}

bool CText::IsEffectOwned(size_t index) const
{
    return index < m_Effects.size() && m_Effects[index].m_pOwned != nullptr;
}

void CText::UpdateEffects()
{
    for (EffectRecord& record : m_Effects) {
        CTextEffect* effect = record.m_pEffect;
        effect->ApplyString(&m_pString);
        effect->ApplyPosition(&m_fX, &m_fY);
        effect->ApplyColour(&m_Colour);
        if (m_pFont != nullptr) {
            effect->ApplyScale(&m_pFont->m_Scale);
            effect->ApplyFont(m_pFont);
        }
        if (record.m_bActive)
            effect->Update();
    }
}

void CText::ResetEffects()
{
    for (EffectRecord& record : m_Effects)
        record.m_pEffect->Reset();
    m_String = m_StartString;
    // A text of its own shows its own copy again; a caller's string stays shown.
    m_pString = m_pStartString == &m_StartString ? &m_String : m_pStartString;
    m_fX = m_fStartX;
    m_fY = m_fStartY;
    m_pFont = m_pStartFont;
    m_Colour = m_StartColour;
}

void CText::Draw() const
{
    if (!m_bVisible || m_pString == nullptr || m_pString->empty())
        return;
    g_TextMaster.TextOut(m_pString->c_str(), m_fX, m_fY, m_Colour, m_pFont, DRAW_ALL, false);
}
