#include "platform/files/Files.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace Files {

namespace {

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/' || c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
            continue;
        }
        part += c;
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

// The entry of `folder` named `name`: the exact name when it exists, else the
// first entry equal to it ignoring case, else empty.
std::string FindEntry(const fs::path& folder, const std::string& name)
{
    std::error_code ec;
    if (name == "." || name == ".." || fs::exists(folder / name, ec))
        return name;

    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    if (ec)
        return std::string();
    for (const fs::directory_entry& entry : it) {
        std::string candidate = entry.path().filename().string();
        if (EqualNoCase(candidate, name))
            return candidate;
    }
    return std::string();
}

fs::path Resolve(const std::string& gamePath)
{
    const bool absolute = !gamePath.empty() && (gamePath[0] == '/' || gamePath[0] == '\\');
    fs::path result = absolute ? fs::path("/") : fs::path();
    bool matching = true;
    for (const std::string& part : SplitComponents(gamePath)) {
        std::string found = matching ? FindEntry(result, part) : std::string();
        if (found.empty()) {
            // Nothing below a missing folder can exist; keep the names as given.
            matching = false;
            found = part;
        }
        result /= found;
    }
    return result;
}

} // namespace

std::string ResolvePath(const std::string& gamePath)
{
    return Resolve(gamePath).string();
}

std::string ResolveWritePath(const std::string& gamePath)
{
    fs::path path = Resolve(gamePath);
    if (path.has_parent_path()) {
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
    }
    return path.string();
}

FILE* Open(const std::string& gamePath, const char* mode)
{
    const std::string m = mode ? mode : "r";
    const bool writing = m.find('w') != std::string::npos || m.find('a') != std::string::npos;
    const std::string path = writing ? ResolveWritePath(gamePath) : ResolvePath(gamePath);
    return std::fopen(path.c_str(), m.c_str());
}

} // namespace Files
