#include <gtest/gtest.h>

#include <vector>

#include "platform/fsound/SoundDecoder.h"
#include "support/TempDir.h"
#include "support/WavFile.h"

namespace {

TEST(SoundDecoderTest, ReadsFramesSeeksAndMixesDown)
{
    TempDir dir;
    const std::vector<int16_t> stereo = {100, 300, -200, -400, 1000, 0, 7, 8};
    WriteWav(dir.Path() + "/Stereo.wav", 11025, 2, stereo);

    SoundDecoder decoder;
    ASSERT_TRUE(decoder.Open(dir.Path() + "\\STEREO.WAV")) << "game paths match without case";
    EXPECT_EQ(2, decoder.GetChannels());
    EXPECT_EQ(11025, decoder.GetRate());
    EXPECT_EQ(4, decoder.GetFrameCount());
    EXPECT_EQ(stereo, decoder.ReadAll(100));

    ASSERT_TRUE(decoder.Seek(2));
    std::vector<int16_t> frames(2 * 10);
    EXPECT_EQ(2, decoder.Read(frames.data(), 10));
    EXPECT_EQ((std::vector<int16_t>{1000, 0, 7, 8}), std::vector<int16_t>(frames.begin(), frames.begin() + 4));
    EXPECT_EQ(0, decoder.Read(frames.data(), 10));

    EXPECT_EQ((std::vector<int16_t>{200, -300, 500, 7}), MixToMono(stereo, 2));
}

TEST(SoundDecoderTest, ReadAllStopsAtItsLimit)
{
    TempDir dir;
    WriteWav(dir.Path() + "/long.wav", 8000, 1, std::vector<int16_t>(50000, 5));
    SoundDecoder decoder;
    ASSERT_TRUE(decoder.Open(dir.Path() + "/long.wav"));
    EXPECT_EQ(20000u, decoder.ReadAll(20000).size());
}

TEST(SoundDecoderTest, RefusesWhatIsNoSound)
{
    TempDir dir;
    dir.Write("text.wav", "RIFF....WAVEfmt but nothing after it");
    dir.Write("empty.wav", "");
    const std::string paths[] = {dir.Path() + "/text.wav", dir.Path() + "/empty.wav", dir.Path() + "/none.wav"};
    for (const std::string& path : paths) {
        SoundDecoder decoder;
        EXPECT_FALSE(decoder.Open(path)) << path;
        EXPECT_TRUE(decoder.ReadAll(10).empty());
    }
}

} // namespace
