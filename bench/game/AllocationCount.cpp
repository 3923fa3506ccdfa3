#include "AllocationCount.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include <execinfo.h>
#include <unistd.h>

namespace {

const int TRACE_DEPTH = 24;

std::atomic<uint64_t> s_Allocations{0};
thread_local bool t_Counting = false;
thread_local bool t_Tracing = false;
const bool s_Trace = std::getenv(ALLOCATION_TRACE_VARIABLE) != nullptr;

// The stack of the allocation, for finding where a frame allocates; the
// first backtrace allocates itself, which is not counted again.
void Trace()
{
    static thread_local bool t_InTrace = false;
    if (t_InTrace)
        return;
    t_InTrace = true;
    void* frames[TRACE_DEPTH];
    const int depth = backtrace(frames, TRACE_DEPTH);
    backtrace_symbols_fd(frames, depth, STDERR_FILENO);
    const char separator[] = "--\n";
    (void)!write(STDERR_FILENO, separator, sizeof(separator) - 1);
    t_InTrace = false;
}

void Count()
{
    if (!t_Counting)
        return;
    s_Allocations.fetch_add(1, std::memory_order_relaxed);
    if (s_Trace && t_Tracing)
        Trace();
}

void* Allocate(std::size_t size)
{
    Count();
    // malloc(0) may return null; operator new never does.
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size)
{
    void* memory = Allocate(size);
    if (memory == nullptr)
        throw std::bad_alloc();
    return memory;
}

// aligned_alloc wants a size that is a multiple of the alignment.
void* AllocateAligned(std::size_t size, std::align_val_t alignment)
{
    Count();
    const std::size_t align = static_cast<std::size_t>(alignment);
    const std::size_t rounded = size == 0 ? align : (size + align - 1) / align * align;
    return std::aligned_alloc(align, rounded);
}

void* AllocateAlignedOrThrow(std::size_t size, std::align_val_t alignment)
{
    void* memory = AllocateAligned(size, alignment);
    if (memory == nullptr)
        throw std::bad_alloc();
    return memory;
}

} // namespace

void CountAllocations(bool counting)
{
    t_Counting = counting;
}

void TraceAllocations(bool tracing)
{
    t_Tracing = tracing;
}

void TraceMark(const char* text)
{
    if (!s_Trace || !t_Tracing)
        return;
    (void)!write(STDERR_FILENO, text, std::strlen(text));
}

uint64_t GetAllocationCount()
{
    return s_Allocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return AllocateAlignedOrThrow(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return AllocateAlignedOrThrow(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, alignment);
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }
