// Weapons without a scene: the script, the actor's weapon list, the fire
// gate, the charged throw, the muzzle effect, the pick-up, the remote
// detonation, the scope and the held mesh. Actors here have no model, so a
// weapon hangs from the actor's root.

#include "Actors/Weapon.h"

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Actors/ProjectilePool.h"
#include "Actors/StandInEffects.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Display/RenderStates.h"
#include "Display/Texture.h"
#include "Effects/Effect.h"
#include "Input/InGameMouse.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "support/MatrixExpect.h"
#include "support/ScriptText.h"
#include "support/ScriptedController.h"

namespace {

const uint32_t FRAME_MILLISECONDS = 16;
const float TOLERANCE = 1e-4f;
// A thrown charge: it flies in stage 0 and goes off in stage 1.
const char* const SHOT_SCRIPT = "Projectile Shot Asset_Type Game NumStages 2 DetonateStage 1 "
                                "Stage 0 DamageType COLLISION Stage 1 DamageType EXPLOSION Damage 10";

void FileTexture(const char* name)
{
    auto* texture = new CTexture();
    texture->m_Name = name;
    g_AssetManager.AddAsset(texture);
}

std::unique_ptr<CWeapon> LoadWeapon(const std::string& script)
{
    auto weapon = std::make_unique<CWeapon>();
    EXPECT_TRUE(LoadFrom(*weapon, script)) << script;
    return weapon;
}

class WeaponTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetFrameTime(FRAME_MILLISECONDS);
        CProjectile* shot = new CProjectile();
        ASSERT_TRUE(LoadFrom(*shot, SHOT_SCRIPT));
        g_AssetManager.AddAsset(shot);
        FileTexture("Aim");
        FileTexture("Scope");
        D3DXMatrixPerspectiveFovLH(&g_matProjection, D3DX_PI / 3.0f, 2.0f, 1.0f, 100.0f);
        CProjectilePool::SetCurrent(&m_Pool);
        // At the origin, looking along +z.
        m_Camera.m_matWorld = Identity();
        m_Camera.m_u32Mode = CCamera::MODE_CHASE;
        m_Controller.m_pCamera = &m_Camera;
        m_Controller.m_pCursor = &m_Cursor;
        m_Actor.m_pController = &m_Controller;
        g_PlayerActor = &m_Actor;
    }
    void TearDown() override
    {
        g_PlayerActor = nullptr;
        m_Actor.ClearWeapons();
        m_Pool.Reset();
        CProjectilePool::SetCurrent(nullptr);
        g_AssetManager.Clear();
    }

    // Fire held for `frames` frames: the actor fires, then its pose step
    // updates the weapon. The number of shots that left.
    int HoldFire(int frames)
    {
        int shots = 0;
        for (int frame = 0; frame < frames; ++frame) {
            shots += m_Actor.FireWeapon() ? 1 : 0;
            m_Actor.GetCurrentWeapon()->Update();
        }
        return shots;
    }

    CWeapon& Take(const std::string& script)
    {
        m_Actor.PickUpWeapon(LoadWeapon(script));
        return *m_Actor.GetWeapons().back();
    }

    CProjectilePool m_Pool;
    CCamera m_Camera;
    CInGameMouse m_Cursor;
    ScriptedController m_Controller;
    CGameActor m_Actor;
};

TEST_F(WeaponTest, TheWeaponKeywords)
{
    struct Case {
        const char* script;
        int weaponID;
    };
    const Case cases[] = {
        {"Weapon Uzzi Asset_Type Game", WEAPON_UZZI},
        {"Weapon pistol Asset_Type Game", WEAPON_INVALID},
        {"Weapon pistol Asset_Type Game WeaponID Pistol", WEAPON_PISTOL},
        {"Weapon Sniper Asset_Type Game WeaponID RocketLauncher", WEAPON_ROCKET_LAUNCHER},
        {"Weapon Laser Asset_Type Game", WEAPON_INVALID},
        {"Weapon Laser Asset_Type Game WeaponID sniper", WEAPON_INVALID},
    };
    for (const Case& c : cases) {
        CWeapon weapon;
        ASSERT_TRUE(LoadFrom(weapon, c.script)) << c.script;
        EXPECT_EQ(c.weaponID, weapon.m_iWeaponID) << c.script;
        EXPECT_TRUE(weapon.m_bShown && weapon.IsReady()) << c.script;
    }

    CWeapon full;
    std::string next;
    ASSERT_TRUE(LoadFrom(full,
                         "Weapon Gun Asset_Type Game Projectile Shot AmmoPickup 12 RepeatDelay 0.25 "
                         "ChargeFire True ChargeTime 3 MinThrowDis 2 MaxThrowDis 30 TrackProj True "
                         "AimTexture Aim AimPos 0.3 0.6 AimTextureSec Scope AimPosSecFullScreen True "
                         "LauchFromWeapon True AimingScale 2 EffectFireTotalTimeDelay 0.5 Weapon Next",
                         &next));
    EXPECT_EQ("Weapon", next);
    EXPECT_EQ("Shot", full.m_pProjectilePrototype->GetName());
    EXPECT_EQ(12.0f, full.m_fAmmunition);
    EXPECT_EQ(0.25f, full.m_fRepeatDelay);
    EXPECT_TRUE(full.m_bChargeFire && full.m_bTrackProj && full.m_bAimPosSecFullScreen && full.m_bLaunchFromWeapon);
    EXPECT_EQ(3.0f, full.m_fChargeTime);
    EXPECT_EQ(2.0f, full.m_fMinThrowDis);
    EXPECT_EQ(30.0f, full.m_fMaxThrowDis);
    EXPECT_EQ("Aim", full.m_pAimTexture->GetName());
    EXPECT_EQ("Scope", full.m_pAimTextureSec->GetName());
    EXPECT_EQ(D3DXVECTOR2(0.3f, 0.6f), full.m_vAimPos);
    EXPECT_EQ(2.0f, full.m_fAimingScale);
    EXPECT_EQ(0.5f, full.m_fEffectFireTotalTimeDelay);

    // NONE keeps the display object there is.
    CWeapon kept;
    kept.m_DisplayObject.SetScale(3.0f);
    ASSERT_TRUE(LoadFrom(kept, "Weapon Kept Asset_Type Game DisplayObject NONE"));
    EXPECT_EQ(3.0f, kept.m_DisplayObject.GetScale());

    CWeapon missing;
    EXPECT_FATAL(LoadFrom(missing, "Weapon Gun Asset_Type Game Projectile Laser"),
                 "Unable to find asset \"Laser\" of type <CProjectile>");
}

TEST_F(WeaponTest, TheWeaponListPicksUpMergesAndCycles)
{
    CWeapon& pistol = Take("Weapon pistol Asset_Type Game WeaponID Pistol AimTexture Aim AimPos 0.55 0.4 "
                           "AmmoPickup 24");
    EXPECT_EQ(&pistol, m_Actor.GetCurrentWeapon());
    EXPECT_TRUE(pistol.m_bOwned && pistol.m_bShown);
    EXPECT_EQ(&m_Actor, pistol.m_pOwner);
    EXPECT_TRUE(m_Cursor.IsVisible());
    EXPECT_EQ("Aim", m_Cursor.GetTexture()->GetName());
    EXPECT_FALSE(m_Cursor.IsFullScreen());
    EXPECT_EQ(0.55f, m_Controller.m_Cursor[0]);
    EXPECT_EQ(0.4f, m_Controller.m_Cursor[1]);

    m_Actor.PickUpWeapon(LoadWeapon("Weapon pistol Asset_Type Game WeaponID Pistol AmmoPickup 6"));
    ASSERT_EQ(1u, m_Actor.GetWeapons().size()) << "the second pistol is gone";
    EXPECT_EQ(30.0f, pistol.m_fAmmunition);

    CWeapon& uzzi = Take("Weapon Uzzi Asset_Type Game");
    CWeapon& rockets = Take("Weapon RocketLauncher Asset_Type Game");
    ASSERT_EQ(3u, m_Actor.GetWeapons().size());
    EXPECT_FALSE(uzzi.m_bShown || uzzi.m_bOwned) << "carried hidden";
    EXPECT_EQ(&pistol, m_Actor.GetCurrentWeapon());

    m_Actor.PrevWeapon();
    EXPECT_EQ(&rockets, m_Actor.GetCurrentWeapon()) << "Prev on the first selects the last";
    EXPECT_TRUE(m_Actor.m_bRocketLauncher);
    EXPECT_FALSE(pistol.m_bShown);
    m_Actor.NextWeapon();
    EXPECT_EQ(&pistol, m_Actor.GetCurrentWeapon()) << "Next on the last selects the first";
    EXPECT_FALSE(m_Actor.m_bRocketLauncher);
    m_Actor.NextWeapon();
    EXPECT_EQ(&uzzi, m_Actor.GetCurrentWeapon());
    EXPECT_TRUE(uzzi.m_bShown && uzzi.m_bOwned);

    m_Actor.ClearWeapons();
    EXPECT_EQ(nullptr, m_Actor.GetCurrentWeapon());
    m_Actor.PrevWeapon();
    m_Actor.NextWeapon();
    EXPECT_EQ(nullptr, m_Actor.GetCurrentWeapon()) << "nothing to select";
}

// Tells when it is deleted.
class WatchedWeapon : public CWeapon {
public:
    explicit WatchedWeapon(bool& deleted) : m_bDeleted(deleted) { m_iWeaponID = WEAPON_PISTOL; }
    ~WatchedWeapon() override { m_bDeleted = true; }

private:
    bool& m_bDeleted;
};

TEST_F(WeaponTest, TheActorDeletesWhatItCarries)
{
    const CGameActor prototype;
    const struct {
        const char* way;
        std::function<void(std::unique_ptr<CGameActor>&)> drop;
    } ways[] = {
        {"ClearWeapons", [](std::unique_ptr<CGameActor>& actor) { actor->ClearWeapons(); }},
        {"Shutdown", [](std::unique_ptr<CGameActor>& actor) { actor->Shutdown(); }},
        {"assignment", [&](std::unique_ptr<CGameActor>& actor) { *actor = prototype; }},
        {"destructor", [](std::unique_ptr<CGameActor>& actor) { actor.reset(); }},
    };
    for (const auto& way : ways) {
        auto actor = std::make_unique<CGameActor>();
        bool deleted = false;
        bool mergedDeleted = false;
        actor->PickUpWeapon(std::make_unique<WatchedWeapon>(deleted));
        actor->PickUpWeapon(std::make_unique<WatchedWeapon>(mergedDeleted));
        EXPECT_TRUE(mergedDeleted) << "a merging pick-up deletes the new one";
        EXPECT_FALSE(deleted) << way.way;
        way.drop(actor);
        EXPECT_TRUE(deleted) << way.way;
        if (actor) {
            EXPECT_EQ(nullptr, actor->GetCurrentWeapon()) << way.way;
        }
    }
}

TEST_F(WeaponTest, AScopedSniperKeepsTheSelection)
{
    CWeapon& sniper = Take("Weapon Sniper Asset_Type Game AimTexture Aim AimTextureSec Scope");
    Take("Weapon pistol Asset_Type Game WeaponID Pistol");
    m_Actor.UseWeaponSecondary();
    ASSERT_TRUE(sniper.m_bScoped);
    m_Actor.NextWeapon();
    m_Actor.SelectWeapon(1);
    EXPECT_EQ(&sniper, m_Actor.GetCurrentWeapon());
}

TEST_F(WeaponTest, TheFireGateKeepsTheRepeatDelayAndCountsAmmunition)
{
    CWeapon& pistol = Take("Weapon pistol Asset_Type Game WeaponID Pistol Projectile Shot RepeatDelay 0.5 "
                           "AmmoPickup 100");
    // A second held down: 62 frames of 16 ms.
    EXPECT_EQ(2, HoldFire(62));
    EXPECT_EQ(98.0f, pistol.m_fAmmunition);

    pistol.m_fRepeatDelay = 0.0f;
    pistol.m_fRefireCounter = 0.0f;
    pistol.m_fAmmunition = 3.0f;
    for (float left : {2.0f, 1.0f, 0.0f, 0.0f}) {
        EXPECT_EQ(1, HoldFire(1));
        EXPECT_EQ(left, pistol.m_fAmmunition);
    }
}

TEST_F(WeaponTest, AShotLeavesFromTheCameraOrFromTheWeaponFacingTheAim)
{
    struct Case {
        const char* script;
        D3DXVECTOR3 from;
    };
    const D3DXVECTOR3 camera(0, 2, -4);
    const Case cases[] = {
        {"Weapon Gun Asset_Type Game Projectile Shot MaxThrowDis 30", camera},
        {"Weapon Gun Asset_Type Game Projectile Shot MaxThrowDis 30 LauchFromWeapon True", D3DXVECTOR3(1, 0, 2)},
    };
    for (const Case& c : cases) {
        m_Actor.ClearWeapons();
        CWeapon& gun = Take(c.script);
        m_Actor.m_Model.m_matWorld = Translation(1, 0, 2);
        gun.Update();
        ASSERT_TRUE(gun.Fire(D3DXVECTOR3(0, 0, 2), camera)) << c.script;
        const CProjectile& shot = *gun.m_LastProjectile.m_pProjectile;
        ExpectVectorNear(c.from, shot.m_vLaunchPosition, TOLERANCE);
        ExpectVectorNear(D3DXVECTOR3(0, 0, 1), shot.m_vLaunchDirection, TOLERANCE);
        ExpectVectorNear(D3DXVECTOR3(0, 0, 30), shot.m_vInitialVelocity, TOLERANCE);
        EXPECT_EQ(&m_Actor, shot.m_pOwner);
        ASSERT_EQ(1u, shot.m_IgnoreList.size());
        EXPECT_EQ(&m_Actor, shot.m_IgnoreList[0]) << "the shooter is never hit by its own shot";
    }
}

TEST_F(WeaponTest, FiringWithoutAPoolMakesNoShot)
{
    CWeapon& pistol = Take("Weapon pistol Asset_Type Game WeaponID Pistol Projectile Shot AmmoPickup 5");
    CProjectilePool::SetCurrent(nullptr);
    EXPECT_FALSE(m_Actor.FireWeapon());
    EXPECT_EQ(0.0f, pistol.m_fRefireCounter);
    EXPECT_FALSE(pistol.m_bEffectPending);
}

TEST_F(WeaponTest, AChargedThrowFliesByItsChargeAndUsesNoAmmunition)
{
    struct Case {
        int heldFrames;
        float charge;
        float speed;
    };
    // 20 ms frames: 50 make a second.
    const Case cases[] = {
        {50, 1.0f, 4.0f + 16.0f / 2.0f},
        {500, CWeapon::MAX_CHARGE, 4.0f + 16.0f},
    };
    SetFrameTime(20);
    m_Actor.m_vVelocity = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    CWeapon& grenade = Take("Weapon Grenade Asset_Type Game Projectile Shot ChargeFire True ChargeTime 2 "
                            "MinThrowDis 4 MaxThrowDis 16 AmmoPickup 3");
    // Taking it moved the cursor to its AimPos: aim straight ahead again.
    m_Controller.SetCursor(0.5f, 0.5f);
    for (const Case& c : cases) {
        EXPECT_EQ(0, HoldFire(c.heldFrames));
        EXPECT_NEAR(c.charge, grenade.m_fCharge, 1e-3f);
        grenade.Update();
        const CProjectile* thrown = grenade.m_LastProjectile.m_pProjectile;
        ASSERT_NE(nullptr, thrown);
        ASSERT_TRUE(grenade.m_LastProjectile.IsLive());
        ExpectVectorNear(D3DXVECTOR3(1.0f, 0.0f, c.speed), thrown->m_vInitialVelocity, 1e-2f);
        EXPECT_EQ(&m_Actor, thrown->m_pOwner);
        EXPECT_EQ(0.0f, grenade.m_fCharge);
        EXPECT_EQ(3.0f, grenade.m_fAmmunition);
        grenade.m_fRefireCounter = 0.0f;
    }
}

TEST_F(WeaponTest, AThrowWithoutAnOwnerDoesNothingAndForgetsTheCharge)
{
    std::unique_ptr<CWeapon> grenade = LoadWeapon("Weapon Grenade Asset_Type Game Projectile Shot ChargeFire True");
    grenade->m_fCharge = 1.0f;
    EXPECT_FALSE(grenade->FireDelayed());
    EXPECT_EQ(0.0f, grenade->m_fCharge);
    EXPECT_EQ(0u, m_Pool.GetLiveCount());
}

TEST_F(WeaponTest, ShotsInABurstStartOneMuzzleEffectOnTheFirstShot)
{
    // Particles for half a second, then the effect ends.
    FileStandInEffects({"Flash"}, "0.2");
    CWeapon& uzzi = Take("Weapon Uzzi Asset_Type Game Projectile Shot EffectFire Flash");
    uzzi.Update();
    ASSERT_TRUE(uzzi.m_FireEffect.m_u8Compiled);

    const D3DXVECTOR3 ahead(0, 0, 1);
    const D3DXVECTOR3 right(1, 0, 0);
    const D3DXVECTOR3 origin(0, 0, 0);
    int starts = 0;
    int startFrame = -1;
    bool running = false;
    // About a second: shots at 0 and 0.304 s.
    for (int frame = 0; frame < 60; ++frame) {
        if (frame == 0) {
            ASSERT_TRUE(uzzi.Fire(ahead, origin));
        }
        if (frame == 19) {
            ASSERT_TRUE(uzzi.Fire(right, origin));
        }
        uzzi.Update();
        const bool now = uzzi.m_FireEffect.m_u8Running != 0;
        if (now && !running) {
            ++starts;
            startFrame = frame;
        }
        running = now;
    }
    EXPECT_EQ(1, starts);
    // The seventh update brings 0.1 s down to 0.
    EXPECT_EQ(6, startFrame);
    ExpectVectorNear(ahead, GetMatrixRow(uzzi.m_matWeapon, 2), TOLERANCE);
    ExpectVectorNear(GetMatrixRow(uzzi.m_DisplayObject.GetWorldMatrix(), 3), GetMatrixRow(uzzi.m_matWeapon, 3),
                     TOLERANCE);
}

TEST_F(WeaponTest, ThePlayerPicksUpWhatLiesWithinReach)
{
    struct Case {
        float distance;
        bool taken;
    };
    const Case cases[] = {{1.5f, true}, {1.7f, false}};
    for (const Case& c : cases) {
        std::unique_ptr<CWeapon> lying = LoadWeapon("Weapon pistol Asset_Type Game WeaponID Pistol");
        lying->m_matPos = Translation(c.distance, 0, 0);
        lying->ApplyPosMatrix();
        lying->Update();
        EXPECT_EQ(c.taken, PickUpIfInRange(lying)) << c.distance;
        EXPECT_EQ(c.taken, lying == nullptr) << c.distance;
    }
    ASSERT_EQ(1u, m_Actor.GetWeapons().size());

    CWeapon& held = *m_Actor.GetCurrentWeapon();
    EXPECT_FALSE(held.CheckPickUp()) << "an owned weapon is never picked up";
    std::unique_ptr<CWeapon> unlinked;
    EXPECT_FALSE(PickUpIfInRange(unlinked));
}

TEST_F(WeaponTest, TheSecondaryActionSetsOffTheLiveChargesOnly)
{
    CWeapon& c4 = Take("Weapon C4 Asset_Type Game Projectile Shot ChargeFire True TrackProj True AmmoPickup 3");
    auto fireOnce = [&] {
        c4.m_fCharge = 0.5f;
        c4.m_fRefireCounter = 0.0f;
        ASSERT_TRUE(c4.FireDelayed());
    };
    fireOnce();
    CProjectile* first = c4.m_LastProjectile.m_pProjectile;
    // The first charge's slot is taken back and serves a shot of someone else's.
    m_Pool.Reset();
    CProjectile* reused = m_Pool.Spawn(*c4.m_pProjectilePrototype);
    ASSERT_EQ(first, reused);
    reused->Launch(Translation(50, 0, 0));

    fireOnce();
    fireOnce();
    fireOnce();
    ASSERT_EQ(4u, c4.m_TrackedProjectiles.size());
    m_Actor.UseWeaponSecondary();
    EXPECT_TRUE(c4.m_TrackedProjectiles.empty());
    EXPECT_EQ(0, reused->GetCurrentStage()) << "the recycled slot is left alone";
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(1, m_Pool.GetLive()[i]->GetCurrentStage()) << i;
}

TEST_F(WeaponTest, TheSniperScopeZoomsAndComesBack)
{
    CWeapon& sniper = Take("Weapon Sniper Asset_Type Game AimTexture Aim AimTextureSec Scope AimPos 0.5 0.45 "
                           "AimPosSecFullScreen True");
    m_Camera.m_fZoom = 3.0f;
    m_Camera.m_fInverseZoom = 1.0f / 3.0f;
    const D3DXMATRIX before = g_matProjection;

    m_Actor.UseWeaponSecondary();
    EXPECT_TRUE(sniper.m_bScoped);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_ZOOM), m_Camera.m_u32Mode);
    EXPECT_EQ(D3DXVECTOR2(0.5f, 0.45f), m_Camera.m_vAimPoint);
    ExpectMatrixNear(before, m_Camera.m_matAimProjection);
    EXPECT_EQ("Scope", m_Cursor.GetTexture()->GetName());
    EXPECT_TRUE(m_Cursor.IsFullScreen());

    m_Actor.UseWeaponSecondary();
    D3DXMATRIX expected;
    // No display mode yet: the classic 4:3.
    D3DXMatrixPerspectiveFovLH(&expected, D3DX_PI / 4.0f, 4.0f / 3.0f, 0.1f, 1000.0f);
    EXPECT_FALSE(sniper.m_bScoped);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CHASE), m_Camera.m_u32Mode);
    EXPECT_EQ(1.0f, m_Camera.m_fZoom);
    EXPECT_EQ(1.0f, m_Camera.m_fInverseZoom);
    ExpectMatrixNear(expected, g_matProjection);
    EXPECT_EQ("Aim", m_Cursor.GetTexture()->GetName());
    EXPECT_FALSE(m_Cursor.IsFullScreen());

    // Holstering turns a scoped sniper back, and nothing else.
    m_Actor.UseWeaponSecondary();
    sniper.Holster();
    EXPECT_FALSE(sniper.m_bScoped);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CHASE), m_Camera.m_u32Mode);
    m_Camera.m_u32Mode = CCamera::MODE_FOLLOW;
    sniper.Holster();
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_FOLLOW), m_Camera.m_u32Mode);
}

TEST_F(WeaponTest, TheAimRayRunsThroughTheCursor)
{
    D3DXMATRIX view;
    D3DXMatrixRotationY(&view, 0.5f);
    view._41 = 3.0f;
    view._42 = 2.0f;
    view._43 = -4.0f;
    m_Camera.m_matWorld = view;

    D3DXVECTOR3 direction(9, 9, 9);
    D3DXVECTOR3 origin(9, 9, 9);
    m_Controller.SetCursor(0.5f, 0.5f);
    m_Actor.GetAimRay(&direction, &origin);
    ExpectVectorNear(GetMatrixRow(view, 2), direction, TOLERANCE);
    ExpectVectorNear(GetMatrixRow(view, 3), origin, TOLERANCE);

    m_Controller.SetCursor(1.0f, 0.5f);
    m_Actor.GetAimRay(&direction, &origin);
    ExpectVectorNear(GetMatrixRow(view, 2) + GetMatrixRow(view, 0) / g_matProjection._11, direction, TOLERANCE);

    CGameActor alone;
    direction = D3DXVECTOR3(9, 9, 9);
    alone.GetAimRay(&direction, &origin);
    EXPECT_EQ(D3DXVECTOR3(9, 9, 9), direction) << "no controller: left as it was";
}

TEST_F(WeaponTest, AHeldWeaponFollowsTheHandAtItsOwnScale)
{
    struct Case {
        float ownerScale;
        float meshScale;
    };
    // AimingScale 1.5.
    const Case cases[] = {{2.0f, 0.75f}, {0.0f, 1.5f}};
    for (const Case& c : cases) {
        m_Actor.ClearWeapons();
        CWeapon& gun = Take("Weapon Gun Asset_Type Game AimingScale 1.5 "
                            "HoldingMatrix 1 0 0 0 0 1 0 0 0 0 1 0 0.1 0.2 0.3 1");
        m_Actor.m_Model.m_fScale = c.ownerScale;
        m_Actor.m_Model.m_matWorld = Translation(5, 0, 7);
        gun.Update();

        D3DXMATRIX scaling;
        D3DXMatrixScaling(&scaling, c.meshScale, c.meshScale, c.meshScale);
        const D3DXMATRIX expected = gun.m_matHolding * scaling * (m_Actor.GetHandMatrix() * Translation(5, 0, 7));
        ExpectMatrixNear(expected, gun.m_DisplayObject.GetWorldMatrix());
        for (int i = 0; i < 16; ++i)
            EXPECT_TRUE(std::isfinite(gun.m_DisplayObject.GetWorldMatrix()[i]));
    }
}

} // namespace
