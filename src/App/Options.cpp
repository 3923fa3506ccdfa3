// The user options: the display mode and the two volumes that the player
// sets in the menus, kept in "Scripts\Options.txt" between runs.

#include <algorithm>
#include <cstdio>
#include <string>

#include "Core/DataBuffer.h"
#include "Core/Game.h"
#include "Core/Log.h"
#include "Display/Display.h"
#include "Menu/MenuManager.h"
#include "Sound/Sound.h"
#include "platform/files/Files.h"

namespace {

const char* const OPTIONS_FILE = "Scripts\\Options.txt";
// Written beside the options and renamed over them, so a failed write never
// leaves half a file.
const char* const OPTIONS_TEMPORARY_FILE = "Scripts\\Options.txt.new";
const char* const NO_OPTIONS = "Warning: No User Options found, using default values";
const char* const INVALID_OPTION = "Warning: Invalid User Option Specified, ignoring invalid option spec";
const float VOLUME_SCALE = 255.0f;
const int BYTE_MASK = 0xFF;

// A volume is a share of full volume: anything else written in the file
// (a huge number, a negative one, NAN) would scale out of the sound
// system's range.
float ReadVolume(CDataBuffer& reader)
{
    const float volume = reader.GetFloat();
    if (!(volume > 0.0f))
        return 0.0f;
    return std::min(volume, 1.0f);
}

const char* TrueFalse(uint8_t flag)
{
    return flag ? "true" : "false";
}

} // namespace

// Values are taken as they are written, but for the volumes, kept to 0..1.
void CGame::LoadOptions()
{
    CDataBuffer reader;
    if (!reader.Init(OPTIONS_FILE, SCRIPT_SEPARATORS)) {
        g_Log.Write(NO_OPTIONS);
        return;
    }
    while (!reader.IsEndOfBuffer()) {
        if (!ReadOption(reader))
            g_Log.Write(INVALID_OPTION);
    }
}

bool CGame::ReadOption(CDataBuffer& reader)
{
    if (reader.Match("MusicVol")) {
        m_Options.MusicVol = ReadVolume(reader);
    } else if (reader.Match("EffectVol")) {
        m_Options.EffectVol = ReadVolume(reader);
    } else if (reader.Match("ResX")) {
        m_Options.ResX = reader.GetShort();
    } else if (reader.Match("ResY")) {
        m_Options.ResY = reader.GetShort();
    } else if (reader.Match("BPP")) {
        m_Options.BPP = static_cast<uint8_t>(reader.GetInteger() & BYTE_MASK);
    } else if (reader.Match("RefreshRate")) {
        m_Options.RefreshRate = static_cast<uint8_t>(reader.GetInteger() & BYTE_MASK);
    } else if (reader.Match("VSync")) {
        m_Options.VSync = reader.GetBool() ? 1 : 0;
    } else if (reader.Match("BFullScreen")) {
        m_Options.BFullScreen = reader.GetBool() ? 1 : 0;
    } else {
        reader.NextToken();
        return false;
    }
    return true;
}

void CGame::SaveOptions()
{
    FILE* file = Files::Open(OPTIONS_TEMPORARY_FILE, "w");
    if (file == nullptr)
        return;
    const int written = std::fprintf(file,
                                     "MusicVol: %g\nEffectVol: %g\nResX: %u\nResY: %u\nBPP: %u\nRefreshRate: %u\n"
                                     "VSync: %s\nBFullScreen: %s\n",
                                     static_cast<double>(m_Options.MusicVol), static_cast<double>(m_Options.EffectVol),
                                     static_cast<unsigned>(m_Options.ResX), static_cast<unsigned>(m_Options.ResY),
                                     static_cast<unsigned>(m_Options.BPP), static_cast<unsigned>(m_Options.RefreshRate),
                                     TrueFalse(m_Options.VSync), TrueFalse(m_Options.BFullScreen));
    const bool closed = std::fclose(file) == 0;
    const std::string temporary = Files::ResolveWritePath(OPTIONS_TEMPORARY_FILE);
    if (written < 0 || !closed) {
        std::remove(temporary.c_str());
        return;
    }
    std::rename(temporary.c_str(), Files::ResolveWritePath(OPTIONS_FILE).c_str());
}

// A refused mode stays in the record, and is saved so.
void CGame::ApplyOptions()
{
    const CDisplayMode inUse = g_Display.GetCurrentMode();
    if (!g_Display.ChangeDisplayMode(m_Options.GetDisplayMode()))
        g_Display.ChangeDisplayMode(inUse);
    g_Sound.SetMusicVolume(static_cast<int>(m_Options.MusicVol * VOLUME_SCALE));
    g_Sound.SetSfxVolume(static_cast<int>(m_Options.EffectVol * VOLUME_SCALE));
    g_MenuManager.RefreshOptionScreens();
}
