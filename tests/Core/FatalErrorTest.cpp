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
    // The line naming the file is cut alike.
    CScriptFileScope scope(longName);
    EXPECT_FATAL(FatalError("Bad"), "Bad\nin " + std::string(508, 'x'));
}

TEST(FatalErrorTest, NamesTheInnermostScriptFileBeingRead)
{
    EXPECT_FATAL(FatalError("Bad"), "Bad");
    CScriptFileScope outer("Scripts\\Levels.txt");
    EXPECT_FATAL(FatalError("Bad"), "Bad\nin Scripts\\Levels.txt");
    {
        CScriptFileScope inner("Scripts\\Levels\\Nodes.txt");
        SetScriptLine(7);
        EXPECT_FATAL(FatalError("Bad"), "Bad\nin Scripts\\Levels\\Nodes.txt, line 7");
        // A message that names the file already is left as it is.
        EXPECT_FATAL(FatalError("Bad token in %s", "Scripts\\Levels\\Nodes.txt"),
                     "Bad token in Scripts\\Levels\\Nodes.txt");
    }
    EXPECT_FATAL(FatalError("Bad"), "Bad\nin Scripts\\Levels.txt");
}

TEST(FatalErrorDeathTest, DefaultHandlerReportsLogsAndExitsWithMinusOne)
{
    TempDir dir;
    ScopedWorkingDir cwd(dir.Path());
    EXPECT_EXIT(
        {
            g_Log.Open("log.txt");
            SetFatalErrorHandler(nullptr);
            CScriptFileScope scope("Scripts\\Missions\\M1.txt");
            FatalError("Mission failed to load %d", 3);
        },
        ::testing::ExitedWithCode(255), "umm: Mission failed to load 3\nin Scripts.Missions.M1.txt");
    EXPECT_NE(std::string::npos,
              dir.Read("log.txt").find("] Mission failed to load 3\nin Scripts\\Missions\\M1.txt\n"));
}

} // namespace
