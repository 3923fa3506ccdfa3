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
// Until the population step exists the pool keeps what it was asked to hold
// (for the level's set-up to be checked) and spawns no agent.

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

    // One set-up call as it was made.
    struct Request {
        std::string m_Operation;
        std::string m_Actor;
        std::string m_Car;
        int m_iCount = 0;
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
    bool AddCar(const std::string& driver, const std::string& car, int position);
    bool AddPedestrian(const std::string& actor, const D3DXVECTOR3* pPosition);
    void AddCopCars(const std::string& driver, const std::string& car, int count);
    // The pool owns these cars from now on.
    void AddPooledCar(std::unique_ptr<CCar> car);
    void AddPooledCopCar(std::unique_ptr<CCar> car);
    size_t GetPooledCarCount() const { return m_PooledCars.size(); }
    size_t GetPooledCopCarCount() const { return m_PooledCopCars.size(); }

    const std::vector<Request>& GetRequests() const { return m_Requests; }

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
    // Made once by InitGrid and kept for the pool's life.
    std::unique_ptr<CAIPoolSector[]> m_pSectors;

    std::vector<Request> m_Requests;
    std::vector<std::unique_ptr<CCar>> m_PooledCars;
    std::vector<std::unique_ptr<CCar>> m_PooledCopCars;

    // Loaded and coloured, never drawn.
    CDisplayObject3D m_PyramidMarker;
    CDisplayObject3D m_SphereMarker;
    D3DMATERIAL8 m_MarkerMaterials[MARKER_MATERIAL_COUNT] = {};
};
