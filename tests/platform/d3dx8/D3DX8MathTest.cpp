#include "platform/d3dx8/D3DX8Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/MatrixExpect.h"

namespace {

const float kTolerance = 1e-5f;
const float kHalfPi = D3DX_PI / 2.0f;

// q and -q are the same rotation.
void ExpectSameRotation(const D3DXQUATERNION& expected, const D3DXQUATERNION& actual)
{
    EXPECT_NEAR(std::fabs(D3DXQuaternionDot(&expected, &actual)), 1.0f, kTolerance);
}

D3DXVECTOR3 TransformPoint(const D3DXVECTOR3& point, const D3DXMATRIX& m)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &point, &m);
    return out;
}

D3DXMATRIX RotationAxis(const D3DXVECTOR3& axis, float angle)
{
    D3DXMATRIX m;
    D3DXMatrixRotationAxis(&m, &axis, angle);
    return m;
}

D3DXQUATERNION QuaternionAxis(const D3DXVECTOR3& axis, float angle)
{
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, angle);
    return q;
}

D3DXMATRIX MatrixOf(const D3DXQUATERNION& q)
{
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    return m;
}

// The angle of the rotation that takes a to b, both unit quaternions.
float AngleBetween(const D3DXQUATERNION& a, const D3DXQUATERNION& b)
{
    const float cosHalf = std::fmin(1.0f, std::fabs(D3DXQuaternionDot(&a, &b)));
    return 2.0f * std::acos(cosHalf);
}

} // namespace

TEST(D3DXVector, NormalizeGivesUnitLengthAndZeroStaysZero)
{
    D3DXVECTOR2 v2;
    D3DXVec2Normalize(&v2, &v2);
    EXPECT_EQ(D3DXVECTOR2(0, 0), v2);
    D3DXVECTOR3 v3;
    EXPECT_EQ(&v3, D3DXVec3Normalize(&v3, &v3));
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), v3);
    D3DXVECTOR4 v4;
    D3DXVec4Normalize(&v4, &v4);
    EXPECT_EQ(D3DXVECTOR4(0, 0, 0, 0), v4);
    D3DXQUATERNION q;
    D3DXQuaternionNormalize(&q, &q);
    EXPECT_EQ(D3DXQUATERNION(0, 0, 0, 0), q);

    v3 = D3DXVECTOR3(3, 0, -4);
    D3DXVec3Normalize(&v3, &v3);
    ExpectVectorNear(D3DXVECTOR3(0.6f, 0, -0.8f), v3, kTolerance);
    v2 = D3DXVECTOR2(0, -7);
    D3DXVec2Normalize(&v2, &v2);
    EXPECT_NEAR(-1.0f, v2.y, kTolerance);
    v4 = D3DXVECTOR4(1, 1, 1, 1);
    D3DXVec4Normalize(&v4, &v4);
    EXPECT_NEAR(1.0f, D3DXVec4Length(&v4), kTolerance);
}

TEST(D3DXVector, CrossIsLeftHandedFriendlyAndAliasable)
{
    D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &x, &y);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 1), out);
    D3DXVec3Cross(&x, &x, &y);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 1), x);
}

TEST(D3DXVector, MinimizeMaximizeLerp)
{
    const D3DXVECTOR3 a(1, 5, -2), b(3, -1, -2);
    D3DXVECTOR3 out;
    EXPECT_EQ(D3DXVECTOR3(1, -1, -2), *D3DXVec3Minimize(&out, &a, &b));
    EXPECT_EQ(D3DXVECTOR3(3, 5, -2), *D3DXVec3Maximize(&out, &a, &b));
    ExpectVectorNear(D3DXVECTOR3(2, 2, -2), *D3DXVec3Lerp(&out, &a, &b, 0.5f), kTolerance);
}

TEST(D3DXVector, TransformsRowVectorThroughTheMatrix)
{
    D3DXMATRIX scale, move;
    D3DXMatrixScaling(&scale, 2, 3, 4);
    D3DXMatrixTranslation(&move, 10, 20, 30);
    const D3DXMATRIX m = scale * move;
    const D3DXVECTOR3 v(1, 1, 1);

    ExpectVectorNear(D3DXVECTOR3(12, 23, 34), TransformPoint(v, m), kTolerance);
    D3DXVECTOR3 normal;
    ExpectVectorNear(D3DXVECTOR3(2, 3, 4), *D3DXVec3TransformNormal(&normal, &v, &m), kTolerance);
    D3DXVECTOR4 four;
    D3DXVec3Transform(&four, &v, &m);
    EXPECT_EQ(D3DXVECTOR4(12, 23, 34, 1), four);

    // TransformCoord divides through by w.
    D3DXMATRIX halve = Identity();
    halve._44 = 2.0f;
    ExpectVectorNear(D3DXVECTOR3(0.5f, 0.5f, 0.5f), TransformPoint(v, halve), kTolerance);

    D3DXVECTOR4 w(1, 2, 3, 0);
    D3DXVec4Transform(&w, &w, &m);
    EXPECT_EQ(D3DXVECTOR4(2, 6, 12, 0), w);
}

TEST(D3DXMatrix, LayoutAndOperators)
{
    const D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(2.0f, m._12);
    EXPECT_EQ(7.0f, m(1, 2));
    EXPECT_EQ(m._43, m.m[3][2]);
    const float* flat = m;
    EXPECT_EQ(5.0f, flat[4]);
    EXPECT_EQ(m, D3DXMATRIX(flat));

    EXPECT_EQ(m * 2.0f, m + m);
    EXPECT_EQ(D3DXMATRIX(), m - m);
    EXPECT_EQ(m, 2.0f * m / 2.0f);
    EXPECT_NE(m, -m);
    EXPECT_EQ(m, m * Identity());

    const D3DXMATRIX identity = Identity();
    EXPECT_TRUE(D3DXMatrixIsIdentity(&identity));
    EXPECT_FALSE(D3DXMatrixIsIdentity(&m));

    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &m);
    EXPECT_EQ(m._12, t._21);
    D3DXMatrixTranspose(&t, &t);
    EXPECT_EQ(m, t);
}

TEST(D3DXMatrix, MultiplyAppliesTheLeftMatrixFirst)
{
    D3DXMATRIX move, turn;
    D3DXMatrixTranslation(&move, 0, 0, 5);
    D3DXMatrixRotationY(&turn, kHalfPi);
    const D3DXVECTOR3 p(1, 0, 0);

    D3DXMATRIX moveThenTurn;
    D3DXMatrixMultiply(&moveThenTurn, &move, &turn);
    // (1,0,0) -> (1,0,5), then a quarter turn about +y takes +z to +x and +x to -z.
    ExpectVectorNear(D3DXVECTOR3(5, 0, -1), TransformPoint(p, moveThenTurn), kTolerance);
    ExpectVectorNear(D3DXVECTOR3(0, 0, 4), TransformPoint(p, turn * move), kTolerance);

    D3DXMATRIX aliased = move;
    D3DXMatrixMultiply(&aliased, &aliased, &turn);
    ExpectMatrixNear(moveThenTurn, aliased, kTolerance);
    aliased = turn;
    D3DXMatrixMultiply(&aliased, &move, &aliased);
    ExpectMatrixNear(moveThenTurn, aliased, kTolerance);
    D3DXMATRIX square = turn;
    D3DXMatrixMultiply(&square, &square, &square);
    ExpectMatrixNear(turn * turn, square, kTolerance);
    move *= turn;
    ExpectMatrixNear(moveThenTurn, move, kTolerance);
}

TEST(D3DXMatrix, RotationAxisMatchesTheAxisRotations)
{
    typedef D3DXMATRIX* (*AxisRotation)(D3DXMATRIX*, FLOAT);
    struct Case {
        D3DXVECTOR3 axis;
        AxisRotation rotate;
    };
    const Case cases[] = {
        {D3DXVECTOR3(1, 0, 0), D3DXMatrixRotationX},
        {D3DXVECTOR3(0, 1, 0), D3DXMatrixRotationY},
        {D3DXVECTOR3(0, 0, 3), D3DXMatrixRotationZ}, // the axis need not be unit length
    };
    const float angles[] = {0.0f, 0.3f, kHalfPi, -2.0f, D3DX_PI};
    for (const Case& c : cases) {
        for (float angle : angles) {
            SCOPED_TRACE("angle " + std::to_string(angle));
            D3DXMATRIX expected;
            c.rotate(&expected, angle);
            ExpectMatrixNear(expected, RotationAxis(c.axis, angle), kTolerance);
        }
    }
}

TEST(D3DXMatrix, QuarterTurnsAreClockwiseSeenFromTheAxisTip)
{
    struct Case {
        D3DXVECTOR3 axis;
        D3DXVECTOR3 point;
        D3DXVECTOR3 expected;
    };
    const Case cases[] = {
        {D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, -1)},
        {D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(1, 0, 0)},
        {D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1)},
        {D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0)},
    };
    for (const Case& c : cases) {
        ExpectVectorNear(c.expected, TransformPoint(c.point, RotationAxis(c.axis, kHalfPi)), kTolerance);
    }
    // No axis means no rotation rather than a collapse.
    ExpectMatrixNear(Identity(), RotationAxis(D3DXVECTOR3(0, 0, 0), 1.0f), kTolerance);
}

TEST(D3DXMatrix, InverseUndoesTheMatrix)
{
    D3DXMATRIX scale, turn, move, projection;
    D3DXMatrixScaling(&scale, 2, 0.5f, 4);
    D3DXMatrixRotationYawPitchRoll(&turn, 0.4f, -1.1f, 2.0f);
    D3DXMatrixTranslation(&move, -3, 7, 12);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 3.0f, 4.0f / 3.0f, 1.0f, 1000.0f);
    const D3DXMATRIX cases[] = {
        Identity(),
        scale * turn * move,
        projection,
        D3DXMATRIX(2, 1, 0, 3, -1, 4, 2, 0, 0, 5, 1, -2, 1, 0, 3, 6),
    };
    for (const D3DXMATRIX& m : cases) {
        D3DXMATRIX inverse;
        float determinant = 0.0f;
        ASSERT_EQ(&inverse, D3DXMatrixInverse(&inverse, &determinant, &m));
        EXPECT_NEAR(D3DXMatrixDeterminant(&m), determinant, std::fabs(determinant) * kTolerance);
        ExpectMatrixNear(Identity(), m * inverse, 1e-4f);
        ExpectMatrixNear(Identity(), inverse * m, 1e-4f);

        D3DXMATRIX aliased = m;
        D3DXMatrixInverse(&aliased, nullptr, &aliased);
        ExpectMatrixNear(inverse, aliased, kTolerance);
    }
    float determinant = 0.0f;
    D3DXMatrixInverse(&scale, &determinant, &scale);
    EXPECT_FLOAT_EQ(4.0f, determinant);
    EXPECT_FLOAT_EQ(0.5f, scale._11);
}

TEST(D3DXMatrix, SingularMatrixHasNoInverse)
{
    D3DXMATRIX flatten;
    D3DXMatrixScaling(&flatten, 1, 0, 1);
    const D3DXMATRIX cases[] = {
        D3DXMATRIX(),
        flatten,
        D3DXMATRIX(1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 5, 0, 2, 1), // second row twice the first
    };
    for (const D3DXMATRIX& m : cases) {
        D3DXMATRIX out = Identity();
        float determinant = 1.0f;
        EXPECT_EQ(nullptr, D3DXMatrixInverse(&out, &determinant, &m));
        EXPECT_EQ(0.0f, determinant);
        EXPECT_EQ(Identity(), out);
    }
}

TEST(D3DXMatrix, CameraMapsNearAndFarPlanesToDepthZeroAndOne)
{
    struct Case {
        const char* name;
        bool rightHanded;
        D3DXVECTOR3 eye;
        D3DXVECTOR3 at;
        D3DXMATRIX projection;
    };
    const float zNear = 0.5f;
    const float zFar = 200.0f;
    D3DXMATRIX fovLH, fovRH, sizeLH, orthoLH, offCenterLH;
    D3DXMatrixPerspectiveFovLH(&fovLH, D3DX_PI / 4.0f, 1.5f, zNear, zFar);
    D3DXMatrixPerspectiveFovRH(&fovRH, D3DX_PI / 4.0f, 1.5f, zNear, zFar);
    D3DXMatrixPerspectiveLH(&sizeLH, 0.8f, 0.6f, zNear, zFar);
    D3DXMatrixOrthoLH(&orthoLH, 64.0f, 48.0f, zNear, zFar);
    D3DXMatrixOrthoOffCenterLH(&offCenterLH, -10.0f, 30.0f, -5.0f, 15.0f, zNear, zFar);
    const Case cases[] = {
        {"fov LH", false, D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 2, 7), fovLH},
        {"fov RH", true, D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 2, 7), fovRH},
        {"size LH", false, D3DXVECTOR3(-5, 10, 0), D3DXVECTOR3(-5, 0, 10), sizeLH},
        {"ortho LH", false, D3DXVECTOR3(0, 0, -50), D3DXVECTOR3(0, 0, 0), orthoLH},
        {"off-centre ortho LH", false, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), offCenterLH},
    };
    const D3DXVECTOR3 up(0, 1, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX view;
        if (c.rightHanded) {
            D3DXMatrixLookAtRH(&view, &c.eye, &c.at, &up);
        } else {
            D3DXMatrixLookAtLH(&view, &c.eye, &c.at, &up);
        }
        D3DXVECTOR3 forward = c.at - c.eye;
        D3DXVec3Normalize(&forward, &forward);
        const D3DXMATRIX viewProjection = view * c.projection;
        EXPECT_NEAR(0.0f, TransformPoint(c.eye + forward * zNear, viewProjection).z, kTolerance);
        EXPECT_NEAR(1.0f, TransformPoint(c.eye + forward * zFar, viewProjection).z, 1e-4f);
        // Halfway in view depth is well past halfway in a perspective's depth buffer.
        const float middle = TransformPoint(c.eye + forward * ((zNear + zFar) / 2.0f), viewProjection).z;
        EXPECT_GT(middle, 0.0f);
        EXPECT_LT(middle, 1.0f);
    }
}

TEST(D3DXMatrix, LookAtLHPutsTheTargetOnPositiveZAndUpOnPositiveY)
{
    const D3DXVECTOR3 eye(1, 2, 3), at(4, 2, 7), up(0, 1, 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    ExpectVectorNear(D3DXVECTOR3(0, 0, 0), TransformPoint(eye, view), kTolerance);
    ExpectVectorNear(D3DXVECTOR3(0, 0, 5), TransformPoint(at, view), kTolerance);
    ExpectVectorNear(D3DXVECTOR3(0, 1, 0), TransformPoint(eye + up, view), kTolerance);
    // Looking along (3,0,4) with y up, the right-hand side is (4,0,-3).
    ExpectVectorNear(D3DXVECTOR3(5, 0, 0), TransformPoint(eye + D3DXVECTOR3(4, 0, -3), view), kTolerance);

    D3DXMATRIX viewRH;
    D3DXMatrixLookAtRH(&viewRH, &eye, &at, &up);
    ExpectVectorNear(D3DXVECTOR3(0, 0, -5), TransformPoint(at, viewRH), kTolerance);

    // An on-axis point stays in the middle of the screen.
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2.0f, 1.0f, 1.0f, 100.0f);
    const D3DXVECTOR3 centre = TransformPoint(at, view * projection);
    EXPECT_NEAR(0.0f, centre.x, kTolerance);
    EXPECT_NEAR(0.0f, centre.y, kTolerance);
    // With a 90 degree field of view, a point as far up as it is ahead is on the top edge.
    const D3DXVECTOR3 top = TransformPoint(eye + D3DXVECTOR3(3, 5, 4), view * projection);
    EXPECT_NEAR(1.0f, top.y, kTolerance);
}

TEST(D3DXMatrix, ReflectMirrorsThroughThePlane)
{
    struct Case {
        D3DXPLANE plane;
        D3DXVECTOR3 point;
        D3DXVECTOR3 expected;
    };
    const Case cases[] = {
        {D3DXPLANE(0, 1, 0, -2), D3DXVECTOR3(3, 5, 1), D3DXVECTOR3(3, -1, 1)},
        {D3DXPLANE(0, 4, 0, -8), D3DXVECTOR3(3, 5, 1), D3DXVECTOR3(3, -1, 1)}, // not normalised
        {D3DXPLANE(1, -1, 0, 0), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0)},
        {D3DXPLANE(0, 0, 1, 0), D3DXVECTOR3(2, 3, -4), D3DXVECTOR3(2, 3, 4)},
    };
    for (const Case& c : cases) {
        D3DXMATRIX mirror;
        D3DXMatrixReflect(&mirror, &c.plane);
        ExpectVectorNear(c.expected, TransformPoint(c.point, mirror), kTolerance);
        ExpectMatrixNear(Identity(), mirror * mirror, kTolerance);
    }
}

TEST(D3DXPlane, FromPointNormalAndPoints)
{
    const D3DXVECTOR3 point(1, 2, 3), normal(0, 0, 2);
    D3DXPLANE plane;
    EXPECT_EQ(&plane, D3DXPlaneFromPointNormal(&plane, &point, &normal));
    EXPECT_EQ(D3DXPLANE(0, 0, 2, -6), plane);
    EXPECT_EQ(0.0f, D3DXPlaneDotCoord(&plane, &point));
    const D3DXVECTOR3 above(5, 5, 4);
    EXPECT_EQ(2.0f, D3DXPlaneDotCoord(&plane, &above));
    EXPECT_EQ(8.0f, D3DXPlaneDotNormal(&plane, &above));
    D3DXPlaneNormalize(&plane, &plane);
    EXPECT_EQ(D3DXPLANE(0, 0, 1, -3), plane);

    // Counter-clockwise seen from +y (in x-z) gives a normal up the y axis.
    const D3DXVECTOR3 a(0, 1, 0), b(0, 1, 1), c(1, 1, 0);
    D3DXPlaneFromPoints(&plane, &a, &b, &c);
    EXPECT_NEAR(1.0f, plane.b, kTolerance);
    EXPECT_NEAR(-1.0f, plane.d, kTolerance);

    D3DXPLANE zero(0, 0, 0, 5);
    D3DXPlaneNormalize(&zero, &zero);
    EXPECT_EQ(D3DXPLANE(0, 0, 0, 0), zero);
}

TEST(D3DXPlane, IntersectLine)
{
    const D3DXPLANE ground(0, 1, 0, 0);
    const D3DXVECTOR3 from(1, 4, 1), to(3, 2, 1);
    D3DXVECTOR3 hit;
    ASSERT_EQ(&hit, D3DXPlaneIntersectLine(&hit, &ground, &from, &to));
    // The whole line counts, not only the segment between the two points.
    ExpectVectorNear(D3DXVECTOR3(5, 0, 1), hit, kTolerance);

    const D3DXVECTOR3 along(7, 4, -2);
    EXPECT_EQ(nullptr, D3DXPlaneIntersectLine(&hit, &ground, &from, &along));
}

TEST(D3DXQuaternion, MatchesTheMatrixRotations)
{
    struct Case {
        D3DXVECTOR3 axis;
        float angle;
    };
    // Half turns exercise each branch of the matrix-to-quaternion conversion.
    const Case cases[] = {
        {D3DXVECTOR3(0, 1, 0), 0.0f},      {D3DXVECTOR3(0, 1, 0), 0.7f},
        {D3DXVECTOR3(1, 2, 3), -1.9f},     {D3DXVECTOR3(1, 0, 0), D3DX_PI},
        {D3DXVECTOR3(0, 1, 0), D3DX_PI},   {D3DXVECTOR3(0, 0, 1), D3DX_PI},
        {D3DXVECTOR3(1, 1, 0), 3.0f},      {D3DXVECTOR3(-2, 0.5f, 4), 2.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("angle " + std::to_string(c.angle));
        const D3DXQUATERNION q = QuaternionAxis(c.axis, c.angle);
        EXPECT_NEAR(1.0f, D3DXQuaternionLength(&q), kTolerance);
        const D3DXMATRIX m = MatrixOf(q);
        ExpectMatrixNear(RotationAxis(c.axis, c.angle), m, kTolerance);

        D3DXQUATERNION back;
        D3DXQuaternionRotationMatrix(&back, &m);
        ExpectSameRotation(q, back);
    }
    ExpectMatrixNear(Identity(), MatrixOf(QuaternionAxis(D3DXVECTOR3(0, 0, 0), 1.0f)), kTolerance);
}

TEST(D3DXQuaternion, MultiplyComposesInMatrixOrder)
{
    const D3DXQUATERNION first = QuaternionAxis(D3DXVECTOR3(0, 1, 0), kHalfPi);
    const D3DXQUATERNION second = QuaternionAxis(D3DXVECTOR3(1, 0, 0), kHalfPi);
    D3DXQUATERNION both;
    D3DXQuaternionMultiply(&both, &first, &second);
    ExpectMatrixNear(MatrixOf(first) * MatrixOf(second), MatrixOf(both), kTolerance);
    ExpectMatrixNear(MatrixOf(both), MatrixOf(first * second), kTolerance);

    D3DXQUATERNION aliased = first;
    D3DXQuaternionMultiply(&aliased, &aliased, &second);
    ExpectSameRotation(both, aliased);

    D3DXQUATERNION inverse;
    D3DXQuaternionInverse(&inverse, &both);
    ExpectMatrixNear(Identity(), MatrixOf(both * inverse), kTolerance);
    D3DXQUATERNION conjugate;
    D3DXQuaternionConjugate(&conjugate, &both);
    ExpectSameRotation(inverse, conjugate);

    const float yaw = 0.8f, pitch = -0.3f, roll = 1.2f;
    D3DXQUATERNION ypr;
    D3DXQuaternionRotationYawPitchRoll(&ypr, yaw, pitch, roll);
    D3DXMATRIX expected;
    D3DXMatrixRotationYawPitchRoll(&expected, yaw, pitch, roll);
    ExpectMatrixNear(expected, MatrixOf(ypr), kTolerance);
}

TEST(D3DXQuaternion, SlerpFollowsTheShorterArc)
{
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXQUATERNION identity;
    D3DXQuaternionIdentity(&identity);
    struct Case {
        D3DXQUATERNION from;
        D3DXQUATERNION to;
        float angle; // of the rotation from `from` to `to`
    };
    const Case cases[] = {
        {identity, QuaternionAxis(up, kHalfPi), kHalfPi},
        {QuaternionAxis(D3DXVECTOR3(1, 0, 1), 0.5f), QuaternionAxis(D3DXVECTOR3(0, 1, 1), 2.0f), 0.0f},
        // The same quarter turn written as -q: still a quarter turn away, not three.
        {identity, -QuaternionAxis(up, kHalfPi), kHalfPi},
        // Nearly equal: the linear fallback.
        {identity, QuaternionAxis(up, 1e-4f), 1e-4f},
    };
    for (const Case& c : cases) {
        const float total = c.angle > 0.0f ? c.angle : AngleBetween(c.from, c.to);
        D3DXQUATERNION out;
        ExpectSameRotation(c.from, *D3DXQuaternionSlerp(&out, &c.from, &c.to, 0.0f));
        ExpectSameRotation(c.to, *D3DXQuaternionSlerp(&out, &c.from, &c.to, 1.0f));
        D3DXQuaternionSlerp(&out, &c.from, &c.to, 0.5f);
        EXPECT_NEAR(1.0f, D3DXQuaternionLength(&out), kTolerance);
        EXPECT_NEAR(total / 2.0f, AngleBetween(c.from, out), 1e-3f);
        EXPECT_NEAR(total / 2.0f, AngleBetween(out, c.to), 1e-3f);
    }

    // A quarter turn expressed either way passes through the eighth turn.
    const D3DXQUATERNION negated = -QuaternionAxis(up, kHalfPi);
    D3DXQUATERNION middle = identity;
    D3DXQuaternionSlerp(&middle, &middle, &negated, 0.5f);
    ExpectSameRotation(QuaternionAxis(up, kHalfPi / 2.0f), middle);
}

TEST(D3DXColor, ConvertsToAndFromPackedArgb)
{
    const D3DXCOLOR c(D3DCOLOR_ARGB(0x80, 0xff, 0x40, 0x00));
    EXPECT_FLOAT_EQ(1.0f, c.r);
    EXPECT_FLOAT_EQ(0x40 / 255.0f, c.g);
    EXPECT_FLOAT_EQ(0.0f, c.b);
    EXPECT_FLOAT_EQ(0x80 / 255.0f, c.a);
    EXPECT_EQ(0x80ff4000u, static_cast<DWORD>(c));

    EXPECT_EQ(0xff102030u, D3DCOLOR_XRGB(0x10, 0x20, 0x30));
    EXPECT_EQ(0x40102030u, D3DCOLOR_RGBA(0x10, 0x20, 0x30, 0x40));

    // Out-of-range and NaN components clamp instead of wrapping.
    const D3DXCOLOR bright(2.0f, -1.0f, std::nanf(""), 0.5f);
    EXPECT_EQ(0x80ff0000u, static_cast<DWORD>(bright));

    const D3DCOLORVALUE value = {0.25f, 0.5f, 0.75f, 1.0f};
    const D3DXCOLOR fromValue(value);
    EXPECT_EQ(D3DXCOLOR(0.25f, 0.5f, 0.75f, 1.0f), fromValue);
    EXPECT_EQ(D3DXCOLOR(0.5f, 1.0f, 1.5f, 2.0f), fromValue * 2.0f);
    const D3DCOLORVALUE& asValue = fromValue;
    EXPECT_EQ(0.75f, asValue.b);
}
