#include "support/ShippedScripts.h"

#include "Actors/Car.h"
#include "Actors/TireType.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "Display/AnimSequence.h"
#include "Display/AnimatedObject.h"
#include "Display/Texture.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/TrafficLights.h"
#include "Menu/MenuScreens.h"
#include "Physics/Physics.h"
#include "support/FlatGround.h"
#include "support/FrameTime.h"
#include "support/TempDir.h"

void LoadCharacterScripts()
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    LoadAnimatedObjectScripts();
}

void LoadMenuScripts()
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
    LoadMenuScreenScripts();
}

void LoadEffectScripts()
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    LoadAssetsFromScript<C3DAnimSequence>("Scripts\\3DAnimSeqs.txt");
    LoadAssetsFromScript<CParticleEmitter>("Scripts\\ParticleSytems.txt");
    LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
    LoadAssetsFromScript<CEffect>("Scripts\\EffectSystems.txt");
}

void LoadCarScripts()
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    LoadAssetsFromScript<SFX3D>("Scripts\\SoundEffects.txt");
    LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
    LoadEffectScripts();
    LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
    LoadAssetsFromScript<CComplexObject>("Scripts\\ComplexObjects.txt");
    ResolveComplexObjectSubGroups();
    LoadAssetsFromScript<CTireType>("Scripts\\TireTypes.txt");
    LoadAssetsFromScript<CCar>("Scripts\\Cars.txt");
}

bool StartCarGround(uint32_t seed, uint32_t frameMilliseconds)
{
    g_RandomTable.Fill(seed);
    SetFrameTime(frameMilliseconds);
    if (!g_Physics.Init() || !CreateFlatGround())
        return false;
    LoadCarScripts();
    return true;
}

void EndCarGround()
{
    g_Physics.Shutdown();
    CTexture::ReleaseAllTextures();
    g_AssetManager.Clear();
    g_FrameTimer = CFrameTimer();
}

void LoadShippedTown()
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    g_Game.LoadAssetScripts();
    g_RoadNodes.Init();
    g_SidewalkNodes.Init();
    g_TrafficLights.Init();
    g_AssetManager.GetAsset("Modern", g_pLevel, true);
    g_pLevel->LoadScript();
}

void EndShippedTown()
{
    g_pLevel->Shutdown();
    g_pLevel = nullptr;
    CTexture::ReleaseAllTextures();
    g_AssetManager.Clear();
}
