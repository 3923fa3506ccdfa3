// The shipped particle systems as the game loads them from its directory.

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Utility.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "Effects/ParticleSystem.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

const char* const SHIPPED[] = {"Smoke", "Fire", "Sparks", "Dust", "Debris", "Exhaust", "Splash"};
const float FRAME = 1.0f / 60.0f;
const int FIVE_SECONDS = 300;
const uint32_t SEED = 2024;

class ShippedParticleSystemsTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        ASSERT_TRUE(g_Display.Reset());
        g_RandomTable.Fill(SEED);
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<CParticleEmitter>("Scripts\\ParticleSytems.txt");
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }
};

TEST_F(ShippedParticleSystemsTest, EverySystemLoadsAndRunsFiveSecondsOfFrames)
{
    // An exhaust pipe pointing along +x, a little above the ground.
    D3DXMATRIX pipe;
    D3DXMatrixRotationY(&pipe, D3DX_PI / 2.0f);
    pipe._42 = 0.5f;
    for (const char* name : SHIPPED) {
        CParticleEmitter* prototype = nullptr;
        g_AssetManager.GetAsset(name, prototype, true);
        ASSERT_NE(nullptr, prototype) << name;
        EXPECT_EQ("0 error(s), you're good to go!", prototype->GetStatus()) << name;
        ASSERT_FALSE(prototype->GetSequences().empty()) << name;
        bool burst = false;
        for (const CParticleEventSequence& sequence : prototype->GetSequences()) {
            EXPECT_NE(nullptr, sequence.GetTexture()) << name << ": every system has its picture";
            burst = burst || sequence.m_iLoops > 0;
        }

        CParticleEmitter system = *prototype;
        if (std::string(name) == "Exhaust")
            system.m_pEmitFrameMatrix = &pipe;
        system.Start();
        int most = 0;
        for (int frame = 0; frame < FIVE_SECONDS; ++frame) {
            system.Update(0, FRAME);
            system.Render();
            most = std::max(most, system.GetAliveCount());
        }
        EXPECT_GT(most, 0) << name;
        if (burst)
            EXPECT_EQ(0, system.GetAliveCount()) << name << ": a burst is over within five seconds";
        else
            EXPECT_GT(system.GetAliveCount(), 0) << name << ": a stream goes on";

        system.StopEmitting();
        for (int frame = 0; frame < FIVE_SECONDS; ++frame)
            system.Update(0, FRAME);
        EXPECT_EQ(0, system.GetAliveCount()) << name << ": stopped, it runs out";
    }
    EXPECT_EQ(std::string::npos, Log().find("Error")) << Log();
}

TEST_F(ShippedParticleSystemsTest, EveryCutOfAShippedScriptCompilesOrFailsCleanly)
{
    for (const char* name : SHIPPED) {
        std::string script;
        ASSERT_TRUE(ReadFileToString(std::string(KELM_GAME_DIR) + "/Scripts/Particles/" + name + ".txt", script));
        for (size_t length = 0; length <= script.size(); ++length) {
            CParticleEmitter system;
            bool compiled = false;
            try {
                compiled = system.Compile(script.substr(0, length));
            } catch (const FatalErrorThrown& fatal) {
                // Cut inside the texture's name: a texture no script defines.
                EXPECT_EQ(0u, std::string(fatal.what()).find("Unable to find asset \"")) << fatal.what();
                continue;
            }
            if (compiled)
                continue;
            EXPECT_FALSE(system.GetStatus().empty()) << name << " cut at " << length;
            EXPECT_TRUE(system.GetSequences().empty()) << name << " cut at " << length;
        }
    }
}

} // namespace
