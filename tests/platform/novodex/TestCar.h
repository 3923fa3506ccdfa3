#pragma once
// The test car and its ground, for the tyre tests and the car benchmark: a
// 1200 kg box of 1.8 x 1.2 x 4.2 m on four tyre capsules (radius 0.35,
// length 0.5) at (+-0.8, -0.35, +-1.5), pointing down, on a spring of 30000,
// damper 3000, friction 1; a triangle-mesh ground laid out as the terrain
// actor's, 1 m between samples.

#include <cmath>
#include <vector>

#include "platform/novodex/NxPhysics.h"

namespace TestCar {

constexpr NxReal MASS = 1200.0f;
constexpr NxReal SPRING = 30000.0f;
constexpr NxReal DAMPER = 3000.0f;
constexpr NxReal TIRE_RADIUS = 0.35f;
constexpr NxReal TIRE_HEIGHT = 0.5f;
constexpr NxReal TIRE_X = 0.8f;
constexpr NxReal TIRE_Y = -0.35f;
constexpr NxReal TIRE_Z = 1.5f;
constexpr int TIRES = 4;
const NxVec3 HALF_EXTENTS(0.9f, 0.6f, 2.1f);

// The capsule's axis points down.
inline NxMat33 Down()
{
    return NxMat33(NxVec3(-1, 0, 0), NxVec3(0, -1, 0), NxVec3(0, 0, 1));
}

// Tyres 0 and 1 at the front (+z), 2 and 3 at the rear; even ones at +x.
inline NxVec3 TirePosition(int i)
{
    return NxVec3(i % 2 == 0 ? TIRE_X : -TIRE_X, TIRE_Y, i < 2 ? TIRE_Z : -TIRE_Z);
}

inline NxMaterialIndex AddTireMaterial(NxPhysicsSDK& sdk, NxReal spring = SPRING, NxReal damper = DAMPER,
                                       NxReal target = 0.0f)
{
    const NxSpringDesc springDesc(spring, damper, target);
    NxMaterial material;
    material.dynamicFriction = 1.0f;
    material.staticFriction = 1.0f;
    material.spring = &springDesc;
    return sdk.addMaterial(material);
}

inline NxActor* MakeCar(NxScene& scene, const NxVec3& position, NxMaterialIndex tireMaterial)
{
    NxBoxShapeDesc box;
    box.dimensions = HALF_EXTENTS;
    NxCapsuleShapeDesc tires[TIRES];
    NxBodyDesc body;
    body.mass = MASS;
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
    return scene.createActor(desc);
}

// The bumpy ground: 8 cm ridges every 7 m along z.
inline NxReal BumpHeight(NxReal z)
{
    const int bumpEvery = 7;
    const NxReal bump = 0.08f;
    return static_cast<int>(std::lround(z)) % bumpEvery == 0 ? bump : 0.0f;
}

// A static ground of `columns` x `rows` samples from (minX, minZ), whose
// height at (x, z) is `height(x, z)`. The arrays must outlive the actor.
template <class Height>
NxActor* MakeGround(NxPhysicsSDK& sdk, NxScene& scene, std::vector<float>& vertices, std::vector<NxU32>& indices,
                    NxReal minX, NxReal minZ, int columns, int rows, Height height)
{
    vertices.clear();
    indices.clear();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const NxReal x = minX + c;
            const NxReal z = minZ + r;
            vertices.insert(vertices.end(), {x, height(x, z), z});
        }
    }
    const NxU32 row = static_cast<NxU32>(columns);
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            const NxU32 a = r * row + c;
            indices.insert(indices.end(), {a, a + row, a + row + 1, a, a + row + 1, a + 1});
        }
    }
    NxTriangleMeshDesc mesh;
    mesh.numVertices = static_cast<NxU32>(vertices.size() / 3);
    mesh.numTriangles = static_cast<NxU32>(indices.size() / 3);
    mesh.pointStrideBytes = 3 * sizeof(float);
    mesh.triangleStrideBytes = 3 * sizeof(NxU32);
    mesh.points = vertices.data();
    mesh.triangles = indices.data();
    NxTriangleMeshShapeDesc shape;
    shape.meshData = sdk.createTriangleMesh(mesh);
    NxActorDesc desc;
    desc.shapes.push_back(&shape);
    return scene.createActor(desc);
}

} // namespace TestCar
