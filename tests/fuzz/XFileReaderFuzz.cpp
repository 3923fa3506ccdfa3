// Feeds arbitrary bytes to the .X reader, in memory, as a file through
// DirectX File and as a mesh through D3DXLoadMeshFromX with its adjacency, and
// checks what a loaded file promises its callers: counts and indices within
// bounds, GetData blocks of exactly their layout's size, references resolved,
// walks bounded, every neighbour a face that names the face back. Any crash,
// sanitizer report, hang or broken promise is a finding.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/D3D8Platform.h"
#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/xfile/DXFile.h"
#include "platform/xfile/XFileDocument.h"

namespace {

// Inputs that do not start like a .X file get a text header, so most of the
// run goes to the parser rather than the header check.
const char MAGIC[] = "xof ";
const char TEXT_HEADER[] = "xof 0302txt 0032\n";

void Require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, ".X reader promise broken: %s\n", what);
    __builtin_trap();
}

// One in-memory file, rewritten for every input, reached by path like any mesh.
const std::string& FilePath()
{
    static const std::string path = [] {
        const int fd = memfd_create("fuzz_xfile", 0);
        Require(fd >= 0, "memfd_create");
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void WriteFile(const std::string& text)
{
    const int fd = std::stoi(FilePath().substr(std::strlen("/proc/self/fd/")));
    Require(ftruncate(fd, 0) == 0, "ftruncate");
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = pwrite(fd, text.data() + written, text.size() - written, static_cast<off_t>(written));
        Require(n > 0, "pwrite");
        written += static_cast<size_t>(n);
    }
}

size_t FacesSize(const std::vector<XFileMeshFace>& faces)
{
    size_t size = sizeof(DWORD);
    for (const XFileMeshFace& face : faces)
        size += sizeof(DWORD) * (1 + face.size());
    return size;
}

// The size each layout of DXFile.h gives the value.
size_t LayoutSize(const XFileObject& object)
{
    const size_t dword = sizeof(DWORD);
    const size_t vector = 3 * sizeof(float);
    const size_t matrix = 16 * sizeof(float);
    if (object.As<XFileHeader>())
        return 2 * sizeof(WORD) + dword;
    if (object.As<XFileFrameTransformMatrix>())
        return matrix;
    if (const XFileMesh* mesh = object.As<XFileMesh>())
        return dword + vector * mesh->vertices.size() + FacesSize(mesh->faces);
    if (const XFileMeshNormals* normals = object.As<XFileMeshNormals>())
        return dword + vector * normals->normals.size() + FacesSize(normals->faceNormals);
    if (const XFileMeshTextureCoords* coords = object.As<XFileMeshTextureCoords>())
        return dword + 2 * sizeof(float) * coords->textureCoords.size();
    if (const XFileMeshMaterialList* list = object.As<XFileMeshMaterialList>())
        return 2 * dword + dword * list->faceIndexes.size();
    if (object.As<XFileMaterial>())
        return 11 * sizeof(float);
    if (object.As<XFileTextureFilename>())
        return sizeof(const char*);
    if (const XFileMeshVertexColors* colors = object.As<XFileMeshVertexColors>())
        return dword + (dword + 4 * sizeof(float)) * colors->vertexColors.size();
    if (const XFileMeshFaceWraps* wraps = object.As<XFileMeshFaceWraps>())
        return dword + 2 * dword * wraps->faceWrapValues.size();
    if (object.As<XFileXSkinMeshHeader>())
        return 3 * sizeof(WORD);
    if (const XFileSkinWeights* skin = object.As<XFileSkinWeights>())
        return sizeof(const char*) + dword + (dword + sizeof(float)) * skin->vertexIndices.size() + matrix;
    if (const XFileAnimationKey* key = object.As<XFileAnimationKey>()) {
        size_t size = 2 * dword;
        for (const XFileTimedFloatKeys& timed : key->keys)
            size += 2 * dword + sizeof(float) * timed.values.size();
        return size;
    }
    if (object.As<XFileAnimationOptions>())
        return 2 * dword;
    return 0;
}

void CheckFaces(const std::vector<XFileMeshFace>& faces, size_t limit)
{
    for (const XFileMeshFace& face : faces) {
        Require(face.size() >= 3, "a face of fewer than three corners");
        for (const DWORD index : face)
            Require(index < limit, "a face index out of range");
    }
}

void CheckMeshChild(const XFileMesh& mesh, const XFileObject& child)
{
    const size_t vertices = mesh.vertices.size();
    if (const XFileMeshNormals* normals = child.As<XFileMeshNormals>()) {
        Require(normals->faceNormals.size() == mesh.faces.size(), "face normals for another face count");
        for (size_t f = 0; f < mesh.faces.size(); ++f)
            Require(normals->faceNormals[f].size() == mesh.faces[f].size(), "face normals for other corners");
    }
    if (const XFileMeshTextureCoords* coords = child.As<XFileMeshTextureCoords>())
        Require(coords->textureCoords.size() == vertices, "texture coordinates for another vertex count");
    if (const XFileMeshVertexColors* colors = child.As<XFileMeshVertexColors>()) {
        for (const XFileIndexedColor& color : colors->vertexColors)
            Require(color.index < vertices, "a vertex colour out of range");
    }
    if (const XFileSkinWeights* skin = child.As<XFileSkinWeights>()) {
        Require(skin->weights.size() == skin->vertexIndices.size(), "weights and indices differ");
        for (const DWORD index : skin->vertexIndices)
            Require(index < vertices, "a skin weight out of range");
    }
    if (const XFileMeshMaterialList* list = child.As<XFileMeshMaterialList>()) {
        Require(mesh.faces.empty() || !list->faceIndexes.empty(), "faces without materials");
        size_t materials = 0;
        for (size_t i = 0; i < child.ChildCount(); ++i)
            materials += child.Child(i).Resolved()->Template() == XFileTemplate::Material ? 1 : 0;
        Require(materials >= list->nMaterials, "fewer materials than announced");
    }
}

void CheckObject(const XFileObject& object, int depth)
{
    Require(depth <= XFILE_MAX_DEPTH, "objects nested past the limit");
    Require(!object.IsReference(), "a reference where data belongs");
    Require(object.PackedData().size() == LayoutSize(object), "GetData size differs from its layout");
    if (const XFileMesh* mesh = object.As<XFileMesh>())
        CheckFaces(mesh->faces, mesh->vertices.size());
    if (const XFileMeshNormals* normals = object.As<XFileMeshNormals>())
        CheckFaces(normals->faceNormals, normals->normals.size());
    if (const XFileMeshMaterialList* list = object.As<XFileMeshMaterialList>()) {
        for (const DWORD index : list->faceIndexes)
            Require(index < list->nMaterials, "a material index out of range");
    }
    if (const XFileAnimationKey* key = object.As<XFileAnimationKey>()) {
        const size_t expected[] = {4, 3, 3, 0, 16};
        Require(key->keyType <= XFILE_KEY_MATRIX, "an unknown key type");
        for (const XFileTimedFloatKeys& timed : key->keys)
            Require(expected[key->keyType] == 0 || timed.values.size() == expected[key->keyType], "a key's values");
    }
    for (size_t i = 0; i < object.ChildCount(); ++i) {
        const XFileObject& child = object.Child(i);
        const XFileObject* target = child.Resolved();
        Require(target != nullptr && !target->IsReference(), "an unresolved reference");
        Require(!child.IsReference() || target->Name() == child.Name(), "a reference to another name");
        if (const XFileMesh* mesh = object.As<XFileMesh>())
            CheckMeshChild(*mesh, *target);
        if (!child.IsReference())
            CheckObject(child, depth + 1);
    }
}

// Walks the file as a DirectX File caller does, through every child and into
// every reference's target (but not below it: its own place in the tree is
// walked anyway).
void WalkData(IDirectXFileData* data, int depth)
{
    Require(depth <= XFILE_MAX_DEPTH, "a walk past the depth limit");
    const GUID* type = nullptr;
    Require(data->GetType(&type) == DXFILE_OK && type != nullptr, "GetType");
    DWORD size = 0;
    Require(data->GetName(nullptr, &size) == DXFILE_OK, "GetName size");
    std::string name(size, '\0');
    Require(size == 0 || data->GetName(&name[0], &size) == DXFILE_OK, "GetName");
    void* bytes = nullptr;
    Require(data->GetData(nullptr, &size, &bytes) == DXFILE_OK, "GetData");
    Require(size == data->GetXFileObject()->PackedData().size(), "GetData size");

    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(data->GetNextObject(&child))) {
        IDirectXFileData* childData = nullptr;
        IDirectXFileDataReference* reference = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)))) {
            WalkData(childData, depth + 1);
            childData->Release();
        } else {
            Require(SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference,
                                                    reinterpret_cast<void**>(&reference))),
                    "a child neither data nor reference");
            IDirectXFileData* target = nullptr;
            Require(SUCCEEDED(reference->Resolve(&target)) && target != nullptr, "Resolve");
            Require(target->GetType(&type) == DXFILE_OK, "GetType of a target");
            target->Release();
            reference->Release();
        }
        child->Release();
    }
    Require(child == nullptr, "a child after the last");
}

HRESULT WalkFile()
{
    IDirectXFile* file = nullptr;
    Require(DirectXFileCreate(&file) == DXFILE_OK, "DirectXFileCreate");
    IDirectXFileEnumObject* enumObject = nullptr;
    const HRESULT result =
        file->CreateEnumObject(const_cast<char*>(FilePath().c_str()), DXFILELOAD_FROMFILE, &enumObject);
    file->Release();
    if (FAILED(result)) {
        Require(enumObject == nullptr, "an enumerator after a failure");
        return result;
    }
    IDirectXFileData* data = nullptr;
    while (SUCCEEDED(enumObject->GetNextDataObject(&data))) {
        WalkData(data, 1);
        data->Release();
    }
    enumObject->Release();
    return result;
}

// One state-only device for every input: meshes keep their buffers in memory.
IDirect3DDevice8* Device()
{
    static IDirect3DDevice8* const device = [] {
        D3D8Platform::UseStateOnlyDevices();
        IDirect3D8* direct3D = Direct3DCreate8(D3D_SDK_VERSION);
        Require(direct3D != nullptr, "Direct3DCreate8");
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.SwapEffect = D3DSWAPEFFECT_COPY;
        parameters.Windowed = TRUE;
        IDirect3DDevice8* created = nullptr;
        Require(SUCCEEDED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &created)),
                "CreateDevice");
        direct3D->Release();
        return created;
    }();
    return device;
}

void CheckAdjacency(const DWORD* adjacency, DWORD faces)
{
    for (DWORD face = 0; face < faces; ++face) {
        for (DWORD edge = 0; edge < 3; ++edge) {
            const DWORD neighbour = adjacency[face * 3 + edge];
            if (neighbour == D3DX_NO_NEIGHBOUR)
                continue;
            Require(neighbour < faces && neighbour != face, "a neighbour out of range");
            const DWORD* back = adjacency + neighbour * 3;
            Require(back[0] == face || back[1] == face || back[2] == face, "a neighbour that does not name the face");
        }
    }
}

// The load every display mesh runs, and the adjacency it asks for.
void LoadMesh()
{
    LPD3DXBUFFER adjacency = nullptr;
    LPD3DXBUFFER materials = nullptr;
    DWORD numMaterials = 0;
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXLoadMeshFromX(FilePath().c_str(), D3DXMESH_SYSTEMMEM, Device(), &adjacency, &materials,
                                 &numMaterials, &mesh))) {
        Require(adjacency == nullptr && materials == nullptr && mesh == nullptr, "outputs after a failure");
        return;
    }
    Require(mesh != nullptr && adjacency != nullptr, "a mesh and its adjacency");
    const DWORD faces = mesh->GetNumFaces();
    Require(adjacency->GetBufferSize() == faces * 3 * sizeof(DWORD), "an adjacency of another face count");
    const DWORD* loaded = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    CheckAdjacency(loaded, faces);
    std::vector<DWORD> generated(faces * 3);
    Require(SUCCEEDED(mesh->GenerateAdjacency(0.0f, generated.data())), "GenerateAdjacency");
    Require(std::memcmp(generated.data(), loaded, generated.size() * sizeof(DWORD)) == 0,
            "GenerateAdjacency and the load differ");
    mesh->Release();
    adjacency->Release();
    if (materials != nullptr)
        materials->Release();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    if (text.compare(0, std::strlen(MAGIC), MAGIC) != 0)
        text = TEXT_HEADER + text;

    XFileError error;
    const std::unique_ptr<XFileDocument> document = XFileDocument::Parse(text, error);
    Require((document != nullptr) == (error.result == DXFILE_OK), "a document and a fault, or neither");
    Require(document || (FAILED(error.result) && !error.message.empty()), "a fault without a failure or message");
    if (document) {
        for (size_t i = 0; i < document->ObjectCount(); ++i)
            CheckObject(document->Object(i), 1);
    }

    WriteFile(text);
    Require(WalkFile() == error.result, "the file and the text read differently");
    LoadMesh();
    return 0;
}
