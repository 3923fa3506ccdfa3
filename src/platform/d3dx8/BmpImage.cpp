#include "platform/d3dx8/BmpImage.h"

namespace {

constexpr uint16_t kBmpMagic = 0x4D42; // "BM"
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;   // BITMAPINFOHEADER
constexpr uint32_t kV2HeaderSize = 52;     // adds the red, green and blue masks
constexpr uint32_t kV3HeaderSize = 56;     // adds the alpha mask
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionBitfields = 3;
constexpr size_t kMaskFieldsSize = 12;     // three masks after a plain info header
constexpr size_t kPaletteEntrySize = 4;    // blue, green, red, reserved
constexpr uint32_t kOpaqueAlpha = 0xFF;
constexpr uint32_t kPixelsPerMetre72Dpi = 2835;

// Offsets of the fields within the file.
constexpr size_t kOffsetFileMagic = 0;
constexpr size_t kOffsetDataOffset = 10;
constexpr size_t kOffsetHeaderSize = 14;
constexpr size_t kOffsetWidth = 18;
constexpr size_t kOffsetHeight = 22;
constexpr size_t kOffsetPlanes = 26;
constexpr size_t kOffsetBitCount = 28;
constexpr size_t kOffsetCompression = 30;
constexpr size_t kOffsetColoursUsed = 46;
constexpr size_t kOffsetRedMask = 54;
constexpr size_t kOffsetAlphaMask = 66;

uint16_t ReadU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void WriteU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void WriteU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
}

bool IsKnownHeaderSize(uint32_t size)
{
    return size == kInfoHeaderSize || size == kV2HeaderSize || size == kV3HeaderSize ||
           size == kV4HeaderSize || size == kV5HeaderSize;
}

uint64_t RowStride(uint32_t width, uint32_t bitCount)
{
    return ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
}

// One channel of a BI_BITFIELDS pixel: where its bits are and how to widen
// them to eight.
struct Channel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t maxValue = 0;

    bool Set(uint32_t newMask)
    {
        mask = newMask;
        if (mask == 0)
            return true;
        shift = 0;
        while (((mask >> shift) & 1u) == 0)
            ++shift;
        const uint32_t bits = mask >> shift;
        if ((bits & (bits + 1)) != 0)
            return false; // the bits must be contiguous
        maxValue = bits;
        return true;
    }

    uint32_t Extract(uint32_t pixel, uint32_t whenAbsent) const
    {
        if (mask == 0)
            return whenAbsent;
        const uint64_t value = (pixel & mask) >> shift;
        return static_cast<uint32_t>((value * 255 + maxValue / 2) / maxValue);
    }
};

struct Header {
    uint32_t dataOffset = 0;
    uint32_t headerSize = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;
    uint32_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t paletteCount = 0;
    size_t paletteOffset = 0;
    Channel red, green, blue, alpha;
};

bool ReadDimensions(const uint8_t* data, Header& header)
{
    const int64_t width = static_cast<int32_t>(ReadU32(data + kOffsetWidth));
    const int64_t height = static_cast<int32_t>(ReadU32(data + kOffsetHeight));
    const int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows == 0)
        return false;
    if (width > kBmpMaxDimension || rows > kBmpMaxDimension)
        return false;
    header.width = static_cast<uint32_t>(width);
    header.height = static_cast<uint32_t>(rows);
    header.topDown = height < 0;
    return true;
}

bool ReadFormat(const uint8_t* data, Header& header)
{
    if (ReadU16(data + kOffsetPlanes) != 1)
        return false;
    header.bitCount = ReadU16(data + kOffsetBitCount);
    header.compression = ReadU32(data + kOffsetCompression);
    if (header.compression == kCompressionBitfields)
        return header.bitCount == 32;
    if (header.compression != kCompressionRgb)
        return false;
    switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
        return true;
    default:
        return false;
    }
}

// The masks live inside a V2 or later header, or right after a plain one.
bool ReadMasks(const uint8_t* data, size_t size, Header& header)
{
    size_t maskOffset = kOffsetRedMask;
    if (header.headerSize == kInfoHeaderSize) {
        maskOffset = kFileHeaderSize + kInfoHeaderSize;
        if (maskOffset + kMaskFieldsSize > size)
            return false;
        header.paletteOffset += kMaskFieldsSize;
    }
    const uint32_t red = ReadU32(data + maskOffset);
    const uint32_t green = ReadU32(data + maskOffset + 4);
    const uint32_t blue = ReadU32(data + maskOffset + 8);
    const uint32_t alpha = header.headerSize >= kV3HeaderSize ? ReadU32(data + kOffsetAlphaMask) : 0;
    if (red == 0 || green == 0 || blue == 0)
        return false;
    const uint32_t overlap = (red & green) | (red & blue) | (green & blue) | ((red | green | blue) & alpha);
    if (overlap != 0)
        return false;
    return header.red.Set(red) && header.green.Set(green) && header.blue.Set(blue) &&
           header.alpha.Set(alpha);
}

bool ReadPaletteCount(const uint8_t* data, Header& header)
{
    if (header.bitCount > 8)
        return true; // an optional palette of a true-colour file is never used
    const uint32_t maximum = 1u << header.bitCount;
    const uint32_t used = ReadU32(data + kOffsetColoursUsed);
    if (used > maximum)
        return false;
    header.paletteCount = used == 0 ? maximum : used;
    return true;
}

bool ReadHeader(const uint8_t* data, size_t size, Header& header)
{
    if (data == nullptr || size < kFileHeaderSize + kInfoHeaderSize)
        return false;
    if (ReadU16(data + kOffsetFileMagic) != kBmpMagic)
        return false;
    header.dataOffset = ReadU32(data + kOffsetDataOffset);
    header.headerSize = ReadU32(data + kOffsetHeaderSize);
    if (!IsKnownHeaderSize(header.headerSize) || kFileHeaderSize + header.headerSize > size)
        return false;
    header.paletteOffset = kFileHeaderSize + header.headerSize;
    if (!ReadDimensions(data, header) || !ReadFormat(data, header))
        return false;
    if (header.compression == kCompressionBitfields && !ReadMasks(data, size, header))
        return false;
    if (!ReadPaletteCount(data, header))
        return false;

    const uint64_t paletteEnd =
        header.paletteOffset + static_cast<uint64_t>(header.paletteCount) * kPaletteEntrySize;
    if (header.dataOffset < paletteEnd)
        return false;
    const uint64_t dataEnd =
        header.dataOffset + RowStride(header.width, header.bitCount) * header.height;
    return dataEnd <= size;
}

void DecodePalettedRow(const uint8_t* row, const Header& header, const uint32_t* palette,
                       uint32_t* out, bool& badIndex)
{
    const uint32_t bits = header.bitCount;
    const uint32_t perByte = 8 / bits;
    const uint32_t valueMask = (1u << bits) - 1;
    for (uint32_t x = 0; x < header.width; ++x) {
        const uint8_t byte = row[x / perByte];
        // The leftmost pixel sits in the most significant bits.
        const uint32_t shift = 8 - bits * (x % perByte + 1);
        const uint32_t index = (byte >> shift) & valueMask;
        if (index >= header.paletteCount) {
            badIndex = true;
            return;
        }
        out[x] = palette[index];
    }
}

void DecodeRgbRow(const uint8_t* row, const Header& header, uint32_t* out)
{
    const uint32_t bytesPerPixel = header.bitCount / 8;
    for (uint32_t x = 0; x < header.width; ++x) {
        const uint8_t* p = row + x * bytesPerPixel;
        out[x] = PackArgb(kOpaqueAlpha, p[2], p[1], p[0]);
    }
}

void DecodeBitfieldsRow(const uint8_t* row, const Header& header, uint32_t* out)
{
    for (uint32_t x = 0; x < header.width; ++x) {
        const uint32_t pixel = ReadU32(row + x * 4);
        out[x] = PackArgb(header.alpha.Extract(pixel, kOpaqueAlpha), header.red.Extract(pixel, 0),
                          header.green.Extract(pixel, 0), header.blue.Extract(pixel, 0));
    }
}

std::vector<uint32_t> ReadPalette(const uint8_t* data, const Header& header)
{
    std::vector<uint32_t> palette(header.paletteCount);
    for (uint32_t i = 0; i < header.paletteCount; ++i) {
        const uint8_t* p = data + header.paletteOffset + i * kPaletteEntrySize;
        palette[i] = PackArgb(kOpaqueAlpha, p[2], p[1], p[0]);
    }
    return palette;
}

bool DecodePixels(const uint8_t* data, const Header& header, BmpImage& image)
{
    const std::vector<uint32_t> palette = ReadPalette(data, header);
    const size_t stride = static_cast<size_t>(RowStride(header.width, header.bitCount));
    image.width = header.width;
    image.height = header.height;
    image.pixels.assign(static_cast<size_t>(header.width) * header.height, 0);

    for (uint32_t y = 0; y < header.height; ++y) {
        const uint32_t fileRow = header.topDown ? y : header.height - 1 - y;
        const uint8_t* row = data + header.dataOffset + fileRow * stride;
        uint32_t* out = image.pixels.data() + static_cast<size_t>(y) * header.width;
        if (header.compression == kCompressionBitfields) {
            DecodeBitfieldsRow(row, header, out);
            continue;
        }
        if (header.bitCount > 8) {
            DecodeRgbRow(row, header, out);
            continue;
        }
        bool badIndex = false;
        DecodePalettedRow(row, header, palette.data(), out, badIndex);
        if (badIndex)
            return false;
    }
    return true;
}

} // namespace

bool DecodeBmp(const uint8_t* data, size_t size, BmpImage& image)
{
    image = BmpImage();
    Header header;
    if (!ReadHeader(data, size, header))
        return false;
    if (DecodePixels(data, header, image))
        return true;
    image = BmpImage();
    return false;
}

std::vector<uint8_t> EncodeBmp24(const BmpImage& image)
{
    if (image.width == 0 || image.height == 0)
        return {};
    if (image.width > kBmpMaxDimension || image.height > kBmpMaxDimension)
        return {};
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height)
        return {};

    constexpr uint16_t kBitCount = 24;
    const uint32_t stride = static_cast<uint32_t>(RowStride(image.width, kBitCount));
    const uint32_t dataSize = stride * image.height;
    const uint32_t dataOffset = static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize);

    std::vector<uint8_t> out;
    out.reserve(dataOffset + dataSize);
    WriteU16(out, kBmpMagic);
    WriteU32(out, dataOffset + dataSize);
    WriteU32(out, 0); // two reserved words
    WriteU32(out, dataOffset);
    WriteU32(out, kInfoHeaderSize);
    WriteU32(out, image.width);
    WriteU32(out, image.height); // positive: bottom-up
    WriteU16(out, 1);            // planes
    WriteU16(out, kBitCount);
    WriteU32(out, kCompressionRgb);
    WriteU32(out, dataSize);
    WriteU32(out, kPixelsPerMetre72Dpi);
    WriteU32(out, kPixelsPerMetre72Dpi);
    WriteU32(out, 0); // colours used
    WriteU32(out, 0); // colours important

    const size_t padding = stride - image.width * 3;
    for (uint32_t y = image.height; y-- > 0;) {
        const uint32_t* row = image.pixels.data() + static_cast<size_t>(y) * image.width;
        for (uint32_t x = 0; x < image.width; ++x) {
            out.push_back(static_cast<uint8_t>(row[x] & 0xFF));
            out.push_back(static_cast<uint8_t>((row[x] >> 8) & 0xFF));
            out.push_back(static_cast<uint8_t>((row[x] >> 16) & 0xFF));
        }
        out.insert(out.end(), padding, 0);
    }
    return out;
}
