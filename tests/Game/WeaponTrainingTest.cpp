// Weapon training on the small test level with physics: the weapon its start
// script lays down, the targets of its main script counted down in its
// message, and the win once the last has gone and "You Win!!" has faded.

#include "Game/WeaponTraining.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "Actors/Weapon.h"
#include "Level/LevelFixture.h"
#include "Level/LevelObject.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"

namespace {

const char* const START_SCRIPT = "Scripts/Mission/1Pre.txt";
const char* const MAIN_SCRIPT = "Scripts/Mission/1.txt";
// An exact binary fraction; "You Win!!" shows for 2 s and fades over 2 s,
// finished on the first frame past them.
const uint32_t FRAME_MS = 125;
const int FADE_FRAMES = 33;

class WeaponTraining : public LevelFixture {
protected:
    void SetUp() override
    {
        StartPhysics();
        LevelFixture::SetUp();
        LoadLevel("Terrain Ground\n");
        SetFrameTime(FRAME_MS);
    }

    // `targets` crates in a row from (x, 1, z), and the two texts.
    void Start(CMissionWeaponTraining& training, int targets, float x = 10.0f, float z = 20.0f)
    {
        std::string main = "MissionStartText \"Shoot the three crates\"\nMissionProgressText \" crates left\"\n";
        for (int n = 0; n < targets; ++n)
            main += "LevelObject Box HullMax 10 Orientation " + At(x + 3.0f * static_cast<float>(n), 1, z) + "\n";
        m_Dir.Write(MAIN_SCRIPT, main);
        training.LoadMissionFile(MAIN_SCRIPT);
    }

    static void Destroy(const CMissionWeaponTraining& training, size_t target)
    {
        training.GetSpawnedObjects().at(target)->m_fHull = 0.0f;
    }
};

TEST_F(WeaponTraining, TheStartScriptLaysTheWeaponDownAndTakesTheBaseKeywords)
{
    m_Dir.Write(START_SCRIPT, "MissionStartPos -70 0.5 -90\nStartingRadius 3\nMissionStartFile Scripts\\Mission\\1.txt\n"
                              "Weapon Gun PosMatrix " + At(5, 0.3f, 5) + "\n");
    CMissionWeaponTraining training;
    training.LoadStartFile(START_SCRIPT);
    EXPECT_EQ(D3DXVECTOR3(-70, 0.5f, -90), training.GetStartPosition());
    EXPECT_FLOAT_EQ(3.0f, training.GetStartingRadius());
    EXPECT_EQ("Scripts\\Mission\\1.txt", training.GetMainScript());
    ASSERT_EQ(1u, m_pLevel->GetWeapons().size());
    EXPECT_FLOAT_EQ(5.0f, m_pLevel->GetWeapons().front()->m_DisplayObject.GetLocalMatrix()._41);

    CMissionWeaponTraining broken;
    m_Dir.Write(START_SCRIPT, "Weapon Nothing\n");
    EXPECT_FATAL(broken.LoadStartFile(START_SCRIPT),
                 std::string("Unable to find asset \"Nothing\" of type <CWeapon>\nin ") + START_SCRIPT);
}

TEST_F(WeaponTraining, TheMessageCountsTheTargetsDownAndTheLastOneWinsAfterTheFade)
{
    CMissionWeaponTraining training;
    Start(training, 3);
    EXPECT_EQ(" crates left", training.GetProgressText());
    EXPECT_EQ(3, training.CountIntactTargets());

    EXPECT_EQ(CMission::MISSION_RUNNING, training.Update()) << "the cinema's frame";
    EXPECT_EQ(CMission::MISSION_RUNNING, training.Update());
    EXPECT_STREQ("Shoot the three crates", training.GetMessage().GetString());
    EXPECT_TRUE(training.GetMessage().IsVisible());
    EXPECT_FLOAT_EQ(CMissionWeaponTraining::MESSAGE_X, training.GetMessage().GetX());

    Destroy(training, 1);
    training.Update();
    EXPECT_STREQ("2 crates left", training.GetMessage().GetString());
    Destroy(training, 0);
    training.Update();
    EXPECT_STREQ("1 crates left", training.GetMessage().GetString());

    Destroy(training, 2);
    EXPECT_EQ(CMission::MISSION_RUNNING, training.Update());
    EXPECT_TRUE(training.IsWon());
    EXPECT_STREQ("You Win!!", training.GetMessage().GetString());
    int frames = 1;
    int result = CMission::MISSION_RUNNING;
    while (result == CMission::MISSION_RUNNING && frames < 2 * FADE_FRAMES) {
        result = training.Update();
        ++frames;
    }
    EXPECT_EQ(CMission::MISSION_WON, result);
    EXPECT_EQ(FADE_FRAMES, frames) << "once the fade has finished";
    EXPECT_TRUE(training.IsFinished());
    EXPECT_FALSE(training.IsFailed());
    training.End();
}

TEST_F(WeaponTraining, WithoutTargetsItIsWonAtOnce)
{
    CMissionWeaponTraining training;
    Start(training, 0);
    training.Update();
    EXPECT_EQ(CMission::MISSION_RUNNING, training.Update());
    EXPECT_TRUE(training.IsWon());
    EXPECT_STREQ("You Win!!", training.GetMessage().GetString());
    training.End();
}

// The level streams objects around its viewer; the targets stay wherever it is.
TEST_F(WeaponTraining, ATargetFarFromTheCameraIsNotRecycled)
{
    CMissionWeaponTraining training;
    Start(training, 1, 100.0f, 100.0f);
    CLevelObject* target = training.GetSpawnedObjects().front();
    PlaceViewer(5000.0f, 5000.0f);
    m_pLevel->SetObjectGridTimer(CLevel::OBJECT_GRID_TIMER_AT_LOAD);
    for (int frame = 0; frame < 10; ++frame)
        m_pLevel->Update();
    EXPECT_EQ(1u, std::count(m_pLevel->GetActiveObjects().begin(), m_pLevel->GetActiveObjects().end(), target));
    EXPECT_EQ(0, target->m_u8Removed);
    training.Update();
    EXPECT_EQ(CMission::MISSION_RUNNING, training.Update());
    EXPECT_FALSE(training.IsWon());
    training.End();
}

} // namespace
