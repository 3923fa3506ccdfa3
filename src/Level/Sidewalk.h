#pragma once
// The sidewalk graph that pedestrians walk. "Scripts\Levels\ModernSidewalkNodes.txt"
// is a node script (NodeList.h) of "SidewalkNode" records.

#include <vector>

#include "Level/NodeList.h"

class cSidewalknode : public cGraphNode {
public:
    static constexpr const char* CLASS_NAME = "cSidewalknode";
    static constexpr const char* RECORD_KEYWORD = "SidewalkNode";
    static constexpr const char* SCRIPT_FILE = "Scripts\\Levels\\ModernSidewalkNodes.txt";
    static constexpr D3DCOLOR ONE_WAY_START_COLOUR = D3DCOLOR_ARGB(255, 255, 0, 255);
    static constexpr D3DCOLOR ONE_WAY_END_COLOUR = ONE_WAY_START_COLOUR;
    static constexpr D3DCOLOR TWO_WAY_COLOUR = D3DCOLOR_ARGB(255, 255, 255, 0);
    static constexpr const char* DRAW_SOURCE = "Sidewalk.cpp";
    static constexpr int DRAW_LINE = 518;

    const char* GetClassName() const override { return CLASS_NAME; }
    // Sidewalk records have no properties of their own.
    bool ReadRecordProperty(CDataBuffer&) { return false; }

    void AddLink(cSidewalknode* target) { m_Links.push_back(target); }
    size_t GetLinkCount() const { return m_Links.size(); }
    cSidewalknode* GetLinkTarget(size_t link) const { return m_Links[link]; }
    const std::vector<cSidewalknode*>& GetLinks() const { return m_Links; }

private:
    std::vector<cSidewalknode*> m_Links;
};

class CSidewalkNodeList : public CNodeList<cSidewalknode> {};

extern CSidewalkNodeList g_SidewalkNodes;
