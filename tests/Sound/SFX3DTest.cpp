#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Core/AssetManager.h"
#include "Sound/RecordingFSound.h"
#include "Sound/SFX3D.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

typedef std::vector<std::string> Calls;

const char* const EFFECTS = "Scripts\\SoundEffects.txt";

// Loads `script` as the game's sound effects; the store is emptied again when the test ends.
class SFX3DTest : public ::testing::Test {
protected:
    void TearDown() override { g_AssetManager.Clear(); }

    void LoadEffects(const std::string& script)
    {
        m_Dir.Write("Scripts/SoundEffects.txt", script);
        ScopedWorkingDir inDir(m_Dir.Path());
        LoadAssetsFromScript<SFX3D>(EFFECTS);
    }

    SFX3D* Find(const std::string& name)
    {
        SFX3D* effect = nullptr;
        g_AssetManager.GetAsset(name, effect, true);
        return effect;
    }

    TempDir m_Dir;
    RecordingFSound m_Fmod;
};

TEST_F(SFX3DTest, BlocksLoadTheirSamplesWithDefaults)
{
    m_Fmod.m_MissingFiles.insert("Assets\\Sounds\\none.wav");
    LoadEffects("SoundEffect CarHorn\n"
                "  Asset_Type Game\n"
                "  SoundFile Assets\\Sounds\\horn.wav\n"
                "  Looping True\n"
                "  Priority 200\n"
                "  MinFalloff 4.5\n"
                "SoundEffect Shot Asset_Type Game SoundFile Assets\\Sounds\\shot.wav\n"
                "SoundEffect Silent Asset_Type Game SoundFile Assets\\Sounds\\none.wav\n");
    EXPECT_EQ((Calls{"Sample_Load(-1,Assets\\Sounds\\horn.wav,0x41002,0,0)", "Sample_SetDefaults(A1,-1,-1,-1,200)",
                     "Sample_SetMinMaxDistance(A1,4.5,1e+09)", "Sample_Load(-1,Assets\\Sounds\\shot.wav,0x41000,0,0)",
                     "Sample_SetDefaults(A2,-1,-1,-1,0)", "Sample_SetMinMaxDistance(A2,1,1e+09)",
                     "Sample_Load(-1,Assets\\Sounds\\none.wav,0x41000,0,0)"}),
              m_Fmod.TakeCalls());

    const SFX3D* horn = Find("CarHorn");
    EXPECT_TRUE(horn->IsLooping());
    EXPECT_EQ(200, horn->GetPriority());
    EXPECT_EQ(4.5f, horn->GetMinDistance());
    EXPECT_EQ(-1, horn->GetChannel());
    EXPECT_TRUE(horn->IsReady());
    EXPECT_FALSE(Find("Shot")->IsLooping());
    EXPECT_EQ(nullptr, Find("Silent")->GetSample()) << "a missing file leaves the effect silent";
}

TEST_F(SFX3DTest, BlockWithoutAnAssetTypeIsFatal)
{
    EXPECT_FATAL(LoadEffects("SoundEffect Shot SoundFile shot.wav\n"),
                 "Unable to intialize object Shot from: Scripts\\SoundEffects.txt of type SFX3D");
}

TEST_F(SFX3DTest, CopiesShareTheSampleAndPlayOnChannelsOfTheirOwn)
{
    LoadEffects("SoundEffect Engine Asset_Type Game SoundFile engine.wav Looping 1 MinFalloff 2\n"
                "SoundEffect Shot Asset_Type Game SoundFile shot.wav\n");
    m_Fmod.TakeCalls();

    SFX3D engine = *Find("Engine");
    engine.Play();
    SFX3D shot = *Find("Shot");
    shot.Play();
    EXPECT_EQ((Calls{"PlaySoundEx(-1,A1,null,1)", "3D_SetMinMaxDistance(1,2,1e+09)", "SetLoopMode(1,2)",
                     "SetPaused(1,0)", "PlaySoundEx(-1,A2,null,1)", "3D_SetMinMaxDistance(2,1,1e+09)",
                     "SetLoopMode(2,1)", "SetPaused(2,0)"}),
              m_Fmod.TakeCalls());
    EXPECT_TRUE(engine.HasLoopStarted());
    EXPECT_FALSE(shot.HasLoopStarted());

    SFX3D copy = engine;
    EXPECT_EQ(engine.GetSample(), copy.GetSample());
    EXPECT_EQ(1, copy.GetChannel()) << "a copy of a playing effect carries its channel";
    copy.Play();
    EXPECT_EQ(3, copy.GetChannel()) << "until it plays on a fresh one";
    copy.Stop();
    EXPECT_EQ(-1, copy.GetChannel());
}

TEST_F(SFX3DTest, PositionsAreStoredAndAppliedWhilePlaying)
{
    LoadEffects("SoundEffect Shot Asset_Type Game SoundFile shot.wav\n");
    SFX3D shot = *Find("Shot");
    const D3DXVECTOR3 here(1, 2, 3);
    const D3DXVECTOR3 moving(4, 5, 6);
    const D3DXVECTOR3 there(7, 8, 9);
    shot.Play3D(&here, &moving);
    m_Fmod.TakeCalls();

    shot.Play3D(&there, nullptr);
    EXPECT_EQ((Calls{"PlaySoundEx(-1,A1,null,1)", "3D_SetMinMaxDistance(2,1,1e+09)", "SetLoopMode(2,1)",
                     "3D_SetAttributes(2,(7 8 9),(4 5 6))", "SetPaused(2,0)"}),
              m_Fmod.TakeCalls())
        << "a null velocity keeps the one stored";

    m_Fmod.m_bPlaying = FALSE;
    shot.SetPosition(&here, nullptr);
    EXPECT_EQ((Calls{"IsPlaying(2)"}), m_Fmod.TakeCalls()) << "stopped: only stored";
    EXPECT_EQ(here, shot.GetPosition());

    m_Fmod.m_bPlaying = TRUE;
    shot.SetPositionAndFrequency(nullptr, &there, 3550.0f);
    EXPECT_EQ((Calls{"IsPlaying(2)", "3D_SetAttributes(2,(1 2 3),(7 8 9))", "IsPlaying(2)", "SetFrequency(2,26049)"}),
              m_Fmod.TakeCalls());
}

TEST(SFX3DFrequencyTest, EngineSpeedMapsOntoThePlaybackRate)
{
    const struct {
        float m_Speed;
        int m_Frequency;
    } table[] = {{-20.0f, 8000}, {0.0f, 8000}, {100.0f, 8000}, {3550.0f, 26049}, {7000.0f, 44099}};
    for (const auto& row : table)
        EXPECT_EQ(row.m_Frequency, SFX3D::EngineFrequency(row.m_Speed)) << row.m_Speed;
}

} // namespace
