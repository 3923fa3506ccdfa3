// The delivery run on the small test level with physics: the mission car
// from the start script, the checkpoints counted only in that car, the stop
// at the depot and the endings.

#include "Game/Mission0.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Display/TextMaster.h"
#include "Game/HUD.h"
#include "Input/InputManager.h"
#include "Level/LevelFixture.h"
#include "Sound/RecordingFSound.h"
#include "support/CountingQueue.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "support/QueuedTexts.h"

namespace {

const char* const START_SCRIPT = "Scripts/Mission/TestPre.txt";
const char* const MAIN_SCRIPT = "Scripts/Mission/Test.txt";
// Light enough to move: its speed is set by the test.
const char* const CAR_LINE = "Car Buggy Mass 1000 Pos 40 0.5 40\n";
// An exact binary fraction; the message shows for 2 s and fades over 2 s,
// and the ending waits for it.
const uint32_t FRAME_MS = 125;
const int ENDING_FRAMES = 33;
const D3DCOLOR WHITE = 0xFFFFFFFF;

class PhysicsMission0 : public LevelFixture {
protected:
    void SetUp() override
    {
        StartPhysics();
        LevelFixture::SetUp();
        g_PlayerActor = &g_Player;
        g_Player.m_pCar = nullptr;
        LoadLevel("Terrain Ground\n");
        // The arrow: one part, for the render queue to count.
        auto arrow = std::make_unique<CComplexObject>();
        arrow->m_Name = "Arrow";
        arrow->GetOpaqueParts().emplace_back();
        g_AssetManager.AddAsset(arrow.release());
        SetFrameTime(FRAME_MS);
        m_ContextDepth = g_InputManager.GetContextDepth();
        g_TextMaster.Enable();
    }
    void TearDown() override
    {
        g_TextMaster.Clear(CTextMaster::CLEAR_PREPARED);
        g_Player.m_pCar = nullptr;
        g_FrameTimer = CFrameTimer();
        LevelFixture::TearDown();
    }

    void LoadStart(CMission0& mission, const std::string& text)
    {
        m_Dir.Write(START_SCRIPT, "MissionStartPos 0 0 0\nStartingRadius 1000\n" + text);
        mission.LoadStartFile(START_SCRIPT);
    }

    // The mission car placed, the arrow and the main script's checkpoints
    // given by `main` (which may name the car's position as "@"), the
    // player given and the start cinema's frame run.
    void Start(CMission0& mission, const std::string& main)
    {
        LoadStart(mission, CAR_LINE);
        std::string text = "Pointer Arrow\n" + main;
        const std::string at = CarPosition(mission);
        for (size_t found = text.find('@'); found != std::string::npos; found = text.find('@'))
            text.replace(found, 1, at);
        m_Dir.Write(MAIN_SCRIPT, text);
        mission.LoadMissionFile(MAIN_SCRIPT);
        mission.SetPlayer(&g_Player);
        ASSERT_TRUE(mission.CanStart());
        ASSERT_EQ(CMission::MISSION_RUNNING, mission.Update());
    }

    static std::string CarPosition(const CMission0& mission)
    {
        const D3DXMATRIX& world = mission.GetMissionCar()->m_Body.GetWorldMatrix();
        return std::to_string(world._41) + " " + std::to_string(world._42) + " " + std::to_string(world._43);
    }

    static void PlacePlayer(float x, float y, float z)
    {
        g_Player.m_Model.m_matScaledObject._41 = x;
        g_Player.m_Model.m_matScaledObject._42 = y;
        g_Player.m_Model.m_matScaledObject._43 = z;
    }

    // `frames` updates; the last one's result.
    static int RunFrames(CMission0& mission, int frames)
    {
        int result = CMission::MISSION_RUNNING;
        for (int frame = 0; frame < frames; ++frame)
            result = mission.Update();
        return result;
    }

    size_t m_ContextDepth = 0;
};

TEST_F(PhysicsMission0, TheStartScriptsCarIsLockedUntilTheStartWhichRepairsAWreck)
{
    CMission0 mission;
    LoadStart(mission, CAR_LINE);
    CCar* car = mission.GetMissionCar();
    ASSERT_NE(nullptr, car);
    EXPECT_EQ(std::vector<CCar*>{car}, mission.GetSpawnedCars());
    EXPECT_TRUE(car->m_bBurnt);

    car->m_fHull = -1.0f;
    car->m_bNotExploded = false;
    mission.SetPlayer(&g_Player);
    PlacePlayer(0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(mission.CanStart());
    EXPECT_FLOAT_EQ(car->m_fHullMax, car->m_fHull);
    EXPECT_TRUE(car->m_bNotExploded);
    EXPECT_FALSE(car->m_bBurnt);
    mission.End();

    CMission0 carless;
    EXPECT_FATAL(LoadStart(carless, ""), std::string("Mission failed to load\nin ") + START_SCRIPT);
}

// Before the player gets in, the arrow points straight down at the car and
// bobs between 1.9 and 2.2 above it, one frame's step past each bound at most,
// and is queued in both passes. After 10 s the player is hurried each frame.
TEST_F(PhysicsMission0, BeforeThePlayerGetsInTheArrowBobsOverTheCarPointingDown)
{
    CMission0 mission;
    Start(mission, "CheckPoint Size 3 Pos 0 0.5 0\n");
    const float carHeight = mission.GetMissionCar()->m_Body.GetWorldMatrix()._42;
    const float step = CMission0::ARROW_SPEED * FRAME_MS / 1000.0f;
    float lowest = 1e9f;
    float highest = -1e9f;
    for (int frame = 0; frame < 40; ++frame) {
        mission.Update();
        const D3DXMATRIX& arrow = mission.GetPointer().GetWorldMatrix();
        EXPECT_GT(0.0f, arrow._32) << "pointing down";
        const float above = arrow._42 - carHeight;
        lowest = std::min(lowest, above);
        highest = std::max(highest, above);
    }
    EXPECT_NEAR(CMission0::ARROW_LOW, lowest, step);
    EXPECT_NEAR(CMission0::ARROW_HIGH, highest, step);
    EXPECT_FALSE(mission.HasEntered());

    CountingQueue queue;
    CComplexObject::SetQueue(&queue);
    for (ERenderPass pass : {RENDER_PASS_MAIN, RENDER_PASS_REFLECTION})
        mission.Draw(pass);
    CComplexObject::SetQueue(nullptr);
    EXPECT_EQ(2, queue.m_Parts) << "the arrow, in each pass";

    // 10 s of waiting in all.
    RunFrames(mission, 39);
    TakeQueuedTexts();
    for (int frame = 0; frame < 2; ++frame) {
        mission.Update();
        std::string key;
        g_InputManager.GetBindingName(key, CMission0::ENTER_EXIT_ACTION);
        std::vector<std::string> texts = TakeQueuedTexts();
        for (std::string& text : texts)
            std::replace(text.begin(), text.end(), '\n', ' ');
        const std::string hurry = "What are you doing hurry up. Use the " + key + " key to get in your car.";
        EXPECT_EQ(1, std::count(texts.begin(), texts.end(), QueuedText(hurry, 0.1f, 0.05f, WHITE)));
    }
    mission.End();
}

struct DeliveryCase {
    float m_fSpeed;
    bool m_bDelivered;
    // Ended by the manager (a new game, the credits) before the fade is over.
    bool m_bEndedEarly;
};

// Only a car slower than 0.4 m/s delivers; the held controls come back at
// the win and at an early End.
const DeliveryCase DELIVERY_CASES[] = {
    {0.5f, false, false}, {-0.5f, false, false}, {0.3f, true, false}, {-0.3f, true, false}, {0.3f, true, true},
};

TEST_F(PhysicsMission0, TheDepotCountsOnlyForAStoppedCarAndHoldsTheControlsUntilTheWin)
{
    RecordingFSound fmod;
    for (const DeliveryCase& test : DELIVERY_CASES) {
        SCOPED_TRACE(::testing::Message() << test.m_fSpeed << (test.m_bEndedEarly ? " ended early" : ""));
        CMission0 mission;
        Start(mission, "CheckPoint Size 3 Pos @\nVictorySound win.wav\n");
        CCar* car = mission.GetMissionCar();
        g_Player.m_pCar = car;
        car->SetSpeed(test.m_fSpeed);
        const size_t markers = g_HUD.GetMapMarkers().size();
        EXPECT_EQ(CMission::MISSION_RUNNING, RunFrames(mission, 3));
        EXPECT_TRUE(mission.HasEntered());
        EXPECT_EQ(test.m_bDelivered, mission.IsWon());
        EXPECT_EQ(markers + (test.m_bDelivered ? 1 : 2), g_HUD.GetMapMarkers().size())
            << "the depot marked each entered frame until it counts";
        EXPECT_EQ(m_ContextDepth + (test.m_bDelivered ? 1 : 0), g_InputManager.GetContextDepth());
        if (test.m_bDelivered && !test.m_bEndedEarly) {
            EXPECT_EQ(CInputManager::CONTEXT_HELD, g_InputManager.GetCurrentContext());
            // Burnt after the delivery: still won.
            car->m_bNotExploded = false;
            EXPECT_EQ(CMission::MISSION_WON, RunFrames(mission, ENDING_FRAMES));
            EXPECT_FALSE(mission.IsFailed());
            EXPECT_EQ(1, fmod.TakeCallCount("Stream_Play")) << "the victory sound, once";
        }
        mission.End();
        EXPECT_EQ(m_ContextDepth, g_InputManager.GetContextDepth());
        g_Player.m_pCar = nullptr;
        fmod.TakeCalls();
    }
}

TEST_F(PhysicsMission0, OutOfTheMissionCarThePlayerIsSentBackAndTheCarsLossFails)
{
    CMission0 mission;
    Start(mission, "CheckPoint Size 3 Pos 0 0.5 0\nCheckPoint Size 3 Pos 10 0.5 0\n");
    CCar* car = mission.GetMissionCar();
    PlacePlayer(0.0f, 0.5f, 0.0f);
    mission.Update();
    EXPECT_FALSE(mission.HasEntered());
    EXPECT_NE(std::string::npos, std::string(mission.GetMessage().GetString()).find("key to get in your car."));

    g_Player.m_pCar = car;
    mission.Update();
    EXPECT_TRUE(mission.HasEntered());
    EXPECT_EQ(CMission0::PROMPT_IN_MISSION_CAR, mission.GetPromptState());

    // On foot at the first checkpoint: it does not count, and the arrow
    // points from the player back to the car.
    g_Player.m_pCar = nullptr;
    TakeQueuedTexts();
    mission.Update();
    EXPECT_EQ(CMission0::PROMPT_ON_FOOT, mission.GetPromptState());
    EXPECT_EQ(std::vector<std::string>{QueuedText("What are you doing get back in the car", 0.2f, 0.2f, WHITE)},
              TakeQueuedTexts());
    EXPECT_EQ(0, g_Player.m_iCheckpoint);
    const D3DXMATRIX& arrow = mission.GetPointer().GetWorldMatrix();
    const D3DXMATRIX& body = car->m_Body.GetWorldMatrix();
    D3DXVECTOR3 toCar(body._41, body._42 - 3.5f, body._43);
    D3DXVec3Normalize(&toCar, &toCar);
    D3DXVECTOR3 forward(arrow._31, arrow._32, arrow._33);
    D3DXVec3Normalize(&forward, &forward);
    EXPECT_NEAR(1.0f, D3DXVec3Dot(&forward, &toCar), 1e-4f);

    CCar other;
    g_Player.m_pCar = &other;
    mission.Update();
    EXPECT_EQ(CMission0::PROMPT_IN_OTHER_CAR, mission.GetPromptState());
    EXPECT_EQ(std::vector<std::string>{QueuedText("That is the wrong car", 0.2f, 0.2f, WHITE)}, TakeQueuedTexts());
    EXPECT_EQ(0, g_Player.m_iCheckpoint) << "nor in another car";

    car->m_bNotExploded = false;
    EXPECT_EQ(CMission::MISSION_RUNNING, mission.Update());
    EXPECT_TRUE(mission.IsFailed());
    EXPECT_STREQ("Don't worry about that car we have more.", mission.GetMessage().GetString());
    EXPECT_EQ(CMission::MISSION_FAILED, RunFrames(mission, ENDING_FRAMES));
    EXPECT_EQ(m_ContextDepth, g_InputManager.GetContextDepth());
    g_Player.m_pCar = nullptr;
    mission.End();
}

} // namespace
