#pragma once
// The test car on a triangle-mesh ground laid out as the terrain actor's: a
// 1200 kg box of 1.8 x 1.2 x 4.2 m on four tyre capsules (radius 0.35,
// length 0.5) at (+-0.8, -0.35, +-1.5), pointing down, on a spring of
// 30000, damper 3000, friction 1.

#include <cmath>
#include <vector>

#include "platform/novodex/SceneFixture.h"

class CarFixture : public SceneFixture {
protected:
    static constexpr NxReal CAR_MASS = 1200.0f;
    static constexpr NxReal SPRING = 30000.0f;
    static constexpr NxReal DAMPER = 3000.0f;
    static constexpr NxReal TIRE_RADIUS = 0.35f;
    static constexpr NxReal TIRE_HEIGHT = 0.5f;
    static constexpr NxReal TIRE_Y = -0.35f;
    static constexpr NxReal TIRE_X = 0.8f;
    static constexpr NxReal TIRE_Z = 1.5f;
    static constexpr NxReal GRAVITY = 9.8f;
    static constexpr int TIRES = 4;
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
        const int bumpEvery = 7;
        const NxReal bump = 0.08f;
        switch (ground) {
        case FLAT:
            return 0.0f;
        case SIDE_SLOPE:
            return slope * x;
        case BUMPS:
            return static_cast<int>(std::lround(z)) % bumpEvery == 0 ? bump : 0.0f;
        }
        return 0.0f;
    }

    // Rows along z, columns along x, 1 m apart, triangulated as the terrain.
    NxActor* MakeTerrain(Ground ground, NxReal minX = -40.0f, NxReal minZ = -20.0f, int columns = 81, int rows = 141)
    {
        m_Vertices.clear();
        m_Indices.clear();
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const NxReal x = minX + c;
                const NxReal z = minZ + r;
                m_Vertices.insert(m_Vertices.end(), {x, GroundHeight(ground, x, z), z});
            }
        }
        for (int r = 0; r + 1 < rows; ++r) {
            for (int c = 0; c + 1 < columns; ++c) {
                const NxU32 a = r * columns + c;
                const NxU32 x = static_cast<NxU32>(columns);
                m_Indices.insert(m_Indices.end(), {a, a + x, a + x + 1, a, a + x + 1, a + 1});
            }
        }
        NxTriangleMeshDesc mesh;
        mesh.numVertices = static_cast<NxU32>(m_Vertices.size() / 3);
        mesh.numTriangles = static_cast<NxU32>(m_Indices.size() / 3);
        mesh.pointStrideBytes = 3 * sizeof(float);
        mesh.triangleStrideBytes = 3 * sizeof(NxU32);
        mesh.points = m_Vertices.data();
        mesh.triangles = m_Indices.data();
        NxTriangleMeshShapeDesc shape;
        shape.meshData = m_pSDK->createTriangleMesh(mesh);
        NxActorDesc desc;
        desc.shapes.push_back(&shape);
        m_pGround = m_pScene->createActor(desc);
        return m_pGround;
    }

    NxMaterialIndex TireMaterial(NxReal spring = SPRING, NxReal damper = DAMPER, NxReal target = 0.0f)
    {
        const NxSpringDesc springDesc(spring, damper, target);
        NxMaterial material;
        material.dynamicFriction = 1.0f;
        material.staticFriction = 1.0f;
        material.spring = &springDesc;
        return m_pSDK->addMaterial(material);
    }

    // How deep each tyre sinks with the car at rest.
    static NxReal Sag(NxReal spring = SPRING, NxReal target = 0.0f)
    {
        return CAR_MASS * GRAVITY / (TIRES * spring) + target;
    }

    // The actor's height above flat ground with its tyres sunk by `sag`.
    static NxReal RestHeight(NxReal sag) { return -TIRE_Y + 0.5f * TIRE_HEIGHT + TIRE_RADIUS - sag; }

    static NxMat33 Down() { return NxMat33(NxVec3(-1, 0, 0), NxVec3(0, -1, 0), NxVec3(0, 0, 1)); }

    NxActor* MakeCar(const NxVec3& position, NxMaterialIndex tireMaterial)
    {
        NxBoxShapeDesc box;
        box.dimensions = NxVec3(0.9f, 0.6f, 2.1f);
        NxCapsuleShapeDesc tires[TIRES];
        NxBodyDesc body;
        body.mass = CAR_MASS;
        NxActorDesc desc;
        desc.globalPose.t = position;
        desc.body = &body;
        desc.shapes.push_back(&box);
        for (int i = 0; i < TIRES; ++i) {
            tires[i].radius = TIRE_RADIUS;
            tires[i].height = TIRE_HEIGHT;
            tires[i].materialIndex = tireMaterial;
            tires[i].localPose = NxMat34(Down(), TirePosition(i));
            desc.shapes.push_back(&tires[i]);
        }
        return m_pScene->createActor(desc);
    }

    static NxVec3 TirePosition(int i)
    {
        return NxVec3(i % 2 == 0 ? TIRE_X : -TIRE_X, TIRE_Y, i < 2 ? TIRE_Z : -TIRE_Z);
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
