// The level's own files: its script (the town's placements), its road and
// sidewalk graphs, its traffic lights, its terrain's mesh list and the
// collision files that objects name, each read by the loader that reads it
// at start-up or when the level loads.

#include "AI/AIPool.h"
#include "Collision/CollisionObject.h"
#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Game/PhoneDirectory.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/Terrain.h"
#include "Level/TrafficLights.h"
#include "fuzz/GameFileFuzz.h"

namespace {

const char* const LEVELS = "Scripts\\Levels.txt";
const char* const TERRAINS = "Scripts\\Terrains.txt";
const char* const SPAWN_NODES = "Scripts\\Levels\\ModernSpawnNodes.txt";
const char* const PHONES = "Scripts\\Levels\\ModernPhones.txt";

// The shipped level block names the script; the level is built from it and
// emptied again.
void ReadLevelScript()
{
    CDataBuffer block;
    if (!block.Init(LEVELS, ":,\t "))
        return;
    CLevel level;
    level.Load(block);
    CLevel* const previous = g_pLevel;
    g_pLevel = &level;
    try {
        level.LoadScript();
    } catch (...) {
        level.Shutdown();
        g_pLevel = previous;
        throw;
    }
    level.Shutdown();
    g_pLevel = previous;
}

template <class NodeList>
void ReadNodes()
{
    NodeList nodes;
    nodes.Init();
}

void ReadTrafficLights()
{
    CTrafficLights lights;
    lights.Init(g_RoadNodes);
}

void ReadTerrains()
{
    AssetRollback rollback({CTerrain::CLASS_NAME});
    LoadAssetsFromScript<CTerrain>(TERRAINS);
}

// A pool of its own: its sectors and nodes go with it.
void ReadSpawnNodes()
{
    CAIPool pool;
    pool.LoadSpawnNodes(SPAWN_NODES);
}

// Read as the level reads it, and every number dialled.
void ReadPhoneDirectory()
{
    const float MORNING = 9.5f;
    CPhoneDirectory directory;
    directory.Load(PHONES);
    CDirectoryResult result;
    for (const auto& number : directory.GetNumbers())
        directory.Lookup(number.first, MORNING, result);
}

#define COLLISION_FILE(path) {path, [] { CCollisionObject().Load(path); }}

void PrepareLevel()
{
    PrepareShippedGame();
    g_RoadNodes.Init();
    g_SidewalkNodes.Init();
}

} // namespace

const GameFileFuzzTarget& ThisFuzzTarget()
{
    static const GameFileFuzzTarget target = {
        PrepareLevel,
        {
            {"Scripts\\Levels\\Modern.txt", ReadLevelScript},
            {cRoadnode::SCRIPT_FILE, ReadNodes<CRoadNodeList>},
            {cSidewalknode::SCRIPT_FILE, ReadNodes<CSidewalkNodeList>},
            {CTrafficLights::SCRIPT_FILE, ReadTrafficLights},
            {TERRAINS, ReadTerrains},
            {"Scripts\\Levels\\ModernTerrain.txt", ReadTerrains},
            COLLISION_FILE("Scripts\\Collision\\crate.txt"),
            COLLISION_FILE("Scripts\\Collision\\Sedan.txt"),
            COLLISION_FILE("Scripts\\Collision\\Lizard.txt"),
            {SPAWN_NODES, ReadSpawnNodes},
            {PHONES, ReadPhoneDirectory},
        }};
    return target;
}
