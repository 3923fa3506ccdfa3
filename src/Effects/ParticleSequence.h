#pragma once
// One "EventSequence" block of a particle script: its emission properties,
// its five time-sorted event lists (shared by every copy) and a fixed pool of
// particles of its own. Each frame it emits at its rate, ages and moves the
// living particles, and every 0.05 s runs each particle's due events.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Effects/MinMax.h"
#include "Effects/ParticleEvents.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

class CParticle {
public:
    virtual ~CParticle() = default;

    // The next event of each list still to run for this particle.
    uint32_t m_uSizeCursor = 0;
    uint32_t m_uColorCursor = 0;
    uint32_t m_uVelocityCursor = 0;
    uint32_t m_uPositionCursor = 0;
    uint32_t m_uTimerCursor = 0;

    float m_fSize = 1.0f;
    float m_fSizeRate = 0.0f;
    float m_fLifetime = 1.0f;
    float m_fAge = 0.0f;
    // The time events are due against: it runs with the age; timer events set it.
    float m_fEventClock = 0.0f;
    D3DXCOLOR m_Color = D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f);
    D3DXCOLOR m_ColorRate;
    D3DXVECTOR3 m_vPosition;
    D3DXVECTOR3 m_vVelocity;
    D3DXVECTOR3 m_vVelocityRate;
};

// The five event lists of one sequence, made by the compiler and then only read.
struct CParticleEventLists {
    std::vector<CParticleEventSize_Inline> m_Size;
    std::vector<CParticleEventColor_Inline> m_Color;
    std::vector<CParticleEventVel_Inline> m_Velocity;
    std::vector<CParticleEventPos_Inline> m_Position;
    std::vector<CParticleEventEventTimer_Inline> m_Timer;

    // Runs `visit` on each list: size, colour, velocity, position, timer.
    template <class Visit>
    void ForEach(Visit visit)
    {
        visit(m_Size);
        visit(m_Color);
        visit(m_Velocity);
        visit(m_Position);
        visit(m_Timer);
    }
};

class CParticleEventSequence {
public:
    // How often the particles' due events run, in seconds.
    static constexpr float EVENT_TICK = 0.05f;
    static constexpr int DEFAULT_PARTICLE_COUNT = 100;
    static constexpr int UNLIMITED_LOOPS = -1;

    CParticleEventSequence();
    // Shares the event lists; the copy gets an empty pool of the same size.
    CParticleEventSequence(const CParticleEventSequence& other);
    CParticleEventSequence& operator=(const CParticleEventSequence& other);
    virtual ~CParticleEventSequence() = default;

    // The defaults a sequence block starts from.
    void ClearProperties();
    // Looks the texture asset up by its exact name; a missing one is fatal.
    void SetTexture(const std::string& name);
    // After compiling: the texture again, and a pool of NUMPARTICLES.
    void Prepare();
    void AllocatePool();

    // After compiling: each event's time drawn once, the lists sorted by it
    // (equal times keep script order), and the fade partners linked.
    void DrawEventTimes();
    void SortEvents();
    void LinkFadeEvents();

    // One frame: the event tick when due, then emission at `position` (in
    // the emit frame when one is given), ageing and moving.
    void Update(float seconds, D3DXVECTOR3 position, const D3DXMATRIX* emitFrame);
    void RunEventTick();
    void RunDueEvents(CParticle& particle) const;
    // Fills `buffer` (at least `batchSize` particle vertices) with the living
    // particles and draws them in batches of `batchSize` points; with a
    // render frame, in that frame and unculled. Nothing without a buffer.
    void Draw(IDirect3DVertexBuffer8* buffer, uint32_t batchSize, const D3DXMATRIX* renderFrame) const;

    // Every particle gone, the counters and the stop flag cleared; the
    // emission remainder stays.
    void Reset();
    // As Reset, but the stop flag stays.
    void ClearParticles();
    // No more emission; the living particles run out.
    void StopEmitting();
    void ResumeEmitting() { m_bStop = false; }

    const CMinMax<float>& GetLifetime() const { return m_Lifetime; }
    int GetAliveCount() const { return m_iAliveCount; }
    int GetPoolCount() const { return m_iPoolCount; }
    // True when no living particle (each a point of its size about its
    // place) can show through `viewProjection`, or all lie behind `clip`
    // (none when null); true with none alive. `renderFrame` as Draw takes it.
    bool IsOutsideView(const D3DXMATRIX& viewProjection, const D3DXPLANE* clip,
                       const D3DXMATRIX* renderFrame) const;
    int64_t GetEmittedCount() const { return m_iEmittedCount; }
    float GetEmissionRemainder() const { return m_fEmissionRemainder; }
    bool IsStopped() const { return m_bStop; }
    const CParticle& GetParticle(int slot) const { return m_Particles[slot]; }
    CParticle& GetParticle(int slot) { return m_Particles[slot]; }
    IDirect3DTexture8* GetTexture() const { return m_pTexture; }
    const CParticleEventLists* GetEvents() const { return m_pEvents.get(); }
    // Gives the sequence an empty set of lists of its own, for the compiler to fill.
    CParticleEventLists& CreateEvents();

    // The script's properties.
    std::string m_Name;
    D3DXMATRIX m_matLocal;
    CMinMax<float> m_Lifetime;
    CMinMax<float> m_EmitRate;
    int m_iLoops = UNLIMITED_LOOPS;
    // Kept and copied; nothing reads it.
    CMinMax<D3DXVECTOR3> m_SpawnDir;
    CMinMax<D3DXVECTOR3> m_EmitRadius;
    CMinMax<D3DXVECTOR3> m_Gravity;
    std::string m_TextureName;
    int m_iNumParticles = DEFAULT_PARTICLE_COUNT;
    // Kept and copied: the particle state blocks decide the blending.
    int m_iDestBlend = 0;
    int m_iSourceBlend = 0;

private:
    struct EmissionFrame {
        D3DXVECTOR3 m_vOrigin;
        D3DXVECTOR3 m_vBoxMin;
        D3DXVECTOR3 m_vBoxMax;
        const D3DXMATRIX* m_pMatrix;
    };

    void CopyFrom(const CParticleEventSequence& other);
    int EmissionCount(float seconds);
    static EmissionFrame MakeEmissionFrame(const D3DXVECTOR3& position, const CMinMax<D3DXVECTOR3>& box,
                                           const D3DXMATRIX* emitFrame);
    void Spawn(CParticle& particle, const EmissionFrame& frame);
    void RunSpawnEvents(CParticle& particle, const D3DXMATRIX* emitFrame) const;
    static void Integrate(CParticle& particle, const D3DXVECTOR3& gravity, float seconds);
    void RunTimerEvents(CParticle& particle) const;

    std::shared_ptr<CParticleEventLists> m_pEvents;
    bool m_bStop = false;
    int m_iPoolCount = 0;
    int m_iAliveCount = 0;
    std::vector<CParticle> m_Particles;
    std::vector<uint8_t> m_AliveFlags;
    // Observer: the texture asset owns it.
    IDirect3DTexture8* m_pTexture = nullptr;
    int64_t m_iEmittedCount = 0;
    float m_fEmissionRemainder = 0.0f;
    float m_fTickAccumulator = 0.0f;
};
