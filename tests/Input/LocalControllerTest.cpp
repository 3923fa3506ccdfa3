#include <memory>

#include <gtest/gtest.h>

#include "Input/DeviceKeyboard.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "support/TempDir.h"

namespace {

TEST(CLocalControllerTest, StartsOnceAndAgainOnlyAfterShutdown)
{
    CLocalController controller;
    EXPECT_EQ(CController::KIND_LOCAL, controller.GetKind());
    EXPECT_FALSE(controller.IsStarted());
    controller.SetDelay(2.0f);
    controller.AddDelay(0.5f);
    EXPECT_EQ(2.5f, controller.GetDelay());

    EXPECT_TRUE(controller.Start());
    EXPECT_TRUE(controller.IsRunning());
    EXPECT_EQ(0.0f, controller.GetDelay()) << "starting begins afresh";
    EXPECT_FALSE(controller.Start());

    EXPECT_TRUE(controller.Shutdown());
    EXPECT_FALSE(controller.IsStarted());
    EXPECT_FALSE(controller.IsRunning());
    EXPECT_TRUE(controller.Start());
    EXPECT_FALSE(controller.QueryFlag(0));
    EXPECT_EQ(nullptr, controller.GetAgent());
}

TEST(CLocalControllerTest, HandsOutTheInputManagersArraysAndTheCursor)
{
    TempDir folder;
    ScopedWorkingDir inFolder(folder.Path());
    g_InputManager.Reset();
    DeviceKeyboard* keyboard = new DeviceKeyboard();
    g_InputManager.AttachDevice(CInputManager::KEYBOARD_SLOT, std::unique_ptr<DeviceObject>(keyboard));
    g_InputManager.SetDefaultBindings(CInputManager::ALL_DEFAULTS);

    CLocalController controller;
    EXPECT_EQ(g_InputManager.GetActionStates(), controller.GetActionCounters());
    EXPECT_EQ(g_InputManager.GetAxisValues(), controller.GetAxisValues());
    EXPECT_EQ(&g_InGameMouse, controller.GetCursor());

    keyboard->GetStateBuffer()[DIK_W] = DeviceObject::DOWN;
    g_InputManager.Update();
    EXPECT_EQ(CInputManager::STATE_HELD, controller.GetActionCounters()[1]);
    g_InputManager.PushContext(CInputManager::CONTEXT_PLAY);
    EXPECT_EQ(0, controller.GetActionCounters()[1]) << "nothing reads down until the next update";
    g_InputManager.Update();
    EXPECT_EQ(CInputManager::STATE_HELD, controller.GetActionCounters()[1]);

    const float aim[2] = {0.25f, 0.75f};
    controller.SetCursorPosition(aim);
    EXPECT_EQ(0.25f, controller.GetCursorPosition()[0]);
    EXPECT_EQ(0.75f, g_InGameMouse.GetPosition()[1]);
    g_InputManager.Shutdown();
}

} // namespace
