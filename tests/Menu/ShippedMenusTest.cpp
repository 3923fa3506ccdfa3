// The game's own menu scripts: every screen the game and the links name is
// there, the options screens hold what the commands look for, and the front
// end draws its plates in the colours of their looks.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Input/DeviceKeyboard.h"
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
const char* const SCREENS[] = {"Main Menu",     "Main In Game Screen", "Game Over Screen", "Options",
                               "Display Options", "Sound Options",       "Controls",         "Save Options",
                               "Load Options",    "Credits Screen"};
// The latest time and date a save slot's button can show.
const char* const WIDEST_STAMP = "23:59:59 \n12/31/99";
const char* const OPTIONS_SCREENS[] = {"Options", "Display Options", "Sound Options", "Controls"};
// The longest names of the mouse's and the joysticks' bindings; the keys'
// names come from the keyboard's own table.
const char* const LONGEST_DEVICE_NAMES[] = {"M-WHEEL DOWN", "M-X AXIS RIGHT", "M-WHEEL AXIS", "J_USLIDER_0"};

// The menus a screen shows: its own and, with tabs, each tab's.
std::vector<const CSingleMenu*> ShownMenus(const CSingleScreen& screen)
{
    std::vector<const CSingleMenu*> menus = {screen.m_pMenu};
    if (screen.m_pMultiTab != nullptr) {
        for (const CSingleTabObject* tab : screen.m_pMultiTab->GetTabs())
            menus.push_back(tab->m_pMenu);
    }
    return menus;
}

// Every part of a screen that a click acts on: linked buttons, tabs,
// arrows and knobs.
std::vector<const CButton*> Clickables(const CSingleScreen& screen)
{
    std::vector<const CButton*> parts;
    if (screen.m_pMultiTab != nullptr) {
        for (const CSingleTabObject* tab : screen.m_pMultiTab->GetTabs())
            parts.push_back(tab->m_pTabButton.get());
    }
    for (const CSingleMenu* menu : ShownMenus(screen)) {
        for (const auto& button : menu->GetButtons()) {
            if (!button->m_Link.empty())
                parts.push_back(button.get());
        }
        for (const auto& cyclic : menu->GetCyclicObjects())
            parts.insert(parts.end(), {cyclic->GetLeftArrow(), cyclic->GetRightArrow()});
        for (const auto& slider : menu->GetSliders())
            parts.insert(parts.end(), {slider->GetLeftArrow(), slider->GetRightArrow(), slider->GetKnob()});
    }
    return parts;
}

struct Area {
    float left, top, right, bottom;
};

Area AreaOf(const CButton& button)
{
    return {button.m_Position[0], button.m_Position[1], button.GetRight(), button.GetBottom()};
}

// A caption as the menus draw it.
// A caption's lines, each a line height (in the 480 rows of the menus'
// screen) below the one before.
Area TextArea(const CButton& button, const std::string& caption)
{
    const CFont2D* font = g_TextMaster.GetFont(g_FontVerdana13);
    const float lineStep = static_cast<float>(font->GetLineHeight()) / 480.0f;
    const float x = button.m_TextPosition[0];
    const float y = button.m_TextPosition[1];
    Area area = {x, y, x, y};
    float lineTop = y;
    for (size_t start = 0; start <= caption.size(); lineTop += lineStep) {
        const size_t end = std::min(caption.find('\n', start), caption.size());
        const std::string line = caption.substr(start, end - start);
        area.right = std::max(area.right, x + font->GetTextWidth(line.c_str()));
        area.bottom = std::max(area.bottom, lineTop + font->GetTextHeight(line.c_str()));
        start = end + 1;
    }
    return area;
}

// The cursor is over a button strictly inside it: touching edges share no point.
bool Overlap(const Area& a, const Area& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const Area& inner, const Area& outer)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const Area& area)
{
    return "(" + std::to_string(area.left) + ", " + std::to_string(area.top) + ")-(" + std::to_string(area.right) +
           ", " + std::to_string(area.bottom) + ")";
}

// Every name a controls button can show: the keys', the other devices'
// and the ones shown while a binding is awaited.
std::vector<std::string> BindingNames()
{
    std::vector<std::string> names(std::begin(LONGEST_DEVICE_NAMES), std::end(LONGEST_DEVICE_NAMES));
    for (int code = 0; code < DeviceKeyboard::KEY_COUNT; ++code)
        names.push_back(DeviceKeyboard::GetKeyName(code));
    names.push_back(CMenuManager::AWAITING_KEY);
    names.push_back(CMenuManager::AWAITING_AXIS);
    return names;
}

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
    for (const char* screen : SCREENS)
        EXPECT_NE(nullptr, MenuOf(screen)) << screen;

    const std::set<std::string> commands(std::begin(COMMANDS), std::end(COMMANDS));
    for (const char* screen : SCREENS) {
        for (const CSingleMenu* menu : ShownMenus(*m_Manager.FindScreen(screen))) {
            for (const auto& button : menu->GetButtons()) {
                if (button->m_Link.empty())
                    continue;
                EXPECT_TRUE(commands.count(button->m_Link) == 1 || m_Manager.FindScreen(button->m_Link) != nullptr)
                    << menu->m_Name << ": " << button->m_Link;
            }
        }
        for (const CButton* part : Clickables(*m_Manager.FindScreen(screen)))
            EXPECT_TRUE(Inside(AreaOf(*part), {0.0f, 0.0f, 1.0f, 1.0f})) << screen << ": " << part->m_Caption;
    }

    // The ways into play, from the front end, the pause and a lost game.
    const struct {
        const char* screen;
        std::vector<std::string> links;
    } ways[] = {
        {"Main Menu", {"NG", "LG", "Load Options", "Options", "Credits Screen", "Q"}},
        {"Main In Game Screen", {"BK", "RETRY", "Load Options", "Options", "Q"}},
        {"Game Over Screen", {"RETRY", "Load Options", "Q"}},
        {"Credits Screen", {"BK"}},
    };
    for (const auto& way : ways) {
        std::vector<std::string> links;
        for (const auto& button : MenuOf(way.screen)->GetButtons()) {
            if (!button->m_Link.empty())
                links.push_back(button->m_Link);
        }
        EXPECT_EQ(way.links, links) << way.screen;
    }
}

// Captions on plates stay on them, the key names and the wait for one
// included; captions alone run into nothing that takes a click; a cyclic
// object's values fit between its arrows.
TEST_F(ShippedMenusTest, EveryCaptionFitsWhereItIsDrawn)
{
    for (const char* name : SCREENS) {
        const CSingleScreen& screen = *m_Manager.FindScreen(name);
        const std::vector<const CButton*> clickables = Clickables(screen);
        for (const CSingleMenu* menu : ShownMenus(screen)) {
            for (const auto& button : menu->GetButtons()) {
                std::vector<std::string> captions = {button->m_Caption};
                if (button->m_Link == "CTRL")
                    captions = BindingNames();
                if (button->m_Link == "SAVE_FILE" || button->m_Link == "LOAD_FILE")
                    captions.push_back(WIDEST_STAMP);
                for (const std::string& caption : captions) {
                    const Area text = TextArea(*button, caption);
                    SCOPED_TRACE(menu->m_Name + ": \"" + caption + "\" at " + Describe(text));
                    EXPECT_TRUE(Inside(text, {0.0f, 0.0f, 1.0f, 1.0f})) << "on the screen";
                    if (button->m_pTexture != nullptr) {
                        EXPECT_TRUE(Inside(text, AreaOf(*button))) << "plate " << Describe(AreaOf(*button));
                        continue;
                    }
                    for (const CButton* other : clickables)
                        EXPECT_FALSE(Overlap(text, AreaOf(*other))) << "runs into " << other->m_Caption;
                }
            }
            for (const auto& cyclic : menu->GetCyclicObjects()) {
                const Area between = {cyclic->GetLeftArrow()->GetRight(), 0.0f, cyclic->GetRightArrow()->m_Position[0],
                                      1.0f};
                for (const CButton* option : cyclic->GetOptions())
                    EXPECT_TRUE(Inside(TextArea(*option, option->m_Caption), between))
                        << cyclic->m_Name << ": " << option->m_Caption << " between " << Describe(between);
            }
        }
    }
}

// A double click opens a screen and no more: nothing on the screen a link
// opens lies under that link, and a Back there lies over nothing of the
// screen it goes back to.
TEST_F(ShippedMenusTest, ADoubleClickRunsOneButton)
{
    for (const char* name : SCREENS) {
        const CSingleScreen& screen = *m_Manager.FindScreen(name);
        for (const CButton* link : Clickables(screen)) {
            const CSingleScreen* opened = m_Manager.FindScreen(link->m_Link);
            if (opened == nullptr)
                continue;
            for (const CButton* below : Clickables(*opened)) {
                EXPECT_FALSE(Overlap(AreaOf(*link), AreaOf(*below)))
                    << name << ": " << link->m_Caption << " opens " << opened->m_Name << " onto " << below->m_Caption;
                if (below->m_Link != "BK")
                    continue;
                for (const CButton* back : Clickables(screen))
                    EXPECT_FALSE(Overlap(AreaOf(*below), AreaOf(*back)))
                        << opened->m_Name << ": Back goes to " << name << " onto " << back->m_Caption;
            }
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

    // The save point and the load screen caption the slots by their place:
    // the fourth button on.
    const struct {
        const char* screen;
        const char* back;
        const char* slotCommand;
    } slotScreens[] = {{"Save Options", "BK_MISS", "SAVE_FILE"}, {"Load Options", "BK", "LOAD_FILE"}};
    for (const auto& slots : slotScreens) {
        SCOPED_TRACE(slots.screen);
        const auto& buttons = MenuOf(slots.screen)->GetButtons();
        ASSERT_EQ(13u, buttons.size());
        EXPECT_EQ(slots.back, buttons[1]->m_Link);
        for (size_t slot = 1; slot <= 10; ++slot) {
            EXPECT_EQ(slots.slotCommand, buttons[slot + 2]->m_Link);
            EXPECT_EQ(static_cast<int32_t>(slot), buttons[slot + 2]->m_Option1);
            EXPECT_EQ("Slot " + std::to_string(slot), buttons[slot + 2]->m_Caption);
        }
    }

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

    // On foot the player walks with the actions a car drives with; the
    // free camera's own four would rebind nothing a player moves by.
    std::set<std::string> onFoot;
    for (const auto& button : tabs->GetTabs().front()->m_pMenu->GetButtons()) {
        if (button->m_Link == "CTRL")
            onFoot.insert(button->m_StringOption);
    }
    for (const char* walking : {"Gas", "Brake", "Turn_Left", "Turn_Right"})
        EXPECT_EQ(1u, onFoot.count(walking)) << walking;
    for (const char* camera : {"Forward", "Backwards", "StrafLeft", "StrafRight"})
        EXPECT_EQ(0u, onFoot.count(camera)) << camera;
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
    const CButton& options = *buttons[4];
    const CButton& quit = *buttons[6];
    ASSERT_EQ("Options", options.m_Link);
    ASSERT_EQ("Q", quit.m_Link);
    m_Input.MoveTo((options.m_Position[0] + options.GetRight()) * 0.5f, (options.m_Position[1] + options.GetBottom()) * 0.5f);
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

// Over a bright town every caption alone on the options screens stands on
// a backdrop that darkens the town to less than half.
TEST_F(GlShippedMenusTest, TheOptionsScreensDrawABackdropBehindTheirCaptions)
{
    const D3DCOLOR bright = 0xFFFFFFFF;
    const int half = 0x80;
    for (const char* name : OPTIONS_SCREENS) {
        CSingleScreen* screen = m_Manager.FindScreen(name);
        m_Manager.PushScreen(screen);
        m_Manager.Update(m_Input, 0.5f);
        UINT width = 0;
        UINT height = 0;
        const std::vector<uint32_t> pixels = DrawScene(bright, width, height, [this] { m_Manager.Draw(); });
        m_Manager.PopScreen();
        ASSERT_EQ(640u, width);
        std::vector<const CSingleMenu*> drawn = {screen->m_pMenu};
        if (screen->m_pMultiTab != nullptr)
            drawn.push_back(screen->m_pMultiTab->GetCurrentTab()->m_pMenu);
        for (const CSingleMenu* menu : drawn) {
            for (const auto& button : menu->GetButtons()) {
                if (button->m_pTexture != nullptr || button->m_Caption.empty())
                    continue;
                // Just inside the caption's corner: the text itself is not drawn here.
                const UINT x = static_cast<UINT>(button->m_TextPosition[0] * 640.0f) + 2;
                const UINT y = static_cast<UINT>(button->m_TextPosition[1] * 480.0f) + 2;
                const uint32_t pixel = pixels[static_cast<size_t>(y) * width + x];
                const int brightest = std::max({Channel(pixel, 0), Channel(pixel, 8), Channel(pixel, 16)});
                EXPECT_LT(brightest, half) << name << ": " << button->m_Caption << " on " << std::hex << pixel;
            }
        }
    }
}

} // namespace
