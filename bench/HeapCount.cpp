#include "HeapCount.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include <benchmark/benchmark.h>

namespace {

std::atomic<uint64_t> g_Allocations{0};

} // namespace

uint64_t HeapAllocationCount()
{
    return g_Allocations.load();
}

double ReportAllocationsPerFrame(benchmark::State& state, uint64_t before)
{
    const double perFrame =
        static_cast<double>(HeapAllocationCount() - before) / static_cast<double>(state.iterations());
    state.counters["allocations/frame"] = benchmark::Counter(perFrame);
    return perFrame;
}

// Counts every allocation; the rest is the ordinary heap.
void* operator new(std::size_t size)
{
    g_Allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size != 0 ? size : 1))
        return block;
    throw std::bad_alloc();
}

// The counting operator new takes its blocks from malloc, so free is the
// matching release; the compiler cannot tell once the two meet inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
#pragma GCC diagnostic pop
