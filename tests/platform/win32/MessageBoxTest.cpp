#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/win32/Win32Platform.h"

namespace {

// Sets an environment variable for one scope, then puts it back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_Name(name)
    {
        const char* old = std::getenv(name);
        m_Had = old != nullptr;
        if (m_Had)
            m_Old = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_Had)
            setenv(m_Name.c_str(), m_Old.c_str(), 1);
        else
            unsetenv(m_Name.c_str());
    }

private:
    std::string m_Name;
    std::string m_Old;
    bool m_Had = false;
};

TEST(Win32MessageBox, HeadlessDriversHaveNoDisplay)
{
    ScopedEnv display("DISPLAY", ":0");
    {
        ScopedEnv driver("SDL_VIDEODRIVER", "offscreen");
        EXPECT_FALSE(Win32Platform::HasDisplay());
    }
    {
        ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
        EXPECT_FALSE(Win32Platform::HasDisplay());
    }
}

TEST(Win32MessageBox, WritesCaptionAndTextToStderrWhenHeadless)
{
    ScopedEnv driver("SDL_VIDEODRIVER", "offscreen");
    ::testing::internal::CaptureStderr();
    const int result = MessageBoxA(nullptr, "Unable to find asset \"x\"", "umm", MB_ICONHAND | MB_TOPMOST);
    const std::string written = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("umm: Unable to find asset \"x\"\n", written);
}

} // namespace
