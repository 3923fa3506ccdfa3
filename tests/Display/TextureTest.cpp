#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "platform/d3d8/D3D8Platform.h"
#include "support/FatalTrap.h"

namespace {

const uint32_t OPAQUE_MAGENTA = 0xFFFF00FF;
const uint32_t TRANSPARENT_BLACK = 0x00000000;

uint32_t Gradient(UINT x, UINT y)
{
    return 0xFF000000u | ((x * 7u) & 0xFFu) << 16 | ((y * 5u) & 0xFFu) << 8 | 0x40u;
}

class CTextureTest : public DisplayFixture {
protected:
    void SetUp() override { CreateDisplay(); }
    void TearDown() override
    {
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    // A width x height BMP file of Gradient, or of `pixels` when given.
    void WriteImage(const std::string& path, UINT width, UINT height, std::vector<uint32_t> pixels = {})
    {
        if (pixels.empty()) {
            for (UINT y = 0; y < height; ++y)
                for (UINT x = 0; x < width; ++x)
                    pixels.push_back(Gradient(x, y));
        }
        ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), path, width, height, pixels));
    }

    static bool LoadFrom(CTexture& texture, const std::string& script)
    {
        CDataBuffer reader;
        reader.SetSeparators(SCRIPT_SEPARATORS);
        reader.Tokenise(script.data(), script.size());
        return texture.Load(reader);
    }

    static std::vector<uint32_t> Level0(const CTexture& texture, UINT& width, UINT& height)
    {
        IDirect3DSurface8* level = nullptr;
        if (texture.GetTexture() == nullptr || FAILED(texture.GetTexture()->GetSurfaceLevel(0, &level)))
            return {};
        std::vector<uint32_t> pixels = ReadSurface(level, width, height);
        level->Release();
        return pixels;
    }

    static void SetTextureCaps(DWORD textureCaps)
    {
        D3DCAPS8 caps = {};
        g_Display.GetD3DDevice()->GetDeviceCaps(&caps);
        caps.TextureCaps = textureCaps;
        D3D8Platform::SetCaps(caps);
    }
};

TEST_F(CTextureTest, TheTextureTakesASizeTheDeviceAcceptsWithTheImageTopLeft)
{
    const struct {
        UINT imageWidth, imageHeight;
        DWORD caps;
        UINT width, height;
    } cases[] = {
        {256, 128, 0, 256, 128},
        {256, 128, D3DPTEXTURECAPS_SQUAREONLY, 256, 256},
        {100, 60, D3DPTEXTURECAPS_POW2, 128, 64},
        {100, 60, D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 128, 128},
        {1, 3, D3DPTEXTURECAPS_POW2, 2, 4},
        {3000, 2, D3DPTEXTURECAPS_POW2, 3000, 2},  // no power of two above 2048
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(testing::Message() << entry.imageWidth << "x" << entry.imageHeight << " caps " << entry.caps);
        WriteImage("Assets\\Images\\image.bmp", entry.imageWidth, entry.imageHeight);
        SetTextureCaps(entry.caps);
        CTexture texture;
        ASSERT_TRUE(LoadFrom(texture, "Texture image\nImageFilename Assets\\Images\\image.bmp\n"));
        EXPECT_EQ("image", texture.GetName());
        EXPECT_EQ(entry.width, texture.GetWidth());
        EXPECT_EQ(entry.height, texture.GetHeight());
        UINT width = 0;
        UINT height = 0;
        const std::vector<uint32_t> pixels = Level0(texture, width, height);
        ASSERT_EQ(entry.width, width);
        ASSERT_EQ(entry.height, height);
        int mismatches = 0;
        for (UINT y = 0; y < height; ++y) {
            for (UINT x = 0; x < width; ++x) {
                const bool inImage = x < entry.imageWidth && y < entry.imageHeight;
                const uint32_t expected = inImage ? Gradient(x, y) : TRANSPARENT_BLACK;
                mismatches += pixels[static_cast<size_t>(y) * width + x] != expected ? 1 : 0;
            }
        }
        EXPECT_EQ(0, mismatches);
    }
}

TEST_F(CTextureTest, TheColourKeyMakesMagentaTransparent)
{
    WriteImage("Assets\\Images\\keyed.bmp", 2, 1, {OPAQUE_MAGENTA, 0xFF102030});
    const struct {
        const char* script;
        bool keyed;
        uint32_t magenta;
    } cases[] = {
        {"Texture a\nImageFilename Assets\\Images\\keyed.bmp\n", false, OPAQUE_MAGENTA},
        {"Texture b\nImageFilename Assets\\Images\\keyed.bmp\nColorKey True\n", true, TRANSPARENT_BLACK},
        {"Texture c\nColorKey false\nImageFilename Assets\\Images\\keyed.bmp\nPaletteFilename x.pal\n", false,
         OPAQUE_MAGENTA},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.script);
        CTexture texture;
        ASSERT_TRUE(LoadFrom(texture, entry.script));
        EXPECT_EQ(entry.keyed, texture.HasColorKey());
        UINT width = 0;
        UINT height = 0;
        const std::vector<uint32_t> pixels = Level0(texture, width, height);
        ASSERT_EQ(2u, pixels.size());
        EXPECT_EQ(entry.magenta, pixels[0]);
        EXPECT_EQ(0xFF102030u, pixels[1]);
    }
}

TEST_F(CTextureTest, ATextureLoadsOnce)
{
    WriteImage("Assets\\Images\\once.bmp", 4, 4);
    CTexture texture;
    const std::string script = "Texture once\nImageFilename Assets\\Images\\once.bmp\n";
    ASSERT_TRUE(LoadFrom(texture, script));
    IDirect3DTexture8* first = texture.GetTexture();
    EXPECT_FALSE(LoadFrom(texture, script));
    EXPECT_EQ(first, texture.GetTexture());

    CTexture other;
    EXPECT_FALSE(LoadFrom(other, "Mouse once\nImageFilename Assets\\Images\\once.bmp\n")) << "not a texture block";
    EXPECT_FALSE(LoadFrom(other, "Texture none\nColorKey True\n")) << "no image file";
    EXPECT_EQ(nullptr, other.GetTexture());
}

TEST_F(CTextureTest, ScriptFaultsStopTheLoader)
{
    WriteImage("Assets\\Images\\wide.bmp", 5000, 2);  // wider than any texture the device makes
    const struct {
        const char* script;
        const char* message;
    } cases[] = {
        {"Texture gone\nImageFilename Assets\\Images\\gone.bmp\n", "Could not find image file <Assets\\Images\\gone.bmp>"},
        {"Texture bare\nColorKey True\n",
         "Unable to intialize object bare from: Scripts\\Textures.txt of type CTexture"},
        {"Texture wide\nImageFilename Assets\\Images\\wide.bmp\n",
         "Unable to intialize object wide from: Scripts\\Textures.txt of type CTexture"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.script);
        m_Dir.Write("Scripts/Textures.txt", entry.script);
        EXPECT_FATAL(LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt"), entry.message);
    }
    m_Dir.Write("Assets/Images/broken.bmp", "BM not really a bitmap");
    m_Dir.Write("Scripts/Textures.txt", "Texture broken\nImageFilename Assets\\Images\\broken.bmp\n");
    EXPECT_FATAL(LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt"),
                 "Could not find image file <Assets\\Images\\broken.bmp>");
}

TEST_F(CTextureTest, TheShippedTexturesLoadAndReleaseBeforeTheDevice)
{
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
    }
    const struct {
        const char* name;
        UINT side;
    } shipped[] = {{"Test1", 64}, {"Test2", 64}, {"arrowup", 32}, {"arrowtarget", 32}};
    for (const auto& entry : shipped) {
        SCOPED_TRACE(entry.name);
        CTexture* texture = nullptr;
        g_AssetManager.GetAsset(entry.name, texture, true);
        ASSERT_NE(nullptr, texture->GetTexture());
        EXPECT_EQ(entry.side, texture->GetWidth());
        EXPECT_EQ(entry.side, texture->GetHeight());
    }

    // The cursors: opaque where they point, clear in the corners; Test2's
    // magenta ground is keyed out.
    CTexture* arrow = nullptr;
    g_AssetManager.GetAsset("arrowup", arrow, true);
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> pixels = Level0(*arrow, width, height);
    EXPECT_EQ(0xFFu, pixels[16 * width + 16] >> 24) << "the tip";
    EXPECT_EQ(0u, pixels[0] >> 24);
    CTexture* keyed = nullptr;
    g_AssetManager.GetAsset("Test2", keyed, true);
    pixels = Level0(*keyed, width, height);
    EXPECT_EQ(TRANSPARENT_BLACK, pixels[0]);

    // The sniper's scope: black outside its round window and along the cross
    // through its middle, clear in between.
    CTexture* scope = nullptr;
    g_AssetManager.GetAsset("SniperScope", scope, true);
    pixels = Level0(*scope, width, height);
    const UINT middle = width / 2;
    const UINT quarter = height / 4;
    EXPECT_EQ(0xFFu, pixels[0] >> 24) << "outside the window";
    EXPECT_EQ(0xFFu, pixels[quarter * width + middle] >> 24) << "the upright of the cross";
    EXPECT_EQ(0xFFu, pixels[middle * width + quarter] >> 24) << "the bar of the cross";
    EXPECT_EQ(0u, pixels[quarter * width + middle + quarter / 2] >> 24) << "the window";

    CTexture::ReleaseAllTextures();
    EXPECT_EQ(nullptr, arrow->GetTexture());
    EXPECT_EQ(nullptr, keyed->GetTexture());
}

} // namespace
