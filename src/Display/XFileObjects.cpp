#include "Display/XFileObjects.h"

#include <vector>

#include "Core/SafeRelease.h"

XFileObjects::~XFileObjects()
{
    Close();
}

void XFileObjects::Close()
{
    ReleaseAndClear(m_pEnum);
    ReleaseAndClear(m_pFile);
}

bool XFileObjects::Open(const std::string& fileName)
{
    Close();
    if (FAILED(DirectXFileCreate(&m_pFile)))
        return false;
    if (FAILED(m_pFile->RegisterTemplates(const_cast<char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES)) ||
        FAILED(m_pFile->CreateEnumObject(const_cast<char*>(fileName.c_str()), DXFILELOAD_FROMFILE, &m_pEnum))) {
        Close();
        return false;
    }
    return true;
}

IDirectXFileData* XFileObjects::NextTopLevelObject()
{
    IDirectXFileData* data = nullptr;
    if (m_pEnum == nullptr || FAILED(m_pEnum->GetNextDataObject(&data)))
        return nullptr;
    return data;
}

void XFileObjects::ForEachChild(IDirectXFileData& data, const std::function<void(IDirectXFileData&)>& visit)
{
    IDirectXFileObject* child = nullptr;
    while (SUCCEEDED(data.GetNextObject(&child))) {
        IDirectXFileData* childData = nullptr;
        IDirectXFileDataReference* reference = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&childData)))) {
            visit(*childData);
        } else if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileDataReference,
                                                   reinterpret_cast<void**>(&reference))) &&
                   SUCCEEDED(reference->Resolve(&childData))) {
            visit(*childData);
        }
        ReleaseAndClear(childData);
        ReleaseAndClear(reference);
        ReleaseAndClear(child);
    }
}

std::string XFileObjects::NameOf(IDirectXFileData& data)
{
    DWORD size = 0;
    if (FAILED(data.GetName(nullptr, &size)) || size == 0)
        return std::string();
    std::vector<char> name(size);
    if (FAILED(data.GetName(name.data(), &size)))
        return std::string();
    return std::string(name.data());
}

bool XFileObjects::DataBytes(IDirectXFileData& data, const unsigned char*& bytes, DWORD& size)
{
    void* raw = nullptr;
    size = 0;
    if (FAILED(data.GetData(nullptr, &size, &raw)) || raw == nullptr) {
        bytes = nullptr;
        size = 0;
        return false;
    }
    bytes = static_cast<const unsigned char*>(raw);
    return true;
}
