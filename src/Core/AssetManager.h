#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/ScriptFile.h"

struct D3DMATERIAL8;
struct D3DXMATERIAL;
class IDirect3DTexture8;

// The single store of every asset the scripts define: one list per class, in
// the order the assets were filed. The store owns them; the world copies the
// prototypes it finds here. Lookups are exact and case-sensitive, and a
// second asset of one class and name is kept but never found.
class CAssetManager {
public:
    struct TypeList {
        std::string m_Key;
        std::vector<std::unique_ptr<CAsset>> m_Assets;
    };

    CAssetManager();
    ~CAssetManager();
    CAssetManager(const CAssetManager&) = delete;
    CAssetManager& operator=(const CAssetManager&) = delete;

    // Takes ownership and files the asset under its class name.
    void AddAsset(CAsset* asset);
    TypeList* FindTypeList(const std::string& key);
    void Clear();

    // The first asset of class T named `name`, or null; a miss with mustExist is fatal.
    template <class T>
    void GetAsset(const std::string& name, T*& out, bool mustExist);
    // As GetAsset, but compares the stored names in upper case: `name` comes
    // from upper-cased text such as the console's.
    template <class T>
    void GetAssetByUpperName(const std::string& name, T*& out, bool mustExist);

    uint32_t GetTypeListCount() const { return m_TypeListCount; }

private:
    CAsset* Find(const char* className, const std::string& name, bool upperName, bool mustExist);

    std::list<TypeList> m_TypeLists;
    uint32_t m_TypeListCount = 0;
    TypeList* m_pLastFound = nullptr;
};

extern CAssetManager g_AssetManager;

template <class T>
void CAssetManager::GetAsset(const std::string& name, T*& out, bool mustExist)
{
    out = dynamic_cast<T*>(Find(T::CLASS_NAME, name, false, mustExist));
}

template <class T>
void CAssetManager::GetAssetByUpperName(const std::string& name, T*& out, bool mustExist)
{
    out = dynamic_cast<T*>(Find(T::CLASS_NAME, name, true, mustExist));
}

// The loader's message for a block that did not load, with the reason the
// asset gives when a file it names is at fault.
[[noreturn]] void FatalAssetLoad(const CAsset& asset, const char* file);

// Reads every block of a script into new assets of class T and files them.
// Any failure is fatal: the game cannot run on half its data.
template <class T>
void LoadAssetsFromScript(const char* file)
{
    CScriptFile reader(file);

    while (!reader.IsEndOfBuffer()) {
        std::unique_ptr<T> asset(new T());
        if (!asset->Load(reader))
            FatalAssetLoad(*asset, file);
        g_AssetManager.AddAsset(asset.release());
    }
}

// Fills one material and one texture per entry of a loaded mesh's material
// buffer. Emissive components are kept within [0.2, 1.0] so that no mesh is
// drawn black. A named texture is looked up among the texture assets by its
// file name and, when absent, loaded from "Assets\Images\" and filed under
// that name, so each image is loaded once; one that cannot be read gives a
// null texture. The textures are observers: the texture assets own them.
void LoadMaterialTextures(std::vector<D3DMATERIAL8>& materials, std::vector<IDirect3DTexture8*>& textures,
                          uint32_t count, const D3DXMATERIAL* materialBuffer);
