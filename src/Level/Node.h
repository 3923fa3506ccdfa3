#pragma once
// The road graph that traffic drives: one-way links between nodes that carry
// a speed limit and the state of the traffic light over them.
// "Scripts\Levels\ModernRoadNodes.txt" is a node script (NodeList.h) of
// "RoadNode" records, which may also give "Speed <mph>" (30 when absent).

#include <cstdint>
#include <vector>

#include "Level/NodeList.h"

class cRoadnode;

struct cRoadLink {
    cRoadnode* m_pNode = nullptr;
    int32_t m_Word = 0; // kept for the traffic controller, always 0 here
};

class cRoadnode : public cGraphNode {
public:
    static constexpr const char* CLASS_NAME = "cRoadnode";
    static constexpr const char* RECORD_KEYWORD = "RoadNode";
    static constexpr const char* SCRIPT_FILE = "Scripts\\Levels\\ModernRoadNodes.txt";
    static constexpr D3DCOLOR ONE_WAY_START_COLOUR = D3DCOLOR_ARGB(255, 0, 255, 0);
    static constexpr D3DCOLOR ONE_WAY_END_COLOUR = D3DCOLOR_ARGB(255, 255, 0, 0);
    static constexpr D3DCOLOR TWO_WAY_COLOUR = D3DCOLOR_ARGB(255, 0, 0, 255);
    static constexpr const char* DRAW_SOURCE = "Node.cpp";
    static constexpr int DRAW_LINE = 525;
    static constexpr float DEFAULT_SPEED = 30.0f;

    enum LightState {
        LIGHT_GO = 0,
        LIGHT_AMBER = 1,
        LIGHT_STOP = 2,
    };

    const char* GetClassName() const override { return CLASS_NAME; }
    bool ReadRecordProperty(CDataBuffer& reader);

    int GetLightState() const { return m_LightState; }
    void SetLightState(int state) { m_LightState = state; }
    // Miles per hour.
    float GetSpeed() const { return m_fSpeed; }

    void AddLink(cRoadnode* target) { m_Links.push_back({target, 0}); }
    size_t GetLinkCount() const { return m_Links.size(); }
    cRoadnode* GetLinkTarget(size_t link) const { return m_Links[link].m_pNode; }
    const std::vector<cRoadLink>& GetLinks() const { return m_Links; }

private:
    float m_fSpeed = DEFAULT_SPEED;
    int32_t m_LightState = LIGHT_GO;
    std::vector<cRoadLink> m_Links;
};

class CRoadNodeList : public CNodeList<cRoadnode> {};

extern CRoadNodeList g_RoadNodes;
