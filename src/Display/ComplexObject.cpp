#include "Display/ComplexObject.h"

#include "Display/RenderQueue.h"

#include <cstdlib>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Display/Texture.h"

namespace {

const char* const KEYWORD_COMPLEX_OBJECT = "ComplexObject";
const char* const KEYWORD_OPAQUE_OBJ = "OpaqueObj";
const char* const KEYWORD_TRANS_OBJ = "TransObj";
const char* const KEYWORD_SUB_GROUP = "SubGroup";
const char* const KEYWORD_GROUP = "GROUP#";
const char* const KEYWORD_TEXTURE = "TEXTURE";
const char* const KEYWORD_ORIENTATION = "Orientation";
const char* const KEYWORD_SCALE = "Scale";
// Compared exactly: "none" would be an asset name.
const char* const NO_OBJECT = "NONE";

const float NO_SCALE = 1.0f;
const int EVERY_COLOUR_GROUP = -1;
const float BOX_START = 999999.0f;

} // namespace

CComplexObjectQueue* CComplexObject::s_pQueue = &g_RenderQueue;

CComplexObject::CComplexObject()
{
    CComplexObject::Init();
}

CComplexObject::CComplexObject(const CComplexObject& other)
    : CStdInterface(other)
    , CAsset(other)
    , m_matLocal(other.m_matLocal)
    , m_pParentMatrix(nullptr)
    , m_fScale(other.m_fScale)
    , m_OpaqueParts(other.m_OpaqueParts)
    , m_TransparentParts(other.m_TransparentParts)
    , m_SubGroups(other.m_SubGroups)
    , m_pBoundingBox(other.m_pBoundingBox)
    , m_pExportedWorld(other.m_pExportedWorld)
{
    D3DXMatrixIdentity(&m_matWorld);
    LinkParts();
}

CComplexObject& CComplexObject::operator=(const CComplexObject& other)
{
    if (this == &other)
        return *this;
    // `other` may live inside this tree (a group naming itself): take
    // everything from it before anything here changes.
    CComplexObject copy(other);
    Init();
    m_Name = std::move(copy.m_Name);
    m_AssetType = copy.m_AssetType;
    m_bInitialised = copy.m_bInitialised;
    m_bReady = copy.m_bReady;
    m_matLocal = copy.m_matLocal;
    m_fScale = copy.m_fScale;
    m_OpaqueParts = std::move(copy.m_OpaqueParts);
    m_TransparentParts = std::move(copy.m_TransparentParts);
    m_SubGroups = std::move(copy.m_SubGroups);
    m_pBoundingBox = std::move(copy.m_pBoundingBox);
    m_pExportedWorld = copy.m_pExportedWorld;
    LinkParts();
    return *this;
}

// The parts and sub-groups are kept: a copy fills them after Init.
bool CComplexObject::Init()
{
    CStdInterface::Init();
    D3DXMatrixIdentity(&m_matWorld);
    D3DXMatrixIdentity(&m_matLocal);
    m_pParentMatrix = nullptr;
    m_fScale = NO_SCALE;
    m_pExportedWorld = nullptr;
    return true;
}

bool CComplexObject::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    if (!ReadBlock(reader, KEYWORD_COMPLEX_OBJECT))
        return false;
    m_bInitialised = LinkParts();
    m_bReady = m_bInitialised;
    ComputeBoundingBox();
    return m_bInitialised;
}

bool CComplexObject::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_OPAQUE_OBJ))
        return ReadPart(reader, m_OpaqueParts, true);
    if (reader.Match(KEYWORD_TRANS_OBJ))
        return ReadPart(reader, m_TransparentParts, false);
    if (reader.Match(KEYWORD_SUB_GROUP)) {
        const std::string name = reader.GetString();
        if (name == NO_OBJECT)
            return true;
        CComplexObject placeholder;
        placeholder.m_Name = name;
        m_SubGroups.push_back(placeholder);
        return true;
    }
    if (reader.Match(KEYWORD_ORIENTATION)) {
        m_matLocal = reader.GetMatrix();
        return true;
    }
    if (reader.Match(KEYWORD_SCALE)) {
        m_fScale = reader.GetFloat();
        return true;
    }
    return false;
}

// After "NONE" neither option is read: one that follows ends the block.
bool CComplexObject::ReadPart(CDataBuffer& reader, std::vector<CDisplayObject3D>& parts, bool allowTexture)
{
    const std::string name = reader.GetString();
    if (name == NO_OBJECT)
        return true;
    CDisplayObject3D* prototype = nullptr;
    g_AssetManager.GetAsset(name, prototype, true);
    if (prototype == nullptr)
        return false;
    parts.push_back(*prototype);
    CDisplayObject3D& part = parts.back();
    if (reader.Match(KEYWORD_GROUP))
        part.SetColourGroup(std::atoi(reader.GetString().c_str()));
    if (!allowTexture || !reader.Match(KEYWORD_TEXTURE))
        return true;
    CTexture* texture = nullptr;
    g_AssetManager.GetAsset(reader.GetString(), texture, true);
    if (texture != nullptr)
        part.SetTextureOverride(texture->GetTexture());
    return true;
}

bool CComplexObject::LinkParts()
{
    for (CDisplayObject3D& part : m_OpaqueParts)
        part.SetParentMatrix(&m_matWorld);
    for (CDisplayObject3D& part : m_TransparentParts)
        part.SetParentMatrix(&m_matWorld);
    for (CComplexObject& group : m_SubGroups)
        group.m_pParentMatrix = &m_matWorld;
    return true;
}

void CComplexObject::SetPosition(const D3DXVECTOR3* position)
{
    if (position == nullptr)
        return;
    m_matLocal._41 = position->x;
    m_matLocal._42 = position->y;
    m_matLocal._43 = position->z;
}

void CComplexObject::UpdateWorldMatrix()
{
    m_matWorld = m_matLocal;
    if (m_pParentMatrix != nullptr)
        D3DXMatrixMultiply(&m_matWorld, &m_matLocal, m_pParentMatrix);
    if (m_fScale != NO_SCALE) {
        D3DXMATRIX scaling;
        D3DXMatrixScaling(&scaling, m_fScale, m_fScale, m_fScale);
        D3DXMatrixMultiply(&m_matWorld, &scaling, &m_matWorld);
    }
    for (CDisplayObject3D& part : m_OpaqueParts)
        part.UpdateWorldMatrix();
    for (CDisplayObject3D& part : m_TransparentParts)
        part.UpdateWorldMatrix();
    for (CComplexObject& group : m_SubGroups)
        group.UpdateWorldMatrix();
}

void CComplexObject::AddToRender(bool renderOpaqueNow, bool snapshotTransparent)
{
    for (CDisplayObject3D& part : m_OpaqueParts) {
        if (renderOpaqueNow)
            part.Render();
        else if (s_pQueue != nullptr)
            s_pQueue->AddOpaque(&part);
    }
    for (CDisplayObject3D& part : m_TransparentParts) {
        if (s_pQueue == nullptr)
            break;
        if (snapshotTransparent)
            s_pQueue->AddTransparentSnapshot(&part);
        else
            s_pQueue->AddTransparent(&part);
    }
    for (CComplexObject& group : m_SubGroups)
        group.AddToRender(false, false);
}

void CComplexObject::AddToCarRender()
{
    if (s_pQueue != nullptr) {
        for (CDisplayObject3D& part : m_OpaqueParts)
            s_pQueue->AddOpaqueCar(&part);
        for (CDisplayObject3D& part : m_TransparentParts)
            s_pQueue->AddTransparent(&part);
    }
    for (CComplexObject& group : m_SubGroups)
        group.AddToRender(false, false);
}

void CComplexObject::SetPartsColour(std::vector<CDisplayObject3D>& parts, int colourGroup,
                                    const D3DMATERIAL8* material, bool useMaterial)
{
    for (CDisplayObject3D& part : parts) {
        if (colourGroup == EVERY_COLOUR_GROUP || part.GetColourGroup() == colourGroup)
            part.SetMaterial(material, useMaterial);
    }
}

void CComplexObject::SetColour(int colourGroup, const D3DMATERIAL8* material, bool useMaterial)
{
    SetPartsColour(m_OpaqueParts, colourGroup, material, useMaterial);
    SetPartsColour(m_TransparentParts, colourGroup, material, useMaterial);
    for (CComplexObject& group : m_SubGroups)
        group.SetColour(colourGroup, material, useMaterial);
}

// In the meshes' own coordinates: the parts' placement is not applied, and
// sub-groups do not count.
void CComplexObject::ComputeBoundingBox()
{
    if (m_pBoundingBox != nullptr)
        return;
    if (m_OpaqueParts.empty() && m_TransparentParts.empty())
        return;
    auto box = std::make_shared<Box>();
    box->m_Min = D3DXVECTOR3(BOX_START, BOX_START, BOX_START);
    box->m_Max = D3DXVECTOR3(-BOX_START, -BOX_START, -BOX_START);
    auto grow = [&box](const std::vector<CDisplayObject3D>& parts) {
        for (const CDisplayObject3D& part : parts) {
            const CDisplayMesh* mesh = part.GetMesh();
            std::unique_ptr<Box> meshBox;
            CDisplayMesh::ComputeMeshBox(meshBox, mesh != nullptr ? mesh->GetD3DXMesh() : nullptr);
            CDisplayMesh::BoxGrowMin(box->m_Min, meshBox->m_Min);
            CDisplayMesh::BoxGrowMax(box->m_Max, meshBox->m_Max);
        }
    };
    grow(m_OpaqueParts);
    grow(m_TransparentParts);
    m_pBoundingBox = box;
}

// A named group that stands later in the file still holds placeholders; the
// copy takes it as it stands.
void CComplexObject::ResolveSubGroups()
{
    for (CComplexObject& entry : m_SubGroups) {
        entry.ResolveSubGroups();
        CComplexObject* named = nullptr;
        g_AssetManager.GetAsset(entry.GetName(), named, true);
        if (named != nullptr)
            entry = *named;
    }
}

void ResolveComplexObjectSubGroups()
{
    // A sub-group that names nothing is a fault of that file.
    CScriptFileScope scope(COMPLEX_OBJECT_SCRIPT);
    CAssetManager::TypeList* list = g_AssetManager.FindTypeList(CComplexObject::CLASS_NAME);
    if (list == nullptr)
        return;
    for (const std::unique_ptr<CAsset>& asset : list->m_Assets) {
        auto* object = dynamic_cast<CComplexObject*>(asset.get());
        if (object != nullptr)
            object->ResolveSubGroups();
    }
}
