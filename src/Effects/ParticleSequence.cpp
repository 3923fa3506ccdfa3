#include "Effects/ParticleSequence.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/Occ_HOM.h"
#include "Display/Texture.h"

namespace {

const float COLOUR_BYTE_MAX = 255.0f;
const float ROUND_HALF = 0.5f;

// The first event of `list` whose drawn time is at least `time`.
template <class Event>
uint32_t FirstAtOrAfter(const std::vector<Event>& list, float time)
{
    uint32_t index = 0;
    while (index < list.size() && list[index].m_fTime < time)
        ++index;
    return index;
}

// Applies the events from `cursor` on while their time has come.
template <class Event>
void RunDue(const std::vector<Event>& list, uint32_t& cursor, float clock, CParticle& particle)
{
    while (cursor < list.size() && list[cursor].m_fTime <= clock) {
        list[cursor].Apply(particle);
        ++cursor;
    }
}

// The events at time 0 in front of the list, each run by `apply`; the cursor
// is left on the first one after them.
template <class Event, class Apply>
void RunInitial(const std::vector<Event>& list, uint32_t& cursor, Apply apply)
{
    cursor = 0;
    while (cursor < list.size() && list[cursor].m_fTime == 0.0f) {
        apply(list[cursor]);
        ++cursor;
    }
}

template <class Event>
void DrawTimes(std::vector<Event>& list)
{
    for (Event& event : list)
        event.m_fTime = DrawRange(event.m_Time);
}

template <class Event>
void SortByTime(std::vector<Event>& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const Event& a, const Event& b) { return a.m_fTime < b.m_fTime; });
}

// Each event's partner is the first later event of the list that fades.
template <class Event>
void LinkPartners(std::vector<Event>& list)
{
    const Event* nextFading = nullptr;
    for (size_t i = list.size(); i-- > 0;) {
        list[i].m_pFadePartner = nextFading;
        if (list[i].m_bFade)
            nextFading = &list[i];
    }
}

template <class Event>
void LinkFadeSpans(std::vector<Event>& list)
{
    LinkPartners(list);
    for (Event& event : list) {
        if (event.m_pFadePartner != nullptr)
            event.m_fFadeSpan = event.m_pFadePartner->m_fTime - event.m_fTime;
    }
}

// Timers get partners the same way but no span: they never fade.
void LinkFadeSpans(std::vector<CParticleEventEventTimer_Inline>& list)
{
    LinkPartners(list);
}

// A colour channel as a byte: 0 at or below 0, 255 at or above 1, else rounded.
DWORD ChannelByte(float c)
{
    if (!(c > 0.0f))
        return 0;
    if (c >= 1.0f)
        return 255;
    return static_cast<DWORD>(c * COLOUR_BYTE_MAX + ROUND_HALF);
}

D3DCOLOR PackColour(const D3DXCOLOR& colour)
{
    return D3DCOLOR_ARGB(ChannelByte(colour.a), ChannelByte(colour.r), ChannelByte(colour.g), ChannelByte(colour.b));
}

void SwapWhereReversed(float& min, float& max)
{
    if (min > max)
        std::swap(min, max);
}

} // namespace

CParticleEventSequence::CParticleEventSequence()
{
    ClearProperties();
}

CParticleEventSequence::CParticleEventSequence(const CParticleEventSequence& other)
{
    CopyFrom(other);
}

CParticleEventSequence& CParticleEventSequence::operator=(const CParticleEventSequence& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

void CParticleEventSequence::CopyFrom(const CParticleEventSequence& other)
{
    ClearProperties();
    m_pEvents = other.m_pEvents;
    m_matLocal = other.m_matLocal;
    m_bStop = other.m_bStop;
    m_Lifetime = other.m_Lifetime;
    m_EmitRate = other.m_EmitRate;
    m_iLoops = other.m_iLoops;
    m_SpawnDir = other.m_SpawnDir;
    m_EmitRadius = other.m_EmitRadius;
    m_Gravity = other.m_Gravity;
    m_TextureName = other.m_TextureName;
    m_pTexture = other.m_pTexture;
    m_iNumParticles = other.m_iNumParticles;
    m_iDestBlend = other.m_iDestBlend;
    m_iSourceBlend = other.m_iSourceBlend;
    m_iEmittedCount = other.m_iEmittedCount;
    m_Name = other.m_Name;
    m_fEmissionRemainder = other.m_fEmissionRemainder;
    m_fTickAccumulator = other.m_fTickAccumulator;
    m_iPoolCount = other.m_iPoolCount;
    AllocatePool();
}

void CParticleEventSequence::ClearProperties()
{
    m_bStop = false;
    m_iEmittedCount = 0;
    m_fEmissionRemainder = 0.0f;
    m_iLoops = UNLIMITED_LOOPS;
    m_iNumParticles = DEFAULT_PARTICLE_COUNT;
    D3DXMatrixIdentity(&m_matLocal);
    m_EmitRadius = CMinMax<D3DXVECTOR3>();
    m_Gravity = CMinMax<D3DXVECTOR3>();
}

void CParticleEventSequence::SetTexture(const std::string& name)
{
    m_TextureName = name;
    CTexture* texture = nullptr;
    g_AssetManager.GetAsset(name, texture, true);
    m_pTexture = texture != nullptr ? texture->GetTexture() : nullptr;
}

void CParticleEventSequence::Prepare()
{
    if (!m_TextureName.empty())
        SetTexture(m_TextureName);
    if (m_iPoolCount == m_iNumParticles)
        return;
    m_iPoolCount = m_iNumParticles;
    AllocatePool();
}

void CParticleEventSequence::AllocatePool()
{
    const size_t count = static_cast<size_t>(std::max(m_iPoolCount, 0));
    m_Particles.assign(count, CParticle());
    m_AliveFlags.assign(count, 0);
    m_iAliveCount = 0;
}

CParticleEventLists& CParticleEventSequence::CreateEvents()
{
    m_pEvents = std::make_shared<CParticleEventLists>();
    return *m_pEvents;
}

void CParticleEventSequence::DrawEventTimes()
{
    if (m_pEvents)
        m_pEvents->ForEach([](auto& list) { DrawTimes(list); });
}

void CParticleEventSequence::SortEvents()
{
    if (m_pEvents)
        m_pEvents->ForEach([](auto& list) { SortByTime(list); });
}

void CParticleEventSequence::LinkFadeEvents()
{
    if (m_pEvents)
        m_pEvents->ForEach([](auto& list) { LinkFadeSpans(list); });
}

void CParticleEventSequence::Reset()
{
    ClearParticles();
    m_bStop = false;
}

void CParticleEventSequence::ClearParticles()
{
    std::fill(m_AliveFlags.begin(), m_AliveFlags.end(), 0);
    m_iAliveCount = 0;
    m_iEmittedCount = 0;
    m_fTickAccumulator = 0.0f;
}

void CParticleEventSequence::StopEmitting()
{
    m_bStop = true;
    m_iEmittedCount = 0;
}

// The whole particles due this frame. The fraction carries over; a frame
// never asks for more than the pool holds, however large the rate or the time.
int CParticleEventSequence::EmissionCount(float seconds)
{
    float wanted = DrawRange(m_EmitRate) * seconds;
    const float poolSize = static_cast<float>(m_iPoolCount);
    if (!(wanted <= poolSize))
        wanted = poolSize;
    if (!(wanted >= 0.0f))
        wanted = 0.0f;
    float whole = std::trunc(wanted);
    m_fEmissionRemainder += wanted - whole;
    if (m_fEmissionRemainder > 1.0f) {
        const float carried = std::trunc(m_fEmissionRemainder);
        whole += carried;
        m_fEmissionRemainder -= carried;
    }
    int count = static_cast<int>(std::min(whole, poolSize));

    if (m_iLoops > 0) {
        const int64_t cap = static_cast<int64_t>(m_iNumParticles) * m_iLoops;
        if (m_iEmittedCount + count > cap)
            count = static_cast<int>(std::max<int64_t>(cap - m_iEmittedCount, 0));
    }
    return m_bStop ? 0 : count;
}

CParticleEventSequence::EmissionFrame CParticleEventSequence::MakeEmissionFrame(
    const D3DXVECTOR3& position, const CMinMax<D3DXVECTOR3>& box, const D3DXMATRIX* emitFrame)
{
    EmissionFrame frame = {position, box.m_Min, box.m_Max, emitFrame};
    if (emitFrame == nullptr)
        return frame;
    D3DXVec3TransformCoord(&frame.m_vOrigin, &position, emitFrame);
    D3DXMATRIX rotation = *emitFrame;
    rotation._41 = 0.0f;
    rotation._42 = 0.0f;
    rotation._43 = 0.0f;
    D3DXVec3TransformCoord(&frame.m_vBoxMin, &box.m_Min, &rotation);
    D3DXVec3TransformCoord(&frame.m_vBoxMax, &box.m_Max, &rotation);
    SwapWhereReversed(frame.m_vBoxMin.x, frame.m_vBoxMax.x);
    SwapWhereReversed(frame.m_vBoxMin.y, frame.m_vBoxMax.y);
    SwapWhereReversed(frame.m_vBoxMin.z, frame.m_vBoxMax.z);
    return frame;
}

void CParticleEventSequence::Update(float seconds, D3DXVECTOR3 position, const D3DXMATRIX* emitFrame)
{
    m_fTickAccumulator += seconds;
    if (m_fTickAccumulator > EVENT_TICK) {
        m_fTickAccumulator = 0.0f;
        RunEventTick();
    }

    int due = EmissionCount(seconds);
    const EmissionFrame frame = MakeEmissionFrame(position, m_EmitRadius, emitFrame);
    for (int slot = 0; slot < m_iPoolCount; ++slot) {
        CParticle& particle = m_Particles[slot];
        if (m_AliveFlags[slot] == 0) {
            if (due < 1)
                continue;
            Spawn(particle, frame);
            m_AliveFlags[slot] = 1;
            ++m_iAliveCount;
            --due;
            continue;
        }
        particle.m_fAge += seconds;
        particle.m_fEventClock += seconds;
        if (particle.m_fAge < particle.m_fLifetime) {
            Integrate(particle, DrawRange(m_Gravity), seconds);
        } else if (due >= 1) {
            Spawn(particle, frame);
            --due;
        } else {
            m_AliveFlags[slot] = 0;
            --m_iAliveCount;
        }
    }
}

void CParticleEventSequence::Spawn(CParticle& particle, const EmissionFrame& frame)
{
    ++m_iEmittedCount;
    particle.m_fAge = 0.0f;
    particle.m_fEventClock = 0.0f;
    particle.m_fLifetime = DrawRange(m_Lifetime);
    const CMinMax<D3DXVECTOR3> box(frame.m_vBoxMin, frame.m_vBoxMax);
    particle.m_vPosition = frame.m_vOrigin + DrawRange(box);
    RunSpawnEvents(particle, frame.m_pMatrix);
}

void CParticleEventSequence::RunSpawnEvents(CParticle& particle, const D3DXMATRIX* emitFrame) const
{
    if (!m_pEvents) {
        particle.m_uSizeCursor = particle.m_uColorCursor = particle.m_uVelocityCursor = 0;
        particle.m_uPositionCursor = particle.m_uTimerCursor = 0;
        return;
    }
    const CParticleEventLists& events = *m_pEvents;
    RunInitial(events.m_Size, particle.m_uSizeCursor, [&](const auto& event) { event.Apply(particle); });
    RunInitial(events.m_Color, particle.m_uColorCursor, [&](const auto& event) { event.Apply(particle); });
    RunInitial(events.m_Velocity, particle.m_uVelocityCursor,
               [&](const auto& event) { event.ApplyInEmitFrame(particle, emitFrame); });
    RunInitial(events.m_Position, particle.m_uPositionCursor, [&](const auto& event) { event.Apply(particle); });
    RunInitial(events.m_Timer, particle.m_uTimerCursor,
               [&](const auto& event) { particle.m_fEventClock = DrawRange(event.m_Value); });
}

void CParticleEventSequence::Integrate(CParticle& particle, const D3DXVECTOR3& gravity, float seconds)
{
    particle.m_vPosition += particle.m_vVelocity * seconds;
    particle.m_Color += particle.m_ColorRate * seconds;
    particle.m_vVelocity += particle.m_vVelocityRate * seconds;
    particle.m_fSize += particle.m_fSizeRate * seconds;
    particle.m_vVelocity += gravity * seconds;
}

void CParticleEventSequence::RunEventTick()
{
    for (int slot = 0; slot < m_iPoolCount; ++slot) {
        if (m_AliveFlags[slot] != 0)
            RunDueEvents(m_Particles[slot]);
    }
}

void CParticleEventSequence::RunDueEvents(CParticle& particle) const
{
    if (!m_pEvents)
        return;
    const CParticleEventLists& events = *m_pEvents;
    const float clock = particle.m_fEventClock;
    RunDue(events.m_Size, particle.m_uSizeCursor, clock, particle);
    RunDue(events.m_Color, particle.m_uColorCursor, clock, particle);
    RunDue(events.m_Velocity, particle.m_uVelocityCursor, clock, particle);
    RunDue(events.m_Position, particle.m_uPositionCursor, clock, particle);
    RunTimerEvents(particle);
}

// A timer sets the clock; a clock that moves rewinds the cursors to it, so the
// events after the new time run again at later ticks. The timer found at the
// new time is passed over, so a timer back to 0 replays the sequence once. A
// tick fires at most one timer more than the list holds: timers that send the
// clock back and forth between equal times cannot hold the frame.
void CParticleEventSequence::RunTimerEvents(CParticle& particle) const
{
    const std::vector<CParticleEventEventTimer_Inline>& timers = m_pEvents->m_Timer;
    const size_t firingLimit = timers.size() + 1;
    size_t fired = 0;
    float clock = particle.m_fEventClock;
    while (particle.m_uTimerCursor < timers.size() && timers[particle.m_uTimerCursor].m_fTime <= clock &&
           fired < firingLimit) {
        const float newClock = DrawRange(timers[particle.m_uTimerCursor].m_Value);
        particle.m_fEventClock = newClock;
        if (newClock != clock) {
            particle.m_uTimerCursor = FirstAtOrAfter(timers, newClock);
            particle.m_uSizeCursor = FirstAtOrAfter(m_pEvents->m_Size, newClock);
            particle.m_uColorCursor = FirstAtOrAfter(m_pEvents->m_Color, newClock);
            particle.m_uVelocityCursor = FirstAtOrAfter(m_pEvents->m_Velocity, newClock);
            particle.m_uPositionCursor = FirstAtOrAfter(m_pEvents->m_Position, newClock);
        }
        if (particle.m_uTimerCursor < timers.size())
            ++particle.m_uTimerCursor;
        clock = newClock;
        ++fired;
    }
}

bool CParticleEventSequence::IsOutsideView(const D3DXMATRIX& viewProjection, const D3DXPLANE* clip,
                                           const D3DXMATRIX* renderFrame) const
{
    D3DXVECTOR3 lo(FLT_MAX, FLT_MAX, FLT_MAX);
    D3DXVECTOR3 hi(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    bool alive = false;
    for (int slot = 0; slot < m_iPoolCount; ++slot) {
        if (m_AliveFlags[slot] == 0)
            continue;
        const CParticle& particle = m_Particles[slot];
        const float reach = std::fabs(particle.m_fSize);
        const D3DXVECTOR3 margin(reach, reach, reach);
        const D3DXVECTOR3 low = particle.m_vPosition - margin;
        const D3DXVECTOR3 high = particle.m_vPosition + margin;
        D3DXVec3Minimize(&lo, &lo, &low);
        D3DXVec3Maximize(&hi, &hi, &high);
        alive = true;
    }
    if (!alive)
        return true;
    D3DXMATRIX world;
    if (renderFrame != nullptr)
        D3DXMatrixMultiply(&world, &m_matLocal, renderFrame);
    else
        D3DXMatrixIdentity(&world);
    const COccBoxRecord box = {&lo, &hi, &world};
    return IsBoxOutsideView(box, viewProjection, clip);
}

void CParticleEventSequence::Draw(IDirect3DVertexBuffer8* buffer, uint32_t batchSize,
                                  const D3DXMATRIX* renderFrame) const
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (buffer == nullptr || device == nullptr || batchSize == 0)
        return;
    if (renderFrame != nullptr) {
        D3DXMATRIX world;
        D3DXMatrixMultiply(&world, &m_matLocal, renderFrame);
        device->SetTransform(D3DTS_WORLD, &world);
    }
    device->SetTexture(0, m_pTexture);
    device->SetStreamSource(0, buffer, sizeof(VERTEX_PARTICLE));

    BYTE* locked = nullptr;
    if (FAILED(buffer->Lock(0, 0, &locked, D3DLOCK_DISCARD)) || locked == nullptr)
        return;
    VERTEX_PARTICLE* vertices = reinterpret_cast<VERTEX_PARTICLE*>(locked);

    // Behind the game camera (whichever camera is active) nothing is drawn.
    const D3DXMATRIX& camera = g_GameCamera.GetWorldMatrix();
    const D3DXVECTOR3 forward(camera._31, camera._32, camera._33);
    const D3DXVECTOR3 eye(camera._41, camera._42, camera._43);
    const float eyeDepth = D3DXVec3Dot(&forward, &eye);

    uint32_t count = 0;
    for (int slot = 0; slot < m_iPoolCount; ++slot) {
        if (m_AliveFlags[slot] == 0)
            continue;
        const CParticle& particle = m_Particles[slot];
        if (renderFrame == nullptr && D3DXVec3Dot(&forward, &particle.m_vPosition) - eyeDepth < 0.0f)
            continue;
        VERTEX_PARTICLE& vertex = vertices[count];
        vertex.x = particle.m_vPosition.x;
        vertex.y = particle.m_vPosition.y;
        vertex.z = particle.m_vPosition.z;
        vertex.size = particle.m_fSize;
        vertex.colour = PackColour(particle.m_Color);
        if (++count < batchSize)
            continue;
        buffer->Unlock();
        device->DrawPrimitive(D3DPT_POINTLIST, 0, batchSize);
        count = 0;
        if (FAILED(buffer->Lock(0, 0, &locked, D3DLOCK_DISCARD)) || locked == nullptr)
            return;
        vertices = reinterpret_cast<VERTEX_PARTICLE*>(locked);
    }
    buffer->Unlock();
    if (count > 0)
        device->DrawPrimitive(D3DPT_POINTLIST, 0, count);
}
