#pragma once
// The timed events of a particle sequence. Each changes one property of a
// particle when the particle's event clock reaches the event's time. A plain
// event sets the value (drawn from its range); a "fade so" event is a point
// the value before it glides to: any event with a later fading partner sets
// the per-second rate that carries the property to the partner's value at
// the partner's time, and without one the rate is 0.
//
// The compiler creates the events; the five lists of a sequence hold them by
// value, sorted by drawn time, and every copy of the sequence shares them.

#include "Effects/MinMax.h"
#include "platform/d3dx8/D3DX8Math.h"

class CParticle;

// What every event holds: when it runs and the range its value is drawn from.
// `Event` is the class itself: a fade partner is an event of the same list.
template <class Event, class Value>
class CParticleEventTiming {
public:
    virtual ~CParticleEventTiming() = default;

    const CMinMax<float>& GetTimeRange() const { return m_Time; }

    // Observer: the first later event of the same list whose fade flag is set.
    const Event* m_pFadePartner = nullptr;
    CMinMax<float> m_Time;
    // Drawn once from m_Time when the script is compiled; every copy shares it.
    float m_fTime = 0.0f;
    bool m_bFade = false;
    CMinMax<Value> m_Value;
};

// A value event adds the span to its partner, which its rate divides by.
template <class Event, class Value>
class CParticleValueEvent : public CParticleEventTiming<Event, Value> {
public:
    // The partner's drawn time minus this one's; 0 means the change comes at once.
    float m_fFadeSpan = 1.0f;
};

class CParticleEventSize_Inline : public CParticleValueEvent<CParticleEventSize_Inline, float> {
public:
    void Apply(CParticle& particle) const;
};

class CParticleEventColor_Inline : public CParticleValueEvent<CParticleEventColor_Inline, D3DXCOLOR> {
public:
    void Apply(CParticle& particle) const;
};

class CParticleEventVel_Inline : public CParticleValueEvent<CParticleEventVel_Inline, D3DXVECTOR3> {
public:
    void Apply(CParticle& particle) const;
    // At spawn: the drawn velocity is turned into the emit frame (a direction:
    // rotation and scale, no translation); the fade target is not.
    void ApplyInEmitFrame(CParticle& particle, const D3DXMATRIX* emitFrame) const;
};

// Sets the position itself (not offset by the emitter). Its rate is the
// velocity: a partner makes the particle travel in a straight line to the
// partner's position; without one the particle stops.
class CParticleEventPos_Inline : public CParticleValueEvent<CParticleEventPos_Inline, D3DXVECTOR3> {
public:
    void Apply(CParticle& particle) const;
};

// Sets the particle's event clock to a draw in its range; the sequence runs
// it and rewinds the particle's event cursors. Never fades.
class CParticleEventEventTimer_Inline : public CParticleEventTiming<CParticleEventEventTimer_Inline, float> {
};
