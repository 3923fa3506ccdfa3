#include <gtest/gtest.h>

#include "Core/Log.h"
#include "platform/win32/Win32Platform.h"
#include "support/TempDir.h"

namespace {

class CLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const SYSTEMTIME fixed = {2026, 3, 0, 7, 9, 5, 2, 0};
        Win32Platform::SetFixedLocalTime(&fixed);
    }
    void TearDown() override { Win32Platform::SetFixedLocalTime(nullptr); }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
};

TEST_F(CLogTest, OpenAppendsAStartLineAndTimestampsEveryLine)
{
    {
        CLog log;
        ASSERT_TRUE(log.Open("log.txt"));
        EXPECT_TRUE(log.Write("first"));
        EXPECT_TRUE(log.Error("Display\\Display.cpp", 455, "m_pD3DDev->Reset(&m_D3DPParms)", -2005530520));
    }
    {
        CLog again;
        ASSERT_TRUE(again.Open("log.txt"));
    }
    EXPECT_EQ("\n"
              "- Logging started 03/07/26 09:05:02\n"
              "[03/07/26 09:05:02] first\n"
              "[03/07/26 09:05:02] Error in Display\\Display.cpp #455 - m_pD3DDev->Reset(&m_D3DPParms) "
              "hr=-2005530520\n"
              "\n"
              "- Logging started 03/07/26 09:05:02\n",
              m_Dir.Read("log.txt"));
}

TEST_F(CLogTest, WritesNothingUnlessOpen)
{
    CLog log;
    EXPECT_FALSE(log.Write("lost"));
    EXPECT_FALSE(log.Error("where", 1, "what", -1));
    EXPECT_FALSE(log.Close());

    ASSERT_TRUE(log.Open("log.txt"));
    EXPECT_FALSE(log.Open("other.txt")) << "a log cannot be re-opened without a shutdown";
    EXPECT_TRUE(log.Close());
    EXPECT_FALSE(log.Write("after close"));
    EXPECT_EQ(std::string::npos, m_Dir.Read("log.txt").find("after close"));
}

TEST_F(CLogTest, UnopenableFileLeavesTheLogSilent)
{
    m_Dir.Write("taken/placeholder", "");
    CLog log;
    EXPECT_FALSE(log.Open("taken"));
    EXPECT_TRUE(log.IsInitialised());
    EXPECT_FALSE(log.Write("dropped"));
}

} // namespace
