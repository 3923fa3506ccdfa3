#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/SafeRelease.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/Texture.h"
#include "Level/WaterGrid.h"
#include "Level/WaterPlane.h"
#include "Physics/Physics.h"
#include "platform/d3dx8/D3DX8Texture.h"
#include "platform/d3dx8/XMeshText.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FatalTrap.h"
#include "support/SteadyFrames.h"

namespace {

const float UV_TOLERANCE = 1e-6f;
const uint32_t GRID_SIDE = 64;

// Keeps the damage records it is handed.
class Swimmer : public CCollidableObject {
public:
    bool TakeDamage(const CDamageInfo& damage, NxContactPair*) override
    {
        m_Received.push_back(damage);
        return true;
    }
    std::vector<CDamageInfo> m_Received;
};

class WaterFixture : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        m_Dir.Write("Assets/Meshes/cube.x", XFileText(MeshText(CubeMesh())));
        m_Dir.Write("Scripts/Meshes.txt", "Mesh Water\nAsset_Type Game\nSrc Assets\\Meshes\\cube.x\n");
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    CWaterPlane* LoadPlane(const std::string& properties)
    {
        m_Dir.Write("Scripts/WaterPlanes.txt", "WaterPlane Pond\n" + properties);
        LoadAssetsFromScript<CWaterPlane>("Scripts\\WaterPlanes.txt");
        CWaterPlane* plane = nullptr;
        g_AssetManager.GetAsset("Pond", plane, true);
        return plane;
    }
};

class CWaterPlaneTest : public WaterFixture {};

TEST_F(CWaterPlaneTest, APlaneIsItsMeshFourteenTimesWiderAtItsPosition)
{
    CWaterPlane* plane = LoadPlane("Model Water\nPos 430 -1.5 240\n");
    EXPECT_TRUE(plane->IsReady());
    CDisplayMesh* mesh = nullptr;
    g_AssetManager.GetAsset("Water", mesh, true);
    EXPECT_EQ(mesh, plane->GetMesh());
    const D3DXMATRIX& world = plane->GetWorldMatrix();
    EXPECT_FLOAT_EQ(14.0f, world._11);
    EXPECT_FLOAT_EQ(1.0f, world._22);
    EXPECT_FLOAT_EQ(14.0f, world._33);
    EXPECT_EQ(D3DXVECTOR3(430.0f, -1.5f, 240.0f), plane->GetPosition());

    plane->Render();
    D3DXMATRIX drawn;
    g_Display.GetD3DDevice()->GetTransform(D3DTS_WORLD, &drawn);
    EXPECT_EQ(world, drawn);
}

TEST_F(CWaterPlaneTest, AMissingModelIsFatalAndNoModelDrawsNothing)
{
    EXPECT_FATAL(LoadPlane("Model Lake\n"),
                 "Unable to find asset \"Lake\" of type <CDisplayMesh>\nin Scripts\\WaterPlanes.txt");
    g_AssetManager.Clear();

    CWaterPlane* plane = LoadPlane("Pos 1 2 3\n");
    D3DXMATRIX before;
    D3DXMatrixTranslation(&before, 9.0f, 9.0f, 9.0f);
    g_Display.GetD3DDevice()->SetTransform(D3DTS_WORLD, &before);
    plane->Render();
    D3DXMATRIX after;
    g_Display.GetD3DDevice()->GetTransform(D3DTS_WORLD, &after);
    EXPECT_EQ(before, after);
}

TEST_F(CWaterPlaneTest, AContactTellsTheOtherObjectItIsInWater)
{
    CWaterPlane* plane = LoadPlane("Model Water\nPos 0 -2.5 0\n");
    Swimmer swimmer;
    EXPECT_TRUE(plane->OnContact(&swimmer, nullptr));
    ASSERT_EQ(1u, swimmer.m_Received.size());
    EXPECT_EQ(plane, swimmer.m_Received[0].m_pSource);
    EXPECT_TRUE(swimmer.m_Received[0].m_bWater);
    EXPECT_FLOAT_EQ(-2.5f, swimmer.m_Received[0].m_fWaterLevel);
    EXPECT_FLOAT_EQ(0.0f, swimmer.m_Received[0].m_fDamage);
    EXPECT_TRUE(plane->OnContact(nullptr, nullptr));
}

class PhysicsWaterPlane : public WaterFixture {
protected:
    void SetUp() override
    {
        WaterFixture::SetUp();
        ASSERT_TRUE(g_Physics.Init());
        SetSteadyFrameTime(16);
    }
    void TearDown() override
    {
        g_AssetManager.Clear();
        g_Physics.Shutdown();
        g_FrameTimer = CFrameTimer();
        WaterFixture::TearDown();
    }
};

TEST_F(PhysicsWaterPlane, ABoxFallsThroughTheWaterAndHearsOfItWhileTouching)
{
    CWaterPlane water = *LoadPlane("Model Water\nPos 5 -1.5 -5\n");
    water.CreatePhysics();
    NxActor* actor = water.m_PhysicsObject.m_pActor;
    ASSERT_NE(nullptr, actor);
    EXPECT_EQ(CCollidableObject::KIND_WATER, water.m_u8Kind);
    EXPECT_TRUE(actor->readActorFlag(NX_AF_DISABLE_RESPONSE));
    ASSERT_EQ(1u, actor->getNbShapes());
    NxBoxShape* box = actor->getShapes()[0]->isBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(NxVec3(175.0f, 30.0f, 175.0f), box->getDimensions());
    EXPECT_EQ(NxVec3(5.0f, -31.5f, -5.0f), box->getGlobalPosition());
    EXPECT_EQ(CWaterPlane::WATER_GROUP, box->getGroup());
    EXPECT_EQ(&water.m_pSelf, actor->userData);
    EXPECT_EQ(&water.GetWorldMatrix(), water.m_CollisionObject.m_pMatrix);

    // Rays pass through water.
    NxRaycastHit hit;
    EXPECT_EQ(nullptr, g_Physics.GetScene()->raycastClosestShape(NxRay(NxVec3(0, 10, 0), NxVec3(0, -1, 0)),
                                                                  NX_ALL_SHAPES, hit, 0x7fff));

    Swimmer swimmer;
    g_Physics.CreateBoxActor(true, &swimmer.m_PhysicsObject.m_pActor);
    ASSERT_NE(nullptr, swimmer.m_PhysicsObject.m_pActor);
    swimmer.m_PhysicsObject.m_pActor->setGlobalPosition(NxVec3(0.0f, 2.0f, 0.0f));
    swimmer.LinkPhysicsActor();
    size_t recordsWhileAbove = 0;
    for (int frame = 0; frame < 120; ++frame) {
        g_Physics.Update();
        if (swimmer.m_PhysicsObject.m_pActor->getGlobalPosition().y > -1.0f + 0.5f)
            recordsWhileAbove = swimmer.m_Received.size();
    }
    EXPECT_EQ(0u, recordsWhileAbove);
    EXPECT_LT(swimmer.m_PhysicsObject.m_pActor->getGlobalPosition().y, -10.0f);
    ASSERT_GT(swimmer.m_Received.size(), 10u);
    for (const CDamageInfo& record : swimmer.m_Received) {
        EXPECT_EQ(&water, record.m_pSource);
        EXPECT_TRUE(record.m_bWater);
        EXPECT_FLOAT_EQ(-1.5f, record.m_fWaterLevel);
    }
}

// --- The water grid.

class CWaterGridTest : public ::testing::Test {
protected:
    void SetUp() override { m_Grid.Build(); }
    void TearDown() override { g_FrameTimer = CFrameTimer(); }

    static float Rest(uint32_t index) { return float(index) / float(GRID_SIDE - 1); }

    CWaterGrid m_Grid;
};

TEST_F(CWaterGridTest, TheGridSpansTheScreenAndTheTexture)
{
    EXPECT_EQ(64u, m_Grid.GetColumns());
    EXPECT_EQ(64u, m_Grid.GetRows());
    EXPECT_EQ(4096u, m_Grid.GetVertexCount());
    EXPECT_EQ(7938u, m_Grid.GetTriangleCount());
    EXPECT_EQ(23814u, m_Grid.GetIndexCount());
    ASSERT_EQ(4096u, m_Grid.GetVertices().size());
    ASSERT_EQ(23814u, m_Grid.GetIndices().size());
    EXPECT_FLOAT_EQ(0.0f, m_Grid.GetPhaseTime());

    struct Corner {
        uint32_t vertex;
        float x, y, u, v;
    };
    for (const Corner& corner : {Corner{0, -1, 1, 0, 0}, Corner{63, 1, 1, 1, 0}, Corner{4032, -1, -1, 0, 1},
                                 Corner{4095, 1, -1, 1, 1}}) {
        const CWaterGrid::Vertex& vertex = m_Grid.GetVertices()[corner.vertex];
        EXPECT_FLOAT_EQ(corner.x, vertex.x) << corner.vertex;
        EXPECT_FLOAT_EQ(corner.y, vertex.y) << corner.vertex;
        EXPECT_FLOAT_EQ(0.0f, vertex.z);
        EXPECT_FLOAT_EQ(corner.u, vertex.u) << corner.vertex;
        EXPECT_FLOAT_EQ(corner.v, vertex.v) << corner.vertex;
        EXPECT_EQ(CWaterGrid::DIFFUSE, vertex.diffuse);
    }
    const std::vector<uint16_t>& indices = m_Grid.GetIndices();
    EXPECT_EQ((std::vector<uint16_t>{0, 1, 65, 0, 65, 64}), std::vector<uint16_t>(indices.begin(), indices.begin() + 6));
    EXPECT_EQ((std::vector<uint16_t>{4030, 4031, 4095, 4030, 4095, 4094}),
              std::vector<uint16_t>(indices.end() - 6, indices.end()));
}

TEST_F(CWaterGridTest, TheRippleCycleKicksEasesAndStartsAgain)
{
    SetSteadyFrameTime(125);
    ASSERT_FLOAT_EQ(0.125f, g_FrameTimer.GetFrameTime());
    g_RandomTable.Fill(1234);
    CRandomTable draws = g_RandomTable;
    auto draw = [&draws](float range) { return draws.Next() / 32767.0f * range - range * 0.5f; };

    // Frame 1: a kick of up to 0.05 x the frame time, then straight to the easing half.
    std::vector<CWaterGrid::Vertex> expected = m_Grid.GetVertices();
    for (CWaterGrid::Vertex& vertex : expected) {
        vertex.u += 0.125f * draw(0.1f);
        vertex.v += 0.125f * draw(0.1f);
    }
    m_Grid.UpdateRipples();
    EXPECT_FLOAT_EQ(0.5f, m_Grid.GetPhaseTime());
    EXPECT_FALSE(m_Grid.IsEasing());
    for (uint32_t k : {0u, 1u, 2000u, 4095u}) {
        EXPECT_NEAR(expected[k].u, m_Grid.GetVertices()[k].u, UV_TOLERANCE) << k;
        EXPECT_NEAR(expected[k].v, m_Grid.GetVertices()[k].v, UV_TOLERANCE) << k;
    }

    // Frame 2 sets the targets: back to rest plus a jitter of at most 0.006.
    const std::vector<CWaterGrid::Vertex> kicked = m_Grid.GetVertices();
    m_Grid.UpdateRipples();
    EXPECT_TRUE(m_Grid.IsEasing());
    const std::vector<CWaterGrid::RippleTarget> targets = m_Grid.GetRippleTargets();
    for (uint32_t k = 0; k < 4096; ++k) {
        const float du = Rest(k % GRID_SIDE) + draw(0.012f) - kicked[k].u;
        const float dv = Rest(k / GRID_SIDE) + draw(0.012f) - kicked[k].v;
        ASSERT_NEAR(du, targets[k].du, UV_TOLERANCE) << k;
        ASSERT_NEAR(dv, targets[k].dv, UV_TOLERANCE) << k;
    }
    // Frames 2 to 4 each move a quarter of the way.
    for (int frame = 2; frame <= 4; ++frame) {
        if (frame > 2)
            m_Grid.UpdateRipples();
        const float share = 0.25f * float(frame - 1);
        for (uint32_t k : {0u, 77u, 4095u}) {
            EXPECT_NEAR(kicked[k].u + share * targets[k].du, m_Grid.GetVertices()[k].u, UV_TOLERANCE) << frame;
            EXPECT_NEAR(kicked[k].v + share * targets[k].dv, m_Grid.GetVertices()[k].v, UV_TOLERANCE) << frame;
        }
    }
    EXPECT_FLOAT_EQ(0.875f, m_Grid.GetPhaseTime());

    // Frame 5 ends the cycle and moves nothing; frame 6 kicks again.
    const std::vector<CWaterGrid::Vertex> eased = m_Grid.GetVertices();
    m_Grid.UpdateRipples();
    EXPECT_FLOAT_EQ(0.0f, m_Grid.GetPhaseTime());
    EXPECT_EQ(eased[100].u, m_Grid.GetVertices()[100].u);
    m_Grid.UpdateRipples();
    EXPECT_FLOAT_EQ(0.5f, m_Grid.GetPhaseTime());
    EXPECT_FALSE(m_Grid.IsEasing());
    EXPECT_NE(eased[100].u, m_Grid.GetVertices()[100].u);
}

// --- Drawn.

class GlWaterGridTest : public GlDisplayFixture {};

TEST_F(GlWaterGridTest, TheGridCoversTheWholeBackBufferWithTheReflection)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    // The reflection target as the display makes it after a reset.
    ASSERT_EQ(nullptr, g_RenderReflection);
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device, 256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                        D3DPOOL_DEFAULT, &g_RenderReflection));
    ClearTargetTexture(device, g_RenderReflection, 0xFFFFFFFF);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    CWaterGrid grid;
    grid.Build();
    D3DXMATRIX view;
    D3DXMatrixTranslation(&view, 3.0f, 4.0f, 5.0f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->BeginScene();
    grid.Render();
    device->EndScene();

    // White reflection times the grid's colour, everywhere.
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> pixels = ReadBackBuffer(width, height);
    ASSERT_EQ(640u, width);
    ASSERT_EQ(480u, height);
    const uint32_t expected = pixels[0] & 0xFFFFFF;
    EXPECT_NEAR(0x7F, int(expected >> 16), 1) << std::hex << expected;
    EXPECT_NEAR(0x7F, int((expected >> 8) & 0xFF), 1) << std::hex << expected;
    EXPECT_EQ(0xFFu, expected & 0xFF) << std::hex << expected;
    size_t uncovered = 0;
    for (uint32_t pixel : pixels)
        uncovered += (pixel & 0xFFFFFF) != expected;
    EXPECT_EQ(0u, uncovered);
    for (size_t corner : {size_t(0), size_t(width - 1), size_t(width) * (height - 1), pixels.size() - 1})
        EXPECT_EQ(expected, pixels[corner] & 0xFFFFFF) << corner;

    D3DXMATRIX restored;
    device->GetTransform(D3DTS_VIEW, &restored);
    EXPECT_EQ(view, restored);
    ReleaseAndClear(g_RenderReflection);
}

// A fine checker for the reflection, so that a ripple moves the pixels; the
// grid drawn from its buffers then shows what the same grid drawn from memory
// shows, after the ripples moved and after a display reset.
TEST_F(GlWaterGridTest, TheBuffersDrawWhatMemoryDrawsAsTheRipplesMove)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    const UINT side = 256;
    IDirect3DTexture8* checker = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device, side, side, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &checker));
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(D3D_OK, checker->LockRect(0, &locked, nullptr, 0));
    for (UINT y = 0; y < side; ++y)
        for (UINT x = 0; x < side; ++x)
            static_cast<uint32_t*>(locked.pBits)[y * locked.Pitch / 4 + x] =
                ((x / 2 + y / 2) % 2) != 0 ? 0xFFFFFFFF : 0xFF000000;
    checker->UnlockRect(0);
    RegisterWaterGridDeviceHooks();
    g_WaterGrid.Build();
    ASSERT_TRUE(g_WaterGrid.HasBuffers());

    UINT width = 0;
    UINT height = 0;
    // From the buffers, then from memory with the buffers gone; the checker
    // stands in for the reflection the display keeps.
    const auto drawBothWays = [&]() {
        IDirect3DTexture8* reflection = g_RenderReflection;
        g_RenderReflection = checker;
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        std::vector<std::vector<uint32_t>> both;
        both.push_back(DrawScene(0xFF000000, width, height, [] { g_WaterGrid.Render(); }));
        g_WaterGrid.InvalidateDeviceObjects();
        both.push_back(DrawScene(0xFF000000, width, height, [] { g_WaterGrid.Render(); }));
        g_WaterGrid.RestoreDeviceObjects();
        g_RenderReflection = reflection;
        return both;
    };
    const std::vector<std::vector<uint32_t>> still = drawBothWays();
    EXPECT_TRUE(still[0] == still[1]);

    SetSteadyFrameTime(400);
    g_WaterGrid.UpdateRipples();
    drawBothWays();
    g_WaterGrid.UpdateRipples();
    const std::vector<std::vector<uint32_t>> rippled = drawBothWays();
    EXPECT_FALSE(rippled[1] == still[1]) << "the ripples moved the reflection";
    EXPECT_TRUE(rippled[0] == rippled[1]);

    ASSERT_TRUE(g_Display.Reset());
    ASSERT_TRUE(g_WaterGrid.HasBuffers());
    const std::vector<std::vector<uint32_t>> reset = drawBothWays();
    EXPECT_TRUE(reset[0] == rippled[1]);
    checker->Release();
}

// Drawn between two screen heights, the grid covers that band as the whole
// grid does and leaves the screen beyond the rows that reach into it alone;
// an empty band draws nothing.
TEST_F(GlWaterGridTest, ABandDrawsOnlyTheRowsThatReachIntoIt)
{
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device, 256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                        D3DPOOL_DEFAULT, &g_RenderReflection));
    ClearTargetTexture(device, g_RenderReflection, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    CWaterGrid grid;
    grid.Build();
    const float low = -0.2f;
    const float high = 0.3f;
    // A grid row is 2 / 63 high; the band may take in two more either side.
    const float reach = 4.0f / 63.0f;
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> whole = DrawScene(0xFF000000, width, height, [&] { grid.Render(); });
    const std::vector<uint32_t> band = DrawScene(0xFF000000, width, height, [&] { grid.Render(low, high); });
    const std::vector<uint32_t> empty = DrawScene(0xFF000000, width, height, [&] { grid.Render(high, low); });
    ASSERT_EQ(size_t(width) * height, band.size());
    size_t inBandDiffering = 0;
    size_t beyondDrawn = 0;
    for (UINT row = 0; row < height; ++row) {
        const float y = 1.0f - 2.0f * (row + 0.5f) / float(height);
        for (UINT column = 0; column < width; ++column) {
            const size_t pixel = size_t(row) * width + column;
            if (y >= low && y <= high)
                inBandDiffering += band[pixel] != whole[pixel];
            if (y > high + reach || y < low - reach)
                beyondDrawn += (band[pixel] & 0xFFFFFF) != 0;
        }
    }
    EXPECT_EQ(0u, inBandDiffering);
    EXPECT_EQ(0u, beyondDrawn);
    EXPECT_TRUE(std::all_of(empty.begin(), empty.end(), [](uint32_t pixel) { return (pixel & 0xFFFFFF) == 0; }));
    ReleaseAndClear(g_RenderReflection);
}

} // namespace
