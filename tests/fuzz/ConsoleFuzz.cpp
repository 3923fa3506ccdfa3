// The console with the town loaded and the player in it: lines typed one
// after another (the input's lines, as Enter runs them) and console scripts
// run by name. Each input meets the town as the level script builds it.

#include <fstream>
#include <string>

#include "Actors/GameActor.h"
#include "Console/Console.h"
#include "Console/FullKeyboard.h"
#include "Core/AssetManager.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/TrafficLights.h"
#include "fuzz/GameFileFuzz.h"
#include "platform/files/Files.h"

namespace {

// Enough for a player's burst of commands; the rest of an input is not typed.
const int MOST_TYPED_LINES = 16;
const char* const TYPED = "Scripts\\Console\\CarAhead.txt";

void RebuildTown()
{
    g_pLevel->LoadScript();
}

// Builds the town again however the input ends.
struct TownRebuild {
    TownRebuild() = default;
    TownRebuild(const TownRebuild&) = delete;
    TownRebuild& operator=(const TownRebuild&) = delete;
    ~TownRebuild() { RebuildTown(); }
};

void TypeLines()
{
    TownRebuild rebuild;
    std::ifstream file(Files::ResolvePath(TYPED), std::ios::binary);
    std::string line;
    for (int typed = 0; typed < MOST_TYPED_LINES && std::getline(file, line); ++typed)
        g_Console.RunLine(line);
}

#define CONSOLE_SCRIPT(path) {path, [] { TownRebuild rebuild; g_Console.ExecuteFile(path); }}

void PrepareTown()
{
    PrepareShippedGame();
    g_Console.Init(g_Display.GetD3DDevice(), nullptr, &g_FullKeyboard);
    g_RoadNodes.Init();
    g_SidewalkNodes.Init();
    g_TrafficLights.Init();
    g_PlayerActor->UpdateCollision();
    g_PlayerActor->CreatePhysics();
    g_pActiveCamera = &g_GameCamera;
    g_AssetManager.GetAsset("Modern", g_pLevel, true);
    RebuildTown();
}

} // namespace

const GameFileFuzzTarget& ThisFuzzTarget()
{
    static const GameFileFuzzTarget target = {
        PrepareTown,
        {
            {TYPED, TypeLines},
            CONSOLE_SCRIPT("Scripts\\Console\\GameStartUp.txt"),
            CONSOLE_SCRIPT("Scripts\\Console\\TownSquare.txt"),
            CONSOLE_SCRIPT("Scripts\\Console\\CarAhead.txt"),
        }};
    return target;
}
