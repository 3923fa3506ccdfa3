#include "platform/novodex/NxTriangleMesh.h"

#include <cmath>
#include <cstring>
#include <limits>

#include <BulletCollision/CollisionShapes/btBvhTriangleMeshShape.h>
#include <BulletCollision/CollisionShapes/btTriangleIndexVertexArray.h>

namespace {

enum {
    FLOATS_PER_VERTEX = 3,
    INDICES_PER_TRIANGLE = 3,
};

// Bullet counts vertices and triangles in ints.
const NxU32 MAX_COUNT = static_cast<NxU32>(std::numeric_limits<int>::max() / INDICES_PER_TRIANGLE);

NxU32 IndexBytes(const NxTriangleMeshDesc& desc)
{
    return (desc.flags & NX_MF_16_BIT_INDICES) ? sizeof(NxU16) : sizeof(NxU32);
}

NxU32 ReadIndex(const NxTriangleMeshDesc& desc, NxU32 triangle, NxU32 corner)
{
    const auto* bytes = static_cast<const unsigned char*>(desc.triangles) +
                        static_cast<size_t>(triangle) * desc.triangleStrideBytes;
    if (desc.flags & NX_MF_16_BIT_INDICES) {
        NxU16 index;
        std::memcpy(&index, bytes + corner * sizeof(NxU16), sizeof(index));
        return index;
    }
    NxU32 index;
    std::memcpy(&index, bytes + corner * sizeof(NxU32), sizeof(index));
    return index;
}

} // namespace

bool NxTriangleMeshDesc::isValid() const
{
    if (numVertices < INDICES_PER_TRIANGLE || numTriangles == 0)
        return false;
    if (numVertices > MAX_COUNT || numTriangles > MAX_COUNT)
        return false;
    if (points == nullptr || triangles == nullptr)
        return false;
    return pointStrideBytes >= FLOATS_PER_VERTEX * sizeof(float) &&
           triangleStrideBytes >= INDICES_PER_TRIANGLE * IndexBytes(*this);
}

NxTriangleMesh::~NxTriangleMesh() = default;

std::unique_ptr<NxTriangleMesh> NxTriangleMesh::cook(const NxTriangleMeshDesc& desc)
{
    if (!desc.isValid())
        return nullptr;

    std::unique_ptr<NxTriangleMesh> mesh(new NxTriangleMesh());
    mesh->m_Vertices.resize(static_cast<size_t>(desc.numVertices) * FLOATS_PER_VERTEX);
    for (NxU32 v = 0; v < desc.numVertices; ++v) {
        const auto* bytes = static_cast<const unsigned char*>(desc.points) +
                            static_cast<size_t>(v) * desc.pointStrideBytes;
        float* vertex = &mesh->m_Vertices[static_cast<size_t>(v) * FLOATS_PER_VERTEX];
        std::memcpy(vertex, bytes, FLOATS_PER_VERTEX * sizeof(float));
        if (!std::isfinite(vertex[0]) || !std::isfinite(vertex[1]) || !std::isfinite(vertex[2]))
            return nullptr;
    }

    mesh->m_Indices.resize(static_cast<size_t>(desc.numTriangles) * INDICES_PER_TRIANGLE);
    for (NxU32 t = 0; t < desc.numTriangles; ++t) {
        for (NxU32 corner = 0; corner < INDICES_PER_TRIANGLE; ++corner) {
            const NxU32 index = ReadIndex(desc, t, corner);
            if (index >= desc.numVertices)
                return nullptr;
            mesh->m_Indices[static_cast<size_t>(t) * INDICES_PER_TRIANGLE + corner] = static_cast<int>(index);
        }
    }

    if (std::isfinite(desc.heightFieldVerticalExtent)) {
        mesh->m_HeightFieldAxis = desc.heightFieldVerticalAxis;
        mesh->m_HeightFieldExtent = desc.heightFieldVerticalExtent;
    }
    mesh->m_pVertexArray = std::make_unique<btTriangleIndexVertexArray>(
        static_cast<int>(desc.numTriangles), mesh->m_Indices.data(), INDICES_PER_TRIANGLE * sizeof(int),
        static_cast<int>(desc.numVertices), mesh->m_Vertices.data(), FLOATS_PER_VERTEX * sizeof(float));
    mesh->m_pCookedShape = std::make_unique<btBvhTriangleMeshShape>(mesh->m_pVertexArray.get(), true, true);
    return mesh;
}
