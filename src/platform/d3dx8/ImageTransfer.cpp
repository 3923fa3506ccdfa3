#include "platform/d3dx8/ImageTransfer.h"

#include <algorithm>
#include <cstring>

#include "platform/d3dx8/ImageFile.h"

namespace {

constexpr uint32_t kTransparentBlack = 0x00000000;
constexpr size_t kBytesPerPixel = 4;
// The low word names the filter; the bits above it are flags such as DITHER.
constexpr DWORD kFilterTypeMask = 0xFFFF;

uint32_t RectWidth(const RECT& rect)
{
    return static_cast<uint32_t>(rect.right - rect.left);
}

uint32_t RectHeight(const RECT& rect)
{
    return static_cast<uint32_t>(rect.bottom - rect.top);
}

// Nearest source index for destination index `d` of `destSize`, sampling at
// texel centres.
uint32_t NearestIndex(uint32_t d, uint32_t destSize, uint32_t sourceSize)
{
    const uint64_t scaled = (2 * static_cast<uint64_t>(d) + 1) * sourceSize / (2 * static_cast<uint64_t>(destSize));
    return static_cast<uint32_t>(scaled);
}

uint32_t AverageOfFour(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t sum = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) +
                             ((d >> shift) & 0xFF);
        result |= ((sum + 2) / 4) << shift;
    }
    return result;
}

// Locks the whole surface so the rectangle's offset is ours to compute.
class SurfaceLock {
public:
    SurfaceLock(IDirect3DSurface8* surface, DWORD flags) : m_Surface(surface)
    {
        m_Result = surface->LockRect(&m_Locked, nullptr, flags);
    }
    ~SurfaceLock()
    {
        if (SUCCEEDED(m_Result))
            m_Surface->UnlockRect();
    }
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    HRESULT Result() const { return m_Result; }
    uint8_t* Row(const RECT& rect, uint32_t y) const
    {
        return static_cast<uint8_t*>(m_Locked.pBits) + static_cast<ptrdiff_t>(rect.top + y) * m_Locked.Pitch +
               static_cast<ptrdiff_t>(rect.left) * kBytesPerPixel;
    }

private:
    IDirect3DSurface8* m_Surface;
    D3DLOCKED_RECT m_Locked = {};
    HRESULT m_Result = E_FAIL;
};

HRESULT DescribeSurface(IDirect3DSurface8* surface, const RECT* rect, RECT& resolved)
{
    if (surface == nullptr)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc = {};
    const HRESULT result = surface->GetDesc(&desc);
    if (FAILED(result))
        return result;
    if (!IsTransferFormat(desc.Format))
        return D3DERR_INVALIDCALL;
    if (!ResolveRect(rect, desc.Width, desc.Height, resolved))
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

D3DXIMAGE_FILEFORMAT ToFileFormat(ImageFileType type)
{
    switch (type) {
    case ImageFileType::Png:
        return D3DXIFF_PNG;
    case ImageFileType::Jpeg:
        return D3DXIFF_JPG;
    case ImageFileType::Bmp:
    case ImageFileType::Unknown:
        break;
    }
    return D3DXIFF_BMP;
}

} // namespace

HRESULT LoadImageWithInfo(LPCSTR srcFile, ArgbImage& image, D3DXIMAGE_INFO* info)
{
    ImageFileType type = ImageFileType::Unknown;
    if (srcFile == nullptr || !LoadImageFile(srcFile, image, type))
        return D3DXERR_INVALIDDATA;
    if (info == nullptr)
        return D3D_OK;
    *info = D3DXIMAGE_INFO();
    info->Width = image.width;
    info->Height = image.height;
    info->Depth = 1;
    info->MipLevels = 1;
    info->Format = D3DFMT_A8R8G8B8;
    info->ImageFileFormat = ToFileFormat(type);
    return D3D_OK;
}

bool ResolveRect(const RECT* rect, uint32_t width, uint32_t height, RECT& resolved)
{
    if (rect == nullptr) {
        resolved = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
        return width > 0 && height > 0;
    }
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom)
        return false;
    if (static_cast<uint32_t>(rect->right) > width || static_cast<uint32_t>(rect->bottom) > height)
        return false;
    resolved = *rect;
    return true;
}

void ApplyColourKey(ArgbImage& image, D3DCOLOR key)
{
    for (uint32_t& pixel : image.pixels) {
        if (pixel == key)
            pixel = kTransparentBlack;
    }
}

ArgbImage CropImage(const ArgbImage& source, const RECT& rect)
{
    ArgbImage out;
    out.width = RectWidth(rect);
    out.height = RectHeight(rect);
    out.pixels.reserve(static_cast<size_t>(out.width) * out.height);
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint32_t* row = source.pixels.data() + static_cast<size_t>(rect.top + y) * source.width + rect.left;
        out.pixels.insert(out.pixels.end(), row, row + out.width);
    }
    return out;
}

bool FilterStretches(DWORD filter)
{
    return (filter & kFilterTypeMask) != D3DX_FILTER_NONE;
}

ArgbImage FitImage(const ArgbImage& source, uint32_t width, uint32_t height, bool stretch)
{
    ArgbImage out;
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<size_t>(width) * height, kTransparentBlack);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t sy = stretch ? NearestIndex(y, height, source.height) : y;
        if (sy >= source.height)
            break;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t sx = stretch ? NearestIndex(x, width, source.width) : x;
            if (sx >= source.width)
                break;
            out.pixels[static_cast<size_t>(y) * width + x] = source.pixels[static_cast<size_t>(sy) * source.width + sx];
        }
    }
    return out;
}

ArgbImage HalveImage(const ArgbImage& source)
{
    ArgbImage out;
    if (source.pixels.empty())
        return out;
    out.width = source.width > 1 ? source.width / 2 : 1;
    out.height = source.height > 1 ? source.height / 2 : 1;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    auto at = [&source](uint32_t x, uint32_t y) {
        return source.pixels[static_cast<size_t>(std::min(y, source.height - 1)) * source.width +
                             std::min(x, source.width - 1)];
    };
    for (uint32_t y = 0; y < out.height; ++y) {
        for (uint32_t x = 0; x < out.width; ++x) {
            out.pixels[static_cast<size_t>(y) * out.width + x] =
                AverageOfFour(at(2 * x, 2 * y), at(2 * x + 1, 2 * y), at(2 * x, 2 * y + 1), at(2 * x + 1, 2 * y + 1));
        }
    }
    return out;
}

bool IsTransferFormat(D3DFORMAT format)
{
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

HRESULT WriteSurface(IDirect3DSurface8* surface, const RECT* rect, const ArgbImage& image)
{
    RECT resolved = {};
    const HRESULT described = DescribeSurface(surface, rect, resolved);
    if (FAILED(described))
        return described;
    if (image.width != RectWidth(resolved) || image.height != RectHeight(resolved))
        return D3DERR_INVALIDCALL;
    SurfaceLock lock(surface, 0);
    if (FAILED(lock.Result()))
        return lock.Result();
    const size_t rowBytes = static_cast<size_t>(image.width) * kBytesPerPixel;
    for (uint32_t y = 0; y < image.height; ++y)
        std::memcpy(lock.Row(resolved, y), image.pixels.data() + static_cast<size_t>(y) * image.width, rowBytes);
    return D3D_OK;
}

HRESULT ReadSurface(IDirect3DSurface8* surface, const RECT* rect, ArgbImage& image)
{
    image = ArgbImage();
    RECT resolved = {};
    const HRESULT described = DescribeSurface(surface, rect, resolved);
    if (FAILED(described))
        return described;
    SurfaceLock lock(surface, D3DLOCK_READONLY);
    if (FAILED(lock.Result()))
        return lock.Result();
    image.width = RectWidth(resolved);
    image.height = RectHeight(resolved);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    const size_t rowBytes = static_cast<size_t>(image.width) * kBytesPerPixel;
    for (uint32_t y = 0; y < image.height; ++y)
        std::memcpy(image.pixels.data() + static_cast<size_t>(y) * image.width, lock.Row(resolved, y), rowBytes);
    return D3D_OK;
}
