#include "Display/TextEffect.h"

#include <algorithm>
#include <cmath>

#include "Core/Clock.h"
#include "Core/DataBuffer.h"

namespace {

const char* const BLOCK_FADE = "TextEffectFade";
const char* const BLOCK_SCROLL = "TextEffectScroll";
const char* const KEYWORD_START_COLOR = "StartColor";
const char* const KEYWORD_END_COLOR = "EndColor";
const char* const KEYWORD_START_POSITION = "StartPosition";
const char* const KEYWORD_END_POSITION = "EndPosition";
const char* const KEYWORD_DELAY = "Delay";
const char* const KEYWORD_DURATION = "Duration";

const uint32_t CHANNEL_MASK = 0xFF;
const int CHANNEL_MAX = 255;
const int CHANNEL_SHIFTS[] = {24, 16, 8, 0}; // alpha, red, green, blue

int Channel(D3DCOLOR colour, int shift)
{
    return static_cast<int>((colour >> shift) & CHANNEL_MASK);
}

float Lerp(float start, float end, float progress)
{
    return start + (end - start) * progress;
}

} // namespace

D3DCOLOR ReadTextColour(CDataBuffer& reader)
{
    D3DCOLOR colour = 0;
    for (int shift : CHANNEL_SHIFTS)
        colour |= (static_cast<uint32_t>(reader.GetInteger()) & CHANNEL_MASK) << shift;
    return colour;
}

bool CTimedTextEffect::ReadProperty(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_DELAY)) {
        m_fDelay = reader.GetFloat();
        return true;
    }
    if (reader.Match(KEYWORD_DURATION)) {
        m_fDuration = reader.GetFloat();
        return true;
    }
    return CTextEffect::ReadProperty(reader);
}

void CTimedTextEffect::Reset()
{
    m_fElapsed = 0.0f;
    m_bFinished = false;
}

void CTimedTextEffect::Update()
{
    Advance(g_FrameTimer.GetFrameTime());
}

void CTimedTextEffect::Advance(float seconds)
{
    if (m_bFinished)
        return;
    m_fElapsed += seconds;
    const float end = m_fDelay + m_fDuration;
    if (m_fElapsed > end) {
        m_bFinished = true;
        m_fElapsed = end;
    }
}

bool CTimedTextEffect::GetProgress(float& progress) const
{
    if (m_bFinished) {
        progress = 1.0f;
        return true;
    }
    if (m_fElapsed < m_fDelay)
        return false;
    progress = m_fDuration > 0.0f ? (m_fElapsed - m_fDelay) / m_fDuration : 1.0f;
    return true;
}

bool CTextEffectFade::Load(CDataBuffer& reader)
{
    return ReadBlock(reader, BLOCK_FADE);
}

bool CTextEffectFade::ReadProperty(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_START_COLOR)) {
        m_StartColour = ReadTextColour(reader);
        return true;
    }
    if (reader.Match(KEYWORD_END_COLOR)) {
        m_EndColour = ReadTextColour(reader);
        return true;
    }
    return CTimedTextEffect::ReadProperty(reader);
}

void CTextEffectFade::Setup(D3DCOLOR startColour, D3DCOLOR endColour, float delay, float duration)
{
    m_StartColour = startColour;
    m_EndColour = endColour;
    m_fDelay = delay;
    m_fDuration = duration;
    Reset();
}

// Each channel on its own, computed signed (a channel may fade down) and
// truncated toward zero.
void CTextEffectFade::ApplyColour(D3DCOLOR* colour)
{
    float progress = 0.0f;
    if (colour == nullptr || !GetProgress(progress))
        return;
    if (m_bFinished) {
        *colour = m_EndColour;
        return;
    }
    D3DCOLOR faded = 0;
    for (int shift : CHANNEL_SHIFTS) {
        const float start = static_cast<float>(Channel(m_StartColour, shift));
        const float end = static_cast<float>(Channel(m_EndColour, shift));
        const int value = static_cast<int>(std::trunc(Lerp(start, end, progress)));
        faded |= static_cast<uint32_t>(std::clamp(value, 0, CHANNEL_MAX)) << shift;
    }
    *colour = faded;
}

std::unique_ptr<CTextEffect> CTextEffectFade::Clone() const
{
    return std::make_unique<CTextEffectFade>(*this);
}

bool CTextEffectScroll::Load(CDataBuffer& reader)
{
    return ReadBlock(reader, BLOCK_SCROLL);
}

bool CTextEffectScroll::ReadProperty(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_START_POSITION)) {
        m_fStartX = reader.GetFloat();
        m_fStartY = reader.GetFloat();
        return true;
    }
    if (reader.Match(KEYWORD_END_POSITION)) {
        m_fEndX = reader.GetFloat();
        m_fEndY = reader.GetFloat();
        return true;
    }
    return CTimedTextEffect::ReadProperty(reader);
}

void CTextEffectScroll::ApplyPosition(float* x, float* y)
{
    float progress = 0.0f;
    if (x == nullptr || y == nullptr || !GetProgress(progress))
        return;
    if (m_bFinished) {
        *x = m_fEndX;
        *y = m_fEndY;
        return;
    }
    *x = Lerp(m_fStartX, m_fEndX, progress);
    *y = Lerp(m_fStartY, m_fEndY, progress);
}

std::unique_ptr<CTextEffect> CTextEffectScroll::Clone() const
{
    return std::make_unique<CTextEffectScroll>(*this);
}
