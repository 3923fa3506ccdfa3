// Level objects read from script text, on complex objects made in the test:
// their properties, bounds, bodies, hull, buoyancy, recycling and lamps.

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/Log.h"
#include "Display/Camera.h"
#include "Display/ComplexObject.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/Occ_HOM.h"
#include "Display/RenderQueue.h"
#include "Effects/EffectAssets.h"
#include "Level/FixedFrameTime.h"
#include "Level/LevelObject.h"
#include "Level/Node.h"
#include "Level/TrafficLights.h"
#include "Physics/Physics.h"
#include "platform/d3dx8/XMeshText.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FatalTrap.h"
#include "support/MatrixExpect.h"
#include "support/ScriptText.h"
#include "support/TempDir.h"

namespace {

const char* const CRATE_BOX = "Radius 1.0\nStart\n BoxMin -1 -1 -1\n BoxMax 1 1 1\nEndBox\n";
const uint32_t TENTH_OF_A_SECOND_MS = 100;

// A complex object of three plain parts in colour groups 1, 2 and 3, filed
// as "Lamp" (the traffic lights paint such parts), and "Empty" with none.
void FileComplexObjects()
{
    auto lamp = std::make_unique<CComplexObject>();
    lamp->m_Name = "Lamp";
    for (int group = 1; group <= 3; ++group) {
        CDisplayObject3D part;
        part.SetColourGroup(group);
        lamp->GetOpaqueParts().push_back(part);
    }
    g_AssetManager.AddAsset(lamp.release());
    auto empty = std::make_unique<CComplexObject>();
    empty->m_Name = "Empty";
    g_AssetManager.AddAsset(empty.release());
}

// Works in a fresh folder with the log open and the two complex objects filed.
class LevelObjectFixture : public ::testing::Test {
protected:
    LevelObjectFixture() : m_Cwd(m_Dir.Path())
    {
        g_Log.Open("log.txt");
        m_Dir.Write("Scripts/Collision/crate.txt", CRATE_BOX);
        FileComplexObjects();
    }
    ~LevelObjectFixture() override
    {
        g_AssetManager.Clear();
        g_Log.Shutdown();
    }

    // A prototype loaded from its block.
    std::unique_ptr<CLevelObject> Load(const std::string& script, std::string* nextToken = nullptr)
    {
        auto object = std::make_unique<CLevelObject>();
        EXPECT_TRUE(LoadFrom(*object, script, nextToken)) << script;
        return object;
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
};

class LevelObjectTest : public LevelObjectFixture {};

TEST_F(LevelObjectTest, PropertiesAreReadUntilAKeywordThatNoneKnows)
{
    struct Case {
        const char* property;
        std::function<void(const CLevelObject&)> check;
    };
    const D3DXMATRIX placed(0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 5, 6, 7, 1);
    const Case cases[] = {
        {"Orientation 0 0 1 0 0 1 0 0 -1 0 0 0 5 6 7 1",
         [&](const CLevelObject& o) {
             ExpectMatrixNear(placed, o.m_matStart);
             ExpectMatrixNear(placed, o.m_matWorld);
         }},
        {"SoundDestroy Crash", [](const CLevelObject&) {}},
        {"OtherSpawnPoint 1 2 3 OtherSpawnPoint -4 0 9",
         [](const CLevelObject& o) {
             ASSERT_EQ(2u, o.m_OtherSpawnPoints.size());
             EXPECT_EQ(D3DXVECTOR3(1, 2, 3), o.m_OtherSpawnPoints[0]);
             EXPECT_EQ(D3DXVECTOR3(-4, 0, 9), o.m_OtherSpawnPoints[1]);
         }},
        {"HullMax 75", [](const CLevelObject& o) {
             EXPECT_FLOAT_EQ(75.0f, o.m_fHullMax);
             EXPECT_FLOAT_EQ(75.0f, o.m_fHull);
         }},
        {"LightControllerNumber 2 LightControllerGroup 1",
         [](const CLevelObject& o) {
             EXPECT_EQ(2, o.m_iLightControllerNumber);
             EXPECT_EQ(1, o.m_iLightControllerGroup);
         }},
        {"IsMoveAble False Mass 12", [](const CLevelObject& o) {
             EXPECT_FALSE(o.m_bMoveable);
             EXPECT_FLOAT_EQ(12.0f, o.m_PhysicsObject.m_fMass);
         }},
        {"OuterCollisionRadius 3", [](const CLevelObject& o) {
             EXPECT_FLOAT_EQ(3.0f, o.m_CollisionObject.m_fRadius);
             EXPECT_FLOAT_EQ(9.0f, o.m_CollisionObject.m_fRadiusSq);
         }},
        {"CollisionData Scripts\\Collision\\crate.txt CalculateRadius",
         [](const CLevelObject& o) {
             EXPECT_EQ("Scripts\\Collision\\crate.txt", o.m_CollisionFileName);
             EXPECT_EQ(1, o.m_u8RadiusFromTree);
             ASSERT_NE(nullptr, o.m_CollisionObject.m_pRoot);
             EXPECT_FLOAT_EQ(std::sqrt(3.0f), o.m_CollisionObject.m_fRadius);
             EXPECT_FLOAT_EQ(3.0f, o.m_CollisionObject.m_fRadiusSq);
         }},
        {"CollisionData Scripts\\Collision\\crate.txt", [](const CLevelObject& o) {
             EXPECT_EQ(0, o.m_u8RadiusFromTree);
             EXPECT_FLOAT_EQ(1.0f, o.m_CollisionObject.m_fRadius) << "the file's own radius";
         }},
        {"ComplexObject Lamp Scale 2", [](const CLevelObject& o) {
             EXPECT_EQ("Lamp", o.m_ComplexObject.GetName());
             EXPECT_EQ(3u, o.m_ComplexObject.GetOpaqueParts().size());
             EXPECT_FLOAT_EQ(2.0f, o.m_ComplexObject.GetScale());
             EXPECT_EQ(&o.m_matWorld, o.m_ComplexObject.GetParentMatrix()) << "it follows the object";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.property);
        std::string next;
        const auto object = Load(std::string("LevelObject Thing ") + c.property + " Unknown 1", &next);
        EXPECT_EQ("Thing", object->GetName());
        EXPECT_EQ("Unknown", next) << "the unknown keyword ends the block";
        EXPECT_TRUE(object->IsInitialised());
        c.check(*object);
    }
}

TEST_F(LevelObjectTest, ACopyHangsItsPartsFromItsOwnMatrixAndWaitsHiddenOutsideTheWorld)
{
    const auto prototype = Load("LevelObject Lamp ComplexObject Lamp HullMax 40 LightControllerNumber 0 "
                                "LightControllerGroup 1 OtherSpawnPoint 1 0 0 "
                                "Orientation 1 0 0 0 0 1 0 0 0 0 1 0 3 0 4 1");
    prototype->m_fHull = 10.0f;
    prototype->m_u8InWorld = 1;
    prototype->m_iGridReferences = 2;
    prototype->Spawn();
    CLevelObject copy(*prototype);
    EXPECT_EQ("Lamp", copy.GetName());
    EXPECT_EQ(CCollidableObject::KIND_LEVEL_OBJECT, copy.m_u8Kind);
    EXPECT_FLOAT_EQ(40.0f, copy.m_fHullMax);
    EXPECT_FLOAT_EQ(10.0f, copy.m_fHull);
    EXPECT_EQ(0, copy.m_iLightControllerNumber);
    EXPECT_EQ(1, copy.m_iLightControllerGroup);
    EXPECT_EQ(1u, copy.m_OtherSpawnPoints.size());
    ExpectMatrixNear(prototype->m_matStart, copy.m_matStart);
    EXPECT_EQ(&copy.m_matWorld, copy.m_ComplexObject.GetParentMatrix());
    EXPECT_EQ(1, copy.m_u8Hidden);
    EXPECT_EQ(0, copy.m_u8InWorld);
    EXPECT_EQ(0, copy.m_iGridReferences);
    EXPECT_EQ(nullptr, copy.m_PhysicsObject.m_pActor);
    EXPECT_EQ(&copy.m_matWorld, copy.m_CollisionObject.m_pMatrix) << "its description looks at its own matrices";
    EXPECT_EQ(&copy.m_ComplexObject.GetWorldMatrix(), copy.m_CollisionObject.m_pDrawMatrix);
    EXPECT_EQ(copy.m_ComplexObject.GetScaleAddress(), copy.m_CollisionObject.m_pfScale);
    EXPECT_EQ(CLevelObject::COLLISION_KIND, copy.m_CollisionObject.m_iKind);
}

TEST_F(LevelObjectTest, HullDamageIsClampedBetweenNothingAndTheMaximum)
{
    struct Case {
        float hull;
        float damage;
        float left;
    };
    const Case cases[] = {{100, -5, 100}, {100, 30, 70}, {100, 200, 0}, {50, -20, 70}, {0, 0, 0}};
    const auto object = Load("LevelObject Crate HullMax 100");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damage);
        object->m_fHull = c.hull;
        CDamageInfo damage;
        damage.m_fDamage = c.damage;
        EXPECT_TRUE(object->TakeDamage(damage, nullptr));
        EXPECT_FLOAT_EQ(c.left, object->m_fHull);
    }
}

TEST_F(LevelObjectTest, WithoutABodyWaterChangesNothing)
{
    const auto object = Load("LevelObject Crate Mass 40 CollisionData Scripts\\Collision\\crate.txt");
    CDamageInfo water;
    water.m_bWater = true;
    water.m_fWaterLevel = 10.0f;
    EXPECT_TRUE(object->TakeDamage(water, nullptr));
    EXPECT_EQ(0, object->m_BoundingBox.m_u8Flag);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), object->m_BoundingBox.m_vMax);
}

// The recycling test on a spawned object 900 units from the camera, its box
// culled by a view looking away from it (or seen by one looking at it).
class LevelObjectRecyclingTest : public LevelObjectFixture {
protected:
    LevelObjectRecyclingTest() : m_FrameTime(TENTH_OF_A_SECOND_MS)
    {
        m_pSavedCamera = g_pActiveCamera;
        m_SavedCullViewProj = g_CullViewProj;
        m_Camera.SetPosition(D3DXVECTOR3(0, 0, 0));
        g_pActiveCamera = &m_Camera;
        m_pObject = Load("LevelObject Crate ComplexObject Lamp CollisionData Scripts\\Collision\\crate.txt "
                         "Orientation 1 0 0 0 0 1 0 0 0 0 1 0 0 0 900 1");
        m_pObject->Spawn();
    }
    ~LevelObjectRecyclingTest() override
    {
        // The shared queue must not outlive the objects queued into it.
        g_RenderQueue.Clear();
        g_pActiveCamera = m_pSavedCamera;
        g_CullViewProj = m_SavedCullViewProj;
    }

    // The camera at the origin looking along +z (at the object, zoomed in so
    // that its box is not too small to draw) or -z.
    static void LookTowardsTheObject(bool towards)
    {
        D3DXMATRIX view;
        D3DXMATRIX projection;
        const D3DXVECTOR3 eye(0, 0, 0);
        const D3DXVECTOR3 at(0, 0, towards ? 1.0f : -1.0f);
        const D3DXVECTOR3 up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 90.0f, 1.0f, 1.0f, 2000.0f);
        D3DXMatrixMultiply(&g_CullViewProj, &view, &projection);
    }
    // `frames` queueings of each pass, the object's update after each frame.
    void Run(int frames, bool mainPassToo)
    {
        for (int frame = 0; frame < frames; ++frame) {
            m_pObject->QueueRender(RENDER_PASS_REFLECTION);
            if (mainPassToo)
                m_pObject->QueueRender(RENDER_PASS_MAIN);
            m_pObject->Update();
        }
    }

    FixedFrameTime m_FrameTime;
    CCamera m_Camera;
    CCamera* m_pSavedCamera;
    D3DXMATRIX m_SavedCullViewProj;
    std::unique_ptr<CLevelObject> m_pObject;
};

TEST_F(LevelObjectRecyclingTest, FarAndCulledForMoreThanTwoSecondsTheObjectIsRemoved)
{
    LookTowardsTheObject(false);
    Run(19, true);
    EXPECT_NEAR(1.9f, m_pObject->m_fCulledTime, 1e-4f) << "counted once a frame";
    EXPECT_EQ(0, m_pObject->m_u8Removed);
    Run(6, true);
    EXPECT_EQ(1, m_pObject->m_u8Removed);
}

TEST_F(LevelObjectRecyclingTest, SeenOnlyCulledInTheMirrorOrTheSunTheObjectStays)
{
    LookTowardsTheObject(true);
    Run(40, true);
    EXPECT_EQ(0.0f, m_pObject->m_fCulledTime);
    EXPECT_EQ(0, m_pObject->m_u8Removed) << "visible";

    LookTowardsTheObject(false);
    Run(40, false);
    EXPECT_EQ(0.0f, m_pObject->m_fCulledTime) << "the mirrored pass counts nothing";
    EXPECT_EQ(0, m_pObject->m_u8Removed);

    m_pObject->m_u8MayBeRecycled = 0;
    Run(40, true);
    EXPECT_GT(m_pObject->m_fCulledTime, 2.0f);
    EXPECT_EQ(0, m_pObject->m_u8Removed) << "the sun stays";

    m_pObject->m_u8MayBeRecycled = 1;
    m_Camera.SetPosition(D3DXVECTOR3(0, 0, 100));
    m_pObject->Update();
    EXPECT_EQ(0, m_pObject->m_u8Removed) << "800 units away";
}

TEST_F(LevelObjectRecyclingTest, HiddenObjectsAndObjectsWithoutABoxAreNeverCulled)
{
    LookTowardsTheObject(false);
    const auto boxless = Load("LevelObject Sun ComplexObject Lamp Orientation 1 0 0 0 0 1 0 0 0 0 1 0 0 0 900 1");
    boxless->Spawn();
    boxless->QueueRender(RENDER_PASS_MAIN);
    EXPECT_EQ(0.0f, boxless->m_fCulledTime);

    CLevelObject hidden(*m_pObject);
    hidden.QueueRender(RENDER_PASS_MAIN);
    EXPECT_EQ(0.0f, hidden.m_fCulledTime) << "a copy nobody spawned is not even tested";
}

// Lamps over a light of two groups on four road nodes.
class LevelObjectLampTest : public LevelObjectFixture {
protected:
    LevelObjectLampTest()
    {
        m_Dir.Write("Scripts/Levels/ModernRoadNodes.txt", "NumberOfNodes 2\nRoadNode 0\nRoadNode 1\n");
        m_Roads.Load();
        m_Dir.Write("Scripts/Levels/ModernTrafficLights.txt",
                    "NumberOfLights 1\nNumberOfLightGroups 2\n"
                    "Group 0 NumNodesInGroup 1 ConnectedNodes 0\nGroup 1 NumNodesInGroup 1 ConnectedNodes 1\n");
        g_TrafficLights.Init(m_Roads);
    }
    ~LevelObjectLampTest() override
    {
        g_TrafficLights.ForgetLamps();
        m_Dir.Write("Scripts/Levels/ModernTrafficLights.txt", "NumberOfLights 0\n");
        g_TrafficLights.Init(m_Roads);
    }

    CRoadNodeList m_Roads;
};

TEST_F(LevelObjectLampTest, SpawnRegistersALampThatShowsItsGroupAtOnce)
{
    const auto prototype = Load("LevelObject TrafficLamp ComplexObject Lamp");
    CLevelObject unlit(*prototype);
    unlit.m_iLightControllerNumber = 0;
    unlit.Spawn();
    CLevelObject red(*prototype);
    red.m_iLightControllerNumber = 0;
    red.m_iLightControllerGroup = 1;
    red.Spawn();
    EXPECT_EQ(0, red.m_u8Hidden);

    const CTrafficLights::Light& light = g_TrafficLights.GetLight(0);
    EXPECT_TRUE(light.m_Groups[0].m_Lamps.empty()) << "no group, no lamp";
    ASSERT_EQ(1u, light.m_Groups[1].m_Lamps.size());
    EXPECT_EQ(&red.m_ComplexObject, light.m_Groups[1].m_Lamps[0]);
    const CDisplayObject3D& redPart = red.m_ComplexObject.GetOpaqueParts()[2];
    ASSERT_TRUE(redPart.UsesOverrideMaterial());
    EXPECT_EQ(g_TrafficLights.GetMaterial(CTrafficLights::LAMP_RED).Emissive.r,
              redPart.GetOverrideMaterial().Emissive.r);
    EXPECT_FALSE(unlit.m_ComplexObject.GetOpaqueParts()[2].UsesOverrideMaterial());
}

// "Glow", an effect of one sprite shown from its start, over the effects'
// test assets.
class LevelObjectEffectTest : public EffectAssetsTest {
protected:
    LevelObjectEffectTest()
    {
        FileComplexObjects();
        auto glow = std::make_unique<CEffect>();
        Compile(*glow, "SpriteNum = 1 Sprite 1 Asset = \"Flash\"\nEventSequence { initial Sprite 1 Start }");
        glow->m_Name = "Glow";
        g_AssetManager.AddAsset(glow.release());
    }
};

TEST_F(LevelObjectEffectTest, SpawnBindsBothEffectsToTheDrawnMatrixAndStartsOnlyTheTravelEffect)
{
    CLevelObject prototype;
    ASSERT_TRUE(LoadFrom(prototype, "LevelObject Beacon ComplexObject Lamp EffectTravel Glow EffectDestroy Glow "
                                    "Orientation 1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1"));
    EXPECT_EQ(1, prototype.m_TravelEffect.m_u8Compiled);
    EXPECT_EQ(1, prototype.m_DestroyEffect.m_u8Compiled);

    CLevelObject placed(prototype);
    placed.Spawn();
    EXPECT_EQ(1, placed.m_TravelEffect.m_u8Running);
    EXPECT_EQ(0, placed.m_DestroyEffect.m_u8Running);
    EXPECT_EQ(0, prototype.m_TravelEffect.m_u8Running) << "the prototype's own is untouched";
    const D3DXMATRIX* drawn = &placed.m_ComplexObject.GetWorldMatrix();
    ExpectMatrixNear(Translation(1, 2, 3), *drawn);
    ASSERT_EQ(1u, placed.m_TravelEffect.m_Sprites.size());
    EXPECT_EQ(drawn, placed.m_TravelEffect.m_Sprites[0].m_pMatrix);
    ASSERT_EQ(1u, placed.m_DestroyEffect.m_Sprites.size());
    EXPECT_EQ(drawn, placed.m_DestroyEffect.m_Sprites[0].m_pMatrix);

    CLevelObject plain;
    ASSERT_TRUE(LoadFrom(plain, "LevelObject Plain ComplexObject Lamp"));
    plain.Spawn();
    EXPECT_EQ(0, plain.m_TravelEffect.m_u8Running) << "nothing compiled, nothing started";

    CLevelObject missing;
    EXPECT_FATAL(LoadFrom(missing, "LevelObject Bad EffectDestroy Spark"),
                 "Unable to find asset \"Spark\" of type <CEffect>");
}

// Bodies in a real scene.
class PhysicsLevelObject : public LevelObjectFixture {
protected:
    PhysicsLevelObject() { EXPECT_TRUE(g_Physics.Init()); }
    ~PhysicsLevelObject() override { g_Physics.Shutdown(); }

    static NxActor* Body(const CLevelObject& object) { return object.m_PhysicsObject.m_pActor; }
};

TEST_F(PhysicsLevelObject, OnlyAWeighedMovableObjectGetsABodyThatMovesMadeOfItsBoxes)
{
    const auto unweighed = Load("LevelObject A IsMoveAble True CollisionData Scripts\\Collision\\crate.txt");
    unweighed->CreatePhysics();
    ASSERT_NE(nullptr, Body(*unweighed));
    EXPECT_FALSE(Body(*unweighed)->isDynamic()) << "the default mass is static";
    EXPECT_FALSE(unweighed->m_bMoveable);

    const auto crate = Load("LevelObject B Mass 40 CollisionData Scripts\\Collision\\crate.txt "
                            "Orientation 1 0 0 0 0 1 0 0 0 0 1 0 3 4 5 1");
    crate->m_matWorld._41 = 99.0f;
    crate->CreatePhysics();
    NxActor* body = Body(*crate);
    ASSERT_NE(nullptr, body);
    EXPECT_TRUE(body->isDynamic());
    EXPECT_FLOAT_EQ(40.0f, body->getMass());
    EXPECT_EQ(NxVec3(3, 4, 5), body->getGlobalPosition());
    EXPECT_EQ(D3DXVECTOR3(3, 4, 5), crate->GetPosition()) << "back at the start";
    EXPECT_EQ(&crate->m_pSelf, body->userData);
    ASSERT_EQ(1u, body->getNbShapes()) << "the unit box is gone";
    NxBoxShape* box = body->getShapes()[0]->isBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(NxVec3(1, 1, 1), box->getDimensions());
    EXPECT_EQ(1, box->getGroup());

    const auto rounded = Load("LevelObject C Mass 40 OuterCollisionRadius 2");
    rounded->CreatePhysics();
    ASSERT_NE(nullptr, Body(*rounded));
    ASSERT_EQ(1u, Body(*rounded)->getNbShapes()) << "never without a shape";
    EXPECT_EQ(NxVec3(0.5f, 0.5f, 0.5f), Body(*rounded)->getShapes()[0]->isBox()->getDimensions());
    EXPECT_EQ(1, Body(*rounded)->getShapes()[0]->getGroup());
    EXPECT_FLOAT_EQ(40.0f, Body(*rounded)->getMass());

    // A new body replaces the old: three objects, three actors.
    crate->CreatePhysics();
    EXPECT_EQ(3u, g_Physics.GetScene()->getNbActors());
    crate->Shutdown();
    EXPECT_EQ(nullptr, Body(*crate));
    EXPECT_EQ(2u, g_Physics.GetScene()->getNbActors());
}

TEST_F(PhysicsLevelObject, WaterLiftsTheWeightAndUpToOneMoreTwoUnitsDownDampedByTheVelocity)
{
    const auto crate = Load("LevelObject Crate ComplexObject Lamp Mass 40 "
                            "CollisionData Scripts\\Collision\\crate.txt CalculateRadius");
    crate->Spawn();
    crate->CreatePhysics();
    NxActor* body = Body(*crate);
    ASSERT_NE(nullptr, body);
    const NxVec3 velocity(1.0f, -2.0f, 0.5f);
    body->setLinearVelocity(velocity);
    const float top = std::sqrt(3.0f);
    const float mass = 40.0f;

    struct Case {
        float depthOfTop;
        float k;
    };
    for (const Case& c : {Case{0.0f, 0.0f}, Case{1.0f, 0.5f}, Case{2.0f, 1.0f}, Case{5.0f, 1.0f}, Case{-3.0f, 0.0f}}) {
        SCOPED_TRACE(c.depthOfTop);
        CDamageInfo water;
        water.m_bWater = true;
        water.m_fWaterLevel = top + c.depthOfTop;
        crate->m_BoundingBox.m_u8Flag = 0;
        EXPECT_TRUE(crate->TakeDamage(water, nullptr));
        EXPECT_EQ(1, crate->m_BoundingBox.m_u8Flag);
        const D3DXVECTOR3& force = crate->m_BoundingBox.m_vMax;
        EXPECT_NEAR(-0.9f * mass * velocity.x, force.x, 1e-3f);
        EXPECT_NEAR(9.8f * mass * (1.0f + c.k) - 0.9f * mass * velocity.y, force.y, 1e-2f);
        EXPECT_NEAR(-0.9f * mass * velocity.z, force.z, 1e-3f);
    }

    // The next update hands the force and the velocity change to the body once.
    crate->m_BoundingBox.m_vMin = D3DXVECTOR3(0, 3, 0);
    crate->Update();
    EXPECT_EQ(0, crate->m_BoundingBox.m_u8Flag);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), crate->m_BoundingBox.m_vMin);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), crate->m_BoundingBox.m_vMax);
    EXPECT_NEAR(1.0f, body->getLinearVelocity().y, 1e-4f);
}

TEST_F(PhysicsLevelObject, AStaticObjectIgnoresTheWater)
{
    const auto wall = Load("LevelObject Wall CollisionData Scripts\\Collision\\crate.txt");
    wall->CreatePhysics();
    ASSERT_NE(nullptr, Body(*wall));
    CDamageInfo water;
    water.m_bWater = true;
    water.m_fWaterLevel = 10.0f;
    EXPECT_TRUE(wall->TakeDamage(water, nullptr));
    EXPECT_EQ(0, wall->m_BoundingBox.m_u8Flag);
}

TEST_F(PhysicsLevelObject, ACarThatHitsTheObjectIsDealtATenthOfTheirRelativeSpeed)
{
    struct Recorder : CCollidableObject {
        bool TakeDamage(const CDamageInfo& damage, NxContactPair*) override
        {
            m_Received = damage;
            return false;
        }
        CDamageInfo m_Received;
    } other;
    g_Physics.CreateBoxActor(true, &other.m_PhysicsObject.m_pActor);
    ASSERT_NE(nullptr, other.m_PhysicsObject.m_pActor);
    other.m_PhysicsObject.m_pActor->setLinearVelocity(NxVec3(30, 0, 0));
    const auto crate = Load("LevelObject Crate Mass 40 CollisionData Scripts\\Collision\\crate.txt");
    crate->CreatePhysics();
    crate->m_PhysicsObject.m_pActor->setLinearVelocity(NxVec3(0, 0, -40));
    NxContactPair pair;

    EXPECT_FALSE(crate->OnContact(&other, &pair)) << "what the other's TakeDamage says";
    EXPECT_EQ(crate.get(), other.m_Received.m_pSource);
    EXPECT_EQ(0.0f, other.m_Received.m_fImpactSpeed) << "not a car";

    other.m_u8Kind = CCollidableObject::KIND_CAR;
    crate->OnContact(&other, &pair);
    EXPECT_FLOAT_EQ(5.0f, other.m_Received.m_fImpactSpeed);
    EXPECT_EQ(0.0f, other.m_Received.m_fDamage);

    other.m_Received.m_pSource = nullptr;
    EXPECT_FALSE(crate->OnContact(nullptr, &pair));
    EXPECT_FALSE(crate->OnContact(&other, nullptr));
    EXPECT_EQ(nullptr, other.m_Received.m_pSource);
}

// Bounds from the meshes of a complex object's own parts.
class LevelObjectBoundsTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        // The cube (-1..1), and a slab from (0, -3, -1) to (4, 1, 1).
        XTextMesh slab = CubeMesh();
        for (D3DXVECTOR3& p : slab.positions)
            p = D3DXVECTOR3(p.x * 2.0f + 2.0f, p.y * 2.0f - 1.0f, p.z);
        m_Dir.Write("Assets/Meshes/cube.x", XFileText(MeshText(CubeMesh())));
        m_Dir.Write("Assets/Meshes/slab.x", XFileText(MeshText(slab)));
        m_Dir.Write("Scripts/Meshes.txt", "Mesh Cube Asset_Type Game Src Assets\\Meshes\\cube.x\n"
                                         "Mesh Slab Asset_Type Game Src Assets\\Meshes\\slab.x\n");
        // Placing a part changes nothing: bounds are the meshes' own.
        m_Dir.Write("Scripts/DisplayObject3D.txt", "DisplayObject3D Cube Asset_Type Game Mesh Cube\n"
                                                   "DisplayObject3D Slab Asset_Type Game Mesh Slab Scale 5 "
                                                   "Orientation 1 0 0 0 0 1 0 0 0 0 1 0 50 0 0 1\n");
        m_Dir.Write("Scripts/ComplexObjects.txt", "ComplexObject Pair OpaqueObj Cube TransObj Slab\n"
                                                  "ComplexObject Nothing\n");
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
        LoadAssetsFromScript<CComplexObject>("Scripts\\ComplexObjects.txt");
    }
    void TearDown() override
    {
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }
};

TEST_F(LevelObjectBoundsTest, MeshesGiveTheUnionBoxAndItsRadiusAndNothingGivesNothing)
{
    CLevelObject pair;
    ASSERT_TRUE(LoadFrom(pair, "LevelObject Pair ComplexObject Pair"));
    const CCollisionBox* root = pair.m_CollisionObject.m_pRoot.get();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(D3DXVECTOR3(-1, -3, -1), root->m_vMin);
    EXPECT_EQ(D3DXVECTOR3(4, 1, 1), root->m_vMax);
    EXPECT_EQ(nullptr, root->m_pNext);
    EXPECT_FLOAT_EQ(0.5f * std::sqrt(45.0f), pair.m_CollisionObject.m_fRadius);
    EXPECT_FLOAT_EQ(45.0f / 4.0f, pair.m_CollisionObject.m_fRadiusSq);

    CLevelObject sized;
    ASSERT_TRUE(LoadFrom(sized, "LevelObject Sized ComplexObject Pair OuterCollisionRadius 7"));
    EXPECT_EQ(nullptr, sized.m_CollisionObject.m_pRoot) << "a radius of its own is kept";
    EXPECT_FLOAT_EQ(7.0f, sized.m_CollisionObject.m_fRadius);

    CLevelObject nothing;
    ASSERT_TRUE(LoadFrom(nothing, "LevelObject Nothing ComplexObject Nothing"));
    EXPECT_EQ(nullptr, nothing.m_CollisionObject.m_pRoot);
    EXPECT_EQ(0.0f, nothing.m_CollisionObject.m_fRadius);
    EXPECT_FALSE(LoadFrom(nothing, "LevelObject Again")) << "loaded once only";
}

} // namespace
