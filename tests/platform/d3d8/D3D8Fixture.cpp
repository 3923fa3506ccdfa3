#include "platform/d3d8/D3D8Fixture.h"

#include <cstring>

namespace {

constexpr DWORD kTestWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
const char* const kTestClass = "KelmD3D8TestClass";

void RegisterClassOnce()
{
    static const bool registered = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kTestClass;
        return RegisterClassA(&windowClass) != 0;
    }();
    ASSERT_TRUE(registered);
}

void DrainMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

} // namespace

D3D8Window::D3D8Window(int clientWidth, int clientHeight)
{
    RegisterClassOnce();
    RECT rect = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&rect, kTestWindowStyle, FALSE);
    m_hWnd = CreateWindowExA(0, kTestClass, "Project Kelm", kTestWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                             rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (m_hWnd != nullptr)
        ShowWindow(m_hWnd, SW_SHOWNORMAL);
    DrainMessages();
}

D3D8Window::~D3D8Window()
{
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
    DrainMessages();
}

void GlD3D8Fixture::SetUp()
{
    CreateDevice(64, 64);
}

void GlD3D8Fixture::TearDown()
{
    if (m_Device != nullptr) {
        EXPECT_EQ(0u, m_Device->Release());
    }
    if (m_D3D != nullptr) {
        EXPECT_EQ(0u, m_D3D->Release());
    }
    m_Device = nullptr;
    m_D3D = nullptr;
    delete m_Window;
    m_Window = nullptr;
    D3D8Platform::ResetTestHooks();
}

void GlD3D8Fixture::CreateDevice(int width, int height)
{
    TearDown();
    m_Width = width;
    m_Height = height;
    m_Window = new D3D8Window(width, height);
    ASSERT_NE(nullptr, m_Window->Handle());
    m_D3D = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(nullptr, m_D3D);
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.hDeviceWindow = m_Window->Handle();
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(D3D_OK, m_D3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_Window->Handle(),
                                          D3DCREATE_MIXED_VERTEXPROCESSING, &parameters, &m_Device));
    ASSERT_EQ(static_cast<UINT>(width), parameters.BackBufferWidth);
    ASSERT_EQ(static_cast<UINT>(height), parameters.BackBufferHeight);
}

std::vector<uint32_t> GlD3D8Fixture::ReadTarget() const
{
    IDirect3DSurface8* target = nullptr;
    EXPECT_EQ(D3D_OK, m_Device->GetRenderTarget(&target));
    D3DSURFACE_DESC desc;
    target->GetDesc(&desc);
    std::vector<uint32_t> pixels(static_cast<size_t>(desc.Width) * desc.Height);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(D3D_OK, target->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    for (UINT row = 0; row < desc.Height; ++row)
        std::memcpy(&pixels[row * desc.Width], static_cast<uint8_t*>(locked.pBits) + row * locked.Pitch, desc.Width * 4);
    target->UnlockRect();
    target->Release();
    return pixels;
}

uint32_t GlD3D8Fixture::PixelAt(int x, int y) const
{
    IDirect3DSurface8* target = nullptr;
    m_Device->GetRenderTarget(&target);
    D3DSURFACE_DESC desc;
    target->GetDesc(&desc);
    target->Release();
    return ReadTarget()[static_cast<size_t>(y) * desc.Width + x];
}

IDirect3DTexture8* GlD3D8Fixture::MakeTexture(UINT width, UINT height, uint32_t (*fill)(UINT x, UINT y),
                                              D3DFORMAT format)
{
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(D3D_OK, m_Device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture));
    D3DLOCKED_RECT locked;
    EXPECT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
    for (UINT y = 0; y < height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < width; ++x)
            row[x] = fill(x, y);
    }
    EXPECT_EQ(D3D_OK, texture->UnlockRect(0));
    return texture;
}

void GlD3D8Fixture::DrawScreenQuad(float left, float top, float right, float bottom, D3DCOLOR colour)
{
    const ScreenVertex quad[4] = {
        {left, top, 0.5f, 1.0f, colour, 0.0f, 0.0f},
        {right, top, 0.5f, 1.0f, colour, 1.0f, 0.0f},
        {left, bottom, 0.5f, 1.0f, colour, 0.0f, 1.0f},
        {right, bottom, 0.5f, 1.0f, colour, 1.0f, 1.0f},
    };
    m_Device->SetVertexShader(kFvfScreen);
    EXPECT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)));
}
