// Particles drawn on the real device, read back from the back buffer.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderQueue.h"
#include "Display/RenderStates.h"
#include "Effects/Effect.h"
#include "Effects/ParticleSystem.h"

namespace {

const uint32_t SEED = 5;
const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
const float FRAME = 0.016f;
const D3DCOLOR BLACK = 0x00000000;
const D3DCOLOR GREY = 0xFF808080;
const uint32_t RGB_MASK = 0x00FFFFFF;
// The eye of the view the pictures are taken from.
const D3DXVECTOR3 EYE(0.0f, 0.0f, -10.0f);

// The grid of the batch test: one more particle than a batch holds.
const int GRID_COLUMNS = 37;
const int GRID_ROWS = 13;
const float GRID_HALF_WIDTH = 12.0f;
const float GRID_HALF_HEIGHT = 8.0f;

std::string Script(int count, float size, const char* colour)
{
    return "ParticleSystem \"Test\" 1 { EventSequence \"Points\" {\n NumParticles = " + std::to_string(count) +
           "\n EmitRate = 1000000\n Lifetime = 100\n initial Size = " + std::to_string(size) +
           "\n initial Color = " + colour + "\n} }";
}

class GlParticleDrawTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        // The shared particle buffer comes with the first mode change, as the
        // options make at start-up; the state blocks come with it.
        ASSERT_TRUE(g_Display.Reset());
        ASSERT_NE(nullptr, g_vbParticles);
        g_RandomTable.Fill(SEED);
        m_SavedCamera = g_GameCamera;
        // The game camera stands at the eye, looking along +z.
        D3DXMatrixTranslation(&g_GameCamera.m_matWorld, EYE.x, EYE.y, EYE.z);
        D3DXMatrixIdentity(&m_Identity);

        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        D3DXMatrixLookAtLH(&m_View, &EYE, &at, &up);
        D3DXMatrixPerspectiveFovLH(&m_Projection, D3DX_PI / 2.0f,
                                   static_cast<float>(SCREEN_WIDTH) / SCREEN_HEIGHT, 0.1f, 100.0f);
        device->SetTransform(D3DTS_VIEW, &m_View);
        device->SetTransform(D3DTS_PROJECTION, &m_Projection);
        device->SetTransform(D3DTS_WORLD, &m_Identity);
    }
    void TearDown() override
    {
        g_RenderQueue.Clear();
        g_GameCamera = m_SavedCamera;
        GlDisplayFixture::TearDown();
    }

    // Compiles, starts and runs the system for one frame: every slot is alive.
    void Fill(CParticleEmitter& system, int count, float size, const char* colour)
    {
        ASSERT_TRUE(system.Compile(Script(count, size, colour))) << system.GetStatus();
        system.Start();
        system.Update(0, FRAME);
        ASSERT_EQ(count, system.GetAliveCount());
    }
    static void Place(CParticleEmitter& system, int slot, const D3DXVECTOR3& position)
    {
        system.GetSequences()[0].GetParticle(slot).m_vPosition = position;
    }

    // Clears to `background`, runs `draw` in a scene and reads the whole screen back.
    template <class DrawCall>
    std::vector<uint32_t> DrawScreen(D3DCOLOR background, DrawCall draw)
    {
        UINT width = 0;
        UINT height = 0;
        std::vector<uint32_t> pixels = DrawScene(background, width, height, draw);
        EXPECT_EQ(static_cast<UINT>(SCREEN_WIDTH), width);
        EXPECT_EQ(static_cast<UINT>(SCREEN_HEIGHT), height);
        return pixels;
    }
    // `system` under the particle block.
    std::vector<uint32_t> Draw(const CParticleEmitter& system, D3DCOLOR background)
    {
        return DrawScreen(background, [&] {
            CStateBlocks::ApplyParticle();
            system.Render();
        });
    }
    // The pixel a world point lands on.
    uint32_t PixelAt(const std::vector<uint32_t>& pixels, const D3DXVECTOR3& point) const
    {
        D3DXMATRIX viewProjection;
        D3DXMatrixMultiply(&viewProjection, &m_View, &m_Projection);
        const long index = ScreenPixelIndex(viewProjection, point, SCREEN_WIDTH, SCREEN_HEIGHT);
        EXPECT_GE(index, 0) << "on the screen";
        return index < 0 ? 0 : pixels[static_cast<size_t>(index)];
    }

    CCamera m_SavedCamera;
    D3DXMATRIX m_Identity;
    D3DXMATRIX m_View;
    D3DXMATRIX m_Projection;
};

TEST_F(GlParticleDrawTest, MoreParticlesThanABatchAreAllDrawn)
{
    const int count = GRID_COLUMNS * GRID_ROWS;
    ASSERT_EQ(static_cast<int>(PARTICLE_VB_NUM) + 1, count);
    CParticleEmitter system;
    Fill(system, count, 0.1f, "RGBA(1, 1, 1, 1)");
    std::vector<D3DXVECTOR3> grid;
    for (int row = 0; row < GRID_ROWS; ++row) {
        for (int column = 0; column < GRID_COLUMNS; ++column) {
            grid.emplace_back(-GRID_HALF_WIDTH + 2.0f * GRID_HALF_WIDTH * column / (GRID_COLUMNS - 1),
                              -GRID_HALF_HEIGHT + 2.0f * GRID_HALF_HEIGHT * row / (GRID_ROWS - 1), 0.0f);
            Place(system, static_cast<int>(grid.size()) - 1, grid.back());
        }
    }
    const std::vector<uint32_t> pixels = Draw(system, BLACK);
    int lit = 0;
    for (const D3DXVECTOR3& point : grid)
        lit += (PixelAt(pixels, point) & RGB_MASK) == RGB_MASK ? 1 : 0;
    EXPECT_EQ(count, lit);
    EXPECT_EQ(0u, PixelAt(pixels, D3DXVECTOR3(GRID_HALF_WIDTH / (GRID_COLUMNS - 1), 0.0f, 0.0f)) & RGB_MASK)
        << "between the points the screen stays clear";
}

TEST_F(GlParticleDrawTest, ColoursAreClampedAndRoundedToBytes)
{
    CParticleEmitter system;
    Fill(system, 1, 1.0f, "RGBA(2, -1, 0.5, 1)");
    Place(system, 0, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    const std::vector<uint32_t> pixels = Draw(system, BLACK);
    // Drawn over black with its own alpha as the source factor: the colour as it came.
    EXPECT_EQ(0xFF0080u, PixelAt(pixels, D3DXVECTOR3(0.0f, 0.0f, 0.0f)) & RGB_MASK);
}

TEST_F(GlParticleDrawTest, ParticlesBehindTheGameCameraAreSkippedUnlessARenderFrameIsSet)
{
    // The game camera stands at the origin; the picture is taken from behind it.
    D3DXMatrixIdentity(&g_GameCamera.m_matWorld);
    const D3DXVECTOR3 level(-3.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 behind(3.0f, 0.0f, -0.01f);
    CParticleEmitter system;
    Fill(system, 2, 0.3f, "RGBA(1, 1, 1, 1)");
    Place(system, 0, level);
    Place(system, 1, behind);

    std::vector<uint32_t> pixels = Draw(system, BLACK);
    EXPECT_EQ(RGB_MASK, PixelAt(pixels, level) & RGB_MASK) << "level with the camera is drawn";
    EXPECT_EQ(0u, PixelAt(pixels, behind) & RGB_MASK) << "just behind it is not";

    system.m_pRenderFrameMatrix = &m_Identity;
    pixels = Draw(system, BLACK);
    EXPECT_EQ(RGB_MASK, PixelAt(pixels, behind) & RGB_MASK) << "a render frame draws everything";
}

TEST_F(GlParticleDrawTest, ADarkSystemDarkensWhatLiesBehindIt)
{
    CParticleEmitter prototype;
    ASSERT_TRUE(prototype.Compile(Script(1, 1.0f, "RGBA(0.5, 0.5, 0.5, 1)")));
    CEffect effect;
    effect.m_u8Running = 1;
    effect.m_ParticleSystems.push_back(prototype);
    CParticleEmitter& system = effect.m_ParticleSystems[0];
    system.m_u8Dark = 1;
    system.m_pRenderFrameMatrix = &m_Identity;
    system.Start();
    system.Update(0, FRAME);
    Place(system, 0, D3DXVECTOR3(0.0f, 0.0f, 0.0f));

    g_RenderQueue.Clear();
    effect.Render();
    ASSERT_EQ(1u, g_RenderQueue.GetParticles1Black().size());
    const std::vector<uint32_t> pixels = DrawScreen(GREY, [] {
        CStateBlocks::ApplyParticleBlack();
        g_RenderQueue.DrawParticles1Black();
    });
    EXPECT_EQ(0u, PixelAt(pixels, D3DXVECTOR3(0.0f, 0.0f, 0.0f)) & RGB_MASK);
    EXPECT_EQ(GREY & RGB_MASK, PixelAt(pixels, D3DXVECTOR3(5.0f, 5.0f, 0.0f)) & RGB_MASK);
}

TEST_F(GlParticleDrawTest, NothingIsDrawnWithoutTheSharedBuffer)
{
    CParticleEmitter system;
    Fill(system, 1, 1.0f, "RGBA(1, 1, 1, 1)");
    Place(system, 0, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    IDirect3DVertexBuffer8* buffer = g_vbParticles;
    g_vbParticles = nullptr; // as inside a display reset
    const std::vector<uint32_t> pixels = Draw(system, BLACK);
    g_vbParticles = buffer;
    EXPECT_EQ(0u, PixelAt(pixels, D3DXVECTOR3(0.0f, 0.0f, 0.0f)) & RGB_MASK);
}

} // namespace
