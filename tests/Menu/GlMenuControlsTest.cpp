// The controls screen over the real input devices of a window: captions
// filled from the bindings, and a click that waits for a key to bind.

#include <string>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Core/Window.h"
#include "Input/InputManager.h"
#include "Menu/Button.h"
#include "Menu/MenuFixture.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "platform/win32/Win32Platform.h"
#include "support/SdlEvents.h"

namespace {

class GlMenuControlsTest : public GlMenuFixture {
protected:
    void SetUp() override
    {
        GlMenuFixture::SetUp();
        ASSERT_TRUE(g_InputManager.Init());
        Load<CButton>("Scripts\\MenuButtons.txt", "Button Box\nTexture Box\nCaption ?\n");
        // Rows 0.1 apart: a key, an axis, an action that does not exist.
        Load<CSingleMenu>("Scripts\\Menu\\MenuScreens.txt",
                          "MenuScreen Keys\nButton Box\nLink CTRL\nSTROPT Jump\nPos 0 0\n"
                          "Button Box\nLink CTRL\nSTROPT Look_LR\nOPT1 1\nPos 0 0.1\n"
                          "Button Box\nLink CTRL\nSTROPT Dance\nPos 0 0.2\n"
                          "MenuScreen Empty\n");
        Load<CSingleTabObject>("Scripts\\Menu\\SingleTabObjects.txt",
                               "SingleTabObject Keys\nTabButton Box\nPos 0.5 0\nMenuScreen Keys\n");
        Load<CMultiTabObject>("Scripts\\Menu\\MultiTabObjects.txt",
                              "MultiTabObject Tabs\nSingleTabObject Keys\nInitTab Keys\n");
        Load<CSingleScreen>("Scripts\\Menu\\SingleScreen.txt",
                            "SingleScreen Controls\nMenuScreen Empty\nMultiTabObject Tabs\n");
        m_Dir.Write("Scripts/Menu/MenuManager.txt", "SingleScreen Controls\nInitMenu Controls\n");
        CDataBuffer reader;
        ASSERT_TRUE(reader.Init("Scripts\\Menu\\MenuManager.txt", SCRIPT_SEPARATORS));
        m_Manager.Load(reader);
        m_pKeys = Get<CSingleMenu>("Keys");
    }

    void TearDown() override
    {
        g_InputManager.Shutdown();
        GlMenuFixture::TearDown();
    }

    const std::string& Caption(size_t row) const { return m_pKeys->GetButtons()[row]->m_Caption; }

    CMenuManager m_Manager;
    CSingleMenu* m_pKeys = nullptr;
};

TEST_F(GlMenuControlsTest, CaptionsShowTheBindingsAndAClickRebindsToTheNextKey)
{
    m_Manager.RefreshOptionScreens();
    std::string jump;
    g_InputManager.GetBindingName(jump, g_InputManager.FindAction("Jump", CInputManager::BUTTON_ACTION));
    ASSERT_FALSE(jump.empty());
    EXPECT_EQ(jump, Caption(0));
    std::string look;
    g_InputManager.GetAxisBindingName(look, g_InputManager.FindAction("Look_LR", CInputManager::AXIS_ACTION));
    EXPECT_EQ(look, Caption(1));
    EXPECT_EQ("?", Caption(2)) << "no such action";

    // The click's frame shows the wait; the next update waits.
    PushKey(SDL_SCANCODE_K, true);
    ClickAt(0.05f, 0.05f);
    m_Manager.Update(m_Input, 0.1f);
    EXPECT_EQ(CMenuManager::AWAITING_KEY, Caption(0));
    m_Input.m_bReleased = false;
    m_Manager.Update(m_Input, 0.1f);
    EXPECT_EQ("K", Caption(0));
    PushKey(SDL_SCANCODE_K, false);
    g_InputManager.Update();

    ClickAt(0.05f, 0.15f);
    m_Manager.Update(m_Input, 0.1f);
    EXPECT_EQ(CMenuManager::AWAITING_AXIS, Caption(1));
    PushWindowEvent(SDL_GetWindowID(Win32Platform::GetSDLWindow(g_hWnd)), SDL_WINDOWEVENT_CLOSE);
    m_Manager.Update(m_Input, 0.1f);
    EXPECT_EQ(look, Caption(1)) << "the window closed: no binding, the old name is back";

    ClickAt(0.05f, 0.25f);
    m_Manager.Update(m_Input, 0.1f);
    EXPECT_EQ("?", Caption(2)) << "nothing to bind: no wait, the caption stays";
}

} // namespace
