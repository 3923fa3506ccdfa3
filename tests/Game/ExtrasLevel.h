#pragma once
// The small test level with physics and the prototypes the extras copy: the
// car "DeliveryRDS" and the six weapons. No extra is granted at the start
// or left granted at the end.

#include <string>

#include "Actors/Car.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Game/Extras.h"
#include "Level/LevelFixture.h"

class ExtrasLevel : public LevelFixture {
protected:
    void SetUp() override
    {
        StartPhysics();
        LevelFixture::SetUp();
        m_Dir.Write("Scripts/ExtraCars.txt",
                    "Car DeliveryRDS Asset_Type Game Body Empty NumSeats 1 Seat " + At(1, 0.5f, 0) + "\n");
        LoadAssetsFromScript<CCar>("Scripts\\ExtraCars.txt");
        std::string weapons;
        for (const char* name : {"pistol", "Uzzi", "Grenade", "C4", "Sniper", "RocketLauncher"})
            weapons += std::string("Weapon ") + name + " Asset_Type Game\n";
        m_Dir.Write("Scripts/ExtraWeapons.txt", weapons);
        LoadAssetsFromScript<CWeapon>("Scripts\\ExtraWeapons.txt");
        g_UnlockedExtras.clear();
    }
    void TearDown() override
    {
        g_UnlockedExtras.clear();
        LevelFixture::TearDown();
    }

    // The level with the viewer's block of cells about (x, z) active.
    CLevel& LoadWithViewerAt(float x, float z)
    {
        CLevel& level = LoadLevel("Terrain Ground\n");
        PlaceViewer(x, z);
        level.Update();
        return level;
    }

    static D3DXVECTOR3 Position(const D3DXMATRIX& matrix) { return D3DXVECTOR3(matrix._41, matrix._42, matrix._43); }
};
