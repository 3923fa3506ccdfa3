#include "Actors/CountedList.h"

#include <cstdlib>

#include "Core/DataBuffer.h"
#include "Core/FatalError.h"

uint32_t ReadListCount(CDataBuffer& reader, const char* blockKind, const std::string& asset, const char* keyword)
{
    RequireListValue(reader, blockKind, asset, keyword);
    const int32_t count = reader.GetInteger();
    if (count < 0 || count > MAX_LIST_COUNT)
        FatalError("%s \"%s\": %s count %d is not between 0 and %d", blockKind, asset.c_str(), keyword, count,
                   MAX_LIST_COUNT);
    return static_cast<uint32_t>(count);
}

void RequireListValue(const CDataBuffer& reader, const char* blockKind, const std::string& asset,
                      const char* keyword)
{
    if (reader.IsEndOfBuffer())
        FatalError("%s \"%s\": %s runs past the end of the script", blockKind, asset.c_str(), keyword);
}

float ReadListFloat(CDataBuffer& reader, const char* blockKind, const std::string& asset, const char* keyword)
{
    RequireListValue(reader, blockKind, asset, keyword);
    return reader.GetFloat();
}

D3DXMATRIX ReadListMatrix(CDataBuffer& reader, const char* blockKind, const std::string& asset,
                          const char* keyword)
{
    D3DXMATRIX matrix;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            matrix.m[row][column] = ReadListFloat(reader, blockKind, asset, keyword);
    return matrix;
}

bool IsNumberToken(const CDataBuffer& reader)
{
    const std::string token = reader.PeekString();
    if (token.empty())
        return false;
    char* end = nullptr;
    std::strtof(token.c_str(), &end);
    return end != nullptr && *end == '\0';
}
