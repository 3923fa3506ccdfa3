// The shipped "Scripts\Projectiles.txt", loaded as start-up loads it, and
// its rocket and C4 charge in a real scene.

#include <string>

#include <gtest/gtest.h>

#include "Actors/Projectile.h"
#include "Actors/ProjectilePool.h"
#include "Core/AssetManager.h"
#include "Sound/RecordingFSound.h"
#include "Sound/SFX3D.h"
#include "platform/novodex/NxPhysics.h"
#include "support/GamePhysics.h"
#include "support/TempDir.h"

namespace {

const float CRATE_MASS = 10.0f;
const float CRATE_HALF_HEIGHT = 0.5f;

class PhysicsShippedProjectiles : public GamePhysics {
protected:
    void SetUp() override
    {
        GamePhysics::SetUp();
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<SFX3D>("Scripts\\SoundEffects.txt");
        LoadAssetsFromScript<CProjectile>("Scripts\\Projectiles.txt");
        m_Sound.TakeCalls();
    }
    void TearDown() override
    {
        m_Pool.Reset();
        GamePhysics::TearDown();
        g_AssetManager.Clear();
    }

    static const CProjectile& Find(const char* name)
    {
        CProjectile* prototype = nullptr;
        g_AssetManager.GetAsset(name, prototype, true);
        return *prototype;
    }

    // Spawned from the pool and launched from `position` along +z.
    CProjectile* Fire(const char* name, const D3DXVECTOR3& position, const D3DXVECTOR3& velocity)
    {
        CProjectile* shot = m_Pool.Spawn(Find(name));
        shot->m_vInitialVelocity = velocity;
        D3DXMATRIX matrix;
        D3DXMatrixTranslation(&matrix, position.x, position.y, position.z);
        shot->Launch(matrix);
        shot->SetVelocity(velocity);
        return shot;
    }

    void RunPoolFrames(int frames)
    {
        RunFrames(frames, [this] {
            m_Pool.Update();
            m_Pool.CastHitRays();
        });
    }

    int CountPlays() { return m_Sound.TakeCallCount("PlaySoundEx"); }

    RecordingFSound m_Sound;
    CProjectilePool m_Pool;
};

TEST_F(PhysicsShippedProjectiles, EveryShotLoadsWithItsTypeAndStages)
{
    const struct {
        const char* name;
        uint8_t type;
        uint32_t stages;
        int detonateStage;
    } shots[] = {
        {"Bullet", PROJECTILE_TYPE_DIRECTFIRE, 1, CProjectile::NEXT_STAGE},
        {"Grenade", PROJECTILE_TYPE_BOMB, 2, 1},
        {"Rocket", PROJECTILE_TYPE_ROCKET, 2, 1},
        {"C4Charge", PROJECTILE_TYPE_BOMB, 3, 2},
    };
    for (const auto& expected : shots) {
        SCOPED_TRACE(expected.name);
        const CProjectile& shot = Find(expected.name);
        EXPECT_EQ(expected.type, shot.m_u8ProjectileType);
        EXPECT_EQ(expected.stages, shot.GetNumStages());
        EXPECT_EQ(expected.detonateStage, shot.m_iDetonateStage);
    }
    EXPECT_EQ(25.0f, Find("Bullet").m_Stages[0].m_fDamage);
    EXPECT_NEAR(0.104f, Find("Grenade").m_CollisionObject.m_fRadius, 1e-3f) << "half the 12 cm box's diagonal";
}

TEST_F(PhysicsShippedProjectiles, ARocketExplodesOnTheCrateItFliesInto)
{
    TestCrate& crate = AddCrate(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 12.0f), CRATE_MASS);
    CProjectile* rocket = Fire("Rocket", D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 0), D3DXVECTOR3(0, 0, 20.0f));
    RunPoolFrames(60);

    ASSERT_EQ(1, crate.CountDamage(100.0f)) << "once, though the blast goes on touching it";
    EXPECT_EQ(1u, crate.m_Pushes.size());
    EXPECT_EQ(1, CountPlays());
    EXPECT_EQ(0u, m_Pool.GetLiveCount()) << "the blast is over";
    EXPECT_FALSE(rocket->IsAlive());
}

TEST_F(PhysicsShippedProjectiles, AC4ChargeLiesWhereItLandsUntilItIsSetOff)
{
    TestCrate& crate = AddCrate(D3DXVECTOR3(2.0f, CRATE_HALF_HEIGHT, 0), CRATE_MASS);
    CProjectile* charge = Fire("C4Charge", D3DXVECTOR3(0, 1.0f, 0), D3DXVECTOR3());
    RunPoolFrames(120);

    EXPECT_EQ(1, charge->GetCurrentStage()) << "landed";
    EXPECT_EQ(nullptr, charge->m_PhysicsObject.m_pActor);
    EXPECT_NEAR(0.06f, charge->m_matFinal._42, 0.03f) << "on the ground";
    EXPECT_NEAR(1.0f, charge->m_matFinal._32, 1e-3f) << "facing out of it";
    EXPECT_TRUE(crate.m_Damage.empty());
    EXPECT_EQ(0, CountPlays());

    charge->EnterStage(charge->m_iDetonateStage);
    RunPoolFrames(60);
    EXPECT_EQ(1, crate.CountDamage(120.0f));
    EXPECT_EQ(1, CountPlays());
    EXPECT_EQ(0u, m_Pool.GetLiveCount());
}

} // namespace
