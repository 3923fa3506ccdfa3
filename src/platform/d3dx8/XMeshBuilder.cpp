#include "platform/d3dx8/XMeshBuilder.h"

#include <algorithm>
#include <cstring>

namespace {

// The parts of one Mesh object that shape its corners.
struct MeshParts {
    const XFileMesh* mesh = nullptr;
    const XFileMeshNormals* normals = nullptr;
    const XFileMeshTextureCoords* texCoords = nullptr;
    const XFileObject* materialList = nullptr;
};

// The first child (or referenced object) of each kind counts.
MeshParts FindParts(const XFileObject& object)
{
    MeshParts parts;
    parts.mesh = object.As<XFileMesh>();
    for (size_t i = 0; i < object.ChildCount(); ++i) {
        const XFileObject& child = *object.Child(i).Resolved();
        if (parts.normals == nullptr)
            parts.normals = child.As<XFileMeshNormals>();
        if (parts.texCoords == nullptr)
            parts.texCoords = child.As<XFileMeshTextureCoords>();
        if (parts.materialList == nullptr && child.Template() == XFileTemplate::MeshMaterialList)
            parts.materialList = &child;
    }
    return parts;
}

// Normals follow the inverse transpose, so a scaled frame keeps them at
// right angles to the surface; a flat (singular) frame makes do with itself.
D3DXMATRIX NormalMatrix(const D3DXMATRIX& transform)
{
    D3DXMATRIX inverse;
    if (D3DXMatrixInverse(&inverse, nullptr, &transform) == nullptr)
        return transform;
    D3DXMATRIX normalMatrix;
    D3DXMatrixTranspose(&normalMatrix, &inverse);
    return normalMatrix;
}

// Frame matrices are affine: the fourth column is not used.
D3DXVECTOR3 PlacePoint(const XFileVector& point, const D3DXMATRIX& transform)
{
    const D3DXVECTOR3 p(point.x, point.y, point.z);
    D3DXVECTOR3 placed;
    D3DXVec3TransformNormal(&placed, &p, &transform);
    return placed + D3DXVECTOR3(transform._41, transform._42, transform._43);
}

D3DXVECTOR3 PlaceNormal(const XFileVector& normal, const D3DXMATRIX& normalMatrix)
{
    const D3DXVECTOR3 n(normal.x, normal.y, normal.z);
    D3DXVECTOR3 placed;
    D3DXVec3TransformNormal(&placed, &n, &normalMatrix);
    if (D3DXVec3LengthSq(&placed) > 0.0f)
        D3DXVec3Normalize(&placed, &placed);
    return placed;
}

// D3DX leaves the ambient colour black; the file gives no alpha for the
// specular and emissive colours, so they are opaque.
XMeshMaterial ConvertMaterial(const XFileObject& object)
{
    const XFileMaterial& source = *object.As<XFileMaterial>();
    XMeshMaterial converted = {};
    D3DMATERIAL8& material = converted.material;
    material.Diffuse = {source.faceColor.red, source.faceColor.green, source.faceColor.blue, source.faceColor.alpha};
    material.Specular = {source.specularColor.red, source.specularColor.green, source.specularColor.blue, 1.0f};
    material.Emissive = {source.emissiveColor.red, source.emissiveColor.green, source.emissiveColor.blue, 1.0f};
    material.Power = source.power;
    for (size_t i = 0; i < object.ChildCount(); ++i) {
        if (const XFileTextureFilename* texture = object.Child(i).Resolved()->As<XFileTextureFilename>()) {
            converted.hasTexture = true;
            converted.textureFilename = texture->filename;
            break;
        }
    }
    return converted;
}

// The list's first nMaterials materials, in order.
bool ReadMaterials(const XFileObject& list, std::vector<XMeshMaterial>& materials)
{
    const DWORD wanted = list.As<XFileMeshMaterialList>()->nMaterials;
    for (size_t i = 0; i < list.ChildCount() && materials.size() < wanted; ++i) {
        const XFileObject& child = *list.Child(i).Resolved();
        if (child.Template() == XFileTemplate::Material)
            materials.push_back(ConvertMaterial(child));
    }
    return materials.size() == wanted;
}

// The reader guarantees these; a mesh that breaks them is refused, not read.
bool CheckParts(const MeshParts& parts)
{
    if (parts.mesh == nullptr)
        return false;
    const size_t faces = parts.mesh->faces.size();
    if (parts.normals != nullptr && parts.normals->faceNormals.size() != faces)
        return false;
    if (parts.texCoords != nullptr && parts.texCoords->textureCoords.size() != parts.mesh->vertices.size())
        return false;
    return true;
}

// Face f takes faceIndexes[min(f, nFaceIndexes - 1)]; a mesh without
// materials puts every face on its one default material (number 0).
bool FaceMaterial(const MeshParts& parts, size_t materialCount, size_t face, DWORD& material)
{
    material = 0;
    if (materialCount == 0)
        return true;
    const std::vector<DWORD>& faceIndexes = parts.materialList->As<XFileMeshMaterialList>()->faceIndexes;
    if (faceIndexes.empty())
        return false;
    material = faceIndexes[std::min(face, faceIndexes.size() - 1)];
    return material < materialCount;
}

// How a mesh's frames place it; the identity leaves the file's numbers be.
struct Placement {
    explicit Placement(const D3DXMATRIX& matrix)
        : moves(D3DXMatrixIsIdentity(&matrix) == FALSE), transform(matrix), normalMatrix(NormalMatrix(matrix))
    {
    }

    bool moves;
    D3DXMATRIX transform;
    D3DXMATRIX normalMatrix;
};

bool ReadPolygon(const MeshParts& parts, const Placement& placement, size_t face,
                 std::vector<XMeshVertex>& polygon)
{
    const XFileMeshFace& corners = parts.mesh->faces[face];
    const XFileMeshFace* normalIndices = parts.normals != nullptr ? &parts.normals->faceNormals[face] : nullptr;
    if (normalIndices != nullptr && normalIndices->size() != corners.size())
        return false;
    polygon.assign(corners.size(), XMeshVertex());
    for (size_t c = 0; c < corners.size(); ++c) {
        const DWORD index = corners[c];
        if (index >= parts.mesh->vertices.size())
            return false;
        const XFileVector& position = parts.mesh->vertices[index];
        XMeshVertex& corner = polygon[c];
        corner.fileVertex = index;
        corner.position = placement.moves ? PlacePoint(position, placement.transform)
                                          : D3DXVECTOR3(position.x, position.y, position.z);
        if (normalIndices != nullptr) {
            if ((*normalIndices)[c] >= parts.normals->normals.size())
                return false;
            const XFileVector& normal = parts.normals->normals[(*normalIndices)[c]];
            corner.normal = placement.moves ? PlaceNormal(normal, placement.normalMatrix)
                                            : D3DXVECTOR3(normal.x, normal.y, normal.z);
        }
        if (parts.texCoords != nullptr) {
            corner.u = parts.texCoords->textureCoords[index].u;
            corner.v = parts.texCoords->textureCoords[index].v;
        }
    }
    return true;
}

} // namespace

DWORD XMeshBuilder::Fvf() const
{
    DWORD fvf = D3DFVF_XYZ;
    if (m_HasNormals)
        fvf |= D3DFVF_NORMAL;
    if (m_HasTexCoords)
        fvf |= D3DFVF_TEX1;
    return fvf;
}

void XMeshBuilder::WriteVertices(BYTE* data) const
{
    for (const XMeshVertex& vertex : m_Vertices) {
        std::memcpy(data, &vertex.position, sizeof(float) * 3);
        data += sizeof(float) * 3;
        if (m_HasNormals) {
            std::memcpy(data, &vertex.normal, sizeof(float) * 3);
            data += sizeof(float) * 3;
        }
        if (m_HasTexCoords) {
            std::memcpy(data, &vertex.u, sizeof(float));
            std::memcpy(data + sizeof(float), &vertex.v, sizeof(float));
            data += sizeof(float) * 2;
        }
    }
}

DWORD XMeshBuilder::AddVertex(const XMeshVertex& vertex)
{
    std::string key(sizeof(float) * 8, '\0');
    std::memcpy(&key[0], &vertex.position, sizeof(float) * 3);
    std::memcpy(&key[sizeof(float) * 3], &vertex.normal, sizeof(float) * 3);
    std::memcpy(&key[sizeof(float) * 6], &vertex.u, sizeof(float));
    std::memcpy(&key[sizeof(float) * 7], &vertex.v, sizeof(float));
    if (m_KeepsFileVerticesApart)
        key.append(reinterpret_cast<const char*>(&vertex.fileVertex), sizeof(vertex.fileVertex));
    const auto inserted = m_VertexNumbers.emplace(std::move(key), static_cast<DWORD>(m_Vertices.size()));
    if (inserted.second)
        m_Vertices.push_back(vertex);
    return inserted.first->second;
}

DWORD XMeshBuilder::DefaultMaterial()
{
    if (m_HasDefaultMaterial)
        return m_DefaultMaterial;
    XMeshMaterial white = {};
    white.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    white.material.Specular = {0.0f, 0.0f, 0.0f, 1.0f};
    white.material.Emissive = {0.0f, 0.0f, 0.0f, 1.0f};
    m_HasDefaultMaterial = true;
    m_DefaultMaterial = static_cast<DWORD>(m_Materials.size());
    m_Materials.push_back(white);
    return m_DefaultMaterial;
}

bool XMeshBuilder::AddMesh(const XFileObject& object, const D3DXMATRIX& transform)
{
    const MeshParts parts = FindParts(object);
    std::vector<XMeshMaterial> materials;
    if (!CheckParts(parts) || (parts.materialList != nullptr && !ReadMaterials(*parts.materialList, materials)))
        return false;

    // Everything is read and checked before anything is added.
    const Placement placement(transform);
    std::vector<XMeshVertex> corners;
    std::vector<DWORD> triangleMaterials;
    std::vector<XMeshVertex> polygon;
    for (size_t face = 0; face < parts.mesh->faces.size(); ++face) {
        DWORD material = 0;
        if (!FaceMaterial(parts, materials.size(), face, material) || !ReadPolygon(parts, placement, face, polygon))
            return false;
        // A fan from the first corner keeps the polygon's winding.
        for (size_t c = 1; c + 1 < polygon.size(); ++c) {
            corners.insert(corners.end(), {polygon[0], polygon[c], polygon[c + 1]});
            triangleMaterials.push_back(material);
        }
    }
    if (triangleMaterials.empty() && materials.empty())
        return true;

    const DWORD firstMaterial = materials.empty() ? DefaultMaterial() : static_cast<DWORD>(m_Materials.size());
    m_Materials.insert(m_Materials.end(), materials.begin(), materials.end());
    for (DWORD material : triangleMaterials)
        m_Attributes.push_back(firstMaterial + material);
    for (const XMeshVertex& corner : corners)
        m_Indices.push_back(AddVertex(corner));
    m_HasNormals = m_HasNormals || parts.normals != nullptr;
    m_HasTexCoords = m_HasTexCoords || parts.texCoords != nullptr;
    return true;
}
