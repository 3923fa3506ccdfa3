// The minimap's picture of the shipped town as the build generates it: 512
// pixels for 2800 units from the terrain's corner (-768, -768), rows running
// with +z; the pond water blue, the roads asphalt grey, grass elsewhere.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Display/DisplayFixture.h"

namespace {

const float TERRAIN_CORNER = -768.0f;
const float PIXELS_PER_UNIT = 512.0f / 2800.0f;
const uint32_t WATER_BLUE = 0xFF3060B0;
const uint32_t ROAD_GREY = 0xFF68686E;
const int TOLERANCE = 8;

class ShippedMiniMapTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        m_Pixels = ReadImageFile(g_Display.GetD3DDevice(), std::string(KELM_GAME_DIR) + "/Assets/Images/HUD/map.png",
                                 m_Width, m_Height);
    }

    // The pixel that shows the world's (x, z).
    uint32_t Under(float x, float z) const
    {
        const size_t column = static_cast<size_t>((x - TERRAIN_CORNER) * PIXELS_PER_UNIT);
        const size_t row = static_cast<size_t>((z - TERRAIN_CORNER) * PIXELS_PER_UNIT);
        return m_Pixels.at(row * m_Width + column);
    }

    static bool IsGrass(uint32_t pixel)
    {
        const uint32_t red = (pixel >> 16) & 0xFF;
        const uint32_t green = (pixel >> 8) & 0xFF;
        const uint32_t blue = pixel & 0xFF;
        return green > red + 20 && green > blue + 20;
    }

    std::vector<uint32_t> m_Pixels;
    UINT m_Width = 0;
    UINT m_Height = 0;
};

TEST_F(ShippedMiniMapTest, ThePictureShowsThePondTheRoadsAndTheGrassWhereTheyLie)
{
    ASSERT_EQ(512u, m_Width);
    ASSERT_EQ(512u, m_Height);
    EXPECT_TRUE(ColourNear(WATER_BLUE, Under(430, 240), TOLERANCE)) << "the pond's centre";
    EXPECT_TRUE(ColourNear(ROAD_GREY, Under(380, 190), TOLERANCE)) << "the crossing in the town";
    EXPECT_TRUE(ColourNear(ROAD_GREY, Under(150, -60), TOLERANCE)) << "the road out to the start area";
    EXPECT_TRUE(IsGrass(Under(0, 0)));
    EXPECT_TRUE(IsGrass(Under(430, 200))) << "south of the pond, off the roads";
    // Beyond the terrain (from column and row 281) a dark border.
    const uint32_t beyond = m_Pixels.at(300 * m_Width + 300);
    EXPECT_TRUE(ColourNear(0xFF18181C, beyond, TOLERANCE));
    EXPECT_TRUE(ColourNear(0xFF18181C, m_Pixels.at(10 * m_Width + 290), TOLERANCE));
    EXPECT_TRUE(IsGrass(m_Pixels.at(10 * m_Width + 279)));
}

} // namespace
