#include "Core/ScriptFile.h"

CScriptFile::CScriptFile(const std::string& path, const char* failure, const char* separators) : m_Scope(path)
{
    if (!Init(path, separators))
        FatalError("%s", failure);
}
