#include "Game/PhoneDirectory.h"

#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Game/ConversationManager.h"

bool CPhoneDirectory::Start()
{
    if (m_bStarted)
        return false;
    m_bStarted = true;
    return true;
}

bool CPhoneDirectory::Load(const std::string& fileName)
{
    if (m_bStarted)
        return false;
    m_bStarted = true;
    m_FileName = fileName;
    return ReadFile();
}

bool CPhoneDirectory::ReadFile()
{
    if (!m_bStarted)
        return false;
    m_Numbers.clear();
    CScriptFile reader(m_FileName);
    while (!reader.IsEndOfBuffer()) {
        const std::string number = reader.GetString();
        if (reader.IsEndOfBuffer()) {
            // An empty file still reads as one empty word.
            if (!number.empty())
                g_Log.Write(m_FileName + ": the number " + number + " has no conversation, dropped");
            break;
        }
        m_Numbers[number] = reader.GetString();
    }
    m_bLoaded = true;
    return true;
}

bool CPhoneDirectory::Lookup(const std::string& number, float hours, CDirectoryResult& result) const
{
    if (!m_bLoaded)
        return false;
    const auto found = m_Numbers.find(number);
    if (found == m_Numbers.end())
        return false;
    CConversation* conversation = g_ConversationManager.GetConversation(found->second, hours);
    if (conversation == nullptr)
        return false;
    result.m_Text = found->second;
    result.m_pConversation = conversation;
    return true;
}

bool CPhoneDirectory::Shutdown()
{
    m_Numbers.clear();
    m_FileName.clear();
    m_bStarted = false;
    m_bLoaded = false;
    return CStdInterface::Shutdown();
}
