#include "platform/xfile/XFileValidation.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "platform/xfile/XFileDocument.h"

namespace {

bool Fail(XFileError& error, HRESULT result, int line, const std::string& message)
{
    error = {result, line, message};
    return false;
}

// Measures every walk a caller can make from an object: down its children,
// through each reference to its target.
class WalkMeasure {
public:
    explicit WalkMeasure(XFileError& error) : m_Error(error) {}

    bool MeasureAll(const std::vector<std::unique_ptr<XFileObject>>& objects)
    {
        size_t total = 0;
        for (const std::unique_ptr<XFileObject>& object : objects) {
            if (!Visit(*object, 1))
                return false;
            total += m_Walks[object.get()].size;
            if (total > XFILE_MAX_WALK_OBJECTS)
                return TooLarge(object->Line());
        }
        return true;
    }

private:
    enum class State { InProgress, Done };

    struct Walk {
        State state;
        int height;   // objects on the longest path down, itself included
        size_t size;  // objects a whole walk visits, capped past the limit
    };

    // `depth` counts the objects on the path from the top, this one included.
    bool Visit(const XFileObject& object, int depth)
    {
        const auto known = m_Walks.find(&object);
        if (known != m_Walks.end()) {
            if (known->second.state == State::InProgress)
                return Fail(m_Error, DXFILEERR_BADDATAREFERENCE, object.Line(),
                            object.Name() + " is reached again through its own references");
            if (depth - 1 + known->second.height > XFILE_MAX_DEPTH)
                return TooDeep(object.Line());
            return true;
        }
        if (depth > XFILE_MAX_DEPTH)
            return TooDeep(object.Line());
        m_Walks[&object] = {State::InProgress, 1, 1};
        int height = 1;
        size_t size = 1;
        for (size_t i = 0; i < object.ChildCount(); ++i) {
            const XFileObject& child = object.Child(i);
            // A reference is one more object on the way to its target.
            const int step = child.IsReference() ? 2 : 1;
            const XFileObject& target = *child.Resolved();
            if (!Visit(target, depth + step))
                return false;
            const Walk& walk = m_Walks[&target];
            height = std::max(height, walk.height + step);
            size = std::min(size + walk.size + step - 1, XFILE_MAX_WALK_OBJECTS + 1);
        }
        m_Walks[&object] = {State::Done, height, size};
        if (size > XFILE_MAX_WALK_OBJECTS)
            return TooLarge(object.Line());
        return true;
    }

    bool TooDeep(int line)
    {
        return Fail(m_Error, DXFILEERR_BADDATAREFERENCE, line,
                    "objects and references nest deeper than " + std::to_string(XFILE_MAX_DEPTH));
    }

    bool TooLarge(int line)
    {
        return Fail(m_Error, DXFILEERR_BADDATAREFERENCE, line,
                    "walking the objects through their references visits more than " +
                        std::to_string(XFILE_MAX_WALK_OBJECTS) + " objects");
    }

    XFileError& m_Error;
    std::unordered_map<const XFileObject*, Walk> m_Walks;
};

std::string Count(size_t count, const char* what)
{
    return std::to_string(count) + " " + what;
}

bool CheckNormals(const XFileMesh& mesh, const XFileObject& child, XFileError& error)
{
    const XFileMeshNormals& normals = *child.As<XFileMeshNormals>();
    if (normals.faceNormals.size() != mesh.faces.size())
        return Fail(error, DXFILEERR_BADARRAYSIZE, child.Line(),
                    Count(normals.faceNormals.size(), "face normals for ") + Count(mesh.faces.size(), "faces"));
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        if (normals.faceNormals[f].size() != mesh.faces[f].size())
            return Fail(error, DXFILEERR_BADARRAYSIZE, child.Line(),
                        "the normals of face " + std::to_string(f) + " do not match its corners");
    }
    return true;
}

bool CheckTextureCoords(const XFileMesh& mesh, const XFileObject& child, XFileError& error)
{
    const XFileMeshTextureCoords& coords = *child.As<XFileMeshTextureCoords>();
    if (coords.textureCoords.size() == mesh.vertices.size())
        return true;
    return Fail(error, DXFILEERR_BADARRAYSIZE, child.Line(),
                Count(coords.textureCoords.size(), "texture coordinates for ") +
                    Count(mesh.vertices.size(), "vertices"));
}

bool CheckVertexIndex(DWORD index, const XFileMesh& mesh, const XFileObject& child, XFileError& error)
{
    if (index < mesh.vertices.size())
        return true;
    return Fail(error, DXFILEERR_BADVALUE, child.Line(),
                child.TypeName() + " names vertex " + std::to_string(index) + " of " +
                    std::to_string(mesh.vertices.size()));
}

bool CheckVertexColors(const XFileMesh& mesh, const XFileObject& child, XFileError& error)
{
    for (const XFileIndexedColor& color : child.As<XFileMeshVertexColors>()->vertexColors) {
        if (!CheckVertexIndex(color.index, mesh, child, error))
            return false;
    }
    return true;
}

bool CheckSkinWeights(const XFileMesh& mesh, const XFileObject& child, XFileError& error)
{
    for (const DWORD index : child.As<XFileSkinWeights>()->vertexIndices) {
        if (!CheckVertexIndex(index, mesh, child, error))
            return false;
    }
    return true;
}

size_t CountMaterials(const XFileObject& list)
{
    size_t count = 0;
    for (size_t i = 0; i < list.ChildCount(); ++i) {
        if (list.Child(i).Resolved()->Template() == XFileTemplate::Material)
            ++count;
    }
    return count;
}

bool CheckMaterialList(const XFileMesh& mesh, const XFileObject& child, XFileError& error)
{
    const XFileMeshMaterialList& list = *child.As<XFileMeshMaterialList>();
    if (!mesh.faces.empty() && list.faceIndexes.empty())
        return Fail(error, DXFILEERR_BADARRAYSIZE, child.Line(), "the material list gives no face a material");
    const size_t present = CountMaterials(child);
    if (present < list.nMaterials)
        return Fail(error, DXFILEERR_BADARRAYSIZE, child.Line(),
                    Count(list.nMaterials, "materials announced, ") + Count(present, "present"));
    return true;
}

// The mesh's own children and the objects its references lead to.
bool CheckMesh(const XFileObject& object, XFileError& error)
{
    const XFileMesh& mesh = *object.As<XFileMesh>();
    for (size_t i = 0; i < object.ChildCount(); ++i) {
        const XFileObject& child = *object.Child(i).Resolved();
        bool sound = true;
        switch (child.Template()) {
        case XFileTemplate::MeshNormals: sound = CheckNormals(mesh, child, error); break;
        case XFileTemplate::MeshTextureCoords: sound = CheckTextureCoords(mesh, child, error); break;
        case XFileTemplate::MeshVertexColors: sound = CheckVertexColors(mesh, child, error); break;
        case XFileTemplate::MeshMaterialList: sound = CheckMaterialList(mesh, child, error); break;
        case XFileTemplate::SkinWeights: sound = CheckSkinWeights(mesh, child, error); break;
        default: break;
        }
        if (!sound)
            return false;
    }
    return true;
}

bool CheckMeshes(const XFileObject& object, XFileError& error)
{
    if (object.IsReference())
        return true;
    if (object.Template() == XFileTemplate::Mesh && !CheckMesh(object, error))
        return false;
    for (size_t i = 0; i < object.ChildCount(); ++i) {
        if (!CheckMeshes(object.Child(i), error))
            return false;
    }
    return true;
}

} // namespace

bool ValidateXFileObjects(const std::vector<std::unique_ptr<XFileObject>>& objects, XFileError& error)
{
    if (!WalkMeasure(error).MeasureAll(objects))
        return false;
    for (const std::unique_ptr<XFileObject>& object : objects) {
        if (!CheckMeshes(*object, error))
            return false;
    }
    return true;
}
