// The save game's file: written from the mission manager, the granted extras
// and the save point at a fixed local time; read back, or refused whole.

#include "Game/ProgressData.h"

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "Game/Extras.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Game/ScriptFolderFixture.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Windows.h"

namespace {

const char* const SLOT = "Saves\\3.txt";
const char* const SLOT_FILE = "Saves/3.txt";

std::unique_ptr<CMission> MakePlain()
{
    return std::unique_ptr<CMission>(new CMission());
}

CTimeStamp Stamp(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second)
{
    CTimeStamp stamp;
    std::tie(stamp.m_Year, stamp.m_Month, stamp.m_Day, stamp.m_Hour, stamp.m_Minute, stamp.m_Second) =
        std::tie(year, month, day, hour, minute, second);
    return stamp;
}

const char* const SAVED_TEXT = "MissionsOpen\n"
                               "#:SaveB #:SaveA \n"
                               "ExtrasOpen\n"
                               "#:Jetpack #:Jetpack #:Tank \n"
                               "StartingPos: 1.5 -2 123457\n"
                               "TimeStamp: 04/22/05 13:05:09";

class ProgressDataTest : public ScriptFolderFixture {
protected:
    ProgressDataTest()
    {
        // 13:05:09 on Friday 22 April 2005.
        const SYSTEMTIME time = {2005, 4, 5, 22, 13, 5, 9, 0};
        Win32Platform::SetFixedLocalTime(&time);
        m_Dir.Write("Scripts/Mission/SaveAPre.txt", "MissionStartPos 0 0 0\n");
        m_Dir.Write("Scripts/Mission/SaveBPre.txt", "MissionStartPos 0 0 0\n");
        m_Dir.Write("Scripts/Mission/PointPre.txt", "MissionStartPos 1.5 -2 123456.7\n");
        g_MissionManager.AddMissionClass({"SaveA", &MakePlain, false});
        g_MissionManager.AddMissionClass({"SaveB", &MakePlain, false});
        g_UnlockedExtras.clear();
    }
    ~ProgressDataTest() override
    {
        g_MissionManager.Clear();
        g_UnlockedExtras.clear();
        Win32Platform::SetFixedLocalTime(nullptr);
    }

    // Two missions open, an extra granted twice and one once.
    void OpenSomeProgress()
    {
        g_MissionManager.CreateMission("SaveB");
        g_MissionManager.CreateMission("SaveA");
        g_UnlockedExtras = {"Jetpack", "Jetpack", "Tank"};
        m_SavePoint.LoadStartFile("Scripts\\Mission\\PointPre.txt");
    }

    // A record that differs from every file the tests write.
    static CProgressData Earlier()
    {
        CProgressData earlier;
        earlier.m_MissionsOpen = {"old"};
        earlier.m_ExtrasOpen = {"older"};
        earlier.m_StartingPos = D3DXVECTOR3(7, 8, 9);
        earlier.m_TimeStamp = Stamp(1, 2, 3, 4, 5, 6);
        return earlier;
    }

    static void ExpectSame(const CProgressData& a, const CProgressData& b)
    {
        EXPECT_EQ(a.m_MissionsOpen, b.m_MissionsOpen);
        EXPECT_EQ(a.m_ExtrasOpen, b.m_ExtrasOpen);
        EXPECT_EQ(a.m_StartingPos, b.m_StartingPos);
        EXPECT_EQ(a.m_TimeStamp.ToString(), b.m_TimeStamp.ToString());
    }

    CMission m_SavePoint;
};

TEST_F(ProgressDataTest, WritesTheManagersMissionsTheExtrasThePointAndTheTimeAndReadsThemBack)
{
    OpenSomeProgress();
    ASSERT_TRUE(SaveProgress(SLOT, &m_SavePoint));
    EXPECT_EQ(m_Dir.Read(SLOT_FILE), SAVED_TEXT);

    CProgressData read = Earlier();
    ASSERT_TRUE(LoadProgress(SLOT, read));
    EXPECT_EQ(read.m_MissionsOpen, (std::vector<std::string>{"SaveB", "SaveA"}));
    EXPECT_EQ(read.m_ExtrasOpen, (std::vector<std::string>{"Jetpack", "Jetpack", "Tank"}));
    EXPECT_EQ(read.m_StartingPos, D3DXVECTOR3(1.5f, -2.0f, 123457.0f));
    EXPECT_EQ(read.m_TimeStamp.ToString(), "13:5:9 \n4/22/5");

    // Nothing open: two empty lines, empty lists read back.
    g_MissionManager.Clear();
    g_UnlockedExtras.clear();
    ASSERT_TRUE(SaveProgress(SLOT, nullptr));
    EXPECT_EQ(m_Dir.Read(SLOT_FILE), "MissionsOpen\n\nExtrasOpen\n\nStartingPos: 0 0 0\nTimeStamp: 04/22/05 13:05:09");
    ASSERT_TRUE(LoadProgressFile(SLOT));
    EXPECT_TRUE(g_Progress.m_MissionsOpen.empty());
    EXPECT_TRUE(g_Progress.m_ExtrasOpen.empty());
}

TEST_F(ProgressDataTest, ManyNamesReadBackInOrder)
{
    CProgressData many;
    for (int i = 0; i < 500; ++i) {
        many.m_MissionsOpen.push_back("Mission" + std::to_string(i));
        many.m_ExtrasOpen.push_back("Extra" + std::to_string(i));
    }
    many.m_TimeStamp = Stamp(5, 4, 22, 13, 5, 9);
    m_Dir.Write(SLOT_FILE, ProgressText(many));
    CProgressData read;
    ASSERT_TRUE(LoadProgress(SLOT, read));
    ExpectSame(read, many);
}

// Each file either reads whole or leaves the record as it was.
TEST_F(ProgressDataTest, ReadsOnlyWholeSavesAndRefusesTheRestUnchanged)
{
    const std::string missions = "MissionsOpen\n#:1 \n";
    const std::string extras = "ExtrasOpen\n#:Pistol \n";
    const std::string position = "StartingPos: 1 2 3\n";
    const std::string stamp = "TimeStamp: 04/22/05 13:05:09\n";
    const struct {
        const char* what;
        std::string text;
        bool reads;
        const char* stamp;
    } cases[] = {
        {"in the written order", missions + extras + position + stamp, true, "13:5:9 \n4/22/5"},
        {"keywords in any order", stamp + position + extras + missions, true, "13:5:9 \n4/22/5"},
        {"short date and time", missions + extras + position + "TimeStamp: 4/22/5 1:2:3", true, "1:2:3 \n4/22/5"},
        {"no time stamp", missions + extras + position, false, ""},
        {"no position", missions + extras + stamp, false, ""},
        {"no extras", missions + position + stamp, false, ""},
        {"cut in the stamp", missions + extras + position + "TimeStamp: 04/22/05 13:05", false, ""},
        {"month 13", missions + extras + position + "TimeStamp: 13/40/05 13:05:09", false, ""},
        {"a word for a date", missions + extras + position + "TimeStamp: ab 13:05:09", false, ""},
        {"hour 24", missions + extras + position + "TimeStamp: 04/22/05 24:05:09", false, ""},
        {"minute 60", missions + extras + position + "TimeStamp: 04/22/05 13:60:09", false, ""},
        {"a day of zero", missions + extras + position + "TimeStamp: 04/0/05 13:05:09", false, ""},
        {"Freakout", missions + "Freakout\n" + extras + position + stamp, false, ""},
        {"an empty file", "", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_Dir.Write(SLOT_FILE, c.text);
        CProgressData read = Earlier();
        EXPECT_EQ(LoadProgress(SLOT, read), c.reads);
        if (!c.reads) {
            ExpectSame(read, Earlier());
            continue;
        }
        EXPECT_EQ(read.m_MissionsOpen, std::vector<std::string>{"1"});
        EXPECT_EQ(read.m_ExtrasOpen, std::vector<std::string>{"Pistol"});
        EXPECT_EQ(read.m_StartingPos, D3DXVECTOR3(1, 2, 3));
        EXPECT_EQ(read.m_TimeStamp.ToString(), c.stamp);
    }
    CProgressData read = Earlier();
    EXPECT_FALSE(LoadProgress("Saves\\9.txt", read));
    ExpectSame(read, Earlier());
}

TEST_F(ProgressDataTest, AnUnknownWordIsLoggedWithTheFileName)
{
    m_Dir.Write(SLOT_FILE, "MissionsOpen\n#:1 \nFreakout\n");
    CProgressData read;
    EXPECT_FALSE(LoadProgress(SLOT, read));
    const std::string log = ReadLog();
    // Each log line carries the (fixed) local time.
    std::string lines;
    for (const char* line : {SLOT, "Error found in file: Invalid keyword or corrupt file", "Freakout",
                             "file not loaded"})
        lines += std::string("[04/22/05 13:05:09] ") + line + "\n";
    EXPECT_NE(log.find(lines), std::string::npos) << log;
}

TEST_F(ProgressDataTest, TheFirstDifferingFieldDecidesWhichIsLater)
{
    const CTimeStamp stamp = Stamp(5, 4, 22, 13, 5, 9);
    EXPECT_TRUE(Stamp(5, 4, 22, 13, 5, 10).IsLaterThan(stamp));
    EXPECT_FALSE(stamp.IsLaterThan(Stamp(5, 4, 22, 13, 5, 10)));
    EXPECT_FALSE(Stamp(5, 4, 21, 23, 59, 59).IsLaterThan(stamp));
    EXPECT_TRUE(Stamp(6, 1, 1, 0, 0, 0).IsLaterThan(stamp));
    EXPECT_FALSE(stamp.IsLaterThan(stamp));
    EXPECT_EQ(stamp.ToString(), "13:5:9 \n4/22/5");
}

TEST_F(ProgressDataTest, AFailedWriteKeepsTheOldSave)
{
    m_Dir.Write(SLOT_FILE, SAVED_TEXT);
    // A folder where the temporary file goes: refused even to root.
    std::filesystem::create_directories(m_Dir.Path() + "/Saves/3.txt.new");
    EXPECT_FALSE(SaveProgress(SLOT, nullptr));
    EXPECT_EQ(m_Dir.Read(SLOT_FILE), SAVED_TEXT);
    EXPECT_NE(ReadLog().find(std::string("Cannot write the save ") + SLOT), std::string::npos);
}

TEST_F(ProgressDataTest, AMissingSavesFolderIsCreated)
{
    ASSERT_FALSE(std::filesystem::exists(m_Dir.Path() + "/Saves"));
    EXPECT_TRUE(SaveProgress("Saves\\10.txt", nullptr));
    CProgressData read;
    EXPECT_TRUE(LoadProgress("Saves\\10.txt", read));
}

} // namespace
