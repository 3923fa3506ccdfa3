#include "Game/ProgressData.h"

#include <cstdlib>
#include <sstream>
#include <tuple>

#include "Actors/GameActor.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Core/ReplaceFile.h"
#include "Display/Camera.h"
#include "Game/Extras.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Level/Level.h"
#include "Sound/Radio.h"
#include "platform/win32/Windows.h"

namespace {

const char* const KEYWORD_MISSIONS = "MissionsOpen";
const char* const KEYWORD_EXTRAS = "ExtrasOpen";
const char* const KEYWORD_POSITION = "StartingPos";
const char* const KEYWORD_STAMP = "TimeStamp";
const char* const ENTRY_MARK = "#";
const char* const SAVES_FOLDER = "Saves\\";
const char* const SAVE_EXTENSION = ".txt";
const char* const INVALID_MISSION = "Error found in file: Invalid Mission Name";
const char* const INVALID_EXTRA = "Error found in file: Invalid Extra Object";
const int YEARS_WRITTEN = 100;

struct FieldRange {
    int32_t low;
    int32_t high;
};
const FieldRange MONTHS = {1, 12};
const FieldRange DAYS = {1, 31};
const FieldRange HOURS = {0, 23};
const FieldRange MINUTES = {0, 59};
const FieldRange SECONDS = {0, 59};
const FieldRange ANY_YEAR = {0, 9999};

// A whole token of decimal digits within `range`; anything else is refused.
bool ParseField(const std::string& text, FieldRange range, int32_t& value)
{
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long number = std::strtol(text.c_str(), nullptr, 10);
    if (number < range.low || number > range.high)
        return false;
    value = static_cast<int32_t>(number);
    return true;
}

std::string TwoDigits(int value)
{
    const int tens = value / 10 % 10;
    return std::string(1, static_cast<char>('0' + tens)) + static_cast<char>('0' + value % 10);
}

void WriteNames(std::ostringstream& out, const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        out << ENTRY_MARK << ':' << name << ' ';
    out << '\n';
}

// The "#" name pairs that follow a list keyword.
void ReadNames(CDataBuffer& reader, std::vector<std::string>& names)
{
    while (reader.Match(ENTRY_MARK))
        names.push_back(reader.GetString());
}

void LogUnknownWord(const std::string& path, const std::string& word)
{
    g_Log.Write(path);
    g_Log.Write("Error found in file: Invalid keyword or corrupt file");
    g_Log.Write(word);
    g_Log.Write("file not loaded");
}

CTimeStamp LocalTimeStamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    CTimeStamp stamp;
    stamp.m_Year = now.wYear % YEARS_WRITTEN;
    stamp.m_Month = now.wMonth;
    stamp.m_Day = now.wDay;
    stamp.m_Hour = now.wHour;
    stamp.m_Minute = now.wMinute;
    stamp.m_Second = now.wSecond;
    return stamp;
}

// The level's reload has set a seated player down already.
void ResumePlayerAt(const D3DXVECTOR3& position)
{
    g_Radio.SetOn(false);
    CGameActor* player = g_PlayerActor;
    if (player == nullptr)
        return;
    player->RestoreLife();
    player->EnablePhysics();
    g_GameCamera.ChaseFrom(player->m_Model.m_matWorld);
    g_pActiveCamera = &g_GameCamera;
    player->m_Model.SetPosition(&position);
    player->m_Model.UpdateWorldMatrix();
    player->SyncPhysicsPose();
}

void RecreateMissions(const std::vector<std::string>& names)
{
    g_MissionManager.Clear();
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (g_MissionManager.CreateMission(*name) == nullptr)
            g_Log.Write(INVALID_MISSION);
    }
}

void RegrantExtras(const std::vector<std::string>& names)
{
    g_UnlockedExtras.clear();
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (SpawnItem(*name) == nullptr)
            g_Log.Write(INVALID_EXTRA);
    }
}

} // namespace

void CTimeStamp::Clear()
{
    *this = CTimeStamp();
}

bool CTimeStamp::ParseDate(const std::string& date)
{
    const size_t first = date.find('/');
    const size_t second = first == std::string::npos ? first : date.find('/', first + 1);
    if (second == std::string::npos)
        return false;
    CTimeStamp parsed = *this;
    if (!ParseField(date.substr(0, first), MONTHS, parsed.m_Month)
        || !ParseField(date.substr(first + 1, second - first - 1), DAYS, parsed.m_Day)
        || !ParseField(date.substr(second + 1), ANY_YEAR, parsed.m_Year))
        return false;
    *this = parsed;
    return true;
}

bool CTimeStamp::Read(CDataBuffer& reader)
{
    CTimeStamp parsed = *this;
    if (!parsed.ParseDate(reader.GetString()))
        return false;
    const std::string hour = reader.GetString();
    const std::string minute = reader.GetString();
    const std::string second = reader.GetString();
    if (!ParseField(hour, HOURS, parsed.m_Hour) || !ParseField(minute, MINUTES, parsed.m_Minute)
        || !ParseField(second, SECONDS, parsed.m_Second))
        return false;
    *this = parsed;
    return true;
}

std::string CTimeStamp::ToString() const
{
    std::ostringstream out;
    out << m_Hour << ':' << m_Minute << ':' << m_Second << " \n" << m_Month << '/' << m_Day << '/' << m_Year;
    return out.str();
}

bool CTimeStamp::IsLaterThan(const CTimeStamp& other) const
{
    return std::tie(m_Year, m_Month, m_Day, m_Hour, m_Minute, m_Second)
        > std::tie(other.m_Year, other.m_Month, other.m_Day, other.m_Hour, other.m_Minute, other.m_Second);
}

void CProgressData::Clear()
{
    m_MissionsOpen.clear();
    m_ExtrasOpen.clear();
}

std::string SaveSlotPath(int slot)
{
    return SAVES_FOLDER + std::to_string(slot) + SAVE_EXTENSION;
}

std::string ProgressText(const CProgressData& progress)
{
    std::ostringstream out;
    out << KEYWORD_MISSIONS << '\n';
    WriteNames(out, progress.m_MissionsOpen);
    out << KEYWORD_EXTRAS << '\n';
    WriteNames(out, progress.m_ExtrasOpen);
    const D3DXVECTOR3& at = progress.m_StartingPos;
    out << KEYWORD_POSITION << ": " << at.x << ' ' << at.y << ' ' << at.z << '\n';
    const CTimeStamp& stamp = progress.m_TimeStamp;
    out << KEYWORD_STAMP << ": " << TwoDigits(stamp.m_Month) << '/' << TwoDigits(stamp.m_Day) << '/'
        << TwoDigits(stamp.m_Year) << ' ' << TwoDigits(stamp.m_Hour) << ':' << TwoDigits(stamp.m_Minute) << ':'
        << TwoDigits(stamp.m_Second);
    return out.str();
}

bool SaveProgress(const std::string& path, const CMission* savePoint)
{
    CProgressData progress;
    for (size_t i = 0; i < g_MissionManager.GetMissionCount(); ++i)
        progress.m_MissionsOpen.push_back(g_MissionManager.GetMission(i)->GetName());
    progress.m_ExtrasOpen = g_UnlockedExtras;
    if (savePoint != nullptr)
        progress.m_StartingPos = savePoint->GetStartPosition();
    progress.m_TimeStamp = LocalTimeStamp();
    if (ReplaceFileText(path, ProgressText(progress)))
        return true;
    g_Log.Write("Cannot write the save " + path);
    return false;
}

bool LoadProgress(const std::string& path, CProgressData& out)
{
    CDataBuffer reader;
    if (!reader.Init(path, SCRIPT_SEPARATORS))
        return false;
    CProgressData read = out;
    read.Clear();
    bool missions = false, extras = false, position = false, stamp = false;
    while (!reader.IsEndOfBuffer()) {
        if (reader.Match(KEYWORD_MISSIONS)) {
            ReadNames(reader, read.m_MissionsOpen);
            missions = true;
        } else if (reader.Match(KEYWORD_EXTRAS)) {
            ReadNames(reader, read.m_ExtrasOpen);
            extras = true;
        } else if (reader.Match(KEYWORD_POSITION)) {
            read.m_StartingPos = reader.GetVector3();
            position = true;
        } else if (reader.Match(KEYWORD_STAMP)) {
            if (!read.m_TimeStamp.Read(reader)) {
                g_Log.Write(path + ": the time stamp does not read, file not loaded");
                return false;
            }
            stamp = true;
        } else {
            LogUnknownWord(path, reader.GetString());
            return false;
        }
    }
    if (!missions || !extras || !position || !stamp) {
        g_Log.Write(path + ": a part of the save is missing, file not loaded");
        return false;
    }
    out = read;
    return true;
}

bool LoadProgressFile(const std::string& path)
{
    return LoadProgress(path, g_Progress);
}

bool ApplySavedProgress(const CProgressData& progress)
{
    if (g_pLevel != nullptr)
        g_pLevel->LoadScript();
    ResumePlayerAt(progress.m_StartingPos);
    RecreateMissions(progress.m_MissionsOpen);
    RegrantExtras(progress.m_ExtrasOpen);
    return true;
}
