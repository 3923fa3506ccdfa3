#include "Display/Texture.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Display/Display.h"
#include "platform/d3dx8/D3DX8Image.h"

namespace {

const char* const KEYWORD_TEXTURE = "Texture";
const char* const KEYWORD_IMAGE_FILENAME = "ImageFilename";
const char* const KEYWORD_COLOR_KEY = "ColorKey";
const char* const KEYWORD_PALETTE_FILENAME = "PaletteFilename";
// Opaque magenta becomes transparent black.
const D3DCOLOR COLOR_KEY_MAGENTA = 0xFFFF00FF;
const D3DCOLOR NO_COLOR_KEY = 0;
const UINT SMALLEST_POW2_SIDE = 2;
const UINT LARGEST_POW2_SIDE = 2048;

// The smallest power of two from 2 to 2048 not below `side`; a larger side
// stays as it is.
UINT PowerOfTwoSide(UINT side)
{
    if (side > LARGEST_POW2_SIDE)
        return side;
    UINT fitted = SMALLEST_POW2_SIDE;
    while (fitted < side)
        fitted *= 2;
    return fitted;
}

void FitToDevice(IDirect3DDevice8* device, UINT& width, UINT& height)
{
    D3DCAPS8 caps = {};
    if (FAILED(device->GetDeviceCaps(&caps)))
        return;
    if ((caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0) {
        width = PowerOfTwoSide(width);
        height = PowerOfTwoSide(height);
    }
    if ((caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0) {
        width = std::max(width, height);
        height = width;
    }
}

struct ReleaseSurface {
    void operator()(IDirect3DSurface8* surface) const { surface->Release(); }
};
typedef std::unique_ptr<IDirect3DSurface8, ReleaseSurface> SurfacePtr;

} // namespace

CTexture::CTexture()
{
    CTexture::Init();
}

CTexture::~CTexture()
{
    CTexture::Shutdown();
}

bool CTexture::Init()
{
    CStdInterface::Init();
    m_pTexture = nullptr;
    m_Width = 0;
    m_Height = 0;
    m_bColorKey = false;
    return true;
}

bool CTexture::Shutdown()
{
    if (!m_bInitialised)
        return false;
    if (m_pTexture != nullptr) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
    return CStdInterface::Shutdown();
}

bool CTexture::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!ReadBlock(reader, KEYWORD_TEXTURE) || !CreateFromFile())
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CTexture::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_IMAGE_FILENAME)) {
        m_ImageFilename = reader.GetString();
        return true;
    }
    if (reader.Match(KEYWORD_COLOR_KEY)) {
        m_bColorKey = reader.GetBool();
        return true;
    }
    if (reader.Match(KEYWORD_PALETTE_FILENAME)) {
        m_PaletteFilename = reader.GetString();
        return true;
    }
    return false;
}

bool CTexture::Validate()
{
    return !m_ImageFilename.empty();
}

bool CTexture::CreateFromFile()
{
    CScriptFileScope scope(m_ImageFilename);
    D3DXIMAGE_INFO info = {};
    D3DXGetImageInfoFromFile(m_ImageFilename.c_str(), &info);
    if (info.Height == 0)
        FatalError("Could not find image file <%s>", m_ImageFilename.c_str());

    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    const UINT sideLimit = std::numeric_limits<uint16_t>::max();
    if (device == nullptr || info.Width > sideLimit || info.Height > sideLimit)
        return false;

    IDirect3DSurface8* rawImage = nullptr;
    if (FAILED(device->CreateImageSurface(info.Width, info.Height, D3DFMT_A8R8G8B8, &rawImage)))
        return false;
    const SurfacePtr image(rawImage);
    const D3DCOLOR key = m_bColorKey ? COLOR_KEY_MAGENTA : NO_COLOR_KEY;
    if (FAILED(D3DXLoadSurfaceFromFile(image.get(), nullptr, nullptr, m_ImageFilename.c_str(), nullptr,
                                       D3DX_FILTER_NONE, key, nullptr)))
        return false;

    UINT width = info.Width;
    UINT height = info.Height;
    FitToDevice(device, width, height);
    if (width > sideLimit || height > sideLimit)
        return false;
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)))
        return false;

    // The image goes to the top-left corner of a texture that may be larger.
    IDirect3DSurface8* rawLevel = nullptr;
    bool copied = SUCCEEDED(texture->GetSurfaceLevel(0, &rawLevel));
    if (copied) {
        const SurfacePtr level(rawLevel);
        const RECT whole = {0, 0, static_cast<LONG>(info.Width), static_cast<LONG>(info.Height)};
        const POINT corner = {0, 0};
        copied = SUCCEEDED(device->CopyRects(image.get(), &whole, 1, level.get(), &corner));
    }
    if (!copied) {
        texture->Release();
        return false;
    }
    m_pTexture = texture;
    m_Width = static_cast<uint16_t>(width);
    m_Height = static_cast<uint16_t>(height);
    return true;
}

bool CTexture::CreateNamed(const std::string& name, const std::string& imageFilename)
{
    if (m_bInitialised)
        return false;
    Init();
    m_Name = name;
    m_ImageFilename = imageFilename;
    D3DXIMAGE_INFO info = {};
    if (FAILED(D3DXGetImageInfoFromFile(m_ImageFilename.c_str(), &info)) || info.Height == 0)
        return false;
    if (!CreateFromFile())
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

void CTexture::ReleaseAllTextures()
{
    CAssetManager::TypeList* textures = g_AssetManager.FindTypeList(CLASS_NAME);
    if (textures == nullptr)
        return;
    for (const std::unique_ptr<CAsset>& asset : textures->m_Assets) {
        if (CTexture* texture = dynamic_cast<CTexture*>(asset.get()))
            texture->Shutdown();
    }
}
