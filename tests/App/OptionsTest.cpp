// The user options file, read into the game's record, applied to the display
// (a device of state only) and the sound system, and written back.

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "Core/Game.h"
#include "Display/DisplayFixture.h"
#include "Sound/Sound.h"
#include "platform/d3d8/D3D8Platform.h"

namespace {

const D3DDISPLAYMODE OFFERED_MODES[] = {{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}};

int Count(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class OptionsTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        D3D8Platform::SetAdapterModes(OFFERED_MODES, 2);
        CreateDisplay();
        g_Game.m_Options = CUserOptions();
    }
};

TEST_F(OptionsTest, TheFileIsReadAppliedAndWrittenBackInFull)
{
    const struct {
        const char* file;  // null: no file
        int warnings;
        const char* warning;
        int music, effects;
        bool refused;
        const char* saved;
    } cases[] = {
        {nullptr, 1, "Warning: No User Options found, using default values", 255, 255, false,
         "MusicVol: 1\nEffectVol: 1\nResX: 640\nResY: 480\nBPP: 0\nRefreshRate: 0\nVSync: false\n"
         "BFullScreen: false\n"},
        {"BFullScreen True\n", 0, "", 255, 255, true,
         "MusicVol: 1\nEffectVol: 1\nResX: 640\nResY: 480\nBPP: 0\nRefreshRate: 0\nVSync: false\n"
         "BFullScreen: true\n"},
        {"MusicVol 0.5\neffectvol: 0.75\n", 0, "", 127, 191, false,
         "MusicVol: 0.5\nEffectVol: 0.75\nResX: 640\nResY: 480\nBPP: 0\nRefreshRate: 0\nVSync: false\n"
         "BFullScreen: false\n"},
        {"MusicVol 9e6\nEffectVol -2\n", 0, "", 255, 0, false,
         "MusicVol: 1\nEffectVol: 0\nResX: 640\nResY: 480\nBPP: 0\nRefreshRate: 0\nVSync: false\n"
         "BFullScreen: false\n"},
        {"Brightness 3\n", 2, "Warning: Invalid User Option Specified, ignoring invalid option spec", 255, 255,
         false,
         "MusicVol: 1\nEffectVol: 1\nResX: 640\nResY: 480\nBPP: 0\nRefreshRate: 0\nVSync: false\n"
         "BFullScreen: false\n"},
        {"ResX: 1024\nResY: 768\nBFullScreen: true\nRefreshRate: 316\nBPP 32\nVSync 1\n", 0, "", 255, 255, true,
         "MusicVol: 1\nEffectVol: 1\nResX: 1024\nResY: 768\nBPP: 32\nRefreshRate: 60\nVSync: true\n"
         "BFullScreen: true\n"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.file != nullptr ? entry.file : "(no file)");
        g_Game.m_Options = CUserOptions();
        ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(800, 600, false, false, 0, 0)));
        if (entry.file != nullptr)
            m_Dir.Write("Scripts/Options.txt", entry.file);
        const int warningsBefore = Count(Log(), "Warning");
        const int refusalsBefore = Count(Log(), "Reset failed");

        g_Game.LoadOptions();
        g_Game.ApplyOptions();
        EXPECT_EQ(entry.warnings, Count(Log(), "Warning") - warningsBefore);
        if (entry.warnings > 0) {
            EXPECT_EQ(entry.warnings, Count(Log(), entry.warning));
        }
        EXPECT_EQ(entry.music, g_Sound.GetMusicVolume());
        EXPECT_EQ(entry.effects, g_Sound.GetSfxVolume());
        const CDisplayMode& mode = g_Display.GetCurrentMode();
        EXPECT_EQ(entry.refused, Count(Log(), "Reset failed") > refusalsBefore);
        EXPECT_EQ(entry.refused ? 800 : g_Game.m_Options.ResX, mode.Width) << "a refused mode gives way to the old";
        EXPECT_EQ(0, mode.FullScreen);

        g_Game.SaveOptions();
        EXPECT_EQ(entry.saved, m_Dir.Read("Scripts/Options.txt"));
        std::remove((m_Dir.Path() + "/Scripts/Options.txt").c_str());
    }
}

} // namespace
