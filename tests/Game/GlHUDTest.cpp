// The HUD of the shipped game drawn on the real device and read back: the
// needles over the dials' ticks, a wanted star at its corner.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/HUD.h"
#include "support/TempDir.h"

namespace {

const D3DCOLOR BLACK = 0xFF000000;
const D3DCOLOR DIAL_WHITE = 0xFFE0E0E0; // the dials' 0xE0FFFFFF over black
const D3DCOLOR NEEDLE_RED = 0xFFFF3030;
const D3DCOLOR STAR_YELLOW = 0xFFFFD020;
const int TOLERANCE = 24;
const float DEGREES = 0.01745328f;

// Where the shipped look puts things on a 640 x 480 screen: the dials' centres
// (corner plus 51.2 pixels), the radius halfway along the ticks (the picture's
// 47 to 59 pixels, drawn at 0.8) and the star's corner and size.
const D3DXVECTOR2 RPM_CENTRE(0.02f * 640 + 51.2f, 0.76f * 480 + 51.2f);
const D3DXVECTOR2 MPH_CENTRE(0.20f * 640 + 51.2f, 0.76f * 480 + 51.2f);
const float TICK_RADIUS = 42.0f;
const D3DXVECTOR2 STAR_CORNER(0.955f * 640, 0.3f * 480);
const float STAR_SIDE = 24.0f;
// The shipped needle points 20 degrees above the right in its picture, and the
// sprite turns it clockwise: turned by a, it points a - 20 degrees below the right.
const float NEEDLE_PICTURE_DEGREES = -20.0f;
// The tachometer's ticks at 0 and 11000 rpm, as needle angles.
const float FIRST_TICK_DEGREES = 40.0f;
const float LAST_TICK_DEGREES = -180.0f;

class GlHUDTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(CStateBlocks::CreateAll());
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        m_HUD.Load(&m_Player);
        m_HUD.m_bVisible = 1;
        m_Player.m_pCar = &m_Car;
    }

    void TearDown() override
    {
        g_TextMaster.Reset();
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        GlDisplayFixture::TearDown();
    }

    // The HUD over black with the engine at `rpm`.
    std::vector<uint32_t> DrawAt(float rpm)
    {
        m_Car.m_Engine.m_fEngineSpeed = rpm;
        return DrawScene(BLACK, m_Width, m_Height, [this] {
            CStateBlocks::ApplyObject2D();
            m_HUD.Draw();
        });
    }

    // True when a pixel within one of (x, y) has `colour`.
    bool NearPixel(const std::vector<uint32_t>& pixels, float x, float y, D3DCOLOR colour) const
    {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int px = static_cast<int>(x) + dx;
                const int py = static_cast<int>(y) + dy;
                if (ColourNear(pixels[static_cast<size_t>(py) * m_Width + px], colour, TOLERANCE))
                    return true;
            }
        }
        return false;
    }

    // Whether the tick of a dial at needle angle `degrees` shows `colour`.
    bool TickIs(const std::vector<uint32_t>& pixels, const D3DXVECTOR2& centre, float degrees, D3DCOLOR colour) const
    {
        const float screen = (NEEDLE_PICTURE_DEGREES + degrees) * DEGREES;
        return NearPixel(pixels, centre.x + TICK_RADIUS * std::cos(screen), centre.y + TICK_RADIUS * std::sin(screen),
                         colour);
    }

    CGameActor m_Player;
    CCar m_Car;
    CHUD m_HUD;
    UINT m_Width = 0;
    UINT m_Height = 0;
};

TEST_F(GlHUDTest, TheNeedlesLieOverTheDialsTicksFromRestToTheirStops)
{
    // The car stands: both needles rest over their dials' first ticks.
    const std::vector<uint32_t> idle = DrawAt(0.0f);
    ASSERT_EQ(640u * 480u, idle.size());
    EXPECT_TRUE(TickIs(idle, RPM_CENTRE, FIRST_TICK_DEGREES, NEEDLE_RED));
    EXPECT_TRUE(TickIs(idle, RPM_CENTRE, LAST_TICK_DEGREES, DIAL_WHITE)) << "the last tick, uncovered";
    EXPECT_TRUE(TickIs(idle, MPH_CENTRE, FIRST_TICK_DEGREES, NEEDLE_RED));

    const std::vector<uint32_t> full = DrawAt(11000.0f);
    EXPECT_TRUE(TickIs(full, RPM_CENTRE, LAST_TICK_DEGREES, NEEDLE_RED));
    EXPECT_TRUE(TickIs(full, RPM_CENTRE, FIRST_TICK_DEGREES, DIAL_WHITE)) << "the first tick, uncovered";
}

TEST_F(GlHUDTest, AWantedStarLandsAtItsCorner)
{
    m_Player.m_fWantedLevel = 1.0f;
    m_HUD.m_bShowNeedles = 0;
    const std::vector<uint32_t> pixels = DrawAt(0.0f);
    ASSERT_EQ(640u * 480u, pixels.size());
    EXPECT_TRUE(NearPixel(pixels, STAR_CORNER.x + STAR_SIDE / 2, STAR_CORNER.y + STAR_SIDE / 2, STAR_YELLOW));
    EXPECT_TRUE(NearPixel(pixels, STAR_CORNER.x - 2, STAR_CORNER.y + STAR_SIDE / 2, BLACK)) << "nothing left of it";
    EXPECT_TRUE(NearPixel(pixels, STAR_CORNER.x + STAR_SIDE / 2, STAR_CORNER.y - 2, BLACK)) << "nor above it";
}

} // namespace
