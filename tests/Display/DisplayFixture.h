#pragma once
// g_Display for the display's tests. The unit fixture runs it on a device of
// state only (no window, nothing drawn); the read-back fixture on the real
// device of a main window of the game's own class. Both work in a fresh
// folder with the log open in it, and put every test hook back afterwards.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Display/Display.h"
#include "support/TempDir.h"

class DisplayFixture : public ::testing::Test {
protected:
    DisplayFixture();
    void TearDown() override;

    // Test hooks of the device (modes, caps, refusals) go before this.
    void CreateDisplay();
    std::string Log() const { return m_Dir.Read("log.txt"); }
    // A CDisplayMode in one expression.
    static CDisplayMode Mode(uint16_t width, uint16_t height, bool fullScreen, bool vsync, uint8_t bpp,
                             uint8_t refreshRate);

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
    bool m_StateOnly = true;
};

class GlDisplayFixture : public DisplayFixture {
protected:
    // A 640 x 480 main window and the display on it.
    void SetUp() override;
    void TearDown() override;

    // The current render target, 0xAARRGGBB, top row first.
    std::vector<uint32_t> ReadBackBuffer(UINT& width, UINT& height) const;
    // Clears the target to `background` and the depth to the far plane, runs
    // `draw` in a scene and reads the target back.
    template <class DrawCall>
    std::vector<uint32_t> DrawScene(D3DCOLOR background, UINT& width, UINT& height, DrawCall draw) const
    {
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
        device->BeginScene();
        draw();
        device->EndScene();
        return ReadBackBuffer(width, height);
    }
};

// The index, in a width x height read-back, of the pixel a world point lands
// on through `viewProjection`; -1 when it falls off the screen.
long ScreenPixelIndex(const D3DXMATRIX& viewProjection, const D3DXVECTOR3& point, int width, int height);
// A surface's pixels as 0xAARRGGBB, top row first.
std::vector<uint32_t> ReadSurface(IDirect3DSurface8* surface, UINT& width, UINT& height);
// True when every colour channel of two 0xAARRGGBB pixels differs by no
// more than `tolerance`; alpha is not compared.
bool ColourNear(uint32_t a, uint32_t b, int tolerance);
// The top level of a square texture of 16-bit texels, top row first; empty
// when it cannot be locked.
std::vector<uint16_t> ReadTexels16(IDirect3DTexture8* texture, uint32_t size);
// Every pixel of the render-target texture's top level in `colour`; the
// device's own target is put back.
void ClearTargetTexture(IDirect3DDevice8* device, IDirect3DTexture8* texture, D3DCOLOR colour);
// An image file's pixels, read through `device`; empty when it cannot be read.
std::vector<uint32_t> ReadImageFile(IDirect3DDevice8* device, const std::string& path, UINT& width, UINT& height);
// Writes a width x height image (0xAARRGGBB, top row first) as a BMP file
// through `device`; alpha is dropped.
bool WriteBmpFile(IDirect3DDevice8* device, const std::string& path, UINT width, UINT height,
                  const std::vector<uint32_t>& pixels);
