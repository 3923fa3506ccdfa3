#include "platform/d3dx8/XMeshWriter.h"

#include <cstring>
#include <string>

namespace {

constexpr DWORD kCornersPerFace = 3;

HRESULT WriteIndices(ID3DXMesh& mesh, const std::vector<DWORD>& source)
{
    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    HRESULT result = mesh.GetIndexBuffer(&indexBuffer);
    if (FAILED(result))
        return result;
    D3DINDEXBUFFER_DESC description = {};
    indexBuffer->GetDesc(&description);
    indexBuffer->Release();
    const bool longIndices = description.Format == D3DFMT_INDEX32;
    BYTE* indices = nullptr;
    result = mesh.LockIndexBuffer(0, &indices);
    if (FAILED(result))
        return result;
    for (size_t i = 0; i < source.size(); ++i) {
        if (longIndices) {
            std::memcpy(indices + i * sizeof(DWORD), &source[i], sizeof(DWORD));
        } else {
            const WORD shortIndex = static_cast<WORD>(source[i]);
            std::memcpy(indices + i * sizeof(WORD), &shortIndex, sizeof(WORD));
        }
    }
    return mesh.UnlockIndexBuffer();
}

} // namespace

HRESULT WriteMeshFaces(ID3DXMesh& mesh, const XMeshBuilder& builder)
{
    HRESULT result = WriteIndices(mesh, builder.Indices());
    if (FAILED(result))
        return result;
    DWORD* attributes = nullptr;
    result = mesh.LockAttributeBuffer(0, &attributes);
    if (FAILED(result))
        return result;
    std::memcpy(attributes, builder.Attributes().data(), builder.Attributes().size() * sizeof(DWORD));
    return mesh.UnlockAttributeBuffer();
}

HRESULT MakeMaterialBuffer(const std::vector<XMeshMaterial>& materials, LPD3DXBUFFER* buffer)
{
    size_t size = materials.size() * sizeof(D3DXMATERIAL);
    for (const XMeshMaterial& material : materials) {
        if (material.hasTexture)
            size += material.textureFilename.size() + 1;
    }
    const HRESULT result = D3DXCreateBuffer(static_cast<DWORD>(size), buffer);
    if (FAILED(result))
        return result;
    BYTE* bytes = static_cast<BYTE*>((*buffer)->GetBufferPointer());
    D3DXMATERIAL* array = reinterpret_cast<D3DXMATERIAL*>(bytes);
    char* names = reinterpret_cast<char*>(bytes + materials.size() * sizeof(D3DXMATERIAL));
    for (size_t i = 0; i < materials.size(); ++i) {
        array[i].MatD3D = materials[i].material;
        array[i].pTextureFilename = nullptr;
        if (!materials[i].hasTexture)
            continue;
        const std::string& name = materials[i].textureFilename;
        std::memcpy(names, name.c_str(), name.size() + 1);
        array[i].pTextureFilename = names;
        names += name.size() + 1;
    }
    return D3D_OK;
}

HRESULT MakeAdjacencyBuffer(ID3DXMesh& mesh, LPD3DXBUFFER* buffer)
{
    HRESULT result = D3DXCreateBuffer(mesh.GetNumFaces() * kCornersPerFace * sizeof(DWORD), buffer);
    if (FAILED(result))
        return result;
    result = mesh.GenerateAdjacency(0.0f, static_cast<DWORD*>((*buffer)->GetBufferPointer()));
    if (FAILED(result)) {
        (*buffer)->Release();
        *buffer = nullptr;
    }
    return result;
}
