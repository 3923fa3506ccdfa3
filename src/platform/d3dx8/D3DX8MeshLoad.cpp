// D3DXLoadMeshFromX: a .X document walked from its top-level objects down
// through frames into one XMeshBuilder, then poured into a D3DX mesh.

#include <cstring>
#include <memory>

#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/d3dx8/XMeshWriter.h"
#include "platform/xfile/XFileDocument.h"

namespace {

constexpr size_t kLargestCount = 0xFFFFFFFF;

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

    return WriteMeshFaces(mesh, builder);
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
