#include <gtest/gtest.h>

#include <string>

#include "Core/FatalError.h"
#include "Core/Log.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

TEST(FatalErrorTest, FormatsAndCutsLongMessages)
{
    EXPECT_FATAL(FatalError("Unable to find asset \"%s\" of type <%s>", "Lizard", "CGameActor"),
                 "Unable to find asset \"Lizard\" of type <CGameActor>");

    const std::string longName(600, 'x');
    try {
        FatalError("%s", longName.c_str());
    } catch (const FatalErrorThrown& fatal) {
        EXPECT_EQ(std::string(511, 'x'), fatal.what());
    }
}

TEST(FatalErrorDeathTest, DefaultHandlerReportsLogsAndExitsWithMinusOne)
{
    TempDir dir;
    ScopedWorkingDir cwd(dir.Path());
    EXPECT_EXIT(
        {
            g_Log.Open("log.txt");
            SetFatalErrorHandler(nullptr);
            FatalError("Mission failed to load %d", 3);
        },
        ::testing::ExitedWithCode(255), "umm: Mission failed to load 3");
    EXPECT_NE(std::string::npos, dir.Read("log.txt").find("] Mission failed to load 3\n"));
}

} // namespace
