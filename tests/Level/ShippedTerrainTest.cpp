// The ground of the level "Modern" as the build generates it and the scripts
// name it: the town, the start area and the road between them flat, the
// pond's basin under its water, hills elsewhere.

#include <cmath>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/Texture.h"
#include "Level/Terrain.h"
#include "Level/WaterPlane.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"
#include "support/TempDir.h"

namespace {

const float POND_X = 430.0f;
const float POND_Z = 240.0f;
const float POND_RADIUS = 20.0f;
const float WATER_LEVEL = -1.5f;
const float WATER_HALF_WIDTH = 175.0f;

struct Area {
    float left, right, near, far;
    bool Holds(float x, float z) const { return x >= left && x <= right && z >= near && z <= far; }
};
const Area TOWN = {270.0f, 490.0f, 80.0f, 300.0f};
const Area START_AREA = {-90.0f, 0.0f, -100.0f, -20.0f};
// The road from the start area to the town, 12 wide.
const Area ROAD_EAST = {0.0f, 296.0f, -66.0f, -54.0f};
const Area ROAD_NORTH = {284.0f, 296.0f, -66.0f, 100.0f};

class ShippedTerrainFixture : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        const std::string logBefore = Log();
        {
            ScopedWorkingDir inGame(KELM_GAME_DIR);
            LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
            LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
            LoadAssetsFromScript<CWaterPlane>("Scripts\\WaterPlanes.txt");
            LoadAssetsFromScript<CTerrain>("Scripts\\Terrains.txt");
        }
        m_LoadLog = Log().substr(logBefore.size());
        g_AssetManager.GetAsset("Modern", m_pTerrain, true);
        g_AssetManager.GetAsset("Pond", m_pPond, true);
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    float Height(float x, float z) const
    {
        D3DXVECTOR3 point;
        m_pTerrain->GetHeight(D3DXVECTOR3(x, 100.0f, z), point, nullptr);
        return point.y;
    }

    std::string m_LoadLog;
    CTerrain* m_pTerrain = nullptr;
    CWaterPlane* m_pPond = nullptr;
};

class ShippedTerrain : public ShippedTerrainFixture {};

TEST_F(ShippedTerrain, TheTownLiesOnFlatGroundAndThePondInItsBasin)
{
    EXPECT_EQ("", m_LoadLog);
    ASSERT_EQ(193, m_pTerrain->GetSamplesPerRow());
    ASSERT_EQ(193, m_pTerrain->GetRows());
    EXPECT_EQ(36u, m_pTerrain->GetCells().size());
    EXPECT_FLOAT_EQ(8.0f, m_pTerrain->GetQuadSize());
    EXPECT_EQ(D3DXVECTOR3(-768.0f, 0.0f, -768.0f), m_pTerrain->GetOrigin());
    CTexture* ground = nullptr;
    g_AssetManager.GetAsset("Ground", ground, true);
    EXPECT_EQ(ground, m_pTerrain->GetGroundTexture());
    for (const auto& cell : m_pTerrain->GetCells()) {
        ASSERT_NE(nullptr, cell->GetMesh());
        ASSERT_EQ(2u, cell->GetMesh()->GetNumMaterials());
        EXPECT_NE(nullptr, cell->GetMesh()->GetTexture(0));
        EXPECT_NE(nullptr, cell->GetMesh()->GetTexture(1));
    }

    // The drawn water covers every ground quad that dips below it, with a
    // quad to spare: beyond the drawn surface the pond would show its floor.
    ASSERT_NE(nullptr, m_pPond->GetMesh());
    std::unique_ptr<CDisplayMesh::Box> surface;
    CDisplayMesh::ComputeMeshBox(surface, m_pPond->GetMesh()->GetD3DXMesh());
    const float drawnHalfWidth = surface->m_Max.x * m_pPond->GetWorldMatrix()._11;
    EXPECT_LT(drawnHalfWidth, WATER_HALF_WIDTH) << "the drawn water is the pond's, not its whole box";

    const std::vector<float>& heights = m_pTerrain->GetHeights();
    int basinSamples = 0;
    for (int row = 0; row < 193; ++row) {
        for (int column = 0; column < 193; ++column) {
            const float x = -768.0f + 8.0f * column;
            const float z = -768.0f + 8.0f * row;
            const float h = heights[row * 193 + column];
            SCOPED_TRACE(testing::Message() << "(" << x << ", " << z << ") at " << h);
            ASSERT_NE(CTerrain::UNSET_HEIGHT, h);
            ASSERT_LE(h, 20.0f);
            const float fromPond = std::hypot(x - POND_X, z - POND_Z);
            if (fromPond < POND_RADIUS / 2.0f) {
                ++basinSamples;
                EXPECT_LT(h, WATER_LEVEL);
            }
            const bool inWaterBox =
                std::fabs(x - POND_X) <= WATER_HALF_WIDTH && std::fabs(z - POND_Z) <= WATER_HALF_WIDTH;
            if (fromPond >= POND_RADIUS && inWaterBox) {
                EXPECT_GT(h, WATER_LEVEL);
            }
            if (h < WATER_LEVEL) {
                EXPECT_LE(std::fabs(x - POND_X), drawnHalfWidth - 8.0f);
                EXPECT_LE(std::fabs(z - POND_Z), drawnHalfWidth - 8.0f);
            }
            const bool flat = TOWN.Holds(x, z) || START_AREA.Holds(x, z) || ROAD_EAST.Holds(x, z) ||
                              ROAD_NORTH.Holds(x, z);
            if (fromPond >= POND_RADIUS && flat) {
                EXPECT_EQ(0.0f, h);
            }
            if (std::hypot(x - 514.0f, z - 311.0f) <= 60.0f) {
                EXPECT_LT(h, 5.0f);
            }
        }
    }
    EXPECT_GE(basinSamples, 4);
    EXPECT_LT(Height(POND_X, POND_Z), -5.0f);
    EXPECT_EQ(0.0f, Height(-45.0f, -60.0f));
    EXPECT_EQ(D3DXVECTOR3(POND_X, WATER_LEVEL, POND_Z), m_pPond->GetPosition());
}

class PhysicsShippedTerrain : public ShippedTerrainFixture {
protected:
    void SetUp() override
    {
        ShippedTerrainFixture::SetUp();
        ASSERT_TRUE(g_Physics.Init());
        const std::vector<float>& heights = m_pTerrain->GetHeights();
        ASSERT_TRUE(g_Physics.CreateTerrainActor(m_pTerrain->GetSamplesPerRow(), m_pTerrain->GetRows(),
                                                 m_pTerrain->GetQuadSize(), m_pTerrain->GetOrigin(), heights.data(),
                                                 heights.size()));
    }
    void TearDown() override
    {
        g_Physics.Shutdown();
        ShippedTerrainFixture::TearDown();
    }

    static NxShape* CastDown(float x, float z, NxRaycastHit& hit)
    {
        const NxRay down(NxVec3(x, 100.0f, z), NxVec3(0.0f, -1.0f, 0.0f));
        return g_Physics.GetScene()->raycastClosestShape(down, NX_ALL_SHAPES, hit, 0x7fff);
    }
};

TEST_F(PhysicsShippedTerrain, RaysFindTheGroundUnderThePondAndOnTheHills)
{
    CWaterPlane pond = *m_pPond;
    pond.CreatePhysics();
    ASSERT_NE(nullptr, pond.m_PhysicsObject.m_pActor);

    NxRaycastHit hit;
    NxShape* shape = CastDown(POND_X, POND_Z, hit);
    ASSERT_NE(nullptr, shape);
    EXPECT_EQ(g_Physics.GetTerrainActor(), &shape->getActor());
    EXPECT_NEAR(Height(POND_X, POND_Z), 100.0f - hit.distance, 1e-3f);

    for (float x : {-600.0f, -604.0f, -123.0f, 515.0f, 700.0f}) {
        for (float z : {-700.0f, -2.0f, 250.0f, 611.0f}) {
            ASSERT_NE(nullptr, CastDown(x, z, hit));
            EXPECT_NEAR(Height(x, z), 100.0f - hit.distance, 1e-3f) << x << ", " << z;
        }
    }
}

} // namespace
