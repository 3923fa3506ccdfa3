"""Generated sounds: a few synthesis helpers, 16-bit WAV files, and Ogg Vorbis
files encoded through libsndfile (the library the game decodes with)."""

import ctypes
import ctypes.util
import io
import math
import os
import random
import struct
import tempfile
import wave

SAMPLE_RATE = 22050
TWO_PI = 2.0 * math.pi
FULL_SCALE = 32767


def sine(frequency, seconds, amplitude=1.0, harmonics=(1.0,)):
    """A tone of the given harmonic amplitudes (1st, 2nd, ...)."""
    count = int(seconds * SAMPLE_RATE)
    tone = [0.0] * count
    for n, weight in enumerate(harmonics, 1):
        if weight:
            step, gain = TWO_PI * frequency * n / SAMPLE_RATE, amplitude * weight
            tone = [t + gain * math.sin(step * i) for i, t in enumerate(tone)]
    return tone


def noise(rng, seconds, amplitude=1.0):
    return [amplitude * (rng.random() * 2.0 - 1.0) for _ in range(int(seconds * SAMPLE_RATE))]


def low_pass(samples, smoothing):
    """A one-pole filter: the closer smoothing is to 1, the darker."""
    out, last = [], 0.0
    for s in samples:
        last += (1.0 - smoothing) * (s - last)
        out.append(last)
    return out


def decay(samples, seconds_to_silence, attack=0.002):
    """A short linear attack, then an exponential fall to -60 dB."""
    attack_count = max(1, int(attack * SAMPLE_RATE))
    rate = math.log(1000.0) / (seconds_to_silence * SAMPLE_RATE)
    return [s * min(1.0, i / attack_count) * math.exp(-rate * i) for i, s in enumerate(samples)]


def mix_into(buffer, samples, start, gain=1.0, wrap=False):
    """Adds samples into buffer from start; with wrap, what runs past the end comes round to the start."""
    length = len(buffer)
    while samples and start < length:
        end = min(start + len(samples), length)
        buffer[start:end] = [b + gain * s for b, s in zip(buffer[start:end], samples)]
        samples = samples[end - start:] if wrap else []
        start = 0


def normalise(samples, peak):
    loudest = max(abs(s) for s in samples) or 1.0
    return [s * peak / loudest for s in samples]


def whoosh(seconds=1.4, seed=1508):
    """Air rushing past: noise that swells and fades while its filter opens
    and closes again, as if something flew by. The cinema's sweep."""
    rng = random.Random(seed)
    count = int(seconds * SAMPLE_RATE)
    out, last = [], 0.0
    for i, s in enumerate(noise(rng, seconds)):
        phase = math.sin(math.pi * i / count)
        last += (0.04 + 0.26 * phase) * (s - last)  # brightest as it passes
        out.append(last * phase * phase)
    return wav_bytes(normalise(out, 0.7))


def to_pcm16(samples):
    return [max(-FULL_SCALE, min(FULL_SCALE, round(s * FULL_SCALE))) for s in samples]


def interleave(left, right):
    frames = []
    for pair in zip(left, right):
        frames.extend(pair)
    return frames


def wav_bytes(samples, channels=1):
    """Samples in -1..1 (interleaved when stereo) as a 16-bit PCM WAV file."""
    out = io.BytesIO()
    with wave.open(out, "wb") as wav:
        wav.setnchannels(channels)
        wav.setsampwidth(2)
        wav.setframerate(SAMPLE_RATE)
        wav.writeframes(struct.pack("<%dh" % len(samples), *to_pcm16(samples)))
    return out.getvalue()


# libsndfile's interface, as much as writing one file takes.
SFM_WRITE = 0x20
SF_FORMAT_OGG = 0x200000
SF_FORMAT_VORBIS = 0x0060
SFC_SET_VBR_ENCODING_QUALITY = 0x1300


class SfInfo(ctypes.Structure):
    _fields_ = [("frames", ctypes.c_int64), ("samplerate", ctypes.c_int), ("channels", ctypes.c_int),
                ("format", ctypes.c_int), ("sections", ctypes.c_int), ("seekable", ctypes.c_int)]


def load_sndfile():
    lib = ctypes.CDLL(ctypes.util.find_library("sndfile") or "libsndfile.so.1")
    lib.sf_open.restype = ctypes.c_void_p
    lib.sf_open.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(SfInfo)]
    lib.sf_command.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
    lib.sf_writef_short.restype = ctypes.c_int64
    lib.sf_writef_short.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int64]
    lib.sf_close.argtypes = [ctypes.c_void_p]
    lib.sf_strerror.restype = ctypes.c_char_p
    lib.sf_strerror.argtypes = [ctypes.c_void_p]
    return lib


def ogg_vorbis_bytes(samples, channels, quality):
    """Samples in -1..1 (interleaved when stereo) as an Ogg Vorbis file; quality 0..1."""
    lib = load_sndfile()
    pcm = (ctypes.c_short * len(samples))(*to_pcm16(samples))
    handle, path = tempfile.mkstemp(suffix=".ogg")
    os.close(handle)
    try:
        info = SfInfo(0, SAMPLE_RATE, channels, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0, 0)
        sound = lib.sf_open(path.encode(), SFM_WRITE, ctypes.byref(info))
        if not sound:
            raise RuntimeError("libsndfile cannot write Ogg Vorbis: %s" % lib.sf_strerror(None).decode())
        level = ctypes.c_double(quality)
        lib.sf_command(sound, SFC_SET_VBR_ENCODING_QUALITY, ctypes.byref(level), ctypes.sizeof(level))
        frames = len(samples) // channels
        written = lib.sf_writef_short(sound, pcm, frames)
        lib.sf_close(sound)
        if written != frames:
            raise RuntimeError("libsndfile wrote %d of %d frames" % (written, frames))
        with open(path, "rb") as encoded:
            return pin_ogg_serial(encoded.read())
    finally:
        os.remove(path)


# Ogg pages: "OggS", then the serial number at byte 14 and the CRC at byte 22.
OGG_CAPTURE = b"OggS"
OGG_SERIAL_AT = 14
OGG_CRC_AT = 22
OGG_SEGMENT_COUNT_AT = 26
OGG_HEADER_SIZE = 27
PINNED_SERIAL = 0x4B454C4D


OGG_CRC_POLYNOMIAL = 0x04C11DB7


def make_crc_table():
    table = []
    for index in range(256):
        crc = index << 24
        for _ in range(8):
            crc = ((crc << 1) ^ OGG_CRC_POLYNOMIAL) if crc & 0x80000000 else (crc << 1)
        table.append(crc & 0xFFFFFFFF)
    return table


OGG_CRC_TABLE = make_crc_table()


def ogg_crc(data):
    crc = 0
    for byte in data:
        crc = ((crc << 8) & 0xFFFFFFFF) ^ OGG_CRC_TABLE[(crc >> 24) ^ byte]
    return crc


def pin_ogg_serial(data):
    """libsndfile picks a random stream serial number: a fixed one keeps the
    file the same from one run to the next."""
    data = bytearray(data)
    at = 0
    while at < len(data):
        if data[at:at + 4] != OGG_CAPTURE:
            raise RuntimeError("not an Ogg page at byte %d" % at)
        segments = data[at + OGG_SEGMENT_COUNT_AT]
        body = sum(data[at + OGG_HEADER_SIZE:at + OGG_HEADER_SIZE + segments])
        end = at + OGG_HEADER_SIZE + segments + body
        struct.pack_into("<I", data, at + OGG_SERIAL_AT, PINNED_SERIAL)
        struct.pack_into("<I", data, at + OGG_CRC_AT, 0)
        struct.pack_into("<I", data, at + OGG_CRC_AT, ogg_crc(data[at:end]))
        at = end
    return bytes(data)


SYLLABLES_PER_SECOND = 4.0
# A voice's vowel: the weights of its harmonics.
VOICE_SHAPE = (1.0, 0.7, 0.45, 0.3, 0.18, 0.1)


def murmur(seconds, pitch, seed):
    """Speech-like mumbling: a pitched buzz whose loudness rises and falls in
    syllables and whose pitch drifts, for voice lines without words."""
    rng = random.Random(seed)
    count = int(seconds * SAMPLE_RATE)
    syllable = int(SAMPLE_RATE / SYLLABLES_PER_SECOND)
    out, phase = [], 0.0
    for start in range(0, count, syllable):
        length = min(syllable, count - start)
        frequency = pitch * (0.85 + 0.3 * rng.random())
        loudness = 0.4 + 0.6 * rng.random()
        for i in range(length):
            phase += TWO_PI * frequency / SAMPLE_RATE
            envelope = loudness * math.sin(math.pi * i / length)
            out.append(envelope * sum(w * math.sin(n * phase) for n, w in enumerate(VOICE_SHAPE, 1)))
    return wav_bytes(normalise(out, 0.6))


# The voice lines of the conversation scripts: file, seconds (about as long as
# the line takes to say), the speaker's pitch in Hz.
GUIDE_PITCH = 120.0
DISPATCHER_PITCH = 180.0
VOICE_LINES = [
    ("intro_01", 2.0, GUIDE_PITCH),
    ("intro_02", 3.2, GUIDE_PITCH),
    ("intro_03", 2.4, GUIDE_PITCH),
    ("intro_04", 1.2, GUIDE_PITCH),
    ("intro_05", 3.2, GUIDE_PITCH),
    ("intro_06", 2.8, GUIDE_PITCH),
    ("intro_07", 3.2, GUIDE_PITCH),
    ("intro_08", 2.2, GUIDE_PITCH),
    ("intro_09", 2.6, GUIDE_PITCH),
    ("intro_10", 2.2, GUIDE_PITCH),
    ("intro_11", 3.4, GUIDE_PITCH),
    ("intro_12", 3.0, GUIDE_PITCH),
    ("intro_13", 3.6, GUIDE_PITCH),
    ("intro_14", 1.2, GUIDE_PITCH),
    ("depot_01", 1.2, DISPATCHER_PITCH),
    ("depot_02", 1.2, DISPATCHER_PITCH),
    ("depot_03", 1.2, DISPATCHER_PITCH),
    ("depot_04", 0.9, DISPATCHER_PITCH),
]

ASSETS = {
    "Assets/Sounds/Voice/%s.wav" % name: (lambda s=seconds, p=pitch, seed=index: murmur(s, p, seed))
    for index, (name, seconds, pitch) in enumerate(VOICE_LINES)
}
