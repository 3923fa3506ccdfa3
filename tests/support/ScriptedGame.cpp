#include "support/ScriptedGame.h"

#include <chrono>

#include "App/Application.h"
#include "Level/Level.h"
#include "Menu/MenuManager.h"
#include "platform/win32/Win32Platform.h"

namespace {

ScreenState s_Scripted = nullptr;
ScreenState s_Play = nullptr;
bool s_TookOver = false;

DWORD TakeOverClock()
{
    if (!s_TookOver && g_Game.GetCurrentState() == FrontEndState) {
        g_Game.PushState(s_Scripted);
        s_TookOver = true;
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

} // namespace

int RunGameScripted(ScreenState scripted)
{
    s_Scripted = scripted;
    s_TookOver = false;
    Win32Platform::SetClockSource(TakeOverClock);
    char commandLine[] = "";
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
    Win32Platform::SetClockSource(nullptr);
    return result;
}

namespace {

int EnterScriptedPlay()
{
    g_Game.EnterPlay();
    g_MenuManager.PopScreen();
    g_Game.PushState(s_Play);
    return 1;
}

} // namespace

int RunGameInPlay(ScreenState play)
{
    s_Play = play;
    return RunGameScripted(EnterScriptedPlay);
}

void QuietThePool()
{
    if (g_pLevel == nullptr)
        return;
    CAIPool& pool = g_pLevel->GetAIPool();
    for (uint32_t k = 0; k < pool.GetSectorCount(); ++k)
        pool.GetSector(k).Clear();
}
