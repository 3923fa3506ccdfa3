#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/Occ_HOM.h"
#include "Display/RenderQueue.h"
#include "Effects/Effect.h"
#include "Effects/ParticleSystem.h"
#include "platform/d3dx8/XMeshText.h"

namespace {

const char* const MESH_FILE = "Assets/Meshes/cube.x";

D3DXMATRIX Translation(float x, float y, float z)
{
    D3DXMATRIX matrix;
    D3DXMatrixTranslation(&matrix, x, y, z);
    return matrix;
}

// A copy of the object, mesh and all, at another place.
CDisplayObject3D PlacedAt(float x, float y, float z, const CDisplayObject3D& like = CDisplayObject3D())
{
    CDisplayObject3D object = like;
    object.SetWorldMatrix(Translation(x, y, z));
    return object;
}

// Keeps what the queue draws, in order, and draws the batches as the queue does.
class CRecordingQueue : public CRenderQueue {
public:
    struct Drawn {
        const void* thing;
        D3DXMATRIX world;
    };

    std::vector<Drawn> m_Drawn;
    int m_iBinds = 0;

protected:
    void BindMeshBuffers(IDirect3DDevice8& device, IDirect3DVertexBuffer8* vertices,
                         IDirect3DIndexBuffer8* indices) override
    {
        ++m_iBinds;
        CRenderQueue::BindMeshBuffers(device, vertices, indices);
    }
    void DrawBatchObject(IDirect3DDevice8& device, const CDisplayObject3D& object) override
    {
        m_Drawn.push_back({&object, object.GetWorldMatrix()});
        CRenderQueue::DrawBatchObject(device, object);
    }
    void RenderObject(const CDisplayObject3D& object) override
    {
        m_Drawn.push_back({&object, object.GetWorldMatrix()});
    }
    void RenderParticleSystem(const CParticleEmitter& system) override { m_Drawn.push_back({&system, {}}); }
    void DrawSprite(const C3DSprite& sprite) override { m_Drawn.push_back({&sprite, {}}); }
};

std::vector<const void*> DrawnThings(const CRecordingQueue& queue)
{
    std::vector<const void*> things;
    for (const CRecordingQueue::Drawn& drawn : queue.m_Drawn)
        things.push_back(drawn.thing);
    return things;
}

class RenderQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_GameCamera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        m_pSavedActive = g_pActiveCamera;
    }
    void TearDown() override { g_pActiveCamera = m_pSavedActive; }

    CCamera* m_pSavedActive = nullptr;
    CRecordingQueue m_Queue;
};

TEST_F(RenderQueueTest, EachAddFillsItsListAndClearEmptiesAll)
{
    EXPECT_EQ(DWORD(0x112), m_Queue.GetOpaqueBatch().m_u32FVF);
    EXPECT_EQ(DWORD(0x112), m_Queue.GetCarBatch().m_u32FVF);

    CDisplayObject3D object;
    const D3DXMATRIX frame = Translation(1, 2, 3);
    CEffect effect;
    effect.m_ParticleSystems.resize(5);
    effect.m_ParticleSystems[0].m_pRenderFrameMatrix = &frame;
    effect.m_ParticleSystems[1].m_pRenderFrameMatrix = &frame;
    effect.m_ParticleSystems[1].m_u8Dark = 1;
    effect.m_ParticleSystems[2].m_pEmitFrameMatrix = &frame;
    effect.m_ParticleSystems[3].m_pEmitFrameMatrix = &frame;
    effect.m_ParticleSystems[3].m_pRenderFrameMatrix = &frame;
    effect.m_ParticleSystems[3].m_u8Dark = 1;
    // With no matrix a system has nowhere to be drawn.
    effect.m_ParticleSystems[4].m_u8Dark = 1;
    effect.m_Sprites.resize(2);
    effect.m_Meshes.resize(1);

    m_Queue.AddOpaque(&object);
    m_Queue.AddOpaqueCar(&object);
    m_Queue.AddTransparent(&object);
    m_Queue.AddTransparentSnapshot(&object);
    m_Queue.AddEffect(effect);

    EXPECT_EQ(1u, m_Queue.GetSnapshots().size());
    EXPECT_EQ(1u, m_Queue.GetTransparent().size());
    EXPECT_EQ(1u, m_Queue.GetCarBatch().m_Objects.size());
    ASSERT_EQ(2u, m_Queue.GetOpaqueBatch().m_Objects.size());
    EXPECT_EQ(&effect.m_Meshes[0].m_DisplayObject, m_Queue.GetOpaqueBatch().m_Objects.back());
    EXPECT_EQ(std::list<CParticleEmitter*>{&effect.m_ParticleSystems[0]}, m_Queue.GetParticles1());
    EXPECT_EQ(std::list<CParticleEmitter*>{&effect.m_ParticleSystems[1]}, m_Queue.GetParticles1Black());
    EXPECT_EQ(std::list<CParticleEmitter*>{&effect.m_ParticleSystems[2]}, m_Queue.GetParticles2());
    EXPECT_EQ(std::list<CParticleEmitter*>{&effect.m_ParticleSystems[3]}, m_Queue.GetParticles2Black());
    EXPECT_EQ((std::list<C3DSprite*>{&effect.m_Sprites[0], &effect.m_Sprites[1]}), m_Queue.GetSprites());

    m_Queue.Clear();
    EXPECT_TRUE(m_Queue.GetSnapshots().empty());
    EXPECT_TRUE(m_Queue.GetTransparent().empty());
    EXPECT_TRUE(m_Queue.GetOpaqueBatch().m_Objects.empty());
    EXPECT_TRUE(m_Queue.GetCarBatch().m_Objects.empty());
    EXPECT_TRUE(m_Queue.GetParticles1().empty());
    EXPECT_TRUE(m_Queue.GetParticles1Black().empty());
    EXPECT_TRUE(m_Queue.GetParticles2().empty());
    EXPECT_TRUE(m_Queue.GetParticles2Black().empty());
    EXPECT_TRUE(m_Queue.GetSprites().empty());
}

TEST_F(RenderQueueTest, ParticlesOnlyAndIdleEffectsQueueLess)
{
    const D3DXMATRIX frame = Translation(0, 0, 0);
    CEffect effect;
    effect.m_ParticleSystems.resize(1);
    effect.m_ParticleSystems[0].m_pEmitFrameMatrix = &frame;
    effect.m_Sprites.resize(1);
    effect.m_Meshes.resize(1);

    // An effect that is not running queues nothing.
    g_RenderQueue.Clear();
    effect.Render();
    EXPECT_TRUE(g_RenderQueue.GetParticles2().empty());

    effect.m_u8Running = 1;
    effect.m_u8ParticlesOnly = 1;
    effect.Render();
    EXPECT_EQ(1u, g_RenderQueue.GetParticles2().size());
    EXPECT_TRUE(g_RenderQueue.GetSprites().empty());
    EXPECT_TRUE(g_RenderQueue.GetOpaqueBatch().m_Objects.empty());
    g_RenderQueue.Clear();
}

TEST_F(RenderQueueTest, TransparentObjectsDrawFarToNearFromTheGameCamera)
{
    // The free camera looks from elsewhere; the order still follows the game camera.
    g_FreeCamera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 100.0f));
    g_pActiveCamera = &g_FreeCamera;
    g_GameCamera.SetPosition(D3DXVECTOR3(5.0f, 0.0f, 0.0f));

    CDisplayObject3D at10 = PlacedAt(15, 0, 0);
    CDisplayObject3D at30 = PlacedAt(5, 30, 0);
    CDisplayObject3D at20 = PlacedAt(5, 0, 20);
    CDisplayObject3D alsoAt20 = PlacedAt(5, 0, -20);
    for (CDisplayObject3D* object : {&at10, &at30, &at20, &alsoAt20})
        m_Queue.AddTransparent(object);

    m_Queue.DrawTransparent();
    const std::vector<const void*> expected = {&at30, &at20, &alsoAt20, &at10};
    EXPECT_EQ(expected, DrawnThings(m_Queue));
    // Drawing leaves the lists as they were.
    EXPECT_EQ(4u, m_Queue.GetTransparent().size());
}

TEST_F(RenderQueueTest, SnapshotsDrawOneObjectAtEachPlaceThenRestoreIt)
{
    CDisplayObject3D object;
    object.SetLocalMatrix(Translation(1, 0, 0));
    object.UpdateWorldMatrix();
    CDisplayObject3D later = PlacedAt(0, 0, 50);

    object.SetWorldMatrix(Translation(10, 0, 0));
    m_Queue.AddTransparentSnapshot(&object);
    object.SetWorldMatrix(Translation(40, 0, 0));
    m_Queue.AddTransparentSnapshot(&object);
    m_Queue.AddTransparent(&later);

    m_Queue.DrawTransparent();
    ASSERT_EQ(3u, m_Queue.m_Drawn.size());
    // The plain list first, then the snapshots. Both were keyed by where the
    // object stood when the second came, so they tie and keep queue order.
    EXPECT_EQ(&later, m_Queue.m_Drawn[0].thing);
    EXPECT_EQ(&object, m_Queue.m_Drawn[1].thing);
    EXPECT_TRUE(Translation(10, 0, 0) == m_Queue.m_Drawn[1].world);
    EXPECT_EQ(&object, m_Queue.m_Drawn[2].thing);
    EXPECT_TRUE(Translation(40, 0, 0) == m_Queue.m_Drawn[2].world);
    EXPECT_TRUE(Translation(1, 0, 0) == object.GetWorldMatrix());
}

TEST_F(RenderQueueTest, ParticleAndSpritePassesDrawOnlyTheirList)
{
    const D3DXMATRIX frame = Translation(0, 0, 0);
    CEffect effect;
    effect.m_ParticleSystems.resize(4);
    effect.m_ParticleSystems[0].m_pRenderFrameMatrix = &frame;
    effect.m_ParticleSystems[1].m_pRenderFrameMatrix = &frame;
    effect.m_ParticleSystems[1].m_u8Dark = 1;
    effect.m_ParticleSystems[2].m_pEmitFrameMatrix = &frame;
    effect.m_ParticleSystems[3].m_pEmitFrameMatrix = &frame;
    effect.m_ParticleSystems[3].m_u8Dark = 1;
    effect.m_Sprites.resize(1);
    m_Queue.AddEffect(effect);

    const struct {
        const char* pass;
        void (CRenderQueue::*draw)();
        const void* expected;
    } cases[] = {
        {"DrawParticles1", &CRenderQueue::DrawParticles1, &effect.m_ParticleSystems[0]},
        {"DrawParticles1Black", &CRenderQueue::DrawParticles1Black, &effect.m_ParticleSystems[1]},
        {"DrawParticles2", &CRenderQueue::DrawParticles2, &effect.m_ParticleSystems[2]},
        {"DrawParticles2Black", &CRenderQueue::DrawParticles2Black, &effect.m_ParticleSystems[3]},
        {"DrawSprites", &CRenderQueue::DrawSprites, &effect.m_Sprites[0]},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.pass);
        m_Queue.m_Drawn.clear();
        (m_Queue.*entry.draw)();
        EXPECT_EQ(std::vector<const void*>{entry.expected}, DrawnThings(m_Queue));
    }
}

// The mirrored pass (the one queued with the water's clip plane) leaves out
// the particles and sprites its view cannot see; a pass without the plane
// queues them all.
TEST_F(RenderQueueTest, TheMirroredQueueLeavesOutParticlesAndSpritesOutOfItsSight)
{
    // An eye at the origin looking along +z over water at y = -1.
    D3DXMATRIX eye;
    D3DXMatrixPerspectiveFovLH(&eye, D3DX_PI / 2.0f, 1.0f, 0.1f, 100.0f);
    const D3DXPLANE water(0.0f, 1.0f, 0.0f, 1.0f);
    const struct {
        const char* where;
        D3DXMATRIX frame;
        bool seen;
    } cases[] = {
        {"ahead", Translation(0, 0, 10), true},
        {"behind the eye", Translation(0, 0, -10), false},
        {"far off to the side", Translation(60, 0, 10), false},
        {"under the water", Translation(0, -5, 10), false},
    };
    const D3DXMATRIX saved = g_CullViewProj;
    g_CullViewProj = eye;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        CEffect effect;
        effect.m_ParticleSystems.resize(1);
        CParticleEmitter& sparks = effect.m_ParticleSystems[0];
        ASSERT_TRUE(sparks.Compile("ParticleSystem \"Sparks\" 1.0 { EventSequence \"Seq\" {\n"
                                   "NumParticles = 4\nEmitRate = 1000\nLifetime = 10\n} }"))
            << sparks.GetStatus();
        sparks.Start();
        sparks.m_pEmitFrameMatrix = &c.frame;
        sparks.Update(0, 0.016f);
        ASSERT_GT(sparks.GetAliveCount(), 0);
        effect.m_Sprites.resize(1);
        effect.m_Sprites[0].m_pMatrix = &c.frame;

        SetCullClipPlane(&water);
        m_Queue.AddEffect(effect);
        SetCullClipPlane(nullptr);
        EXPECT_EQ(c.seen ? 1u : 0u, m_Queue.GetParticles2().size());
        EXPECT_EQ(c.seen ? 1u : 0u, m_Queue.GetSprites().size());
        m_Queue.Clear();
        m_Queue.AddEffect(effect);
        EXPECT_EQ(1u, m_Queue.GetParticles2().size()) << "the main pass queues them all";
        EXPECT_EQ(1u, m_Queue.GetSprites().size());
        m_Queue.Clear();
    }
    g_CullViewProj = saved;
}

class RenderQueueBatchTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        m_Dir.Write(MESH_FILE, XFileText(MeshText(CubeMesh())));
        m_Lower.LoadMesh(MESH_FILE);
        m_Higher.LoadMesh(MESH_FILE);
        ASSERT_NE(nullptr, m_Lower.GetMesh()->GetD3DXMesh());
        if (std::less<const CDisplayMesh*>()(m_Higher.GetMesh(), m_Lower.GetMesh()))
            std::swap(m_Lower, m_Higher);
    }

    CRecordingQueue m_Queue;
    // Two objects at the origin, each with a mesh of its own from one file:
    // the mesh at the lower address first.
    CDisplayObject3D m_Lower;
    CDisplayObject3D m_Higher;
};

TEST_F(RenderQueueBatchTest, OpaqueObjectsAreGroupedByMeshAndBoundOncePerMesh)
{
    CDisplayObject3D& meshA = m_Lower;
    CDisplayObject3D meshB1 = PlacedAt(1, 0, 0, m_Higher);
    CDisplayObject3D meshB2 = PlacedAt(2, 0, 0, m_Higher);
    D3DMATERIAL8 red = {};
    red.Diffuse = {1.0f, 0.0f, 0.0f, 1.0f};
    meshB1.SetMaterial(&red, true);
    CDisplayObject3D unloaded;

    for (CDisplayObject3D* object : {&meshB2, &unloaded, &meshA, &meshB1})
        m_Queue.AddOpaque(object);
    m_Queue.DrawOpaque();

    // The object without a mesh is skipped; of the two B, the nearer first.
    const std::vector<const void*> expected = {&meshA, &meshB1, &meshB2};
    EXPECT_EQ(expected, DrawnThings(m_Queue));
    EXPECT_EQ(2, m_Queue.m_iBinds);

    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    DWORD shader = 0;
    device->GetVertexShader(&shader);
    EXPECT_EQ(DWORD(0x112), shader);
    IDirect3DVertexBuffer8* vertices = nullptr;
    UINT stride = 0;
    device->GetStreamSource(0, &vertices, &stride);
    EXPECT_EQ(32u, stride);
    if (vertices != nullptr)
        vertices->Release();
    // The last object drawn had no override: the mesh's first material, its own place.
    D3DMATERIAL8 material = {};
    device->GetMaterial(&material);
    EXPECT_EQ(0, std::memcmp(&meshB2.GetMesh()->GetMaterial(0), &material, sizeof(material)));
    D3DMATRIX world = {};
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(0, std::memcmp(&meshB2.GetWorldMatrix(), &world, sizeof(world)));

    // The override material is taken when its flag is set.
    m_Queue.Clear();
    m_Queue.AddOpaqueCar(&meshB1);
    m_Queue.DrawOpaqueCars();
    device->GetMaterial(&material);
    EXPECT_FLOAT_EQ(0.0f, material.Diffuse.g);
    EXPECT_FLOAT_EQ(1.0f, material.Diffuse.r);
}

// Seen from (0, 0, -10), in the main view and in a mirror that puts the eye
// at (0, 0, 50): each mesh's objects stay together, the group with the
// nearest object first, each group nearest first.
TEST_F(RenderQueueBatchTest, OpaqueGroupsDrawNearestFirstFromTheViewsEye)
{
    CDisplayObject3D lowerFar = PlacedAt(0, 0, 30, m_Lower);
    CDisplayObject3D lowerNear = PlacedAt(0, 0, 5, m_Lower);
    CDisplayObject3D& higherNear = m_Higher;
    CDisplayObject3D higherMiddle = PlacedAt(0, 0, 10, m_Higher);
    for (CDisplayObject3D* object : {&lowerFar, &higherMiddle, &lowerNear, &higherNear})
        m_Queue.AddOpaque(object);

    const struct {
        float eyeZ;
        std::vector<const void*> expected;
    } views[] = {
        {-10.0f, {&higherNear, &higherMiddle, &lowerNear, &lowerFar}},
        {50.0f, {&lowerFar, &lowerNear, &higherMiddle, &higherNear}},
    };
    for (const auto& view : views) {
        SCOPED_TRACE(view.eyeZ);
        const D3DXMATRIX fromEye = Translation(0, 0, -view.eyeZ);
        g_Display.GetD3DDevice()->SetTransform(D3DTS_VIEW, &fromEye);
        m_Queue.m_Drawn.clear();
        m_Queue.m_iBinds = 0;
        m_Queue.DrawOpaque();
        EXPECT_EQ(view.expected, DrawnThings(m_Queue));
        EXPECT_EQ(2, m_Queue.m_iBinds);
    }
    // Drawing sorts what it draws, not the queue.
    EXPECT_EQ(&lowerNear, m_Queue.GetOpaqueBatch().m_Objects.front());
}

} // namespace
