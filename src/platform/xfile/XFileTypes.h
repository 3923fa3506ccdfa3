#pragma once
// The data of the .X templates the reader understands, as plain C++ values.
// Member names follow the templates' own. What the reader guarantees about
// them once a file has loaded is listed in DXFile.h beside the packed layouts.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/win32/Win32Types.h"

enum class XFileTemplate {
    Unknown,
    Header,
    Frame,
    FrameTransformMatrix,
    Mesh,
    MeshNormals,
    MeshTextureCoords,
    MeshMaterialList,
    Material,
    TextureFilename,
    MeshVertexColors,
    MeshFaceWraps,
    XSkinMeshHeader,
    SkinWeights,
    AnimationSet,
    Animation,
    AnimationKey,
    AnimationOptions,
};

// The template an object type name stands for (names match exactly).
XFileTemplate XFileTemplateFromName(std::string_view typeName);

struct XFileVector {
    float x;
    float y;
    float z;
};

struct XFileCoords2d {
    float u;
    float v;
};

struct XFileColorRGBA {
    float red;
    float green;
    float blue;
    float alpha;
};

struct XFileColorRGB {
    float red;
    float green;
    float blue;
};

// Sixteen floats in the order written, row by row.
struct XFileMatrix4x4 {
    float matrix[16];
};

// The vertex (or normal) indices of one polygon.
typedef std::vector<DWORD> XFileMeshFace;

struct XFileHeader {
    WORD major;
    WORD minor;
    DWORD flags;
};

struct XFileFrameTransformMatrix {
    XFileMatrix4x4 frameMatrix;
};

struct XFileMesh {
    std::vector<XFileVector> vertices;
    std::vector<XFileMeshFace> faces;
};

struct XFileMeshNormals {
    std::vector<XFileVector> normals;
    std::vector<XFileMeshFace> faceNormals;
};

struct XFileMeshTextureCoords {
    std::vector<XFileCoords2d> textureCoords;
};

struct XFileMeshMaterialList {
    DWORD nMaterials;
    std::vector<DWORD> faceIndexes;
};

struct XFileMaterial {
    XFileColorRGBA faceColor;
    float power;
    XFileColorRGB specularColor;
    XFileColorRGB emissiveColor;
};

struct XFileTextureFilename {
    std::string filename;
};

struct XFileIndexedColor {
    DWORD index;
    XFileColorRGBA indexColor;
};

struct XFileMeshVertexColors {
    std::vector<XFileIndexedColor> vertexColors;
};

struct XFileBoolean2d {
    DWORD u;
    DWORD v;
};

struct XFileMeshFaceWraps {
    std::vector<XFileBoolean2d> faceWrapValues;
};

struct XFileXSkinMeshHeader {
    WORD nMaxSkinWeightsPerVertex;
    WORD nMaxSkinWeightsPerFace;
    WORD nBones;
};

struct XFileSkinWeights {
    std::string transformNodeName;
    std::vector<DWORD> vertexIndices;
    std::vector<float> weights;
    XFileMatrix4x4 matrixOffset;
};

struct XFileTimedFloatKeys {
    DWORD time;
    std::vector<float> values;
};

// Key types as the AnimationKey template numbers them.
enum XFileAnimationKeyType : DWORD {
    XFILE_KEY_ROTATION = 0,  // w, x, y, z
    XFILE_KEY_SCALE = 1,     // x, y, z
    XFILE_KEY_POSITION = 2,  // x, y, z
    XFILE_KEY_UNUSED = 3,    // any number of values; readers skip it
    XFILE_KEY_MATRIX = 4,    // 16 floats
};

struct XFileAnimationKey {
    DWORD keyType;
    std::vector<XFileTimedFloatKeys> keys;
};

struct XFileAnimationOptions {
    DWORD openclosed;
    DWORD positionquality;
};

// An object's data: nothing for Frame, Animation, AnimationSet and object
// types the reader does not know.
typedef std::variant<std::monostate, XFileHeader, XFileFrameTransformMatrix, XFileMesh,
                     XFileMeshNormals, XFileMeshTextureCoords, XFileMeshMaterialList,
                     XFileMaterial, XFileTextureFilename, XFileMeshVertexColors,
                     XFileMeshFaceWraps, XFileXSkinMeshHeader, XFileSkinWeights,
                     XFileAnimationKey, XFileAnimationOptions>
    XFileValue;
