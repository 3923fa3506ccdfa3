#pragma once
// The save game: a text file per slot holding the open missions, the granted
// extras, where play resumes and when it was written. Files are replaced
// whole, so a failed write keeps the old save; a file that does not read in
// full changes nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx8/D3DX8Math.h"

class CDataBuffer;
class CMission;

// When a save was written: the year as written (two digits), the date and
// the local time of day.
class CTimeStamp {
public:
    void Clear();
    // "04/22/05" or "4/22/5": month, day and year between slashes. False,
    // the stamp unchanged, unless all three are numbers and the month and
    // day lie in their ranges.
    bool ParseDate(const std::string& date);
    // The date, then hour, minute and second (the colons cut them apart);
    // false, the stamp unchanged, when any is missing or out of range.
    bool Read(CDataBuffer& reader);
    // "13:5:9 \n4/22/5": time above date, as a slot button shows it.
    std::string ToString() const;
    // The first field that differs, from the year down, decides.
    bool IsLaterThan(const CTimeStamp& other) const;

    int32_t m_Year = 0;
    int32_t m_Month = 0;
    int32_t m_Day = 0;
    int32_t m_Hour = 0;
    int32_t m_Minute = 0;
    int32_t m_Second = 0;
};

// One save read back (g_Progress holds the file read last).
class CProgressData {
public:
    void Clear();

    D3DXVECTOR3 m_StartingPos = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    std::vector<std::string> m_MissionsOpen;
    std::vector<std::string> m_ExtrasOpen;
    CTimeStamp m_TimeStamp;
};

extern CProgressData g_Progress;

// "Saves\<slot>.txt".
std::string SaveSlotPath(int slot);

// Writes the open missions in the manager's order, the granted extras, the
// save point's start position and the local time. False, the old file kept
// and the path logged, when it cannot be written.
bool SaveProgress(const std::string& path, const CMission* savePoint);
// The file's text for `progress` (no newline after the stamp).
std::string ProgressText(const CProgressData& progress);
// True only when the file holds all four keyword lines and each reads; else
// `out` is left as it was. An unknown word is logged with the file's name.
bool LoadProgress(const std::string& path, CProgressData& out);
bool LoadProgressFile(const std::string& path);
// Play resumes from `progress`: the level built afresh from its script, the
// player whole and on foot at the saved position under the chase camera,
// the radio off; the saved missions created and the extras granted again,
// each list from its last name to its first. An unknown name is logged and
// skipped. Always true.
bool ApplySavedProgress(const CProgressData& progress);
