#include "Core/Game.h"

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Actors/TireType.h"
#include "Actors/Weapon.h"
#include "Collision/CollisionObject.h"
#include "Console/Console.h"
#include "Console/FullKeyboard.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Display/AnimSequence.h"
#include "Display/AnimatedObject.h"
#include "Display/Camera.h"
#include "Display/ComplexObject.h"
#include "Display/DisplayMesh.h"
#include "Display/Display.h"
#include "Display/RenderStates.h"
#include "Display/SkyBox.h"
#include "Display/TextMaster.h"
#include "Display/VertexShaders.h"
#include "Display/Texture.h"
#include "Effects/Effect.h"
#include "Game/CellPhone.h"
#include "Game/CrimeManager.h"
#include "Game/HUD.h"
#include "Game/MissionManager.h"
#include "Game/PhoneDirectory.h"
#include "Effects/LensFlare.h"
#include "Effects/ParticleSystem.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Level/BuildingObject.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Level/LevelObject.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/Terrain.h"
#include "Level/TrafficLights.h"
#include "Level/WaterGrid.h"
#include "Level/WaterPlane.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "Physics/Physics.h"
#include "Sound/Radio.h"
#include "Sound/SFX3D.h"
#include "Sound/Sound.h"
#include "platform/win32/Windows.h"

namespace {

const DWORD PAUSE_SLEEP_MS = 20;
const char* const DEBUG_SPHERE = "Sphere";
const char* const PLAYER_PROTOTYPE = "Lizard";
const char* const DEFAULT_WEAPON = "pistol";
// Start-up stops without these: they prove the texture script was read.
const char* const REQUIRED_TEXTURES[] = {"Test1", "Test2"};
const char* const DEFAULT_CURSOR = "default";
const char* const MAIN_GAME_TIMER = "MainGameTimer";
const char* const MENU_POINTER = "arrowup";
const char* const PLAY_POINTER = "arrowtarget";
const char* const START_LEVEL = "Modern";
const char* const MENU_MANAGER_SCRIPT = "Scripts\\Menu\\MenuManager.txt";
const char* const CELL_PHONE_SCRIPT = "Scripts\\CellPhone.txt";
const char* const INPUT_FAILED = "Unable to start the keyboard and the mouse; the game runs without input";

// The shared collision record: one box about the size of a person.
void SetUpCollisionScratch()
{
    g_CollisionScratch.m_pRoot = std::make_unique<CCollisionBox>();
    g_CollisionScratch.m_pRoot->m_vMin = D3DXVECTOR3(-0.5f, -0.5f, -0.9f);
    g_CollisionScratch.m_pRoot->m_vMax = D3DXVECTOR3(0.5f, 0.5f, 0.9f);
    g_CollisionScratch.m_fRadius = 1.0f;
    g_CollisionScratch.m_fRadiusSq = 1.0f;
}

// The console types from the keyboard device's own key bytes; without a
// keyboard it never opens.
void StartConsole()
{
    DeviceObject* keyboard = g_InputManager.GetDevice(CInputManager::KEYBOARD_SLOT);
    const BYTE* keys = keyboard != nullptr ? keyboard->GetStateBuffer() : nullptr;
    g_FullKeyboard.SetStateBuffer(keys);
    g_Console.Init(g_Display.GetD3DDevice(), keys, &g_FullKeyboard);
}

// Without its script the front end could never be left: as fatal as any
// other start-up script.
void LoadMenuManager()
{
    CScriptFile reader(MENU_MANAGER_SCRIPT);
    g_MenuManager.Load(reader);
    g_MenuManager.SetPlayStarter([] { g_Game.EnterPlay(); });
}

} // namespace

int NullState()
{
    return 1;
}

// Nothing is drawn while paused; the sleep keeps an unfocused game from
// spinning the processor.
int PausedState()
{
    Sleep(PAUSE_SLEEP_MS);
    return 1;
}

CGame::CGame()
{
    // The bottom of the stack holds the (null) state the game started in.
    PushState(nullptr);
}

void CGame::PushState(ScreenState state)
{
    m_SavedStates.push_back(m_CurrentState);
    m_CurrentState = state ? state : NullState;
}

void CGame::PopState()
{
    if (m_SavedStates.empty())
        return;
    const ScreenState top = m_SavedStates.back();
    m_SavedStates.pop_back();
    // The bottom entry is null: popping down to it must still leave a state to run.
    m_CurrentState = top ? top : NullState;
}

void CGame::Pause()
{
    PushState(PausedState);
}

void CGame::Resume()
{
    if (m_CurrentState == PausedState)
        PopState();
}

void CGame::EnterPlay()
{
    PushState(InGameState);
    g_InGameMouse.SetCursor(PLAY_POINTER);
    if (g_pLevel != nullptr)
        g_pLevel->SetState(CLevel::STATE_PLAYING);
    g_pActiveCamera = &g_GameCamera;
    g_GameCamera.m_pController = &g_LocalController;
    g_FreeCamera.m_pController = nullptr;
    if (g_pLevel != nullptr)
        g_pLevel->WarmUpEffectDraws();
}

void CGame::InitGame()
{
    g_Display.Create();
    RegisterTextMasterDeviceHooks();
    RegisterMiniMapDeviceHooks();
    RegisterWaterGridDeviceHooks();
    CStateBlocks::CreateAll();
    SetupDefaultViewProjection();
    SetupDefaultLight();
    // The game runs on without input; the player's key bindings are kept.
    if (!g_InputManager.Init())
        g_Log.Write(INPUT_FAILED);
    g_Sound.Init();
    // Without a physics scene the game still runs; every physics call is then a no-op.
    g_Physics.Init();
    LoadAssetScripts();
    for (const char* name : REQUIRED_TEXTURES) {
        CTexture* texture = nullptr;
        g_AssetManager.GetAsset(name, texture, true);
    }
    g_Clock.Start();
    g_TextMaster.Enable();
    g_Radio.LoadStations();

    CGameActor* player = nullptr;
    g_AssetManager.GetAsset(PLAYER_PROTOTYPE, player, true);
    g_Player = *player;
    CWeapon* pistol = nullptr;
    g_AssetManager.GetAsset(DEFAULT_WEAPON, pistol, true);
    g_Pistol = *pistol;

    CGameTimer* gameTimer = nullptr;
    g_AssetManager.GetAsset(MAIN_GAME_TIMER, gameTimer, true);
    g_GameTimer = *gameTimer;
    CInGameMouse* cursor = nullptr;
    g_AssetManager.GetAsset(DEFAULT_CURSOR, cursor, true);
    g_InGameMouse = *cursor;
    g_InGameMouse.SetCursor(MENU_POINTER);
    g_InGameMouse.SetDriver(&g_LocalController);
    ShowCursor(FALSE);
    g_InGameMouse.SetWindowsCursorShown(false);

    StartConsole();
    g_LocalController.Start();
    g_CellPhone.Load(CELL_PHONE_SCRIPT);
    // The phone dials with the player's keys.
    g_CellPhone.m_pController = &g_LocalController;

    g_PlayerActor = &g_Player;
    g_PlayerActor->UpdateCollision();
    g_PlayerActor->CreatePhysics();
    g_HUD.Load(g_PlayerActor);
    g_RoadNodes.Init();
    g_SidewalkNodes.Init();
    g_TrafficLights.Init();

    CComplexObject* sphere = nullptr;
    g_AssetManager.GetAsset(DEBUG_SPHERE, sphere, true);
    g_Sphere = *sphere;
    g_Sphere.BindWorldMatrix();
    SetUpCollisionScratch();
    LoadMenuManager();
    g_CrimeFile.Init();
    LoadOptions();
    ApplyOptions();
    g_VertexShaders.SetFiles();
    g_VertexShaders.CreateAll();
    g_WaterGrid.Build();
    PushState(InGameState);
}

// The level prototype itself becomes current, not a copy of it.
void CGame::StartGame()
{
    g_AssetManager.GetAsset(START_LEVEL, g_pLevel, true);
    g_PhoneDirectory.Start();
    g_pLevel->LoadScript();
    EnterPlay();
    g_GameTimer.Update();
}

void CGame::ShutdownGame()
{
    // The phone's ring, voice and text entry go while the sound and the
    // input still run.
    g_CellPhone.Shutdown();
    // Missions hold their cinemas' and victory sounds' streams, and the
    // player and the level they act on.
    g_MissionManager.Clear();
    SaveOptions();
    // The textures go first: each holds the device.
    CTexture::ReleaseAllTextures();
    g_Display.Shutdown();
    // Their bodies go before the scene does.
    if (g_pLevel != nullptr)
        g_pLevel->Shutdown();
    g_Player.Shutdown();
    // Its model's textures are gone: nothing may draw or steer it now.
    g_PlayerActor = nullptr;
    // Nor the pointers, whose textures went with the rest.
    g_InGameMouse = CInGameMouse();
    g_Physics.Shutdown();
    // The console types from the keyboard device's key bytes, which go next.
    g_Console.Shutdown();
    g_FullKeyboard.Shutdown();
    // Writes the key bindings.
    g_InputManager.Shutdown();
}

// The order matters: a class's blocks may name assets of the classes loaded
// before it.
void CGame::LoadAssetScripts()
{
    LoadAssetsFromScript<SFX3D>("Scripts\\SoundEffects.txt");
    LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
    LoadAssetsFromScript<CLensFlare>("Scripts\\LensFlares.txt");
    LoadAssetsFromScript<CInGameMouse>("Scripts\\Mouses.txt");
    LoadAssetsFromScript<C3DAnimSequence>("Scripts\\3DAnimSeqs.txt");
    LoadAssetsFromScript<CParticleEmitter>("Scripts\\ParticleSytems.txt");
    LoadAssetsFromScript<CLevel>("Scripts\\Levels.txt");
    LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
    LoadAssetsFromScript<CWaterPlane>("Scripts\\WaterPlanes.txt");
    LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
    LoadAssetsFromScript<CEffect>("Scripts\\EffectSystems.txt");
    LoadAssetsFromScript<CProjectile>("Scripts\\Projectiles.txt");
    LoadAssetsFromScript<CWeapon>("Scripts\\Weapons.txt");
    LoadAssetsFromScript<CTerrain>("Scripts\\Terrains.txt");
    LoadAssetsFromScript<CSkyBox>("Scripts\\Skybox.txt");
    LoadAssetsFromScript<CComplexObject>(COMPLEX_OBJECT_SCRIPT);
    ResolveComplexObjectSubGroups();
    LoadAssetsFromScript<CLevelObject>("Scripts\\LevelObjects.txt");
    LoadAssetsFromScript<CBuildingObject>("Scripts\\BuildingObjects.txt");
    LoadAssetsFromScript<CTireType>("Scripts\\TireTypes.txt");
    LoadAssetsFromScript<CCar>("Scripts\\Cars.txt");
    LoadAnimatedObjectScripts();
    LoadAssetsFromScript<CGameTimer>("Scripts\\GameTimer.txt");
    LoadAssetsFromScript<CGameActor>("Scripts\\GameActors.txt");
    LoadMenuScreenScripts();
}

void CGame::Frame()
{
    g_InputManager.Update();
    g_FrameTimer.Update();
    m_CurrentState();
    // The listener hears from the player; until there is one, from the origin.
    if (g_PlayerActor != nullptr) {
        g_Sound.Update(g_PlayerActor->m_Model.m_matWorld);
        return;
    }
    D3DXMATRIX origin;
    D3DXMatrixIdentity(&origin);
    g_Sound.Update(origin);
}
