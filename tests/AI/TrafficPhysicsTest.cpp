// Traffic in the shipped town: cars of the pool's kinds driven by their
// traffic drivers over the town's road graph, on the town's ground, with
// its traffic light, through the whole level's frame.

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/ShippedTown.h"
#include "Actors/Car.h"
#include "Core/Clock.h"
#include "Core/Utility.h"
#include "Display/DisplayFixture.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Level/TrafficLights.h"
#include "Physics/Physics.h"
#include "support/ShippedScripts.h"
#include "support/SteadyFrames.h"

namespace {

const float FRAME_SECONDS = ShippedTown::FRAME_MILLISECONDS / 1000.0f;
const char* const DRIVER = "LIZARD";

int NodeIndex(const cRoadnode* node)
{
    for (size_t n = 0; n < g_RoadNodes.GetNodeCount(); ++n)
        if (g_RoadNodes.GetNode(n) == node)
            return static_cast<int>(n);
    return -1;
}

class PhysicsTraffic : public ShippedTown {
protected:

    // A car of `kind` with its driver standing on road node `node`, facing
    // along the node's first link and driving to its end.
    CAIControllerSet& Spawn(const char* kind, size_t node)
    {
        const cRoadnode* from = g_RoadNodes.GetNode(node);
        cRoadnode* to = from->GetLinkTarget(0);
        CAIControllerSet* agent = g_pLevel->AddAgent();
        EXPECT_TRUE(agent->CreateCar(DRIVER, kind, from->GetPosition(), nullptr));
        CCar* car = agent->GetCar();
        const D3DXVECTOR3 d = *to->GetPosition() - *from->GetPosition();
        const float length = std::hypot(d.x, d.z);
        D3DXMATRIX local = car->m_Body.GetLocalMatrix();
        local._11 = d.z / length;
        local._13 = -d.x / length;
        local._31 = d.x / length;
        local._33 = d.z / length;
        car->m_Body.SetLocalMatrix(local);
        car->m_Body.UpdateWorldMatrix();
        g_pLevel->AddCar(car);
        CNormalCarController& driver = *agent->GetCarController();
        driver.SetRoadNode(to, 0);
        driver.SetState(CNormalCarController::STATE_DRIVING_TO_NODE);
        return *agent;
    }
    void RunFrame() { g_pLevel->Update(); }
};

// How far the car strays from the line between the node it comes from
// and the node it drives to, on the ground.
float OffSegment(const D3DXVECTOR3& at, const D3DXVECTOR3& from, const D3DXVECTOR3& to)
{
    const D3DXVECTOR3 along(to.x - from.x, 0.0f, to.z - from.z);
    const D3DXVECTOR3 off(at.x - from.x, 0.0f, at.z - from.z);
    const float lengthSq = D3DXVec3LengthSq(&along);
    const float share = lengthSq > 0.0f ? std::clamp(D3DXVec3Dot(&off, &along) / lengthSq, 0.0f, 1.0f) : 0.0f;
    const D3DXVECTOR3 gap = off - along * share;
    return D3DXVec3Length(&gap);
}

// What one car did: the nodes it drove to in turn, from where it started,
// and how far it strayed from its route at worst.
struct Drive {
    Drive(const char* carKind, size_t startNode) : kind(carKind), start(startNode) {}

    const char* kind;
    size_t start;
    CAIControllerSet* agent = nullptr;
    std::vector<const cRoadnode*> nodes;
    float worst = 0.0f;

    void Follow()
    {
        const CNormalCarController& driver = *agent->GetCarController();
        const cRoadnode* node = driver.GetNavigation().m_pNode;
        if (node != nullptr && node != nodes.back())
            nodes.push_back(node);
        // Near a node the car may still be on the segment it arrives by.
        const D3DXVECTOR3 at = CarPosition(*agent->GetCar());
        const size_t last = nodes.size() - 1;
        float off = OffSegment(at, *nodes[last - 1]->GetPosition(), *nodes[last]->GetPosition());
        if (last >= 2)
            off = std::min(off, OffSegment(at, *nodes[last - 2]->GetPosition(), *nodes[last - 1]->GetPosition()));
        worst = std::max(worst, off);
    }
};

// Seven lanes of their own, none through the light, far enough apart that
// no car meets another ahead of it.
TEST_F(PhysicsTraffic, EveryPoolKindDrivesItsLaneFromNodeToNode)
{
    Drive drives[] = {{"Sedan", 0},   {"Porch", 16},     {"Truck", 32},   {"Hatch", 48},
                      {"Ghetto", 20}, {"Lowrider", 108}, {"CopCar", 121}};
    for (Drive& drive : drives) {
        drive.agent = &Spawn(drive.kind, drive.start);
        drive.nodes = {g_RoadNodes.GetNode(drive.start), drive.agent->GetCarController()->GetNavigation().m_pNode};
    }
    for (int frame = 0; frame < static_cast<int>(15.0f / FRAME_SECONDS); ++frame) {
        RunFrame();
        for (Drive& drive : drives)
            drive.Follow();
    }
    for (const Drive& drive : drives) {
        SCOPED_TRACE(drive.kind);
        // The first node driven to and the next are passed: a third is the target.
        ASSERT_GE(drive.nodes.size(), 4u);
        for (size_t n = 1; n < drive.nodes.size(); ++n) {
            const std::vector<cRoadLink>& links = drive.nodes[n - 1]->GetLinks();
            EXPECT_TRUE(std::any_of(links.begin(), links.end(),
                                    [&](const cRoadLink& link) { return link.m_pNode == drive.nodes[n]; }))
                << NodeIndex(drive.nodes[n]) << " is no link of " << NodeIndex(drive.nodes[n - 1]);
        }
        EXPECT_LE(drive.worst, 4.0f);
    }
}

// Node 67 is the crossing's stop line for the lane coming north on x = 383
// (nodes 64, 65, 66); its light is held red, then green.
TEST_F(PhysicsTraffic, ASedanStopsBeforeARedLightAndMovesOffOnGreen)
{
    const size_t stopLine = 67;
    cRoadnode* light = g_RoadNodes.GetNode(stopLine);
    CAIControllerSet& agent = Spawn("Sedan", 64);
    const CCar& car = *agent.GetCar();
    const auto runHeld = [&](float seconds, int state) {
        for (int frame = 0; frame < static_cast<int>(seconds / FRAME_SECONDS); ++frame) {
            RunFrame();
            light->SetLightState(state);
        }
    };
    light->SetLightState(cRoadnode::LIGHT_STOP);
    runHeld(12.0f, cRoadnode::LIGHT_STOP);
    const D3DXVECTOR3 stopped = CarPosition(car);
    EXPECT_LT(stopped.z, light->GetPosition()->z) << "before the stop line";
    EXPECT_GT(stopped.z, g_RoadNodes.GetNode(66)->GetPosition()->z - 10.0f) << "and not far from it";
    EXPECT_NEAR(0.0f, car.GetForwardSpeed(), 0.5f);
    runHeld(3.0f, cRoadnode::LIGHT_GO);
    const D3DXVECTOR3 moved = CarPosition(car);
    const D3DXVECTOR3 gone = moved - stopped;
    EXPECT_GT(D3DXVec3Length(&gone), 2.0f) << "off within 3 s of green";
}

} // namespace
