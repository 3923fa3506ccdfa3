// The paint table: loading, saving, the default entry and the paint draw.

#include "Actors/CarColorTable.h"

#include <sys/stat.h>

#include <string>

#include <gtest/gtest.h>

#include "support/RandomDraws.h"
#include "Core/Clock.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

const char* const FILE_PATH = "Scripts/CarColor.txt";
const uint32_t SEED = 77;

void ExpectColour(const D3DCOLORVALUE& expected, const D3DCOLORVALUE& actual, const char* what)
{
    EXPECT_FLOAT_EQ(expected.r, actual.r) << what;
    EXPECT_FLOAT_EQ(expected.g, actual.g) << what;
    EXPECT_FLOAT_EQ(expected.b, actual.b) << what;
    EXPECT_FLOAT_EQ(expected.a, actual.a) << what;
}

void ExpectPaint(const D3DMATERIAL8& expected, const D3DMATERIAL8& actual)
{
    ExpectColour(expected.Diffuse, actual.Diffuse, "diffuse");
    ExpectColour(expected.Ambient, actual.Ambient, "ambient");
    ExpectColour(expected.Specular, actual.Specular, "specular");
    ExpectColour(expected.Emissive, actual.Emissive, "emissive");
    EXPECT_FLOAT_EQ(expected.Power, actual.Power);
}

class CarColorTableTest : public ::testing::Test {
protected:
    CarColorTableTest() : m_Cwd(m_Dir.Path()) {}
    void SetUp() override { g_RandomTable.Fill(SEED); }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
    CCarColorTable m_Table;
};

const D3DCOLORVALUE LOADED_AMBIENT = {0.05f, 0.05f, 0.05f, 1.0f};

TEST_F(CarColorTableTest, LoadReadsEntriesAlphaFirstAndKeepsWhatAnEntryLeavesOut)
{
    m_Dir.Write(FILE_PATH, "; paints\nColorPos: 0\nColor: 0.5 1 0.25 0\nSpecular: 1 0.1 0.2 0.3\nSpecPower: 12\n\n"
                           "ColorPos: 1\nColor: 1 0 0 1\n\nColorPos: 2\nSpecPower: 7.5\n");
    m_Table.Load();
    ASSERT_EQ(3u, m_Table.GetCount());
    ExpectPaint({{1.0f, 0.25f, 0.0f, 0.5f}, LOADED_AMBIENT, {0.1f, 0.2f, 0.3f, 1.0f}, LOADED_AMBIENT, 12.0f},
                m_Table.Get(0));
    // Entry 1 keeps entry 0's specular and power, entry 2 its diffuse too.
    ExpectPaint({{0.0f, 0.0f, 1.0f, 1.0f}, LOADED_AMBIENT, {0.1f, 0.2f, 0.3f, 1.0f}, LOADED_AMBIENT, 12.0f},
                m_Table.Get(1));
    ExpectPaint({{0.0f, 0.0f, 1.0f, 1.0f}, LOADED_AMBIENT, {0.1f, 0.2f, 0.3f, 1.0f}, LOADED_AMBIENT, 7.5f},
                m_Table.Get(2));
}

TEST_F(CarColorTableTest, DefaultEntryPastTheEndAndAsTheWorkingEntry)
{
    const D3DMATERIAL8 expected = {{1.0f, 0.0f, 1.0f, 1.0f},
                                   {0.05f, 0.05f, 0.05f, 1.0f},
                                   {1.0f, 1.0f, 0.0f, 1.0f},
                                   {0.095f, 0.075f, 0.05f, 1.0f},
                                   80.2f};
    ExpectPaint(expected, m_Table.Get(0));
    m_Dir.Write(FILE_PATH, "ColorPos 0 Color 1 0.2 0.2 0.2\n");
    m_Table.Load();
    ExpectPaint(expected, m_Table.Get(static_cast<int32_t>(m_Table.GetCount())));
    ExpectPaint(expected, m_Table.Get(-1));
    ExpectPaint(expected, m_Table.GetWorking());
}

TEST_F(CarColorTableTest, SavedTableLoadsBackTheSame)
{
    m_Dir.Write(FILE_PATH, "ColorPos 0 Color 1 0.3 0.6 0.9 Specular 0.5 0.25 0.125 1 SpecPower 33.5\n");
    m_Table.Load();
    m_Table.SetWorkingDiffuse({0.7f, 0.1f, 0.2f, 1.0f});
    m_Table.SetWorkingSpecular({0.4f, 0.5f, 0.6f, 0.75f});
    m_Table.SetWorkingPower(5.0f);
    m_Table.AppendWorking();
    ASSERT_TRUE(m_Table.Save());
    EXPECT_EQ("ColorPos: 0\nColor: 1 0.3 0.6 0.9\nSpecular: 0.5 0.25 0.125 1\nSpecPower: 33.5\n\n"
              "ColorPos: 1\nColor: 1 0.7 0.1 0.2\nSpecular: 0.75 0.4 0.5 0.6\nSpecPower: 5\n\n",
              m_Dir.Read(FILE_PATH));

    CCarColorTable loaded;
    loaded.Load();
    ASSERT_EQ(2u, loaded.GetCount());
    for (int32_t i = 0; i < 2; ++i) {
        D3DMATERIAL8 expected = m_Table.Get(i);
        expected.Ambient = expected.Emissive = LOADED_AMBIENT;
        ExpectPaint(expected, loaded.Get(i));
    }
}

TEST_F(CarColorTableTest, ASaveThatCannotWriteKeepsTheOldFile)
{
    const char* const old = "ColorPos 0 Color 1 0.2 0.2 0.2\n";
    m_Dir.Write(FILE_PATH, old);
    m_Table.Load();
    m_Table.AppendWorking();
    // A folder where the new file would be written stops even root.
    const std::string blocker = m_Dir.Path() + "/" + FILE_PATH + ".new";
    ASSERT_EQ(0, mkdir(blocker.c_str(), 0755));
    EXPECT_FALSE(m_Table.Save());
    EXPECT_EQ(old, m_Dir.Read(FILE_PATH));
}

TEST_F(CarColorTableTest, BadFilesAreFatal)
{
    EXPECT_FATAL(m_Table.Load(), "Unable to initialize data buffer\nin Scripts\\CarColor.txt");
    m_Dir.Write(FILE_PATH, "ColorPos 0 Color 1 0.2 0.2 0.2\nColour 1 0 0 0\n");
    EXPECT_FATAL(m_Table.Load(), "\"Scripts\\CarColor.txt\": unknown keyword \"Colour\"");
}

TEST_F(CarColorTableTest, APaintIsDrawnOnlyAmongTwoOrMoreEntries)
{
    struct Case {
        const char* script;
        int draws;
    };
    const Case cases[] = {
        {"", 0},
        {"ColorPos 0 Color 1 0.2 0.2 0.2\n", 0},
        {"ColorPos 0 Color 1 0.2 0.2 0.2\nColorPos 1 Color 1 0.4 0.4 0.4\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        m_Dir.Write(FILE_PATH, c.script);
        m_Table.Load();
        CRandomTable before = g_RandomTable;
        CRandomTable probe = g_RandomTable;
        const D3DMATERIAL8& paint = m_Table.PickPaint();
        EXPECT_EQ(c.draws, DrawsSince(before));
        const int32_t expected = c.draws == 0 ? 0 : static_cast<int32_t>(probe.NextBelow(m_Table.GetCount()));
        EXPECT_EQ(&m_Table.Get(expected), &paint);
    }
}

} // namespace
