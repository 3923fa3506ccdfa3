// The two screen states that draw: the front end (the menus over the running
// level) and play. Both draw the level in two passes, each from a queue
// filled and culled for its own view: the mirrored one for the water, then
// the camera's.

#include "App/ScreenStates.h"
#include "Core/Game.h"

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Console/Console.h"
#include "Console/FullKeyboard.h"
#include "Core/Clock.h"
#include "Core/StepTrace.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/RenderQueue.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"
#include "Game/CrimeManager.h"
#include "Game/HUD.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Level/Level.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "platform/win32/Windows.h"

namespace {

// Button actions: "Quit" opens and closes the in-game menu, "Radio_Power"
// switches to the free camera and back.
const int ACTION_MENU = 0;
const int ACTION_FREE_CAMERA = 38;
const char* const IN_GAME_MENU = "Main In Game Screen";
const char* const SAVE_OPTIONS_SCREEN = "Save Options";
const DWORD IN_GAME_SLEEP_MS = 1;

void UpdateCameras()
{
    TraceStep("CCamera::Update");
    g_GameCamera.Update();
    g_FreeCamera.Update();
    g_CinemaCamera.Update();
}

void SetView(const D3DXMATRIX& view)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device != nullptr)
        device->SetTransform(D3DTS_VIEW, &view);
}

// A level without water has no mirror, and so no reflection pass; nor has a
// frame after one that showed no water.
void QueueLevelPasses()
{
    if (g_pLevel == nullptr || g_pActiveCamera == nullptr)
        return;
    D3DXMATRIX mirrored;
    if (g_pLevel->DrawsReflection() && g_pLevel->GetMirroredView(mirrored)) {
        SetView(mirrored);
        g_RenderQueue.Clear();
        g_pLevel->QueueRender(RENDER_PASS_REFLECTION);
        g_pLevel->RenderReflection();
    }
    g_RenderQueue.Clear();
    SetView(g_pActiveCamera->GetViewMatrix());
    g_pLevel->QueueRender(RENDER_PASS_MAIN);
}

void BeginLevelScene()
{
    g_Display.BeginScene();
    if (g_pLevel != nullptr && g_pActiveCamera != nullptr)
        g_pLevel->Render();
}

void DrawMenusAndCursor()
{
    TraceStep("CMenuManager::Draw");
    g_MenuManager.Draw();
    TraceStep("CInGameMouse::Draw");
    g_InGameMouse.Draw();
}

// Last of all, so that nothing of the game (the aiming cursor above all)
// covers what the player types.
void DrawOpenConsole(float frameTime)
{
    if (!g_Console.IsOpen())
        return;
    TraceStep("CConsole::Draw");
    g_Console.DrawBackground();
    g_Console.DrawText(frameTime);
}

void DrawTextAndPresent()
{
    CStateBlocks::ApplyFont();
    g_TextMaster.DrawAll();
    g_Display.EndScene();
    g_Display.Present();
}

void UpdateLevel()
{
    if (g_pLevel != nullptr)
        g_pLevel->Update();
}

void SetPlayerDriver(CController* driver)
{
    if (g_PlayerActor == nullptr)
        return;
    g_PlayerActor->m_pController = driver;
    if (g_PlayerActor->m_pCar != nullptr)
        g_PlayerActor->m_pCar->SetController(driver);
}

void OpenInGameMenu()
{
    g_MenuManager.OpenOverPlay(IN_GAME_MENU);
}

} // namespace

void ToggleFreeCamera()
{
    const bool toFreeCamera = g_FreeCamera.m_pController == nullptr;
    SetPlayerDriver(toFreeCamera ? nullptr : &g_LocalController);
    CCamera& active = toFreeCamera ? g_FreeCamera : g_GameCamera;
    CCamera& idle = toFreeCamera ? g_GameCamera : g_FreeCamera;
    g_pActiveCamera = &active;
    active.m_pController = &g_LocalController;
    idle.m_pController = nullptr;
}

void HandleMenuKey()
{
    const CSingleScreen* current = g_MenuManager.GetCurrentScreen();
    if (current == nullptr) {
        OpenInGameMenu();
        return;
    }
    if (current->GetName() == SAVE_OPTIONS_SCREEN) {
        g_MenuManager.PopScreen();
        return;
    }
    g_CrimeFile.ReportCrime(CRIME_BACK, 0, nullptr, nullptr);
}

int FrontEndState()
{
    g_InGameMouse.Update();
    g_RenderQueue.Clear();
    UpdateLevel();
    TraceStep("CMenuManager::Update");
    g_MenuManager.Update();
    UpdateCameras();
    QueueLevelPasses();
    BeginLevelScene();
    DrawMenusAndCursor();
    DrawTextAndPresent();
    return 1;
}

int InGameState()
{
    g_InGameMouse.Update();
    const float frameTime = g_FrameTimer.GetFrameTime();
    g_FullKeyboard.Update(frameTime);
    g_Console.Update(frameTime);
    TraceStep("CMenuManager::Update");
    g_MenuManager.Update();
    UpdateLevel();
    if (g_InputManager.WasReleased(ACTION_FREE_CAMERA))
        ToggleFreeCamera();
    if (g_InputManager.WasReleased(ACTION_MENU))
        HandleMenuKey();
    UpdateCameras();
    g_HUD.RenderMiniMap();
    QueueLevelPasses();
    BeginLevelScene();
    DrawMenusAndCursor();
    DrawOpenConsole(frameTime);
    DrawTextAndPresent();
    Sleep(IN_GAME_SLEEP_MS);
    return 1;
}
