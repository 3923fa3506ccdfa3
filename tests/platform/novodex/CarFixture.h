#pragma once
// The test car on its ground (TestCar.h), flat, sloping 5 % sideways, or with
// 8 cm bumps every 7 m, in the fixture's scene with its contact report.

#include <vector>

#include "platform/novodex/SceneFixture.h"
#include "platform/novodex/TestCar.h"

class CarFixture : public SceneFixture {
protected:
    static constexpr NxReal CAR_MASS = TestCar::MASS;
    static constexpr NxReal TIRE_RADIUS = TestCar::TIRE_RADIUS;
    static constexpr NxReal TIRE_HEIGHT = TestCar::TIRE_HEIGHT;
    static constexpr NxReal TIRE_X = TestCar::TIRE_X;
    static constexpr NxReal TIRE_Y = TestCar::TIRE_Y;
    static constexpr NxReal TIRE_Z = TestCar::TIRE_Z;
    static constexpr int TIRES = TestCar::TIRES;
    static constexpr NxReal GRAVITY = 9.8f;
    // Tyres 0 and 1 at the front (+z), 2 and 3 at the rear.
    static constexpr int REAR_LEFT = 2;

    enum Ground { FLAT, SIDE_SLOPE, BUMPS };

    void SetUp() override
    {
        SceneFixture::SetUp();
        // The game's default material.
        NxMaterial standard;
        standard.dynamicFriction = 0.5f;
        standard.staticFriction = 0.5f;
        standard.restitution = 0.5f;
        m_pSDK->setMaterialAtIndex(0, &standard);
        m_pScene->setActorGroupPairFlags(0, 0, NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_TOUCH);
        m_pScene->setUserContactReport(&m_Report);
    }

    static NxReal GroundHeight(Ground ground, NxReal x, NxReal z)
    {
        const NxReal slope = 0.05f;
        switch (ground) {
        case FLAT:
            return 0.0f;
        case SIDE_SLOPE:
            return slope * x;
        case BUMPS:
            return TestCar::BumpHeight(z);
        }
        return 0.0f;
    }

    NxActor* MakeTerrain(Ground ground, NxReal minX = -40.0f, NxReal minZ = -20.0f, int columns = 81, int rows = 141)
    {
        m_pGround = TestCar::MakeGround(*m_pSDK, *m_pScene, m_Vertices, m_Indices, minX, minZ, columns, rows,
                                        [ground](NxReal x, NxReal z) { return GroundHeight(ground, x, z); });
        return m_pGround;
    }

    NxMaterialIndex TireMaterial(NxReal spring = TestCar::SPRING, NxReal damper = TestCar::DAMPER,
                                 NxReal target = 0.0f)
    {
        return TestCar::AddTireMaterial(*m_pSDK, spring, damper, target);
    }

    // How deep each tyre sinks with the car at rest.
    static NxReal Sag(NxReal spring = TestCar::SPRING, NxReal target = 0.0f)
    {
        return CAR_MASS * GRAVITY / (TIRES * spring) + target;
    }

    // The actor's height above flat ground with its tyres sunk by `sag`.
    static NxReal RestHeight(NxReal sag) { return -TIRE_Y + 0.5f * TIRE_HEIGHT + TIRE_RADIUS - sag; }

    NxActor* MakeCar(const NxVec3& position, NxMaterialIndex tireMaterial)
    {
        return TestCar::MakeCar(*m_pScene, position, tireMaterial);
    }

    // A car already at rest on flat ground.
    NxActor* MakeParkedCar(NxReal x = 0.0f, NxReal z = 0.0f)
    {
        return MakeCar(NxVec3(x, RestHeight(Sag()), z), TireMaterial());
    }

    NxCapsuleShape* Tire(NxActor& car, int i) const { return car.getShapes()[1 + i]->isCapsule(); }

    // One frame, with only its report kept.
    void Frame(NxReal seconds = STEP)
    {
        m_Report.pairs.clear();
        m_pScene->simulate(seconds);
        m_pScene->flushStream();
        m_pScene->fetchResults(NX_RIGID_BODY_FINISHED, true);
    }

    void Frames(NxReal seconds)
    {
        for (NxReal t = 0.0f; t < seconds; t += STEP)
            Frame();
    }

    // The tyre records of this frame in the pair of `car` and `other`.
    std::vector<RecordingReport::Point> TireRecords(const NxActor* car, const NxActor* other) const
    {
        std::vector<RecordingReport::Point> records;
        for (const RecordingReport::Pair& pair : m_Report.pairs) {
            const int side = pair.actors[0] == car ? 0 : 1;
            if (pair.actors[side] != car || pair.actors[1 - side] != other)
                continue;
            for (const RecordingReport::Point& point : pair.points)
                if (point.shapes[side]->isCapsule() != nullptr)
                    records.push_back(point);
        }
        return records;
    }

    RecordingReport m_Report;
    NxActor* m_pGround = nullptr;
    std::vector<float> m_Vertices;
    std::vector<NxU32> m_Indices;
};
