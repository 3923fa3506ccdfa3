#pragma once
// Unrecoverable script and set-up errors end the program here.

// Formats the message printf-style (cut to 511 characters) and hands it to the
// installed handler. The default handler shows the message box captioned
// "umm", writes the message to stderr and the log, and ends the process with -1.
[[noreturn]] void FatalError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// A handler receives the formatted message and must not return (it ends the
// process or throws). Tests install one that throws.
typedef void (*FatalErrorHandler)(const char* message);

// Installs `handler` (null restores the default) and returns the previous one.
FatalErrorHandler SetFatalErrorHandler(FatalErrorHandler handler);
