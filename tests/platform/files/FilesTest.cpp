#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/files/Files.h"
#include "support/TempDir.h"

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Dir.Write("Scripts/Menu/MenuManager.txt", "menu");
        m_Dir.Write("Assets/images/Corvane_Splash.BMP", "image");
        m_Dir.Write("Saves/1.txt", "exact");
        m_Dir.Write("saves/1.TXT", "other case");
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
};

std::string ReadAll(const std::string& gamePath)
{
    std::FILE* file = Files::Open(gamePath, "rb");
    if (!file)
        return "<missing>";
    char buffer[64] = {};
    const size_t read = std::fread(buffer, 1, sizeof(buffer) - 1, file);
    std::fclose(file);
    return std::string(buffer, read);
}

TEST_F(FilesTest, ResolvesBackslashesAndCaseComponentByComponent)
{
    struct Case {
        const char* gamePath;
        const char* contents;
    };
    const Case cases[] = {
        {"Scripts\\Menu\\MenuManager.txt", "menu"},
        {"SCRIPTS\\menu\\menumanager.TXT", "menu"},
        {"Assets\\Images\\corvane_splash.bmp", "image"},
        {"Saves\\1.txt", "exact"},          // the exact name wins over a case match
        {"saves/1.TXT", "other case"},
        {"Scripts\\Missing\\MenuManager.txt", "<missing>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gamePath);
        EXPECT_EQ(c.contents, ReadAll(c.gamePath));
    }
    EXPECT_EQ(m_Dir.Path() + "/Scripts/Menu/MenuManager.txt",
              Files::ResolvePath(m_Dir.Path() + "\\scripts\\MENU\\menumanager.txt"));
}

TEST_F(FilesTest, WritingCreatesFoldersAndReusesExistingOnes)
{
    std::FILE* file = Files::Open("Screens\\Shots\\shot000.bmp", "wb");
    ASSERT_NE(nullptr, file);
    std::fclose(file);
    EXPECT_TRUE(std::filesystem::exists(m_Dir.Path() + "/Screens/Shots/shot000.bmp"));

    file = Files::Open("SCRIPTS\\Options.txt", "w");
    ASSERT_NE(nullptr, file);
    std::fclose(file);
    EXPECT_TRUE(std::filesystem::exists(m_Dir.Path() + "/Scripts/Options.txt"))
        << "an existing folder is matched, not duplicated in another case";
    EXPECT_FALSE(std::filesystem::exists(m_Dir.Path() + "/SCRIPTS"));
}

} // namespace
