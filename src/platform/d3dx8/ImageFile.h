#pragma once
// Image files as D3DX reads and writes them: the type is told by the file's
// first bytes (not its name), then the matching decoder runs. Paths are game
// paths and go through Files.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3dx8/ArgbImage.h"

enum class ImageFileType { Unknown, Bmp, Png, Jpeg };

ImageFileType DetectImageFileType(const uint8_t* data, size_t size);

// Decodes a whole file held in memory. False, with `image` emptied, when the
// type is not recognised or the file is corrupt.
bool DecodeImageFile(const uint8_t* data, size_t size, ArgbImage& image, ImageFileType& type);

// Reads and decodes the file at `gamePath`. False when it is missing,
// unreadable, larger than any image we accept, or fails to decode.
bool LoadImageFile(const std::string& gamePath, ArgbImage& image, ImageFileType& type);

// Writes `image` as a 24-bit BMP file, creating its folders. False when the
// image is inconsistent or the file cannot be written whole.
bool SaveBmpFile(const std::string& gamePath, const ArgbImage& image);
