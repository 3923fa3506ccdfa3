#include "Core/FatalError.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "Core/Window.h"
#include "Core/Log.h"

namespace {

const size_t MESSAGE_SIZE = 512;
const int FATAL_EXIT_CODE = -1;

// The message box blocks until the player has read it; the exit then runs the
// destructors of every global, which closes the log and the files.
[[noreturn]] void DefaultFatalErrorHandler(const char* message)
{
    g_Log.Write(message);
    MessageBoxA(g_hWnd, message, "umm", MB_ICONHAND | MB_SETFOREGROUND | MB_TOPMOST);
    std::exit(FATAL_EXIT_CODE);
}

FatalErrorHandler s_Handler = nullptr;

} // namespace

FatalErrorHandler SetFatalErrorHandler(FatalErrorHandler handler)
{
    FatalErrorHandler previous = s_Handler;
    s_Handler = handler;
    return previous;
}

void FatalError(const char* format, ...)
{
    char message[MESSAGE_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof(message), format, args);
    va_end(args);

    if (s_Handler)
        s_Handler(message);
    // A handler that returns breaks its contract; end the process all the same.
    DefaultFatalErrorHandler(message);
}
