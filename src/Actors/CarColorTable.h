#pragma once
// The car paints of the current level, from "Scripts\CarColor.txt" (the
// grammar is at the top of that file). Cars draw a paint from the table the
// level has made current when their physics is built or they are reset; the
// console's colour commands edit the working entry, append it and save the
// table.

#include <cstdint>
#include <vector>

#include "platform/d3d8/D3D8Types.h"

class CCarColorTable {
public:
    static constexpr const char* FILE_NAME = "Scripts\\CarColor.txt";

    CCarColorTable();

    // Replaces the entries with the file's; a file that cannot be read is
    // fatal, and so is a keyword the grammar does not know.
    void Load();
    // Writes the entries over the file; false, the old file kept, when it
    // cannot be written.
    bool Save() const;
    // The entry at `index`; the default entry past the end or below 0.
    const D3DMATERIAL8& Get(int32_t index) const;
    uint32_t GetCount() const { return static_cast<uint32_t>(m_Entries.size()); }
    const D3DMATERIAL8& GetDefault() const { return m_Default; }

    // The paint of a car whose physics is built: entry 0 for a table of at
    // most one entry, else one random draw among them.
    const D3DMATERIAL8& PickPaint() const;

    // The console's working entry.
    const D3DMATERIAL8& GetWorking() const { return m_Working; }
    void SetWorkingDiffuse(const D3DCOLORVALUE& colour) { m_Working.Diffuse = colour; }
    void SetWorkingSpecular(const D3DCOLORVALUE& colour) { m_Working.Specular = colour; }
    void SetWorkingPower(float power) { m_Working.Power = power; }
    void AppendWorking() { m_Entries.push_back(m_Working); }

    // The table the cars paint from; null paints every car with the
    // default entry. The level sets it while it is loaded.
    static const CCarColorTable* Current() { return s_pCurrent; }
    static CCarColorTable* CurrentForEditing() { return s_pCurrent; }
    static void SetCurrent(CCarColorTable* table) { s_pCurrent = table; }
    // The default entry of every table.
    static const D3DMATERIAL8& DefaultPaint();

private:
    static CCarColorTable* s_pCurrent;

    std::vector<D3DMATERIAL8> m_Entries;
    D3DMATERIAL8 m_Default;
    D3DMATERIAL8 m_Working;
};
