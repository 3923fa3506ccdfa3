#include <algorithm>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/Camera.h"
#include "Display/ComplexObject.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/RenderQueue.h"
#include "Display/RenderStates.h"
#include "Display/Texture.h"
#include "support/TempDir.h"

namespace {

const D3DCOLOR CLEAR_COLOUR = 0xFF000000;
const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
// Edge pixels are left to the rasteriser's rules.
const int EDGE_TOLERANCE = 2;
// Half the side of the patch sampled around a face's middle: wider than a
// checker square of the lid as this camera sees it.
const int PATCH_HALF = 12;
// Test1's squares are 240 and 96 grey: lit alike, the light ones stay well
// above twice as bright.
const float CHECKER_CONTRAST = 1.8f;
const int GREY_TOLERANCE = 6;
const int CORNERS_PER_BOX = 8;

// The chase camera's target stands 1.5 to the right of the stack and 4
// units in front of it, facing it.
const D3DXVECTOR3 TARGET_POSITION(1.5f, 0.0f, -4.0f);

struct ScreenRect {
    int left = SCREEN_WIDTH;
    int top = SCREEN_HEIGHT;
    int right = -1;
    int bottom = -1;

    void Grow(int x, int y)
    {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    }
};

struct Rgb {
    int r, g, b;
};

Rgb Channels(uint32_t pixel)
{
    return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
            static_cast<int>(pixel & 0xFF)};
}

// Where a world point lands on the screen, in pixels from the top left.
D3DXVECTOR2 Project(const D3DXVECTOR3& point, const D3DXMATRIX& viewProjection)
{
    D3DXVECTOR3 clip;
    D3DXVec3TransformCoord(&clip, &point, &viewProjection);
    return D3DXVECTOR2((clip.x + 1.0f) * 0.5f * SCREEN_WIDTH, (1.0f - clip.y) * 0.5f * SCREEN_HEIGHT);
}

// The pixels a group's box covers: the rectangle around its projected corners.
void GrowByProjectedBox(ScreenRect& rect, const CComplexObject& group, const D3DXMATRIX& viewProjection)
{
    const CComplexObject::Box* box = group.GetBoundingBox();
    ASSERT_NE(nullptr, box);
    for (int corner = 0; corner < CORNERS_PER_BOX; ++corner) {
        D3DXVECTOR3 local((corner & 1) ? box->m_Max.x : box->m_Min.x, (corner & 2) ? box->m_Max.y : box->m_Min.y,
                          (corner & 4) ? box->m_Max.z : box->m_Min.z);
        D3DXVECTOR3 world;
        D3DXVec3TransformCoord(&world, &local, &group.GetWorldMatrix());
        const D3DXVECTOR2 screen = Project(world, viewProjection);
        // Truncated: the rasteriser covers a pixel whose centre is inside.
        rect.Grow(static_cast<int>(screen.x), static_cast<int>(screen.y));
    }
}

class GlRenderQueueTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        m_SavedCamera = g_GameCamera;
        m_pSavedActive = g_pActiveCamera;
        // Other tests point the complex objects at queues of their own.
        CComplexObject::SetQueue(&g_RenderQueue);
        ASSERT_TRUE(CStateBlocks::CreateAll());
    }
    void TearDown() override
    {
        g_RenderQueue.Clear();
        g_GameCamera = m_SavedCamera;
        g_pActiveCamera = m_pSavedActive;
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        GlDisplayFixture::TearDown();
    }

    // The game camera chasing a target, made active, and its view and the
    // game's projection on the device, as the level's pass sets them.
    void LookThroughGameCamera()
    {
        D3DXMatrixTranslation(&m_Target, TARGET_POSITION.x, TARGET_POSITION.y, TARGET_POSITION.z);
        g_GameCamera.m_pTarget = &m_Target;
        g_GameCamera.m_u32Mode = CCamera::MODE_CHASE;
        g_GameCamera.Update();
        g_pActiveCamera = &g_GameCamera;
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        device->SetTransform(D3DTS_VIEW, &g_pActiveCamera->GetViewMatrix());
        device->SetTransform(D3DTS_PROJECTION, &g_matProjection);
    }

    CCamera m_SavedCamera;
    CCamera* m_pSavedActive = nullptr;
    D3DXMATRIX m_Target;
};

TEST_F(GlRenderQueueTest, AQueuedComplexObjectCoversItsProjectedBoxWithItsTextures)
{
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
        LoadAssetsFromScript<CComplexObject>("Scripts\\ComplexObjects.txt");
        ResolveComplexObjectSubGroups();
    }
    CComplexObject* prototype = nullptr;
    g_AssetManager.GetAsset("CrateStack", prototype, true);
    // A crate at the origin with the lid, painted with Test1, standing on it.
    CComplexObject stack = *prototype;
    stack.UpdateWorldMatrix();
    ASSERT_EQ(1u, stack.GetSubGroups().size());
    const CComplexObject& lid = stack.GetSubGroups()[0];

    LookThroughGameCamera();
    g_RenderQueue.Clear();
    stack.AddToRender(false, false);
    ASSERT_EQ(2u, g_RenderQueue.GetOpaqueBatch().m_Objects.size());

    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> pixels = DrawScene(CLEAR_COLOUR, width, height, [] {
        CStateBlocks::ApplyObject3D();
        g_RenderQueue.DrawOpaque();
    });
    ASSERT_EQ(static_cast<UINT>(SCREEN_WIDTH), width);
    ASSERT_EQ(static_cast<UINT>(SCREEN_HEIGHT), height);

    D3DXMATRIX viewProjection;
    D3DXMatrixMultiply(&viewProjection, &g_GameCamera.GetViewMatrix(), &g_matProjection);
    ScreenRect expected;
    GrowByProjectedBox(expected, stack, viewProjection);
    GrowByProjectedBox(expected, lid, viewProjection);
    ASSERT_GE(expected.left, 0);
    ASSERT_LT(expected.right, SCREEN_WIDTH);
    ASSERT_GE(expected.top, 0);
    ASSERT_LT(expected.bottom, SCREEN_HEIGHT);

    ScreenRect covered;
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            if ((pixels[y * SCREEN_WIDTH + x] & 0x00FFFFFFu) != (CLEAR_COLOUR & 0x00FFFFFFu))
                covered.Grow(x, y);
        }
    }
    EXPECT_NEAR(expected.left, covered.left, EDGE_TOLERANCE);
    EXPECT_NEAR(expected.right, covered.right, EDGE_TOLERANCE);
    EXPECT_NEAR(expected.top, covered.top, EDGE_TOLERANCE);
    EXPECT_NEAR(expected.bottom, covered.bottom, EDGE_TOLERANCE);

    // The lid's near side shows Test1's grey checks, not one flat colour.
    const D3DXVECTOR2 lidMiddle = Project(D3DXVECTOR3(0.0f, 2.0f, -1.0f), viewProjection);
    float darkest = 255.0f;
    float lightest = 0.0f;
    for (int dy = -PATCH_HALF; dy <= PATCH_HALF; ++dy) {
        for (int dx = -PATCH_HALF; dx <= PATCH_HALF; ++dx) {
            const uint32_t pixel =
                pixels[(static_cast<int>(lidMiddle.y) + dy) * SCREEN_WIDTH + static_cast<int>(lidMiddle.x) + dx];
            ASSERT_NE(CLEAR_COLOUR & 0x00FFFFFFu, pixel & 0x00FFFFFFu);
            const Rgb c = Channels(pixel);
            ASSERT_LE(std::abs(c.r - c.g), GREY_TOLERANCE);
            ASSERT_LE(std::abs(c.g - c.b), GREY_TOLERANCE);
            darkest = std::min(darkest, static_cast<float>(c.g));
            lightest = std::max(lightest, static_cast<float>(c.g));
        }
    }
    EXPECT_GT(lightest, CHECKER_CONTRAST * darkest);

    // The crate below keeps its own brown planks.
    const D3DXVECTOR2 crateMiddle = Project(D3DXVECTOR3(0.0f, 0.0f, -1.0f), viewProjection);
    const Rgb plank =
        Channels(pixels[static_cast<int>(crateMiddle.y) * SCREEN_WIDTH + static_cast<int>(crateMiddle.x)]);
    EXPECT_GT(plank.r, plank.g);
    EXPECT_GT(plank.g, plank.b);
}

} // namespace
