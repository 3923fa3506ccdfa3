#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Core/AssetManager.h"
#include "Sound/Radio.h"
#include "Sound/SFX3D.h"
#include "Sound/Sound.h"
#include "platform/fsound/FSoundPlatform.h"
#include "support/TempDir.h"

namespace {

const int MUSIC_LOOP_MIN_MS = 30000;
const int RENDER_FRAMES = 4096;

// The shipped demo content, played through the loopback output.
TEST(AudioSoundContentTest, DemoEffectsLoadAndTheDemoStationPlays)
{
    FSoundPlatform::UseLoopback(true);
    g_Sound = CSound();
    ASSERT_TRUE(g_Sound.Init());
    ScopedWorkingDir inGame(KELM_GAME_DIR);

    LoadAssetsFromScript<SFX3D>("Scripts\\SoundEffects.txt");
    for (const char* name : {"CarEngine", "CarHorn", "PistolShot", "Explosion", "PhoneRing"}) {
        SFX3D* effect = nullptr;
        g_AssetManager.GetAsset(name, effect, true);
        EXPECT_NE(nullptr, effect->GetSample()) << name;
    }
    g_AssetManager.Clear();

    CRadio radio;
    radio.LoadStations();
    ASSERT_GE(radio.GetStationCount(), 2);
    EXPECT_EQ(CRadioStation::TYPE_LOCAL, radio.GetStation(1).m_Type);
    radio.Update(CRadioControls{false, true, false}, 0);
    radio.SetOn(true);
    ASSERT_NE(nullptr, g_Sound.GetMusicStream());
    EXPECT_GE(FSOUND_Stream_GetLengthMs(g_Sound.GetMusicStream()), MUSIC_LOOP_MIN_MS);

    ASSERT_TRUE(FSoundPlatform::WaitForStreams());
    std::vector<float> mixed(RENDER_FRAMES * 2);
    ASSERT_TRUE(FSoundPlatform::RenderLoopback(mixed.data(), RENDER_FRAMES));
    double energy = 0.0;
    for (float s : mixed)
        energy += s * s;
    EXPECT_GT(std::sqrt(energy / mixed.size()), 0.01) << "the station is on the air";

    radio.SetOn(false);
    FSOUND_Close();
    FSoundPlatform::UseLoopback(false);
}

} // namespace
