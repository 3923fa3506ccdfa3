// A car's physics build and release, its doors on their hinges, and its
// drawing, on flat ground in the game's own scene. The test car wears the
// shipped sedan's body, collision boxes and door meshes, two tyre types, two
// suspensions and two gas tanks. Its door boxes are narrow, their weight close
// to the hinges, so that the joints carry only what the tests put on them.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Actors/TireType.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/ComplexObjectQueue.h"
#include "Display/DisplayFixture.h"
#include "Display/Occ_HOM.h"
#include "Display/Texture.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FrameTime.h"
#include "support/GamePhysics.h"
#include "support/ScriptText.h"
#include "support/ScriptedController.h"
#include "support/ShippedScripts.h"
#include "support/TempDir.h"

namespace {

const uint32_t FRAME_MILLISECONDS = 16;
const uint32_t SEED = 99;
// A power of two, which the physics gives back exactly.
const float MASS = 1024.0f;
const D3DXVECTOR3 CENTER_OF_MASS(0.1f, -0.3f, 0.2f);
const float TOLERANCE = 1e-4f;
const float SECOND_TANK_HALF_EXTENTS[3] = {0.2f, 0.1f, 0.2f};
const int COLLISION_BOXES = 2;
const int GAS_TANKS = 2;
const int TIRES = 4;
const int PAINT_GROUP = 1;
const float DOOR_TORQUE = 50.0f;
// Newton seconds on the 5 kg door's free edge: a swing, and a kick.
const float PUSH = 0.3f;
const float KICK = 4.0f;
// Radians the swing covers at least.
const float SWUNG = 0.1f;
// Where the test car rests on its springs.
const float SETTLED_HEIGHT = 0.85f;
// Newton metre seconds over a physics step: above what the door's weight and
// its settling put on a joint, below what the kick does.
const float WEAK_TORQUE = 0.5f;

std::string TireText(float x, float z, int suspension)
{
    return "TireDriveType 1 TireOrientation 1 0 0 0 0 1 0 0 0 0 1 0 " + std::to_string(x) + " -0.35 " +
           std::to_string(z) + " 1 LengthOfSuspension 0.5 RadiusOfSuspension 0.35 SuspensionIndex " +
           std::to_string(suspension) + "\n";
}

// The second gas tank is turned a quarter about y and lifted 0.1. Tyres
// alternate between the two suspensions; `tires` 2 keeps the front pair.
std::string TestCarText(int tires = 4)
{
    const std::string front = TireText(-0.8f, 1.5f, 0) + TireText(0.8f, 1.5f, 1);
    const std::string rear = TireText(-0.8f, -1.5f, 0) + TireText(0.8f, -1.5f, 1);
    return "Car TestCar\nAsset_Type Game\nBody SedanBody\nMass 1024\nCenterOfMass 0.1 -0.3 0.2\n"
           "EngineSFX CarEngine\nSmokingEffect CarSmoke\nExplosionEffect CarExplosion\n"
           "TireTypes 2 Street Wide\n"
           "NumberOfSuspension 2\nSuspensionSpring 30000 SuspensionDamper 3000 SuspensionTarget 0\n"
           "SuspensionSpring 20000 SuspensionDamper 2000 SuspensionTarget 0\n"
           "NumTires " + std::to_string(tires) + "\n" + front + (tires == 4 ? rear : std::string()) +
           "CollisionData Scripts\\Collision\\Sedan.txt\n"
           "GasTankShape -0.5 -0.55 -1.9 0.5 -0.35 -1.4 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n"
           "GasTankShape -0.2 -0.5 0.5 0.2 -0.3 0.9 0 0 -1 0 0 1 0 0 1 0 0 0 0 0.1 0 1\n"
           "Door SedanDoorL -0.92 -0.3 0.8 -0.92 0.1 0.8 0 1 0 0 0 -1 -0.95 -0.4 0.5 -0.9 0.15 0.9 0 1.2 50\n"
           "Door SedanDoorR 0.92 -0.3 0.8 0.92 0.1 0.8 0 1 0 0 0 -1 0.9 -0.4 0.5 0.95 0.15 0.9 -1.2 0 50\n";
}

// Counts what the car puts into the render queue.
class RecordingQueue : public CComplexObjectQueue {
public:
    void AddOpaque(CDisplayObject3D* part) override { opaque.push_back(part); }
    void AddOpaqueCar(CDisplayObject3D* part) override { opaqueCar.push_back(part); }
    void AddTransparent(CDisplayObject3D* part) override { transparent.push_back(part); }
    void AddTransparentSnapshot(CDisplayObject3D* part) override { transparent.push_back(part); }
    void Clear()
    {
        opaque.clear();
        opaqueCar.clear();
        transparent.clear();
    }
    std::vector<CDisplayObject3D*> opaque;
    std::vector<CDisplayObject3D*> opaqueCar;
    std::vector<CDisplayObject3D*> transparent;
};

void ExpectVec(const NxVec3& expected, const NxVec3& actual, const char* what)
{
    EXPECT_NEAR(expected.x, actual.x, TOLERANCE) << what;
    EXPECT_NEAR(expected.y, actual.y, TOLERANCE) << what;
    EXPECT_NEAR(expected.z, actual.z, TOLERANCE) << what;
}

void ExpectMat(const NxMat33& expected, const NxMat33& actual, const char* what)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(expected(r, c), actual(r, c), TOLERANCE) << what << " (" << r << ", " << c << ")";
}

// The door's turn about its hinge axis relative to the car, zero where the
// normals agree.
float HingeAngle(const CDoor& door, const NxActor& car)
{
    const NxMat33 relative = car.getGlobalOrientation().getTransposed() *
                             door.m_PhysicsObject.m_pActor->getGlobalOrientation();
    const NxVec3 normal = ToNxVec3(door.m_vNormal);
    const NxVec3 turned = relative * normal;
    return std::atan2(normal.cross(turned).dot(ToNxVec3(door.m_vAxis)), normal.dot(turned));
}

class PhysicsCar : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        ASSERT_TRUE(StartCarGround(SEED, FRAME_MILLISECONDS));
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        m_pPrototype = std::make_unique<CCar>();
        ASSERT_TRUE(LoadFrom(*m_pPrototype, TestCarText()));
        CComplexObject::SetQueue(&m_Queue);
    }
    void TearDown() override
    {
        CComplexObject::SetQueue(nullptr);
        CCarColorTable::SetCurrent(nullptr);
        m_Cars.clear();
        m_pPrototype.reset();
        EndCarGround();
        DisplayFixture::TearDown();
    }

    // A world copy of `prototype` spawned at `spawn`.
    CCar& Place(const CCar& prototype, const D3DXMATRIX& spawn)
    {
        m_Cars.push_back(std::make_unique<CCar>(prototype));
        CCar& car = *m_Cars.back();
        car.m_matSpawn = spawn;
        return car;
    }
    CCar& PlaceTestCar(float height = 1.0f)
    {
        D3DXMATRIX spawn;
        D3DXMatrixTranslation(&spawn, 0.0f, height, 0.0f);
        return Place(*m_pPrototype, spawn);
    }
    static float FrameSeconds() { return FRAME_MILLISECONDS / 1000.0f; }
    static void Run(float seconds)
    {
        for (float t = 0.0f; t < seconds; t += FrameSeconds())
            g_Physics.Update();
    }
    static void ExpectPainted(const CComplexObject& group, const D3DMATERIAL8& paint)
    {
        for (const CDisplayObject3D& part : group.GetOpaqueParts()) {
            if (part.GetColourGroup() != PAINT_GROUP)
                continue;
            EXPECT_TRUE(part.UsesOverrideMaterial());
            EXPECT_FLOAT_EQ(paint.Diffuse.r, part.GetOverrideMaterial().Diffuse.r);
            EXPECT_FLOAT_EQ(paint.Diffuse.g, part.GetOverrideMaterial().Diffuse.g);
            EXPECT_FLOAT_EQ(paint.Power, part.GetOverrideMaterial().Power);
        }
    }

    std::unique_ptr<CCar> m_pPrototype;
    std::vector<std::unique_ptr<CCar>> m_Cars;
    RecordingQueue m_Queue;
};

TEST_F(PhysicsCar, BuildsBodyGasTanksTiresAndDoors)
{
    D3DXMATRIX spawn;
    D3DXMatrixRotationY(&spawn, 0.5f);
    spawn._41 = 3.0f;
    spawn._42 = 1.0f;
    spawn._43 = 4.0f;
    // The copy of a copy must lead its capsules to itself too.
    CCar& first = Place(*m_pPrototype, spawn);
    CCar& car = Place(first, spawn);
    car.CreatePhysics();

    NxActor* actor = car.m_PhysicsObject.m_pActor;
    ASSERT_NE(nullptr, actor);
    EXPECT_EQ(CCollidableObject::KIND_CAR, car.m_u8Kind);
    EXPECT_TRUE(actor->isDynamic());
    EXPECT_EQ(&car.m_pSelf, actor->userData);
    ExpectVec(NxVec3(3.0f, 1.0f, 4.0f), actor->getGlobalPosition(), "position");
    ExpectMat(ToNxOrientation(spawn), actor->getGlobalOrientation(), "orientation");
    EXPECT_NEAR(MASS, actor->getMass(), 0.01f);
    ExpectVec(ToNxVec3(CENTER_OF_MASS), actor->getCMassLocalPosition(), "centre of mass");

    ASSERT_EQ(static_cast<NxU32>(COLLISION_BOXES + GAS_TANKS + TIRES), actor->getNbShapes());
    NxShape* const* shapes = actor->getShapes();
    // The collision boxes first: no unit box.
    int boxes = 0;
    for (const CCollisionBox* b = car.m_CollisionObject.m_pRoot.get(); b != nullptr; b = b->m_pNext.get(), ++boxes) {
        NxBoxShapeDesc desc;
        b->GetShapeDesc(nullptr, desc);
        bool found = false;
        for (int i = 0; i < COLLISION_BOXES; ++i)
            found = found || (shapes[i]->isBox() != nullptr &&
                              (shapes[i]->isBox()->getDimensions() - desc.dimensions).magnitude() < TOLERANCE);
        EXPECT_TRUE(found) << "collision box " << boxes;
    }
    EXPECT_EQ(COLLISION_BOXES, boxes);
    // The tanks from the last record to the first.
    NxShape* lastTank = shapes[COLLISION_BOXES];
    NxShape* firstTank = shapes[COLLISION_BOXES + 1];
    EXPECT_EQ(car.m_GasTanks[1].m_pShape, lastTank);
    EXPECT_EQ(car.m_GasTanks[0].m_pShape, firstTank);
    ExpectVec(NxVec3(SECOND_TANK_HALF_EXTENTS[0], SECOND_TANK_HALF_EXTENTS[1], SECOND_TANK_HALF_EXTENTS[2]),
              lastTank->isBox()->getDimensions(), "turned tank");
    ExpectVec(NxVec3(0.7f, -0.3f, 0.0f), lastTank->getLocalPosition(), "turned tank's centre");
    ExpectMat(ToNxOrientation(car.m_GasTanks[1].m_matLocal), lastTank->getLocalOrientation(), "turned tank");
    ExpectVec(NxVec3(0.0f, -0.45f, -1.65f), firstTank->getLocalPosition(), "plain tank's centre");
    EXPECT_EQ(8u, lastTank->getFlags());
    EXPECT_EQ(&car.m_pSelf, lastTank->userData);

    const CSuspensionTable& table = *car.GetSuspensionTable();
    const uint32_t type = car.m_Tires[0].m_pType->m_Name == "Street" ? 0 : 1;
    EXPECT_EQ(static_cast<uint32_t>(TIRES), car.m_uActiveTires);
    for (int i = 0; i < TIRES; ++i) {
        SCOPED_TRACE(i);
        CTire& tire = car.m_Tires[i];
        NxCapsuleShape* capsule = shapes[COLLISION_BOXES + GAS_TANKS + i]->isCapsule();
        ASSERT_NE(nullptr, capsule);
        EXPECT_EQ(tire.m_pShape, capsule);
        const uint32_t suspension = static_cast<uint32_t>(i % 2);
        EXPECT_EQ(table.m_Materials[2 * (type * 2 + suspension)], capsule->getMaterial());
        const CTireOwner* owner = static_cast<const CTireOwner*>(capsule->userData);
        EXPECT_EQ(&car, owner->m_pCar);
        EXPECT_EQ(&tire, owner->m_pTire);
        EXPECT_FLOAT_EQ(0.35f, capsule->getRadius());
        EXPECT_FLOAT_EQ(0.5f, capsule->getHeight());
        EXPECT_EQ(1u, capsule->getCapsuleFlags());
        EXPECT_EQ(8u, capsule->getFlags());
        ExpectMat(NxMat33(NxVec3(-1, 0, 0), NxVec3(0, -1, 0), NxVec3(0, 0, 1)), capsule->getLocalOrientation(),
                  "pointing down");
        ExpectVec(ToNxVec3(tire.m_vMountPosition), capsule->getLocalPosition(), "mount");
    }

    const float secondTorque = CDoor::SECOND_BREAKING_TORQUE;
    for (const CDoor& door : car.m_Doors) {
        NxActor* doorActor = door.m_PhysicsObject.m_pActor;
        ASSERT_NE(nullptr, doorActor);
        EXPECT_NEAR(5.0f, doorActor->getMass(), 1e-3f);
        EXPECT_EQ(&door.m_pSelf, doorActor->userData);
        ExpectMat(actor->getGlobalOrientation(), doorActor->getGlobalOrientation(), "door orientation");
        const float torques[CDoor::JOINT_COUNT] = {DOOR_TORQUE, secondTorque};
        for (int j = 0; j < CDoor::JOINT_COUNT; ++j) {
            NxJoint* joint = door.m_pJoints[j];
            ASSERT_NE(nullptr, joint);
            NxActor* actors[2] = {nullptr, nullptr};
            joint->getActors(&actors[0], &actors[1]);
            EXPECT_EQ(doorActor, actors[0]);
            EXPECT_EQ(actor, actors[1]);
            NxRevoluteJoint* hinge = joint->isRevoluteJoint();
            EXPECT_EQ(static_cast<NxU32>(NX_RJF_LIMIT_ENABLED), hinge->getFlags());
            NxJointLimitPairDesc limits;
            hinge->getLimits(limits);
            EXPECT_FLOAT_EQ(door.m_fLowLimit, limits.low.value);
            EXPECT_FLOAT_EQ(door.m_fHighLimit, limits.high.value);
            NxReal force = 0.0f;
            NxReal torque = 0.0f;
            joint->getBreakable(force, torque);
            EXPECT_FLOAT_EQ(CDoor::BREAKING_FORCE, force);
            EXPECT_FLOAT_EQ(torques[j], torque);
        }
    }
    ExpectVec(NxVec3(3.0f, 1.0f, 4.0f), ToNxVec3(car.m_Engine.m_Sound.GetPosition()), "engine sound");
}

TEST_F(PhysicsCar, AHeavyCarIsStatic)
{
    CCar& car = PlaceTestCar();
    car.m_PhysicsObject.SetMass(PHYSICS_STATIC_MASS);
    car.CreatePhysics();
    ASSERT_NE(nullptr, car.m_PhysicsObject.m_pActor);
    EXPECT_FALSE(car.m_bMoveable);
    EXPECT_FALSE(car.m_PhysicsObject.m_pActor->isDynamic());
}

TEST_F(PhysicsCar, WithoutASceneOnlyThePaintApplies)
{
    CCarColorTable table;
    table.AppendWorking();
    table.SetWorkingDiffuse({0.2f, 0.4f, 0.6f, 1.0f});
    table.AppendWorking();
    CCarColorTable::SetCurrent(&table);
    CCar& car = PlaceTestCar();
    g_Physics.Shutdown();
    CRandomTable probe = g_RandomTable;
    car.CreatePhysics();
    EXPECT_EQ(nullptr, car.m_PhysicsObject.m_pActor);
    EXPECT_EQ(0u, car.m_uActiveTires);
    for (const CDoor& door : car.m_Doors) {
        EXPECT_EQ(nullptr, door.m_PhysicsObject.m_pActor);
        EXPECT_EQ(nullptr, door.m_pJoints[0]);
    }
    const D3DMATERIAL8& paint = table.Get(static_cast<int32_t>(probe.NextBelow(table.GetCount())));
    ExpectPainted(car.m_Body, paint);
    for (const CDoor& door : car.m_Doors)
        ExpectPainted(door.m_Mesh, paint);
}

TEST_F(PhysicsCar, ReleaseTakesEverythingAndABuildAfterMakesItAgain)
{
    CCar& car = PlaceTestCar();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        car.CreatePhysics();
        ASSERT_NE(nullptr, car.m_PhysicsObject.m_pActor);
        EXPECT_EQ(static_cast<uint32_t>(TIRES), car.m_uActiveTires);
        EXPECT_NE(nullptr, car.m_Doors[1].m_pJoints[1]);
        Run(0.5f);
        car.m_TireContacts.push_back({car.m_PhysicsObject.m_pActor, car.m_Tires[0].m_pShape, D3DXVECTOR3()});

        car.ReleasePhysics();
        EXPECT_TRUE(car.m_TireContacts.empty());
        EXPECT_EQ(-1, car.m_Engine.m_Sound.GetChannel());
        EXPECT_EQ(nullptr, car.m_PhysicsObject.m_pActor);
        EXPECT_EQ(nullptr, car.m_Tires[0].m_pShape);
        for (const CDoor& door : car.m_Doors) {
            EXPECT_EQ(nullptr, door.m_PhysicsObject.m_pActor);
            EXPECT_EQ(nullptr, door.m_pJoints[0]);
            EXPECT_EQ(nullptr, door.m_pJoints[1]);
        }
    }
}

// A car copied from the shipped sedan, built, painted, drawn and released
// over and over (ASan reports any leak or stale pointer).
TEST_F(PhysicsCar, ASedanCopyBuildsDrawsAndReleasesAgainAndAgain)
{
    CCar* sedan = nullptr;
    g_AssetManager.GetAsset("Sedan", sedan, true);
    D3DXMATRIX spawn;
    D3DXMatrixTranslation(&spawn, 0.0f, 1.0f, 0.0f);
    for (int round = 0; round < 3; ++round) {
        CCar& car = Place(*sedan, spawn);
        car.Reset();
        for (int build = 0; build < 2; ++build) {
            car.CreatePhysics();
            Run(0.2f);
            car.Draw();
            car.ReleasePhysics();
        }
        m_Cars.pop_back();
    }
}

class PhysicsCarDoor : public PhysicsCar {
protected:
    // The test car resting on the ground, its first door's values changed.
    CCar& CarWithDoor(float low, float high, float torque)
    {
        CCar& car = PlaceTestCar(SETTLED_HEIGHT);
        CDoor& door = car.m_Doors[0];
        door.m_fLowLimit = low;
        door.m_fHighLimit = high;
        door.m_fBreakingTorque = torque;
        car.CreatePhysics();
        Run(1.0f);
        EXPECT_EQ(NX_JS_SIMULATING, door.m_pJoints[0]->getState()) << "settling";
        EXPECT_EQ(NX_JS_SIMULATING, door.m_pJoints[1]->getState()) << "settling";
        return car;
    }
    // An outward push on the door's rear edge, over the next frame.
    static void Push(CDoor& door, float impulse)
    {
        NxActor* actor = door.m_PhysicsObject.m_pActor;
        const NxVec3 rearEdge = actor->getGlobalPose() * NxVec3(-0.92f, -0.1f, 0.5f);
        actor->addForceAtPos(NxVec3(-impulse / FrameSeconds(), 0.0f, 0.0f), rearEdge, NX_FORCE);
    }
};

TEST_F(PhysicsCarDoor, SwingsWithinItsLimits)
{
    struct Case {
        const char* what;
        float low;
        float high;
    };
    const Case cases[] = {{"open to 1.2", 0.0f, 1.2f}, {"open to -1.2", -1.2f, 0.0f}, {"shut", 0.0f, 0.0f}};
    // The limits are as stiff as the solver makes them.
    const float limitSlack = 0.1f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCar& car = CarWithDoor(c.low, c.high, 1.0e6f);
        CDoor& door = car.m_Doors[0];
        const NxActor& body = *car.m_PhysicsObject.m_pActor;
        float maxAngle = 0.0f;
        float minAngle = 0.0f;
        for (float impulse : {PUSH, -PUSH}) {
            Push(door, impulse);
            for (float t = 0.0f; t < 2.0f; t += FrameSeconds()) {
                g_Physics.Update();
                const float angle = HingeAngle(door, body);
                maxAngle = std::max(maxAngle, angle);
                minAngle = std::min(minAngle, angle);
            }
        }
        EXPECT_GE(minAngle, c.low - limitSlack);
        EXPECT_LE(maxAngle, c.high + limitSlack);
        // It did swing where it may.
        EXPECT_GT(maxAngle - minAngle, c.high - c.low > 0.0f ? SWUNG : 0.0f);
        EXPECT_EQ(NX_JS_SIMULATING, door.m_pJoints[0]->getState());
        EXPECT_EQ(NX_JS_SIMULATING, door.m_pJoints[1]->getState());
        car.ReleasePhysics();
    }
}

TEST_F(PhysicsCarDoor, ATorqueAboveTheScriptsBreaksTheFirstJointOnly)
{
    CCar& car = CarWithDoor(0.0f, 0.0f, WEAK_TORQUE);
    CDoor& door = car.m_Doors[0];
    Push(door, KICK);
    for (float t = 0.0f; t < 0.5f && door.m_pJoints[0]->getState() != NX_JS_BROKEN; t += FrameSeconds())
        g_Physics.Update();
    EXPECT_EQ(NX_JS_BROKEN, door.m_pJoints[0]->getState());
    EXPECT_EQ(NX_JS_SIMULATING, door.m_pJoints[1]->getState());
}

TEST_F(PhysicsCarDoor, LoosenedAsTheExplosionSetsThemASmallPushFreesTheDoor)
{
    CCar& car = CarWithDoor(0.0f, 1.2f, DOOR_TORQUE);
    CDoor& door = car.m_Doors[0];
    door.SetBreakable(CDoor::EXPLOSION_BREAKING_FORCE, CDoor::EXPLOSION_BREAKING_TORQUE);
    NxActor* actor = door.m_PhysicsObject.m_pActor;
    actor->addForce(NxVec3(-30.0f, 40.0f, 0.0f) * (1.0f / FrameSeconds()), NX_FORCE);
    Run(1.0f);
    EXPECT_EQ(NX_JS_BROKEN, door.m_pJoints[0]->getState());
    EXPECT_EQ(NX_JS_BROKEN, door.m_pJoints[1]->getState());
    door.UpdatePose();
    const D3DXMATRIX& world = door.m_Mesh.GetWorldMatrix();
    const NxVec3 position = actor->getGlobalPosition();
    EXPECT_NEAR(position.x, world._41, TOLERANCE);
    EXPECT_NEAR(position.y, world._42, TOLERANCE);
    EXPECT_NEAR(position.z, world._43, TOLERANCE);
    EXPECT_GT(std::fabs(position.x - car.m_PhysicsObject.m_pActor->getGlobalPosition().x), 1.5f);
}

TEST_F(PhysicsCar, DrawQueuesWhatIsInSightAndCountsTheTimeOffScreen)
{
    CCar& car = PlaceTestCar(0.0f);
    car.CreatePhysics();
    for (CDoor& door : car.m_Doors)
        door.UpdatePose();
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 1.0f, 1.0f, 0.5f, 500.0f);
    const D3DXVECTOR3 eye(0.0f, 2.0f, -10.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    const D3DXVECTOR3 away(0.0f, 2.0f, -20.0f);
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);

    D3DXMatrixLookAtLH(&view, &eye, &away, &up);
    D3DXMatrixMultiply(&g_CullViewProj, &view, &projection);
    car.m_fOffScreenTime = 1.0f;
    car.Draw();
    car.Draw();
    EXPECT_NEAR(1.0f + 2.0f * g_FrameTimer.GetFrameTime(), car.m_fOffScreenTime, 1e-5f);
    EXPECT_TRUE(m_Queue.opaqueCar.empty());
    EXPECT_TRUE(m_Queue.opaque.empty());

    D3DXMatrixLookAtLH(&view, &eye, &origin, &up);
    D3DXMatrixMultiply(&g_CullViewProj, &view, &projection);
    car.Draw();
    EXPECT_FLOAT_EQ(0.0f, car.m_fOffScreenTime);
    size_t carParts = car.m_Body.GetOpaqueParts().size();
    for (const CDoor& door : car.m_Doors)
        carParts += door.m_Mesh.GetOpaqueParts().size();
    EXPECT_EQ(carParts, m_Queue.opaqueCar.size());
    EXPECT_EQ(&car.m_Body.GetOpaqueParts()[0], m_Queue.opaqueCar[0]);
    size_t wheelParts = 0;
    for (const CTire& tire : car.m_Tires)
        wheelParts += tire.m_Wheel.GetOpaqueParts().size();
    EXPECT_EQ(wheelParts, m_Queue.opaque.size());
}

class PhysicsCarTuning : public PhysicsCar {
protected:
    void SetUp() override
    {
        PhysicsCar::SetUp();
        m_Driver.Init();
    }
    // A built test car driven by the scripted driver.
    CCar& TunedCar()
    {
        CCar& car = PlaceTestCar();
        car.CreatePhysics();
        car.m_pController = &m_Driver;
        return car;
    }
    static float Height(const CCar& car, int tire) { return car.m_Tires[tire].m_pShape->isCapsule()->getHeight(); }
    static std::string Tuning(const CCar& car)
    {
        char text[400];
        car.FormatTuning(text, sizeof(text));
        return text;
    }

    ScriptedController m_Driver;
};

// What the editor changed, from before to after one EditTuning.
struct TuningState {
    float spring;
    float damper;
    float heights[4];
    float mass;
    D3DXVECTOR3 centre;
    NxVec3 actorCentre;
    bool selected[4];
    bool saved;
};

TEST_F(PhysicsCarTuning, EachActionOfTheTable)
{
    enum { HELD = CInputManager::STATE_HELD, RELEASED = CInputManager::STATE_RELEASED };
    struct Case {
        int action;
        int state;
        std::function<void(TuningState&)> change;
    };
    const float height = 0.5f;
    const Case cases[] = {
        {57, HELD, [](TuningState& t) { t.spring += 0.6f; }},
        {58, HELD, [](TuningState& t) { t.spring -= 0.6f; }},
        {59, HELD, [](TuningState& t) { t.damper += 0.6f; }},
        {60, HELD, [](TuningState& t) { t.damper -= 0.6f; }},
        // Tyre 2 is not selected.
        {75, HELD, [height](TuningState& t) { t.heights[0] = t.heights[1] = t.heights[3] = height + 0.02f; }},
        {76, HELD, [height](TuningState& t) { t.heights[0] = t.heights[1] = t.heights[3] = height - 0.02f; }},
        {61, HELD, [](TuningState& t) { t.mass += 1.0f; }},
        {62, HELD, [](TuningState& t) { t.mass -= 1.0f; }},
        {63, HELD, [](TuningState& t) { t.centre.x += 0.005f; }},
        {64, HELD, [](TuningState& t) { t.centre.x -= 0.005f; }},
        {65, HELD, [](TuningState& t) { t.centre.y += 0.005f; }},
        {66, HELD, [](TuningState& t) { t.centre.y -= 0.005f; }},
        {67, HELD, [](TuningState& t) { t.centre.z += 0.005f; }},
        {68, HELD, [](TuningState& t) { t.centre.z -= 0.005f; }},
        {69, HELD, [](TuningState& t) { t.centre = D3DXVECTOR3(0.0f, 0.0f, 0.0f); }},
        {70, RELEASED, [](TuningState& t) { t.saved = true; }},
        {71, RELEASED, [](TuningState& t) { t.selected[0] = false; }},
        {72, RELEASED, [](TuningState& t) { t.selected[1] = false; }},
        {73, RELEASED, [](TuningState& t) { t.selected[2] = true; }},
        {74, RELEASED, [](TuningState& t) { t.selected[3] = false; }},
        // Held-only actions ignore a release, release-only ones a hold.
        {57, RELEASED, [](TuningState&) {}},
        {61, RELEASED, [](TuningState&) {}},
        {70, HELD, [](TuningState&) {}},
        {71, HELD, [](TuningState&) {}},
    };
    const std::string file = "TestCar.txt";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "action " << c.action << " state " << c.state);
        std::remove((m_Dir.Path() + "/" + file).c_str());
        CCar& car = TunedCar();
        car.m_bEditSelected[2] = false;
        NxSpringDesc& spring = car.GetSuspensionTable()->m_Springs[0];
        NxActor* actor = car.m_PhysicsObject.m_pActor;
        auto state = [&]() {
            TuningState t = {spring.spring, spring.damper, {}, actor->getMass(), car.m_vScriptCenterOfMass,
                             actor->getCMassLocalPosition(), {}, !m_Dir.Read(file).empty()};
            for (int i = 0; i < 4; ++i) {
                t.heights[i] = Height(car, i);
                t.selected[i] = car.m_bEditSelected[i];
            }
            return t;
        };
        TuningState expected = state();
        c.change(expected);
        expected.actorCentre = ToNxVec3(expected.centre);
        m_Driver.ClearActions();
        m_Driver.m_Actions[c.action] = static_cast<uint8_t>(c.state);
        car.EditTuning();
        const TuningState actual = state();
        EXPECT_NEAR(expected.spring, actual.spring, 1e-3f);
        EXPECT_NEAR(expected.damper, actual.damper, 1e-3f);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(expected.heights[i], actual.heights[i], 1e-5f) << "tyre " << i;
            EXPECT_EQ(expected.selected[i], actual.selected[i]) << "tyre " << i;
        }
        EXPECT_NEAR(expected.mass, actual.mass, 1e-3f);
        EXPECT_EQ(expected.centre, actual.centre);
        ExpectVec(expected.actorCentre, actual.actorCentre, "centre of mass offset");
        EXPECT_EQ(expected.saved, actual.saved);
        // The springs belong to the kind: put them back for the next case.
        spring = NxSpringDesc(30000.0f, 3000.0f, 0.0f);
        m_Cars.clear();
    }
}

TEST_F(PhysicsCarTuning, TheFirstOfAPairWinsAndMassAndHeightHaveFloors)
{
    CCar& car = TunedCar();
    for (int up : {57, 59, 61, 63, 65, 67, 75}) {
        m_Driver.Hold(up);
        m_Driver.Hold(up + 1);
    }
    m_Driver.Hold(76);
    car.EditTuning();
    const NxSpringDesc& spring = car.GetSuspensionTable()->m_Springs[0];
    EXPECT_NEAR(30000.6f, spring.spring, 1e-3f);
    EXPECT_NEAR(3000.6f, spring.damper, 1e-3f);
    EXPECT_NEAR(MASS + 1.0f, car.m_PhysicsObject.m_pActor->getMass(), 1e-3f);
    EXPECT_EQ(CENTER_OF_MASS + D3DXVECTOR3(0.005f, 0.005f, 0.005f), car.m_vScriptCenterOfMass);
    EXPECT_NEAR(0.52f, Height(car, 0), 1e-5f);
    car.GetSuspensionTable()->m_Springs[0] = NxSpringDesc(30000.0f, 3000.0f, 0.0f);

    m_Driver.ClearActions();
    m_Driver.Hold(62);
    m_Driver.Hold(76);
    NxActor* actor = car.m_PhysicsObject.m_pActor;
    actor->updateMassFromShapes(0.0f, 1.5f);
    car.m_Tires[0].m_pShape->isCapsule()->setHeight(0.01f);
    car.EditTuning();
    EXPECT_FLOAT_EQ(1.5f, actor->getMass());
    EXPECT_FLOAT_EQ(0.0f, Height(car, 0));
    car.EditTuning();
    EXPECT_FLOAT_EQ(0.0f, Height(car, 0));
}

TEST_F(PhysicsCarTuning, TheTuningTextAndFile)
{
    CCar& car = TunedCar();
    car.m_bEditSelected[1] = false;
    EXPECT_EQ("Mass: 1024.000000\nCOM x: 0.1000\nCOM y: -0.3000\nCOM z: 0.2000\nSusp: 30000.0000 Damp: 3000.0000\n"
              "FrontLeft: 1 Height: 0.5000\nFrontRight: 0 Height: 0.5000\nRearLeft: 1 Height: 0.5000\n"
              "RearRight: 1 Height: 0.5000",
              Tuning(car));
    car.SaveTuning();
    EXPECT_EQ("CenterOfMass: 0.1 -0.3 0.2\nSuspension: 30000\nDampining: 3000\nMass: 1024\n"
              "FrontLeftSuspensionLength: 0.5\nFrontRightSuspensionLength: 0.5\nRearLeftSuspensionLength: 0.5\n"
              "RearRightSuspensionLength: 0.5\n",
              m_Dir.Read("TestCar.txt"));

    // An unwritable tuning file is passed over and the old one kept.
    ASSERT_EQ(0, mkdir((m_Dir.Path() + "/TestCar.txt.new").c_str(), 0755));
    car.m_vScriptCenterOfMass = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    car.SaveTuning();
    EXPECT_EQ(0u, m_Dir.Read("TestCar.txt").find("CenterOfMass: 0.1 -0.3 0.2\n"));
}

TEST_F(PhysicsCarTuning, ATwoTyreCarShowsNoRearHeights)
{
    CCar twoTires;
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        ASSERT_TRUE(LoadFrom(twoTires, TestCarText(2)));
    }
    CCar& car = Place(twoTires, m_pPrototype->m_matSpawn);
    car.CreatePhysics();
    EXPECT_EQ(2u, car.m_uActiveTires);
    const std::string text = Tuning(car);
    EXPECT_NE(std::string::npos, text.find("FrontRight: 1 Height: 0.5000\nRearLeft: 1 Height: -1.0000\n"
                                           "RearRight: 1 Height: -1.0000"))
        << text;
}

TEST_F(PhysicsCarTuning, TheTextIsCutToItsBuffer)
{
    const float huge = 3.0e38f;
    CCar& car = PlaceTestCar();
    car.m_PhysicsObject.SetMass(huge);
    car.m_vScriptCenterOfMass = D3DXVECTOR3(huge, huge, huge);
    car.GetSuspensionTable()->m_Springs[0] = NxSpringDesc(huge, huge, 0.0f);
    char text[401];
    text[400] = 'x';
    car.FormatTuning(text, 400);
    EXPECT_EQ(399u, std::strlen(text));
    EXPECT_EQ('x', text[400]);
}

} // namespace
