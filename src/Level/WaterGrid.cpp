#include "Level/WaterGrid.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Core/Clock.h"
#include "Core/SafeRelease.h"
#include "Display/Display.h"
#include "platform/d3dx8/D3DX8Math.h"

namespace {

const float CYCLE_SECONDS = 1.0f;
const float EASING_START = 0.5f;
// The easing half moves a vertex the whole way in 1 / EASING_RATE seconds.
const float EASING_RATE = 2.0f;
const float KICK_RANGE = 0.1f;
const float JITTER_RANGE = 0.012f;
const float RANDOM_SCALE = 1.0f / float(CRandomTable::MAX_VALUE);

// A random offset from -range / 2 to range / 2.
float RandomOffset(float range)
{
    return g_RandomTable.Next() * RANDOM_SCALE * range - range * 0.5f;
}

// The grid's rest coordinates run from 0 to 1 over its 63 steps, so that it
// covers the screen and the reflection to their edges.
float RestCoordinate(uint32_t index, uint32_t count)
{
    return float(index) / float(count - 1);
}

// Copies `bytes` into the whole of a buffer; false when it does not lock.
template <typename Buffer>
bool FillBuffer(Buffer* buffer, const void* data, UINT bytes, DWORD lockFlags)
{
    BYTE* target = nullptr;
    if (FAILED(buffer->Lock(0, bytes, &target, lockFlags)) || target == nullptr)
        return false;
    std::memcpy(target, data, bytes);
    buffer->Unlock();
    return true;
}

void InvalidateWaterGrid()
{
    g_WaterGrid.InvalidateDeviceObjects();
}

void RestoreWaterGrid()
{
    g_WaterGrid.RestoreDeviceObjects();
}

} // namespace

void RegisterWaterGridDeviceHooks()
{
    CDisplay::SetDeviceObjectHook(DEVICE_HOOK_WATER, InvalidateWaterGrid, RestoreWaterGrid);
}

CWaterGrid::~CWaterGrid()
{
    InvalidateDeviceObjects();
}

void CWaterGrid::Build()
{
    m_fPhaseTime = 0.0f;
    m_u32Columns = COLUMNS;
    m_u32Rows = ROWS;
    m_u32TriangleCount = TRIANGLE_COUNT;
    m_u32IndexCount = INDEX_COUNT;
    m_u32VertexCount = VERTEX_COUNT;
    m_bEasing = false;

    m_Vertices.resize(VERTEX_COUNT);
    for (uint32_t r = 0; r < ROWS; ++r) {
        for (uint32_t c = 0; c < COLUMNS; ++c) {
            const float u = RestCoordinate(c, COLUMNS);
            const float v = RestCoordinate(r, ROWS);
            m_Vertices[r * COLUMNS + c] = {2.0f * u - 1.0f, 1.0f - 2.0f * v, 0.0f, DIFFUSE, u, v};
        }
    }
    m_Indices.clear();
    m_Indices.reserve(INDEX_COUNT);
    for (uint16_t r = 0; r + 1 < ROWS; ++r) {
        for (uint16_t c = 0; c + 1 < COLUMNS; ++c) {
            const uint16_t a = static_cast<uint16_t>(r * COLUMNS + c);
            m_Indices.insert(m_Indices.end(), {a, uint16_t(a + 1), uint16_t(a + COLUMNS + 1)});
            m_Indices.insert(m_Indices.end(), {a, uint16_t(a + COLUMNS + 1), uint16_t(a + COLUMNS)});
        }
    }
    m_RippleTargets.assign(VERTEX_COUNT, RippleTarget{0.0f, 0.0f});
    InvalidateDeviceObjects();
    RestoreDeviceObjects();
}

void CWaterGrid::InvalidateDeviceObjects()
{
    ReleaseAndClear(m_pVertexBuffer);
    ReleaseAndClear(m_pIndexBuffer);
}

// Without buffers the grid still draws, from memory.
void CWaterGrid::RestoreDeviceObjects()
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || m_Indices.empty() || HasBuffers())
        return;
    const bool made =
        SUCCEEDED(device->CreateIndexBuffer(INDEX_COUNT * sizeof(uint16_t), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                            D3DPOOL_DEFAULT, &m_pIndexBuffer)) &&
        SUCCEEDED(device->CreateVertexBuffer(VERTEX_COUNT * sizeof(Vertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC,
                                             FVF, D3DPOOL_DEFAULT, &m_pVertexBuffer)) &&
        WriteIndices() && WriteVertices();
    if (!made)
        InvalidateDeviceObjects();
}

bool CWaterGrid::WriteIndices()
{
    return FillBuffer(m_pIndexBuffer, m_Indices.data(), INDEX_COUNT * sizeof(uint16_t), 0);
}

bool CWaterGrid::WriteVertices()
{
    if (!FillBuffer(m_pVertexBuffer, m_Vertices.data(), VERTEX_COUNT * sizeof(Vertex), D3DLOCK_DISCARD))
        return false;
    m_bVerticesChanged = false;
    return true;
}

void CWaterGrid::UpdateRipples()
{
    if (m_Vertices.empty())
        return;
    const float frameTime = g_FrameTimer.GetFrameTime();
    m_fPhaseTime += frameTime;
    if (m_fPhaseTime >= CYCLE_SECONDS) {
        m_fPhaseTime = 0.0f;
        return;
    }
    if (m_fPhaseTime >= EASING_START) {
        Ease(frameTime);
        return;
    }
    Kick(frameTime);
}

void CWaterGrid::Ease(float frameTime)
{
    if (!m_bEasing) {
        for (uint32_t k = 0; k < VERTEX_COUNT; ++k) {
            const Vertex& vertex = m_Vertices[k];
            RippleTarget& target = m_RippleTargets[k];
            target.du = RestCoordinate(k % COLUMNS, COLUMNS) + RandomOffset(JITTER_RANGE) - vertex.u;
            target.dv = RestCoordinate(k / COLUMNS, ROWS) + RandomOffset(JITTER_RANGE) - vertex.v;
        }
    }
    for (uint32_t k = 0; k < VERTEX_COUNT; ++k) {
        m_Vertices[k].u += EASING_RATE * frameTime * m_RippleTargets[k].du;
        m_Vertices[k].v += EASING_RATE * frameTime * m_RippleTargets[k].dv;
    }
    m_bEasing = true;
    m_bVerticesChanged = true;
}

// One frame of drift, then straight on to the easing half.
void CWaterGrid::Kick(float frameTime)
{
    for (Vertex& vertex : m_Vertices) {
        vertex.u += frameTime * RandomOffset(KICK_RANGE);
        vertex.v += frameTime * RandomOffset(KICK_RANGE);
    }
    m_bEasing = false;
    m_fPhaseTime = EASING_START;
    m_bVerticesChanged = true;
}

void CWaterGrid::Render(float low, float high)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr || m_Vertices.empty())
        return;
    // Cell row r lies between the heights 1 - 2 (r + 1) / 63 and 1 - 2 r / 63;
    // a row more on either side stays clear of rounding.
    const float steps = float(ROWS - 1);
    const int first = std::max(int(std::floor((1.0f - high) * 0.5f * steps)) - 1, 0);
    const int last = std::min(int(std::ceil((1.0f - low) * 0.5f * steps)) + 1, int(ROWS - 1));
    if (!(low <= high) || first >= last)
        return;
    const UINT rowIndices = (COLUMNS - 1) * 6;
    const UINT startIndex = UINT(first) * rowIndices;
    const UINT triangles = UINT(last - first) * (COLUMNS - 1) * 2;
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    D3DXMATRIX view;
    D3DXMATRIX projection;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    D3DXMATRIX screen;
    D3DXMatrixOrthoOffCenterLH(&screen, -1.0f, 1.0f, -1.0f, 1.0f, 0.0f, 1.0f);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &screen);

    device->SetTexture(0, g_RenderReflection);
    device->SetVertexShader(FVF);
    if (!DrawFromBuffers(*device, startIndex, triangles))
        device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, m_u32VertexCount, triangles,
                                       m_Indices.data() + startIndex, D3DFMT_INDEX16, m_Vertices.data(),
                                       sizeof(Vertex));

    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

bool CWaterGrid::DrawFromBuffers(IDirect3DDevice8& device, UINT startIndex, UINT triangles)
{
    if (!HasBuffers() || (m_bVerticesChanged && !WriteVertices()))
        return false;
    device.SetStreamSource(0, m_pVertexBuffer, sizeof(Vertex));
    device.SetIndices(m_pIndexBuffer, 0);
    device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_u32VertexCount, startIndex, triangles);
    // As a draw from memory would, the grid leaves no stream bound for the
    // draws after it.
    device.SetStreamSource(0, nullptr, 0);
    device.SetIndices(nullptr, 0);
    return true;
}
