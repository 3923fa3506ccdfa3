#include "Actors/CarColorTable.h"

#include <sstream>
#include <string>

#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/ReplaceFile.h"
#include "Core/ScriptFile.h"

namespace {

const char* const KEYWORD_COLOR_POS = "ColorPos";
const char* const KEYWORD_COLOR = "Color";
const char* const KEYWORD_SPECULAR = "Specular";
const char* const KEYWORD_SPEC_POWER = "SpecPower";

// Every loaded paint's ambient and emissive colour.
const D3DCOLORVALUE LOADED_AMBIENT = {0.05f, 0.05f, 0.05f, 1.0f};

D3DCOLORVALUE ToColourValue(const D3DXCOLOR& colour)
{
    return {colour.r, colour.g, colour.b, colour.a};
}

D3DMATERIAL8 MakeDefaultPaint()
{
    D3DMATERIAL8 paint = {};
    paint.Diffuse = {1.0f, 0.0f, 1.0f, 1.0f};
    paint.Ambient = {0.05f, 0.05f, 0.05f, 1.0f};
    paint.Specular = {1.0f, 1.0f, 0.0f, 1.0f};
    paint.Emissive = {0.095f, 0.075f, 0.05f, 1.0f};
    paint.Power = 80.2f;
    return paint;
}

// Alpha first, as the scripts write colours.
void WriteColour(std::ostream& out, const char* keyword, const D3DCOLORVALUE& colour)
{
    out << keyword << ": " << colour.a << ' ' << colour.r << ' ' << colour.g << ' ' << colour.b << '\n';
}

} // namespace

CCarColorTable* CCarColorTable::s_pCurrent = nullptr;

CCarColorTable::CCarColorTable() : m_Default(DefaultPaint()), m_Working(m_Default)
{
}

const D3DMATERIAL8& CCarColorTable::DefaultPaint()
{
    static const D3DMATERIAL8 paint = MakeDefaultPaint();
    return paint;
}

// An entry begins at "ColorPos" (its number is only a reader's aid); each of
// the others is optional and an entry without one keeps the previous entry's.
void CCarColorTable::Load()
{
    CScriptFile reader(FILE_NAME);
    m_Default = DefaultPaint();
    m_Working = m_Default;
    m_Entries.clear();
    D3DMATERIAL8 entry = m_Default;
    // An empty file holds one empty token and no entry.
    while (!reader.IsEndOfBuffer() && !reader.PeekString().empty()) {
        bool read = false;
        if (reader.Match(KEYWORD_COLOR_POS)) {
            reader.GetFloat();
            read = true;
        }
        if (reader.Match(KEYWORD_COLOR)) {
            entry.Diffuse = ToColourValue(reader.GetColor());
            read = true;
        }
        if (reader.Match(KEYWORD_SPECULAR)) {
            entry.Specular = ToColourValue(reader.GetColor());
            read = true;
        }
        if (reader.Match(KEYWORD_SPEC_POWER)) {
            entry.Power = reader.GetFloat();
            read = true;
        }
        if (!read)
            FatalError("\"%s\": unknown keyword \"%s\"", FILE_NAME, reader.PeekString().c_str());
        entry.Ambient = LOADED_AMBIENT;
        entry.Emissive = LOADED_AMBIENT;
        m_Entries.push_back(entry);
    }
}

bool CCarColorTable::Save() const
{
    std::ostringstream out;
    for (size_t i = 0; i < m_Entries.size(); ++i) {
        const D3DMATERIAL8& entry = m_Entries[i];
        out << KEYWORD_COLOR_POS << ": " << i << '\n';
        WriteColour(out, KEYWORD_COLOR, entry.Diffuse);
        WriteColour(out, KEYWORD_SPECULAR, entry.Specular);
        out << KEYWORD_SPEC_POWER << ": " << entry.Power << "\n\n";
    }
    if (ReplaceFileText(FILE_NAME, out.str()))
        return true;
    g_Log.Write(std::string("Unable to save ") + FILE_NAME);
    return false;
}

const D3DMATERIAL8& CCarColorTable::Get(int32_t index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_Entries.size())
        return m_Default;
    return m_Entries[static_cast<size_t>(index)];
}

const D3DMATERIAL8& CCarColorTable::PickPaint() const
{
    const uint32_t count = GetCount();
    const uint32_t index = count <= 1 ? 0 : g_RandomTable.NextBelow(count);
    return Get(static_cast<int32_t>(index));
}
