#pragma once
// Pouring an XMeshBuilder's triangles into a D3DX mesh, and the buffers that
// the .X loaders hand back beside it. Shared by the plain and skinned loads.

#include <memory>
#include <vector>

#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/d3dx8/XMeshBuilder.h"

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};

typedef std::unique_ptr<ID3DXMesh, ComRelease> MeshPointer;
typedef std::unique_ptr<ID3DXBuffer, ComRelease> BufferPointer;

// The builder's indices (16 or 32 bits, as the mesh holds them) and face attributes.
HRESULT WriteMeshFaces(ID3DXMesh& mesh, const XMeshBuilder& builder);

// The D3DXMATERIAL array first, then the texture names it points at, in one buffer.
HRESULT MakeMaterialBuffer(const std::vector<XMeshMaterial>& materials, LPD3DXBUFFER* buffer);

// Three neighbours a face, corners counting as one point only when equal.
HRESULT MakeAdjacencyBuffer(ID3DXMesh& mesh, LPD3DXBUFFER* buffer);
