// The shipped sedan (and, where said, every shipped kind) driven by a
// scripted driver on flat ground: the driving table without stepping, then
// whole frames of the physics step, the driving and the update as the level
// runs them.

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "Game/CrimeManager.h"
#include "Physics/PhysicsMath.h"
#include "Sound/RecordingFSound.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FrameTime.h"
#include "support/GamePhysics.h"
#include "support/ScriptedController.h"
#include "support/ShippedScripts.h"

namespace {

enum { GAS = 14, BRAKE = 15, TURN_LEFT = 16, TURN_RIGHT = 17, HORN = 18, HAND_BRAKE = 19 };
const uint32_t FRAME_MILLISECONDS = 16;
const float DT = FRAME_MILLISECONDS / 1000.0f;
const uint32_t SEED = 7;
// The sedan's rest height on its springs: spawned there, it starts settled.
const float REST_HEIGHT = 0.85f;
const int BRAKE_LIGHT_GROUP = 4;
const float TOLERANCE = 1e-4f;
// The game's world pulls down at this many metres per second squared.
const float GRAVITY = 9.8f;

int Frames(float seconds)
{
    return static_cast<int>(std::lround(seconds / DT));
}

// The rotation by `angle` about the vertical axis, in the SDK's columns.
NxMat33 RotationY(float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const NxReal rows[9] = {c, 0.0f, s, 0.0f, 1.0f, 0.0f, -s, 0.0f, c};
    NxMat33 m;
    m.setRowMajor(rows);
    return m;
}

NxMat33 Flip()
{
    const NxReal rows[9] = {-1.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    NxMat33 m;
    m.setRowMajor(rows);
    return m;
}

void ExpectMat(const NxMat33& expected, const NxMat33& actual)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(expected(r, c), actual(r, c), TOLERANCE) << "(" << r << ", " << c << ")";
}

class CarDriving : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        ASSERT_TRUE(StartCarGround(SEED, FRAME_MILLISECONDS));
        g_AssetManager.GetAsset("Sedan", m_pSedan, true);
        ASSERT_NE(nullptr, m_pSedan);
        m_pCar = &Spawn(D3DXVECTOR3(0.0f, REST_HEIGHT, 0.0f));
        m_pCar->m_pController = &m_Driver;
    }
    void TearDown() override
    {
        g_pActiveCamera = nullptr;
        g_PlayerActor = nullptr;
        m_Cars.clear();
        EndCarGround();
        g_CrimeFile = CCrimeManager();
        DisplayFixture::TearDown();
    }

    // A copy of the sedan built at `position`, turned by `matrix` when given.
    CCar& Spawn(const D3DXVECTOR3& position, const D3DXMATRIX* turn = nullptr, size_t tires = 4)
    {
        return Spawn(*m_pSedan, position, turn, tires);
    }
    CCar& Spawn(const CCar& prototype, const D3DXVECTOR3& position, const D3DXMATRIX* turn = nullptr,
                size_t tires = 4)
    {
        m_Cars.push_back(std::make_unique<CCar>(prototype));
        CCar& car = *m_Cars.back();
        car.m_Tires.resize(tires);
        D3DXMatrixIdentity(&car.m_matSpawn);
        if (turn != nullptr)
            car.m_matSpawn = *turn;
        car.m_matSpawn._41 = position.x;
        car.m_matSpawn._42 = position.y;
        car.m_matSpawn._43 = position.z;
        car.CreatePhysics();
        return car;
    }
    // Driving only: the speed set, no step.
    void Drive(float speed)
    {
        m_pCar->SetSpeed(speed);
        m_pCar->UpdateDriving();
    }
    // The level's frame for every car.
    void Run(int frames, const std::function<void(int)>& perFrame = nullptr)
    {
        for (int frame = 0; frame < frames; ++frame) {
            g_Physics.Update();
            for (auto& car : m_Cars) {
                car->UpdateDriving();
                car->Update();
            }
            if (perFrame)
                perFrame(frame);
        }
    }
    // A copy of the shipped kind `name`, dropped onto its tyres well away
    // from the sedan at the origin, with the ground all round.
    CCar& SpawnKind(const char* name)
    {
        CCar* prototype = nullptr;
        g_AssetManager.GetAsset(name, prototype, true);
        return Spawn(*prototype, D3DXVECTOR3(-40.0f, REST_HEIGHT + 0.2f, -40.0f));
    }
    NxActor& Actor() const { return *m_pCar->m_PhysicsObject.m_pActor; }
    float Speed() const { return m_pCar->GetForwardSpeed(); }
    int CountCrimes(int type) const
    {
        const auto& events = g_CrimeFile.GetPendingEvents();
        return static_cast<int>(std::count_if(events.begin(), events.end(),
                                              [type](const CCrimeRecord& r) { return r.m_iType == type; }));
    }
    bool BrakeLightsLit() const { return BrakeLightsLit(*m_pCar); }
    static bool BrakeLightsLit(const CCar& car)
    {
        bool lit = false;
        for (const CDisplayObject3D& part : car.m_Body.GetOpaqueParts()) {
            if (part.GetColourGroup() != BRAKE_LIGHT_GROUP)
                continue;
            lit = part.UsesOverrideMaterial() && part.GetOverrideMaterial().Diffuse.r == 1.0f &&
                  part.GetOverrideMaterial().Diffuse.g == 0.0f && part.GetOverrideMaterial().Power == 1.0f;
        }
        return lit;
    }

    RecordingFSound m_Fmod;
    CCar* m_pSedan = nullptr;
    std::vector<std::unique_ptr<CCar>> m_Cars;
    CCar* m_pCar = nullptr;
    ScriptedController m_Driver;
};

struct DrivingCase {
    const char* name;
    bool driver;
    std::vector<int> held;
    float speed;
    float acceleration;
    bool alongVelocity;
};

TEST_F(CarDriving, TheDriversActionsGiveTheDrive)
{
    const CCarEngine& engine = m_pSedan->m_Engine;
    const float top = engine.GetTopSpeed();
    const float deceleration = m_pSedan->m_fDeceleration;
    const float reverse = m_pSedan->m_fMaxSpeedReverse;
    const DrivingCase cases[] = {
        {"no driver forward", false, {}, 10.0f, -1.0f, true},
        {"no driver backward", false, {}, -10.0f, 1.0f, false},
        {"gas at the top speed", true, {GAS}, top, 0.0f, false},
        {"gas on the curve", true, {GAS}, 5.0f, engine.GetAcceleration(5.0f), false},
        {"gas rolling backward", true, {GAS}, -5.0f, engine.GetAcceleration(-5.0f), false},
        {"brake standing", true, {BRAKE}, 0.0f, -deceleration, true},
        {"brake backward", true, {BRAKE}, -3.0f, -deceleration, false},
        {"brake beyond reverse", true, {BRAKE}, -reverse - 1.0f, 0.0f, false},
        {"coasting", true, {}, 4.0f, -0.4f, true},
        {"coasting backward", true, {}, -4.0f, 0.4f, false},
        {"hand brake slow", true, {HAND_BRAKE}, 0.4f, -0.04f, true},
        {"hand brake forward", true, {HAND_BRAKE}, 5.0f, -2.0f * deceleration, true},
        {"hand brake backward", true, {HAND_BRAKE}, -5.0f, 2.0f * deceleration, false},
        {"hand brake over gas", true, {GAS, HAND_BRAKE}, 5.0f, -2.0f * deceleration, true},
    };
    for (const DrivingCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_pCar->m_pController = c.driver ? &m_Driver : nullptr;
        m_Driver.ClearActions();
        for (int action : c.held)
            m_Driver.Hold(action);
        Drive(c.speed);
        EXPECT_NEAR(c.acceleration, m_pCar->m_fDriveAcceleration, TOLERANCE);
        EXPECT_EQ(c.alongVelocity, m_pCar->m_bAlongVelocity);
        const bool braking = c.held.size() == 1 && c.held[0] == BRAKE && c.speed >= 0.0f;
        EXPECT_EQ(braking, BrakeLightsLit());
    }
}

TEST_F(CarDriving, HandBrakeCounterSteersTheRearCapsulesByHalf)
{
    const float steer = 0.4f;
    m_pCar->m_fSteerAngle = steer;
    m_Driver.Hold(HAND_BRAKE);
    m_Driver.Hold(TURN_RIGHT);
    Drive(5.0f);
    for (size_t rear : {2u, 3u})
        ExpectMat(RotationY(-0.5f * steer) * Flip(), m_pCar->m_Tires[rear].m_pShape->getLocalOrientation());

    m_Driver.Release(HAND_BRAKE);
    Drive(5.0f);
    for (size_t rear : {2u, 3u})
        ExpectMat(Flip(), m_pCar->m_Tires[rear].m_pShape->getLocalOrientation());

    // A two-tyre car has no rear pair to turn.
    CCar& twoTires = Spawn(D3DXVECTOR3(10.0f, REST_HEIGHT, 0.0f), nullptr, 2);
    twoTires.m_pController = &m_Driver;
    twoTires.m_fSteerAngle = steer;
    m_Driver.Hold(HAND_BRAKE);
    twoTires.UpdateDriving();
    EXPECT_EQ(2u, twoTires.m_uActiveTires);
}

TEST_F(CarDriving, SteeringAccumulatesRestartsSnapsAndClamps)
{
    const float delta = m_pSedan->m_fSteerAngleDelta;
    const float max = m_pSedan->m_fSteerAngleMax;
    m_Driver.Hold(TURN_RIGHT);
    Drive(0.0f);
    EXPECT_NEAR(DT * delta, m_pCar->m_fSteerAngle, TOLERANCE);
    for (int i = 0; i < Frames(2.0f * max / delta); ++i)
        Drive(0.0f);
    EXPECT_FLOAT_EQ(max, m_pCar->m_fSteerAngle);

    // The steering capsules: first and third columns turned, the middle kept.
    const float a = m_pCar->m_fSteerAngle;
    for (const CTire& tire : m_pCar->m_Tires) {
        if (tire.m_iDriveType != CTire::DRIVE_STEERS && tire.m_iDriveType != CTire::DRIVE_STEERS_DRIVEN)
            continue;
        const NxReal rows[9] = {std::cos(a), 0.0f, std::sin(a), 0.0f, -1.0f, 0.0f, -std::sin(a), 0.0f, std::cos(a)};
        NxMat33 expected;
        expected.setRowMajor(rows);
        ExpectMat(expected, tire.m_pShape->getLocalOrientation());
        D3DXMATRIX steer;
        D3DXMatrixRotationY(&steer, a);
        EXPECT_NEAR(steer._13, tire.m_matSteer._13, TOLERANCE);
        EXPECT_NEAR(steer._11, tire.m_matSteer._11, TOLERANCE);
    }

    m_Driver.ClearActions();
    m_Driver.Hold(TURN_LEFT);
    Drive(0.0f);
    EXPECT_NEAR(max - DT * delta, m_pCar->m_fSteerAngle, TOLERANCE);
    m_pCar->m_fSteerAngle = -0.3f;
    m_Driver.Hold(TURN_RIGHT);
    Drive(0.0f);
    EXPECT_NEAR(DT * delta, m_pCar->m_fSteerAngle, TOLERANCE) << "both held: from straight, to the right";
    m_Driver.ClearActions();
    Drive(0.0f);
    EXPECT_EQ(0.0f, m_pCar->m_fSteerAngle);

    // Physics off: nothing changes.
    g_Physics.SetEnabled(false);
    m_Driver.Hold(TURN_RIGHT);
    m_Driver.Hold(GAS);
    m_pCar->m_fDriveAcceleration = 42.0f;
    Drive(3.0f);
    EXPECT_EQ(0.0f, m_pCar->m_fSteerAngle);
    EXPECT_EQ(42.0f, m_pCar->m_fDriveAcceleration);
    g_Physics.SetEnabled(true);
}

TEST_F(CarDriving, ACarWithoutPhysicsDrivesNothingAndUpdatesNothing)
{
    CCar unbuilt(*m_pSedan);
    unbuilt.m_pController = &m_Driver;
    m_Driver.Hold(GAS);
    m_Driver.Hold(HORN);
    unbuilt.m_fHull = -1.0f;
    unbuilt.UpdateDriving();
    unbuilt.Update();
    EXPECT_TRUE(unbuilt.m_bNotExploded);
    EXPECT_FLOAT_EQ(m_pSedan->m_Engine.GetAcceleration(0.0f), unbuilt.m_fDriveAcceleration);
}

// A driver whose agent has its police controller active, or not.
class AgentController : public ScriptedController {
public:
    CAIControllerSet* GetAgent() const override { return m_pAgent; }
    CAIControllerSet* m_pAgent = nullptr;
};

// Something that keeps the damage it takes; without an actor it stands still.
class DamageRecorder : public CCollidableObject {
public:
    bool TakeDamage(const CDamageInfo& damage, NxContactPair*) override
    {
        m_Damage.push_back(damage);
        return true;
    }
    std::vector<CDamageInfo> m_Damage;
};

TEST_F(CarDriving, ContactsDamageWhatTheCarHitsFast)
{
    NxContactPair pair;
    DamageRecorder wall;
    EXPECT_FALSE(m_pCar->OnContact(nullptr, &pair));
    m_pCar->SetSpeed(10.0f);
    ASSERT_TRUE(m_pCar->OnContact(&wall, &pair));
    ASSERT_EQ(1u, wall.m_Damage.size());
    EXPECT_NEAR(DT * 10.0f * 3.0f, wall.m_Damage[0].m_fImpactDamage, TOLERANCE);
    EXPECT_EQ(m_pCar, wall.m_Damage[0].m_pSource);

    // Level objects take no impact damage from cars.
    wall.m_u8Kind = CCollidableObject::KIND_LEVEL_OBJECT;
    m_pCar->OnContact(&wall, &pair);
    EXPECT_EQ(0.0f, wall.m_Damage.back().m_fImpactDamage);

    // Two slow cars touching.
    CCar& other = Spawn(D3DXVECTOR3(10.0f, REST_HEIGHT, 0.0f));
    m_pCar->SetSpeed(4.0f);
    other.SetSpeed(-0.5f);
    EXPECT_TRUE(m_pCar->OnContact(&other, &pair));
    EXPECT_TRUE(other.OnContact(m_pCar, &pair));
    EXPECT_EQ(CCar::DEFAULT_HULL, m_pCar->m_fHull);
    EXPECT_EQ(CCar::DEFAULT_HULL, other.m_fHull);
}

TEST_F(CarDriving, AProjectileThatEmptiesTheHullReportsTheExplosionOnce)
{
    m_pCar->m_fHull = 5.0f;
    CDamageInfo hit;
    hit.m_u8Kind = CDamageInfo::KIND_PROJECTILE;
    hit.m_fDamage = 6.0f;
    EXPECT_TRUE(m_pCar->TakeDamage(hit, nullptr));
    EXPECT_FLOAT_EQ(-1.0f, m_pCar->m_fHull);
    EXPECT_EQ(1, CountCrimes(CRIME_CAR_EXPLOSION));
    m_pCar->TakeDamage(hit, nullptr);
    EXPECT_EQ(1, CountCrimes(CRIME_CAR_EXPLOSION));
    EXPECT_FLOAT_EQ(-7.0f, m_pCar->m_fHull);
}

TEST_F(CarDriving, DirectHitsAlarmTheDriverOrReportTheShotPoliceCar)
{
    CGameActor attacker;
    attacker.m_Model.m_matScaledObject._41 = 3.0f;
    attacker.m_Model.m_matScaledObject._42 = 1.0f;
    attacker.m_Model.m_matScaledObject._43 = -4.0f;
    CProjectile bullet;
    bullet.m_pOwner = &attacker;
    CDamageInfo hit;
    hit.m_bDirectHit = true;
    hit.m_u8Kind = CDamageInfo::KIND_PROJECTILE;
    hit.m_pSource = &bullet;

    m_pCar->TakeDamage(hit, nullptr);
    EXPECT_EQ(D3DXVECTOR3(3.0f, 1.0f, -4.0f), m_Driver.m_AlarmPoint);
    EXPECT_GE(m_Driver.GetDelay(), 5.0f);
    EXPECT_LE(m_Driver.GetDelay(), 8.0f);
    EXPECT_EQ(0, CountCrimes(CRIME_SHOOT_POLICE_CAR));

    // A police driver reports it while the attacker is wanted below 2.
    CAIControllerSet police;
    police.UsePoliceController();
    AgentController officer;
    officer.m_pAgent = &police;
    m_pCar->m_pController = &officer;
    attacker.m_fWantedLevel = 1.9f;
    m_pCar->TakeDamage(hit, nullptr);
    EXPECT_EQ(1, CountCrimes(CRIME_SHOOT_POLICE_CAR));
    EXPECT_EQ(&attacker, g_CrimeFile.GetPendingEvents().back().m_pOffender);
    EXPECT_EQ(0.0f, officer.GetDelay());
    attacker.m_fWantedLevel = 2.0f;
    m_pCar->TakeDamage(hit, nullptr);
    EXPECT_EQ(1, CountCrimes(CRIME_SHOOT_POLICE_CAR));

    // Police shooting is no alarm; nor is a hit that no actor owns.
    attacker.m_fWantedLevel = 0.0f;
    attacker.m_pController = &officer;
    m_pCar->m_pController = &m_Driver;
    m_Driver.m_AlarmPoint = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_Driver.SetDelay(0.0f);
    m_pCar->TakeDamage(hit, nullptr);
    bullet.m_pOwner = nullptr;
    m_pCar->TakeDamage(hit, nullptr);
    EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 0.0f), m_Driver.m_AlarmPoint);
    EXPECT_EQ(0.0f, m_Driver.GetDelay());
    EXPECT_EQ(1, CountCrimes(CRIME_SHOOT_POLICE_CAR));
}

TEST_F(CarDriving, AGasTankHitExplodesTheCarOnTheNextUpdate)
{
    CDamageInfo hit;
    hit.m_bDirectHit = true;
    hit.m_fDamage = 1.0f;
    hit.m_pHitShape = m_pCar->m_GasTanks[0].m_pShape;
    m_pCar->TakeDamage(hit, nullptr);
    ASSERT_EQ(1, CountCrimes(CRIME_CAR_EXPLOSION));
    EXPECT_EQ(nullptr, g_CrimeFile.GetPendingEvents().back().m_pOffender);
    EXPECT_LT(m_pCar->m_fHull, 0.0f);
    EXPECT_TRUE(m_pCar->m_bNotExploded);

    // This frame's tyre records name the capsules the explosion frees.
    for (const CTire& tire : m_pCar->m_Tires)
        m_pCar->m_TireContacts.push_back({&Actor(), tire.m_pShape, D3DXVECTOR3(0.0f, 0.0f, 0.0f)});
    m_pCar->Update();
    EXPECT_FALSE(m_pCar->m_bNotExploded);
    EXPECT_TRUE(m_pCar->m_bBurnt);
    EXPECT_TRUE(m_pCar->m_TireContacts.empty());
    EXPECT_EQ(0u, m_pCar->m_uActiveTires);
    for (const CTire& tire : m_pCar->m_Tires)
        EXPECT_EQ(nullptr, tire.m_pShape);
    EXPECT_EQ(CCar::DEFAULT_RECYCLE_DISTANCE, m_pCar->m_fRecycleDistance) << "a driver's agent's, not the car's";

    // Every later update: the driver's agent is recycled soon, or the car.
    CAIControllerSet agent;
    AgentController driver;
    driver.m_pAgent = &agent;
    m_pCar->m_pController = &driver;
    m_pCar->Update();
    EXPECT_EQ(CAIControllerSet::EXPLODED_VIEW_RANGE, agent.m_fViewRange);
    m_pCar->m_pController = nullptr;
    m_pCar->Update();
    EXPECT_EQ(10.0f, m_pCar->m_fRecycleDistance);
}

TEST_F(CarDriving, ThePlayerBurnsInACarDeepUnderWater)
{
    CGameActor player;
    g_PlayerActor = &player;
    CDamageInfo water;
    water.m_bWater = true;
    const struct {
        const char* name;
        bool inCar;
        float waterLevel;
        bool hurt;
    } cases[] = {
        {"deep", true, REST_HEIGHT + 3.5f, true},
        {"shallow", true, REST_HEIGHT + 2.5f, false},
        {"not in this car", false, REST_HEIGHT + 3.5f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        player.m_pCar = c.inCar ? m_pCar : nullptr;
        player.m_bHurt = false;
        water.m_fWaterLevel = c.waterLevel;
        EXPECT_TRUE(m_pCar->TakeDamage(water, nullptr));
        EXPECT_EQ(c.hurt, player.m_bHurt);
    }
}

TEST_F(CarDriving, UpsideDownTimeCountsOnlyNearlyUpsideDown)
{
    const struct {
        float degrees;
        bool counts;
    } cases[] = {{0.0f, false}, {50.0f, false}, {140.0f, true}, {180.0f, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        D3DXMATRIX tilt;
        D3DXMatrixRotationZ(&tilt, D3DXToRadian(c.degrees));
        Actor().setGlobalOrientation(ToNxOrientation(tilt));
        m_pCar->m_fUpsideDownTime = 0.0f;
        m_pCar->Update();
        m_pCar->Update();
        EXPECT_NEAR(c.counts ? 2.0f * DT : 0.0f, m_pCar->m_fUpsideDownTime, TOLERANCE);
    }
}

TEST_F(CarDriving, AirborneTheCentreOfMassFollowsTheKineticEnergy)
{
    const D3DXVECTOR3 script = m_pCar->m_vScriptCenterOfMass;
    const struct {
        float energy;
        NxVec3 target;
    } cases[] = {{300.0f, NxVec3(0.0f, 0.0f, 0.0f)}, {100.0f, NxVec3(script.x, 1.1f * script.y, script.z)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.energy);
        for (int frame = 0; frame < Frames(30.0f); ++frame) {
            Actor().setLinearVelocity(NxVec3(0.0f, std::sqrt(2.0f * c.energy / Actor().getMass()), 0.0f));
            m_pCar->Update();
        }
        EXPECT_NEAR(c.energy, Actor().computeKineticEnergy(), 1.0f);
        const NxVec3 offset = Actor().getCMassLocalPosition();
        EXPECT_NEAR(c.target.x, offset.x, 1e-3f);
        EXPECT_NEAR(c.target.y, offset.y, 1e-3f);
        EXPECT_NEAR(c.target.z, offset.z, 1e-3f);
    }
}

TEST_F(CarDriving, FarUnseenOldRecyclableCarsAreRemoved)
{
    CCamera camera;
    const struct {
        const char* name;
        bool camera;
        bool recyclable;
        float distance;
        float offScreen;
        float inWorld;
        bool removed;
    } cases[] = {
        {"all", true, true, 900.0f, 2.5f, 11.0f, true},
        {"no camera", false, true, 900.0f, 2.5f, 11.0f, false},
        {"kept", true, false, 900.0f, 2.5f, 11.0f, false},
        {"near", true, true, 800.0f, 2.5f, 11.0f, false},
        {"seen lately", true, true, 900.0f, 1.5f, 11.0f, false},
        {"new", true, true, 900.0f, 2.5f, 9.0f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        camera.SetPosition(D3DXVECTOR3(0.0f, REST_HEIGHT, c.distance));
        g_pActiveCamera = c.camera ? &camera : nullptr;
        m_pCar->m_bRecyclable = c.recyclable;
        m_pCar->m_fOffScreenTime = c.offScreen;
        m_pCar->m_fTimeInWorld = c.inWorld;
        m_pCar->m_bInWorld = true;
        m_pCar->m_bRemoved = false;
        m_pCar->Update();
        EXPECT_EQ(c.removed, m_pCar->m_bRemoved);
    }
}

TEST_F(CarDriving, EngineFrequencyFollowsTheSpeedAndTheHornTheButton)
{
    const float speed = 15.0f;
    m_pCar->SetSpeed(speed);
    m_Fmod.TakeCalls();
    m_pCar->Update();
    const int channel = m_pCar->m_Engine.m_Sound.GetChannel();
    const int frequency = SFX3D::EngineFrequency(m_pSedan->m_Engine.GetEngineSpeed(speed));
    const std::vector<std::string> calls = m_Fmod.TakeCalls();
    const std::string expected = "SetFrequency(" + std::to_string(channel) + "," + std::to_string(frequency) + ")";
    EXPECT_NE(calls.end(), std::find(calls.begin(), calls.end(), expected));
    EXPECT_FLOAT_EQ(m_pSedan->m_Engine.GetEngineSpeed(speed), m_pCar->m_Engine.m_fEngineSpeed);

    m_Driver.Hold(HORN);
    m_pCar->UpdateDriving();
    m_pCar->UpdateDriving();
    EXPECT_TRUE(m_pCar->m_bHornPlaying);
    EXPECT_EQ(1, m_Fmod.TakeCallCount("PlaySoundEx"));
    m_Driver.Release(HORN);
    m_pCar->UpdateDriving();
    EXPECT_FALSE(m_pCar->m_bHornPlaying);
    EXPECT_EQ(1, m_Fmod.TakeCallCount("StopSound"));
}

TEST_F(CarDriving, HornAndBrakeLightsStopWhenTheDriverLeavesOrThePhysicsGoes)
{
    struct Case {
        const char* what;
        std::function<void(CCar&)> lose;
    };
    const Case cases[] = {
        {"the driver gets out", [](CCar& car) {
             car.m_pController = nullptr;
             car.UpdateDriving();
         }},
        {"the physics is released", [](CCar& car) { car.ReleasePhysics(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCar& car = Spawn(D3DXVECTOR3(10.0f, REST_HEIGHT, 0.0f));
        car.m_pController = &m_Driver;
        m_Driver.Hold(HORN);
        m_Driver.Hold(BRAKE);
        m_Fmod.TakeCalls();
        car.UpdateDriving();
        ASSERT_TRUE(car.m_bHornPlaying);
        ASSERT_TRUE(BrakeLightsLit(car));
        const std::string stopHorn = "StopSound(" + std::to_string(car.m_Horn.GetChannel()) + ")";
        c.lose(car);
        EXPECT_FALSE(car.m_bHornPlaying);
        const std::vector<std::string> calls = m_Fmod.TakeCalls();
        EXPECT_NE(calls.end(), std::find(calls.begin(), calls.end(), stopHorn));
        EXPECT_FALSE(BrakeLightsLit(car));
        m_Driver.Release(HORN);
        m_Driver.Release(BRAKE);
    }
}

// The same car through whole frames of the physics step.
class PhysicsCarDrive : public CarDriving {
protected:
    // The heading about the vertical axis, growing as the car turns right.
    float Heading() const
    {
        const NxVec3 forward = Actor().getGlobalOrientation().getColumn(2);
        return std::atan2(forward.x, forward.z);
    }
};

TEST_F(PhysicsCarDrive, SettlesAtItsRideHeightWithTheWheelsOnTheGround)
{
    Run(Frames(2.0f));
    const CTire& tire = m_pCar->m_Tires[0];
    const NxSpringDesc& spring = m_pCar->GetSuspensionTable()->m_Springs.at(0);
    const float weightPerTire = Actor().getMass() * GRAVITY / m_pCar->m_Tires.size();
    const float reach = tire.m_fSuspensionLength * 0.5f + tire.m_fSuspensionRadius - tire.m_vMountPosition.y;
    EXPECT_NEAR(reach - weightPerTire / spring.spring, Actor().getGlobalPosition().y, 0.01f);
    for (const CTire& wheel : m_pCar->m_Tires)
        EXPECT_NEAR(wheel.m_fRadius, wheel.m_Wheel.GetWorldMatrix()._42, 0.02f);
}

TEST_F(PhysicsCarDrive, GasAcceleratesAlongTheCurveUpToTheTopSpeed)
{
    const CCarEngine& engine = m_pSedan->m_Engine;
    const int drivenTires = 2;
    Run(Frames(0.5f));
    m_Driver.Hold(GAS);
    float expected = 0.0f;
    // The physics runs faster than the frames by its time scale.
    const float simulated = DT * g_Physics.GetTimeScale();
    Run(Frames(1.0f / g_Physics.GetTimeScale()),
        [&](int) { expected += drivenTires * engine.GetAcceleration(expected) * simulated; });
    EXPECT_NEAR(expected, Speed(), 0.1f * expected);

    // Near the top speed, from the ground's far edge.
    const float top = engine.GetTopSpeed();
    CCar& fast = Spawn(D3DXVECTOR3(20.0f, REST_HEIGHT, -90.0f));
    fast.m_pController = &m_Driver;
    Run(Frames(0.5f));
    fast.SetSpeed(top - 1.0f);
    float fastest = 0.0f;
    Run(Frames(4.0f), [&](int) { fastest = std::max(fastest, fast.GetForwardSpeed()); });
    EXPECT_LE(fastest, 1.02f * top);
    EXPECT_GE(fast.GetForwardSpeed(), top - 1.0f);
}

TEST_F(PhysicsCarDrive, TurningRightFollowsTheSteeringGeometry)
{
    // A gentle turn, within the tyres' grip at this speed.
    m_pCar->m_fSteerAngleMax = 0.2f;
    Run(Frames(0.5f));
    m_pCar->SetSpeed(8.0f);
    m_Driver.Hold(TURN_RIGHT);
    Run(Frames(0.6f));
    const float before = Heading();
    const NxVec3 start = Actor().getGlobalPosition();
    float travelled = 0.0f;
    NxVec3 last = start;
    Run(Frames(0.5f), [&](int) {
        travelled += (Actor().getGlobalPosition() - last).magnitude();
        last = Actor().getGlobalPosition();
    });
    const float turned = Heading() - before;
    EXPECT_GT(turned, 0.0f) << "to the right";
    const float wheelbase = m_pCar->m_Tires[0].m_vMountPosition.z - m_pCar->m_Tires[2].m_vMountPosition.z;
    const float curvature = std::tan(m_pCar->m_fSteerAngleMax) / wheelbase;
    EXPECT_NEAR(curvature, turned / travelled, 0.2f * curvature);
}

TEST_F(PhysicsCarDrive, BrakeStopsThenReversesNoFasterThanItsLimit)
{
    Run(Frames(0.5f));
    m_pCar->SetSpeed(15.0f);
    m_Driver.Hold(BRAKE);
    bool stopped = false;
    float slowest = 0.0f;
    Run(Frames(7.0f), [&](int) {
        stopped = stopped || Speed() <= 0.0f;
        slowest = std::min(slowest, Speed());
    });
    const float reverse = m_pSedan->m_fMaxSpeedReverse;
    // The brake lets go in the frame after the limit is passed.
    const int drivenTires = 2;
    const float lastFrame = drivenTires * m_pSedan->m_fDeceleration * DT * g_Physics.GetTimeScale();
    EXPECT_TRUE(stopped);
    EXPECT_GE(slowest, -reverse - lastFrame);
    EXPECT_NEAR(-reverse, Speed(), 0.05f * reverse);
}

TEST_F(PhysicsCarDrive, OnItsRoofItLosesItsHullThenExplodesOnce)
{
    D3DXMATRIX roof;
    D3DXMatrixRotationZ(&roof, D3DX_PI);
    CCar& car = Spawn(D3DXVECTOR3(0.0f, 0.7f, 0.0f), &roof);
    m_Cars.erase(m_Cars.begin());
    m_pCar = &car;
    car.m_pController = &m_Driver;
    m_Driver.Hold(HORN);
    const float grace = 5.0f;
    const float rate = 200.0f;
    float burningSince = -1.0f;
    float explodedAt = -1.0f;
    int explosions = 0;
    int jumps = 0;
    float lastVertical = 0.0f;
    Run(Frames(grace + car.m_fHull / rate + CCar::EXPLOSION_DELAY + 1.0f), [&](int frame) {
        const float t = (frame + 1) * DT;
        if (t <= grace - DT) {
            EXPECT_EQ(CCar::DEFAULT_HULL, car.m_fHull) << t;
        }
        if (burningSince < 0.0f && car.m_fHull < 0.0f)
            burningSince = t;
        if (!car.m_bNotExploded && explodedAt < 0.0f) {
            explodedAt = t;
            ++explosions;
            EXPECT_FALSE(car.m_bHornPlaying);
            m_Driver.Release(HORN);
        }
        const float vertical = Actor().getLinearVelocity().y;
        jumps += vertical - lastVertical > 10.0f ? 1 : 0;
        lastVertical = vertical;
        if (explodedAt >= 0.0f) {
            EXPECT_TRUE(car.m_TireContacts.empty());
            EXPECT_EQ(0u, car.m_uActiveTires);
        }
    });
    ASSERT_GT(burningSince, 0.0f);
    EXPECT_NEAR(grace + CCar::DEFAULT_HULL / rate, burningSince, 3.0f * DT);
    ASSERT_GT(explodedAt, 0.0f);
    EXPECT_NEAR(burningSince + CCar::EXPLOSION_DELAY, explodedAt, 2.0f * DT);
    EXPECT_EQ(1, explosions);
    EXPECT_EQ(1, jumps);
    EXPECT_TRUE(car.m_bBurnt);
    for (const CTire& tire : car.m_Tires)
        EXPECT_EQ(nullptr, tire.m_pShape);
    // The brake lights keep their own material while a driver sits in it.
    for (const CDisplayObject3D& part : car.m_Body.GetOpaqueParts()) {
        if (part.GetColourGroup() == BRAKE_LIGHT_GROUP)
            continue;
        EXPECT_TRUE(part.UsesOverrideMaterial());
        EXPECT_FLOAT_EQ(0.095f, part.GetOverrideMaterial().Emissive.r);
    }
    for (const CDoor& door : car.m_Doors)
        for (NxJoint* joint : door.m_pJoints) {
            if (joint == nullptr)
                continue;
            NxReal force = 0.0f;
            NxReal torque = 0.0f;
            joint->getBreakable(force, torque);
            EXPECT_EQ(CDoor::EXPLOSION_BREAKING_FORCE, force);
            EXPECT_EQ(CDoor::EXPLOSION_BREAKING_TORQUE, torque);
        }
    EXPECT_FALSE(car.m_bHornPlaying);
    EXPECT_EQ(CCar::DEFAULT_RECYCLE_DISTANCE, car.m_fRecycleDistance);
}

// The doors' hinges, every one of them, still holding.
int HoldingHinges(const CCar& car)
{
    int holding = 0;
    for (const CDoor& door : car.m_Doors)
        for (const NxJoint* joint : door.m_pJoints)
            holding += joint != nullptr && joint->getState() == NX_JS_SIMULATING ? 1 : 0;
    return holding;
}

// Moving as though driven up to `velocity`: its doors move with it, where
// SetSpeed would leave them for the hinges to drag along.
void Launch(CCar& car, const NxVec3& velocity)
{
    car.m_PhysicsObject.m_pActor->setLinearVelocity(velocity);
    for (CDoor& door : car.m_Doors)
        door.m_PhysicsObject.m_pActor->setLinearVelocity(velocity);
}

TEST_F(PhysicsCarDrive, ADropOntoItsTyresKeepsTheDoorsOnTheirHinges)
{
    struct Case {
        const char* what;
        float height;
        float speed;
    };
    const Case cases[] = {{"spawned at 1.5 m", 1.5f, 0.0f},
                          {"1.5 m above its rest", REST_HEIGHT + 1.5f, 0.0f},
                          {"off a 1.5 m ledge at 15 m/s", REST_HEIGHT + 1.5f, 15.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCar& dropped = Spawn(D3DXVECTOR3(10.0f, c.height, -40.0f));
        Launch(dropped, NxVec3(0.0f, 0.0f, c.speed));
        const int hinges = HoldingHinges(dropped);
        ASSERT_EQ(4, hinges);
        Run(Frames(2.0f));
        EXPECT_NEAR(REST_HEIGHT, dropped.m_PhysicsObject.m_pActor->getGlobalPosition().y, 0.05f) << "landed";
        EXPECT_EQ(hinges, HoldingHinges(dropped));
        dropped.ReleasePhysics();
    }
}

// A second sedan drives square into a parked one's left door.
TEST_F(PhysicsCarDrive, RammedSideOnAtSpeedTheStruckDoorTearsOffANudgeTearsNothing)
{
    struct Case {
        const char* what;
        float speed;
        bool tears;
    };
    const Case cases[] = {{"a nudge at 5 m/s", 5.0f, false}, {"a crash at 20 m/s", 20.0f, true}};
    D3DXMATRIX east;
    D3DXMatrixRotationY(&east, D3DX_PI * 0.5f);
    float z = 20.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCar& parked = Spawn(D3DXVECTOR3(0.0f, REST_HEIGHT, z));
        const CDoor& struck = parked.m_Doors[0];
        const float doorMiddle = (struck.m_vBoxMin.z + struck.m_vBoxMax.z) * 0.5f;
        CCar& rammer = Spawn(D3DXVECTOR3(-6.0f, REST_HEIGHT, z + doorMiddle), &east);
        Run(Frames(0.5f));
        Launch(rammer, NxVec3(c.speed, 0.0f, 0.0f));
        Run(Frames(1.0f));
        if (c.tears) {
            EXPECT_EQ(NX_JS_BROKEN, struck.m_pJoints[0]->getState());
            EXPECT_EQ(NX_JS_BROKEN, struck.m_pJoints[1]->getState());
        } else {
            EXPECT_EQ(4, HoldingHinges(parked));
            EXPECT_EQ(4, HoldingHinges(rammer));
        }
        z += 20.0f;
    }
}

// Rolled onto its left side in the air, it lands on the left door. Shut in
// its frame, the door takes the blow on its hinges: the weaker one tears.
TEST_F(PhysicsCarDrive, LandingOnItsSideTearsTheDoorUnderneathLoose)
{
    D3DXMATRIX leftSideDown;
    D3DXMatrixRotationZ(&leftSideDown, -D3DX_PI * 0.5f);
    CCar& rolled = Spawn(D3DXVECTOR3(10.0f, 6.0f, 0.0f), &leftSideDown);
    Run(Frames(3.0f));
    const CDoor& under = rolled.m_Doors[0];
    const CDoor& over = rolled.m_Doors[1];
    EXPECT_EQ(NX_JS_BROKEN, under.m_pJoints[1]->getState());
    EXPECT_EQ(NX_JS_SIMULATING, over.m_pJoints[0]->getState());
    EXPECT_EQ(NX_JS_SIMULATING, over.m_pJoints[1]->getState());
}

// How far the door's box lies outside the frame it was made in, in car
// space: 0 for a door that is shut.
float DoorOutOfFrame(const CCar& car, const CDoor& door)
{
    const NxMat34 inCar = car.m_PhysicsObject.m_pActor->getGlobalPose().getInverseRT() *
                          door.m_PhysicsObject.m_pActor->getGlobalPose();
    float worst = 0.0f;
    for (int corner = 0; corner < 8; ++corner) {
        const NxVec3 local((corner & 1) != 0 ? door.m_vBoxMax.x : door.m_vBoxMin.x,
                           (corner & 2) != 0 ? door.m_vBoxMax.y : door.m_vBoxMin.y,
                           (corner & 4) != 0 ? door.m_vBoxMax.z : door.m_vBoxMin.z);
        worst = std::max(worst, (inCar * local - local).magnitude());
    }
    return worst;
}

// Every kind flung round a bend and braked to a halt, one after another: the
// doors rattle in their frames but never swing out of them.
TEST_F(PhysicsCarDrive, EveryKindsDoorsStayShutThroughABendAndAtRest)
{
    // A door may rattle this far at its free edge.
    const float rattle = 0.05f;
    for (const char* name : SHIPPED_CARS) {
        SCOPED_TRACE(name);
        CCar& car = SpawnKind(name);
        car.m_pController = &m_Driver;
        float worst = 0.0f;
        const auto watch = [&](int) {
            for (const CDoor& door : car.m_Doors)
                worst = std::max(worst, DoorOutOfFrame(car, door));
        };
        m_Driver.Hold(GAS);
        m_Driver.Hold(TURN_LEFT);
        Run(Frames(3.0f), watch);
        m_Driver.Release(GAS);
        m_Driver.Release(TURN_LEFT);
        m_Driver.Hold(BRAKE);
        Run(Frames(3.0f), watch);
        m_Driver.Release(BRAKE);
        car.m_pController = nullptr;
        Run(Frames(1.0f), watch);
        EXPECT_LT(worst, rattle);
        EXPECT_EQ(4, HoldingHinges(car));
        car.ReleasePhysics();
    }
}

// A shot from behind and one from the side, low at the tail, strike the gas
// tank first: nothing of the car stands in the way.
TEST_F(PhysicsCarDrive, EveryKindsGasTankIsWithinAShotsReach)
{
    for (const char* name : SHIPPED_CARS) {
        SCOPED_TRACE(name);
        CCar& car = SpawnKind(name);
        Run(Frames(1.0f));
        ASSERT_EQ(1u, car.m_GasTanks.size());
        const CGasTankShape& tank = car.m_GasTanks[0];
        ASSERT_NE(nullptr, tank.m_pShape);
        const NxMat34 pose = car.m_PhysicsObject.m_pActor->getGlobalPose();
        // Aimed at the tank's middle height, at its rear end.
        const NxVec3 aim = pose * NxVec3(0.0f, (tank.m_vMin.y + tank.m_vMax.y) * 0.5f, tank.m_vMin.z + 0.02f);
        const NxVec3 behind = pose.M * NxVec3(0.0f, 0.0f, -1.0f);
        const NxVec3 left = pose.M * NxVec3(-1.0f, 0.0f, 0.0f);
        for (const NxVec3& from : {behind, left}) {
            NxRaycastHit hit;
            const NxShape* struck = g_Physics.GetScene()->raycastClosestShape(
                NxRay(aim + from * 5.0f, -from), NX_ALL_SHAPES, hit, 0xFFFFFFFF, NX_MAX_F32);
            EXPECT_EQ(tank.m_pShape, struck) << (from == behind ? "from behind" : "from the side");
        }
        car.ReleasePhysics();
    }
}

} // namespace
