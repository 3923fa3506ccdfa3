// The pool's sector grid and its spawn nodes: the sector of a point, the
// spawn-node file's reader, the sidewalk spawn nodes, the random draws of
// the first timers and the teardown, on the AI test world's graphs.

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIPool.h"
#include "AI/AIWorld.h"
#include "Core/Clock.h"
#include "support/MatrixExpect.h"
#include "support/RandomDraws.h"

namespace {

const char* const SPAWN_FILE = "Scripts\\Levels\\Spawn.txt";
const char* const PAIR_TO_1 = "Target 1 Orientation 0 0 -1 0 0 1 0 0 1 0 0 0 10 0 10 1\n";
const char* const PAIR_TO_2 = "Target 2 Orientation 1 0 0 0 0 1 0 0 0 0 1 0 60 0 10 1\n";
const char* const PAIR_TO_9 = "Target 9 Orientation 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n";

// The centre of the sector in `column` and `row`.
D3DXVECTOR3 CellCentre(int column, int row)
{
    const float half = CAIPool::CELL_SIZE / 2;
    return D3DXVECTOR3(CAIPool::ORIGIN + column * CAIPool::CELL_SIZE + half, 0.0f,
                       CAIPool::ORIGIN + row * CAIPool::CELL_SIZE + half);
}

// The nodes of one kind over all sectors.
template <class Node>
size_t CountSpawnNodes(const CAIPool& pool, std::vector<std::unique_ptr<Node>> CAIPoolSector::*nodes)
{
    size_t count = 0;
    for (uint32_t k = 0; k < pool.GetSectorCount(); ++k)
        count += (pool.GetSector(k).*nodes).size();
    return count;
}

size_t CountRoadSpawnNodes(const CAIPool& pool)
{
    return CountSpawnNodes(pool, &CAIPoolSector::m_RoadSpawnNodes);
}

size_t CountSidewalkSpawnNodes(const CAIPool& pool)
{
    return CountSpawnNodes(pool, &CAIPoolSector::m_SidewalkSpawnNodes);
}

class SpawnNodesTest : public AIWorld {
protected:
    // A spawn-node file of `blocks` sector blocks; `under` adds text after
    // the header of the blocks it names, `keyword` is the blocks' keyword.
    void WriteSpawnFile(const std::map<int, std::string>& under, int blocks = CAIPool::FILE_SECTOR_COUNT,
                        const char* keyword = "Sector")
    {
        std::string text = "; a test's spawn nodes\n";
        for (int k = 0; k < blocks; ++k) {
            text += std::string(keyword) + " " + std::to_string(k) + "\n";
            const auto extra = under.find(k);
            if (extra != under.end())
                text += extra->second;
        }
        m_Dir.Write("Scripts/Levels/Spawn.txt", text);
    }

    // The sidewalk graph: 0 -> 1 toward +x, raised 3 above the ground;
    // 1 -> 2 toward -z; 2 without links; 3 beyond the grid's high x edge.
    void WriteSidewalks()
    {
        m_Dir.Write("Scripts/Levels/ModernSidewalkNodes.txt",
                    "NumberOfNodes 4\n"
                    "SidewalkNode 0 Position 10 3 20 NumberOfConnections 1 ConnectedNodes 1\n"
                    "SidewalkNode 1 Position 40 0 20 NumberOfConnections 1 ConnectedNodes 2\n"
                    "SidewalkNode 2 Position 40 0 -10 NumberOfConnections 0\n"
                    "SidewalkNode 3 Position 1500 0 0 NumberOfConnections 1 ConnectedNodes 0\n");
        g_SidewalkNodes.Load();
        g_SidewalkNodes.LinkNodes();
    }
};

TEST_F(SpawnNodesTest, SectorOfTruncatesTowardZeroAndRejectsFarPoints)
{
    CAIPool pool;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float z0 = CellCentre(0, 0).z;
    const struct {
        const char* note;
        D3DXVECTOR3 point;
        int32_t sector;
    } cases[] = {
        {"less than a cell before the low x edge", {-1450.0f, 0.0f, z0}, 0},
        {"less than a cell before the low z edge", {CellCentre(3, 0).x, 0.0f, -1480.0f}, 3},
        {"a whole cell before the low z edge", {CellCentre(3, 0).x, 0.0f, -1487.5f}, -1},
        {"the high x edge", {1400.0f, 0.0f, z0}, -1},
        {"just inside the high x edge", {1399.9f, 0.0f, z0}, 31},
        {"x not a number", {nan, 0.0f, z0}, -1},
        {"z not a number", {0.0f, 0.0f, nan}, -1},
        {"far away", {1e30f, 0.0f, z0}, -1},
        {"far away below", {-1e30f, 0.0f, z0}, -1},
        {"row 0, column 17", CellCentre(17, 0), 17},
        {"row 1, column 0", CellCentre(0, 1), 32},
        {"the last sector", CellCentre(31, 31), 1023},
        {"height does not count", {CellCentre(5, 2).x, 1e30f, CellCentre(5, 2).z}, 69},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.sector, pool.SectorOf(c.point)) << c.note;
}

TEST_F(SpawnNodesTest, TheGridHasItsSectorsNumberedAndEmpty)
{
    CAIPool pool;
    ASSERT_EQ(1025u, pool.GetSectorCount());
    for (uint32_t k = 0; k < pool.GetSectorCount(); ++k) {
        EXPECT_EQ(static_cast<int32_t>(k), pool.GetSector(k).m_iId);
        EXPECT_EQ(0, pool.GetSector(k).m_u8PreviousMark + pool.GetSector(k).m_u8CurrentMark);
    }
    EXPECT_EQ(0u, CountRoadSpawnNodes(pool));
    EXPECT_TRUE(pool.GetPyramidMarker().UsesOverrideMaterial());
    EXPECT_EQ(1.0f, pool.GetPyramidMarker().GetOverrideMaterial().Diffuse.b) << "magenta";
    EXPECT_EQ(0.0f, pool.GetSphereMarker().GetOverrideMaterial().Diffuse.b) << "yellow";
    EXPECT_EQ(1.0f, pool.GetSphereMarker().GetOverrideMaterial().Diffuse.g) << "yellow";
}

TEST_F(SpawnNodesTest, TheReaderFilesNodesByBlockAndDropsWhatItCannotUse)
{
    const std::string node7 = "RoadSpawnNode Node 7\nPos 12 1 14\n";
    const std::string stop = "Spawn node file Scripts\\Levels\\Spawn.txt stops at sector block 6: ";
    const struct {
        const char* note;
        std::string block5;
        int blocks;
        const char* keyword;
        bool loaded;
        std::vector<size_t> targets; // of the one node in sector 5, if filed
        float delay;
        std::string logged;          // empty: the load logs nothing
    } cases[] = {
        {"keywords in any case",
         "ROADSPAWNNODE node 7\npos 12 1 14\ntarget 1 orientation 0 0 -1 0 0 1 0 0 1 0 0 0 10 0 10 1\n", 1024,
         "sector", true, {1}, 10.0f, ""},
        {"two pairs", node7 + PAIR_TO_1 + "Delay 4\n" + PAIR_TO_2, 1024, "Sector", true, {1, 2}, 4.0f, ""},
        {"a target beyond the road nodes", node7 + PAIR_TO_9 + PAIR_TO_2, 1024, "Sector", true, {2}, 10.0f,
         "Spawn node target out of range in Scripts\\Levels\\Spawn.txt, sector 5: road spawn node 7 targets road "
         "node 9 of 4, target dropped"},
        {"a target without an orientation", node7 + PAIR_TO_1 + "Target 2\n", 1024, "Sector", true, {1}, 10.0f, ""},
        {"a node without a pair", node7 + "Delay 3\n", 1024, "Sector", true, {}, 0.0f,
         "Spawn node without a target in Scripts\\Levels\\Spawn.txt, sector 5: road spawn node 7 not filed"},
        {"a header without Node", "RoadSpawnNode Nod 7\n" + std::string(PAIR_TO_1), 1024, "Sector", false, {}, 0.0f,
         stop + "<Nod> where Sector was expected"},
        {"a stray token", node7 + PAIR_TO_1 + "Bogus 1\n", 1024, "Sector", false, {1}, 10.0f,
         stop + "<Bogus> where Sector was expected"},
        {"too few blocks", node7 + PAIR_TO_1, 6, "Sector", false, {1}, 10.0f,
         stop + "the end of the file where Sector was expected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        WriteSpawnFile({{5, c.block5}}, c.blocks, c.keyword);
        CAIPool pool;
        const std::string logBefore = Log();
        EXPECT_EQ(c.loaded, pool.LoadSpawnNodes(SPAWN_FILE));
        const std::string logged = Log().substr(logBefore.size());
        if (c.logged.empty())
            EXPECT_EQ("", logged);
        else
            EXPECT_NE(std::string::npos, logged.find(c.logged + "\n")) << logged;

        const size_t filed = c.targets.empty() ? 0 : 1;
        EXPECT_EQ(filed, CountRoadSpawnNodes(pool)) << "sector 5 only";
        const CAIPoolSector& sector = pool.GetSector(5);
        EXPECT_EQ(filed, sector.m_RoadSpawnNodes.size());
        if (filed == 0 || sector.m_RoadSpawnNodes.size() != filed)
            continue;
        const CRoadSpawnNode& node = *sector.m_RoadSpawnNodes[0];
        EXPECT_EQ(7, node.m_iId);
        EXPECT_EQ(D3DXVECTOR3(12.0f, 1.0f, 14.0f), node.m_vPos);
        EXPECT_EQ(&sector, node.m_pSector);
        EXPECT_EQ(c.targets.size(), node.m_Targets.size());
        EXPECT_EQ(c.targets.size(), node.m_Orientations.size());
        for (size_t i = 0; i < c.targets.size() && i < node.m_Targets.size() && i < node.m_Orientations.size(); ++i) {
            EXPECT_EQ(RoadNode(c.targets[i]), node.m_Targets[i]) << i;
            EXPECT_EQ(c.targets[i] == 1 ? 10.0f : 60.0f, node.m_Orientations[i]._41) << "its own orientation " << i;
        }
        EXPECT_EQ(c.delay, node.m_fDelay);
        EXPECT_GE(node.m_fTimer, 0.0f);
        EXPECT_LE(node.m_fTimer, 10.0f);
        EXPECT_EQ(0u, node.m_u32Choice);
        EXPECT_EQ(0, node.m_u8Ready);
        EXPECT_EQ(1, node.m_u8Waiting);
        EXPECT_EQ(1, node.m_u8Available);
    }
}

TEST_F(SpawnNodesTest, BlocksFillSectorsByTheirPlaceNotTheirId)
{
    const std::string node = std::string("RoadSpawnNode Node 1\n") + PAIR_TO_1;
    WriteSpawnFile({{17, node}, {32, node + "RoadSpawnNode Node 2\n" + PAIR_TO_2}});
    std::string text = m_Dir.Read("Scripts/Levels/Spawn.txt");
    text.replace(text.find("Sector 17\n"), 10, "Sector 0x384\n");
    m_Dir.Write("Scripts/Levels/Spawn.txt", text);
    CAIPool pool;
    ASSERT_TRUE(pool.LoadSpawnNodes(SPAWN_FILE));
    EXPECT_EQ(900, pool.GetSector(17).m_iId) << "the file's number, read as hexadecimal";
    EXPECT_EQ(1u, pool.GetSector(17).m_RoadSpawnNodes.size());
    ASSERT_EQ(2u, pool.GetSector(32).m_RoadSpawnNodes.size());
    EXPECT_EQ(2, pool.GetSector(32).m_RoadSpawnNodes[1]->m_iId) << "file order";
    EXPECT_EQ(3u, CountRoadSpawnNodes(pool));
    EXPECT_EQ(1024, pool.GetSector(1024).m_iId) << "the spare sector is never read";
}

TEST_F(SpawnNodesTest, AMissingFileFilesNothingAndSaysNothing)
{
    CAIPool pool;
    const std::string logBefore = Log();
    EXPECT_FALSE(pool.LoadSpawnNodes("Scripts\\Levels\\NoSuchSpawnNodes.txt"));
    EXPECT_EQ(logBefore, Log());
    EXPECT_EQ(0u, CountRoadSpawnNodes(pool));
}

TEST_F(SpawnNodesTest, FirstTimersTakeOneDrawEachInFileAndListOrder)
{
    WriteSidewalks();
    LoadGround();
    const std::string node = "RoadSpawnNode Node 1\n" + std::string(PAIR_TO_1);
    WriteSpawnFile({{3, node + node}, {4, node}});
    const std::vector<int32_t> values = {0, CRandomTable::MAX_VALUE, 16384};

    CAIPool pool;
    g_RandomTable.SetUpcoming(values);
    CRandomTable before = g_RandomTable;
    ASSERT_TRUE(pool.LoadSpawnNodes(SPAWN_FILE));
    EXPECT_EQ(3, DrawsSince(before));
    const CRoadSpawnNode* roads[] = {pool.GetSector(3).m_RoadSpawnNodes[0].get(),
                                     pool.GetSector(3).m_RoadSpawnNodes[1].get(),
                                     pool.GetSector(4).m_RoadSpawnNodes[0].get()};
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_FLOAT_EQ(10.0f * values[i] / CRandomTable::MAX_VALUE, roads[i]->m_fTimer) << i;

    // Four sidewalk nodes, one beyond the grid: four draws all the same.
    const std::vector<int32_t> walks = {CRandomTable::MAX_VALUE, 0, 16384, 100};
    g_RandomTable.SetUpcoming(walks);
    before = g_RandomTable;
    pool.CreateSidewalkSpawnNodes(g_SidewalkNodes);
    EXPECT_EQ(4, DrawsSince(before));
    const CAIPoolSector& home = pool.GetSector(pool.SectorOf(D3DXVECTOR3(10, 0, 20)));
    ASSERT_EQ(2u, home.m_SidewalkSpawnNodes.size());
    EXPECT_FLOAT_EQ(10.0f, home.m_SidewalkSpawnNodes[0]->m_fTimer);
    EXPECT_FLOAT_EQ(8.0f, home.m_SidewalkSpawnNodes[1]->m_fTimer);
    const CAIPoolSector& south = pool.GetSector(pool.SectorOf(D3DXVECTOR3(40, 0, -10)));
    ASSERT_EQ(1u, south.m_SidewalkSpawnNodes.size());
    EXPECT_FLOAT_EQ(8.0f + 2.0f * 16384 / CRandomTable::MAX_VALUE, south.m_SidewalkSpawnNodes[0]->m_fTimer);
}

TEST_F(SpawnNodesTest, SidewalkSpawnNodesStandOnTheGroundFacingTheirFirstLink)
{
    WriteSidewalks();
    LoadGround();
    CAIPool pool;
    const std::string logBefore = Log();
    pool.CreateSidewalkSpawnNodes(g_SidewalkNodes);
    const std::string logged = Log().substr(logBefore.size());
    EXPECT_NE(std::string::npos, logged.find("1 sidewalk nodes outside the population grid get no spawn node\n"))
        << logged;
    EXPECT_EQ(1, std::count(logged.begin(), logged.end(), '\n')) << "one line for the load";
    EXPECT_EQ(3u, CountSidewalkSpawnNodes(pool)) << "the node at x = 1500 is not filed";

    const CAIPoolSector& home = pool.GetSector(pool.SectorOf(D3DXVECTOR3(10, 0, 20)));
    ASSERT_EQ(2u, home.m_SidewalkSpawnNodes.size());
    const CSidewalkSpawnNode& east = *home.m_SidewalkSpawnNodes[0];
    EXPECT_EQ(SidewalkNode(1), east.m_pNextNode);
    EXPECT_EQ(&home, east.m_pSector);
    EXPECT_EQ(0, east.m_u8Used);
    ExpectMatrixNear(D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 10, 0, 20, 1), east.m_matPlacement);
    const CSidewalkSpawnNode& south = *home.m_SidewalkSpawnNodes[1];
    EXPECT_EQ(SidewalkNode(2), south.m_pNextNode);
    ExpectMatrixNear(D3DXMATRIX(-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 40, 0, 20, 1), south.m_matPlacement);

    const CAIPoolSector& end = pool.GetSector(pool.SectorOf(D3DXVECTOR3(40, 0, -10)));
    ASSERT_EQ(1u, end.m_SidewalkSpawnNodes.size());
    EXPECT_EQ(nullptr, end.m_SidewalkSpawnNodes[0]->m_pNextNode);
    ExpectMatrixNear(Translation(40, 0, -10), end.m_SidewalkSpawnNodes[0]->m_matPlacement);

    // Without a level there is no ground: the node keeps its own height.
    g_pLevel = nullptr;
    CAIPool unplaced;
    unplaced.CreateSidewalkSpawnNodes(g_SidewalkNodes);
    const CAIPoolSector& raised = unplaced.GetSector(unplaced.SectorOf(D3DXVECTOR3(10, 0, 20)));
    EXPECT_EQ(3.0f, raised.m_SidewalkSpawnNodes[0]->m_matPlacement._42);
}

TEST_F(SpawnNodesTest, ClearEmptiesEverySectorAndAReloadGivesTheSame)
{
    WriteSidewalks();
    LoadGround();
    const std::string node = "RoadSpawnNode Node 1\n" + std::string(PAIR_TO_1) + PAIR_TO_2;
    WriteSpawnFile({{0, node}, {600, node + node}, {1023, node}});
    CAIPool pool;
    for (int load = 0; load < 2; ++load) {
        SCOPED_TRACE(load);
        pool.CreateSidewalkSpawnNodes(g_SidewalkNodes);
        ASSERT_TRUE(pool.LoadSpawnNodes(SPAWN_FILE));
        EXPECT_EQ(4u, CountRoadSpawnNodes(pool));
        EXPECT_EQ(3u, CountSidewalkSpawnNodes(pool));
        EXPECT_EQ(2u, pool.GetSector(600).m_RoadSpawnNodes.size());
        pool.GetSector(600).m_u8CurrentMark = 1;
        pool.GetSector(601).m_u8PreviousMark = 1;

        pool.Clear();
        for (uint32_t k = 0; k < pool.GetSectorCount(); ++k) {
            const CAIPoolSector& sector = pool.GetSector(k);
            EXPECT_TRUE(sector.m_RoadSpawnNodes.empty() && sector.m_SidewalkSpawnNodes.empty()) << k;
            EXPECT_EQ(0, sector.m_u8PreviousMark + sector.m_u8CurrentMark) << k;
        }
    }
}

} // namespace
