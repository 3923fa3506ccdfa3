#pragma once
// Where the population pool places its agents: the pool's sectors (squares
// of its grid over the ground) and the spawn points filed in them. Road
// spawn nodes, where pooled cars appear with their drivers, come from the
// level's spawn-node file; sidewalk spawn nodes, where pooled pedestrians
// appear, are made from the level's sidewalk graph. The pool decides which
// node is used when; the nodes only keep their spawn state.
//
// The road spawn nodes of one sector in the spawn-node file:
//   RoadSpawnNode Node <id>
//       Pos <x> <y> <z>
//       Delay <seconds>              ; 10 when absent
//       Target <road node index>     ; then exactly one Orientation: a pair
//       Orientation <16 numbers>     ; the car's placement, row by row

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "platform/d3dx8/D3DX8Math.h"

class CAIPoolSector;
class cRoadnode;
class cSidewalknode;

class CRoadSpawnNode : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CRoadSpawnNode";
    // Seconds between two cars when the file gives no "Delay".
    static constexpr float DEFAULT_DELAY = 10.0f;
    // The first timer is a random time below this.
    static constexpr float FIRST_TIMER_SPAN = 10.0f;

    // Draws the first timer from the shared random table.
    CRoadSpawnNode();

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer&) override { return true; }
    // One property; false at a token that is none (left for the caller).
    bool ReadProperty(CDataBuffer& reader) override;
    // The same; a dropped pair is logged naming `where`.
    bool ReadProperty(CDataBuffer& reader, const std::string& where);
    bool Validate() override { return true; }

    // "Node" and the id; false when the header is anything else.
    bool ReadHeader(CDataBuffer& reader);
    size_t GetDirectionCount() const { return m_Targets.size(); }

    int32_t m_iId = 0;
    D3DXVECTOR3 m_vPos{0.0f, 0.0f, 0.0f};
    // Parallel: direction i places its car by orientation i, heading for target i.
    std::vector<D3DXMATRIX> m_Orientations;
    std::vector<cRoadnode*> m_Targets;
    // The direction used next.
    uint32_t m_u32Choice = 0;
    float m_fTimer = 0.0f;
    float m_fDelay = DEFAULT_DELAY;
    uint8_t m_u8Ready = 0;
    uint8_t m_u8Waiting = 1;
    uint8_t m_u8Available = 1;
    // Observer: the sector that files it.
    CAIPoolSector* m_pSector = nullptr;

private:
    bool ReadTarget(CDataBuffer& reader, const std::string& where);
};

class CSidewalkSpawnNode : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CSidewalkSpawnNode";
    // The first timer lies between these.
    static constexpr float FIRST_TIMER_MIN = 8.0f;
    static constexpr float FIRST_TIMER_MAX = 10.0f;

    // Draws the first timer from the shared random table.
    CSidewalkSpawnNode();

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer&) override { return true; }
    bool Validate() override { return true; }

    // Rows: right, up, forward, position.
    D3DXMATRIX m_matPlacement;
    // Observer: where a pedestrian placed here walks first; null when its
    // sidewalk node has no link.
    cSidewalknode* m_pNextNode = nullptr;
    float m_fTimer = 0.0f;
    uint8_t m_u8Used = 0;
    // Observer: the sector that files it.
    CAIPoolSector* m_pSector = nullptr;
};

class CAIPoolSector : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CAIPoolSector";
    static constexpr const char* KEYWORD_ROAD_SPAWN_NODE = "RoadSpawnNode";

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer&) override { return true; }
    // One road spawn node; false at a token that starts none, or when the
    // node's header fails (that node is dropped).
    bool ReadProperty(CDataBuffer& reader) override;
    // The same; what is dropped is logged naming `where`.
    bool ReadProperty(CDataBuffer& reader, const std::string& where);
    bool Validate() override { return true; }

    void FileSidewalkSpawnNode(std::unique_ptr<CSidewalkSpawnNode> node);
    // No spawn nodes and clean marks.
    void Clear();

    // The pool's index from InitGrid, then the number the file gives.
    int32_t m_iId = -1;
    // In file order.
    std::vector<std::unique_ptr<CRoadSpawnNode>> m_RoadSpawnNodes;
    // In sidewalk-list order.
    std::vector<std::unique_ptr<CSidewalkSpawnNode>> m_SidewalkSpawnNodes;
    // Whether the viewer was in the sector on the previous and this update.
    uint8_t m_u8PreviousMark = 0;
    uint8_t m_u8CurrentMark = 0;
};
