#include "Actors/TireType.h"

#include "Actors/CountedList.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"

namespace {

const char* const KEYWORD_NUM_MESHES = "NumMeshes";
const char* const KEYWORD_MESHES = "Meshes";
const char* const KEYWORD_MASS = "Mass";
const char* const KEYWORD_RESTITUTION = "Restitution";
const char* const KEYWORD_STATIC_FRICTION_ROLL = "StaticFrictionRoll";
const char* const KEYWORD_DYNAMIC_FRICTION_ROLL = "DynamicFrictionRoll";
const char* const KEYWORD_STATIC_FRICTION_SLIDE = "StaticFrictionSlide";
const char* const KEYWORD_DYNAMIC_FRICTION_SLIDE = "DynamicFrictionSlide";

const float DEFAULT_FRICTION = 1.0f;

} // namespace

CTireType::CTireType()
{
    m_Material.dynamicFriction = DEFAULT_FRICTION;
    m_Material.staticFriction = DEFAULT_FRICTION;
    m_Material.restitution = 0.0f;
    m_Material.dynamicFrictionV = DEFAULT_FRICTION;
    m_Material.staticFrictionV = DEFAULT_FRICTION;
}

bool CTireType::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    if (!ReadBlock(reader, BLOCK_KEYWORD))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CTireType::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_NUM_MESHES))
        m_uMeshCount = ReadListCount(reader, BLOCK_KEYWORD, m_Name, KEYWORD_NUM_MESHES);
    else if (reader.Match(KEYWORD_MESHES))
        ReadMeshNames(reader);
    else if (reader.Match(KEYWORD_MASS))
        m_fMass = reader.GetFloat();
    else if (reader.Match(KEYWORD_RESTITUTION))
        m_Material.restitution = reader.GetFloat();
    else if (reader.Match(KEYWORD_STATIC_FRICTION_ROLL))
        m_Material.staticFrictionV = reader.GetFloat();
    else if (reader.Match(KEYWORD_DYNAMIC_FRICTION_ROLL))
        m_Material.dynamicFrictionV = reader.GetFloat();
    else if (reader.Match(KEYWORD_STATIC_FRICTION_SLIDE))
        m_Material.staticFriction = reader.GetFloat();
    else if (reader.Match(KEYWORD_DYNAMIC_FRICTION_SLIDE))
        m_Material.dynamicFriction = reader.GetFloat();
    else
        return false;
    return true;
}

void CTireType::ReadMeshNames(CDataBuffer& reader)
{
    m_MeshNames.clear();
    for (uint32_t i = 0; i < m_uMeshCount; ++i) {
        RequireListValue(reader, BLOCK_KEYWORD, m_Name, KEYWORD_MESHES);
        m_MeshNames.push_back(reader.GetString());
    }
}

const std::string& CTireType::PickMesh() const
{
    if (m_MeshNames.empty())
        FatalError("Tire type \"%s\" has no meshes", m_Name.c_str());
    if (m_MeshNames.size() == 1)
        return m_MeshNames.front();
    return m_MeshNames[g_RandomTable.NextBelow(static_cast<uint32_t>(m_MeshNames.size()))];
}
