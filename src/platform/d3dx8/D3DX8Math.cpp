#include "platform/d3dx8/D3DX8Math.h"

#include <cassert>
#include <cmath>
#include <cstring>

namespace {

const float kMaxColorByte = 255.0f;
// Below this 1 - cos(angle) the slerp weights lose precision; the arc is
// short enough to be a straight line.
const float kSlerpLinearThreshold = 1e-5f;

DWORD ColorComponentToByte(float value)
{
    // Written so that NaN lands on zero rather than in an undefined cast.
    if (!(value > 0.0f)) {
        return 0;
    }
    if (value >= 1.0f) {
        return 0xff;
    }
    return static_cast<DWORD>(value * kMaxColorByte + 0.5f);
}

float ColorByteToComponent(DWORD argb, int shift)
{
    return static_cast<float>((argb >> shift) & 0xff) / kMaxColorByte;
}

D3DXMATRIX MakeRows(const D3DXVECTOR3& row1, const D3DXVECTOR3& row2, const D3DXVECTOR3& row3)
{
    return D3DXMATRIX(row1.x, row1.y, row1.z, 0.0f,
                      row2.x, row2.y, row2.z, 0.0f,
                      row3.x, row3.y, row3.z, 0.0f,
                      0.0f, 0.0f, 0.0f, 1.0f);
}

// A view matrix from the camera's three axes (its columns) and position.
D3DXMATRIX ViewFromAxes(const D3DXVECTOR3& xAxis, const D3DXVECTOR3& yAxis, const D3DXVECTOR3& zAxis,
                        const D3DXVECTOR3& eye)
{
    return D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f,
                      xAxis.y, yAxis.y, zAxis.y, 0.0f,
                      xAxis.z, yAxis.z, zAxis.z, 0.0f,
                      -D3DXVec3Dot(&xAxis, &eye), -D3DXVec3Dot(&yAxis, &eye), -D3DXVec3Dot(&zAxis, &eye),
                      1.0f);
}

D3DXMATRIX LookAt(const D3DXVECTOR3& eye, const D3DXVECTOR3& forward, const D3DXVECTOR3& up)
{
    D3DXVECTOR3 zAxis;
    D3DXVec3Normalize(&zAxis, &forward);
    D3DXVECTOR3 xAxis;
    D3DXVec3Cross(&xAxis, &up, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVECTOR3 yAxis;
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
    return ViewFromAxes(xAxis, yAxis, zAxis, eye);
}

// The determinant and adjugate of a 4x4 matrix through its 2x2 minors,
// computed in double so that M * inverse(M) stays close to identity.
struct Minors {
    double a[4][4];
    double top[6];    // 2x2 minors of rows 0 and 1
    double bottom[6]; // 2x2 minors of rows 2 and 3
};

Minors ComputeMinors(const D3DXMATRIX& m)
{
    Minors r{};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            r.a[row][col] = m.m[row][col];
        }
    }
    const double (*a)[4] = r.a;
    r.top[0] = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    r.top[1] = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    r.top[2] = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    r.top[3] = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    r.top[4] = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    r.top[5] = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    r.bottom[0] = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    r.bottom[1] = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    r.bottom[2] = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    r.bottom[3] = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    r.bottom[4] = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    r.bottom[5] = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    return r;
}

double DeterminantOf(const Minors& r)
{
    const double* s = r.top;
    const double* c = r.bottom;
    return s[0] * c[5] - s[1] * c[4] + s[2] * c[3] + s[3] * c[2] - s[4] * c[1] + s[5] * c[0];
}

D3DXMATRIX AdjugateOverDeterminant(const Minors& r, double det)
{
    const double (*a)[4] = r.a;
    const double* s = r.top;
    const double* c = r.bottom;
    const double adj[16] = {
        a[1][1] * c[5] - a[1][2] * c[4] + a[1][3] * c[3],
        -a[0][1] * c[5] + a[0][2] * c[4] - a[0][3] * c[3],
        a[3][1] * s[5] - a[3][2] * s[4] + a[3][3] * s[3],
        -a[2][1] * s[5] + a[2][2] * s[4] - a[2][3] * s[3],

        -a[1][0] * c[5] + a[1][2] * c[2] - a[1][3] * c[1],
        a[0][0] * c[5] - a[0][2] * c[2] + a[0][3] * c[1],
        -a[3][0] * s[5] + a[3][2] * s[2] - a[3][3] * s[1],
        a[2][0] * s[5] - a[2][2] * s[2] + a[2][3] * s[1],

        a[1][0] * c[4] - a[1][1] * c[2] + a[1][3] * c[0],
        -a[0][0] * c[4] + a[0][1] * c[2] - a[0][3] * c[0],
        a[3][0] * s[4] - a[3][1] * s[2] + a[3][3] * s[0],
        -a[2][0] * s[4] + a[2][1] * s[2] - a[2][3] * s[0],

        -a[1][0] * c[3] + a[1][1] * c[1] - a[1][2] * c[0],
        a[0][0] * c[3] - a[0][1] * c[1] + a[0][2] * c[0],
        -a[3][0] * s[3] + a[3][1] * s[1] - a[3][2] * s[0],
        a[2][0] * s[3] - a[2][1] * s[1] + a[2][2] * s[0],
    };
    D3DXMATRIX out;
    for (int i = 0; i < 16; ++i) {
        out.m[i / 4][i % 4] = static_cast<float>(adj[i] / det);
    }
    return out;
}

// The Hamilton product p q: rotating by q first, then by p.
D3DXQUATERNION Hamilton(const D3DXQUATERNION& p, const D3DXQUATERNION& q)
{
    return D3DXQUATERNION(p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
                          p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
                          p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w,
                          p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z);
}

} // namespace

// --- D3DXVECTOR2 ---

D3DXVECTOR2::D3DXVECTOR2(const FLOAT* xy) : x(xy[0]), y(xy[1]) {}
D3DXVECTOR2::operator FLOAT*() { return &x; }
D3DXVECTOR2::operator const FLOAT*() const { return &x; }

D3DXVECTOR2& D3DXVECTOR2::operator+=(const D3DXVECTOR2& v) { return *this = *this + v; }
D3DXVECTOR2& D3DXVECTOR2::operator-=(const D3DXVECTOR2& v) { return *this = *this - v; }
D3DXVECTOR2& D3DXVECTOR2::operator*=(FLOAT s) { return *this = *this * s; }
D3DXVECTOR2& D3DXVECTOR2::operator/=(FLOAT s) { return *this = *this / s; }

D3DXVECTOR2 D3DXVECTOR2::operator+() const { return *this; }
D3DXVECTOR2 D3DXVECTOR2::operator-() const { return D3DXVECTOR2(-x, -y); }
D3DXVECTOR2 D3DXVECTOR2::operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
D3DXVECTOR2 D3DXVECTOR2::operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
D3DXVECTOR2 D3DXVECTOR2::operator*(FLOAT s) const { return D3DXVECTOR2(x * s, y * s); }
D3DXVECTOR2 D3DXVECTOR2::operator/(FLOAT s) const { return D3DXVECTOR2(x / s, y / s); }
D3DXVECTOR2 operator*(FLOAT s, const D3DXVECTOR2& v) { return v * s; }

bool D3DXVECTOR2::operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
bool D3DXVECTOR2::operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }

// --- D3DXVECTOR3 ---

D3DXVECTOR3::D3DXVECTOR3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
D3DXVECTOR3::D3DXVECTOR3(const FLOAT* xyz) : D3DVECTOR{xyz[0], xyz[1], xyz[2]} {}
D3DXVECTOR3::D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
D3DXVECTOR3::operator FLOAT*() { return &x; }
D3DXVECTOR3::operator const FLOAT*() const { return &x; }

D3DXVECTOR3& D3DXVECTOR3::operator+=(const D3DXVECTOR3& v) { return *this = *this + v; }
D3DXVECTOR3& D3DXVECTOR3::operator-=(const D3DXVECTOR3& v) { return *this = *this - v; }
D3DXVECTOR3& D3DXVECTOR3::operator*=(FLOAT s) { return *this = *this * s; }
D3DXVECTOR3& D3DXVECTOR3::operator/=(FLOAT s) { return *this = *this / s; }

D3DXVECTOR3 D3DXVECTOR3::operator+() const { return *this; }
D3DXVECTOR3 D3DXVECTOR3::operator-() const { return D3DXVECTOR3(-x, -y, -z); }
D3DXVECTOR3 D3DXVECTOR3::operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
D3DXVECTOR3 D3DXVECTOR3::operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
D3DXVECTOR3 D3DXVECTOR3::operator*(FLOAT s) const { return D3DXVECTOR3(x * s, y * s, z * s); }
D3DXVECTOR3 D3DXVECTOR3::operator/(FLOAT s) const { return D3DXVECTOR3(x / s, y / s, z / s); }
D3DXVECTOR3 operator*(FLOAT s, const D3DXVECTOR3& v) { return v * s; }

bool D3DXVECTOR3::operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
bool D3DXVECTOR3::operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }

// --- D3DXVECTOR4 ---

D3DXVECTOR4::D3DXVECTOR4(const FLOAT* xyzw) : x(xyzw[0]), y(xyzw[1]), z(xyzw[2]), w(xyzw[3]) {}
D3DXVECTOR4::D3DXVECTOR4(FLOAT x_, FLOAT y_, FLOAT z_, FLOAT w_) : x(x_), y(y_), z(z_), w(w_) {}
D3DXVECTOR4::operator FLOAT*() { return &x; }
D3DXVECTOR4::operator const FLOAT*() const { return &x; }

D3DXVECTOR4& D3DXVECTOR4::operator+=(const D3DXVECTOR4& v) { return *this = *this + v; }
D3DXVECTOR4& D3DXVECTOR4::operator-=(const D3DXVECTOR4& v) { return *this = *this - v; }
D3DXVECTOR4& D3DXVECTOR4::operator*=(FLOAT s) { return *this = *this * s; }
D3DXVECTOR4& D3DXVECTOR4::operator/=(FLOAT s) { return *this = *this / s; }

D3DXVECTOR4 D3DXVECTOR4::operator+() const { return *this; }
D3DXVECTOR4 D3DXVECTOR4::operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }
D3DXVECTOR4 D3DXVECTOR4::operator+(const D3DXVECTOR4& v) const
{
    return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w);
}
D3DXVECTOR4 D3DXVECTOR4::operator-(const D3DXVECTOR4& v) const
{
    return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w);
}
D3DXVECTOR4 D3DXVECTOR4::operator*(FLOAT s) const { return D3DXVECTOR4(x * s, y * s, z * s, w * s); }
D3DXVECTOR4 D3DXVECTOR4::operator/(FLOAT s) const { return D3DXVECTOR4(x / s, y / s, z / s, w / s); }
D3DXVECTOR4 operator*(FLOAT s, const D3DXVECTOR4& v) { return v * s; }

bool D3DXVECTOR4::operator==(const D3DXVECTOR4& v) const
{
    return x == v.x && y == v.y && z == v.z && w == v.w;
}
bool D3DXVECTOR4::operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }

// --- D3DXMATRIX ---

D3DXMATRIX::D3DXMATRIX() : D3DMATRIX{} {}

D3DXMATRIX::D3DXMATRIX(const FLOAT* sixteen) : D3DMATRIX{}
{
    std::memcpy(m, sixteen, sizeof(m));
}

D3DXMATRIX::D3DXMATRIX(const D3DMATRIX& other) : D3DMATRIX(other) {}

D3DXMATRIX::D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14,
                       FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
                       FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34,
                       FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44)
    : D3DMATRIX{}
{
    _11 = f11; _12 = f12; _13 = f13; _14 = f14;
    _21 = f21; _22 = f22; _23 = f23; _24 = f24;
    _31 = f31; _32 = f32; _33 = f33; _34 = f34;
    _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

FLOAT& D3DXMATRIX::operator()(UINT row, UINT col)
{
    assert(row < 4 && col < 4);
    return m[row][col];
}

FLOAT D3DXMATRIX::operator()(UINT row, UINT col) const
{
    assert(row < 4 && col < 4);
    return m[row][col];
}

D3DXMATRIX::operator FLOAT*() { return &_11; }
D3DXMATRIX::operator const FLOAT*() const { return &_11; }

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& other)
{
    D3DXMatrixMultiply(this, this, &other);
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& other) { return *this = *this + other; }
D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& other) { return *this = *this - other; }
D3DXMATRIX& D3DXMATRIX::operator*=(FLOAT s) { return *this = *this * s; }
D3DXMATRIX& D3DXMATRIX::operator/=(FLOAT s) { return *this = *this / s; }

D3DXMATRIX D3DXMATRIX::operator+() const { return *this; }
D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const
{
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &other);
    return out;
}

D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& other) const
{
    D3DXMATRIX out;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            out.m[row][col] = m[row][col] + other.m[row][col];
        }
    }
    return out;
}

D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& other) const { return *this + -other; }

D3DXMATRIX D3DXMATRIX::operator*(FLOAT s) const
{
    D3DXMATRIX out;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            out.m[row][col] = m[row][col] * s;
        }
    }
    return out;
}

D3DXMATRIX D3DXMATRIX::operator/(FLOAT s) const
{
    D3DXMATRIX out;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            out.m[row][col] = m[row][col] / s;
        }
    }
    return out;
}

D3DXMATRIX operator*(FLOAT s, const D3DXMATRIX& m) { return m * s; }

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const
{
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            if (m[row][col] != other.m[row][col]) {
                return false;
            }
        }
    }
    return true;
}

bool D3DXMATRIX::operator!=(const D3DXMATRIX& other) const { return !(*this == other); }

// --- D3DXQUATERNION ---

D3DXQUATERNION::D3DXQUATERNION(const FLOAT* xyzw) : x(xyzw[0]), y(xyzw[1]), z(xyzw[2]), w(xyzw[3]) {}
D3DXQUATERNION::D3DXQUATERNION(FLOAT x_, FLOAT y_, FLOAT z_, FLOAT w_) : x(x_), y(y_), z(z_), w(w_) {}
D3DXQUATERNION::operator FLOAT*() { return &x; }
D3DXQUATERNION::operator const FLOAT*() const { return &x; }

D3DXQUATERNION& D3DXQUATERNION::operator+=(const D3DXQUATERNION& q) { return *this = *this + q; }
D3DXQUATERNION& D3DXQUATERNION::operator-=(const D3DXQUATERNION& q) { return *this = *this - q; }
D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) { return *this = *this * q; }
D3DXQUATERNION& D3DXQUATERNION::operator*=(FLOAT s) { return *this = *this * s; }
D3DXQUATERNION& D3DXQUATERNION::operator/=(FLOAT s) { return *this = *this / s; }

D3DXQUATERNION D3DXQUATERNION::operator+() const { return *this; }
D3DXQUATERNION D3DXQUATERNION::operator-() const { return D3DXQUATERNION(-x, -y, -z, -w); }
D3DXQUATERNION D3DXQUATERNION::operator+(const D3DXQUATERNION& q) const
{
    return D3DXQUATERNION(x + q.x, y + q.y, z + q.z, w + q.w);
}
D3DXQUATERNION D3DXQUATERNION::operator-(const D3DXQUATERNION& q) const
{
    return D3DXQUATERNION(x - q.x, y - q.y, z - q.z, w - q.w);
}
D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const
{
    D3DXQUATERNION out;
    D3DXQuaternionMultiply(&out, this, &q);
    return out;
}
D3DXQUATERNION D3DXQUATERNION::operator*(FLOAT s) const { return D3DXQUATERNION(x * s, y * s, z * s, w * s); }
D3DXQUATERNION D3DXQUATERNION::operator/(FLOAT s) const { return D3DXQUATERNION(x / s, y / s, z / s, w / s); }
D3DXQUATERNION operator*(FLOAT s, const D3DXQUATERNION& q) { return q * s; }

bool D3DXQUATERNION::operator==(const D3DXQUATERNION& q) const
{
    return x == q.x && y == q.y && z == q.z && w == q.w;
}
bool D3DXQUATERNION::operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }

// --- D3DXPLANE ---

D3DXPLANE::D3DXPLANE(const FLOAT* abcd) : a(abcd[0]), b(abcd[1]), c(abcd[2]), d(abcd[3]) {}
D3DXPLANE::D3DXPLANE(FLOAT a_, FLOAT b_, FLOAT c_, FLOAT d_) : a(a_), b(b_), c(c_), d(d_) {}
D3DXPLANE::operator FLOAT*() { return &a; }
D3DXPLANE::operator const FLOAT*() const { return &a; }
D3DXPLANE D3DXPLANE::operator+() const { return *this; }
D3DXPLANE D3DXPLANE::operator-() const { return D3DXPLANE(-a, -b, -c, -d); }
bool D3DXPLANE::operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
bool D3DXPLANE::operator!=(const D3DXPLANE& p) const { return !(*this == p); }

// --- D3DXCOLOR ---

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(ColorByteToComponent(argb, 16)), g(ColorByteToComponent(argb, 8)), b(ColorByteToComponent(argb, 0)),
      a(ColorByteToComponent(argb, 24))
{
}
D3DXCOLOR::D3DXCOLOR(const FLOAT* rgba) : r(rgba[0]), g(rgba[1]), b(rgba[2]), a(rgba[3]) {}
D3DXCOLOR::D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}

D3DXCOLOR::operator DWORD() const
{
    return (ColorComponentToByte(a) << 24) | (ColorComponentToByte(r) << 16) | (ColorComponentToByte(g) << 8) |
           ColorComponentToByte(b);
}

D3DXCOLOR::operator FLOAT*() { return &r; }
D3DXCOLOR::operator const FLOAT*() const { return &r; }
// D3DXCOLOR and D3DCOLORVALUE are both four floats r, g, b, a in that order.
D3DXCOLOR::operator D3DCOLORVALUE*() { return reinterpret_cast<D3DCOLORVALUE*>(&r); }
D3DXCOLOR::operator const D3DCOLORVALUE*() const { return reinterpret_cast<const D3DCOLORVALUE*>(&r); }
D3DXCOLOR::operator D3DCOLORVALUE&() { return *reinterpret_cast<D3DCOLORVALUE*>(&r); }
D3DXCOLOR::operator const D3DCOLORVALUE&() const { return *reinterpret_cast<const D3DCOLORVALUE*>(&r); }

D3DXCOLOR& D3DXCOLOR::operator+=(const D3DXCOLOR& c) { return *this = *this + c; }
D3DXCOLOR& D3DXCOLOR::operator-=(const D3DXCOLOR& c) { return *this = *this - c; }
D3DXCOLOR& D3DXCOLOR::operator*=(FLOAT s) { return *this = *this * s; }
D3DXCOLOR& D3DXCOLOR::operator/=(FLOAT s) { return *this = *this / s; }

D3DXCOLOR D3DXCOLOR::operator+() const { return *this; }
D3DXCOLOR D3DXCOLOR::operator-() const { return D3DXCOLOR(-r, -g, -b, -a); }
D3DXCOLOR D3DXCOLOR::operator+(const D3DXCOLOR& c) const { return D3DXCOLOR(r + c.r, g + c.g, b + c.b, a + c.a); }
D3DXCOLOR D3DXCOLOR::operator-(const D3DXCOLOR& c) const { return D3DXCOLOR(r - c.r, g - c.g, b - c.b, a - c.a); }
D3DXCOLOR D3DXCOLOR::operator*(FLOAT s) const { return D3DXCOLOR(r * s, g * s, b * s, a * s); }
D3DXCOLOR D3DXCOLOR::operator/(FLOAT s) const { return D3DXCOLOR(r / s, g / s, b / s, a / s); }
D3DXCOLOR operator*(FLOAT s, const D3DXCOLOR& c) { return c * s; }

bool D3DXCOLOR::operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
bool D3DXCOLOR::operator!=(const D3DXCOLOR& c) const { return !(*this == c); }

// --- 2D vectors ---

FLOAT D3DXVec2Length(const D3DXVECTOR2* pV) { return std::sqrt(D3DXVec2LengthSq(pV)); }
FLOAT D3DXVec2LengthSq(const D3DXVECTOR2* pV) { return D3DXVec2Dot(pV, pV); }
FLOAT D3DXVec2Dot(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2) { return pV1->x * pV2->x + pV1->y * pV2->y; }

D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    *pOut = *pV1 + *pV2;
    return pOut;
}

D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    *pOut = *pV1 - *pV2;
    return pOut;
}

D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV, FLOAT s)
{
    *pOut = *pV * s;
    return pOut;
}

D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2, FLOAT s)
{
    *pOut = *pV1 + (*pV2 - *pV1) * s;
    return pOut;
}

D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    *pOut = D3DXVECTOR2(std::fmin(pV1->x, pV2->x), std::fmin(pV1->y, pV2->y));
    return pOut;
}

D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    *pOut = D3DXVECTOR2(std::fmax(pV1->x, pV2->x), std::fmax(pV1->y, pV2->y));
    return pOut;
}

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV)
{
    const float length = D3DXVec2Length(pV);
    *pOut = length > 0.0f ? *pV / length : D3DXVECTOR2();
    return pOut;
}

// --- 3D vectors ---

FLOAT D3DXVec3Length(const D3DXVECTOR3* pV) { return std::sqrt(D3DXVec3LengthSq(pV)); }
FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* pV) { return D3DXVec3Dot(pV, pV); }

FLOAT D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    *pOut = D3DXVECTOR3(pV1->y * pV2->z - pV1->z * pV2->y,
                        pV1->z * pV2->x - pV1->x * pV2->z,
                        pV1->x * pV2->y - pV1->y * pV2->x);
    return pOut;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    *pOut = *pV1 + *pV2;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    *pOut = *pV1 - *pV2;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, FLOAT s)
{
    *pOut = *pV * s;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, FLOAT s)
{
    *pOut = *pV1 + (*pV2 - *pV1) * s;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    *pOut = D3DXVECTOR3(std::fmin(pV1->x, pV2->x), std::fmin(pV1->y, pV2->y), std::fmin(pV1->z, pV2->z));
    return pOut;
}

D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    *pOut = D3DXVECTOR3(std::fmax(pV1->x, pV2->x), std::fmax(pV1->y, pV2->y), std::fmax(pV1->z, pV2->z));
    return pOut;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV)
{
    const float length = D3DXVec3Length(pV);
    *pOut = length > 0.0f ? *pV / length : D3DXVECTOR3();
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    D3DXVECTOR4 transformed;
    D3DXVec3Transform(&transformed, pV, pM);
    *pOut = D3DXVECTOR3(transformed.x, transformed.y, transformed.z) / transformed.w;
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 direction(pV->x, pV->y, pV->z, 0.0f);
    D3DXVECTOR4 transformed;
    D3DXVec4Transform(&transformed, &direction, pM);
    *pOut = D3DXVECTOR3(transformed.x, transformed.y, transformed.z);
    return pOut;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 point(pV->x, pV->y, pV->z, 1.0f);
    return D3DXVec4Transform(pOut, &point, pM);
}

// --- 4D vectors ---

FLOAT D3DXVec4Length(const D3DXVECTOR4* pV) { return std::sqrt(D3DXVec4LengthSq(pV)); }
FLOAT D3DXVec4LengthSq(const D3DXVECTOR4* pV) { return D3DXVec4Dot(pV, pV); }

FLOAT D3DXVec4Dot(const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z + pV1->w * pV2->w;
}

D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    *pOut = *pV1 + *pV2;
    return pOut;
}

D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    *pOut = *pV1 - *pV2;
    return pOut;
}

D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, FLOAT s)
{
    *pOut = *pV * s;
    return pOut;
}

D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, FLOAT s)
{
    *pOut = *pV1 + (*pV2 - *pV1) * s;
    return pOut;
}

D3DXVECTOR4* D3DXVec4Minimize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    *pOut = D3DXVECTOR4(std::fmin(pV1->x, pV2->x), std::fmin(pV1->y, pV2->y), std::fmin(pV1->z, pV2->z),
                        std::fmin(pV1->w, pV2->w));
    return pOut;
}

D3DXVECTOR4* D3DXVec4Maximize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    *pOut = D3DXVECTOR4(std::fmax(pV1->x, pV2->x), std::fmax(pV1->y, pV2->y), std::fmax(pV1->z, pV2->z),
                        std::fmax(pV1->w, pV2->w));
    return pOut;
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV)
{
    const float length = D3DXVec4Length(pV);
    *pOut = length > 0.0f ? *pV / length : D3DXVECTOR4();
    return pOut;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM)
{
    const D3DXVECTOR4 v = *pV;
    const D3DXMATRIX& m = *pM;
    *pOut = D3DXVECTOR4(v.x * m._11 + v.y * m._21 + v.z * m._31 + v.w * m._41,
                        v.x * m._12 + v.y * m._22 + v.z * m._32 + v.w * m._42,
                        v.x * m._13 + v.y * m._23 + v.z * m._33 + v.w * m._43,
                        v.x * m._14 + v.y * m._24 + v.z * m._34 + v.w * m._44);
    return pOut;
}

// --- Matrices ---

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut)
{
    *pOut = D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f,
                       0.0f, 1.0f, 0.0f, 0.0f,
                       0.0f, 0.0f, 1.0f, 0.0f,
                       0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM)
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return *pM == identity ? TRUE : FALSE;
}

FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* pM)
{
    return static_cast<float>(DeterminantOf(ComputeMinors(*pM)));
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2)
{
    D3DXMATRIX product;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += pM1->m[row][k] * pM2->m[k][col];
            }
            product.m[row][col] = sum;
        }
    }
    *pOut = product;
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM)
{
    D3DXMATRIX transposed;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            transposed.m[row][col] = pM->m[col][row];
        }
    }
    *pOut = transposed;
    return pOut;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM)
{
    const Minors minors = ComputeMinors(*pM);
    const double det = DeterminantOf(minors);
    if (pDeterminant) {
        *pDeterminant = static_cast<float>(det);
    }
    // Zero, subnormal, infinite or NaN: no usable inverse.
    if (!std::isnormal(det)) {
        return nullptr;
    }
    *pOut = AdjugateOverDeterminant(minors, det);
    return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz)
{
    D3DXMatrixIdentity(pOut);
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z)
{
    D3DXMatrixIdentity(pOut);
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    *pOut = MakeRows(D3DXVECTOR3(1.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, c, s), D3DXVECTOR3(0.0f, -s, c));
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    *pOut = MakeRows(D3DXVECTOR3(c, 0.0f, -s), D3DXVECTOR3(0.0f, 1.0f, 0.0f), D3DXVECTOR3(s, 0.0f, c));
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    *pOut = MakeRows(D3DXVECTOR3(c, s, 0.0f), D3DXVECTOR3(-s, c, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pAxis, FLOAT angle)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, pAxis);
    // No axis, no rotation: better than the uniform scale the formula would give.
    if (n == D3DXVECTOR3()) {
        return D3DXMatrixIdentity(pOut);
    }
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;
    *pOut = MakeRows(D3DXVECTOR3(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y),
                     D3DXVECTOR3(t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x),
                     D3DXVECTOR3(t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c));
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ)
{
    const float x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
    *pOut = MakeRows(D3DXVECTOR3(1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + z * w), 2.0f * (x * z - y * w)),
                     D3DXVECTOR3(2.0f * (x * y - z * w), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + x * w)),
                     D3DXVECTOR3(2.0f * (x * z + y * w), 2.0f * (y * z - x * w), 1.0f - 2.0f * (x * x + y * y)));
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll)
{
    D3DXMATRIX rollM, pitchM, yawM;
    D3DXMatrixRotationZ(&rollM, roll);
    D3DXMatrixRotationX(&pitchM, pitch);
    D3DXMatrixRotationY(&yawM, yaw);
    *pOut = rollM * pitchM * yawM;
    return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp)
{
    *pOut = LookAt(*pEye, *pAt - *pEye, *pUp);
    return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp)
{
    // The camera's z axis points backwards, away from what it looks at.
    *pOut = LookAt(*pEye, *pEye - *pAt, *pUp);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovY, FLOAT aspect, FLOAT zNear, FLOAT zFar)
{
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    const float xScale = yScale / aspect;
    const float depth = zFar / (zFar - zNear);
    *pOut = D3DXMATRIX(xScale, 0.0f, 0.0f, 0.0f,
                       0.0f, yScale, 0.0f, 0.0f,
                       0.0f, 0.0f, depth, 1.0f,
                       0.0f, 0.0f, -zNear * depth, 0.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* pOut, FLOAT fovY, FLOAT aspect, FLOAT zNear, FLOAT zFar)
{
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    const float xScale = yScale / aspect;
    const float depth = zFar / (zNear - zFar);
    *pOut = D3DXMATRIX(xScale, 0.0f, 0.0f, 0.0f,
                       0.0f, yScale, 0.0f, 0.0f,
                       0.0f, 0.0f, depth, -1.0f,
                       0.0f, 0.0f, zNear * depth, 0.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, FLOAT width, FLOAT height, FLOAT zNear, FLOAT zFar)
{
    const float depth = zFar / (zFar - zNear);
    *pOut = D3DXMATRIX(2.0f * zNear / width, 0.0f, 0.0f, 0.0f,
                       0.0f, 2.0f * zNear / height, 0.0f, 0.0f,
                       0.0f, 0.0f, depth, 1.0f,
                       0.0f, 0.0f, -zNear * depth, 0.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* pOut, FLOAT width, FLOAT height, FLOAT zNear, FLOAT zFar)
{
    const float halfWidth = width / 2.0f;
    const float halfHeight = height / 2.0f;
    return D3DXMatrixOrthoOffCenterLH(pOut, -halfWidth, halfWidth, -halfHeight, halfHeight, zNear, zFar);
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT left, FLOAT right, FLOAT bottom, FLOAT top,
                                       FLOAT zNear, FLOAT zFar)
{
    const float depthRange = zFar - zNear;
    *pOut = D3DXMATRIX(2.0f / (right - left), 0.0f, 0.0f, 0.0f,
                       0.0f, 2.0f / (top - bottom), 0.0f, 0.0f,
                       0.0f, 0.0f, 1.0f / depthRange, 0.0f,
                       (left + right) / (left - right), (top + bottom) / (bottom - top), -zNear / depthRange,
                       1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* pOut, const D3DXPLANE* pPlane)
{
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    // p' = p - 2 (n.p + d) n, written for row vectors.
    *pOut = D3DXMATRIX(1.0f - 2.0f * p.a * p.a, -2.0f * p.b * p.a, -2.0f * p.c * p.a, 0.0f,
                       -2.0f * p.a * p.b, 1.0f - 2.0f * p.b * p.b, -2.0f * p.c * p.b, 0.0f,
                       -2.0f * p.a * p.c, -2.0f * p.b * p.c, 1.0f - 2.0f * p.c * p.c, 0.0f,
                       -2.0f * p.a * p.d, -2.0f * p.b * p.d, -2.0f * p.c * p.d, 1.0f);
    return pOut;
}

// --- Quaternions ---

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* pOut)
{
    *pOut = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}

FLOAT D3DXQuaternionLength(const D3DXQUATERNION* pQ) { return std::sqrt(D3DXQuaternionDot(pQ, pQ)); }

FLOAT D3DXQuaternionDot(const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2)
{
    return pQ1->x * pQ2->x + pQ1->y * pQ2->y + pQ1->z * pQ2->z + pQ1->w * pQ2->w;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    const float length = D3DXQuaternionLength(pQ);
    *pOut = length > 0.0f ? *pQ / length : D3DXQUATERNION();
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    *pOut = D3DXQUATERNION(-pQ->x, -pQ->y, -pQ->z, pQ->w);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    const float lengthSq = D3DXQuaternionDot(pQ, pQ);
    if (!(lengthSq > 0.0f)) {
        *pOut = D3DXQUATERNION();
        return pOut;
    }
    D3DXQuaternionConjugate(pOut, pQ);
    *pOut /= lengthSq;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                       const D3DXQUATERNION* pQ2)
{
    *pOut = Hamilton(*pQ2, *pQ1);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM)
{
    const D3DXMATRIX& m = *pM;
    const float trace = m._11 + m._22 + m._33;
    // Divide by the largest of the four candidates so precision holds near
    // half turns, where w goes to zero.
    if (trace > 0.0f) {
        const float s = 2.0f * std::sqrt(trace + 1.0f);
        *pOut = D3DXQUATERNION((m._23 - m._32) / s, (m._31 - m._13) / s, (m._12 - m._21) / s, s / 4.0f);
    } else if (m._11 >= m._22 && m._11 >= m._33) {
        const float s = 2.0f * std::sqrt(1.0f + m._11 - m._22 - m._33);
        *pOut = D3DXQUATERNION(s / 4.0f, (m._12 + m._21) / s, (m._13 + m._31) / s, (m._23 - m._32) / s);
    } else if (m._22 >= m._33) {
        const float s = 2.0f * std::sqrt(1.0f + m._22 - m._11 - m._33);
        *pOut = D3DXQUATERNION((m._12 + m._21) / s, s / 4.0f, (m._23 + m._32) / s, (m._31 - m._13) / s);
    } else {
        const float s = 2.0f * std::sqrt(1.0f + m._33 - m._11 - m._22);
        *pOut = D3DXQUATERNION((m._13 + m._31) / s, (m._23 + m._32) / s, s / 4.0f, (m._12 - m._21) / s);
    }
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pAxis, FLOAT angle)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, pAxis);
    if (n == D3DXVECTOR3()) {
        return D3DXQuaternionIdentity(pOut);
    }
    const float s = std::sin(angle / 2.0f);
    *pOut = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, std::cos(angle / 2.0f));
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll)
{
    const D3DXVECTOR3 xAxis(1.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 yAxis(0.0f, 1.0f, 0.0f);
    const D3DXVECTOR3 zAxis(0.0f, 0.0f, 1.0f);
    D3DXQUATERNION rollQ, pitchQ, yawQ;
    D3DXQuaternionRotationAxis(&rollQ, &zAxis, roll);
    D3DXQuaternionRotationAxis(&pitchQ, &xAxis, pitch);
    D3DXQuaternionRotationAxis(&yawQ, &yAxis, yaw);
    *pOut = rollQ * pitchQ * yawQ;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                    FLOAT t)
{
    const D3DXQUATERNION from = *pQ1;
    D3DXQUATERNION to = *pQ2;
    float cosAngle = D3DXQuaternionDot(&from, &to);
    // q and -q are the same rotation; take the one on the shorter arc.
    if (cosAngle < 0.0f) {
        to = -to;
        cosAngle = -cosAngle;
    }
    if (cosAngle > 1.0f - kSlerpLinearThreshold) {
        *pOut = from + (to - from) * t;
        return pOut;
    }
    const float angle = std::acos(cosAngle);
    const float sinAngle = std::sin(angle);
    const float fromWeight = std::sin((1.0f - t) * angle) / sinAngle;
    const float toWeight = std::sin(t * angle) / sinAngle;
    *pOut = from * fromWeight + to * toWeight;
    return pOut;
}

// --- Planes ---

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal)
{
    *pOut = D3DXPLANE(pNormal->x, pNormal->y, pNormal->z, -D3DXVec3Dot(pPoint, pNormal));
    return pOut;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3)
{
    const D3DXVECTOR3 edge1 = *pV2 - *pV1;
    const D3DXVECTOR3 edge2 = *pV3 - *pV1;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &edge1, &edge2);
    D3DXVec3Normalize(&normal, &normal);
    return D3DXPlaneFromPointNormal(pOut, pV1, &normal);
}

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP)
{
    const float length = std::sqrt(pP->a * pP->a + pP->b * pP->b + pP->c * pP->c);
    if (!(length > 0.0f)) {
        *pOut = D3DXPLANE();
        return pOut;
    }
    *pOut = D3DXPLANE(pP->a / length, pP->b / length, pP->c / length, pP->d / length);
    return pOut;
}

FLOAT D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return D3DXPlaneDotNormal(pP, pV) + pP->d;
}

FLOAT D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z;
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2)
{
    const D3DXVECTOR3 start = *pV1;
    const D3DXVECTOR3 direction = *pV2 - start;
    const float approach = D3DXPlaneDotNormal(pP, &direction);
    if (approach == 0.0f) {
        return nullptr;
    }
    const float t = -D3DXPlaneDotCoord(pP, &start) / approach;
    *pOut = start + direction * t;
    return pOut;
}
