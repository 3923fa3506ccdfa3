#include "Core/FatalError.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

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

struct ScriptPlace {
    std::string m_File;
    uint32_t m_uLine;
};
// The script files being read, innermost last.
std::vector<ScriptPlace> s_ScriptPlaces;

// The message and, on a line of its own cut like the message, the innermost
// file being read.
std::string WithScriptPlace(const char* message)
{
    std::string text = message;
    if (s_ScriptPlaces.empty())
        return text;
    const ScriptPlace& place = s_ScriptPlaces.back();
    if (place.m_File.empty() || text.find(place.m_File) != std::string::npos)
        return text;
    return text + "\n" + DescribeScriptPlace(place.m_File, place.m_uLine).substr(0, MESSAGE_SIZE - 1);
}

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

    const std::string text = WithScriptPlace(message);
    if (s_Handler)
        s_Handler(text.c_str());
    // A handler that returns breaks its contract; end the process all the same.
    DefaultFatalErrorHandler(text.c_str());
}

CScriptFileScope::CScriptFileScope(const std::string& file)
{
    s_ScriptPlaces.push_back(ScriptPlace{file, 0});
}

CScriptFileScope::~CScriptFileScope()
{
    s_ScriptPlaces.pop_back();
}

void SetScriptLine(uint32_t line)
{
    if (!s_ScriptPlaces.empty())
        s_ScriptPlaces.back().m_uLine = line;
}

std::string DescribeScriptPlace(const std::string& file, uint32_t line)
{
    std::string place = "in " + file;
    if (line != 0)
        place += ", line " + std::to_string(line);
    return place;
}

std::string DescribeScriptFailure(const std::string& file, uint32_t line, const std::string& reason)
{
    return DescribeScriptPlace(file, line) + ": " + reason;
}
