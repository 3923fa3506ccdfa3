#include "Core/ReplaceFile.h"

#include <cstdio>

#include "platform/files/Files.h"

namespace {

const char* const TEMPORARY_SUFFIX = ".new";

} // namespace

bool ReplaceFileText(const std::string& gamePath, const std::string& text)
{
    const std::string target = Files::ResolveWritePath(gamePath);
    const std::string temporary = target + TEMPORARY_SUFFIX;
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
