#include "platform/d3dx8/XMeshText.h"

#include <cstdio>

namespace {

std::string Number(float value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.9g", value);
    return text;
}

std::string Vectors(const std::vector<D3DXVECTOR3>& vectors)
{
    std::string text = std::to_string(vectors.size()) + ";\n";
    for (size_t i = 0; i < vectors.size(); ++i) {
        const D3DXVECTOR3& v = vectors[i];
        text += Number(v.x) + ";" + Number(v.y) + ";" + Number(v.z) + ";";
        text += i + 1 < vectors.size() ? ",\n" : ";\n";
    }
    return text;
}

std::string Faces(const std::vector<std::vector<DWORD>>& faces)
{
    std::string text = std::to_string(faces.size()) + ";\n";
    for (size_t f = 0; f < faces.size(); ++f) {
        text += std::to_string(faces[f].size()) + ";";
        for (size_t c = 0; c < faces[f].size(); ++c)
            text += std::to_string(faces[f][c]) + (c + 1 < faces[f].size() ? "," : ";");
        text += f + 1 < faces.size() ? ",\n" : ";\n";
    }
    return text;
}

std::string Colour(const D3DXCOLOR& colour, bool withAlpha)
{
    std::string text = Number(colour.r) + ";" + Number(colour.g) + ";" + Number(colour.b) + ";";
    if (withAlpha)
        text += Number(colour.a) + ";";
    return text + ";\n";
}

std::string MaterialText(const XTextMaterial& material)
{
    std::string text = "Material {\n" + Colour(material.faceColour, true) + Number(material.power) + ";\n" +
                       Colour(material.specular, false) + Colour(material.emissive, false);
    if (!material.texture.empty())
        text += "TextureFilename { \"" + material.texture + "\"; }\n";
    return text + "}\n";
}

std::string MaterialListText(const XTextMesh& mesh)
{
    std::string text = "MeshMaterialList {\n" + std::to_string(mesh.materials.size()) + ";\n" +
                       std::to_string(mesh.faceMaterials.size()) + ";\n";
    for (size_t f = 0; f < mesh.faceMaterials.size(); ++f)
        text += std::to_string(mesh.faceMaterials[f]) + (f + 1 < mesh.faceMaterials.size() ? "," : ";;\n");
    for (const XTextMaterial& material : mesh.materials)
        text += MaterialText(material);
    return text + "}\n";
}

XTextMaterial Emissive(const D3DXCOLOR& colour, const std::string& texture)
{
    return {colour, 4.0f, D3DXCOLOR(0.5f, 0.5f, 0.5f, 1.0f), colour, texture};
}

} // namespace

std::string XFileText(const std::string& body)
{
    return "xof 0302txt 0032\n" + body;
}

std::string MeshText(const XTextMesh& mesh)
{
    std::string text = "Mesh " + mesh.name + " {\n" + Vectors(mesh.positions) + Faces(mesh.faces);
    if (!mesh.normals.empty())
        text += "MeshNormals {\n" + Vectors(mesh.normals) + Faces(mesh.faceNormals) + "}\n";
    if (!mesh.texCoords.empty()) {
        text += "MeshTextureCoords {\n" + std::to_string(mesh.texCoords.size()) + ";\n";
        for (size_t i = 0; i < mesh.texCoords.size(); ++i) {
            text += Number(mesh.texCoords[i].x) + ";" + Number(mesh.texCoords[i].y) + ";";
            text += i + 1 < mesh.texCoords.size() ? ",\n" : ";\n";
        }
        text += "}\n";
    }
    if (!mesh.materials.empty())
        text += MaterialListText(mesh);
    return text + "}\n";
}

std::string FrameText(const std::string& name, const D3DXMATRIX& transform, const std::string& inner)
{
    std::string text = "Frame " + name + " {\nFrameTransformMatrix {\n";
    for (int i = 0; i < 16; ++i)
        text += Number(transform.m[i / 4][i % 4]) + (i < 15 ? "," : ";;\n");
    return text + "}\n" + inner + "}\n";
}

XTextMesh CubeMesh()
{
    XTextMesh cube;
    cube.name = "Cube";
    cube.positions = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                      {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    cube.faces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    cube.normals = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
    for (DWORD f = 0; f < 6; ++f)
        cube.faceNormals.push_back({f, f, f, f});
    cube.texCoords = {{0, 1}, {1, 1}, {1, 0}, {0, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}};
    cube.faceMaterials = {0, 0, 0, 1, 1, 1};
    cube.materials = {Emissive(D3DXCOLOR(1, 0, 0, 1), "Assets\\Textures\\Test1.png"),
                      Emissive(D3DXCOLOR(0, 1, 0, 0.5f), "")};
    return cube;
}
