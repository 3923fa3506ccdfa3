#include "AI/AIPool.h"

#include "Actors/Car.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Core/StepTrace.h"
#include "Level/Level.h"
#include "Level/Sidewalk.h"
#include "Level/Terrain.h"

namespace {

// The spare sector past the grid.
const uint32_t SPARE_SECTORS = 1;

// Diffuse and ambient of each marker material; specular is black, nothing glows.
const D3DCOLORVALUE MARKER_COLOURS[CAIPool::MARKER_MATERIAL_COUNT] = {
    {1.0f, 0.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 0.0f, 1.0f},
    {1.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 0.5f, 0.0f, 1.0f},
};
const D3DCOLORVALUE MARKER_SPECULAR = {0.0f, 0.0f, 0.0f, 1.0f};
const int PYRAMID_MATERIAL = 0;
const int SPHERE_MATERIAL = 2;

// The cell of one coordinate: truncated toward zero, so a point less than a
// cell before the grid's low edge still lies in the first cell. The test is
// made on the float, so a far or non-finite coordinate is outside (-1).
int32_t CellOf(float coordinate, float origin, float size, int32_t cells)
{
    const float cell = (coordinate - origin) / size;
    if (!(cell > -1.0f && cell < static_cast<float>(cells)))
        return -1;
    return static_cast<int32_t>(cell);
}

} // namespace

CAIPool::CAIPool()
{
    InitGrid();
    CreateDebugMeshes();
}

CAIPool::~CAIPool()
{
    m_PyramidMarker.ReleaseMesh();
    m_SphereMarker.ReleaseMesh();
}

void CAIPool::InitGrid()
{
    m_iColumns = COLUMNS;
    m_iRows = ROWS;
    m_iFileSectorCount = FILE_SECTOR_COUNT;
    m_fCellWidth = CELL_SIZE;
    m_fCellDepth = CELL_SIZE;
    m_u32SectorCount = static_cast<uint32_t>(m_iColumns * m_iRows) + SPARE_SECTORS;
    m_vOrigin = D3DXVECTOR3(ORIGIN, 0.0f, ORIGIN);
    m_pSectors = std::make_unique<CAIPoolSector[]>(m_u32SectorCount);
    for (uint32_t i = 0; i < m_u32SectorCount; ++i)
        m_pSectors[i].m_iId = static_cast<int32_t>(i);
    m_u32PedestrianCount = 0;
    m_u32CarCount = 0;
    m_u32PoliceCount = 0;
}

void CAIPool::CreateDebugMeshes()
{
    m_PyramidMarker.LoadMesh(PYRAMID_MESH);
    m_SphereMarker.LoadMesh(SPHERE_MESH);
    for (int i = 0; i < MARKER_MATERIAL_COUNT; ++i) {
        D3DMATERIAL8& material = m_MarkerMaterials[i];
        material = D3DMATERIAL8{};
        material.Diffuse = MARKER_COLOURS[i];
        material.Ambient = MARKER_COLOURS[i];
        material.Specular = MARKER_SPECULAR;
    }
    m_PyramidMarker.SetMaterial(&m_MarkerMaterials[PYRAMID_MATERIAL], true);
    m_SphereMarker.SetMaterial(&m_MarkerMaterials[SPHERE_MATERIAL], true);
}

int32_t CAIPool::SectorOf(const D3DXVECTOR3& point) const
{
    const int32_t column = CellOf(point.x, m_vOrigin.x, m_fCellWidth, m_iColumns);
    const int32_t row = CellOf(point.z, m_vOrigin.z, m_fCellDepth, m_iRows);
    if (column < 0 || row < 0)
        return -1;
    return row * m_iColumns + column;
}

void CAIPool::Clear()
{
    ClearSectors();
    m_Requests.clear();
    m_PooledCars.clear();
    m_PooledCopCars.clear();
}

void CAIPool::ClearSectors()
{
    for (uint32_t i = 0; i < m_u32SectorCount; ++i)
        m_pSectors[i].Clear();
}

void CAIPool::AddPooledCar(std::unique_ptr<CCar> car)
{
    m_PooledCars.push_back(std::move(car));
}

void CAIPool::AddPooledCopCar(std::unique_ptr<CCar> car)
{
    m_PooledCopCars.push_back(std::move(car));
}

void CAIPool::Update(const D3DXVECTOR3&, std::list<CAIControllerSet*>&, std::list<CCar*>&)
{
    TraceStep("CAIPool::Update");
}

// --- Spawn nodes

void CAIPool::CreateSidewalkSpawnNodes(const CSidewalkNodeList& nodes)
{
    size_t outside = 0;
    for (size_t i = 0; i < nodes.GetNodeCount(); ++i) {
        const cSidewalknode& node = *nodes.GetNode(i);
        std::unique_ptr<CSidewalkSpawnNode> spawn = MakeSidewalkSpawnNode(node);
        const int32_t sector = SectorOf(*node.GetPosition());
        if (sector < 0) {
            ++outside;
            continue;
        }
        m_pSectors[sector].FileSidewalkSpawnNode(std::move(spawn));
    }
    if (outside > 0)
        g_Log.Write(std::to_string(outside) + " sidewalk nodes outside the population grid get no spawn node");
}

std::unique_ptr<CSidewalkSpawnNode> CAIPool::MakeSidewalkSpawnNode(const cSidewalknode& node) const
{
    auto spawn = std::make_unique<CSidewalkSpawnNode>();
    const D3DXVECTOR3& position = *node.GetPosition();
    D3DXVECTOR3 ground = position;
    const CTerrain* terrain = g_pLevel != nullptr ? g_pLevel->GetTerrain() : nullptr;
    if (terrain != nullptr)
        terrain->GetHeight(position, ground, nullptr);
    D3DXMATRIX& placement = spawn->m_matPlacement;
    placement._41 = ground.x;
    placement._42 = ground.y;
    placement._43 = ground.z;
    if (node.GetLinkCount() == 0)
        return spawn;

    spawn->m_pNextNode = node.GetLinkTarget(0);
    const D3DXVECTOR3& next = *spawn->m_pNextNode->GetPosition();
    D3DXVECTOR3 forward(next.x - position.x, 0.0f, next.z - position.z);
    // A link straight up or down gives no heading: the node keeps facing +z.
    if (D3DXVec3Length(&forward) == 0.0f)
        return spawn;
    D3DXVec3Normalize(&forward, &forward);
    // up x forward with up = +y.
    placement._11 = forward.z;
    placement._12 = 0.0f;
    placement._13 = -forward.x;
    placement._31 = forward.x;
    placement._32 = 0.0f;
    placement._33 = forward.z;
    return spawn;
}

bool CAIPool::LoadSpawnNodes(const std::string& fileName)
{
    CDataBuffer reader;
    if (!reader.Init(fileName, SCRIPT_SEPARATORS))
        return false;
    for (int32_t k = 0; k < m_iFileSectorCount; ++k) {
        if (!reader.Match(KEYWORD_SECTOR)) {
            const std::string token = reader.IsEndOfBuffer() ? "the end of the file" : "<" + reader.PeekString() + ">";
            g_Log.Write("Spawn node file " + fileName + " stops at sector block " + std::to_string(k) + ": " + token +
                        " where Sector was expected");
            return false;
        }
        CAIPoolSector& sector = m_pSectors[k];
        sector.m_iId = static_cast<int32_t>(reader.GetInt());
        const std::string where = fileName + ", sector " + std::to_string(k);
        while (!reader.IsEndOfBuffer() && sector.ReadProperty(reader, where)) {
        }
    }
    return true;
}

// --- The population's set-up, recorded

bool CAIPool::AddCar(const std::string& driver, const std::string& car, int position)
{
    m_Requests.push_back({"AddCar", driver, car, position});
    return true;
}

bool CAIPool::AddPedestrian(const std::string& actor, const D3DXVECTOR3*)
{
    m_Requests.push_back({"AddPedestrian", actor, "", 0});
    return true;
}

void CAIPool::AddCopCars(const std::string& driver, const std::string& car, int count)
{
    m_Requests.push_back({"AddCopCars", driver, car, count});
}
