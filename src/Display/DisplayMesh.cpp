#include "Display/DisplayMesh.h"

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/SafeRelease.h"
#include "Display/Display.h"

namespace {

const char* const SOURCE = ".\\Display\\DisplayMesh.cpp";
const char* const KEYWORD_MESH = "Mesh";
const char* const KEYWORD_SRC = "Src";
const char* const KEYWORD_DISPLAY_OBJECT = "DisplayObject3D";
const char* const KEYWORD_SCALE = "Scale";
const char* const KEYWORD_ORIENTATION = "Orientation";

const DWORD DISPLAY_MESH_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
const DWORD ADJACENCY_PER_FACE = 3;
const float FULL_ALPHA = 1.0f;
const float NO_SCALE = 1.0f;

const char* const CALL_LOAD = "D3DXLoadMeshFromX(buffer, D3DXMESH_SYSTEMMEM, pD3DDevice, NULL, &pD3DXMtrlBuffer, "
                              "&m_u32NumMaterials, &pTempMesh )";
const char* const CALL_CLONE =
    "pTempMesh->CloneMeshFVF( D3DXMESH_MANAGED, D3DFVF_XYZ|D3DFVF_NORMAL|D3DFVF_TEX1, pD3DDevice, &m_pD3DXMesh )";
const char* const CALL_ADJACENCY = "m_pD3DXMesh->GenerateAdjacency( 0.0f, pu32Adj )";
const char* const CALL_OPTIMIZE = "m_pD3DXMesh->OptimizeInplace( D3DXMESHOPT_VERTEXCACHE, pu32Adj, NULL, NULL, NULL )";

void CapAlpha(float& alpha, float ceiling)
{
    if (alpha > ceiling)
        alpha = ceiling;
}

D3DMATERIAL8 WhiteMaterial()
{
    D3DMATERIAL8 material = {};
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    return material;
}

} // namespace

// --- CDisplayMesh

CDisplayMesh::CDisplayMesh() : m_pD3DXMesh(nullptr)
{
    CDisplayMesh::Init();
}

CDisplayMesh::~CDisplayMesh()
{
    CDisplayMesh::Shutdown();
}

bool CDisplayMesh::Init()
{
    CStdInterface::Init();
    m_FileName.clear();
    // Only Shutdown releases: Init on a loaded mesh would otherwise leave it to no one.
    ReleaseAndClear(m_pD3DXMesh);
    m_u32NumMaterials = 0;
    m_fAlpha = FULL_ALPHA;
    m_Textures.clear();
    m_Materials.clear();
    return true;
}

bool CDisplayMesh::Shutdown()
{
    ReleaseAndClear(m_pD3DXMesh);
    m_Textures.clear();
    m_Materials.clear();
    m_u32NumMaterials = 0;
    return CStdInterface::Shutdown();
}

bool CDisplayMesh::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!ReadBlock(reader, KEYWORD_MESH))
        return false;
    const bool loaded = LoadX();
    m_bSourceFailed = !loaded;
    m_bInitialised = loaded;
    m_bReady = loaded;
    return loaded;
}

std::string CDisplayMesh::GetLoadFailure() const
{
    if (!m_bSourceFailed)
        return std::string();
    return DescribeScriptFailure(m_FileName, 0, MESH_FILE_FAILURE);
}

bool CDisplayMesh::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_SRC)) {
        m_FileName = reader.GetString();
        return true;
    }
    return false;
}

bool CDisplayMesh::Validate()
{
    return !m_FileName.empty() && CAsset::Validate();
}

bool CDisplayMesh::LoadFile(const std::string& fileName)
{
    Init();
    m_FileName = fileName;
    return LoadX();
}

bool CDisplayMesh::LoadX()
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr)
        return false;
    ReleaseAndClear(m_pD3DXMesh);

    ID3DXMesh* tempMesh = nullptr;
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD numMaterials = 0;
    if (!CheckD3DResult(D3DXLoadMeshFromX(m_FileName.c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, &materialBuffer,
                                          &numMaterials, &tempMesh),
                        SOURCE, __LINE__, CALL_LOAD))
        return false;

    const bool cloned = CheckD3DResult(tempMesh->CloneMeshFVF(D3DXMESH_MANAGED, DISPLAY_MESH_FVF, device, &m_pD3DXMesh),
                                       SOURCE, __LINE__, CALL_CLONE);
    tempMesh->Release();
    if (!cloned) {
        ReleaseAndClear(materialBuffer);
        return false;
    }

    m_u32NumMaterials = numMaterials;
    LoadMaterialTextures(m_Materials, m_Textures, m_u32NumMaterials,
                         static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer()));
    ReleaseAndClear(materialBuffer);

    std::vector<DWORD> adjacency(static_cast<size_t>(m_pD3DXMesh->GetNumFaces()) * ADJACENCY_PER_FACE);
    if (!CheckD3DResult(m_pD3DXMesh->GenerateAdjacency(0.0f, adjacency.data()), SOURCE, __LINE__, CALL_ADJACENCY))
        return false;
    return CheckD3DResult(m_pD3DXMesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, adjacency.data(), nullptr, nullptr,
                                                       nullptr),
                          SOURCE, __LINE__, CALL_OPTIMIZE);
}

void CDisplayMesh::ReleaseD3DMesh()
{
    ReleaseAndClear(m_pD3DXMesh);
}

D3DMATERIAL8 CDisplayMesh::CappedToAlpha(const D3DMATERIAL8& material) const
{
    D3DMATERIAL8 capped = material;
    CapAlpha(capped.Diffuse.a, m_fAlpha);
    CapAlpha(capped.Ambient.a, m_fAlpha);
    CapAlpha(capped.Specular.a, m_fAlpha);
    CapAlpha(capped.Emissive.a, m_fAlpha);
    return capped;
}

void CDisplayMesh::Render(IDirect3DTexture8* textureOverride) const
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (m_fAlpha <= 0.0f || m_pD3DXMesh == nullptr || device == nullptr)
        return;
    for (DWORD i = 0; i < m_u32NumMaterials; ++i) {
        const D3DMATERIAL8 material = CappedToAlpha(m_Materials[i]);
        device->SetTexture(0, textureOverride != nullptr ? textureOverride : m_Textures[i]);
        device->SetMaterial(&material);
        m_pD3DXMesh->DrawSubset(i);
    }
}

void CDisplayMesh::RenderWithMaterial(const D3DMATERIAL8& material, IDirect3DTexture8* textureOverride) const
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (m_fAlpha <= 0.0f || m_pD3DXMesh == nullptr || device == nullptr)
        return;
    const D3DMATERIAL8 capped = CappedToAlpha(material);
    device->SetMaterial(&capped);
    DrawSubsets(device, textureOverride);
}

void CDisplayMesh::DrawSubsets(IDirect3DDevice8* device, IDirect3DTexture8* textureOverride) const
{
    for (DWORD i = 0; i < m_u32NumMaterials; ++i) {
        device->SetTexture(0, textureOverride != nullptr ? textureOverride : m_Textures[i]);
        m_pD3DXMesh->DrawSubset(i);
    }
}

void CDisplayMesh::ComputeMeshBox(std::unique_ptr<Box>& box, ID3DXMesh* mesh)
{
    if (!box)
        box.reset(new Box());
    box->m_Min = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    box->m_Max = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (mesh == nullptr)
        return;
    BYTE* vertices = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices)))
        return;
    D3DXComputeBoundingBox(vertices, mesh->GetNumVertices(), mesh->GetFVF(), &box->m_Min, &box->m_Max);
    mesh->UnlockVertexBuffer();
}

void CDisplayMesh::BoxGrowMax(D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    a.x = a.x > b.x ? a.x : b.x;
    a.y = a.y > b.y ? a.y : b.y;
    a.z = a.z > b.z ? a.z : b.z;
}

void CDisplayMesh::BoxGrowMin(D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    a.x = a.x < b.x ? a.x : b.x;
    a.y = a.y < b.y ? a.y : b.y;
    a.z = a.z < b.z ? a.z : b.z;
}

// --- CDisplayObject3D

CDisplayObject3D::CDisplayObject3D()
{
    CDisplayObject3D::Init();
}

bool CDisplayObject3D::Init()
{
    CStdInterface::Init();
    m_pParentMatrix = nullptr;
    D3DXMatrixIdentity(&m_matWorld);
    D3DXMatrixIdentity(&m_matLocal);
    m_fScale = NO_SCALE;
    m_pTextureOverride = nullptr;
    m_OverrideMaterial = WhiteMaterial();
    m_bUseOverrideMaterial = false;
    m_iColourGroup = 0;
    m_pMesh = nullptr;
    m_pOwnMesh.reset();
    return true;
}

bool CDisplayObject3D::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!ReadBlock(reader, KEYWORD_DISPLAY_OBJECT))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CDisplayObject3D::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_MESH)) {
        g_AssetManager.GetAsset(reader.GetString(), m_pMesh, true);
        if (m_pMesh != nullptr && m_pMesh->GetNumMaterials() > 0)
            m_OverrideMaterial = m_pMesh->GetMaterial(0);
        return true;
    }
    if (reader.Match(KEYWORD_SCALE)) {
        m_fScale = reader.GetFloat();
        return true;
    }
    if (reader.Match(KEYWORD_ORIENTATION)) {
        m_matLocal = reader.GetMatrix();
        return true;
    }
    return false;
}

bool CDisplayObject3D::Validate()
{
    return m_pMesh != nullptr && CAsset::Validate();
}

bool CDisplayObject3D::LoadMesh(const std::string& fileName)
{
    Init();
    m_pOwnMesh = std::make_shared<CDisplayMesh>();
    m_pOwnMesh->LoadFile(fileName);
    m_pMesh = m_pOwnMesh.get();
    return true;
}

void CDisplayObject3D::SetMesh(CDisplayMesh* mesh)
{
    m_pOwnMesh.reset();
    m_pMesh = mesh;
}

void CDisplayObject3D::ReleaseMesh()
{
    if (m_pMesh != nullptr)
        m_pMesh->ReleaseD3DMesh();
}

void CDisplayObject3D::ReloadMesh()
{
    if (m_pMesh != nullptr)
        m_pMesh->LoadX();
}

void CDisplayObject3D::SetMaterial(const D3DMATERIAL8* material, bool useMaterial)
{
    if (material != nullptr)
        m_OverrideMaterial = *material;
    m_bUseOverrideMaterial = useMaterial;
}

void CDisplayObject3D::RotateY(float angle)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationY(&rotation, angle);
    D3DXMatrixMultiply(&m_matLocal, &m_matLocal, &rotation);
}

void CDisplayObject3D::UpdateWorldMatrix()
{
    D3DXMATRIX placed = m_matLocal;
    if (m_pParentMatrix != nullptr)
        D3DXMatrixMultiply(&placed, &m_matLocal, m_pParentMatrix);
    if (m_fScale == NO_SCALE) {
        m_matWorld = placed;
        return;
    }
    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, m_fScale, m_fScale, m_fScale);
    D3DXMatrixMultiply(&m_matWorld, &scaling, &placed);
}

void CDisplayObject3D::Render() const
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || m_pMesh == nullptr)
        return;
    device->SetTransform(D3DTS_WORLD, &m_matWorld);
    if (m_bUseOverrideMaterial)
        m_pMesh->RenderWithMaterial(m_OverrideMaterial, m_pTextureOverride);
    else
        m_pMesh->Render(m_pTextureOverride);
}
