#include <gtest/gtest.h>

#include "Core/Utility.h"
#include "Input/InGameMouse.h"
#include "support/TempDir.h"

namespace {

void ExpectRow(const D3DXMATRIX& m, int row, float x, float y, float z)
{
    EXPECT_NEAR(x, m.m[row][0], 1e-6f) << "row " << row;
    EXPECT_NEAR(y, m.m[row][1], 1e-6f) << "row " << row;
    EXPECT_NEAR(z, m.m[row][2], 1e-6f) << "row " << row;
}

TEST(BuildMatrixFromDirectionTest, BuildsAnOrthonormalBasisAroundTheDirection)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 7.0f, 8.0f, 9.0f);
    D3DXVECTOR3 forward(0.0f, 0.0f, 5.0f);
    BuildMatrixFromDirection(&m, &forward);
    ExpectRow(m, 0, 1, 0, 0);
    ExpectRow(m, 1, 0, 1, 0);
    ExpectRow(m, 2, 0, 0, 1);
    EXPECT_EQ(D3DXVECTOR3(0.0f, 0.0f, 1.0f), forward) << "the caller's vector is normalised";
    EXPECT_EQ(7.0f, m._41) << "the translation row is left alone";

    D3DXVECTOR3 down(0.0f, -1.0f, 0.0f);
    BuildMatrixFromDirection(&m, &down);
    ExpectRow(m, 0, 1, 0, 0);
    ExpectRow(m, 1, 0, 0, 1);
    ExpectRow(m, 2, 0, -1, 0);

    D3DXVECTOR3 up(0.0f, 2.0f, 0.0f);
    const D3DXVECTOR3 axis(0.0f, 0.0f, 1.0f);
    BuildMatrixFromDirection(&m, &up, &axis);
    ExpectRow(m, 0, 0, 0, 1);
    ExpectRow(m, 1, 1, 0, 0);
    ExpectRow(m, 2, 0, 1, 0);

    D3DXVECTOR3 diagonal(3.0f, 0.0f, 3.0f);
    BuildMatrixFromDirection(&m, &diagonal);
    const float h = 0.70710678f;
    ExpectRow(m, 0, h, 0, -h);
    ExpectRow(m, 1, 0, 1, 0);
    ExpectRow(m, 2, h, 0, h);
}

TEST(ScreenPointToRayTest, FollowsTheCameraAxesScaledByTheProjection)
{
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2.0f, 4.0f / 3.0f, 1.0f, 100.0f);
    D3DXMATRIX camera;
    D3DXMatrixRotationY(&camera, D3DX_PI / 2.0f); // looking down +x
    camera._41 = 50.0f;

    D3DXVECTOR3 ray;
    ScreenPointToRay(&ray, D3DXVECTOR2(0.5f, 0.5f), projection, camera);
    EXPECT_EQ(D3DXVECTOR3(camera._31, camera._32, camera._33), ray);

    ScreenPointToRay(&ray, D3DXVECTOR2(1.0f, 0.0f), projection, camera);
    const float sx = 1.0f / projection._11;
    const float sy = 1.0f / projection._22;
    EXPECT_NEAR(sx * camera._11 + camera._31, ray.x, 1e-5f);
    EXPECT_NEAR(sy, ray.y, 1e-5f);
    EXPECT_NEAR(sx * camera._13 + camera._33, ray.z, 1e-5f);
}

TEST(ReadFileToStringTest, ReadsWholeFilesAndLeavesTextAloneOnFailure)
{
    TempDir dir;
    ScopedWorkingDir cwd(dir.Path());
    const std::string big(5000, 'k');
    dir.Write("Scripts/Effect.txt", big + "\r\nend");

    std::string text = "unchanged";
    // A folder opens, but its length means nothing and it cannot be read.
    for (const char* unreadable : {"Scripts\\Missing.txt", "Scripts\\", "Scripts"}) {
        EXPECT_FALSE(ReadFileToString(unreadable, text)) << unreadable;
        EXPECT_EQ("unchanged", text) << unreadable;
    }
    ASSERT_TRUE(ReadFileToString("scripts\\effect.TXT", text));
    EXPECT_EQ(big + "\r\nend", text);
}

TEST(SetMouseCursorPositionTest, PlacesTheCursorOrRestsIt)
{
    const float corner[2] = {0.1f, 0.9f};
    SetMouseCursorPosition(corner);
    EXPECT_EQ(0.1f, g_InGameMouse.GetPosition()[0]);
    EXPECT_EQ(0.9f, g_InGameMouse.GetPosition()[1]);

    SetMouseCursorPosition();
    EXPECT_EQ(0.55f, g_InGameMouse.GetPosition()[0]);
    EXPECT_EQ(0.4f, g_InGameMouse.GetPosition()[1]);
}

} // namespace
