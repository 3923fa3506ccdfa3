// The console's display commands and its drawing: the mode on a device of
// state only, the panel and the text on the real one, read back.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Console/Console.h"
#include "Console/ConsoleLines.h"
#include "Console/FullKeyboard.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"
#include "platform/d3d8/D3D8Platform.h"

namespace {

const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
const D3DCOLOR GROUND = 0xFF404040;
// The default panel colour 0xAF0000FF blended over the ground.
const uint32_t TINTED = 0x001414C3;
const int CHANNEL_TOLERANCE = 2;

class ConsoleDisplayMode : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        m_Console.Init(g_Display.GetD3DDevice(), m_Keys, &m_Keyboard);
    }

    BYTE m_Keys[CFullKeyboard::KEY_COUNT] = {};
    CFullKeyboard m_Keyboard;
    CConsole m_Console;
};

TEST_F(ConsoleDisplayMode, SetDisplayModeChangesTheModeOrSaysItWasRefused)
{
    m_Console.RunLine("SET DISPLAYMODE 0,0,800,600,32,0");
    EXPECT_EQ("SET DISPLAYMODE 0,0,800,600,32,0", m_Console.GetOutput().Line(0));
    EXPECT_EQ(1, m_Console.GetOutput().GetCurrentIndex());
    EXPECT_EQ(800, g_Display.GetCurrentMode().Width);
    EXPECT_EQ(600, g_Display.GetCurrentMode().Height);

    D3D8Platform::FailResets();
    m_Console.RunLine("SET DISPLAYMODE 0,0,640,480,32,0");
    EXPECT_EQ("Display mode refused", m_Console.GetOutput().Line(1));
    EXPECT_EQ(800, g_Display.GetCurrentMode().Width) << "the display went back";
}

class GlConsoleTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(CStateBlocks::CreateAll());
        g_TextMaster.Enable();
        m_Console.Init(g_Display.GetD3DDevice(), m_Keys, &m_Keyboard);
    }
    void TearDown() override
    {
        g_TextMaster.Reset();
        GlDisplayFixture::TearDown();
    }

    DWORD RenderState(D3DRENDERSTATETYPE state) const
    {
        DWORD value = 0;
        g_Display.GetD3DDevice()->GetRenderState(state, &value);
        return value;
    }

    BYTE m_Keys[CFullKeyboard::KEY_COUNT] = {};
    CFullKeyboard m_Keyboard;
    CConsole m_Console;
};

TEST_F(GlConsoleTest, TheOpenConsoleTintsTheUpperHalfAndQueuesItsLines)
{
    m_Console.RunLine("SET TIMERATIO 0.5");
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    ASSERT_TRUE(g_Display.BeginScene());
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, GROUND, 1.0f, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    m_Console.DrawBackground();
    m_Console.DrawText(0.1f);
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> pixels = ReadBackBuffer(width, height);
    ASSERT_EQ(static_cast<UINT>(SCREEN_WIDTH), width);
    ASSERT_EQ(static_cast<UINT>(SCREEN_HEIGHT), height);

    int tinted = 0;
    int untouched = 0;
    for (int y : {1, 100, 237}) {
        for (int x : {1, 320, 638})
            tinted += ColourNear(TINTED, pixels[static_cast<size_t>(y) * width + x], CHANNEL_TOLERANCE) ? 1 : 0;
    }
    for (int y : {243, 400, 478}) {
        for (int x : {1, 320, 638})
            untouched += ColourNear(GROUND, pixels[static_cast<size_t>(y) * width + x], CHANNEL_TOLERANCE) ? 1 : 0;
    }
    EXPECT_EQ(9, tinted);
    EXPECT_EQ(9, untouched);

    EXPECT_EQ(static_cast<DWORD>(D3DCULL_CW), RenderState(D3DRS_CULLMODE)) << "put back";
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_ZENABLE));
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_ALPHABLENDENABLE));

    // The echo, the result and the cursor on the empty input line.
    const CFont2D* font = g_TextMaster.GetFont(g_FontVerdana13);
    EXPECT_EQ(3u, g_TextMaster.GetQueueCount());
    EXPECT_TRUE(g_TextMaster.IsPrepared(font, "SET TIMERATIO 0.5"));
    EXPECT_TRUE(g_TextMaster.IsPrepared(font, "TIMERATIO set successfully"));
    EXPECT_TRUE(g_TextMaster.IsPrepared(font, "_"));
    // The cursor blinks: hidden from half a second, back after a second.
    m_Console.DrawText(0.5f);
    EXPECT_EQ(5u, g_TextMaster.GetQueueCount());
    m_Console.DrawText(0.5f);
    EXPECT_EQ(7u, g_TextMaster.GetQueueCount());
    m_Console.DrawText(0.1f);
    EXPECT_EQ(10u, g_TextMaster.GetQueueCount());
    g_TextMaster.DrawAll();
    EXPECT_TRUE(g_Display.EndScene());
}

// The fresh input line is empty: Enter on it takes no second picture.
TEST_F(GlConsoleTest, TakeScreenshotSavesTheLastPictureAndSaysWhere)
{
    ASSERT_TRUE(g_Display.BeginScene());
    ASSERT_TRUE(g_Display.EndScene());
    ASSERT_TRUE(g_Display.Present());
    EXPECT_EQ((ConsoleLines{"TAKE SCREENSHOT", "Screenshot written to shot000.bmp", ""}),
              RunConsoleLine(m_Console, "TAKE SCREENSHOT"));
    EXPECT_TRUE(std::filesystem::exists("shot000.bmp"));
}

} // namespace
