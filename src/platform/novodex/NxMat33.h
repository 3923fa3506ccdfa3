#pragma once
// A 3 x 3 rotation in the SDK's convention: it multiplies column vectors
// (v' = M v), so the images of the axes are its columns. Direct3D matrices
// are the transpose: their rows are the images of the axes.

#include "platform/novodex/NxVec3.h"

enum NxMatrixType { NX_IDENTITY_MATRIX, NX_ZERO_MATRIX };

class NxMat33 {
public:
    // The identity.
    NxMat33() { id(); }
    explicit NxMat33(NxMatrixType type)
    {
        if (type == NX_ZERO_MATRIX)
            zero();
        else
            id();
    }
    // From three columns.
    NxMat33(const NxVec3& column0, const NxVec3& column1, const NxVec3& column2)
    {
        setColumn(0, column0);
        setColumn(1, column1);
        setColumn(2, column2);
    }

    void id();
    void zero();

    // Nine numbers row after row.
    void setRowMajor(const NxReal* nine);
    void getRowMajor(NxReal* nine) const;
    // Nine numbers column after column: a Direct3D rotation's rows given this
    // way become the SDK's columns.
    void setColumnMajor(const NxReal* nine);
    void getColumnMajor(NxReal* nine) const;

    NxVec3 getRow(int row) const { return NxVec3(m[row][0], m[row][1], m[row][2]); }
    NxVec3 getColumn(int column) const { return NxVec3(m[0][column], m[1][column], m[2][column]); }
    void setRow(int row, const NxVec3& v);
    void setColumn(int column, const NxVec3& v);

    NxReal& operator()(int row, int column) { return m[row][column]; }
    NxReal operator()(int row, int column) const { return m[row][column]; }

    NxVec3 operator*(const NxVec3& v) const;
    NxMat33 operator*(const NxMat33& b) const;
    // Mᵀ v: the inverse rotation of v.
    NxVec3 multiplyByTranspose(const NxVec3& v) const;
    NxMat33 getTransposed() const;

    bool operator==(const NxMat33& b) const;
    bool operator!=(const NxMat33& b) const { return !(*this == b); }

private:
    NxReal m[3][3];
};
