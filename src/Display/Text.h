#pragma once
// A piece of on-screen text: a string, a position (fractions of the screen),
// a font description, a colour and a visibility flag, drawn through the text
// master. It keeps start values of all of these so that it can be put back,
// and carries the effects that change it over time. Holders call
// UpdateEffects and Draw once a frame and ResetEffects when the text is
// shown again.

#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Display/TextEffect.h"
#include "platform/d3d8/D3D8Types.h"

struct CFontDesc;

class CText : public CAsset {
public:
    CText();
    CText(const CText& other);
    CText& operator=(const CText& other);
    ~CText() override;

    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    // Text blocks stand inside other scripts and need no asset type.
    bool Validate() override { return true; }
    const char* GetClassName() const override { return "CText"; }

    // Every current and start value; the string is copied.
    void Setup(const char* text, float x, float y, D3DCOLOR colour, CFontDesc* font, bool visible);
    void SetString(const char* text);
    // Without `copy` the caller's string itself is shown, as it changes; it
    // must outlive the text (or the next SetString).
    void SetStringRef(const std::string* text, bool copy);
    void SetPosition(float x, float y);
    // The description is not owned and must outlive the text.
    void SetFont(CFontDesc* font);
    void SetVisible(bool visible) { m_bVisible = visible; }

    // An owned effect goes with the text and is cloned with it; a shared one
    // is only observed. Returns the effect's index, -1 for a null effect.
    int AddEffect(std::unique_ptr<CTextEffect> effect);
    int AddEffect(CTextEffect* effect);

    void UpdateEffects();
    void ResetEffects();
    // Queues the text when it is visible and not empty.
    void Draw() const;

    const char* GetString() const { return m_pString != nullptr ? m_pString->c_str() : ""; }
    float GetX() const { return m_fX; }
    float GetY() const { return m_fY; }
    D3DCOLOR GetColour() const { return m_Colour; }
    CFontDesc* GetFont() const { return m_pFont; }
    bool IsVisible() const { return m_bVisible; }
    size_t GetEffectCount() const { return m_Effects.size(); }
    CTextEffect* GetEffect(size_t index) const;
    bool IsEffectOwned(size_t index) const;

private:
    struct EffectRecord {
        std::unique_ptr<CTextEffect> m_pOwned; // null for a shared effect
        CTextEffect* m_pEffect = nullptr;
        bool m_bActive = true;
    };

    void CopyFrom(const CText& other);
    // Where `pointer`, a string pointer of `other`, points in this text.
    const std::string* TranslateStringPointer(const std::string* pointer, const CText& other) const;
    bool ReadEffect(CDataBuffer& reader);

    std::vector<EffectRecord> m_Effects;
    std::string m_String;
    const std::string* m_pString = nullptr; // what is shown
    float m_fX = 0.0f;
    float m_fY = 0.0f;
    CFontDesc* m_pFont = nullptr;
    bool m_bVisible = false;
    D3DCOLOR m_Colour = 0xFFFFFFFF;
    const std::string* m_pStartString = nullptr;
    std::string m_StartString;
    bool m_bOwnString = true;
    float m_fStartX = 0.0f;
    float m_fStartY = 0.0f;
    CFontDesc* m_pStartFont = nullptr;
    D3DCOLOR m_StartColour = 0xFFFFFFFF;
};
