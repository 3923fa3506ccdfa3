#pragma once
// Holds every conversation file once and hands out the conversation valid at
// the time of day. Until conversations are built it holds none.

class CConversationManager {};

extern CConversationManager g_ConversationManager;
