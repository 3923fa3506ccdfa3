// The menus' ways into play on a loaded test level: retrying, the load
// screen's slots, continuing from the latest save and the credits.

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Game/ProgressData.h"
#include "Input/InputManager.h"
#include "Level/GameTimer.h"
#include "Game/Extras.h"
#include "Game/ExtrasLevel.h"
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

// A button a tenth of the screen high and wide at x, y with a link and, for
// a slot, its number.
std::string Plate(const std::string& link, float y, int option = 0, float x = 0.5f)
{
    return "Button Box\nLink \"" + link + "\"\nOPT1 " + std::to_string(option) + "\nPos " + std::to_string(x) + " " +
           std::to_string(y) + "\n";
}

// Slot buttons one above the other from the top.
float SlotY(int slot)
{
    return 0.1f * static_cast<float>(slot - 1);
}

// A load screen of `slots` slot buttons after its title, Back and label.
std::string LoadMenu(const std::string& name, int slots)
{
    std::string menu = "MenuScreen \"" + name + "\"\nButton Text\nCaption \"Load Game\"\n" +
                       Plate("BK", 0.9f, 0, 0.0f) + "Button Text\nCaption \"Choose a slot\"\n";
    for (int slot = 1; slot <= slots; ++slot)
        menu += Plate("LOAD_FILE", SlotY(slot), slot) + "Caption \"Slot " + std::to_string(slot) + "\"\n";
    return menu;
}

// "Front" holds the commands (Continue, Load Game, Credits, Retry, one a
// row), "Load Options" ten slots, "Short Load" five, "Credits Screen" a Back.
class MenuPlayCommandsTest : public MenuFixtureOn<ExtrasLevel> {
protected:
    void SetUp() override
    {
        MenuFixtureOn<ExtrasLevel>::SetUp();
        s_Starts = 0;
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
        MenuFixtureOn<ExtrasLevel>::TearDown();
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

    // Counts the starts of play instead of entering it.
    void CountStarts()
    {
        m_Manager.SetPlayStarter([] { ++s_Starts; });
    }

    // The level's weapons lying in the world by name.
    std::vector<std::string> WeaponsLying() const
    {
        std::vector<std::string> names;
        for (const auto& weapon : m_pLevel->GetWeapons())
            names.push_back(weapon->GetName());
        return names;
    }

    static std::vector<std::string> Listed()
    {
        std::vector<std::string> names;
        for (size_t i = 0; i < g_MissionManager.GetMissionCount(); ++i)
            names.push_back(g_MissionManager.GetMission(i)->GetName());
        return names;
    }

    static int s_Starts;
    CMenuManager m_Manager;
};

int MenuPlayCommandsTest::s_Starts = 0;

typedef std::vector<std::string> Names;

const SYSTEMTIME MORNING = {2005, 4, 5, 22, 9, 30, 0, 0};
const SYSTEMTIME EVENING = {2005, 4, 5, 22, 21, 5, 9, 0};
const SYSTEMTIME NEXT_MORNING = {2005, 4, 6, 23, 8, 0, 0, 0};
// Later than any other stamp, in a file that does not read.
const char* const CORRUPT_SAVE = "MissionsOpen\n#:Wait \nExtrasOpen\n\nStartingPos: 1 1 1\n"
                                 "TimeStamp: 12/31/99 23:59:59\nFreakout\n";

// Where each slot's save resumes.
D3DXVECTOR3 SlotSpot(int slot)
{
    return D3DXVECTOR3(10.0f * static_cast<float>(slot), 0.5f, 10.0f * static_cast<float>(slot));
}

// Continue plays on from the latest save: the first field that differs,
// from the year down, decides; equal stamps go to the lower slot; a file
// that does not read is passed over.
TEST_F(MenuPlayCommandsTest, ContinuePlaysOnFromTheLatestSave)
{
    LoadAllScreens();
    CountStarts();
    const struct {
        const char* seen;
        std::vector<std::pair<int, SYSTEMTIME>> saves;
        bool corruptSlot1;
        int chosen; // 0: none, the menu stays
    } continues[] = {
        {"no saves", {}, false, 0},
        {"only a corrupt one", {}, true, 0},
        {"two saves of a day", {{1, MORNING}, {3, EVENING}}, false, 3},
        {"across days", {{2, NEXT_MORNING}, {5, EVENING}}, false, 2},
        {"equal stamps", {{4, EVENING}, {2, EVENING}}, false, 2},
        {"a corrupt slot", {{5, MORNING}}, true, 5},
    };
    for (const auto& test : continues) {
        SCOPED_TRACE(test.seen);
        std::filesystem::remove_all(m_Dir.Path() + "/Saves");
        g_MissionManager.Clear();
        g_MissionManager.CreateMission("Wait");
        for (const auto& save : test.saves)
            SaveAt(save.first, save.second, SlotSpot(save.first));
        if (test.corruptSlot1)
            m_Dir.Write("Saves/1.txt", CORRUPT_SAVE);
        g_MissionManager.Clear();
        Stand(STANDING);
        s_Starts = 0;
        if (CurrentName() != "Front") {
            m_Manager.PushScreen(nullptr);
            m_Manager.PushScreen(m_Manager.FindScreen("Front"));
        }
        const size_t stack = m_Manager.GetStackSize();

        Click(0.0f);
        if (test.chosen == 0) {
            EXPECT_EQ("Front", CurrentName());
            EXPECT_EQ(stack, m_Manager.GetStackSize());
            EXPECT_EQ(0, s_Starts);
            EXPECT_EQ(STANDING, PlayerAt());
            EXPECT_TRUE(Listed().empty());
            continue;
        }
        EXPECT_EQ("(game)", CurrentName());
        EXPECT_EQ(1, s_Starts);
        EXPECT_EQ(SlotSpot(test.chosen), PlayerAt());
        EXPECT_EQ(Names{"Wait"}, Listed());
    }
}

// A loaded slot closes the load screen and the one that opened it and plays
// on from its save; a slot that does not read changes nothing.
TEST_F(MenuPlayCommandsTest, ALoadedSlotPlaysOnFromItsSave)
{
    LoadAllScreens();
    CountStarts();
    g_MissionManager.CreateMission("Wait");
    SaveAt(2, EVENING, SlotSpot(2));
    m_Dir.Write("Saves/3.txt", CORRUPT_SAVE);
    g_MissionManager.Clear();
    Stand(STANDING);
    Click(0.1f);
    ASSERT_EQ("Load Options", CurrentName());
    const size_t stack = m_Manager.GetStackSize();
    for (int slot : {3, 4}) {
        SCOPED_TRACE(slot);
        Click(SlotY(slot));
        EXPECT_EQ("Load Options", CurrentName());
        EXPECT_EQ(stack, m_Manager.GetStackSize());
        EXPECT_EQ(0, s_Starts);
        EXPECT_EQ(STANDING, PlayerAt());
        EXPECT_TRUE(Listed().empty());
    }

    Click(SlotY(2));
    EXPECT_EQ("(game)", CurrentName());
    EXPECT_EQ(stack - 2, m_Manager.GetStackSize()) << "two screens closed";
    EXPECT_EQ(1, s_Starts);
    EXPECT_EQ(SlotSpot(2), PlayerAt());
    EXPECT_EQ(Names{"Wait"}, Listed());
}

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
// end), the waiting ones renewed, the extras granted again, the player
// alive, on foot and still.
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
        g_UnlockedExtras.clear();
        ASSERT_NE(nullptr, SpawnItem("pistol"));
        g_Player.m_vVelocity = D3DXVECTOR3(3, 0, 4);
        g_Player.m_PhysicsObject.m_pActor->setLinearVelocity(NxVec3(3, 0, 4));

        m_Manager.PushScreen(nullptr);
        m_Manager.PushScreen(Get<CSingleScreen>("Front"));
        Click(0.3f);

        EXPECT_EQ("(game)", CurrentName());
        EXPECT_EQ(nullptr, g_Player.m_pCar);
        EXPECT_TRUE(g_Player.m_bAlive);
        EXPECT_FLOAT_EQ(g_Player.m_fMaxLife, g_Player.m_fCurrentLife);
        EXPECT_EQ(Names{"pistol"}, WeaponsLying()) << "granted again in the reloaded level";
        EXPECT_EQ(Names{"pistol"}, g_UnlockedExtras);
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
