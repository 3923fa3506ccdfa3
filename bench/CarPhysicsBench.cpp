// 50 cars (1200 kg boxes on four tyre capsules) driving on a terrain mesh
// with 8 cm bumps every 7 m, as the game drives them: the rear tyres' contact
// records push each frame. "CarPhysics/Frame" times 600 whole frames
// (simulate, contact report, drive); its "car frame" counter is one car's
// share of one frame and "speed" the cars' mean speed at the end (m/s).
// "CarPhysics/TireStep" times the tyre step alone on the same cars under way;
// its "car step" counter is one car's share of one step.

#include <cmath>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "../tests/platform/novodex/TestCar.h"
#include "platform/novodex/NxPhysics.h"
#include "platform/novodex/TireSolver.h"

namespace {

const int CARS = 50;
const int FRAMES = 600;
const float CAR_SPACING = 4.0f;
const float STEP = 1.0f / 60.0f;
const int MAX_SUBSTEPS = 4;
const float GRAVITY = 9.8f;

// Per rear record: two of them give the car 2 m/s^2, 20 m/s after 10 s.
const float DRIVE_ACCELERATION = 1.0f;

const float GROUND_MIN_X = -110.0f;
const float GROUND_MIN_Z = -10.0f;
const int GROUND_COLUMNS = 221;
const int GROUND_ROWS = 141;

// Finds each car's rear tyres in the report and drives the car there.
class DrivingReport : public NxUserContactReport {
public:
    void onContactNotify(NxContactPair& pair, NxU32) override
    {
        NxContactStreamIterator it(pair.stream);
        while (it.goNextPair()) {
            const int side = it.getShape(0)->isCapsule() != nullptr ? 0 : 1;
            NxShape* tire = it.getShape(side);
            if (tire->isCapsule() == nullptr || tire->getLocalPosition().z > 0.0f)
                continue;
            const NxVec3 forward = tire->getGlobalOrientation().getColumn(2);
            NxActor* car = pair.actors[side];
            while (it.goNextPatch())
                while (it.goNextPoint())
                    car->addForceAtPos(forward * (DRIVE_ACCELERATION * TestCar::MASS), it.getPoint());
        }
    }
};

class CarWorld {
public:
    CarWorld() : m_pSDK(NxCreatePhysicsSDK(NX_PHYSICS_SDK_VERSION))
    {
        NxMaterial standard;
        standard.dynamicFriction = 0.5f;
        standard.staticFriction = 0.5f;
        standard.restitution = 0.5f;
        m_pSDK->setMaterialAtIndex(0, &standard);
        m_TireMaterial = TestCar::AddTireMaterial(*m_pSDK);

        NxSceneDesc sceneDesc;
        sceneDesc.gravity = NxVec3(0.0f, -GRAVITY, 0.0f);
        m_pScene = m_pSDK->createScene(sceneDesc);
        m_pScene->setActorGroupPairFlags(0, 0, NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_TOUCH);
        m_pScene->setUserContactReport(&m_Report);
        m_pScene->setTiming(STEP, MAX_SUBSTEPS, NX_TIMESTEP_FIXED);
        TestCar::MakeGround(*m_pSDK, *m_pScene, m_Vertices, m_Indices, GROUND_MIN_X, GROUND_MIN_Z, GROUND_COLUMNS,
                            GROUND_ROWS, [](NxReal, NxReal z) { return TestCar::BumpHeight(z); });
        for (int i = 0; i < CARS; ++i) {
            const NxVec3 start((i - 0.5f * CARS) * CAR_SPACING, 1.0f, 0.0f);
            m_Cars.push_back(TestCar::MakeCar(*m_pScene, start, m_TireMaterial));
        }
    }
    ~CarWorld() { m_pSDK->release(); }

    void Frame()
    {
        m_pScene->simulate(STEP);
        m_pScene->flushStream();
        m_pScene->fetchResults(NX_RIGID_BODY_FINISHED, true);
    }

    NxReal MeanSpeed() const
    {
        NxReal sum = 0.0f;
        for (const NxActor* car : m_Cars)
            sum += car->getLinearVelocity().magnitude();
        return sum / m_Cars.size();
    }

    // One tyre step with the cars' velocities put back afterwards, so that
    // it can be repeated on the same state.
    void TireStep()
    {
        TireSolver& tires = static_cast<TireWorld&>(m_pScene->getWorld()).getTires();
        for (size_t i = 0; i < m_Cars.size(); ++i) {
            m_Velocities[i] = m_Cars[i]->getRigidBody().getLinearVelocity();
            m_Spins[i] = m_Cars[i]->getRigidBody().getAngularVelocity();
        }
        tires.step(STEP);
        for (size_t i = 0; i < m_Cars.size(); ++i) {
            m_Cars[i]->getRigidBody().setLinearVelocity(m_Velocities[i]);
            m_Cars[i]->getRigidBody().setAngularVelocity(m_Spins[i]);
        }
    }

private:
    NxPhysicsSDK* m_pSDK;
    NxScene* m_pScene = nullptr;
    NxMaterialIndex m_TireMaterial = 0;
    DrivingReport m_Report;
    std::vector<float> m_Vertices;
    std::vector<NxU32> m_Indices;
    std::vector<NxActor*> m_Cars;
    btVector3 m_Velocities[CARS];
    btVector3 m_Spins[CARS];
};

void CarPhysicsFrame(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<CarWorld>();
        state.ResumeTiming();
        for (int frame = 0; frame < FRAMES; ++frame)
            world->Frame();
        state.PauseTiming();
        state.counters["speed"] = world->MeanSpeed();
        world.reset();
        state.ResumeTiming();
    }
    state.counters["car frame"] = benchmark::Counter(FRAMES * CARS, benchmark::Counter::kIsIterationInvariantRate |
                                                                         benchmark::Counter::kInvert);
}

void CarPhysicsTireStep(benchmark::State& state)
{
    CarWorld world;
    // Under way over the bumps, at about 12 m/s.
    const int framesUnderWay = 360;
    for (int frame = 0; frame < framesUnderWay; ++frame)
        world.Frame();
    for (auto _ : state)
        world.TireStep();
    state.counters["car step"] =
        benchmark::Counter(CARS, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(CarPhysicsFrame)->Name("CarPhysics/Frame")->Unit(benchmark::kMillisecond);
BENCHMARK(CarPhysicsTireStep)->Name("CarPhysics/TireStep")->Unit(benchmark::kMicrosecond);
