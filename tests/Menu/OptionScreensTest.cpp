// The options screens: applying the display options on a device of state
// only with the adapter's modes set by the test, and filling the screens
// from the stored options.

#include <string>

#include <gtest/gtest.h>

#include "Core/Game.h"
#include "Menu/Button.h"
#include "Menu/CyclicObject.h"
#include "Menu/MenuFixture.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "Menu/SliderObject.h"
#include "Sound/Sound.h"
#include "platform/d3d8/D3D8Platform.h"

namespace {

const D3DDISPLAYMODE OFFERED_MODES[] = {
    {640, 480, 60, D3DFMT_X8R8G8B8},  {1024, 768, 60, D3DFMT_X8R8G8B8}, {1024, 768, 70, D3DFMT_X8R8G8B8},
    {1024, 768, 75, D3DFMT_X8R8G8B8}, {1024, 768, 70, D3DFMT_R5G6B5},
};
const D3DDISPLAYMODE DESKTOP = {1280, 1024, 60, D3DFMT_X8R8G8B8};

// The cyclic objects' options, in order.
enum { WINDOWED, FULL_SCREEN };
enum { RES_640, RES_1024, RES_1280 };
enum { HZ_60, HZ_70, HZ_75, HZ_85 };
enum { VSYNC_OFF, VSYNC_ON };

std::string Cyclic(const std::string& name, const std::string& options)
{
    return "CyclicObject " + name + "\nLB Box\nRB Box\nPos 0.2 0\n" + options;
}

std::string Option(int option1, int option2 = 0)
{
    return "Option Value\nOPT1 " + std::to_string(option1) + "\nOPT2 " + std::to_string(option2) + "\n";
}

class OptionScreensTest : public MenuFixture {
protected:
    void SetUp() override
    {
        D3D8Platform::SetAdapterModes(OFFERED_MODES, sizeof(OFFERED_MODES) / sizeof(OFFERED_MODES[0]));
        D3D8Platform::SetDesktopMode(DESKTOP);
        MenuFixture::SetUp();
        g_Game.m_Options = CUserOptions();
        Load<CButton>("Scripts\\MenuButtons.txt", "Button Box\nTexture Box\nButton Value\n");
        Load<CCyclicObject>("Scripts\\Menu\\CyclicObjects.txt",
                            Cyclic("FullScreenModes", Option(0) + Option(1)) +
                                Cyclic("Resolutions", Option(640, 480) + Option(1024, 768) + Option(1280, 1024)) +
                                Cyclic("RefreshRates", Option(60) + Option(70) + Option(75) + Option(0x155)) +
                                Cyclic("VSync", Option(0) + Option(1)));
        Load<CSliderObject>("Scripts\\Menu\\SliderObjects.txt",
                            "SliderObject Effects\nLB Box\nRB Box\nSB Box\nSBG Box\nOPT1 1\n"
                            "SliderObject Music\nLB Box\nRB Box\nSB Box\nSBG Box\nOPT1 2\n"
                            "SliderObject Other\nLB Box\nRB Box\nSB Box\nSBG Box\n");
        // Rows of cyclic objects 0.1 apart; Apply at the bottom left, the
        // link to the display options at the bottom right.
        Load<CSingleMenu>("Scripts\\Menu\\MenuScreens.txt",
                          "MenuScreen Display\nCyclicObject FullScreenModes\nPos 0 0\nCyclicObject Resolutions\n"
                          "Pos 0 0.1\nCyclicObject RefreshRates\nPos 0 0.2\nCyclicObject VSync\nPos 0 0.3\n"
                          "Button Box\nLink D_AP\nPos 0 0.8\n"
                          "MenuScreen Start\nButton Box\nLink \"Display Options\"\nPos 0.8 0.8\n"
                          "MenuScreen Sound\nSliderObject Effects\nSliderObject Music\nSliderObject Other\n");
        Load<CSingleScreen>("Scripts\\Menu\\SingleScreen.txt",
                            "SingleScreen \"Display Options\"\nMenuScreen Display\n"
                            "SingleScreen Start\nMenuScreen Start\nSingleScreen \"Sound Options\"\nMenuScreen Sound\n");
        m_Dir.Write("Scripts/Menu/MenuManager.txt",
                    "SingleScreen \"Display Options\"\nSingleScreen Start\nSingleScreen \"Sound Options\"\n"
                    "InitMenu Start\n");
        CDataBuffer reader;
        ASSERT_TRUE(reader.Init("Scripts\\Menu\\MenuManager.txt", SCRIPT_SEPARATORS));
        m_Manager.Load(reader);
        m_pMenu = Get<CSingleMenu>("Display");
    }

    CCyclicObject* Find(const char* name) const { return m_pMenu->FindCyclicObject(name); }

    void Choose(int fullScreen, int resolution, int rate, int vsync)
    {
        Find("FullScreenModes")->SetIndex(fullScreen);
        Find("Resolutions")->SetIndex(resolution);
        Find("RefreshRates")->SetIndex(rate);
        Find("VSync")->SetIndex(vsync);
    }

    void Click(float x, float y)
    {
        ClickAt(x, y);
        m_Manager.Update(m_Input, 0.1f);
    }

    // Opens the display options from the start screen, as the player does.
    void OpenDisplayOptions()
    {
        Click(0.85f, 0.85f);
        ASSERT_EQ("Display Options", m_Manager.GetCurrentScreen()->m_Name);
    }

    CMenuManager m_Manager;
    CSingleMenu* m_pMenu = nullptr;
};

TEST_F(OptionScreensTest, ApplyAsksForTheChosenModeAndStoresWhatTheDisplayTook)
{
    const struct {
        const char* what;
        int fullScreen, resolution, rate, vsync;
        bool fullScreenInUse;
        uint16_t width;
        uint8_t bpp, rateInUse;
        int rateShown;
    } cases[] = {
        {"windowed asks for the default rate", WINDOWED, RES_1024, HZ_70, VSYNC_ON, false, 1024, 0, 0, HZ_70},
        {"vertical sync asks for 32 bits; 85 Hz gives the 75 below it", FULL_SCREEN, RES_1024, HZ_85, VSYNC_ON,
         true, 1024, 32, 75, HZ_75},
        {"no depth asked takes the desktop's", FULL_SCREEN, RES_1024, HZ_70, VSYNC_OFF, true, 1024, 0, 70, HZ_70},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(640, 480, false, false, 0, 0)));
        g_Game.m_Options = CUserOptions();
        OpenDisplayOptions();
        Choose(entry.fullScreen, entry.resolution, entry.rate, entry.vsync);
        Click(0.05f, 0.85f);

        const CDisplayMode& mode = g_Display.GetCurrentMode();
        EXPECT_EQ(entry.fullScreenInUse, mode.FullScreen != 0);
        EXPECT_EQ(entry.width, mode.Width);
        EXPECT_EQ(entry.bpp, mode.BPP);
        EXPECT_EQ(entry.rateInUse, mode.RefreshRate);
        EXPECT_EQ(entry.fullScreenInUse ? D3DFMT_X8R8G8B8 : DESKTOP.Format, g_Display.GetBackBufferFormat());
        EXPECT_EQ(entry.rateShown, Find("RefreshRates")->GetIndex());
        const CUserOptions& stored = g_Game.m_Options;
        EXPECT_EQ(mode.Width, stored.ResX);
        EXPECT_EQ(mode.Height, stored.ResY);
        EXPECT_EQ(mode.FullScreen, stored.BFullScreen);
        EXPECT_EQ(mode.VSync, stored.VSync);
        EXPECT_EQ(mode.BPP, stored.BPP);
        EXPECT_EQ(mode.RefreshRate, stored.RefreshRate);
        m_Manager.PopScreen();
    }
}

TEST_F(OptionScreensTest, ARefusedModeKeepsTheOldOneWhichTheScreenThenShows)
{
    ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(1024, 768, false, true, 0, 0)));
    OpenDisplayOptions();
    EXPECT_EQ(WINDOWED, Find("FullScreenModes")->GetIndex()) << "opening shows the display's mode";
    EXPECT_EQ(RES_1024, Find("Resolutions")->GetIndex());
    EXPECT_EQ(VSYNC_ON, Find("VSync")->GetIndex());
    EXPECT_EQ(HZ_60, Find("RefreshRates")->GetIndex()) << "no option for rate 0: kept";

    Choose(FULL_SCREEN, RES_1280, HZ_60, VSYNC_OFF);
    Click(0.05f, 0.85f);
    const CDisplayMode& mode = g_Display.GetCurrentMode();
    EXPECT_EQ(0, mode.FullScreen);
    EXPECT_EQ(1024, mode.Width);
    EXPECT_EQ(WINDOWED, Find("FullScreenModes")->GetIndex());
    EXPECT_EQ(RES_1024, Find("Resolutions")->GetIndex());
    EXPECT_EQ(VSYNC_ON, Find("VSync")->GetIndex());
    EXPECT_EQ(640, g_Game.m_Options.ResX) << "the stored options are left alone";
}

TEST_F(OptionScreensTest, TheSoundSlidersTakeTheStoredVolumesWithoutApplyingThem)
{
    g_Game.m_Options.EffectVol = 0.25f;
    g_Game.m_Options.MusicVol = 0.75f;
    g_Sound.SetSfxVolume(10);
    m_Manager.RefreshOptionScreens();
    const auto& sliders = Get<CSingleMenu>("Sound")->GetSliders();
    ASSERT_EQ(3u, sliders.size());
    EXPECT_EQ(0.25f, sliders[0]->GetValue());
    EXPECT_EQ(0.75f, sliders[1]->GetValue());
    EXPECT_EQ(0.0f, sliders[2]->GetValue()) << "a knob without a volume";
    EXPECT_EQ(10, g_Sound.GetSfxVolume());
}

} // namespace
