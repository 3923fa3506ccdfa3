#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "App/Application.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "platform/d3d8/D3D8Platform.h"
#include "support/FatalTrap.h"

namespace {

// The adapter offers 1024 x 768 in 32 bits at three rates, and in 16 bits at
// the rate that the 32-bit requests below ask for.
const D3DDISPLAYMODE OFFERED_MODES[] = {
    {640, 480, 60, D3DFMT_X8R8G8B8},  {1024, 768, 60, D3DFMT_X8R8G8B8}, {1024, 768, 70, D3DFMT_X8R8G8B8},
    {1024, 768, 75, D3DFMT_X8R8G8B8}, {1024, 768, 85, D3DFMT_R5G6B5},
};

class DisplayTest : public DisplayFixture {
protected:
    void CreateWithOfferedModes()
    {
        D3D8Platform::SetAdapterModes(OFFERED_MODES, sizeof(OFFERED_MODES) / sizeof(OFFERED_MODES[0]));
        CreateDisplay();
    }

    // Every object that the display keeps in the device's default pool.
    static void ExpectDeviceObjects()
    {
        EXPECT_NE(nullptr, g_Display.GetSprite());
        EXPECT_NE(0u, g_u32StateBlockDefault_Pixel);
        EXPECT_NE(0u, g_u32StateBlockSunFlare_Vertex);
        EXPECT_NE(nullptr, g_vbParticles);
        EXPECT_NE(nullptr, g_RenderReflection);
    }

    static int Count(const std::string& text, const std::string& part)
    {
        int count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++count;
        return count;
    }
};

TEST_F(DisplayTest, StartsAsThe640By480WindowWithItsSprite)
{
    CreateDisplay();
    const CDisplayMode& mode = g_Display.GetCurrentMode();
    EXPECT_EQ(640, mode.Width);
    EXPECT_EQ(480, mode.Height);
    EXPECT_EQ(0, mode.FullScreen);
    EXPECT_EQ(1u, g_Display.GetDeviceType()) << "HAL";
    EXPECT_NE(nullptr, g_Display.GetSprite());
    EXPECT_TRUE(g_Display.IsInitialised());
    const D3DPRESENT_PARAMETERS& parms = g_Display.GetPresentationParms();
    EXPECT_EQ(640u, parms.BackBufferWidth);
    EXPECT_EQ(480u, parms.BackBufferHeight);
    EXPECT_EQ(g_Display.GetDesktopMode().Format, parms.BackBufferFormat);
}

TEST_F(DisplayTest, FallsBackToTheReferenceDeviceAndStopsWithoutEither)
{
    D3D8Platform::RefuseDeviceType(D3DDEVTYPE_HAL);
    CreateDisplay();
    EXPECT_EQ(2u, g_Display.GetDeviceType()) << "REF";
    g_Display.Shutdown();

    D3D8Platform::RefuseDeviceType(D3DDEVTYPE_REF);
    EXPECT_FATAL(g_Display.Create(), "Couldn't create a Direct3D8 device, neither HAL nor REF");
}

TEST_F(DisplayTest, FullScreenModesAreMatchedBySizeDepthAndRate)
{
    const struct {
        uint16_t width, height;
        uint8_t bpp, rate;
        bool accepted;
        uint8_t rateInUse;
        D3DFORMAT format;
    } cases[] = {
        {1024, 768, 32, 70, true, 70, D3DFMT_X8R8G8B8},
        {1024, 768, 32, 85, true, 75, D3DFMT_X8R8G8B8},  // the last one listed below 85
        {1024, 768, 32, 50, false, 0, D3DFMT_UNKNOWN},   // below every rate offered
        {800, 600, 32, 60, false, 0, D3DFMT_UNKNOWN},    // a size not offered
        {1024, 768, 24, 60, false, 0, D3DFMT_UNKNOWN},   // a depth not offered
    };
    CreateWithOfferedModes();
    for (const auto& entry : cases) {
        SCOPED_TRACE(testing::Message() << entry.width << "x" << entry.height << "x" << int(entry.bpp) << " at "
                                        << int(entry.rate) << " Hz");
        const CDisplayMode windowed = Mode(640, 480, false, false, 32, 0);
        ASSERT_TRUE(g_Display.ChangeDisplayMode(windowed));
        EXPECT_EQ(entry.accepted, g_Display.ChangeDisplayMode(
                                      Mode(entry.width, entry.height, true, false, entry.bpp, entry.rate)));
        const CDisplayMode& mode = g_Display.GetCurrentMode();
        if (!entry.accepted) {
            EXPECT_EQ(0, mode.FullScreen) << "the previous mode stays in force";
            EXPECT_EQ(640, mode.Width);
            ExpectDeviceObjects();
            continue;
        }
        EXPECT_EQ(entry.rateInUse, mode.RefreshRate);
        const D3DPRESENT_PARAMETERS& parms = g_Display.GetPresentationParms();
        EXPECT_FALSE(parms.Windowed);
        EXPECT_EQ(entry.rateInUse, parms.FullScreen_RefreshRateInHz);
        EXPECT_EQ(entry.format, parms.BackBufferFormat);
        EXPECT_EQ(entry.format, g_Display.GetBackBufferFormat());
        ExpectDeviceObjects();
    }
    EXPECT_EQ(3, Count(Log(), "Reset failed in UpdatePresentationParms( )"));
}

TEST_F(DisplayTest, PresentationParametersFollowWindowAndVerticalSync)
{
    const struct {
        bool fullScreen, vsync;
        D3DSWAPEFFECT swapEffect;
        UINT interval;
    } cases[] = {
        {false, false, D3DSWAPEFFECT_COPY, D3DPRESENT_INTERVAL_DEFAULT},
        {false, true, D3DSWAPEFFECT_COPY_VSYNC, D3DPRESENT_INTERVAL_DEFAULT},
        {true, false, D3DSWAPEFFECT_COPY, D3DPRESENT_INTERVAL_IMMEDIATE},
        {true, true, D3DSWAPEFFECT_COPY, D3DPRESENT_INTERVAL_DEFAULT},
    };
    CreateWithOfferedModes();
    for (const auto& entry : cases) {
        SCOPED_TRACE(testing::Message() << "full screen " << entry.fullScreen << ", vsync " << entry.vsync);
        const CDisplayMode mode = entry.fullScreen ? Mode(1024, 768, true, entry.vsync, 32, 60)
                                                   : Mode(800, 600, false, entry.vsync, 32, 0);
        ASSERT_TRUE(g_Display.ChangeDisplayMode(mode));
        const D3DPRESENT_PARAMETERS& parms = g_Display.GetPresentationParms();
        EXPECT_EQ(entry.fullScreen ? FALSE : TRUE, parms.Windowed);
        EXPECT_EQ(entry.swapEffect, parms.SwapEffect);
        EXPECT_EQ(entry.interval, parms.FullScreen_PresentationInterval);
        EXPECT_EQ(mode.Width, parms.BackBufferWidth);
        EXPECT_EQ(mode.Height, parms.BackBufferHeight);
        EXPECT_EQ(1u, parms.BackBufferCount);
        EXPECT_TRUE(parms.EnableAutoDepthStencil);
        EXPECT_EQ(D3DFMT_D24S8, parms.AutoDepthStencilFormat);
    }
}

// The other subsystems' default-pool objects go and come back at their
// places in the order: fonts after the state blocks, the minimap targets
// between the particle buffer and the reflection.
std::vector<std::string> s_Steps;

void InvalidateFonts()
{
    s_Steps.push_back(g_Display.GetSprite() == nullptr && g_u32StateBlockSunFlare_Vertex == 0 ? "fonts out"
                                                                                               : "fonts out early");
}

void InvalidateMiniMap()
{
    s_Steps.push_back(g_RenderReflection != nullptr && g_vbParticles != nullptr ? "minimap out" : "minimap out late");
}

void RestoreFonts()
{
    s_Steps.push_back(g_u32StateBlockSunFlare_Vertex != 0 && g_vbParticles == nullptr ? "fonts in" : "fonts in wrong");
}

void RestoreMiniMap()
{
    s_Steps.push_back(g_vbParticles != nullptr && g_RenderReflection == nullptr ? "minimap in" : "minimap in wrong");
}

TEST_F(DisplayTest, ResetInvalidatesAndRestoresInItsOrder)
{
    CreateDisplay();
    // The particle buffer and the reflection first come with a reset.
    ASSERT_TRUE(g_Display.Reset());
    CDisplay::SetDeviceObjectHook(DEVICE_HOOK_FONTS, InvalidateFonts, RestoreFonts);
    CDisplay::SetDeviceObjectHook(DEVICE_HOOK_MINIMAP, InvalidateMiniMap, RestoreMiniMap);
    s_Steps.clear();
    ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(800, 600, false, false, 32, 0)));
    ASSERT_TRUE(g_Display.Reset());
    const std::vector<std::string> expected = {"fonts out", "minimap out", "fonts in", "minimap in",
                                               "fonts out", "minimap out", "fonts in", "minimap in"};
    EXPECT_EQ(expected, s_Steps);
    ExpectDeviceObjects();
    D3DSURFACE_DESC reflection = {};
    g_RenderReflection->GetLevelDesc(0, &reflection);
    EXPECT_EQ(256u, reflection.Width);
    EXPECT_EQ(D3DUSAGE_RENDERTARGET, reflection.Usage & D3DUSAGE_RENDERTARGET);
    EXPECT_EQ(g_Display.GetBackBufferFormat(), reflection.Format);
    EXPECT_EQ(3, Count(Log(), "Reset and restore complete"));
    EXPECT_EQ(0, Count(Log(), "Error in"));
}

TEST_F(DisplayTest, AFailedResetGoesBackToThePreviousModeWithEveryObject)
{
    CreateDisplay();
    D3D8Platform::FailResets();
    EXPECT_FALSE(g_Display.ChangeDisplayMode(Mode(800, 600, false, true, 32, 0)));
    EXPECT_EQ(640, g_Display.GetCurrentMode().Width);
    EXPECT_EQ(0, g_Display.GetCurrentMode().VSync);
    EXPECT_EQ(D3DSWAPEFFECT_COPY, g_Display.GetPresentationParms().SwapEffect);
    ExpectDeviceObjects();
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("] Error in .\\Display\\Display #"));
    // The reset to the new mode and the one back to the old mode both fail.
    EXPECT_EQ(2, Count(log, " - m_pD3DDev->Reset( &m_D3DPParms ) hr=-2005530516")) << log;
    EXPECT_EQ(0, Count(log, "Reset and restore complete"));
}

TEST_F(DisplayTest, SceneCallsAreCheckedAndLoggedWithTheirText)
{
    CreateDisplay();
    EXPECT_FALSE(g_Display.EndScene()) << "no scene begun";
    EXPECT_EQ(D3DERR_INVALIDCALL, g_hResult);
    EXPECT_TRUE(g_Display.BeginScene());
    EXPECT_FALSE(g_Display.BeginScene()) << "cleared, but a scene is open already";
    EXPECT_TRUE(g_Display.EndScene());
    EXPECT_TRUE(g_Display.Present());
    EXPECT_EQ(D3D_OK, g_hResult);
    const std::string log = Log();
    EXPECT_EQ(1, Count(log, " - m_pD3DDev->EndScene( ) hr=-2005530516"));
    EXPECT_EQ(1, Count(log, " - m_pD3DDev->BeginScene() hr=-2005530516"));
    EXPECT_EQ(2, Count(log, "Error in"));
}

TEST_F(DisplayTest, ADesktopDepthChangeResetsOnlyWhenTheDepthDiffers)
{
    CreateDisplay();
    const uint8_t depth = g_Display.GetCurrentMode().BPP;
    g_Display.OnDisplayChange(depth);
    EXPECT_EQ(0, Count(Log(), "Reset and restore complete"));
    g_Display.OnDisplayChange(16);
    EXPECT_EQ(16, g_Display.GetCurrentMode().BPP);
    EXPECT_EQ(1, Count(Log(), "Reset and restore complete"));
    ExpectDeviceObjects();
}

TEST_F(DisplayTest, TheWindowProcedureTogglesFullScreenAndFollowsTheDesktopDepth)
{
    CreateWithOfferedModes();
    EXPECT_EQ(0, WndProc(g_hWnd, WM_SYSKEYUP, VK_RETURN, 0));
    CDisplayMode mode = g_Display.GetCurrentMode();
    EXPECT_EQ(1, mode.FullScreen);
    EXPECT_EQ(1024, mode.Width);
    EXPECT_EQ(768, mode.Height);
    EXPECT_EQ(32, mode.BPP);
    EXPECT_EQ(70, mode.RefreshRate);
    EXPECT_EQ(1, mode.VSync);

    // The desktop's depth is not the game's business while it is full screen.
    EXPECT_EQ(0, WndProc(g_hWnd, WM_DISPLAYCHANGE, 16, 0));
    EXPECT_EQ(32, g_Display.GetCurrentMode().BPP);

    EXPECT_EQ(0, WndProc(g_hWnd, WM_SYSKEYUP, VK_RETURN, 0));
    mode = g_Display.GetCurrentMode();
    EXPECT_EQ(0, mode.FullScreen);
    EXPECT_EQ(640, mode.Width);
    EXPECT_EQ(480, mode.Height);
    EXPECT_EQ(32, mode.BPP) << "kept from the full screen";
    EXPECT_EQ(0, mode.RefreshRate);
    EXPECT_EQ(0, mode.VSync);

    EXPECT_EQ(0, WndProc(g_hWnd, WM_DISPLAYCHANGE, 16, 0));
    EXPECT_EQ(16, g_Display.GetCurrentMode().BPP);
    EXPECT_EQ(3, Count(Log(), "Reset and restore complete"));
}

TEST_F(DisplayTest, ShutdownReleasesEveryDeviceObject)
{
    CreateDisplay();
    ASSERT_TRUE(g_Display.Reset());
    g_Display.Shutdown();
    EXPECT_EQ(nullptr, g_Display.GetD3DDevice());
    EXPECT_EQ(nullptr, g_Display.GetSprite());
    EXPECT_EQ(nullptr, g_vbParticles);
    EXPECT_EQ(nullptr, g_RenderReflection);
    EXPECT_EQ(0u, g_u32StateBlockDefault_Pixel);
    EXPECT_FALSE(g_Display.IsInitialised());
    EXPECT_FALSE(g_Display.BeginScene());
    EXPECT_FALSE(g_Display.Screenshot());
    const float position[2] = {0.5f, 0.5f};
    EXPECT_FALSE(DrawSprite(nullptr, position, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF));
}

} // namespace
