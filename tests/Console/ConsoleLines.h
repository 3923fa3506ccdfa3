#pragma once
// What a console line writes, for the console's tests.

#include <string>
#include <vector>

#include "Console/Console.h"

typedef std::vector<std::string> ConsoleLines;

// Runs `line` on `console`: the lines it wrote, from its echo to the fresh line.
inline ConsoleLines RunConsoleLine(CConsole& console, const std::string& line)
{
    const CLineRing& output = console.GetOutput();
    int32_t i = output.GetCurrentIndex();
    console.RunLine(line);
    ConsoleLines lines{output.Line(i)};
    for (; i != output.GetCurrentIndex(); i = CLineRing::Next(i))
        lines.push_back(output.Line(CLineRing::Next(i)));
    return lines;
}
