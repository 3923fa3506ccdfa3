#pragma once

#include <cstdio>
#include <string>

#include "Core/StdInterface.h"

// The plain text log. Every line is flushed before the call returns, so the
// log survives a crash up to the last line written.
class CLog : public CStdInterface {
public:
    CLog();
    ~CLog() override;
    CLog(const CLog&) = delete;
    CLog& operator=(const CLog&) = delete;

    bool Init() override;
    bool Shutdown() override;

    // Opens `fileName` for appending and writes the "- Logging started" line.
    bool Open(const std::string& fileName);
    bool Write(const std::string& text);
    // "Error in <where> #<number> - <message> hr=<result>"
    bool Error(const std::string& where, int number, const std::string& message, long result);
    bool WriteTimestamp();
    bool Close();

    bool IsOpen() const { return m_bReady; }
    const std::string& GetFileName() const { return m_FileName; }

private:
    enum { TIMESTAMP_NONE = 0, TIMESTAMP_EVERY_LINE = 1 };

    void WriteLine(const std::string& text);

    std::string m_FileName;
    int m_TimestampMode = TIMESTAMP_NONE;
    std::FILE* m_pFile = nullptr;
};

extern CLog g_Log;
