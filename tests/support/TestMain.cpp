#include <cstdlib>

#include <gtest/gtest.h>

#include "Core/FatalError.h"
#include "support/FatalTrap.h"

namespace {

[[noreturn]] void ThrowFatal(const char* message)
{
    throw FatalErrorThrown(message);
}

} // namespace

int main(int argc, char** argv)
{
    // Headless by default: Mesa's offscreen EGL for GL, OpenAL's null driver.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    SetFatalErrorHandler(ThrowFatal);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
