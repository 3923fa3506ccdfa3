#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/AnimSequence.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "support/FatalTrap.h"

namespace {

// Frames of 0.5, 0.5 and 1.0 seconds: 2.0 in all.
const char* const THREE_FRAMES = "3DAnimSeq Three\n"
                                 "Asset_Type Game\n"
                                 "AnimFrame A\n  Time 0.5\n  MinU 0.25 MinV 0.5 MaxU 0.75 MaxV 1\n"
                                 "AnimFrame B\n  Time 0.5\n"
                                 "AnimFrame A\n  MaxV 0.5\n  Time 1.0\n";

class C3DAnimSequenceTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        const std::vector<uint32_t> pixels(4, 0xFFFFFFFFu);
        ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), "frame.bmp", 2, 2, pixels));
        m_Dir.Write("Scripts/Textures.txt", "Texture A\nImageFilename frame.bmp\nTexture B\nImageFilename frame.bmp\n");
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
    }
    void TearDown() override
    {
        g_pActiveCamera = &g_GameCamera;
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    C3DAnimSequence* LoadSequences(const std::string& script, const char* name)
    {
        m_Dir.Write("Scripts/3DAnimSeqs.txt", script);
        LoadAssetsFromScript<C3DAnimSequence>("Scripts\\3DAnimSeqs.txt");
        C3DAnimSequence* sequence = nullptr;
        g_AssetManager.GetAsset(name, sequence, true);
        return sequence;
    }

    static IDirect3DTexture8* TextureOf(const char* name)
    {
        CTexture* texture = nullptr;
        g_AssetManager.GetAsset(name, texture, true);
        return texture->GetTexture();
    }

    static IDirect3DBaseTexture8* BoundTexture()
    {
        IDirect3DBaseTexture8* bound = nullptr;
        g_Display.GetD3DDevice()->GetTexture(0, &bound);
        if (bound != nullptr)
            bound->Release();
        return bound;
    }
};

TEST_F(C3DAnimSequenceTest, FrameKeywordsBelongToTheFrameAboveThem)
{
    const C3DAnimSequence* sequence = LoadSequences(THREE_FRAMES, "Three");
    EXPECT_TRUE(sequence->IsInitialised());
    ASSERT_EQ(3u, sequence->GetFrameCount());
    EXPECT_FLOAT_EQ(2.0f, sequence->GetTotalTime());
    const struct {
        const char* texture;
        float time, minU, minV, maxU, maxV;
    } frames[] = {
        {"A", 0.5f, 0.25f, 0.5f, 0.75f, 1.0f},
        {"B", 0.5f, 0.0f, 0.0f, 1.0f, 1.0f},  // no rectangle: the whole texture
        {"A", 1.0f, 0.0f, 0.0f, 1.0f, 0.5f},
    };
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const C3DAnimFrame& frame = sequence->GetFrame(i);
        EXPECT_EQ(TextureOf(frames[i].texture), frame.m_pTexture);
        EXPECT_FLOAT_EQ(frames[i].time, frame.m_fTime);
        EXPECT_FLOAT_EQ(frames[i].minU, frame.m_fMinU);
        EXPECT_FLOAT_EQ(frames[i].minV, frame.m_fMinV);
        EXPECT_FLOAT_EQ(frames[i].maxU, frame.m_fMaxU);
        EXPECT_FLOAT_EQ(frames[i].maxV, frame.m_fMaxV);
    }
}

TEST_F(C3DAnimSequenceTest, ABrokenBlockStopsTheLoader)
{
    const struct {
        const char* script;
        const char* message;
    } cases[] = {
        {"3DAnimSeq NoType\nAnimFrame A\nTime 1\n",
         "Unable to intialize object NoType from: Scripts\\3DAnimSeqs.txt of type C3DAnimSequence"},
        {"3DAnimSeq Missing\nAsset_Type Game\nAnimFrame Nope\n",
         "Unable to find asset \"Nope\" of type <CTexture>\nin Scripts\\3DAnimSeqs.txt"},
        // A frame keyword before any frame ends the block; the loader then
        // finds no block keyword at it.
        {"3DAnimSeq Early\nAsset_Type Game\nTime 0.5\nAnimFrame A\n",
         "Unable to intialize object  from: Scripts\\3DAnimSeqs.txt of type C3DAnimSequence"},
        {"3DAnimSeq Bad\nAsset_Type Nonsense\n",
         "Unknown Asset Type: <Nonsense>. Forget to add it to ASSET_TYPES in Asset.h?\nin Scripts\\3DAnimSeqs.txt"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.script);
        m_Dir.Write("Scripts/3DAnimSeqs.txt", entry.script);
        EXPECT_FATAL(LoadAssetsFromScript<C3DAnimSequence>("Scripts\\3DAnimSeqs.txt"), entry.message);
    }
}

// A sequence plays once: past its end it shows nothing.
TEST_F(C3DAnimSequenceTest, EachTimeShowsTheFrameItFallsIn)
{
    const C3DAnimSequence* sequence = LoadSequences(THREE_FRAMES, "Three");
    const struct {
        float t;
        size_t frame;
    } cases[] = {
        {0.0f, 0}, {0.5f, 0}, {0.51f, 1}, {1.0f, 1}, {1.01f, 2}, {2.0f, 2}, {2.01f, 3}, {2.5f, 3},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.t);
        EXPECT_EQ(entry.frame, sequence->FindFrame(entry.t));
    }

    // The draw binds the texture of the frame; outside the sequence it draws nothing.
    sequence->Draw(0.75f, 1.0f);
    EXPECT_EQ(TextureOf("B"), BoundTexture());
    sequence->Draw(1.5f, 1.0f);
    EXPECT_EQ(TextureOf("A"), BoundTexture());
    for (float outside : {2.5f, -0.1f, std::numeric_limits<float>::quiet_NaN()}) {
        g_Display.GetD3DDevice()->SetTexture(0, nullptr);
        sequence->Draw(outside, 1.0f);
        EXPECT_EQ(nullptr, BoundTexture()) << outside;
    }
}

TEST_F(C3DAnimSequenceTest, TheFadeIsClampedToOpaqueAndClear)
{
    const struct {
        float alpha;
        uint8_t byte;
    } cases[] = {
        {1.7f, 255}, {1.0f, 255}, {0.5f, 128}, {0.0f, 0}, {-0.2f, 0}, {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.alpha);
        EXPECT_EQ(entry.byte, C3DAnimSequence::AlphaToByte(entry.alpha));
    }
}

TEST_F(C3DAnimSequenceTest, ASpriteLoopsItsSequenceAndMovesAtItsRates)
{
    C3DSprite sprite;
    sprite.m_pSequence = LoadSequences(THREE_FRAMES, "Three");
    sprite.m_fSizeRate = 2.0f;
    sprite.m_fAlphaRate = -1.0f;

    sprite.Update(0.5f);
    EXPECT_EQ(0.0f, sprite.m_fAnimTime) << "an inactive sprite stands still";

    sprite.m_u8Active = 1;
    // The time equal to the total stays for one more update; past it, it starts again.
    const float expectedTimes[] = {0.5f, 1.0f, 1.5f, 2.0f, 0.0f, 0.5f};
    for (float expected : expectedTimes) {
        sprite.Update(0.5f);
        EXPECT_EQ(expected, sprite.m_fAnimTime);
    }
    EXPECT_FLOAT_EQ(1.0f + 6 * 0.5f * 2.0f, sprite.m_fSize);
    EXPECT_FLOAT_EQ(1.0f - 6 * 0.5f, sprite.m_fAlpha) << "alpha is not clamped by the update";

    C3DSprite orphan;
    orphan.m_u8Active = 1;
    orphan.m_fSizeRate = 1.0f;
    orphan.Update(0.5f);
    EXPECT_EQ(0.0f, orphan.m_fAnimTime);
    EXPECT_EQ(1.0f, orphan.m_fSize) << "a sprite without a sequence does nothing";
}

// The quad faces the camera: scaled by the size, turned as the camera is,
// then placed at the sprite's position, an offset within its holder's frame.
TEST_F(C3DAnimSequenceTest, ASpriteFacesTheCameraAtItsPlace)
{
    CCamera camera;
    D3DXMatrixRotationYawPitchRoll(&camera.m_matWorld, 0.7f, -0.3f, 0.1f);
    camera.m_matWorld._41 = 500.0f;
    camera.m_matWorld._42 = 20.0f;
    camera.m_matWorld._43 = -40.0f;
    g_pActiveCamera = &camera;
    D3DXMATRIX turn = camera.m_matWorld;
    turn._41 = turn._42 = turn._43 = 0.0f;

    C3DSprite sprite;
    sprite.m_pSequence = LoadSequences(THREE_FRAMES, "Three");
    sprite.m_fSize = 3.0f;
    sprite.m_vPosition = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
    IDirect3DDevice8* device = g_Display.GetD3DDevice();

    D3DXMATRIX untouched;
    D3DXMatrixTranslation(&untouched, 9.0f, 9.0f, 9.0f);
    device->SetTransform(D3DTS_WORLD, &untouched);
    sprite.Draw();
    D3DXMATRIX drawn;
    device->GetTransform(D3DTS_WORLD, &drawn);
    EXPECT_EQ(0, memcmp(&untouched, &drawn, sizeof(D3DXMATRIX))) << "an inactive sprite is not drawn";

    sprite.m_u8Active = 1;
    D3DXMATRIX holder;
    D3DXMatrixRotationY(&holder, 1.2f);
    holder._41 = -7.0f;
    D3DXMATRIX position;
    D3DXMatrixTranslation(&position, 1.0f, 2.0f, 3.0f);
    const D3DXMATRIX* places[] = {&position, &holder};
    for (const D3DXMATRIX* place : places) {
        sprite.m_pMatrix = place == &holder ? &holder : nullptr;
        sprite.Draw();
        device->GetTransform(D3DTS_WORLD, &drawn);
        D3DXMATRIX scale;
        D3DXMatrixScaling(&scale, 3.0f, 3.0f, 1.0f);
        // With a holder's matrix the position is an offset in its frame;
        // the holder's turn does not turn the quad away from the camera.
        const D3DXMATRIX placed = place == &holder ? position * holder : position;
        D3DXMATRIX expected = scale * turn;
        expected._41 = placed._41;
        expected._42 = placed._42;
        expected._43 = placed._43;
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column)
                EXPECT_NEAR(expected.m[row][column], drawn.m[row][column], 1e-4f) << row << "," << column;
    }
    // Size 3 spans 6 units: the quad's corners are at -1 and 1.
    D3DXVECTOR3 corner(1.0f, 1.0f, 0.0f);
    D3DXVECTOR3 opposite(-1.0f, -1.0f, 0.0f);
    D3DXVec3TransformCoord(&corner, &corner, &drawn);
    D3DXVec3TransformCoord(&opposite, &opposite, &drawn);
    D3DXVECTOR3 diagonal = corner - opposite;
    EXPECT_NEAR(6.0f * std::sqrt(2.0f), D3DXVec3Length(&diagonal), 1e-4f);
}

TEST_F(C3DAnimSequenceTest, TheShippedSequenceLoads)
{
    g_AssetManager.Clear();
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<C3DAnimSequence>("Scripts\\3DAnimSeqs.txt");
    }
    C3DAnimSequence* spark = nullptr;
    g_AssetManager.GetAsset("Spark", spark, true);
    ASSERT_EQ(4u, spark->GetFrameCount());
    EXPECT_NEAR(0.4f, spark->GetTotalTime(), 1e-6f);
    for (size_t i = 0; i < spark->GetFrameCount(); ++i) {
        EXPECT_NE(nullptr, spark->GetFrame(i).m_pTexture);
        EXPECT_FLOAT_EQ(0.25f * i, spark->GetFrame(i).m_fMinU);
        EXPECT_FLOAT_EQ(0.25f * (i + 1), spark->GetFrame(i).m_fMaxU);
    }
}

} // namespace
