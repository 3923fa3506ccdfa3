#include "Menu/MenuFixture.h"

#include <vector>

#include "Display/Texture.h"

namespace {

const UINT BOX_WIDTH = 64;
const UINT BOX_HEIGHT = 48;
const uint32_t WHITE = 0xFFFFFFFF;

} // namespace

void LoadBoxTexture(const std::string& dir)
{
    const std::vector<uint32_t> pixels(BOX_WIDTH * BOX_HEIGHT, WHITE);
    ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), dir + "/box.bmp", BOX_WIDTH, BOX_HEIGHT, pixels));
    CDataBuffer reader;
    std::string script = "Texture Box\nImageFilename box.bmp\n";
    reader.SetSeparators(SCRIPT_SEPARATORS);
    reader.Tokenise(script.data(), script.size());
    std::unique_ptr<CTexture> texture(new CTexture());
    ASSERT_TRUE(texture->Load(reader));
    g_AssetManager.AddAsset(texture.release());
}

void ReleaseMenuAssets()
{
    CTexture::ReleaseAllTextures();
    g_AssetManager.Clear();
}
