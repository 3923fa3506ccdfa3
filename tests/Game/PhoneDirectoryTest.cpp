// Directories read in a fresh folder; their conversations come from the
// game's manager, which keeps every script it reads for the rest of the run,
// so the scripts here have names of their own.

#include "Game/PhoneDirectory.h"

#include <string>

#include <gtest/gtest.h>

#include "Game/Conversation.h"
#include "Game/ScriptFolderFixture.h"
#include "support/FatalTrap.h"

namespace {

const char* const NUMBERS = "Numbers.txt";
// Valid 8:00 to 20:00.
const char* const DAY_SCRIPT = "DirectoryDay.txt";
const char* const DAY_CONVERSATION = "[StringTable]\n0 Hello\n[Conversations]\ntime 8:00 - 20:00\n"
                                     "state STATE_DEFAULT initial_branch A\nbranch A output 0\n";

class PhoneDirectoryTest : public ScriptFolderFixture {
protected:
    PhoneDirectoryTest() { m_Dir.Write(DAY_SCRIPT, DAY_CONVERSATION); }
};

struct LookupCase {
    const char* what;
    const char* numbers;
    const char* dialled;
    float hours;
    // The script found; null when the lookup fails.
    const char* script;
};

const LookupCase LOOKUP_CASES[] = {
    {"a listed number", "5550100 DirectoryDay.txt\n", "5550100", 9.5f, DAY_SCRIPT},
    {"numbers compare as text", "05550100 DirectoryDay.txt\n", "5550100", 9.5f, nullptr},
    {"the later pair stands", "1 DirectoryNight.txt\n1 DirectoryDay.txt\n", "1", 9.5f, DAY_SCRIPT},
    {"a number not listed", "1 DirectoryDay.txt\n", "2", 9.5f, nullptr},
    {"no conversation at the hour", "1 DirectoryDay.txt\n", "1", 6.0f, nullptr},
    {"a script that cannot be read", "1 DirectoryNone.txt\n", "1", 9.5f, nullptr},
    {"a number without a script is dropped", "1 DirectoryDay.txt 2\n", "2", 9.5f, nullptr},
    {"an empty file", "", "", 9.5f, nullptr},
};

TEST_F(PhoneDirectoryTest, LookupFindsTheConversationOfAListedNumberAtTheHour)
{
    for (const LookupCase& c : LOOKUP_CASES) {
        SCOPED_TRACE(c.what);
        m_Dir.Write(NUMBERS, c.numbers);
        CPhoneDirectory directory;
        ASSERT_TRUE(directory.Load(NUMBERS));
        EXPECT_TRUE(directory.IsLoaded());
        CDirectoryResult result;
        const bool found = directory.Lookup(c.dialled, c.hours, result);
        EXPECT_EQ(c.script != nullptr, found);
        if (!found) {
            EXPECT_EQ(nullptr, result.m_pConversation) << "the phone gets nothing to use";
            continue;
        }
        EXPECT_EQ(c.script, result.m_Text);
        ASSERT_NE(nullptr, result.m_pConversation);
        EXPECT_STREQ("Hello", result.m_pConversation->GetOutputText(0));
    }
    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("Numbers.txt: the number 2 has no conversation, dropped")) << log;
    EXPECT_EQ(log.find("dropped"), log.rfind("dropped")) << "an empty file drops nothing";
}

TEST_F(PhoneDirectoryTest, ADirectoryNeverLoadedFindsNothing)
{
    CPhoneDirectory directory;
    CDirectoryResult result;
    EXPECT_FALSE(directory.Lookup("5550100", 9.5f, result));
    EXPECT_TRUE(directory.Start());
    EXPECT_FALSE(directory.Start()) << "started once";
    EXPECT_FALSE(directory.Lookup("5550100", 9.5f, result));
    EXPECT_FALSE(directory.Load(NUMBERS)) << "a started directory loads nothing";
    EXPECT_FALSE(directory.IsLoaded());
}

TEST_F(PhoneDirectoryTest, ShutdownForgetsTheNumbersUntilTheNextLoad)
{
    m_Dir.Write(NUMBERS, "1 DirectoryDay.txt\n");
    CPhoneDirectory directory;
    ASSERT_TRUE(directory.Load(NUMBERS));
    EXPECT_FALSE(directory.Load(NUMBERS)) << "loaded once until shut down";
    directory.Shutdown();
    EXPECT_FALSE(directory.IsStarted());
    EXPECT_FALSE(directory.IsLoaded());
    EXPECT_TRUE(directory.GetNumbers().empty());
    CDirectoryResult result;
    EXPECT_FALSE(directory.Lookup("1", 9.5f, result));
    EXPECT_FALSE(directory.ReadFile()) << "not started";

    m_Dir.Write(NUMBERS, "2 DirectoryDay.txt\n");
    ASSERT_TRUE(directory.Load(NUMBERS));
    EXPECT_FALSE(directory.Lookup("1", 9.5f, result));
    EXPECT_TRUE(directory.Lookup("2", 9.5f, result));
    m_Dir.Write(NUMBERS, "3 DirectoryDay.txt\n");
    EXPECT_TRUE(directory.ReadFile());
    EXPECT_EQ(1u, directory.GetNumbers().size()) << "read again from empty";
    EXPECT_TRUE(directory.Lookup("3", 9.5f, result));
}

TEST_F(PhoneDirectoryTest, AMissingFileIsFatal)
{
    CPhoneDirectory directory;
    EXPECT_FATAL(directory.Load("Missing.txt"), "Unable to initialize data buffer\nin Missing.txt");
}

} // namespace
