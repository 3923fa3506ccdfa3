// Projectiles without bodies: the "Projectile" block, the stages in 16 ms
// frames, the ignore list and the pool.

#include "Actors/Projectile.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/ProjectilePool.h"
#include "Core/Clock.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "support/ScriptText.h"

namespace {

const uint32_t FRAME_MILLISECONDS = 16;

// A block named "Shot" with its asset type and `body` after it.
CProjectile LoadShot(const std::string& body, std::string* nextToken = nullptr)
{
    CProjectile shot;
    EXPECT_TRUE(LoadFrom(shot, "Projectile Shot Asset_Type Game " + body, nextToken)) << body;
    return shot;
}

D3DXMATRIX Identity()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

// Updates until `done` or `limit` frames; the number of updates run.
template <class Done>
int UpdateUntil(CProjectile& shot, int limit, Done done)
{
    for (int frame = 1; frame <= limit; ++frame) {
        shot.Update();
        if (done())
            return frame;
    }
    return -1;
}

// A collidable without a body that keeps the damage it takes.
class Target : public CCollidableObject {
public:
    bool TakeDamage(const CDamageInfo& damage, NxContactPair*) override
    {
        m_Damage.push_back(damage);
        return true;
    }
    std::vector<CDamageInfo> m_Damage;
};

class ProjectileStages : public ::testing::Test {
protected:
    void SetUp() override { SetFrameTime(FRAME_MILLISECONDS); }
    void TearDown() override { g_FrameTimer = CFrameTimer(); }
};

TEST(ProjectileScript, StageKeywordsFlagListsAndNames)
{
    const struct {
        const char* stage;
        uint8_t hitFlags;
        int damageType;
        float damage;
        const char* next;
    } cases[] = {
        {"HitFlags NEXT_STAGE DELETE_SELF", 3, 0, 0.0f, ""},
        {"HitFlags NEXT_STAGE NONE", 0, 0, 0.0f, ""},
        {"HitFlags NEXT_STAGE next_stage", 2, 0, 0.0f, "next_stage"},
        {"HitFlags DELETE_SELF Damage 5", 1, 0, 5.0f, ""},
        {"HitFlags Damage 5", 0, 0, 5.0f, ""},
        {"Sound Boom Damage 7 DamageType EXPLOSION", 0, 2, 7.0f, ""},
        {"DamageType explosion", 0, 0, 0.0f, ""},
        {"DamageType BLAST Damage 2", 0, 0, 2.0f, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stage);
        std::string next;
        CProjectile shot = LoadShot(std::string("NumStages 1 Stage 0 ") + c.stage, &next);
        const CProjectileStage& stage = shot.m_Stages[0];
        EXPECT_EQ(c.hitFlags, stage.m_u8HitFlags);
        EXPECT_EQ(c.damageType, stage.m_iDamageType);
        EXPECT_EQ(c.damage, stage.m_fDamage);
        EXPECT_EQ(c.next, next);
    }
}

TEST(ProjectileScript, TheBlockAndItsBounds)
{
    std::string next;
    CProjectile shot = LoadShot("NumStages 5 ProjectileType BOMB DetonateStage 1 Mass 0.4 "
                                "Stage 2 SpreadType SPHERICAL MovementType IR Radius 4 Delay 300 ClearCollisions 1 "
                                "Stage 3 Damage 9",
                                &next);
    EXPECT_EQ(3u, shot.GetNumStages()) << "at most three stages";
    EXPECT_EQ(PROJECTILE_TYPE_BOMB, shot.m_u8ProjectileType);
    EXPECT_EQ(1, shot.m_iDetonateStage);
    EXPECT_FLOAT_EQ(0.4f, shot.m_PhysicsObject.m_fMass);
    const CProjectileStage& last = shot.m_Stages[2];
    EXPECT_EQ(SPREAD_SPHERICAL, last.m_u8SpreadType);
    EXPECT_EQ(GUIDANCE_IR, last.m_u8MovementType);
    EXPECT_EQ(4.0f, last.m_fRadius);
    EXPECT_EQ(300, last.m_iDelay);
    EXPECT_TRUE(last.m_bClearCollisions);
    EXPECT_EQ(1.0f, shot.m_Stages[0].m_fRadius) << "loaded stages start at radius 1";
    EXPECT_EQ("Damage", next) << "Stage 3 ends the block";
    EXPECT_TRUE(shot.IsReady());

    EXPECT_EQ(0u, LoadShot("NumStages -2 ProjectileType rocket").GetNumStages());
    EXPECT_EQ(PROJECTILE_TYPE_NONE, LoadShot("ProjectileType rocket").m_u8ProjectileType);
    LoadShot("NumStages 2 Stage -1 Damage 3", &next);
    EXPECT_EQ("Damage", next);

    CProjectile untyped;
    EXPECT_FALSE(LoadFrom(untyped, "Projectile Shot NumStages 1"));
    CProjectile loaded = LoadShot("NumStages 1");
    EXPECT_FALSE(LoadFrom(loaded, "Projectile Again Asset_Type Game")) << "already loaded";
}

TEST(ProjectileScript, MissingAssetsAndFilesAreFatal)
{
    const struct {
        const char* body;
        const char* message;
    } cases[] = {
        {"ExplodeSFX Boom", "No assets of type <SFX3D> are currently stored"},
        {"NumStages 1 Stage 0 Effect Boom", "No assets of type <CEffect> are currently stored"},
        {"CollisionData Scripts\\Collision\\Missing.txt",
         "Unable to initialize data buffer\nin Scripts\\Collision\\Missing.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        CProjectile shot;
        EXPECT_FATAL(LoadFrom(shot, std::string("Projectile Shot Asset_Type Game ") + c.body), c.message);
    }
}

TEST_F(ProjectileStages, RangeDelayAndTheirFlags)
{
    // Range 5 at 10 a second: 0.5 s.
    CProjectile ranged = LoadShot("NumStages 2 Stage 0 DamageType COLLISION TopSpeed 10 Range 5 RangeFlags NEXT_STAGE "
                                  "Stage 1 DamageType COLLISION Range 1000");
    ranged.Launch(Identity());
    EXPECT_EQ(32, UpdateUntil(ranged, 100, [&] { return ranged.GetCurrentStage() == 1; }));

    CProjectile delayed = LoadShot("NumStages 1 Stage 0 DamageType COLLISION Delay 1500 DelayFlags DELETE_SELF");
    delayed.Launch(Identity());
    EXPECT_EQ(94, UpdateUntil(delayed, 200, [&] { return !delayed.IsAlive(); })) << "1.5 s in 16 ms frames";
    EXPECT_TRUE(delayed.IsFinished()) << "no effect to wait for";

    CProjectile never = LoadShot("NumStages 1 Stage 0 DamageType COLLISION Delay 0 DelayFlags DELETE_SELF");
    never.Launch(Identity());
    EXPECT_EQ(-1, UpdateUntil(never, 500, [&] { return !never.IsAlive(); }));

    CProjectile last = LoadShot("NumStages 1 Stage 0 DamageType COLLISION Delay 100 DelayFlags NEXT_STAGE");
    last.Launch(Identity());
    EXPECT_EQ(7, UpdateUntil(last, 100, [&] { return !last.IsAlive(); })) << "NEXT_STAGE from the last stage ends it";
    EXPECT_EQ(0, last.GetCurrentStage());

    CProjectile normal = LoadShot("NumStages 1");
    normal.Launch(Identity());
    EXPECT_EQ(1, UpdateUntil(normal, 10, [&] { return normal.IsFinished(); })) << "a NORMAL stage lasts one update";
    EXPECT_TRUE(normal.IsAlive());

    CProjectile none = LoadShot("NumStages 0");
    none.Launch(Identity());
    EXPECT_FALSE(none.IsAlive()) << "a projectile without stages ends at launch";
    none.Update();
    EXPECT_TRUE(none.IsFinished());
}

TEST_F(ProjectileStages, HitsDamageAndTheSphericalRadius)
{
    const std::string twoStages = "NumStages 2 Stage 0 DamageType COLLISION Range 1000 Stage 1 DamageType COLLISION "
                                  "Range 1000 ";
    CProjectile hit = LoadShot(twoStages + "Stage 0 HitFlags NEXT_STAGE DELETE_SELF");
    hit.Launch(Identity());
    EXPECT_TRUE(hit.OnContact(nullptr, nullptr)) << "the ground";
    EXPECT_EQ(1, hit.GetCurrentStage());
    EXPECT_TRUE(hit.IsAlive()) << "DELETE_SELF beside NEXT_STAGE is not acted on";

    CProjectile spent = LoadShot(twoStages + "Stage 0 HitFlags DELETE_SELF");
    spent.Launch(Identity());
    spent.OnContact(nullptr, nullptr);
    EXPECT_FALSE(spent.IsAlive());
    spent.EnterStage(1);
    EXPECT_EQ(0, spent.GetCurrentStage()) << "a late detonation starts nothing again";

    CProjectile damaged = LoadShot(twoStages);
    damaged.Launch(Identity());
    CDamageInfo none;
    EXPECT_FALSE(damaged.TakeDamage(none, nullptr));
    damaged.Update();
    EXPECT_EQ(0, damaged.GetCurrentStage()) << "no damage, no detonation";
    CDamageInfo blow;
    blow.m_fDamage = 5.0f;
    damaged.TakeDamage(blow, nullptr);
    EXPECT_EQ(0, damaged.GetCurrentStage());
    damaged.Update();
    EXPECT_EQ(1, damaged.GetCurrentStage()) << "DetonateStage -1: the next stage, on the next update";

    // Nothing has been hit since the launch: no normal to turn to.
    CProjectile turned = LoadShot(twoStages + "Stage 1 ZNormalOnCollision True");
    D3DXMATRIX aim;
    D3DXMatrixRotationY(&aim, 0.5f);
    turned.Launch(aim);
    turned.EnterStage(1);
    EXPECT_EQ(0, std::memcmp(&aim, &turned.m_matWorld, sizeof(aim)));

    CProjectile blast = LoadShot("NumStages 1 Stage 0 DamageType COLLISION SpreadType SPHERICAL Radius 1 TopSpeed 10 "
                                 "Range 3");
    blast.Launch(Identity());
    UpdateUntil(blast, 100, [] { return false; });
    EXPECT_EQ(3.0f, blast.m_fRadius);
}

TEST_F(ProjectileStages, TheIgnoreListUntilAClearCollisionsStage)
{
    Target launcher;
    Target wall;
    CProjectile shot = LoadShot("NumStages 2 Stage 0 DamageType COLLISION Range 1000 Damage 1 "
                                "Stage 1 DamageType EXPLOSION Damage 80 Range 1000 ClearCollisions True");
    shot.m_IgnoreList.push_back(&launcher);
    shot.Launch(Identity());

    EXPECT_FALSE(shot.OnContact(&launcher, nullptr));
    EXPECT_TRUE(launcher.m_Damage.empty()) << "the launcher is never hit before a ClearCollisions stage";
    shot.OnContact(&wall, nullptr);
    shot.OnContact(&wall, nullptr);
    ASSERT_EQ(1u, wall.m_Damage.size()) << "an object already hit is not hit again";
    EXPECT_EQ(&shot, wall.m_Damage[0].m_pSource);
    EXPECT_EQ(CDamageInfo::KIND_PROJECTILE, wall.m_Damage[0].m_u8Kind);

    shot.EnterStage(1);
    shot.OnContact(&launcher, nullptr);
    shot.OnContact(&wall, nullptr);
    ASSERT_EQ(1u, launcher.m_Damage.size());
    EXPECT_EQ(80.0f, launcher.m_Damage[0].m_fDamage);
    EXPECT_FALSE(launcher.m_Damage[0].m_bDirectHit);
    ASSERT_EQ(2u, wall.m_Damage.size());
}

TEST_F(ProjectileStages, ThePoolRecyclesFinishedShotsWithNewGenerations)
{
    const CProjectile bullet = LoadShot("ProjectileType DIRECTFIRE NumStages 1 Stage 0 Damage 25");
    CProjectilePool pool;
    CProjectile* first = pool.Spawn(bullet);
    first->Launch(Identity());
    const uint32_t generation = first->GetGeneration();
    pool.Update();
    EXPECT_TRUE(first->IsFinished());
    EXPECT_EQ(1u, pool.GetLiveCount()) << "finished in this update, recycled on the next";
    pool.CastHitRays();
    pool.Update();
    EXPECT_EQ(0u, pool.GetLiveCount());
    EXPECT_EQ(1u, pool.GetFreeCount());

    CProjectile* second = pool.Spawn(bullet);
    EXPECT_EQ(first, second) << "the slot is reused";
    second->Launch(Identity());
    EXPECT_NE(generation, second->GetGeneration());

    // A second shot before the first is recycled grows the pool.
    pool.Spawn(bullet)->Launch(Identity());
    EXPECT_EQ(2u, pool.GetStorageSize());
    const uint32_t before = second->GetGeneration();
    pool.Reset();
    EXPECT_EQ(0u, pool.GetLiveCount());
    EXPECT_EQ(2u, pool.GetFreeCount());
    EXPECT_NE(before, second->GetGeneration()) << "no old handle reaches a reset slot";

    CProjectilePool steady;
    for (int shot = 0; shot < 100; ++shot) {
        steady.Spawn(bullet)->Launch(Identity());
        steady.Update();
        steady.Update();
    }
    EXPECT_EQ(1u, steady.GetStorageSize());
}

TEST(ProjectilePool, TheCurrentPoolIsTheOneSetUntilItGoes)
{
    EXPECT_EQ(nullptr, CProjectilePool::Current());
    {
        CProjectilePool pool;
        CProjectilePool::SetCurrent(&pool);
        EXPECT_EQ(&pool, CProjectilePool::Current());
    }
    EXPECT_EQ(nullptr, CProjectilePool::Current());
}

} // namespace
