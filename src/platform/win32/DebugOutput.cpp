// kernel32's debugger output. There is no debugger to receive it here: the
// text goes to standard error, one line each.

#include <cstdio>

#include "platform/win32/Windows.h"

void OutputDebugStringA(LPCSTR text)
{
    if (text == nullptr)
        return;
    std::fprintf(stderr, "%s\n", text);
}
