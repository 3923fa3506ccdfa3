#pragma once
// Gathers the Mesh objects of a .X document into one indexed triangle list
// for a D3DX mesh: each mesh placed by a transform, its polygons fanned into
// triangles, equal corners sharing one vertex, and each material it lists
// appended as the next attribute. Loaders of single meshes (the skinned one
// included) add just that mesh with the identity.

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/xfile/XFileObject.h"

// What makes a corner: two corners equal in all of it are one vertex.
struct XMeshVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    float u;
    float v;
    // The corner's vertex in its Mesh object's own list.
    DWORD fileVertex;
};

struct XMeshMaterial {
    D3DMATERIAL8 material;
    bool hasTexture;
    std::string textureFilename; // as the file wrote it
};

class XMeshBuilder {
public:
    // Adds one Mesh data object. False (and nothing added) when its data
    // breaks a guarantee of the reader.
    bool AddMesh(const XFileObject& mesh, const D3DXMATRIX& transform);
    // Before AddMesh: corners of different file vertices stay apart even when
    // equal, so per-file-vertex data (skin weights) maps onto the output.
    void KeepFileVerticesApart() { m_KeepsFileVerticesApart = true; }

    DWORD Fvf() const;
    const std::vector<XMeshVertex>& Vertices() const { return m_Vertices; }
    // Three per triangle.
    const std::vector<DWORD>& Indices() const { return m_Indices; }
    // One per triangle.
    const std::vector<DWORD>& Attributes() const { return m_Attributes; }
    const std::vector<XMeshMaterial>& Materials() const { return m_Materials; }

    // Writes the vertices in the layout of Fvf().
    void WriteVertices(BYTE* data) const;

private:
    DWORD AddVertex(const XMeshVertex& vertex);
    DWORD DefaultMaterial();

    std::vector<XMeshVertex> m_Vertices;
    std::vector<DWORD> m_Indices;
    std::vector<DWORD> m_Attributes;
    std::vector<XMeshMaterial> m_Materials;
    // A vertex's bytes to its number.
    std::unordered_map<std::string, DWORD> m_VertexNumbers;
    bool m_HasNormals = false;
    bool m_HasTexCoords = false;
    bool m_HasDefaultMaterial = false;
    bool m_KeepsFileVerticesApart = false;
    DWORD m_DefaultMaterial = 0;
};
