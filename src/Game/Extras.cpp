#include "Game/Extras.h"

void SpawnItem(const std::string& name)
{
    g_UnlockedExtras.push_back(name);
}
