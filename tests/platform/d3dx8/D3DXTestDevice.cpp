#include "platform/d3dx8/D3DXTestDevice.h"

#include <cstddef>
#include <cstring>

#include "platform/d3d8/D3D8Platform.h"

namespace {

constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
const char* const kWindowClass = "KelmD3DXTestClass";

LRESULT CALLBACK TestWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

bool RegisterClassOnce()
{
    static const bool registered = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = TestWndProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassA(&windowClass) != 0;
    }();
    return registered;
}

std::vector<uint32_t> ReadLocked(const D3DLOCKED_RECT& locked, UINT width, UINT height)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (UINT y = 0; y < height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch;
        std::memcpy(pixels.data() + static_cast<size_t>(y) * width, row, width * sizeof(uint32_t));
    }
    return pixels;
}

} // namespace

D3DXTestDevice::~D3DXTestDevice()
{
    if (m_Device != nullptr)
        m_Device->Release();
    if (m_Direct3D != nullptr)
        m_Direct3D->Release();
    if (m_Window != nullptr) {
        DestroyWindow(m_Window);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    D3D8Platform::ResetTestHooks();
}

bool D3DXTestDevice::CreateStateOnly()
{
    D3D8Platform::UseStateOnlyDevices();
    m_Width = 640;
    m_Height = 480;
    return CreateDevice(nullptr);
}

bool D3DXTestDevice::CreateWindowed(UINT width, UINT height)
{
    if (!RegisterClassOnce())
        return false;
    RECT frame = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    AdjustWindowRect(&frame, kWindowStyle, FALSE);
    m_Window = CreateWindowExA(0, kWindowClass, "D3DX test", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (m_Window == nullptr)
        return false;
    ShowWindow(m_Window, SW_SHOWNORMAL);
    m_Width = width;
    m_Height = height;
    return CreateDevice(m_Window);
}

bool D3DXTestDevice::CreateDevice(HWND window)
{
    m_Direct3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (m_Direct3D == nullptr)
        return false;
    D3DDISPLAYMODE desktop = {};
    m_Direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop);
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = m_Width;
    parameters.BackBufferHeight = m_Height;
    parameters.BackBufferFormat = desktop.Format;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    parameters.hDeviceWindow = window;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    const HRESULT result = m_Direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                                    D3DCREATE_MIXED_VERTEXPROCESSING, &parameters, &m_Device);
    return SUCCEEDED(result) && m_Device != nullptr;
}

std::vector<uint32_t> D3DXTestDevice::ReadBackBuffer() const
{
    IDirect3DSurface8* target = nullptr;
    if (FAILED(m_Device->GetRenderTarget(&target)))
        return {};
    D3DSURFACE_DESC desc = {};
    target->GetDesc(&desc);
    IDirect3DSurface8* copy = nullptr;
    std::vector<uint32_t> pixels;
    if (SUCCEEDED(m_Device->CreateImageSurface(desc.Width, desc.Height, desc.Format, &copy))) {
        if (SUCCEEDED(m_Device->CopyRects(target, nullptr, 0, copy, nullptr)))
            pixels = ReadSurfacePixels(copy);
        copy->Release();
    }
    target->Release();
    return pixels;
}

IDirect3DSurface8* MakeImageSurface(IDirect3DDevice8* device, UINT width, UINT height,
                                    const std::vector<uint32_t>& pixels)
{
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(device->CreateImageSurface(width, height, D3DFMT_A8R8G8B8, &surface)))
        return nullptr;
    D3DLOCKED_RECT locked = {};
    if (FAILED(surface->LockRect(&locked, nullptr, 0))) {
        surface->Release();
        return nullptr;
    }
    for (UINT y = 0; y < height; ++y) {
        uint8_t* row = static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch;
        std::memcpy(row, pixels.data() + static_cast<size_t>(y) * width, width * sizeof(uint32_t));
    }
    surface->UnlockRect();
    return surface;
}

std::vector<uint32_t> ReadTextureLevel(IDirect3DTexture8* texture, UINT level)
{
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(texture->GetSurfaceLevel(level, &surface)))
        return {};
    std::vector<uint32_t> pixels = ReadSurfacePixels(surface);
    surface->Release();
    return pixels;
}

std::vector<uint32_t> ReadSurfacePixels(IDirect3DSurface8* surface)
{
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    D3DLOCKED_RECT locked = {};
    if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return {};
    std::vector<uint32_t> pixels = ReadLocked(locked, desc.Width, desc.Height);
    surface->UnlockRect();
    return pixels;
}
