#pragma once
// Branching dialogues read from conversation scripts. A script holds a table
// of numbered lines (each with an optional voice file) and, per window of the
// game day, the states and branches of one conversation:
//
//   [StringTable]
//   0 "Morning. Looking for work?" sound Assets\Sounds\Voice\depot_01.wav
//   1 "Yes."
//   [Conversations]
//   time 8:00 - 20:00                 ; holds 8:00 <= t < 20:00
//   state STATE_DEFAULT initial_branch Hello
//   branch Hello
//       output 0
//       input 1 goto Yes
//       change_state STATE_DEFAULT    ; any other word: a property and its value
//   branch Yes ...
//
// An entry's index is its place in the table, whatever number it is written
// with. Keywords ignore case; state and branch names, and property keys, keep it.

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "Core/DataBuffer.h"

// One line of a script's string table.
struct StringTableEntry {
    std::string m_Text;
    // The voice file; empty when the line is not spoken.
    std::string m_Sound;
};

// One node of a dialogue: what the partner says, and the answers leading on.
struct ConversationBranch {
    std::string m_Name;
    // String-table indices, in file order.
    std::vector<uint32_t> m_Outputs;
    std::vector<uint32_t> m_Inputs;
    // The branch each input leads to, parallel to m_Inputs.
    std::vector<std::string> m_Targets;
    // "change_state": the state the conversation enters when it ends here;
    // "interrupt_state": the state a mission sets when it breaks off here.
    std::map<std::string, std::string> m_Properties;
};

// The conversation of one window of the game day. The phone, the HUD's
// window and the missions keep pointers to it and into it, so its states and
// branches live in containers that never move their elements.
class CConversation {
public:
    CConversation(float startTime, float endTime, const std::vector<StringTableEntry>* stringTable);

    // True when the conversation is valid at `hours`: start <= hours < end.
    bool Holds(float hours) const { return m_fStartTime <= hours && hours < m_fEndTime; }

    // Enters a declared state and goes to its initial branch (when that
    // exists); an undeclared state changes nothing.
    void SetState(const std::string& name);
    // Goes to the named branch; an unknown name changes nothing.
    void GotoBranch(const std::string& name);
    // Follows the current branch's answer `index`, when there is one.
    void ChooseInput(uint32_t index);
    // Ends the conversation: enters the current branch's "change_state", or
    // without one the current state again, so that the next showing starts at
    // that state's initial branch. Nothing without a current branch.
    void ApplyChangeState();

    uint32_t GetOutputCount() const;
    uint32_t GetInputCount() const;
    // The text of the current branch's line (answer) `index`, and its entry
    // through `entry` when given; "" and a null entry when there is none.
    const char* GetOutputText(uint32_t index, const StringTableEntry** entry = nullptr) const;
    const char* GetInputText(uint32_t index, const StringTableEntry** entry = nullptr) const;
    // The branch answer `index` leads to, or null.
    const char* GetInputTarget(uint32_t index) const;
    const ConversationBranch* GetCurrentBranch() const { return m_pCurrentBranch; }
    // Null before a state is entered.
    const std::string* GetCurrentState() const { return m_pCurrentState; }
    // The value of `key` in the named branch, or null.
    const char* GetBranchProperty(const std::string& branch, const std::string& key) const;

    float GetStartTime() const { return m_fStartTime; }
    float GetEndTime() const { return m_fEndTime; }
    const std::map<std::string, std::string>& GetStates() const { return m_States; }
    const std::map<std::string, ConversationBranch>& GetBranches() const { return m_Branches; }

    // Reading the time block.
    void DeclareState(const std::string& name, const std::string& initialBranch);
    ConversationBranch& AddBranch(const std::string& name);

private:
    const char* EntryText(const std::vector<uint32_t>& indices, uint32_t index,
                          const StringTableEntry** entry) const;

    // State name to the name of its initial branch.
    std::map<std::string, std::string> m_States;
    std::map<std::string, ConversationBranch> m_Branches;
    // Into m_Branches and m_States; null before a state is entered.
    const ConversationBranch* m_pCurrentBranch = nullptr;
    const std::string* m_pCurrentState = nullptr;
    float m_fEndTime;
    float m_fStartTime;
    // The owning file's table.
    const std::vector<StringTableEntry>* m_pStringTable;
};

// One loaded script: its string table and the conversations of the windows
// asked for so far. Conversations keep pointers to the table, so a file is
// neither copied nor moved once made.
class CConversationFile {
public:
    explicit CConversationFile(const std::string& fileName) : m_FileName(fileName) {}
    CConversationFile(const CConversationFile&) = delete;
    CConversationFile& operator=(const CConversationFile&) = delete;

    // Opens the script; false for an empty name or a file that cannot be read.
    bool Open();
    // Lets the script's tokens go; a later window opens it again.
    void Close() { m_Reader.Clear(); }
    // Reads "[StringTable]" when the table is still empty.
    void ReadStringTable();
    // Reads the first time block holding `hours` unless a conversation held
    // already covers it, and enters `state` in the new conversation. True
    // when a conversation was added.
    bool ReadConversation(float hours, const std::string& state);
    // The first conversation, in load order, valid at `hours`; null when none.
    CConversation* Find(float hours);

    const std::string& GetFileName() const { return m_FileName; }
    const std::vector<StringTableEntry>& GetStringTable() const { return m_StringTable; }
    const std::list<CConversation>& GetConversations() const { return m_Conversations; }

private:
    // Puts the reader after the section's opening token; false when the
    // script has no such section.
    bool FindSection(const char* section);
    // At a token that ends the current section or block.
    bool AtSectionEnd() const;
    bool AtBlockEnd() const;
    // After "time": the window, and whether it holds `hours`.
    bool ReadWindowHolding(float hours, float& start, float& end);
    void ReadBlock(CConversation& conversation);
    void ReadBranch(ConversationBranch& branch);
    void LogStrayWord();

    std::vector<StringTableEntry> m_StringTable;
    std::list<CConversation> m_Conversations;
    std::string m_FileName;
    CDataBuffer m_Reader;
};
