#include "Display/Occ_HOM.h"

#include <gtest/gtest.h>

namespace {

// Maps x and y straight onto the 1024 x 1024 virtual screen and leaves z as
// it is, so that a box's coordinates are its screen box.
D3DXMATRIX ScreenUnits()
{
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, 2.0f / 1024.0f, 2.0f / 1024.0f, 1.0f);
    D3DXMATRIX shift;
    D3DXMatrixTranslation(&shift, -1.0f, -1.0f, 0.0f);
    D3DXMATRIX result;
    D3DXMatrixMultiply(&result, &scale, &shift);
    return result;
}

// An eye at the origin looking along +z with a 90 degree view.
D3DXMATRIX EyeAtOrigin()
{
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2.0f, 1.0f, 0.1f, 100.0f);
    return projection;
}

bool Culled(const D3DXVECTOR3& boxMin, const D3DXVECTOR3& boxMax, const D3DXMATRIX& viewProjection,
            const D3DXMATRIX* pWorld = nullptr)
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const COccBoxRecord box = {&boxMin, &boxMax, pWorld ? pWorld : &identity};
    return g_VisibilityTester.IsCulled(box, viewProjection);
}

TEST(COccHOMViewportTest, TheTesterIsTheWholeVirtualScreen)
{
    EXPECT_EQ(0u, g_VisibilityTester.X);
    EXPECT_EQ(0u, g_VisibilityTester.Y);
    EXPECT_EQ(1024u, g_VisibilityTester.Width);
    EXPECT_EQ(1024u, g_VisibilityTester.Height);
    EXPECT_EQ(0.0f, g_VisibilityTester.MinZ);
    EXPECT_EQ(1.0f, g_VisibilityTester.MaxZ);
}

TEST(COccHOMViewportTest, CullsBoxesOffScreenOutsideTheDepthRangeOrTooSmall)
{
    struct Case {
        const char* name;
        D3DXVECTOR3 boxMin;
        D3DXVECTOR3 boxMax;
        bool culled;
    };
    const Case cases[] = {
        {"5 x 7 covers 35", D3DXVECTOR3(0, 0, 0.5f), D3DXVECTOR3(5, 7, 0.5f), true},
        {"5 x 8 covers 40", D3DXVECTOR3(0, 0, 0.5f), D3DXVECTOR3(5, 8, 0.5f), false},
        {"mid-screen", D3DXVECTOR3(100, 200, 0.2f), D3DXVECTOR3(300, 400, 0.6f), false},
        {"flat", D3DXVECTOR3(100, 200, 0.2f), D3DXVECTOR3(100, 400, 0.6f), true},
        {"left edge at 0", D3DXVECTOR3(-50, 0, 0.5f), D3DXVECTOR3(0, 100, 0.5f), true},
        {"left edge just inside", D3DXVECTOR3(-50, 0, 0.5f), D3DXVECTOR3(0.5f, 100, 0.5f), false},
        {"right of the screen", D3DXVECTOR3(1024, 0, 0.5f), D3DXVECTOR3(1100, 100, 0.5f), true},
        {"right edge just inside", D3DXVECTOR3(1023, 0, 0.5f), D3DXVECTOR3(1100, 100, 0.5f), false},
        {"below 0 in y", D3DXVECTOR3(0, -100, 0.5f), D3DXVECTOR3(100, 0, 0.5f), true},
        {"beyond 1024 in y", D3DXVECTOR3(0, 1024, 0.5f), D3DXVECTOR3(100, 1100, 0.5f), true},
        {"larger than the screen", D3DXVECTOR3(-5000, -5000, 0.5f), D3DXVECTOR3(5000, 5000, 0.5f), false},
        {"beyond the far plane", D3DXVECTOR3(0, 0, 1.0f), D3DXVECTOR3(100, 100, 2.0f), true},
        {"in front of the near plane", D3DXVECTOR3(0, 0, -1.0f), D3DXVECTOR3(100, 100, 0.0f), true},
        {"through both planes", D3DXVECTOR3(0, 0, -1.0f), D3DXVECTOR3(100, 100, 2.0f), false},
    };
    const D3DXMATRIX screen = ScreenUnits();
    for (const Case& c : cases)
        EXPECT_EQ(c.culled, Culled(c.boxMin, c.boxMax, screen)) << c.name;
}

TEST(COccHOMViewportTest, TheWorldMatrixPlacesTheBox)
{
    const D3DXMATRIX screen = ScreenUnits();
    D3DXMATRIX offScreen;
    D3DXMatrixTranslation(&offScreen, 2000.0f, 0.0f, 0.0f);
    EXPECT_TRUE(Culled(D3DXVECTOR3(0, 0, 0.5f), D3DXVECTOR3(100, 100, 0.5f), screen, &offScreen));
    D3DXMATRIX grown;
    D3DXMatrixScaling(&grown, 2.0f, 2.0f, 1.0f);
    EXPECT_FALSE(Culled(D3DXVECTOR3(0, 0, 0.5f), D3DXVECTOR3(5, 4, 0.5f), screen, &grown)) << "10 x 8 on screen";
}

TEST(COccHOMViewportTest, BoxesReachingBehindTheEyeKeepTheirSide)
{
    struct Case {
        const char* name;
        D3DXVECTOR3 boxMin;
        D3DXVECTOR3 boxMax;
        bool culled;
    };
    const Case cases[] = {
        {"around the eye", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 5), false},
        {"through the near plane ahead", D3DXVECTOR3(-1, -1, 0.05f), D3DXVECTOR3(1, 1, 3), false},
        {"beside the eye, out of view", D3DXVECTOR3(5, -1, -2), D3DXVECTOR3(6, 1, 2), true},
        {"wholly behind the eye", D3DXVECTOR3(-1, -1, -5), D3DXVECTOR3(1, 1, -2), true},
    };
    const D3DXMATRIX eye = EyeAtOrigin();
    for (const Case& c : cases)
        EXPECT_EQ(c.culled, Culled(c.boxMin, c.boxMax, eye)) << c.name;
}

TEST(COccHOMViewportTest, IsBoxCulledTestsThroughThePassMatrix)
{
    const D3DXMATRIX saved = g_CullViewProj;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const D3DXVECTOR3 boxMin(-1, -1, 2), boxMax(1, 1, 3);
    const COccBoxRecord box = {&boxMin, &boxMax, &identity};

    g_CullViewProj = EyeAtOrigin();
    EXPECT_FALSE(IsBoxCulled(box));
    D3DXMATRIX turnedAway;
    D3DXMatrixRotationY(&turnedAway, D3DX_PI);
    D3DXMatrixMultiply(&g_CullViewProj, &turnedAway, &g_CullViewProj);
    EXPECT_TRUE(IsBoxCulled(box));
    g_CullViewProj = saved;
}

// The whole-view test never culls what may show, small boxes included, and
// the water's plane takes away what lies wholly under it.
TEST(COccHOMViewportTest, OutsideTheViewOrBehindTheClipPlaneOnly)
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    // Kept above y = 1.
    const D3DXPLANE water(0.0f, 1.0f, 0.0f, -1.0f);
    struct Case {
        const char* name;
        D3DXVECTOR3 boxMin;
        D3DXVECTOR3 boxMax;
        bool outside;
        bool behind;
    };
    const Case cases[] = {
        {"tiny ahead", D3DXVECTOR3(0, 1.5f, 10), D3DXVECTOR3(0.01f, 1.51f, 10.01f), false, false},
        {"behind the eye", D3DXVECTOR3(-1, 2, -5), D3DXVECTOR3(1, 3, -4), true, false},
        {"off to the left", D3DXVECTOR3(-30, 2, 5), D3DXVECTOR3(-20, 3, 6), true, false},
        {"beyond the far plane", D3DXVECTOR3(-1, 2, 200), D3DXVECTOR3(1, 3, 300), true, false},
        {"under the water", D3DXVECTOR3(-1, -3, 5), D3DXVECTOR3(1, 0.9f, 6), false, true},
        {"through the surface", D3DXVECTOR3(-1, -3, 5), D3DXVECTOR3(1, 1.1f, 6), false, false},
        {"around the eye", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 2, 1), false, false},
    };
    const D3DXMATRIX eye = EyeAtOrigin();
    const D3DXMATRIX saved = g_CullViewProj;
    g_CullViewProj = eye;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const COccBoxRecord box = {&c.boxMin, &c.boxMax, &identity};
        EXPECT_EQ(c.outside, IsBoxOutsideView(box, eye, nullptr));
        EXPECT_EQ(c.behind, IsBoxBehindPlane(box, water));
        EXPECT_EQ(c.outside || c.behind, IsBoxOutsideView(box, eye, &water));
        // The pass's own test adds the plane only while the level sets it.
        SetCullClipPlane(&water);
        const bool culledUnderWater = IsBoxCulled(box);
        SetCullClipPlane(nullptr);
        EXPECT_EQ(c.behind || IsBoxCulled(box), culledUnderWater);
    }
    EXPECT_EQ(nullptr, GetCullClipPlane());
    g_CullViewProj = saved;
}

// The heights on screen the box covers, measured on the part of it in front
// of the near plane: a box reaching behind the eye still has bounds.
TEST(COccHOMViewportTest, ScreenHeightsOfTheBoxInFrontOfTheNearPlane)
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    // The eye sees height y / z at depth z.
    struct Case {
        const char* name;
        D3DXVECTOR3 boxMin;
        D3DXVECTOR3 boxMax;
        float low;
        float high;
    };
    const Case cases[] = {
        {"ahead", D3DXVECTOR3(-1, 1, 4), D3DXVECTOR3(1, 2, 5), 0.2f, 0.5f},
        {"below the screen's edge", D3DXVECTOR3(-1, -20, 5), D3DXVECTOR3(1, -1, 5.1f), -1.0f, -1.0f / 5.1f},
        {"reaching behind the eye", D3DXVECTOR3(-1, 1, -5), D3DXVECTOR3(1, 2, 5), 0.2f, 1.0f},
        {"around the eye", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 2, 1), -1.0f, 1.0f},
        // Nothing in front: low stays above high.
        {"behind the eye", D3DXVECTOR3(-1, 1, -5), D3DXVECTOR3(1, 2, -4), 1.0f, -1.0f},
    };
    const D3DXMATRIX eye = EyeAtOrigin();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const COccBoxRecord box = {&c.boxMin, &c.boxMax, &identity};
        float low = 0.0f;
        float high = 0.0f;
        ASSERT_TRUE(GetBoxScreenHeights(box, eye, low, high));
        EXPECT_NEAR(c.low, low, 1e-4f);
        EXPECT_NEAR(c.high, high, 1e-4f);
    }
}

} // namespace
