#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "Display/SkyBox.h"
#include "Display/Texture.h"

namespace {

const UINT FACE_SIDE = 16;
const D3DCOLOR CLEAR_COLOUR = 0xFF000000;
const int CHANNEL_TOLERANCE = 3;

// Six faces in six colours; the top-left quarter of each image is the
// colour at half strength, which shows how the image lies on the face.
const struct FaceLook {
    const char* keyword;
    CSkyBox::Face face;
    D3DCOLOR colour;
    D3DXVECTOR3 look;
    D3DXVECTOR3 up;
} FACES[] = {
    {"Front", CSkyBox::FACE_FRONT, 0xFFF04020, D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 1, 0)},
    {"Back", CSkyBox::FACE_BACK, 0xFF20F040, D3DXVECTOR3(0, 0, -1), D3DXVECTOR3(0, 1, 0)},
    {"Right", CSkyBox::FACE_RIGHT, 0xFF2040F0, D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0)},
    {"Left", CSkyBox::FACE_LEFT, 0xFFF0F020, D3DXVECTOR3(-1, 0, 0), D3DXVECTOR3(0, 1, 0)},
    {"Top", CSkyBox::FACE_TOP, 0xFF20F0F0, D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1)},
    {"Bottom", CSkyBox::FACE_BOTTOM, 0xFFF020F0, D3DXVECTOR3(0, -1, 0), D3DXVECTOR3(1, 0, 0)},
};

D3DCOLOR HalfStrength(D3DCOLOR colour)
{
    return 0xFF000000u | ((colour >> 1) & 0x007F7F7Fu);
}

// The top level of a face texture, 0xAARRGGBB, top row first.
std::vector<uint32_t> FaceImage(IDirect3DTexture8* texture, UINT& width, UINT& height)
{
    IDirect3DSurface8* surface = nullptr;
    if (texture == nullptr || FAILED(texture->GetSurfaceLevel(0, &surface)))
        return {};
    std::vector<uint32_t> pixels = ReadSurface(surface, width, height);
    surface->Release();
    return pixels;
}

class GlSkyBoxTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        std::string textures;
        std::string sky = "Skybox Six\nAsset_Type Level\n";
        for (const FaceLook& face : FACES) {
            std::vector<uint32_t> pixels(FACE_SIDE * FACE_SIDE, face.colour);
            for (UINT y = 0; y < FACE_SIDE / 2; ++y)
                for (UINT x = 0; x < FACE_SIDE / 2; ++x)
                    pixels[y * FACE_SIDE + x] = HalfStrength(face.colour);
            const std::string file = std::string(face.keyword) + ".bmp";
            ASSERT_TRUE(WriteBmpFile(device, file, FACE_SIDE, FACE_SIDE, pixels));
            textures += std::string("Texture Sky") + face.keyword + "\nImageFilename " + file + "\n";
            sky += std::string(face.keyword) + " Sky" + face.keyword + "\n";
        }
        m_Dir.Write("Scripts/Textures.txt", textures);
        m_Dir.Write("Scripts/Skybox.txt", sky);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<CSkyBox>("Scripts\\Skybox.txt");
        g_AssetManager.GetAsset("Six", m_pSky, true);
        if (g_u32StateBlockSkyBox_Pixel == 0) {
            ASSERT_TRUE(CStateBlocks::CreateAll());
        }
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        GlDisplayFixture::TearDown();
    }

    // Draws `sky` alone as seen from `eye` along `look` through a 90 degree lens.
    std::vector<uint32_t> DrawSky(const CSkyBox& sky, const D3DXVECTOR3& eye, const FaceLook& face, UINT& width,
                                  UINT& height)
    {
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 640.0f / 480.0f, 0.1f, 100.0f);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        D3DXMATRIX view;
        const D3DXVECTOR3 at = eye + face.look;
        D3DXMatrixLookAtLH(&view, &eye, &at, &face.up);

        return DrawScene(CLEAR_COLOUR, width, height, [&] {
            CStateBlocks::ApplySkyBox();
            sky.Render(view);
        });
    }

    CSkyBox* m_pSky = nullptr;
};

TEST_F(GlSkyBoxTest, EachDirectionShowsItsFaceUpright)
{
    for (const FaceLook& face : FACES) {
        SCOPED_TRACE(face.keyword);
        UINT width = 0;
        UINT height = 0;
        const std::vector<uint32_t> pixels = DrawSky(*m_pSky, D3DXVECTOR3(0, 0, 0), face, width, height);
        ASSERT_EQ(static_cast<size_t>(width) * height, pixels.size());
        ASSERT_GT(pixels.size(), 0u);

        int uncovered = 0;
        for (uint32_t pixel : pixels)
            uncovered += (pixel & 0x00FFFFFFu) == (CLEAR_COLOUR & 0x00FFFFFFu) ? 1 : 0;
        EXPECT_EQ(0, uncovered) << "the sky fills the screen";

        const auto at = [&](float fx, float fy) {
            return pixels[static_cast<size_t>(fy * height) * width + static_cast<size_t>(fx * width)];
        };
        // The middle of the screen is the corner of the marked quarter: look just below it.
        EXPECT_PRED3(ColourNear, face.colour, at(0.5f, 0.6f), CHANNEL_TOLERANCE);
        EXPECT_PRED3(ColourNear, face.colour, at(0.25f, 0.25f), CHANNEL_TOLERANCE);
        EXPECT_PRED3(ColourNear, face.colour, at(0.25f, 0.75f), CHANNEL_TOLERANCE);
        EXPECT_PRED3(ColourNear, face.colour, at(0.75f, 0.75f), CHANNEL_TOLERANCE);
        // Seen from inside, each image is mirrored: its top-left corner is at the top right.
        EXPECT_PRED3(ColourNear, HalfStrength(face.colour), at(0.75f, 0.25f), CHANNEL_TOLERANCE);
    }
}

TEST_F(GlSkyBoxTest, TheSkyDoesNotMoveWithTheCamera)
{
    for (const FaceLook& face : {FACES[0], FACES[4]}) {
        SCOPED_TRACE(face.keyword);
        UINT width = 0;
        UINT height = 0;
        const std::vector<uint32_t> atOrigin = DrawSky(*m_pSky, D3DXVECTOR3(0, 0, 0), face, width, height);
        const std::vector<uint32_t> farAway =
            DrawSky(*m_pSky, D3DXVECTOR3(300.0f, -40.0f, 77.0f), face, width, height);
        EXPECT_TRUE(atOrigin == farAway);
    }
}

// The shipped "Compass" sky: looking each way, the screen shows that face's
// own colour with the mark of its image's top edge along the top of the screen.
TEST_F(GlSkyBoxTest, TheShippedCompassShowsEachFaceWithItsMarkUp)
{
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<CSkyBox>("Scripts\\Skybox.txt");
    }
    CSkyBox* compass = nullptr;
    g_AssetManager.GetAsset("Compass", compass, true);
    ASSERT_NE(nullptr, compass);

    std::vector<D3DCOLOR> grounds;
    for (const FaceLook& face : FACES) {
        SCOPED_TRACE(face.keyword);
        UINT imageWidth = 0;
        UINT imageHeight = 0;
        const std::vector<uint32_t> image = FaceImage(compass->GetFaceTexture(face.face), imageWidth, imageHeight);
        ASSERT_FALSE(image.empty());
        const D3DCOLOR ground = image[(imageHeight * 3 / 4) * imageWidth + imageWidth / 2];
        const D3DCOLOR mark = image[imageWidth / 2];
        ASSERT_FALSE(ColourNear(ground, mark, CHANNEL_TOLERANCE));

        UINT width = 0;
        UINT height = 0;
        const std::vector<uint32_t> pixels = DrawSky(*compass, D3DXVECTOR3(0, 0, 0), face, width, height);
        ASSERT_EQ(static_cast<size_t>(width) * height, pixels.size());
        ASSERT_GT(pixels.size(), 0u);
        const auto at = [&](float fx, float fy) {
            return pixels[static_cast<size_t>(fy * height) * width + static_cast<size_t>(fx * width)];
        };
        EXPECT_PRED3(ColourNear, ground, at(0.5f, 0.75f), CHANNEL_TOLERANCE);
        EXPECT_PRED3(ColourNear, mark, at(0.5f, 0.02f), CHANNEL_TOLERANCE);
        EXPECT_PRED3(ColourNear, ground, at(0.5f, 0.98f), CHANNEL_TOLERANCE);
        grounds.push_back(ground);
    }
    // Each face in a colour of its own: no two directions look alike.
    for (size_t a = 0; a < grounds.size(); ++a) {
        for (size_t b = a + 1; b < grounds.size(); ++b)
            EXPECT_FALSE(ColourNear(grounds[a], grounds[b], CHANNEL_TOLERANCE))
                << FACES[a].keyword << " and " << FACES[b].keyword;
    }
}

} // namespace
