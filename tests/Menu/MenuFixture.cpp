#include "Menu/MenuFixture.h"

#include <vector>

#include "Display/Texture.h"

namespace {

const UINT BOX_WIDTH = 64;
const UINT BOX_HEIGHT = 48;
const uint32_t WHITE = 0xFFFFFFFF;

} // namespace

void MenuFixture::SetUp()
{
    CreateDisplay();
    const std::vector<uint32_t> pixels(BOX_WIDTH * BOX_HEIGHT, WHITE);
    ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), m_Dir.Path() + "/box.bmp", BOX_WIDTH, BOX_HEIGHT, pixels));
    Load<CTexture>("Scripts\\Textures.txt", "Texture Box\nImageFilename box.bmp\n");
}

void MenuFixture::TearDown()
{
    CTexture::ReleaseAllTextures();
    g_AssetManager.Clear();
    DisplayFixture::TearDown();
}

void MenuFixture::ClickAt(float x, float y)
{
    m_Input.MoveTo(x, y);
    m_Input.m_bReleased = true;
}
