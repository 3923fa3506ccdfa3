// The DirectX File objects: reference-counted views of one shared document.
// COM objects live as long as their last reference, in any order, so each
// holds the document by shared ownership.

#include "platform/xfile/DXFile.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "platform/xfile/XFileDocument.h"

// Ours: "KELM" in Data1, the template's number in Data2, "XF" in Data3.
#define XFILE_TEMPLATE_GUID(number) {0x4b454c4d, number, 0x5846, {'x', 't', 'e', 'm', 'p', 'l', 'a', 't'}}
#define XFILE_INTERFACE_GUID(number) {0x4b454c4d, number, 0x5846, {'d', 'x', 'f', 'i', 'l', 'e', 'i', 'f'}}

const GUID TID_DXFILEHeaderTemplate = XFILE_TEMPLATE_GUID(0x0201);
const GUID TID_D3DRMFrame = XFILE_TEMPLATE_GUID(0x0202);
const GUID TID_D3DRMFrameTransformMatrix = XFILE_TEMPLATE_GUID(0x0203);
const GUID TID_D3DRMMesh = XFILE_TEMPLATE_GUID(0x0204);
const GUID TID_D3DRMMeshNormals = XFILE_TEMPLATE_GUID(0x0205);
const GUID TID_D3DRMMeshTextureCoords = XFILE_TEMPLATE_GUID(0x0206);
const GUID TID_D3DRMMeshMaterialList = XFILE_TEMPLATE_GUID(0x0207);
const GUID TID_D3DRMMaterial = XFILE_TEMPLATE_GUID(0x0208);
const GUID TID_D3DRMTextureFilename = XFILE_TEMPLATE_GUID(0x0209);
const GUID TID_D3DRMMeshVertexColors = XFILE_TEMPLATE_GUID(0x020a);
const GUID TID_D3DRMMeshFaceWraps = XFILE_TEMPLATE_GUID(0x020b);
const GUID DXFILEOBJ_XSkinMeshHeader = XFILE_TEMPLATE_GUID(0x020c);
const GUID DXFILEOBJ_SkinWeights = XFILE_TEMPLATE_GUID(0x020d);
const GUID TID_D3DRMAnimationSet = XFILE_TEMPLATE_GUID(0x020e);
const GUID TID_D3DRMAnimation = XFILE_TEMPLATE_GUID(0x020f);
const GUID TID_D3DRMAnimationKey = XFILE_TEMPLATE_GUID(0x0210);
const GUID TID_D3DRMAnimationOptions = XFILE_TEMPLATE_GUID(0x0211);

const GUID IID_IDirectXFileObject = XFILE_INTERFACE_GUID(0x0301);
const GUID IID_IDirectXFileData = XFILE_INTERFACE_GUID(0x0302);
const GUID IID_IDirectXFileDataReference = XFILE_INTERFACE_GUID(0x0303);

namespace {

typedef std::shared_ptr<const XFileDocument> SharedDocument;

const GUID UNKNOWN_TYPE = {};

const GUID* TemplateGuid(XFileTemplate type)
{
    switch (type) {
    case XFileTemplate::Header: return &TID_DXFILEHeaderTemplate;
    case XFileTemplate::Frame: return &TID_D3DRMFrame;
    case XFileTemplate::FrameTransformMatrix: return &TID_D3DRMFrameTransformMatrix;
    case XFileTemplate::Mesh: return &TID_D3DRMMesh;
    case XFileTemplate::MeshNormals: return &TID_D3DRMMeshNormals;
    case XFileTemplate::MeshTextureCoords: return &TID_D3DRMMeshTextureCoords;
    case XFileTemplate::MeshMaterialList: return &TID_D3DRMMeshMaterialList;
    case XFileTemplate::Material: return &TID_D3DRMMaterial;
    case XFileTemplate::TextureFilename: return &TID_D3DRMTextureFilename;
    case XFileTemplate::MeshVertexColors: return &TID_D3DRMMeshVertexColors;
    case XFileTemplate::MeshFaceWraps: return &TID_D3DRMMeshFaceWraps;
    case XFileTemplate::XSkinMeshHeader: return &DXFILEOBJ_XSkinMeshHeader;
    case XFileTemplate::SkinWeights: return &DXFILEOBJ_SkinWeights;
    case XFileTemplate::AnimationSet: return &TID_D3DRMAnimationSet;
    case XFileTemplate::Animation: return &TID_D3DRMAnimation;
    case XFileTemplate::AnimationKey: return &TID_D3DRMAnimationKey;
    case XFileTemplate::AnimationOptions: return &TID_D3DRMAnimationOptions;
    case XFileTemplate::Unknown: break;
    }
    return &UNKNOWN_TYPE;
}

HRESULT CopyName(const std::string& name, LPSTR buffer, DWORD* size)
{
    if (size == nullptr)
        return DXFILEERR_BADVALUE;
    const DWORD needed = name.empty() ? 0 : static_cast<DWORD>(name.size() + 1);
    if (buffer == nullptr) {
        *size = needed;
        return DXFILE_OK;
    }
    if (*size < needed)
        return DXFILEERR_BADVALUE;
    if (needed > 0)
        std::memcpy(buffer, name.c_str(), needed);
    else if (*size > 0)
        buffer[0] = '\0';
    *size = needed;
    return DXFILE_OK;
}

class FileData final : public RefCounted<IDirectXFileData> {
public:
    FileData(SharedDocument document, const XFileObject& object)
        : m_Document(std::move(document)), m_Object(object)
    {
    }

    HRESULT QueryInterface(REFIID interfaceId, void** object) override
    {
        if (object == nullptr)
            return DXFILEERR_BADVALUE;
        *object = nullptr;
        if (IsEqualGUID(interfaceId, IID_IDirectXFileData))
            *object = static_cast<IDirectXFileData*>(this);
        else if (IsEqualGUID(interfaceId, IID_IDirectXFileObject))
            *object = static_cast<IDirectXFileObject*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return DXFILE_OK;
    }

    HRESULT GetName(LPSTR name, DWORD* size) override { return CopyName(m_Object.Name(), name, size); }

    HRESULT GetData(LPCSTR member, DWORD* size, void** data) override
    {
        if (member != nullptr || size == nullptr || data == nullptr)
            return DXFILEERR_BADVALUE;
        const std::vector<BYTE>& packed = m_Object.PackedData();
        *size = static_cast<DWORD>(packed.size());
        *data = const_cast<BYTE*>(packed.data());
        return DXFILE_OK;
    }

    HRESULT GetType(const GUID** type) override
    {
        if (type == nullptr)
            return DXFILEERR_BADVALUE;
        *type = TemplateGuid(m_Object.Template());
        return DXFILE_OK;
    }

    HRESULT GetNextObject(IDirectXFileObject** child) override;

    const XFileObject* GetXFileObject() const override { return &m_Object; }

private:
    ~FileData() override = default;

    SharedDocument m_Document;
    const XFileObject& m_Object;
    size_t m_NextChild = 0;
};

class FileDataReference final : public RefCounted<IDirectXFileDataReference> {
public:
    FileDataReference(SharedDocument document, const XFileObject& reference)
        : m_Document(std::move(document)), m_Reference(reference)
    {
    }

    HRESULT QueryInterface(REFIID interfaceId, void** object) override
    {
        if (object == nullptr)
            return DXFILEERR_BADVALUE;
        *object = nullptr;
        if (IsEqualGUID(interfaceId, IID_IDirectXFileDataReference))
            *object = static_cast<IDirectXFileDataReference*>(this);
        else if (IsEqualGUID(interfaceId, IID_IDirectXFileObject))
            *object = static_cast<IDirectXFileObject*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return DXFILE_OK;
    }

    HRESULT GetName(LPSTR name, DWORD* size) override { return CopyName(m_Reference.Name(), name, size); }

    HRESULT Resolve(IDirectXFileData** data) override
    {
        if (data == nullptr)
            return DXFILEERR_BADVALUE;
        *data = new FileData(m_Document, *m_Reference.Resolved());
        return DXFILE_OK;
    }

private:
    ~FileDataReference() override = default;

    SharedDocument m_Document;
    const XFileObject& m_Reference;
};

HRESULT FileData::GetNextObject(IDirectXFileObject** child)
{
    if (child == nullptr)
        return DXFILEERR_BADVALUE;
    *child = nullptr;
    if (m_NextChild >= m_Object.ChildCount())
        return DXFILEERR_NOMOREOBJECTS;
    const XFileObject& next = m_Object.Child(m_NextChild++);
    if (next.IsReference())
        *child = new FileDataReference(m_Document, next);
    else
        *child = new FileData(m_Document, next);
    return DXFILE_OK;
}

class FileEnumObject final : public RefCounted<IDirectXFileEnumObject> {
public:
    explicit FileEnumObject(SharedDocument document) : m_Document(std::move(document)) {}

    HRESULT GetNextDataObject(IDirectXFileData** data) override
    {
        if (data == nullptr)
            return DXFILEERR_BADVALUE;
        *data = nullptr;
        if (m_Next >= m_Document->ObjectCount())
            return DXFILEERR_NOMOREOBJECTS;
        *data = new FileData(m_Document, m_Document->Object(m_Next++));
        return DXFILE_OK;
    }

private:
    ~FileEnumObject() override = default;

    SharedDocument m_Document;
    size_t m_Next = 0;
};

class DirectXFile final : public RefCounted<IDirectXFile> {
public:
    HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options,
                             IDirectXFileEnumObject** enumObject) override
    {
        if (enumObject == nullptr)
            return DXFILEERR_BADVALUE;
        *enumObject = nullptr;
        if (source == nullptr || options != DXFILELOAD_FROMFILE)
            return DXFILEERR_BADVALUE;
        XFileError error;
        std::unique_ptr<XFileDocument> document = XFileDocument::Load(static_cast<const char*>(source), error);
        if (!document)
            return error.result;
        *enumObject = new FileEnumObject(SharedDocument(std::move(document)));
        return DXFILE_OK;
    }

    HRESULT RegisterTemplates(LPVOID data, DWORD size) override
    {
        if (data == nullptr || size == 0)
            return DXFILEERR_BADVALUE;
        XFileError error;
        const std::unique_ptr<XFileDocument> block =
            XFileDocument::Parse(std::string_view(static_cast<const char*>(data), size), error);
        if (!block)
            return error.result;
        return block->ObjectCount() == 0 ? DXFILE_OK : DXFILEERR_PARSEERROR;
    }

private:
    ~DirectXFile() override = default;
};

} // namespace

HRESULT DirectXFileCreate(LPDIRECTXFILE* file)
{
    if (file == nullptr)
        return DXFILEERR_BADVALUE;
    *file = new DirectXFile();
    return DXFILE_OK;
}
