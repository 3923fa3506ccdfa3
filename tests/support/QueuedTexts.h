#pragma once
// The text master's queue as a test reads it.

#include <string>
#include <vector>

// The strings queued since the last call, in queue order, each described as
// "<text> at (<x>, <y>) <AARRGGBB>"; the queue is emptied.
std::vector<std::string> TakeQueuedTexts();
// The description TakeQueuedTexts gives a string queued at (x, y) in `colour`.
std::string QueuedText(const std::string& text, float x, float y, unsigned colour);
