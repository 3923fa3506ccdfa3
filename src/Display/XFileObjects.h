#pragma once

#include <functional>
#include <string>

#include "platform/xfile/DXFile.h"

// One .X file opened through DirectX File for the loaders that walk its
// objects themselves (animated meshes and animation sets): the top-level
// objects in file order, and each object's children with references resolved.
class XFileObjects {
public:
    XFileObjects() = default;
    ~XFileObjects();
    XFileObjects(const XFileObjects&) = delete;
    XFileObjects& operator=(const XFileObjects&) = delete;

    // False when the file is missing or is not a sound text .X file.
    bool Open(const std::string& fileName);
    // The next top-level object (a new reference the caller releases); null after the last.
    IDirectXFileData* NextTopLevelObject();

    // Calls `visit` for each child data object of `data` in file order; a
    // reference is visited as the object it names.
    static void ForEachChild(IDirectXFileData& data, const std::function<void(IDirectXFileData&)>& visit);
    // The object's name; empty when it has none.
    static std::string NameOf(IDirectXFileData& data);
    // The object's data seen as a T; null when it holds less than a T.
    template <class T>
    static const T* DataAs(IDirectXFileData& data)
    {
        DWORD size = 0;
        void* bytes = nullptr;
        if (FAILED(data.GetData(nullptr, &size, &bytes)) || bytes == nullptr || size < sizeof(T))
            return nullptr;
        return static_cast<const T*>(bytes);
    }
    // The object's data as raw bytes; false when it has none.
    static bool DataBytes(IDirectXFileData& data, const unsigned char*& bytes, DWORD& size);

private:
    void Close();

    IDirectXFile* m_pFile = nullptr;
    IDirectXFileEnumObject* m_pEnum = nullptr;
};
