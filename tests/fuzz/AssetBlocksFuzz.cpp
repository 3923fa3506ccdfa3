// The asset scripts: one reader per row of start-up's asset load (but the
// terrains, which are the level's files and load the whole town), each
// reading its script's blocks into new assets over the shipped ones, the
// particle and effect scripts that those blocks compile, the menus' manager,
// the radio's stations and the vertex shaders' programs. What an input filed
// is taken out of the store again, so every input meets the shipped store.

#include <memory>
#include <string>
#include <vector>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Actors/TireType.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Display/AnimSequence.h"
#include "Display/AnimatedMesh.h"
#include "Display/AnimatedObject.h"
#include "Display/Animation.h"
#include "Display/ComplexObject.h"
#include "Display/Display.h"
#include "Display/DisplayMesh.h"
#include "Display/SkyBox.h"
#include "Display/Texture.h"
#include "Display/VertexShaders.h"
#include "Effects/Effect.h"
#include "Effects/LensFlare.h"
#include "Effects/ParticleSystem.h"
#include "Input/InGameMouse.h"
#include "Level/BuildingObject.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Level/LevelObject.h"
#include "Level/WaterPlane.h"
#include "Menu/Button.h"
#include "Menu/CyclicObject.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "Menu/SliderObject.h"
#include "Sound/Radio.h"
#include "Sound/SFX3D.h"
#include "fuzz/GameFileFuzz.h"

namespace {

const char* const PARTICLE_SYSTEMS = "Scripts\\ParticleSytems.txt";
const char* const EFFECT_SYSTEMS = "Scripts\\EffectSystems.txt";
const char* const MENU_MANAGER = "Scripts\\Menu\\MenuManager.txt";

// A reader and the class it files its assets under (null when it files none).
struct AssetRow {
    GameFileReader reader;
    const char* className;
};

const std::vector<AssetRow>& Rows();

// Every class's list, in start-up's order.
const std::vector<const char*>& ClassNames()
{
    static const std::vector<const char*> names = [] {
        std::vector<const char*> listed;
        for (const AssetRow& row : Rows())
            if (row.className != nullptr)
                listed.push_back(row.className);
        return listed;
    }();
    return names;
}

template <class T>
void ReadAssetBlocks(const char* path)
{
    AssetRollback rollback(ClassNames());
    LoadAssetsFromScript<T>(path);
    if (std::string(T::CLASS_NAME) == CComplexObject::CLASS_NAME)
        ResolveComplexObjectSubGroups();
}

// The menus' manager reads its own script after the menus' blocks.
void ReadMenuManager()
{
    CDataBuffer reader;
    if (!reader.Init(MENU_MANAGER, SCRIPT_SEPARATORS))
        return;
    CMenuManager manager;
    manager.Load(reader);
}

void ReadRadioStations()
{
    CRadio radio;
    radio.LoadStations();
}

// The shaders are assembled as start-up assembles them, then deleted from
// the device again.
void ReadVertexShaders()
{
    CVertexShaders shaders;
    shaders.SetFiles();
    shaders.CreateAll();
    for (int index = 0; index < VS_COUNT; ++index) {
        if (shaders.GetShader(index) != 0)
            g_Display.GetD3DDevice()->DeleteVertexShader(shaders.GetShader(index));
    }
}

#define VERTEX_SHADER(name) {{"Scripts\\VertexShaders\\" name, ReadVertexShaders}, nullptr}
#define ASSET_BLOCKS(T, path) {{path, [] { ReadAssetBlocks<T>(path); }}, T::CLASS_NAME}
// A particle or effect script is compiled by the shipped blocks that name it.
#define COMPILED_BY(T, blocks, path) {{path, [] { ReadAssetBlocks<T>(blocks); }}, T::CLASS_NAME}
#define PARTICLE_SCRIPT(name) COMPILED_BY(CParticleEmitter, PARTICLE_SYSTEMS, "Scripts\\Particles\\" name)
#define EFFECT_SCRIPT(name) COMPILED_BY(CEffect, EFFECT_SYSTEMS, "Scripts\\Effects\\" name)

// Start-up's order, the scripts that blocks compile after their blocks.
const std::vector<AssetRow>& Rows()
{
    static const std::vector<AssetRow> rows = {
        ASSET_BLOCKS(SFX3D, "Scripts\\SoundEffects.txt"),
        ASSET_BLOCKS(CTexture, "Scripts\\Textures.txt"),
        ASSET_BLOCKS(CLensFlare, "Scripts\\LensFlares.txt"),
        ASSET_BLOCKS(CInGameMouse, "Scripts\\Mouses.txt"),
        ASSET_BLOCKS(C3DAnimSequence, "Scripts\\3DAnimSeqs.txt"),
        ASSET_BLOCKS(CParticleEmitter, PARTICLE_SYSTEMS),
        PARTICLE_SCRIPT("Smoke.txt"),
        PARTICLE_SCRIPT("Sparks.txt"),
        PARTICLE_SCRIPT("Dust.txt"),
        PARTICLE_SCRIPT("Exhaust.txt"),
        PARTICLE_SCRIPT("Splash.txt"),
        PARTICLE_SCRIPT("Fire.txt"),
        PARTICLE_SCRIPT("Debris.txt"),
        ASSET_BLOCKS(CLevel, "Scripts\\Levels.txt"),
        ASSET_BLOCKS(CDisplayMesh, "Scripts\\Meshes.txt"),
        ASSET_BLOCKS(CWaterPlane, "Scripts\\WaterPlanes.txt"),
        ASSET_BLOCKS(CDisplayObject3D, "Scripts\\DisplayObject3D.txt"),
        ASSET_BLOCKS(CEffect, EFFECT_SYSTEMS),
        EFFECT_SCRIPT("CarSmoke.txt"),
        EFFECT_SCRIPT("BulletHit.txt"),
        EFFECT_SCRIPT("StartLocation.txt"),
        EFFECT_SCRIPT("MuzzleFlash.txt"),
        EFFECT_SCRIPT("Splash.txt"),
        EFFECT_SCRIPT("Explosion.txt"),
        EFFECT_SCRIPT("CarExplosion.txt"),
        ASSET_BLOCKS(CProjectile, "Scripts\\Projectiles.txt"),
        ASSET_BLOCKS(CWeapon, "Scripts\\Weapons.txt"),
        ASSET_BLOCKS(CSkyBox, "Scripts\\Skybox.txt"),
        ASSET_BLOCKS(CComplexObject, "Scripts\\ComplexObjects.txt"),
        ASSET_BLOCKS(CLevelObject, "Scripts\\LevelObjects.txt"),
        ASSET_BLOCKS(CBuildingObject, "Scripts\\BuildingObjects.txt"),
        ASSET_BLOCKS(CTireType, "Scripts\\TireTypes.txt"),
        ASSET_BLOCKS(CCar, "Scripts\\Cars.txt"),
        ASSET_BLOCKS(cMesh, "Scripts\\AninimatedMeshes.txt"),
        ASSET_BLOCKS(cAnimation, "Scripts\\AnimationSets.txt"),
        ASSET_BLOCKS(cObject, "Scripts\\AnimatedMeshObject.txt"),
        ASSET_BLOCKS(CGameTimer, "Scripts\\GameTimer.txt"),
        ASSET_BLOCKS(CGameActor, "Scripts\\GameActors.txt"),
        ASSET_BLOCKS(CButton, "Scripts\\MenuButtons.txt"),
        ASSET_BLOCKS(CCyclicObject, "Scripts\\Menu\\CyclicObjects.txt"),
        ASSET_BLOCKS(CSliderObject, "Scripts\\Menu\\SliderObjects.txt"),
        ASSET_BLOCKS(CSingleMenu, "Scripts\\Menu\\MenuScreens.txt"),
        ASSET_BLOCKS(CSingleTabObject, "Scripts\\Menu\\SingleTabObjects.txt"),
        ASSET_BLOCKS(CMultiTabObject, "Scripts\\Menu\\MultiTabObjects.txt"),
        ASSET_BLOCKS(CSingleScreen, "Scripts\\Menu\\SingleScreen.txt"),
        {{MENU_MANAGER, ReadMenuManager}, nullptr},
        {{CRadio::STATIONS_FILE, ReadRadioStations}, nullptr},
        VERTEX_SHADER("Test.txt"),
        VERTEX_SHADER("IndexedSkinnedMesh.txt"),
        VERTEX_SHADER("Car.txt"),
        VERTEX_SHADER("Water.txt"),
    };
    return rows;
}

} // namespace

const GameFileFuzzTarget& ThisFuzzTarget()
{
    static const GameFileFuzzTarget target = [] {
        GameFileFuzzTarget built = {PrepareShippedGame, {}};
        for (const AssetRow& row : Rows())
            built.readers.push_back(row.reader);
        return built;
    }();
    return target;
}
