#include "Display/DisplayFixture.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "App/Application.h"
#include "Core/Log.h"
#include "platform/d3d8/D3D8Platform.h"
#include "platform/d3dx8/D3DX8Image.h"

namespace {

const int WINDOW_WIDTH = 640;
const int WINDOW_HEIGHT = 480;

void DrainMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

struct ReleaseSurface {
    void operator()(IDirect3DSurface8* surface) const
    {
        if (surface != nullptr)
            surface->Release();
    }
};

} // namespace

DisplayFixture::DisplayFixture() : m_Cwd(m_Dir.Path())
{
    g_Log.Open("log.txt");
}

void DisplayFixture::TearDown()
{
    g_Display.Shutdown();
    for (int hook = 0; hook < DEVICE_HOOK_COUNT; ++hook)
        CDisplay::SetDeviceObjectHook(static_cast<DeviceObjectHook>(hook), nullptr, nullptr);
    D3D8Platform::ResetTestHooks();
    g_Log.Shutdown();
}

void DisplayFixture::CreateDisplay()
{
    if (m_StateOnly) {
        // No window: a handle left by an earlier test in this process is stale.
        g_hWnd = nullptr;
        D3D8Platform::UseStateOnlyDevices();
    }
    ASSERT_TRUE(g_Display.Create());
    ASSERT_NE(nullptr, g_Display.GetD3DDevice());
}

CDisplayMode DisplayFixture::Mode(uint16_t width, uint16_t height, bool fullScreen, bool vsync, uint8_t bpp,
                                  uint8_t refreshRate)
{
    CDisplayMode mode;
    mode.Width = width;
    mode.Height = height;
    mode.FullScreen = fullScreen ? 1 : 0;
    mode.VSync = vsync ? 1 : 0;
    mode.BPP = bpp;
    mode.RefreshRate = refreshRate;
    return mode;
}

void GlDisplayFixture::SetUp()
{
    // The class outlives a test, so only the first registration succeeds.
    RegisterWindowClass();
    ASSERT_TRUE(CreateMainWindow());
    m_StateOnly = false;
    SetClientSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    CenterWindow(g_hWnd);
    ShowWindow(g_hWnd, SW_SHOWNORMAL);
    DrainMessages();
    CreateDisplay();
}

void GlDisplayFixture::TearDown()
{
    DisplayFixture::TearDown();
    if (g_hWnd != nullptr)
        DestroyWindow(g_hWnd);
    g_hWnd = nullptr;
    DrainMessages();
}

std::vector<uint32_t> GlDisplayFixture::ReadBackBuffer(UINT& width, UINT& height) const
{
    IDirect3DSurface8* target = nullptr;
    if (FAILED(g_Display.GetD3DDevice()->GetRenderTarget(&target)))
        return {};
    std::unique_ptr<IDirect3DSurface8, ReleaseSurface> owned(target);
    return ReadSurface(target, width, height);
}

void ClearTargetTexture(IDirect3DDevice8* device, IDirect3DTexture8* texture, D3DCOLOR colour)
{
    IDirect3DSurface8* backBuffer = nullptr;
    IDirect3DSurface8* depth = nullptr;
    IDirect3DSurface8* target = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(&backBuffer));
    ASSERT_EQ(D3D_OK, device->GetDepthStencilSurface(&depth));
    ASSERT_EQ(D3D_OK, texture->GetSurfaceLevel(0, &target));
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(target, depth));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0);
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(backBuffer, depth));
    target->Release();
    depth->Release();
    backBuffer->Release();
}

long ScreenPixelIndex(const D3DXMATRIX& viewProjection, const D3DXVECTOR3& point, int width, int height)
{
    D3DXVECTOR3 clip;
    D3DXVec3TransformCoord(&clip, &point, &viewProjection);
    const int x = static_cast<int>((clip.x + 1.0f) * 0.5f * width);
    const int y = static_cast<int>((1.0f - clip.y) * 0.5f * height);
    if (x < 0 || x >= width || y < 0 || y >= height)
        return -1;
    return static_cast<long>(y) * width + x;
}

std::vector<uint32_t> ReadSurface(IDirect3DSurface8* surface, UINT& width, UINT& height)
{
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    width = desc.Width;
    height = desc.Height;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    D3DLOCKED_RECT locked = {};
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return {};
    for (UINT y = 0; y < height; ++y)
        std::memcpy(&pixels[static_cast<size_t>(y) * width],
                    static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                    width * sizeof(uint32_t));
    surface->UnlockRect();
    return pixels;
}

bool ColourNear(uint32_t a, uint32_t b, int tolerance)
{
    const int BITS_PER_CHANNEL = 8;
    const int COLOUR_BITS = 24;
    const uint32_t CHANNEL_MASK = 0xFF;
    for (int shift = 0; shift < COLOUR_BITS; shift += BITS_PER_CHANNEL) {
        const int difference =
            static_cast<int>((a >> shift) & CHANNEL_MASK) - static_cast<int>((b >> shift) & CHANNEL_MASK);
        if (std::abs(difference) > tolerance)
            return false;
    }
    return true;
}

std::vector<uint16_t> ReadTexels16(IDirect3DTexture8* texture, uint32_t size)
{
    std::vector<uint16_t> texels;
    D3DLOCKED_RECT locked = {};
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)))
        return texels;
    for (uint32_t y = 0; y < size; ++y) {
        const uint16_t* row =
            reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
        texels.insert(texels.end(), row, row + size);
    }
    texture->UnlockRect(0);
    return texels;
}

std::vector<uint32_t> ReadImageFile(IDirect3DDevice8* device, const std::string& path, UINT& width, UINT& height)
{
    D3DXIMAGE_INFO info = {};
    if (FAILED(D3DXGetImageInfoFromFile(path.c_str(), &info)))
        return {};
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(device->CreateImageSurface(info.Width, info.Height, D3DFMT_A8R8G8B8, &surface)))
        return {};
    std::unique_ptr<IDirect3DSurface8, ReleaseSurface> owned(surface);
    if (FAILED(D3DXLoadSurfaceFromFile(surface, nullptr, nullptr, path.c_str(), nullptr, D3DX_FILTER_NONE, 0,
                                       nullptr)))
        return {};
    return ReadSurface(surface, width, height);
}

bool WriteBmpFile(IDirect3DDevice8* device, const std::string& path, UINT width, UINT height,
                  const std::vector<uint32_t>& pixels)
{
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(device->CreateImageSurface(width, height, D3DFMT_A8R8G8B8, &surface)))
        return false;
    std::unique_ptr<IDirect3DSurface8, ReleaseSurface> owned(surface);
    D3DLOCKED_RECT locked = {};
    if (FAILED(surface->LockRect(&locked, nullptr, 0)))
        return false;
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                    &pixels[static_cast<size_t>(y) * width], width * sizeof(uint32_t));
    surface->UnlockRect();
    return SUCCEEDED(D3DXSaveSurfaceToFile(path.c_str(), D3DXIFF_BMP, surface, nullptr, nullptr));
}
