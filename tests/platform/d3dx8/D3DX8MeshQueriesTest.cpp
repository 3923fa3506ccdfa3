#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/D3DX8Mesh.h"

namespace {

// A float that no box or hit may take for a position.
constexpr float kFiller = 100.0f;
constexpr float kClose = 1e-6f;

// Vertices of `stride` bytes: the position first, the rest filler.
std::vector<BYTE> PackVertices(const std::vector<D3DXVECTOR3>& positions, size_t stride)
{
    std::vector<BYTE> bytes(positions.size() * stride);
    for (size_t i = 0; i < positions.size(); ++i) {
        BYTE* vertex = &bytes[i * stride];
        for (size_t at = 0; at + sizeof(float) <= stride; at += sizeof(float))
            std::memcpy(vertex + at, &kFiller, sizeof(float));
        std::memcpy(vertex, &positions[i].x, sizeof(float) * 3);
    }
    return bytes;
}

TEST(D3DXMeshQueries, BoundingBoxStepsByTheVertexSizeOfTheFormat)
{
    struct Case {
        const char* name;
        DWORD fvf;
        size_t stride;
    };
    const Case cases[] = {
        {"XYZ", D3DFVF_XYZ, 12},
        {"XYZ NORMAL TEX1", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32},
        {"XYZRHW DIFFUSE", D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 20},
        {"XYZ DIFFUSE TEX2", D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2, 32},
    };
    const std::vector<D3DXVECTOR3> positions = {{1, 2, 3}, {-1, 5, 0}, {4, -2, -7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<BYTE> vertices = PackVertices(positions, c.stride);
        D3DXVECTOR3 min;
        D3DXVECTOR3 max;
        ASSERT_EQ(D3D_OK, D3DXComputeBoundingBox(vertices.data(), 3, c.fvf, &min, &max));
        EXPECT_EQ(D3DXVECTOR3(-1, -2, -7), min);
        EXPECT_EQ(D3DXVECTOR3(4, 5, 3), max);
        ASSERT_EQ(D3D_OK, D3DXComputeBoundingBox(vertices.data(), 1, c.fvf, &min, &max));
        EXPECT_EQ(positions[0], min);
        EXPECT_EQ(positions[0], max);
    }

    const std::vector<BYTE> vertices = PackVertices(positions, 12);
    D3DXVECTOR3 min(7, 7, 7);
    D3DXVECTOR3 max(7, 7, 7);
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeBoundingBox(nullptr, 3, D3DFVF_XYZ, &min, &max));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeBoundingBox(vertices.data(), 0, D3DFVF_XYZ, &min, &max));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeBoundingBox(vertices.data(), 3, D3DFVF_NORMAL, &min, &max));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeBoundingBox(vertices.data(), 3, D3DFVF_XYZ, nullptr, &max));
    EXPECT_EQ(D3DXVECTOR3(7, 7, 7), min);
    EXPECT_EQ(D3DXVECTOR3(7, 7, 7), max);
}

TEST(D3DXMeshQueries, IntersectTriGivesTheWeightsOfTheSecondAndThirdCornerAndTheRayParameter)
{
    const D3DXVECTOR3 corner0(0, 0, 0);
    const D3DXVECTOR3 corner1(1, 0, 0);
    const D3DXVECTOR3 corner2(0, 1, 0);
    struct Case {
        const char* name;
        D3DXVECTOR3 from;
        D3DXVECTOR3 direction;
        BOOL hit;
        float u, v, dist;
    };
    const Case cases[] = {
        {"straight through the front", {0.25f, 0.25f, -1}, {0, 0, 1}, TRUE, 0.25f, 0.25f, 1},
        {"through the back", {0.25f, 0.5f, 2}, {0, 0, -1}, TRUE, 0.25f, 0.5f, 2},
        {"long direction: dist in its lengths", {0.5f, 0.25f, -2}, {0, 0, 4}, TRUE, 0.5f, 0.25f, 0.5f},
        {"slanted", {0.2f, 0.3f, -1}, {0.1f, 0.1f, 1}, TRUE, 0.3f, 0.4f, 1},
        {"on the second corner", {1, 0, -1}, {0, 0, 1}, TRUE, 1, 0, 1},
        {"on the far edge", {0.5f, 0.5f, -1}, {0, 0, 1}, TRUE, 0.5f, 0.5f, 1},
        {"starting on the triangle", {0.25f, 0.25f, 0}, {0, 0, 1}, TRUE, 0.25f, 0.25f, 0},
        {"past the far edge", {0.75f, 0.75f, -1}, {0, 0, 1}, FALSE, 0, 0, 0},
        {"left of the first edge", {-0.1f, 0.5f, -1}, {0, 0, 1}, FALSE, 0, 0, 0},
        {"triangle behind the start", {0.25f, 0.25f, 1}, {0, 0, 1}, FALSE, 0, 0, 0},
        {"in the triangle's plane", {-1, 0.25f, 0}, {1, 0, 0}, FALSE, 0, 0, 0},
        {"no direction", {0.25f, 0.25f, -1}, {0, 0, 0}, FALSE, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        float u = -7;
        float v = -7;
        float dist = -7;
        EXPECT_EQ(c.hit, D3DXIntersectTri(&corner0, &corner1, &corner2, &c.from, &c.direction, &u, &v, &dist));
        if (!c.hit) {
            EXPECT_EQ(-7, u);
            continue;
        }
        EXPECT_NEAR(c.u, u, kClose);
        EXPECT_NEAR(c.v, v, kClose);
        EXPECT_NEAR(c.dist, dist, kClose);
    }

    const D3DXVECTOR3 from(0.25f, 0.25f, -1);
    const D3DXVECTOR3 down(0, 0, 1);
    EXPECT_TRUE(D3DXIntersectTri(&corner0, &corner1, &corner2, &from, &down, nullptr, nullptr, nullptr));
    // A triangle without area is never hit.
    EXPECT_FALSE(D3DXIntersectTri(&corner0, &corner1, &corner1, &from, &down, nullptr, nullptr, nullptr));
}

} // namespace
