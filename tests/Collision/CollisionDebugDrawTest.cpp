#include "Collision/CollisionObject.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/ComplexObject.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/RenderStates.h"
#include "Display/Texture.h"
#include "Physics/CollidableObject.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxPhysics.h"
#include "support/MatrixExpect.h"

namespace {

const float POSE_TOLERANCE = 1e-4f;
const uint32_t RGB_MASK = 0x00FFFFFF;
const uint32_t BLACK = 0x000000;
// 24-byte vertices: the debug lines' 16-byte stride is too short for them.
const DWORD WIDER_FORMAT = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

D3DXMATRIX RotationY(float angle)
{
    D3DXMATRIX m;
    D3DXMatrixRotationY(&m, angle);
    return m;
}

CCollisionBox Box(const D3DXVECTOR3& low, const D3DXVECTOR3& high, const D3DXMATRIX& geo)
{
    CCollisionBox box;
    box.m_vMin = low;
    box.m_vMax = high;
    box.m_matGeo = geo;
    return box;
}

D3DXMATRIX WorldTransform()
{
    D3DXMATRIX world;
    EXPECT_EQ(D3D_OK, g_Display.GetD3DDevice()->GetTransform(D3DTS_WORLD, &world));
    return world;
}

class CollisionDebugLines : public DisplayFixture {
protected:
    void SetUp() override { CreateDisplay(); }
};

} // namespace

TEST_F(CollisionDebugLines, TheWorldIsGeoMatThenTheMatrix)
{
    const CCollisionBox box = Box({-1, -1, -1}, {1, 1, 1}, Translation(1, 0, 0));
    const D3DXMATRIX quarterTurn = RotationY(D3DX_PI / 2);

    CCollisionObject::DrawBox(box, 0xFFFFFFFF, nullptr);
    ExpectMatrixNear(Translation(1, 0, 0), WorldTransform(), POSE_TOLERANCE);

    // Placed in the object first, then turned with it: +x goes to -z.
    CCollisionObject::DrawBox(box, 0xFFFFFFFF, &quarterTurn);
    const D3DXMATRIX world = WorldTransform();
    EXPECT_NEAR(0.0f, world._41, POSE_TOLERANCE);
    EXPECT_NEAR(0.0f, world._42, POSE_TOLERANCE);
    EXPECT_NEAR(-1.0f, world._43, POSE_TOLERANCE);
    EXPECT_EQ(std::string::npos, Log().find("Error in"));
}

TEST_F(CollisionDebugLines, EveryFailedDrawIsLoggedAndDrawingGoesOn)
{
    ASSERT_EQ(D3D_OK, g_Display.GetD3DDevice()->SetVertexShader(WIDER_FORMAT));
    CCollisionObject::DrawBox(Box({0, 0, 0}, {1, 1, 1}, Translation(0, 2, 0)), 0xFFFFFFFF, nullptr);

    const std::string log = Log();
    for (const char* call : {"DrawPrimitiveUP(D3DPT_LINESTRIP, 4, (LPVOID)vTop",
                             "DrawPrimitiveUP(D3DPT_LINESTRIP, 4, (LPVOID)vBottom",
                             "DrawPrimitiveUP(D3DPT_LINELIST, 4, (LPVOID)vSides"}) {
        const size_t at = log.find(call);
        ASSERT_NE(std::string::npos, at) << call;
        const size_t lineStart = log.rfind('\n', at) + 1;
        const std::string line = log.substr(lineStart, log.find('\n', at) - lineStart);
        EXPECT_NE(std::string::npos, line.find("Error in .\\Collision\\CollisionObject #")) << line;
        EXPECT_NE(std::string::npos, line.find("hr=")) << line;
    }
    EXPECT_EQ(std::string::npos, log.find("SetTransform"));
    ExpectMatrixNear(Translation(0, 2, 0), WorldTransform(), POSE_TOLERANCE);
}

namespace {

const D3DCOLOR LINE_COLOUR = 0xFF20C040;
const D3DCOLOR WHITE_LINE = 0xFFFFFFFF;
// A projected edge lands within this many pixels of the ideal line.
const int PIXEL_SLACK = 1;

class GlCollisionDebugLines : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        if (HasFatalFailure())
            return;
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        const D3DXVECTOR3 eye(3.0f, 4.0f, -6.0f);
        const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        D3DXMatrixLookAtLH(&m_View, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&m_Projection, D3DX_PI / 4, 640.0f / 480.0f, 0.5f, 100.0f);
        ASSERT_TRUE(CStateBlocks::CreateAll());
        ASSERT_TRUE(CStateBlocks::ApplyLine());
        ASSERT_EQ(D3D_OK, device->SetTransform(D3DTS_VIEW, &m_View));
        ASSERT_EQ(D3D_OK, device->SetTransform(D3DTS_PROJECTION, &m_Projection));
    }

    void TearDown() override
    {
        CStateBlocks::DeleteAll();
        GlDisplayFixture::TearDown();
    }

    // Draws one frame with `draw` and keeps what it left in the back buffer.
    template <class Draw>
    void Frame(Draw draw)
    {
        ASSERT_TRUE(g_Display.BeginScene());
        draw();
        ASSERT_TRUE(g_Display.EndScene());
        m_Pixels = ReadBackBuffer(m_Width, m_Height);
        ASSERT_EQ(static_cast<size_t>(m_Width) * m_Height, m_Pixels.size());
    }

    // Where a world point lands on the 640 x 480 back buffer.
    std::pair<int, int> Project(const D3DXVECTOR3& point) const
    {
        D3DXMATRIX viewProjection;
        D3DXMatrixMultiply(&viewProjection, &m_View, &m_Projection);
        D3DXVECTOR3 clip;
        D3DXVec3TransformCoord(&clip, &point, &viewProjection);
        const float x = (clip.x + 1.0f) * 0.5f * static_cast<float>(m_Width);
        const float y = (1.0f - clip.y) * 0.5f * static_cast<float>(m_Height);
        return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))};
    }

    bool HasColourNear(const D3DXVECTOR3& point, uint32_t rgb) const
    {
        const auto [px, py] = Project(point);
        for (int y = py - PIXEL_SLACK; y <= py + PIXEL_SLACK; ++y)
            for (int x = px - PIXEL_SLACK; x <= px + PIXEL_SLACK; ++x)
                if (x >= 0 && y >= 0 && x < static_cast<int>(m_Width) && y < static_cast<int>(m_Height) &&
                    (m_Pixels[static_cast<size_t>(y) * m_Width + x] & RGB_MASK) == rgb)
                    return true;
        return false;
    }

    uint32_t PixelAt(const D3DXVECTOR3& point) const
    {
        const auto [x, y] = Project(point);
        return m_Pixels[static_cast<size_t>(y) * m_Width + x] & RGB_MASK;
    }

    // Each of the box's twelve edges, placed by `world`, shows `rgb` at a
    // quarter, half and three quarters of its length.
    void ExpectEdges(const CCollisionBox& box, const D3DXMATRIX& world, uint32_t rgb) const
    {
        const D3DXVECTOR3& lo = box.m_vMin;
        const D3DXVECTOR3& hi = box.m_vMax;
        std::vector<D3DXVECTOR3> corners;
        for (int corner = 0; corner < 8; ++corner)
            corners.emplace_back(corner & 1 ? hi.x : lo.x, corner & 2 ? hi.y : lo.y, corner & 4 ? hi.z : lo.z);
        int edges = 0;
        for (int a = 0; a < 8; ++a) {
            for (int axis = 1; axis < 8; axis <<= 1) {
                if (a & axis)
                    continue;
                ++edges;
                for (float along : {0.25f, 0.5f, 0.75f}) {
                    const D3DXVECTOR3 local = corners[a] + (corners[a | axis] - corners[a]) * along;
                    D3DXVECTOR3 placed;
                    D3DXVec3TransformCoord(&placed, &local, &world);
                    EXPECT_TRUE(HasColourNear(placed, rgb)) << "edge from corner " << a << " along " << axis
                                                            << " at " << along;
                }
            }
        }
        EXPECT_EQ(12, edges);
    }

    D3DXMATRIX m_View;
    D3DXMATRIX m_Projection;
    std::vector<uint32_t> m_Pixels;
    UINT m_Width = 0;
    UINT m_Height = 0;
};

} // namespace

TEST_F(GlCollisionDebugLines, DrawBoxPutsTheTwelveEdgesOnScreenInItsColour)
{
    const D3DXMATRIX geo = RotationY(0.3f) * Translation(0.2f, 0.0f, 0.0f);
    const D3DXMATRIX matrix = Translation(-0.4f, 0.1f, 0.3f);
    const CCollisionBox box = Box({-1.0f, -0.5f, -0.8f}, {1.0f, 0.7f, 0.6f}, geo);
    Frame([&] { CCollisionObject::DrawBox(box, LINE_COLOUR, &matrix); });

    ExpectEdges(box, geo * matrix, LINE_COLOUR & RGB_MASK);
    // Lines only: the box's middle and the screen's corner stay clear.
    const D3DXVECTOR3 centre(0.0f, 0.1f, -0.1f);
    D3DXVECTOR3 placedCentre;
    const D3DXMATRIX world = geo * matrix;
    D3DXVec3TransformCoord(&placedCentre, &centre, &world);
    EXPECT_EQ(BLACK, PixelAt(placedCentre));
    EXPECT_EQ(BLACK, m_Pixels[0] & RGB_MASK);
}

TEST_F(GlCollisionDebugLines, DebugDrawShowsTheChainInWhiteWithTheDrawMatrix)
{
    CCollisionObject collision;
    collision.m_pRoot = std::make_unique<CCollisionBox>(Box({-1, -1, -1}, {0, 0, 0}, Translation(0, 0, 0)));
    collision.m_pRoot->m_pNext = std::make_unique<CCollisionBox>(Box({0, 0, 0}, {1, 1, 1}, Translation(0, 0.5f, 0)));
    D3DXMATRIX matrix = Translation(0, 0, 0);
    D3DXMATRIX drawMatrix = Translation(0.5f, 0, 0);
    collision.Set(collision.m_fRadius, &matrix, 0, nullptr, 0, &drawMatrix);
    Frame([&] { collision.DebugDraw(); });

    ExpectEdges(*collision.m_pRoot, collision.m_pRoot->m_matGeo * drawMatrix, WHITE_LINE & RGB_MASK);
    const CCollisionBox& second = *collision.m_pRoot->m_pNext;
    ExpectEdges(second, second.m_matGeo * drawMatrix, WHITE_LINE & RGB_MASK);
}

namespace {

// A state-only display, so that drawing leaves its last world transform behind.
class PhysicsDebugShapes : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        ASSERT_TRUE(g_Physics.Init());
        g_Physics.CreateBoxActor(false, &m_pActor);
        ASSERT_NE(nullptr, m_pActor);
        AddShapes();
    }
    void TearDown() override
    {
        g_Physics.ReleaseActor(false, &m_pActor);
        g_Physics.Shutdown();
        DisplayFixture::TearDown();
    }

    // Turned a quarter about y (x goes to -z) and moved to (10, 1, 0): the
    // unit box it was made with, a box centred at (2, 1, 1) in the actor, a
    // sphere and a capsule, in that order.
    void AddShapes()
    {
        NxMat34 pose;
        pose.M = NxMat33(NxVec3(0, 0, -1), NxVec3(0, 1, 0), NxVec3(1, 0, 0));
        pose.t = NxVec3(10, 1, 0);
        m_pActor->setGlobalPose(pose);
        const CCollisionBox offset = Box({1, 0, 0}, {3, 2, 2}, Translation(0, 0, 0));
        ASSERT_TRUE(CCollisionObject::AddBoxShapes(m_pActor, 0, &offset, nullptr));
        NxSphereShapeDesc ball;
        ball.radius = 0.7f;
        m_pActor->createShape(ball);
        NxCapsuleShapeDesc tyre;
        tyre.radius = 0.5f;
        tyre.height = 2.0f;
        m_pActor->createShape(tyre);
        ASSERT_EQ(4u, m_pActor->getNbShapes());
    }

    D3DXMATRIX ShapePose(NxU32 index) const { return ToD3DXMatrix(m_pActor->getShapes()[index]->getGlobalPose()); }

    NxActor* m_pActor = nullptr;
};

} // namespace

TEST_F(PhysicsDebugShapes, BoxAndCapsuleShapesBecomeWireBoxesAtTheirGlobalPoses)
{
    const std::vector<CShapeWireBox> all = GetActorWireBoxes(m_pActor, false);
    ASSERT_EQ(3u, all.size());
    const NxU32 drawn[] = {0, 1, 3};
    const D3DXVECTOR3 halfExtents[] = {{0.5f, 0.5f, 0.5f}, {1, 1, 1}, {0.5f, 1.5f, 0.5f}};
    for (size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(i);
        ExpectMatrixNear(ShapePose(drawn[i]), all[i].m_matWorld, POSE_TOLERANCE);
        EXPECT_NEAR(halfExtents[i].y, all[i].m_Box.m_vMax.y, POSE_TOLERANCE);
        EXPECT_NEAR(-halfExtents[i].x, all[i].m_Box.m_vMin.x, POSE_TOLERANCE);
        ExpectMatrixNear(Translation(0, 0, 0), all[i].m_Box.m_matGeo, POSE_TOLERANCE);
    }
    // The offset box's centre turned with the actor: (2, 1, 1) -> (1, 1, -2), then moved.
    EXPECT_NEAR(11.0f, all[1].m_matWorld._41, POSE_TOLERANCE);
    EXPECT_NEAR(2.0f, all[1].m_matWorld._42, POSE_TOLERANCE);
    EXPECT_NEAR(-2.0f, all[1].m_matWorld._43, POSE_TOLERANCE);

    const std::vector<CShapeWireBox> boxes = GetActorWireBoxes(m_pActor, true);
    ASSERT_EQ(2u, boxes.size());
    ExpectMatrixNear(ShapePose(1), boxes[1].m_matWorld, POSE_TOLERANCE);
    EXPECT_TRUE(GetActorWireBoxes(nullptr, false).empty());
}

TEST_F(PhysicsDebugShapes, EachDrawEndsAtItsLastShapesPose)
{
    DebugDrawActorShapes(m_pActor);
    ExpectMatrixNear(ShapePose(3), WorldTransform(), POSE_TOLERANCE);

    CCollidableObject collidable;
    collidable.m_PhysicsObject.m_pActor = m_pActor;
    collidable.DebugDrawBoxShapes();
    ExpectMatrixNear(ShapePose(1), WorldTransform(), POSE_TOLERANCE);
    // The actor stays the fixture's.
    collidable.m_PhysicsObject.m_pActor = nullptr;

    const D3DXMATRIX before = WorldTransform();
    DebugDrawActorShapes(nullptr);
    collidable.DebugDrawBoxShapes();
    ExpectMatrixNear(before, WorldTransform(), POSE_TOLERANCE);
    EXPECT_EQ(std::string::npos, Log().find("Error in"));
}

namespace {

// The physics overlay on the real device, with the game's debug sphere.
class GlPhysicsDebugShapes : public GlCollisionDebugLines {
protected:
    void SetUp() override
    {
        GlCollisionDebugLines::SetUp();
        if (HasFatalFailure())
            return;
        {
            ScopedWorkingDir inGame(KELM_GAME_DIR);
            LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
            LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
            LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
            LoadAssetsFromScript<CComplexObject>("Scripts\\ComplexObjects.txt");
        }
        CComplexObject* sphere = nullptr;
        g_AssetManager.GetAsset("Sphere", sphere, true);
        g_Sphere = *sphere;
        g_Sphere.BindWorldMatrix();
        ASSERT_TRUE(g_Physics.Init());
        g_Physics.CreateBoxActor(false, &m_pActor);
        ASSERT_NE(nullptr, m_pActor);
    }
    void TearDown() override
    {
        g_Physics.ReleaseActor(false, &m_pActor);
        g_Physics.Shutdown();
        g_Sphere = CComplexObject();
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        GlCollisionDebugLines::TearDown();
    }

    // The point `distance` from `centre` towards the right of the screen.
    D3DXVECTOR3 RightOf(const D3DXVECTOR3& centre, float distance) const
    {
        const D3DXVECTOR3 right(m_View._11, m_View._21, m_View._31);
        return centre + right * distance;
    }

    NxActor* m_pActor = nullptr;
};

} // namespace

TEST_F(GlPhysicsDebugShapes, SpheresShowTheDebugSphereScaledToTheirRadiusAndBoxesAfterThemStillDraw)
{
    // The unit box the actor was made with, then a sphere and a box beside it.
    const float radius = 0.6f;
    const D3DXVECTOR3 centre(-1.5f, 0.5f, 0.0f);
    NxSphereShapeDesc ball;
    ball.radius = radius;
    ball.localPose.t = NxVec3(centre.x, centre.y, centre.z);
    m_pActor->createShape(ball);
    const CCollisionBox beside = Box({1.2f, -0.5f, -0.5f}, {2.2f, 0.5f, 0.5f}, Translation(0, 0, 0));
    ASSERT_TRUE(CCollisionObject::AddBoxShapes(m_pActor, 0, &beside, nullptr));
    Frame([&] { DebugDrawActorShapes(m_pActor); });

    // Inside the sphere's outline; just outside it, where a sphere of radius
    // one would still cover.
    EXPECT_NE(BLACK, PixelAt(centre));
    EXPECT_NE(BLACK, PixelAt(RightOf(centre, 0.8f * radius)));
    EXPECT_NE(BLACK, PixelAt(RightOf(centre, -0.8f * radius)));
    EXPECT_EQ(BLACK, PixelAt(RightOf(centre, 1.25f * radius)));
    EXPECT_EQ(BLACK, PixelAt(RightOf(centre, -1.25f * radius)));
    const std::vector<CShapeWireBox> boxes = GetActorWireBoxes(m_pActor, false);
    ASSERT_EQ(2u, boxes.size());
    for (const CShapeWireBox& box : boxes)
        ExpectEdges(box.m_Box, box.m_matWorld, WHITE_LINE & RGB_MASK);
    EXPECT_EQ(std::string::npos, Log().find("Error in"));
}
