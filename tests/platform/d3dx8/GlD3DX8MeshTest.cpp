#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/d3dx8/D3DXTestDevice.h"
#include "platform/d3dx8/XMeshText.h"
#include "support/TempDir.h"

namespace {

constexpr UINT kSize = 128;
constexpr uint32_t kRgbMask = 0x00FFFFFF;
constexpr uint32_t kBackground = 0x000040;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr DWORD kFvf0x112 = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// The loaded cube, turned 45 degrees about y and seen from -z: its front
// quad (material 0, red) fills the left of the picture, its right quad
// (material 1, green) the right. Only emissive light colours it.
class GlD3DXMesh : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Device.CreateWindowed(kSize, kSize));
        m_Dir.Write("Assets/Meshes/Cube.x", XFileText(MeshText(CubeMesh())));
        IDirect3DDevice8* device = m_Device.Get();
        D3DXMATRIX world;
        D3DXMatrixRotationY(&world, D3DX_PI / 4);
        const D3DXVECTOR3 eye(0, 0, -5);
        const D3DXVECTOR3 at(0, 0, 0);
        const D3DXVECTOR3 up(0, 1, 0);
        D3DXMATRIX view;
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 1.0f, 1.0f, 100.0f);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, 0);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    }

    void TearDown() override
    {
        if (m_Mesh != nullptr)
            m_Mesh->Release();
        if (m_Materials != nullptr)
            m_Materials->Release();
    }

    // As the game loads a display mesh: system memory, cloned into managed
    // memory as 0x112, then adjacency and a vertex-cache optimisation.
    void LoadAsDisplayMesh()
    {
        ID3DXMesh* loaded = nullptr;
        ASSERT_EQ(D3D_OK, D3DXLoadMeshFromX("Assets\\Meshes\\Cube.x", D3DXMESH_SYSTEMMEM, m_Device.Get(), nullptr,
                                            &m_Materials, &m_NumMaterials, &loaded));
        const HRESULT cloned = loaded->CloneMeshFVF(D3DXMESH_MANAGED, kFvf0x112, m_Device.Get(), &m_Mesh);
        loaded->Release();
        ASSERT_EQ(D3D_OK, cloned);
        std::vector<DWORD> adjacency(m_Mesh->GetNumFaces() * 3);
        ASSERT_EQ(D3D_OK, m_Mesh->GenerateAdjacency(0.0f, adjacency.data()));
        ASSERT_EQ(D3D_OK,
                  m_Mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, adjacency.data(), nullptr, nullptr, nullptr));
    }

    // Clears, draws the listed subsets with their own materials (if they
    // have one), reads back.
    void Draw(const std::vector<DWORD>& subsets)
    {
        IDirect3DDevice8* device = m_Device.Get();
        ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000 | kBackground,
                                        1.0f, 0));
        ASSERT_EQ(D3D_OK, device->BeginScene());
        const D3DXMATERIAL* materials = static_cast<const D3DXMATERIAL*>(m_Materials->GetBufferPointer());
        for (DWORD subset : subsets) {
            if (subset < m_NumMaterials)
                device->SetMaterial(&materials[subset].MatD3D);
            ASSERT_EQ(D3D_OK, m_Mesh->DrawSubset(subset));
        }
        ASSERT_EQ(D3D_OK, device->EndScene());
        m_Frame = m_Device.ReadBackBuffer();
        ASSERT_EQ(static_cast<size_t>(kSize) * kSize, m_Frame.size());
    }

    uint32_t At(UINT x, UINT y) const { return m_Frame[static_cast<size_t>(y) * kSize + x] & kRgbMask; }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
    D3DXTestDevice m_Device;
    ID3DXMesh* m_Mesh = nullptr;
    LPD3DXBUFFER m_Materials = nullptr;
    DWORD m_NumMaterials = 0;
    std::vector<uint32_t> m_Frame;
};

TEST_F(GlD3DXMesh, EachSubsetDrawsItsOwnFacesOfTheLoadedCube)
{
    LoadAsDisplayMesh();
    ASSERT_EQ(2u, m_NumMaterials);
    const UINT middle = kSize / 2;
    const UINT left = middle - kSize / 8;
    const UINT right = middle + kSize / 8;

    Draw({0, 1});
    EXPECT_EQ(kRed, At(left, middle));
    EXPECT_EQ(kGreen, At(right, middle));
    EXPECT_EQ(kBackground, At(2, 2));
    EXPECT_EQ(kBackground, At(kSize - 3, kSize - 3));

    Draw({1});
    EXPECT_EQ(kBackground, At(left, middle));
    EXPECT_EQ(kGreen, At(right, middle));

    // An attribute no face has draws nothing.
    Draw({0, 7});
    EXPECT_EQ(kRed, At(left, middle));
    EXPECT_EQ(kBackground, At(right, middle));
}

TEST_F(GlD3DXMesh, SubsetsDrawBeforeAnyAttributeSortToo)
{
    ID3DXMesh* loaded = nullptr;
    ASSERT_EQ(D3D_OK, D3DXLoadMeshFromX("Assets\\Meshes\\Cube.x", D3DXMESH_SYSTEMMEM, m_Device.Get(), nullptr,
                                        &m_Materials, &m_NumMaterials, &loaded));
    m_Mesh = loaded;
    const UINT middle = kSize / 2;
    Draw({1});
    EXPECT_EQ(kBackground, At(middle - kSize / 8, middle));
    EXPECT_EQ(kGreen, At(middle + kSize / 8, middle));
}

} // namespace
