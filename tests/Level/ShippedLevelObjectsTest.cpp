// The level objects and buildings as the game ships them, read by start-up's
// loaders from the built game directory; crates dropped on the town and into
// the pond of the shipped terrain.

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/ComplexObject.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/Texture.h"
#include "Level/BuildingObject.h"
#include "Level/LevelObject.h"
#include "Level/Terrain.h"
#include "Level/WaterPlane.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"
#include "support/SteadyFrames.h"
#include "support/TempDir.h"

namespace {

const uint32_t FRAME_MILLISECONDS = 16;
const float CRATE_HALF = 1.0f;
const D3DXVECTOR3 POND(430.0f, -1.5f, 240.0f);

class ShippedLevelObjectsFixture : public DisplayFixture {
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
            LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
            LoadAssetsFromScript<CTerrain>("Scripts\\Terrains.txt");
            LoadAssetsFromScript<CComplexObject>("Scripts\\ComplexObjects.txt");
            ResolveComplexObjectSubGroups();
            LoadAssetsFromScript<CLevelObject>("Scripts\\LevelObjects.txt");
            LoadAssetsFromScript<CBuildingObject>("Scripts\\BuildingObjects.txt");
        }
        m_LoadLog = Log().substr(logBefore.size());
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    template <class T>
    static T* Find(const char* name)
    {
        T* asset = nullptr;
        g_AssetManager.GetAsset(name, asset, true);
        return asset;
    }
    static void ExpectBox(const CLevelObject& object, const D3DXVECTOR3& low, const D3DXVECTOR3& high)
    {
        const CCollisionBox* root = object.m_CollisionObject.m_pRoot.get();
        ASSERT_NE(nullptr, root);
        EXPECT_EQ(low, root->m_vMin);
        EXPECT_EQ(high, root->m_vMax);
    }

    std::string m_LoadLog;
};

class ShippedLevelObjects : public ShippedLevelObjectsFixture {};

TEST_F(ShippedLevelObjects, PropsAndBuildingsLoadWithoutALogLine)
{
    EXPECT_EQ("", m_LoadLog);

    const CLevelObject* crate = Find<CLevelObject>("Crate");
    EXPECT_TRUE(crate->m_bMoveable);
    EXPECT_FLOAT_EQ(40.0f, crate->m_PhysicsObject.m_fMass);
    EXPECT_FLOAT_EQ(100.0f, crate->m_fHull);
    EXPECT_FLOAT_EQ(std::sqrt(3.0f), crate->m_CollisionObject.m_fRadius);
    ExpectBox(*crate, D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(1u, crate->m_ComplexObject.GetOpaqueParts().size());

    for (const char* name : {"Wall", "Kerb", "TrafficLamp", "Sun"}) {
        SCOPED_TRACE(name);
        EXPECT_FLOAT_EQ(PHYSICS_STATIC_MASS, Find<CLevelObject>(name)->m_PhysicsObject.m_fMass) << "static";
    }
    ExpectBox(*Find<CLevelObject>("Wall"), D3DXVECTOR3(-2, 0, -0.25f), D3DXVECTOR3(2, 3, 0.25f));
    ExpectBox(*Find<CLevelObject>("Kerb"), D3DXVECTOR3(-2, 0, -0.3f), D3DXVECTOR3(2, 0.3f, 0.3f));
    // The lamp and the sun are bounded by their meshes.
    ExpectBox(*Find<CLevelObject>("TrafficLamp"), D3DXVECTOR3(-0.25f, 0, -0.16f), D3DXVECTOR3(0.25f, 4.4f, 0.16f));
    const CLevelObject* sun = Find<CLevelObject>("Sun");
    EXPECT_EQ("", sun->m_CollisionFileName);
    EXPECT_NEAR(30.0f * std::sqrt(2.0f), sun->m_CollisionObject.m_fRadius, 1e-3f);

    // The lamps are colour groups 1, 2 and 3 of the traffic lamp's body.
    const CComplexObject& lamp = Find<CLevelObject>("TrafficLamp")->m_ComplexObject;
    ASSERT_EQ(4u, lamp.GetOpaqueParts().size());
    for (int group = 0; group <= 3; ++group)
        EXPECT_EQ(group, lamp.GetOpaqueParts()[group].GetColourGroup());

    for (const char* name : {"Tower", "Hall", "Block"}) {
        SCOPED_TRACE(name);
        const CBuildingObject* building = Find<CBuildingObject>(name);
        ASSERT_EQ(1u, building->m_ComplexObject.GetOpaqueParts().size());
        EXPECT_NE(nullptr, building->m_ComplexObject.GetOpaqueParts()[0].GetMesh());
    }
    const CBuildingObject* block = Find<CBuildingObject>("Block");
    ASSERT_EQ(1u, block->GetFloors().size());
    ASSERT_EQ(1u, block->GetFloors()[0].size());
    EXPECT_EQ("Crate", block->GetFloors()[0][0]->GetName());
    EXPECT_EQ(D3DXVECTOR3(0, 1, 0), block->GetFloors()[0][0]->GetPosition());
}

// The shipped ground as the physics scene's terrain, and the pond's water.
class PhysicsShippedLevelObjects : public ShippedLevelObjectsFixture {
protected:
    void SetUp() override
    {
        ShippedLevelObjectsFixture::SetUp();
        ASSERT_TRUE(g_Physics.Init());
        SetSteadyFrameTime(FRAME_MILLISECONDS);
        m_pTerrain = Find<CTerrain>("Modern");
        const std::vector<float>& heights = m_pTerrain->GetHeights();
        ASSERT_TRUE(g_Physics.CreateTerrainActor(m_pTerrain->GetSamplesPerRow(), m_pTerrain->GetRows(),
                                                 m_pTerrain->GetQuadSize(), m_pTerrain->GetOrigin(), heights.data(),
                                                 heights.size()));
        m_pPond = std::make_unique<CWaterPlane>(*Find<CWaterPlane>("Pond"));
        m_pPond->CreatePhysics();
    }
    void TearDown() override
    {
        m_pCrate.reset();
        m_pPond.reset();
        g_Physics.Shutdown();
        g_FrameTimer = CFrameTimer();
        ShippedLevelObjectsFixture::TearDown();
    }

    // A crate placed at `position` and brought into the world as the grid does.
    void DropCrate(const D3DXVECTOR3& position)
    {
        m_pCrate = std::make_unique<CLevelObject>(*Find<CLevelObject>("Crate"));
        D3DXMatrixTranslation(&m_pCrate->m_matStart, position.x, position.y, position.z);
        m_pCrate->Spawn();
        m_pCrate->CreatePhysics();
        ASSERT_NE(nullptr, m_pCrate->m_PhysicsObject.m_pActor);
    }
    // Frames as the level runs them: the step, then the object's update and pose.
    void RunFrames(int frames)
    {
        for (int frame = 0; frame < frames; ++frame) {
            g_Physics.Update();
            m_pCrate->Update();
            m_pCrate->SyncPhysics();
            m_fLowest = std::min(m_fLowest, m_pCrate->GetPosition().y);
        }
    }
    float Ground(float x, float z) const
    {
        D3DXVECTOR3 point;
        m_pTerrain->GetHeight(D3DXVECTOR3(x, 100.0f, z), point, nullptr);
        return point.y;
    }
    float Speed() const
    {
        const NxVec3 velocity = m_pCrate->m_PhysicsObject.m_pActor->getLinearVelocity();
        return velocity.magnitude();
    }

    CTerrain* m_pTerrain = nullptr;
    std::unique_ptr<CWaterPlane> m_pPond;
    std::unique_ptr<CLevelObject> m_pCrate;
    float m_fLowest = 1e9f;
};

TEST_F(PhysicsShippedLevelObjects, ACrateDroppedOnTheTownComesToRestOnTheGround)
{
    DropCrate(D3DXVECTOR3(400.0f, 6.0f, 150.0f));
    RunFrames(300);
    EXPECT_NEAR(Ground(400.0f, 150.0f) + CRATE_HALF, m_pCrate->GetPosition().y, 0.05f);
    EXPECT_LT(Speed(), 0.05f);
    EXPECT_FLOAT_EQ(100.0f, m_pCrate->m_fHull) << "water and ground deal no damage";
}

TEST_F(PhysicsShippedLevelObjects, ACrateDroppedIntoThePondFloats)
{
    const float floor = Ground(POND.x, POND.z);
    ASSERT_LT(floor, POND.y - 4.0f) << "deep enough to sink in";
    DropCrate(D3DXVECTOR3(POND.x, POND.y + 1.5f, POND.z));
    RunFrames(600);
    const float radius = m_pCrate->m_CollisionObject.m_fRadius;
    const float centre = m_pCrate->GetPosition().y;
    EXPECT_GT(centre, POND.y - radius);
    EXPECT_LT(centre, POND.y + 1.0f);
    EXPECT_LT(Speed(), 0.1f);
    EXPECT_GT(m_fLowest - CRATE_HALF, floor + 0.5f) << "it never reached the floor";
}

} // namespace
