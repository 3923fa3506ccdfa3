#pragma once

#include <cstdint>

#include "platform/d3dx8/D3DX8Math.h"
#include "platform/fsound/FSound.h"

// The game's layer over FMOD: the library's set-up, the 3D listener that
// follows the player, the music and effect volumes, the one music track (the
// radio's local stations) and fire-and-forget streams with an end callback
// (phone rings, conversations, cinematics). Sound effects play on channels
// of their own (SFX3D).
class CSound {
public:
    enum { MAX_VOLUME = 255 };

    // Seeds the C library's random numbers with the millisecond clock.
    CSound();

    // Opens FMOD with 128 channels at 44.1 kHz, else 32 at 22.05 kHz.
    bool Init();
    // Once at the end of every frame: puts the listener at `listener` (the
    // player's world matrix: translation row, z axis forward, y axis up)
    // with the frame timer's whole milliseconds for its velocity.
    bool Update(const D3DXMATRIX& listener);
    // As Update, for a given frame time in whole milliseconds; a frame time
    // of 0 gives the listener no velocity.
    bool Update(const D3DXMATRIX& listener, uint32_t frameMilliseconds);

    // Both 0..255; values outside are clamped.
    void SetMusicVolume(int volume);
    void SetSfxVolume(int volume);
    int GetMusicVolume() const { return m_MusicVolume; }
    int GetSfxVolume() const { return m_EffectsVolume; }

    void StopMusic();
    // Replaces the music with `fileName`, looping.
    void PlayTrack(const char* fileName);
    // -1 when no track is loaded.
    int GetStreamTime();
    // Times past the track's end wrap round to its start.
    void SetStreamTime(uint32_t milliseconds);

    // Plays a sound file once; the caller owns the stream and closes it with
    // CloseStream. Null when the file cannot be opened.
    FSOUND_STREAM* PlayStream(const char* fileName, FSOUND_STREAMCALLBACK endCallback, void* userData);
    void CloseStream(FSOUND_STREAM* stream);
    // Silences every channel (the level is being reset).
    void StopAll();

    int GetMusicChannel() const { return m_MusicChannel; }
    // The radio plays its network stations on a channel it opens itself.
    void SetMusicChannel(int channel) { m_MusicChannel = channel; }
    FSOUND_STREAM* GetMusicStream() const { return m_pMusicStream; }
    const D3DXVECTOR3& GetLastListenerPosition() const { return m_LastListenerPosition; }

private:
    int m_MusicChannel = -1;
    FSOUND_STREAM* m_pMusicStream = nullptr;
    int m_MusicVolume = MAX_VOLUME;
    int m_EffectsVolume = MAX_VOLUME;
    int m_MusicTrackLength = 0;
    D3DXVECTOR3 m_LastListenerPosition;
};

extern CSound g_Sound;
