#pragma once
// Weapon training: a weapon lies by the start, and the mission's level
// objects are the targets. The player shoots them all to win; it never fails.
//
// Start script keywords: those every mission takes, and
//   Weapon  name, properties    a weapon lying in the world from the start
// Main script keywords, after those every mission takes:
//   MissionStartText     text   shown while no target is destroyed
//   MissionProgressText  text   shown after the number of targets left
// The targets are the main script's "LevelObject" entries.

#include <string>

#include "Display/Text.h"
#include "Game/Mission.h"

class CMissionWeaponTraining : public CMission {
public:
    static constexpr float MESSAGE_X = 0.2f;
    static constexpr float MESSAGE_Y = 0.2f;

    CMissionWeaponTraining();

    bool ParsePre(CDataBuffer& reader) override;
    bool Parse(CDataBuffer& reader) override;
    int Update() override;
    void Draw(ERenderPass pass) override;

    // The targets placed by the main script that still have hull left.
    int CountIntactTargets() const;
    const std::string& GetStartText() const { return m_StartText; }
    const std::string& GetProgressText() const { return m_ProgressText; }
    const CText& GetMessage() const { return m_Message; }

private:
    void ShowProgress(int intact);
    int RunWon();
    void ShowMessage(const std::string& text);

    std::string m_StartText;
    std::string m_ProgressText;
    // The intact count when the message last changed.
    int m_iLastCount = 0;
    CText m_Message;
};
