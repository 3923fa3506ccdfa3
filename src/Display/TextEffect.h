#pragma once
// Effects that change a text over time, each after a delay and over a
// duration: a fade of its colour and a scroll of its position. A text asks
// each of its effects to apply itself to every property, then advances it.

#include <memory>
#include <string>

#include "Core/Asset.h"
#include "platform/d3d8/D3D8Types.h"

struct CFontDesc;

// Four integers alpha, red, green, blue, each taken modulo 256, as one ARGB
// colour: how the text blocks of scripts write colours.
D3DCOLOR ReadTextColour(CDataBuffer& reader);

class CTextEffect : public CAsset {
public:
    bool Validate() override { return true; }

    // Each effect changes the properties it is about; the others stay.
    virtual void ApplyString(const std::string** /*text*/) {}
    virtual void ApplyPosition(float* /*x*/, float* /*y*/) {}
    virtual void ApplyColour(D3DCOLOR* /*colour*/) {}
    virtual void ApplyScale(float* /*scale*/) {}
    virtual void ApplyFont(CFontDesc* /*font*/) {}
    virtual void Reset() = 0;
    // Advances by one frame.
    virtual void Update() = 0;
    virtual bool IsFinished() const = 0;
    // A new copy with every field; null when it cannot be copied.
    virtual std::unique_ptr<CTextEffect> Clone() const = 0;

};

// The timing both effects share: elapsed seconds of frame time, counted up
// to delay + duration, at which the effect is finished.
class CTimedTextEffect : public CTextEffect {
public:
    bool ReadProperty(CDataBuffer& reader) override;
    void Reset() override;
    void Update() override;
    bool IsFinished() const override { return m_bFinished; }

    // Advances by `seconds`.
    void Advance(float seconds);

protected:
    // How far the change has gone, from 0 at the delay to 1 at its end;
    // false while the delay runs. A change of no duration is at its end.
    bool GetProgress(float& progress) const;

    float m_fElapsed = 0.0f;
    float m_fDelay = 0.0f;
    float m_fDuration = 0.0f;
    bool m_bFinished = false;
};

class CTextEffectFade : public CTimedTextEffect {
public:
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    const char* GetClassName() const override { return "CTextEffectFade"; }

    void Setup(D3DCOLOR startColour, D3DCOLOR endColour, float delay, float duration);
    void ApplyColour(D3DCOLOR* colour) override;
    std::unique_ptr<CTextEffect> Clone() const override;

private:
    D3DCOLOR m_StartColour = 0;
    D3DCOLOR m_EndColour = 0;
};

class CTextEffectScroll : public CTimedTextEffect {
public:
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    const char* GetClassName() const override { return "CTextEffectScroll"; }

    void ApplyPosition(float* x, float* y) override;
    std::unique_ptr<CTextEffect> Clone() const override;

private:
    float m_fStartX = 0.0f;
    float m_fStartY = 0.0f;
    float m_fEndX = 0.0f;
    float m_fEndY = 0.0f;
};
