#pragma once
// The checkpoint runs with pursuers: the chase run, in which the mission's
// "AICarChaser" cars wait at their trigger points and chase the player, and
// the bomb run, which adds the cars to blow up with the C4 and tells the
// player each step. Once won, every chaser stops.
//
// The bomb run's main script adds, after the checkpoint run's keywords:
//   BombTarget   car name, properties, then each optional and in this order:
//                  BombTargetRadius r
//                  BombTargetHealth h
//                a locked car of the mission; the radius and health are kept

#include <vector>

#include "Game/CheckPointMission.h"

// Chasers: both runs take them.
class CChaseRun : public CCheckPointMission {
public:
    static constexpr D3DCOLOR TEXT_COLOUR = 0xFFFFFFFF;

    int Update() override;

protected:
    // Seconds "You Win!!" stays up of the closing delay.
    virtual float GetWinTextTime() const = 0;

private:
    void StopChasers();
};

// The chase run.
class CMission1 : public CChaseRun {
public:
    static constexpr float WIN_TEXT_TIME = 0.75f;

protected:
    void ShowStep() override;
    float GetWinTextTime() const override { return WIN_TEXT_TIME; }
};

// A bomb target's record: read and kept.
struct CBombTarget {
    float m_fRadius = 0.0f;
    float m_fHealth = 0.0f;
};

// The bomb run: get the C4 at the first checkpoint, blow up the car at the
// second, then run.
class CMission2 : public CChaseRun {
public:
    bool Parse(CDataBuffer& reader) override;
    void End() override;

    const std::vector<CBombTarget>& GetBombTargets() const { return m_BombTargets; }

protected:
    void ShowStep() override;
    float GetWinTextTime() const override { return CLOSING_DELAY; }

private:
    std::vector<CBombTarget> m_BombTargets;
};
