#include "Game/ConversationManager.h"

namespace {

const char* const DEFAULT_STATE = "STATE_DEFAULT";

} // namespace

CConversation* CConversationManager::GetConversation(const char* fileName, float hours)
{
    if (!LoadFile(fileName, hours, DEFAULT_STATE))
        return nullptr;
    return FindFile(fileName)->Find(hours);
}

CConversation* CConversationManager::GetConversation(const std::string& fileName, float hours)
{
    return GetConversation(fileName.c_str(), hours);
}

bool CConversationManager::LoadFile(const char* fileName, float hours, const char* state)
{
    if (fileName == nullptr || state == nullptr)
        return false;
    CConversationFile* file = FindFile(fileName);
    const bool created = file == nullptr;
    if (created) {
        m_Files.emplace_back(fileName);
        file = &m_Files.back();
    }
    if (!file->Open()) {
        if (created)
            m_Files.pop_back();
        return false;
    }
    file->ReadStringTable();
    const bool added = file->ReadConversation(hours, state);
    file->Close();
    if (added)
        ++m_uConversationCount;
    return true;
}

CConversationFile* CConversationManager::FindFile(const std::string& fileName)
{
    for (CConversationFile& file : m_Files) {
        if (IsEqualNoCase(file.GetFileName().c_str(), fileName.c_str()))
            return &file;
    }
    return nullptr;
}
