#include "platform/d3dx8/D3DX8SkinMesh.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx8/XMeshWriter.h"

namespace {

constexpr DWORD kCornersPerFace = 3;
constexpr size_t kWrittenWeights = 3;
constexpr size_t kBlendedInfluences = 4;
constexpr DWORD kBitsPerByte = 8;

struct BoneInfluence {
    DWORD bone;
    float weight;
};

typedef std::vector<BoneInfluence> Influences;

struct SkinBone {
    std::string name;
    D3DXMATRIX offset;
};

// What the load reads before anything is created.
struct SkinSource {
    XMeshBuilder builder;
    std::vector<SkinBone> bones;
    // Indexed by the builder's output vertex.
    std::vector<Influences> influences;
};

void ClearOutputs(std::initializer_list<LPD3DXBUFFER*> buffers)
{
    for (LPD3DXBUFFER* buffer : buffers) {
        if (buffer != nullptr)
            *buffer = nullptr;
    }
}

HRESULT MakeBoneNameBuffer(const std::vector<SkinBone>& bones, LPD3DXBUFFER* buffer)
{
    size_t size = bones.size() * sizeof(LPSTR);
    for (const SkinBone& bone : bones)
        size += bone.name.size() + 1;
    const HRESULT result = D3DXCreateBuffer(static_cast<DWORD>(size), buffer);
    if (FAILED(result))
        return result;
    BYTE* bytes = static_cast<BYTE*>((*buffer)->GetBufferPointer());
    LPSTR* array = reinterpret_cast<LPSTR*>(bytes);
    char* names = reinterpret_cast<char*>(bytes + bones.size() * sizeof(LPSTR));
    for (size_t i = 0; i < bones.size(); ++i) {
        std::memcpy(names, bones[i].name.c_str(), bones[i].name.size() + 1);
        array[i] = names;
        names += bones[i].name.size() + 1;
    }
    return D3D_OK;
}

HRESULT MakeBoneOffsetBuffer(const std::vector<SkinBone>& bones, LPD3DXBUFFER* buffer)
{
    const HRESULT result = D3DXCreateBuffer(static_cast<DWORD>(bones.size() * sizeof(D3DXMATRIX)), buffer);
    if (FAILED(result))
        return result;
    D3DXMATRIX* offsets = static_cast<D3DXMATRIX*>((*buffer)->GetBufferPointer());
    for (size_t i = 0; i < bones.size(); ++i)
        offsets[i] = bones[i].offset;
    return D3D_OK;
}

// A weight list that does not fit the mesh is refused, not clamped.
bool ReadBone(const XFileSkinWeights& weights, size_t fileVertexCount, DWORD bone,
              std::vector<Influences>& byFileVertex, std::vector<SkinBone>& bones)
{
    if (weights.vertexIndices.size() != weights.weights.size())
        return false;
    for (size_t i = 0; i < weights.vertexIndices.size(); ++i) {
        const DWORD vertex = weights.vertexIndices[i];
        if (vertex >= fileVertexCount)
            return false;
        byFileVertex[vertex].push_back({bone, weights.weights[i]});
    }
    bones.push_back({weights.transformNodeName, D3DXMATRIX(weights.matrixOffset.matrix)});
    return true;
}

bool ReadSkin(const XFileObject& meshObject, SkinSource& source)
{
    const size_t fileVertexCount = meshObject.As<XFileMesh>()->vertices.size();
    std::vector<Influences> byFileVertex(fileVertexCount);
    const XFileXSkinMeshHeader* header = nullptr;
    for (size_t i = 0; i < meshObject.ChildCount(); ++i) {
        const XFileObject& child = *meshObject.Child(i).Resolved();
        if (header == nullptr)
            header = child.As<XFileXSkinMeshHeader>();
        const XFileSkinWeights* weights = child.As<XFileSkinWeights>();
        if (weights == nullptr)
            continue;
        const DWORD bone = static_cast<DWORD>(source.bones.size());
        if (!ReadBone(*weights, fileVertexCount, bone, byFileVertex, source.bones))
            return false;
    }
    if (header != nullptr && header->nBones != source.bones.size())
        return false;
    for (const XMeshVertex& vertex : source.builder.Vertices())
        source.influences.push_back(byFileVertex[vertex.fileVertex]);
    return true;
}

bool ReadSource(const XFileObject& meshObject, SkinSource& source)
{
    if (meshObject.As<XFileMesh>() == nullptr)
        return false;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    source.builder.KeepFileVerticesApart();
    if (!source.builder.AddMesh(meshObject, identity) || source.builder.Indices().empty())
        return false;
    return ReadSkin(meshObject, source);
}

HRESULT MakeOriginalMesh(const XMeshBuilder& builder, DWORD options, IDirect3DDevice8* device, MeshPointer& mesh)
{
    ID3DXMesh* created = nullptr;
    HRESULT result = D3DXCreateMeshFVF(static_cast<DWORD>(builder.Attributes().size()),
                                       static_cast<DWORD>(builder.Vertices().size()), options, builder.Fvf(), device,
                                       &created);
    if (FAILED(result))
        return result;
    mesh.reset(created);
    BYTE* vertices = nullptr;
    result = mesh->LockVertexBuffer(0, &vertices);
    if (FAILED(result))
        return result;
    builder.WriteVertices(vertices);
    mesh->UnlockVertexBuffer();
    return WriteMeshFaces(*mesh, builder);
}

// The four largest, scaled to sum to 1; none (or no weight) is bone 0 alone.
Influences Strongest(Influences influences)
{
    std::stable_sort(influences.begin(), influences.end(),
                     [](const BoneInfluence& a, const BoneInfluence& b) { return a.weight > b.weight; });
    if (influences.size() > kBlendedInfluences)
        influences.resize(kBlendedInfluences);
    float sum = 0.0f;
    for (const BoneInfluence& influence : influences)
        sum += influence.weight;
    if (!(sum > 0.0f))
        return {{0, 1.0f}};
    for (BoneInfluence& influence : influences)
        influence.weight /= sum;
    return influences;
}

D3DXBlendedVertex BlendVertex(const XMeshVertex& vertex, const Influences& influences)
{
    D3DXBlendedVertex blended = {};
    blended.position = vertex.position;
    blended.normal = vertex.normal;
    blended.u = vertex.u;
    blended.v = vertex.v;
    const Influences strongest = Strongest(influences);
    for (size_t k = 0; k < strongest.size(); ++k) {
        if (k < kWrittenWeights)
            blended.weights[k] = strongest[k].weight;
        blended.indices |= (strongest[k].bone & 0xFF) << (k * kBitsPerByte);
    }
    return blended;
}

HRESULT MakeIdentityBuffer(DWORD count, LPD3DXBUFFER* buffer)
{
    const HRESULT result = D3DXCreateBuffer(count * sizeof(DWORD), buffer);
    if (FAILED(result))
        return result;
    DWORD* entries = static_cast<DWORD*>((*buffer)->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i)
        entries[i] = i;
    return D3D_OK;
}

// One combination per attribute used, in attribute order; the faces of an
// attribute need not be contiguous (the mesh is not sorted), so FaceStart and
// VertexStart are 0 and the counts cover the whole mesh. The palette (one
// BoneId array shared by all) follows the table in the same buffer.
HRESULT MakeBoneCombinations(const std::vector<DWORD>& attributes, DWORD vertexCount, DWORD paletteSize,
                             DWORD& count, LPD3DXBUFFER* buffer)
{
    std::vector<DWORD> used(attributes);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    count = static_cast<DWORD>(used.size());
    const size_t tableSize = used.size() * sizeof(D3DXBONECOMBINATION);
    const HRESULT result = D3DXCreateBuffer(static_cast<DWORD>(tableSize + paletteSize * sizeof(DWORD)), buffer);
    if (FAILED(result))
        return result;
    BYTE* bytes = static_cast<BYTE*>((*buffer)->GetBufferPointer());
    DWORD* palette = reinterpret_cast<DWORD*>(bytes + tableSize);
    for (DWORD slot = 0; slot < paletteSize; ++slot)
        palette[slot] = slot;
    D3DXBONECOMBINATION* table = reinterpret_cast<D3DXBONECOMBINATION*>(bytes);
    for (size_t i = 0; i < used.size(); ++i) {
        const DWORD faces = static_cast<DWORD>(std::count(attributes.begin(), attributes.end(), used[i]));
        table[i] = {used[i], 0, faces, 0, vertexCount, palette};
    }
    return D3D_OK;
}

class D3DXSkinMeshObject final : public RefCounted<ID3DXSkinMesh> {
public:
    D3DXSkinMeshObject(IDirect3DDevice8* device, SkinSource source, MeshPointer original)
        : m_Device(device), m_Source(std::move(source)), m_Original(std::move(original))
    {
        m_Device->AddRef();
    }

    DWORD GetNumFaces() override { return m_Original->GetNumFaces(); }
    DWORD GetNumVertices() override { return m_Original->GetNumVertices(); }
    DWORD GetNumBones() override { return static_cast<DWORD>(m_Source.bones.size()); }

    HRESULT GetOriginalMesh(LPD3DXMESH* mesh) override
    {
        if (mesh == nullptr)
            return D3DERR_INVALIDCALL;
        m_Original->AddRef();
        *mesh = m_Original.get();
        return D3D_OK;
    }

    HRESULT ConvertToIndexedBlendedMesh(DWORD options, const DWORD* adjacencyIn, DWORD paletteSize,
                                        DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                        LPD3DXBUFFER* boneCombinationTable, DWORD* faceRemap,
                                        LPD3DXBUFFER* vertexRemap, LPD3DXMESH* mesh) override;

private:
    ~D3DXSkinMeshObject() override { m_Device->Release(); }

    HRESULT FillBlended(ID3DXMesh& blended) const;

    IDirect3DDevice8* m_Device;
    SkinSource m_Source;
    MeshPointer m_Original;
};

HRESULT D3DXSkinMeshObject::FillBlended(ID3DXMesh& blended) const
{
    BYTE* data = nullptr;
    HRESULT result = blended.LockVertexBuffer(0, &data);
    if (FAILED(result))
        return result;
    const std::vector<XMeshVertex>& vertices = m_Source.builder.Vertices();
    for (size_t i = 0; i < vertices.size(); ++i) {
        const D3DXBlendedVertex vertex = BlendVertex(vertices[i], m_Source.influences[i]);
        std::memcpy(data + i * sizeof(D3DXBlendedVertex), &vertex, sizeof(vertex));
    }
    blended.UnlockVertexBuffer();
    return WriteMeshFaces(blended, m_Source.builder);
}

HRESULT D3DXSkinMeshObject::ConvertToIndexedBlendedMesh(DWORD options, const DWORD* adjacencyIn, DWORD paletteSize,
                                                        DWORD* adjacencyOut, DWORD* numBoneCombinations,
                                                        LPD3DXBUFFER* boneCombinationTable, DWORD* faceRemap,
                                                        LPD3DXBUFFER* vertexRemap, LPD3DXMESH* mesh)
{
    ClearOutputs({boneCombinationTable, vertexRemap});
    if (numBoneCombinations != nullptr)
        *numBoneCombinations = 0;
    if (mesh == nullptr)
        return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    const DWORD bones = GetNumBones();
    if (bones > kMaxSkinPaletteBones || bones > paletteSize)
        return D3DERR_INVALIDCALL;

    ID3DXMesh* created = nullptr;
    HRESULT result = D3DXCreateMeshFVFStride(GetNumFaces(), GetNumVertices(), options, kBlendedVertexFvf,
                                             sizeof(D3DXBlendedVertex), m_Device, &created);
    if (FAILED(result))
        return result;
    MeshPointer blended(created);
    result = FillBlended(*blended);
    if (FAILED(result))
        return result;

    BufferPointer ownedCombinations;
    BufferPointer ownedRemap;
    DWORD combinations = 0;
    if (boneCombinationTable != nullptr) {
        LPD3DXBUFFER table = nullptr;
        result = MakeBoneCombinations(m_Source.builder.Attributes(), GetNumVertices(), paletteSize, combinations,
                                      &table);
        if (FAILED(result))
            return result;
        ownedCombinations.reset(table);
    }
    if (vertexRemap != nullptr) {
        LPD3DXBUFFER remap = nullptr;
        result = MakeIdentityBuffer(GetNumVertices(), &remap);
        if (FAILED(result))
            return result;
        ownedRemap.reset(remap);
    }
    if (adjacencyOut != nullptr) {
        if (adjacencyIn != nullptr)
            std::memmove(adjacencyOut, adjacencyIn, GetNumFaces() * kCornersPerFace * sizeof(DWORD));
        else if (FAILED(result = blended->GenerateAdjacency(0.0f, adjacencyOut)))
            return result;
    }
    for (DWORD face = 0; faceRemap != nullptr && face < GetNumFaces(); ++face)
        faceRemap[face] = face;

    if (numBoneCombinations != nullptr)
        *numBoneCombinations = combinations;
    if (boneCombinationTable != nullptr)
        *boneCombinationTable = ownedCombinations.release();
    if (vertexRemap != nullptr)
        *vertexRemap = ownedRemap.release();
    *mesh = blended.release();
    return D3D_OK;
}

// Every buffer asked for, or none.
struct LoadBuffers {
    BufferPointer adjacency;
    BufferPointer materials;
    BufferPointer boneNames;
    BufferPointer boneTransforms;
};

HRESULT MakeBuffer(bool wanted, BufferPointer& owner, HRESULT (*make)(const SkinSource&, ID3DXMesh&, LPD3DXBUFFER*),
                   const SkinSource& source, ID3DXMesh& mesh)
{
    if (!wanted)
        return D3D_OK;
    LPD3DXBUFFER buffer = nullptr;
    const HRESULT result = make(source, mesh, &buffer);
    owner.reset(buffer);
    return result;
}

HRESULT MakeLoadBuffers(const SkinSource& source, ID3DXMesh& mesh, LPD3DXBUFFER* adjacency,
                        LPD3DXBUFFER* materials, LPD3DXBUFFER* boneNames, LPD3DXBUFFER* boneTransforms,
                        LoadBuffers& buffers)
{
    HRESULT result = MakeBuffer(
        adjacency != nullptr, buffers.adjacency,
        [](const SkinSource&, ID3DXMesh& m, LPD3DXBUFFER* b) { return MakeAdjacencyBuffer(m, b); }, source, mesh);
    if (SUCCEEDED(result))
        result = MakeBuffer(
            materials != nullptr, buffers.materials,
            [](const SkinSource& s, ID3DXMesh&, LPD3DXBUFFER* b) { return MakeMaterialBuffer(s.builder.Materials(), b); },
            source, mesh);
    if (SUCCEEDED(result))
        result = MakeBuffer(
            boneNames != nullptr, buffers.boneNames,
            [](const SkinSource& s, ID3DXMesh&, LPD3DXBUFFER* b) { return MakeBoneNameBuffer(s.bones, b); }, source,
            mesh);
    if (SUCCEEDED(result))
        result = MakeBuffer(
            boneTransforms != nullptr, buffers.boneTransforms,
            [](const SkinSource& s, ID3DXMesh&, LPD3DXBUFFER* b) { return MakeBoneOffsetBuffer(s.bones, b); },
            source, mesh);
    return result;
}

} // namespace

HRESULT D3DXLoadSkinMeshFromXFileObject(const XFileObject& meshObject, DWORD options, IDirect3DDevice8* device,
                                        LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                                        LPD3DXBUFFER* boneNames, LPD3DXBUFFER* boneTransforms,
                                        LPD3DXSKINMESH* mesh)
{
    ClearOutputs({adjacency, materials, boneNames, boneTransforms});
    if (numMaterials != nullptr)
        *numMaterials = 0;
    if (mesh == nullptr || device == nullptr)
        return D3DERR_INVALIDCALL;
    *mesh = nullptr;

    SkinSource source;
    if (!ReadSource(*meshObject.Resolved(), source))
        return E_FAIL;
    MeshPointer original;
    HRESULT result = MakeOriginalMesh(source.builder, options, device, original);
    if (FAILED(result))
        return result;
    LoadBuffers buffers;
    result = MakeLoadBuffers(source, *original, adjacency, materials, boneNames, boneTransforms, buffers);
    if (FAILED(result))
        return result;

    const DWORD materialCount = static_cast<DWORD>(source.builder.Materials().size());
    if (adjacency != nullptr)
        *adjacency = buffers.adjacency.release();
    if (materials != nullptr)
        *materials = buffers.materials.release();
    if (boneNames != nullptr)
        *boneNames = buffers.boneNames.release();
    if (boneTransforms != nullptr)
        *boneTransforms = buffers.boneTransforms.release();
    if (numMaterials != nullptr)
        *numMaterials = materialCount;
    *mesh = new D3DXSkinMeshObject(device, std::move(source), std::move(original));
    return D3D_OK;
}

HRESULT D3DXLoadSkinMeshFromXof(IDirectXFileData* meshData, DWORD options, IDirect3DDevice8* device,
                                LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, DWORD* numMaterials,
                                LPD3DXBUFFER* boneNames, LPD3DXBUFFER* boneTransforms, LPD3DXSKINMESH* mesh)
{
    const XFileObject* object = meshData != nullptr ? meshData->GetXFileObject() : nullptr;
    if (object == nullptr) {
        ClearOutputs({adjacency, materials, boneNames, boneTransforms});
        if (numMaterials != nullptr)
            *numMaterials = 0;
        if (mesh != nullptr)
            *mesh = nullptr;
        return D3DERR_INVALIDCALL;
    }
    return D3DXLoadSkinMeshFromXFileObject(*object, options, device, adjacency, materials, numMaterials, boneNames,
                                           boneTransforms, mesh);
}
