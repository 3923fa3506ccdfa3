#include "Collision/CollisionObject.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/D3DX8Mesh.h"
#include "platform/d3dx8/D3DXTestDevice.h"
#include "platform/novodex/NxBoxShape.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

// Reads `script` as a collision file into a record whose radius starts at 9.
CCollisionObject LoadCollision(const std::string& script)
{
    TempDir dir;
    dir.Write("box.txt", script);
    CCollisionObject collision;
    collision.m_fRadius = 9.0f;
    collision.Load(dir.Path() + "/box.txt");
    return collision;
}

std::vector<const CCollisionBox*> Chain(const CCollisionObject& collision)
{
    std::vector<const CCollisionBox*> boxes;
    for (const CCollisionBox* box = collision.m_pRoot.get(); box != nullptr; box = box->m_pNext.get())
        boxes.push_back(box);
    return boxes;
}

D3DXMATRIX Identity()
{
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return identity;
}

} // namespace

TEST(CollisionFile, ReadsRadiusAndBoxChains)
{
    struct Case {
        const char* what;
        std::string script;
        float radius;
        // min.x and max.x of each box in chain order.
        std::vector<std::pair<float, float>> boxes;
    };
    const Case cases[] = {
        {"two boxes", "Radius 4.5\nStart\nBoxMin -1 0 -2\nBoxMax 1 1.5 2\nNext\nBoxMin -0.8 1.5 -1\n"
                      "BoxMax 0.8 2.2 1\nEndBox\n",
         4.5f, {{-1.0f, 1.0f}, {-0.8f, 0.8f}}},
        {"three boxes, one EndBox", "Radius: 2\nStart\nBoxMin -1 0 0\nBoxMax 1 0 0\nNext\nBoxMin -2 0 0\n"
                                    "BoxMax 2 0 0\nNext\nBoxMin -3 0 0\nBoxMax 3 0 0\nEndBox\n",
         2.0f, {{-1.0f, 1.0f}, {-2.0f, 2.0f}, {-3.0f, 3.0f}}},
        {"end of file closes every box", "radius 2\nstart\nboxmin -1 0 0\nnext\nboxmin -2 0 0\nnext\nboxmax 3 0 0",
         2.0f, {{-1.0f, 0.0f}, {-2.0f, 0.0f}, {0.0f, 3.0f}}},
        {"reading goes back to the box before", "Radius 1\nStart\nBoxMin -1 0 0\nNext\nBoxMin -2 0 0\nEndBox\n"
                                                "BoxMax 5 0 0\nEndBox\n",
         1.0f, {{-1.0f, 5.0f}, {-2.0f, 0.0f}}},
        {"Start then EndBox: one zero box", "Radius 3\nStart\nEndBox\nBoxMin 1 1 1\n", 3.0f, {{0.0f, 0.0f}}},
        {"Radius without Start: no boxes", "Radius 3\nBoxMin 1 1 1\n", 3.0f, {}},
        {"no Radius: nothing read", "Start\nBoxMin 1 1 1\n", 9.0f, {}},
        {"empty file", "", 9.0f, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CCollisionObject collision = LoadCollision(c.script);
        EXPECT_FLOAT_EQ(c.radius, collision.m_fRadius);
        EXPECT_FLOAT_EQ(0.0f, collision.m_fRadiusSq);
        const std::vector<const CCollisionBox*> boxes = Chain(collision);
        ASSERT_EQ(c.boxes.size(), boxes.size());
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_FLOAT_EQ(c.boxes[i].first, boxes[i]->m_vMin.x);
            EXPECT_FLOAT_EQ(c.boxes[i].second, boxes[i]->m_vMax.x);
            EXPECT_EQ(Identity(), boxes[i]->m_matGeo);
        }
    }
}

TEST(CollisionFile, ReadsGeoMatRowByRow)
{
    const CCollisionObject collision =
        LoadCollision("Radius 1\nStart\nGeoMat 1 0 0 0  0 1 0 0  0 0 1 0  4 5 6 1\nEndBox\n");
    ASSERT_NE(nullptr, collision.m_pRoot);
    EXPECT_FLOAT_EQ(4.0f, collision.m_pRoot->m_matGeo._41);
    EXPECT_FLOAT_EQ(6.0f, collision.m_pRoot->m_matGeo._43);
}

TEST(CollisionFile, UnknownKeywordsAndMissingFilesAreFatal)
{
    TempDir dir;
    dir.Write("box.txt", "Radius 1\nStart\nBoxMin 0 0 0\nBoxSize 1 1 1\nEndBox\n");
    CCollisionObject collision;
    EXPECT_FATAL(collision.Load(dir.Path() + "/box.txt"),
                 "Unknown keyword <BoxSize> in collision file: " + dir.Path() + "/box.txt");
    EXPECT_FATAL(collision.Load(dir.Path() + "/missing.txt"),
                 "Unable to initialize data buffer\nin " + dir.Path() + "/missing.txt");
}

TEST(CollisionBox, TreeRadiusBoundsEveryPlacedBox)
{
    CCollisionObject collision;
    collision.m_pRoot = std::make_unique<CCollisionBox>();
    collision.m_pRoot->m_vMin = D3DXVECTOR3(-1, -2, -2);
    collision.m_pRoot->m_vMax = D3DXVECTOR3(1, 2, 2);
    collision.ComputeRadius();
    EXPECT_FLOAT_EQ(3.0f, collision.m_fRadius);
    EXPECT_FLOAT_EQ(9.0f, collision.m_fRadiusSq);
    EXPECT_FLOAT_EQ(collision.m_fRadius, CCollisionBox::ComputeTreeRadius(collision.m_pRoot.get()));

    // A second unit box placed 10 along x stretches the bound to x in [-1, 10.5].
    collision.m_pRoot->m_pNext = std::make_unique<CCollisionBox>();
    CCollisionBox& second = *collision.m_pRoot->m_pNext;
    second.m_vMin = D3DXVECTOR3(-0.5f, -0.5f, -0.5f);
    second.m_vMax = D3DXVECTOR3(0.5f, 0.5f, 0.5f);
    D3DXMatrixTranslation(&second.m_matGeo, 10, 0, 0);
    const D3DXVECTOR3 diagonal(11.5f, 4.0f, 4.0f);
    EXPECT_FLOAT_EQ(0.5f * D3DXVec3Length(&diagonal), CCollisionBox::ComputeTreeRadius(collision.m_pRoot.get()));
    EXPECT_FLOAT_EQ(0.0f, CCollisionBox::ComputeTreeRadius(nullptr));

    float scale = 2.0f;
    collision.m_pfScale = &scale;
    EXPECT_FLOAT_EQ(6.0f, collision.GetScaledRadius());
}

TEST(CollisionBox, ShapeTakesScaledExtentsAndItsPoseFromGeoMat)
{
    CCollisionBox box;
    box.m_vMin = D3DXVECTOR3(-1, -1, -1);
    box.m_vMax = D3DXVECTOR3(1, 1, 1);
    const float scale = 2.0f;
    NxBoxShapeDesc desc;
    box.GetShapeDesc(&scale, desc);
    EXPECT_EQ(NxVec3(2, 2, 2), desc.dimensions);
    EXPECT_EQ(NxMat34(), desc.localPose);

    // A quarter turn about y, then 10 along x (row vectors: x goes to -z).
    box.m_vMin = D3DXVECTOR3(0, 0, 0);
    box.m_vMax = D3DXVECTOR3(2, 4, 6);
    D3DXMATRIX turn;
    D3DXMATRIX move;
    D3DXMatrixRotationY(&turn, D3DX_PI / 2);
    D3DXMatrixTranslation(&move, 10, 0, 0);
    D3DXMatrixMultiply(&box.m_matGeo, &turn, &move);
    box.GetShapeDesc(&scale, desc);

    EXPECT_EQ(NxVec3(2, 4, 6), desc.dimensions);
    // The centre (2, 4, 6) turned to (6, 4, -2), then moved by the scaled 20.
    EXPECT_NEAR(26.0f, desc.localPose.t.x, 1e-4f);
    EXPECT_NEAR(4.0f, desc.localPose.t.y, 1e-4f);
    EXPECT_NEAR(-2.0f, desc.localPose.t.z, 1e-4f);
    // The SDK's orientation takes column vectors: its x column is the image of x.
    const NxVec3 imageOfX = desc.localPose.M.getColumn(0);
    EXPECT_NEAR(0.0f, imageOfX.x, 1e-6f);
    EXPECT_NEAR(-1.0f, imageOfX.z, 1e-6f);
}

TEST(CollisionObject, CopiesOwnTheirChainAndSetBindsTheMatrices)
{
    CCollisionObject original;
    original.m_pRoot = std::make_unique<CCollisionBox>();
    original.m_pRoot->m_pNext = std::make_unique<CCollisionBox>();
    original.m_pRoot->m_pNext->m_vMax = D3DXVECTOR3(1, 1, 1);

    CCollisionObject copy(original);
    ASSERT_NE(nullptr, copy.m_pRoot);
    ASSERT_NE(nullptr, copy.m_pRoot->m_pNext);
    EXPECT_NE(original.m_pRoot.get(), copy.m_pRoot.get());
    EXPECT_EQ(D3DXVECTOR3(1, 1, 1), copy.m_pRoot->m_pNext->m_vMax);
    original.m_pRoot.reset();
    EXPECT_EQ(D3DXVECTOR3(1, 1, 1), copy.m_pRoot->m_pNext->m_vMax);

    D3DXMATRIX world = Identity();
    copy.m_fRadius = 2.0f;
    copy.Set(copy.m_fRadius, &world, 2, nullptr, 0, nullptr);
    EXPECT_EQ(&world, copy.m_pMatrix);
    EXPECT_EQ(&world, copy.m_pDrawMatrix);
    EXPECT_FLOAT_EQ(2.0f, copy.m_fRadius);
    EXPECT_EQ(2, copy.m_iKind);
    EXPECT_FALSE(CCollisionObject::AddBoxShapes(nullptr, 0, nullptr, nullptr));
}

TEST(CollisionObject, BuildFromMeshBoundsTheVerticesAndCreatesTheRoot)
{
    D3DXTestDevice device;
    ASSERT_TRUE(device.CreateStateOnly());
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, D3DFVF_XYZ, device.Get(), &mesh));
    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, mesh->LockVertexBuffer(0, &data));
    const float corners[9] = {-1.0f, 0.0f, 2.0f, 3.0f, -2.0f, 0.0f, 1.0f, 2.0f, -4.0f};
    std::memcpy(data, corners, sizeof(corners));
    mesh->UnlockVertexBuffer();

    CCollisionObject object;
    EXPECT_FALSE(object.BuildFromMesh(nullptr));
    ASSERT_TRUE(object.BuildFromMesh(mesh));
    ASSERT_NE(nullptr, object.m_pRoot);
    EXPECT_EQ(D3DXVECTOR3(-1.0f, -2.0f, -4.0f), object.m_pRoot->m_vMin);
    EXPECT_EQ(D3DXVECTOR3(3.0f, 2.0f, 2.0f), object.m_pRoot->m_vMax);
    EXPECT_FLOAT_EQ(0.5f * std::sqrt(16.0f + 16.0f + 36.0f), object.m_fRadius);
    EXPECT_FLOAT_EQ(object.m_fRadius * object.m_fRadius, object.m_fRadiusSq);
    EXPECT_EQ(nullptr, object.m_pRoot->m_pNext);
    mesh->Release();
}
