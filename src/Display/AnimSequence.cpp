#include "Display/AnimSequence.h"

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/Texture.h"

namespace {

const char* const KEYWORD_SEQUENCE = "3DAnimSeq";
const char* const KEYWORD_ANIM_FRAME = "AnimFrame";
const char* const KEYWORD_TIME = "Time";
const char* const KEYWORD_MIN_U = "MinU";
const char* const KEYWORD_MIN_V = "MinV";
const char* const KEYWORD_MAX_U = "MaxU";
const char* const KEYWORD_MAX_V = "MaxV";

const int QUAD_CORNERS = 4;
const UINT QUAD_TRIANGLES = 2;
const uint8_t OPAQUE_ALPHA = 255;
const D3DCOLOR WHITE_RGB = 0x00FFFFFF;
const int ALPHA_SHIFT = 24;

struct QuadVertex {
    float x, y, z;
    D3DCOLOR diffuse;
    float u, v;
};
const DWORD QUAD_VERTEX_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(sizeof(QuadVertex) == 24, "the quad vertex is position, colour and one coordinate pair");

// One quad for every sequence, rewritten before each draw: the unit square
// from -1 to 1 in x and y, as a strip.
QuadVertex g_Quad[QUAD_CORNERS] = {
    {-1.0f, -1.0f, 0.0f, 0, 0.0f, 0.0f},
    {1.0f, -1.0f, 0.0f, 0, 0.0f, 0.0f},
    {-1.0f, 1.0f, 0.0f, 0, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f, 0, 0.0f, 0.0f},
};

} // namespace

C3DAnimSequence::C3DAnimSequence() : m_fTotalTime(0.0f), m_pCurrentFrame(nullptr) {}

bool C3DAnimSequence::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    if (!ReadBlock(reader, KEYWORD_SEQUENCE))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool C3DAnimSequence::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_ANIM_FRAME)) {
        CTexture* texture = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), texture, true);
        std::unique_ptr<C3DAnimFrame> frame(new C3DAnimFrame());
        frame->m_pTexture = texture != nullptr ? texture->GetTexture() : nullptr;
        m_pCurrentFrame = frame.get();
        m_Frames.push_back(std::move(frame));
        return true;
    }
    return ReadFrameProperty(reader);
}

// A frame keyword above the first frame has no frame to go to: it is declined,
// so the block ends there and the loader reports it.
bool C3DAnimSequence::ReadFrameProperty(CDataBuffer& reader)
{
    if (m_pCurrentFrame == nullptr)
        return false;
    if (reader.Match(KEYWORD_TIME)) {
        m_pCurrentFrame->m_fTime = reader.GetFloat();
        m_fTotalTime += m_pCurrentFrame->m_fTime;
        return true;
    }
    struct {
        const char* keyword;
        float* field;
    } const bounds[] = {
        {KEYWORD_MIN_U, &m_pCurrentFrame->m_fMinU},
        {KEYWORD_MIN_V, &m_pCurrentFrame->m_fMinV},
        {KEYWORD_MAX_U, &m_pCurrentFrame->m_fMaxU},
        {KEYWORD_MAX_V, &m_pCurrentFrame->m_fMaxV},
    };
    for (const auto& bound : bounds) {
        if (reader.Match(bound.keyword)) {
            *bound.field = reader.GetFloat();
            return true;
        }
    }
    return false;
}

size_t C3DAnimSequence::FindFrame(float t) const
{
    float end = 0.0f;
    for (size_t i = 0; i < m_Frames.size(); ++i) {
        end += m_Frames[i]->m_fTime;
        if (end >= t)
            return i;
    }
    return m_Frames.size();
}

uint8_t C3DAnimSequence::AlphaToByte(float alpha)
{
    if (alpha >= 1.0f)
        return OPAQUE_ALPHA;
    if (!(alpha > 0.0f))
        return 0;
    return static_cast<uint8_t>(alpha * OPAQUE_ALPHA + 0.5f);
}

void C3DAnimSequence::Draw(float t, float alpha) const
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || !(t >= 0.0f))
        return;
    const size_t index = FindFrame(t);
    if (index >= m_Frames.size())
        return;
    const C3DAnimFrame& frame = *m_Frames[index];

    const float u[QUAD_CORNERS] = {frame.m_fMinU, frame.m_fMaxU, frame.m_fMinU, frame.m_fMaxU};
    const float v[QUAD_CORNERS] = {frame.m_fMaxV, frame.m_fMaxV, frame.m_fMinV, frame.m_fMinV};
    const D3DCOLOR diffuse = static_cast<D3DCOLOR>(AlphaToByte(alpha)) << ALPHA_SHIFT | WHITE_RGB;
    for (int i = 0; i < QUAD_CORNERS; ++i) {
        g_Quad[i].diffuse = diffuse;
        g_Quad[i].u = u[i];
        g_Quad[i].v = v[i];
    }
    // The TransObject3D block leaves the vertex format to the last draw, and
    // lights what it draws: the quad has no normals, so lit it would show
    // only the material's ambient and emissive, black for a flash.
    device->SetVertexShader(QUAD_VERTEX_FVF);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, frame.m_pTexture);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, QUAD_TRIANGLES, g_Quad, sizeof(QuadVertex));
}

void C3DSprite::Update(float seconds)
{
    if (m_u8Active == 0 || m_pSequence == nullptr)
        return;
    m_fAnimTime += seconds;
    if (m_fAnimTime > m_pSequence->GetTotalTime())
        m_fAnimTime = 0.0f;
    m_fSize += seconds * m_fSizeRate;
    m_fAlpha += seconds * m_fAlphaRate;
}

// The position is an offset within the matrix's frame when there is one.
// Only the point is taken from the frame: however its holder turns (a
// tumbling grenade, a shot facing its target), the quad faces the camera.
D3DXVECTOR3 C3DSprite::GetPlace() const
{
    D3DXVECTOR3 place = m_vPosition;
    if (m_pMatrix != nullptr)
        D3DXVec3TransformCoord(&place, &m_vPosition, m_pMatrix);
    return place;
}

void C3DSprite::Draw() const
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (m_pSequence == nullptr || m_u8Active == 0 || device == nullptr || g_pActiveCamera == nullptr)
        return;

    // The camera's turn without its position makes the quad face the camera.
    D3DXMATRIX facing = g_pActiveCamera->GetWorldMatrix();
    facing._41 = 0.0f;
    facing._42 = 0.0f;
    facing._43 = 0.0f;

    const D3DXVECTOR3 place = GetPlace();
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, m_fSize, m_fSize, 1.0f);
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, &scale, &facing);
    world._41 = place.x;
    world._42 = place.y;
    world._43 = place.z;
    device->SetTransform(D3DTS_WORLD, &world);
    m_pSequence->Draw(m_fAnimTime, m_fAlpha);
}
