#include "platform/fsound/SoundStream.h"

#include <algorithm>

namespace {

const int64_t MILLISECONDS_PER_SECOND = 1000;

} // namespace

SoundStream::SoundStream(uint64_t id, std::unique_ptr<SoundDecoder> decoder, bool loops, int bufferMilliseconds)
    : m_Id(id), m_pDecoder(std::move(decoder)), m_bLoop(loops)
{
    if (!m_pDecoder)
        return;
    m_Channels = m_pDecoder->GetChannels();
    m_Rate = m_pDecoder->GetRate();
    m_FrameCount = m_pDecoder->GetFrameCount();
    m_BufferFrames = std::max<int64_t>(1, m_Rate * bufferMilliseconds / MILLISECONDS_PER_SECOND);
}

bool SoundStream::CreateBuffers()
{
    if (!IsReady())
        return true;
    m_AllBuffers.assign(BUFFER_COUNT, 0);
    alGetError();
    alGenBuffers(BUFFER_COUNT, m_AllBuffers.data());
    if (alGetError() != AL_NO_ERROR) {
        m_AllBuffers.clear();
        return false;
    }
    m_FreeBuffers = m_AllBuffers;
    return true;
}

void SoundStream::DestroyBuffers()
{
    if (!m_AllBuffers.empty())
        alDeleteBuffers(static_cast<ALsizei>(m_AllBuffers.size()), m_AllBuffers.data());
    m_AllBuffers.clear();
    m_FreeBuffers.clear();
    m_Queue.clear();
}

void SoundStream::Start(int channel, ALuint source)
{
    m_Channel = channel;
    m_Source = source;
    ++m_Generation;
}

void SoundStream::TakeBuffersBack()
{
    if (m_Source) {
        alSourceStop(m_Source);
        alSourcei(m_Source, AL_BUFFER, 0);
    }
    for (const QueuedBuffer& queued : m_Queue)
        m_FreeBuffers.push_back(queued.m_Buffer);
    m_Queue.clear();
}

void SoundStream::Flush(int64_t frame)
{
    TakeBuffersBack();
    m_PendingSeek = frame;
    m_NextQueueFrame = frame;
    ++m_Generation;
}

void SoundStream::Halt(int64_t frame)
{
    Flush(frame);
    m_Channel = -1;
    m_Source = 0;
}

void SoundStream::RequestSeek(int64_t frame)
{
    if (IsPlaying()) {
        Flush(frame);
        return;
    }
    m_PendingSeek = frame;
    m_NextQueueFrame = frame;
}

int64_t SoundStream::WrapFrame(int64_t frame) const
{
    return m_FrameCount > 0 ? frame % m_FrameCount : frame;
}

int64_t SoundStream::GetPositionFrame() const
{
    if (m_Queue.empty() || !m_Source)
        return m_NextQueueFrame;

    ALint state = AL_STOPPED;
    alGetSourcei(m_Source, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED)
        return m_NextQueueFrame;

    ALint offset = 0;
    alGetSourcei(m_Source, AL_SAMPLE_OFFSET, &offset);
    int64_t remaining = offset;
    for (const QueuedBuffer& queued : m_Queue) {
        if (remaining < queued.m_Frames)
            return WrapFrame(queued.m_StartFrame + remaining);
        remaining -= queued.m_Frames;
    }
    return m_NextQueueFrame;
}

void SoundStream::SetEndCallback(FSOUND_STREAMCALLBACK callback, void* userData)
{
    m_EndCallback = callback;
    m_pEndUserData = userData;
}

bool SoundStream::TakeEnd()
{
    const bool ended = m_bEndPending;
    m_bEndPending = false;
    return ended;
}

void SoundStream::ReclaimPlayed()
{
    if (!m_Source)
        return;
    ALint processed = 0;
    alGetSourcei(m_Source, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed && !m_Queue.empty(); ++i) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(m_Source, 1, &buffer);
        m_FreeBuffers.push_back(buffer);
        m_Queue.pop_front();
    }
}

bool SoundStream::HasFinished() const
{
    return m_Queue.empty() && m_PendingSeek < 0 && m_bDecoderAtEnd && !m_bLoop;
}

SoundStream::Refill SoundStream::TakeRefill()
{
    Refill refill;
    refill.m_SeekFrame = m_PendingSeek;
    refill.m_Generation = m_Generation;
    refill.m_bLoop = m_bLoop;
    refill.m_ChunkCount = static_cast<int>(m_FreeBuffers.size());
    m_PendingSeek = -1;
    return refill;
}

void SoundStream::Queue(std::vector<Chunk>& chunks, uint64_t generation)
{
    if (generation != m_Generation || !m_Source)
        return;

    const ALenum format = m_Channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    for (Chunk& chunk : chunks) {
        if (m_FreeBuffers.empty())
            return;
        const ALuint buffer = m_FreeBuffers.back();
        m_FreeBuffers.pop_back();
        alBufferData(buffer, format, chunk.m_Samples.data(),
                     static_cast<ALsizei>(chunk.m_Samples.size() * sizeof(int16_t)), m_Rate);
        alSourceQueueBuffers(m_Source, 1, &buffer);
        m_Queue.push_back({buffer, chunk.m_StartFrame, chunk.m_Frames});
        m_NextQueueFrame = WrapFrame(chunk.m_StartFrame + chunk.m_Frames);
    }
}

bool SoundStream::HasStalled() const
{
    if (m_Queue.empty() || !m_Source)
        return false;
    ALint state = AL_STOPPED;
    alGetSourcei(m_Source, AL_SOURCE_STATE, &state);
    return state == AL_STOPPED || state == AL_INITIAL;
}

bool SoundStream::DecodeChunk(bool loop, Chunk& chunk)
{
    if (m_bDecoderAtEnd) {
        if (!loop)
            return false;
        m_bDecoderAtEnd = !m_pDecoder->Seek(0);
        m_DecoderFrame = 0;
        if (m_bDecoderAtEnd)
            return false;
    }

    chunk.m_StartFrame = m_DecoderFrame;
    chunk.m_Samples.resize(static_cast<size_t>(m_BufferFrames * m_Channels));
    int64_t got = 0;
    // One wrap per chunk at most, so that an empty file cannot spin here.
    bool wrapped = false;
    while (got < m_BufferFrames) {
        const int64_t read = m_pDecoder->Read(chunk.m_Samples.data() + got * m_Channels, m_BufferFrames - got);
        if (read > 0) {
            got += read;
            m_DecoderFrame += read;
            continue;
        }
        if (!loop || wrapped || !m_pDecoder->Seek(0)) {
            m_bDecoderAtEnd = true;
            break;
        }
        wrapped = true;
        m_DecoderFrame = 0;
    }
    chunk.m_Frames = got;
    chunk.m_Samples.resize(static_cast<size_t>(got * m_Channels));
    return got > 0;
}

std::vector<SoundStream::Chunk> SoundStream::Decode(const Refill& refill)
{
    std::vector<Chunk> chunks;
    if (!m_pDecoder)
        return chunks;

    if (refill.m_SeekFrame >= 0) {
        m_bDecoderAtEnd = !m_pDecoder->Seek(refill.m_SeekFrame);
        m_DecoderFrame = refill.m_SeekFrame;
    }
    for (int i = 0; i < refill.m_ChunkCount; ++i) {
        Chunk chunk;
        if (!DecodeChunk(refill.m_bLoop, chunk))
            break;
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}
