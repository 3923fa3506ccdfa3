#include "platform/xfile/XFilePacking.h"

namespace {

class PackedWriter {
public:
    explicit PackedWriter(std::vector<BYTE>& out) : m_Out(out) {}

    void operator()(const std::monostate&) {}

    void operator()(const XFileHeader& header)
    {
        Word(header.major);
        Word(header.minor);
        Dword(header.flags);
    }

    void operator()(const XFileFrameTransformMatrix& transform) { Matrix(transform.frameMatrix); }

    void operator()(const XFileMesh& mesh)
    {
        Vectors(mesh.vertices);
        Faces(mesh.faces);
    }

    void operator()(const XFileMeshNormals& normals)
    {
        Vectors(normals.normals);
        Faces(normals.faceNormals);
    }

    void operator()(const XFileMeshTextureCoords& coords)
    {
        Count(coords.textureCoords.size());
        for (const XFileCoords2d& uv : coords.textureCoords) {
            Float(uv.u);
            Float(uv.v);
        }
    }

    void operator()(const XFileMeshMaterialList& list)
    {
        Dword(list.nMaterials);
        Dwords(list.faceIndexes);
    }

    void operator()(const XFileMaterial& material)
    {
        ColorRGBA(material.faceColor);
        Float(material.power);
        ColorRGB(material.specularColor);
        ColorRGB(material.emissiveColor);
    }

    void operator()(const XFileTextureFilename& texture) { String(texture.filename); }

    void operator()(const XFileMeshVertexColors& colors)
    {
        Count(colors.vertexColors.size());
        for (const XFileIndexedColor& color : colors.vertexColors) {
            Dword(color.index);
            ColorRGBA(color.indexColor);
        }
    }

    void operator()(const XFileMeshFaceWraps& wraps)
    {
        Count(wraps.faceWrapValues.size());
        for (const XFileBoolean2d& wrap : wraps.faceWrapValues) {
            Dword(wrap.u);
            Dword(wrap.v);
        }
    }

    void operator()(const XFileXSkinMeshHeader& header)
    {
        Word(header.nMaxSkinWeightsPerVertex);
        Word(header.nMaxSkinWeightsPerFace);
        Word(header.nBones);
    }

    void operator()(const XFileSkinWeights& skin)
    {
        String(skin.transformNodeName);
        Count(skin.vertexIndices.size());
        for (const DWORD index : skin.vertexIndices)
            Dword(index);
        for (const float weight : skin.weights)
            Float(weight);
        Matrix(skin.matrixOffset);
    }

    void operator()(const XFileAnimationKey& key)
    {
        Dword(key.keyType);
        Count(key.keys.size());
        for (const XFileTimedFloatKeys& timed : key.keys) {
            Dword(timed.time);
            Count(timed.values.size());
            for (const float value : timed.values)
                Float(value);
        }
    }

    void operator()(const XFileAnimationOptions& options)
    {
        Dword(options.openclosed);
        Dword(options.positionquality);
    }

private:
    void Bytes(const void* data, size_t size)
    {
        const BYTE* bytes = static_cast<const BYTE*>(data);
        m_Out.insert(m_Out.end(), bytes, bytes + size);
    }

    void Word(WORD value) { Bytes(&value, sizeof(value)); }
    void Dword(DWORD value) { Bytes(&value, sizeof(value)); }
    // Counts were checked against the text, so they fit a DWORD.
    void Count(size_t count) { Dword(static_cast<DWORD>(count)); }
    void Float(float value) { Bytes(&value, sizeof(value)); }

    void String(const std::string& text)
    {
        const char* pointer = text.c_str();
        Bytes(&pointer, sizeof(pointer));
    }

    void Dwords(const std::vector<DWORD>& values)
    {
        Count(values.size());
        for (const DWORD value : values)
            Dword(value);
    }

    void Vectors(const std::vector<XFileVector>& vectors)
    {
        Count(vectors.size());
        for (const XFileVector& v : vectors) {
            Float(v.x);
            Float(v.y);
            Float(v.z);
        }
    }

    void Faces(const std::vector<XFileMeshFace>& faces)
    {
        Count(faces.size());
        for (const XFileMeshFace& face : faces)
            Dwords(face);
    }

    void Matrix(const XFileMatrix4x4& matrix)
    {
        for (const float value : matrix.matrix)
            Float(value);
    }

    void ColorRGBA(const XFileColorRGBA& color)
    {
        Float(color.red);
        Float(color.green);
        Float(color.blue);
        Float(color.alpha);
    }

    void ColorRGB(const XFileColorRGB& color)
    {
        Float(color.red);
        Float(color.green);
        Float(color.blue);
    }

    std::vector<BYTE>& m_Out;
};

} // namespace

std::vector<BYTE> PackXFileValue(const XFileValue& value)
{
    std::vector<BYTE> packed;
    std::visit(PackedWriter(packed), value);
    return packed;
}
