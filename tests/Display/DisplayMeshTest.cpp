#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/Texture.h"
#include "platform/d3dx8/XMeshText.h"
#include "support/FatalTrap.h"

namespace {

const char* const MESH_FILE = "Assets/Meshes/cube.x";
const char* const CUBE_MESH = "Mesh Cube\nAsset_Type Game\nSrc Assets\\Meshes\\cube.x\n";

// The shared cube with its first material's texture an image that exists.
XTextMesh TexturedCube()
{
    XTextMesh cube = CubeMesh();
    cube.materials[0].texture = "wood.bmp";
    return cube;
}

D3DXMATRIX Translation(float x, float y, float z)
{
    D3DXMATRIX matrix;
    D3DXMatrixTranslation(&matrix, x, y, z);
    return matrix;
}

class CDisplayMeshTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        m_Dir.Write(MESH_FILE, XFileText(MeshText(TexturedCube())));
        m_Dir.Write("Assets/Images/readme.txt", "");
        const std::vector<uint32_t> pixels(4, 0xFF8040C0u);
        ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), "Assets/Images/wood.bmp", 2, 2, pixels));
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    void LoadScripts(const std::string& meshes, const std::string& objects)
    {
        m_Dir.Write("Scripts/Meshes.txt", meshes);
        m_Dir.Write("Scripts/DisplayObject3D.txt", objects);
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
    }
};

TEST_F(CDisplayMeshTest, ScriptsLoadAMeshAndObjectsOnIt)
{
    LoadScripts(CUBE_MESH, "DisplayObject3D Plain\nAsset_Type Game\nMesh Cube\n\n"
                           "DisplayObject3D Placed\nAsset_Type Level\nMesh Cube\nScale 2.5\n"
                           "Orientation 1 0 0 0 0 1 0 0 0 0 1 0 4 5 6 1\n");

    CDisplayMesh* mesh = nullptr;
    g_AssetManager.GetAsset("Cube", mesh, true);
    EXPECT_TRUE(mesh->IsInitialised());
    EXPECT_TRUE(mesh->IsReady());
    ASSERT_NE(nullptr, mesh->GetD3DXMesh());
    EXPECT_EQ(DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), mesh->GetD3DXMesh()->GetFVF());
    ASSERT_EQ(2u, mesh->GetNumMaterials());
    EXPECT_NE(nullptr, mesh->GetTexture(0));
    EXPECT_EQ(nullptr, mesh->GetTexture(1));
    EXPECT_FLOAT_EQ(1.0f, mesh->GetMaterial(0).Diffuse.r);

    CDisplayObject3D* plain = nullptr;
    CDisplayObject3D* placed = nullptr;
    g_AssetManager.GetAsset("Plain", plain, true);
    g_AssetManager.GetAsset("Placed", placed, true);
    EXPECT_TRUE(plain->IsInitialised());
    EXPECT_EQ(mesh, plain->GetMesh());
    EXPECT_FLOAT_EQ(1.0f, plain->GetScale());
    EXPECT_TRUE(plain->GetLocalMatrix() == Translation(0, 0, 0));
    // The first material is copied for SetColour, but not used until it is turned on.
    EXPECT_EQ(0, std::memcmp(&mesh->GetMaterial(0), &plain->GetOverrideMaterial(), sizeof(D3DMATERIAL8)));
    EXPECT_FALSE(plain->UsesOverrideMaterial());
    EXPECT_FLOAT_EQ(2.5f, placed->GetScale());
    EXPECT_TRUE(placed->GetLocalMatrix() == Translation(4, 5, 6));

    // A copy shares the mesh.
    const CDisplayObject3D copy = *placed;
    EXPECT_EQ(mesh, copy.GetMesh());
    EXPECT_EQ("Placed", copy.GetName());
}

TEST_F(CDisplayMeshTest, BrokenBlocksStopTheLoaders)
{
    EXPECT_FATAL(LoadScripts("Mesh Ghost\nAsset_Type Game\nSrc Assets\\Meshes\\none.x\n", ""),
                 "Unable to intialize object Ghost from: Scripts\\Meshes.txt of type CDisplayMesh\n"
                 "in Assets\\Meshes\\none.x: The mesh file could not be loaded.");
    EXPECT_NE(std::string::npos, Log().find("Error in .\\Display\\DisplayMesh.cpp"));
    g_AssetManager.Clear();

    const struct {
        const char* meshes;
        const char* objects;
        const char* message;
    } cases[] = {
        {"Mesh NoSource\nAsset_Type Game\n", "",
         "Unable to intialize object NoSource from: Scripts\\Meshes.txt of type CDisplayMesh"},
        {"Mesh Untyped\nSrc Assets\\Meshes\\cube.x\n", "",
         "Unable to intialize object Untyped from: Scripts\\Meshes.txt of type CDisplayMesh"},
        {CUBE_MESH, "DisplayObject3D Lost\nAsset_Type Game\nMesh Nope\n",
         "Unable to find asset \"Nope\" of type <CDisplayMesh>\nin Scripts\\DisplayObject3D.txt"},
        {CUBE_MESH, "DisplayObject3D Bare\nAsset_Type Game\nScale 2\n",
         "Unable to intialize object Bare from: Scripts\\DisplayObject3D.txt of type CDisplayObject3D"},
        {CUBE_MESH, "DisplayObject3D Untyped\nMesh Cube\n",
         "Unable to intialize object Untyped from: Scripts\\DisplayObject3D.txt of type CDisplayObject3D"},
    };
    for (const auto& c : cases) {
        EXPECT_FATAL(LoadScripts(c.meshes, c.objects), c.message);
        g_AssetManager.Clear();
    }
}

TEST_F(CDisplayMeshTest, TheWorldMatrixIsLocalTimesParentThenScaled)
{
    const D3DXMATRIX local = Translation(1, 0, 0);
    const D3DXMATRIX parent = Translation(0, 10, 0);
    D3DXMATRIX doubled;
    D3DXMatrixScaling(&doubled, 2, 2, 2);
    const struct {
        const char* name;
        const D3DXMATRIX* parent;
        float scale;
        D3DXMATRIX expected;
    } cases[] = {
        {"no parent", nullptr, 1.0f, local},
        {"parent", &parent, 1.0f, local * parent},
        {"parent, scale 2", &parent, 2.0f, doubled * (local * parent)},
        {"no parent, scale 2", nullptr, 2.0f, doubled * local},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        CDisplayObject3D object;
        object.SetLocalMatrix(local);
        object.SetParentMatrix(entry.parent);
        object.SetScale(entry.scale);
        object.UpdateWorldMatrix();
        EXPECT_TRUE(object.GetWorldMatrix() == entry.expected);
    }
}

TEST_F(CDisplayMeshTest, DrawingCapsAlphasAndHonoursOverrides)
{
    CDisplayObject3D object;
    ASSERT_TRUE(object.LoadMesh("Assets\\Meshes\\cube.x"));
    CDisplayMesh* mesh = object.GetMesh();
    ASSERT_NE(nullptr, mesh->GetD3DXMesh());
    mesh->SetAlpha(0.5f);

    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    D3DMATERIAL8 paint = {};
    paint.Diffuse = {0.1f, 0.2f, 0.3f, 1.0f};
    paint.Ambient = {0.1f, 0.2f, 0.3f, 0.3f};
    object.SetMaterial(&paint, true);
    IDirect3DTexture8* wood = mesh->GetTexture(0);
    object.SetTextureOverride(wood);
    object.Render();

    D3DMATERIAL8 used = {};
    device->GetMaterial(&used);
    EXPECT_FLOAT_EQ(0.5f, used.Diffuse.a);
    EXPECT_FLOAT_EQ(0.3f, used.Ambient.a);
    EXPECT_FLOAT_EQ(0.2f, used.Diffuse.g);
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(wood, bound);
    if (bound != nullptr)
        bound->Release();

    // Each subset's own material, capped the same way: the last drawn is the green one.
    object.SetMaterial(nullptr, false);
    object.SetTextureOverride(nullptr);
    object.Render();
    device->GetMaterial(&used);
    EXPECT_FLOAT_EQ(mesh->GetMaterial(1).Diffuse.g, used.Diffuse.g);
    EXPECT_FLOAT_EQ(0.5f, used.Diffuse.a);
}

TEST_F(CDisplayMeshTest, AMeshFileThatFailsLeavesAnObjectThatDrawsNothing)
{
    CDisplayObject3D object;
    EXPECT_TRUE(object.LoadMesh("Assets\\Meshes\\none.x"));
    ASSERT_NE(nullptr, object.GetMesh());
    EXPECT_EQ(nullptr, object.GetMesh()->GetD3DXMesh());
    object.UpdateWorldMatrix();
    object.Render();

    std::unique_ptr<CDisplayMesh::Box> box;
    CDisplayMesh::ComputeMeshBox(box, object.GetMesh()->GetD3DXMesh());
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->m_Min == D3DXVECTOR3(0, 0, 0));
    EXPECT_TRUE(box->m_Max == D3DXVECTOR3(0, 0, 0));

    CDisplayMesh cube;
    ASSERT_TRUE(cube.LoadFile(MESH_FILE));
    CDisplayMesh::ComputeMeshBox(box, cube.GetD3DXMesh());
    EXPECT_TRUE(box->m_Min == D3DXVECTOR3(-1, -1, -1));
    EXPECT_TRUE(box->m_Max == D3DXVECTOR3(1, 1, 1));

    D3DXVECTOR3 grown(0, 5, -2);
    CDisplayMesh::BoxGrowMax(grown, D3DXVECTOR3(1, 2, -3));
    EXPECT_TRUE(grown == D3DXVECTOR3(1, 5, -2));
    CDisplayMesh::BoxGrowMin(grown, D3DXVECTOR3(0, 7, -9));
    EXPECT_TRUE(grown == D3DXVECTOR3(0, 5, -9));
}

// The AI pool's marker asks for the pyramid by this name.
TEST_F(CDisplayMeshTest, TheShippedPyramidStandsOnTheOriginFacingOut)
{
    CDisplayObject3D marker;
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        ASSERT_TRUE(marker.LoadMesh("Assets\\Meshes\\Pyramid.X"));
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
    }
    CDisplayObject3D* scripted = nullptr;
    g_AssetManager.GetAsset("Pyramid", scripted, true);
    ASSERT_NE(nullptr, scripted->GetMesh()->GetD3DXMesh());

    const CDisplayMesh* mesh = marker.GetMesh();
    ID3DXMesh* d3dxMesh = mesh->GetD3DXMesh();
    ASSERT_NE(nullptr, d3dxMesh);
    const DWORD sideAndBaseTriangles = 4 + 2;
    ASSERT_EQ(sideAndBaseTriangles, d3dxMesh->GetNumFaces());
    ASSERT_EQ(1u, mesh->GetNumMaterials());
    EXPECT_EQ(nullptr, mesh->GetTexture(0));
    const D3DCOLORVALUE white = {1.0f, 1.0f, 1.0f, 1.0f};
    EXPECT_EQ(0, memcmp(&white, &mesh->GetMaterial(0).Diffuse, sizeof(white)));

    std::unique_ptr<CDisplayMesh::Box> box;
    CDisplayMesh::ComputeMeshBox(box, d3dxMesh);
    EXPECT_TRUE(box->m_Min == D3DXVECTOR3(-0.5f, 0.0f, -0.5f));
    EXPECT_TRUE(box->m_Max == D3DXVECTOR3(0.5f, 1.0f, 0.5f));

    // Every triangle is clockwise seen from outside, as the renderer culls,
    // and its corners' normals are its own outward normal.
    struct Vertex {
        D3DXVECTOR3 position;
        D3DXVECTOR3 normal;
        float u, v;
    };
    ASSERT_EQ(sizeof(Vertex), d3dxMesh->GetNumBytesPerVertex());
    BYTE* vertexData = nullptr;
    BYTE* indexData = nullptr;
    ASSERT_EQ(D3D_OK, d3dxMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertexData));
    ASSERT_EQ(D3D_OK, d3dxMesh->LockIndexBuffer(D3DLOCK_READONLY, &indexData));
    const auto* vertices = reinterpret_cast<const Vertex*>(vertexData);
    const auto* indices = reinterpret_cast<const WORD*>(indexData);
    const D3DXVECTOR3 inside(0.0f, 0.25f, 0.0f);
    for (DWORD face = 0; face < d3dxMesh->GetNumFaces(); ++face) {
        SCOPED_TRACE(face);
        const Vertex& a = vertices[indices[face * 3]];
        const Vertex& b = vertices[indices[face * 3 + 1]];
        const Vertex& c = vertices[indices[face * 3 + 2]];
        D3DXVECTOR3 facing;
        const D3DXVECTOR3 ab = b.position - a.position;
        const D3DXVECTOR3 ac = c.position - a.position;
        D3DXVec3Cross(&facing, &ab, &ac);
        D3DXVec3Normalize(&facing, &facing);
        const D3DXVECTOR3 outward = a.position - inside;
        EXPECT_GT(D3DXVec3Dot(&facing, &outward), 0.0f);
        for (const Vertex* corner : {&a, &b, &c})
            EXPECT_NEAR(1.0f, D3DXVec3Dot(&facing, &corner->normal), 1e-5f);
    }
    d3dxMesh->UnlockIndexBuffer();
    d3dxMesh->UnlockVertexBuffer();
}

} // namespace
