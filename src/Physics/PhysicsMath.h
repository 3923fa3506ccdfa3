#pragma once
// Between the game's Direct3D math (row vectors, translation in the fourth
// row) and the physics SDK's (column vectors): a rotation crosses over
// transposed, so the rows of the one are the columns of the other.

#include "platform/d3dx8/D3DX8Math.h"
#include "platform/novodex/NxMat34.h"

inline NxVec3 ToNxVec3(const D3DXVECTOR3& v)
{
    return NxVec3(v.x, v.y, v.z);
}

inline D3DXVECTOR3 ToD3DXVector(const NxVec3& v)
{
    return D3DXVECTOR3(v.x, v.y, v.z);
}

// The upper 3 x 3 of `m`, transposed.
inline NxMat33 ToNxOrientation(const D3DXMATRIX& m)
{
    NxMat33 orientation;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            orientation(row, column) = m.m[column][row];
    return orientation;
}

// The pose as a world matrix: rotation rows, translation in the fourth row.
inline D3DXMATRIX ToD3DXMatrix(const NxMat34& pose)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            m.m[row][column] = pose.M(column, row);
    m._41 = pose.t.x;
    m._42 = pose.t.y;
    m._43 = pose.t.z;
    return m;
}
