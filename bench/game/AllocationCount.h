#pragma once
// Counts the game thread's heap allocations: the game-run process replaces the
// global operator new, and every call made while counting is on adds one.
// Other threads (the sound mixer, stream refills) are not counted. With
// ALLOCATION_TRACE_VARIABLE set, each counted allocation made while tracing
// is on writes its stack to stderr, to find where a frame allocates; each
// measured frame's start is marked with what the population's lists hold.

#include <cstdint>

const char* const ALLOCATION_TRACE_VARIABLE = "KELM_ALLOCATION_TRACE";

// Counting on or off for the calling thread.
void CountAllocations(bool counting);
// Tracing on or off for the calling thread (the measured frames, not the
// warm-up's).
void TraceAllocations(bool tracing);
// While tracing, `text` goes to stderr between the stacks (a frame's start).
void TraceMark(const char* text);
uint64_t GetAllocationCount();
