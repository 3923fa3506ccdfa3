// The shipped phone drawn on the real device and read back: the open phone
// at its corner with the dialled number in green on its screen, and nothing
// of a hidden phone.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/CellPhone.h"
#include "Game/GlShippedPicturesFixture.h"
#include "Input/InputManager.h"
#include "support/ScriptedController.h"
#include "support/TempDir.h"

namespace {

const D3DCOLOR BLACK = 0xFF000000;
const D3DCOLOR TEXT_GREEN = 0xFF008000;
const D3DCOLOR SCREEN = 0xFFB0CCA8; // the picture's screen
const D3DCOLOR BODY = 0xFF343842;   // and its body
const int TOLERANCE = 24;

// The shipped look on a 640 x 480 screen: the open phone's corner, and its
// 80 x 64 screen 8 pixels in, where the text starts.
const int PHONE_X = 536;
const int PHONE_Y = 304;
const int SCREEN_X = PHONE_X + 8;
const int SCREEN_Y = PHONE_Y + 8;
const int SCREEN_WIDTH = 80;
const int SCREEN_HEIGHT = 64;
// A line of Verdana 13.
const int LINE_HEIGHT = 16;

class GlCellPhoneTest : public GlShippedPicturesFixture {
protected:
    void SetUp() override
    {
        GlShippedPicturesFixture::SetUp();
        if (HasFatalFailure())
            return;
        g_TextMaster.Enable();
        g_InputManager.Reset();
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        auto* ring = new SFX3D();
        ring->m_Name = "PhoneRing";
        g_AssetManager.AddAsset(ring);
        ASSERT_TRUE(m_Phone.Load("Scripts\\CellPhone.txt"));
        m_Phone.m_pController = &m_Controller;
    }

    void TearDown() override
    {
        m_Phone.Shutdown();
        g_InputManager.Reset();
        GlShippedPicturesFixture::TearDown();
    }

    std::vector<uint32_t> Draw()
    {
        UINT width = 0;
        UINT height = 0;
        std::vector<uint32_t> pixels = DrawScene(BLACK, width, height, [this] {
            CStateBlocks::ApplyObject2D();
            m_Phone.Draw();
            g_TextMaster.DrawAll();
        });
        EXPECT_EQ(640u * 480u, pixels.size());
        pixels.resize(640u * 480u);
        return pixels;
    }

    static int CountNear(const std::vector<uint32_t>& pixels, int left, int top, int width, int height, D3DCOLOR colour)
    {
        int count = 0;
        for (int y = top; y < top + height; ++y) {
            for (int x = left; x < left + width; ++x)
                count += ColourNear(pixels[static_cast<size_t>(y) * 640 + x], colour, TOLERANCE) ? 1 : 0;
        }
        return count;
    }

    ScriptedController m_Controller;
    CCellPhone m_Phone;
};

TEST_F(GlCellPhoneTest, TheOpenPhoneShowsTheNumberInGreenOnItsScreen)
{
    m_Controller.Release(g_InputManager.FindAction("Hide_Cell", CInputManager::BUTTON_ACTION));
    m_Phone.Update();
    m_Controller.ClearActions();
    for (const char* digit : {"5", "5", "5"})
        g_InputManager.TranslateTypedKey(digit);
    m_Phone.Update();
    ASSERT_EQ("555", m_Phone.GetText());

    const std::vector<uint32_t> pixels = Draw();
    EXPECT_GT(CountNear(pixels, SCREEN_X, SCREEN_Y, SCREEN_WIDTH, LINE_HEIGHT, TEXT_GREEN), 10) << "the number";
    EXPECT_EQ(0, CountNear(pixels, SCREEN_X, SCREEN_Y + 2 * LINE_HEIGHT, SCREEN_WIDTH, LINE_HEIGHT, TEXT_GREEN))
        << "one line only";
    EXPECT_GT(CountNear(pixels, SCREEN_X, SCREEN_Y + LINE_HEIGHT, SCREEN_WIDTH, SCREEN_HEIGHT - LINE_HEIGHT, SCREEN),
              SCREEN_WIDTH * LINE_HEIGHT);
    EXPECT_GT(CountNear(pixels, PHONE_X, PHONE_Y, 4, 4, BODY), 8) << "the body at the corner";
    EXPECT_EQ(0, CountNear(pixels, PHONE_X - 4, PHONE_Y, 4, 160, BODY)) << "nothing left of it";
}

TEST_F(GlCellPhoneTest, AHiddenPhoneDrawsNothing)
{
    const std::vector<uint32_t> pixels = Draw();
    EXPECT_EQ(640 * 480, CountNear(pixels, 0, 0, 640, 480, BLACK));
}

} // namespace
