// The lizard-man as a pedestrian in a real scene on the shipped ground of
// the town: he walks a path of sidewalk nodes, and dives from a sedan driven
// at him, gets up and walks on.

#include <algorithm>
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/AIWorld.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Utility.h"

namespace {

using Ped = CNormalPedController;

const float FRAME_SECONDS = AIWorld::FRAME_MILLISECONDS / 1000.0f;
const float MPH = 0.44704f;
// On the town's flat ground, away from its roads' sidewalks.
const D3DXVECTOR3 TOWN(330.0f, 0.0f, 130.0f);

int Frames(float seconds)
{
    return static_cast<int>(std::lround(seconds / FRAME_SECONDS));
}

D3DXVECTOR3 Flat(const D3DXVECTOR3& v)
{
    return SafeNormalize(D3DXVECTOR3(v.x, 0.0f, v.z));
}

class PhysicsPedestrian : public AIWorld {
protected:
    void SetUp() override { SetUpShippedScene(TOWN.x, TOWN.z); }

    // A lizard-man standing on node 0, walking to node 1.
    CAIControllerSet& Walker()
    {
        CAIControllerSet& agent = *m_pLevel->AddAgent();
        EXPECT_TRUE(agent.CreatePedestrian("Lizard", SidewalkNode(0)->GetPosition()));
        Ped& ped = *agent.GetPedController();
        ped.SetSidewalkNode(SidewalkNode(0));
        ped.SetSidewalkNode(SidewalkNode(1));
        ped.SetState(Ped::STATE_WALKING);
        ped.ProcessStateChange();
        return agent;
    }
};

// Legs of 8 m turning a quarter each way in turn; the path ends at node 5,
// where the walker, with nowhere to go, stands.
TEST_F(PhysicsPedestrian, APedestrianWalksFiveNodesOfAPathWithinTwentySeconds)
{
    std::vector<D3DXVECTOR3> path;
    for (int n = 0; n <= 5; ++n)
        path.push_back(TOWN + D3DXVECTOR3(8.0f * ((n + 1) / 2), 0.0f, 8.0f * (n / 2)));
    LoadSidewalkPath(path);
    CAIControllerSet& agent = Walker();
    Ped& ped = *agent.GetPedController();
    const CGameActor& actor = *agent.GetActor();

    m_pLevel->Update();
    const D3DXVECTOR3 offStart = actor.m_Model.m_vPosition - path.front();
    EXPECT_LT(D3DXVec3Length(&offStart), 0.5f) << "the body was made where he stands";

    int reached = 0;
    float turned = 0.0f;
    D3DXVECTOR3 facing = Flat(actor.m_Model.m_vFacing);
    const cSidewalknode* heading = ped.GetSidewalkNode();
    for (int frame = 0; frame < Frames(20.0f) && ped.GetState() != Ped::STATE_IDLE; ++frame) {
        m_pLevel->Update();
        const D3DXVECTOR3 now = Flat(actor.m_Model.m_vFacing);
        turned += std::acos(std::min(1.0f, std::max(-1.0f, D3DXVec3Dot(&facing, &now))));
        facing = now;
        if (ped.GetSidewalkNode() == heading && ped.GetState() != Ped::STATE_IDLE)
            continue;
        ++reached;
        EXPECT_LE(turned, 2.0f * D3DX_PI) << "between node " << reached - 1 << " and " << reached;
        turned = 0.0f;
        heading = ped.GetSidewalkNode();
    }
    EXPECT_EQ(5, reached);
    EXPECT_EQ(Ped::STATE_IDLE, ped.GetState());
    const D3DXVECTOR3 fromEnd = actor.m_Model.m_vPosition - path.back();
    EXPECT_LE(D3DXVec3LengthSq(&fromEnd), ped.GetArrivalRadiusSq()) << "at the end of the path";
}

// The walker heads north; a sedan comes up behind him at 50 mph from 30 m.
TEST_F(PhysicsPedestrian, ASedanDrivenAtAWalkerMakesHimDiveAndHeWalksOnFiveSecondsLater)
{
    LoadSidewalkPath({TOWN, TOWN + D3DXVECTOR3(0.0f, 0.0f, 100.0f)});
    CAIControllerSet& agent = Walker();
    Ped& ped = *agent.GetPedController();
    CGameActor& actor = *agent.GetActor();

    CCar* sedan = nullptr;
    g_AssetManager.GetAsset("Sedan", sedan, true);
    auto made = std::make_unique<CCar>(*sedan);
    const float carBottom = made->m_CollisionObject.m_pRoot->m_vMin.y;
    const D3DXVECTOR3 start = TOWN + D3DXVECTOR3(0.0f, -carBottom, -30.0f);
    made->m_Body.SetPosition(&start);
    made->m_Body.UpdateWorldMatrix();
    made->Reset();
    CCar& car = *m_pLevel->AddCar(made.release());

    const auto gap = [&] {
        const D3DXMATRIX& world = car.m_Body.GetWorldMatrix();
        return actor.m_Model.m_vPosition.z - world._43;
    };
    int frame = 0;
    float gapAtDive = 0.0f;
    for (; frame < Frames(3.0f) && ped.GetState() != Ped::STATE_DIVING; ++frame) {
        car.SetSpeed(50.0f * MPH);
        m_pLevel->Update();
        gapAtDive = gap();
    }
    ASSERT_EQ(Ped::STATE_DIVING, ped.GetState());
    // Well before the car's nose (about 2.5 m ahead of its centre) reaches him.
    EXPECT_GT(gapAtDive, 8.0f);

    int diveEnded = -1;
    int walking = -1;
    // The shipped leap plays about 12 s.
    for (; frame < Frames(30.0f) && walking < 0; ++frame) {
        if (gap() < -10.0f)
            car.SetSpeed(0.0f);
        else
            car.SetSpeed(50.0f * MPH);
        m_pLevel->Update();
        if (diveEnded < 0 && ped.GetState() == Ped::STATE_GETTING_UP)
            diveEnded = frame;
        if (ped.GetState() == Ped::STATE_WALKING)
            walking = frame;
    }
    ASSERT_GE(diveEnded, 0) << "the leap ended";
    ASSERT_GE(walking, 0) << "walking again";
    EXPECT_NEAR(Frames(5.0f), walking - diveEnded, 1);
    EXPECT_TRUE(actor.m_bAlive) << "not run down";
    EXPECT_EQ(SidewalkNode(1), ped.GetSidewalkNode()) << "on toward the same node";

    // A quarter turn back toward the node, then on along the way.
    const float before = actor.m_Model.m_vPosition.z;
    for (int step = 0; step < Frames(4.0f); ++step)
        m_pLevel->Update();
    EXPECT_GT(actor.m_Model.m_vPosition.z - before, 3.0f) << "he walks on";
}

} // namespace
