#include "Effects/ParticleSystem.h"

#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Utility.h"
#include "Display/Display.h"

namespace {

const char* const KEYWORD_BLOCK = "ParticleSystem";
const char* const KEYWORD_SCRIPT = "Script";
const char* const UNREADABLE_SCRIPT = "Unable to read the particle script file.";

} // namespace

CParticleEmitter::CParticleEmitter()
{
    Clear();
}

CParticleEmitter::CParticleEmitter(const CParticleEmitter& other) : CParticleEmitter()
{
    *this = other;
}

CParticleEmitter& CParticleEmitter::operator=(const CParticleEmitter& other)
{
    if (this == &other)
        return *this;
    m_bInitialised = other.m_bInitialised;
    m_bReady = other.m_bReady;
    m_Name = other.m_Name;
    m_AssetType = other.m_AssetType;
    m_u8Dark = other.m_u8Dark;
    m_vPosition = other.m_vPosition;
    m_Status = other.m_Status;
    m_uErrorLine = other.m_uErrorLine;
    m_pRenderFrameMatrix = other.m_pRenderFrameMatrix;
    m_pEmitFrameMatrix = other.m_pEmitFrameMatrix;
    m_PositionRange = other.m_PositionRange;
    m_SystemName = other.m_SystemName;
    m_ScriptFile = other.m_ScriptFile;
    m_Sequences = other.m_Sequences;
    m_bActive = other.m_bActive;
    return *this;
}

bool CParticleEmitter::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Clear();
    if (!ReadBlock(reader, KEYWORD_BLOCK))
        return false;

    CScriptFileScope scope(m_ScriptFile);
    std::string script;
    bool compiled = false;
    if (ReadFileToString(m_ScriptFile, script))
        compiled = Compile(script);
    else
        Fail(UNREADABLE_SCRIPT, 0);
    m_bInitialised = compiled;
    m_bReady = compiled;
    return compiled;
}

bool CParticleEmitter::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (!reader.Match(KEYWORD_SCRIPT))
        return false;
    m_ScriptFile = reader.GetString();
    return true;
}

std::string CParticleEmitter::GetLoadFailure() const
{
    if (m_bInitialised || m_Status.empty())
        return std::string();
    return DescribeScriptFailure(m_ScriptFile, m_uErrorLine, m_Status);
}

bool CParticleEmitter::Validate()
{
    if (m_ScriptFile.empty())
        return false;
    return CAsset::Validate();
}

void CParticleEmitter::Clear()
{
    m_SystemName.clear();
    m_Sequences.clear();
    m_PositionRange = CMinMax<D3DXVECTOR3>();
    m_bActive = false;
    m_vPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void CParticleEmitter::Start()
{
    m_bActive = true;
    for (CParticleEventSequence& sequence : m_Sequences)
        sequence.ResumeEmitting();
}

void CParticleEmitter::Reset()
{
    m_bActive = false;
    for (CParticleEventSequence& sequence : m_Sequences)
        sequence.Reset();
}

void CParticleEmitter::StopAtOnce()
{
    m_bActive = false;
    for (CParticleEventSequence& sequence : m_Sequences)
        sequence.ClearParticles();
}

void CParticleEmitter::StopEmitting()
{
    for (CParticleEventSequence& sequence : m_Sequences)
        sequence.StopEmitting();
}

void CParticleEmitter::Update(uint32_t /*unused*/, float seconds)
{
    if (!m_bActive)
        return;
    for (CParticleEventSequence& sequence : m_Sequences)
        sequence.Update(seconds, m_vPosition, m_pEmitFrameMatrix);
}

void CParticleEmitter::Render() const
{
    if (!m_bActive)
        return;
    for (const CParticleEventSequence& sequence : m_Sequences)
        sequence.Draw(g_vbParticles, PARTICLE_VB_NUM, m_pRenderFrameMatrix);
}

bool CParticleEmitter::IsOutsideView(const D3DXMATRIX& viewProjection, const D3DXPLANE* clip) const
{
    if (!m_bActive)
        return true;
    for (const CParticleEventSequence& sequence : m_Sequences)
        if (!sequence.IsOutsideView(viewProjection, clip, m_pRenderFrameMatrix))
            return false;
    return true;
}

int CParticleEmitter::GetAliveCount() const
{
    int alive = 0;
    for (const CParticleEventSequence& sequence : m_Sequences)
        alive += sequence.GetAliveCount();
    return alive;
}
