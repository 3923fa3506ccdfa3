#pragma once
// Holds every conversation script once, for the rest of the game, and hands
// out the conversation valid at a time of day. A conversation keeps its state
// between showings: the phone, the HUD's window and the missions all reach
// the same object through the script's name.

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

#include "Game/Conversation.h"

class CConversationManager {
public:
    // The conversation of `fileName` valid at `hours` (the game clock's time
    // of day); null when the file cannot be read or has no window for the time.
    // A conversation read now starts in "STATE_DEFAULT".
    CConversation* GetConversation(const char* fileName, float hours);
    CConversation* GetConversation(const std::string& fileName, float hours);
    // Keeps the file (names compared without case) and reads its window for
    // `hours` unless held already, entering `state`. False when the file cannot
    // be read; a file with no window for the time still loads.
    bool LoadFile(const char* fileName, float hours, const char* state);

    // How many conversations have been read so far.
    uint32_t GetConversationCount() const { return m_uConversationCount; }
    size_t GetFileCount() const { return m_Files.size(); }

private:
    CConversationFile* FindFile(const std::string& fileName);

    std::list<CConversationFile> m_Files;
    uint32_t m_uConversationCount = 0;
};

extern CConversationManager g_ConversationManager;
