// The game's global services, defined here together so that they are
// constructed in this order and destroyed in the reverse order at exit.

#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Collision/CollisionObject.h"
#include "Console/Console.h"
#include "Console/FullKeyboard.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "Core/Log.h"
#include "Display/Camera.h"
#include "Display/ComplexObject.h"
#include "Display/Occ_HOM.h"
#include "Display/RenderQueue.h"
#include "Display/TextMaster.h"
#include "Display/VertexShaders.h"
#include "Display/Display.h"
#include "Game/CellPhone.h"
#include "Game/ConversationManager.h"
#include "Game/CrimeManager.h"
#include "Game/Extras.h"
#include "Game/HUD.h"
#include "Game/MissionManager.h"
#include "Game/PhoneDirectory.h"
#include "Game/ProgressData.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/TrafficLights.h"
#include "Level/WaterGrid.h"
#include "Menu/MenuManager.h"
#include "Physics/Physics.h"
#include "Sound/Radio.h"
#include "Sound/Sound.h"

CDisplay g_Display;
CGame g_Game;
CCamera g_GameCamera;
CCamera g_FreeCamera;
CCamera g_CinemaCamera;
CClock g_Clock;
CFrameTimer g_FrameTimer;
CGameTimer g_GameTimer;
CTextMaster g_TextMaster;
CFontDesc g_FontVerdana13("Verdana", false, false, true, 13, 0.5f);
CFontDesc g_FontVerdana8("Verdana", false, false, true, 8, 0.5f);
CRenderQueue g_RenderQueue;
CInputManager g_InputManager;
CAssetManager g_AssetManager;
CConversationManager g_ConversationManager;
CCellPhone g_CellPhone;
CPhoneDirectory g_PhoneDirectory;
CConsole g_Console;
CFullKeyboard g_FullKeyboard;
CSound g_Sound;
CRadio g_Radio;
CRandomTable g_RandomTable;
CLog g_Log;
CLocalController g_LocalController;
CGameActor g_Player;
CPhysics g_Physics;
CWeapon g_Pistol;
CInGameMouse g_InGameMouse;
CRoadNodeList g_RoadNodes;
CSidewalkNodeList g_SidewalkNodes;
CTrafficLights g_TrafficLights;
CHUD g_HUD;
CCollisionObject g_CollisionScratch;
CMenuManager g_MenuManager;
CMissionManager g_MissionManager;
CVertexShaders g_VertexShaders;
CComplexObject g_Sphere;
CCrimeManager g_CrimeFile;
CWaterGrid g_WaterGrid;
std::vector<std::string> g_UnlockedExtras;
COccHOMViewport g_VisibilityTester;
CProgressData g_Progress;

// Plain statics: the active camera is set at start-up, the culling matrix
// every frame.
CCamera* g_pActiveCamera = nullptr;
CGameActor* g_PlayerActor = nullptr;
// The current level: an asset, owned by the asset manager.
CLevel* g_pLevel = nullptr;
D3DXMATRIX g_CullViewProj;
