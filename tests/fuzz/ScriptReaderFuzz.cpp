// Feeds arbitrary bytes to the script reader as a script file, cuts it with
// both separator sets and walks every read over the tokens. Any crash,
// sanitizer report, hang or broken token invariant is a finding.

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "Core/DataBuffer.h"
#include "Core/FatalError.h"

namespace {

struct FatalThrown {};

FatalErrorHandler g_Handler = nullptr;

void Require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "script reader invariant broken: %s\n", what);
    __builtin_trap();
}

// One in-memory file, rewritten for every input, reached by path like any script.
const std::string& ScriptPath()
{
    static const std::string path = [] {
        const int fd = memfd_create("fuzz_script", 0);
        Require(fd >= 0, "memfd_create");
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void WriteScript(const uint8_t* data, size_t size)
{
    const int fd = std::stoi(ScriptPath().substr(std::strlen("/proc/self/fd/")));
    Require(ftruncate(fd, 0) == 0, "ftruncate");
    size_t written = 0;
    while (written < size) {
        const ssize_t n = pwrite(fd, data + written, size - written, static_cast<off_t>(written));
        Require(n > 0, "pwrite");
        written += static_cast<size_t>(n);
    }
}

// Every token is non-empty (but the lone token of a script without any), and
// no token keeps a comment, a quote or a carriage return.
void CheckTokens(CDataBuffer buffer, size_t scriptSize)
{
    size_t count = 0;
    bool sawEmpty = false;
    while (!buffer.IsEndOfBuffer()) {
        const std::string token = buffer.GetString();
        Require(token.find_first_of(";\"\r") == std::string::npos, "token holds ; \" or CR");
        Require(token.find('\0') == std::string::npos, "token holds NUL");
        if (token.empty())
            sawEmpty = true;
        ++count;
        Require(count <= scriptSize + 1, "more tokens than bytes");
    }
    Require(!sawEmpty || count == 1, "empty token among others");
    Require(buffer.GetString().empty() && buffer.IsEndOfBuffer(), "read past the end");
}

void TryBool(CDataBuffer& buffer, bool step)
{
    try {
        if (step)
            buffer.GetBool();
        else
            buffer.PeekBool();
    } catch (const FatalThrown&) {
        if (!step)
            buffer.NextToken();
    }
}

// One read of every kind in turn, until the end (bounded, so a reader that
// stopped stepping shows up as a trap rather than a hang).
void WalkReads(CDataBuffer& buffer, size_t scriptSize)
{
    const size_t maxSteps = 2 * scriptSize + 64;
    for (size_t step = 0; !buffer.IsEndOfBuffer(); ++step) {
        Require(step < maxSteps, "walk does not reach the end");
        switch (step % 12) {
        case 0: buffer.GetInt(); break;
        case 1: buffer.GetShort(); break;
        case 2: buffer.GetInteger(); break;
        case 3: buffer.GetFloat(); break;
        case 4: buffer.GetVector2(); break;
        case 5: buffer.GetVector3(); break;
        case 6: buffer.GetColor(); break;
        case 7: buffer.GetMatrix(); break;
        case 8:
            if (!buffer.Match("Name"))
                buffer.PeekString();
            buffer.GetString();
            break;
        case 9: TryBool(buffer, step % 24 == 9); break;
        case 10:
            if (!buffer.IsNotChar('a') || buffer.SkipToChar('a'))
                buffer.NextToken();
            break;
        case 11:
            while (buffer.NotMatch("End"))
                buffer.NextToken();
            break;
        }
    }
    buffer.GetMatrix();
    Require(buffer.IsEndOfBuffer() && buffer.PeekString().empty(), "reads moved past the end");
}

} // namespace

[[noreturn]] void FatalError(const char* format, ...)
{
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof(message), format, args);
    va_end(args);
    if (g_Handler != nullptr)
        g_Handler(message);
    throw FatalThrown();
}

FatalErrorHandler SetFatalErrorHandler(FatalErrorHandler handler)
{
    const FatalErrorHandler previous = g_Handler;
    g_Handler = handler;
    return previous;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteScript(data, size);
    for (const char* separators : {SCRIPT_SEPARATORS, CINEMA_SCRIPT_SEPARATORS}) {
        CDataBuffer buffer;
        Require(buffer.Init(ScriptPath(), separators), "Init of a readable file");
        Require(!buffer.Init(ScriptPath(), separators), "second Init");
        CheckTokens(buffer, size);
        WalkReads(buffer, size);

        CDataBuffer copy;
        copy = buffer;
        copy.Rewind();
        CheckTokens(copy, size);
    }
    return 0;
}
