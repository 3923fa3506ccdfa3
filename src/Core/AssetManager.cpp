#include "Core/AssetManager.h"

#include <cctype>

namespace {

std::string ToUpper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

} // namespace

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
