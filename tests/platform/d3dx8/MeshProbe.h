#pragma once
// Reads a D3DX mesh back for the tests: its indices, attributes and the
// corners of its triangles, whatever its vertex numbering.

#include <vector>

#include "platform/d3dx8/D3DX8Mesh.h"

// One triangle corner; parts the mesh's format lacks stay zero.
struct MeshCorner {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR2 uv;
};

std::vector<DWORD> MeshIndices(ID3DXMesh* mesh);
std::vector<DWORD> MeshAttributes(ID3DXMesh* mesh);
std::vector<D3DXVECTOR3> MeshPositions(ID3DXMesh* mesh);
// Three per face, in index order.
std::vector<MeshCorner> MeshCorners(ID3DXMesh* mesh);
std::vector<D3DXATTRIBUTERANGE> MeshAttributeTable(ID3DXMesh* mesh);

// A mesh of the given positions (format XYZ), faces and attributes, or null.
ID3DXMesh* MakeMesh(IDirect3DDevice8* device, const std::vector<D3DXVECTOR3>& positions,
                    const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes);
