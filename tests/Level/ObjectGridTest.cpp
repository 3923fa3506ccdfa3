// The object grid over level objects in a real scene: where objects stand,
// how they enter the world and who deletes them.

#include <cmath>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Core/Log.h"
#include "Level/ObjectGrid.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"
#include "support/TempDir.h"

namespace {

const char* const WARNING = "Object in invalid space warning, object put into mystery slot";

D3DXVECTOR3 CellCentre(int column, int row)
{
    return D3DXVECTOR3(CObjectGrid::ORIGIN_X + (column + 0.5f) * CObjectGrid::CELL_SIZE_X, 0.0f,
                       CObjectGrid::ORIGIN_Z + (row + 0.5f) * CObjectGrid::CELL_SIZE_Z);
}

// A level object standing at `position`, placed as the level places it.
CLevelObject* NewObjectAt(const D3DXVECTOR3& position)
{
    auto* object = new CLevelObject();
    D3DXMatrixTranslation(&object->m_matStart, position.x, position.y, position.z);
    object->m_matWorld = object->m_matStart;
    return object;
}

class PhysicsObjectGrid : public ::testing::Test {
protected:
    PhysicsObjectGrid() : m_Cwd(m_Dir.Path())
    {
        g_Log.Open("log.txt");
        EXPECT_TRUE(g_Physics.Init());
    }
    ~PhysicsObjectGrid() override
    {
        m_Grid.Clear();
        g_Physics.Shutdown();
        g_Log.Shutdown();
    }

    size_t EntriesOf(const CLevelObject* object, int cell) const
    {
        size_t count = 0;
        for (const CLevelObject* entry : m_Grid.GetCell(cell).m_Entries)
            count += entry == object ? 1 : 0;
        return count;
    }
    std::string LogLines() const
    {
        const std::string log = m_Dir.Read("log.txt");
        return log.substr(log.find('\n', log.find("Logging started")) + 1);
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
    CObjectGrid m_Grid;
    CObjectGridKind::ActiveList m_Active;
};

TEST_F(PhysicsObjectGrid, AnObjectWithTwoMoreSpawnPointsStandsInThreeCellsAndEntersTheWorldOnce)
{
    // Turned a quarter about y: the spawn points turn with it.
    CLevelObject* object = NewObjectAt(CellCentre(5, 5));
    D3DXMATRIX turn;
    D3DXMatrixRotationY(&turn, D3DX_PI / 2.0f);
    D3DXMatrixMultiply(&object->m_matWorld, &turn, &object->m_matWorld);
    // Rotated by the quarter turn, (-z, y, x) lands at (x, y, z).
    const D3DXVECTOR3 far = CellCentre(9, 5);
    const D3DXVECTOR3 near = CellCentre(5, 6);
    object->m_OtherSpawnPoints.push_back(D3DXVECTOR3(-far.z, 0.0f, far.x));
    object->m_OtherSpawnPoints.push_back(D3DXVECTOR3(-near.z, 0.0f, near.x));
    m_Grid.AddObject(object);

    EXPECT_EQ(3, object->m_iGridReferences);
    EXPECT_EQ(1u, EntriesOf(object, CObjectGrid::CellIndex(5, 5)));
    EXPECT_EQ(1u, EntriesOf(object, CObjectGrid::CellIndex(9, 5)));
    EXPECT_EQ(1u, EntriesOf(object, CObjectGrid::CellIndex(5, 6)));

    // The viewer near the far point activates it first; then the others.
    m_Grid.Update(CellCentre(9, 5), m_Active);
    ASSERT_EQ(1u, m_Active.size());
    EXPECT_EQ(object, m_Active.front());
    EXPECT_EQ(1, object->m_u8InWorld);
    ASSERT_NE(nullptr, object->m_PhysicsObject.m_pActor);
    m_Grid.Update(CellCentre(5, 5), m_Active);
    EXPECT_EQ(1u, m_Active.size());
    EXPECT_EQ(1u, g_Physics.GetScene()->getNbActors()) << "one body";

    // Removed and released, it comes back when a cell of it is newly active.
    object->m_u8Removed = 1;
    object->Shutdown();
    object->m_u8InWorld = 0;
    m_Active.clear();
    m_Grid.Update(CellCentre(5, 5), m_Active);
    EXPECT_TRUE(m_Active.empty()) << "its cells stayed active";
    m_Grid.Update(CellCentre(15, 15), m_Active);
    m_Grid.Update(CellCentre(5, 5), m_Active);
    ASSERT_EQ(1u, m_Active.size());
    EXPECT_EQ(0, object->m_u8Removed);
    EXPECT_EQ(1u, g_Physics.GetScene()->getNbActors());

    // Deleted once, with its last entry (AddressSanitizer would see a second).
    m_Grid.Clear();
    EXPECT_EQ(0u, g_Physics.GetScene()->getNbActors()) << "shut down";
    for (int cell = 0; cell <= CObjectGrid::CELL_COUNT; ++cell)
        EXPECT_TRUE(m_Grid.GetCell(cell).m_Entries.empty());
}

// A mission's object is the grid's too: cleared with the rest, or dropped
// when the level unlinks it.
TEST_F(PhysicsObjectGrid, OutsideTheGridObjectsAndThoseAMissionAddsAreCountedAndCleared)
{
    CLevelObject* outside = NewObjectAt(D3DXVECTOR3(1400.0f, 0.0f, 0.0f));
    m_Grid.AddObject(outside);
    EXPECT_EQ(WARNING + std::string("\n"), LogLines().substr(LogLines().find(']') + 2));
    EXPECT_EQ(1, outside->m_iGridReferences);
    CLevelObject* nowhere = NewObjectAt(CellCentre(0, 15));
    nowhere->m_OtherSpawnPoints.push_back(D3DXVECTOR3(std::nanf(""), 0.0f, 1e30f));
    m_Grid.AddObject(nowhere);
    EXPECT_EQ(2, nowhere->m_iGridReferences);
    EXPECT_EQ(1u, EntriesOf(nowhere, CObjectGrid::OVERFLOW_CELL)) << "a point that is no number";

    CLevelObject* placed = NewObjectAt(D3DXVECTOR3(0, 0, 0));
    m_Grid.AddMissionObject(placed);
    EXPECT_EQ(1, placed->m_iGridReferences);
    CLevelObject* dropped = NewObjectAt(D3DXVECTOR3(0, 0, 0));
    m_Grid.AddMissionObject(dropped);
    ASSERT_EQ(4u, m_Grid.GetOverflowCell().m_Entries.size());

    m_Grid.Update(D3DXVECTOR3(0, 0, 0), m_Active);
    EXPECT_TRUE(m_Active.empty()) << "the overflow cell is never activated";
    m_Grid.DropMissionObject(outside);
    m_Grid.DropMissionObject(dropped);
    EXPECT_EQ(3u, m_Grid.GetOverflowCell().m_Entries.size()) << "only the mission's entry went";
    EXPECT_EQ(1u, EntriesOf(outside, CObjectGrid::OVERFLOW_CELL));
    m_Grid.Clear();
    EXPECT_TRUE(m_Grid.GetOverflowCell().m_Entries.empty()) << "the mission's object deleted with the rest";
}

} // namespace
