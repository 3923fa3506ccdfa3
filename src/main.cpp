#include "App/Application.h"

int main()
{
    // The command line is not read.
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
}
