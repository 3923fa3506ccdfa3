// The shipped "Scripts\Weapons.txt", loaded as start-up loads it, and its
// pistol fired by an actor into a crate in a real scene.

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Actors/ProjectilePool.h"
#include "Actors/StandInEffects.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Display/DisplayMesh.h"
#include "Display/RenderStates.h"
#include "Display/Texture.h"
#include "Effects/Effect.h"
#include "Input/InGameMouse.h"
#include "Sound/RecordingFSound.h"
#include "Sound/SFX3D.h"
#include "support/GamePhysics.h"
#include "support/MatrixExpect.h"
#include "support/ScriptedController.h"
#include "support/TempDir.h"

namespace {

const float CRATE_MASS = 10.0f;
const float CRATE_HALF_HEIGHT = 0.5f;

template <class T>
void FileStandIn(const std::string& name)
{
    auto* asset = new T();
    asset->m_Name = name;
    g_AssetManager.AddAsset(asset);
}

// What the weapons name that needs a display: stand-ins under the names.
void FileStandIns()
{
    FileStandInEffects({"BulletHit", "Explosion", "MuzzleFlash", "GrenadeFlight", "RocketFlight", "C4Charge"}, "0.2");
    for (const char* name : {"Pistol", "Uzzi", "Grenade", "C4", "Sniper", "RocketLauncher"}) {
        FileStandIn<CDisplayObject3D>(name);
        FileStandIn<CTexture>(std::string(name) + "Icon");
    }
    FileStandIn<CTexture>("arrowtarget");
    FileStandIn<CTexture>("SniperScope");
}

const CWeapon& Find(const char* name)
{
    CWeapon* weapon = nullptr;
    g_AssetManager.GetAsset(name, weapon, true);
    return *weapon;
}

class PhysicsShippedWeapons : public GamePhysics {
protected:
    void SetUp() override
    {
        GamePhysics::SetUp();
        FileStandIns();
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<SFX3D>("Scripts\\SoundEffects.txt");
        LoadAssetsFromScript<CProjectile>("Scripts\\Projectiles.txt");
        LoadAssetsFromScript<CWeapon>("Scripts\\Weapons.txt");
        m_Sound.TakeCalls();
        CProjectilePool::SetCurrent(&m_Pool);
        D3DXMatrixPerspectiveFovLH(&g_matProjection, D3DX_PI / 4.0f, 4.0f / 3.0f, 0.1f, 1000.0f);
    }
    void TearDown() override
    {
        m_Pool.Reset();
        CProjectilePool::SetCurrent(nullptr);
        m_Actor.Shutdown();
        GamePhysics::TearDown();
        g_AssetManager.Clear();
    }

    // An actor at the origin facing +z with the pistol in hand; its camera
    // stands 4 m behind it at the crates' height.
    CWeapon& ArmActor()
    {
        m_Camera.m_matWorld = Translation(0, CRATE_HALF_HEIGHT, -4.0f);
        m_Controller.m_pCamera = &m_Camera;
        m_Controller.m_pCursor = &m_Cursor;
        m_Actor.m_pController = &m_Controller;
        m_Actor.m_Model.m_matWorld = Identity();
        m_Actor.CreatePhysics();
        m_Actor.PickUpWeapon(std::make_unique<CWeapon>(Find("pistol")));
        // Aim at the middle of the screen, straight ahead.
        m_Controller.SetCursor(0.5f, 0.5f);
        CWeapon& pistol = *m_Actor.GetCurrentWeapon();
        pistol.Update();
        return pistol;
    }

    void RunPoolFrames(int frames)
    {
        RunFrames(frames, [this] {
            m_Pool.Update();
            m_Pool.CastHitRays();
        });
    }

    RecordingFSound m_Sound;
    CProjectilePool m_Pool;
    CCamera m_Camera;
    CInGameMouse m_Cursor;
    ScriptedController m_Controller;
    CGameActor m_Actor;
};

TEST_F(PhysicsShippedWeapons, EveryWeaponLoadsWithItsTypeAndShot)
{
    const struct {
        const char* name;
        int weaponID;
        const char* projectile;
        bool chargeFire;
        bool trackProj;
    } weapons[] = {
        {"pistol", WEAPON_PISTOL, "Bullet", false, false},
        {"Uzzi", WEAPON_UZZI, "Bullet", false, false},
        {"Grenade", WEAPON_GRENADE, "Grenade", true, false},
        {"C4", WEAPON_C4, "C4Charge", true, true},
        {"Sniper", WEAPON_SNIPER, "Bullet", false, false},
        {"RocketLauncher", WEAPON_ROCKET_LAUNCHER, "Rocket", false, false},
    };
    for (const auto& expected : weapons) {
        SCOPED_TRACE(expected.name);
        const CWeapon& weapon = Find(expected.name);
        EXPECT_EQ(expected.weaponID, weapon.m_iWeaponID);
        ASSERT_NE(nullptr, weapon.m_pProjectilePrototype);
        EXPECT_EQ(expected.projectile, weapon.m_pProjectilePrototype->GetName());
        EXPECT_EQ(expected.chargeFire, weapon.m_bChargeFire);
        EXPECT_EQ(expected.trackProj, weapon.m_bTrackProj);
        EXPECT_TRUE(weapon.m_FireEffect.m_u8Compiled) << "fires with the muzzle flash";
        EXPECT_EQ("arrowtarget", weapon.m_pAimTexture->GetName());
        EXPECT_GT(weapon.m_fAmmunition, 0.0f);
    }
    const CWeapon& pistol = Find("pistol");
    EXPECT_EQ(24.0f, pistol.m_fAmmunition);
    EXPECT_EQ(0.3f, pistol.m_fRepeatDelay);
    EXPECT_EQ(D3DXVECTOR2(0.55f, 0.4f), pistol.m_vAimPos);
    EXPECT_FALSE(pistol.m_FireSFX.GetSoundFile().empty());
    const CWeapon& grenade = Find("Grenade");
    EXPECT_EQ(2.0f, grenade.m_fChargeTime);
    EXPECT_EQ(4.0f, grenade.m_fMinThrowDis);
    EXPECT_EQ(16.0f, grenade.m_fMaxThrowDis);
    EXPECT_EQ("SniperScope", Find("Sniper").m_pAimTextureSec->GetName());
    EXPECT_TRUE(Find("Sniper").m_bAimPosSecFullScreen);
    EXPECT_TRUE(Find("RocketLauncher").m_bLaunchFromWeapon);
}

TEST_F(PhysicsShippedWeapons, ThePistolHitsTheCrateAhead)
{
    TestCrate& crate = AddCrate(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 10.0f), CRATE_MASS);
    CWeapon& pistol = ArmActor();
    RunFrames(20);
    const D3DXVECTOR3 before = crate.GetPosition();

    ASSERT_TRUE(m_Actor.FireWeapon());
    EXPECT_EQ(1, m_Sound.TakeCallCount("PlaySoundEx"));
    const D3DXVECTOR3 weaponAt = GetMatrixRow(pistol.m_DisplayObject.GetWorldMatrix(), 3);
    EXPECT_EQ(weaponAt, pistol.m_FireSFX.GetPosition()) << "the shot sounds at the weapon";
    EXPECT_EQ(23.0f, pistol.m_fAmmunition);
    RunPoolFrames(30);

    EXPECT_EQ(1, crate.CountDamage(25.0f));
    const D3DXVECTOR3 moved = crate.GetPosition() - before;
    EXPECT_GT(moved.z, 0.01f) << "shoved away from the shooter, along the shot";
    EXPECT_EQ(0, m_Sound.TakeCallCount("PlaySoundEx"));
}

TEST_F(PhysicsShippedWeapons, WithoutAPoolThereIsNoShotAndNoSound)
{
    TestCrate& crate = AddCrate(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 10.0f), CRATE_MASS);
    ArmActor();
    CProjectilePool::SetCurrent(nullptr);
    EXPECT_FALSE(m_Actor.FireWeapon());
    RunPoolFrames(10);
    EXPECT_EQ(0, m_Sound.TakeCallCount("PlaySoundEx"));
    EXPECT_TRUE(crate.m_Damage.empty());
}

} // namespace
