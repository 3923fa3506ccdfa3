#pragma once
// The texts a frame queued for the text pass, read and taken by a test.

#include <cstdint>
#include <string>
#include <vector>

// Each queued string as "<text> (x, y) AARRGGBB", in queue order; the queue
// is emptied. The text master must be enabled.
std::vector<std::string> TakeQueuedTexts();
// The same line for an expectation.
std::string QueuedText(const std::string& text, float x, float y, uint32_t colour);
