#pragma once

#include <string>

#include "Core/DataBuffer.h"
#include "Core/FatalError.h"

// A script file read by a loader that cannot go on without it: opened and cut
// at construction, fatal with `failure` when it cannot be read, and named by
// every fatal error raised while it lives.
class CScriptFile : public CDataBuffer {
public:
    explicit CScriptFile(const std::string& path, const char* failure = "Unable to initialize data buffer",
                         const char* separators = SCRIPT_SEPARATORS);
    CScriptFile(const CScriptFile&) = delete;
    CScriptFile& operator=(const CScriptFile&) = delete;

private:
    CScriptFileScope m_Scope;
};
