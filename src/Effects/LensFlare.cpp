#include "Effects/LensFlare.h"

#include <algorithm>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/Texture.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxScene.h"

namespace {

const char* const KEYWORD_SPOT_BLOCK = "LensFlareSpot";
const char* const KEYWORD_FLARE_BLOCK = "LensFlare";
const char* const KEYWORD_TEXTURE = "Texture";
const char* const KEYWORD_SIZE = "Size";
const char* const KEYWORD_LINE_POS = "LinePos";
const char* const KEYWORD_COLOR = "Color";
const char* const KEYWORD_DONE_SPOT = "DoneSpot";
const char* const KEYWORD_MAX_INTENSITY = "MaxIntensity";
const char* const KEYWORD_MIN_INTENSITY = "MinIntensity";
const char* const KEYWORD_POS = "Pos";

// A spot block gives colours as bytes, an inline spot as fractions.
const float BYTE_COLOUR_SCALE = 255.0f;
const float FRACTION_COLOUR_SCALE = 1.0f;

// Every shape of every group hides the light.
const NxU32 OCCLUDING_GROUPS = 0x7fff;
// Per second.
const float VISIBILITY_RATE = 0.6f;
const float GHOST_SCALE_RATE = 0.2f;
const float SMALLEST_GHOST_SCALE = 0.8f;
const UINT TRIANGLES_PER_QUAD = 2;
// Screen points are kept within this many pixels of the origin, so that a
// light in the camera's plane cannot overflow an integer.
const float PIXEL_LIMIT = 1048576.0f;

// Towards zero, within the pixel limit; not-a-number lands on the far left.
int TruncatePixel(float value)
{
    if (!(value > -PIXEL_LIMIT))
        return -static_cast<int>(PIXEL_LIMIT);
    if (value > PIXEL_LIMIT)
        return static_cast<int>(PIXEL_LIMIT);
    return static_cast<int>(value);
}

} // namespace

bool CLensFlareSpot::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    if (!ReadBlock(reader, KEYWORD_SPOT_BLOCK))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CLensFlareSpot::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    return ReadSpotProperty(reader, BYTE_COLOUR_SCALE);
}

bool CLensFlareSpot::Validate()
{
    return m_pTexture != nullptr;
}

bool CLensFlareSpot::ReadSpotProperty(CDataBuffer& reader, float colourScale)
{
    if (reader.Match(KEYWORD_TEXTURE)) {
        CTexture* texture = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), texture, true);
        m_pTexture = texture != nullptr ? texture->GetTexture() : nullptr;
        return true;
    }
    if (reader.Match(KEYWORD_SIZE)) {
        m_fSize = reader.GetFloat();
        return true;
    }
    if (reader.Match(KEYWORD_LINE_POS)) {
        m_fLinePos = reader.GetFloat();
        return true;
    }
    if (!reader.Match(KEYWORD_COLOR))
        return false;
    m_Color.r = reader.GetFloat() / colourScale;
    m_Color.g = reader.GetFloat() / colourScale;
    m_Color.b = reader.GetFloat() / colourScale;
    m_Color.a = reader.GetFloat() / colourScale;
    return true;
}

bool CLensFlare::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    if (!ReadBlock(reader, KEYWORD_FLARE_BLOCK))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CLensFlare::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_SPOT_BLOCK)) {
        CLensFlareSpot spot;
        while (!reader.IsEndOfBuffer() && spot.ReadSpotProperty(reader, FRACTION_COLOUR_SCALE)) {
        }
        reader.Match(KEYWORD_DONE_SPOT);
        m_Spots.push_back(spot);
        m_Vertices.resize(m_Spots.size() * QUAD_VERTICES);
        return true;
    }
    if (reader.Match(KEYWORD_MAX_INTENSITY)) {
        m_fMaxIntensity = reader.GetFloat();
        return true;
    }
    if (reader.Match(KEYWORD_MIN_INTENSITY)) {
        m_fMinIntensity = reader.GetFloat();
        return true;
    }
    if (!reader.Match(KEYWORD_POS))
        return false;
    m_vPosition = reader.GetVector3();
    return true;
}

bool CLensFlare::Validate()
{
    return !m_Spots.empty();
}

void CLensFlare::Render(const D3DXMATRIX& projection, const D3DXMATRIX& view, const D3DXVECTOR3& light, int width,
                        int height, int /*unused*/)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || m_Spots.empty())
        return;
    int x = 0;
    int y = 0;
    if (!ProjectLight(light, view, projection, width, height, x, y))
        return;
    const float base = BaseIntensity(x, y, width, height);
    if (!(base > 0.0f))
        return;

    const CLensFlareSpot& disc = m_Spots[0];
    const int centreX = width / 2;
    const int centreY = height / 2;
    const int discX = TruncatePixel(centreX - (centreX - x) * disc.m_fLinePos);
    const int discY = TruncatePixel(centreY - (centreY - y) * disc.m_fLinePos);
    const int radius = TruncatePixel(width * disc.m_fSize * 0.5f);
    if (discX - radius > width || discX + radius < 0 || discY - radius > height || discY + radius < 0)
        return;

    const LENSFLARE_VERTEX* quad = WriteQuad(0, static_cast<float>(discX), static_cast<float>(discY),
                                             static_cast<float>(radius), base);
    device->SetVertexShader(D3DFVF_LENSFLARE);
    DrawSpot(*device, disc, quad);
}

void CLensFlare::UpdateAndRender()
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || g_pActiveCamera == nullptr || m_Spots.empty())
        return;
    D3DXMATRIX projection;
    device->GetTransform(D3DTS_PROJECTION, &projection);
    const CDisplayMode& mode = g_Display.GetCurrentMode();
    const int width = mode.Width;
    const int height = mode.Height;
    int x = 0;
    int y = 0;
    if (!ProjectLight(m_vPosition, g_pActiveCamera->GetViewMatrix(), projection, width, height, x, y))
        return;

    Fade(IsLightHidden(g_pActiveCamera->GetPosition()), g_FrameTimer.GetFrameTime());
    if (m_Spots.size() < 2)
        return;

    const float intensity = BaseIntensity(x, y, width, height) * m_fVisibility;
    const float centreX = static_cast<float>(width / 2);
    const float centreY = static_cast<float>(height / 2);
    for (size_t i = 1; i < m_Spots.size(); ++i) {
        const CLensFlareSpot& ghost = m_Spots[i];
        const float radius = width * ghost.m_fSize * m_fGhostScale * 0.5f;
        WriteQuad(i, centreX - (centreX - x) * ghost.m_fLinePos, centreY - (centreY - y) * ghost.m_fLinePos, radius,
                  intensity);
    }
    device->SetVertexShader(D3DFVF_LENSFLARE);
    for (size_t i = 1; i < m_Spots.size(); ++i)
        DrawSpot(*device, m_Spots[i], &m_Vertices[i * QUAD_VERTICES]);
}

void CLensFlare::DrawSpot(IDirect3DDevice8& device, const CLensFlareSpot& spot, const LENSFLARE_VERTEX* quad)
{
    device.SetTexture(0, spot.m_pTexture);
    device.DrawPrimitiveUP(D3DPT_TRIANGLELIST, TRIANGLES_PER_QUAD, quad,
                           sizeof(LENSFLARE_VERTEX));
}

// (light, 1) x view x projection x viewport, the viewport mapping clip space
// onto pixels with y down.
bool CLensFlare::ProjectLight(const D3DXVECTOR3& light, const D3DXMATRIX& view, const D3DXMATRIX& projection,
                              int width, int height, int& x, int& y)
{
    const float halfWidth = width * 0.5f;
    const float halfHeight = height * 0.5f;
    const D3DXMATRIX viewport(halfWidth, 0.0f, 0.0f, 0.0f, 0.0f, -halfHeight, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f,
                              halfWidth, halfHeight, 0.0f, 1.0f);
    D3DXMATRIX transform;
    D3DXMatrixMultiply(&transform, &view, &projection);
    D3DXMatrixMultiply(&transform, &transform, &viewport);
    D3DXVECTOR4 screen;
    D3DXVec3Transform(&screen, &light, &transform);
    if (TruncatePixel(screen.w) < 0)
        return false;
    x = TruncatePixel(screen.x / screen.w);
    y = TruncatePixel(screen.y / screen.w);
    return true;
}

// Full inside the viewport, falling to the minimum over the fade distance
// outside it.
float CLensFlare::BaseIntensity(int x, int y, int width, int height) const
{
    const int dx = x < 0 ? -x : (x > width ? x - width : 0);
    const int dy = y < 0 ? -y : (y > height ? y - height : 0);
    const float outside = static_cast<float>(std::max(dx, dy));
    const float t = std::min(outside, FADE_DISTANCE) / FADE_DISTANCE;
    return m_fMinIntensity + (1.0f - t) * (m_fMaxIntensity - m_fMinIntensity);
}

// Without a physics scene nothing can hide the light.
bool CLensFlare::IsLightHidden(const D3DXVECTOR3& eye) const
{
    const NxScene* scene = g_Physics.GetScene();
    if (scene == nullptr)
        return false;
    D3DXVECTOR3 direction = m_vPosition - eye;
    const float length = D3DXVec3Length(&direction);
    if (length != 0.0f)
        direction /= length;
    NxRaycastHit hit;
    return scene->raycastClosestShape(NxRay(ToNxVec3(eye), ToNxVec3(direction)), NX_ALL_SHAPES, hit,
                                      OCCLUDING_GROUPS) != nullptr;
}

void CLensFlare::Fade(bool hidden, float seconds)
{
    if (hidden) {
        m_fVisibility = std::max(m_fVisibility - VISIBILITY_RATE * seconds, 0.0f);
        m_fGhostScale = std::max(m_fGhostScale - GHOST_SCALE_RATE * seconds, SMALLEST_GHOST_SCALE);
        return;
    }
    m_fVisibility = std::min(m_fVisibility + VISIBILITY_RATE * seconds, 1.0f);
    m_fGhostScale = std::min(m_fGhostScale + GHOST_SCALE_RATE * seconds, 1.0f);
}

LENSFLARE_VERTEX* CLensFlare::WriteQuad(size_t index, float cx, float cy, float r, float intensity)
{
    const CLensFlareSpot& spot = m_Spots[index];
    const D3DCOLOR colour = D3DXCOLOR(spot.m_Color.r, spot.m_Color.g, spot.m_Color.b, spot.m_Color.a * intensity);
    const float left = cx - r;
    const float right = cx + r;
    const float top = cy - r;
    const float bottom = cy + r;
    const LENSFLARE_VERTEX corners[QUAD_VERTICES] = {
        {left, top, 0.0f, 1.0f, colour, 0.0f, 0.0f},     {right, top, 0.0f, 1.0f, colour, 1.0f, 0.0f},
        {right, bottom, 0.0f, 1.0f, colour, 1.0f, 1.0f}, {left, top, 0.0f, 1.0f, colour, 0.0f, 0.0f},
        {right, bottom, 0.0f, 1.0f, colour, 1.0f, 1.0f}, {left, bottom, 0.0f, 1.0f, colour, 0.0f, 1.0f},
    };
    LENSFLARE_VERTEX* quad = &m_Vertices[index * QUAD_VERTICES];
    std::copy(corners, corners + QUAD_VERTICES, quad);
    return quad;
}
