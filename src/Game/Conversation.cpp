#include "Game/Conversation.h"

#include "Core/Log.h"

namespace {

const char* const SECTION_STRING_TABLE = "[StringTable]";
const char* const SECTION_CONVERSATIONS = "[Conversations]";
const char SECTION_MARK = '[';

const char* const KEYWORD_TIME = "time";
const char* const KEYWORD_STATE = "state";
const char* const KEYWORD_INITIAL_BRANCH = "initial_branch";
const char* const KEYWORD_BRANCH = "branch";
const char* const KEYWORD_OUTPUT = "output";
const char* const KEYWORD_INPUT = "input";
const char* const KEYWORD_GOTO = "goto";
const char* const KEYWORD_SOUND = "sound";

const char* const PROPERTY_CHANGE_STATE = "change_state";

const float HOURS_PER_MINUTE = 0.016666668f;

template <class Map>
const typename Map::mapped_type* FindIn(const Map& map, const std::string& key)
{
    const auto found = map.find(key);
    return found != map.end() ? &found->second : nullptr;
}

} // namespace

CConversation::CConversation(float startTime, float endTime, const std::vector<StringTableEntry>* stringTable)
    : m_fEndTime(endTime), m_fStartTime(startTime), m_pStringTable(stringTable)
{
}

void CConversation::SetState(const std::string& name)
{
    const auto state = m_States.find(name);
    if (state == m_States.end())
        return;
    m_pCurrentState = &state->first;
    GotoBranch(state->second);
}

void CConversation::GotoBranch(const std::string& name)
{
    if (const ConversationBranch* branch = FindIn(m_Branches, name))
        m_pCurrentBranch = branch;
}

void CConversation::ChooseInput(uint32_t index)
{
    if (const char* target = GetInputTarget(index))
        GotoBranch(target);
}

void CConversation::ApplyChangeState()
{
    if (m_pCurrentBranch == nullptr)
        return;
    if (const std::string* next = FindIn(m_pCurrentBranch->m_Properties, PROPERTY_CHANGE_STATE)) {
        SetState(*next);
        return;
    }
    // A state is entered before any branch can be current.
    if (m_pCurrentState != nullptr)
        SetState(*m_pCurrentState);
}

uint32_t CConversation::GetOutputCount() const
{
    return m_pCurrentBranch != nullptr ? static_cast<uint32_t>(m_pCurrentBranch->m_Outputs.size()) : 0;
}

uint32_t CConversation::GetInputCount() const
{
    return m_pCurrentBranch != nullptr ? static_cast<uint32_t>(m_pCurrentBranch->m_Inputs.size()) : 0;
}

const char* CConversation::GetOutputText(uint32_t index, const StringTableEntry** entry) const
{
    static const std::vector<uint32_t> NONE;
    return EntryText(m_pCurrentBranch != nullptr ? m_pCurrentBranch->m_Outputs : NONE, index, entry);
}

const char* CConversation::GetInputText(uint32_t index, const StringTableEntry** entry) const
{
    static const std::vector<uint32_t> NONE;
    return EntryText(m_pCurrentBranch != nullptr ? m_pCurrentBranch->m_Inputs : NONE, index, entry);
}

const char* CConversation::EntryText(const std::vector<uint32_t>& indices, uint32_t index,
                                     const StringTableEntry** entry) const
{
    const StringTableEntry* found = nullptr;
    if (index < indices.size() && m_pStringTable != nullptr && indices[index] < m_pStringTable->size())
        found = &(*m_pStringTable)[indices[index]];
    if (entry != nullptr)
        *entry = found;
    return found != nullptr ? found->m_Text.c_str() : "";
}

const char* CConversation::GetInputTarget(uint32_t index) const
{
    if (m_pCurrentBranch == nullptr || index >= m_pCurrentBranch->m_Targets.size())
        return nullptr;
    return m_pCurrentBranch->m_Targets[index].c_str();
}

const char* CConversation::GetBranchProperty(const std::string& branch, const std::string& key) const
{
    const ConversationBranch* found = FindIn(m_Branches, branch);
    if (found == nullptr)
        return nullptr;
    const std::string* value = FindIn(found->m_Properties, key);
    return value != nullptr ? value->c_str() : nullptr;
}

void CConversation::DeclareState(const std::string& name, const std::string& initialBranch)
{
    m_States[name] = initialBranch;
}

ConversationBranch& CConversation::AddBranch(const std::string& name)
{
    // A branch written twice: the later one stands.
    ConversationBranch& branch = m_Branches[name];
    branch = ConversationBranch();
    branch.m_Name = name;
    return branch;
}

bool CConversationFile::Open()
{
    return !m_FileName.empty() && m_Reader.Init(m_FileName, SCRIPT_SEPARATORS);
}

bool CConversationFile::FindSection(const char* section)
{
    m_Reader.Rewind();
    while (!m_Reader.IsEndOfBuffer()) {
        const std::string token = m_Reader.PeekString();
        m_Reader.NextToken();
        if (token == section)
            return true;
    }
    return false;
}

bool CConversationFile::AtSectionEnd() const
{
    return m_Reader.IsEndOfBuffer() || m_Reader.PeekString()[0] == SECTION_MARK;
}

bool CConversationFile::AtBlockEnd() const
{
    return AtSectionEnd() || IsEqualNoCase(m_Reader.PeekString().c_str(), KEYWORD_TIME);
}

void CConversationFile::ReadStringTable()
{
    if (!m_StringTable.empty() || !FindSection(SECTION_STRING_TABLE))
        return;
    while (!AtSectionEnd()) {
        // The number only keeps the file readable: the place is the index.
        m_Reader.NextToken();
        StringTableEntry entry;
        entry.m_Text = m_Reader.GetString();
        if (m_Reader.Match(KEYWORD_SOUND))
            entry.m_Sound = m_Reader.GetString();
        m_StringTable.push_back(entry);
    }
}

CConversation* CConversationFile::Find(float hours)
{
    for (CConversation& conversation : m_Conversations) {
        if (conversation.Holds(hours))
            return &conversation;
    }
    return nullptr;
}

bool CConversationFile::ReadConversation(float hours, const std::string& state)
{
    if (Find(hours) != nullptr || !FindSection(SECTION_CONVERSATIONS))
        return false;
    while (!AtSectionEnd()) {
        if (!m_Reader.Match(KEYWORD_TIME)) {
            m_Reader.NextToken();
            continue;
        }
        float start = 0.0f;
        float end = 0.0f;
        if (!ReadWindowHolding(hours, start, end))
            continue;
        m_Conversations.emplace_back(start, end, &m_StringTable);
        ReadBlock(m_Conversations.back());
        m_Conversations.back().SetState(state);
        return true;
    }
    return false;
}

bool CConversationFile::ReadWindowHolding(float hours, float& start, float& end)
{
    // Decimal, so that "08:30" is half past eight.
    const int32_t startHour = m_Reader.GetInteger();
    const int32_t startMinute = m_Reader.GetInteger();
    m_Reader.NextToken();
    const int32_t endHour = m_Reader.GetInteger();
    const int32_t endMinute = m_Reader.GetInteger();
    start = static_cast<float>(startHour) + static_cast<float>(startMinute) * HOURS_PER_MINUTE;
    end = static_cast<float>(endHour) + static_cast<float>(endMinute) * HOURS_PER_MINUTE;
    return start <= hours && hours < end;
}

void CConversationFile::ReadBlock(CConversation& conversation)
{
    while (!AtBlockEnd()) {
        if (m_Reader.Match(KEYWORD_STATE)) {
            const std::string name = m_Reader.GetString();
            if (m_Reader.Match(KEYWORD_INITIAL_BRANCH))
                conversation.DeclareState(name, m_Reader.GetString());
        } else if (m_Reader.Match(KEYWORD_BRANCH)) {
            ReadBranch(conversation.AddBranch(m_Reader.GetString()));
        } else {
            LogStrayWord();
            m_Reader.NextToken();
        }
    }
}

void CConversationFile::ReadBranch(ConversationBranch& branch)
{
    while (!AtBlockEnd() && !IsEqualNoCase(m_Reader.PeekString().c_str(), KEYWORD_BRANCH)) {
        if (m_Reader.Match(KEYWORD_OUTPUT)) {
            branch.m_Outputs.push_back(m_Reader.GetInt());
        } else if (m_Reader.Match(KEYWORD_INPUT)) {
            const uint32_t index = m_Reader.GetInt();
            // An answer that leads nowhere is not offered.
            if (!m_Reader.Match(KEYWORD_GOTO))
                continue;
            branch.m_Inputs.push_back(index);
            branch.m_Targets.push_back(m_Reader.GetString());
        } else {
            const std::string key = m_Reader.GetString();
            branch.m_Properties[key] = m_Reader.GetString();
        }
    }
}

void CConversationFile::LogStrayWord()
{
    g_Log.Write(m_FileName + ": \"" + m_Reader.PeekString() + "\" is no word of a time block, skipped");
}
