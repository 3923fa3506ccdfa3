#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/Game.h"
#include "Core/Log.h"
#include "Display/Camera.h"
#include "Game/CrimeManager.h"
#include "Game/HUD.h"
#include "Game/MissionManager.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Level/Level.h"
#include "Menu/Button.h"
#include "Menu/CyclicObject.h"
#include "Menu/MenuFixture.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "Menu/SliderObject.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"
#include "platform/win32/Windows.h"
#include "support/FatalTrap.h"

namespace {

// A button under the cursor at x, y with a link.
std::string Plate(const std::string& link, float x, float y)
{
    return "Button Box\nLink \"" + link + "\"\nPos " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

// Three screens "A", "B" and "Tabs" whose buttons the tests click. A's
// buttons: the commands and links below, one a row; "Tabs" has two
// overlapping tabs over a menu button, and a menu button of its own.
class MenuScreensTest : public MenuFixture {
protected:
    void SetUp() override
    {
        MenuFixture::SetUp();
        // Play's input, under whatever menu a test opens.
        g_InputManager.Reset();
        Load<CButton>("Scripts\\MenuButtons.txt",
                      "Button Box\nTexture Box\nNormalButtonColor 1 0.2 0.2 0.2\nOverButtonColor 1 0.9 0.9 0.9\n");
        std::string a = "MenuScreen A\n";
        const char* links[] = {"B", "BK", "NG", "Q", "Nowhere", "RETRY"};
        for (int row = 0; row < 6; ++row)
            a += Plate(links[row], 0.0f, 0.1f * static_cast<float>(row));
        Load<CSingleMenu>("Scripts\\Menu\\MenuScreens.txt",
                          a + "MenuScreen B\n" + Plate("BK", 0.0f, 0.0f) + "MenuScreen Front\n" +
                              Plate("B", 0.5f, 0.5f) + "MenuScreen Behind\n" + Plate("A", 0.5f, 0.5f) +
                              "MenuScreen Other\n" + Plate("B", 0.7f, 0.7f) + "MenuScreen Save\n" +
                              Plate("SAVE_FILE", 0.0f, 0.0f) + "OPT1 3\n" + Plate("BK_MISS", 0.0f, 0.1f));
        Load<CSingleTabObject>("Scripts\\Menu\\SingleTabObjects.txt",
                               "SingleTabObject One\nTabButton Box\nPos 0.1 0.8\nMenuScreen Behind\n"
                               "SingleTabObject Two\nTabButton Box\nPos 0.15 0.8\nMenuScreen Other\n");
        Load<CMultiTabObject>("Scripts\\Menu\\MultiTabObjects.txt",
                              "MultiTabObject Pair\nSingleTabObject One\nSingleTabObject Two\nInitTab One\n");
        Load<CSingleScreen>("Scripts\\Menu\\SingleScreen.txt",
                            "SingleScreen A\nMenuScreen A\nSingleScreen B\nMenuScreen B\n"
                            "SingleScreen Tabs\nMenuScreen Front\nMultiTabObject Pair\n"
                            "SingleScreen NG\nMenuScreen B\nSingleScreen Save\nMenuScreen Save\n");
    }

    void TearDown() override
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        MenuFixture::TearDown();
    }

    void LoadManager(const std::string& text)
    {
        m_Dir.Write("Scripts/Menu/MenuManager.txt", text);
        CDataBuffer reader;
        ASSERT_TRUE(reader.Init("Scripts\\Menu\\MenuManager.txt", SCRIPT_SEPARATORS));
        m_Manager.Load(reader);
    }

    void LoadAllScreens() { LoadManager("SingleScreen A\nSingleScreen B\nSingleScreen Tabs\nSingleScreen NG\nInitMenu A\n"); }

    void Click(float x, float y)
    {
        ClickAt(x, y);
        m_Manager.Update(m_Input, 0.1f);
    }

    std::string CurrentName() const
    {
        return m_Manager.GetCurrentScreen() != nullptr ? m_Manager.GetCurrentScreen()->m_Name : "(game)";
    }

    CMenuManager m_Manager;
};

TEST_F(MenuScreensTest, TheMenuAnswersBeforeTheTabsAndTheLastTabUnderAClickWins)
{
    CSingleScreen* tabs = Get<CSingleScreen>("Tabs");
    CMultiTabObject* pair = tabs->m_pMultiTab;
    CSingleTabObject* one = pair->FindTab("One");
    CSingleTabObject* two = pair->FindTab("Two");
    ASSERT_EQ(one, pair->GetCurrentTab());
    EXPECT_EQ(1, one->m_Active);
    EXPECT_FLOAT_EQ(0.9f, one->m_pTabButton->m_CurrentButtonColor.r) << "the current tab shows its over colour";
    EXPECT_FLOAT_EQ(0.2f, two->m_pTabButton->m_CurrentButtonColor.r);

    const float onBoth[] = {0.55f, 0.55f};
    EXPECT_EQ("B", tabs->FindClickedLink(onBoth)->m_Link) << "the screen's menu first";
    tabs->m_pMenu = nullptr;
    EXPECT_EQ("A", tabs->FindClickedLink(onBoth)->m_Link) << "then the current tab's menu";
    tabs->m_pMenu = Get<CSingleMenu>("Front");

    ClickAt(0.17f, 0.85f);
    tabs->Update(m_Input, 0.1f);
    EXPECT_EQ(two, pair->GetCurrentTab()) << "both tab buttons are under the cursor";
    EXPECT_EQ(0, one->m_Active);
    EXPECT_EQ(1, two->m_Active);
    EXPECT_FLOAT_EQ(0.2f, one->m_pTabButton->m_CurrentButtonColor.r);
    EXPECT_FLOAT_EQ(0.9f, two->m_pTabButton->m_CurrentButtonColor.r);
    const float onOther[] = {0.75f, 0.75f};
    EXPECT_EQ("B", tabs->FindClickedLink(onOther)->m_Link);
    tabs->Draw();
}

TEST_F(MenuScreensTest, InitTabNeedsATabListedBeforeIt)
{
    EXPECT_FATAL(Load<CMultiTabObject>("Scripts\\Menu\\More.txt", "MultiTabObject Late\nInitTab Two\nSingleTabObject Two\n"),
                 "Invalid MultiTab InitialState?!?\nin Scripts\\Menu\\More.txt");
}

TEST_F(MenuScreensTest, LoadLeavesTheGameTwiceUnderTheFirstScreenAndBackReturnsToPlay)
{
    LoadAllScreens();
    EXPECT_EQ("A", CurrentName());
    EXPECT_EQ(2u, m_Manager.GetStackSize()) << "two null entries";
    EXPECT_EQ(nullptr, m_Manager.FindScreen("a")) << "names are exact";

    m_Manager.PushScreen(m_Manager.FindScreen("B"));
    m_Manager.PopScreen();
    EXPECT_EQ("A", CurrentName());
    const size_t inPlay = g_InputManager.GetContextDepth();
    g_InputManager.PushContext(CInputManager::CONTEXT_MENU);
    CLevel level;
    g_pLevel = &level;
    m_Manager.PopScreen();
    g_pLevel = nullptr;
    EXPECT_EQ("(game)", CurrentName());
    EXPECT_EQ(CInputManager::CONTEXT_PLAY, g_InputManager.GetCurrentContext());
    EXPECT_EQ(inPlay, g_InputManager.GetContextDepth()) << "as before the menu opened";
    EXPECT_EQ(CLevel::STATE_PLAYING, level.GetState()) << "the level plays again";
    g_InputManager.Reset();
    m_Manager.Update(m_Input, 0.1f);
    m_Manager.Draw();
    m_Manager.PopScreen();
    m_Manager.PopScreen();
    EXPECT_EQ(0u, m_Manager.GetStackSize()) << "an empty stack stays empty";
}

TEST_F(MenuScreensTest, BackToTheGameShowsTheHudAndKeepsTheAimOnlyOnFootWithAWeapon)
{
    CSingleScreen* const screen = Get<CSingleScreen>("B");
    const bool wasShown = g_InGameMouse.IsVisible();
    CGameActor player;
    CCar car;
    const struct {
        const char* seen;
        bool player, inCar, armed;
        bool cursorShown;
        uint8_t hud;
    } backs[] = {
        {"no player yet", false, false, true, true, 0},
        {"on foot with a weapon", true, false, true, true, 1},
        {"on foot, empty-handed", true, false, false, false, 1},
        {"in a car with a weapon", true, true, true, false, 1},
    };
    for (const auto& back : backs) {
        SCOPED_TRACE(back.seen);
        player.ClearWeapons();
        if (back.armed)
            player.PickUpWeapon(std::make_unique<CWeapon>());
        player.m_pCar = back.inCar ? &car : nullptr;
        g_PlayerActor = back.player ? &player : nullptr;
        g_HUD.m_bVisible = 0;
        g_InGameMouse.SetVisible(true);
        CMenuManager menus;
        menus.PushScreen(screen);
        menus.PushScreen(screen);
        menus.PopScreen();
        EXPECT_EQ(screen, menus.GetCurrentScreen());
        EXPECT_TRUE(g_InGameMouse.IsVisible()) << "only back to the game touches the play";
        EXPECT_EQ(0, g_HUD.m_bVisible);
        menus.PopScreen();
        EXPECT_EQ(nullptr, menus.GetCurrentScreen());
        EXPECT_EQ(back.cursorShown, g_InGameMouse.IsVisible());
        EXPECT_EQ(back.hud, g_HUD.m_bVisible);
    }
    player.m_pCar = nullptr;
    g_PlayerActor = nullptr;
    g_HUD.m_bVisible = 0;
    g_InGameMouse.SetVisible(wasShown);
    g_InputManager.Reset();
}

TEST_F(MenuScreensTest, ClicksRunCommandsBeforeScreenNames)
{
    LoadAllScreens();
    Click(0.05f, 0.05f);
    EXPECT_EQ("B", CurrentName()) << "a screen link pushes";
    EXPECT_EQ(3u, m_Manager.GetStackSize());
    Click(0.05f, 0.05f);
    EXPECT_EQ("A", CurrentName()) << "B's own BK";

    const struct {
        float y;
        const char* link;
        const char* shown;
        size_t stack;
    } clicks[] = {
        {0.55f, "RETRY", "(game)", 1}, // plays on, never the screen of that name
        {0.45f, "Nowhere", "A", 2},    // no such screen: nothing
        {0.15f, "BK", "(game)", 1},    // back to the game
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.link);
        if (CurrentName() != "A")
            m_Manager.PushScreen(m_Manager.FindScreen("A"));
        Click(0.05f, click.y);
        EXPECT_EQ(click.shown, CurrentName());
        EXPECT_EQ(click.stack, m_Manager.GetStackSize());
    }
    g_InputManager.Reset();

    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    m_Manager.PushScreen(m_Manager.FindScreen("A"));
    Click(0.05f, 0.35f);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message) << "Q posts the quit";

    m_Input.m_bReleased = false;
    m_Input.MoveTo(0.05f, 0.05f);
    m_Manager.Update(m_Input, 0.1f);
    EXPECT_EQ("A", CurrentName()) << "no release, no click";
}

// The save screen's buttons speak to the running save point through the
// crime events; a slot's button then shows the stamp of the file it wrote.
TEST_F(MenuScreensTest, SaveButtonsReportTheirEventsAndASlotShowsItsStamp)
{
    LoadManager("SingleScreen Save\nInitMenu Save\n");
    ASSERT_EQ("Save", CurrentName());
    CButton& slot = *m_Manager.GetCurrentScreen()->m_pMenu->GetButtons().front();
    const std::string caption = slot.m_Caption;
    const struct {
        const char* file;
        float y;
        int type;
        intptr_t value;
        std::string caption;
    } clicks[] = {
        {"", 0.05f, CRIME_SAVE, 3, caption}, // no file: the caption stays
        {"MissionsOpen\n\nExtrasOpen\n\nStartingPos: 0 0 0\nTimeStamp: 04/22/05 13:05:09", 0.05f, CRIME_SAVE, 3,
         "13:5:9 \n4/22/5"},
        {"", 0.15f, CRIME_BACK, 0, "13:5:9 \n4/22/5"},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.y);
        if (*click.file != '\0')
            m_Dir.Write("Saves/3.txt", click.file);
        Click(0.05f, click.y);
        ASSERT_EQ(1u, g_CrimeFile.GetPendingEvents().size());
        EXPECT_EQ(click.type, g_CrimeFile.GetPendingEvents().back().m_iType);
        EXPECT_EQ(click.value, g_CrimeFile.GetPendingEvents().back().m_Value);
        EXPECT_EQ(click.caption, slot.m_Caption);
        g_CrimeFile.ClearPending();
    }
    EXPECT_EQ("Save", CurrentName()) << "the save point, not the menu, closes the screen";
    g_InputManager.Reset();
}

TEST_F(MenuScreensTest, NewGameEntersPlayClosesTheMenuAndIsNeverTheScreenOfThatName)
{
    LoadAllScreens();
    m_Manager.SetPlayStarter([] { g_Game.EnterPlay(); });
    CCamera* const savedCamera = g_pActiveCamera;
    CLevel level;
    g_pLevel = &level;
    const size_t inPlay = g_InputManager.GetContextDepth();
    g_InputManager.PushContext(CInputManager::CONTEXT_MENU);
    Click(0.05f, 0.25f);
    g_pLevel = nullptr;
    EXPECT_EQ("(game)", CurrentName());
    EXPECT_EQ(InGameState, g_Game.GetCurrentState());
    EXPECT_EQ(CInputManager::CONTEXT_PLAY, g_InputManager.GetCurrentContext());
    EXPECT_EQ(inPlay, g_InputManager.GetContextDepth()) << "the menu's context came off, no second play's went on";
    EXPECT_EQ(CLevel::STATE_PLAYING, level.GetState());
    EXPECT_EQ(&g_GameCamera, g_pActiveCamera);
    EXPECT_EQ(&g_LocalController, g_GameCamera.m_pController);
    g_Game.PopState();
    g_GameCamera.m_pController = nullptr;
    g_pActiveCamera = savedCamera;
    g_InputManager.Reset();
}

// A new game begins where the introduction waits, the body moved with the
// player; with no introduction listed the player stays where it stood.
TEST_F(MenuScreensTest, NewGamePutsThePlayerWhereTheIntroductionWaits)
{
    LoadAllScreens();
    m_Dir.Write("Scripts/Mission/IntroPre.txt", "MissionStartPos -62 0.5 -58\n");
    ASSERT_TRUE(g_Physics.Init());
    CGameActor player;
    player.CreatePhysics();
    CGameActor* const savedPlayer = g_PlayerActor;
    g_PlayerActor = &player;
    const D3DXVECTOR3 standing(5, 1, 7);
    const struct {
        bool m_bIntro;
        D3DXVECTOR3 m_Expected;
    } cases[] = {{false, standing}, {true, D3DXVECTOR3(-62, 0.5f, -58)}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.m_bIntro);
        g_MissionManager.Clear();
        if (test.m_bIntro) {
            ASSERT_NE(nullptr, g_MissionManager.CreateMission("Intro"));
        }
        player.m_Model.SetPosition(&standing);
        player.SyncPhysicsPose();
        const NxVec3 before = player.m_PhysicsObject.m_pActor->getGlobalPosition();
        if (CurrentName() != "A")
            m_Manager.PushScreen(Get<CSingleScreen>("A"));
        g_InputManager.PushContext(CInputManager::CONTEXT_MENU);
        Click(0.05f, 0.25f);
        EXPECT_EQ("(game)", CurrentName());
        const D3DXMATRIX& placed = player.m_Model.m_matObject;
        EXPECT_EQ(test.m_Expected, D3DXVECTOR3(placed._41, placed._42, placed._43));
        const NxVec3 body = player.m_PhysicsObject.m_pActor->getGlobalPosition() - before;
        const D3DXVECTOR3 miss = D3DXVECTOR3(body.x, body.y, body.z) - (test.m_Expected - standing);
        EXPECT_NEAR(0.0f, D3DXVec3Length(&miss), 1e-4f) << "the body moved with the player";
    }
    g_MissionManager.Clear();
    g_PlayerActor = savedPlayer;
    player.Shutdown();
    g_Physics.Shutdown();
    g_InputManager.Reset();
}

TEST_F(MenuScreensTest, TheManagerScriptKnowsTwoKeywords)
{
    EXPECT_FATAL(LoadManager("SingleScreen A\nScreen B\n"),
                 "Unknown keyword \"Screen\" in Scripts\\Menu\\MenuManager.txt");
    EXPECT_FATAL(LoadManager("SingleScreen Missing\n"), "Unable to find asset \"Missing\" of type <CSingleScreen>");
}

TEST_F(MenuScreensTest, AnInitialMenuThatIsNotListedIsLogged)
{
    LoadManager("SingleScreen A\nInitMenu B\n");
    EXPECT_EQ(nullptr, m_Manager.GetCurrentScreen());
    EXPECT_EQ(1u, m_Manager.GetStackSize());
    EXPECT_NE(std::string::npos, Log().find("Warning: InitMenu names no listed screen, the front end shows none: B"))
        << Log();
}

} // namespace
