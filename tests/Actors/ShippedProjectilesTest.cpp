// The shipped "Scripts\Projectiles.txt", loaded as start-up loads it, and
// its rocket and C4 charge in a real scene.

#include <string>

#include <gtest/gtest.h>

#include "Actors/Projectile.h"
#include "Actors/ProjectilePool.h"
#include "Actors/StandInEffects.h"
#include "Core/AssetManager.h"
#include "Display/RenderQueue.h"
#include "Effects/Effect.h"
#include "Sound/RecordingFSound.h"
#include "Sound/SFX3D.h"
#include "platform/novodex/NxPhysics.h"
#include "support/GamePhysics.h"
#include "support/TempDir.h"

namespace {

const float CRATE_MASS = 10.0f;
const float CRATE_HALF_HEIGHT = 0.5f;
// The stand-in effects play for a second.
const int EFFECT_FRAMES = 63;

class PhysicsShippedProjectiles : public GamePhysics {
protected:
    void SetUp() override
    {
        GamePhysics::SetUp();
        // The shipped effects need a display: these stand in for them.
        FileStandInEffects({"BulletHit", "Explosion", "GrenadeFlight", "RocketFlight", "C4Charge"}, "1.0");
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
        {"Bullet", PROJECTILE_TYPE_DIRECTFIRE, 2, CProjectile::NEXT_STAGE},
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
    EXPECT_EQ(25.0f, Find("Bullet").m_Stages[1].m_fDamage);
    EXPECT_TRUE(Find("Bullet").m_Stages[1].m_Effect.m_u8Compiled);
    EXPECT_NEAR(0.104f, Find("Grenade").m_CollisionObject.m_fRadius, 1e-3f) << "half the 12 cm box's diagonal";
}

TEST_F(PhysicsShippedProjectiles, ARocketExplodesOnTheCrateItFliesInto)
{
    TestCrate& crate = AddCrate(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 12.0f), CRATE_MASS);
    CProjectile* rocket = Fire("Rocket", D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 0), D3DXVECTOR3(0, 0, 20.0f));
    for (int frame = 0; frame < 120 && rocket->IsAlive(); ++frame)
        RunPoolFrames(1);

    ASSERT_EQ(1, crate.CountDamage(100.0f)) << "once, though the blast goes on touching it";
    EXPECT_EQ(1u, crate.m_Pushes.size());
    EXPECT_EQ(1, CountPlays());
    EXPECT_FALSE(rocket->IsAlive());
    EXPECT_EQ(nullptr, rocket->m_PhysicsObject.m_pActor);
    EXPECT_EQ(1u, m_Pool.GetLiveCount()) << "its explosion plays on";
    RunPoolFrames(EFFECT_FRAMES);
    EXPECT_EQ(0u, m_Pool.GetLiveCount());
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
    RunPoolFrames(60 + EFFECT_FRAMES);
    EXPECT_EQ(1, crate.CountDamage(120.0f));
    EXPECT_EQ(1, CountPlays());
    EXPECT_EQ(0u, m_Pool.GetLiveCount());
}

TEST_F(PhysicsShippedProjectiles, ABulletsSparksPlayWhereItStrikesThenItIsRecycled)
{
    TestCrate& crate = AddCrate(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 10.0f), CRATE_MASS);
    CProjectile* bullet = Fire("Bullet", D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 0), D3DXVECTOR3());
    RunPoolFrames(1);

    ASSERT_EQ(1u, crate.m_Damage.size());
    EXPECT_EQ(25.0f, crate.m_Damage[0].m_fDamage);
    EXPECT_EQ(1, bullet->GetCurrentStage());
    EXPECT_TRUE(bullet->m_Stages[1].m_Effect.m_u8Running);
    EXPECT_FALSE(bullet->IsAlive()) << "spent: no second ray";
    RunPoolFrames(1);
    EXPECT_NEAR(9.5f, bullet->m_matFinal._43, 1e-2f) << "at the crate's face";
    EXPECT_NEAR(-1.0f, bullet->m_matFinal._33, 1e-3f) << "facing out of it";
    EXPECT_GT(bullet->m_Stages[1].m_Effect.GetAliveCount(), 0);
    m_Pool.Draw();
    ASSERT_EQ(1u, g_RenderQueue.GetParticles2().size());
    EXPECT_EQ(&bullet->m_matFinal, g_RenderQueue.GetParticles2().front()->m_pEmitFrameMatrix);
    g_RenderQueue.Clear();
    EXPECT_EQ(1u, crate.m_Damage.size());
    RunPoolFrames(EFFECT_FRAMES);
    EXPECT_EQ(0u, m_Pool.GetLiveCount()) << "recycled once its sparks are over";

    // Into the ground: the sparks play there too.
    D3DXMATRIX down;
    D3DXMatrixRotationX(&down, 1.0f);
    down._42 = 1.0f;
    CProjectile* ground = m_Pool.Spawn(Find("Bullet"));
    ground->Launch(down);
    RunPoolFrames(2);
    EXPECT_EQ(1u, m_Pool.GetLiveCount());
    EXPECT_NEAR(0.0f, ground->m_matFinal._42, 1e-3f);
    RunPoolFrames(EFFECT_FRAMES);
    EXPECT_EQ(0u, m_Pool.GetLiveCount());

    // A miss, from beyond the crate, is over at once.
    Fire("Bullet", D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 11.0f), D3DXVECTOR3());
    RunPoolFrames(2);
    EXPECT_EQ(0u, m_Pool.GetLiveCount());
    EXPECT_EQ(1u, crate.m_Damage.size());
}

} // namespace
