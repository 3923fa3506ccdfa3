// The four AI controllers as their agent and the game see them before any
// behaviour: their life cycle, their state names, their targets and the
// stacks that bring back an interrupted state.

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "AI/AIWorld.h"
#include "AI/ChaseCarController.h"
#include "AI/NormalCarController.h"
#include "AI/NormalPedController.h"
#include "AI/NormalPoliceController.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"

namespace {

const float FRAME_SECONDS = AIWorld::FRAME_MILLISECONDS / 1000.0f;

struct ControllerKind {
    const char* name;
    std::function<std::unique_ptr<CAIController>()> make;
    bool drivesCars;
};

const ControllerKind KINDS[] = {
    {"traffic", [] { return std::make_unique<CNormalCarController>(); }, true},
    {"chase", [] { return std::make_unique<CChaseCarController>(); }, true},
    {"pedestrian", [] { return std::make_unique<CNormalPedController>(); }, false},
    {"police", [] { return std::make_unique<CNormalPoliceController>(); }, false},
};

void ExpectInitState(const CAIController& controller)
{
    EXPECT_FALSE(controller.IsStarted());
    EXPECT_FALSE(controller.IsRunning());
    EXPECT_EQ(0.0f, controller.GetDelay());
    EXPECT_FLOAT_EQ(0.5f, controller.GetCursorX());
    EXPECT_FLOAT_EQ(0.5f, controller.GetCursorY());
    const uint8_t* actions = controller.GetActionCounters();
    for (int action = 0; action < CAIController::ACTION_COUNT; ++action)
        ASSERT_EQ(0, actions[action]) << action;
    for (int axis = 0; axis < CAIController::AXIS_COUNT; ++axis)
        EXPECT_EQ(0.0f, controller.GetAxisValues()[axis]);
}

void ExpectPoint(const D3DXVECTOR3& expected, const D3DXVECTOR3* point)
{
    ASSERT_NE(nullptr, point);
    EXPECT_EQ(expected.x, point->x);
    EXPECT_EQ(expected.y, point->y);
    EXPECT_EQ(expected.z, point->z);
}

TEST(AIController, EveryControllerStartsOnceAndShutsDownToItsInitState)
{
    for (const ControllerKind& kind : KINDS) {
        SCOPED_TRACE(kind.name);
        std::unique_ptr<CAIController> controller = kind.make();
        EXPECT_EQ(CController::KIND_AI, controller->GetKind());
        ExpectInitState(*controller);
        EXPECT_TRUE(controller->Start());
        EXPECT_TRUE(controller->IsStarted());
        EXPECT_TRUE(controller->IsRunning());
        EXPECT_FALSE(controller->Start()) << "already started";
        controller->SetDelay(3.0f);
        EXPECT_TRUE(controller->Shutdown());
        ExpectInitState(*controller);
        EXPECT_FALSE(controller->Shutdown()) << "not started";
        EXPECT_FALSE(controller->QueryFlag(0));
        EXPECT_EQ(kind.drivesCars, controller->GetCamera() == nullptr);
        EXPECT_EQ(kind.drivesCars, controller->GetCursor() == nullptr);
        EXPECT_NE(nullptr, controller->GetCameraMatrix());
        const float corner[2] = {0.1f, 0.9f};
        controller->SetCursorPosition(corner);
        EXPECT_FLOAT_EQ(0.9f, controller->GetCursorY());
    }
}

TEST(AIController, SafeNormalizeKeepsZeroAndHorizontalDropsHeight)
{
    const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 none = SafeNormalize(zero);
    ExpectPoint(zero, &none);
    const D3DXVECTOR3 up = HorizontalDirection(D3DXVECTOR3(0.0f, 5.0f, 0.0f));
    ExpectPoint(zero, &up);
    const D3DXVECTOR3 slope = HorizontalDirection(D3DXVECTOR3(3.0f, 7.0f, 4.0f));
    ExpectPoint(D3DXVECTOR3(0.6f, 0.0f, 0.8f), &slope);
}

TEST(AIController, StateNamesAreExactAndEndAtTheirCounts)
{
    EXPECT_EQ(7, CNormalCarController::GetStateCount());
    EXPECT_STREQ("DECIDING_ON_NEW_POS", CNormalCarController::GetStateName(6));
    EXPECT_EQ(nullptr, CNormalCarController::GetStateName(7));
    EXPECT_EQ(nullptr, CNormalCarController::GetStateName(-1));
    EXPECT_EQ(13, CNormalPedController::GetStateCount());
    EXPECT_STREQ("TURNING_360", CNormalPedController::GetStateName(12));
    EXPECT_EQ(nullptr, CNormalPedController::GetStateName(13));
    const struct {
        const char* name;
        int car;
        int ped;
    } cases[] = {{"IDLE", 0, 0}, {"idle", -1, -1}, {"DRIVING_TO_NODE", 5, -1}, {"GETTING_OUT", -1, 6}, {"", -1, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.car, CNormalCarController::FindState(c.name));
        EXPECT_EQ(c.ped, CNormalPedController::FindState(c.name));
    }
}

class AIControllers : public AIWorld {};

TEST_F(AIControllers, ACarControllerRunsOnlyWithACar)
{
    for (const ControllerKind& kind : KINDS) {
        if (!kind.drivesCars)
            continue;
        SCOPED_TRACE(kind.name);
        std::unique_ptr<CAIController> made = kind.make();
        auto& driver = static_cast<CAICarController&>(*made);
        driver.Start();
        driver.SetDelay(1.0f);
        driver.Update();
        EXPECT_EQ(1.0f, driver.GetDelay()) << "no car: nothing runs";
        CCar car;
        driver.SetCar(&car);
        EXPECT_EQ(nullptr, car.GetController()) << "the caller binds the car";
        driver.Update();
        const bool countsDown = dynamic_cast<CNormalCarController*>(&driver) != nullptr;
        EXPECT_FLOAT_EQ(countsDown ? 1.0f - FRAME_SECONDS : 1.0f, driver.GetDelay());
    }
}

TEST_F(AIControllers, TrafficTargetsAreCopiedOrFollowedAndRoadNodesSetTheLimit)
{
    CNormalCarController traffic;
    D3DXVECTOR3 live(1.0f, 2.0f, 3.0f);
    traffic.SetTarget(&live, true);
    traffic.SetTarget(&live, false);
    live.x = 9.0f;
    ExpectPoint(D3DXVECTOR3(1.0f, 2.0f, 3.0f), traffic.GetPreviousTarget()); // the copy stays
    EXPECT_EQ(&live, traffic.GetTarget()) << "followed live";

    const float limit = 12.0f;
    traffic.SetSpeedLimit(&limit, false);
    EXPECT_EQ(&limit, traffic.GetSpeedLimit());
    traffic.SetRoadNode(RoadNode(1), 7);
    EXPECT_EQ(RoadNode(1)->GetPosition(), traffic.GetTarget());
    EXPECT_EQ(&live, traffic.GetPreviousTarget());
    EXPECT_EQ(7, traffic.GetNavigation().m_NodeFlag);
    ASSERT_NE(nullptr, traffic.GetSpeedLimit());
    EXPECT_FLOAT_EQ(40.0f * 40.0f * 0.19983338f, *traffic.GetSpeedLimit());
    traffic.SetRoadNode(RoadNode(2), 7);
    EXPECT_EQ(RoadNode(1), traffic.GetNavigation().m_pPreviousNode);
}

TEST_F(AIControllers, ChaseTargetsAndSpeed)
{
    CChaseCarController chase;
    CGameActor runner;
    chase.SetTargetActor(&runner);
    EXPECT_EQ(&runner, chase.GetChase().m_Target.m_pActor);
    EXPECT_EQ(&runner, chase.GetChase().m_Target.m_pObject);
    CCar parked;
    chase.SetTargetObject(&parked);
    EXPECT_EQ(nullptr, chase.GetChase().m_Target.m_pActor);
    EXPECT_EQ(&parked, chase.GetChase().m_Target.m_pObject);
    chase.SetMaxSpeed(50.0f);
    EXPECT_FLOAT_EQ(2500.0f * 0.19983338f, chase.GetChase().m_fMaxSpeed);
    D3DXVECTOR3 trigger(4.0f, 0.0f, 4.0f);
    chase.SetTarget(&trigger, true);
    trigger.x = 0.0f;
    ExpectPoint(D3DXVECTOR3(4.0f, 0.0f, 4.0f), chase.GetChase().m_TriggerPoint.Get());
    chase.SetTarget(&trigger, false);
    EXPECT_EQ(&trigger, chase.GetChase().m_TriggerPoint.Get());
}

// A saved navigation carries its own target with it: restoring it after
// the controller that saved it has gone gives the points it had.
TEST_F(AIControllers, ThePathStackRestoresTheNavigationItSaved)
{
    CStateStack<CNormalCarController::Navigation> path;
    const D3DXVECTOR3 first(1.0f, 0.0f, 1.0f);
    const D3DXVECTOR3 second(5.0f, 0.0f, 5.0f);
    {
        CNormalCarController traffic;
        traffic.Start();
        traffic.SetTarget(&first, true);
        traffic.SetState(CNormalCarController::STATE_DRIVING_TO_POS);
        traffic.ProcessStateChange();
        path.Push(traffic, traffic.GetNavigation());
        traffic.SetTarget(&second, true);
        traffic.SetState(CNormalCarController::STATE_DRIVING_TO_NODE);
        path.Push(traffic, traffic.GetNavigation());
    }
    CNormalCarController other;
    CNormalCarController::Navigation restored;
    path.Return(other, restored);
    ExpectPoint(second, restored.m_Target.Get());
    ExpectPoint(first, restored.m_PreviousTarget.Get());
    EXPECT_EQ(CNormalCarController::STATE_DRIVING_TO_NODE, other.GetNextState()) << "the pending state was saved";
    EXPECT_TRUE(path.IsReturning());
    path.Return(other, restored);
    EXPECT_FALSE(path.IsReturning()) << "a return under way is only acknowledged";
    EXPECT_EQ(1u, path.GetSize());
    path.Return(other, restored);
    ExpectPoint(first, restored.m_Target.Get());
    path.Return(other, restored);
    EXPECT_EQ(nullptr, restored.m_Target.Get()) << "empty: cleared";
    EXPECT_EQ(CNormalCarController::STATE_IDLE, other.GetNextState());
}

TEST_F(AIControllers, APedestrianOwnsItsActorAndWalksItsNodes)
{
    CNormalPedController ped;
    ped.Start();
    ped.SetActor(std::make_unique<CGameActor>());
    ASSERT_NE(nullptr, ped.GetActor());
    EXPECT_EQ(&ped.GetActor()->m_Model.m_matWorld, ped.GetCamera()->m_pTarget) << "the camera follows the actor";

    ped.SetSidewalkNode(SidewalkNode(1));
    EXPECT_EQ(SidewalkNode(1), ped.GetPreviousSidewalkNode()) << "no node before: itself";
    ped.SetSidewalkNode(SidewalkNode(2));
    EXPECT_EQ(SidewalkNode(1), ped.GetPreviousSidewalkNode());
    EXPECT_EQ(SidewalkNode(2)->GetPosition(), ped.GetTarget());

    EXPECT_FLOAT_EQ(25.0f, ped.GetArrivalRadiusSq());
    ped.SetArrivalRadiusSq(4.0f);
    ped.SetState(CNormalPedController::STATE_WALKING);
    ped.ProcessStateChange();
    ped.PushState();
    ped.SetState(CNormalPedController::STATE_DRIVING);
    ped.ProcessStateChange();
    ped.ReturnFromState();
    ped.ProcessStateChange();
    EXPECT_EQ(CNormalPedController::STATE_WALKING, ped.GetState());
    EXPECT_TRUE(ped.GetStateStack().IsEmpty());
    EXPECT_FALSE(ped.GetStateStack().IsReturning()) << "the enter step took the return";

    ped.Shutdown();
    EXPECT_EQ(nullptr, ped.GetActor()) << "destroyed";
    EXPECT_EQ(nullptr, ped.GetSidewalkNode());
    EXPECT_FLOAT_EQ(25.0f, ped.GetArrivalRadiusSq());
}

TEST_F(AIControllers, APoliceTargetIsAnActorOrAnObject)
{
    CNormalPoliceController police;
    CGameActor suspect;
    police.SetTarget(&suspect);
    EXPECT_EQ(&suspect, police.GetTarget());
    EXPECT_EQ(&suspect, police.GetTargetObject());
    CCar evidence;
    police.SetTargetObject(&evidence);
    EXPECT_EQ(nullptr, police.GetTarget());
    EXPECT_EQ(&evidence, police.GetTargetObject());
    police.SetState(CNormalPoliceController::STATE_CHASING);
    police.ProcessStateChange();
    police.PushState();
    police.SetTarget(&suspect);
    police.ReturnFromState();
    EXPECT_EQ(&evidence, police.GetTargetObject()) << "the pursuit comes back with the state";
}

} // namespace
