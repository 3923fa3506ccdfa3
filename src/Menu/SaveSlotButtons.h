#pragma once
// The save and load screens list the ten save slots from their fourth
// button on, slot 1 first.

class CSingleMenu;

enum { FIRST_SLOT_BUTTON = 3, SAVE_SLOT_COUNT = 10 };

// Every slot button whose file reads shows that save's time stamp; the
// others keep their captions. Stops at the menu's last button. g_Progress
// holds the last slot file that read.
void ShowSaveSlotStamps(CSingleMenu* menu);
