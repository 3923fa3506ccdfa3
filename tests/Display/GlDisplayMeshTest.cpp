#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/Texture.h"
#include "support/TempDir.h"

namespace {

const D3DCOLOR CLEAR_COLOUR = 0xFF000000;
const int CHANNEL_TOLERANCE = 3;
// The crate's planks, in the middle of each side of its texture.
const D3DCOLOR PLANK = 0xFFB07C40;
// The crate is two units on a side; the eye 5 units in front of its centre,
// so the near side is 4 units away and, through a 90 degree lens on a
// 640 x 480 screen, spans 2 / 4 of the half height: 120 pixels square.
const float EYE_DISTANCE = 5.0f;
const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
const int CRATE_PIXELS = 120;
// Edge pixels are left to the rasteriser's rules.
const int EDGE_MARGIN = 2;

class GlDisplayMeshTest : public GlDisplayFixture {
protected:
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        GlDisplayFixture::TearDown();
    }
};

TEST_F(GlDisplayMeshTest, TheDemoCrateCoversItsProjectedSquare)
{
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
    }
    CDisplayObject3D* prototype = nullptr;
    g_AssetManager.GetAsset("Crate", prototype, true);
    CDisplayObject3D crate = *prototype;
    crate.UpdateWorldMatrix();

    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 640.0f / 480.0f, 0.1f, 100.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0, 0, -EYE_DISTANCE);
    const D3DXVECTOR3 at(0, 0, 0);
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);

    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> pixels = DrawScene(CLEAR_COLOUR, width, height, [&] { crate.Render(); });
    ASSERT_EQ(static_cast<UINT>(SCREEN_WIDTH), width);
    ASSERT_EQ(static_cast<UINT>(SCREEN_HEIGHT), height);

    const int left = (SCREEN_WIDTH - CRATE_PIXELS) / 2;
    const int top = (SCREEN_HEIGHT - CRATE_PIXELS) / 2;
    int strayInside = 0;
    int strayOutside = 0;
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const bool covered = (pixels[y * SCREEN_WIDTH + x] & 0x00FFFFFFu) != (CLEAR_COLOUR & 0x00FFFFFFu);
            const int dx = x - left;
            const int dy = y - top;
            const bool inside = dx >= EDGE_MARGIN && dx < CRATE_PIXELS - EDGE_MARGIN && dy >= EDGE_MARGIN &&
                                dy < CRATE_PIXELS - EDGE_MARGIN;
            const bool outside = dx < -EDGE_MARGIN || dx >= CRATE_PIXELS + EDGE_MARGIN || dy < -EDGE_MARGIN ||
                                 dy >= CRATE_PIXELS + EDGE_MARGIN;
            strayInside += inside && !covered ? 1 : 0;
            strayOutside += outside && covered ? 1 : 0;
        }
    }
    EXPECT_EQ(0, strayInside);
    EXPECT_EQ(0, strayOutside);
    EXPECT_PRED3(ColourNear, PLANK, pixels[(SCREEN_HEIGHT / 2) * SCREEN_WIDTH + SCREEN_WIDTH / 2], CHANNEL_TOLERANCE);
}

} // namespace
