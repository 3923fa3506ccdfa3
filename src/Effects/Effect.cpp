#include "Effects/Effect.h"

#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Utility.h"
#include "Display/RenderQueue.h"

namespace {

const char* const KEYWORD_BLOCK = "EffectSystem";
const char* const KEYWORD_SCRIPT = "Script";
// Reset runs the events up to here, so that the "initial" ones set the
// starting sizes, alphas and sprite states.
const float RESET_PASS_TIME = 0.1f;
// One pass over the due events runs at most this many times the event
// count: timers that send the clock to each other's times would loop for ever.
const size_t PASS_LIMIT_PER_EVENT = 4;

} // namespace

CEffect::CEffect(const CEffect& prototype) : CStdInterface(), CAsset()
{
    CopyFrom(prototype);
}

CEffect& CEffect::operator=(const CEffect& prototype)
{
    if (this != &prototype)
        CopyFrom(prototype);
    return *this;
}

// Neither the asset's name and type nor the stopping flag.
void CEffect::CopyFrom(const CEffect& prototype)
{
    m_bInitialised = prototype.m_bInitialised;
    m_bReady = prototype.m_bReady;
    m_u8Compiled = prototype.m_u8Compiled;
    m_ScriptPath = prototype.m_ScriptPath;
    m_EffectName = prototype.m_EffectName;
    m_Status = prototype.m_Status;
    m_uErrorLine = prototype.m_uErrorLine;
    m_u8Running = prototype.m_u8Running;
    m_fClock = prototype.m_fClock;
    m_ParticleSystems = prototype.m_ParticleSystems;
    m_Sprites = prototype.m_Sprites;
    m_Meshes = prototype.m_Meshes;
    m_pMatrixTypes = prototype.m_pMatrixTypes;
    m_pEvents = prototype.m_pEvents;
    m_uCursor = prototype.m_uCursor;
}

bool CEffect::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    if (!ReadBlock(reader, KEYWORD_BLOCK))
        return false;

    // A script that cannot be read compiles as empty text, which says so.
    CScriptFileScope scope(m_ScriptPath);
    std::string script;
    if (!ReadFileToString(m_ScriptPath, script))
        script.clear();
    return Compile(script);
}

bool CEffect::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (!reader.Match(KEYWORD_SCRIPT))
        return false;
    m_ScriptPath = reader.GetString();
    return true;
}

bool CEffect::Validate()
{
    if (m_ScriptPath.empty())
        return false;
    return CAsset::Validate();
}

void CEffect::SetCompiled(bool compiled)
{
    m_bInitialised = compiled;
    m_bReady = compiled;
    m_u8Compiled = compiled ? 1 : 0;
}

void CEffect::Reset()
{
    if (!m_pEvents)
        return;
    ++m_uResets;
    // An effect-stop event among the early events rewinds from inside this
    // pass: the inner Reset skips the pass and the outer one finishes.
    if (!m_bResetting) {
        m_bResetting = true;
        m_fClock = RESET_PASS_TIME;
        m_uCursor = 0;
        RunDueEvents();
        m_bResetting = false;
    }
    for (CParticleEmitter& system : m_ParticleSystems)
        system.Reset();
    for (C3DSprite& sprite : m_Sprites) {
        sprite.m_fAnimTime = 0.0f;
        sprite.m_fSizeRate = 0.0f;
    }
    for (CEffectMesh& mesh : m_Meshes) {
        mesh.m_fSizeRate = 0.0f;
        mesh.m_fAlphaRate = 0.0f;
    }
    m_u8Running = 0;
    m_u8ParticlesOnly = 0;
    m_fClock = 0.0f;
    m_uCursor = 0;
}

void CEffect::Start()
{
    if (!m_bInitialised || !m_bReady)
        return;
    m_u8Running = 1;
    m_u8ParticlesOnly = 0;
    for (CParticleEmitter& system : m_ParticleSystems)
        system.Start();
}

void CEffect::Stop()
{
    m_u8ParticlesOnly = 1;
    for (CParticleEmitter& system : m_ParticleSystems)
        system.StopEmitting();
    for (CEffectMesh& mesh : m_Meshes) {
        mesh.m_fAlpha = 0.0f;
        mesh.m_fAlphaRate = 0.0f;
    }
}

void CEffect::Update(float seconds)
{
    if (m_u8Running == 0)
        return;
    m_fClock += seconds;
    RunDueEvents();
    // An effect-stop event ended it.
    if (m_u8Running == 0)
        return;

    for (CEffectMesh& mesh : m_Meshes) {
        if (mesh.m_fSizeRate != 0.0f)
            mesh.m_DisplayObject.SetScale(mesh.m_DisplayObject.GetScale() + mesh.m_fSizeRate * seconds);
        mesh.m_DisplayObject.UpdateWorldMatrix();
    }
    for (CParticleEmitter& system : m_ParticleSystems)
        system.Update(0, seconds);
    for (C3DSprite& sprite : m_Sprites)
        sprite.Update(seconds);

    if (m_u8ParticlesOnly != 0 && GetAliveCount() == 0)
        Reset();
}

void CEffect::UpdateSpin(float seconds, float radiansPerSecond)
{
    for (CEffectMesh& mesh : m_Meshes)
        mesh.m_DisplayObject.RotateY(seconds * radiansPerSecond);
    Update(seconds);
}

void CEffect::Render()
{
    if (m_u8Running == 0)
        return;
    g_RenderQueue.AddEffect(*this);
}

void CEffect::SetMatrix(const D3DXMATRIX* matrix)
{
    for (size_t i = 0; i < m_ParticleSystems.size(); ++i) {
        switch (GetMatrixType(i)) {
        case MATRIX_EMITTER:
            m_ParticleSystems[i].m_pEmitFrameMatrix = matrix;
            break;
        case MATRIX_RENDER:
            m_ParticleSystems[i].m_pRenderFrameMatrix = matrix;
            break;
        default:
            break;
        }
    }
    for (C3DSprite& sprite : m_Sprites)
        sprite.m_pMatrix = matrix;
    for (CEffectMesh& mesh : m_Meshes)
        mesh.m_DisplayObject.SetParentMatrix(matrix);
}

int CEffect::GetMatrixType(size_t particleSystem) const
{
    if (!m_pMatrixTypes || particleSystem >= m_pMatrixTypes->size())
        return MATRIX_NONE;
    return (*m_pMatrixTypes)[particleSystem];
}

int CEffect::GetAliveCount() const
{
    int alive = 0;
    for (const CParticleEmitter& system : m_ParticleSystems)
        alive += system.GetAliveCount();
    return alive;
}

// From the cursor, every event whose time has come, in list order. A timer
// that moves the clock sends the pass back to the first event at or after
// the new time, so events at exactly that time run again.
void CEffect::RunDueEvents()
{
    if (!m_pEvents)
        return;
    const CEffectEventList& events = *m_pEvents;
    const uint32_t resets = m_uResets;
    size_t budget = events.size() * PASS_LIMIT_PER_EVENT;
    size_t cursor = m_uCursor;
    while (cursor < events.size() && budget > 0) {
        --budget;
        const CEffectEvent& event = *events[cursor];
        if (event.m_fTime > m_fClock)
            break;
        const float clock = m_fClock;
        event.Run(*this);
        // The event rewound the whole effect, cursor and clock included.
        if (m_uResets != resets)
            return;
        if (m_fClock != clock)
            cursor = FirstEventAtOrAfter(m_fClock);
        else
            ++cursor;
    }
    m_uCursor = cursor;
}

size_t CEffect::FirstEventAtOrAfter(float time) const
{
    const CEffectEventList& events = *m_pEvents;
    size_t index = 0;
    while (index < events.size() && events[index]->m_fTime < time)
        ++index;
    return index;
}
