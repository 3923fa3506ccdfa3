// The game's own menu scripts: every screen the game and the links name is
// there, the options screens hold what the commands look for, and the front
// end draws its plates in the colours of their looks.

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "Input/InputManager.h"
#include "Menu/Button.h"
#include "Menu/CyclicObject.h"
#include "Menu/MenuFixture.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "Menu/SliderObject.h"
#include "support/ShippedScripts.h"

namespace {

const char* const COMMANDS[] = {"Q",    "RETRY",   "BK",             "NG",        "CTRL",         "LG",
                                "D_AP", "BK_MISS", "Credits Screen", "SAVE_FILE", "Load Options", "LOAD_FILE"};

template <class Base>
class ShippedMenusOn : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        if (g_Display.GetD3DDevice() == nullptr)
            this->CreateDisplay();
        LoadMenuScripts();
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        CDataBuffer reader;
        ASSERT_TRUE(reader.Init("Scripts\\Menu\\MenuManager.txt", SCRIPT_SEPARATORS));
        m_Manager.Load(reader);
    }

    void TearDown() override
    {
        ReleaseMenuAssets();
        Base::TearDown();
    }

    CSingleMenu* MenuOf(const char* screen) const
    {
        const CSingleScreen* found = m_Manager.FindScreen(screen);
        return found != nullptr ? found->m_pMenu : nullptr;
    }

    CMenuManager m_Manager;
    FakeMenuInput m_Input;
};

typedef ShippedMenusOn<DisplayFixture> ShippedMenusTest;
typedef ShippedMenusOn<GlDisplayFixture> GlShippedMenusTest;

std::vector<int> OptionValues(const CCyclicObject* cyclic)
{
    std::vector<int> values;
    for (const CButton* option : cyclic->GetOptions())
        values.push_back(option->m_Option1);
    return values;
}

TEST_F(ShippedMenusTest, TheFrontEndStartsOnTheMainMenuAndEveryLinkLeadsSomewhere)
{
    ASSERT_NE(nullptr, m_Manager.GetCurrentScreen());
    EXPECT_EQ("Main Menu", m_Manager.GetCurrentScreen()->m_Name);
    EXPECT_EQ(2u, m_Manager.GetStackSize());
    for (const char* screen : {"Main In Game Screen", "Options", "Display Options", "Sound Options", "Controls"})
        EXPECT_NE(nullptr, MenuOf(screen)) << screen;

    const std::set<std::string> commands(std::begin(COMMANDS), std::end(COMMANDS));
    std::vector<const CSingleMenu*> menus;
    for (const char* screen : {"Main Menu", "Main In Game Screen", "Options", "Display Options", "Sound Options",
                               "Controls"})
        menus.push_back(MenuOf(screen));
    for (const CSingleTabObject* tab : m_Manager.FindScreen("Controls")->m_pMultiTab->GetTabs())
        menus.push_back(tab->m_pMenu);
    for (const CSingleMenu* menu : menus) {
        for (const auto& button : menu->GetButtons()) {
            if (button->m_Link.empty())
                continue;
            EXPECT_TRUE(commands.count(button->m_Link) == 1 || m_Manager.FindScreen(button->m_Link) != nullptr)
                << menu->m_Name << ": " << button->m_Link;
        }
    }
}

TEST_F(ShippedMenusTest, TheOptionsScreensHoldWhatTheCommandsLookFor)
{
    const CSingleMenu* display = MenuOf("Display Options");
    EXPECT_EQ((std::vector<int>{0, 1}), OptionValues(display->FindCyclicObject("FullScreenModes")));
    EXPECT_EQ((std::vector<int>{60, 70, 75, 85}), OptionValues(display->FindCyclicObject("RefreshRates")));
    EXPECT_EQ((std::vector<int>{0, 1}), OptionValues(display->FindCyclicObject("VSync")));
    const CCyclicObject* resolutions = display->FindCyclicObject("Resolutions");
    ASSERT_EQ(6u, resolutions->GetOptions().size());
    EXPECT_EQ(640, resolutions->GetOptions().front()->m_Option1);
    EXPECT_EQ(480, resolutions->GetOptions().front()->m_Option2);
    EXPECT_EQ(1280, resolutions->GetOptions().back()->m_Option1);
    EXPECT_EQ(1024, resolutions->GetOptions().back()->m_Option2);

    const auto& sliders = MenuOf("Sound Options")->GetSliders();
    ASSERT_EQ(2u, sliders.size());
    EXPECT_EQ(CSliderObject::APPLY_EFFECTS_VOLUME, sliders[0]->GetKnob()->m_Option1);
    EXPECT_EQ(CSliderObject::APPLY_MUSIC_VOLUME, sliders[1]->GetKnob()->m_Option1);

    const CMultiTabObject* tabs = m_Manager.FindScreen("Controls")->m_pMultiTab;
    ASSERT_EQ(3u, tabs->GetTabs().size());
    EXPECT_EQ("On Foot", tabs->GetCurrentTab()->m_Name);
    g_InputManager.Reset();
    int rebinds = 0;
    for (const CSingleTabObject* tab : tabs->GetTabs()) {
        for (const auto& button : tab->m_pMenu->GetButtons()) {
            if (button->m_Link != "CTRL")
                continue;
            ++rebinds;
            EXPECT_GE(g_InputManager.FindAction(button->m_StringOption.c_str(), button->m_Option1), 0)
                << tab->m_Name << ": " << button->m_StringOption;
        }
    }
    EXPECT_EQ(20, rebinds);
}

// The pixel in the middle of a plate, 0xAARRGGBB.
uint32_t PlateCentre(const std::vector<uint32_t>& pixels, UINT width, const CButton& plate)
{
    const UINT x = static_cast<UINT>((plate.m_Position[0] + plate.GetRight()) * 0.5f * 640.0f);
    const UINT y = static_cast<UINT>((plate.m_Position[1] + plate.GetBottom()) * 0.5f * 480.0f);
    return pixels[static_cast<size_t>(y) * width + x];
}

int Channel(uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

TEST_F(GlShippedMenusTest, ThePlateUnderTheCursorTakesItsOverLook)
{
    const auto& buttons = MenuOf("Main Menu")->GetButtons();
    const CButton& options = *buttons[2];
    const CButton& quit = *buttons[3];
    ASSERT_EQ("Options", options.m_Link);
    m_Input.MoveTo(0.5f, (options.m_Position[1] + options.GetBottom()) * 0.5f);
    for (int frame = 0; frame < 3; ++frame)
        m_Manager.Update(m_Input, 0.5f);

    ASSERT_TRUE(g_Display.BeginScene());
    m_Manager.Draw();
    g_Display.EndScene();
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> pixels = ReadBackBuffer(width, height);
    ASSERT_EQ(640u, width);

    const uint32_t over = PlateCentre(pixels, width, options);
    const uint32_t normal = PlateCentre(pixels, width, quit);
    EXPECT_GT(Channel(over, 16), Channel(over, 0)) << std::hex << over << ": amber";
    EXPECT_GT(Channel(normal, 0), Channel(normal, 16)) << std::hex << normal << ": blue";
    EXPECT_GT(Channel(normal, 0), 0);
    EXPECT_EQ(0u, pixels[0] & 0xFFFFFF) << "nothing drawn outside the plates";
}

} // namespace
