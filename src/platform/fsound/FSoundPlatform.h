#pragma once
// Hooks into the sound stand-in for tests. Not part of the FSOUND surface the
// game uses.

class FSoundBackend;

namespace FSoundPlatform {

// Where the mixed sound goes.
enum class Output {
    None,     // not initialised, or nothing could be opened
    Device,   // a sound device
    Silent,   // no device: mixed in real time and thrown away
    Loopback, // mixed only when RenderLoopback asks (tests)
};

// Every FSOUND call goes to `backend` until it is reset with null (OpenAL).
// The backend is not owned.
void SetBackend(FSoundBackend* backend);

// The device the next FSOUND_Init opens; null for the default one. A name no
// device has makes the stand-in fall back to its silent output.
void SetDeviceName(const char* name);
// With true, the next FSOUND_Init renders into memory, as 32-bit float
// stereo frames at the mixing rate, and only when RenderLoopback is called.
void UseLoopback(bool use);

Output GetOutput();

// Mixes `frameCount` stereo frames (left, right) into `frames`. False when
// the loopback output is not the one in use.
bool RenderLoopback(float* frames, int frameCount);

// Wakes the stream thread and waits until it has finished a whole refill pass
// begun after the call, so that rendering ahead of real time does not starve a
// stream. False when no stream thread runs.
bool WaitForStreams();

} // namespace FSoundPlatform
