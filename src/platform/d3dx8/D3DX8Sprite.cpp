#include "platform/d3dx8/D3DX8Sprite.h"

#include <cmath>
#include <iterator>

#include "platform/d3dx8/ImageTransfer.h"

namespace {

// XYZRHW | DIFFUSE | TEX1: screen position, colour, one texture coordinate.
constexpr DWORD kSpriteFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct SpriteVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
static_assert(sizeof(SpriteVertex) == 28, "the layout of kSpriteFvf");

// Direct3D samples at pixel centres on whole coordinates; moving the corners
// half a pixel up and left lays texel i exactly over pixel i.
constexpr float kPixelCentreOffset = 0.5f;
constexpr UINT kQuadTriangles = 2;
constexpr DWORD kSpriteStage = 0;
constexpr DWORD kNextStage = 1;
constexpr DWORD kAllColourChannels = D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN |
                                     D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA;

struct RenderStateValue {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

struct StageStateValue {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
};

// Everything a sprite draw depends on; each is saved before and restored after.
const RenderStateValue kRenderStates[] = {
    {D3DRS_ZENABLE, D3DZB_FALSE},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_CULLMODE, D3DCULL_NONE},
    {D3DRS_ALPHABLENDENABLE, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    // Fully transparent texels leave the target untouched, alpha included.
    {D3DRS_ALPHATESTENABLE, TRUE},
    {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, D3DCMP_GREATER},
    {D3DRS_STENCILENABLE, FALSE},
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_SPECULARENABLE, FALSE},
    {D3DRS_LIGHTING, FALSE},
    {D3DRS_CLIPPLANEENABLE, 0},
    {D3DRS_COLORWRITEENABLE, kAllColourChannels},
};

const StageStateValue kStageStates[] = {
    {kSpriteStage, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {kSpriteStage, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {kSpriteStage, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {kSpriteStage, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {kSpriteStage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {kSpriteStage, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {kSpriteStage, D3DTSS_TEXCOORDINDEX, 0},
    {kSpriteStage, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
    {kSpriteStage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
    {kSpriteStage, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP},
    {kSpriteStage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
    {kSpriteStage, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
    {kSpriteStage, D3DTSS_MIPFILTER, D3DTEXF_NONE},
    {kNextStage, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {kNextStage, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
};

constexpr size_t kRenderStateCount = std::size(kRenderStates);
constexpr size_t kStageStateCount = std::size(kStageStates);

// The device state a draw overwrites, captured before it and put back after.
class SavedSpriteState {
public:
    explicit SavedSpriteState(IDirect3DDevice8* device);
    ~SavedSpriteState();
    SavedSpriteState(const SavedSpriteState&) = delete;
    SavedSpriteState& operator=(const SavedSpriteState&) = delete;

private:
    IDirect3DDevice8* m_Device;
    DWORD m_RenderStates[kRenderStateCount] = {};
    DWORD m_StageStates[kStageStateCount] = {};
    IDirect3DBaseTexture8* m_Texture = nullptr;
    DWORD m_VertexShader = 0;
};

SavedSpriteState::SavedSpriteState(IDirect3DDevice8* device) : m_Device(device)
{
    for (size_t i = 0; i < kRenderStateCount; ++i)
        device->GetRenderState(kRenderStates[i].state, &m_RenderStates[i]);
    for (size_t i = 0; i < kStageStateCount; ++i)
        device->GetTextureStageState(kStageStates[i].stage, kStageStates[i].type, &m_StageStates[i]);
    device->GetTexture(kSpriteStage, &m_Texture);
    device->GetVertexShader(&m_VertexShader);
}

SavedSpriteState::~SavedSpriteState()
{
    for (size_t i = 0; i < kRenderStateCount; ++i)
        m_Device->SetRenderState(kRenderStates[i].state, m_RenderStates[i]);
    for (size_t i = 0; i < kStageStateCount; ++i)
        m_Device->SetTextureStageState(kStageStates[i].stage, kStageStates[i].type, m_StageStates[i]);
    m_Device->SetTexture(kSpriteStage, m_Texture);
    // GetTexture handed out a reference of its own.
    if (m_Texture != nullptr)
        m_Texture->Release();
    m_Device->SetVertexShader(m_VertexShader);
}

void SetSpriteStates(IDirect3DDevice8* device, IDirect3DTexture8* texture)
{
    for (const RenderStateValue& entry : kRenderStates)
        device->SetRenderState(entry.state, entry.value);
    for (const StageStateValue& entry : kStageStates)
        device->SetTextureStageState(entry.stage, entry.type, entry.value);
    device->SetTexture(kSpriteStage, texture);
    device->SetVertexShader(kSpriteFvf);
}

// Scale, then rotate about the centre, then translate, on row vectors: the
// order of D3DX's two-dimensional transformation.
struct SpriteTransform {
    float scaleX = 1.0f, scaleY = 1.0f;
    float centreX = 0.0f, centreY = 0.0f;
    float cosine = 1.0f, sine = 0.0f;
    float moveX = 0.0f, moveY = 0.0f;

    void Apply(float x, float y, float& outX, float& outY) const
    {
        const float px = x * scaleX - centreX;
        const float py = y * scaleY - centreY;
        outX = px * cosine - py * sine + centreX + moveX;
        outY = px * sine + py * cosine + centreY + moveY;
    }
};

SpriteTransform MakeTransform(const D3DXVECTOR2* scaling, const D3DXVECTOR2* rotationCenter, FLOAT rotation,
                              const D3DXVECTOR2* translation)
{
    SpriteTransform transform;
    if (scaling != nullptr) {
        transform.scaleX = scaling->x;
        transform.scaleY = scaling->y;
    }
    if (rotationCenter != nullptr) {
        transform.centreX = rotationCenter->x;
        transform.centreY = rotationCenter->y;
    }
    transform.cosine = std::cos(rotation);
    transform.sine = std::sin(rotation);
    if (translation != nullptr) {
        transform.moveX = translation->x;
        transform.moveY = translation->y;
    }
    return transform;
}

class D3DXSprite : public ID3DXSprite {
public:
    explicit D3DXSprite(IDirect3DDevice8* device) : m_Device(device) { m_Device->AddRef(); }

    ULONG AddRef() override { return ++m_References; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    HRESULT Draw(IDirect3DTexture8* srcTexture, const RECT* srcRect, const D3DXVECTOR2* scaling,
                 const D3DXVECTOR2* rotationCenter, FLOAT rotation, const D3DXVECTOR2* translation,
                 D3DCOLOR color) override;

private:
    ~D3DXSprite() override { m_Device->Release(); }

    IDirect3DDevice8* m_Device;
    ULONG m_References = 1;
};

ULONG D3DXSprite::Release()
{
    const ULONG remaining = --m_References;
    if (remaining == 0)
        delete this;
    return remaining;
}

HRESULT D3DXSprite::GetDevice(IDirect3DDevice8** device)
{
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    m_Device->AddRef();
    *device = m_Device;
    return D3D_OK;
}

HRESULT D3DXSprite::Draw(IDirect3DTexture8* srcTexture, const RECT* srcRect, const D3DXVECTOR2* scaling,
                         const D3DXVECTOR2* rotationCenter, FLOAT rotation, const D3DXVECTOR2* translation,
                         D3DCOLOR color)
{
    if (srcTexture == nullptr)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc = {};
    const HRESULT described = srcTexture->GetLevelDesc(0, &desc);
    if (FAILED(described))
        return described;
    RECT source = {};
    if (!ResolveRect(srcRect, desc.Width, desc.Height, source))
        return D3DERR_INVALIDCALL;

    const SpriteTransform transform = MakeTransform(scaling, rotationCenter, rotation, translation);
    const float width = static_cast<float>(source.right - source.left);
    const float height = static_cast<float>(source.bottom - source.top);
    const float texelU = 1.0f / static_cast<float>(desc.Width);
    const float texelV = 1.0f / static_cast<float>(desc.Height);
    // Corners in strip order: top-left, top-right, bottom-left, bottom-right.
    const float cornerX[4] = {0.0f, width, 0.0f, width};
    const float cornerY[4] = {0.0f, 0.0f, height, height};
    const float cornerU[4] = {source.left * texelU, source.right * texelU, source.left * texelU, source.right * texelU};
    const float cornerV[4] = {source.top * texelV, source.top * texelV, source.bottom * texelV, source.bottom * texelV};
    SpriteVertex quad[4];
    for (int i = 0; i < 4; ++i) {
        SpriteVertex& vertex = quad[i];
        transform.Apply(cornerX[i], cornerY[i], vertex.x, vertex.y);
        vertex.x -= kPixelCentreOffset;
        vertex.y -= kPixelCentreOffset;
        vertex.z = 0.0f;
        vertex.rhw = 1.0f;
        vertex.colour = color;
        vertex.u = cornerU[i];
        vertex.v = cornerV[i];
    }

    SavedSpriteState saved(m_Device);
    SetSpriteStates(m_Device, srcTexture);
    return m_Device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, kQuadTriangles, quad, sizeof(SpriteVertex));
}

} // namespace

HRESULT D3DXCreateSprite(IDirect3DDevice8* device, ID3DXSprite** sprite)
{
    if (sprite == nullptr)
        return D3DERR_INVALIDCALL;
    *sprite = nullptr;
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    *sprite = new D3DXSprite(device);
    return D3D_OK;
}
