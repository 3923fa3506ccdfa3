#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Core/StateMachine.h"

namespace {

// Records every message as "message:state", and lets a test chain requests
// from enter handlers.
class RecordingMachine : public CStateMachine {
public:
    std::vector<std::string> m_Log;
    bool m_bPingPong = false;

protected:
    void OnMessage(int message, int state) override
    {
        m_Log.push_back(std::to_string(message) + ":" + std::to_string(state));
        if (m_bPingPong && message == MSG_ENTER)
            SetState(state == 1 ? 2 : 1);
    }
};

TEST(CStateMachineTest, ChangeTakesEffectInsideTheNextUpdate)
{
    RecordingMachine machine;
    machine.SetState(5);
    EXPECT_EQ(0, machine.GetState());
    EXPECT_EQ(5, machine.GetNextState());
    machine.Update();
    EXPECT_EQ((std::vector<std::string>{"0:0", "2:0", "1:5", "3:5"}), machine.m_Log);
    EXPECT_EQ(5, machine.GetState());
}

TEST(CStateMachineTest, OnlyTheLastRequestIsEnteredAndTheCurrentStateCanBeReentered)
{
    RecordingMachine machine;
    machine.SetState(3);
    machine.SetState(4);
    machine.ProcessStateChange();
    EXPECT_EQ((std::vector<std::string>{"2:0", "1:4"}), machine.m_Log);

    machine.m_Log.clear();
    machine.SetState(4);
    machine.ProcessStateChange();
    EXPECT_EQ((std::vector<std::string>{"2:4", "1:4"}), machine.m_Log);
}

TEST(CStateMachineTest, ChainedChangesStopAfterTenPerStep)
{
    RecordingMachine machine;
    machine.m_bPingPong = true;
    machine.SetState(1);
    machine.ProcessStateChange();
    EXPECT_EQ(20u, machine.m_Log.size()) << "ten exits and ten enters";
    EXPECT_EQ(2, machine.GetState());
    EXPECT_TRUE(machine.IsChangePending()) << "the eleventh change waits for the next step";
    EXPECT_EQ(1, machine.GetNextState());
}

} // namespace
