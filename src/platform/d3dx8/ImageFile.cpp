#include "platform/d3dx8/ImageFile.h"

#include <cstdio>
#include <vector>

#include "platform/d3dx8/BmpImage.h"
#include "platform/d3dx8/JpegImage.h"
#include "platform/d3dx8/PngImage.h"
#include "platform/files/Files.h"

namespace {

constexpr uint8_t kBmpMagic0 = 'B';
constexpr uint8_t kBmpMagic1 = 'M';
// The largest file read at all: an uncompressed 32-bit bitmap of the largest
// accepted size, plus room for its headers.
constexpr uint64_t kMaxImageFileSize =
    static_cast<uint64_t>(kImageMaxDimension) * kImageMaxDimension * 4 + 4096;
constexpr size_t kReadChunk = 64 * 1024;

class FileCloser {
public:
    explicit FileCloser(FILE* file) : m_File(file) {}
    ~FileCloser()
    {
        if (m_File != nullptr)
            std::fclose(m_File);
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

    FILE* Get() const { return m_File; }
    // Closes now so a failure to flush is seen; false when it failed.
    bool Close()
    {
        FILE* file = m_File;
        m_File = nullptr;
        return std::fclose(file) == 0;
    }

private:
    FILE* m_File;
};

// Chunked reads rather than a seek to the end: the size of a file that is not
// seekable or changes under us is never trusted.
bool ReadWholeFile(const std::string& gamePath, std::vector<uint8_t>& bytes)
{
    FileCloser file(Files::Open(gamePath, "rb"));
    if (file.Get() == nullptr)
        return false;
    bytes.clear();
    std::vector<uint8_t> chunk(kReadChunk);
    size_t count = 0;
    while ((count = std::fread(chunk.data(), 1, chunk.size(), file.Get())) > 0) {
        if (bytes.size() + count > kMaxImageFileSize)
            return false;
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<ptrdiff_t>(count));
    }
    return std::ferror(file.Get()) == 0;
}

} // namespace

ImageFileType DetectImageFileType(const uint8_t* data, size_t size)
{
    if (IsPng(data, size))
        return ImageFileType::Png;
    if (IsJpeg(data, size))
        return ImageFileType::Jpeg;
    if (data != nullptr && size >= 2 && data[0] == kBmpMagic0 && data[1] == kBmpMagic1)
        return ImageFileType::Bmp;
    return ImageFileType::Unknown;
}

bool DecodeImageFile(const uint8_t* data, size_t size, ArgbImage& image, ImageFileType& type)
{
    image = ArgbImage();
    type = DetectImageFileType(data, size);
    switch (type) {
    case ImageFileType::Bmp:
        return DecodeBmp(data, size, image);
    case ImageFileType::Png:
        return DecodePng(data, size, image);
    case ImageFileType::Jpeg:
        return DecodeJpeg(data, size, image);
    case ImageFileType::Unknown:
        break;
    }
    return false;
}

bool LoadImageFile(const std::string& gamePath, ArgbImage& image, ImageFileType& type)
{
    image = ArgbImage();
    type = ImageFileType::Unknown;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(gamePath, bytes))
        return false;
    return DecodeImageFile(bytes.data(), bytes.size(), image, type);
}

bool SaveBmpFile(const std::string& gamePath, const ArgbImage& image)
{
    const std::vector<uint8_t> bytes = EncodeBmp24(image);
    if (bytes.empty())
        return false;
    FileCloser file(Files::Open(gamePath, "wb"));
    if (file.Get() == nullptr)
        return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.Get()) != bytes.size())
        return false;
    return file.Close();
}
