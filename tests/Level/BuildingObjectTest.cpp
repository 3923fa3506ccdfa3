// Buildings read from script text over complex objects and level objects
// made in the test: their floors, who owns them, and the view test.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/ComplexObject.h"
#include "Display/Occ_HOM.h"
#include "Display/RenderStates.h"
#include "Level/BuildingObject.h"
#include "support/CountingQueue.h"
#include "support/FatalTrap.h"
#include "support/ScriptText.h"

namespace {

const float BUILDING_RADIUS = 20.0f;

// "Shell", a complex object of one part, and "Box", a level object drawn by it.
class BuildingObjectTest : public ::testing::Test {
protected:
    BuildingObjectTest()
    {
        auto shell = std::make_unique<CComplexObject>();
        shell->m_Name = "Shell";
        shell->GetOpaqueParts().emplace_back();
        g_AssetManager.AddAsset(shell.release());
        auto box = std::make_unique<CLevelObject>();
        EXPECT_TRUE(LoadFrom(*box, "LevelObject Box ComplexObject Shell"));
        g_AssetManager.AddAsset(box.release());
        m_SavedProjection = g_matProjection;
        m_SavedCullViewProj = g_CullViewProj;
        CComplexObject::SetQueue(&m_Queue);
    }
    ~BuildingObjectTest() override
    {
        CComplexObject::SetQueue(nullptr);
        g_matProjection = m_SavedProjection;
        g_CullViewProj = m_SavedCullViewProj;
        g_AssetManager.Clear();
    }

    std::unique_ptr<CBuildingObject> Load(const std::string& script, std::string* nextToken = nullptr)
    {
        auto building = std::make_unique<CBuildingObject>();
        EXPECT_TRUE(LoadFrom(*building, script, nextToken)) << script;
        return building;
    }
    // The eye at the origin looking along +z, 90 degrees across.
    static void LookAlongZ()
    {
        D3DXMatrixPerspectiveFovLH(&g_matProjection, D3DX_PI / 2.0f, 1.0f, 1.0f, 1000.0f);
        D3DXMATRIX view;
        D3DXMatrixIdentity(&view);
        D3DXMatrixMultiply(&g_CullViewProj, &view, &g_matProjection);
    }
    // Whether the building standing at `position` queues its shell.
    bool Queued(CBuildingObject& building, const D3DXVECTOR3& position)
    {
        building.m_ComplexObject.SetPosition(&position);
        building.Update();
        m_Queue.m_Parts = 0;
        building.QueueRender(RENDER_PASS_MAIN);
        return m_Queue.m_Parts > 0;
    }

    CountingQueue m_Queue;
    D3DXMATRIX m_SavedProjection;
    D3DXMATRIX m_SavedCullViewProj;
};

TEST_F(BuildingObjectTest, FloorsHoldTheLevelObjectsThatFollowThem)
{
    std::string next;
    const auto building = Load("Building Hall ComplexObject Shell Scale 2\n"
                               "Floor\n"
                               "  LevelObject Box Orientation 1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1 HullMax 5\n"
                               "  LevelObject Box\n"
                               "Floor\n"
                               "Floor Floor\n"
                               "Building Next",
                               &next);
    EXPECT_EQ("Building", next);
    EXPECT_EQ("Hall", building->GetName());
    EXPECT_EQ(1u, building->m_ComplexObject.GetOpaqueParts().size());
    EXPECT_FLOAT_EQ(2.0f, building->m_ComplexObject.GetScale());
    const std::vector<CBuildingObject::Floor>& floors = building->GetFloors();
    ASSERT_EQ(4u, floors.size());
    ASSERT_EQ(2u, floors[0].size());
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), floors[0][0]->GetPosition());
    EXPECT_FLOAT_EQ(5.0f, floors[0][0]->m_fHullMax);
    EXPECT_EQ("Box", floors[0][1]->GetName());
    for (size_t floor = 1; floor < floors.size(); ++floor)
        EXPECT_TRUE(floors[floor].empty()) << "\"Floor\" and another keyword: an empty floor";

    EXPECT_FATAL(Load("Building Bad Floor LevelObject Missing"),
                 "Unable to find asset \"Missing\" of type <CLevelObject>");
}

TEST_F(BuildingObjectTest, EveryPlacedCopyOwnsFloorsOfItsOwn)
{
    const auto prototype = Load("Building Block ComplexObject Shell Floor LevelObject Box LevelObject Box");
    auto first = std::make_unique<CBuildingObject>(*prototype);
    auto second = std::make_unique<CBuildingObject>(*prototype);
    ASSERT_EQ(1u, first->GetFloors().size());
    ASSERT_EQ(2u, first->GetFloors()[0].size());
    EXPECT_NE(prototype->GetFloors()[0][0].get(), first->GetFloors()[0][0].get());
    EXPECT_NE(first->GetFloors()[0][0].get(), second->GetFloors()[0][0].get());
    EXPECT_EQ(&first->GetFloors()[0][0]->m_matWorld, first->GetFloors()[0][0]->m_ComplexObject.GetParentMatrix());

    // Floor objects are never spawned: they update but queue nothing.
    LookAlongZ();
    first->Update();
    EXPECT_TRUE(Queued(*first, D3DXVECTOR3(0, 0, 50)));
    EXPECT_EQ(1, m_Queue.m_Parts) << "the shell alone";

    // Each deletes its own (AddressSanitizer would see a second delete).
    first.reset();
    EXPECT_EQ(2u, second->GetFloors()[0].size());
    EXPECT_EQ("Box", second->GetFloors()[0][1]->GetName());
    second->DeleteFloors();
    EXPECT_TRUE(second->GetFloors().empty());
    EXPECT_EQ(2u, prototype->GetFloors()[0].size());
}

TEST_F(BuildingObjectTest, TheViewTestJudgesTheBoundingSphere)
{
    LookAlongZ();
    const auto prototype = Load("Building Tower ComplexObject Shell");
    CBuildingObject building(*prototype);
    // Without a root box every building is queued, whatever the view.
    EXPECT_TRUE(Queued(building, D3DXVECTOR3(0, 0, -500)));
    EXPECT_TRUE(Queued(building, D3DXVECTOR3(900, 0, 50)));

    building.m_CollisionObject.m_pRoot = std::make_unique<CCollisionBox>();
    building.m_CollisionObject.m_fRadius = BUILDING_RADIUS;
    struct Case {
        const char* where;
        D3DXVECTOR3 position;
        bool queued;
    };
    const Case cases[] = {
        {"ahead", D3DXVECTOR3(0, 0, 100), true},
        {"its edge just on screen", D3DXVECTOR3(115, 0, 100), true},
        {"off the right", D3DXVECTOR3(125, 0, 100), false},
        {"off the left", D3DXVECTOR3(-125, 0, 100), false},
        {"above", D3DXVECTOR3(0, 125, 100), false},
        {"below", D3DXVECTOR3(0, -125, 100), false},
        {"far beyond the far plane", D3DXVECTOR3(0, 0, 5000), false},
        {"behind", D3DXVECTOR3(0, 0, -100), false},
        {"just behind, reaching past the eye", D3DXVECTOR3(0, 0, -10), true},
        {"round the eye", D3DXVECTOR3(0, 0, 0), true},
        {"round the eye, its centre ahead", D3DXVECTOR3(3, 0, 5), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.queued, Queued(building, c.position)) << c.where;
}

TEST_F(BuildingObjectTest, AContactHandsTheOtherARecordFromTheBuilding)
{
    struct Recorder : CCollidableObject {
        bool TakeDamage(const CDamageInfo& damage, NxContactPair*) override
        {
            m_pSource = damage.m_pSource;
            return false;
        }
        CCollidableObject* m_pSource = nullptr;
    } other;
    const auto building = Load("Building Tower");
    EXPECT_TRUE(building->OnContact(nullptr, nullptr));
    EXPECT_FALSE(building->OnContact(&other, nullptr));
    EXPECT_EQ(building.get(), other.m_pSource);
}

} // namespace
