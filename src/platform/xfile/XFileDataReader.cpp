#include "platform/xfile/XFileDataReader.h"

#include <string>

namespace {

// Tokens each item takes at least, for checking counts before reading.
const size_t VECTOR_TOKENS = 3;
const size_t COORDS2D_TOKENS = 2;
const size_t INDEXED_COLOR_TOKENS = 5;
const size_t BOOLEAN2D_TOKENS = 2;
const size_t MESH_FACE_TOKENS = 1;
const size_t NUMBER_TOKENS = 1;
const size_t TIMED_FLOAT_KEYS_TOKENS = 2;
// Skin weights hold a vertex index and a weight per item.
const size_t SKIN_WEIGHT_TOKENS = 2;

const size_t MATRIX_FLOATS = 16;
const size_t MIN_FACE_CORNERS = 3;
const DWORD ROTATION_KEY_VALUES = 4;
const DWORD VECTOR_KEY_VALUES = 3;
const DWORD MATRIX_KEY_VALUES = 16;

// Before each item of an array: a missing one means the count promised more.
bool ItemPresent(XFileTokenCursor& cursor, size_t index, size_t count, const char* what)
{
    if (cursor.AtValue())
        return true;
    return cursor.Fail(DXFILEERR_BADARRAYSIZE, std::to_string(count) + " " + what + " announced, only " +
                                                   std::to_string(index) + " present");
}

bool ReadVector(XFileTokenCursor& cursor, XFileVector& v)
{
    return cursor.ReadFloat(v.x) && cursor.ReadFloat(v.y) && cursor.ReadFloat(v.z);
}

bool ReadColorRGBA(XFileTokenCursor& cursor, XFileColorRGBA& color)
{
    return cursor.ReadFloat(color.red) && cursor.ReadFloat(color.green) && cursor.ReadFloat(color.blue) &&
           cursor.ReadFloat(color.alpha);
}

bool ReadColorRGB(XFileTokenCursor& cursor, XFileColorRGB& color)
{
    return cursor.ReadFloat(color.red) && cursor.ReadFloat(color.green) && cursor.ReadFloat(color.blue);
}

bool ReadMatrix(XFileTokenCursor& cursor, XFileMatrix4x4& matrix)
{
    for (size_t i = 0; i < MATRIX_FLOATS; ++i) {
        if (!ItemPresent(cursor, i, MATRIX_FLOATS, "matrix values") || !cursor.ReadFloat(matrix.matrix[i]))
            return false;
    }
    return true;
}

bool ReadVectors(XFileTokenCursor& cursor, std::vector<XFileVector>& vectors, const char* what)
{
    DWORD count = 0;
    if (!cursor.ReadCount(count, VECTOR_TOKENS, what))
        return false;
    vectors.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        if (!ItemPresent(cursor, i, count, what) || !ReadVector(cursor, vectors[i]))
            return false;
    }
    return true;
}

bool ReadDwords(XFileTokenCursor& cursor, std::vector<DWORD>& values, DWORD count, const char* what)
{
    values.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        if (!ItemPresent(cursor, i, count, what) || !cursor.ReadDword(values[i]))
            return false;
    }
    return true;
}

bool ReadFloats(XFileTokenCursor& cursor, std::vector<float>& values, DWORD count, const char* what)
{
    values.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        if (!ItemPresent(cursor, i, count, what) || !cursor.ReadFloat(values[i]))
            return false;
    }
    return true;
}

bool ReadFace(XFileTokenCursor& cursor, XFileMeshFace& face)
{
    DWORD count = 0;
    return cursor.ReadCount(count, NUMBER_TOKENS, "face indices") && ReadDwords(cursor, face, count, "face indices");
}

// A polygon whose corners are all below `limit`.
bool CheckFace(XFileTokenCursor& cursor, int line, const XFileMeshFace& face, size_t number, size_t limit,
               const char* indexName)
{
    if (face.size() < MIN_FACE_CORNERS)
        return cursor.FailAtLine(line, DXFILEERR_BADARRAYSIZE,
                                 "face " + std::to_string(number) + " has fewer than three corners");
    for (const DWORD index : face) {
        if (index >= limit)
            return cursor.FailAtLine(line, DXFILEERR_BADVALUE,
                                     "face " + std::to_string(number) + " uses " + indexName + " " +
                                         std::to_string(index) + " of " + std::to_string(limit));
    }
    return true;
}

bool ReadFaces(XFileTokenCursor& cursor, std::vector<XFileMeshFace>& faces, size_t limit, const char* what,
               const char* indexName)
{
    DWORD count = 0;
    if (!cursor.ReadCount(count, MESH_FACE_TOKENS, what))
        return false;
    faces.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        const int line = cursor.Peek().line;
        if (!ItemPresent(cursor, i, count, what) || !ReadFace(cursor, faces[i]) ||
            !CheckFace(cursor, line, faces[i], i, limit, indexName))
            return false;
    }
    return true;
}

bool ReadHeader(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileHeader header = {};
    if (!cursor.ReadWord(header.major) || !cursor.ReadWord(header.minor) || !cursor.ReadDword(header.flags))
        return false;
    value = header;
    return true;
}

bool ReadFrameTransformMatrix(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileFrameTransformMatrix transform = {};
    if (!ReadMatrix(cursor, transform.frameMatrix))
        return false;
    value = transform;
    return true;
}

bool ReadMesh(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileMesh mesh;
    if (!ReadVectors(cursor, mesh.vertices, "vertices") ||
        !ReadFaces(cursor, mesh.faces, mesh.vertices.size(), "faces", "vertex"))
        return false;
    value = std::move(mesh);
    return true;
}

bool ReadMeshNormals(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileMeshNormals normals;
    if (!ReadVectors(cursor, normals.normals, "normals") ||
        !ReadFaces(cursor, normals.faceNormals, normals.normals.size(), "face normals", "normal"))
        return false;
    value = std::move(normals);
    return true;
}

bool ReadMeshTextureCoords(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileMeshTextureCoords coords;
    DWORD count = 0;
    if (!cursor.ReadCount(count, COORDS2D_TOKENS, "texture coordinates"))
        return false;
    coords.textureCoords.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        XFileCoords2d& uv = coords.textureCoords[i];
        if (!ItemPresent(cursor, i, count, "texture coordinates") || !cursor.ReadFloat(uv.u) ||
            !cursor.ReadFloat(uv.v))
            return false;
    }
    value = std::move(coords);
    return true;
}

bool ReadMeshMaterialList(XFileTokenCursor& cursor, XFileValue& value)
{
    const int line = cursor.Peek().line;
    XFileMeshMaterialList list = {};
    DWORD count = 0;
    if (!cursor.ReadDword(list.nMaterials) || !cursor.ReadCount(count, NUMBER_TOKENS, "face material indices") ||
        !ReadDwords(cursor, list.faceIndexes, count, "face material indices"))
        return false;
    for (size_t f = 0; f < list.faceIndexes.size(); ++f) {
        if (list.faceIndexes[f] >= list.nMaterials)
            return cursor.FailAtLine(line, DXFILEERR_BADVALUE,
                                     "face " + std::to_string(f) + " uses material " +
                                         std::to_string(list.faceIndexes[f]) + " of " +
                                         std::to_string(list.nMaterials));
    }
    value = std::move(list);
    return true;
}

bool ReadMaterial(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileMaterial material = {};
    if (!ReadColorRGBA(cursor, material.faceColor) || !cursor.ReadFloat(material.power) ||
        !ReadColorRGB(cursor, material.specularColor) || !ReadColorRGB(cursor, material.emissiveColor))
        return false;
    value = material;
    return true;
}

bool ReadTextureFilename(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileTextureFilename texture;
    if (!cursor.ReadString(texture.filename))
        return false;
    value = std::move(texture);
    return true;
}

bool ReadMeshVertexColors(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileMeshVertexColors colors;
    DWORD count = 0;
    if (!cursor.ReadCount(count, INDEXED_COLOR_TOKENS, "vertex colours"))
        return false;
    colors.vertexColors.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        XFileIndexedColor& color = colors.vertexColors[i];
        if (!ItemPresent(cursor, i, count, "vertex colours") || !cursor.ReadDword(color.index) ||
            !ReadColorRGBA(cursor, color.indexColor))
            return false;
    }
    value = std::move(colors);
    return true;
}

bool ReadMeshFaceWraps(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileMeshFaceWraps wraps;
    DWORD count = 0;
    if (!cursor.ReadCount(count, BOOLEAN2D_TOKENS, "face wraps"))
        return false;
    wraps.faceWrapValues.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        XFileBoolean2d& wrap = wraps.faceWrapValues[i];
        if (!ItemPresent(cursor, i, count, "face wraps") || !cursor.ReadDword(wrap.u) || !cursor.ReadDword(wrap.v))
            return false;
    }
    value = std::move(wraps);
    return true;
}

bool ReadXSkinMeshHeader(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileXSkinMeshHeader header = {};
    if (!cursor.ReadWord(header.nMaxSkinWeightsPerVertex) || !cursor.ReadWord(header.nMaxSkinWeightsPerFace) ||
        !cursor.ReadWord(header.nBones))
        return false;
    value = header;
    return true;
}

bool ReadSkinWeights(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileSkinWeights skin = {};
    DWORD count = 0;
    if (!cursor.ReadString(skin.transformNodeName) || !cursor.ReadCount(count, SKIN_WEIGHT_TOKENS, "skin weights") ||
        !ReadDwords(cursor, skin.vertexIndices, count, "skin vertex indices") ||
        !ReadFloats(cursor, skin.weights, count, "skin weights") || !ReadMatrix(cursor, skin.matrixOffset))
        return false;
    value = std::move(skin);
    return true;
}

// The number of values each key of a type holds; 0 for any number.
DWORD KeyValueCount(DWORD keyType)
{
    switch (keyType) {
    case XFILE_KEY_ROTATION: return ROTATION_KEY_VALUES;
    case XFILE_KEY_SCALE:
    case XFILE_KEY_POSITION: return VECTOR_KEY_VALUES;
    case XFILE_KEY_MATRIX: return MATRIX_KEY_VALUES;
    default: return 0;
    }
}

bool ReadTimedFloatKeys(XFileTokenCursor& cursor, DWORD keyType, XFileTimedFloatKeys& key)
{
    if (!cursor.ReadDword(key.time))
        return false;
    const int line = cursor.Peek().line;
    DWORD count = 0;
    if (!cursor.ReadCount(count, NUMBER_TOKENS, "key values"))
        return false;
    const DWORD expected = KeyValueCount(keyType);
    if (expected != 0 && count != expected)
        return cursor.FailAtLine(line, DXFILEERR_BADARRAYSIZE,
                                 "a key of type " + std::to_string(keyType) + " holds " + std::to_string(expected) +
                                     " values, not " + std::to_string(count));
    return ReadFloats(cursor, key.values, count, "key values");
}

bool ReadAnimationKey(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileAnimationKey animationKey = {};
    if (!cursor.ReadDword(animationKey.keyType))
        return false;
    if (animationKey.keyType > XFILE_KEY_MATRIX)
        return cursor.Fail(DXFILEERR_BADVALUE, "unknown key type " + std::to_string(animationKey.keyType));
    DWORD count = 0;
    if (!cursor.ReadCount(count, TIMED_FLOAT_KEYS_TOKENS, "keys"))
        return false;
    animationKey.keys.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        if (!ItemPresent(cursor, i, count, "keys") ||
            !ReadTimedFloatKeys(cursor, animationKey.keyType, animationKey.keys[i]))
            return false;
    }
    value = std::move(animationKey);
    return true;
}

bool ReadAnimationOptions(XFileTokenCursor& cursor, XFileValue& value)
{
    XFileAnimationOptions options = {};
    if (!cursor.ReadDword(options.openclosed) || !cursor.ReadDword(options.positionquality))
        return false;
    value = options;
    return true;
}

} // namespace

bool ReadXFileTemplateData(XFileTemplate type, XFileTokenCursor& cursor, XFileValue& value)
{
    switch (type) {
    case XFileTemplate::Header: return ReadHeader(cursor, value);
    case XFileTemplate::FrameTransformMatrix: return ReadFrameTransformMatrix(cursor, value);
    case XFileTemplate::Mesh: return ReadMesh(cursor, value);
    case XFileTemplate::MeshNormals: return ReadMeshNormals(cursor, value);
    case XFileTemplate::MeshTextureCoords: return ReadMeshTextureCoords(cursor, value);
    case XFileTemplate::MeshMaterialList: return ReadMeshMaterialList(cursor, value);
    case XFileTemplate::Material: return ReadMaterial(cursor, value);
    case XFileTemplate::TextureFilename: return ReadTextureFilename(cursor, value);
    case XFileTemplate::MeshVertexColors: return ReadMeshVertexColors(cursor, value);
    case XFileTemplate::MeshFaceWraps: return ReadMeshFaceWraps(cursor, value);
    case XFileTemplate::XSkinMeshHeader: return ReadXSkinMeshHeader(cursor, value);
    case XFileTemplate::SkinWeights: return ReadSkinWeights(cursor, value);
    case XFileTemplate::AnimationKey: return ReadAnimationKey(cursor, value);
    case XFileTemplate::AnimationOptions: return ReadAnimationOptions(cursor, value);
    case XFileTemplate::Frame:
    case XFileTemplate::AnimationSet:
    case XFileTemplate::Animation:
    case XFileTemplate::Unknown: return true;
    }
    return true;
}
