#pragma once
// Every heap allocation of the benchmark process is counted: the process's
// operator new is replaced (in HeapCount.cpp) by one that counts, so a
// benchmark can tell how many allocations its frames made.

#include <cstdint>

namespace benchmark {
class State;
}

uint64_t HeapAllocationCount();
// The allocations since the count was `before`, per iteration of `state`, set
// as its counter "allocations/frame" and given back.
double ReportAllocationsPerFrame(benchmark::State& state, uint64_t before);
