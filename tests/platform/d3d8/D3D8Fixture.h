#pragma once
// A window of a chosen client size with a windowed Direct3D device on it, and
// the reading of its pixels, for the device's read-back tests.

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/D3D8Platform.h"

// Vertex layouts of the formats the game draws with.
struct ScreenVertex {  // XYZRHW | DIFFUSE | TEX1 (0x144)
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};

struct ColourVertex {  // XYZ | DIFFUSE (0x42)
    float x, y, z;
    D3DCOLOR colour;
};

struct LitVertex {  // XYZ | NORMAL | TEX1 (0x112)
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

struct ParticleVertex {  // XYZ | PSIZE | DIFFUSE (0x62)
    float x, y, z;
    float size;
    D3DCOLOR colour;
};

constexpr DWORD kFvfScreen = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kFvfColour = D3DFVF_XYZ | D3DFVF_DIFFUSE;
constexpr DWORD kFvfLit = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr DWORD kFvfParticle = D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE;

class D3D8Window {
public:
    D3D8Window(int clientWidth, int clientHeight);
    ~D3D8Window();
    HWND Handle() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
};

class GlD3D8Fixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Recreates the device with a window of this client size.
    void CreateDevice(int width, int height);

    // The current render target's pixels, rows from the top, as 0xAARRGGBB.
    std::vector<uint32_t> ReadTarget() const;
    uint32_t PixelAt(int x, int y) const;
    // A w x h texture filled by `fill(x, y)`.
    IDirect3DTexture8* MakeTexture(UINT width, UINT height, uint32_t (*fill)(UINT x, UINT y),
                                   D3DFORMAT format = D3DFMT_A8R8G8B8);
    // A pre-transformed quad covering [left, right) x [top, bottom).
    void DrawScreenQuad(float left, float top, float right, float bottom, D3DCOLOR colour);

    IDirect3D8* m_D3D = nullptr;
    IDirect3DDevice8* m_Device = nullptr;
    D3D8Window* m_Window = nullptr;
    int m_Width = 0;
    int m_Height = 0;
};

// Channels of a 0xAARRGGBB pixel.
inline int Red(uint32_t pixel) { return (pixel >> 16) & 0xFF; }
inline int Green(uint32_t pixel) { return (pixel >> 8) & 0xFF; }
inline int Blue(uint32_t pixel) { return pixel & 0xFF; }
inline int Alpha(uint32_t pixel) { return (pixel >> 24) & 0xFF; }
inline uint32_t Rgb(uint32_t pixel) { return pixel & 0x00FFFFFF; }
