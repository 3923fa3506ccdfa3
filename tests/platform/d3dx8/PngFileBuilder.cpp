#include "platform/d3dx8/PngFileBuilder.h"

#include <algorithm>
#include <string>

namespace {

constexpr size_t kMaxStoredBlock = 65535;

uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t Adler32(const std::vector<uint8_t>& data)
{
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const std::string& type, const std::vector<uint8_t>& body)
{
    PutBig32(out, static_cast<uint32_t>(body.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

int Channels(uint8_t colourType)
{
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

// One scanline of the given pixels (filter type 0), samples packed most
// significant first, 16-bit samples big-endian.
void PutRow(std::vector<uint8_t>& out, const PngFileSpec& spec, const std::vector<uint32_t>& pixelIndices)
{
    const int channels = Channels(spec.colourType);
    out.push_back(0);
    uint32_t bitBuffer = 0;
    int bitCount = 0;
    for (uint32_t pixel : pixelIndices) {
        for (int c = 0; c < channels; ++c) {
            const uint16_t sample = spec.samples[pixel * channels + c];
            if (spec.bitDepth == 16) {
                out.push_back(static_cast<uint8_t>(sample >> 8));
                out.push_back(static_cast<uint8_t>(sample));
                continue;
            }
            bitBuffer = (bitBuffer << spec.bitDepth) | sample;
            bitCount += spec.bitDepth;
            if (bitCount == 8) {
                out.push_back(static_cast<uint8_t>(bitBuffer));
                bitBuffer = 0;
                bitCount = 0;
            }
        }
    }
    if (bitCount > 0)
        out.push_back(static_cast<uint8_t>(bitBuffer << (8 - bitCount)));
}

struct Pass {
    uint32_t x0, y0, dx, dy;
};

std::vector<uint8_t> RawImageData(const PngFileSpec& spec)
{
    static const Pass kWhole[] = {{0, 0, 1, 1}};
    static const Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const Pass* passes = spec.interlaced ? kAdam7 : kWhole;
    const size_t passCount = spec.interlaced ? 7 : 1;
    std::vector<uint8_t> raw;
    for (size_t p = 0; p < passCount; ++p) {
        const Pass& pass = passes[p];
        for (uint32_t y = pass.y0; y < spec.height; y += pass.dy) {
            std::vector<uint32_t> row;
            for (uint32_t x = pass.x0; x < spec.width; x += pass.dx)
                row.push_back(y * spec.width + x);
            if (!row.empty())
                PutRow(raw, spec, row);
        }
    }
    return raw;
}

std::vector<uint8_t> StoredZlibStream(const std::vector<uint8_t>& raw)
{
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t length = std::min(kMaxStoredBlock, raw.size() - at);
        const bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + at, raw.begin() + at + length);
        at += length;
    } while (at < raw.size());
    PutBig32(out, Adler32(raw));
    return out;
}

} // namespace

std::vector<uint8_t> BuildPngFile(const PngFileSpec& spec)
{
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBig32(header, spec.width);
    PutBig32(header, spec.height);
    header.push_back(spec.bitDepth);
    header.push_back(spec.colourType);
    header.push_back(0); // deflate
    header.push_back(0); // adaptive filtering
    header.push_back(spec.interlaced ? 1 : 0);
    PutChunk(out, "IHDR", header);
    if (!spec.palette.empty())
        PutChunk(out, "PLTE", spec.palette);
    if (!spec.transparency.empty())
        PutChunk(out, "tRNS", spec.transparency);
    PutChunk(out, "IDAT", StoredZlibStream(RawImageData(spec)));
    PutChunk(out, "IEND", {});
    return out;
}

void FixPngHeaderCrc(std::vector<uint8_t>& file)
{
    constexpr size_t kTypeAt = 12;
    constexpr size_t kHeaderChunkSize = 4 + 13;
    const uint32_t crc = Crc32(file.data() + kTypeAt, kHeaderChunkSize);
    for (int i = 0; i < 4; ++i)
        file[kTypeAt + kHeaderChunkSize + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}
