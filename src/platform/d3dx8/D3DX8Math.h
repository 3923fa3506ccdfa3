#pragma once
// D3DX8's math: row vectors (v' = v * M), matrices stored row by row, the
// left-handed helpers the game's cameras are built with. Every function
// returns its out pointer and accepts an out that aliases an input.

#include "platform/d3d8/D3D8Types.h"

#define D3DX_PI ((FLOAT)3.141592654f)
#define D3DX_1BYPI ((FLOAT)0.318309886f)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

// The component constructors are constexpr so that constants of these types
// are set before any constructor runs: globals in other files copy them.
struct D3DXVECTOR2 {
    FLOAT x = 0.0f;
    FLOAT y = 0.0f;

    D3DXVECTOR2() = default;
    explicit D3DXVECTOR2(const FLOAT* xy);
    constexpr D3DXVECTOR2(FLOAT x_, FLOAT y_) : x(x_), y(y_) {}

    operator FLOAT*();
    operator const FLOAT*() const;

    D3DXVECTOR2& operator+=(const D3DXVECTOR2& v);
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& v);
    D3DXVECTOR2& operator*=(FLOAT s);
    D3DXVECTOR2& operator/=(FLOAT s);

    D3DXVECTOR2 operator+() const;
    D3DXVECTOR2 operator-() const;
    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const;
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const;
    D3DXVECTOR2 operator*(FLOAT s) const;
    D3DXVECTOR2 operator/(FLOAT s) const;
    friend D3DXVECTOR2 operator*(FLOAT s, const D3DXVECTOR2& v);

    bool operator==(const D3DXVECTOR2& v) const;
    bool operator!=(const D3DXVECTOR2& v) const;
};

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3();
    explicit D3DXVECTOR3(const FLOAT* xyz);
    D3DXVECTOR3(const D3DVECTOR& v);
    constexpr D3DXVECTOR3(FLOAT x_, FLOAT y_, FLOAT z_) : D3DVECTOR{x_, y_, z_} {}

    operator FLOAT*();
    operator const FLOAT*() const;

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v);
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v);
    D3DXVECTOR3& operator*=(FLOAT s);
    D3DXVECTOR3& operator/=(FLOAT s);

    D3DXVECTOR3 operator+() const;
    D3DXVECTOR3 operator-() const;
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const;
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const;
    D3DXVECTOR3 operator*(FLOAT s) const;
    D3DXVECTOR3 operator/(FLOAT s) const;
    friend D3DXVECTOR3 operator*(FLOAT s, const D3DXVECTOR3& v);

    bool operator==(const D3DXVECTOR3& v) const;
    bool operator!=(const D3DXVECTOR3& v) const;
};

struct D3DXVECTOR4 {
    FLOAT x = 0.0f;
    FLOAT y = 0.0f;
    FLOAT z = 0.0f;
    FLOAT w = 0.0f;

    D3DXVECTOR4() = default;
    explicit D3DXVECTOR4(const FLOAT* xyzw);
    D3DXVECTOR4(FLOAT x, FLOAT y, FLOAT z, FLOAT w);

    operator FLOAT*();
    operator const FLOAT*() const;

    D3DXVECTOR4& operator+=(const D3DXVECTOR4& v);
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& v);
    D3DXVECTOR4& operator*=(FLOAT s);
    D3DXVECTOR4& operator/=(FLOAT s);

    D3DXVECTOR4 operator+() const;
    D3DXVECTOR4 operator-() const;
    D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const;
    D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const;
    D3DXVECTOR4 operator*(FLOAT s) const;
    D3DXVECTOR4 operator/(FLOAT s) const;
    friend D3DXVECTOR4 operator*(FLOAT s, const D3DXVECTOR4& v);

    bool operator==(const D3DXVECTOR4& v) const;
    bool operator!=(const D3DXVECTOR4& v) const;
};

struct D3DXMATRIX : public D3DMATRIX {
    // Starts as all zeros, not identity: call D3DXMatrixIdentity for that.
    D3DXMATRIX();
    explicit D3DXMATRIX(const FLOAT* sixteen);
    D3DXMATRIX(const D3DMATRIX& m);
    D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14,
               FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
               FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34,
               FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44);

    // Zero-based row and column.
    FLOAT& operator()(UINT row, UINT col);
    FLOAT operator()(UINT row, UINT col) const;

    operator FLOAT*();
    operator const FLOAT*() const;

    D3DXMATRIX& operator*=(const D3DXMATRIX& m);
    D3DXMATRIX& operator+=(const D3DXMATRIX& m);
    D3DXMATRIX& operator-=(const D3DXMATRIX& m);
    D3DXMATRIX& operator*=(FLOAT s);
    D3DXMATRIX& operator/=(FLOAT s);

    D3DXMATRIX operator+() const;
    D3DXMATRIX operator-() const;
    D3DXMATRIX operator*(const D3DXMATRIX& m) const;
    D3DXMATRIX operator+(const D3DXMATRIX& m) const;
    D3DXMATRIX operator-(const D3DXMATRIX& m) const;
    D3DXMATRIX operator*(FLOAT s) const;
    D3DXMATRIX operator/(FLOAT s) const;
    friend D3DXMATRIX operator*(FLOAT s, const D3DXMATRIX& m);

    bool operator==(const D3DXMATRIX& m) const;
    bool operator!=(const D3DXMATRIX& m) const;
};

// (x, y, z) is the vector part, w the scalar part.
struct D3DXQUATERNION {
    FLOAT x = 0.0f;
    FLOAT y = 0.0f;
    FLOAT z = 0.0f;
    FLOAT w = 0.0f;

    D3DXQUATERNION() = default;
    explicit D3DXQUATERNION(const FLOAT* xyzw);
    D3DXQUATERNION(FLOAT x, FLOAT y, FLOAT z, FLOAT w);

    operator FLOAT*();
    operator const FLOAT*() const;

    D3DXQUATERNION& operator+=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator-=(const D3DXQUATERNION& q);
    // D3DX order: this * q rotates by this first, then by q.
    D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator*=(FLOAT s);
    D3DXQUATERNION& operator/=(FLOAT s);

    D3DXQUATERNION operator+() const;
    D3DXQUATERNION operator-() const;
    D3DXQUATERNION operator+(const D3DXQUATERNION& q) const;
    D3DXQUATERNION operator-(const D3DXQUATERNION& q) const;
    D3DXQUATERNION operator*(const D3DXQUATERNION& q) const;
    D3DXQUATERNION operator*(FLOAT s) const;
    D3DXQUATERNION operator/(FLOAT s) const;
    friend D3DXQUATERNION operator*(FLOAT s, const D3DXQUATERNION& q);

    bool operator==(const D3DXQUATERNION& q) const;
    bool operator!=(const D3DXQUATERNION& q) const;
};

// The plane a*x + b*y + c*z + d = 0; (a, b, c) is its normal.
struct D3DXPLANE {
    FLOAT a = 0.0f;
    FLOAT b = 0.0f;
    FLOAT c = 0.0f;
    FLOAT d = 0.0f;

    D3DXPLANE() = default;
    explicit D3DXPLANE(const FLOAT* abcd);
    D3DXPLANE(FLOAT a, FLOAT b, FLOAT c, FLOAT d);

    operator FLOAT*();
    operator const FLOAT*() const;

    D3DXPLANE operator+() const;
    D3DXPLANE operator-() const;

    bool operator==(const D3DXPLANE& p) const;
    bool operator!=(const D3DXPLANE& p) const;
};

// Components in 0..1 (not clamped while doing arithmetic).
struct D3DXCOLOR {
    FLOAT r = 0.0f;
    FLOAT g = 0.0f;
    FLOAT b = 0.0f;
    FLOAT a = 0.0f;

    D3DXCOLOR() = default;
    D3DXCOLOR(DWORD argb);
    explicit D3DXCOLOR(const FLOAT* rgba);
    D3DXCOLOR(const D3DCOLORVALUE& c);
    constexpr D3DXCOLOR(FLOAT r_, FLOAT g_, FLOAT b_, FLOAT a_) : r(r_), g(g_), b(b_), a(a_) {}

    // Packs to 0xAARRGGBB, clamping each component to 0..1.
    operator DWORD() const;
    operator FLOAT*();
    operator const FLOAT*() const;
    operator D3DCOLORVALUE*();
    operator const D3DCOLORVALUE*() const;
    operator D3DCOLORVALUE&();
    operator const D3DCOLORVALUE&() const;

    D3DXCOLOR& operator+=(const D3DXCOLOR& c);
    D3DXCOLOR& operator-=(const D3DXCOLOR& c);
    D3DXCOLOR& operator*=(FLOAT s);
    D3DXCOLOR& operator/=(FLOAT s);

    D3DXCOLOR operator+() const;
    D3DXCOLOR operator-() const;
    D3DXCOLOR operator+(const D3DXCOLOR& c) const;
    D3DXCOLOR operator-(const D3DXCOLOR& c) const;
    D3DXCOLOR operator*(FLOAT s) const;
    D3DXCOLOR operator/(FLOAT s) const;
    friend D3DXCOLOR operator*(FLOAT s, const D3DXCOLOR& c);

    bool operator==(const D3DXCOLOR& c) const;
    bool operator!=(const D3DXCOLOR& c) const;
};

// --- 2D vectors ---
FLOAT D3DXVec2Length(const D3DXVECTOR2* pV);
FLOAT D3DXVec2LengthSq(const D3DXVECTOR2* pV);
FLOAT D3DXVec2Dot(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, FLOAT s);
D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2, FLOAT s);
D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2);
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV);

// --- 3D vectors ---
FLOAT D3DXVec3Length(const D3DXVECTOR3* pV);
FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* pV);
FLOAT D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, FLOAT s);
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, FLOAT s);
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
// (x, y, z, 1) * M, divided through by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
// (x, y, z, 0) * M: rotation and scale only, no translation.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
// (x, y, z, 1) * M, keeping w.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);

// --- 4D vectors ---
FLOAT D3DXVec4Length(const D3DXVECTOR4* pV);
FLOAT D3DXVec4LengthSq(const D3DXVECTOR4* pV);
FLOAT D3DXVec4Dot(const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, FLOAT s);
D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, FLOAT s);
D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2);
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV);
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);

// --- Matrices ---
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut);
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM);
FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* pM);
// pM1 * pM2: with row vectors, pM1 applies first.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
// Null (and pOut untouched) when pM is singular; pDeterminant may be null.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
// Angles in radians, clockwise looking along the axis towards the origin
// (left-handed).
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pAxis, FLOAT angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ);
// Roll about z first, then pitch about x, then yaw about y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovY, FLOAT aspect, FLOAT zNear, FLOAT zFar);
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, FLOAT fovY, FLOAT aspect, FLOAT zNear, FLOAT zFar);
D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, FLOAT width, FLOAT height, FLOAT zNear, FLOAT zFar);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, FLOAT width, FLOAT height, FLOAT zNear, FLOAT zFar);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT left, FLOAT right, FLOAT bottom, FLOAT top,
                                       FLOAT zNear, FLOAT zFar);
// Mirrors through the plane, after normalising it.
D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane);

// --- Quaternions ---
D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* pOut);
FLOAT D3DXQuaternionLength(const D3DXQUATERNION* pQ);
FLOAT D3DXQuaternionDot(const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2);
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
// Conjugate over squared length; a zero quaternion gives zero.
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
// D3DX order: the rotation of pQ1 followed by that of pQ2 (the product pQ2 pQ1).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                       const D3DXQUATERNION* pQ2);
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM);
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pAxis, FLOAT angle);
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll);
// Spherical interpolation along the shorter arc.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                    FLOAT t);

// --- Planes ---
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal);
// The winding p1, p2, p3 gives the normal (p2 - p1) x (p3 - p1), normalised.
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3);
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
FLOAT D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV);
FLOAT D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV);
// Null when the line through pV1 and pV2 is parallel to the plane.
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2);

