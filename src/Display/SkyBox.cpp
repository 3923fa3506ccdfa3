#include "Display/SkyBox.h"

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Display/Display.h"
#include "Display/Texture.h"

namespace {

const char* const KEYWORD_SKYBOX = "Skybox";
const char* const KEYWORD_SIZE = "Size";
// In the order of CSkyBox::Face.
const char* const FACE_KEYWORDS[CSkyBox::FACE_COUNT] = {"Top", "Bottom", "Left", "Right", "Front", "Back"};

const float DEFAULT_SIZE = 10.0f;
const D3DCOLOR FACE_DIFFUSE = 0xFFFFFFFF;
const UINT TRIANGLES_PER_FACE = 2;
const int CORNERS_PER_FACE = 4;

struct SkyVertex {
    float x, y, z;
    D3DCOLOR diffuse;
    float u, v;
};
// The SkyBox state block sets the matching vertex format (XYZ | DIFFUSE | TEX1).
static_assert(sizeof(SkyVertex) == 24, "the sky vertex is position, colour and one coordinate pair");

// Each face's corners as signs of the half size, in strip order, seen from
// inside the cube with the front face's winding; the texture coordinates of
// the corners are the same on every face.
struct FaceCorners {
    CSkyBox::Face face;
    float corner[CORNERS_PER_FACE][3];
};
const FaceCorners FACE_CORNERS[CSkyBox::FACE_COUNT] = {
    {CSkyBox::FACE_LEFT, {{-1, 1, 1}, {-1, -1, 1}, {-1, 1, -1}, {-1, -1, -1}}},
    {CSkyBox::FACE_RIGHT, {{1, 1, -1}, {1, -1, -1}, {1, 1, 1}, {1, -1, 1}}},
    {CSkyBox::FACE_BOTTOM, {{1, -1, -1}, {-1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {CSkyBox::FACE_TOP, {{-1, 1, 1}, {-1, 1, -1}, {1, 1, 1}, {1, 1, -1}}},
    {CSkyBox::FACE_BACK, {{-1, 1, -1}, {-1, -1, -1}, {1, 1, -1}, {1, -1, -1}}},
    {CSkyBox::FACE_FRONT, {{1, 1, 1}, {1, -1, 1}, {-1, 1, 1}, {-1, -1, 1}}},
};
// 0 is the near edge of the texture, 1 the far one; half a texel in from each.
const int CORNER_UV[CORNERS_PER_FACE][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};

} // namespace

CSkyBox::CSkyBox() : m_fSize(DEFAULT_SIZE), m_pFaceTextures()
{
    Init();
}

CSkyBox::~CSkyBox()
{
    CStdInterface::Shutdown();
}

bool CSkyBox::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    if (!ReadBlock(reader, KEYWORD_SKYBOX))
        return false;
    const bool resolved = ResolveTextures();
    m_bInitialised = resolved;
    m_bReady = resolved;
    return resolved;
}

bool CSkyBox::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    for (int face = 0; face < FACE_COUNT; ++face) {
        if (reader.Match(FACE_KEYWORDS[face])) {
            m_FaceNames[face] = reader.GetString();
            return true;
        }
    }
    if (reader.Match(KEYWORD_SIZE)) {
        m_fSize = reader.GetFloat();
        return true;
    }
    return false;
}

bool CSkyBox::Validate()
{
    for (const std::string& name : m_FaceNames) {
        if (name.empty())
            return false;
    }
    return CAsset::Validate();
}

bool CSkyBox::ResolveTextures()
{
    for (int face = 0; face < FACE_COUNT; ++face) {
        CTexture* texture = nullptr;
        g_AssetManager.GetAsset(m_FaceNames[face], texture, true);
        m_pFaceTextures[face] = texture != nullptr ? texture->GetTexture() : nullptr;
    }
    return true;
}

// Pulling the coordinates half a texel in keeps the neighbouring face's
// edge out of the filter at the seams. The front face's width sets it for all.
float CSkyBox::HalfTexel() const
{
    IDirect3DTexture8* front = m_pFaceTextures[FACE_FRONT];
    D3DSURFACE_DESC desc = {};
    if (front == nullptr || FAILED(front->GetLevelDesc(0, &desc)) || desc.Width == 0)
        return 0.0f;
    return 0.5f / static_cast<float>(desc.Width);
}

void CSkyBox::Render(const D3DXMATRIX& view) const
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr)
        return;

    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);
    D3DXMATRIX turnOnly = view;
    turnOnly._41 = 0.0f;
    turnOnly._42 = 0.0f;
    turnOnly._43 = 0.0f;
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &turnOnly);

    const float h = HalfTexel();
    const float edge[2] = {h, 1.0f - h};
    const float s = m_fSize * 0.5f;
    for (const FaceCorners& face : FACE_CORNERS) {
        SkyVertex strip[CORNERS_PER_FACE];
        for (int i = 0; i < CORNERS_PER_FACE; ++i) {
            strip[i] = {face.corner[i][0] * s, face.corner[i][1] * s, face.corner[i][2] * s,
                        FACE_DIFFUSE,          edge[CORNER_UV[i][0]],  edge[CORNER_UV[i][1]]};
        }
        device->SetTexture(0, m_pFaceTextures[face.face]);
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, TRIANGLES_PER_FACE, strip, sizeof(SkyVertex));
    }
}
