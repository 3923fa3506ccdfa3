#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Sound/RecordingFSound.h"
#include "Sound/Sound.h"

namespace {

typedef std::vector<std::string> Calls;

TEST(CSoundTest, InitFallsBackToTheSmallerSetUp)
{
    const struct {
        std::deque<signed char> m_Results;
        bool m_bExpected;
        Calls m_Calls;
    } cases[] = {
        {{TRUE}, true, {"SetMinHardwareChannels(64)", "Init(44100,128,0)"}},
        {{FALSE, TRUE}, true, {"SetMinHardwareChannels(64)", "Init(44100,128,0)", "Init(22050,32,0)"}},
        {{FALSE, FALSE}, false, {"SetMinHardwareChannels(64)", "Init(44100,128,0)", "Init(22050,32,0)"}},
    };
    for (const auto& c : cases) {
        RecordingFSound fmod;
        fmod.m_InitResults = c.m_Results;
        CSound sound;
        EXPECT_EQ(c.m_bExpected, sound.Init());
        EXPECT_EQ(c.m_Calls, fmod.TakeCalls());
    }
}

TEST(CSoundTest, ListenerFollowsTheMatrixWithAFrameDifferenceVelocity)
{
    RecordingFSound fmod;
    CSound sound;
    ASSERT_TRUE(sound.Init());
    fmod.TakeCalls();

    // Scaled axes are normalised; the translation row is the position.
    D3DXMATRIX world(1, 0, 0, 0,
                     0, 2, 0, 0,
                     0, 0, 3, 0,
                     10, 0, 0, 1);
    ASSERT_TRUE(sound.Update(world, 20));
    EXPECT_EQ((Calls{"3D_Listener_SetAttributes()", "Update()"}), fmod.TakeCalls());
    EXPECT_EQ(10.0f, fmod.m_ListenerPosition[0]);
    EXPECT_EQ(500.0f, fmod.m_ListenerVelocity[0]) << "10 units in 20 ms";
    EXPECT_EQ(0.0f, fmod.m_ListenerForward[0]);
    EXPECT_EQ(1.0f, fmod.m_ListenerForward[2]);
    EXPECT_EQ(1.0f, fmod.m_ListenerTop[1]);
    EXPECT_EQ(0.0f, fmod.m_ListenerTop[2]);

    world._43 = 4.0f;
    sound.Update(world, 0);
    EXPECT_EQ(4.0f, fmod.m_ListenerPosition[2]);
    EXPECT_EQ(0.0f, fmod.m_ListenerVelocity[0]) << "no frame time yet: no velocity";
    EXPECT_EQ(0.0f, fmod.m_ListenerVelocity[2]);
    EXPECT_EQ(4.0f, sound.GetLastListenerPosition().z);
}

TEST(CSoundTest, TrackLoopsAtTheMusicVolumeAndSeeksWithinItsLength)
{
    RecordingFSound fmod;
    fmod.m_StreamLengthMs = 20000;
    CSound sound;
    EXPECT_EQ(-1, sound.GetStreamTime()) << "no track yet";
    sound.SetMusicVolume(300);
    EXPECT_EQ(255, sound.GetMusicVolume()) << "clamped";
    sound.SetMusicVolume(100);
    EXPECT_TRUE(fmod.TakeCalls().empty()) << "kept for the next track";

    sound.PlayTrack("Assets\\Music\\a.ogg");
    EXPECT_EQ((Calls{"Stream_Open(Assets\\Music\\a.ogg,0,0,0)", "Stream_GetLength(S1)", "Stream_Play(-1,S1)",
                     "SetVolumeAbsolute(1,100)", "Stream_SetMode(S1,2)"}),
              fmod.TakeCalls());

    sound.SetStreamTime(25000);
    sound.SetStreamTime(20000);
    EXPECT_EQ((Calls{"Stream_GetLengthMs(S1)", "Stream_SetTime(S1,5000)", "Stream_GetLengthMs(S1)",
                     "Stream_SetTime(S1,20000)"}),
              fmod.TakeCalls());

    sound.SetMusicVolume(-5);
    sound.StopMusic();
    EXPECT_EQ((Calls{"SetVolumeAbsolute(1,0)", "Stream_Stop(S1)"}), fmod.TakeCalls());
}

TEST(CSoundTest, TrackThatFailsToOpenLeavesNoChannelBehind)
{
    RecordingFSound fmod;
    fmod.m_MissingFiles.insert("missing.ogg");
    CSound sound;
    sound.PlayTrack("a.ogg");
    ASSERT_EQ(1, sound.GetMusicChannel());
    fmod.TakeCalls();

    sound.PlayTrack("missing.ogg");
    EXPECT_EQ((Calls{"Stream_Stop(S1)", "Stream_Close(S1)", "Stream_Open(missing.ogg,0,0,0)"}), fmod.TakeCalls());
    EXPECT_EQ(-1, sound.GetMusicChannel());
    EXPECT_EQ(nullptr, sound.GetMusicStream());
    sound.SetMusicVolume(10);
    sound.StopMusic();
    EXPECT_EQ(-1, sound.GetStreamTime());
    EXPECT_TRUE(fmod.TakeCalls().empty());
}

TEST(CSoundTest, StreamsEffectsVolumeAndStopAll)
{
    RecordingFSound fmod;
    fmod.m_MissingFiles.insert("none.wav");
    CSound sound;
    int done = 0;
    FSOUND_STREAM* stream = sound.PlayStream("ring.wav", nullptr, &done);
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(nullptr, sound.PlayStream("none.wav", nullptr, nullptr));
    sound.CloseStream(stream);
    sound.SetSfxVolume(999);
    sound.StopAll();
    EXPECT_EQ((Calls{"Stream_Open(ring.wav,8192,0,0)", "Stream_Play(-1,S1)", "Stream_SetEndCallback(S1,null,data)",
                     "Stream_Open(none.wav,8192,0,0)", "Stream_Stop(S1)", "Stream_Close(S1)",
                     "SetSFXMasterVolume(255)", "StopSound(-3)"}),
              fmod.TakeCalls());
}

} // namespace
