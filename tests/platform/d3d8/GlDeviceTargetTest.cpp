// Render targets, the front buffer, surface copies, buffers and reset, read
// back from real frames.

#include <cstring>

#include "platform/d3d8/D3D8Fixture.h"

namespace {

uint32_t Pattern(UINT x, UINT y)
{
    return 0xFF000000 | (x * 2) << 16 | (y * 4) << 8 | 0x40;
}

class GlD3D8Targets : public GlD3D8Fixture {
protected:
    void SetUp() override
    {
        GlD3D8Fixture::SetUp();
        Prepare();
    }

    // Pre-transformed vertices, lighting off, the texture's colour or the
    // diffuse one drawn as it is.
    void Prepare()
    {
        m_Device->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    }

    void UseTexture(IDirect3DBaseTexture8* texture)
    {
        m_Device->SetTexture(0, texture);
        m_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    }

    // Fills an image surface from `fill`.
    IDirect3DSurface8* MakeImage(UINT width, UINT height, uint32_t (*fill)(UINT x, UINT y))
    {
        IDirect3DSurface8* image = nullptr;
        EXPECT_EQ(D3D_OK, m_Device->CreateImageSurface(width, height, D3DFMT_A8R8G8B8, &image));
        D3DLOCKED_RECT locked;
        EXPECT_EQ(D3D_OK, image->LockRect(&locked, nullptr, 0));
        for (UINT y = 0; y < height; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < width; ++x)
                row[x] = fill(x, y);
        }
        image->UnlockRect();
        return image;
    }

    // What GetFrontBuffer gives on a screen of the desktop's size.
    struct Screen {
        LONG width = 0;
        LONG height = 0;
        std::vector<uint32_t> pixels;
        uint32_t At(LONG x, LONG y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    };
    Screen ReadFrontBuffer() const
    {
        D3DDISPLAYMODE desktop;
        EXPECT_EQ(D3D_OK, m_D3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop));
        IDirect3DSurface8* shot = nullptr;
        EXPECT_EQ(D3D_OK, m_Device->CreateImageSurface(desktop.Width, desktop.Height, D3DFMT_A8R8G8B8, &shot));
        EXPECT_EQ(D3D_OK, m_Device->GetFrontBuffer(shot));
        Screen screen;
        screen.width = static_cast<LONG>(desktop.Width);
        screen.height = static_cast<LONG>(desktop.Height);
        screen.pixels.resize(static_cast<size_t>(screen.width) * screen.height);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(D3D_OK, shot->LockRect(&locked, nullptr, D3DLOCK_READONLY));
        for (LONG row = 0; row < screen.height; ++row)
            std::memcpy(&screen.pixels[static_cast<size_t>(row * screen.width)],
                        static_cast<const uint8_t*>(locked.pBits) + row * locked.Pitch, desktop.Width * 4);
        shot->UnlockRect();
        shot->Release();
        return screen;
    }
    POINT ClientOrigin() const
    {
        POINT origin = {0, 0};
        ClientToScreen(m_Window->Handle(), &origin);
        return origin;
    }
};

TEST_F(GlD3D8Targets, RenderTargetSharesTheDepthStencilAndItsTopRowIsVZero)
{
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    // Near depth on the left sixteen columns of the shared buffer.
    const ScreenVertex nearQuad[4] = {
        {0, 0, 0.2f, 1, 0xFF0000FF, 0, 0}, {16, 0, 0.2f, 1, 0xFF0000FF, 0, 0},
        {0, 64, 0.2f, 1, 0xFF0000FF, 0, 0}, {16, 64, 0.2f, 1, 0xFF0000FF, 0, 0},
    };
    m_Device->SetVertexShader(kFvfScreen);
    m_Device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, nearQuad, sizeof(ScreenVertex));

    IDirect3DSurface8* backBuffer = nullptr;
    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->GetRenderTarget(&backBuffer));
    ASSERT_EQ(D3D_OK, m_Device->GetDepthStencilSurface(&depth));
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                              &target));
    IDirect3DSurface8* targetSurface = nullptr;
    target->GetSurfaceLevel(0, &targetSurface);
    ASSERT_EQ(D3D_OK, m_Device->SetRenderTarget(targetSurface, depth));
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    // Red on the top half, green below, both behind the near depth.
    DrawScreenQuad(0, 0, 32, 16, 0xFFFF0000);
    DrawScreenQuad(0, 16, 32, 32, 0xFF00FF00);
    EXPECT_EQ(0u, Rgb(PixelAt(8, 4)));
    EXPECT_EQ(0xFF0000u, Rgb(PixelAt(20, 4)));
    EXPECT_EQ(0x00FF00u, Rgb(PixelAt(20, 28)));

    ASSERT_EQ(D3D_OK, m_Device->SetRenderTarget(backBuffer, depth));
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    UseTexture(target);
    DrawScreenQuad(-0.5f, -0.5f, 31.5f, 31.5f, 0xFFFFFFFF);
    EXPECT_EQ(0u, Rgb(PixelAt(8, 4)));
    EXPECT_EQ(0xFF0000u, Rgb(PixelAt(20, 4)));
    EXPECT_EQ(0x00FF00u, Rgb(PixelAt(20, 28)));

    m_Device->SetTexture(0, nullptr);
    targetSurface->Release();
    target->Release();
    backBuffer->Release();
    depth->Release();
}

TEST_F(GlD3D8Targets, ReleasingTheCurrentTargetFallsBackToTheBackBuffer)
{
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                              &target));
    IDirect3DSurface8* surface = nullptr;
    target->GetSurfaceLevel(0, &surface);
    ASSERT_EQ(D3D_OK, m_Device->SetRenderTarget(surface, nullptr));
    surface->Release();
    EXPECT_EQ(0u, target->Release());

    IDirect3DSurface8* current = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->GetRenderTarget(&current));
    D3DSURFACE_DESC desc;
    current->GetDesc(&desc);
    EXPECT_EQ(64u, desc.Width);
    current->Release();
}

TEST_F(GlD3D8Targets, FrontBufferHoldsThePresentedFrameAtTheWindowsPlaceOnTheScreen)
{
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.0f, 0);
    DrawScreenQuad(10, 20, 30, 40, 0xFFFF8000);
    const std::vector<uint32_t> frame = ReadTarget();
    ASSERT_EQ(D3D_OK, m_Device->Present(nullptr, nullptr, nullptr, nullptr));
    // The next frame does not change the front buffer.
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);

    const Screen screen = ReadFrontBuffer();
    const POINT origin = ClientOrigin();
    ASSERT_GE(origin.x, 1);
    ASSERT_LE(origin.x + 64, screen.width);
    int mismatches = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x)
            mismatches += Rgb(screen.At(origin.x + x, origin.y + y)) != Rgb(frame[y * 64 + x]) ? 1 : 0;
    }
    EXPECT_EQ(0, mismatches);
    EXPECT_EQ(0xFFFF8000u, screen.At(origin.x + 10, origin.y + 20));
    EXPECT_EQ(0xFF000000u, screen.At(origin.x - 1, origin.y));
}

TEST_F(GlD3D8Targets, TheFrontBufferTakesTheBackBuffersFormatAndABackBufferWithAlphaKeepsIt)
{
    EXPECT_FALSE(D3D8Platform::FrontBufferKeepsBackBufferFormat(m_Device));
    ASSERT_EQ(D3D_OK, m_Device->Present(nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(D3D8Platform::FrontBufferKeepsBackBufferFormat(m_Device));

    D3DPRESENT_PARAMETERS parameters = {};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
    parameters.hDeviceWindow = m_Window->Handle();
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(D3D_OK, m_Device->Reset(&parameters));
    const D3DCOLOR halfSeen = 0x80FF8000;
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, halfSeen, 1.0f, 0);
    ASSERT_EQ(D3D_OK, m_Device->Present(nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(D3D8Platform::FrontBufferKeepsBackBufferFormat(m_Device));
    const POINT origin = ClientOrigin();
    EXPECT_EQ(halfSeen, ReadFrontBuffer().At(origin.x + 8, origin.y + 8));
}

TEST_F(GlD3D8Targets, PowerOfTwoCapsPadTheTextureAndTheImageKeepsTheTopLeftCorner)
{
    D3DCAPS8 caps;
    m_Device->GetDeviceCaps(&caps);
    EXPECT_EQ(0u, caps.TextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY));
    caps.TextureCaps |= D3DPTEXTURECAPS_POW2;
    D3D8Platform::SetCaps(caps);
    m_Device->GetDeviceCaps(&caps);
    ASSERT_NE(0u, caps.TextureCaps & D3DPTEXTURECAPS_POW2);

    // What the texture loader does with a 100 x 60 image on such a device.
    CreateDevice(128, 64);
    Prepare();
    IDirect3DSurface8* image = MakeImage(100, 60, Pattern);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateTexture(128, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    IDirect3DSurface8* level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    const RECT whole = {0, 0, 100, 60};
    const POINT corner = {0, 0};
    ASSERT_EQ(D3D_OK, m_Device->CopyRects(image, &whole, 1, level, &corner));

    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    UseTexture(texture);
    DrawScreenQuad(-0.5f, -0.5f, 127.5f, 63.5f, 0xFFFFFFFF);
    const std::vector<uint32_t> pixels = ReadTarget();
    int mismatches = 0;
    for (UINT y = 0; y < 64; ++y) {
        for (UINT x = 0; x < 128; ++x) {
            const uint32_t expected = x < 100 && y < 60 ? Rgb(Pattern(x, y)) : 0u;
            mismatches += Rgb(pixels[y * 128 + x]) != expected ? 1 : 0;
        }
    }
    EXPECT_EQ(0, mismatches);
    m_Device->SetTexture(0, nullptr);
    level->Release();
    texture->Release();
    image->Release();
}

TEST_F(GlD3D8Targets, DiscardingLocksAndIndexedDrawsWithABaseVertex)
{
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    m_Device->SetVertexShader(kFvfScreen);
    // The particle pattern: fill with a discarding lock, draw, again.
    IDirect3DVertexBuffer8* dynamic = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateVertexBuffer(4 * sizeof(ScreenVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                                   kFvfScreen, D3DPOOL_DEFAULT, &dynamic));
    m_Device->SetStreamSource(0, dynamic, sizeof(ScreenVertex));
    const D3DCOLOR colours[2] = {0xFFFF0000, 0xFF00FF00};
    for (int pass = 0; pass < 2; ++pass) {
        const float left = pass * 8.0f;
        const ScreenVertex quad[4] = {
            {left, 0, 0.5f, 1, colours[pass], 0, 0}, {left + 8, 0, 0.5f, 1, colours[pass], 0, 0},
            {left, 8, 0.5f, 1, colours[pass], 0, 0}, {left + 8, 8, 0.5f, 1, colours[pass], 0, 0},
        };
        BYTE* data = nullptr;
        ASSERT_EQ(D3D_OK, dynamic->Lock(0, 0, &data, D3DLOCK_DISCARD));
        std::memcpy(data, quad, sizeof(quad));
        ASSERT_EQ(D3D_OK, dynamic->Unlock());
        ASSERT_EQ(D3D_OK, m_Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    }
    EXPECT_EQ(0xFF0000u, Rgb(PixelAt(4, 4)));
    EXPECT_EQ(0x00FF00u, Rgb(PixelAt(12, 4)));

    // Two quads in one static buffer; the indices name the first, the base
    // vertex moves them onto the second.
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateVertexBuffer(8 * sizeof(ScreenVertex), D3DUSAGE_WRITEONLY, kFvfScreen,
                                                   D3DPOOL_MANAGED, &vertices));
    ASSERT_EQ(D3D_OK, m_Device->CreateIndexBuffer(6 * sizeof(uint16_t), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                                  D3DPOOL_MANAGED, &indices));
    const ScreenVertex quads[8] = {
        {0, 16, 0.5f, 1, 0xFFFFFF00, 0, 0},  {8, 16, 0.5f, 1, 0xFFFFFF00, 0, 0},
        {0, 24, 0.5f, 1, 0xFFFFFF00, 0, 0},  {8, 24, 0.5f, 1, 0xFFFFFF00, 0, 0},
        {16, 16, 0.5f, 1, 0xFF00FFFF, 0, 0}, {24, 16, 0.5f, 1, 0xFF00FFFF, 0, 0},
        {16, 24, 0.5f, 1, 0xFF00FFFF, 0, 0}, {24, 24, 0.5f, 1, 0xFF00FFFF, 0, 0},
    };
    const uint16_t triangles[6] = {0, 1, 2, 2, 1, 3};
    BYTE* data = nullptr;
    vertices->Lock(0, 0, &data, 0);
    std::memcpy(data, quads, sizeof(quads));
    vertices->Unlock();
    indices->Lock(0, 0, &data, 0);
    std::memcpy(data, triangles, sizeof(triangles));
    indices->Unlock();
    m_Device->SetStreamSource(0, vertices, sizeof(ScreenVertex));
    m_Device->SetIndices(indices, 4);
    ASSERT_EQ(D3D_OK, m_Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2));
    EXPECT_EQ(0u, Rgb(PixelAt(4, 20)));
    EXPECT_EQ(0x00FFFFu, Rgb(PixelAt(20, 20)));
    // One vertex further reaches past the buffer: refused, nothing drawn.
    m_Device->SetIndices(indices, 5);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2));

    m_Device->SetStreamSource(0, nullptr, 0);
    m_Device->SetIndices(nullptr, 0);
    dynamic->Release();
    vertices->Release();
    indices->Release();
}

TEST_F(GlD3D8Targets, ResetWaitsForDefaultPoolObjectsAndKeepsManagedOnes)
{
    IDirect3DTexture8* managed = MakeTexture(2, 2, Pattern);
    IDirect3DVertexBuffer8* particles = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateVertexBuffer(480 * 20, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS,
                                                   kFvfParticle, D3DPOOL_DEFAULT, &particles));
    m_Device->SetRenderState(D3DRS_ZENABLE, FALSE);

    D3DPRESENT_PARAMETERS parameters = {};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
    parameters.BackBufferWidth = 32;
    parameters.BackBufferHeight = 16;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.hDeviceWindow = m_Window->Handle();
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->Reset(&parameters));
    particles->Release();
    ASSERT_EQ(D3D_OK, m_Device->Reset(&parameters));

    // A new back buffer and depth buffer, and Direct3D's default state.
    IDirect3DSurface8* backBuffer = nullptr;
    m_Device->GetRenderTarget(&backBuffer);
    D3DSURFACE_DESC desc;
    backBuffer->GetDesc(&desc);
    EXPECT_EQ(32u, desc.Width);
    EXPECT_EQ(16u, desc.Height);
    DWORD zEnable = 0;
    m_Device->GetRenderState(D3DRS_ZENABLE, &zEnable);
    EXPECT_EQ(static_cast<DWORD>(D3DZB_TRUE), zEnable);
    // Holding the back buffer stops a reset too.
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->Reset(&parameters));
    backBuffer->Release();

    Prepare();
    UseTexture(managed);
    DrawScreenQuad(-0.5f, -0.5f, 1.5f, 1.5f, 0xFFFFFFFF);
    EXPECT_EQ(Rgb(Pattern(1, 1)), Rgb(PixelAt(1, 1)));
    m_Device->SetTexture(0, nullptr);
    managed->Release();
}

} // namespace

namespace {

TEST_F(GlD3D8Targets, FullScreenTakesTheScreenAndItsFrontBufferStartsAtTheCorner)
{
    const D3DDISPLAYMODE modes[] = {{1024, 768, 70, D3DFMT_X8R8G8B8}};
    D3D8Platform::SetAdapterModes(modes, 1);
    D3D8Platform::SetDesktopMode(modes[0]);
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.Windowed = FALSE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    parameters.BackBufferWidth = 1024;
    parameters.BackBufferHeight = 768;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.hDeviceWindow = m_Window->Handle();
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    parameters.FullScreen_RefreshRateInHz = 70;
    parameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(D3D_OK, m_Device->Reset(&parameters));
    RECT client;
    GetClientRect(m_Window->Handle(), &client);
    EXPECT_EQ(1024, client.right);
    EXPECT_EQ(768, client.bottom);

    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    ASSERT_EQ(D3D_OK, m_Device->Present(nullptr, nullptr, nullptr, nullptr));
    const Screen screen = ReadFrontBuffer();
    ASSERT_EQ(1024, screen.width);
    ASSERT_EQ(768, screen.height);
    EXPECT_EQ(0xFF00FF00u, screen.At(0, 0));
    EXPECT_EQ(0xFF00FF00u, screen.At(1023, 767));

    parameters.Windowed = TRUE;
    parameters.BackBufferWidth = 64;
    parameters.BackBufferHeight = 64;
    parameters.FullScreen_RefreshRateInHz = 0;
    ASSERT_EQ(D3D_OK, m_Device->Reset(&parameters));
}

} // namespace
