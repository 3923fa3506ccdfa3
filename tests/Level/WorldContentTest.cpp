// The clock, the graphs and the light as the game ships them, read by the
// game's own classes from the built game directory.

#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "Level/GameTimer.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/TrafficLights.h"
#include "support/TempDir.h"

namespace {

// The town's square, and the start area the road leads out to.
const float TOWN_MIN_X = 270.0f, TOWN_MAX_X = 490.0f, TOWN_MIN_Z = 80.0f, TOWN_MAX_Z = 300.0f;
const float START_MIN_X = -90.0f, START_MAX_X = 0.0f, START_MIN_Z = -100.0f, START_MAX_Z = -20.0f;
const float MAX_NODE_SPACING = 30.0f;

class ShippedWorldTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        const std::string logBefore = Log();
        {
            ScopedWorkingDir inGame(KELM_GAME_DIR);
            LoadAssetsFromScript<CGameTimer>("Scripts\\GameTimer.txt");
            m_Roads.Init();
            m_Sidewalks.Init();
            m_Lights.Init(m_Roads);
        }
        m_LoadLog = Log().substr(logBefore.size());
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    template <class List>
    static void ExpectLinkedOnTheGround(const List& list)
    {
        ASSERT_GT(list.GetNodeCount(), 0u);
        for (size_t index = 0; index < list.GetNodeCount(); ++index) {
            const auto* node = list.GetNode(index);
            SCOPED_TRACE(index);
            EXPECT_EQ(0.0f, node->GetPosition()->y);
            EXPECT_GT(node->GetLinkCount(), 0u) << "every node leads on";
            for (size_t link = 0; link < node->GetLinkCount(); ++link) {
                const D3DXVECTOR3 step = *node->GetLinkTarget(link)->GetPosition() - *node->GetPosition();
                EXPECT_LE(D3DXVec3Length(&step), MAX_NODE_SPACING + 0.01f);
            }
        }
    }

    static bool InTown(const D3DXVECTOR3& p)
    {
        return p.x > TOWN_MIN_X && p.x < TOWN_MAX_X && p.z > TOWN_MIN_Z && p.z < TOWN_MAX_Z;
    }
    static bool InStartArea(const D3DXVECTOR3& p)
    {
        return p.x > START_MIN_X && p.x < START_MAX_X && p.z > START_MIN_Z && p.z < START_MAX_Z;
    }

    std::string m_LoadLog;
    CRoadNodeList m_Roads;
    CSidewalkNodeList m_Sidewalks;
    CTrafficLights m_Lights;
};

TEST_F(ShippedWorldTest, LoadsWithoutALogLineAndEveryLinkResolves)
{
    EXPECT_EQ("", m_LoadLog);
    ExpectLinkedOnTheGround(m_Roads);
    ExpectLinkedOnTheGround(m_Sidewalks);
    size_t links = 0;
    for (size_t index = 0; index < m_Roads.GetNodeCount(); ++index)
        links += m_Roads.GetNode(index)->GetLinkCount();
    EXPECT_EQ(links, m_Roads.GetNumLines()) << "a debug line per link";
    EXPECT_NE(nullptr, m_Roads.GetDebugObject().GetMesh()) << "the debug sphere";

    // Roads reach both the town and the start area.
    bool town = false;
    bool start = false;
    for (size_t index = 0; index < m_Roads.GetNodeCount(); ++index) {
        town = town || InTown(*m_Roads.GetNode(index)->GetPosition());
        start = start || InStartArea(*m_Roads.GetNode(index)->GetPosition());
    }
    EXPECT_TRUE(town);
    EXPECT_TRUE(start);

    // Sidewalk links go both ways.
    for (size_t index = 0; index < m_Sidewalks.GetNodeCount(); ++index) {
        const cSidewalknode* node = m_Sidewalks.GetNode(index);
        for (const cSidewalknode* target : node->GetLinks()) {
            const auto& back = target->GetLinks();
            EXPECT_NE(back.end(), std::find(back.begin(), back.end(), node)) << index;
        }
    }
}

TEST_F(ShippedWorldTest, OneLightAtTheCrossingTakesTurnsNorthSouthThenEastWest)
{
    ASSERT_EQ(1u, m_Lights.GetLightCount());
    const CTrafficLights::Light& light = m_Lights.GetLight(0);
    EXPECT_FLOAT_EQ(380.0f, light.m_vPosition.x);
    EXPECT_FLOAT_EQ(190.0f, light.m_vPosition.z);
    ASSERT_EQ(2u, light.m_Groups.size());
    for (size_t group = 0; group < light.m_Groups.size(); ++group) {
        SCOPED_TRACE(group);
        ASSERT_FALSE(light.m_Groups[group].m_Nodes.empty());
        EXPECT_FLOAT_EQ(10.0f, light.m_Groups[group].m_fDuration);
        for (const cRoadnode* node : light.m_Groups[group].m_Nodes) {
            const D3DXVECTOR3& at = *node->GetPosition();
            // North-south approaches lie on x = 380, east-west ones on z = 190.
            const float across = group == 0 ? std::fabs(at.x - 380.0f) : std::fabs(at.z - 190.0f);
            EXPECT_FLOAT_EQ(3.0f, across);
            EXPECT_FLOAT_EQ(20.0f, node->GetSpeed()) << "slow on the approach";
            EXPECT_EQ(group == 0 ? cRoadnode::LIGHT_GO : cRoadnode::LIGHT_STOP, node->GetLightState());
        }
    }
}

TEST_F(ShippedWorldTest, TheMainGameTimerStartsAtHalfPastNineAtThirtyTimesRealTime)
{
    CGameTimer* timer = nullptr;
    g_AssetManager.GetAsset("MainGameTimer", timer, true);
    EXPECT_EQ(9, timer->m_Hour);
    EXPECT_EQ(30, timer->m_Minute);
    EXPECT_FLOAT_EQ(30.0f, timer->GetTimeRatio());
    const float starts[] = {6, 8, 16, 18, 20, 4};
    for (int phase = 0; phase < CGameTimer::PHASE_COUNT; ++phase)
        EXPECT_FLOAT_EQ(starts[phase], timer->GetPhase(static_cast<CGameTimer::Phase>(phase)).m_fStart);
    D3DXCOLOR noon;
    ASSERT_TRUE(timer->GetPhaseColour(12.0f, noon));
    EXPECT_GT(noon.b, 0.9f) << "white by day";
    D3DXCOLOR midnight;
    ASSERT_TRUE(timer->GetPhaseColour(0.0f, midnight));
    EXPECT_LT(midnight.r, midnight.b) << "dim blue by night";
}

} // namespace
