#pragma once
// Assets loaded from script text written in the test.

#include <string>

#include "Core/DataBuffer.h"

// Loads `asset` from `script` cut with the scripts' separators; the token
// left for the next block goes to `nextToken` when given.
template <class T>
bool LoadFrom(T& asset, const std::string& script, std::string* nextToken = nullptr)
{
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    reader.Tokenise(script.data(), script.size());
    const bool loaded = asset.Load(reader);
    if (nextToken != nullptr)
        *nextToken = reader.PeekString();
    return loaded;
}
