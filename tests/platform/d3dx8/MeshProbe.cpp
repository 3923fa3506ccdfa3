#include "platform/d3dx8/MeshProbe.h"

#include <cstring>

namespace {

constexpr DWORD kCorners = 3;

} // namespace

std::vector<DWORD> MeshIndices(ID3DXMesh* mesh)
{
    IDirect3DIndexBuffer8* buffer = nullptr;
    mesh->GetIndexBuffer(&buffer);
    D3DINDEXBUFFER_DESC desc = {};
    buffer->GetDesc(&desc);
    buffer->Release();
    std::vector<DWORD> indices(mesh->GetNumFaces() * kCorners);
    BYTE* data = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data)))
        return {};
    for (size_t i = 0; i < indices.size(); ++i) {
        if (desc.Format == D3DFMT_INDEX32) {
            std::memcpy(&indices[i], data + i * 4, 4);
        } else {
            WORD index = 0;
            std::memcpy(&index, data + i * 2, 2);
            indices[i] = index;
        }
    }
    mesh->UnlockIndexBuffer();
    return indices;
}

std::vector<DWORD> MeshAttributes(ID3DXMesh* mesh)
{
    DWORD* data = nullptr;
    if (FAILED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data)))
        return {};
    std::vector<DWORD> attributes(data, data + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    return attributes;
}

std::vector<D3DXVECTOR3> MeshPositions(ID3DXMesh* mesh)
{
    BYTE* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data)))
        return {};
    std::vector<D3DXVECTOR3> positions(mesh->GetNumVertices());
    for (size_t i = 0; i < positions.size(); ++i)
        std::memcpy(&positions[i].x, data + i * mesh->GetNumBytesPerVertex(), sizeof(float) * 3);
    mesh->UnlockVertexBuffer();
    return positions;
}

std::vector<MeshCorner> MeshCorners(ID3DXMesh* mesh)
{
    const std::vector<DWORD> indices = MeshIndices(mesh);
    const DWORD fvf = mesh->GetFVF();
    const DWORD stride = mesh->GetNumBytesPerVertex();
    BYTE* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data)))
        return {};
    std::vector<MeshCorner> corners;
    for (DWORD index : indices) {
        const BYTE* vertex = data + static_cast<size_t>(index) * stride;
        MeshCorner corner = {};
        std::memcpy(&corner.position.x, vertex, sizeof(float) * 3);
        size_t offset = sizeof(float) * 3;
        if (fvf & D3DFVF_NORMAL) {
            std::memcpy(&corner.normal.x, vertex + offset, sizeof(float) * 3);
            offset += sizeof(float) * 3;
        }
        if (fvf & D3DFVF_TEXCOUNT_MASK)
            std::memcpy(&corner.uv.x, vertex + offset, sizeof(float) * 2);
        corners.push_back(corner);
    }
    mesh->UnlockVertexBuffer();
    return corners;
}

std::vector<D3DXATTRIBUTERANGE> MeshAttributeTable(ID3DXMesh* mesh)
{
    DWORD size = 0;
    mesh->GetAttributeTable(nullptr, &size);
    std::vector<D3DXATTRIBUTERANGE> table(size);
    mesh->GetAttributeTable(table.data(), &size);
    return table;
}

ID3DXMesh* MakeMesh(IDirect3DDevice8* device, const std::vector<D3DXVECTOR3>& positions,
                    const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes)
{
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXCreateMeshFVF(static_cast<DWORD>(attributes.size()), static_cast<DWORD>(positions.size()),
                                 D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, device, &mesh)))
        return nullptr;
    BYTE* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    std::memcpy(data, positions.data(), positions.size() * sizeof(D3DXVECTOR3));
    mesh->UnlockVertexBuffer();
    mesh->LockIndexBuffer(0, &data);
    std::memcpy(data, indices.data(), indices.size() * sizeof(DWORD));
    mesh->UnlockIndexBuffer();
    DWORD* attributeData = nullptr;
    mesh->LockAttributeBuffer(0, &attributeData);
    std::memcpy(attributeData, attributes.data(), attributes.size() * sizeof(DWORD));
    mesh->UnlockAttributeBuffer();
    return mesh;
}
