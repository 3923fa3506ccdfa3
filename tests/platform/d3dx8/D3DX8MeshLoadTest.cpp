#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/d3dx8/D3DXTestDevice.h"
#include "platform/d3dx8/MeshProbe.h"
#include "platform/d3dx8/XMeshText.h"
#include "support/MatrixExpect.h"
#include "support/TempDir.h"

namespace {

const char* const kGamePath = "Assets\\Meshes\\Test.x";
constexpr float kClose = 1e-5f;

void ExpectColour(const D3DCOLORVALUE& actual, float r, float g, float b, float a)
{
    EXPECT_FLOAT_EQ(r, actual.r);
    EXPECT_FLOAT_EQ(g, actual.g);
    EXPECT_FLOAT_EQ(b, actual.b);
    EXPECT_FLOAT_EQ(a, actual.a);
}

XTextMesh Triangle(const std::string& name, const D3DXVECTOR3& at)
{
    XTextMesh mesh;
    mesh.name = name;
    mesh.positions = {at + D3DXVECTOR3(1, 0, 0), at + D3DXVECTOR3(0, 1, 0), at + D3DXVECTOR3(0, 0, 1)};
    mesh.faces = {{0, 1, 2}};
    return mesh;
}

XTextMaterial Plain(const D3DXCOLOR& colour, const std::string& texture)
{
    return {colour, 1.0f, D3DXCOLOR(0, 0, 0, 1), D3DXCOLOR(0, 0, 0, 1), texture};
}

class D3DXLoadMesh : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_Device.CreateStateOnly()); }

    void TearDown() override { ReleaseAll(); }

    void ReleaseAll()
    {
        for (IUnknown** object : {reinterpret_cast<IUnknown**>(&m_Mesh), reinterpret_cast<IUnknown**>(&m_Materials),
                                  reinterpret_cast<IUnknown**>(&m_Adjacency)}) {
            if (*object != nullptr)
                (*object)->Release();
            *object = nullptr;
        }
    }

    HRESULT LoadPath(const char* path)
    {
        ReleaseAll();
        return D3DXLoadMeshFromX(path, D3DXMESH_SYSTEMMEM, m_Device.Get(), &m_Adjacency, &m_Materials,
                                 &m_NumMaterials, &m_Mesh);
    }

    HRESULT LoadText(const std::string& text)
    {
        m_Dir.Write("Assets/Meshes/Test.x", text);
        return LoadPath(kGamePath);
    }

    HRESULT Load(const std::string& body) { return LoadText(XFileText(body)); }

    const D3DXMATERIAL& Material(DWORD index) const
    {
        return static_cast<const D3DXMATERIAL*>(m_Materials->GetBufferPointer())[index];
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
    D3DXTestDevice m_Device;
    ID3DXMesh* m_Mesh = nullptr;
    LPD3DXBUFFER m_Materials = nullptr;
    LPD3DXBUFFER m_Adjacency = nullptr;
    DWORD m_NumMaterials = 0;
};

TEST_F(D3DXLoadMesh, CubeKeepsOneVertexPerQuadCornerAndOneAttributePerMaterial)
{
    const XTextMesh cube = CubeMesh();
    ASSERT_EQ(D3D_OK, Load(MeshText(cube)));

    // 8 positions x 3 quad normals each; 6 quads fanned.
    EXPECT_EQ(24u, m_Mesh->GetNumVertices());
    EXPECT_EQ(12u, m_Mesh->GetNumFaces());
    EXPECT_EQ(static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), m_Mesh->GetFVF());
    EXPECT_EQ(32u, m_Mesh->GetNumBytesPerVertex());
    EXPECT_EQ((std::vector<DWORD>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}), MeshAttributes(m_Mesh));
    ASSERT_NE(nullptr, m_Adjacency);
    EXPECT_EQ(12u * 3 * sizeof(DWORD), m_Adjacency->GetBufferSize());

    const std::vector<MeshCorner> corners = MeshCorners(m_Mesh);
    ASSERT_EQ(36u, corners.size());
    for (size_t i = 0; i < corners.size(); ++i) {
        const size_t quad = i / 6;
        const size_t fanned[6] = {0, 1, 2, 0, 2, 3};
        const DWORD position = cube.faces[quad][fanned[i % 6]];
        EXPECT_EQ(cube.positions[position], corners[i].position) << "corner " << i;
        EXPECT_EQ(cube.normals[quad], corners[i].normal) << "corner " << i;
        EXPECT_EQ(cube.texCoords[position], corners[i].uv) << "corner " << i;
    }

    ASSERT_EQ(2u, m_NumMaterials);
    ASSERT_NE(nullptr, m_Materials);
    ExpectColour(Material(0).MatD3D.Diffuse, 1, 0, 0, 1);
    ExpectColour(Material(0).MatD3D.Ambient, 0, 0, 0, 0);
    ExpectColour(Material(0).MatD3D.Specular, 0.5f, 0.5f, 0.5f, 1);
    ExpectColour(Material(0).MatD3D.Emissive, 1, 0, 0, 1);
    EXPECT_FLOAT_EQ(4.0f, Material(0).MatD3D.Power);
    ASSERT_NE(nullptr, Material(0).pTextureFilename);
    EXPECT_STREQ("Assets\\Textures\\Test1.png", Material(0).pTextureFilename);
    ExpectColour(Material(1).MatD3D.Diffuse, 0, 1, 0, 0.5f);
    EXPECT_EQ(nullptr, Material(1).pTextureFilename);
}

TEST_F(D3DXLoadMesh, PolygonsFanFromTheirFirstCornerAndEqualCornersShareAVertex)
{
    struct Case {
        const char* name;
        std::vector<std::vector<DWORD>> faces;
        std::vector<DWORD> triangles; // position numbers, three per triangle
        DWORD vertices;
    };
    const Case cases[] = {
        {"quad", {{0, 1, 2, 3}}, {0, 1, 2, 0, 2, 3}, 4},
        {"pentagon", {{0, 1, 2, 3, 4}}, {0, 1, 2, 0, 2, 3, 0, 3, 4}, 5},
        {"two quads on one edge", {{0, 1, 2, 3}, {1, 4, 5, 2}}, {0, 1, 2, 0, 2, 3, 1, 4, 5, 1, 5, 2}, 6},
    };
    XTextMesh mesh;
    mesh.name = "Flat";
    mesh.positions = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {2, 1, 0}, {2, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mesh.faces = c.faces;
        ASSERT_EQ(D3D_OK, Load(MeshText(mesh)));
        EXPECT_EQ(c.vertices, m_Mesh->GetNumVertices());
        EXPECT_EQ(static_cast<DWORD>(D3DFVF_XYZ), m_Mesh->GetFVF());
        const std::vector<MeshCorner> corners = MeshCorners(m_Mesh);
        ASSERT_EQ(c.triangles.size(), corners.size());
        for (size_t i = 0; i < corners.size(); ++i)
            EXPECT_EQ(mesh.positions[c.triangles[i]], corners[i].position) << "corner " << i;

        // Without a material list the faces take the one default material.
        EXPECT_EQ(std::vector<DWORD>(c.triangles.size() / 3, 0), MeshAttributes(m_Mesh));
        ASSERT_EQ(1u, m_NumMaterials);
        ExpectColour(Material(0).MatD3D.Diffuse, 1, 1, 1, 1);
        EXPECT_EQ(nullptr, Material(0).pTextureFilename);
    }
}

TEST_F(D3DXLoadMesh, FramesPlaceVerticesAndNormalsByTheirProductFromTheRootDown)
{
    XTextMesh placed = Triangle("Placed", D3DXVECTOR3(0, 0, 0));
    placed.normals = {{1, 0, 0}};
    placed.faceNormals = {{0, 0, 0}};
    // Outer: uniform scale 2, then up 5 in z. Inner: a quarter turn about z,
    // then 1 along x. Inner applies first.
    D3DXMATRIX outer;
    D3DXMatrixScaling(&outer, 2, 2, 2);
    outer._43 = 5;
    D3DXMATRIX inner;
    D3DXMatrixRotationZ(&inner, D3DX_PI / 2);
    inner._41 = 1;
    const XTextMesh loose = Triangle("Loose", D3DXVECTOR3(7, 7, 7));
    ASSERT_EQ(D3D_OK, Load(FrameText("Outer", outer, FrameText("Inner", inner, MeshText(placed))) + MeshText(loose)));

    const std::vector<MeshCorner> corners = MeshCorners(m_Mesh);
    ASSERT_EQ(6u, corners.size());
    ExpectVectorNear(D3DXVECTOR3(2, 2, 5), corners[0].position, kClose);
    ExpectVectorNear(D3DXVECTOR3(0, 0, 5), corners[1].position, kClose);
    ExpectVectorNear(D3DXVECTOR3(2, 0, 7), corners[2].position, kClose);
    for (int i = 0; i < 3; ++i)
        ExpectVectorNear(D3DXVECTOR3(0, 1, 0), corners[i].normal, kClose);
    // The top-level mesh stands where it was written; it has no normals.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loose.positions[i], corners[3 + i].position);
        EXPECT_EQ(D3DXVECTOR3(0, 0, 0), corners[3 + i].normal);
    }
}

TEST_F(D3DXLoadMesh, NormalsStayAtRightAnglesToASurfaceAStretchingFrameTilts)
{
    // The plane x + y = 1 stretched 2 in y becomes 2x + y = 2: its normal
    // turns from (1, 1, 0) towards x, not towards y.
    XTextMesh slope;
    slope.name = "Slope";
    slope.positions = {{1, 0, 0}, {0, 1, 0}, {0, 1, 1}};
    slope.faces = {{0, 1, 2}};
    slope.normals = {{0.70710678f, 0.70710678f, 0}};
    slope.faceNormals = {{0, 0, 0}};
    D3DXMATRIX stretch;
    D3DXMatrixScaling(&stretch, 1, 2, 1);
    ASSERT_EQ(D3D_OK, Load(FrameText("Stretch", stretch, MeshText(slope))));

    const std::vector<MeshCorner> corners = MeshCorners(m_Mesh);
    ASSERT_EQ(3u, corners.size());
    ExpectVectorNear(D3DXVECTOR3(0, 2, 0), corners[1].position, kClose);
    ExpectVectorNear(D3DXVECTOR3(0.89442719f, 0.44721360f, 0), corners[0].normal, kClose);
}

TEST_F(D3DXLoadMesh, MeshesMergeWithTheirMaterialsAppendedInFileOrder)
{
    XTextMesh first = Triangle("First", D3DXVECTOR3(0, 0, 0));
    first.materials = {Plain(D3DXCOLOR(1, 0, 0, 1), "a.png")};
    first.faceMaterials = {0};
    // Two quads and one face index: both faces take it.
    XTextMesh second;
    second.name = "Second";
    second.positions = {{0, 0, 5}, {0, 1, 5}, {1, 1, 5}, {1, 0, 5}, {0, 0, 6}, {0, 1, 6}, {1, 1, 6}, {1, 0, 6}};
    second.faces = {{0, 1, 2, 3}, {4, 5, 6, 7}};
    second.materials = {Plain(D3DXCOLOR(0, 1, 0, 1), ""), Plain(D3DXCOLOR(0, 0, 1, 1), "Assets\\b.png")};
    second.faceMaterials = {1};
    const XTextMesh third = Triangle("Third", D3DXVECTOR3(9, 0, 0));
    ASSERT_EQ(D3D_OK, Load(MeshText(first) + MeshText(second) + MeshText(third)));

    EXPECT_EQ(3u + 8u + 3u, m_Mesh->GetNumVertices());
    EXPECT_EQ((std::vector<DWORD>{0, 2, 2, 2, 2, 3}), MeshAttributes(m_Mesh));
    ASSERT_EQ(4u, m_NumMaterials);
    ExpectColour(Material(0).MatD3D.Diffuse, 1, 0, 0, 1);
    EXPECT_STREQ("a.png", Material(0).pTextureFilename);
    ExpectColour(Material(1).MatD3D.Diffuse, 0, 1, 0, 1);
    EXPECT_EQ(nullptr, Material(1).pTextureFilename);
    ExpectColour(Material(2).MatD3D.Diffuse, 0, 0, 1, 1);
    EXPECT_STREQ("Assets\\b.png", Material(2).pTextureFilename);
    // The mesh without materials gets the default one.
    ExpectColour(Material(3).MatD3D.Diffuse, 1, 1, 1, 1);
    EXPECT_EQ(nullptr, Material(3).pTextureFilename);
    const std::vector<MeshCorner> corners = MeshCorners(m_Mesh);
    ASSERT_EQ(18u, corners.size());
    EXPECT_EQ(D3DXVECTOR3(1, 0, 0), corners[0].position);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 5), corners[3].position);
    EXPECT_EQ(D3DXVECTOR3(10, 0, 0), corners[15].position);
}

TEST_F(D3DXLoadMesh, BrokenOrEmptyFilesFailAndGiveNothing)
{
    struct Case {
        const char* name;
        std::string text; // empty: no file
    };
    const std::string triangleHead = "Mesh T {\n3;\n0;0;0;,1;0;0;,0;1;0;;\n";
    const Case cases[] = {
        {"missing file", ""},
        {"not a .X file", "hello"},
        {"vertex index out of range", XFileText(triangleHead + "1;\n3;0,1,5;;\n}\n")},
        {"too few vertices for the count", XFileText("Mesh T {\n3;\n0;0;0;,1;0;0;;\n1;\n3;0,1,2;;\n}\n")},
        {"material index out of range",
         XFileText(triangleHead + "1;\n3;0,1,2;;\n" +
                   "MeshMaterialList { 1; 1; 3;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n}\n")},
        {"frames only", XFileText("Frame A {\n}\n")},
        {"mesh without faces", XFileText(triangleHead + "0;;\n}\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReleaseAll();
        m_NumMaterials = 7;
        HRESULT result = D3D_OK;
        if (c.text.empty()) {
            result = LoadPath("Assets\\Meshes\\Missing.x");
        } else {
            result = LoadText(c.text);
        }
        EXPECT_TRUE(FAILED(result));
        EXPECT_EQ(nullptr, m_Mesh);
        EXPECT_EQ(nullptr, m_Materials);
        EXPECT_EQ(nullptr, m_Adjacency);
        EXPECT_EQ(0u, m_NumMaterials);
    }
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXLoadMeshFromX(kGamePath, 0, nullptr, nullptr, nullptr, nullptr, &m_Mesh));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXLoadMeshFromX(kGamePath, 0, m_Device.Get(), nullptr, nullptr, nullptr, nullptr));
}

} // namespace
