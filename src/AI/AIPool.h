#pragma once
// The level's population pool: pooled cars with their drivers, pedestrians
// and police cars, spawned around the viewer by sector and recycled.
//
// The grid: 32 x 32 square sectors of 87.5 units from (-1400, -1400) over x
// and z (sector k is row k / 32 along z, column k % 32 along x), and one
// spare sector past them that nothing is filed into. The sectors hold the
// road spawn nodes of the level's spawn-node file (see SpawnNodes.h) and
// the sidewalk spawn nodes made from its sidewalk graph. The file:
//   exactly 1024 blocks "Sector <id>", block k filling sector k, each
//   followed by its road spawn nodes.
//
// The population is made once with the level and never grows or shrinks:
// every update gathers the agents and cars that are out of the world and
// places them again at the spawn nodes around the viewer.

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "AI/SpawnNodes.h"
#include "Display/DisplayMesh.h"
#include "platform/d3dx8/D3DX8Math.h"

class CAIControllerSet;
class CCar;
class CSidewalkNodeList;

class CAIPool {
public:
    static constexpr int32_t COLUMNS = 32;
    static constexpr int32_t ROWS = 32;
    // The "Sector" blocks a spawn-node file holds.
    static constexpr int32_t FILE_SECTOR_COUNT = COLUMNS * ROWS;
    static constexpr float CELL_SIZE = 87.5f;
    static constexpr float ORIGIN = -1400.0f;
    static constexpr const char* KEYWORD_SECTOR = "Sector";
    static constexpr const char* PYRAMID_MESH = "Assets\\Meshes\\Pyramid.X";
    static constexpr const char* SPHERE_MESH = "Assets\\Meshes\\Sphere.X";
    enum { MARKER_MATERIAL_COUNT = 5 };
    // Sectors either side of the viewer's whose spawn timers run.
    static constexpr int32_t SECTOR_RADIUS = 2;
    // Pooled agents go after 2 seconds beyond this, pooled cars beyond it too.
    static constexpr float POOL_RANGE = 200.0f;
    // No spawn node nearer the viewer than this (squared) is used.
    static constexpr float NEAR_VIEWER_SQ = 12000.0f;
    // A road spawn node with an active car nearer than this (squared) is blocked.
    static constexpr float NEAR_CAR_SQ = 625.0f;
    // Seconds a sidewalk spawn node rests after a pedestrian left it.
    static constexpr float SIDEWALK_REST = 10.0f;
    // The chance per update of a patrol car while nobody is wanted.
    static constexpr float PATROL_CHANCE = 0.05f;
    // Run speeds of pooled drivers and police, of the player's.
    static constexpr float DRIVER_RUN_SHARE = 0.8f;
    static constexpr float POLICE_RUN_SHARE = 0.9f;
    static constexpr const char* POLICE_WEAPON = "PISTOL";

    // How many agents are out, as the collecting steps count them.
    struct Census {
        uint32_t m_u32OnFoot = 0;
        uint32_t m_u32InCars = 0;
        uint32_t m_u32PoliceOnFoot = 0;
        uint32_t m_u32PoliceInCars = 0;
    };
    // What one update may send out.
    struct Budgets {
        uint32_t m_u32Walkers = 0;
        uint32_t m_u32Cars = 0;
        uint32_t m_u32WantedPolice = 0;
        uint32_t m_u32Police = 0;
    };

    CAIPool();
    ~CAIPool();
    CAIPool(const CAIPool&) = delete;
    CAIPool& operator=(const CAIPool&) = delete;

    // Every spawn node and pooled agent gone; the grid and the markers stay.
    void Clear();
    void Update(const D3DXVECTOR3& viewer, std::list<CAIControllerSet*>& agents, std::list<CCar*>& activeCars);
    // One sidewalk spawn node per node of `nodes` inside the grid, in list order.
    void CreateSidewalkSpawnNodes(const CSidewalkNodeList& nodes);
    // The level's spawn-node file. False when it cannot be read or a block
    // does not start with "Sector" (the blocks before it are kept).
    bool LoadSpawnNodes(const std::string& fileName);

    // The makers: one agent (with its car) each, out of the world until an
    // update places it. A null position is next to the player. False, with
    // nothing filed, when the car kind is unknown; an unknown actor or a
    // missing "PISTOL" is fatal.
    bool AddPedestrian(const std::string& actor, const D3DXVECTOR3* pPosition);
    bool AddCar(const std::string& driver, const std::string& car, const D3DXVECTOR3* pPosition);
    void AddCopCars(const std::string& driver, const std::string& car, int count);
    bool AddCopCar(const std::string& driver, const std::string& car, const D3DXVECTOR3* pPosition);
    // The pool owns these cars from now on; they leave the world when their
    // agent goes out of range.
    void AddPooledCar(std::unique_ptr<CCar> car);
    void AddPooledCopCar(std::unique_ptr<CCar> car);

    // The steps of one update, in order (the spawn-node timers run by the
    // frame time). Nothing happens outside the grid.
    void PopulateSector(const D3DXVECTOR3& viewer, int32_t column, int32_t row,
                        std::list<CAIControllerSet*>& agents, std::list<CCar*>& activeCars);
    // Free agents are cleaned for a new life and listed; those out are counted.
    void CollectFreeAgents(Census& census);
    void CollectFreePolice(Census& census);
    // Cars out of the world, repainted; an agent still holding one lets go.
    static void CollectFreeCars(const std::vector<std::unique_ptr<CCar>>& cars, std::vector<CCar*>& free);
    void CollectRoadCandidates(const D3DXVECTOR3& viewer, int32_t column, int32_t row,
                               const std::list<CCar*>& activeCars);
    void CollectSidewalkCandidates(const D3DXVECTOR3& viewer, int32_t column, int32_t row);
    // The budgets of one update; draws once for a patrol when no police car
    // is out and none is called for. No count goes below 0, and a maximum
    // wanted level below 1 calls no police.
    static Budgets ComputeBudgets(uint32_t pedestrians, uint32_t cars, uint32_t police, const Census& census,
                                  float wantedLevel, float maxWantedLevel);

    uint32_t GetPedestrianCount() const { return m_u32PedestrianCount; }
    uint32_t GetCarCount() const { return m_u32CarCount; }
    uint32_t GetPoliceCount() const { return m_u32PoliceCount; }
    const std::vector<std::unique_ptr<CAIControllerSet>>& GetAgents() const { return m_Agents; }
    const std::vector<std::unique_ptr<CCar>>& GetCars() const { return m_Cars; }
    const std::vector<std::unique_ptr<CAIControllerSet>>& GetPoliceAgents() const { return m_PoliceAgents; }
    const std::vector<std::unique_ptr<CCar>>& GetPoliceCars() const { return m_PoliceCars; }
    const std::vector<CAIControllerSet*>& GetFreeAgents() const { return m_FreeAgents; }
    const std::vector<CCar*>& GetFreeCars() const { return m_FreeCars; }
    const std::vector<CAIControllerSet*>& GetFreePolice() const { return m_FreePolice; }
    const std::vector<CCar*>& GetFreePoliceCars() const { return m_FreePoliceCars; }
    const std::vector<CRoadSpawnNode*>& GetRoadCandidates() const { return m_RoadCandidates; }
    const std::vector<CSidewalkSpawnNode*>& GetSidewalkCandidates() const { return m_SidewalkCandidates; }

    // The sector under `point`, -1 outside the grid. Column and row are
    // truncated toward zero, so up to one cell beyond the low edges still
    // counts as column or row 0.
    int32_t SectorOf(const D3DXVECTOR3& point) const;
    uint32_t GetSectorCount() const { return m_u32SectorCount; }
    // `index` below GetSectorCount.
    const CAIPoolSector& GetSector(uint32_t index) const { return m_pSectors[index]; }
    CAIPoolSector& GetSector(uint32_t index) { return m_pSectors[index]; }
    const CDisplayObject3D& GetPyramidMarker() const { return m_PyramidMarker; }
    const CDisplayObject3D& GetSphereMarker() const { return m_SphereMarker; }

private:
    void InitGrid();
    // The two spawn-point markers and their colours. A mesh that does not
    // load leaves its marker empty.
    void CreateDebugMeshes();
    void ClearSectors();
    // The sidewalk spawn node made from `node`, placed on the ground and
    // facing its first link.
    std::unique_ptr<CSidewalkSpawnNode> MakeSidewalkSpawnNode(const cSidewalknode& node) const;
    // A made agent waits out of the world, recycled when it goes out of range.
    static void PrepareAgent(CAIControllerSet& agent, const D3DMATERIAL8& material, float runShare);
    // The next road candidate (one draw among two or more), taken off the list.
    CRoadSpawnNode* TakeRoadCandidate();
    void SpawnCar(CAIControllerSet& agent, CCar& car, CRoadSpawnNode& node, bool police,
                  std::list<CAIControllerSet*>& agents, std::list<CCar*>& activeCars);
    void SpawnPedestrian(CAIControllerSet& agent, CSidewalkSpawnNode& node, std::list<CAIControllerSet*>& agents);
    void ClearPopulation();
    // Room in the lists an update rebuilds for all it can list, made as the
    // population and the spawn nodes are made (each agent, car, node list).
    void ReserveWorkLists();
    // `visit` on each sector of the window of `radius` around the cell, clipped to the grid.
    template <class Visit>
    void ForEachSectorAround(int32_t column, int32_t row, int32_t radius, Visit visit);

    // The grid, set by InitGrid.
    int32_t m_iColumns = 0;
    int32_t m_iRows = 0;
    int32_t m_iFileSectorCount = 0;
    float m_fCellWidth = 0.0f;
    float m_fCellDepth = 0.0f;
    uint32_t m_u32SectorCount = 0;
    D3DXVECTOR3 m_vOrigin{0.0f, 0.0f, 0.0f};
    // The population made by the set-up, zeroed by InitGrid.
    uint32_t m_u32PedestrianCount = 0;
    uint32_t m_u32CarCount = 0;
    uint32_t m_u32PoliceCount = 0;
    int32_t m_iPedestrianSectorRadius = SECTOR_RADIUS;
    int32_t m_iCarSectorRadius = SECTOR_RADIUS;
    // Made once by InitGrid and kept for the pool's life.
    std::unique_ptr<CAIPoolSector[]> m_pSectors;

    // Drivers, then pedestrians, in the order they were made.
    std::vector<std::unique_ptr<CAIControllerSet>> m_Agents;
    std::vector<std::unique_ptr<CCar>> m_Cars;
    std::vector<std::unique_ptr<CAIControllerSet>> m_PoliceAgents;
    std::vector<std::unique_ptr<CCar>> m_PoliceCars;

    // Rebuilt by every update; they keep their room, so a steady frame
    // allocates nothing.
    std::vector<CAIControllerSet*> m_FreeAgents;
    std::vector<CCar*> m_FreeCars;
    std::vector<CAIControllerSet*> m_FreePolice;
    std::vector<CCar*> m_FreePoliceCars;
    std::vector<CRoadSpawnNode*> m_RoadCandidates;
    std::vector<CSidewalkSpawnNode*> m_SidewalkCandidates;

    // Loaded and coloured, never drawn.
    CDisplayObject3D m_PyramidMarker;
    CDisplayObject3D m_SphereMarker;
    D3DMATERIAL8 m_MarkerMaterials[MARKER_MATERIAL_COUNT] = {};
};
