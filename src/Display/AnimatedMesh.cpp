#include "Display/AnimatedMesh.h"

#include <cstring>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Core/SafeRelease.h"
#include "Display/Display.h"
#include "Display/DisplayMesh.h"
#include "Display/VertexShaders.h"
#include "Display/XFileObjects.h"

namespace {

const char* const SOURCE = ".\\Display\\AnimatedMesh.cpp";
const char* const KEYWORD_ANIM_MESH = "AnimMesh";
const char* const KEYWORD_SRC = "Src";

const char* const CALL_LOAD_SKIN = "D3DXLoadSkinMeshFromXof( pDataObj, 0, pD3DDevice, &pAdjacencyBuffer, "
                                   "&pMaterialBuffer, &NumMaterials, &m_Mesh.m_BoneNames, "
                                   "&m_Mesh.m_BoneOffsets, &m_Mesh.m_SkinMesh )";
const char* const CALL_CONVERT = "m_Mesh.m_SkinMesh->ConvertToIndexedBlendedMesh( 0,AdjacencyIn,m_Mesh.m_NumBones,"
                                 "AdjacencyOut, &NumBonCombos,&m_BoneCombinationTable, 0,0,&m_Mesh.m_Mesh )";
const char* const CALL_ADJACENCY = "m_Mesh.m_Mesh->GenerateAdjacency( 0.0f, pu32Adj )";
const char* const CALL_OPTIMIZE =
    "m_Mesh.m_Mesh->OptimizeInplace( D3DXMESHOPT_VERTEXCACHE, pu32Adj, NULL, NULL, NULL )";

const DWORD ADJACENCY_PER_FACE = 3;
const UINT BLENDED_VERTEX_STRIDE = sizeof(D3DXBlendedVertex);

// The skinning shader's constant registers.
const DWORD REGISTERS_PER_MATRIX = 4;
const DWORD REGISTER_VIEW_PROJECTION = 80;
const DWORD REGISTER_INDEX_SCALE = 85;
const DWORD REGISTER_LIGHT_DIRECTION = 87;
const DWORD REGISTER_DIFFUSE = 92;
const DWORD REGISTER_EMISSIVE = 93;
// An index byte arrives as byte / 255; times 4 x 255 (and a little, against
// rounding down) it is the bone's first register.
const float INDEX_SCALE[4] = {4.0f, 1020.01f, 1.0f, 0.0f};

D3DXMATRIX Identity()
{
    D3DXMATRIX matrix;
    D3DXMatrixIdentity(&matrix);
    return matrix;
}

} // namespace

// --- cMeshBlock

cMeshBlock::~cMeshBlock()
{
    Clear();
}

void cMeshBlock::Clear()
{
    m_Name.clear();
    ReleaseAndClear(m_Mesh);
    ReleaseAndClear(m_SkinMesh);
    m_Materials.clear();
    m_Textures.clear();
    m_NumBones = 0;
    m_BoneNames.clear();
    m_BoneOffsets.clear();
    m_BoneMatrices.clear();
}

// --- parsing

// A frame as the file is read: a tree of owned nodes, children kept in the
// reverse of their order in the file (each new one goes in front).
struct cMesh::ParseFrame {
    std::string m_Name;
    int m_MeshCount = 0;
    D3DXMATRIX m_matFileTransform = Identity();
    std::vector<std::unique_ptr<ParseFrame>> m_Children;
};

struct cMesh::ParseState {
    // A mesh that could not be loaded or made drawable fails the whole file.
    bool m_bFailed = false;
};

cMesh::cMesh()
{
    cMesh::Init();
}

cMesh::cMesh(const cMesh& other) : CStdInterface(other), CAsset(other)
{
    m_pBlock = other.m_pBlock;
    m_Frames = other.m_Frames;
    LinkBones();
}

cMesh& cMesh::operator=(const cMesh& other)
{
    if (this == &other)
        return *this;
    CStdInterface::operator=(other);
    CAsset::operator=(other);
    m_pBlock = other.m_pBlock;
    m_Frames = other.m_Frames;
    LinkBones();
    return *this;
}

bool cMesh::Init()
{
    CStdInterface::Init();
    m_pBlock.reset();
    m_Frames.clear();
    m_BoneFrames.clear();
    m_bSourceFailed = false;
    return true;
}

bool cMesh::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    // A mesh that could not be read is not drawn in silence: the block fails.
    if (!ReadBlock(reader, KEYWORD_ANIM_MESH) || m_bSourceFailed)
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool cMesh::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (!reader.Match(KEYWORD_SRC))
        return false;
    m_SourceFile = reader.GetString();
    m_bSourceFailed = !LoadX(m_SourceFile);
    return !m_bSourceFailed;
}

std::string cMesh::GetLoadFailure() const
{
    if (!m_bSourceFailed)
        return std::string();
    return DescribeScriptFailure(m_SourceFile, 0, MESH_FILE_FAILURE);
}

bool cMesh::LoadX(const std::string& fileName)
{
    m_Frames.clear();
    m_BoneFrames.clear();
    m_pBlock = std::make_shared<cMeshBlock>();
    if (fileName.empty())
        return false;

    XFileObjects file;
    if (!file.Open(fileName)) {
        g_Log.Write("Unable to read the animated mesh file " + fileName);
        return false;
    }
    ParseFrame root;
    // Named now: a mesh at the top level is bound to this record by name.
    root.m_Name = ROOT_FRAME_NAME;
    ParseState state;
    while (IDirectXFileData* data = file.NextTopLevelObject()) {
        ParseObject(*data, root, state);
        data->Release();
    }
    if (state.m_bFailed) {
        m_pBlock = std::make_shared<cMeshBlock>();
        return false;
    }
    FlattenTree(root);
    LinkBones();
    return true;
}

void cMesh::ParseObject(IDirectXFileData& data, ParseFrame& parent, ParseState& state)
{
    const GUID* type = nullptr;
    if (state.m_bFailed || FAILED(data.GetType(&type)))
        return;
    std::string name = XFileObjects::NameOf(data);
    if (name.empty())
        name = NO_NAME;

    if (*type == TID_D3DRMFrame) {
        auto frame = std::make_unique<ParseFrame>();
        frame->m_Name = name;
        ParseFrame& child = *frame;
        parent.m_Children.insert(parent.m_Children.begin(), std::move(frame));
        ParseChildren(data, child, state);
        return;
    }
    if (*type == TID_D3DRMFrameTransformMatrix) {
        const D3DXMATRIX* matrix = XFileObjects::DataAs<D3DXMATRIX>(data);
        if (matrix != nullptr)
            parent.m_matFileTransform = *matrix;
        ParseChildren(data, parent, state);
        return;
    }
    if (*type == TID_D3DRMMesh) {
        if (m_pBlock->m_Mesh == nullptr || m_pBlock->m_Name != name) {
            if (!LoadMeshObject(data, name, parent.m_Name)) {
                state.m_bFailed = true;
                return;
            }
        }
        ++parent.m_MeshCount;
        ParseChildren(data, parent, state);
        return;
    }
    if (*type == TID_D3DRMAnimationSet || *type == TID_D3DRMAnimation || *type == TID_D3DRMAnimationKey)
        return;
    ParseChildren(data, parent, state);
}

void cMesh::ParseChildren(IDirectXFileData& data, ParseFrame& parent, ParseState& state)
{
    XFileObjects::ForEachChild(data, [&](IDirectXFileData& child) { ParseObject(child, parent, state); });
}

bool cMesh::LoadMeshObject(IDirectXFileData& data, const std::string& name, const std::string& frameName)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr)
        return false;
    m_pBlock->Clear();
    m_pBlock->m_Name = name;

    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* boneNames = nullptr;
    ID3DXBuffer* boneOffsets = nullptr;
    DWORD numMaterials = 0;
    // The skin mesh is only the source of the conversion: system memory.
    if (!CheckD3DResult(D3DXLoadSkinMeshFromXof(&data, D3DXMESH_SYSTEMMEM, device, &adjacency, &materials, &numMaterials,
                                                &boneNames, &boneOffsets, &m_pBlock->m_SkinMesh),
                        SOURCE, __LINE__, CALL_LOAD_SKIN))
        return false;

    cMeshBlock& block = *m_pBlock;
    block.m_NumBones = block.m_SkinMesh->GetNumBones();
    const LPSTR* names = boneNames != nullptr ? static_cast<const LPSTR*>(boneNames->GetBufferPointer()) : nullptr;
    const D3DXMATRIX* offsets =
        boneOffsets != nullptr ? static_cast<const D3DXMATRIX*>(boneOffsets->GetBufferPointer()) : nullptr;
    if (names == nullptr || offsets == nullptr)
        block.m_NumBones = 0;
    for (DWORD i = 0; i < block.m_NumBones; ++i) {
        block.m_BoneNames.push_back(names[i]);
        block.m_BoneOffsets.push_back(offsets[i]);
    }
    ReleaseAndClear(boneNames);
    ReleaseAndClear(boneOffsets);

    bool converted = false;
    if (block.m_NumBones > kMaxSkinPaletteBones) {
        g_Log.Write("Animated mesh " + name + " has " + std::to_string(block.m_NumBones) + " bones; at most " +
                    std::to_string(kMaxSkinPaletteBones) + " can be drawn");
    } else {
        converted = ConvertSkinMesh(frameName);
    }
    if (converted) {
        LoadMaterialTextures(block.m_Materials, block.m_Textures, numMaterials,
                             static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()));
    }
    ReleaseAndClear(adjacency);
    ReleaseAndClear(materials);
    return converted;
}

// Makes the 48-byte blended mesh the skinning shader draws. A mesh without
// bones becomes one bone of weight 1 that follows the frame holding it, so
// that it draws through the same shader.
bool cMesh::ConvertSkinMesh(const std::string& frameName)
{
    cMeshBlock& block = *m_pBlock;
    const DWORD paletteSize = block.m_NumBones > 0 ? block.m_NumBones : 1;
    std::vector<DWORD> adjacency(static_cast<size_t>(block.m_SkinMesh->GetNumFaces()) * ADJACENCY_PER_FACE);
    // Managed, so that the mesh survives a device reset (one in the default
    // pool would make every reset fail).
    if (!CheckD3DResult(block.m_SkinMesh->ConvertToIndexedBlendedMesh(D3DXMESH_MANAGED, nullptr, paletteSize, adjacency.data(),
                                                                       nullptr, nullptr, nullptr, nullptr,
                                                                       &block.m_Mesh),
                        SOURCE, __LINE__, CALL_CONVERT))
        return false;

    if (block.m_NumBones == 0) {
        ReleaseAndClear(block.m_SkinMesh);
        block.m_NumBones = 1;
        block.m_BoneNames.push_back(frameName);
        block.m_BoneOffsets.push_back(Identity());
    }
    block.m_BoneMatrices.assign(block.m_NumBones, Identity());

    CheckD3DResult(block.m_Mesh->GenerateAdjacency(0.0f, adjacency.data()), SOURCE, __LINE__, CALL_ADJACENCY);
    CheckD3DResult(block.m_Mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, adjacency.data(), nullptr, nullptr, nullptr),
                   SOURCE, __LINE__, CALL_OPTIMIZE);
    return true;
}

// A file whose top level holds a mesh keeps the empty root record for it;
// otherwise the top-level frames stand on their own, the last in the file
// first.
void cMesh::FlattenTree(ParseFrame& root)
{
    struct Flattener {
        std::vector<cFrame>& frames;
        const cMeshBlock* block;

        int Siblings(const std::vector<std::unique_ptr<ParseFrame>>& list, int parent)
        {
            int first = -1;
            int previous = -1;
            for (const std::unique_ptr<ParseFrame>& node : list) {
                const int index = One(*node, parent);
                if (previous >= 0)
                    frames[previous].m_NextSibling = index;
                else
                    first = index;
                previous = index;
            }
            return first;
        }

        int One(const ParseFrame& node, int parent)
        {
            const int index = static_cast<int>(frames.size());
            frames.emplace_back();
            cFrame& frame = frames.back();
            frame.m_Name = node.m_Name;
            frame.m_Meshes.assign(node.m_MeshCount, block);
            frame.m_matFileTransform = node.m_matFileTransform;
            frame.m_matTransform = node.m_matFileTransform;
            frame.m_matCombined = Identity();
            frame.m_matModel = Identity();
            frame.m_Parent = parent;
            const int firstChild = Siblings(node.m_Children, index);
            frames[index].m_FirstChild = firstChild;
            return index;
        }
    };

    m_Frames.clear();
    Flattener flattener{m_Frames, m_pBlock.get()};
    if (root.m_MeshCount > 0) {
        flattener.One(root, -1);
        return;
    }
    flattener.Siblings(root.m_Children, -1);
}

// --- frames and bones

cFrame* cMesh::FindFrame(const char* name)
{
    return const_cast<cFrame*>(static_cast<const cMesh*>(this)->FindFrame(name));
}

const cFrame* cMesh::FindFrame(const char* name) const
{
    if (name == nullptr)
        return nullptr;
    for (const cFrame& frame : m_Frames) {
        if (frame.m_Name == name)
            return &frame;
    }
    return nullptr;
}

void cMesh::LinkBones()
{
    m_BoneFrames.clear();
    if (m_pBlock == nullptr)
        return;
    m_BoneFrames.assign(m_pBlock->m_NumBones, nullptr);
    for (const cFrame& frame : m_Frames) {
        for (DWORD bone = 0; bone < m_pBlock->m_NumBones; ++bone) {
            if (m_pBlock->m_BoneNames[bone] == frame.m_Name)
                m_BoneFrames[bone] = &frame.m_matCombined;
        }
    }
}

const D3DXMATRIX* cMesh::GetBoneFrameMatrix(DWORD bone) const
{
    return bone < m_BoneFrames.size() ? m_BoneFrames[bone] : nullptr;
}

void cMesh::UpdateFrameMatrices(int index, const D3DXMATRIX& parent, bool animated)
{
    for (int i = index; i >= 0 && i < static_cast<int>(m_Frames.size()); i = m_Frames[i].m_NextSibling) {
        cFrame& frame = m_Frames[i];
        const D3DXMATRIX& local = animated ? frame.m_matTransform : frame.m_matFileTransform;
        frame.m_matCombined = local * parent;
        if (frame.m_FirstChild >= 0)
            UpdateFrameMatrices(frame.m_FirstChild, frame.m_matCombined, animated);
    }
}

void cMesh::ComputeBoneMatrices()
{
    if (m_pBlock == nullptr)
        return;
    cMeshBlock& block = *m_pBlock;
    for (DWORD bone = 0; bone < block.m_NumBones; ++bone) {
        const D3DXMATRIX* frame = GetBoneFrameMatrix(bone);
        block.m_BoneMatrices[bone] = frame != nullptr ? block.m_BoneOffsets[bone] * *frame : Identity();
    }
}

void cMesh::UpdateModelMatrices(bool animated)
{
    // The frames are stored parents first, so each parent is done before its children.
    for (size_t i = 0; i < m_Frames.size(); ++i) {
        cFrame& frame = m_Frames[i];
        const D3DXMATRIX& local = animated ? frame.m_matTransform : frame.m_matFileTransform;
        const bool hasParent = frame.m_Parent >= 0 && static_cast<size_t>(frame.m_Parent) < i;
        frame.m_matModel = hasParent ? local * m_Frames[frame.m_Parent].m_matModel : local;
    }
}

void cMesh::ResetFrameTransforms()
{
    for (cFrame& frame : m_Frames)
        frame.m_matTransform = frame.m_matFileTransform;
}

// --- drawing

bool cMesh::Render(const D3DXMATRIX& world, bool animated)
{
    if (m_pBlock == nullptr || m_pBlock->m_Materials.empty())
        return DrawSkinned(world, animated, D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f}, D3DCOLORVALUE{});
    const D3DMATERIAL8& material = m_pBlock->m_Materials.front();
    return DrawSkinned(world, animated, material.Diffuse, material.Emissive);
}

bool cMesh::RenderWithColours(const D3DXMATRIX& world, bool animated, const D3DCOLORVALUE& diffuse,
                              const D3DCOLORVALUE& emissive)
{
    return DrawSkinned(world, animated, diffuse, emissive);
}

bool cMesh::DrawSkinned(const D3DXMATRIX& world, bool animated, const D3DCOLORVALUE& diffuse,
                        const D3DCOLORVALUE& emissive)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || m_Frames.empty() || m_pBlock == nullptr || m_pBlock->m_Mesh == nullptr)
        return false;
    cMeshBlock& block = *m_pBlock;

    D3DXMATRIX view;
    D3DXMATRIX projection;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    const D3DXMATRIX viewProjection = view * projection;

    UpdateFrameMatrices(0, world, animated);
    ComputeBoneMatrices();
    const D3DXMATRIX identity = Identity();
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &viewProjection);

    const DWORD uploaded = block.m_NumBones < kMaxSkinPaletteBones ? block.m_NumBones : kMaxSkinPaletteBones;
    for (DWORD bone = 0; bone < uploaded; ++bone)
        SetVertexShaderMatrix(device, bone * REGISTERS_PER_MATRIX, block.m_BoneMatrices[bone]);
    SetVertexShaderMatrix(device, REGISTER_VIEW_PROJECTION, viewProjection);
    device->SetVertexShaderConstant(REGISTER_DIFFUSE, &diffuse, 1);
    device->SetVertexShaderConstant(REGISTER_EMISSIVE, &emissive, 1);
    device->SetVertexShaderConstant(REGISTER_INDEX_SCALE, INDEX_SCALE, 1);
    D3DLIGHT8 light = {};
    device->GetLight(0, &light);
    const float towardsLight[4] = {-light.Direction.x, -light.Direction.y, -light.Direction.z, 0.0f};
    device->SetVertexShaderConstant(REGISTER_LIGHT_DIRECTION, towardsLight, 1);

    device->SetVertexShader(g_VertexShaders.GetShader(VS_INDEXED_SKINNED_MESH));
    device->SetTexture(0, block.m_Textures.empty() ? nullptr : block.m_Textures.front());
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    block.m_Mesh->GetVertexBuffer(&vertices);
    block.m_Mesh->GetIndexBuffer(&indices);
    device->SetStreamSource(0, vertices, BLENDED_VERTEX_STRIDE);
    device->SetIndices(indices, 0);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, block.m_Mesh->GetNumVertices(), 0,
                                 block.m_Mesh->GetNumFaces());
    ReleaseAndClear(vertices);
    ReleaseAndClear(indices);

    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    return true;
}
