#pragma once
// The mesh operations that only need positions, indices and attributes, on
// plain arrays: adjacency, and the face and vertex orders of an optimisation.
// Every index array holds three vertex numbers per face, each below the
// vertex count (the caller checks).

#include <cstddef>
#include <vector>

#include "platform/d3dx8/D3DX8Mesh.h"

// The adjacency as ID3DXMesh::GenerateAdjacency gives it.
std::vector<DWORD> ComputeMeshAdjacency(const std::vector<D3DXVECTOR3>& positions, const std::vector<DWORD>& indices,
                                        float epsilon);

// New orders as lists of old numbers: faceOrder[new face] = old face,
// vertexOrder[new vertex] = old vertex.
struct MeshOrder {
    std::vector<DWORD> faceOrder;
    std::vector<DWORD> vertexOrder;
};

// The orders D3DXMESHOPT_* `flags` ask for (see D3DX8Mesh.h).
MeshOrder PlanMeshOrder(const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes, DWORD vertexCount,
                        DWORD flags);

// Whether `flags` sort the faces by attribute.
bool SortsByAttribute(DWORD flags);

// For each old number, its new one (D3DX_NO_NEIGHBOUR for one the order drops).
std::vector<DWORD> InvertOrder(const std::vector<DWORD>& order, size_t oldCount);

// One entry per run of equal attributes of faces already sorted by attribute.
std::vector<D3DXATTRIBUTERANGE> BuildAttributeTable(const std::vector<DWORD>& indices,
                                                    const std::vector<DWORD>& attributes);
