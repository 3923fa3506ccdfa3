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

    void Build();
    // One frame of the cycle: a kick of random drift, then half a second of
    // easing back to the rest coordinates plus a small jitter.
    void UpdateRipples();
    // With the reflection render target on stage 0, in screen space.
    void Render() const;

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

private:
    void Kick(float frameTime);
    void Ease(float frameTime);

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
};

extern CWaterGrid g_WaterGrid;
