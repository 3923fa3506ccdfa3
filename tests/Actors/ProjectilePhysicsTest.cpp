// Shots in a real scene: a bullet's ray into a crate, a grenade that bounces
// and explodes among crates.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Projectile.h"
#include "Actors/ProjectilePool.h"
#include "Core/AssetManager.h"
#include "Core/Utility.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "Sound/RecordingFSound.h"
#include "Sound/SFX3D.h"
#include "platform/novodex/NxPhysics.h"
#include "support/GamePhysics.h"
#include "support/ScriptText.h"
#include "support/TempDir.h"

namespace {

const float CRATE_MASS = 10.0f;
const float CRATE_HALF_HEIGHT = 0.5f;

// Rows: right, up, forward (+z), position.
D3DXMATRIX FacingZ(const D3DXVECTOR3& position)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, position.x, position.y, position.z);
    return m;
}

class PhysicsProjectile : public GamePhysics {
protected:
    void TearDown() override
    {
        m_Pool.Reset();
        GamePhysics::TearDown();
        g_AssetManager.Clear();
    }

    CProjectile Load(const std::string& script)
    {
        CProjectile prototype;
        EXPECT_TRUE(LoadFrom(prototype, script)) << script;
        return prototype;
    }

    // The pool's steps at the level's places in a frame.
    void StepPool()
    {
        m_Pool.Update();
        m_Pool.CastHitRays();
    }

    CProjectilePool m_Pool;
};

TEST_F(PhysicsProjectile, ABulletHitsTheCrateBeyondItsLauncherAndAHiddenBox)
{
    TestCrate& target = AddCrate(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 10.0f), CRATE_MASS);
    TestCrate& launcher = AddCrate(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 5.0f), CRATE_MASS);
    TestCrate& hidden = AddCrate(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 3.0f), CRATE_MASS);
    SetActorCollisionGroup(hidden.m_PhysicsObject.m_pActor, COLLISION_GROUP_IGNORED);
    RunFrames(30);

    const CProjectile bullet = Load("Projectile Bullet Asset_Type Game ProjectileType DIRECTFIRE NumStages 1 "
                                    "Stage 0 DamageType NORMAL Damage 25");
    CProjectile* shot = m_Pool.Spawn(bullet);
    shot->m_IgnoreList.push_back(&launcher);
    shot->Launch(FacingZ(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 0)));
    const D3DXVECTOR3 before = target.GetVelocity();
    StepPool();

    ASSERT_EQ(1u, target.m_Damage.size());
    const CDamageInfo& hit = target.m_Damage[0];
    EXPECT_EQ(25.0f, hit.m_fDamage);
    EXPECT_TRUE(hit.m_bDirectHit);
    EXPECT_EQ(target.m_PhysicsObject.m_pActor->getShapes()[0], hit.m_pHitShape);
    EXPECT_EQ(CDamageInfo::KIND_PROJECTILE, hit.m_u8Kind);
    EXPECT_EQ(shot, hit.m_pSource);
    const D3DXVECTOR3 gained = target.GetVelocity() - before;
    EXPECT_NEAR(30.0f / CRATE_MASS, gained.z, 1e-3f) << "shoved along the ray";
    EXPECT_NEAR(0.0f, gained.x, 1e-3f);
    EXPECT_NEAR(9.5f, shot->m_vLastHitPoint.z, 1e-2f) << "on the crate's near face";

    EXPECT_TRUE(launcher.m_Damage.empty());
    EXPECT_TRUE(hidden.m_Damage.empty());
    EXPECT_EQ(0, launcher.m_PhysicsObject.m_pActor->getShapes()[0]->getGroup()) << "the launcher's group is back";
    EXPECT_EQ(COLLISION_GROUP_IGNORED, hidden.m_PhysicsObject.m_pActor->getShapes()[0]->getGroup());

    EXPECT_TRUE(shot->IsFinished());
    m_Pool.Update();
    EXPECT_EQ(0u, m_Pool.GetLiveCount()) << "recycled on the next update";
}

TEST_F(PhysicsProjectile, AGrenadeBouncesThenExplodesOnceAmongTheCrates)
{
    RecordingFSound sound;
    TempDir dir;
    dir.Write("Scripts/Collision/Grenade.txt", "Start BoxMin -0.06 -0.06 -0.06 BoxMax 0.06 0.06 0.06 EndBox\n");
    SFX3D explosion;
    ASSERT_TRUE(LoadFrom(explosion, "SoundEffect Explosion Asset_Type Game SoundFile Assets\\Sounds\\boom.wav"));
    g_AssetManager.AddAsset(new SFX3D(explosion));
    sound.TakeCalls();

    TestCrate& touched = AddCrate(D3DXVECTOR3(0, CRATE_HALF_HEIGHT, 0), CRATE_MASS);
    TestCrate& near = AddCrate(D3DXVECTOR3(2.0f, CRATE_HALF_HEIGHT, 0), CRATE_MASS);
    TestCrate& far = AddCrate(D3DXVECTOR3(-9.0f, CRATE_HALF_HEIGHT, 0), CRATE_MASS);
    RunFrames(10);

    CProjectile grenade;
    {
        ScopedWorkingDir inDir(dir.Path());
        grenade = Load("Projectile Grenade Asset_Type Game ProjectileType BOMB Mass 0.4 "
                       "CollisionData Scripts\\Collision\\Grenade.txt CalculateRadius "
                       "ExplodeSFX Explosion DetonateStage 1 NumStages 2 "
                       "Stage 0 DamageType COLLISION SpawnPhysics True Delay 2500 DelayFlags NEXT_STAGE "
                       "Stage 1 DamageType EXPLOSION Damage 80 SpreadType SPHERICAL Radius 4 Range 12 TopSpeed 10 "
                       "ClearCollisions True ChangeSphereSize True Delay 300 DelayFlags DELETE_SELF");
    }
    CProjectile* shot = m_Pool.Spawn(grenade);
    shot->Launch(FacingZ(D3DXVECTOR3(0.1f, 3.0f, 0)));
    const uint32_t generation = shot->GetGeneration();
    ASSERT_NE(nullptr, shot->m_PhysicsObject.m_pActor);

    bool fell = false;
    bool bounced = false;
    int explodedAt = -1;
    int frame = 0;
    D3DXVECTOR3 blast;
    std::vector<D3DXVECTOR3> cratesAtBlast;
    RunFrames(300, [&] {
        ++frame;
        const bool flying = shot->GetCurrentStage() == 0 && shot->m_PhysicsObject.m_pActor != nullptr;
        const float rising = flying ? shot->m_PhysicsObject.m_pActor->getLinearVelocity().y : 0.0f;
        fell = fell || rising < -1.0f;
        bounced = bounced || (fell && !touched.m_Damage.empty() && rising > 0.5f);
        StepPool();
        if (explodedAt < 0 && shot->GetCurrentStage() == 1) {
            explodedAt = frame;
            blast = GetMatrixRow(shot->m_matFinal, 3);
            for (const TestCrate* crate : {&touched, &near, &far})
                cratesAtBlast.push_back(crate->GetPosition());
        }
    });

    EXPECT_TRUE(bounced) << "it rises after touching the crate";
    // 2500 ms in 16 ms frames, counted from the first update.
    EXPECT_EQ(157, explodedAt);
    EXPECT_EQ(1, sound.TakeCallCount("PlaySoundEx")) << "the explosion sounds once";

    EXPECT_EQ(1, touched.CountDamage(80.0f)) << "hit before, and hit by the blast once";
    EXPECT_EQ(1, near.CountDamage(80.0f));
    EXPECT_TRUE(far.m_Damage.empty());
    const TestCrate* inside[] = {&touched, &near};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(1u, inside[i]->m_Pushes.size());
        const D3DXVECTOR3 away = cratesAtBlast[i] - blast;
        const float distance = D3DXVec3Length(&away);
        const D3DXVECTOR3 expected = away / distance * ((4.0f - distance) / 4.0f * 12.0f);
        const D3DXVECTOR3 error = inside[i]->m_Pushes[0] - expected;
        EXPECT_LE(D3DXVec3Length(&error), 0.05f * D3DXVec3Length(&expected));
    }

    EXPECT_EQ(0u, m_Pool.GetLiveCount()) << "the grenade is recycled";
    EXPECT_EQ(1u, m_Pool.GetFreeCount());
    EXPECT_EQ(nullptr, shot->m_PhysicsObject.m_pActor);
    EXPECT_EQ(generation, shot->GetGeneration());
}

} // namespace

namespace {

// Blast pushes straight from OnContact: none at the blast's centre or with
// no falloff radius, and beyond the radius a push of nothing, never a pull.
TEST_F(PhysicsProjectile, ABlastPushesAwayAndNeverPulls)
{
    const struct {
        float crateX;
        const char* radius;
        bool pushed;
        float pushX;
    } cases[] = {
        {2.0f, "4", true, 6.0f},
        {0.0f, "4", false, 0.0f},
        {2.0f, "0", false, 0.0f},
        {6.0f, "4", true, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.crateX);
        SCOPED_TRACE(c.radius);
        TestCrate crate(D3DXVECTOR3(c.crateX, 10.0f, 0), CRATE_MASS);
        CProjectile blast = Load(std::string("Projectile Blast Asset_Type Game NumStages 1 Stage 0 "
                                             "DamageType EXPLOSION Damage 80 Range 12 Radius ") +
                                 c.radius);
        blast.Launch(FacingZ(D3DXVECTOR3(0, 10.0f, 0)));
        blast.OnContact(&crate, nullptr);
        ASSERT_EQ(1, crate.CountDamage(80.0f));
        EXPECT_EQ(c.pushed, crate.m_BoundingBox.m_u8Flag != 0);
        EXPECT_NEAR(c.pushX, crate.m_BoundingBox.m_vMin.x, 1e-4f);
        EXPECT_EQ(0.0f, crate.m_BoundingBox.m_vMin.y);
    }
}

} // namespace
