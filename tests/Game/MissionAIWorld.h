#pragma once
// The AI world's flat ground with physics for missions whose scripts make
// agents: the test's player is g_Player, every frame lasts 0.125 s (delays
// add up to whole seconds) and queued texts can be read.

#include <string>

#include "AI/AIWorld.h"
#include "Core/StateMachine.h"
#include "Display/TextMaster.h"
#include "Game/Mission.h"
#include "support/FrameTime.h"

class MissionAIWorld : public AIWorld {
public:
    static constexpr uint32_t FRAME_MS = 125;
    static constexpr const char* MAIN_SCRIPT = "Scripts/Mission/Test.txt";

protected:
    void SetUp() override
    {
        StartPhysics();
        AIWorld::SetUp();
        LoadGround();
        SetPlayerActor(&g_Player);
        SetFrameTime(FRAME_MS);
        g_TextMaster.Enable();
    }
    void TearDown() override
    {
        g_TextMaster.Reset();
        AIWorld::TearDown();
    }

    // `text` read as `mission`'s main script.
    void LoadMain(CMission& mission, const std::string& text)
    {
        m_Dir.Write(MAIN_SCRIPT, text);
        mission.LoadMissionFile(MAIN_SCRIPT);
    }

    // The state a machine is in, or is about to enter.
    static int StateOf(const CStateMachine& machine)
    {
        return machine.IsChangePending() ? machine.GetNextState() : machine.GetState();
    }
};
