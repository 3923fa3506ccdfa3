#include "Level/NodeList.h"

#include <cerrno>
#include <cstdlib>

bool IsIntegerToken(const std::string& token)
{
    if (token.empty())
        return false;
    const char* start = token.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(start, &end, 10);
    return end != start && *end == '\0' && errno == 0 && value >= INT32_MIN && value <= INT32_MAX;
}

void SkipIntegerToken(CDataBuffer& reader)
{
    if (IsIntegerToken(reader.PeekString()))
        reader.NextToken();
}

void ReadIndexList(CDataBuffer& reader, int32_t count, const char* file, const std::string& where,
                   std::vector<int32_t>& indices)
{
    int32_t read = 0;
    while (read < count && IsIntegerToken(reader.PeekString())) {
        indices.push_back(reader.GetInteger());
        ++read;
    }
    LogShortIndexList(file, where, read, count);
}

void LogShortIndexList(const char* file, const std::string& where, int32_t read, int32_t count)
{
    if (read >= count)
        return;
    g_Log.Write(std::string("Short index list in ") + file + ", " + where + ": " + std::to_string(read) + " of " +
                std::to_string(count));
}

void UnknownScriptToken(const char* file, const CDataBuffer& reader)
{
    FatalError("Unknown keyword in %s: %s", file, reader.PeekString().c_str());
}
