#include "support/QueuedTexts.h"

#include <cstdio>

#include "Display/TextMaster.h"

std::string QueuedText(const std::string& text, float x, float y, uint32_t colour)
{
    char where[64];
    std::snprintf(where, sizeof where, " (%.2f, %.2f) %08X", static_cast<double>(x), static_cast<double>(y),
                  static_cast<unsigned>(colour));
    return text + where;
}

std::vector<std::string> TakeQueuedTexts()
{
    std::vector<std::string> texts;
    for (uint32_t i = 0; i < g_TextMaster.GetQueueCount(); ++i) {
        const CQueuedText& queued = g_TextMaster.GetQueue()[i];
        if (queued.m_pPrepared != nullptr)
            texts.push_back(QueuedText(queued.m_pPrepared->m_Text, queued.m_X, queued.m_Y, queued.m_Colour));
    }
    g_TextMaster.Clear(CTextMaster::CLEAR_PREPARED);
    return texts;
}
