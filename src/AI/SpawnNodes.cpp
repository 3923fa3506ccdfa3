#include "AI/SpawnNodes.h"

#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Level/Node.h"

namespace {

const char* const KEYWORD_NODE = "Node";
const char* const KEYWORD_POS = "Pos";
const char* const KEYWORD_DELAY = "Delay";
const char* const KEYWORD_TARGET = "Target";
const char* const KEYWORD_ORIENTATION = "Orientation";

std::string NodeName(int32_t id)
{
    return "road spawn node " + std::to_string(id);
}

} // namespace

// --- CRoadSpawnNode

CRoadSpawnNode::CRoadSpawnNode() : m_fTimer(g_RandomTable.NextFloat(0.0f, FIRST_TIMER_SPAN)) {}

bool CRoadSpawnNode::ReadHeader(CDataBuffer& reader)
{
    if (!reader.Match(KEYWORD_NODE))
        return false;
    m_iId = static_cast<int32_t>(reader.GetInt());
    return true;
}

bool CRoadSpawnNode::ReadProperty(CDataBuffer& reader)
{
    return ReadProperty(reader, "the spawn-node file");
}

bool CRoadSpawnNode::ReadProperty(CDataBuffer& reader, const std::string& where)
{
    if (reader.Match(KEYWORD_POS)) {
        m_vPos = reader.GetVector3();
        return true;
    }
    if (reader.Match(KEYWORD_DELAY)) {
        m_fDelay = reader.GetFloat();
        return true;
    }
    if (reader.Match(KEYWORD_TARGET))
        return ReadTarget(reader, where);
    return false;
}

// A target counts only with its orientation: the pool indexes both arrays
// with one choice. Without "Orientation" the node's properties end here.
bool CRoadSpawnNode::ReadTarget(CDataBuffer& reader, const std::string& where)
{
    const uint32_t index = reader.GetInt();
    if (!reader.Match(KEYWORD_ORIENTATION))
        return false;
    const D3DXMATRIX orientation = reader.GetMatrix();
    cRoadnode* target = g_RoadNodes.GetNode(index);
    if (target == nullptr) {
        g_Log.Write("Spawn node target out of range in " + where + ": " + NodeName(m_iId) + " targets road node " +
                    std::to_string(static_cast<int32_t>(index)) + " of " + std::to_string(g_RoadNodes.GetNodeCount()) +
                    ", target dropped");
        return true;
    }
    m_Targets.push_back(target);
    m_Orientations.push_back(orientation);
    return true;
}

// --- CSidewalkSpawnNode

CSidewalkSpawnNode::CSidewalkSpawnNode()
    : m_fTimer(g_RandomTable.NextFloat(FIRST_TIMER_MIN, FIRST_TIMER_MAX))
{
    D3DXMatrixIdentity(&m_matPlacement);
}

// --- CAIPoolSector

bool CAIPoolSector::ReadProperty(CDataBuffer& reader)
{
    return ReadProperty(reader, "sector " + std::to_string(m_iId));
}

bool CAIPoolSector::ReadProperty(CDataBuffer& reader, const std::string& where)
{
    if (!reader.Match(KEYWORD_ROAD_SPAWN_NODE))
        return false;
    auto node = std::make_unique<CRoadSpawnNode>();
    if (!node->ReadHeader(reader))
        return false;
    while (!reader.IsEndOfBuffer() && node->ReadProperty(reader, where)) {
    }
    // The pool would index a direction the node does not have.
    if (node->GetDirectionCount() == 0) {
        g_Log.Write("Spawn node without a target in " + where + ": " + NodeName(node->m_iId) + " not filed");
        return true;
    }
    node->m_pSector = this;
    m_RoadSpawnNodes.push_back(std::move(node));
    return true;
}

void CAIPoolSector::FileSidewalkSpawnNode(std::unique_ptr<CSidewalkSpawnNode> node)
{
    node->m_pSector = this;
    m_SidewalkSpawnNodes.push_back(std::move(node));
}

void CAIPoolSector::Clear()
{
    m_RoadSpawnNodes.clear();
    m_SidewalkSpawnNodes.clear();
    m_u8PreviousMark = 0;
    m_u8CurrentMark = 0;
}
