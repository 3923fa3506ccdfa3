#include "support/ShippedScripts.h"

#include "Core/AssetManager.h"
#include "Display/AnimatedMesh.h"
#include "Display/AnimatedObject.h"
#include "Display/Animation.h"
#include "support/TempDir.h"

void LoadCharacterScripts()
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    LoadAssetsFromScript<cMesh>("Scripts\\AninimatedMeshes.txt");
    LoadAssetsFromScript<cAnimation>("Scripts\\AnimationSets.txt");
    LoadAssetsFromScript<cObject>("Scripts\\AnimatedMeshObject.txt");
}
