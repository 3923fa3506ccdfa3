#include "platform/d3dx8/JpegImage.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint32_t kOpaqueAlpha = 0xFF;
constexpr int kRgbChannels = 3;
// libjpeg keeps whole-image coefficient buffers for progressive files; a
// damaged header must not be able to ask it for more than this.
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;

// libjpeg's error manager with the way back to RunJpegStep. Only plain data:
// a longjmp passes over the frames that use it.
struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf jump;
    bool sawWarning = false;
};

struct JpegReader {
    // Zeroed so that destroying it is safe even when creation failed.
    jpeg_decompress_struct info = {};
    JpegErrors errors;
    const uint8_t* data = nullptr;
    size_t size = 0;
    JSAMPROW row = nullptr; // filled by the caller before reading a scanline
};

void OnJpegError(j_common_ptr info)
{
    JpegErrors* errors = reinterpret_cast<JpegErrors*>(info->err);
    longjmp(errors->jump, 1);
}

// Level -1 is a warning: corrupt data or a premature end of the file, which
// libjpeg papers over with grey. Levels 0 and up are traces.
void OnJpegMessage(j_common_ptr info, int level)
{
    if (level < 0)
        reinterpret_cast<JpegErrors*>(info->err)->sawWarning = true;
}

// Owns libjpeg's decompressor for one decode.
class JpegSession {
public:
    JpegSession(const uint8_t* data, size_t size);
    ~JpegSession();
    JpegSession(const JpegSession&) = delete;
    JpegSession& operator=(const JpegSession&) = delete;

    JpegReader& Reader() { return m_Reader; }

private:
    JpegReader m_Reader;
};

JpegSession::JpegSession(const uint8_t* data, size_t size)
{
    m_Reader.info.err = jpeg_std_error(&m_Reader.errors.manager);
    m_Reader.errors.manager.error_exit = OnJpegError;
    m_Reader.errors.manager.emit_message = OnJpegMessage;
    m_Reader.data = data;
    m_Reader.size = size;
}

JpegSession::~JpegSession()
{
    jpeg_destroy_decompress(&m_Reader.info);
}

void CreateStep(JpegReader& reader)
{
    jpeg_create_decompress(&reader.info);
}

void ReadHeaderStep(JpegReader& reader)
{
    reader.info.mem->max_memory_to_use = kMaxDecoderMemory;
    jpeg_mem_src(&reader.info, reader.data, static_cast<unsigned long>(reader.size));
    jpeg_read_header(&reader.info, TRUE);
}

void StartStep(JpegReader& reader)
{
    reader.info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&reader.info);
}

void ReadRowStep(JpegReader& reader)
{
    JSAMPROW rows[1] = {reader.row};
    jpeg_read_scanlines(&reader.info, rows, 1);
}

void FinishStep(JpegReader& reader)
{
    jpeg_finish_decompress(&reader.info);
}

typedef void (*JpegStep)(JpegReader& reader);

// The only place that catches libjpeg's errors: OnJpegError jumps back here.
// A warning fails the step too.
bool RunJpegStep(JpegReader& reader, JpegStep step)
{
    if (setjmp(reader.errors.jump) != 0)
        return false;
    step(reader);
    return !reader.errors.sawWarning;
}

bool HeaderIsUsable(const jpeg_decompress_struct& info)
{
    return info.image_width > 0 && info.image_height > 0 && info.image_width <= kImageMaxDimension &&
           info.image_height <= kImageMaxDimension;
}

// Rows are appended as they decode, so a file that ends early has cost no
// more memory than the rows it really held.
bool ReadRows(JpegReader& reader, ArgbImage& image)
{
    const jpeg_decompress_struct& info = reader.info;
    if (info.output_components != kRgbChannels || info.output_width != info.image_width ||
        info.output_height != info.image_height)
        return false;
    std::vector<uint8_t> rgb(static_cast<size_t>(info.output_width) * kRgbChannels);
    reader.row = rgb.data();
    while (info.output_scanline < info.output_height) {
        const JDIMENSION before = info.output_scanline;
        if (!RunJpegStep(reader, ReadRowStep) || info.output_scanline != before + 1)
            return false;
        for (JDIMENSION x = 0; x < info.output_width; ++x) {
            const uint8_t* p = rgb.data() + x * kRgbChannels;
            image.pixels.push_back(PackArgb(kOpaqueAlpha, p[0], p[1], p[2]));
        }
    }
    return true;
}

bool Decode(const uint8_t* data, size_t size, ArgbImage& image)
{
    JpegSession session(data, size);
    JpegReader& reader = session.Reader();
    if (!RunJpegStep(reader, CreateStep))
        return false;
    if (!RunJpegStep(reader, ReadHeaderStep) || !HeaderIsUsable(reader.info))
        return false;
    if (!RunJpegStep(reader, StartStep) || !ReadRows(reader, image))
        return false;
    if (!RunJpegStep(reader, FinishStep))
        return false;
    image.width = reader.info.output_width;
    image.height = reader.info.output_height;
    return true;
}

} // namespace

bool IsJpeg(const uint8_t* data, size_t size)
{
    return data != nullptr && size >= 2 && data[0] == kMarkerPrefix && data[1] == kStartOfImage;
}

bool DecodeJpeg(const uint8_t* data, size_t size, ArgbImage& image)
{
    image = ArgbImage();
    if (!IsJpeg(data, size))
        return false;
    if (Decode(data, size, image))
        return true;
    image = ArgbImage();
    return false;
}
