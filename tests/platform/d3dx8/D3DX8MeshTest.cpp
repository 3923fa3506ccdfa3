#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/d3dx8/D3DXTestDevice.h"
#include "platform/d3dx8/MeshProbe.h"
#include "platform/d3dx8/XMeshText.h"
#include "support/TempDir.h"

namespace {

constexpr DWORD kNone = D3DX_NO_NEIGHBOUR;
constexpr DWORD kFvf0x112 = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// Two quads of two triangles each, their faces interleaved by attribute,
// with vertex 2 used by no face:
//   attribute 1: faces 0 and 2 over vertices 0, 1, 3, 4 (x from 0 to 1)
//   attribute 0: faces 1 and 3 over vertices 5 to 8 (x from 2 to 3)
const std::vector<D3DXVECTOR3> kQuadPositions = {
    {0, 0, 0}, {0, 1, 0}, {9, 9, 9}, {1, 1, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {3, 1, 0}, {3, 0, 0},
};
const std::vector<DWORD> kQuadIndices = {0, 1, 3, 5, 6, 7, 0, 3, 4, 5, 7, 8};
const std::vector<DWORD> kQuadAttributes = {1, 0, 1, 0};

class D3DXMesh : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_Device.CreateStateOnly()); }

    void TearDown() override
    {
        for (ID3DXMesh* mesh : m_Meshes)
            mesh->Release();
    }

    // The mesh is released at the end of the test.
    ID3DXMesh* Keep(ID3DXMesh* mesh)
    {
        if (mesh != nullptr)
            m_Meshes.push_back(mesh);
        return mesh;
    }

    ID3DXMesh* LoadCube(LPD3DXBUFFER* adjacency = nullptr)
    {
        m_Dir.Write("Cube.x", XFileText(MeshText(CubeMesh())));
        ID3DXMesh* mesh = nullptr;
        EXPECT_EQ(D3D_OK,
                  D3DXLoadMeshFromX("Cube.x", D3DXMESH_SYSTEMMEM, m_Device.Get(), adjacency, nullptr, nullptr, &mesh));
        return Keep(mesh);
    }

    ID3DXMesh* Quads() { return Keep(MakeMesh(m_Device.Get(), kQuadPositions, kQuadIndices, kQuadAttributes)); }

    ID3DXMesh* Clone(ID3DXMesh* mesh, DWORD options, DWORD fvf)
    {
        ID3DXMesh* clone = nullptr;
        EXPECT_EQ(D3D_OK, mesh->CloneMeshFVF(options, fvf, m_Device.Get(), &clone));
        return Keep(clone);
    }

    static std::vector<DWORD> Adjacency(ID3DXMesh* mesh, float epsilon)
    {
        std::vector<DWORD> adjacency(mesh->GetNumFaces() * 3, 0xDEADBEEF);
        EXPECT_EQ(D3D_OK, mesh->GenerateAdjacency(epsilon, adjacency.data()));
        return adjacency;
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
    D3DXTestDevice m_Device;
    std::vector<ID3DXMesh*> m_Meshes;
};

D3DPOOL VertexPool(ID3DXMesh* mesh)
{
    IDirect3DVertexBuffer8* buffer = nullptr;
    mesh->GetVertexBuffer(&buffer);
    D3DVERTEXBUFFER_DESC desc = {};
    buffer->GetDesc(&desc);
    buffer->Release();
    return desc.Pool;
}

D3DINDEXBUFFER_DESC IndexDesc(ID3DXMesh* mesh)
{
    IDirect3DIndexBuffer8* buffer = nullptr;
    mesh->GetIndexBuffer(&buffer);
    D3DINDEXBUFFER_DESC desc = {};
    buffer->GetDesc(&desc);
    buffer->Release();
    return desc;
}

bool SameCorner(const MeshCorner& a, const MeshCorner& b)
{
    return a.position == b.position && a.normal == b.normal && a.uv == b.uv;
}

TEST_F(D3DXMesh, CreateRefusesEmptyOrUndrawableMeshesAndWidensIndicesPastSixteenBits)
{
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateMeshFVF(0, 3, 0, D3DFVF_XYZ, m_Device.Get(), &mesh));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateMeshFVF(1, 0, 0, D3DFVF_XYZ, m_Device.Get(), &mesh));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateMeshFVF(1, 3, 0, D3DFVF_NORMAL, m_Device.Get(), &mesh));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ, nullptr, &mesh));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateMeshFVF(0xFFFFFFFF, 3, 0, D3DFVF_XYZ, m_Device.Get(), &mesh));
    EXPECT_EQ(nullptr, mesh);

    ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, D3DFVF_XYZ, m_Device.Get(), &mesh));
    Keep(mesh);
    EXPECT_EQ(D3DFMT_INDEX16, IndexDesc(mesh).Format);
    EXPECT_EQ(D3DPOOL_MANAGED, IndexDesc(mesh).Pool);
    EXPECT_EQ(D3DPOOL_MANAGED, VertexPool(mesh));
    ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(1, 0x10000, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, m_Device.Get(), &mesh));
    Keep(mesh);
    EXPECT_EQ(D3DFMT_INDEX32, IndexDesc(mesh).Format);
    EXPECT_EQ(D3DPOOL_SYSTEMMEM, VertexPool(mesh));
}

TEST_F(D3DXMesh, CloneMeshFVFConvertsEachVertexAndKeepsFacesAndAttributes)
{
    ID3DXMesh* cube = LoadCube();
    ASSERT_NE(nullptr, cube);
    const std::vector<MeshCorner> original = MeshCorners(cube);

    ID3DXMesh* managed = Clone(cube, D3DXMESH_MANAGED, kFvf0x112);
    ASSERT_NE(nullptr, managed);
    EXPECT_EQ(kFvf0x112, managed->GetFVF());
    EXPECT_EQ(D3DPOOL_MANAGED, VertexPool(managed));
    EXPECT_EQ(D3DPOOL_MANAGED, IndexDesc(managed).Pool);
    EXPECT_EQ(MeshAttributes(cube), MeshAttributes(managed));
    const std::vector<MeshCorner> copied = MeshCorners(managed);
    ASSERT_EQ(original.size(), copied.size());
    EXPECT_TRUE(std::equal(original.begin(), original.end(), copied.begin(), SameCorner));

    ID3DXMesh* positions = Clone(managed, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ);
    ASSERT_NE(nullptr, positions);
    EXPECT_EQ(12u, positions->GetNumBytesPerVertex());
    EXPECT_EQ(24u, positions->GetNumVertices());
    const std::vector<MeshCorner> bare = MeshCorners(positions);
    ASSERT_EQ(original.size(), bare.size());
    for (size_t i = 0; i < bare.size(); ++i)
        EXPECT_EQ(original[i].position, bare[i].position);

    // Back to 0x112: what the position-only mesh lacked comes back zero.
    ID3DXMesh* widened = Clone(positions, D3DXMESH_SYSTEMMEM, kFvf0x112);
    ASSERT_NE(nullptr, widened);
    for (const MeshCorner& corner : MeshCorners(widened)) {
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), corner.normal);
        EXPECT_EQ(D3DXVECTOR2(0, 0), corner.uv);
    }

    ID3DXMesh* refused = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, cube->CloneMeshFVF(0, D3DFVF_NORMAL, m_Device.Get(), &refused));
    EXPECT_EQ(D3DERR_INVALIDCALL, cube->CloneMeshFVF(0, kFvf0x112, nullptr, &refused));
    EXPECT_EQ(nullptr, refused);
}

TEST_F(D3DXMesh, CubeAdjacencyJoinsEveryEdgeToTheTriangleAcrossIt)
{
    LPD3DXBUFFER loaded = nullptr;
    ID3DXMesh* cube = LoadCube(&loaded);
    ASSERT_NE(nullptr, cube);
    ASSERT_NE(nullptr, loaded);
    const std::vector<DWORD> adjacency = Adjacency(cube, 0.0f);
    const DWORD* fromLoad = static_cast<const DWORD*>(loaded->GetBufferPointer());
    EXPECT_EQ(adjacency, std::vector<DWORD>(fromLoad, fromLoad + adjacency.size()));
    loaded->Release();

    // Triangle 0 is (p0, p3, p2) of the front quad: p0-p3 borders the left
    // quad's first triangle (10), p3-p2 the top quad's (8), p2-p0 its twin.
    EXPECT_EQ((std::vector<DWORD>{10, 8, 1}), std::vector<DWORD>(adjacency.begin(), adjacency.begin() + 3));
    for (DWORD face = 0; face < 12; ++face) {
        for (DWORD edge = 0; edge < 3; ++edge) {
            const DWORD neighbour = adjacency[face * 3 + edge];
            ASSERT_LT(neighbour, 12u) << "face " << face << " edge " << edge;
            EXPECT_NE(face, neighbour);
            const auto back = adjacency.begin() + neighbour * 3;
            EXPECT_EQ(1, std::count(back, back + 3, face)) << "face " << face << " edge " << edge;
        }
    }
}

TEST_F(D3DXMesh, AdjacencyEpsilonDecidesWhichNearbyCornersAreOnePoint)
{
    // The second triangle's shared edge lies 0.0001 off the first's.
    const std::vector<D3DXVECTOR3> positions = {{0, 0, 0},       {0, 1, 0},      {1, 1, 0},
                                                {0.0001f, 0, 0}, {1, 1.0001f, 0}, {1, 0, 0}};
    ID3DXMesh* mesh = Keep(MakeMesh(m_Device.Get(), positions, {0, 1, 2, 3, 4, 5}, {0, 0}));
    ASSERT_NE(nullptr, mesh);
    EXPECT_EQ(std::vector<DWORD>(6, kNone), Adjacency(mesh, 0.0f));
    EXPECT_EQ(std::vector<DWORD>(6, kNone), Adjacency(mesh, 0.00001f));
    EXPECT_EQ((std::vector<DWORD>{kNone, kNone, 1, 0, kNone, kNone}), Adjacency(mesh, 0.001f));

    DWORD unused[6];
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->GenerateAdjacency(-1.0f, unused));
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->GenerateAdjacency(0.0f, nullptr));
}

TEST_F(D3DXMesh, OptimizeInplaceSortsFacesByAttributeAndKeepsEveryOutputConsistent)
{
    ID3DXMesh* mesh = Quads();
    ASSERT_NE(nullptr, mesh);
    const std::vector<DWORD> adjacencyIn = Adjacency(mesh, 0.0f);
    ASSERT_EQ((std::vector<DWORD>{kNone, kNone, 2, kNone, kNone, 3, 0, kNone, kNone, 1, kNone, kNone}),
              adjacencyIn);
    const std::vector<MeshCorner> before = MeshCorners(mesh);

    std::vector<DWORD> adjacencyOut(12);
    std::vector<DWORD> faceRemap(4);
    LPD3DXBUFFER vertexRemap = nullptr;
    ASSERT_EQ(D3D_OK, mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, adjacencyIn.data(), adjacencyOut.data(),
                                            faceRemap.data(), &vertexRemap));

    EXPECT_EQ((std::vector<DWORD>{1, 3, 0, 2}), faceRemap);
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1, 1}), MeshAttributes(mesh));
    // Vertices in the order the new faces first use them; vertex 2 is gone.
    EXPECT_EQ(8u, mesh->GetNumVertices());
    ASSERT_NE(nullptr, vertexRemap);
    ASSERT_EQ(8 * sizeof(DWORD), vertexRemap->GetBufferSize());
    const DWORD* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
    EXPECT_EQ((std::vector<DWORD>{5, 6, 7, 8, 0, 1, 3, 4}), std::vector<DWORD>(remap, remap + 8));
    vertexRemap->Release();
    EXPECT_EQ((std::vector<DWORD>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}), MeshIndices(mesh));

    // New face i is old face faceRemap[i], corner for corner.
    const std::vector<MeshCorner> after = MeshCorners(mesh);
    for (size_t face = 0; face < 4; ++face) {
        for (size_t corner = 0; corner < 3; ++corner)
            EXPECT_EQ(before[faceRemap[face] * 3 + corner].position, after[face * 3 + corner].position);
    }
    EXPECT_EQ((std::vector<DWORD>{kNone, kNone, 1, 0, kNone, kNone, kNone, kNone, 3, 2, kNone, kNone}),
              adjacencyOut);
    EXPECT_EQ(adjacencyOut, Adjacency(mesh, 0.0f));

    const std::vector<D3DXATTRIBUTERANGE> table = MeshAttributeTable(mesh);
    ASSERT_EQ(2u, table.size());
    const DWORD expected[2][5] = {{0, 0, 2, 0, 4}, {1, 2, 2, 4, 4}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(expected[i][0], table[i].AttribId);
        EXPECT_EQ(expected[i][1], table[i].FaceStart);
        EXPECT_EQ(expected[i][2], table[i].FaceCount);
        EXPECT_EQ(expected[i][3], table[i].VertexStart);
        EXPECT_EQ(expected[i][4], table[i].VertexCount);
    }
}

TEST_F(D3DXMesh, OptimizeFlagsChooseWhatMoves)
{
    struct Case {
        const char* name;
        DWORD flags;
        std::vector<DWORD> faceRemap;
        DWORD vertices;
        size_t tableEntries;
    };
    const Case cases[] = {
        {"compact only", D3DXMESHOPT_COMPACT, {0, 1, 2, 3}, 8, 0},
        {"sort, vertices kept", D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS, {1, 3, 0, 2}, 9, 2},
        {"nothing", 0, {0, 1, 2, 3}, 9, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ID3DXMesh* mesh = Quads();
        ASSERT_NE(nullptr, mesh);
        std::vector<DWORD> faceRemap(4);
        std::vector<DWORD> adjacencyOut(12);
        ASSERT_EQ(D3D_OK, mesh->OptimizeInplace(c.flags, nullptr, adjacencyOut.data(), faceRemap.data(), nullptr));
        EXPECT_EQ(c.faceRemap, faceRemap);
        EXPECT_EQ(c.vertices, mesh->GetNumVertices());
        EXPECT_EQ(c.tableEntries, MeshAttributeTable(mesh).size());
        // Without adjacency in, the output is made afresh for the new order.
        EXPECT_EQ(Adjacency(mesh, 0.0f), adjacencyOut);
    }

    ID3DXMesh* mesh = Quads();
    std::vector<DWORD> badAdjacency(12, kNone);
    badAdjacency[4] = 4;
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, badAdjacency.data(), nullptr, nullptr,
                                                        nullptr));
    EXPECT_EQ(kQuadIndices, MeshIndices(mesh));
}

TEST_F(D3DXMesh, LocksAreExclusiveAndWritingAttributesDropsTheTable)
{
    ID3DXMesh* mesh = Quads();
    ASSERT_NE(nullptr, mesh);
    ASSERT_EQ(D3D_OK, mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr));
    ASSERT_EQ(2u, MeshAttributeTable(mesh).size());

    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, mesh->LockVertexBuffer(0, &data));
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->LockVertexBuffer(0, &data));
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->DrawSubset(0));
    ID3DXMesh* clone = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->CloneMeshFVF(0, D3DFVF_XYZ, m_Device.Get(), &clone));
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(D3D_OK, mesh->UnlockVertexBuffer());
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->UnlockVertexBuffer());
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->UnlockIndexBuffer());

    // A read-only look keeps the table; a write drops it.
    DWORD* attributes = nullptr;
    ASSERT_EQ(D3D_OK, mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes));
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->LockAttributeBuffer(0, &attributes));
    EXPECT_EQ(D3D_OK, mesh->UnlockAttributeBuffer());
    EXPECT_EQ(2u, MeshAttributeTable(mesh).size());
    ASSERT_EQ(D3D_OK, mesh->LockAttributeBuffer(0, &attributes));
    attributes[0] = 1;
    EXPECT_EQ(D3D_OK, mesh->UnlockAttributeBuffer());
    EXPECT_EQ(0u, MeshAttributeTable(mesh).size());
}

TEST_F(D3DXMesh, IndicesBeyondTheVerticesAreRefusedNotFollowed)
{
    ID3DXMesh* mesh = Quads();
    ASSERT_NE(nullptr, mesh);
    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, mesh->LockIndexBuffer(0, &data));
    const DWORD beyond = 1000;
    std::copy(reinterpret_cast<const BYTE*>(&beyond), reinterpret_cast<const BYTE*>(&beyond) + 4, data + 4);
    ASSERT_EQ(D3D_OK, mesh->UnlockIndexBuffer());

    DWORD adjacency[12];
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->GenerateAdjacency(0.0f, adjacency));
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr, nullptr, nullptr));
    ID3DXMesh* clone = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, mesh->CloneMeshFVF(0, D3DFVF_XYZ, m_Device.Get(), &clone));
    EXPECT_EQ(nullptr, clone);
}

TEST_F(D3DXMesh, BuffersHandedOutOutliveTheMesh)
{
    ID3DXMesh* mesh = MakeMesh(m_Device.Get(), kQuadPositions, kQuadIndices, kQuadAttributes);
    ASSERT_NE(nullptr, mesh);
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(D3D_OK, mesh->GetVertexBuffer(&vertices));
    ASSERT_EQ(D3D_OK, mesh->GetIndexBuffer(&indices));
    EXPECT_EQ(2u, mesh->AddRef());
    EXPECT_EQ(1u, mesh->Release());
    EXPECT_EQ(0u, mesh->Release());

    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, vertices->Lock(0, 0, &data, D3DLOCK_READONLY));
    D3DXVECTOR3 last;
    std::copy(data + 8 * 12, data + 9 * 12, reinterpret_cast<BYTE*>(&last.x));
    EXPECT_EQ(kQuadPositions[8], last);
    vertices->Unlock();
    EXPECT_EQ(0u, vertices->Release());
    EXPECT_EQ(0u, indices->Release());
}

} // namespace
