#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/SkyBox.h"
#include "Display/Texture.h"
#include "support/FatalTrap.h"

namespace {

const char* const SIX_FACES = "Top T\nBottom B\nLeft L\nRight R\nFront F\nBack K\n";

class CSkyBoxTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        const std::vector<uint32_t> pixels(FRONT_WIDTH * 2, 0xFF336699u);
        ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), "face.bmp", FRONT_WIDTH, 2, pixels));
        std::string textures;
        for (const char* name : {"T", "B", "L", "R", "F", "K"})
            textures += std::string("Texture ") + name + "\nImageFilename face.bmp\n";
        m_Dir.Write("Scripts/Textures.txt", textures);
    }
    void TearDown() override
    {
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    static void LoadTextures() { LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt"); }

    static IDirect3DTexture8* TextureOf(const char* name)
    {
        CTexture* texture = nullptr;
        g_AssetManager.GetAsset(name, texture, true);
        return texture->GetTexture();
    }

    static const UINT FRONT_WIDTH = 8;
};

TEST_F(CSkyBoxTest, ABlockNamesSixTexturesAndASize)
{
    LoadTextures();
    m_Dir.Write("Scripts/Skybox.txt", std::string("Skybox Dusk\nAsset_Type Level\n") + SIX_FACES +
                                          "\nSkybox Big\nSize 40\nasset_type level\n" + SIX_FACES);
    LoadAssetsFromScript<CSkyBox>("Scripts\\Skybox.txt");

    CSkyBox* dusk = nullptr;
    g_AssetManager.GetAsset("Dusk", dusk, true);
    EXPECT_TRUE(dusk->IsInitialised());
    EXPECT_TRUE(dusk->IsReady());
    EXPECT_FLOAT_EQ(10.0f, dusk->GetSize());
    const struct {
        CSkyBox::Face face;
        const char* texture;
    } faces[] = {
        {CSkyBox::FACE_TOP, "T"},   {CSkyBox::FACE_BOTTOM, "B"}, {CSkyBox::FACE_LEFT, "L"},
        {CSkyBox::FACE_RIGHT, "R"}, {CSkyBox::FACE_FRONT, "F"},  {CSkyBox::FACE_BACK, "K"},
    };
    for (const auto& entry : faces) {
        SCOPED_TRACE(entry.texture);
        EXPECT_EQ(entry.texture, dusk->GetFaceName(entry.face));
        ASSERT_NE(nullptr, dusk->GetFaceTexture(entry.face));
        EXPECT_EQ(TextureOf(entry.texture), dusk->GetFaceTexture(entry.face));
    }

    CSkyBox* big = nullptr;
    g_AssetManager.GetAsset("Big", big, true);
    EXPECT_FLOAT_EQ(40.0f, big->GetSize());
}

TEST_F(CSkyBoxTest, ABrokenBlockStopsTheLoader)
{
    const std::string refused = "Unable to intialize object Dusk from: Scripts\\Skybox.txt of type CSkyBox";
    const struct {
        const char* script;
        bool texturesLoaded;
        std::string message;
    } cases[] = {
        {"Skybox Dusk\nAsset_Type Level\nTop T\nBottom B\nLeft L\nRight R\nFront F\n", true, refused},
        {"Skybox Dusk\nTop T\nBottom B\nLeft L\nRight R\nFront F\nBack K\n", true, refused},
        {"Skybox Dusk\nAsset_Type Level\nTop T\nBottom B\nLeft L\nRight R\nFront F\nBack Nope\n", true,
         "Unable to find asset \"Nope\" of type <CTexture>\nin Scripts\\Skybox.txt"},
        {"Skybox Dusk\nAsset_Type Level\nTop T\nBottom B\nLeft L\nRight R\nFront F\nBack K\n", false,
         "No assets of type <CTexture> are currently stored\nin Scripts\\Skybox.txt"},
        {"SkyBoxes Dusk\n", true, "Unable to intialize object  from: Scripts\\Skybox.txt of type CSkyBox"},
        {"; nothing but a comment\n", true, "Unable to intialize object  from: Scripts\\Skybox.txt of type CSkyBox"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.script);
        g_AssetManager.Clear();
        if (entry.texturesLoaded)
            LoadTextures();
        m_Dir.Write("Scripts/Skybox.txt", entry.script);
        EXPECT_FATAL(LoadAssetsFromScript<CSkyBox>("Scripts\\Skybox.txt"), entry.message);
    }
}

// The sky turns with the camera but never moves with it.
TEST_F(CSkyBoxTest, TheSkyIsDrawnAroundTheEye)
{
    LoadTextures();
    m_Dir.Write("Scripts/Skybox.txt", std::string("Skybox Dusk\nAsset_Type Level\n") + SIX_FACES);
    LoadAssetsFromScript<CSkyBox>("Scripts\\Skybox.txt");
    CSkyBox* sky = nullptr;
    g_AssetManager.GetAsset("Dusk", sky, true);

    D3DXMATRIX view;
    const D3DXVECTOR3 eye(120.0f, 35.0f, -80.0f);
    const D3DXVECTOR3 at(121.0f, 35.5f, -79.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    sky->Render(view);

    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    D3DXMATRIX drawnView;
    D3DXMATRIX drawnWorld;
    device->GetTransform(D3DTS_VIEW, &drawnView);
    device->GetTransform(D3DTS_WORLD, &drawnWorld);
    D3DXMATRIX turnOnly = view;
    turnOnly._41 = turnOnly._42 = turnOnly._43 = 0.0f;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(0, memcmp(&turnOnly, &drawnView, sizeof(D3DXMATRIX)));
    EXPECT_EQ(0, memcmp(&identity, &drawnWorld, sizeof(D3DXMATRIX)));

    // The last face drawn is the front one.
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(TextureOf("F")), bound);
    if (bound != nullptr)
        bound->Release();
}

TEST_F(CSkyBoxTest, TheShippedSkyBoxLoads)
{
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<CSkyBox>("Scripts\\Skybox.txt");
    }
    CSkyBox* dusk = nullptr;
    g_AssetManager.GetAsset("Dusk", dusk, true);
    for (int face = 0; face < CSkyBox::FACE_COUNT; ++face)
        EXPECT_NE(nullptr, dusk->GetFaceTexture(static_cast<CSkyBox::Face>(face))) << face;
}

} // namespace
