#pragma once
// FMOD 3's FSOUND interface, as much of it as the game calls: the device and
// its channels, samples played in 3D, and streamed music. Booleans are
// `signed char` (TRUE or FALSE) as FMOD has them.
//
// Channels are handles: a channel number becomes stale once its channel is
// reused, and every call given a stale or invalid handle does nothing and
// reports failure. Volumes run from 0 (silent) to 255 (full); values outside
// are clamped. Positions are in the game's left-handed space (x right, y up,
// z forward). Stream end callbacks run on the game thread, from FSOUND_Update.
// When no sound device can be opened, FSOUND_Init still succeeds and
// everything plays silently, with the same timing and callbacks.

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct FSOUND_SAMPLE;
struct FSOUND_STREAM;
struct FSOUND_DSPUNIT;

// Called with a null buffer and length 0 when a stream has played to its end;
// the result is not used.
typedef signed char (*FSOUND_STREAMCALLBACK)(FSOUND_STREAM* stream, void* buffer, int length, void* userData);

// Channel selectors.
#define FSOUND_FREE (-1)
#define FSOUND_ALL (-3)

// Mode flags of samples and streams.
#define FSOUND_LOOP_OFF 0x00000001
#define FSOUND_LOOP_NORMAL 0x00000002
#define FSOUND_16BITS 0x00000010
#define FSOUND_MONO 0x00000020
#define FSOUND_SIGNED 0x00000100
#define FSOUND_HW3D 0x00001000
#define FSOUND_2D 0x00002000
#define FSOUND_FORCEMONO 0x00040000
#define FSOUND_NONBLOCKING 0x01000000
#define FSOUND_NORMAL (FSOUND_16BITS | FSOUND_SIGNED | FSOUND_MONO)

// --- Device and channels ---
// Every channel is mixed in software here, so any minimum is met.
signed char FSOUND_SetMinHardwareChannels(int min);
// Opens the sound device mixing at `mixRate` Hz with `maxChannels` channels.
// An Init while open closes and reopens.
signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags);
// Stops everything and frees every sample, stream and channel.
void FSOUND_Close();
// Once per frame: delivers the stream end callbacks that are due.
void FSOUND_Update();
// The master volume of every channel not given an absolute volume.
void FSOUND_SetSFXMasterVolume(int volume);
// Sets the channel's volume and exempts it from the master volume.
signed char FSOUND_SetVolumeAbsolute(int channel, int volume);
// Stops one channel, or every channel with FSOUND_ALL (streams included).
signed char FSOUND_StopSound(int channel);
signed char FSOUND_SetPaused(int channel, signed char paused);
// FSOUND_LOOP_OFF or FSOUND_LOOP_NORMAL, for a channel playing a sample.
signed char FSOUND_SetLoopMode(int channel, unsigned int loopMode);
// The playback rate in Hz; the sample's own rate plays it unchanged.
signed char FSOUND_SetFrequency(int channel, int frequency);
// True while the channel plays or is paused.
signed char FSOUND_IsPlaying(int channel);
// The number of channels playing and not paused.
int FSOUND_GetChannelsPlaying();

// --- Samples ---
// Loads a whole sound file into memory. `index` must be FSOUND_FREE; offset
// and length must be 0 (only whole files are read). FSOUND_HW3D makes a 3D
// sample, always mixed down to one channel (only one can be placed);
// FSOUND_FORCEMONO mixes any sample down; FSOUND_LOOP_NORMAL makes it loop.
// Null when the file cannot be read.
FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset, int length);
// Frequency, volume, pan and priority (0..255, higher wins a channel) that
// new plays of the sample start with; -1 keeps a value.
signed char FSOUND_Sample_SetDefaults(FSOUND_SAMPLE* sample, int frequency, int volume, int pan, int priority);
signed char FSOUND_Sample_SetMinMaxDistance(FSOUND_SAMPLE* sample, float minDistance, float maxDistance);
// Plays the sample on a free channel (`channel` must be FSOUND_FREE); when no
// channel is free, the one with the lowest priority not above the sample's is
// taken over. `dsp` must be null. Returns the channel handle, or -1.
int FSOUND_PlaySoundEx(int channel, FSOUND_SAMPLE* sample, FSOUND_DSPUNIT* dsp, signed char startPaused);

// --- 3D ---
// Any pointer may be null to keep that value. Velocities are in units per second.
void FSOUND_3D_Listener_SetAttributes(const float* position, const float* velocity, float forwardX,
                                      float forwardY, float forwardZ, float topX, float topY, float topZ);
// Until this is called, a 3D channel plays at the listener.
signed char FSOUND_3D_SetAttributes(int channel, const float* position, const float* velocity);
// Full volume up to the minimum distance, then falling off as min / distance.
signed char FSOUND_3D_SetMinMaxDistance(int channel, float minDistance, float maxDistance);

// --- Streams ---
// Opens a sound file (WAV, OGG, FLAC, MP3) to be decoded while it plays. A
// network address ("scheme://...") gives a stream that never becomes ready to
// play. Null when the file cannot be read or has more than two channels.
FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int offset, int length);
// Plays from the stream's current position (`channel` must be FSOUND_FREE);
// the channel handle, or -1 (also while the stream is not ready).
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// Stops playing and rewinds to the start.
signed char FSOUND_Stream_Stop(FSOUND_STREAM* stream);
// Safe from inside the stream's own end callback.
signed char FSOUND_Stream_Close(FSOUND_STREAM* stream);
// The length of the decoded sound in bytes of 16-bit samples.
int FSOUND_Stream_GetLength(FSOUND_STREAM* stream);
int FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream);
// The playing position in milliseconds.
int FSOUND_Stream_GetTime(FSOUND_STREAM* stream);
signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int milliseconds);
// FSOUND_LOOP_NORMAL or FSOUND_LOOP_OFF; may change while the stream plays.
signed char FSOUND_Stream_SetMode(FSOUND_STREAM* stream, unsigned int mode);
// A null callback removes it.
signed char FSOUND_Stream_SetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback, void* userData);
// The milliseconds of sound each of a stream's buffers holds, for streams
// opened after the call.
signed char FSOUND_Stream_SetBufferSize(int milliseconds);
// Buffering of network streams: size in bytes, percentages before playing
// and before resuming.
signed char FSOUND_Stream_Net_SetBufferProperties(int bufferSize, int prebufferPercent, int rebufferPercent);
