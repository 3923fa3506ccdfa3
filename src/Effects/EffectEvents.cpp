#include "Effects/EffectEvents.h"

#include <string>

#include "Effects/Effect.h"
#include "Effects/ScriptTokens.h"

namespace {

// A fade whose partner shares its time takes one second instead of none.
const float SAME_TIME_SPAN = 1.0f;
// Texture-set indices beyond this are not kept exactly: nothing uses them.
const float TEXTURE_SET_LIMIT = 1.0e9f;

// The action word must contain `keyword`; it is passed over.
void TakeKeyword(CTokenCursor& cursor, const char* keyword, const char* missing)
{
    if (cursor.Text().find(keyword) == std::string::npos)
        ThrowScriptError(missing);
    cursor.Next();
}

} // namespace

std::unique_ptr<CEffectEvent> CEffectEvent::Create(int objectKind, int actionKind)
{
    switch (objectKind) {
    case TOKEN_MESH:
        switch (actionKind) {
        case TOKEN_EFFECT_SIZE:
            return std::make_unique<CEffectEvent_Mesh_Size>();
        case TOKEN_ALPHA:
            return std::make_unique<CEffectEvent_Mesh_Alpha>();
        case TOKEN_POS:
            return std::make_unique<CEffectEvent_Mesh_Pos>();
        case TOKEN_COLOR:
            return std::make_unique<CEffectEvent_Mesh_Color>();
        case TOKEN_TEXTURESET:
            return std::make_unique<CEffectEvent_Mesh_TextureSet>();
        default:
            return nullptr;
        }
    case TOKEN_SPRITE:
        switch (actionKind) {
        case TOKEN_START:
            return std::make_unique<CEffectEvent_3DSprite_Start>();
        case TOKEN_EFFECT_SIZE:
            return std::make_unique<CEffectEvent_Sprite_Size>();
        case TOKEN_STOP:
            return std::make_unique<CEffectEvent_3DSprite_Stop>();
        case TOKEN_ALPHA:
            return std::make_unique<CEffectEvent_Sprite_Alpha>();
        default:
            return nullptr;
        }
    case TOKEN_PARTICLE:
        if (actionKind == TOKEN_START)
            return std::make_unique<CEffectEvent_ParticleSytem_Start>();
        if (actionKind == TOKEN_STOP)
            return std::make_unique<CEffectEvent_ParticleSytem_Stop>();
        return nullptr;
    case TOKEN_EFFECT:
        if (actionKind == TOKEN_STOP)
            return std::make_unique<CEffectEvent_System_Stop>();
        return nullptr;
    default:
        return nullptr;
    }
}

void LinkEffectFadePartners(CEffectEventList& events)
{
    for (size_t i = 0; i < events.size(); ++i) {
        CEffectEvent& event = *events[i];
        event.m_pFadePartner = nullptr;
        for (size_t j = i + 1; j < events.size(); ++j) {
            const CEffectEvent& later = *events[j];
            if (later.m_bFade && later.m_iTypeId == event.m_iTypeId && later.m_iTarget == event.m_iTarget) {
                event.m_pFadePartner = &later;
                break;
            }
        }
    }
}

void CEffectValueEvent::Parse(int target, CTokenCursor& cursor)
{
    TakeKeyword(cursor, m_pKeyword, m_pMissing);
    m_Value = ParsePropertyNumber(cursor);
    m_iTarget = target;
}

void CEffectValueEvent::RunValue(float& value, float& rate) const
{
    if (!m_bFade)
        value = DrawRange(m_Value);
    // Partners share the type id, so the partner is a value event of this class.
    const auto* partner = static_cast<const CEffectValueEvent*>(m_pFadePartner);
    if (partner == nullptr) {
        rate = 0.0f;
        return;
    }
    const float target = DrawRange(partner->m_Value);
    float span = partner->m_fTime - m_fTime;
    if (span == 0.0f)
        span = SAME_TIME_SPAN;
    rate = (target - value) / span;
}

void CEffectActionEvent::Parse(int target, CTokenCursor& cursor)
{
    TakeKeyword(cursor, m_pKeyword, m_pMissing);
    m_iTarget = target;
}

CEffectEvent_Mesh_Size::CEffectEvent_Mesh_Size()
    : CEffectValueEvent("CEffectEvent_Mesh_Size", EFFECT_EVENT_MESH_SIZE, "SIZE", "Expecting Size!")
{
}

void CEffectEvent_Mesh_Size::Run(CEffect& effect) const
{
    CEffectMesh& mesh = effect.m_Meshes[m_iTarget];
    float scale = mesh.m_DisplayObject.GetScale();
    RunValue(scale, mesh.m_fSizeRate);
    mesh.m_DisplayObject.SetScale(scale);
}

CEffectEvent_Mesh_Alpha::CEffectEvent_Mesh_Alpha()
    : CEffectValueEvent("CEffectEvent_Mesh_Alpha", EFFECT_EVENT_MESH_ALPHA, "ALPHA", "Expecting Alpha!")
{
}

void CEffectEvent_Mesh_Alpha::Run(CEffect& effect) const
{
    CEffectMesh& mesh = effect.m_Meshes[m_iTarget];
    RunValue(mesh.m_fAlpha, mesh.m_fAlphaRate);
}

CEffectEvent_ParticleSytem_Start::CEffectEvent_ParticleSytem_Start()
    : CEffectActionEvent("CEffectEvent_ParticleSytem_Start", EFFECT_EVENT_PARTICLE_START, "START", "Expecting Start!")
{
}

void CEffectEvent_ParticleSytem_Start::Run(CEffect& effect) const
{
    effect.m_ParticleSystems[m_iTarget].Activate();
}

CEffectEvent_ParticleSytem_Stop::CEffectEvent_ParticleSytem_Stop()
    : CEffectActionEvent("CEffectEvent_ParticleSytem_Stop", EFFECT_EVENT_PARTICLE_STOP, "STOP", "Expecting Stop!")
{
}

void CEffectEvent_ParticleSytem_Stop::Run(CEffect& effect) const
{
    effect.m_ParticleSystems[m_iTarget].StopAtOnce();
}

CEffectEvent_3DSprite_Stop::CEffectEvent_3DSprite_Stop()
    : CEffectActionEvent("CEffectEvent_3DSprite_Stop", EFFECT_EVENT_SPRITE_STOP, "STOP", "Expecting Stop!")
{
}

void CEffectEvent_3DSprite_Stop::Run(CEffect& effect) const
{
    effect.m_Sprites[m_iTarget].m_u8Active = 0;
}

CEffectEvent_3DSprite_Start::CEffectEvent_3DSprite_Start()
    : CEffectActionEvent("CEffectEvent_3DSprite_Start", EFFECT_EVENT_SPRITE_START, "START", "Expecting Start!")
{
}

void CEffectEvent_3DSprite_Start::Run(CEffect& effect) const
{
    effect.m_Sprites[m_iTarget].m_u8Active = 1;
}

CEffectEvent_EventTimer::CEffectEvent_EventTimer()
    : CEffectValueEvent("CEffectEvent_EventTimer", EFFECT_EVENT_EVENT_TIMER, "EVENTTIMER", "Expecting EventTimer!")
{
}

void CEffectEvent_EventTimer::Run(CEffect& effect) const
{
    effect.SetClock(DrawRange(m_Value));
}

CEffectEvent_Sprite_Size::CEffectEvent_Sprite_Size()
    : CEffectValueEvent("CEffectEvent_Sprite_Size", EFFECT_EVENT_SPRITE_SIZE, "SIZE", "Expecting Size!")
{
}

void CEffectEvent_Sprite_Size::Run(CEffect& effect) const
{
    C3DSprite& sprite = effect.m_Sprites[m_iTarget];
    RunValue(sprite.m_fSize, sprite.m_fSizeRate);
}

CEffectEvent_System_Stop::CEffectEvent_System_Stop()
    : CEffectActionEvent("CEffectEvent_System_Stop", EFFECT_EVENT_SYSTEM_STOP, "STOP", "Expecting Stop!")
{
}

void CEffectEvent_System_Stop::Run(CEffect& effect) const
{
    effect.Reset();
}

CEffectEvent_Sprite_Alpha::CEffectEvent_Sprite_Alpha()
    : CEffectValueEvent("CEffectEvent_Sprite_Alpha", EFFECT_EVENT_SPRITE_ALPHA, "ALPHA", "Expecting Alpha!")
{
}

void CEffectEvent_Sprite_Alpha::Run(CEffect& effect) const
{
    C3DSprite& sprite = effect.m_Sprites[m_iTarget];
    RunValue(sprite.m_fAlpha, sprite.m_fAlphaRate);
}

void CEffectEvent_Mesh_Pos::Parse(int target, CTokenCursor& cursor)
{
    TakeKeyword(cursor, "POS", "Expecting Pos!");
    m_Position = ParsePropertyXYZ(cursor);
    m_iTarget = target;
}

void CEffectEvent_Mesh_Color::Parse(int target, CTokenCursor& cursor)
{
    TakeKeyword(cursor, "COLOR", "Expecting Color!");
    m_Color = ParsePropertyRGBA(cursor);
    m_iTarget = target;
}

// The game's own message for a missing TEXTURESET is the colour one.
CEffectEvent_Mesh_TextureSet::CEffectEvent_Mesh_TextureSet()
    : CEffectValueEvent("CEffectEvent_Mesh_TextureSet", EFFECT_EVENT_MESH_TEXTURESET, "TEXTURESET",
                        "Expecting Color!")
{
}

void CEffectEvent_Mesh_TextureSet::Parse(int target, CTokenCursor& cursor)
{
    CEffectValueEvent::Parse(target, cursor);
    const float index = m_Value.m_Min;
    m_iTextureSet = index > -TEXTURE_SET_LIMIT && index < TEXTURE_SET_LIMIT ? static_cast<int>(index) : 0;
}
