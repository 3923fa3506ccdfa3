#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "platform/fsound/FSound.h"
#include "platform/fsound/FSoundPlatform.h"
#include "support/TempDir.h"
#include "support/WavFile.h"

namespace {

const int MIX_RATE = 44100;
const int CHANNELS = 32;
const int FILE_RATE = 22050;
const double TONE_HZ = 440.0;
const unsigned int MODE_3D = FSOUND_HW3D | FSOUND_FORCEMONO;
// A mixing block; a block whose level is above SOUNDING_LEVEL counts as sound.
const int BLOCK_FRAMES = 1024;
const double SOUNDING_LEVEL = 0.01;

struct Levels {
    double m_Left = 0.0;
    double m_Right = 0.0;

    double Total() const { return m_Left + m_Right; }
    // 0 all left, 1 all right.
    double Balance() const { return m_Right / Total(); }
};

// Mixes `frames` frames and gives the RMS level of each side.
Levels Render(int frames)
{
    std::vector<float> mixed(static_cast<size_t>(frames) * 2);
    EXPECT_TRUE(FSoundPlatform::RenderLoopback(mixed.data(), frames));
    double left = 0.0;
    double right = 0.0;
    for (int i = 0; i < frames; ++i) {
        left += mixed[i * 2] * mixed[i * 2];
        right += mixed[i * 2 + 1] * mixed[i * 2 + 1];
    }
    Levels levels;
    levels.m_Left = std::sqrt(left / frames);
    levels.m_Right = std::sqrt(right / frames);
    return levels;
}

// Mixes one block the way the game's frames would go: the stream thread keeps up, then FSOUND_Update.
Levels RenderBlock()
{
    EXPECT_TRUE(FSoundPlatform::WaitForStreams());
    const Levels levels = Render(BLOCK_FRAMES);
    FSOUND_Update();
    return levels;
}

void SetListener(float forwardX, float forwardZ)
{
    const float origin[] = {0.0f, 0.0f, 0.0f};
    FSOUND_3D_Listener_SetAttributes(origin, origin, forwardX, 0.0f, forwardZ, 0.0f, 1.0f, 0.0f);
}

// Plays the sample at `position` and gives its level once the mixer has settled.
Levels LevelsAt(FSOUND_SAMPLE* sample, const float* position)
{
    const int channel = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, TRUE);
    EXPECT_GE(channel, 0);
    EXPECT_TRUE(FSOUND_3D_SetAttributes(channel, position, nullptr));
    EXPECT_TRUE(FSOUND_SetPaused(channel, FALSE));
    Render(BLOCK_FRAMES);
    const Levels levels = Render(BLOCK_FRAMES * 4);
    FSOUND_StopSound(channel);
    return levels;
}

class AudioFSoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSoundPlatform::UseLoopback(true);
        ASSERT_TRUE(FSOUND_Init(MIX_RATE, CHANNELS, 0));
        ASSERT_EQ(FSoundPlatform::Output::Loopback, FSoundPlatform::GetOutput());
        SetListener(0.0f, 1.0f);
    }
    void TearDown() override
    {
        FSOUND_Close();
        FSoundPlatform::UseLoopback(false);
    }

    // A mono tone file in the test's folder.
    std::string Tone(const std::string& name, double seconds)
    {
        const std::string path = m_Dir.Path() + "/" + name;
        WriteWav(path, FILE_RATE, 1, MakeTone(FILE_RATE, seconds, TONE_HZ, 0.5));
        return path;
    }

    TempDir m_Dir;
};

TEST_F(AudioFSoundTest, MonoSourceOnTheLeftMovesRightAsTheListenerTurns)
{
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, Tone("tone.wav", 1.0).c_str(),
                                               MODE_3D | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(nullptr, sample);
    const float left[] = {-5.0f, 0.0f, 0.0f};

    // Facing +z the source is on the left; turning left to face it, then past it.
    const struct {
        float m_ForwardX, m_ForwardZ;
    } turns[] = {{0.0f, 1.0f}, {-1.0f, 0.0f}, {0.0f, -1.0f}};
    std::vector<double> balances;
    for (const auto& turn : turns) {
        SetListener(turn.m_ForwardX, turn.m_ForwardZ);
        balances.push_back(LevelsAt(sample, left).Balance());
    }
    EXPECT_LT(balances[0], 0.3) << "the left channel is louder";
    EXPECT_NEAR(0.5, balances[1], 0.05) << "ahead: both sides alike";
    EXPECT_GT(balances[2], 0.7) << "behind the turned listener the source is on the right";
}

TEST_F(AudioFSoundTest, SampleWithoutAPositionPlaysAtTheListener)
{
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, Tone("tone.wav", 1.0).c_str(), MODE_3D, 0, 0);
    ASSERT_NE(nullptr, sample);
    SetListener(0.0f, 1.0f);
    const float farAway[] = {-500.0f, 0.0f, 0.0f};
    FSOUND_3D_Listener_SetAttributes(farAway, nullptr, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f);

    const int channel = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, FALSE);
    ASSERT_GE(channel, 0);
    Render(BLOCK_FRAMES);
    const Levels levels = Render(BLOCK_FRAMES);
    EXPECT_GT(levels.Total(), 0.2) << "not attenuated";
    EXPECT_NEAR(0.5, levels.Balance(), 0.05);
}

TEST_F(AudioFSoundTest, LoopingSampleKeepsSoundingAndAOneShotEnds)
{
    const std::string file = Tone("short.wav", 0.05);
    FSOUND_SAMPLE* looping = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), MODE_3D | FSOUND_LOOP_NORMAL, 0, 0);
    FSOUND_SAMPLE* oneShot = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), MODE_3D, 0, 0);
    ASSERT_NE(nullptr, looping);
    ASSERT_NE(nullptr, oneShot);

    const int loopChannel = FSOUND_PlaySoundEx(FSOUND_FREE, looping, nullptr, FALSE);
    Render(MIX_RATE / 2);
    EXPECT_GT(Render(BLOCK_FRAMES).Total(), SOUNDING_LEVEL);
    EXPECT_TRUE(FSOUND_IsPlaying(loopChannel));
    FSOUND_StopSound(loopChannel);
    EXPECT_FALSE(FSOUND_IsPlaying(loopChannel));

    const int oneShotChannel = FSOUND_PlaySoundEx(FSOUND_FREE, oneShot, nullptr, FALSE);
    EXPECT_EQ(1, FSOUND_GetChannelsPlaying());
    Render(MIX_RATE / 2);
    EXPECT_LT(Render(BLOCK_FRAMES).Total(), SOUNDING_LEVEL);
    EXPECT_FALSE(FSOUND_IsPlaying(oneShotChannel));
    EXPECT_EQ(0, FSOUND_GetChannelsPlaying());
}

TEST_F(AudioFSoundTest, LevelFallsOffAsMinDistanceOverDistance)
{
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, Tone("tone.wav", 1.0).c_str(),
                                               MODE_3D | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(nullptr, sample);
    ASSERT_TRUE(FSOUND_Sample_SetMinMaxDistance(sample, 2.0f, 1.0e9f));

    const float inside[] = {0.0f, 0.0f, 1.0f};
    const float atMin[] = {0.0f, 0.0f, 2.0f};
    const float fourTimes[] = {0.0f, 0.0f, 8.0f};
    const double full = LevelsAt(sample, atMin).Total();
    EXPECT_NEAR(full, LevelsAt(sample, inside).Total(), full * 0.02) << "full volume within the minimum";
    EXPECT_NEAR(0.25, LevelsAt(sample, fourTimes).Total() / full, 0.02);
}

TEST_F(AudioFSoundTest, MasterVolumeScalesEffectsButNotAbsoluteVolumeMusic)
{
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, Tone("tone.wav", 1.0).c_str(),
                                               MODE_3D | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(nullptr, sample);
    const int effect = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, FALSE);
    Render(BLOCK_FRAMES);
    const double effectFull = Render(BLOCK_FRAMES).Total();
    FSOUND_SetSFXMasterVolume(64);
    Render(BLOCK_FRAMES);
    EXPECT_NEAR(64.0 / 255.0, Render(BLOCK_FRAMES).Total() / effectFull, 0.02);
    FSOUND_StopSound(effect);

    FSOUND_SetSFXMasterVolume(255);
    FSOUND_STREAM* music = FSOUND_Stream_Open(Tone("music.wav", 2.0).c_str(), FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(nullptr, music);
    const int musicChannel = FSOUND_Stream_Play(FSOUND_FREE, music);
    ASSERT_GE(musicChannel, 0);
    ASSERT_TRUE(FSOUND_SetVolumeAbsolute(musicChannel, 255));
    RenderBlock();
    const double musicFull = RenderBlock().Total();
    FSOUND_SetSFXMasterVolume(64);
    RenderBlock();
    EXPECT_NEAR(1.0, RenderBlock().Total() / musicFull, 0.02);
    FSOUND_SetSFXMasterVolume(1000);
    ASSERT_TRUE(FSOUND_SetVolumeAbsolute(musicChannel, -20));
    RenderBlock();
    EXPECT_LT(RenderBlock().Total(), SOUNDING_LEVEL) << "volumes are clamped to 0..255";
}

struct EndRecord {
    int m_Calls = 0;
    std::thread::id m_Thread;
    signed char m_Closed = FALSE;
};

signed char CloseOnEnd(FSOUND_STREAM* stream, void* buffer, int length, void* userData)
{
    EndRecord* record = static_cast<EndRecord*>(userData);
    ++record->m_Calls;
    record->m_Thread = std::this_thread::get_id();
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(0, length);
    record->m_Closed = FSOUND_Stream_Close(stream);
    return TRUE;
}

TEST_F(AudioFSoundTest, StreamPlaysItsFileToTheEndAndCallsBackOnceOnTheGameThread)
{
    // Small buffers: the two seconds need many refills by the stream thread.
    ASSERT_TRUE(FSOUND_Stream_SetBufferSize(50));
    FSOUND_STREAM* stream = FSOUND_Stream_Open(Tone("speech.wav", 2.0).c_str(), FSOUND_2D, 0, 0);
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(2000, FSOUND_Stream_GetLengthMs(stream));
    EXPECT_EQ(FILE_RATE * 2 * 2, FSOUND_Stream_GetLength(stream));
    EndRecord record;
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    ASSERT_TRUE(FSOUND_Stream_SetEndCallback(stream, CloseOnEnd, &record));

    int soundingBlocks = 0;
    int blocks = 0;
    const int oneSecond = MIX_RATE / BLOCK_FRAMES;
    for (; blocks < oneSecond * 4 && record.m_Calls == 0; ++blocks) {
        if (RenderBlock().Total() > SOUNDING_LEVEL)
            ++soundingBlocks;
        if (blocks == oneSecond) {
            EXPECT_NEAR(1000, FSOUND_Stream_GetTime(stream), 50);
        }
    }
    EXPECT_NEAR(2 * oneSecond, soundingBlocks, 2) << "no gap, nothing cut";
    EXPECT_NEAR(2 * oneSecond, blocks, 3);

    for (int i = 0; i < 10; ++i)
        RenderBlock();
    EXPECT_EQ(1, record.m_Calls);
    EXPECT_EQ(std::this_thread::get_id(), record.m_Thread);
    EXPECT_TRUE(record.m_Closed) << "closing inside the callback";
    EXPECT_FALSE(FSOUND_Stream_Close(stream)) << "the handle is gone";
}

TEST_F(AudioFSoundTest, StreamSeeksLoopsAndRewindsOnStop)
{
    FSOUND_STREAM* stream = FSOUND_Stream_Open(Tone("loop.wav", 1.0).c_str(), 0, 0, 0);
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(0, FSOUND_Stream_GetTime(stream));
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    ASSERT_TRUE(FSOUND_Stream_SetMode(stream, FSOUND_LOOP_NORMAL));
    ASSERT_TRUE(FSOUND_Stream_SetTime(stream, 750));
    EXPECT_EQ(750, FSOUND_Stream_GetTime(stream));

    const int halfSecond = MIX_RATE / 2 / BLOCK_FRAMES;
    for (int i = 0; i < halfSecond; ++i)
        EXPECT_GT(RenderBlock().Total(), SOUNDING_LEVEL) << "block " << i;
    EXPECT_NEAR(250, FSOUND_Stream_GetTime(stream), 50) << "wrapped round to the start";

    ASSERT_TRUE(FSOUND_Stream_Stop(stream));
    EXPECT_EQ(0, FSOUND_Stream_GetTime(stream));
    EXPECT_LT(RenderBlock().Total(), SOUNDING_LEVEL);
}

TEST_F(AudioFSoundTest, StaleChannelHandleIsANoOp)
{
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, Tone("tone.wav", 1.0).c_str(),
                                               MODE_3D | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(nullptr, sample);
    const int first = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, FALSE);
    ASSERT_TRUE(FSOUND_StopSound(first));
    const int second = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, FALSE);
    ASSERT_GE(second, 0);
    ASSERT_NE(first, second) << "the reused channel has a new handle";

    EXPECT_FALSE(FSOUND_SetVolumeAbsolute(first, 0));
    EXPECT_FALSE(FSOUND_SetPaused(first, TRUE));
    EXPECT_FALSE(FSOUND_StopSound(first));
    EXPECT_FALSE(FSOUND_IsPlaying(first));
    EXPECT_TRUE(FSOUND_IsPlaying(second));
    Render(BLOCK_FRAMES);
    EXPECT_GT(Render(BLOCK_FRAMES).Total(), SOUNDING_LEVEL);
}

TEST_F(AudioFSoundTest, NetworkStreamNeverBecomesReady)
{
    ASSERT_TRUE(FSOUND_Stream_SetBufferSize(100));
    ASSERT_TRUE(FSOUND_Stream_Net_SetBufferProperties(64000, 60, 80));
    FSOUND_STREAM* stream =
        FSOUND_Stream_Open("http://radio.example/live", FSOUND_NONBLOCKING | FSOUND_NORMAL, 0, 0);
    ASSERT_NE(nullptr, stream);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(-1, FSOUND_Stream_Play(FSOUND_FREE, stream));
        RenderBlock();
    }
    EXPECT_TRUE(FSOUND_Stream_Stop(stream));
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
}

TEST_F(AudioFSoundTest, BadFilesAndHandlesFailWithoutHarm)
{
    m_Dir.Write("garbage.wav", "RIFF this is not a sound file at all");
    m_Dir.Write("empty.ogg", "");
    const std::string names[] = {m_Dir.Path() + "/missing.wav", m_Dir.Path() + "/garbage.wav",
                                 m_Dir.Path() + "/empty.ogg"};
    for (const std::string& name : names) {
        EXPECT_EQ(nullptr, FSOUND_Sample_Load(FSOUND_FREE, name.c_str(), MODE_3D, 0, 0)) << name;
        EXPECT_EQ(nullptr, FSOUND_Stream_Open(name.c_str(), 0, 0, 0)) << name;
    }
    EXPECT_EQ(nullptr, FSOUND_Sample_Load(FSOUND_FREE, nullptr, MODE_3D, 0, 0));
    EXPECT_EQ(-1, FSOUND_PlaySoundEx(FSOUND_FREE, nullptr, nullptr, FALSE));
    EXPECT_FALSE(FSOUND_Sample_SetDefaults(nullptr, -1, -1, -1, 10));
    EXPECT_EQ(-1, FSOUND_Stream_Play(FSOUND_FREE, nullptr));
    EXPECT_FALSE(FSOUND_Stream_SetTime(nullptr, 10));
    EXPECT_FALSE(FSOUND_3D_SetAttributes(-1, nullptr, nullptr));
    EXPECT_FALSE(FSOUND_SetFrequency(12345678, 22050));
    EXPECT_FALSE(FSOUND_Stream_SetBufferSize(0));

    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, Tone("tone.wav", 0.2).c_str(), MODE_3D, 0, 0);
    const int channel = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, FALSE);
    const float nan[] = {NAN, 0.0f, 0.0f};
    EXPECT_FALSE(FSOUND_3D_SetAttributes(channel, nan, nullptr));
    EXPECT_FALSE(FSOUND_3D_SetMinMaxDistance(channel, 0.0f, 1.0f));
    FSOUND_3D_Listener_SetAttributes(nan, nullptr, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    const Levels levels = Render(BLOCK_FRAMES);
    EXPECT_TRUE(std::isfinite(levels.Total())) << "no degenerate listener reaches the mixer";
}

TEST(AudioFSoundSilentTest, WithoutADevicePlaysSilentlyInRealTime)
{
    FSoundPlatform::SetDeviceName("no such sound device");
    ASSERT_TRUE(FSOUND_Init(MIX_RATE, CHANNELS, 0));
    EXPECT_EQ(FSoundPlatform::Output::Silent, FSoundPlatform::GetOutput());

    TempDir dir;
    const std::string path = dir.Path() + "/ring.wav";
    WriteWav(path, FILE_RATE, 1, MakeTone(FILE_RATE, 0.2, TONE_HZ, 0.5));
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), MODE_3D | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(nullptr, sample);
    const int channel = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, FALSE);
    EXPECT_TRUE(FSOUND_IsPlaying(channel));

    FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_2D, 0, 0);
    ASSERT_GE(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
    EndRecord record;
    FSOUND_Stream_SetEndCallback(stream, CloseOnEnd, &record);
    const auto start = std::chrono::steady_clock::now();
    while (record.m_Calls == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        FSOUND_Update();
    }
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(1, record.m_Calls);
    EXPECT_GE(took, std::chrono::milliseconds(180)) << "the stream takes its own time";
    FSOUND_Close();
    FSoundPlatform::SetDeviceName(nullptr);
    EXPECT_EQ(FSoundPlatform::Output::None, FSoundPlatform::GetOutput());
}

TEST(FSoundTest, EveryCallFailsQuietlyBeforeInit)
{
    EXPECT_EQ(nullptr, FSOUND_Sample_Load(FSOUND_FREE, "Assets\\Sounds\\horn.wav", MODE_3D, 0, 0));
    EXPECT_EQ(nullptr, FSOUND_Stream_Open("Assets\\Music\\track.ogg", 0, 0, 0));
    EXPECT_EQ(-1, FSOUND_PlaySoundEx(FSOUND_FREE, nullptr, nullptr, FALSE));
    EXPECT_FALSE(FSOUND_StopSound(0));
    EXPECT_TRUE(FSOUND_StopSound(FSOUND_ALL));
    EXPECT_EQ(0, FSOUND_GetChannelsPlaying());
    FSOUND_3D_Listener_SetAttributes(nullptr, nullptr, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f);
    FSOUND_SetSFXMasterVolume(128);
    FSOUND_Update();
    FSOUND_Close();
    EXPECT_EQ(FSoundPlatform::Output::None, FSoundPlatform::GetOutput());
    EXPECT_FALSE(FSOUND_Init(100, CHANNELS, 0)) << "no such mixing rate";
}

} // namespace
