// State blocks on a device that keeps state only: Direct3D 8's split of what
// a pixel and a vertex block capture.

#include <gtest/gtest.h>

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/D3D8Platform.h"

namespace {

class D3D8StateBlock : public ::testing::Test {
protected:
    void SetUp() override
    {
        D3D8Platform::UseStateOnlyDevices();
        m_D3D = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(nullptr, m_D3D);
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_COPY;
        parameters.EnableAutoDepthStencil = TRUE;
        parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
        ASSERT_EQ(D3D_OK, m_D3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                              D3DCREATE_MIXED_VERTEXPROCESSING, &parameters, &m_Device));
    }

    void TearDown() override
    {
        if (m_Device != nullptr) {
            EXPECT_EQ(0u, m_Device->Release());
        }
        if (m_D3D != nullptr) {
            EXPECT_EQ(0u, m_D3D->Release());
        }
        D3D8Platform::ResetTestHooks();
    }

    DWORD RenderState(D3DRENDERSTATETYPE state) const
    {
        DWORD value = 0;
        m_Device->GetRenderState(state, &value);
        return value;
    }

    DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const
    {
        DWORD value = 0;
        m_Device->GetTextureStageState(stage, type, &value);
        return value;
    }

    DWORD VertexShader() const
    {
        DWORD handle = 0;
        m_Device->GetVertexShader(&handle);
        return handle;
    }

    // One state of each kind set to `high` values (else `low` ones).
    void SetSample(bool high)
    {
        m_Device->SetRenderState(D3DRS_ZENABLE, high ? D3DZB_TRUE : D3DZB_FALSE);
        m_Device->SetRenderState(D3DRS_ALPHABLENDENABLE, high);
        m_Device->SetRenderState(D3DRS_BLENDOP, high ? D3DBLENDOP_REVSUBTRACT : D3DBLENDOP_ADD);
        m_Device->SetRenderState(D3DRS_LIGHTING, high);
        m_Device->SetRenderState(D3DRS_CULLMODE, high ? D3DCULL_CW : D3DCULL_NONE);
        m_Device->SetRenderState(D3DRS_POINTSPRITEENABLE, high);
        m_Device->SetTextureStageState(0, D3DTSS_COLOROP, high ? D3DTOP_MODULATE : D3DTOP_SELECTARG2);
        m_Device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, high ? 1 : 0);
        m_Device->SetVertexShader(high ? 0x112 : 0x42);
        m_Device->LightEnable(0, high);
        D3DMATRIX world = {};
        world._11 = world._22 = world._33 = world._44 = high ? 2.0f : 1.0f;
        m_Device->SetTransform(D3DTS_WORLD, &world);
    }

    IDirect3D8* m_D3D = nullptr;
    IDirect3DDevice8* m_Device = nullptr;
};

TEST_F(D3D8StateBlock, PixelAndVertexBlocksCaptureDirect3D8sSplit)
{
    SetSample(true);
    DWORD pixel = 0, vertex = 0;
    ASSERT_EQ(D3D_OK, m_Device->CreateStateBlock(D3DSBT_PIXELSTATE, &pixel));
    ASSERT_EQ(D3D_OK, m_Device->CreateStateBlock(D3DSBT_VERTEXSTATE, &vertex));
    EXPECT_NE(pixel, vertex);

    SetSample(false);
    ASSERT_EQ(D3D_OK, m_Device->ApplyStateBlock(pixel));
    // Pixel: depth, blending, every stage state.
    EXPECT_EQ(static_cast<DWORD>(D3DZB_TRUE), RenderState(D3DRS_ZENABLE));
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_ALPHABLENDENABLE));
    EXPECT_EQ(static_cast<DWORD>(D3DBLENDOP_REVSUBTRACT), RenderState(D3DRS_BLENDOP));
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_MODULATE), StageState(0, D3DTSS_COLOROP));
    EXPECT_EQ(1u, StageState(0, D3DTSS_TEXCOORDINDEX));
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_LIGHTING));
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_NONE), RenderState(D3DRS_CULLMODE));
    EXPECT_EQ(0x42u, VertexShader());

    SetSample(false);
    ASSERT_EQ(D3D_OK, m_Device->ApplyStateBlock(vertex));
    // Vertex: lighting, culling, points, the stages' coordinate index, the
    // lights and the vertex format; not the transforms.
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_LIGHTING));
    EXPECT_EQ(static_cast<DWORD>(D3DCULL_CW), RenderState(D3DRS_CULLMODE));
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_POINTSPRITEENABLE));
    EXPECT_EQ(1u, StageState(0, D3DTSS_TEXCOORDINDEX));
    EXPECT_EQ(0x112u, VertexShader());
    BOOL enabled = FALSE;
    m_Device->GetLightEnable(0, &enabled);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(static_cast<DWORD>(D3DZB_FALSE), RenderState(D3DRS_ZENABLE));
    EXPECT_EQ(static_cast<DWORD>(FALSE), RenderState(D3DRS_ALPHABLENDENABLE));
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_SELECTARG2), StageState(0, D3DTSS_COLOROP));
    D3DMATRIX world;
    m_Device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(1.0f, world._11);
}

TEST_F(D3D8StateBlock, BlockOfEverythingHoldsTransformsAndBindings)
{
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, m_Device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    SetSample(true);
    m_Device->SetTexture(0, texture);
    DWORD all = 0;
    ASSERT_EQ(D3D_OK, m_Device->CreateStateBlock(D3DSBT_ALL, &all));
    SetSample(false);
    m_Device->SetTexture(0, nullptr);
    ASSERT_EQ(D3D_OK, m_Device->ApplyStateBlock(all));

    D3DMATRIX world;
    m_Device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(2.0f, world._11);
    EXPECT_EQ(static_cast<DWORD>(TRUE), RenderState(D3DRS_LIGHTING));
    IDirect3DBaseTexture8* bound = nullptr;
    m_Device->GetTexture(0, &bound);
    EXPECT_EQ(texture, bound);
    bound->Release();

    // A texture that goes away leaves the block, and the device, unbound.
    EXPECT_EQ(0u, texture->Release());
    m_Device->GetTexture(0, &bound);
    EXPECT_EQ(nullptr, bound);
    ASSERT_EQ(D3D_OK, m_Device->ApplyStateBlock(all));
    m_Device->GetTexture(0, &bound);
    EXPECT_EQ(nullptr, bound);
}

TEST_F(D3D8StateBlock, DeletedAndUnknownHandlesAreRefused)
{
    DWORD block = 0;
    ASSERT_EQ(D3D_OK, m_Device->CreateStateBlock(D3DSBT_PIXELSTATE, &block));
    EXPECT_NE(0u, block);
    EXPECT_EQ(D3D_OK, m_Device->DeleteStateBlock(block));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DeleteStateBlock(block));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->ApplyStateBlock(block));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->ApplyStateBlock(0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CreateStateBlock(static_cast<D3DSTATEBLOCKTYPE>(4), &block));
}

} // namespace
