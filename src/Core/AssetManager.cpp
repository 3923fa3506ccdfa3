#include "Core/AssetManager.h"

#include <cctype>
#include <cmath>

#include "Display/Texture.h"
#include "platform/d3dx8/D3DX8Mesh.h"

namespace {

std::string ToUpper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

const float EMISSIVE_FLOOR = 0.2f;
const float EMISSIVE_CEILING = 1.0f;
const char* const MESH_IMAGE_FOLDER = "Assets\\Images\\";

// Written so that a NaN, which fails every comparison, ends at the floor.
float ClampEmissive(float value)
{
    if (value > EMISSIVE_CEILING)
        return EMISSIVE_CEILING;
    if (value >= EMISSIVE_FLOOR)
        return value;
    return EMISSIVE_FLOOR;
}

IDirect3DTexture8* FindOrCreateMeshTexture(const std::string& fileName)
{
    CTexture* texture = nullptr;
    g_AssetManager.GetAsset(fileName, texture, false);
    if (texture != nullptr)
        return texture->GetTexture();
    std::unique_ptr<CTexture> created(new CTexture());
    created->CreateNamed(fileName, MESH_IMAGE_FOLDER + fileName);
    IDirect3DTexture8* result = created->GetTexture();
    g_AssetManager.AddAsset(created.release());
    return result;
}

} // namespace

void FatalAssetLoad(const CAsset& asset, const char* file)
{
    std::string failure = asset.GetLoadFailure();
    if (!failure.empty())
        failure.insert(0, "\n");
    FatalError("Unable to intialize object %s from: %s of type %s%s", asset.m_Name.c_str(), file,
               asset.GetClassName(), failure.c_str());
}

CAssetManager::CAssetManager()
{
    Clear();
}

CAssetManager::~CAssetManager()
{
    Clear();
}

void CAssetManager::AddAsset(CAsset* asset)
{
    std::unique_ptr<CAsset> owned(asset);
    if (!owned)
        return;
    TypeList* list = FindTypeList(owned->GetClassName());
    if (list) {
        list->m_Assets.push_back(std::move(owned));
        return;
    }
    m_TypeLists.emplace_front();
    m_TypeLists.front().m_Key = owned->GetClassName();
    m_TypeLists.front().m_Assets.push_back(std::move(owned));
    ++m_TypeListCount;
}

CAssetManager::TypeList* CAssetManager::FindTypeList(const std::string& key)
{
    if (m_pLastFound && m_pLastFound->m_Key == key)
        return m_pLastFound;
    for (TypeList& list : m_TypeLists) {
        if (list.m_Key == key) {
            m_pLastFound = &list;
            return m_pLastFound;
        }
    }
    return nullptr;
}

void CAssetManager::Clear()
{
    m_pLastFound = nullptr;
    for (TypeList& list : m_TypeLists)
        list.m_Assets.clear();
    m_TypeLists.clear();
    m_TypeListCount = 0;
}

CAsset* CAssetManager::Find(const char* className, const std::string& name, bool upperName,
                            bool mustExist)
{
    TypeList* list = FindTypeList(className);
    if (!list) {
        if (mustExist)
            FatalError("No assets of type <%s> are currently stored", className);
        return nullptr;
    }
    for (const std::unique_ptr<CAsset>& asset : list->m_Assets) {
        const bool same = upperName ? ToUpper(asset->m_Name) == name : asset->m_Name == name;
        if (same)
            return asset.get();
    }
    if (mustExist)
        FatalError("Unable to find asset \"%s\" of type <%s>", name.c_str(), className);
    return nullptr;
}

void LoadMaterialTextures(std::vector<D3DMATERIAL8>& materials, std::vector<IDirect3DTexture8*>& textures,
                          uint32_t count, const D3DXMATERIAL* materialBuffer)
{
    materials.assign(count, D3DMATERIAL8());
    textures.assign(count, nullptr);
    if (materialBuffer == nullptr)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        const D3DXMATERIAL& source = materialBuffer[i];
        D3DMATERIAL8& material = materials[i];
        material = source.MatD3D;
        material.Emissive.r = ClampEmissive(material.Emissive.r);
        material.Emissive.g = ClampEmissive(material.Emissive.g);
        material.Emissive.b = ClampEmissive(material.Emissive.b);
        material.Emissive.a = ClampEmissive(material.Emissive.a);
        if (source.pTextureFilename != nullptr && source.pTextureFilename[0] != '\0')
            textures[i] = FindOrCreateMeshTexture(source.pTextureFilename);
    }
}
