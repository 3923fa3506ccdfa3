// The road and sidewalk graphs read from small scripts in a folder of their
// own, on a device of state only.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Display/DisplayFixture.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "support/FatalTrap.h"

namespace {

const D3DCOLOR GREEN = 0xFF00FF00;
const D3DCOLOR RED = 0xFFFF0000;
const D3DCOLOR BLUE = 0xFF0000FF;
const D3DCOLOR MAGENTA = 0xFFFF00FF;
const D3DCOLOR YELLOW = 0xFFFFFF00;

class NodeListTest : public DisplayFixture {
protected:
    void SetUp() override { CreateDisplay(); }

    void WriteRoads(const std::string& script) { m_Dir.Write("Scripts/Levels/ModernRoadNodes.txt", script); }
    void WriteSidewalks(const std::string& script) { m_Dir.Write("Scripts/Levels/ModernSidewalkNodes.txt", script); }

    // The log after the line that opened it.
    std::string LogLines() const
    {
        const std::string log = Log();
        const size_t opened = log.find('\n', log.find("Logging started"));
        return opened == std::string::npos ? "" : log.substr(opened + 1);
    }

    template <class List>
    static std::vector<size_t> LinkIndices(const List& list, size_t node)
    {
        std::vector<size_t> targets;
        const auto* from = list.GetNode(node);
        for (size_t link = 0; link < from->GetLinkCount(); ++link) {
            for (size_t index = 0; index < list.GetNodeCount(); ++index)
                if (list.GetNode(index) == from->GetLinkTarget(link))
                    targets.push_back(index);
        }
        return targets;
    }
};

TEST_F(NodeListTest, RoadScriptsAsATable)
{
    struct Case {
        const char* name;
        const char* script;
        size_t nodes;
        std::vector<std::vector<size_t>> links;
        const char* logged; // a part of the log, or "" for none
    };
    const Case cases[] = {
        {"records until the end, whatever the count",
         "NumberOfNodes 1\nRoadNode 0 Position 1 2 3 NumberOfConnections 1 ConnectedNodes 1\n"
         "RoadNode 1 Position 4 5 6 Speed 20\nRoadNode 2\n",
         3, {{1}, {}, {}}, ""},
        {"a count of 0 loads nothing", "NumberOfNodes 0\nRoadNode 0 Position 1 2 3\n", 0, {}, ""},
        {"no count loads nothing", "RoadNode 0 Position 1 2 3\n", 0, {}, ""},
        {"an index outside the list is dropped",
         "NumberOfNodes 2\nRoadNode 0 NumberOfConnections 3 ConnectedNodes 1 7 -1\nRoadNode 1\n", 2, {{1}, {}},
         "Connection out of range in Scripts\\Levels\\ModernRoadNodes.txt: node 0 links to 7, link dropped"},
        {"a short list stops at the next keyword",
         "NumberOfNodes 2\nRoadNode 0 NumberOfConnections 3 ConnectedNodes 1\nRoadNode 1 Speed 10\n", 2, {{1}, {}},
         "Short index list in Scripts\\Levels\\ModernRoadNodes.txt, node 0: 1 of 3"},
        {"the list may be left out for 0", "NumberOfNodes 1\nRoadNode 0 NumberOfConnections 0\nRoadNode 1\n", 2,
         {{}, {}}, ""},
        {"a label may be left out", "NumberOfNodes 1\nRoadNode Position 1 1 1\nRoadNode\n", 2, {{}, {}}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t logBefore = LogLines().size();
        WriteRoads(c.script);
        CRoadNodeList roads;
        roads.Load();
        roads.LinkNodes();
        ASSERT_EQ(c.nodes, roads.GetNodeCount());
        for (size_t node = 0; node < c.nodes; ++node)
            EXPECT_EQ(c.links[node], LinkIndices(roads, node)) << "node " << node;
        const std::string logged = LogLines().substr(logBefore);
        if (*c.logged == '\0')
            EXPECT_EQ("", logged);
        else
            EXPECT_NE(std::string::npos, logged.find(c.logged)) << logged;
    }
}

TEST_F(NodeListTest, ANodeKeepsItsPositionSpeedAndLightState)
{
    WriteRoads("; comment\nNumberOfNodes 1\nRoadNode 0 Position 1 2 3\nRoadNode 1 Speed 20 Position 4 5 6\n");
    CRoadNodeList roads;
    roads.Load();
    const cRoadnode* plain = roads.GetNode(0);
    cRoadnode* slow = roads.GetNode(1);
    EXPECT_FLOAT_EQ(30.0f, plain->GetSpeed()) << "the default";
    EXPECT_FLOAT_EQ(20.0f, slow->GetSpeed());
    EXPECT_FLOAT_EQ(6.0f, slow->GetPosition()->z);
    EXPECT_EQ(cRoadnode::LIGHT_GO, slow->GetLightState());
    slow->SetLightState(cRoadnode::LIGHT_STOP);
    EXPECT_EQ(cRoadnode::LIGHT_STOP, slow->GetLightState());
    EXPECT_EQ(nullptr, roads.GetNode(2));
    EXPECT_TRUE(slow->GetName().empty());
}

TEST_F(NodeListTest, BrokenScriptsAreFatal)
{
    WriteRoads("NumberOfNodes 1\nRoadNode 0 Position 1 2 3 Sped 20\n");
    CRoadNodeList roads;
    EXPECT_FATAL(roads.Load(), "Unknown keyword in Scripts\\Levels\\ModernRoadNodes.txt: Sped");
    WriteSidewalks("NumberOfNodes 1\nRoadNode 0\n");
    CSidewalkNodeList sidewalks;
    EXPECT_FATAL(sidewalks.Load(), "Unknown keyword in Scripts\\Levels\\ModernSidewalkNodes.txt: RoadNode");
    WriteSidewalks("NumberOfNodes 1\nSidewalkNode 0 Speed 20\n");
    EXPECT_FATAL(sidewalks.Load(), "Unknown keyword in Scripts\\Levels\\ModernSidewalkNodes.txt: Speed");
    CRoadNodeList missing;
    std::remove((m_Dir.Path() + "/Scripts/Levels/ModernRoadNodes.txt").c_str());
    EXPECT_FATAL(missing.Init(), "Unable to initialize data buffer\nin Scripts\\Levels\\ModernRoadNodes.txt");
}

TEST_F(NodeListTest, DebugLinesShowOneWayAndTwoWayLinks)
{
    // 0 -> 1 one way; 1 <-> 2 both ways.
    const char* const graph = "NumberOfNodes 3\n"
                              "%s 0 Position 0 0 0 NumberOfConnections 1 ConnectedNodes 1\n"
                              "%s 1 Position 1 0 0 NumberOfConnections 1 ConnectedNodes 2\n"
                              "%s 2 Position 2 0 0 NumberOfConnections 1 ConnectedNodes 1\n";
    const auto script = [&](const char* keyword) {
        char text[512];
        std::snprintf(text, sizeof(text), graph, keyword, keyword, keyword);
        return std::string(text);
    };
    struct Line {
        float fromX;
        D3DCOLOR from;
        float toX;
        D3DCOLOR to;
    };
    const auto expectLines = [](const VERTEX_XYZ_DIFFUSE* verts, UINT count, const std::vector<Line>& expected) {
        ASSERT_EQ(expected.size(), count);
        for (UINT line = 0; line < count; ++line) {
            SCOPED_TRACE(line);
            EXPECT_FLOAT_EQ(expected[line].fromX, verts[line * 2].x);
            EXPECT_EQ(expected[line].from, verts[line * 2].colour);
            EXPECT_FLOAT_EQ(expected[line].toX, verts[line * 2 + 1].x);
            EXPECT_EQ(expected[line].to, verts[line * 2 + 1].colour);
        }
    };

    WriteRoads(script("RoadNode"));
    CRoadNodeList roads;
    roads.Init();
    expectLines(roads.GetLineVerts(), roads.GetNumLines(),
                {{0, GREEN, 1, RED}, {1, BLUE, 2, BLUE}, {2, BLUE, 1, BLUE}});
    WriteSidewalks(script("SidewalkNode"));
    CSidewalkNodeList sidewalks;
    sidewalks.Init();
    expectLines(sidewalks.GetLineVerts(), sidewalks.GetNumLines(),
                {{0, MAGENTA, 1, MAGENTA}, {1, YELLOW, 2, YELLOW}, {2, YELLOW, 1, YELLOW}});

    // Drawn with a format too wide for the 16-byte vertices, the draw fails
    // and says so with its own place and call.
    ASSERT_EQ(D3D_OK, g_Display.GetD3DDevice()->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1));
    roads.DrawDebug();
    sidewalks.DrawDebug();
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Error in Node.cpp #525 - g_Display.GetD3DDevice()->DrawPrimitiveUP("
                                          "D3DPT_LINELIST, mNumLines, (LPVOID)mLineVerts, "
                                          "sizeof(VERTEX_XYZ_DIFFUSE)) hr="))
        << log;
    EXPECT_NE(std::string::npos, log.find("Error in Sidewalk.cpp #518 - ")) << log;
}

} // namespace
