// The shipped effects and lens flares as the game loads them from its
// directory.

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/AnimSequence.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/RenderQueue.h"
#include "Display/Texture.h"
#include "Effects/Effect.h"
#include "Effects/LensFlare.h"
#include "Effects/ParticleSystem.h"
#include "support/MatrixExpect.h"
#include "support/ShippedScripts.h"
#include "support/TempDir.h"

namespace {

struct ShippedEffect {
    const char* name;
    // Still running after ten seconds: it loops until its owner stops it.
    bool loops;
};
const ShippedEffect SHIPPED[] = {
    {"MuzzleFlash", false}, {"BulletHit", false}, {"Explosion", false},     {"CarSmoke", true},
    {"CarExplosion", false}, {"Splash", false},   {"StartLocation", true},
};
const float FRAME = 1.0f / 60.0f;
const int TEN_SECONDS = 600;
const uint32_t SEED = 2025;
const size_t SUN_SPOTS = 6;

class ShippedEffectsTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        ASSERT_TRUE(g_Display.Reset());
        g_RandomTable.Fill(SEED);
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<CLensFlare>("Scripts\\LensFlares.txt");
        LoadEffectScripts();
        g_AssetManager.GetAsset("Pyramid", m_pPyramid, true);
        m_pPyramidMesh = m_pPyramid->GetD3DXMesh();
    }
    void TearDown() override
    {
        g_RenderQueue.Clear();
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    CDisplayMesh* m_pPyramid = nullptr;
    ID3DXMesh* m_pPyramidMesh = nullptr;
};

TEST_F(ShippedEffectsTest, EveryEffectPlaysAndEndsIdleOnceStopped)
{
    const D3DXMATRIX owner = Translation(10, 0, 5);
    for (const ShippedEffect& shipped : SHIPPED) {
        SCOPED_TRACE(shipped.name);
        CEffect* prototype = nullptr;
        g_AssetManager.GetAsset(shipped.name, prototype, true);
        ASSERT_NE(nullptr, prototype);
        EXPECT_EQ("0 error(s), you're good to go!", prototype->GetStatus());
        EXPECT_EQ(shipped.name, prototype->GetEffectName());
        for (size_t i = 0; i < prototype->m_ParticleSystems.size(); ++i)
            EXPECT_NE(CEffect::MATRIX_NONE, prototype->GetMatrixType(i)) << "system " << i << " would never be drawn";

        CEffect effect(*prototype);
        effect.SetMatrix(&owner);
        effect.Reset();
        effect.Start();
        int most = 0;
        for (int frame = 0; frame < TEN_SECONDS; ++frame) {
            g_RenderQueue.Clear();
            effect.Update(FRAME);
            effect.Render();
            most = std::max(most, effect.GetAliveCount());
        }
        EXPECT_GT(most, 0) << "particles flew";
        EXPECT_EQ(shipped.loops ? 1 : 0, effect.m_u8Running);

        effect.Stop();
        for (int frame = 0; frame < TEN_SECONDS && effect.m_u8Running != 0; ++frame)
            effect.Update(FRAME);
        EXPECT_EQ(0, effect.m_u8Running) << "stopped, it runs out";
        EXPECT_EQ(0, effect.GetAliveCount());
    }
    EXPECT_EQ(m_pPyramidMesh, m_pPyramid->GetD3DXMesh()) << "an effect binds the shared mesh as it is";
    EXPECT_EQ(std::string::npos, Log().find("Error")) << Log();
}

TEST_F(ShippedEffectsTest, TheSunFlareLoadsWithItsSpots)
{
    CLensFlare* sun = nullptr;
    g_AssetManager.GetAsset("Sun", sun, true);
    ASSERT_NE(nullptr, sun);
    ASSERT_EQ(SUN_SPOTS, sun->GetSpots().size()) << "a disc and five ghosts";
    for (const CLensFlareSpot& spot : sun->GetSpots())
        EXPECT_NE(nullptr, spot.m_pTexture);
    EXPECT_EQ(1.0f, sun->GetSpots()[0].m_fLinePos) << "the disc sits on the light";
}

} // namespace
