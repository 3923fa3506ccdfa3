#pragma once
// Writes small text .X files for the mesh tests: meshes described as plain
// values, frames around them, and the cube both the unit and the read-back
// tests load.

#include <string>
#include <vector>

#include "platform/d3dx8/D3DX8Math.h"

struct XTextMaterial {
    D3DXCOLOR faceColour;
    float power;
    D3DXCOLOR specular; // alpha is not written
    D3DXCOLOR emissive; // alpha is not written
    std::string texture; // empty: no TextureFilename
};

struct XTextMesh {
    std::string name;
    std::vector<D3DXVECTOR3> positions;
    std::vector<std::vector<DWORD>> faces;
    // Written when not empty; faceNormals then has one entry per face.
    std::vector<D3DXVECTOR3> normals;
    std::vector<std::vector<DWORD>> faceNormals;
    // Written when not empty: one pair per position.
    std::vector<D3DXVECTOR2> texCoords;
    // Written when materials is not empty.
    std::vector<DWORD> faceMaterials;
    std::vector<XTextMaterial> materials;
};

// "xof 0302txt 0032" and the body.
std::string XFileText(const std::string& body);
std::string MeshText(const XTextMesh& mesh);
// A frame with a FrameTransformMatrix holding `transform`, around `inner`.
std::string FrameText(const std::string& name, const D3DXMATRIX& transform, const std::string& inner);

// A cube from -1 to 1: its six quads in the order front (-z), back (+z),
// bottom, right (+x), top, left, wound clockwise seen from outside; one
// normal per quad; texture coordinates per corner position; material 0
// (red, texture "Assets\Textures\Test1.png") on the first three quads,
// material 1 (green, no texture) on the others. Both materials are emissive
// in their own colour.
XTextMesh CubeMesh();
