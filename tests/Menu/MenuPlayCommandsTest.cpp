// The menus' ways into play on a loaded test level: retrying, the load
// screen's slots, continuing from the latest save and the credits.

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Game/ProgressData.h"
#include "Input/InputManager.h"
#include "Level/GameTimer.h"
#include "Level/LevelFixture.h"
#include "Menu/Button.h"
#include "Menu/MenuFixture.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "platform/novodex/NxActor.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Windows.h"

namespace {

const char* const GROUND = "Terrain Ground\nCar Buggy Pos 30 0.5 40\n";
const D3DXVECTOR3 STANDING(60.0f, 1.0f, 60.0f);
const D3DXVECTOR3 RUN_START(20.0f, 0.5f, 30.0f);
const float NORMAL_RATIO = 1.0f;
const float RUN_RATIO = 0.5f;

// Runs until the test is done with it.
class RunningMission : public CMission {
public:
    int Update() override { return MISSION_RUNNING; }
};

std::unique_ptr<CMission> MakeRunning()
{
    return std::make_unique<RunningMission>();
}

// A button under the cursor at x, y with a link and, for a slot, its number.
std::string Plate(const std::string& link, float y, int option = 0)
{
    return "Button Box\nLink \"" + link + "\"\nOPT1 " + std::to_string(option) + "\nPos 0.5 " + std::to_string(y) +
           "\n";
}

// A load screen of `slots` slot buttons after its title, Back and label.
std::string LoadMenu(const std::string& name, int slots)
{
    std::string menu = "MenuScreen \"" + name + "\"\nButton Text\nCaption \"Load Game\"\n" + Plate("BK", 0.0f) +
                       "Button Text\nCaption \"Choose a slot\"\n";
    for (int slot = 1; slot <= slots; ++slot)
        menu += Plate("LOAD_FILE", 0.05f * static_cast<float>(slot), slot) + "Caption \"Slot " +
                std::to_string(slot) + "\"\n";
    return menu;
}

// "Front" holds the commands (Continue, Load Game, Credits, Retry, one a
// row), "Load Options" ten slots, "Short Load" five, "Credits Screen" a Back.
class MenuPlayCommandsTest : public MenuFixtureOn<LevelFixture> {
protected:
    void SetUp() override
    {
        StartPhysics();
        MenuFixtureOn<LevelFixture>::SetUp();
        g_InputManager.Reset();
        Load<CButton>("Scripts\\MenuButtons.txt", "Button Box\nTexture Box\nButton Text\n");
        Load<CSingleMenu>("Scripts\\Menu\\MenuScreens.txt",
                          "MenuScreen Front\n" + Plate("LG", 0.0f) + Plate("Load Options", 0.1f) +
                              Plate("Credits Screen", 0.2f) + Plate("RETRY", 0.3f) + LoadMenu("Load Options", 10) +
                              LoadMenu("Short Load", 5) + "MenuScreen \"Credits Screen\"\n" + Plate("BK", 0.9f));
        Load<CSingleScreen>("Scripts\\Menu\\SingleScreen.txt",
                            "SingleScreen Front\nMenuScreen Front\nSingleScreen \"Load Options\"\n"
                            "MenuScreen \"Load Options\"\nSingleScreen \"Credits Screen\"\n"
                            "MenuScreen \"Credits Screen\"\n");

        m_Dir.Write("Scripts/Mission/RunPre.txt", "MissionStartPos 20 0.5 30\nStartingRadius 3\n"
                                                  "MissionStartFile Scripts\\Mission\\Run.txt\n");
        m_Dir.Write("Scripts/Mission/Run.txt", "TimeRatio 0.5\n");
        m_Dir.Write("Scripts/Mission/WaitPre.txt", "MissionStartPos 100 0.5 100\nStartingRadius 3\n");
        m_Dir.Write("Scripts/Mission/CreditsPre.txt", "MissionStartPos 9 0 9\n");
        m_Dir.Write("Scripts/Mission/Credits.txt", "TimeRatio 1\n");
        g_MissionManager.AddMissionClass({"Run", &MakeRunning, false});
        g_MissionManager.AddMissionClass({"Wait", &MakeRunning, false});
        g_GameTimer.SetTimeRatio(NORMAL_RATIO);

        g_PlayerActor = &g_Player;
        g_Player.CreatePhysics();
        LoadLevel(GROUND);
        PlaceViewer(30, 40);
        m_pLevel->Update();
        Stand(STANDING);
    }

    // The level and the player go before the prototypes they were copied from.
    void TearDown() override
    {
        g_MissionManager.Clear();
        g_Player.m_pCar = nullptr;
        g_pLevel = nullptr;
        m_pLevel.reset();
        g_PlayerActor = nullptr;
        g_Player.Shutdown();
        g_Player = CGameActor();
        g_GameTimer.SetTimeRatio(NORMAL_RATIO);
        g_InputManager.Reset();
        MenuFixtureOn<LevelFixture>::TearDown();
    }

    void LoadManager(const std::string& text)
    {
        m_Dir.Write("Scripts/Menu/MenuManager.txt", text);
        CDataBuffer reader;
        ASSERT_TRUE(reader.Init("Scripts\\Menu\\MenuManager.txt", SCRIPT_SEPARATORS));
        m_Manager.Load(reader);
    }
    void LoadAllScreens()
    {
        LoadManager("SingleScreen Front\nSingleScreen \"Load Options\"\nSingleScreen \"Credits Screen\"\n"
                    "InitMenu Front\n");
    }

    void Click(float y)
    {
        ClickAt(0.55f, y + 0.01f);
        m_Manager.Update(m_Input, 0.1f);
    }

    std::string CurrentName() const
    {
        return m_Manager.GetCurrentScreen() != nullptr ? m_Manager.GetCurrentScreen()->m_Name : "(game)";
    }

    CButton& SlotButton(const char* screen, int slot) const
    {
        return *m_Manager.FindScreen(screen)->m_pMenu->GetButtons().at(static_cast<size_t>(slot) + 2);
    }

    static void Stand(const D3DXVECTOR3& at)
    {
        g_Player.m_Model.SetPosition(&at);
        g_Player.m_Model.UpdateWorldMatrix();
        g_Player.SyncPhysicsPose();
    }

    static D3DXVECTOR3 PlayerAt()
    {
        const D3DXMATRIX& object = g_Player.m_Model.m_matObject;
        return D3DXVECTOR3(object._41, object._42, object._43);
    }

    static D3DXVECTOR3 BodyAt()
    {
        const NxVec3 body = g_Player.m_PhysicsObject.m_pActor->getGlobalPosition();
        return D3DXVECTOR3(body.x, body.y, body.z);
    }

    // A save in `slot` stamped at the given local time, resuming at `at`.
    void SaveAt(int slot, const SYSTEMTIME& time, const D3DXVECTOR3& at)
    {
        CMission savePoint;
        const std::string script = "Scripts/Mission/Point" + std::to_string(slot) + ".txt";
        m_Dir.Write(script, "MissionStartPos " + std::to_string(at.x) + " " + std::to_string(at.y) + " " +
                                std::to_string(at.z) + "\n");
        savePoint.LoadStartFile(script);
        Win32Platform::SetFixedLocalTime(&time);
        ASSERT_TRUE(SaveProgress(SaveSlotPath(slot), &savePoint));
        Win32Platform::SetFixedLocalTime(nullptr);
    }

    CMenuManager m_Manager;
};

const SYSTEMTIME MORNING = {2005, 4, 5, 22, 9, 30, 0, 0};
const SYSTEMTIME EVENING = {2005, 4, 5, 22, 21, 5, 9, 0};

TEST_F(MenuPlayCommandsTest, TheLoadScreenShowsTheStampsOfTheSlotsThatRead)
{
    LoadAllScreens();
    SaveAt(2, EVENING, STANDING);
    SaveAt(10, MORNING, STANDING);
    m_Dir.Write("Saves/4.txt", "MissionsOpen\n\nExtrasOpen\n\nStartingPos: 0 0 0\n");
    Click(0.1f);
    ASSERT_EQ("Load Options", CurrentName());
    for (int slot = 1; slot <= 10; ++slot) {
        SCOPED_TRACE(slot);
        const std::string expected = slot == 2 ? "21:5:9 \n4/22/5" : slot == 10 ? "9:30:0 \n4/22/5"
                                                                                 : "Slot " + std::to_string(slot);
        EXPECT_EQ(expected, SlotButton("Load Options", slot).m_Caption);
    }

    // Eight buttons hold five slots: the sixth save has no button to show on.
    SaveAt(5, MORNING, STANDING);
    SaveAt(6, MORNING, STANDING);
    m_Manager.PopScreen();
    m_Manager.FindScreen("Load Options")->m_pMenu = Get<CSingleMenu>("Short Load");
    Click(0.1f);
    ASSERT_EQ("Load Options", CurrentName());
    EXPECT_EQ(8u, m_Manager.GetCurrentScreen()->m_pMenu->GetButtons().size());
    EXPECT_EQ("21:5:9 \n4/22/5", SlotButton("Load Options", 2).m_Caption);
    EXPECT_EQ("Slot 4", SlotButton("Load Options", 4).m_Caption);
    EXPECT_EQ("9:30:0 \n4/22/5", SlotButton("Load Options", 5).m_Caption);
}

// The credits race the player outside the list, behind their screen.
TEST_F(MenuPlayCommandsTest, CreditsPlayBehindTheirScreenAndNeedIt)
{
    LoadManager("SingleScreen Front\nInitMenu Front\n");
    Click(0.2f);
    EXPECT_EQ("Front", CurrentName()) << "without the screen nothing happens";
    EXPECT_EQ(nullptr, g_MissionManager.GetCurrentMission());

    LoadAllScreens();
    Click(0.2f);
    EXPECT_EQ("Credits Screen", CurrentName());
    const CMission* credits = g_MissionManager.GetCurrentMission();
    ASSERT_NE(nullptr, credits);
    EXPECT_EQ("Credits", credits->GetName());
    EXPECT_EQ(nullptr, g_MissionManager.FindMission("Credits")) << "never listed";
    Click(0.9f);
    EXPECT_EQ("Front", CurrentName()) << "Back";
}

// Retry reads the level again and plays on: the running mission from its
// start in a fresh copy (the clock at its speed, the normal one kept for its
// end), the waiting ones renewed, the player alive, on foot and still.
TEST_F(MenuPlayCommandsTest, RetryRestartsTheRunningMissionWithThePlayerAliveAtItsStart)
{
    const struct {
        const char* seen;
        bool running;
        bool seated;
        bool dead;
    } retries[] = {
        {"no mission running", false, false, false},
        {"a mission running", true, false, false},
        {"seated in a car", true, true, false},
        {"dead", false, false, true},
        {"dead in a car during a mission", true, true, true},
    };
    for (const auto& retry : retries) {
        SCOPED_TRACE(retry.seen);
        g_MissionManager.Clear();
        g_GameTimer.SetTimeRatio(NORMAL_RATIO);
        const CMission* waiting = g_MissionManager.CreateMission("Wait");
        g_MissionManager.CreateMission("Run");
        Stand(retry.running ? RUN_START : STANDING);
        g_MissionManager.Update();
        ASSERT_EQ(retry.running, g_MissionManager.GetCurrentMission() != nullptr);
        const CMission* old = g_MissionManager.GetCurrentMission();
        if (retry.running) {
            ASSERT_FLOAT_EQ(RUN_RATIO, g_GameTimer.GetTimeRatio());
            Stand(STANDING);
        }
        if (retry.seated) {
            m_pLevel->Update();
            ASSERT_FALSE(m_pLevel->GetActiveCars().empty());
            g_Player.EnterCar(m_pLevel->GetActiveCars().front());
            ASSERT_NE(nullptr, g_Player.m_pCar);
        }
        if (retry.dead) {
            g_Player.m_fCurrentLife = 0.0f;
            g_Player.m_bAlive = false;
        }
        g_Player.m_vVelocity = D3DXVECTOR3(3, 0, 4);
        g_Player.m_PhysicsObject.m_pActor->setLinearVelocity(NxVec3(3, 0, 4));

        m_Manager.PushScreen(nullptr);
        m_Manager.PushScreen(Get<CSingleScreen>("Front"));
        Click(0.3f);

        EXPECT_EQ("(game)", CurrentName());
        EXPECT_EQ(nullptr, g_Player.m_pCar);
        EXPECT_TRUE(g_Player.m_bAlive);
        EXPECT_FLOAT_EQ(g_Player.m_fMaxLife, g_Player.m_fCurrentLife);
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), g_Player.m_vVelocity);
        const NxVec3 velocity = g_Player.m_PhysicsObject.m_pActor->getLinearVelocity();
        EXPECT_EQ(0.0f, velocity.magnitude());
        ASSERT_EQ(2u, g_MissionManager.GetMissionCount());
        EXPECT_NE(waiting, g_MissionManager.GetMission(0)) << "a fresh copy";
        EXPECT_EQ("Wait", g_MissionManager.GetMission(0)->GetName());
        const CMission* now = g_MissionManager.GetCurrentMission();
        if (!retry.running) {
            EXPECT_EQ(nullptr, now);
            if (!retry.seated) {
                EXPECT_EQ(STANDING, PlayerAt()) << "where the reloaded script leaves him";
            }
            continue;
        }
        ASSERT_NE(nullptr, now);
        EXPECT_NE(old, now);
        EXPECT_EQ("Run", now->GetName());
        EXPECT_FLOAT_EQ(RUN_RATIO, g_GameTimer.GetTimeRatio());
        EXPECT_FLOAT_EQ(NORMAL_RATIO, now->GetSavedTimeRatio()) << "not the old copy's speed";
        EXPECT_EQ(RUN_START, PlayerAt());
        const D3DXVECTOR3 body = BodyAt() - RUN_START;
        EXPECT_NEAR(0.0f, D3DXVec3Length(&body), 1e-4f) << "the body with him";
    }
}

} // namespace
