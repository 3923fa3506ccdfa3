// Tyre capsules: a capsule on a spring material rides on rays, not as
// geometry of its body.

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "platform/novodex/CarFixture.h"

namespace {

const NxReal MILLIMETRE = 0.001f;

NxReal Heading(const NxActor& car)
{
    const NxVec3 forward = car.getGlobalOrientation().getColumn(2);
    return std::atan2(forward.x, forward.z);
}

NxReal Determinant(const NxMat33& m)
{
    return m.getColumn(0).dot(m.getColumn(1).cross(m.getColumn(2)));
}

} // namespace

using PhysicsTire = CarFixture;

TEST_F(PhysicsTire, TheCarSettlesWhereEachTyreCarriesAQuarterOfItsWeight)
{
    MakeTerrain(FLAT);
    NxActor* car = MakeCar(NxVec3(0, RestHeight(Sag()) + 0.05f, 0), TireMaterial());
    ASSERT_NE(nullptr, car);
    Frames(2.0f);

    const std::vector<RecordingReport::Point> records = TireRecords(car, m_pGround);
    ASSERT_EQ(4u, records.size());
    for (const RecordingReport::Point& record : records) {
        EXPECT_NEAR(-Sag(), record.separation, MILLIMETRE);
        EXPECT_NEAR(1.0f, record.normal.y, 1e-5f);
    }
    NxReal lowest = NX_MAX_REAL;
    NxReal highest = -NX_MAX_REAL;
    for (int frame = 0; frame < 60; ++frame) {
        Frame();
        lowest = std::min(lowest, car->getGlobalPosition().y);
        highest = std::max(highest, car->getGlobalPosition().y);
    }
    EXPECT_LT(highest - lowest, 0.1f * MILLIMETRE);
    EXPECT_NEAR(RestHeight(Sag()), car->getGlobalPosition().y, MILLIMETRE);
}

TEST_F(PhysicsTire, StiffAndSoftSpringsAndDampersHoldTheirOwnSag)
{
    MakeTerrain(FLAT);
    const NxReal springs[] = {1e4f, 3e5f, 3e7f};
    const NxReal dampers[] = {0.0f, 3e3f, 3e5f};
    struct Parked {
        NxActor* car;
        NxReal spring;
        NxReal damper;
    };
    std::vector<Parked> cars;
    NxReal x = -30.0f;
    for (NxReal spring : springs) {
        for (NxReal damper : dampers) {
            NxActor* car = MakeCar(NxVec3(x, RestHeight(Sag(spring)), 0), TireMaterial(spring, damper));
            ASSERT_NE(nullptr, car);
            cars.push_back({car, spring, damper});
            x += 6.0f;
        }
    }
    Frames(2.0f);
    for (const Parked& parked : cars) {
        SCOPED_TRACE(parked.spring);
        SCOPED_TRACE(parked.damper);
        const NxVec3 position = parked.car->getGlobalPosition();
        ASSERT_TRUE(position.isFinite());
        EXPECT_NEAR(RestHeight(Sag(parked.spring)), position.y, MILLIMETRE);
        EXPECT_LT(parked.car->getLinearVelocity().magnitude(), 0.01f);
    }
}

TEST_F(PhysicsTire, ACarParkedOnASideSlopeStays)
{
    MakeTerrain(SIDE_SLOPE);
    NxMat34 pose;
    const NxReal tilt = std::atan(0.05f);
    pose.M = NxMat33(NxVec3(std::cos(tilt), std::sin(tilt), 0), NxVec3(-std::sin(tilt), std::cos(tilt), 0),
                     NxVec3(0, 0, 1));
    pose.t = pose.M * NxVec3(0, RestHeight(Sag()), 0);
    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    car->setGlobalPose(pose);
    Frames(2.0f);

    const NxVec3 start = car->getGlobalPosition();
    const NxReal heading = Heading(*car);
    Frames(5.0f);
    EXPECT_LT(car->getGlobalPosition().distance(start), 2.0f * MILLIMETRE);
    EXPECT_NEAR(heading, Heading(*car), 1e-4f);
    EXPECT_EQ(4u, TireRecords(car, m_pGround).size());
}

// Over bumps that put a tyre's ray across several triangles, each touching
// tyre still gives one record a frame.
TEST_F(PhysicsTire, EachTouchingTyreGivesOneRecordAFrame)
{
    MakeTerrain(BUMPS);
    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    car->setLinearVelocity(NxVec3(0, 0, 4.0f));
    for (int frame = 0; frame < 180; ++frame) {
        Frame();
        const std::vector<RecordingReport::Point> records = TireRecords(car, m_pGround);
        std::vector<const NxShape*> tires;
        for (const RecordingReport::Point& record : records)
            tires.push_back(record.shapes[0] == m_pGround->getShapes()[0] ? record.shapes[1] : record.shapes[0]);
        std::sort(tires.begin(), tires.end());
        EXPECT_EQ(tires.end(), std::unique(tires.begin(), tires.end()));
        EXPECT_EQ(4u, tires.size());
    }
    EXPECT_GT(car->getGlobalPosition().z, 7.0f);
}

TEST_F(PhysicsTire, ATyreOnADynamicBoxPressesItDown)
{
    MakeTerrain(FLAT);
    // The box sits on springs of its own, so the tyre's load shows as depth.
    const NxSpringDesc boxSpring(1e5f, 2e3f, 0.0f);
    NxMaterial springy;
    springy.dynamicFriction = 0.5f;
    springy.spring = &boxSpring;
    NxBoxShapeDesc boxShape;
    boxShape.dimensions = NxVec3(0.5f, 0.1f, 0.5f);
    boxShape.materialIndex = m_pSDK->addMaterial(springy);
    NxBodyDesc body;
    body.mass = 10.0f;
    body.flags |= NX_BF_FROZEN_ROT;
    NxActorDesc desc;
    desc.globalPose.t = NxVec3(TIRE_X, 0.1f, TIRE_Z);
    desc.body = &body;
    desc.shapes.push_back(&boxShape);
    NxActor* box = m_pScene->createActor(desc);
    ASSERT_NE(nullptr, box);
    Frames(1.0f);
    const NxReal unloaded = box->getGlobalPosition().y;

    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    Frame();
    ASSERT_EQ(1u, TireRecords(car, box).size());
    EXPECT_EQ(3u, TireRecords(car, m_pGround).size());
    auto events = [&]() -> NxU32 {
        for (const RecordingReport::Pair& pair : m_Report.pairs)
            if ((pair.actors[0] == car && pair.actors[1] == box) || (pair.actors[0] == box && pair.actors[1] == car))
                return pair.events;
        return 0;
    };
    EXPECT_EQ(NxU32(NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_TOUCH), events());
    const RecordingReport::Point onBox = TireRecords(car, box)[0];
    EXPECT_EQ(Tire(*car, 0), onBox.shapes[onBox.shapes[0]->isCapsule() != nullptr ? 0 : 1]);
    Frames(1.0f);
    EXPECT_EQ(NxU32(NX_NOTIFY_ON_TOUCH), events());
    EXPECT_LT(box->getGlobalPosition().y, unloaded - 2.0f * MILLIMETRE);
}

// Under three tyres: a box that does not respond, a water box and the car's
// own door; each tyre rides on the ground below.
TEST_F(PhysicsTire, NoTyreRidesOnWaterOnWhatDoesNotRespondOrOnItsDoor)
{
    MakeTerrain(FLAT);
    const NxVec3 slab(0.3f, 0.1f, 0.3f);
    NxActor* ghost = MakeBox(TestCar::TirePosition(0) + NxVec3(0, 0.1f - TIRE_Y, 0), slab, 0.0f, NX_AF_DISABLE_RESPONSE);
    NxActor* water = MakeBox(TestCar::TirePosition(1) + NxVec3(0, 0.1f - TIRE_Y, 0), slab);
    ASSERT_NE(nullptr, ghost);
    ASSERT_NE(nullptr, water);
    const NxCollisionGroup waterGroup = 31;
    water->getShapes()[0]->setGroup(waterGroup);

    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    const NxVec3 doorPosition = TestCar::TirePosition(2) + NxVec3(0, 0.1f - TIRE_Y, 0);
    NxActor* door = MakeBox(doorPosition, slab, 1.0f);
    ASSERT_NE(nullptr, door);
    ASSERT_TRUE(door->updateMassFromShapes(0.0f, 1.0f));
    NxRevoluteJointDesc hinge;
    hinge.actor[0] = door;
    hinge.actor[1] = car;
    hinge.localAnchor[1] = doorPosition - car->getGlobalPosition();
    ASSERT_NE(nullptr, m_pScene->createJoint(hinge));

    Frames(2.0f);
    EXPECT_NEAR(RestHeight(Sag()), car->getGlobalPosition().y, MILLIMETRE);
    EXPECT_EQ(4u, TireRecords(car, m_pGround).size());
    EXPECT_TRUE(TireRecords(car, ghost).empty());
    EXPECT_TRUE(TireRecords(car, water).empty());
    EXPECT_TRUE(TireRecords(car, door).empty());
}

// The game releases a car's tyres from within the contact report when it
// explodes: the records of that frame stay readable, and none follow.
TEST_F(PhysicsTire, TyresReleasedDuringTheReportAreReadToItsEnd)
{
    class ReleasingReport : public NxUserContactReport {
    public:
        void onContactNotify(NxContactPair& pair, NxU32) override
        {
            for (NxActor* actor : pair.actors)
                for (NxU32 i = 0; i < actor->getNbShapes(); ++i)
                    if (actor->getShapes()[i]->isCapsule() != nullptr)
                        actor->releaseShape(*actor->getShapes()[i]);
            NxContactStreamIterator it(pair.stream);
            while (it.goNextPair()) {
                passedOver += (it.getShapeFlags() & NX_SF_IS_INVALID) != 0 ? 1 : 0;
                while (it.goNextPatch())
                    while (it.goNextPoint())
                        depth += it.getSeparation();
            }
        }
        int passedOver = 0;
        NxReal depth = 0.0f;
    };
    MakeTerrain(FLAT);
    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    ReleasingReport releasing;
    m_pScene->setUserContactReport(&releasing);
    Frame();
    EXPECT_EQ(4, releasing.passedOver);
    EXPECT_NEAR(-4.0f * Sag(), releasing.depth, 4.0f * MILLIMETRE);
    EXPECT_EQ(1u, car->getNbShapes());

    m_pScene->setUserContactReport(&m_Report);
    Frame();
    EXPECT_TRUE(TireRecords(car, m_pGround).empty());
}

TEST_F(PhysicsTire, TheDriveAtTheRearRecordsReachesItsSpeedStraight)
{
    MakeTerrain(FLAT);
    NxActor* car = MakeParkedCar(0.0f, -15.0f);
    ASSERT_NE(nullptr, car);
    const NxReal driveAcceleration = 2.0f;
    for (NxReal t = 0.0f; t < 5.0f; t += STEP) {
        Frame();
        for (const RecordingReport::Point& record : TireRecords(car, m_pGround)) {
            const int side = record.shapes[0]->isCapsule() != nullptr ? 0 : 1;
            NxShape* tire = record.shapes[side];
            if (tire != Tire(*car, REAR_LEFT) && tire != Tire(*car, REAR_LEFT + 1))
                continue;
            const NxVec3 forward = tire->getGlobalOrientation().getColumn(2);
            car->addForceAtPos(forward * (driveAcceleration * CAR_MASS), record.position);
        }
    }
    const NxReal expected = 2.0f * driveAcceleration * 5.0f;
    EXPECT_NEAR(expected, car->getLinearVelocity().magnitude(), 0.01f * expected);
    EXPECT_LT(std::fabs(car->getGlobalPosition().x), 0.05f);
}

TEST_F(PhysicsTire, SteeredFrontTyresTurnTheCarOnItsWheelbase)
{
    MakeTerrain(FLAT);
    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    const NxReal angle = 0.3f;
    for (int i = 0; i < 2; ++i) {
        NxCapsuleShape* tire = Tire(*car, i);
        NxMat33 steer = tire->getLocalOrientation();
        steer.setColumn(0, NxVec3(std::cos(angle), 0, -std::sin(angle)));
        steer.setColumn(2, NxVec3(std::sin(angle), 0, std::cos(angle)));
        tire->setLocalOrientation(steer);
        EXPECT_EQ(steer, tire->getLocalOrientation());
        EXPECT_NEAR(-1.0f, Determinant(tire->getLocalOrientation()), 1e-6f);
    }
    car->setLinearVelocity(NxVec3(0, 0, 5.0f));
    Frames(1.0f);

    NxReal turned = 0.0f;
    NxReal travelled = 0.0f;
    NxReal heading = Heading(*car);
    NxVec3 position = car->getGlobalPosition();
    for (int frame = 0; frame < 60; ++frame) {
        Frame();
        NxReal change = Heading(*car) - heading;
        change = std::remainder(change, 2.0f * 3.14159265f);
        turned += change;
        travelled += car->getGlobalPosition().distance(position);
        heading = Heading(*car);
        position = car->getGlobalPosition();
    }
    const NxReal expected = std::tan(angle) / (2.0f * TIRE_Z);
    EXPECT_NEAR(expected, std::fabs(turned) / travelled, 0.15f * expected);

    const NxVec3 global = Tire(*car, 0)->getGlobalOrientation().getColumn(2);
    const NxVec3 wanted = car->getGlobalOrientation() * NxVec3(std::sin(angle), 0, std::cos(angle));
    EXPECT_NEAR(0.0f, global.distance(wanted), 1e-5f);
}

TEST_F(PhysicsTire, LongerCapsulesLiftTheCarAndNoneDropIt)
{
    MakeTerrain(FLAT);
    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    Frames(0.5f);
    const NxReal rest = car->getGlobalPosition().y;
    const NxReal longer = 0.7f;
    for (int i = 0; i < TIRES; ++i)
        Tire(*car, i)->setHeight(longer);
    NxReal fastest = 0.0f;
    for (NxReal t = 0.0f; t < 2.0f; t += STEP) {
        Frame();
        fastest = std::max(fastest, std::fabs(car->getLinearVelocity().y));
    }
    EXPECT_NEAR(rest + 0.5f * (longer - TIRE_HEIGHT), car->getGlobalPosition().y, MILLIMETRE);
    EXPECT_LT(fastest, 0.5f);
    EXPECT_FLOAT_EQ(longer, Tire(*car, 0)->getHeight());

    for (int i = TIRES - 1; i >= 0; --i)
        car->releaseShape(*Tire(*car, i));
    ASSERT_EQ(1u, car->getNbShapes());
    Frame();
    EXPECT_TRUE(TireRecords(car, m_pGround).empty());
    Frames(2.0f);
    EXPECT_NEAR(0.6f, car->getGlobalPosition().y, 0.02f);
}

TEST_F(PhysicsTire, ATyreIsAShapeThatRaysAndBodiesPass)
{
    MakeTerrain(FLAT);
    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    int link = 0;
    NxCapsuleShape* tire = Tire(*car, 0);
    tire->userData = &link;
    tire->setGroup(5);
    EXPECT_EQ(5u, car->getNbShapes());
    EXPECT_EQ(NX_SHAPE_CAPSULE, tire->getType());
    EXPECT_TRUE(tire->isVirtual());
    EXPECT_NEAR(TIRE_Z, tire->getGlobalPosition().z, 1e-5f);

    // Sideways under the body, through the tyre's lower end: a real
    // capsule is met there, a tyre is not.
    NxActor* realCar = MakeCar(NxVec3(0, RestHeight(0.0f), 10.0f), 0);
    ASSERT_NE(nullptr, realCar);
    EXPECT_FALSE(Tire(*realCar, 0)->isVirtual());
    const NxVec3 under(0, -0.4f, 0);
    const NxVec3 beside(3.0f, 0, 0);
    const NxVec3 left(-1.0f, 0, 0);
    NxRaycastHit hit;
    EXPECT_EQ(nullptr, m_pScene->raycastClosestShape(NxRay(tire->getGlobalPosition() + under + beside, left),
                                                     NX_ALL_SHAPES, hit));
    NxShape* real = Tire(*realCar, 0);
    EXPECT_EQ(real, m_pScene->raycastClosestShape(NxRay(real->getGlobalPosition() + under + beside, left),
                                                  NX_ALL_SHAPES, hit));
    // A real capsule resized gets new geometry: the ray meets it further out.
    const NxReal before = hit.distance;
    Tire(*realCar, 0)->setRadius(0.45f);
    EXPECT_EQ(real, m_pScene->raycastClosestShape(NxRay(real->getGlobalPosition() + under + beside, left),
                                                  NX_ALL_SHAPES, hit));
    EXPECT_LT(hit.distance, before - 0.05f);

    // On a static actor a spring capsule is inert.
    NxActor* wall = MakeBox(NxVec3(0, 0.5f, -10.0f), NxVec3(0.5f, 0.5f, 0.5f));
    ASSERT_NE(nullptr, wall);
    NxCapsuleShapeDesc inert;
    inert.materialIndex = TireMaterial();
    inert.localPose.t = NxVec3(0, 2.0f, 0);
    NxShape* post = wall->createShape(inert);
    ASSERT_NE(nullptr, post);
    EXPECT_TRUE(post->isVirtual());
    EXPECT_EQ(nullptr, m_pScene->raycastClosestShape(NxRay(post->getGlobalPosition() + beside, left),
                                                     NX_ALL_SHAPES, hit));

    Frames(0.5f);
    EXPECT_EQ(&link, tire->userData);
    EXPECT_EQ(5u, tire->getGroup());
}

// Virtual capsules weigh what real ones at the same place would.
TEST_F(PhysicsTire, TyresCountInTheMassByTheirVolumeAndPlace)
{
    const NxVec3 far(0.0f, -3.0f, 2.0f);
    NxVec3 centres[2];
    const NxMaterialIndex materials[2] = {0, TireMaterial()};
    for (int i = 0; i < 2; ++i) {
        NxActor* actor = MakeBox(NxVec3(5.0f * i, 10.0f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
        ASSERT_NE(nullptr, actor);
        NxCapsuleShapeDesc capsule;
        capsule.localPose = NxMat34(TestCar::Down(), far);
        capsule.materialIndex = materials[i];
        ASSERT_NE(nullptr, actor->createShape(capsule));
        ASSERT_TRUE(actor->updateMassFromShapes(0.0f, 10.0f));
        centres[i] = actor->getCMassLocalPosition();
    }
    EXPECT_LT(centres[0].y, -0.5f);
    EXPECT_NEAR(0.0f, centres[0].distance(centres[1]), 1e-5f);
}
