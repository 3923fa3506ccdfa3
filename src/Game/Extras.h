#pragma once
// The rewards won missions grant by name.

#include <string>
#include <vector>

// The names of the granted extras in grant order; a name granted twice is
// listed twice. The save game writes it.
extern std::vector<std::string> g_UnlockedExtras;

class CAsset;

// Grants the extra `name` (names compare exactly): the delivery truck
// "RDS_DEL_TRUCK_1" parked by the start area, or one of the weapons laid in
// a row south of it, "pistol", "Uzzi", "Grenade", "C4", "Sniper" and
// "RocketLauncher". The current level gets the copy and the name is
// recorded. Null, nothing recorded, for any other name or with no level.
CAsset* SpawnItem(const std::string& name);
// Grants every recorded extra again, in order, as on a freshly loaded level.
void SpawnItems();
