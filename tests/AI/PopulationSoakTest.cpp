// The population pool over a minute of frames on the shipped "Modern": the
// camera drives round the road loop and then out to the start area while
// the pool spawns and recycles. The pool's bookkeeping must hold on every
// frame, and the traffic it places must drive its graph.

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/AIPool.h"
#include "Actors/Car.h"
#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderQueue.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Physics/Physics.h"
#include "support/ShippedScripts.h"
#include "support/SteadyFrames.h"

namespace {

const int FRAMES = 3600;
const uint32_t FRAME_MILLISECONDS = 20;
// The camera's speed along the loop, metres a second.
const float CAMERA_SPEED = 15.0f;
const float CAMERA_HEIGHT = 10.0f;
// Slower than this counts as standing still.
const float STILL_SPEED = 0.5f;
const float LONGEST_STILL_SECONDS = 20.0f;
// The random table is filled from the clock at start-up, so without a seed
// each run would be another minute of the town. Some minutes see a traffic
// car turn wide at a corner and nose into a wall, where it stays: the
// traffic controller never reverses.
const uint32_t SEED = 7;

// What the soak remembers of one driving agent between frames.
struct Drive {
    const cRoadnode* m_pNode = nullptr;
    float m_fStillSeconds = 0.0f;
};

bool IsWaiting(int state)
{
    return state == CNormalCarController::STATE_STOPPING_N_WAITING ||
           state == CNormalCarController::STATE_COASTING_N_WAITING ||
           state == CNormalCarController::STATE_STOPPING || state == CNormalCarController::STATE_IDLE;
}

bool Links(const cRoadnode& from, const cRoadnode* to)
{
    for (size_t i = 0; i < from.GetLinkCount(); ++i)
        if (from.GetLinkTarget(i) == to)
            return true;
    return false;
}

class PhysicsPopulationSoak : public DisplayFixture {
protected:
    void SetUp() override
    {
        g_RandomTable.Fill(SEED);
        CreateDisplay();
        ASSERT_TRUE(g_Physics.Init());
        LoadShippedTown();
        SetSteadyFrameTime(FRAME_MILLISECONDS);
        m_pSavedCamera = g_pActiveCamera;
        g_pActiveCamera = &m_Camera;
    }
    void TearDown() override
    {
        g_pActiveCamera = m_pSavedCamera;
        EndShippedTown();
        g_Physics.Shutdown();
        DisplayFixture::TearDown();
        g_FrameTimer = CFrameTimer();
    }

    // Along the road graph from node 0, always by the first link, for the
    // first part of the run; then straight out to the start area.
    void MoveCamera(int frame)
    {
        const float step = CAMERA_SPEED * FRAME_MILLISECONDS / 1000.0f;
        D3DXVECTOR3 goal = m_vStart;
        if (frame < FRAMES * 5 / 6 && m_pCameraNode != nullptr)
            goal = *m_pCameraNode->GetPosition();
        goal.y = CAMERA_HEIGHT;
        D3DXVECTOR3 to = goal - m_Camera.m_vPosition;
        const float distance = D3DXVec3Length(&to);
        if (distance <= step) {
            m_Camera.m_vPosition = goal;
            if (m_pCameraNode != nullptr && m_pCameraNode->GetLinkCount() > 0)
                m_pCameraNode = m_pCameraNode->GetLinkTarget(0);
            return;
        }
        m_Camera.m_vPosition += to * (step / distance);
    }

    void CheckBookkeeping(CLevel& level)
    {
        const CAIPool& pool = level.GetAIPool();
        const std::list<CAIControllerSet*>& listed = level.GetAgents();
        const std::set<CAIControllerSet*> distinct(listed.begin(), listed.end());
        ASSERT_EQ(distinct.size(), listed.size()) << "no agent listed twice";
        for (const CAIControllerSet* agent : listed)
            ASSERT_EQ(1, agent->m_u8InUse) << "every listed agent is in use";
        const std::list<CCar*>& active = level.GetActiveCars();
        for (const auto* cars : {&pool.GetCars(), &pool.GetPoliceCars()})
            for (const std::unique_ptr<CCar>& car : *cars)
                if (car->m_bInWorld) {
                    ASSERT_NE(active.end(), std::find(active.begin(), active.end(), car.get()))
                        << "an in-world pooled car is active";
                }
        for (const auto* free : {&pool.GetFreeAgents(), &pool.GetFreePolice()})
            for (const CAIControllerSet* agent : *free)
                if (!agent->m_u8InUse) {
                    ASSERT_EQ(nullptr, agent->GetCar()) << "a free agent holds no car";
                }
        ASSERT_LE(listed.size(), pool.GetAgents().size() + pool.GetPoliceAgents().size());
        size_t pooledActive = 0;
        for (const CCar* car : active)
            for (const auto* cars : {&pool.GetCars(), &pool.GetPoliceCars()})
                for (const std::unique_ptr<CCar>& owned : *cars)
                    pooledActive += owned.get() == car ? 1 : 0;
        ASSERT_LE(pooledActive, static_cast<size_t>(pool.GetCarCount()));
    }

    // The main pass's draws, which time how long each agent is out of sight.
    static void DrawAgents(CLevel& level)
    {
        for (CAIControllerSet* agent : level.GetAgents())
            agent->Draw(true);
        g_RenderQueue.Clear();
    }

    // Successive nodes are linked; nobody stands still long outside waiting.
    void FollowDrivers(CLevel& level)
    {
        std::map<const CAIControllerSet*, Drive> seen;
        const float frame = FRAME_MILLISECONDS / 1000.0f;
        for (const CAIControllerSet* agent : level.GetAgents()) {
            const CNormalCarController* driver = agent->GetCarController();
            const CCar* car = agent->GetCar();
            if (driver == nullptr || car == nullptr || !agent->m_u8CarActive)
                continue;
            Drive drive;
            const auto before = m_Drives.find(agent);
            if (before != m_Drives.end())
                drive = before->second;
            const cRoadnode* node = driver->GetNavigation().m_pNode;
            if (drive.m_pNode != nullptr && node != nullptr && node != drive.m_pNode) {
                EXPECT_TRUE(Links(*drive.m_pNode, node)) << "a driver's next node is linked to its last";
            }
            drive.m_pNode = node;
            const bool still = std::fabs(car->GetForwardSpeed()) < STILL_SPEED && !IsWaiting(driver->GetState());
            drive.m_fStillSeconds = still ? drive.m_fStillSeconds + frame : 0.0f;
            EXPECT_LT(drive.m_fStillSeconds, LONGEST_STILL_SECONDS) << "a car stands still";
            seen[agent] = drive;
        }
        // An agent that left the world starts afresh when it comes back.
        m_Drives.swap(seen);
    }

    // Agents listed on the last frame and gone from the list on this one.
    size_t CountLeavers(CLevel& level)
    {
        std::set<const CAIControllerSet*> now(level.GetAgents().begin(), level.GetAgents().end());
        size_t left = 0;
        for (const CAIControllerSet* agent : m_Listed)
            left += now.count(agent) == 0 ? 1 : 0;
        m_Listed.swap(now);
        return left;
    }

    CCamera m_Camera;
    std::set<const CAIControllerSet*> m_Listed;
    CCamera* m_pSavedCamera = nullptr;
    const cRoadnode* m_pCameraNode = nullptr;
    D3DXVECTOR3 m_vStart{0.0f, CAMERA_HEIGHT, 0.0f};
    std::map<const CAIControllerSet*, Drive> m_Drives;
};

TEST_F(PhysicsPopulationSoak, AMinuteRoundTheTownKeepsThePoolsBooksAndItsTrafficOnTheRoads)
{
    CLevel& level = *g_pLevel;
    ASSERT_GT(g_RoadNodes.GetNodeCount(), 0u);
    m_pCameraNode = g_RoadNodes.GetNode(0);
    m_Camera.m_vPosition = m_vStart;
    size_t mostAgents = 0;
    size_t recycled = 0;
    for (int frame = 0; frame < FRAMES; ++frame) {
        MoveCamera(frame);
        level.Update();
        DrawAgents(level);
        ASSERT_NO_FATAL_FAILURE(CheckBookkeeping(level)) << "frame " << frame;
        recycled += CountLeavers(level);
        FollowDrivers(level);
        mostAgents = std::max(mostAgents, level.GetAgents().size());
    }
    EXPECT_GT(mostAgents, 0u) << "the pool placed someone";
    EXPECT_GT(recycled, 0u) << "someone left far behind went back to the pool";
}

} // namespace
