// The sector-grid frame with an entry kind of its own: what enters the world
// and what is disposed of is recorded.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/Log.h"
#include "Level/SectorGrid.h"
#include "support/TempDir.h"

namespace {

struct TestEntry {
    bool m_bInWorld = false;
    int m_Disposed = 0;
};

struct TestKind {
    typedef TestEntry Entry;
    typedef std::vector<TestEntry*> ActiveList;
    static const char* const INVALID_SPACE_WARNING;
    static const char* const UPDATE_STEP;
    static void EnterWorld(TestEntry* entry, ActiveList& active)
    {
        if (entry->m_bInWorld)
            return;
        entry->m_bInWorld = true;
        active.push_back(entry);
    }
    static void Dispose(TestEntry* entry) { ++entry->m_Disposed; }
};
const char* const TestKind::UPDATE_STEP = "TestGrid::Update";
const char* const TestKind::INVALID_SPACE_WARNING = "Test entry in invalid space warning";

typedef CSectorGrid<TestKind> TestGrid;

// The middle of a cell.
D3DXVECTOR3 CellCentre(int column, int row)
{
    return D3DXVECTOR3(TestGrid::ORIGIN_X + (column + 0.5f) * TestGrid::CELL_SIZE_X, 0.0f,
                       TestGrid::ORIGIN_Z + (row + 0.5f) * TestGrid::CELL_SIZE_Z);
}

class SectorGridTest : public ::testing::Test {
protected:
    SectorGridTest() : m_Cwd(m_Dir.Path()) { g_Log.Open("log.txt"); }
    ~SectorGridTest() override { g_Log.Shutdown(); }

    std::string Log() const { return m_Dir.Read("log.txt"); }

    // One entry in every cell, so an update's newly active cells show in the list.
    void FillEveryCell()
    {
        // Room for one more, which must not move these.
        m_Entries.reserve(TestGrid::CELL_COUNT + 1);
        m_Entries.resize(TestGrid::CELL_COUNT);
        for (int row = 0; row < TestGrid::HEIGHT; ++row)
            for (int column = 0; column < TestGrid::WIDTH; ++column)
                m_Grid.InsertAt(CellCentre(column, row), &m_Entries[TestGrid::CellIndex(column, row)]);
    }

    // Columns and rows of the entries that entered, as "c,r" in grid order.
    std::vector<std::string> Entered(const std::vector<TestEntry*>& active) const
    {
        std::vector<std::string> cells;
        for (const TestEntry* entry : active) {
            const int index = static_cast<int>(entry - m_Entries.data());
            cells.push_back(std::to_string(index % TestGrid::WIDTH) + "," + std::to_string(index / TestGrid::WIDTH));
        }
        return cells;
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
    // Before the grid: the grid's destructor disposes of them.
    std::vector<TestEntry> m_Entries;
    TestGrid m_Grid;
};

TEST_F(SectorGridTest, InsertionFindsTheCellOrTheOverflowWithAWarning)
{
    m_Entries.resize(5);
    TestEntry& west = m_Entries[0];
    TestEntry& east = m_Entries[1];
    TestEntry& far = m_Entries[2];
    TestEntry& nan = m_Entries[3];
    TestEntry& mission = m_Entries[4];
    m_Grid.InsertAt(D3DXVECTOR3(-1450.0f, 0.0f, 0.0f), &west);
    EXPECT_EQ(std::string::npos, Log().find(TestKind::INVALID_SPACE_WARNING))
        << "a quotient of -0.29 still lies in column 0";
    int column = -1;
    int row = -1;
    ASSERT_TRUE(TestGrid::CellOf(D3DXVECTOR3(-1450.0f, 0.0f, 0.0f), column, row));
    EXPECT_EQ(0, column);
    EXPECT_EQ(8, row);
    EXPECT_EQ(1u, m_Grid.GetCell(TestGrid::CellIndex(0, 8)).m_Entries.size());

    m_Grid.InsertAt(D3DXVECTOR3(1400.0f, 0.0f, 0.0f), &east);
    m_Grid.InsertAt(D3DXVECTOR3(1.0e30f, 0.0f, -1.0e30f), &far);
    m_Grid.InsertAt(D3DXVECTOR3(NAN, 0.0f, 0.0f), &nan);
    const std::vector<TestEntry*> expected = {&east, &far, &nan};
    EXPECT_EQ(expected, m_Grid.GetOverflowCell().m_Entries);
    const std::string log = Log();
    size_t warnings = 0;
    for (size_t at = log.find(TestKind::INVALID_SPACE_WARNING); at != std::string::npos;
         at = log.find(TestKind::INVALID_SPACE_WARNING, at + 1))
        ++warnings;
    EXPECT_EQ(3u, warnings);

    m_Grid.AddToOverflow(&mission);
    EXPECT_EQ(4u, m_Grid.GetOverflowCell().m_Entries.size());
    EXPECT_EQ(3u, warnings) << "no warning for what is put there on purpose";
}

TEST_F(SectorGridTest, TheViewerActivatesTwoCellsBelowAndOneAboveClippedToTheGrid)
{
    FillEveryCell();
    struct Case {
        int column, row;
        int low, high; // the block's columns and rows, inclusive
    };
    const Case cases[] = {{0, 0, 0, 1}, {15, 15, 13, 15}, {5, 5, 3, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.column) + "," + std::to_string(c.row));
        std::vector<TestEntry> entries(TestGrid::CELL_COUNT);
        TestGrid grid;
        for (int index = 0; index < TestGrid::CELL_COUNT; ++index) {
            const D3DXVECTOR3 at = CellCentre(index % TestGrid::WIDTH, index / TestGrid::WIDTH);
            grid.InsertAt(at, &entries[index]);
        }
        std::vector<TestEntry*> active;
        grid.Update(CellCentre(c.column, c.row), active);
        const int side = c.high - c.low + 1;
        EXPECT_EQ(static_cast<size_t>(side * side), active.size());
        for (TestEntry* entry : active) {
            const int index = static_cast<int>(entry - entries.data());
            EXPECT_GE(index % TestGrid::WIDTH, c.low);
            EXPECT_LE(index % TestGrid::WIDTH, c.high);
            EXPECT_GE(index / TestGrid::WIDTH, c.low);
            EXPECT_LE(index / TestGrid::WIDTH, c.high);
        }
    }

    std::vector<TestEntry*> active;
    for (const D3DXVECTOR3& viewer : {D3DXVECTOR3(5000.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, -1.0e30f),
                                      D3DXVECTOR3(NAN, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, INFINITY)})
        m_Grid.Update(viewer, active);
    EXPECT_TRUE(active.empty()) << "a far or undefined viewer activates nothing";
}

TEST_F(SectorGridTest, ACellHandsOverOnItsFirstActiveUpdateOnlyAndAgainAfterAnInactiveOne)
{
    FillEveryCell();
    TestEntry& corner = m_Entries[TestGrid::CellIndex(0, 0)];
    const D3DXVECTOR3 home = CellCentre(0, 0);
    const D3DXVECTOR3 away = CellCentre(10, 10);
    std::vector<TestEntry*> active;
    m_Grid.Update(home, active);
    EXPECT_EQ((std::vector<std::string>{"0,0", "0,1", "1,0", "1,1"}), Entered(active));

    // The entry leaves the world on its own; its cell stays active.
    corner.m_bInWorld = false;
    active.clear();
    m_Grid.Update(home, active);
    EXPECT_TRUE(active.empty()) << "an active cell hands nothing over again";

    m_Grid.Update(away, active);
    EXPECT_TRUE(m_Grid.GetCell(TestGrid::CellIndex(0, 0)).m_WasActive == 0);
    active.clear();
    m_Grid.Update(home, active);
    EXPECT_EQ((std::vector<TestEntry*>{&corner}), active) << "back after one inactive update";
}

// A late entry of a cell the viewer keeps active would wait for an
// activation that does not come: it enters at once. One of an inactive cell,
// or of the overflow cell, waits.
TEST_F(SectorGridTest, ALateEntryEntersAtOnceOnlyWhenItsCellWasActive)
{
    std::vector<TestEntry> late(3);
    std::vector<TestEntry*> active;
    m_Grid.Update(CellCentre(3, 3), active);
    m_Grid.InsertAt(CellCentre(3, 3), &late[0]);
    m_Grid.InsertAt(CellCentre(10, 10), &late[1]);
    m_Grid.AddToOverflow(&late[2]);
    for (TestEntry& entry : late)
        m_Grid.EnterIfActive(&entry, active);
    EXPECT_EQ((std::vector<TestEntry*>{&late[0]}), active);

    // An entry the grid does not hold is left alone.
    TestEntry stranger;
    m_Grid.EnterIfActive(&stranger, active);
    EXPECT_FALSE(stranger.m_bInWorld);
    m_Grid.Clear();
}

TEST_F(SectorGridTest, ClearDisposesOfEveryEntryOnceAndEmptiesTheCells)
{
    FillEveryCell();
    m_Entries.emplace_back();
    TestEntry& outside = m_Entries.back();
    m_Grid.AddToOverflow(&outside);
    std::vector<TestEntry*> active;
    m_Grid.Update(CellCentre(3, 3), active);
    m_Grid.Update(CellCentre(3, 3), active);
    m_Grid.Clear();
    for (const TestEntry& entry : m_Entries)
        EXPECT_EQ(1, entry.m_Disposed);
    EXPECT_EQ(1, outside.m_Disposed);
    for (int index = 0; index < TestGrid::CELL_COUNT; ++index) {
        EXPECT_TRUE(m_Grid.GetCell(index).m_Entries.empty());
        EXPECT_EQ(0, m_Grid.GetCell(index).m_WasActive);
    }
    EXPECT_TRUE(m_Grid.GetOverflowCell().m_Entries.empty());
}

} // namespace
