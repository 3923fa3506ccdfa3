#pragma once
// A triangle mesh cooked by the SDK from vertex and index lists: the SDK
// keeps its own copy, so the caller's arrays may go once it is made.

#include <memory>
#include <vector>

#include "platform/novodex/NxSimpleTypes.h"

class btTriangleIndexVertexArray;
class btBvhTriangleMeshShape;

// The axis a height-field mesh's heights run along.
enum NxHeightFieldAxis {
    NX_X = 0,
    NX_Y = 1,
    NX_Z = 2,
    NX_NOT_HEIGHTFIELD = 0xff,
};

enum NxMeshFlags {
    // Three 16-bit indices per triangle instead of three 32-bit ones.
    NX_MF_16_BIT_INDICES = 1 << 1,
};

class NxTriangleMeshDesc {
public:
    NxU32 numVertices = 0;
    NxU32 numTriangles = 0;
    NxU32 pointStrideBytes = 0;
    NxU32 triangleStrideBytes = 0;
    // Three floats per vertex.
    const void* points = nullptr;
    const void* triangles = nullptr;
    NxU32 flags = 0;
    // A height field is solid below its surface, down to the extent (a
    // negative depth) along its vertical axis; only NX_Y is simulated so.
    NxHeightFieldAxis heightFieldVerticalAxis = NX_NOT_HEIGHTFIELD;
    NxReal heightFieldVerticalExtent = 0.0f;
    NxReal convexEdgeThreshold = 0.001f;

    // Counts, strides and arrays present; the indices are checked when cooked.
    bool isValid() const;
};

class NxTriangleMesh {
public:
    ~NxTriangleMesh();
    NxTriangleMesh(const NxTriangleMesh&) = delete;
    NxTriangleMesh& operator=(const NxTriangleMesh&) = delete;

    // Null when the descriptor is invalid or names a vertex that is not there.
    static std::unique_ptr<NxTriangleMesh> cook(const NxTriangleMeshDesc& desc);

    NxU32 getNbVertices() const { return static_cast<NxU32>(m_Vertices.size() / 3); }
    NxU32 getNbTriangles() const { return static_cast<NxU32>(m_Indices.size() / 3); }
    // Shapes made from the mesh; it cannot be released while any is left.
    NxU32 getReferenceCount() const { return m_References; }
    bool isHeightField() const { return m_HeightFieldAxis == NX_Y; }
    NxReal getHeightFieldVerticalExtent() const { return m_HeightFieldExtent; }

    // The stand-in's own: every shape of the mesh shares the bounding tree.
    btBvhTriangleMeshShape& getCookedShape() const { return *m_pCookedShape; }
    btTriangleIndexVertexArray& getVertexArray() const { return *m_pVertexArray; }
    void addReference() { ++m_References; }
    void removeReference() { --m_References; }

private:
    NxTriangleMesh() = default;

    std::vector<float> m_Vertices;
    std::vector<int> m_Indices;
    std::unique_ptr<btTriangleIndexVertexArray> m_pVertexArray;
    std::unique_ptr<btBvhTriangleMeshShape> m_pCookedShape;
    NxU32 m_References = 0;
    NxHeightFieldAxis m_HeightFieldAxis = NX_NOT_HEIGHTFIELD;
    NxReal m_HeightFieldExtent = 0.0f;
};
