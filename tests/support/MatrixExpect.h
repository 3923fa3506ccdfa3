#pragma once
// Matrices built, and matrices and vectors compared, in one expression.

#include <gtest/gtest.h>

#include "platform/d3dx8/D3DX8Math.h"

inline D3DXMATRIX Translation(float x, float y, float z)
{
    D3DXMATRIX matrix;
    D3DXMatrixTranslation(&matrix, x, y, z);
    return matrix;
}

inline D3DXMATRIX Identity()
{
    return Translation(0, 0, 0);
}

// Every element within `tolerance`, each failure naming its element.
inline void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(expected[i], actual[i], tolerance) << "element " << i;
}

// Each coordinate within `tolerance`; `note` tells apart the failures of
// several comparisons.
inline void ExpectVectorNear(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, float tolerance,
                             const char* note = "")
{
    EXPECT_NEAR(expected.x, actual.x, tolerance) << note;
    EXPECT_NEAR(expected.y, actual.y, tolerance) << note;
    EXPECT_NEAR(expected.z, actual.z, tolerance) << note;
}
