// Conversation scripts read by a manager of the test's own, in a fresh folder.

#include "Game/Conversation.h"

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "Game/ConversationManager.h"
#include "Game/ScriptFolderFixture.h"

namespace {

const char* const TALK = "Talk.txt";

class ConversationTest : public ScriptFolderFixture {
protected:
    // The conversation of `script`, written as TALK, at `hours`.
    CConversation* Read(const std::string& script, float hours)
    {
        m_Dir.Write(TALK, script);
        return m_Manager.GetConversation(TALK, hours);
    }

    CConversationManager m_Manager;
};

// The current branch: its lines, then its answers and where they lead, e.g.
// "Hello|Bye / Yes>Job|No>Bye".
std::string Describe(const CConversation& conversation)
{
    std::string text;
    for (uint32_t i = 0; i < conversation.GetOutputCount(); ++i)
        text += (i > 0 ? "|" : "") + std::string(conversation.GetOutputText(i));
    text += " /";
    for (uint32_t i = 0; i < conversation.GetInputCount(); ++i)
        text += (i > 0 ? "|" : " ") + std::string(conversation.GetInputText(i)) + ">" + conversation.GetInputTarget(i);
    return text;
}

struct ParseCase {
    const char* what;
    const char* script;
    float hours;
    // Describe's text; null: no conversation at that time.
    const char* branch;
    float start;
    float end;
};

#define TWO_WINDOWS                                                                  \
    "[StringTable]\n0 Morning\n1 Afternoon\n"                                        \
    "[Conversations]\n"                                                              \
    "time 8:00 - 12:00\nstate STATE_DEFAULT initial_branch A\nbranch A output 0\n" \
    "time 12:00 - 18:00\nstate STATE_DEFAULT initial_branch B\nbranch B output 1\n"
#define ALL_DAY "time 0:00 - 24:00\nstate STATE_DEFAULT initial_branch A\n"

const ParseCase PARSE_CASES[] = {
    {"the window starting at the time", TWO_WINDOWS, 12.0f, "Afternoon /", 12.0f, 18.0f},
    {"no window holds the time", TWO_WINDOWS, 7.99f, nullptr, 0, 0},
    {"the end is outside the window", TWO_WINDOWS, 18.0f, nullptr, 0, 0},
    {"leading zeros are decimal",
     "[StringTable]\n0 Coffee\n[Conversations]\n"
     "time 08:30 - 09:45\nstate STATE_DEFAULT initial_branch A\nbranch A output 0\n",
     9.0f, "Coffee /", 8.5f, 9.75f},
    {"an entry's index is its place",
     "[StringTable]\n5 Five\n6 Six\n7 Seven\n[Conversations]\n" ALL_DAY "branch A output 2 output 0 output 1\n", 3.0f,
     "Seven|Five|Six /", 0.0f, 24.0f},
    {"a quoted text keeps its blanks and separators; keywords ignore case",
     "[StringTable]\n0 \"Hello there, friend: hi\" SOUND Assets\\hello.wav\n1 Next\n"
     "[Conversations]\nTIME 0:00 - 24:00\nSTATE STATE_DEFAULT INITIAL_BRANCH A\nBranch A Output 0 OUTPUT 1\n",
     3.0f, "Hello there, friend: hi|Next /", 0.0f, 24.0f},
    {"an input without goto is no answer",
     "[StringTable]\n0 Hi\n1 Yes\n2 No\n[Conversations]\n" ALL_DAY
     "branch A output 0 input 1 input 2 goto B\nbranch B output 2\n",
     3.0f, "Hi / No>B", 0.0f, 24.0f},
    {"stray words in a block are skipped",
     "[StringTable]\n0 Hi\n[Conversations]\ntime 0:00 - 24:00\nmumble\n"
     "state STATE_DEFAULT initial_branch A\ninitial_branch B\nbranch A output 0\n",
     3.0f, "Hi /", 0.0f, 24.0f},
    {"the conversations before the string table",
     "[Conversations]\n" ALL_DAY "branch A output 0\n[StringTable]\n0 Hi\n", 3.0f, "Hi /", 0.0f, 24.0f},
    {"no string table", "[Conversations]\n" ALL_DAY "branch A output 0\n", 3.0f, " /", 0.0f, 24.0f},
    {"a section's name keeps its case", "[stringtable]\n0 Hi\n[Conversations]\n" ALL_DAY "branch A output 0\n",
     3.0f, " /", 0.0f, 24.0f},
    {"no conversations", "[StringTable]\n0 Hi\n", 3.0f, nullptr, 0, 0},
    {"an empty file", "", 3.0f, nullptr, 0, 0},
};

TEST_F(ConversationTest, ReadsTheFirstWindowHoldingTheTime)
{
    for (const ParseCase& c : PARSE_CASES) {
        SCOPED_TRACE(c.what);
        CConversationManager manager;
        m_Dir.Write(TALK, c.script);
        const CConversation* conversation = manager.GetConversation(TALK, c.hours);
        EXPECT_EQ(1u, manager.GetFileCount()) << "a file that opens stays loaded";
        if (c.branch == nullptr) {
            EXPECT_EQ(nullptr, conversation);
            continue;
        }
        ASSERT_NE(nullptr, conversation);
        EXPECT_EQ(c.branch, Describe(*conversation));
        EXPECT_FLOAT_EQ(c.start, conversation->GetStartTime());
        EXPECT_FLOAT_EQ(c.end, conversation->GetEndTime());
    }
    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("Talk.txt: \"mumble\" is no word of a time block, skipped")) << log;
    EXPECT_NE(std::string::npos, log.find("Talk.txt: \"initial_branch\" is no word of a time block")) << log;
}

TEST_F(ConversationTest, AnEntryKeepsItsVoiceFile)
{
    CConversation* conversation =
        Read("[StringTable]\n0 \"Hi there\" sound Assets\\Sounds\\hi.wav\n1 Bye\n[Conversations]\n" ALL_DAY
             "branch A output 0 output 1\n",
             3.0f);
    ASSERT_NE(nullptr, conversation);
    const StringTableEntry* entry = nullptr;
    EXPECT_STREQ("Hi there", conversation->GetOutputText(0, &entry));
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ("Assets\\Sounds\\hi.wav", entry->m_Sound);
    conversation->GetOutputText(1, &entry);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ("", entry->m_Sound);
}

TEST_F(ConversationTest, AFileThatCannotBeReadGivesNothingAndLeavesNoRecord)
{
    EXPECT_EQ(nullptr, m_Manager.GetConversation("Missing.txt", 3.0f));
    EXPECT_EQ(nullptr, m_Manager.GetConversation("", 3.0f));
    EXPECT_EQ(nullptr, m_Manager.GetConversation(static_cast<const char*>(nullptr), 3.0f));
    EXPECT_EQ(0u, m_Manager.GetFileCount());
    EXPECT_EQ(0u, m_Manager.GetConversationCount());
    EXPECT_EQ(std::string::npos, ReadLog().find("Missing.txt")) << "nothing is reported";
}

#define DIALOGUE                                                                         \
    "[StringTable]\n0 Hello sound hello.wav\n1 \"Go on\"\n2 Stop\n3 Bye\n"                \
    "[Conversations]\ntime 0:00 - 24:00\n"                                               \
    "state STATE_DEFAULT initial_branch Start\nstate LATER initial_branch Again\n"       \
    "state NOWHERE initial_branch Missing\n"                                             \
    "branch Start output 0 input 1 goto Middle input 2 goto Lost input 9 goto End\n"     \
    "branch Middle output 3 output 7 change_state LATER interrupt_state STATE_DEFAULT\n" \
    "branch End output 3\n"                                                              \
    "branch Again output 1\n"

struct StepCase {
    const char* what;
    std::function<void(CConversation&)> step;
    const char* branch;
    const char* state;
};

const StepCase STEP_CASES[] = {
    {"an undeclared state changes nothing", [](CConversation& c) { c.SetState("UNDECLARED"); }, "Start",
     "STATE_DEFAULT"},
    {"a state whose initial branch is missing keeps the branch", [](CConversation& c) { c.SetState("NOWHERE"); },
     "Start", "NOWHERE"},
    {"an answer leads to its branch", [](CConversation& c) { c.ChooseInput(0); }, "Middle", "STATE_DEFAULT"},
    {"change_state enters that state's initial branch",
     [](CConversation& c) {
         c.ChooseInput(0);
         c.ApplyChangeState();
     },
     "Again", "LATER"},
    {"without change_state the current state starts again",
     [](CConversation& c) {
         c.SetState("LATER");
         c.GotoBranch("End");
         c.ApplyChangeState();
     },
     "Again", "LATER"},
    {"an answer to a missing branch changes nothing", [](CConversation& c) { c.ChooseInput(1); }, "Start",
     "STATE_DEFAULT"},
    {"an answer out of range changes nothing", [](CConversation& c) { c.ChooseInput(3); }, "Start", "STATE_DEFAULT"},
    {"a missing branch changes nothing", [](CConversation& c) { c.GotoBranch("Nope"); }, "Start", "STATE_DEFAULT"},
    {"branch names keep their case", [](CConversation& c) { c.GotoBranch("end"); }, "Start", "STATE_DEFAULT"},
};

TEST_F(ConversationTest, StepsMoveOnlyToDeclaredStatesAndBranches)
{
    for (const StepCase& c : STEP_CASES) {
        SCOPED_TRACE(c.what);
        CConversationManager manager;
        m_Dir.Write(TALK, DIALOGUE);
        CConversation* conversation = manager.GetConversation(TALK, 3.0f);
        ASSERT_NE(nullptr, conversation);
        c.step(*conversation);
        ASSERT_NE(nullptr, conversation->GetCurrentBranch());
        EXPECT_EQ(c.branch, conversation->GetCurrentBranch()->m_Name);
        ASSERT_NE(nullptr, conversation->GetCurrentState());
        EXPECT_EQ(c.state, *conversation->GetCurrentState());
    }
}

TEST_F(ConversationTest, TextsOutOfRangeAreEmptyWithoutAnEntry)
{
    CConversation* conversation = Read(DIALOGUE, 3.0f);
    ASSERT_NE(nullptr, conversation);
    const StringTableEntry* entry = nullptr;
    EXPECT_STREQ("Hello", conversation->GetOutputText(0, &entry));
    EXPECT_NE(nullptr, entry);
    EXPECT_STREQ("", conversation->GetOutputText(1, &entry)) << "beyond the branch's lines";
    EXPECT_EQ(nullptr, entry);
    EXPECT_STREQ("Stop", conversation->GetInputText(1));
    EXPECT_STREQ("", conversation->GetInputText(2, &entry)) << "beyond the string table";
    EXPECT_EQ(nullptr, entry);
    EXPECT_STREQ("End", conversation->GetInputTarget(2));
    EXPECT_EQ(nullptr, conversation->GetInputTarget(3));

    conversation->GotoBranch("Middle");
    EXPECT_EQ(2u, conversation->GetOutputCount());
    EXPECT_STREQ("", conversation->GetOutputText(1, &entry)) << "beyond the string table";
    EXPECT_EQ(nullptr, entry);
    EXPECT_EQ(0u, conversation->GetInputCount());
    EXPECT_EQ(nullptr, conversation->GetInputTarget(0));

    EXPECT_STREQ("LATER", conversation->GetBranchProperty("Middle", "change_state"));
    EXPECT_STREQ("STATE_DEFAULT", conversation->GetBranchProperty("Middle", "interrupt_state"));
    EXPECT_EQ(nullptr, conversation->GetBranchProperty("Middle", "Change_State")) << "keys keep their case";
    EXPECT_EQ(nullptr, conversation->GetBranchProperty("Start", "change_state"));
    EXPECT_EQ(nullptr, conversation->GetBranchProperty("Nope", "change_state"));
}

TEST_F(ConversationTest, WithoutAStateThereIsNoBranchAndNothingToSay)
{
    m_Dir.Write(TALK, DIALOGUE);
    ASSERT_TRUE(m_Manager.LoadFile(TALK, 3.0f, "UNDECLARED"));
    CConversation* conversation = m_Manager.GetConversation(TALK, 3.0f);
    ASSERT_NE(nullptr, conversation);
    EXPECT_EQ(nullptr, conversation->GetCurrentBranch());
    EXPECT_EQ(nullptr, conversation->GetCurrentState());
    EXPECT_EQ(0u, conversation->GetOutputCount());
    EXPECT_EQ(0u, conversation->GetInputCount());
    EXPECT_STREQ("", conversation->GetOutputText(0));
    conversation->ChooseInput(0);
    conversation->ApplyChangeState();
    EXPECT_EQ(nullptr, conversation->GetCurrentBranch());
}

// The phone, the HUD's window and the missions hold on to a conversation
// while later windows load: it stays the same object, in its state.
TEST_F(ConversationTest, AConversationPersistsAcrossLoadsOfItsFile)
{
    m_Dir.Write(TALK, TWO_WINDOWS);
    CConversation* morning = m_Manager.GetConversation(TALK, 9.0f);
    ASSERT_NE(nullptr, morning);
    EXPECT_EQ(morning, m_Manager.GetConversation("talk.TXT", 11.5f)) << "names compare without case";
    EXPECT_EQ(1u, m_Manager.GetConversationCount());

    m_Dir.Write(TALK, DIALOGUE);
    CConversation* day = m_Manager.GetConversation(TALK, 9.5f);
    EXPECT_EQ(morning, day) << "a window held is not read again";
    EXPECT_EQ("Morning /", Describe(*day));

    m_Dir.Write(TALK, TWO_WINDOWS);
    CConversation* afternoon = m_Manager.GetConversation(TALK, 13.0f);
    ASSERT_NE(nullptr, afternoon);
    EXPECT_NE(morning, afternoon);
    EXPECT_EQ(2u, m_Manager.GetConversationCount());
    EXPECT_EQ(nullptr, m_Manager.GetConversation(TALK, 20.0f));
    EXPECT_EQ(2u, m_Manager.GetConversationCount());
    EXPECT_EQ(1u, m_Manager.GetFileCount());
    EXPECT_EQ(morning, m_Manager.GetConversation(TALK, 8.0f));
    EXPECT_EQ("Morning /", Describe(*morning)) << "untouched by the later window";
}

TEST_F(ConversationTest, AChangedStateIsWhereTheNextShowingStarts)
{
    CConversation* conversation = Read(DIALOGUE, 3.0f);
    ASSERT_NE(nullptr, conversation);
    conversation->ChooseInput(0);
    conversation->ApplyChangeState();
    CConversation* again = m_Manager.GetConversation(TALK, 4.0f);
    EXPECT_EQ(conversation, again);
    EXPECT_EQ("Go on /", Describe(*again)) << "not put back into STATE_DEFAULT";
    EXPECT_EQ("LATER", *again->GetCurrentState());
}

} // namespace
