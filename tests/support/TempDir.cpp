#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "kelm-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        std::abort();
    m_Path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(m_Path, ec);
}

void TempDir::Write(const std::string& relative, const std::string& text) const
{
    fs::path path = fs::path(m_Path) / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string TempDir::Read(const std::string& relative) const
{
    std::ifstream in(fs::path(m_Path) / relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ScopedWorkingDir::ScopedWorkingDir(const std::string& path)
    : m_Previous(fs::current_path().string())
{
    fs::current_path(path);
}

ScopedWorkingDir::~ScopedWorkingDir()
{
    std::error_code ec;
    fs::current_path(m_Previous, ec);
}
