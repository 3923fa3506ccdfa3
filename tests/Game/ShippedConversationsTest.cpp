// The town's conversation scripts and phone directory as the game ships
// them, read from the staged game folder by managers of the test's own.

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Display/DisplayFixture.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Game/ConversationManager.h"
#include "Game/PhoneDirectory.h"
#include "platform/files/Files.h"

namespace {

const char* const INTRO = "Scripts\\Mission\\Intro_Conv0.txt";
const char* const DEPOT = "Scripts\\Conversations\\Depot.txt";
const char* const FRIEND = "Scripts\\Conversations\\Friend.txt";
const char* const PHONE_CONVERSATIONS[] = {DEPOT, FRIEND};
const char* const CONVERSATIONS[] = {INTRO, DEPOT, FRIEND};
const char* const DIRECTORY = "Scripts\\Levels\\ModernPhones.txt";

const int HALF_HOURS = 48;

float HalfHour(int index)
{
    return 0.5f * static_cast<float>(index);
}

class ShippedConversationsTest : public DisplayFixture {
protected:
    // Every window of `file`, read through a manager of the test's own.
    std::vector<CConversation*> Windows(const char* file)
    {
        std::vector<CConversation*> windows;
        for (int half = 0; half < HALF_HOURS; ++half) {
            CConversation* conversation = m_Manager.GetConversation(file, HalfHour(half));
            if (conversation != nullptr && (windows.empty() || windows.back() != conversation))
                windows.push_back(conversation);
        }
        return windows;
    }

    // The log written since the fixture began, without its opening line.
    std::string LogLines() const
    {
        const std::string log = Log();
        return log.substr(std::min(log.size(), log.find('\n') + 1));
    }

    CConversationManager m_Manager;
};

// The depot answers from 8:00 to midnight, the guide and the friend all day.
TEST_F(ShippedConversationsTest, EveryScriptAndTheDirectoryLoadAtEveryHalfHourWithACleanLog)
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    const std::string before = LogLines();
    for (const char* file : CONVERSATIONS) {
        SCOPED_TRACE(file);
        for (int half = 0; half < HALF_HOURS; ++half) {
            const float hours = HalfHour(half);
            const bool expected = file != DEPOT || hours >= 8.0f;
            const CConversation* conversation = m_Manager.GetConversation(file, hours);
            EXPECT_EQ(expected, conversation != nullptr) << hours;
            if (conversation == nullptr)
                continue;
            EXPECT_NE(nullptr, conversation->GetCurrentBranch()) << "STATE_DEFAULT starts somewhere, " << hours;
        }
    }
    EXPECT_EQ(2u, Windows(DEPOT).size());

    CPhoneDirectory directory;
    ASSERT_TRUE(directory.Load(DIRECTORY));
    EXPECT_EQ(2u, directory.GetNumbers().size());
    for (int half = 0; half < HALF_HOURS; ++half) {
        CDirectoryResult result;
        EXPECT_EQ(HalfHour(half) >= 8.0f, directory.Lookup("5550100", HalfHour(half), result));
        EXPECT_TRUE(directory.Lookup("5550142", HalfHour(half), result));
    }
    EXPECT_EQ(before, LogLines());
}

// Every entry a branch names, with its voice: (text, voice) pairs.
std::vector<std::pair<std::string, std::string>> Entries(CConversation& conversation, bool outputs)
{
    std::vector<std::pair<std::string, std::string>> entries;
    const uint32_t count = outputs ? conversation.GetOutputCount() : conversation.GetInputCount();
    for (uint32_t i = 0; i < count; ++i) {
        const StringTableEntry* entry = nullptr;
        outputs ? conversation.GetOutputText(i, &entry) : conversation.GetInputText(i, &entry);
        EXPECT_NE(nullptr, entry) << "a line beyond the string table";
        if (entry != nullptr)
            entries.emplace_back(entry->m_Text, entry->m_Sound);
    }
    return entries;
}

// Every name a script gives leads somewhere.
TEST_F(ShippedConversationsTest, EveryNameAScriptGivesExists)
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    for (const char* file : CONVERSATIONS) {
        SCOPED_TRACE(file);
        for (const CConversation* window : Windows(file)) {
            const auto& states = window->GetStates();
            const auto& branches = window->GetBranches();
            for (const auto& state : states)
                EXPECT_EQ(1u, branches.count(state.second)) << "initial branch of " << state.first;
            for (const auto& named : branches) {
                const ConversationBranch& branch = named.second;
                for (const std::string& target : branch.m_Targets)
                    EXPECT_EQ(1u, branches.count(target)) << "goto " << target << " in " << branch.m_Name;
                for (const auto& property : branch.m_Properties) {
                    EXPECT_TRUE(property.first == "change_state" || property.first == "interrupt_state")
                        << property.first << " in " << branch.m_Name;
                    EXPECT_EQ(1u, states.count(property.second)) << property.first << " in " << branch.m_Name;
                }
            }
        }
    }
}

// The guide speaks every line and the player none; on the phone only the
// depot's day lines are spoken. Every voice file exists.
TEST_F(ShippedConversationsTest, TheVoicesAreTheSpeakersLinesAndExist)
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    for (const char* file : CONVERSATIONS) {
        SCOPED_TRACE(file);
        for (CConversation* window : Windows(file)) {
            const bool spoken = file == INTRO || (file == DEPOT && window->GetStartTime() < 20.0f);
            for (const auto& named : window->GetBranches()) {
                window->GotoBranch(named.first);
                for (const auto& line : Entries(*window, true)) {
                    EXPECT_EQ(spoken, !line.second.empty()) << line.first;
                    if (!line.second.empty()) {
                        EXPECT_TRUE(std::filesystem::exists(Files::ResolvePath(line.second))) << line.second;
                    }
                }
                for (const auto& answer : Entries(*window, false))
                    EXPECT_EQ("", answer.second) << answer.first;
            }
        }
    }
}

// Each answer in turn, stop after stop: the talk ends in the next stop's
// state until the last, whose end starts it again.
TEST_F(ShippedConversationsTest, TheIntroWalksThroughItsFiveStops)
{
    const char* const STOPS[] = {"STATE_DEFAULT", "STOP2", "STOP3", "STOP4", "STOP5"};
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    for (uint32_t answer = 0; answer < 2; ++answer) {
        SCOPED_TRACE(answer);
        CConversationManager manager;
        CConversation* guide = manager.GetConversation(INTRO, 10.0f);
        ASSERT_NE(nullptr, guide);
        std::set<uint32_t> stopsWithAnswers;
        for (uint32_t stop = 0; stop < 5; ++stop) {
            ASSERT_NE(nullptr, guide->GetCurrentState());
            EXPECT_EQ(STOPS[stop], *guide->GetCurrentState());
            const ConversationBranch* first = guide->GetCurrentBranch();
            ASSERT_NE(nullptr, first);
            EXPECT_GE(guide->GetOutputCount(), 2u) << "a stop's talk is long";
            const char* interrupt = guide->GetBranchProperty(first->m_Name, "interrupt_state");
            ASSERT_NE(nullptr, interrupt) << "walking away keeps the stop";
            EXPECT_STREQ(STOPS[stop], interrupt);
            if (guide->GetInputCount() > 0) {
                stopsWithAnswers.insert(stop);
                guide->ChooseInput(answer);
                EXPECT_NE(first, guide->GetCurrentBranch());
                EXPECT_GT(guide->GetOutputCount(), 0u);
                EXPECT_EQ(0u, guide->GetInputCount());
            }
            guide->ApplyChangeState();
        }
        EXPECT_EQ(std::set<uint32_t>({0, 2}), stopsWithAnswers);
        EXPECT_EQ("STOP5", *guide->GetCurrentState()) << "the farewell, again";
        ASSERT_NE(nullptr, guide->GetCurrentBranch());
        EXPECT_EQ("Goodbye", guide->GetCurrentBranch()->m_Name);
    }
}

// A phone line, and the answers shown together, fit the phone's green screen
// in Verdana 13: 80 x 64 pixels of the 640 x 480 screen from the text's corner.
TEST_F(ShippedConversationsTest, PhoneLinesFitThePhonesScreen)
{
    const float SCREEN_WIDTH = 80.0f / 640.0f;
    const float SCREEN_HEIGHT = 64.0f / 480.0f;
    CreateDisplay();
    const CFont2D* font = g_TextMaster.GetFont(g_FontVerdana13);
    ASSERT_NE(nullptr, font);
    ASSERT_TRUE(font->IsReady());
    const float lineStep = static_cast<float>(font->GetLineHeight()) / 480.0f * font->GetScale();
    const auto fits = [&](const std::string& text) {
        float lines = 0.0f;
        size_t start = 0;
        while (start <= text.size()) {
            const size_t end = std::min(text.find('\n', start), text.size());
            const std::string line = text.substr(start, end - start);
            EXPECT_LE(font->GetTextWidth(line.c_str()), SCREEN_WIDTH) << "\"" << line << "\" is too wide";
            lines += 1.0f;
            start = end + 1;
        }
        EXPECT_LE(lines * lineStep, SCREEN_HEIGHT) << "\"" << text << "\" has too many lines";
    };
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    for (const char* file : PHONE_CONVERSATIONS) {
        SCOPED_TRACE(file);
        for (CConversation* window : Windows(file)) {
            for (const auto& named : window->GetBranches()) {
                window->GotoBranch(named.first);
                for (const auto& line : Entries(*window, true))
                    fits(line.first);
                std::string answers;
                for (const auto& answer : Entries(*window, false))
                    answers += answer.first + "\n";
                if (!answers.empty())
                    fits(answers.substr(0, answers.size() - 1));
            }
        }
    }
    g_TextMaster.Reset();
}

} // namespace
