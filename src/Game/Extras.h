#pragma once
// The rewards won missions grant by name.

#include <string>
#include <vector>

// The names of the granted extras in grant order; a name granted twice is
// listed twice. The save game writes it.
extern std::vector<std::string> g_UnlockedExtras;

// Grants the extra `name`: for now it is only recorded in g_UnlockedExtras.
void SpawnItem(const std::string& name);
