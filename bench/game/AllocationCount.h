#pragma once
// Counts the game thread's heap allocations: the game-run process replaces the
// global operator new, and every call made while counting is on adds one.
// Other threads (the sound mixer, stream refills) are not counted.

#include <cstdint>

// Counting on or off for the calling thread.
void CountAllocations(bool counting);
uint64_t GetAllocationCount();
