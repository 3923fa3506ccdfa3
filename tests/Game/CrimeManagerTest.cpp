#include "Game/CrimeManager.h"

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Core/Log.h"
#include "Game/RecordingMission.h"
#include "Level/Level.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "support/TempDir.h"

namespace {

TEST(CrimeManager, ReportsQueueCopiesOfTheirTypesRecord)
{
    TempDir dir;
    ScopedWorkingDir cwd(dir.Path());
    g_Log.Open("log.txt");
    CCrimeManager crimes;
    EXPECT_FLOAT_EQ(0.0f, crimes.MaxWantedLevel);
    for (int type = 0; type < CRIME_TYPE_COUNT; ++type)
        EXPECT_EQ(type, crimes.GetRecord(static_cast<CrimeType>(type)).m_iType);

    CGameActor offender;
    CGameActor victim;
    victim.m_Name = "Sedan";
    const D3DXVECTOR3 place(1, 2, 3);
    crimes.ReportCrime(CRIME_MURDER, CrimeVictim(&victim), &offender, &place);
    crimes.ReportCrime(CRIME_CAR_EXPLOSION, CrimeVictim(&victim), &offender, nullptr);
    crimes.ReportCrime(CRIME_SAVE, 2, nullptr, nullptr);
    crimes.ReportCrime(CRIME_TYPE_COUNT, 0, &offender, nullptr);
    crimes.ReportCrime(-1, 0, &offender, nullptr);

    const std::vector<CCrimeRecord>& events = crimes.GetPendingEvents();
    ASSERT_EQ(3u, events.size()) << "types outside the table are dropped";
    EXPECT_EQ(CRIME_MURDER, events[0].m_iType);
    EXPECT_EQ(&offender, events[0].m_pOffender);
    EXPECT_EQ(place, events[0].m_vPosition);
    EXPECT_EQ("", events[0].m_VictimName) << "only an exploded car is named";
    EXPECT_EQ(CRIME_CAR_EXPLOSION, events[1].m_iType);
    EXPECT_EQ("Sedan", events[1].m_VictimName);
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), events[1].m_vPosition);
    EXPECT_EQ(CRIME_SAVE, events[2].m_iType);
    EXPECT_EQ(2, events[2].m_Value);
    EXPECT_EQ(nullptr, events[2].m_pOffender);
    EXPECT_EQ(nullptr, crimes.GetRecord(CRIME_MURDER).m_pOffender) << "the manager's own records stay clean";
    g_Log.Shutdown();
    const std::string log = dir.Read("log.txt");
    EXPECT_NE(std::string::npos, log.find("Unknown crime type 7 reported\n")) << log;
    EXPECT_NE(std::string::npos, log.find("Unknown crime type -1 reported\n")) << log;
}

// Keywords ignore case, type names do not: an unknown name selects nothing,
// an amount before any type sets the first record; an unknown word is logged
// and passed over.
TEST(CrimeManager, InitReadsTheMaximumAndEachTypesAmountFromTheCrimeFile)
{
    TempDir dir;
    ScopedWorkingDir cwd(dir.Path());
    g_Log.Open("log.txt");
    dir.Write("Scripts/CrimeFile.txt", "WantedAmount 0.25\nmaxwantedlevel: 6\nCrimeType Murder\nWantedAmount 2\n"
                                       "Bogus 7\nCrimeType HitAndRun WantedAmount 0.5\n"
                                       "CrimeType murder WantedAmount 3\n");
    CGameActor player;
    CGameActor* const previousPlayer = g_PlayerActor;
    g_PlayerActor = &player;
    CCrimeManager crimes;
    crimes.Init();
    g_PlayerActor = previousPlayer;

    EXPECT_FLOAT_EQ(6.0f, crimes.MaxWantedLevel);
    EXPECT_FLOAT_EQ(2.0f, crimes.GetRecord(CRIME_MURDER).m_fWantedAmount);
    EXPECT_FLOAT_EQ(0.5f, crimes.GetRecord(CRIME_HIT_AND_RUN).m_fWantedAmount);
    EXPECT_FLOAT_EQ(0.25f, crimes.GetRecord(CRIME_STEAL_POLICE_CAR).m_fWantedAmount)
        << "\"murder\" is no type name: its amount sets nothing";
    for (int type = CRIME_SHOOT_POLICE_CAR; type < CRIME_TYPE_COUNT; ++type) {
        if (type != CRIME_MURDER && type != CRIME_HIT_AND_RUN) {
            EXPECT_FLOAT_EQ(0.0f, crimes.GetRecord(static_cast<CrimeType>(type)).m_fWantedAmount) << type;
        }
    }
    g_Log.Shutdown();
    const std::string log = dir.Read("log.txt");
    // "Bogus" (and its "7"): the file's name, then the fault on the next line.
    const size_t file = log.find("] Scripts\\CrimeFile.txt\n");
    ASSERT_NE(std::string::npos, file) << log;
    const size_t next = log.find('\n', file) + 1;
    EXPECT_NE(std::string::npos, log.substr(next, log.find('\n', next) - next).find("] Invalid crime keyword in file"))
        << log;
    EXPECT_NE(std::string::npos, log.find("Unknown crime type murder in Scripts\\CrimeFile.txt\n")) << log;
}

TEST(CrimeManager, WithoutTheCrimeFileStartUpStops)
{
    TempDir dir;
    ScopedWorkingDir cwd(dir.Path());
    CGameActor player;
    CGameActor* const previousPlayer = g_PlayerActor;
    g_PlayerActor = &player;
    CCrimeManager crimes;
    EXPECT_FATAL(crimes.Init(), "Unable to initialize data buffer\nin Scripts\\CrimeFile.txt");
    g_PlayerActor = previousPlayer;
}

// The crime file below read by a manager, a lizard-man as the player and
// another as the offender, 0.6 s frames (the player's level ebbs 0.01 a frame).
class CrimeWanted : public ::testing::Test {
public:
    static constexpr float EBB = 0.01f;

protected:
    CrimeWanted() : m_Cwd(m_Dir.Path()), m_pPreviousPlayer(g_PlayerActor)
    {
        g_PlayerActor = &m_Player;
        SetFrameTime(600);
    }
    ~CrimeWanted() override
    {
        g_PlayerActor = m_pPreviousPlayer;
        g_FrameTimer = CFrameTimer();
    }

    void Read(float maximum)
    {
        m_Dir.Write("Scripts/CrimeFile.txt", "MaxWantedLevel " + std::to_string(maximum) +
                                                 "\nCrimeType Murder WantedAmount 2.5\n");
        m_Crimes.Init();
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd;
    CGameActor m_Player;
    CGameActor m_Offender;
    CCrimeManager m_Crimes;

private:
    CGameActor* m_pPreviousPlayer;
};

struct WantedCase {
    const char* m_Why;
    float m_fMaximum;
    // Murders reported in one frame, and by whom.
    int m_Murders;
    bool m_bByPlayer;
    float m_fBefore;
    float m_fAfter;
};

const WantedCase WANTED_CASES[] = {
    {"a maximum of 0 holds every level at 0", 0.0f, 1, false, 0.0f, 0.0f},
    {"two murders in a frame both count", 6.0f, 2, false, 0.0f, 5.0f},
    {"and are capped after each other", 4.0f, 2, false, 0.5f, 4.0f},
    {"the player's level ebbs by frame time / 60", 6.0f, 0, true, 1.0f, 1.0f - CrimeWanted::EBB},
    {"and stops at 0", 6.0f, 0, true, 0.005f, 0.0f},
    {"the player's crime counts before it ebbs", 6.0f, 1, true, 1.0f, 3.5f - CrimeWanted::EBB},
    {"and stays at 10 or below with a larger maximum", 20.0f, 2, true, 9.0f, 10.0f},
};

TEST_F(CrimeWanted, EachFrameRaisesTheOffendersLevelUpToTheMaximumAndThePlayersEbbs)
{
    for (const WantedCase& test : WANTED_CASES) {
        SCOPED_TRACE(test.m_Why);
        Read(test.m_fMaximum);
        CGameActor& offender = test.m_bByPlayer ? m_Player : m_Offender;
        offender.m_fWantedLevel = test.m_fBefore;
        for (int murder = 0; murder < test.m_Murders; ++murder)
            m_Crimes.ReportCrime(CRIME_MURDER, 0, &offender, nullptr);
        m_Crimes.Update();
        EXPECT_NEAR(test.m_fAfter, offender.m_fWantedLevel, 1e-5f);
        EXPECT_TRUE(m_Crimes.GetPendingEvents().empty());
    }
}

// Events without an offender (the menus') reach the listener and nobody's level.
TEST_F(CrimeWanted, TheListenerSeesEveryEventAsItIsReported)
{
    Read(6.0f);
    RecordingMission mission;
    m_Crimes.ReportCrime(CRIME_BACK, 0, nullptr, nullptr);
    EXPECT_TRUE(mission.m_Events.empty()) << "no listener yet";
    m_Crimes.m_pListener = &mission;
    m_Crimes.ReportCrime(CRIME_SAVE, 3, nullptr, nullptr);
    m_Crimes.ReportCrime(CRIME_MURDER, 0, &m_Offender, nullptr);
    ASSERT_EQ(2u, mission.m_Events.size());
    EXPECT_EQ(CRIME_SAVE, mission.m_Events[0].m_iType);
    EXPECT_EQ(3, mission.m_Events[0].m_Value);
    EXPECT_EQ(&m_Offender, mission.m_Events[1].m_pOffender);
    EXPECT_FLOAT_EQ(2.5f, mission.m_Events[1].m_fWantedAmount);
    m_Player.m_fWantedLevel = 1.0f;
    m_Crimes.Update();
    EXPECT_FLOAT_EQ(2.5f, m_Offender.m_fWantedLevel);
    EXPECT_NEAR(1.0f - EBB, m_Player.m_fWantedLevel, 1e-5f) << "the Save changed no level";
}

// A level reload forgets the queued events before their offenders go.
TEST_F(CrimeWanted, AReloadForgetsTheEventsOfDeletedOffenders)
{
    auto offender = std::make_unique<CGameActor>();
    g_CrimeFile.ReportCrime(CRIME_MURDER, 0, offender.get(), nullptr);
    offender.reset();
    CLevel level;
    level.Init();
    EXPECT_TRUE(g_CrimeFile.GetPendingEvents().empty());
    g_CrimeFile.Update();
}

} // namespace
