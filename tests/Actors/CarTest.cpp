// The car's data: its script, loading with materials and tyres, copies,
// reset and repair, and the engine's curves. Test complex objects load on a
// display of state only.

#include "Actors/Car.h"

#include <cfloat>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/RandomDraws.h"
#include "Actors/TireType.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "Input/LocalController.h"
#include "Physics/Physics.h"
#include "platform/d3dx8/XMeshText.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxPhysicsSDK.h"
#include "support/FatalTrap.h"
#include "support/MatrixExpect.h"
#include "support/ScriptText.h"

namespace {

const uint32_t SEED = 4242;

// A cube from -1 to 1 and the test objects on it: a body of a painted part
// and a glass part, two wheels and a door; two tyre types, "Slick" on one
// wheel with frictions of its own, "Knobbly" on both, "Grippy" on the other.
const char* const MESHES = "Mesh Cube\nAsset_Type Game\nSrc Assets\\Meshes\\cube.x\n";
const char* const OBJECTS = "DisplayObject3D Box\nAsset_Type Game\nMesh Cube\n"
                            "DisplayObject3D Half\nAsset_Type Game\nMesh Cube\nScale 0.5\n";
const char* const COMPLEX_OBJECTS = "ComplexObject TestBody\nOpaqueObj Box GROUP# 1\nTransObj Half\n"
                                    "ComplexObject TestWheel\nOpaqueObj Half\n"
                                    "ComplexObject TestWheel2\nOpaqueObj Box\n"
                                    "ComplexObject TestDoor\nOpaqueObj Half GROUP# 1\n";
const char* const TIRE_TYPES = "TireType Slick\nAsset_Type Game\nNumMeshes 1\nMeshes TestWheel\n"
                               "DynamicFrictionSlide 0.5\nStaticFrictionSlide 0.6\nDynamicFrictionRoll 0.7\n"
                               "StaticFrictionRoll 0.9\nRestitution 0.1\n"
                               "TireType Knobbly\nAsset_Type Game\nNumMeshes 2\nMeshes TestWheel TestWheel2\n"
                               "TireType Grippy\nAsset_Type Game\nNumMeshes 1\nMeshes TestWheel2\n";
// Two boxes; the chain's bound runs from (-2, -1, -3) to (2, 1, 3).
const char* const COLLISION = "Radius 9\nStart\nBoxMin -2 -1 -3\nBoxMax 2 0 3\nNext\nBoxMin -1 0 -1\nBoxMax 1 1 1\n"
                              "EndBox\nEndBox\n";
const char* const HEAD = "Car TestCar\nAsset_Type Game\nBody TestBody\n";
// A smoke of one particle system drawn in the car's frame.
const char* const SMOKE_SYSTEM = "ParticleSystem \"Puff\" 1 { EventSequence \"s\" { NumParticles = 5 } }";
const char* const SMOKE_EFFECT = "EffectSystem \"Smoke\" 1.0 { ParticleNum = 1 Particle 1 Asset = \"Puff\" "
                                 "Particle 1 MatrixType = Follow }";
const char* const EFFECTS = "SmokingEffect TestSmoke ExplosionEffect TestSmoke\n";
const char* const TWO_SUSPENSIONS = "NumberOfSuspension 2\n"
                                    "SuspensionSpring 100 SuspensionDamper 10 SuspensionTarget 0.1\n"
                                    "SuspensionSpring 200\n";
const char* const MATRIX = "1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1";

std::string Tire(int drive, float x, int suspension)
{
    return "TireDriveType " + std::to_string(drive) + " TireOrientation 0 0 -1 0 0 1 0 0 1 0 0 0 " +
           std::to_string(x) + " -0.5 1 1 LengthOfSuspension 0.5 RadiusOfSuspension 0.3 SuspensionIndex " +
           std::to_string(suspension) + "\n";
}

class CarData : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        g_RandomTable.Fill(SEED);
        XTextMesh cube = CubeMesh();
        for (XTextMaterial& material : cube.materials)
            material.texture.clear();
        m_Dir.Write("Assets/Meshes/cube.x", XFileText(MeshText(cube)));
        m_Dir.Write("Scripts/Meshes.txt", MESHES);
        m_Dir.Write("Scripts/DisplayObject3D.txt", OBJECTS);
        m_Dir.Write("Scripts/ComplexObjects.txt", COMPLEX_OBJECTS);
        m_Dir.Write("Scripts/TireTypes.txt", TIRE_TYPES);
        m_Dir.Write("Scripts/Collision/Test.txt", COLLISION);
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
        LoadAssetsFromScript<CComplexObject>("Scripts\\ComplexObjects.txt");
        ResolveComplexObjectSubGroups();
        LoadAssetsFromScript<CTireType>("Scripts\\TireTypes.txt");
        FileSmokeEffect();
    }
    void TearDown() override
    {
        g_Physics.Shutdown();
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    static void FileSmokeEffect()
    {
        auto system = std::make_unique<CParticleEmitter>();
        ASSERT_TRUE(system->Compile(SMOKE_SYSTEM)) << system->GetStatus();
        system->m_Name = "Puff";
        g_AssetManager.AddAsset(system.release());
        auto effect = std::make_unique<CEffect>();
        ASSERT_TRUE(effect->Compile(SMOKE_EFFECT)) << effect->GetStatus();
        effect->m_Name = "TestSmoke";
        g_AssetManager.AddAsset(effect.release());
    }

    // A car of the test head and `body`; the token after its block goes to `next`.
    static std::unique_ptr<CCar> Load(const std::string& body, std::string* next = nullptr)
    {
        auto car = std::make_unique<CCar>();
        EXPECT_TRUE(LoadFrom(*car, HEAD + body, next));
        return car;
    }
    // Two tyres on the first of two suspensions, of the one type "Slick".
    static std::string TwoTires(const char* types = "TireTypes 1 Slick\n")
    {
        return std::string(types) + TWO_SUSPENSIONS + "NumTires 2\n" + Tire(1, 0.8f, 0) + Tire(2, -0.8f, 0);
    }
};

TEST_F(CarData, GrammarCases)
{
    struct Case {
        const char* name;
        std::string body;
        // The token the block ended at.
        const char* next;
        std::function<void(const CCar&)> check;
    };
    const Case cases[] = {
        {"a tyre ends right after SuspensionIndex", std::string(TWO_SUSPENSIONS) +
             "TireTypes 1 Slick NumTires 1 TireDriveType 3 LengthOfSuspension 0.6 RadiusOfSuspension 0.2 "
             "SuspensionIndex 1 HullMax 50",
         "",
         [](const CCar& car) {
             ASSERT_EQ(1u, car.m_Tires.size());
             EXPECT_EQ(3, car.m_Tires[0].m_iDriveType);
             EXPECT_EQ(0.6f, car.m_Tires[0].m_fSuspensionLength);
             EXPECT_EQ(0.2f, car.m_Tires[0].m_fSuspensionRadius);
             EXPECT_EQ(1, car.m_Tires[0].m_iSuspensionIndex);
             EXPECT_EQ(50.0f, car.m_fHullMax) << "read by the car";
             EXPECT_EQ(50.0f, car.m_fHull);
         }},
        {"a tyre without SuspensionIndex ends at a word it does not know", std::string(TWO_SUSPENSIONS) +
             "TireTypes 1 Slick NumTires 1 TireDriveType 2 TireOrientation 0 0 -1 0 0 1 0 0 1 0 0 0 4 5 6 1 "
             "Deceleration 7",
         "",
         [](const CCar& car) {
             ASSERT_EQ(1u, car.m_Tires.size());
             EXPECT_EQ(2, car.m_Tires[0].m_iDriveType);
             EXPECT_EQ(0, car.m_Tires[0].m_iSuspensionIndex);
             EXPECT_EQ(D3DXVECTOR3(4, 5, 6), car.m_Tires[0].m_vMountPosition);
             EXPECT_EQ(0.0f, car.m_Tires[0].m_matMountRotation._41);
             EXPECT_EQ(-1.0f, car.m_Tires[0].m_matMountRotation._13);
             EXPECT_EQ(7.0f, car.m_fDeceleration);
         }},
        {"Gears before MaxGear reads nothing", "Gears MaxGear 2 Gears 3 4 ShiftUpRPM 6000", "",
         [](const CCar& car) {
             EXPECT_EQ((std::vector<float>{3, 4}), car.m_Engine.m_Gears);
             EXPECT_EQ(2, car.m_Engine.m_iMaxGear);
             EXPECT_EQ(6000.0f, car.m_Engine.m_fShiftUpRPM);
         }},
        {"VelToRPM: low speed, low rpm, high speed, high rpm", "VelToRPM 1 5 1000 15 3000 VelToAccel 2 0 3 10 1",
         "",
         [](const CCar& car) {
             ASSERT_EQ(1u, car.m_Engine.m_VelToRPM.size());
             const CRpmSegment& segment = car.m_Engine.m_VelToRPM[0];
             EXPECT_EQ(5.0f, segment.m_fSpeedLow);
             EXPECT_EQ(15.0f, segment.m_fSpeedHigh);
             EXPECT_EQ(1000.0f, segment.m_fEngineSpeedLow);
             EXPECT_EQ(3000.0f, segment.m_fEngineSpeedHigh);
             ASSERT_EQ(2u, car.m_Engine.m_VelToAccel.size());
             EXPECT_EQ(10.0f, car.m_Engine.m_VelToAccel[1].m_fSpeed);
             EXPECT_EQ(1.0f, car.m_Engine.m_VelToAccel[1].m_fAcceleration);
         }},
        {"CalculateRadius right after CollisionData", "CollisionData Scripts\\Collision\\Test.txt CalculateRadius",
         "",
         [](const CCar& car) {
             EXPECT_FLOAT_EQ(std::sqrt(16.0f + 4.0f + 36.0f) / 2, car.m_CollisionObject.m_fRadius);
             EXPECT_FLOAT_EQ(14.0f, car.m_CollisionObject.m_fRadiusSq);
             EXPECT_TRUE(car.m_bRadiusCalculated);
             EXPECT_EQ("Scripts\\Collision\\Test.txt", car.m_CollisionDataName);
         }},
        {"CalculateRadius anywhere else ends the block",
         "CollisionData Scripts\\Collision\\Test.txt Mass 900 CalculateRadius", "CalculateRadius",
         [](const CCar& car) {
             EXPECT_EQ(9.0f, car.m_CollisionObject.m_fRadius) << "the file's";
             EXPECT_FALSE(car.m_bRadiusCalculated);
             EXPECT_EQ(900.0f, car.m_PhysicsObject.m_fMass);
         }},
        {"OuterCollisionRadius and on", "OuterCollisionRadius 4 SteerAngleMax 0.5 SteerAngleDelta 2", "",
         [](const CCar& car) {
             EXPECT_EQ(4.0f, car.m_CollisionObject.m_fRadius);
             EXPECT_EQ(16.0f, car.m_CollisionObject.m_fRadiusSq);
             EXPECT_EQ(0.5f, car.m_fSteerAngleMax);
             EXPECT_EQ(2.0f, car.m_fSteerAngleDelta);
         }},
        {"Door and GasTankShape",
         std::string("Door TestDoor 1 2 3 4 5 6 0 1 0 0 0 -1 -1 -0.5 -2 -0.9 0.5 1 -0.2 1.3 45 "
                     "GasTankShape -1 -1 -2 1 0 -1 ") + MATRIX,
         "",
         [](const CCar& car) {
             ASSERT_EQ(1u, car.m_Doors.size());
             const CDoor& door = car.m_Doors[0];
             EXPECT_EQ(D3DXVECTOR3(1, 2, 3), door.m_vAnchor1);
             EXPECT_EQ(D3DXVECTOR3(4, 5, 6), door.m_vAnchor2);
             EXPECT_EQ(D3DXVECTOR3(0, 1, 0), door.m_vAxis);
             EXPECT_EQ(D3DXVECTOR3(0, 0, -1), door.m_vNormal);
             EXPECT_EQ(D3DXVECTOR3(-1, -0.5f, -2), door.m_vBoxMin);
             EXPECT_EQ(D3DXVECTOR3(-0.9f, 0.5f, 1), door.m_vBoxMax);
             EXPECT_EQ(-0.2f, door.m_fLowLimit);
             EXPECT_EQ(1.3f, door.m_fHighLimit);
             EXPECT_EQ(45.0f, door.m_fBreakingTorque);
             EXPECT_EQ("TestDoor", door.m_Mesh.GetName());
             ASSERT_EQ(1u, car.m_GasTanks.size());
             EXPECT_EQ(D3DXVECTOR3(-1, -1, -2), car.m_GasTanks[0].m_vMin);
             EXPECT_EQ(D3DXVECTOR3(1, 0, -1), car.m_GasTanks[0].m_vMax);
             ExpectMatrixNear(Translation(1, 2, 3), car.m_GasTanks[0].m_matLocal);
             EXPECT_EQ(nullptr, car.m_GasTanks[0].m_pShape);
         }},
        {"the effects", std::string(EFFECTS) + "HullMax 5", "",
         [](const CCar& car) {
             EXPECT_EQ("Smoke", car.m_SmokingEffect.GetEffectName());
             EXPECT_EQ("Smoke", car.m_ExplosionEffect.GetEffectName());
             EXPECT_TRUE(car.m_SmokingEffect.m_u8Compiled);
             ASSERT_EQ(1u, car.m_SmokingEffect.m_ParticleSystems.size());
             EXPECT_EQ(5.0f, car.m_fHull);
         }},
        {"Seat stops before a word that is no number", std::string("NumSeats 3 Seat ") + MATRIX + " HullMax 5", "",
         [](const CCar& car) {
             ASSERT_EQ(1u, car.m_Seats.size());
             ExpectMatrixNear(Translation(1, 2, 3), car.m_Seats[0]);
             EXPECT_EQ(5.0f, car.m_fHull);
             EXPECT_NE(nullptr, car.GetDriverSeat());
         }},
        {"Seat reads no more than NumSeats", std::string("NumSeats 1 Seat ") + MATRIX + " " + MATRIX, "1",
         [](const CCar& car) { EXPECT_EQ(1u, car.m_Seats.size()); }},
        {"placement, mass and the rest", "Pos 1 2 3 CenterOfMass 0 -0.5 0.2 Mass 1300 MaxSpeedReverse 6 "
                                          "TireScale 1.5 FlatTireRadius 0.2 EngineInertia 2 *break Mass 5",
         "Mass",
         [](const CCar& car) {
             ExpectMatrixNear(Translation(1, 2, 3), car.m_Body.GetLocalMatrix());
             // Post-load puts the spawn back.
             ExpectMatrixNear(Identity(), car.m_matSpawn);
             EXPECT_EQ(D3DXVECTOR3(0, -0.5f, 0.2f), car.m_vScriptCenterOfMass);
             EXPECT_EQ(D3DXVECTOR3(0, -0.5f, 0.2f), car.m_vCenterOfMassOffset);
             EXPECT_EQ(1300.0f, car.m_PhysicsObject.m_fMass);
             EXPECT_EQ(6.0f, car.m_fMaxSpeedReverse);
             EXPECT_EQ(1.5f, car.m_fTireScale);
             EXPECT_EQ(0.2f, car.m_fFlatTireRadius);
             EXPECT_EQ(2.0f, car.m_Engine.m_fInertia);
             EXPECT_EQ(nullptr, car.GetDriverSeat());
         }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::string next;
        const std::unique_ptr<CCar> car = Load(test.body, &next);
        EXPECT_EQ(test.next, next);
        EXPECT_TRUE(car->IsInitialised());
        test.check(*car);
    }
}

TEST_F(CarData, BadCountsAndSuspensionIndicesAreFatal)
{
    struct Case {
        std::string body;
        const char* message;
    };
    const Case cases[] = {
        {"VelToAccel 2000", "Car \"TestCar\": VelToAccel count 2000 is not between 0 and 1024"},
        {"VelToRPM -1", "Car \"TestCar\": VelToRPM count -1 is not between 0 and 1024"},
        {"MaxGear 1025", "Car \"TestCar\": MaxGear count 1025 is not between 0 and 1024"},
        {"TireTypes 3000", "Car \"TestCar\": TireTypes count 3000 is not between 0 and 1024"},
        {"NumTires 99999", "Car \"TestCar\": NumTires count 99999 is not between 0 and 1024"},
        {"NumberOfSuspension 5000", "Car \"TestCar\": NumberOfSuspension count 5000 is not between 0 and 1024"},
        {"NumSeats 1100", "Car \"TestCar\": NumSeats count 1100 is not between 0 and 1024"},
        {"VelToAccel 3 0 1 2", "Car \"TestCar\": VelToAccel runs past the end of the script"},
        {"VelToRPM 1 0 1000 10", "Car \"TestCar\": VelToRPM runs past the end of the script"},
        {"MaxGear 3 Gears 1 2", "Car \"TestCar\": Gears runs past the end of the script"},
        {"TireTypes 2 Slick", "Car \"TestCar\": TireTypes runs past the end of the script"},
        {"TireTypes 1 Slick NumTires 2 SuspensionIndex 0", "Car \"TestCar\": NumTires runs past the end of the script"},
        {"NumberOfSuspension 2 SuspensionSpring 1",
         "Car \"TestCar\": NumberOfSuspension runs past the end of the script"},
        {"NumSeats 1 Seat 1 0 0 0", "Car \"TestCar\": Seat runs past the end of the script"},
        {"NumberOfSuspension 2 TireTypes 1 Slick NumTires 2 SuspensionIndex 1 SuspensionIndex 2",
         "Car \"TestCar\": tire 1 has SuspensionIndex 2, but the car has 2 suspensions"},
        {"NumberOfSuspension 1 TireTypes 1 Slick NumTires 1 SuspensionIndex -1",
         "Car \"TestCar\": tire 0 has SuspensionIndex -1, but the car has 1 suspensions"},
        {"TireTypes 1 Slick NumTires 1 SuspensionIndex 0",
         "Car \"TestCar\": tire 0 has SuspensionIndex 0, but the car has 0 suspensions"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.body);
        CCar car;
        EXPECT_FATAL(LoadFrom(car, HEAD + test.body), test.message);
    }
}

TEST_F(CarData, TiresWithoutTireTypesFailTheLoad)
{
    CCar car;
    EXPECT_FALSE(LoadFrom(car, HEAD + std::string(TWO_SUSPENSIONS) + "NumTires 1\n" + Tire(1, 0, 0)));
    EXPECT_FALSE(car.IsInitialised());
    m_Dir.Write("Scripts/Cars.txt", HEAD + std::string(TWO_SUSPENSIONS) + "NumTires 1\n" + Tire(1, 0, 0));
    EXPECT_FATAL(LoadAssetsFromScript<CCar>("Scripts\\Cars.txt"),
                 "Unable to intialize object TestCar from: Scripts\\Cars.txt of type CCar");
}

TEST_F(CarData, PostLoadAndResetDrawOnlyAmongSeveralTireTypes)
{
    struct Case {
        const char* name;
        std::string body;
        int draws;
    };
    const Case cases[] = {
        {"no tyres", "TireTypes 2 Slick Grippy", 0},
        {"one tyre type", TwoTires(), 0},
        {"two tyre types of one mesh each", TwoTires("TireTypes 2 Slick Grippy\n"), 1},
        {"one tyre type of two meshes", TwoTires("TireTypes 1 Knobbly\n"), 1},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        CRandomTable before = g_RandomTable;
        const std::unique_ptr<CCar> car = Load(test.body);
        EXPECT_EQ(test.draws, DrawsSince(before)) << "load";
        for (int reset = 0; reset < 3; ++reset) {
            before = g_RandomTable;
            car->Reset();
            EXPECT_EQ(test.draws, DrawsSince(before)) << "reset " << reset;
        }
    }
}

TEST_F(CarData, TheTireTypeIsTheNextRandomValueModuloTheirCount)
{
    const char* const names[] = {"Slick", "Grippy"};
    bool picked[2] = {false, false};
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        g_RandomTable.Fill(seed);
        CRandomTable expected = g_RandomTable;
        const uint32_t index = expected.NextBelow(2);
        const std::unique_ptr<CCar> car = Load(TwoTires("TireTypes 2 Slick Grippy\n"));
        for (const CTire& tire : car->m_Tires)
            EXPECT_EQ(names[index], tire.m_pType->GetName()) << "seed " << seed;
        picked[index] = true;
    }
    EXPECT_TRUE(picked[0] && picked[1]);
}

TEST_F(CarData, AllWheelsShareOneMeshAndTakeTheCarsScale)
{
    const std::unique_ptr<CCar> car =
        Load(std::string("TireScale 2 FlatTireRadius 0.25 TireTypes 1 Knobbly ") + TWO_SUSPENSIONS + "NumTires 3\n" +
             Tire(1, 0.8f, 0) + Tire(2, -0.8f, 0) + Tire(3, 0, 1));
    ASSERT_EQ(3u, car->m_Tires.size());
    const std::string mesh = car->m_Tires[0].m_Wheel.GetName();
    EXPECT_TRUE(mesh == "TestWheel" || mesh == "TestWheel2") << mesh;
    for (const CTire& tire : car->m_Tires) {
        EXPECT_EQ(mesh, tire.m_Wheel.GetName());
        EXPECT_EQ("Knobbly", tire.m_pType->GetName());
        EXPECT_FLOAT_EQ(2 * CTire::DEFAULT_RADIUS, tire.m_fRadius);
        EXPECT_EQ(0.25f, tire.m_fFlatRadius);
        EXPECT_EQ(2.0f, tire.m_Wheel.GetScale());
        ExpectMatrixNear(tire.m_matMountRotation, tire.m_Wheel.GetLocalMatrix());
        EXPECT_EQ(car->m_Tires.data() + (&tire - car->m_Tires.data()), tire.m_Owner.m_pTire);
    }
    car->m_Tires[0].m_fRadius = 9.0f;
    car->Reset();
    EXPECT_FLOAT_EQ(2 * CTire::DEFAULT_RADIUS, car->m_Tires[0].m_fRadius) << "reset, then scaled once";
}

// Type 0 with suspensions 0 and 1 at 0 and 2, type 1 with suspension 0 at
// 2N; only the first material of all keeps the type's own frictions.
TEST_F(CarData, MaterialsComeInPairsPerTypeAndSuspension)
{
    ASSERT_TRUE(g_Physics.Init());
    NxPhysicsSDK* sdk = g_Physics.GetSDK();
    const NxU32 before = sdk->getNbMaterials();
    const std::unique_ptr<CCar> car = Load(TwoTires("TireTypes 2 Slick Knobbly\n"));
    const CSuspensionTable& table = *car->GetSuspensionTable();
    ASSERT_EQ(8u, table.m_Materials.size());
    EXPECT_EQ(before + 8, sdk->getNbMaterials());
    for (size_t i = 0; i < table.m_Materials.size(); ++i)
        EXPECT_EQ(before + i, table.m_Materials[i]) << "in the order made";
    EXPECT_EQ(0u, table.GetMaterialPosition(0, 0));
    EXPECT_EQ(2u, table.GetMaterialPosition(0, 1));
    EXPECT_EQ(4u, table.GetMaterialPosition(1, 0));
    EXPECT_EQ(table.m_Materials[2], table.GetTireMaterial(0, 1));
    EXPECT_EQ(table.m_Materials[4], table.GetTireMaterial(1, 0));
    EXPECT_EQ(0, table.GetTireMaterial(0, 2)) << "no such suspension";
    EXPECT_EQ(0, table.GetTireMaterial(2, 0)) << "no such type";

    struct Frictions {
        float slide, staticSlide, roll, staticRoll;
    };
    const Frictions slick = {0.5f, 0.6f, 0.7f, 0.9f};
    const Frictions knobbly = {1.0f, 1.0f, 1.0f, 1.0f};
    const Frictions fixed = {0.8f, 1.0f, 1.0f, 2.0f};
    const Frictions expected[] = {slick, fixed, fixed, fixed, knobbly, fixed, fixed, fixed};
    const NxSpringDesc springs[] = {{100, 10, 0.1f}, {200, 0, 0}};
    for (size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        NxMaterial material;
        ASSERT_TRUE(sdk->getMaterialAtIndex(table.m_Materials[i], material));
        EXPECT_EQ(expected[i].slide, material.dynamicFriction);
        EXPECT_EQ(expected[i].staticSlide, material.staticFriction);
        EXPECT_EQ(expected[i].roll, material.dynamicFrictionV);
        EXPECT_EQ(expected[i].staticRoll, material.staticFrictionV);
        EXPECT_EQ(i < 4 ? 0.1f : 0.0f, material.restitution);
        const NxPhysicsSDK::ContactMaterial contact = sdk->combineMaterials(table.m_Materials[i], table.m_Materials[i]);
        ASSERT_TRUE(contact.hasSpring);
        EXPECT_EQ(springs[i / 2 % 2].spring, contact.spring.spring);
        EXPECT_EQ(springs[i / 2 % 2].damper, contact.spring.damper);
        EXPECT_EQ(springs[i / 2 % 2].targetValue, contact.spring.targetValue);
    }
}

TEST_F(CarData, WithoutAnSdkEveryMaterialIsTheDefault)
{
    const std::unique_ptr<CCar> car = Load(TwoTires());
    EXPECT_EQ((std::vector<NxMaterialIndex>{0, 0, 0, 0}), car->GetSuspensionTable()->m_Materials);
}

TEST_F(CarData, ACopySharesTheSuspensionTableAndOwnsTheRest)
{
    CController* driver = &g_LocalController;
    std::unique_ptr<CCar> prototype = Load(TwoTires() + EFFECTS + "NumSeats 1 Seat " + MATRIX +
                                           " Door TestDoor 0 0 0 0 1 0 0 1 0 1 0 0 -1 -1 -1 1 1 1 0 1 30 HullMax 70");
    prototype->m_pController = driver;
    prototype->m_fSteerAngle = 0.3f;
    const std::weak_ptr<CSuspensionTable> table = prototype->m_pSuspensionTable;
    EXPECT_TRUE(prototype->OwnsSuspensionTable());

    auto copy = std::make_unique<CCar>(*prototype);
    EXPECT_EQ(prototype->GetSuspensionTable(), copy->GetSuspensionTable());
    EXPECT_FALSE(copy->OwnsSuspensionTable());
    EXPECT_EQ(nullptr, copy->m_pController);
    EXPECT_TRUE(copy->IsInitialised());
    EXPECT_FALSE(LoadFrom(*copy, HEAD)) << "a copy never loads";
    EXPECT_EQ("TestCar", copy->GetName());
    EXPECT_EQ(70.0f, copy->m_fHull);
    EXPECT_EQ(0.3f, copy->m_fSteerAngle);

    ASSERT_EQ(2u, copy->m_Tires.size());
    EXPECT_NE(prototype->m_Tires.data(), copy->m_Tires.data());
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(&copy->m_Tires[i], copy->m_Tires[i].m_Owner.m_pTire);
        EXPECT_EQ(nullptr, copy->m_Tires[i].m_Owner.m_pCar);
        EXPECT_EQ(prototype->m_Tires[i].m_iDriveType, copy->m_Tires[i].m_iDriveType);
    }
    ASSERT_EQ(1u, copy->m_Seats.size());
    EXPECT_NE(prototype->m_Seats.data(), copy->m_Seats.data());
    ASSERT_EQ(1u, copy->m_Doors.size());
    EXPECT_EQ(30.0f, copy->m_Doors[0].m_fBreakingTorque);
    EXPECT_EQ(&copy->m_Body.GetWorldMatrix(), copy->m_Body.GetExportedWorldMatrix());
    EXPECT_EQ(&copy->m_Body.GetWorldMatrix(), copy->m_CollisionObject.m_pMatrix);
    EXPECT_EQ(&copy->m_Doors[0].m_Mesh.GetWorldMatrix(), copy->m_Doors[0].m_Mesh.GetExportedWorldMatrix());
    for (const CEffect* effect : {&copy->m_SmokingEffect, &copy->m_ExplosionEffect}) {
        ASSERT_EQ(1u, effect->m_ParticleSystems.size());
        EXPECT_EQ(&copy->m_Body.GetWorldMatrix(), effect->m_ParticleSystems[0].m_pRenderFrameMatrix)
            << "its own effects, on its own body";
    }

    // The table lives while any car uses it.
    auto second = std::make_unique<CCar>(*copy);
    copy.reset();
    EXPECT_FALSE(table.expired());
    prototype.reset();
    EXPECT_FALSE(table.expired());
    EXPECT_EQ(2u, second->GetSuspensionTable()->GetCount());
    second.reset();
    EXPECT_TRUE(table.expired());
}

TEST_F(CarData, RepairRestoresHullTimerAndTires)
{
    const std::unique_ptr<CCar> car = Load(TwoTires() + EFFECTS + "HullMax 120");
    for (CEffect* effect : {&car->m_SmokingEffect, &car->m_ExplosionEffect}) {
        effect->Start();
        effect->Update(2.0f);
    }
    car->m_fHull = -5.0f;
    car->m_fExplosionTimer = -1.0f;
    car->m_bNotExploded = false;
    car->m_uActiveTires = 0;
    car->Repair();
    EXPECT_EQ(120.0f, car->m_fHull);
    EXPECT_EQ(CCar::EXPLOSION_DELAY, car->m_fExplosionTimer);
    EXPECT_TRUE(car->m_bNotExploded);
    EXPECT_EQ(2u, car->m_uActiveTires);
    for (const CEffect* effect : {&car->m_SmokingEffect, &car->m_ExplosionEffect}) {
        EXPECT_EQ(0, effect->m_u8Running) << "rewound and idle";
        EXPECT_EQ(0.0f, effect->GetClock());
    }
}

TEST_F(CarData, ResetKeepsTheHullAndBindsTheMatrices)
{
    const std::unique_ptr<CCar> car = Load(TwoTires() + EFFECTS);
    car->m_fHull = 10.0f;
    car->m_fUpsideDownTime = 4.0f;
    car->m_bNotExploded = false;
    car->m_Engine.m_fEngineSpeed = 4000.0f;
    car->m_Engine.m_iGear = 3;
    car->Reset();
    EXPECT_EQ(10.0f, car->m_fHull);
    EXPECT_EQ(0.0f, car->m_fUpsideDownTime);
    EXPECT_TRUE(car->m_bNotExploded);
    EXPECT_EQ(CCarEngine::IDLE_ENGINE_SPEED, car->m_Engine.m_fEngineSpeed);
    EXPECT_EQ(0, car->m_Engine.m_iGear);
    EXPECT_EQ(&car->m_Body.GetWorldMatrix(), car->m_Exhaust.m_pEmitFrameMatrix);
    EXPECT_EQ(&car->m_Body.GetWorldMatrix(), car->m_CollisionObject.m_pDrawMatrix);
    EXPECT_EQ(&car->m_Body.GetWorldMatrix(), car->m_SmokingEffect.m_ParticleSystems[0].m_pRenderFrameMatrix);
    EXPECT_EQ(&car->m_Body.GetWorldMatrix(), car->m_ExplosionEffect.m_ParticleSystems[0].m_pRenderFrameMatrix);
    ExpectMatrixNear(Identity(), car->m_PhysicsObject.m_matInertia);
}

TEST_F(CarData, BoundsComeFromTheBodyWithoutARadius)
{
    const std::unique_ptr<CCar> fitted = Load("");
    ASSERT_NE(nullptr, fitted->m_CollisionObject.m_pRoot);
    EXPECT_EQ(D3DXVECTOR3(-1, -1, -1), fitted->m_CollisionObject.m_pRoot->m_vMin) << "the cube and the half cube";
    EXPECT_EQ(D3DXVECTOR3(1, 1, 1), fitted->m_CollisionObject.m_pRoot->m_vMax);
    EXPECT_FLOAT_EQ(std::sqrt(3.0f), fitted->m_CollisionObject.m_fRadius);

    const std::unique_ptr<CCar> given = Load("OuterCollisionRadius 6");
    EXPECT_EQ(nullptr, given->m_CollisionObject.m_pRoot);
    EXPECT_EQ(6.0f, given->m_CollisionObject.m_fRadius);
}

TEST(CarEngineCurves, AccelerationTopSpeedAndEngineSpeed)
{
    CCarEngine engine;
    EXPECT_EQ(0.0f, engine.GetAcceleration(0.0f)) << "no points";
    EXPECT_EQ(0.0f, engine.GetTopSpeed());
    EXPECT_EQ(CCarEngine::IDLE_ENGINE_SPEED, engine.GetEngineSpeed(12.0f)) << "no segments";

    engine.m_VelToAccel = {{5.0f, 4.0f}};
    EXPECT_EQ(0.0f, engine.GetAcceleration(5.0f)) << "one point";
    EXPECT_EQ(5.0f, engine.GetTopSpeed());

    engine.m_VelToAccel = {{0.0f, 4.0f}, {10.0f, 2.0f}, {30.0f, 1.0f}};
    const struct {
        float speed, acceleration;
    } accelerations[] = {{-1.0f, 0.0f}, {0.0f, 4.0f}, {5.0f, 3.0f}, {10.0f, 2.0f}, {20.0f, 1.5f}, {30.0f, 0.0f},
                         {40.0f, 0.0f}};
    for (const auto& point : accelerations)
        EXPECT_FLOAT_EQ(point.acceleration, engine.GetAcceleration(point.speed)) << point.speed;
    EXPECT_EQ(30.0f, engine.GetTopSpeed());

    engine.m_VelToRPM = {{0.0f, 10.0f, 1000.0f, 3000.0f}, {10.0f, 20.0f, 2000.0f, 4000.0f}};
    const struct {
        float speed, engineSpeed;
    } engineSpeeds[] = {{0.0f, 1000.0f}, {5.0f, 2000.0f}, {10.0f, 2000.0f}, {15.0f, 3000.0f}, {20.0f, 4000.0f},
                        {-3.0f, 4000.0f}};
    for (const auto& point : engineSpeeds)
        EXPECT_FLOAT_EQ(point.engineSpeed, engine.GetEngineSpeed(point.speed)) << point.speed;
}

// A car on a box actor, moving at 10 m/s.
TEST(CarStoppingDistance, IsTheSameForEitherSignOfDeceleration)
{
    ASSERT_TRUE(g_Physics.Init());
    CCar car;
    EXPECT_EQ(0.0f, car.GetForwardSpeed()) << "no actor";
    g_Physics.CreateBoxActor(true, &car.m_PhysicsObject.m_pActor);
    ASSERT_NE(nullptr, car.m_PhysicsObject.m_pActor);
    car.SetSpeed(10.0f);
    EXPECT_FLOAT_EQ(10.0f, car.GetForwardSpeed());
    for (float deceleration : {5.0f, -5.0f}) {
        car.m_fDeceleration = deceleration;
        EXPECT_FLOAT_EQ(10.0f, car.GetStoppingDistance()) << deceleration;
    }
    car.m_fDeceleration = 0.0f;
    EXPECT_EQ(FLT_MAX, car.GetStoppingDistance());

    car.SetSpeed(-4.0f);
    EXPECT_FLOAT_EQ(-4.0f, car.GetForwardSpeed());
    car.m_fDeceleration = 2.0f;
    EXPECT_FLOAT_EQ(4.0f, car.GetStoppingDistance());
    car.Shutdown();
    g_Physics.Shutdown();
}

} // namespace
