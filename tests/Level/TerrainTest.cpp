#include "Level/Terrain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "Level/TerrainCellMesh.h"
#include "Physics/CollidableObject.h"
#include "Physics/Physics.h"
#include "platform/d3dx8/XMeshText.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FatalTrap.h"

namespace {

const int CELL = CTerrain::DEFAULT_CELL_SIZE;
const float QUAD = 2.0f;
const D3DXVECTOR3 ORIGIN(-10.0f, 0.0f, 20.0f);
const float HEIGHT_TOLERANCE = 1e-4f;
const float NaN = std::numeric_limits<float>::quiet_NaN();

// Not planar on any quad, so that the two triangles of a quad differ.
float Bumpy(int column, int row)
{
    return 0.5f * column + 0.25f * row + 0.125f * float((column * row) % 7);
}

std::string CellMeshText(int cx, int cz, const HeightFunction& height, float quad = QUAD)
{
    return TerrainCellMeshText(cx, cz, height, quad, ORIGIN);
}

// A collidable that counts its draws.
class DrawnObject : public CCollidableObject {
public:
    void Render() override { ++m_Draws; }
    int m_Draws = 0;
};

class TerrainFixture : public DisplayFixture {
protected:
    void SetUp() override { CreateDisplay(); }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    // Cell meshes under Assets/Meshes/Cells/ for every cell but those in
    // `missing`, and the list naming them all.
    void WriteMeshList(int width, int height, const HeightFunction& heights, const std::vector<int>& missing = {})
    {
        std::string list = std::to_string(width) + " " + std::to_string(height) + "\n";
        for (int cz = 0; cz < height; ++cz) {
            for (int cx = 0; cx < width; ++cx) {
                const std::string name = "cell_" + std::to_string(cx) + "_" + std::to_string(cz) + ".x";
                list += "Cells\\" + name + "\n";
                if (std::find(missing.begin(), missing.end(), cz * width + cx) == missing.end())
                    m_Dir.Write("Assets/Meshes/Cells/" + name, CellMeshText(cx, cz, heights));
            }
        }
        m_Dir.Write("Scripts/Levels/List.txt", list);
    }

    // The terrain of one "Terrain" block of `properties`.
    void LoadTerrain(const std::string& properties)
    {
        m_Dir.Write("Scripts/Terrains.txt", "Terrain Ground\nAsset_Type Level\n" + properties);
        LoadAssetsFromScript<CTerrain>("Scripts\\Terrains.txt");
        g_AssetManager.GetAsset("Ground", m_pTerrain, true);
    }

    // A width x height height map whose blue channel is (3x + z) mod 256.
    void LoadHeightMap(UINT width, UINT height, float maxHeight)
    {
        std::vector<uint32_t> pixels(width * height);
        for (UINT z = 0; z < height; ++z)
            for (UINT x = 0; x < width; ++x)
                pixels[z * width + x] = 0xFF000000u | 0x00102000u | ((3 * x + z) & 0xFFu);
        ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), "Assets/Images/height.bmp", width, height, pixels));
        LoadTerrain("HeightMap Assets\\Images\\height.bmp\nQuadSize " + std::to_string(QUAD) +
                    "\nMaxHeight " + std::to_string(maxHeight) + "\n");
    }

    float HeightAt(float x, float y, float z, D3DXVECTOR3* normal = nullptr) const
    {
        D3DXVECTOR3 point;
        m_pTerrain->GetHeight(D3DXVECTOR3(x, y, z), point, normal);
        EXPECT_FLOAT_EQ(x, point.x);
        EXPECT_FLOAT_EQ(z, point.z);
        return point.y;
    }

    CTerrain* m_pTerrain = nullptr;
};

class CTerrainTest : public TerrainFixture {};

TEST_F(CTerrainTest, AMeshListOfTwoByTwoCellsFillsItsSamplesFromTheMeshes)
{
    // Cell (1, 1) is missing: the samples only it covers stay unset.
    WriteMeshList(2, 2, Bumpy, {3});
    LoadTerrain("MeshList Scripts\\Levels\\List.txt\n");

    EXPECT_TRUE(m_pTerrain->IsReady());
    EXPECT_EQ(CTerrain::MODE_MESH_LIST, m_pTerrain->GetMode());
    ASSERT_EQ(65, m_pTerrain->GetSamplesPerRow());
    ASSERT_EQ(65, m_pTerrain->GetRows());
    EXPECT_EQ(4u, m_pTerrain->GetCells().size());
    EXPECT_FLOAT_EQ(QUAD, m_pTerrain->GetQuadSize());
    EXPECT_FLOAT_EQ(ORIGIN.x, m_pTerrain->GetOrigin().x);
    EXPECT_FLOAT_EQ(0.0f, m_pTerrain->GetOrigin().y);
    EXPECT_FLOAT_EQ(ORIGIN.z, m_pTerrain->GetOrigin().z);

    const std::vector<float>& heights = m_pTerrain->GetHeights();
    for (int row : {0, 17, 32, 64}) {
        for (int column : {0, 5, 32, 33}) {
            if (column > CELL && row > CELL)
                continue; // only the missing cell holds these
            EXPECT_FLOAT_EQ(Bumpy(column, row), heights[row * 65 + column]) << column << ", " << row;
        }
    }
    EXPECT_FLOAT_EQ(CTerrain::UNSET_HEIGHT, heights[64 * 65 + 64]);
    EXPECT_FLOAT_EQ(CTerrain::UNSET_HEIGHT, heights[40 * 65 + 50]);
    EXPECT_NE(std::string::npos, Log().find("Terrain cell mesh failed to load: Assets\\Meshes\\Cells\\cell_1_1.x"));
}

TEST_F(CTerrainTest, VerticesOutsideTheGridAreSkippedAndLoggedOncePerMesh)
{
    // The second cell's mesh lies five cells further on: none of it fits.
    m_Dir.Write("Assets/Meshes/Cells/cell_0_0.x", CellMeshText(0, 0, Bumpy));
    m_Dir.Write("Assets/Meshes/Cells/far.x", CellMeshText(5, 0, Bumpy));
    m_Dir.Write("Scripts/Levels/List.txt", "2 1 Cells\\cell_0_0.x Cells\\far.x\n");
    LoadTerrain("MeshList Scripts\\Levels\\List.txt\n");
    ASSERT_EQ(65, m_pTerrain->GetSamplesPerRow());
    EXPECT_FLOAT_EQ(Bumpy(32, 10), m_pTerrain->GetHeights()[10 * 65 + 32]);
    EXPECT_FLOAT_EQ(CTerrain::UNSET_HEIGHT, m_pTerrain->GetHeights()[10 * 65 + 40]);
    const std::string line = "Terrain cell mesh has vertices outside the terrain: Assets\\Meshes\\Cells\\far.x";
    const std::string log = Log();
    ASSERT_NE(std::string::npos, log.find(line));
    EXPECT_EQ(std::string::npos, log.find(line, log.find(line) + 1));
}

TEST_F(CTerrainTest, CellsOfPositions)
{
    WriteMeshList(2, 2, Bumpy);
    LoadTerrain("MeshList Scripts\\Levels\\List.txt\n");
    const float cellLength = CELL * QUAD;
    struct Case {
        float x, z;
        bool inside;
        int column, row;
    };
    const Case cases[] = {
        {ORIGIN.x + 1.0f, ORIGIN.z + 1.0f, true, 0, 0},
        // Less than one quad before the origin still truncates to column 0.
        {ORIGIN.x - 0.75f * QUAD, ORIGIN.z + cellLength + 1.0f, true, 0, 1},
        {ORIGIN.x + cellLength + 0.5f, ORIGIN.z + 2.0f * cellLength - 0.5f, true, 1, 1},
        {ORIGIN.x - cellLength - 1.0f, ORIGIN.z, false, -1, 0},
        {ORIGIN.x + 2.0f * cellLength + 1.0f, ORIGIN.z, false, 2, 0},
    };
    for (const Case& c : cases) {
        CTerrain::Cell cell;
        EXPECT_EQ(c.inside, m_pTerrain->GetCell(D3DXVECTOR3(c.x, 0.0f, c.z), cell)) << c.x << ", " << c.z;
        EXPECT_EQ(c.column, cell.x) << c.x;
        EXPECT_EQ(c.row, cell.z) << c.z;
    }
    for (float far : {1e30f, -1e30f, NaN, std::numeric_limits<float>::infinity()}) {
        CTerrain::Cell cell;
        EXPECT_FALSE(m_pTerrain->GetCell(D3DXVECTOR3(far, 0.0f, ORIGIN.z), cell)) << far;
        EXPECT_FALSE(m_pTerrain->GetCell(D3DXVECTOR3(ORIGIN.x, 0.0f, far), cell)) << far;
    }
}

TEST_F(CTerrainTest, BadMeshListsAreFatal)
{
    m_Dir.Write("Assets/Meshes/Cells/cell_0_0.x", CellMeshText(0, 0, Bumpy));
    m_Dir.Write("Assets/Meshes/Cells/flat.x", CellMeshText(0, 0, Bumpy, 0.0f));
    m_Dir.Write("Scripts/Terrains.txt", "Terrain Ground Asset_Type Level MeshList Scripts\\Levels\\List.txt\n");
    struct Case {
        const char* list;
        const char* message;
    };
    const char* const invalidList = "Invalid Terrain Mesh List: Scripts\\Levels\\List.txt";
    const char* const invalidSize = "Invalid Terrain Width or Height\nin Scripts\\Levels\\List.txt";
    const Case cases[] = {
        {"-1 1 Cells\\cell_0_0.x", invalidSize},
        {"0 1", invalidSize},
        {"1 2048 Cells\\cell_0_0.x", invalidSize},
        {"2 1 Cells\\cell_0_0.x", invalidList},
        {"1 1 Cells\\cell_0_0.x 1 1 Cells\\cell_0_0.x", invalidList},
        {"1 1 Cells\\flat.x", "Terrain failed to load mesh file\nin Assets\\Meshes\\Cells\\flat.x"},
        {"1 1 Cells\\missing.x", "Terrain failed to load mesh file\nin Assets\\Meshes\\Cells\\missing.x"},
    };
    for (const Case& c : cases) {
        m_Dir.Write("Scripts/Levels/List.txt", c.list);
        CTerrain terrain;
        CDataBuffer reader;
        ASSERT_TRUE(reader.Init("Scripts/Terrains.txt", SCRIPT_SEPARATORS));
        EXPECT_FATAL(terrain.Load(reader), c.message);
        EXPECT_TRUE(terrain.GetCells().empty()) << c.list;
    }
}

TEST_F(CTerrainTest, AHeightMapThatCannotBeReadIsNamedByTheLoader)
{
    EXPECT_FATAL(LoadTerrain("HeightMap Assets\\Images\\gone.bmp\n"),
                 "Unable to intialize object Ground from: Scripts\\Terrains.txt of type CTerrain\n"
                 "in Assets\\Images\\gone.bmp: The height map could not be loaded.");
}

TEST_F(CTerrainTest, HeightsAreOnTheQuadsTrianglesFromAboveAndBelow)
{
    WriteMeshList(1, 1, Bumpy);
    LoadTerrain("MeshList Scripts\\Levels\\List.txt\n");
    const int column = 5;
    const int row = 9;
    const float h00 = Bumpy(column, row);
    const float h10 = Bumpy(column + 1, row);
    const float h01 = Bumpy(column, row + 1);
    const float h11 = Bumpy(column + 1, row + 1);
    struct Case {
        float fx, fz;
        float expected;
    };
    // Below the diagonal (fx > fz) the triangle P00 P10 P11, above it P00 P01 P11.
    const Case cases[] = {
        {0.75f, 0.25f, h00 + (h10 - h00) * 0.75f + (h11 - h10) * 0.25f},
        {0.25f, 0.75f, h00 + (h01 - h00) * 0.75f + (h11 - h01) * 0.25f},
        {0.0f, 0.0f, h00},
    };
    for (const Case& c : cases) {
        const float x = ORIGIN.x + (column + c.fx) * QUAD;
        const float z = ORIGIN.z + (row + c.fz) * QUAD;
        EXPECT_NEAR(c.expected, HeightAt(x, 100.0f, z), HEIGHT_TOLERANCE) << c.fx << ", " << c.fz;
        EXPECT_NEAR(c.expected, HeightAt(x, -100.0f, z), HEIGHT_TOLERANCE) << c.fx << ", " << c.fz;
    }

    // Outside: the point at height 0, the normal untouched.
    D3DXVECTOR3 normal(7.0f, 7.0f, 7.0f);
    for (const D3DXVECTOR3& outside : {D3DXVECTOR3(ORIGIN.x - 3.0f, 5.0f, ORIGIN.z + 1.0f),
                                       D3DXVECTOR3(ORIGIN.x + 1.0f, 5.0f, ORIGIN.z + 64.5f),
                                       D3DXVECTOR3(1e30f, 5.0f, 0.0f)}) {
        EXPECT_FLOAT_EQ(0.0f, HeightAt(outside.x, outside.y, outside.z, &normal));
        EXPECT_EQ(D3DXVECTOR3(7.0f, 7.0f, 7.0f), normal);
    }
    D3DXVECTOR3 point;
    m_pTerrain->GetHeight(D3DXVECTOR3(NaN, 5.0f, ORIGIN.z), point, &normal);
    EXPECT_FLOAT_EQ(0.0f, point.y);
}

TEST_F(CTerrainTest, FlatQuadNormalsFollowTheTriangleTestedLast)
{
    WriteMeshList(1, 1, [](int, int) { return 3.0f; });
    LoadTerrain("MeshList Scripts\\Levels\\List.txt\n");
    D3DXVECTOR3 normal;
    EXPECT_FLOAT_EQ(3.0f, HeightAt(ORIGIN.x + 1.5f, 10.0f, ORIGIN.z + 0.5f, &normal));
    EXPECT_EQ(D3DXVECTOR3(0.0f, -1.0f, 0.0f), normal);
    EXPECT_FLOAT_EQ(3.0f, HeightAt(ORIGIN.x + 0.5f, 10.0f, ORIGIN.z + 1.5f, &normal));
    EXPECT_EQ(D3DXVECTOR3(0.0f, 1.0f, 0.0f), normal);
}

TEST_F(CTerrainTest, AHeightMapIsCutIntoCellsThatAgreeWithItsSamples)
{
    const float maxHeight = 51.0f;
    LoadHeightMap(64, 64, maxHeight);
    EXPECT_EQ(CTerrain::MODE_HEIGHT_MAP, m_pTerrain->GetMode());
    ASSERT_EQ(64, m_pTerrain->GetSamplesPerRow());
    ASSERT_EQ(64, m_pTerrain->GetRows());
    ASSERT_EQ(4u, m_pTerrain->GetCells().size());
    const int expected[4][2] = {{33, 33}, {32, 33}, {33, 32}, {32, 32}};
    for (int i = 0; i < 4; ++i) {
        const CTerrainCell& cell = *m_pTerrain->GetCells()[i];
        EXPECT_EQ(expected[i][0], cell.GetColumns()) << i;
        EXPECT_EQ(expected[i][1], cell.GetRows()) << i;
        EXPECT_EQ(cell.GetColumns() * cell.GetRows(), cell.GetVertexCount()) << i;
        EXPECT_EQ(uint32_t((cell.GetColumns() - 1) * (cell.GetRows() - 1) * 2), cell.GetTriangleCount()) << i;
        EXPECT_EQ(nullptr, cell.GetMesh());
    }

    // Sample (40, 37) lies in cell (1, 1) as its vertex (8, 5).
    const int x = 40;
    const int z = 37;
    const float sample = float((3 * x + z) & 0xFF) / 255.0f * maxHeight;
    EXPECT_FLOAT_EQ(sample, m_pTerrain->GetHeights()[z * 64 + x]);
    const CTerrainCell& cell = *m_pTerrain->GetCells()[3];
    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, cell.GetVertexBuffer()->Lock(0, 0, &data, D3DLOCK_READONLY));
    D3DXVECTOR3 vertex;
    std::memcpy(&vertex, data + (5 * cell.GetColumns() + 8) * 32, sizeof(vertex));
    cell.GetVertexBuffer()->Unlock();
    EXPECT_FLOAT_EQ(x * QUAD, vertex.x);
    EXPECT_FLOAT_EQ(sample, vertex.y);
    EXPECT_FLOAT_EQ(z * QUAD, vertex.z);
    EXPECT_NEAR(sample, HeightAt(x * QUAD, 100.0f, z * QUAD), HEIGHT_TOLERANCE);
}

// Four cells of a height map up to 51 high, drawn round cell (0, 0): each
// cell's box holds its vertices, and a pass that culls leaves out the cells
// its view or its clip plane cannot see (the last one drawn keeps its buffer
// on the stream).
TEST_F(CTerrainTest, CulledCellsAreNotDrawn)
{
    LoadHeightMap(64, 64, 51.0f);
    const std::vector<std::unique_ptr<CTerrainCell>>& cells = m_pTerrain->GetCells();
    ASSERT_EQ(4u, cells.size());
    EXPECT_FLOAT_EQ(32 * QUAD, cells[1]->GetMin().x);
    EXPECT_FLOAT_EQ(0.0f, cells[1]->GetMin().z);
    EXPECT_FLOAT_EQ(63 * QUAD, cells[3]->GetMax().x);
    EXPECT_GT(cells[3]->GetMax().y, cells[3]->GetMin().y);
    EXPECT_LE(cells[3]->GetMax().y, 51.0f);

    // Clip space x from world x, centred on `centreX` and `halfWidth` wide;
    // every z of the world is within the view.
    const auto viewOfX = [](float centreX, float halfWidth) {
        D3DXMATRIX view(1.0f / halfWidth, 0, 0, 0, 0, 0, 0, 0, 0, 0.001f, 0, 0, -centreX / halfWidth, 0, 0.5f, 1);
        return view;
    };
    const D3DXPLANE keepAll(0, 1, 0, 100);
    const D3DXPLANE overAll(0, 1, 0, -60);
    const struct {
        const char* name;
        CTerrain::Culling culling;
        const CTerrainCell* lastDrawn;
    } cases[] = {
        {"everything seen", {viewOfX(64 * QUAD, 64 * QUAD), &keepAll}, cells[2].get()},
        {"only the east cells", {viewOfX(50 * QUAD, 10 * QUAD), &keepAll}, cells[3].get()},
        {"all under the clip plane", {viewOfX(64 * QUAD, 64 * QUAD), &overAll}, nullptr},
        {"only the east cells, without a plane", {viewOfX(50 * QUAD, 10 * QUAD), nullptr}, cells[3].get()},
        {"only the west cells, without a plane", {viewOfX(10 * QUAD, 10 * QUAD), nullptr}, cells[2].get()},
    };
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetStreamSource(0, nullptr, 0);
        m_pTerrain->Render(CTerrain::Cell{0, 0}, &c.culling);
        IDirect3DVertexBuffer8* stream = nullptr;
        UINT stride = 0;
        device->GetStreamSource(0, &stream, &stride);
        EXPECT_EQ(c.lastDrawn != nullptr ? c.lastDrawn->GetVertexBuffer() : nullptr, stream);
        if (stream != nullptr)
            stream->Release();
    }
}

TEST_F(CTerrainTest, OnlyTheNineCellsObjectsAreDrawnAndOutsidersGoToTheNearestCell)
{
    LoadHeightMap(128, 128, 20.0f); // 4 x 4 cells of 64 units
    DrawnObject inCorner, inNeighbour, farAway, outside, notANumber;
    ASSERT_TRUE(m_pTerrain->RegisterObject(&inCorner, D3DXVECTOR3(10.0f, 0.0f, 10.0f)));
    ASSERT_TRUE(m_pTerrain->RegisterObject(&inNeighbour, D3DXVECTOR3(70.0f, 0.0f, 70.0f)));
    ASSERT_TRUE(m_pTerrain->RegisterObject(&farAway, D3DXVECTOR3(200.0f, 0.0f, 200.0f)));
    ASSERT_TRUE(m_pTerrain->RegisterObject(&outside, D3DXVECTOR3(-1000.0f, 0.0f, 1e9f)));
    ASSERT_TRUE(m_pTerrain->RegisterObject(&notANumber, D3DXVECTOR3(NaN, 0.0f, NaN)));
    EXPECT_EQ(1u, m_pTerrain->GetTerrainCell(0, 3)->GetObjects().size());
    EXPECT_EQ(2u, m_pTerrain->GetTerrainCell(0, 0)->GetObjects().size());

    EXPECT_EQ(3, m_pTerrain->RenderCellObjects({0, 0}));
    EXPECT_EQ(1, inCorner.m_Draws);
    EXPECT_EQ(1, inNeighbour.m_Draws);
    EXPECT_EQ(0, farAway.m_Draws);
    EXPECT_EQ(0, outside.m_Draws);
    EXPECT_EQ(1, m_pTerrain->RenderCellObjects({4, 4}));
    EXPECT_EQ(1, farAway.m_Draws);
    EXPECT_EQ(0, m_pTerrain->RenderCellObjects({-100, 50}));

    m_pTerrain->UnregisterObject(&inCorner);
    m_pTerrain->UnregisterObject(&notANumber);
    EXPECT_EQ(1, m_pTerrain->RenderCellObjects({0, 0}));
    EXPECT_EQ(1, inCorner.m_Draws);
}

// --- The physics ground made from a loaded mesh list.

class PhysicsTerrainMeshList : public TerrainFixture {
protected:
    void SetUp() override
    {
        TerrainFixture::SetUp();
        ASSERT_TRUE(g_Physics.Init());
    }
    void TearDown() override
    {
        g_Physics.Shutdown();
        TerrainFixture::TearDown();
    }
};

TEST_F(PhysicsTerrainMeshList, TheGroundAgreesWithTheHeightQuery)
{
    WriteMeshList(2, 1, Bumpy);
    LoadTerrain("MeshList Scripts\\Levels\\List.txt\n");
    const std::vector<float>& heights = m_pTerrain->GetHeights();
    ASSERT_TRUE(g_Physics.CreateTerrainActor(m_pTerrain->GetSamplesPerRow(), m_pTerrain->GetRows(),
                                             m_pTerrain->GetQuadSize(), m_pTerrain->GetOrigin(), heights.data(),
                                             heights.size()));
    for (float fx : {3.0f, 3.5f, 3.75f, 40.25f}) {
        for (float fz : {2.0f, 2.5f, 7.25f, 7.75f}) {
            const float x = ORIGIN.x + fx * QUAD;
            const float z = ORIGIN.z + fz * QUAD;
            NxRaycastHit hit;
            const NxRay down(NxVec3(x, 100.0f, z), NxVec3(0.0f, -1.0f, 0.0f));
            ASSERT_NE(nullptr, g_Physics.GetScene()->raycastClosestShape(down, NX_ALL_SHAPES, hit, 0x7fff));
            EXPECT_NEAR(HeightAt(x, 100.0f, z), 100.0f - hit.distance, 1e-3f) << fx << ", " << fz;
        }
    }
}

} // namespace
