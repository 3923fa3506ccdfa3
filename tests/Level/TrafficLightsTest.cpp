// The traffic lights over a small road graph, stepped with a fixed frame time.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/Log.h"
#include "Display/ComplexObject.h"
#include "Level/FixedFrameTime.h"
#include "Level/Node.h"
#include "Level/TrafficLights.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

const uint32_t HALF_SECOND_MS = 500;

// A lamp: one part per colour group, green, amber and red.
CComplexObject MakeLamp()
{
    CComplexObject lamp;
    for (int group = 1; group <= 3; ++group) {
        CDisplayObject3D part;
        part.SetColourGroup(group);
        lamp.GetOpaqueParts().push_back(part);
    }
    return lamp;
}

class TrafficLightsTest : public ::testing::Test {
protected:
    TrafficLightsTest() : m_Cwd(m_Dir.Path()) { g_Log.Open("log.txt"); }
    ~TrafficLightsTest() override { g_Log.Shutdown(); }

    // Four road nodes, then the light script.
    void Load(const std::string& lights)
    {
        m_Dir.Write("Scripts/Levels/ModernRoadNodes.txt", "NumberOfNodes 4\nRoadNode 0\nRoadNode 1\nRoadNode 2\nRoadNode 3\n");
        m_Roads.Load();
        m_Dir.Write("Scripts/Levels/ModernTrafficLights.txt", lights);
        m_Lights.Init(m_Roads);
    }

    int State(size_t node) const { return m_Roads.GetNode(node)->GetLightState(); }

    // What the lamp shows, as "G", "A", "R" for the lit colour groups ("-" for off).
    std::string Shows(const CComplexObject& lamp) const
    {
        std::string shown;
        const char* const names[] = {"G", "A", "R"};
        for (int slot = 0; slot < 3; ++slot) {
            const CDisplayObject3D& part = lamp.GetOpaqueParts()[slot];
            const D3DMATERIAL8& off = m_Lights.GetMaterial(CTrafficLights::LAMP_OFF);
            const bool lit = part.UsesOverrideMaterial() &&
                             (part.GetOverrideMaterial().Emissive.r != off.Emissive.r ||
                              part.GetOverrideMaterial().Emissive.g != off.Emissive.g);
            shown += lit ? names[slot] : "-";
        }
        return shown;
    }

    std::string LogLines() const
    {
        const std::string log = m_Dir.Read("log.txt");
        return log.substr(log.find('\n', log.find("Logging started")) + 1);
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
    CRoadNodeList m_Roads;
    CTrafficLights m_Lights;
};

const char* const TWO_GROUPS = "NumberOfLights 1\nPosition 5 0 5\nNumberOfLightGroups 2\n"
                               "Group 0 NumNodesInGroup 2 ConnectedNodes 0 1 TimeForLightChange 10\n"
                               "Group 1 NumNodesInGroup 1 ConnectedNodes 2 TimeForLightChange 10\n";

TEST_F(TrafficLightsTest, GroupsTakeTurnsGreenThenAmberForTheLastTwoSeconds)
{
    Load(TWO_GROUPS);
    ASSERT_EQ(1u, m_Lights.GetLightCount());
    EXPECT_FLOAT_EQ(5.0f, m_Lights.GetLight(0).m_vPosition.x);
    EXPECT_EQ(2, m_Lights.GetLight(0).m_GroupCount);
    EXPECT_EQ(cRoadnode::LIGHT_GO, State(0));
    EXPECT_EQ(cRoadnode::LIGHT_STOP, State(2));
    EXPECT_EQ(cRoadnode::LIGHT_GO, State(3)) << "no group holds it";

    const FixedFrameTime halfSecond(HALF_SECOND_MS);
    // Half-second steps: step k ends at k / 2 seconds.
    for (int step = 1; step <= 40; ++step) {
        m_Lights.Update();
        SCOPED_TRACE(step);
        const int first = step <= 16 ? cRoadnode::LIGHT_GO : step < 20 ? cRoadnode::LIGHT_AMBER
                          : step < 40 ? cRoadnode::LIGHT_STOP : cRoadnode::LIGHT_GO;
        const int second = step < 20 ? cRoadnode::LIGHT_STOP : step <= 36 ? cRoadnode::LIGHT_GO
                           : step < 40 ? cRoadnode::LIGHT_AMBER : cRoadnode::LIGHT_STOP;
        ASSERT_EQ(first, State(0));
        ASSERT_EQ(first, State(1));
        ASSERT_EQ(second, State(2));
    }
}

TEST_F(TrafficLightsTest, LampsShowTheirGroupFromTheMomentTheyAreAdded)
{
    Load(TWO_GROUPS);
    const FixedFrameTime halfSecond(HALF_SECOND_MS);
    for (int step = 0; step < 17; ++step)
        m_Lights.Update();
    ASSERT_EQ(cRoadnode::LIGHT_AMBER, State(0));

    CComplexObject current = MakeLamp();
    CComplexObject other = MakeLamp();
    m_Lights.AddLamp(&current, 0, 0);
    m_Lights.AddLamp(&other, 0, 1);
    EXPECT_EQ("G--", Shows(current)) << "green until the next update turns it amber";
    EXPECT_EQ("--R", Shows(other));
    m_Lights.Update();
    EXPECT_EQ("-A-", Shows(current));
    for (int step = 0; step < 2; ++step)
        m_Lights.Update();
    EXPECT_EQ("--R", Shows(current));
    EXPECT_EQ("G--", Shows(other));

    CComplexObject stray = MakeLamp();
    for (const auto& indices : {std::make_pair(1, 0), std::make_pair(-1, 0), std::make_pair(0, 2),
                                std::make_pair(0, -1)})
        m_Lights.AddLamp(&stray, indices.first, indices.second);
    m_Lights.AddLamp(nullptr, 0, 0);
    EXPECT_EQ("---", Shows(stray)) << "out-of-range lamps are ignored";
    EXPECT_EQ(1u, m_Lights.GetLight(0).m_Groups[0].m_Lamps.size());

    m_Lights.ForgetLamps();
    EXPECT_TRUE(m_Lights.GetLight(0).m_Groups[0].m_Lamps.empty());
    EXPECT_TRUE(m_Lights.GetLight(0).m_Groups[1].m_Lamps.empty());
}

TEST_F(TrafficLightsTest, TheMaterialsLightTheirOwnColour)
{
    Load("NumberOfLights 0\n");
    const D3DMATERIAL8& amber = m_Lights.GetMaterial(CTrafficLights::LAMP_AMBER);
    EXPECT_FLOAT_EQ(1.0f, amber.Diffuse.g);
    EXPECT_FLOAT_EQ(0.0f, amber.Emissive.b);
    EXPECT_FLOAT_EQ(0.1f, amber.Ambient.r);
    EXPECT_FLOAT_EQ(1.0f, amber.Specular.a);
    EXPECT_FLOAT_EQ(3.0f, amber.Power);
    EXPECT_EQ(0u, m_Lights.GetLightCount());
}

TEST_F(TrafficLightsTest, ScriptsAsATable)
{
    struct Case {
        const char* name;
        const char* script;
        size_t lights;
        std::vector<size_t> groupNodes; // nodes per group of the first light
        float firstDuration;
        const char* logged;
    };
    const Case cases[] = {
        {"an index past the road list is left out",
         "NumberOfLights 1 NumberOfLightGroups 1 NumNodesInGroup 3 ConnectedNodes 0 9 1 TimeForLightChange 4", 1,
         {2}, 4.0f, "Road node out of range in Scripts\\Levels\\ModernTrafficLights.txt, light 0 group 0: 9"},
        {"a group without a time lasts 10 s",
         "NumberOfLights 1 NumberOfLightGroups 2 NumNodesInGroup 1 ConnectedNodes 0 NumNodesInGroup 1 "
         "ConnectedNodes 1 TimeForLightChange 3",
         1, {1, 1}, 10.0f, ""},
        {"the group count is what was read; the light count what the file holds",
         "NumberOfLights 5 NumberOfLightGroups 3 Group 0 NumNodesInGroup 1 ConnectedNodes 3", 1, {1}, 10.0f, ""},
        {"a short node list stops at the next keyword",
         "NumberOfLights 1 NumberOfLightGroups 1 NumNodesInGroup 3 ConnectedNodes 2 TimeForLightChange 5", 1, {1},
         5.0f, "Short index list in Scripts\\Levels\\ModernTrafficLights.txt, light 0 group 0: 1 of 3"},
        {"no count loads nothing", "", 0, {}, 0.0f, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t logBefore = LogLines().size();
        Load(c.script);
        ASSERT_EQ(c.lights, m_Lights.GetLightCount());
        if (c.lights == 0)
            continue;
        const CTrafficLights::Light& light = m_Lights.GetLight(0);
        ASSERT_EQ(c.groupNodes.size(), light.m_Groups.size());
        EXPECT_EQ(static_cast<int>(c.groupNodes.size()), light.m_GroupCount);
        for (size_t group = 0; group < c.groupNodes.size(); ++group)
            EXPECT_EQ(c.groupNodes[group], light.m_Groups[group].m_Nodes.size());
        EXPECT_FLOAT_EQ(c.firstDuration, light.m_fCountdown);
        const std::string logged = LogLines().substr(logBefore);
        if (*c.logged == '\0')
            EXPECT_EQ("", logged);
        else
            EXPECT_NE(std::string::npos, logged.find(c.logged)) << logged;
    }
}

TEST_F(TrafficLightsTest, BrokenScriptsAreFatal)
{
    EXPECT_FATAL(Load("NumberOfLights 2 NumberOfLightGroups 0 NumberOfLightGroups 1"),
                 "Traffic light 0 has no light groups\nin Scripts\\Levels\\ModernTrafficLights.txt");
    EXPECT_FATAL(Load("NumberOfLights 1 NumberOfLightGroups 1 NumNodesInGroup 1 ConnectedNodes 0 Colour 3"),
                 "Unknown keyword in Scripts\\Levels\\ModernTrafficLights.txt: Colour");
    EXPECT_FATAL(Load("NumberOfLights 1 Group 0 NumNodesInGroup 1"),
                 "Unknown keyword in Scripts\\Levels\\ModernTrafficLights.txt: Group");
    std::remove((m_Dir.Path() + "/Scripts/Levels/ModernTrafficLights.txt").c_str());
    EXPECT_FATAL(m_Lights.Init(m_Roads),
                 "Unable to initialize data buffer for Traffic Lights\nin Scripts\\Levels\\ModernTrafficLights.txt");
}

} // namespace
