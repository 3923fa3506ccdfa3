#pragma once
// A compound visual effect: meshes, camera-facing sprites and particle
// systems that one time-ordered list of events drives on the effect's own
// clock. Each event fires once when the clock reaches its time; an
// "EventTimer" event sets the clock back, which is how a sequence loops.
//
// As an asset, an "EffectSystem" block of "Scripts\EffectSystems.txt" names
// the effect and its effect script:
//
//   EffectSystem Explosion
//       Asset_Type  Game
//       Script      Scripts\Effects\Explosion.txt
//
// Loading compiles the script (the grammar is in the comment at the top of
// "Scripts\EffectSystems.txt"). Cars, weapons, projectiles and level objects
// hold copies: copy from the prototype, SetMatrix with the owner's world
// matrix, Reset and/or Start, then Update and Render every frame, Stop to end
// it gracefully. A copy shares the prototype's events and matrix types and
// owns its components.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "Display/AnimSequence.h"
#include "Display/DisplayMesh.h"
#include "Effects/EffectEvents.h"
#include "Effects/ParticleSystem.h"

class CTokenCursor;
struct CScriptToken;
struct CTimeSpecifier;

// One mesh an effect shows, placed by the effect's matrix.
struct CEffectMesh {
    // "ZORDERMODE": kept; effect meshes are drawn in the opaque batch.
    uint8_t m_u8ZWrite = 0;
    // Its scale is the mesh's size.
    CDisplayObject3D m_DisplayObject;
    // Per second, toward a fade target.
    float m_fSizeRate = 0.0f;
    float m_fAlphaRate = 0.0f;
    // Kept, not drawn.
    float m_fAlpha = 1.0f;
};

class CEffect : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CEffect";
    // How a particle system follows the effect's matrix ("MATRIXTYPE").
    enum MatrixType {
        MATRIX_NONE = 0,
        MATRIX_EMITTER = 1, // "JUSTEMITTER": particles start in the frame, then fly free
        MATRIX_RENDER = 2,  // "FOLLOW": the whole system is drawn in the frame
    };
    // The most components of each kind a script may ask for.
    static constexpr int MAX_COMPONENTS = 64;

    CEffect() = default;
    // A running copy of `prototype`: components of its own, events shared.
    CEffect(const CEffect& prototype);
    // As the copy, keeping this effect's stopping flag.
    CEffect& operator=(const CEffect& prototype);
    ~CEffect() override = default;

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override;
    // After a failed compile: the script file, the line and the first error.
    std::string GetLoadFailure() const override;

    // Compiles an effect script into this effect. On failure the status holds
    // the first error, which also goes to the debugger output, the effect has
    // no events and it cannot start.
    bool Compile(const std::string& script);

    // Rewound and idle: the events up to 0.1 s give the starting values.
    void Reset();
    // A compiled effect plays on from its clock, every particle system running.
    void Start();
    // No more particles; sprites and meshes go at once, and the effect goes
    // idle in the first Update in which no particle is alive.
    void Stop();
    void Update(float seconds);
    // Turns the meshes about their y axis at `radiansPerSecond`, then updates.
    void UpdateSpin(float seconds, float radiansPerSecond);
    // Queues the effect's parts when it is running; drawing is the queue's.
    void Render();
    // Every component follows `matrix`, which the owner keeps alive; a
    // particle system only as its matrix type says.
    void SetMatrix(const D3DXMATRIX* matrix);

    // The clock, which "EventTimer" events set.
    void SetClock(float seconds) { m_fClock = seconds; }
    float GetClock() const { return m_fClock; }
    size_t GetCursor() const { return m_uCursor; }
    const std::string& GetStatus() const { return m_Status; }
    const std::string& GetScriptPath() const { return m_ScriptPath; }
    const std::string& GetEffectName() const { return m_EffectName; }
    const CEffectEventList* GetEvents() const { return m_pEvents.get(); }
    int GetMatrixType(size_t particleSystem) const;
    // The living particles of all particle systems.
    int GetAliveCount() const;

    // Initialised and ready: the script compiled.
    uint8_t m_u8Compiled = 0;
    // Active: updated and drawn.
    uint8_t m_u8Running = 0;
    // Stopping: only the particle systems are queued, until they run out.
    uint8_t m_u8ParticlesOnly = 0;
    std::vector<CParticleEmitter> m_ParticleSystems;
    std::vector<C3DSprite> m_Sprites;
    std::vector<CEffectMesh> m_Meshes;

private:
    void CopyFrom(const CEffect& prototype);
    void SetCompiled(bool compiled);
    void RunDueEvents();
    size_t FirstEventAtOrAfter(float time) const;

    // The compiler (EffectScript.cpp).
    void ParseScript(const std::vector<CScriptToken>& tokens, CTokenCursor& cursor);
    void ParseEffectBlock(CTokenCursor& cursor);
    void ParseEffectStatement(CTokenCursor& cursor);
    void ParseCount(CTokenCursor& cursor);
    void ParseMeshStatement(CTokenCursor& cursor);
    void ParseSpriteStatement(CTokenCursor& cursor);
    void ParseParticleStatement(CTokenCursor& cursor);
    void ParseSequenceBlock(CTokenCursor& cursor, CEffectEventList& events);
    void ParseSequenceStatement(CTokenCursor& cursor, CEffectEventList& events);
    void ParseComponentEvent(CTokenCursor& cursor, const CTimeSpecifier& time, CEffectEventList& events);
    size_t ComponentCount(int objectKind) const;

    std::string m_ScriptPath;
    std::string m_EffectName;
    std::string m_Status;
    // The line of the script the first error stood on (0: none).
    uint32_t m_uErrorLine = 0;
    // Seconds since the sequence (re)started.
    float m_fClock = 0.0f;
    // One per particle system; shared by the prototype and all its copies.
    std::shared_ptr<std::vector<int>> m_pMatrixTypes;
    // Sorted by time; shared by the prototype and all its copies. A compiled
    // effect always has a list, empty when the script has no sequence.
    std::shared_ptr<const CEffectEventList> m_pEvents;
    // The next event to consider.
    size_t m_uCursor = 0;
    // Counts Reset calls, so that an event pass knows an event rewound the effect.
    uint32_t m_uResets = 0;
    bool m_bResetting = false;
};
