// The game's global services, defined here together so that they are
// constructed in this order and destroyed in the reverse order at exit.

#include "Collision/CollisionObject.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "Core/Log.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Physics/Physics.h"
#include "Sound/Radio.h"
#include "Sound/Sound.h"

CGame g_Game;
CClock g_Clock;
CFrameTimer g_FrameTimer;
CInputManager g_InputManager;
CAssetManager g_AssetManager;
CSound g_Sound;
CRadio g_Radio;
CRandomTable g_RandomTable;
CLog g_Log;
CLocalController g_LocalController;
CPhysics g_Physics;
CInGameMouse g_InGameMouse;
CCollisionObject g_CollisionScratch;
