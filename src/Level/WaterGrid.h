#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d8/D3D8.h"

// The water surface of every water plane: one 64 x 64 grid of vertices over
// the whole screen carrying the mirrored scene, its texture coordinates
// trembling in a one-second ripple cycle. The level draws it where the water
// planes marked the stencil buffer. Built once at start-up.
class CWaterGrid {
public:
    enum {
        COLUMNS = 64,
        ROWS = 64,
        VERTEX_COUNT = COLUMNS * ROWS,
        TRIANGLE_COUNT = (COLUMNS - 1) * (ROWS - 1) * 2,
        INDEX_COUNT = TRIANGLE_COUNT * 3,
    };
    static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    static constexpr D3DCOLOR DIFFUSE = 0x9F7F7FFF;

    struct Vertex {
        float x, y, z;
        D3DCOLOR diffuse;
        float u, v;
    };
    struct RippleTarget {
        float du, dv;
    };

    CWaterGrid() = default;
    ~CWaterGrid();
    CWaterGrid(const CWaterGrid&) = delete;
    CWaterGrid& operator=(const CWaterGrid&) = delete;

    // Also makes the grid's buffers when there is a device.
    void Build();
    // The buffers live in the device's default pool: released before a
    // display reset and made again after it.
    void InvalidateDeviceObjects();
    void RestoreDeviceObjects();
    // One frame of the cycle: a kick of random drift, then half a second of
    // easing back to the rest coordinates plus a small jitter.
    void UpdateRipples();
    // With the reflection render target on stage 0, in screen space: the
    // rows of the grid that reach between the screen heights `low` and
    // `high` (-1 at the bottom, 1 at the top), where the water's mask lies;
    // nothing passes the mask anywhere else. The vertices go to the device
    // only in a frame after the ripples moved.
    void Render(float low = -1.0f, float high = 1.0f);

    float GetPhaseTime() const { return m_fPhaseTime; }
    uint32_t GetColumns() const { return m_u32Columns; }
    uint32_t GetRows() const { return m_u32Rows; }
    uint32_t GetTriangleCount() const { return m_u32TriangleCount; }
    uint32_t GetIndexCount() const { return m_u32IndexCount; }
    uint32_t GetVertexCount() const { return m_u32VertexCount; }
    const std::vector<Vertex>& GetVertices() const { return m_Vertices; }
    const std::vector<uint16_t>& GetIndices() const { return m_Indices; }
    const std::vector<RippleTarget>& GetRippleTargets() const { return m_RippleTargets; }
    bool IsEasing() const { return m_bEasing; }
    bool HasBuffers() const { return m_pVertexBuffer != nullptr && m_pIndexBuffer != nullptr; }

private:
    void Kick(float frameTime);
    void Ease(float frameTime);
    bool WriteIndices();
    bool WriteVertices();
    // False when the grid has no buffers to draw from.
    bool DrawFromBuffers(IDirect3DDevice8& device, UINT startIndex, UINT triangles);

    float m_fPhaseTime = 0.0f;
    uint32_t m_u32Columns = 0;
    uint32_t m_u32Rows = 0;
    uint32_t m_u32TriangleCount = 0;
    uint32_t m_u32IndexCount = 0;
    uint32_t m_u32VertexCount = 0;
    std::vector<Vertex> m_Vertices;
    std::vector<uint16_t> m_Indices;
    std::vector<RippleTarget> m_RippleTargets;
    bool m_bEasing = false;

    IDirect3DVertexBuffer8* m_pVertexBuffer = nullptr;
    IDirect3DIndexBuffer8* m_pIndexBuffer = nullptr;
    // The vertex buffer holds older coordinates than m_Vertices.
    bool m_bVerticesChanged = true;
};

// The display releases and restores g_WaterGrid's buffers with its own.
void RegisterWaterGridDeviceHooks();

extern CWaterGrid g_WaterGrid;
