#include "support/ScriptedGame.h"

#include <chrono>

#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Level/Level.h"
#include "Menu/MenuManager.h"
#include "platform/novodex/NxActor.h"
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

void PlacePlayer(const D3DXVECTOR3& position, const D3DXVECTOR3& target)
{
    CGameActor& player = *g_PlayerActor;
    D3DXVECTOR3 forward(target.x - position.x, 0.0f, target.z - position.z);
    D3DXVec3Normalize(&forward, &forward);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 right;
    D3DXVec3Cross(&right, &up, &forward);
    D3DXMATRIX& pose = player.m_Model.m_matObject;
    D3DXMatrixIdentity(&pose);
    pose._11 = right.x, pose._12 = right.y, pose._13 = right.z;
    pose._21 = up.x, pose._22 = up.y, pose._23 = up.z;
    pose._31 = forward.x, pose._32 = forward.y, pose._33 = forward.z;
    pose._41 = position.x, pose._42 = position.y, pose._43 = position.z;
    player.m_Model.UpdateWorldMatrix();
    player.SyncPhysicsPose();
    if (NxActor* body = player.m_PhysicsObject.m_pActor)
        body->setLinearVelocity(NxVec3(0.0f, 0.0f, 0.0f));
}
