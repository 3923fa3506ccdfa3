#pragma once
// A particle system: a named set of event sequences, each emitting, ageing
// and drawing its own pool of point-sprite particles.
//
// As an asset, a "ParticleSystem" block of "Scripts\ParticleSytems.txt" names
// the system and its particle script:
//
//   ParticleSystem Smoke
//       Asset_Type  Game
//       Script      Scripts\Particles\Smoke.txt
//
// Loading compiles the script (the grammar is in the comment at the top of
// "Scripts\ParticleSytems.txt"). As a runtime instance, effects and cars hold
// copies made by assignment from the prototype: a copy shares the prototype's
// event lists and owns its particle pools. The owner starts, stops, resets
// and updates its copies; the render queue draws them.

#include <cstdint>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Effects/MinMax.h"
#include "Effects/ParticleSequence.h"
#include "platform/d3dx8/D3DX8Math.h"

class CTokenCursor;
struct CScriptToken;

class CParticleEmitter : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CParticleEmitter";
    // A sequence's NUMPARTICLES must lie within 0 to this.
    static constexpr int MAX_PARTICLES = 10000;

    CParticleEmitter();
    CParticleEmitter(const CParticleEmitter& other);
    // Copies everything, the flags and matrix pointers too; the sequences
    // share the source's event lists and get empty pools of their own.
    CParticleEmitter& operator=(const CParticleEmitter& other);
    ~CParticleEmitter() override = default;

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;
    // After a failed compile: the script file, the line and the first error.
    std::string GetLoadFailure() const override;

    // Compiles a particle script into this system. On failure the status holds
    // the first error, which also goes to the debugger output, and the system
    // is left cleared.
    bool Compile(const std::string& script);
    // No name, no sequences, position and its range 0, not active.
    void Clear();

    // Active, and every sequence emitting again.
    void Start();
    void Activate() { m_bActive = true; }
    // Stops updating and drawing at once; the particles keep their state.
    void Deactivate() { m_bActive = false; }
    // Inactive, every particle gone, the sequences' counters cleared.
    void Reset();
    // No new particles; the living ones run out.
    void StopEmitting();
    // Inactive, every particle gone at once; whether the sequences emit
    // again when started stays as it was.
    void StopAtOnce();

    // The first argument is not used.
    void Update(uint32_t unused, float seconds);
    // Draws the live particles; a system that is not running draws nothing.
    void Render() const;
    // The living particles of all sequences: 0 once a stopped system has run out.
    int GetAliveCount() const;
    // True when Render would show nothing through `viewProjection` above
    // `clip` (none when null): inactive, or no living particle in sight.
    bool IsOutsideView(const D3DXMATRIX& viewProjection, const D3DXPLANE* clip) const;

    bool IsActive() const { return m_bActive; }
    const std::string& GetStatus() const { return m_Status; }
    const std::string& GetSystemName() const { return m_SystemName; }
    const std::string& GetScriptFile() const { return m_ScriptFile; }
    const std::vector<CParticleEventSequence>& GetSequences() const { return m_Sequences; }
    std::vector<CParticleEventSequence>& GetSequences() { return m_Sequences; }

    // Drawn under the ParticleBlack state block rather than Particle ("ISDARK").
    uint8_t m_u8Dark = 0;
    // Where every sequence emits: drawn from POSITION when compiled; an effect
    // overwrites it.
    D3DXVECTOR3 m_vPosition;
    // Observers, which the owning effect sets by the system's matrix type:
    // the render frame draws every sequence in that frame; the emit frame
    // spawns particles in it.
    const D3DXMATRIX* m_pRenderFrameMatrix = nullptr;
    const D3DXMATRIX* m_pEmitFrameMatrix = nullptr;

private:
    void ParseScript(const std::vector<CScriptToken>& tokens, CTokenCursor& cursor);
    void ParseSystemBlock(CTokenCursor& cursor);
    void ParseSequenceBlock(CTokenCursor& cursor);
    void Fail(const std::string& message, uint32_t line);

    std::string m_Status;
    // The line of the script the first error stood on (0: none).
    uint32_t m_uErrorLine = 0;
    CMinMax<D3DXVECTOR3> m_PositionRange;
    std::string m_SystemName;
    std::string m_ScriptFile;
    std::vector<CParticleEventSequence> m_Sequences;
    bool m_bActive = false;
};
