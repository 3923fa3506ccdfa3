#include "Game/CrimeManager.h"

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/Log.h"
#include "support/FatalTrap.h"
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

// Keywords ignore case, type names do not: an unknown name selects the first
// record, as does an amount before any type; an unknown word is passed over.
TEST(CrimeManager, InitReadsTheMaximumAndEachTypesAmountFromTheCrimeFile)
{
    TempDir dir;
    ScopedWorkingDir cwd(dir.Path());
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
    EXPECT_FLOAT_EQ(3.0f, crimes.GetRecord(CRIME_STEAL_POLICE_CAR).m_fWantedAmount)
        << "\"murder\" is no type name: the first record takes it";
    EXPECT_FLOAT_EQ(0.0f, crimes.GetRecord(CRIME_SAVE).m_fWantedAmount);
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

} // namespace
