// The game's global services, defined here together so that they are
// constructed in this order and destroyed in the reverse order at exit.

#include "Collision/CollisionObject.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "Core/Log.h"
#include "Physics/Physics.h"
#include "Sound/Radio.h"
#include "Sound/Sound.h"

CGame g_Game;
CClock g_Clock;
CFrameTimer g_FrameTimer;
CAssetManager g_AssetManager;
CSound g_Sound;
CRadio g_Radio;
CRandomTable g_RandomTable;
CLog g_Log;
CPhysics g_Physics;
CCollisionObject g_CollisionScratch;
