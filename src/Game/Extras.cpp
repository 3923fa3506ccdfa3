#include "Game/Extras.h"

#include <iterator>
#include <memory>

#include "Actors/Car.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Level/Level.h"

namespace {

const char* const TRUCK_EXTRA = "RDS_DEL_TRUCK_1";
const char* const TRUCK_CAR = "DeliveryRDS";
const D3DXVECTOR3 TRUCK_POSITION(-30.5f, 1.2f, -35.0f);

// The weapons lie in a row, each under its own asset's name.
struct WeaponExtra {
    const char* name;
    D3DXVECTOR3 position;
};
const WeaponExtra WEAPON_EXTRAS[] = {
    {"pistol", D3DXVECTOR3(-27.5f, 0.4f, -68.2f)},
    {"Uzzi", D3DXVECTOR3(-28.5f, 0.4f, -68.2f)},
    {"Grenade", D3DXVECTOR3(-29.5f, 0.4f, -68.2f)},
    {"C4", D3DXVECTOR3(-30.5f, 0.4f, -68.2f)},
    {"Sniper", D3DXVECTOR3(-31.5f, 0.4f, -68.2f)},
    {"RocketLauncher", D3DXVECTOR3(-32.5f, 0.4f, -68.2f)},
};

const WeaponExtra* FindWeaponExtra(const std::string& name)
{
    for (const WeaponExtra& extra : WEAPON_EXTRAS) {
        if (name == extra.name)
            return &extra;
    }
    return nullptr;
}

// Parked facing the other way from the prototype.
CCar* PlaceTruck(CLevel& level)
{
    CCar* prototype = nullptr;
    g_AssetManager.GetAsset(TRUCK_CAR, prototype, true);
    auto truck = std::make_unique<CCar>(*prototype);
    truck->Reset();
    truck->m_Body.SetPosition(&TRUCK_POSITION);
    D3DXMATRIX& spawn = truck->m_matSpawn;
    D3DXMatrixIdentity(&spawn);
    spawn._11 = -1.0f;
    spawn._33 = -1.0f;
    spawn._41 = TRUCK_POSITION.x;
    spawn._42 = TRUCK_POSITION.y;
    spawn._43 = TRUCK_POSITION.z;
    return level.AddCarToGrid(truck.release());
}

CWeapon* PlaceWeapon(CLevel& level, const WeaponExtra& extra)
{
    CWeapon* prototype = nullptr;
    g_AssetManager.GetAsset(extra.name, prototype, true);
    auto weapon = std::make_unique<CWeapon>(*prototype);
    weapon->m_matPos._41 = extra.position.x;
    weapon->m_matPos._42 = extra.position.y;
    weapon->m_matPos._43 = extra.position.z;
    weapon->ApplyPosMatrix();
    level.GetWeapons().push_back(std::move(weapon));
    return level.GetWeapons().back().get();
}

CAsset* Place(CLevel& level, const std::string& name)
{
    if (name == TRUCK_EXTRA)
        return PlaceTruck(level);
    const WeaponExtra* weapon = FindWeaponExtra(name);
    return weapon != nullptr ? PlaceWeapon(level, *weapon) : nullptr;
}

} // namespace

CAsset* SpawnItem(const std::string& name)
{
    if (g_pLevel == nullptr)
        return nullptr;
    CAsset* placed = Place(*g_pLevel, name);
    if (placed != nullptr)
        g_UnlockedExtras.push_back(name);
    return placed;
}

void SpawnItems()
{
    std::vector<std::string> granted;
    granted.swap(g_UnlockedExtras);
    for (const std::string& name : granted)
        SpawnItem(name);
}
