#include "Core/Log.h"

#include "platform/files/Files.h"
#include "platform/win32/Windows.h"

namespace {

// "mm/dd/yy hh:mm:ss" in local time.
std::string DateAndTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[48];
    std::snprintf(text, sizeof(text), "%02u/%02u/%02u %02u:%02u:%02u", now.wMonth, now.wDay,
                  now.wYear % 100u, now.wHour, now.wMinute, now.wSecond);
    return text;
}

} // namespace

CLog::CLog()
{
    Init();
}

CLog::~CLog()
{
    Shutdown();
}

bool CLog::Init()
{
    m_FileName.clear();
    m_TimestampMode = TIMESTAMP_NONE;
    m_bInitialised = false;
    m_bReady = false;
    return true;
}

bool CLog::Shutdown()
{
    if (m_bInitialised)
        Close();
    m_bInitialised = false;
    m_bReady = false;
    return true;
}

bool CLog::Open(const std::string& fileName)
{
    if (m_bInitialised)
        return false;
    Init();
    m_FileName = fileName;
    m_TimestampMode = TIMESTAMP_EVERY_LINE;
    m_bInitialised = true;

    m_pFile = Files::Open(fileName, "a");
    if (!m_pFile)
        return false;
    m_bReady = true;

    WriteLine("");
    WriteLine("- Logging started " + DateAndTime());
    return true;
}

bool CLog::Write(const std::string& text)
{
    if (!m_bReady)
        return false;
    if (m_TimestampMode == TIMESTAMP_EVERY_LINE)
        WriteTimestamp();
    WriteLine(text);
    return true;
}

bool CLog::Error(const std::string& where, int number, const std::string& message, long result)
{
    if (!m_bReady)
        return false;
    if (m_TimestampMode == TIMESTAMP_EVERY_LINE)
        WriteTimestamp();
    WriteLine("Error in " + where + " #" + std::to_string(number) + " - " + message +
              " hr=" + std::to_string(result));
    return true;
}

bool CLog::WriteTimestamp()
{
    if (!m_bReady)
        return false;
    std::fputs(("[" + DateAndTime() + "] ").c_str(), m_pFile);
    return true;
}

bool CLog::Close()
{
    if (!m_bReady)
        return false;
    m_bReady = false;
    if (!m_pFile)
        return true;
    const bool closed = std::fclose(m_pFile) == 0;
    m_pFile = nullptr;
    return closed;
}

void CLog::WriteLine(const std::string& text)
{
    std::fputs(text.c_str(), m_pFile);
    std::fputc('\n', m_pFile);
    std::fflush(m_pFile);
}
