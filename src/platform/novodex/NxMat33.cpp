#include "platform/novodex/NxMat33.h"

void NxMat33::id()
{
    zero();
    m[0][0] = m[1][1] = m[2][2] = 1.0f;
}

void NxMat33::zero()
{
    for (auto& row : m)
        for (NxReal& value : row)
            value = 0.0f;
}

void NxMat33::setRowMajor(const NxReal* nine)
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            m[row][column] = nine[row * 3 + column];
}

void NxMat33::getRowMajor(NxReal* nine) const
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            nine[row * 3 + column] = m[row][column];
}

void NxMat33::setColumnMajor(const NxReal* nine)
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            m[row][column] = nine[column * 3 + row];
}

void NxMat33::getColumnMajor(NxReal* nine) const
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            nine[column * 3 + row] = m[row][column];
}

void NxMat33::setRow(int row, const NxVec3& v)
{
    m[row][0] = v.x;
    m[row][1] = v.y;
    m[row][2] = v.z;
}

void NxMat33::setColumn(int column, const NxVec3& v)
{
    m[0][column] = v.x;
    m[1][column] = v.y;
    m[2][column] = v.z;
}

NxVec3 NxMat33::operator*(const NxVec3& v) const
{
    return NxVec3(getRow(0).dot(v), getRow(1).dot(v), getRow(2).dot(v));
}

NxMat33 NxMat33::operator*(const NxMat33& b) const
{
    NxMat33 product(NX_ZERO_MATRIX);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            for (int k = 0; k < 3; ++k)
                product.m[row][column] += m[row][k] * b.m[k][column];
    return product;
}

NxVec3 NxMat33::multiplyByTranspose(const NxVec3& v) const
{
    return NxVec3(getColumn(0).dot(v), getColumn(1).dot(v), getColumn(2).dot(v));
}

NxMat33 NxMat33::getTransposed() const
{
    NxMat33 transposed;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            transposed.m[row][column] = m[column][row];
    return transposed;
}

bool NxMat33::operator==(const NxMat33& b) const
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            if (m[row][column] != b.m[row][column])
                return false;
    return true;
}
