#pragma once
// The timed events of an effect's sequence. Each one, when the effect's clock
// reaches its time, does one thing to one component of the effect (a mesh's or
// a sprite's size or alpha, a sprite or a particle system started or stopped)
// or to the effect itself (rewound, or its clock set back). The compiler makes
// them through the factory and lets each read the rest of its statement; from
// then on they are only read: the prototype effect and all its copies run the
// same event objects against their own components.
//
// A value event ("SIZE", "ALPHA") that has a fade partner (the next event of
// its kind on the same component written "fade so") sets the rate that brings
// the value to the partner's value at the partner's time. The fading event
// itself does not jump to its value: it starts its own leg, or holds.

#include <memory>
#include <vector>

#include "Effects/MinMax.h"
#include "platform/d3dx8/D3DX8Math.h"

class CEffect;
class CTokenCursor;

// The type ids; fade pairing compares them. 10 and 11 are not used.
enum EffectEventType {
    EFFECT_EVENT_MESH_SIZE = 1,
    EFFECT_EVENT_MESH_ALPHA = 2,
    EFFECT_EVENT_PARTICLE_START = 3,
    EFFECT_EVENT_PARTICLE_STOP = 4,
    EFFECT_EVENT_SPRITE_STOP = 5,
    EFFECT_EVENT_SPRITE_START = 6,
    EFFECT_EVENT_EVENT_TIMER = 7,
    EFFECT_EVENT_SPRITE_SIZE = 8,
    EFFECT_EVENT_SYSTEM_STOP = 9,
    EFFECT_EVENT_SPRITE_ALPHA = 12,
    EFFECT_EVENT_MESH_POS = 13,
    EFFECT_EVENT_MESH_COLOR = 14,
    EFFECT_EVENT_MESH_TEXTURESET = 15,
};

class CEffectEvent {
public:
    CEffectEvent(const char* className, int typeId) : m_pClassName(className), m_iTypeId(typeId) {}
    virtual ~CEffectEvent() = default;
    CEffectEvent(const CEffectEvent&) = delete;
    CEffectEvent& operator=(const CEffectEvent&) = delete;

    // The event of an object word ("MESH", "SPRITE", "PARTICLE", "EFFECT")
    // and an action word, by their token kinds; null for any other pair.
    static std::unique_ptr<CEffectEvent> Create(int objectKind, int actionKind);

    // Applies the event to `effect`'s component at the target.
    virtual void Run(CEffect& effect) const = 0;
    // Whether "fade so" may stand before the event.
    virtual bool CanFade() const = 0;
    // Reads the statement from the action word on; errors are raised as
    // script errors. `target` is the component's index (from 0).
    virtual void Parse(int target, CTokenCursor& cursor) = 0;

    // The next event that fades the same property of the same component.
    const CEffectEvent* m_pFadePartner = nullptr;
    const char* m_pClassName;
    int m_iTypeId;
    int m_iTarget = 0;
    CMinMax<float> m_Time;
    // Drawn once from m_Time when the script is compiled.
    float m_fTime = 0.0f;
    bool m_bFade = false;
};

typedef std::vector<std::unique_ptr<CEffectEvent>> CEffectEventList;

// Each event's partner is the first later event of the (sorted) list with
// the same type id and target that is written "fade so".
void LinkEffectFadePartners(CEffectEventList& events);

// A value event: its keyword, "=" and a number or Random(a, b).
class CEffectValueEvent : public CEffectEvent {
public:
    void Parse(int target, CTokenCursor& cursor) override;

    CMinMax<float> m_Value;

protected:
    CEffectValueEvent(const char* className, int typeId, const char* keyword, const char* missing)
        : CEffectEvent(className, typeId), m_pKeyword(keyword), m_pMissing(missing)
    {
    }
    // Sets `value` unless the event fades, then the rate toward the fade
    // partner's value over the time to it (1 s when they share a time), or 0.
    void RunValue(float& value, float& rate) const;

private:
    const char* m_pKeyword;
    const char* m_pMissing;
};

// An event that is its action word alone ("START", "STOP").
class CEffectActionEvent : public CEffectEvent {
public:
    void Parse(int target, CTokenCursor& cursor) override;

protected:
    CEffectActionEvent(const char* className, int typeId, const char* keyword, const char* missing)
        : CEffectEvent(className, typeId), m_pKeyword(keyword), m_pMissing(missing)
    {
    }

private:
    const char* m_pKeyword;
    const char* m_pMissing;
};

class CEffectEvent_Mesh_Size : public CEffectValueEvent {
public:
    CEffectEvent_Mesh_Size();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return true; }
};

class CEffectEvent_Mesh_Alpha : public CEffectValueEvent {
public:
    CEffectEvent_Mesh_Alpha();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return true; }
};

class CEffectEvent_ParticleSytem_Start : public CEffectActionEvent {
public:
    CEffectEvent_ParticleSytem_Start();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return true; }
};

class CEffectEvent_ParticleSytem_Stop : public CEffectActionEvent {
public:
    CEffectEvent_ParticleSytem_Stop();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return true; }
};

class CEffectEvent_3DSprite_Stop : public CEffectActionEvent {
public:
    CEffectEvent_3DSprite_Stop();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return true; }
};

class CEffectEvent_3DSprite_Start : public CEffectActionEvent {
public:
    CEffectEvent_3DSprite_Start();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return true; }
};

// "EVENTTIMER = t": the effect's clock becomes t; how a sequence loops.
class CEffectEvent_EventTimer : public CEffectValueEvent {
public:
    CEffectEvent_EventTimer();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return false; }
};

class CEffectEvent_Sprite_Size : public CEffectValueEvent {
public:
    CEffectEvent_Sprite_Size();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return true; }
};

// "EFFECT n STOP" (n is ignored): the whole effect rewinds and goes idle.
class CEffectEvent_System_Stop : public CEffectActionEvent {
public:
    CEffectEvent_System_Stop();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return false; }
};

class CEffectEvent_Sprite_Alpha : public CEffectValueEvent {
public:
    CEffectEvent_Sprite_Alpha();
    void Run(CEffect& effect) const override;
    bool CanFade() const override { return true; }
};

// Kept and timed, but an effect mesh has no position of its own to set.
class CEffectEvent_Mesh_Pos : public CEffectEvent {
public:
    CEffectEvent_Mesh_Pos() : CEffectEvent("CEffectEvent_Mesh_Pos", EFFECT_EVENT_MESH_POS) {}
    void Run(CEffect& /*effect*/) const override {}
    bool CanFade() const override { return true; }
    void Parse(int target, CTokenCursor& cursor) override;

    CMinMax<D3DXVECTOR3> m_Position;
};

// Kept and timed, but effect meshes are drawn in their own colours.
class CEffectEvent_Mesh_Color : public CEffectEvent {
public:
    CEffectEvent_Mesh_Color() : CEffectEvent("CEffectEvent_Mesh_Color", EFFECT_EVENT_MESH_COLOR) {}
    void Run(CEffect& /*effect*/) const override {}
    bool CanFade() const override { return true; }
    void Parse(int target, CTokenCursor& cursor) override;

    CMinMax<D3DXCOLOR> m_Color;
};

// Kept and timed, but effect meshes have no texture sets.
class CEffectEvent_Mesh_TextureSet : public CEffectValueEvent {
public:
    CEffectEvent_Mesh_TextureSet();
    void Run(CEffect& /*effect*/) const override {}
    bool CanFade() const override { return false; }
    void Parse(int target, CTokenCursor& cursor) override;

    int m_iTextureSet = 0;
};
