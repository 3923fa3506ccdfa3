#pragma once
// Unrecoverable script and set-up errors end the program here.

#include <cstdint>
#include <string>

// Formats the message printf-style (cut to 511 characters) and hands it to the
// installed handler. While a script file is being read (CScriptFileScope), the
// message gets a line (cut alike) naming the innermost such file, unless it
// names that file already: a modder is sent to the file that broke, not to
// the asset script that led to it. The default handler shows the message box captioned
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

// Names a script file for as long as it is being read. Scopes nest: a loader
// that follows a file name into another file opens a scope for that one too.
class CScriptFileScope {
public:
    explicit CScriptFileScope(const std::string& file);
    ~CScriptFileScope();
    CScriptFileScope(const CScriptFileScope&) = delete;
    CScriptFileScope& operator=(const CScriptFileScope&) = delete;
};

// The line of the innermost file being read, for readers that know it (0: not known).
void SetScriptLine(uint32_t line);

// "in <file>", with ", line <n>" when the line is known: how every message
// names the script file it is about.
std::string DescribeScriptPlace(const std::string& file, uint32_t line);
// The place, then ": " and what is wrong there.
std::string DescribeScriptFailure(const std::string& file, uint32_t line, const std::string& reason);
