// The Direct3D object and a device that keeps state only: adapter modes and
// the test hooks, creation and reset rules, resources and draw checks.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/D3D8Platform.h"

namespace {

const D3DDISPLAYMODE kOfferedModes[] = {
    {800, 600, 60, D3DFMT_X8R8G8B8},
    {1024, 768, 60, D3DFMT_X8R8G8B8},
    {1024, 768, 70, D3DFMT_X8R8G8B8},
    {1024, 768, 75, D3DFMT_X8R8G8B8},
};

D3DPRESENT_PARAMETERS Windowed(UINT width = 0, UINT height = 0)
{
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    return parameters;
}

D3DPRESENT_PARAMETERS FullScreen(UINT width, UINT height, UINT refresh)
{
    D3DPRESENT_PARAMETERS parameters = Windowed(width, height);
    parameters.Windowed = FALSE;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.FullScreen_RefreshRateInHz = refresh;
    parameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return parameters;
}

class D3D8Device : public ::testing::Test {
protected:
    void SetUp() override
    {
        D3D8Platform::UseStateOnlyDevices();
        D3D8Platform::SetAdapterModes(kOfferedModes, 4);
        m_D3D = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(nullptr, m_D3D);
    }

    void TearDown() override
    {
        if (m_Device != nullptr) {
            EXPECT_EQ(0u, m_Device->Release());
        }
        EXPECT_EQ(0u, m_D3D->Release());
        D3D8Platform::ResetTestHooks();
    }

    HRESULT Create(D3DPRESENT_PARAMETERS parameters, D3DDEVTYPE type = D3DDEVTYPE_HAL)
    {
        return m_D3D->CreateDevice(D3DADAPTER_DEFAULT, type, nullptr, D3DCREATE_MIXED_VERTEXPROCESSING, &parameters,
                                   &m_Device);
    }

    IDirect3D8* m_D3D = nullptr;
    IDirect3DDevice8* m_Device = nullptr;
};

TEST_F(D3D8Device, OnlyInterfaceVersion220MakesTheDirect3DObject)
{
    EXPECT_EQ(nullptr, Direct3DCreate8(D3D_SDK_VERSION + 1));
}

TEST_F(D3D8Device, AdapterListsTheInjectedModesAndTheDesktop)
{
    ASSERT_EQ(4u, m_D3D->GetAdapterModeCount(D3DADAPTER_DEFAULT));
    D3DDISPLAYMODE mode;
    ASSERT_EQ(D3D_OK, m_D3D->EnumAdapterModes(D3DADAPTER_DEFAULT, 3, &mode));
    EXPECT_EQ(1024u, mode.Width);
    EXPECT_EQ(75u, mode.RefreshRate);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_D3D->EnumAdapterModes(D3DADAPTER_DEFAULT, 4, &mode));
    EXPECT_EQ(0u, m_D3D->GetAdapterModeCount(1));

    D3D8Platform::SetAdapterModes(nullptr, 0);
    EXPECT_EQ(0u, m_D3D->GetAdapterModeCount(D3DADAPTER_DEFAULT));
    D3D8Platform::SetDesktopMode(D3DDISPLAYMODE{1280, 1024, 60, D3DFMT_X8R8G8B8});
    ASSERT_EQ(D3D_OK, m_D3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode));
    EXPECT_EQ(1280u, mode.Width);
    EXPECT_EQ(D3DFMT_X8R8G8B8, mode.Format);
}

TEST_F(D3D8Device, FullScreenNeedsAListedModeAndRefreshRate)
{
    EXPECT_EQ(D3DERR_INVALIDCALL, Create(FullScreen(1024, 768, 85)));
    EXPECT_EQ(D3DERR_INVALIDCALL, Create(FullScreen(640, 480, 60)));
    EXPECT_EQ(nullptr, m_Device);
    ASSERT_EQ(D3D_OK, Create(FullScreen(1024, 768, 75)));
    IDirect3DSurface8* backBuffer = nullptr;
    m_Device->GetRenderTarget(&backBuffer);
    D3DSURFACE_DESC desc;
    backBuffer->GetDesc(&desc);
    EXPECT_EQ(1024u, desc.Width);
    EXPECT_EQ(768u, desc.Height);
    backBuffer->Release();

    D3DPRESENT_PARAMETERS unlisted = FullScreen(1024, 768, 85);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->Reset(&unlisted));
    D3DPRESENT_PARAMETERS windowed = Windowed();
    ASSERT_EQ(D3D_OK, m_Device->Reset(&windowed));
    // Windowed parameters get the desktop's format filled in.
    EXPECT_EQ(D3DFMT_X8R8G8B8, windowed.BackBufferFormat);
    EXPECT_NE(0u, windowed.BackBufferWidth);
}

TEST_F(D3D8Device, RefusedDeviceTypesAndFailingResetsFollowTheHooks)
{
    D3D8Platform::RefuseDeviceType(D3DDEVTYPE_HAL);
    EXPECT_EQ(D3DERR_NOTAVAILABLE, Create(Windowed()));
    ASSERT_EQ(D3D_OK, Create(Windowed(), D3DDEVTYPE_REF));
    D3DCAPS8 caps;
    m_Device->GetDeviceCaps(&caps);
    EXPECT_EQ(D3DDEVTYPE_REF, caps.DeviceType);
    EXPECT_GE(caps.MaxPointSize, 1.0f);

    D3D8Platform::FailResets();
    D3DPRESENT_PARAMETERS parameters = Windowed(320, 200);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->Reset(&parameters));
    D3D8Platform::FailRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->SetRenderState(D3DRS_LIGHTING, FALSE));
    EXPECT_EQ(D3D_OK, m_Device->SetRenderState(D3DRS_LIGHTING, TRUE));
    DWORD lighting = 0;
    m_Device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(static_cast<DWORD>(TRUE), lighting);
}

TEST_F(D3D8Device, ResourcesShareCountsAsDirect3DDoes)
{
    ASSERT_EQ(D3D_OK, Create(Windowed(64, 64)));
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateTexture(16, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(5u, texture->GetLevelCount());
    D3DSURFACE_DESC desc;
    ASSERT_EQ(D3D_OK, texture->GetLevelDesc(4, &desc));
    EXPECT_EQ(1u, desc.Width);
    EXPECT_EQ(1u, desc.Height);

    // A level counts with its texture; the texture holds the device.
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(D3D_OK, texture->GetSurfaceLevel(0, &level));
    EXPECT_EQ(1u, texture->Release());
    EXPECT_EQ(3u, m_Device->AddRef()); // ours twice, the texture's once
    EXPECT_EQ(2u, m_Device->Release());
    EXPECT_EQ(0u, level->Release());
    EXPECT_EQ(2u, m_Device->AddRef());
    EXPECT_EQ(1u, m_Device->Release());

    // The device lives while a resource does.
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateVertexBuffer(64, 0, 0x42, D3DPOOL_MANAGED, &buffer));
    EXPECT_EQ(1u, m_Device->Release());
    IDirect3DDevice8* owner = nullptr;
    ASSERT_EQ(D3D_OK, buffer->GetDevice(&owner));
    EXPECT_EQ(1u, owner->Release());
    EXPECT_EQ(0u, buffer->Release());
    m_Device = nullptr;
}

TEST_F(D3D8Device, RefusesWhatItCannotMake)
{
    ASSERT_EQ(D3D_OK, Create(Windowed(64, 64)));
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CreateTexture(0, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CreateTexture(8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CreateTexture(8, 8, 5, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              m_Device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(nullptr, texture);
    IDirect3DIndexBuffer8* indices = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CreateIndexBuffer(64, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &indices));
    IDirect3DSurface8* image = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CreateImageSurface(8, 8, D3DFMT_D24S8, &image));
    EXPECT_EQ(D3D_OK, m_Device->CreateImageSurface(8, 8, D3DFMT_A4R4G4B4, &image));
    D3DLOCKED_RECT locked;
    const RECT outside = {4, 4, 9, 8};
    EXPECT_EQ(D3DERR_INVALIDCALL, image->LockRect(&locked, &outside, 0));
    ASSERT_EQ(D3D_OK, image->LockRect(&locked, nullptr, 0));
    EXPECT_EQ(16, locked.Pitch);
    EXPECT_EQ(D3DERR_INVALIDCALL, image->LockRect(&locked, nullptr, 0));
    EXPECT_EQ(D3D_OK, image->UnlockRect());
    EXPECT_EQ(D3DERR_INVALIDCALL, image->UnlockRect());
    image->Release();

    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->GetDepthStencilSurface(&depth));
    EXPECT_EQ(D3DERR_INVALIDCALL, depth->LockRect(&locked, nullptr, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->SetRenderTarget(depth, depth));
    depth->Release();
}

TEST_F(D3D8Device, BufferLocksStayInsideTheBuffer)
{
    ASSERT_EQ(D3D_OK, Create(Windowed(64, 64)));
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateVertexBuffer(100, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &buffer));
    BYTE* data = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Lock(90, 20, &data, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Lock(101, 0, &data, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Unlock());
    ASSERT_EQ(D3D_OK, buffer->Lock(90, 0, &data, D3DLOCK_DISCARD));
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Lock(0, 0, &data, 0));
    EXPECT_EQ(D3D_OK, buffer->Unlock());
    D3DVERTEXBUFFER_DESC desc;
    buffer->GetDesc(&desc);
    EXPECT_EQ(100u, desc.Size);
    EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);

    // A default-pool object alive makes Reset refuse.
    D3DPRESENT_PARAMETERS parameters = Windowed(32, 32);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->Reset(&parameters));
    buffer->Release();
    EXPECT_EQ(D3D_OK, m_Device->Reset(&parameters));
}

TEST_F(D3D8Device, DrawsAreCheckedAgainstTheirInputs)
{
    ASSERT_EQ(D3D_OK, Create(Windowed(64, 64)));
    struct Vertex {
        float x, y, z;
        DWORD colour;
    };
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateVertexBuffer(4 * sizeof(Vertex), 0, 0x42, D3DPOOL_MANAGED, &buffer));
    m_Device->SetVertexShader(0x42);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    m_Device->SetStreamSource(0, buffer, sizeof(Vertex));
    EXPECT_EQ(D3D_OK, m_Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0x40000000));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), 0, 1));
    // A stride below the format's size, or a format without a position.
    m_Device->SetStreamSource(0, buffer, 12);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawPrimitive(D3DPT_POINTLIST, 0, 1));
    m_Device->SetStreamSource(0, buffer, sizeof(Vertex));
    m_Device->SetVertexShader(D3DFVF_DIFFUSE);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawPrimitive(D3DPT_POINTLIST, 0, 1));
    // A vertex shader handle draws nothing until vertex shaders exist.
    m_Device->SetVertexShader(0x0003);
    EXPECT_EQ(D3D_OK, m_Device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 100));

    // User-memory draws leave no stream or indices bound.
    const Vertex vertices[3] = {};
    m_Device->SetVertexShader(0x42);
    EXPECT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, sizeof(Vertex)));
    IDirect3DVertexBuffer8* bound = nullptr;
    UINT stride = 0;
    m_Device->GetStreamSource(0, &bound, &stride);
    EXPECT_EQ(nullptr, bound);
    // Indices must stay within the vertices the caller gives.
    const uint16_t outside[3] = {0, 1, 5};
    const uint16_t inside[3] = {0, 1, 2};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, outside,
                                                                  D3DFMT_INDEX16, vertices, sizeof(Vertex)));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 1, 2, 1, inside,
                                                                  D3DFMT_INDEX16, vertices, sizeof(Vertex)));
    EXPECT_EQ(D3D_OK, m_Device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, inside, D3DFMT_INDEX16,
                                                       vertices, sizeof(Vertex)));
    buffer->Release();
}

// A buffer drawn a triangle at a time, over more ranges than the device
// remembers the largest index of: every range is still checked, the second
// time round too, and a lock that mends a triangle is seen.
TEST_F(D3D8Device, IndexedDrawsCheckEveryRangeOfABufferHoweverManyAreDrawn)
{
    ASSERT_EQ(D3D_OK, Create(Windowed(64, 64)));
    const UINT vertexCount = 4;
    const UINT triangleCount = 40;
    IDirect3DVertexBuffer8* vertices = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateVertexBuffer(vertexCount * 16, 0, 0x42, D3DPOOL_MANAGED, &vertices));
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateIndexBuffer(triangleCount * 3 * sizeof(uint16_t), 0, D3DFMT_INDEX16,
                                                  D3DPOOL_MANAGED, &indices));
    // Every seventh triangle names a vertex past the buffer's last.
    auto outside = [](UINT triangle) { return triangle % 7 == 3; };
    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, indices->Lock(0, 0, &data, 0));
    uint16_t* index = reinterpret_cast<uint16_t*>(data);
    for (UINT triangle = 0; triangle < triangleCount; ++triangle) {
        index[triangle * 3] = static_cast<uint16_t>(triangle % vertexCount);
        index[triangle * 3 + 1] = 1;
        index[triangle * 3 + 2] = outside(triangle) ? vertexCount : 2;
    }
    ASSERT_EQ(D3D_OK, indices->Unlock());
    m_Device->SetVertexShader(0x42);
    m_Device->SetStreamSource(0, vertices, 16);
    m_Device->SetIndices(indices, 0);
    for (int round = 0; round < 2; ++round) {
        for (UINT triangle = 0; triangle < triangleCount; ++triangle) {
            SCOPED_TRACE("round " + std::to_string(round) + ", triangle " + std::to_string(triangle));
            EXPECT_EQ(outside(triangle) ? D3DERR_INVALIDCALL : D3D_OK,
                      m_Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexCount, triangle * 3, 1));
        }
    }
    ASSERT_EQ(D3D_OK, indices->Lock(3 * 3 * sizeof(uint16_t), 3 * sizeof(uint16_t), &data, 0));
    reinterpret_cast<uint16_t*>(data)[2] = 2;
    ASSERT_EQ(D3D_OK, indices->Unlock());
    EXPECT_EQ(D3D_OK, m_Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexCount, 3 * 3, 1));
    m_Device->SetStreamSource(0, nullptr, 0);
    m_Device->SetIndices(nullptr, 0);
    vertices->Release();
    indices->Release();
}

TEST_F(D3D8Device, CopyRectsNeedsOneFormatAndRectanglesInside)
{
    ASSERT_EQ(D3D_OK, Create(Windowed(64, 64)));
    IDirect3DSurface8* source = nullptr;
    IDirect3DSurface8* dest = nullptr;
    IDirect3DSurface8* other = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, &source));
    ASSERT_EQ(D3D_OK, m_Device->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &dest));
    ASSERT_EQ(D3D_OK, m_Device->CreateImageSurface(8, 8, D3DFMT_X8R8G8B8, &other));
    D3DLOCKED_RECT locked;
    source->LockRect(&locked, nullptr, 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = y * 4 + x;
    }
    source->UnlockRect();

    const RECT rect = {1, 1, 3, 4};
    const POINT at = {5, 4};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CopyRects(source, &rect, 1, other, &at));
    const POINT tooFar = {7, 4};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CopyRects(source, &rect, 1, dest, &tooFar));
    ASSERT_EQ(D3D_OK, m_Device->CopyRects(source, &rect, 1, dest, &at));
    dest->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    const auto pixel = [&](int x, int y) {
        return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch)[x];
    };
    EXPECT_EQ(5u, pixel(5, 4));
    EXPECT_EQ(14u, pixel(6, 6));
    EXPECT_EQ(0u, pixel(4, 4));
    dest->UnlockRect();
    source->Release();
    dest->Release();
    other->Release();
}

} // namespace
