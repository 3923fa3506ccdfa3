// D3DXLoadMeshFromX: a .X document walked from its top-level objects down
// through frames into one XMeshBuilder, then poured into a D3DX mesh.

#include <cstring>
#include <memory>

#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/d3dx8/XMeshBuilder.h"
#include "platform/xfile/XFileDocument.h"

namespace {

constexpr DWORD kCornersPerFace = 3;
constexpr size_t kLargestCount = 0xFFFFFFFF;

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};

typedef std::unique_ptr<ID3DXMesh, ComRelease> MeshPointer;
typedef std::unique_ptr<ID3DXBuffer, ComRelease> BufferPointer;

bool AddObject(XMeshBuilder& builder, const XFileObject& object, const D3DXMATRIX& parent);

// The frame's own FrameTransformMatrix (the first one), identity without.
D3DXMATRIX FrameTransform(const XFileObject& frame)
{
    for (size_t i = 0; i < frame.ChildCount(); ++i) {
        if (const XFileFrameTransformMatrix* transform =
                frame.Child(i).Resolved()->As<XFileFrameTransformMatrix>())
            return D3DXMATRIX(transform->frameMatrix.matrix);
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return identity;
}

// Row vectors: a point meets its own frame's matrix first, the root's last.
bool AddFrame(XMeshBuilder& builder, const XFileObject& frame, const D3DXMATRIX& parent)
{
    const D3DXMATRIX local = FrameTransform(frame);
    D3DXMATRIX combined;
    D3DXMatrixMultiply(&combined, &local, &parent);
    for (size_t i = 0; i < frame.ChildCount(); ++i) {
        if (!AddObject(builder, frame.Child(i), combined))
            return false;
    }
    return true;
}

// The reader bounds how deep frames and references nest, so this ends.
bool AddObject(XMeshBuilder& builder, const XFileObject& object, const D3DXMATRIX& parent)
{
    const XFileObject& data = *object.Resolved();
    switch (data.Template()) {
    case XFileTemplate::Mesh: return builder.AddMesh(data, parent);
    case XFileTemplate::Frame: return AddFrame(builder, data, parent);
    default: return true;
    }
}

HRESULT FillMesh(const XMeshBuilder& builder, ID3DXMesh& mesh)
{
    BYTE* vertices = nullptr;
    HRESULT result = mesh.LockVertexBuffer(0, &vertices);
    if (FAILED(result))
        return result;
    builder.WriteVertices(vertices);
    mesh.UnlockVertexBuffer();

    IDirect3DIndexBuffer8* indexBuffer = nullptr;
    mesh.GetIndexBuffer(&indexBuffer);
    D3DINDEXBUFFER_DESC description = {};
    indexBuffer->GetDesc(&description);
    indexBuffer->Release();
    const bool longIndices = description.Format == D3DFMT_INDEX32;
    BYTE* indices = nullptr;
    result = mesh.LockIndexBuffer(0, &indices);
    if (FAILED(result))
        return result;
    const std::vector<DWORD>& source = builder.Indices();
    for (size_t i = 0; i < source.size(); ++i) {
        if (longIndices) {
            std::memcpy(indices + i * sizeof(DWORD), &source[i], sizeof(DWORD));
        } else {
            const WORD shortIndex = static_cast<WORD>(source[i]);
            std::memcpy(indices + i * sizeof(WORD), &shortIndex, sizeof(WORD));
        }
    }
    mesh.UnlockIndexBuffer();

    DWORD* attributes = nullptr;
    result = mesh.LockAttributeBuffer(0, &attributes);
    if (FAILED(result))
        return result;
    std::memcpy(attributes, builder.Attributes().data(), builder.Attributes().size() * sizeof(DWORD));
    return mesh.UnlockAttributeBuffer();
}

// The array first, then the texture names it points at, in one buffer.
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

HRESULT BuildFromFile(LPCSTR filename, XMeshBuilder& builder)
{
    XFileError error;
    const std::unique_ptr<XFileDocument> document = XFileDocument::Load(filename, error);
    if (document == nullptr)
        return FAILED(error.result) ? error.result : E_FAIL;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (size_t i = 0; i < document->ObjectCount(); ++i) {
        if (!AddObject(builder, document->Object(i), identity))
            return E_FAIL;
    }
    const bool countable = builder.Attributes().size() <= kLargestCount && builder.Vertices().size() <= kLargestCount;
    return builder.Indices().empty() || !countable ? E_FAIL : D3D_OK;
}

} // namespace

HRESULT D3DXLoadMeshFromX(LPCSTR filename, DWORD options, IDirect3DDevice8* device, LPD3DXBUFFER* adjacency,
                          LPD3DXBUFFER* materials, DWORD* numMaterials, ID3DXMesh** mesh)
{
    for (LPD3DXBUFFER* buffer : {adjacency, materials}) {
        if (buffer != nullptr)
            *buffer = nullptr;
    }
    if (numMaterials != nullptr)
        *numMaterials = 0;
    if (mesh != nullptr)
        *mesh = nullptr;
    if (filename == nullptr || device == nullptr || mesh == nullptr)
        return D3DERR_INVALIDCALL;

    XMeshBuilder builder;
    HRESULT result = BuildFromFile(filename, builder);
    if (FAILED(result))
        return result;
    ID3DXMesh* created = nullptr;
    result = D3DXCreateMeshFVF(static_cast<DWORD>(builder.Attributes().size()),
                               static_cast<DWORD>(builder.Vertices().size()), options, builder.Fvf(), device,
                               &created);
    if (FAILED(result))
        return result;
    MeshPointer loaded(created);
    result = FillMesh(builder, *loaded);
    if (FAILED(result))
        return result;

    LPD3DXBUFFER materialBuffer = nullptr;
    if (materials != nullptr) {
        result = MakeMaterialBuffer(builder.Materials(), &materialBuffer);
        if (FAILED(result))
            return result;
    }
    BufferPointer ownedMaterials(materialBuffer);
    LPD3DXBUFFER adjacencyBuffer = nullptr;
    if (adjacency != nullptr) {
        result = MakeAdjacencyBuffer(*loaded, &adjacencyBuffer);
        if (FAILED(result))
            return result;
    }

    if (materials != nullptr)
        *materials = ownedMaterials.release();
    if (adjacency != nullptr)
        *adjacency = adjacencyBuffer;
    if (numMaterials != nullptr)
        *numMaterials = static_cast<DWORD>(builder.Materials().size());
    *mesh = loaded.release();
    return D3D_OK;
}
