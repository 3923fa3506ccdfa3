#pragma once
// The save-game record: where the player starts, the open missions and the
// granted extras, and when it was written. Until saving is built it is empty.

class CProgressData {};

extern CProgressData g_Progress;
