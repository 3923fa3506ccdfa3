#include "platform/d3dx8/PngImage.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace {

constexpr size_t kSignatureSize = 8;
constexpr uint32_t kOpaqueAlpha = 0xFF;
constexpr int kRgbaChannels = 4;
// Deflate cannot expand a stream by more than about 1032 to 1, so a header
// whose pixels could not fit in the file is corrupt; checking this first keeps
// a tiny damaged file from asking for a huge buffer.
constexpr uint64_t kDeflateMaxRatio = 1032;

// Everything libpng needs while it reads, reached through its io and error
// pointers. Only plain data: a longjmp passes over the frames that use it.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
    uint8_t** rows = nullptr; // filled by the caller between the two steps
};

// Owns libpng's read structures for one decode.
class PngSession {
public:
    PngSession(const uint8_t* data, size_t size);
    ~PngSession();
    PngSession(const PngSession&) = delete;
    PngSession& operator=(const PngSession&) = delete;

    bool IsValid() const { return m_Reader.png != nullptr && m_Reader.info != nullptr; }
    PngReader& Reader() { return m_Reader; }

private:
    PngReader m_Reader;
};

void OnPngError(png_structp png, png_const_charp /*message*/)
{
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp /*png*/, png_const_charp /*message*/)
{
    // Recoverable problems (a bad ancillary chunk) leave a usable image.
}

void ReadPngData(png_structp png, png_bytep out, png_size_t length)
{
    PngReader* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset)
        png_error(png, "truncated");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

PngSession::PngSession(const uint8_t* data, size_t size)
{
    m_Reader.data = data;
    m_Reader.size = size;
    m_Reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_Reader, OnPngError, OnPngWarning);
    if (m_Reader.png == nullptr)
        return;
    m_Reader.info = png_create_info_struct(m_Reader.png);
    png_set_read_fn(m_Reader.png, &m_Reader, ReadPngData);
    png_set_user_limits(m_Reader.png, kImageMaxDimension, kImageMaxDimension);
}

PngSession::~PngSession()
{
    png_infopp info = m_Reader.info != nullptr ? &m_Reader.info : nullptr;
    png_destroy_read_struct(&m_Reader.png, info, nullptr);
}

// Reads the header and asks libpng for 8-bit RGBA whatever the file holds.
void ReadHeaderStep(PngReader& reader)
{
    png_structp png = reader.png;
    png_infop info = reader.info;
    png_read_info(png, info);
    const png_byte colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    png_set_strip_16(png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0)
        png_set_gray_to_rgb(png);
    png_set_filler(png, kOpaqueAlpha, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

void ReadPixelsStep(PngReader& reader)
{
    png_read_image(reader.png, reader.rows);
    png_read_end(reader.png, nullptr);
}

typedef void (*PngStep)(PngReader& reader);

// The only place that catches libpng's errors: OnPngError jumps back here.
bool RunPngStep(PngReader& reader, PngStep step)
{
    if (setjmp(png_jmpbuf(reader.png)) != 0)
        return false;
    step(reader);
    return true;
}

bool HeaderFitsFile(const PngReader& reader)
{
    const uint64_t width = png_get_image_width(reader.png, reader.info);
    const uint64_t height = png_get_image_height(reader.png, reader.info);
    if (width == 0 || height == 0 || width > kImageMaxDimension || height > kImageMaxDimension)
        return false;
    const uint64_t bitsPerPixel = static_cast<uint64_t>(png_get_bit_depth(reader.png, reader.info)) *
                                  png_get_channels(reader.png, reader.info);
    const uint64_t filterBytePerRow = 1;
    const uint64_t rawSize = height * ((width * bitsPerPixel + 7) / 8 + filterBytePerRow);
    return rawSize <= reader.size * kDeflateMaxRatio;
}

} // namespace

bool IsPng(const uint8_t* data, size_t size)
{
    return data != nullptr && size >= kSignatureSize && png_sig_cmp(data, 0, kSignatureSize) == 0;
}

bool DecodePng(const uint8_t* data, size_t size, ArgbImage& image)
{
    image = ArgbImage();
    if (!IsPng(data, size))
        return false;
    PngSession session(data, size);
    if (!session.IsValid())
        return false;
    PngReader& reader = session.Reader();
    // The header's own sizes and depths are checked by libpng as it reads them.
    if (!RunPngStep(reader, ReadHeaderStep) || !HeaderFitsFile(reader))
        return false;
    const uint32_t width = png_get_image_width(reader.png, reader.info);
    const uint32_t height = png_get_image_height(reader.png, reader.info);
    const size_t rowBytes = static_cast<size_t>(width) * kRgbaChannels;
    if (png_get_rowbytes(reader.png, reader.info) != rowBytes)
        return false;

    std::vector<uint8_t> rgba(rowBytes * height);
    std::vector<uint8_t*> rows(height);
    for (uint32_t y = 0; y < height; ++y)
        rows[y] = rgba.data() + y * rowBytes;
    reader.rows = rows.data();
    if (!RunPngStep(reader, ReadPixelsStep))
        return false;

    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint8_t* p = rgba.data() + i * kRgbaChannels;
        image.pixels[i] = PackArgb(p[3], p[0], p[1], p[2]);
    }
    return true;
}
