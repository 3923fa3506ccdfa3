#include "platform/fsound/SoundDecoder.h"

#include <algorithm>

#include <sndfile.h>

#include "platform/files/Files.h"

namespace {

// Frames read per call while a whole file is loaded.
const int64_t READ_ALL_CHUNK_FRAMES = 16384;

} // namespace

SoundDecoder::~SoundDecoder()
{
    if (m_pFile)
        sf_close(m_pFile);
}

bool SoundDecoder::Open(const std::string& gamePath)
{
    if (m_pFile)
        return false;

    SF_INFO info = {};
    const std::string path = Files::ResolvePath(gamePath);
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return false;

    if (info.channels < 1 || info.channels > MAX_CHANNELS || info.samplerate < MIN_RATE ||
        info.samplerate > MAX_RATE || info.frames < 0) {
        sf_close(file);
        return false;
    }
    m_pFile = file;
    m_Channels = info.channels;
    m_Rate = info.samplerate;
    m_FrameCount = info.frames;
    return true;
}

int64_t SoundDecoder::Read(int16_t* frames, int64_t frameCount)
{
    if (!m_pFile || frameCount <= 0)
        return 0;
    const sf_count_t read = sf_readf_short(m_pFile, frames, frameCount);
    return read > 0 ? read : 0;
}

bool SoundDecoder::Seek(int64_t frame)
{
    if (!m_pFile || frame < 0)
        return false;
    return sf_seek(m_pFile, frame, SEEK_SET) == frame;
}

std::vector<int16_t> SoundDecoder::ReadAll(int64_t maxFrames)
{
    std::vector<int16_t> frames;
    if (!m_pFile)
        return frames;

    int64_t total = 0;
    while (total < maxFrames) {
        const int64_t want = std::min(READ_ALL_CHUNK_FRAMES, maxFrames - total);
        frames.resize(static_cast<size_t>((total + want) * m_Channels));
        const int64_t read = Read(frames.data() + total * m_Channels, want);
        total += read;
        if (read < want)
            break;
    }
    frames.resize(static_cast<size_t>(total * m_Channels));
    if (sf_error(m_pFile) != SF_ERR_NO_ERROR)
        frames.clear();
    return frames;
}

std::vector<int16_t> MixToMono(const std::vector<int16_t>& frames, int channels)
{
    if (channels <= 1)
        return frames;

    const size_t count = frames.size() / static_cast<size_t>(channels);
    std::vector<int16_t> mono(count);
    for (size_t i = 0; i < count; ++i) {
        int sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += frames[i * channels + c];
        mono[i] = static_cast<int16_t>(sum / channels);
    }
    return mono;
}
