// The extras granted into the small test level with physics: the delivery
// truck parked by the start area and six weapons laid out in a row, each a
// copy of its prototype and each recorded by name.

#include "Game/Extras.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/Weapon.h"
#include "Game/ExtrasLevel.h"
#include "support/MatrixExpect.h"

namespace {

typedef std::vector<std::string> Names;

const char* const TRUCK = "RDS_DEL_TRUCK_1";
const float TRUCK_X = -30.5f;
const float TRUCK_Z = -35.0f;

TEST_F(ExtrasLevel, EachExtraIsACopyAtItsSpotAndItsNameIsRecorded)
{
    CLevel& level = LoadWithViewerAt(1000, 1000);
    const struct {
        const char* name;
        D3DXVECTOR3 spot;
    } weapons[] = {
        {"pistol", D3DXVECTOR3(-27.5f, 0.4f, -68.2f)}, {"Uzzi", D3DXVECTOR3(-28.5f, 0.4f, -68.2f)},
        {"Grenade", D3DXVECTOR3(-29.5f, 0.4f, -68.2f)}, {"C4", D3DXVECTOR3(-30.5f, 0.4f, -68.2f)},
        {"Sniper", D3DXVECTOR3(-31.5f, 0.4f, -68.2f)}, {"RocketLauncher", D3DXVECTOR3(-32.5f, 0.4f, -68.2f)},
    };
    Names granted;
    for (const auto& extra : weapons) {
        SCOPED_TRACE(extra.name);
        auto* weapon = dynamic_cast<CWeapon*>(SpawnItem(extra.name));
        ASSERT_NE(nullptr, weapon);
        EXPECT_EQ(weapon, level.GetWeapons().back().get());
        EXPECT_EQ(extra.name, weapon->m_Name);
        EXPECT_EQ(extra.spot, Position(weapon->m_matPos));
        EXPECT_EQ(extra.spot, Position(weapon->m_DisplayObject.GetLocalMatrix()));
        granted.push_back(extra.name);
    }
    EXPECT_EQ(6u, level.GetWeapons().size());

    auto* truck = dynamic_cast<CCar*>(SpawnItem(TRUCK));
    ASSERT_NE(nullptr, truck);
    granted.push_back(TRUCK);
    EXPECT_EQ("DeliveryRDS", truck->m_Name);
    EXPECT_EQ(D3DXVECTOR3(TRUCK_X, 1.2f, TRUCK_Z), Position(truck->m_Body.GetLocalMatrix()));
    // Half a turn about the vertical: facing the prototype's back.
    D3DXMATRIX turned = Translation(TRUCK_X, 1.2f, TRUCK_Z);
    turned._11 = -1.0f;
    turned._33 = -1.0f;
    ExpectMatrixNear(turned, truck->m_matSpawn, 0.0f);
    EXPECT_FALSE(truck->m_bInWorld) << "its cell is far from the viewer";
    int column = 0;
    int row = 0;
    ASSERT_TRUE(CCarGrid::CellOf(Position(truck->m_matSpawn), column, row));
    const auto& cell = level.GetCarGrid().GetCell(CCarGrid::CellIndex(column, row)).m_Entries;
    EXPECT_EQ(truck, cell.back());

    EXPECT_EQ(granted, g_UnlockedExtras);
}

// Names are exact, and a name granted twice gives two of it.
TEST_F(ExtrasLevel, UnknownNamesGiveNothingAndRepeatsGiveAnotherCopy)
{
    CLevel& level = LoadWithViewerAt(1000, 1000);
    for (const char* unknown : {"Pistol", "PISTOL", "Jetpack", ""})
        EXPECT_EQ(nullptr, SpawnItem(unknown)) << unknown;
    EXPECT_TRUE(g_UnlockedExtras.empty());
    EXPECT_TRUE(level.GetWeapons().empty());

    CAsset* first = SpawnItem("pistol");
    CAsset* second = SpawnItem("pistol");
    EXPECT_NE(first, second);
    EXPECT_EQ(2u, level.GetWeapons().size());
    EXPECT_EQ((Names{"pistol", "pistol"}), g_UnlockedExtras);

    // With no level there is nowhere to put it.
    g_pLevel = nullptr;
    EXPECT_EQ(nullptr, SpawnItem("pistol"));
    EXPECT_EQ((Names{"pistol", "pistol"}), g_UnlockedExtras);
}

// The retry grants the list again into the reloaded level; the list ends as
// it was.
TEST_F(ExtrasLevel, SpawnItemsGrantsTheListAgainInOrder)
{
    CLevel& level = LoadWithViewerAt(1000, 1000);
    SpawnItems();
    EXPECT_TRUE(g_UnlockedExtras.empty());
    EXPECT_TRUE(level.GetWeapons().empty());

    g_UnlockedExtras = {"Uzzi", "Bogus", "pistol", "Uzzi"};
    SpawnItems();
    EXPECT_EQ((Names{"Uzzi", "pistol", "Uzzi"}), g_UnlockedExtras);
    Names placed;
    for (const auto& weapon : level.GetWeapons())
        placed.push_back(weapon->m_Name);
    EXPECT_EQ((Names{"Uzzi", "pistol", "Uzzi"}), placed);
}

// A car put into a cell the viewer keeps active would wait for that cell's
// next activation, which never comes while the viewer stays: it enters the
// world at once instead.
TEST_F(ExtrasLevel, TheTruckInAnActiveCellIsInTheWorldAtOnce)
{
    CLevel& level = LoadWithViewerAt(TRUCK_X, TRUCK_Z);
    auto* truck = dynamic_cast<CCar*>(SpawnItem(TRUCK));
    ASSERT_NE(nullptr, truck);
    EXPECT_TRUE(truck->m_bInWorld);
    EXPECT_NE(nullptr, truck->m_PhysicsObject.m_pActor);
    ASSERT_FALSE(level.GetActiveCars().empty());
    EXPECT_EQ(truck, level.GetActiveCars().back());

    level.Update();
    EXPECT_EQ(1, std::count(level.GetActiveCars().begin(), level.GetActiveCars().end(), truck)) << "listed once";
}

} // namespace
