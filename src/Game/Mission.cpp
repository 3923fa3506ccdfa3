#include "Game/Mission.h"

#include "Core/AssetManager.h"
#include "Core/FatalError.h"
#include "Core/ScriptFile.h"

namespace {

const char* const KEYWORD_START_POS = "MissionStartPos";
const char* const KEYWORD_STARTING_RADIUS = "StartingRadius";
const char* const KEYWORD_START_FILE = "MissionStartFile";
const char* const KEYWORD_START_CINEMA = "MissionStartCinema";
const char* const KEYWORD_START_EFFECT = "StartLocationEffect";

} // namespace

CMission::CMission()
{
    D3DXMatrixIdentity(&m_matStart);
    D3DXMatrixIdentity(&m_matStartEffect);
}

void CMission::LoadStartFile(const std::string& path)
{
    CScriptFile reader(path, "Mission failed to load");
    while (!reader.IsEndOfBuffer()) {
        // A keyword taken as the last token may leave nothing for the next.
        if (ParsePre(reader) || reader.IsEndOfBuffer())
            continue;
        // A script of nothing but comments still holds one empty token.
        if (!reader.PeekString().empty())
            FatalError("Mission failed to load");
        reader.NextToken();
    }
}

bool CMission::ParsePre(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_START_POS)) {
        const D3DXVECTOR3 position = reader.GetVector3();
        D3DXMatrixTranslation(&m_matStart, position.x, position.y, position.z);
    } else if (reader.Match(KEYWORD_STARTING_RADIUS)) {
        m_fStartingRadius = reader.GetFloat();
    } else if (reader.Match(KEYWORD_START_FILE)) {
        m_MainScript = reader.GetString();
    } else if (reader.Match(KEYWORD_START_CINEMA)) {
        m_StartCinema = reader.GetString();
    } else if (reader.Match(KEYWORD_START_EFFECT)) {
        SetStartLocationEffect(reader.GetString());
    } else {
        return false;
    }
    return true;
}

D3DXVECTOR3 CMission::GetStartPosition() const
{
    return D3DXVECTOR3(m_matStart._41, m_matStart._42, m_matStart._43);
}

// A missing effect is fatal in the asset manager.
void CMission::SetStartLocationEffect(const std::string& effectName)
{
    CEffect* prototype = nullptr;
    g_AssetManager.GetAsset(effectName, prototype, true);
    m_StartEffect = *prototype;
    m_matStartEffect = m_matStart;
    m_StartEffect.SetMatrix(&m_matStartEffect);
    m_StartEffect.Start();
}
