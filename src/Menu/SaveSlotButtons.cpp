#include "Menu/SaveSlotButtons.h"

#include "Game/ProgressData.h"
#include "Menu/Button.h"
#include "Menu/MenuScreens.h"

void ShowSaveSlotStamps(CSingleMenu* menu)
{
    if (menu == nullptr)
        return;
    const auto& buttons = menu->GetButtons();
    for (int slot = 1; slot <= SAVE_SLOT_COUNT; ++slot) {
        const size_t index = FIRST_SLOT_BUTTON + slot - 1;
        if (index >= buttons.size())
            return;
        if (LoadProgressFile(SaveSlotPath(slot)))
            buttons[index]->m_Caption = g_Progress.m_TimeStamp.ToString();
    }
}
