#include "Effects/ParticleEvents.h"

#include "Effects/ParticleSequence.h"

namespace {

// The rate toward the fade partner's value, or the partner's value at once
// when the partner comes at the same time (no span to divide by).
template <class Event, class Value>
void SetFadeRate(const Event& event, Value& value, Value& rate)
{
    if (event.m_pFadePartner == nullptr) {
        rate = Value();
        return;
    }
    const Value target = DrawRange(event.m_pFadePartner->m_Value);
    if (!(event.m_fFadeSpan > 0.0f)) {
        value = target;
        rate = Value();
        return;
    }
    rate = (target - value) / event.m_fFadeSpan;
}

template <class Event, class Value>
void ApplyValue(const Event& event, Value& value, Value& rate)
{
    if (!event.m_bFade)
        value = DrawRange(event.m_Value);
    SetFadeRate(event, value, rate);
}

} // namespace

void CParticleEventSize_Inline::Apply(CParticle& particle) const
{
    ApplyValue(*this, particle.m_fSize, particle.m_fSizeRate);
}

void CParticleEventColor_Inline::Apply(CParticle& particle) const
{
    ApplyValue(*this, particle.m_Color, particle.m_ColorRate);
}

void CParticleEventVel_Inline::Apply(CParticle& particle) const
{
    ApplyValue(*this, particle.m_vVelocity, particle.m_vVelocityRate);
}

void CParticleEventVel_Inline::ApplyInEmitFrame(CParticle& particle, const D3DXMATRIX* emitFrame) const
{
    if (!m_bFade) {
        const D3DXVECTOR3 drawn = DrawRange(m_Value);
        particle.m_vVelocity = drawn;
        if (emitFrame != nullptr)
            D3DXVec3TransformNormal(&particle.m_vVelocity, &drawn, emitFrame);
    }
    SetFadeRate(*this, particle.m_vVelocity, particle.m_vVelocityRate);
}

void CParticleEventPos_Inline::Apply(CParticle& particle) const
{
    ApplyValue(*this, particle.m_vPosition, particle.m_vVelocity);
}
