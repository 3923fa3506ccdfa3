#pragma once
// What the road and the sidewalk graphs share: a node with a position, the
// node script reader and the list that owns the nodes, links them and draws
// them for debugging.
//
// A node script:
//   NumberOfNodes <n>            ; 0 (or no such line) loads nothing
//   <Record> <number>            ; the number is a label: a node's index is its order
//       Position <x> <y> <z>
//       NumberOfConnections <k>
//       ConnectedNodes <k indices>
// A node class gives the list its record keyword, its script, its line
// colours and where its draw is logged from, reads its own extra properties
// (ReadRecordProperty) and keeps its links (AddLink, GetLinkCount,
// GetLinkTarget).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Display/Display.h"
#include "Display/DisplayMesh.h"
#include "Display/VertexXyzDiffuse.h"
#include "platform/d3dx8/D3DX8Math.h"

// A node of either graph. Nodes are assets without a name or a type: the
// list makes them, so the asset reads do nothing.
class cGraphNode : public CAsset {
public:
    bool Load(CDataBuffer&) override { return true; }
    bool ReadProperty(CDataBuffer&) override { return true; }
    bool Validate() override { return true; }

    // Callers may hold the address and follow the node live.
    const D3DXVECTOR3* GetPosition() const { return &m_vPosition; }
    void SetPosition(const D3DXVECTOR3& position) { m_vPosition = position; }

protected:
    D3DXVECTOR3 m_vPosition{0.0f, 0.0f, 0.0f};
};

// --- Script helpers shared with the traffic-light script

// True when the whole token is a decimal integer.
bool IsIntegerToken(const std::string& token);
// Steps past the current token when it is an integer.
void SkipIntegerToken(CDataBuffer& reader);
// Reads up to `count` integers, stopping at the first token that is not one
// (a list shorter than its count is logged with `where`), so a miscounted
// list never swallows the next keyword.
void ReadIndexList(CDataBuffer& reader, int32_t count, const char* file, const std::string& where,
                   std::vector<int32_t>& indices);
// Logs a list of `read` indices where `count` were announced, when it is short.
void LogShortIndexList(const char* file, const std::string& where, int32_t read, int32_t count);
// A token that no rule reads: the reader would never get past it.
[[noreturn]] void UnknownScriptToken(const char* file, const CDataBuffer& reader);

const char* const DEBUG_NODE_MESH = "Assets\\Meshes\\Sphere.X";
const char* const CALL_DRAW_NODE_LINES = "g_Display.GetD3DDevice()->DrawPrimitiveUP(D3DPT_LINELIST, mNumLines, "
                                         "(LPVOID)mLineVerts, sizeof(VERTEX_XYZ_DIFFUSE))";

template <class Node>
class CNodeList {
public:
    CNodeList() = default;
    CNodeList(const CNodeList&) = delete;
    CNodeList& operator=(const CNodeList&) = delete;

    // Once at start-up.
    void Init()
    {
        Load();
        LinkNodes();
        BuildDebugLines();
        LoadDebugMesh();
    }

    // The node script; a script that cannot be read is fatal. Links stay
    // indices until LinkNodes.
    void Load()
    {
        CScriptFile reader(Node::SCRIPT_FILE);
        Clear();
        if (!reader.Match(KEYWORD_NUMBER_OF_NODES) || reader.GetInteger() <= 0)
            return;
        while (!reader.IsEndOfBuffer()) {
            if (!reader.Match(Node::RECORD_KEYWORD))
                UnknownScriptToken(Node::SCRIPT_FILE, reader);
            SkipIntegerToken(reader);
            ReadRecord(reader);
        }
    }

    // No nodes.
    void Clear()
    {
        m_Nodes.clear();
        m_LinkIndices.clear();
    }

    // Turns the indices into links; an index outside the list is logged and dropped.
    void LinkNodes()
    {
        for (size_t from = 0; from < m_LinkIndices.size(); ++from) {
            for (const int32_t to : m_LinkIndices[from]) {
                if (to < 0 || static_cast<size_t>(to) >= m_Nodes.size()) {
                    g_Log.Write(std::string("Connection out of range in ") + Node::SCRIPT_FILE + ": node " +
                                std::to_string(from) + " links to " + std::to_string(to) + ", link dropped");
                    continue;
                }
                m_Nodes[from]->AddLink(m_Nodes[to].get());
            }
        }
        m_LinkIndices.clear();
    }

    // One line per link, from the node to its target; a link whose target
    // links back is two-way and drawn in the two-way colour (once from each side).
    void BuildDebugLines()
    {
        m_LineVerts.clear();
        for (const std::unique_ptr<Node>& node : m_Nodes) {
            for (size_t link = 0; link < node->GetLinkCount(); ++link) {
                const Node* target = node->GetLinkTarget(link);
                const bool twoWay = LinksTo(*target, node.get());
                m_LineVerts.push_back(Vertex(*node, twoWay ? Node::TWO_WAY_COLOUR : Node::ONE_WAY_START_COLOUR));
                m_LineVerts.push_back(Vertex(*target, twoWay ? Node::TWO_WAY_COLOUR : Node::ONE_WAY_END_COLOUR));
            }
        }
        m_NumLines = static_cast<UINT>(m_LineVerts.size() / 2);
    }

    void LoadDebugMesh() { m_DebugObject.LoadMesh(DEBUG_NODE_MESH); }

    // Every link as a line in world space.
    void DrawDebug() const
    {
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        if (device == nullptr || m_NumLines == 0)
            return;
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        device->SetTransform(D3DTS_WORLD, &identity);
        CheckD3DResult(device->DrawPrimitiveUP(D3DPT_LINELIST, m_NumLines, m_LineVerts.data(),
                                               sizeof(VERTEX_XYZ_DIFFUSE)),
                       Node::DRAW_SOURCE, Node::DRAW_LINE, CALL_DRAW_NODE_LINES);
    }

    // Read access for the AI and the traffic lights; an index is a node's
    // place in its script.
    size_t GetNodeCount() const { return m_Nodes.size(); }
    Node* GetNode(size_t index) const { return index < m_Nodes.size() ? m_Nodes[index].get() : nullptr; }
    UINT GetNumLines() const { return m_NumLines; }
    const VERTEX_XYZ_DIFFUSE* GetLineVerts() const { return m_LineVerts.data(); }
    const CDisplayObject3D& GetDebugObject() const { return m_DebugObject; }

private:
    static constexpr const char* KEYWORD_NUMBER_OF_NODES = "NumberOfNodes";
    static constexpr const char* KEYWORD_POSITION = "Position";
    static constexpr const char* KEYWORD_NUMBER_OF_CONNECTIONS = "NumberOfConnections";
    static constexpr const char* KEYWORD_CONNECTED_NODES = "ConnectedNodes";

    // Properties until a token that is none of them: the next record's keyword.
    void ReadRecord(CDataBuffer& reader)
    {
        std::unique_ptr<Node> node(new Node());
        std::vector<int32_t> links;
        for (;;) {
            if (reader.Match(KEYWORD_POSITION)) {
                node->SetPosition(reader.GetVector3());
                continue;
            }
            if (reader.Match(KEYWORD_NUMBER_OF_CONNECTIONS)) {
                const int32_t count = reader.GetInteger();
                const std::string where = "node " + std::to_string(m_Nodes.size());
                // The list may be left out when the count is 0.
                if (reader.Match(KEYWORD_CONNECTED_NODES))
                    ReadIndexList(reader, count, Node::SCRIPT_FILE, where, links);
                else
                    LogShortIndexList(Node::SCRIPT_FILE, where, 0, count);
                continue;
            }
            if (!node->ReadRecordProperty(reader))
                break;
        }
        m_Nodes.push_back(std::move(node));
        m_LinkIndices.push_back(std::move(links));
    }

    static bool LinksTo(const Node& from, const Node* to)
    {
        for (size_t link = 0; link < from.GetLinkCount(); ++link)
            if (from.GetLinkTarget(link) == to)
                return true;
        return false;
    }

    static VERTEX_XYZ_DIFFUSE Vertex(const Node& node, D3DCOLOR colour)
    {
        const D3DXVECTOR3* position = node.GetPosition();
        return {position->x, position->y, position->z, colour};
    }

    std::vector<std::unique_ptr<Node>> m_Nodes;
    // Per node, the indices its script gave, until LinkNodes.
    std::vector<std::vector<int32_t>> m_LinkIndices;
    CDisplayObject3D m_DebugObject;
    std::vector<VERTEX_XYZ_DIFFUSE> m_LineVerts; // two per line
    UINT m_NumLines = 0;
};
