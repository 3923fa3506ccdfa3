#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "platform/d3dx8/D3DX8Mesh.h"

namespace {

D3DXMATERIAL NamedMaterial(const char* textureFile)
{
    D3DXMATERIAL material = {};
    material.MatD3D.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.pTextureFilename = const_cast<LPSTR>(textureFile);
    return material;
}

size_t TextureCount()
{
    CAssetManager::TypeList* list = g_AssetManager.FindTypeList(CTexture::CLASS_NAME);
    return list != nullptr ? list->m_Assets.size() : 0;
}

class LoadMaterialTexturesTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        m_Dir.Write("Assets/Images/readme.txt", "");
        const std::vector<uint32_t> pixels(4, 0xFF204060u);
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        ASSERT_TRUE(WriteBmpFile(device, "Assets/Images/scripted.bmp", 2, 2, pixels));
        ASSERT_TRUE(WriteBmpFile(device, "Assets/Images/fresh.bmp", 2, 2, pixels));
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    std::vector<D3DMATERIAL8> m_Materials;
    std::vector<IDirect3DTexture8*> m_Textures;
};

TEST_F(LoadMaterialTexturesTest, EmissiveIsKeptBetweenAFifthAndOne)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        D3DCOLORVALUE emissive;
        D3DCOLORVALUE expected;
    } cases[] = {
        {{0.0f, 0.0f, 0.0f, 0.0f}, {0.2f, 0.2f, 0.2f, 0.2f}},
        {{2.0f, 0.5f, nan, -1.0f}, {1.0f, 0.5f, 0.2f, 0.2f}},
        {{0.2f, 1.0f, 0.19f, 1.01f}, {0.2f, 1.0f, 0.2f, 1.0f}},
    };
    std::vector<D3DXMATERIAL> buffer;
    for (const auto& entry : cases) {
        buffer.push_back(NamedMaterial(nullptr));
        buffer.back().MatD3D.Emissive = entry.emissive;
    }
    LoadMaterialTextures(m_Materials, m_Textures, static_cast<uint32_t>(buffer.size()), buffer.data());

    ASSERT_EQ(buffer.size(), m_Materials.size());
    ASSERT_EQ(buffer.size(), m_Textures.size());
    for (size_t i = 0; i < buffer.size(); ++i) {
        SCOPED_TRACE(i);
        const D3DCOLORVALUE& got = m_Materials[i].Emissive;
        EXPECT_FLOAT_EQ(cases[i].expected.r, got.r);
        EXPECT_FLOAT_EQ(cases[i].expected.g, got.g);
        EXPECT_FLOAT_EQ(cases[i].expected.b, got.b);
        EXPECT_FLOAT_EQ(cases[i].expected.a, got.a);
        EXPECT_FLOAT_EQ(1.0f, m_Materials[i].Diffuse.r);
        EXPECT_EQ(nullptr, m_Textures[i]);
    }
}

TEST_F(LoadMaterialTexturesTest, TexturesAreSharedByFileNameAndLoadedOnce)
{
    m_Dir.Write("Scripts/Textures.txt", "Texture crate.bmp\nImageFilename Assets\\Images\\scripted.bmp\n");
    LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
    CTexture* scripted = nullptr;
    g_AssetManager.GetAsset("crate.bmp", scripted, true);

    const D3DXMATERIAL buffer[] = {NamedMaterial("crate.bmp"), NamedMaterial("fresh.bmp"), NamedMaterial(nullptr),
                                   NamedMaterial("fresh.bmp")};
    LoadMaterialTextures(m_Materials, m_Textures, 4, buffer);

    EXPECT_EQ(scripted->GetTexture(), m_Textures[0]);
    CTexture* fresh = nullptr;
    g_AssetManager.GetAsset("fresh.bmp", fresh, true);
    EXPECT_EQ("Assets\\Images\\fresh.bmp", fresh->GetImageFilename());
    ASSERT_NE(nullptr, m_Textures[1]);
    EXPECT_EQ(fresh->GetTexture(), m_Textures[1]);
    EXPECT_EQ(nullptr, m_Textures[2]);
    EXPECT_EQ(m_Textures[1], m_Textures[3]);
    EXPECT_EQ(2u, TextureCount());

    // A second mesh gets the same textures without loading anything.
    std::vector<D3DMATERIAL8> otherMaterials;
    std::vector<IDirect3DTexture8*> otherTextures;
    LoadMaterialTextures(otherMaterials, otherTextures, 2, buffer);
    EXPECT_EQ(m_Textures[0], otherTextures[0]);
    EXPECT_EQ(m_Textures[1], otherTextures[1]);
    EXPECT_EQ(2u, TextureCount());
}

TEST_F(LoadMaterialTexturesTest, AMissingImageGivesNoTexture)
{
    const D3DXMATERIAL buffer[] = {NamedMaterial("ghost.bmp"), NamedMaterial("ghost.bmp")};
    LoadMaterialTextures(m_Materials, m_Textures, 2, buffer);
    EXPECT_EQ(nullptr, m_Textures[0]);
    EXPECT_EQ(nullptr, m_Textures[1]);
    // Filed all the same, so that the next mesh does not try the file again.
    EXPECT_EQ(1u, TextureCount());
}

} // namespace
