#pragma once
// A sound file played while it is decoded: a few OpenAL buffers queued on the
// stream's channel and refilled by the stream thread as they play out.
//
// Two threads share a stream. The audio lock guards everything except the
// decoder, which only the stream thread touches once the stream is open. The
// game thread never decodes: it asks for a seek, and the stream thread
// carries it out on its next pass. A generation count, raised whenever the
// queue is flushed, tells the stream thread that what it decoded meanwhile is
// stale.

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include <AL/al.h>

#include "platform/fsound/FSound.h"
#include "platform/fsound/SoundDecoder.h"

class SoundStream {
public:
    enum { BUFFER_COUNT = 4 };

    // Decoded sound for one buffer; the stream thread makes it without the lock.
    struct Chunk {
        std::vector<int16_t> m_Samples;
        int64_t m_StartFrame = 0;
        int64_t m_Frames = 0;
    };

    // What a refill pass is to do, taken under the lock.
    struct Refill {
        int64_t m_SeekFrame = -1;
        uint64_t m_Generation = 0;
        bool m_bLoop = false;
        int m_ChunkCount = 0;
    };

    // A null decoder makes a network stream, which never becomes ready.
    SoundStream(uint64_t id, std::unique_ptr<SoundDecoder> decoder, bool loops, int bufferMilliseconds);
    SoundStream(const SoundStream&) = delete;
    SoundStream& operator=(const SoundStream&) = delete;

    uint64_t GetId() const { return m_Id; }
    bool IsReady() const { return m_pDecoder != nullptr; }
    int GetChannelCount() const { return m_Channels; }
    int GetRate() const { return m_Rate; }
    int64_t GetFrameCount() const { return m_FrameCount; }

    // --- Under the audio lock ---
    bool CreateBuffers();
    void DestroyBuffers();

    bool IsPlaying() const { return m_Channel >= 0; }
    int GetChannel() const { return m_Channel; }
    ALuint GetSource() const { return m_Source; }
    void Start(int channel, ALuint source);
    // Stops the source, takes every buffer back and forgets the channel;
    // playing resumes at `frame`.
    void Halt(int64_t frame);
    // Stops the source and takes every buffer back, keeping the channel; the
    // stream thread refills from `frame` and plays on.
    void Flush(int64_t frame);
    void RequestSeek(int64_t frame);
    int64_t GetPositionFrame() const;

    void SetLoop(bool loop) { m_bLoop = loop; }
    void SetEndCallback(FSOUND_STREAMCALLBACK callback, void* userData);
    FSOUND_STREAMCALLBACK GetEndCallback() const { return m_EndCallback; }
    void* GetEndUserData() const { return m_pEndUserData; }
    void MarkEnded() { m_bEndPending = true; }
    // True once after each end.
    bool TakeEnd();
    void MarkClosed() { m_bClosed = true; }
    bool IsClosed() const { return m_bClosed; }

    // Stream thread, under the lock: takes back the buffers that have played.
    void ReclaimPlayed();
    // Nothing is queued and nothing is left to decode.
    bool HasFinished() const;
    // What to decode now; takes the pending seek.
    Refill TakeRefill();
    // Stream thread, under the lock: queues what was decoded, unless the
    // queue was flushed meanwhile.
    void Queue(std::vector<Chunk>& chunks, uint64_t generation);
    // Queued sound the source is not playing, and not for being paused.
    bool HasStalled() const;

    // --- Stream thread, without the lock ---
    std::vector<Chunk> Decode(const Refill& refill);

private:
    struct QueuedBuffer {
        ALuint m_Buffer = 0;
        int64_t m_StartFrame = 0;
        int64_t m_Frames = 0;
    };

    int64_t WrapFrame(int64_t frame) const;
    void TakeBuffersBack();
    bool DecodeChunk(bool loop, Chunk& chunk);

    const uint64_t m_Id;
    const std::unique_ptr<SoundDecoder> m_pDecoder;
    int m_Channels = 0;
    int m_Rate = 0;
    int64_t m_FrameCount = 0;
    int64_t m_BufferFrames = 0;

    // Guarded by the audio lock.
    std::vector<ALuint> m_FreeBuffers;
    std::vector<ALuint> m_AllBuffers;
    std::deque<QueuedBuffer> m_Queue;
    int m_Channel = -1;
    ALuint m_Source = 0;
    uint64_t m_Generation = 0;
    int64_t m_PendingSeek = -1;
    int64_t m_NextQueueFrame = 0;
    bool m_bLoop = false;
    bool m_bEndPending = false;
    bool m_bClosed = false;
    FSOUND_STREAMCALLBACK m_EndCallback = nullptr;
    void* m_pEndUserData = nullptr;

    // The stream thread's own, apart from HasFinished which it also calls.
    int64_t m_DecoderFrame = 0;
    bool m_bDecoderAtEnd = false;
};
