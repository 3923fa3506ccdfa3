#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/D3DX8Sprite.h"
#include "platform/d3dx8/D3DXTestDevice.h"

namespace {

// States the sprite changes, each set beforehand to a value it never uses.
struct RenderStateCase {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

const RenderStateCase kCallerStates[] = {
    {D3DRS_ZENABLE, D3DZB_TRUE},
    {D3DRS_FILLMODE, D3DFILL_WIREFRAME},
    {D3DRS_CULLMODE, D3DCULL_CW},
    {D3DRS_ALPHABLENDENABLE, FALSE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE},
    {D3DRS_DESTBLEND, D3DBLEND_ONE},
    {D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT},
    {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_ALPHAREF, 8},
    {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
    {D3DRS_STENCILENABLE, TRUE},
    {D3DRS_FOGENABLE, TRUE},
    {D3DRS_LIGHTING, TRUE},
    {D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0},
};

struct StageStateCase {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
};

const StageStateCase kCallerStageStates[] = {
    {0, D3DTSS_COLOROP, D3DTOP_SELECTARG2},
    {0, D3DTSS_COLORARG1, D3DTA_TFACTOR},
    {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
    {0, D3DTSS_ALPHAARG2, D3DTA_CURRENT},
    {0, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR},
    {0, D3DTSS_MAGFILTER, D3DTEXF_POINT},
    {1, D3DTSS_COLOROP, D3DTOP_MODULATE},
};

constexpr DWORD kCallerFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

class D3DXSprite : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Device.CreateStateOnly());
        ASSERT_EQ(D3D_OK, D3DXCreateSprite(m_Device.Get(), &m_Sprite));
        ASSERT_EQ(D3D_OK, m_Device.Get()->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_Texture));
        ASSERT_EQ(D3D_OK, m_Device.Get()->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_Other));
    }

    void TearDown() override
    {
        if (m_Sprite != nullptr)
            m_Sprite->Release();
        if (m_Texture != nullptr)
            m_Texture->Release();
        if (m_Other != nullptr)
            m_Other->Release();
    }

    D3DXTestDevice m_Device;
    ID3DXSprite* m_Sprite = nullptr;
    IDirect3DTexture8* m_Texture = nullptr;
    IDirect3DTexture8* m_Other = nullptr;
};

TEST_F(D3DXSprite, DrawPutsBackEveryStateItChanged)
{
    IDirect3DDevice8* device = m_Device.Get();
    for (const RenderStateCase& entry : kCallerStates)
        ASSERT_EQ(D3D_OK, device->SetRenderState(entry.state, entry.value));
    for (const StageStateCase& entry : kCallerStageStates)
        ASSERT_EQ(D3D_OK, device->SetTextureStageState(entry.stage, entry.type, entry.value));
    device->SetTexture(0, m_Other);
    device->SetVertexShader(kCallerFvf);

    const D3DXVECTOR2 scaling(2.0f, 3.0f);
    const D3DXVECTOR2 translation(10.0f, 20.0f);
    ASSERT_EQ(D3D_OK, m_Sprite->Draw(m_Texture, nullptr, &scaling, nullptr, 0.5f, &translation, 0x80FFFFFF));

    for (const RenderStateCase& entry : kCallerStates) {
        DWORD value = 0;
        device->GetRenderState(entry.state, &value);
        EXPECT_EQ(entry.value, value) << "render state " << entry.state;
    }
    for (const StageStateCase& entry : kCallerStageStates) {
        DWORD value = 0;
        device->GetTextureStageState(entry.stage, entry.type, &value);
        EXPECT_EQ(entry.value, value) << "stage " << entry.stage << " state " << entry.type;
    }
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(m_Other), bound);
    if (bound != nullptr)
        bound->Release();
    DWORD shader = 0;
    device->GetVertexShader(&shader);
    EXPECT_EQ(kCallerFvf, shader);
}

TEST_F(D3DXSprite, RefusesMissingTextureAndOutlyingRectangle)
{
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Sprite->Draw(nullptr, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF));
    const RECT outlying = {2, 2, 5, 4};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Sprite->Draw(m_Texture, &outlying, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateSprite(m_Device.Get(), nullptr));
    ID3DXSprite* none = m_Sprite;
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateSprite(nullptr, &none));
    EXPECT_EQ(nullptr, none);
}

// The sprite keeps its device alive until its own last release.
TEST_F(D3DXSprite, HoldsItsDevice)
{
    IDirect3DDevice8* device = m_Device.Get();
    const ULONG before = device->AddRef() - 1;
    device->Release();

    ID3DXSprite* sprite = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateSprite(device, &sprite));
    EXPECT_EQ(before + 2, device->AddRef());
    device->Release();

    IDirect3DDevice8* fromSprite = nullptr;
    ASSERT_EQ(D3D_OK, sprite->GetDevice(&fromSprite));
    EXPECT_EQ(device, fromSprite);
    fromSprite->Release();

    EXPECT_EQ(2u, sprite->AddRef());
    EXPECT_EQ(1u, sprite->Release());
    EXPECT_EQ(0u, sprite->Release());
    EXPECT_EQ(before + 1, device->AddRef());
    device->Release();
}

} // namespace
