#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "App/ScreenStates.h"
#include "Console/Console.h"
#include "Console/FullKeyboard.h"
#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/Game.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Game/CrimeManager.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Level/LevelFixture.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "platform/dinput/DInput.h"

namespace {

const char* const GROUND = "Terrain Ground\n";
const char* const POND = "WaterPlane Pond Pos 64 -1 64\n";

// The steps each state orders; the level's own inner steps are left out.
const std::set<std::string> STATE_STEPS = {
    "CMenuManager::Update", "CCarGrid::Update", "CCamera::Update",   "CHUD::RenderMiniMap",
    "CLevel::QueueRender",  "CLevel::RenderReflection", "CLevel::Render", "CHUD::Draw",
    "CMenuManager::Draw",
};

class ScreenStatesTest : public LevelFixture {
protected:
    // The reflection target comes with the device objects, as after a mode change.
    void SetUp() override
    {
        LevelFixture::SetUp();
        g_Display.InvalidateDeviceObjects();
        g_Display.RestoreDeviceObjects();
        ASSERT_NE(nullptr, g_RenderReflection);
    }

    std::vector<std::string> StateSteps() const
    {
        std::vector<std::string> steps;
        for (const std::string& step : s_Trace)
            if (STATE_STEPS.count(step) != 0)
                steps.push_back(step);
        return steps;
    }

    std::vector<std::string> Frame(int (*state)())
    {
        StartTrace();
        state();
        return StateSteps();
    }
};

} // namespace

TEST_F(ScreenStatesTest, BothStatesRunTheirStepsInOrderAndMirrorOnlyOverWater)
{
    const std::vector<std::string> frontEndMirrored = {
        "CCarGrid::Update", "CMenuManager::Update", "CCamera::Update", "CLevel::QueueRender",
        "CLevel::RenderReflection", "CLevel::QueueRender", "CLevel::Render", "CHUD::Draw", "CMenuManager::Draw",
    };
    const std::vector<std::string> inGameMirrored = {
        "CMenuManager::Update", "CCarGrid::Update", "CCamera::Update", "CHUD::RenderMiniMap",
        "CLevel::QueueRender", "CLevel::RenderReflection", "CLevel::QueueRender", "CLevel::Render", "CHUD::Draw",
        "CMenuManager::Draw",
    };
    const std::vector<std::string> frontEndPlain = {
        "CCarGrid::Update", "CMenuManager::Update", "CCamera::Update", "CLevel::QueueRender",
        "CLevel::Render", "CHUD::Draw", "CMenuManager::Draw",
    };
    const std::vector<std::string> inGamePlain = {
        "CMenuManager::Update", "CCarGrid::Update", "CCamera::Update", "CHUD::RenderMiniMap",
        "CLevel::QueueRender", "CLevel::Render", "CHUD::Draw", "CMenuManager::Draw",
    };
    // A pond with a surface to mark, under the viewer's eye.
    FilePond();
    PlaceViewer(64.0f, 64.0f);
    const D3DXVECTOR3 north(0.0f, 0.0f, 1.0f);
    const D3DXVECTOR3 pond(64.0f, -1.0f, 64.0f);
    const D3DXVECTOR3 sky(64.0f, 100.0f, 64.1f);
    D3DXMatrixLookAtLH(&m_Viewer.m_matView, &m_Viewer.m_vPosition, &pond, &north);
    LoadLevel(std::string(GROUND) + POND);
    EXPECT_EQ(frontEndPlain, Frame(FrontEndState)) << "no water drawn yet: no reflection";
    EXPECT_EQ(frontEndMirrored, Frame(FrontEndState));
    EXPECT_EQ(inGameMirrored, Frame(InGameState));
    // A display without a reflection target skips the pass.
    IDirect3DTexture8* const target = g_RenderReflection;
    g_RenderReflection = nullptr;
    std::vector<std::string> queuedOnly = frontEndMirrored;
    queuedOnly.erase(queuedOnly.begin() + 4);
    EXPECT_EQ(queuedOnly, Frame(FrontEndState)) << "the mirrored queue without its pass";
    g_RenderReflection = target;
    // Looking up, the pond beside the eye but off the screen: one more
    // reflection for the frame that last saw it, then none.
    D3DXMatrixLookAtLH(&m_Viewer.m_matView, &m_Viewer.m_vPosition, &sky, &north);
    EXPECT_EQ(frontEndMirrored, Frame(FrontEndState));
    EXPECT_EQ(frontEndPlain, Frame(FrontEndState)) << "no water on the screen: no reflection";

    // Empties the pond out of the terrain's cells before the level goes.
    m_pLevel->Init();
    LoadLevel(GROUND);
    Frame(FrontEndState);
    EXPECT_EQ(frontEndPlain, Frame(FrontEndState));
    EXPECT_EQ(inGamePlain, Frame(InGameState));
}

// The open console is drawn over everything else of the frame, the aiming
// cursor too.
TEST_F(ScreenStatesTest, TheOpenConsoleDrawsLast)
{
    LoadLevel(GROUND);
    BYTE keys[CFullKeyboard::KEY_COUNT] = {};
    CFullKeyboard keyboard;
    keyboard.SetStateBuffer(keys);
    g_Console.Init(nullptr, keys, &keyboard);
    keys[DIK_GRAVE] = 0x80;
    StartTrace();
    InGameState();
    ASSERT_TRUE(g_Console.IsOpen());
    const std::vector<std::string> drawn(std::find(s_Trace.begin(), s_Trace.end(), "CMenuManager::Draw"),
                                         s_Trace.end());
    EXPECT_EQ((std::vector<std::string>{"CMenuManager::Draw", "CInGameMouse::Draw", "CConsole::Draw"}), drawn);
    g_Console.Init(nullptr, nullptr, nullptr);
    g_InputManager.Reset();
}

// The input context is the menu's to give back as it closes over play.
TEST_F(ScreenStatesTest, EnterPlayPushesPlayWithTheGameCameraOnTheLocalController)
{
    CLevel& level = LoadLevel(GROUND);
    g_FreeCamera.m_pController = &g_LocalController;
    const size_t saved = g_Game.GetSavedStateCount();
    g_InputManager.PushContext(CInputManager::CONTEXT_MENU);
    const size_t contexts = g_InputManager.GetContextDepth();
    g_Game.EnterPlay();
    EXPECT_EQ(InGameState, g_Game.GetCurrentState());
    EXPECT_EQ(saved + 1, g_Game.GetSavedStateCount());
    EXPECT_EQ(contexts, g_InputManager.GetContextDepth());
    EXPECT_EQ(CLevel::STATE_PLAYING, level.GetState());
    EXPECT_EQ(&g_GameCamera, g_pActiveCamera);
    EXPECT_EQ(&g_LocalController, g_GameCamera.m_pController);
    EXPECT_EQ(nullptr, g_FreeCamera.m_pController);
    g_GameCamera.m_pController = nullptr;
    g_InputManager.Reset();
}

namespace {

class FreeCameraToggle : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        m_pSavedCamera = g_pActiveCamera;
        g_PlayerActor = &m_Player;
        m_Player.m_pController = &g_LocalController;
        if (GetParam()) {
            m_Player.m_pCar = &m_Car;
            m_Car.SetController(&g_LocalController);
        }
        g_pActiveCamera = &g_GameCamera;
        g_GameCamera.m_pController = &g_LocalController;
        g_FreeCamera.m_pController = nullptr;
    }

    void TearDown() override
    {
        m_Player.m_pCar = nullptr;
        g_PlayerActor = nullptr;
        g_GameCamera.m_pController = nullptr;
        g_FreeCamera.m_pController = nullptr;
        g_pActiveCamera = m_pSavedCamera;
    }

    void ExpectDriving(CController* player, CCamera& active, CCamera& idle)
    {
        EXPECT_EQ(player, m_Player.m_pController);
        if (GetParam()) {
            EXPECT_EQ(player, m_Car.GetController()) << "the car's driver follows the player";
        }
        EXPECT_EQ(&active, g_pActiveCamera);
        EXPECT_EQ(&g_LocalController, active.m_pController);
        EXPECT_EQ(nullptr, idle.m_pController);
    }

    CGameActor m_Player;
    CCar m_Car;
    CCamera* m_pSavedCamera = nullptr;
};

} // namespace

TEST_P(FreeCameraToggle, TheLocalControllerMovesToTheFreeCameraAndBack)
{
    ToggleFreeCamera();
    ExpectDriving(nullptr, g_FreeCamera, g_GameCamera);
    ToggleFreeCamera();
    ExpectDriving(&g_LocalController, g_GameCamera, g_FreeCamera);
}

INSTANTIATE_TEST_SUITE_P(OnFootAndInACar, FreeCameraToggle, ::testing::Values(false, true));

TEST(MenuKey, OpensTheInGameMenuClosesTheSaveScreenAndOtherwiseReportsBack)
{
    // No screen current and none to open: nothing happens.
    const size_t events = g_CrimeFile.GetPendingEvents().size();
    HandleMenuKey();
    EXPECT_EQ(nullptr, g_MenuManager.GetCurrentScreen());
    EXPECT_EQ(events, g_CrimeFile.GetPendingEvents().size());

    CSingleScreen save;
    save.m_Name = "Save Options";
    g_MenuManager.PushScreen(&save);
    HandleMenuKey();
    EXPECT_EQ(nullptr, g_MenuManager.GetCurrentScreen()) << "the save screen is popped";

    CSingleScreen other;
    other.m_Name = "Options";
    g_MenuManager.PushScreen(&other);
    HandleMenuKey();
    EXPECT_EQ(&other, g_MenuManager.GetCurrentScreen());
    ASSERT_EQ(events + 1, g_CrimeFile.GetPendingEvents().size());
    EXPECT_EQ(CRIME_BACK, g_CrimeFile.GetPendingEvents().back().m_iType);
    g_MenuManager.PopScreen();
    g_CrimeFile.Update();

    // With the in-game menu listed, the key opens it over the paused level.
    auto* menu = new CSingleScreen();
    menu->m_Name = "Main In Game Screen";
    g_AssetManager.AddAsset(menu);
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    const std::string script = "SingleScreen \"Main In Game Screen\"\n";
    reader.Tokenise(script.data(), script.size());
    g_MenuManager.Load(reader);
    CLevel level;
    level.SetState(CLevel::STATE_PLAYING);
    g_pLevel = &level;
    HandleMenuKey();
    g_pLevel = nullptr;
    EXPECT_EQ(menu, g_MenuManager.GetCurrentScreen());
    EXPECT_EQ(CInputManager::CONTEXT_MENU, g_InputManager.GetCurrentContext());
    EXPECT_EQ(CLevel::STATE_PAUSED, level.GetState());
    g_InputManager.Reset();
    g_AssetManager.Clear();
}
