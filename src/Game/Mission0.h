#pragma once
// The delivery run: the player gets into the mission car, drives it through
// the checkpoints and stops it at the last one, the depot. The mission car
// is locked until the player reaches the start; leaving it, or taking
// another car, stops the run until the player is back in it.
//
// Start script keywords, after the base mission's:
//   Car          name, properties   the mission car, locked until the start
// The main script is a checkpoint run's (see CheckPointMission.h); each
// checkpoint's text block is drawn with it.

#include <string>

#include "Display/Text.h"
#include "Game/CheckPointMission.h"

class CCar;

class CMission0 : public CCheckPointMission {
public:
    // Where the player is, for the prompts.
    enum { PROMPT_IN_MISSION_CAR = 0, PROMPT_ON_FOOT = 1, PROMPT_IN_OTHER_CAR = 2 };
    // The enter/leave action the prompts name.
    static constexpr int ENTER_EXIT_ACTION = 22;
    static constexpr float ARROW_SPEED = 1.25f;
    // The bobbing arrow's heights above the mission car.
    static constexpr float ARROW_LOW = 1.9f;
    static constexpr float ARROW_HIGH = 2.2f;
    // The pulsing arrow's scales while the player is away from the car.
    static constexpr float ARROW_PULSE_MIN = 1.0f;
    static constexpr float ARROW_PULSE_MAX = 1.5f;
    // Seconds the first prompt stays before the player is hurried.
    static constexpr float PROMPT_TIME = 10.0f;
    // The car must be slower than this, in m/s, to deliver.
    static constexpr float DELIVERY_SPEED = 0.4f;

    CMission0();

    bool ParsePre(CDataBuffer& reader) override;
    bool CanStart() override;
    int Update() override;
    void Draw(ERenderPass pass) override;
    void End() override;

    CCar* GetMissionCar() const { return m_pCar; }
    bool HasEntered() const { return m_bEntered; }
    int GetPromptState() const { return m_iPromptState; }
    const CText& GetMessage() const { return m_Message; }
    bool IsHoldingControls() const { return m_bControlsHeld; }

protected:
    // Without a mission car the run cannot be played.
    bool IsStartScriptComplete() const override { return m_pCar != nullptr; }

private:
    void RunBeforeEntering(float seconds);
    void RunEntered(float seconds);
    void PulseArrow(float seconds);
    void UpdatePromptState();
    void TestDelivery();
    void AimEnteredArrow();
    // The first prompt, once, and the hurried one after PROMPT_TIME.
    void ShowEnterPrompt();
    // The arrow pointing straight down, bobbing above the mission car.
    void BobArrowOverCar(float seconds);
    void ShowMessage(const char* text, float x, float y);
    void Fail();
    int RunEnding(int result);
    void ReleaseControls();
    // "<prefix><key name><suffix>" word-wrapped as the prompts are.
    std::string MakeKeyPrompt(const char* prefix) const;
    D3DXVECTOR3 GetTestPoint() const;

    // Observer: the level owns the car.
    CCar* m_pCar = nullptr;
    CText m_Message;
    std::string m_HurryPrompt;
    float m_fArrowSpeed = ARROW_SPEED;
    float m_fArrowScale = ARROW_PULSE_MAX;
    float m_fArrowHeight = ARROW_LOW;
    int m_iPromptState = PROMPT_ON_FOOT;
    bool m_bEntered = false;
    bool m_bPromptShown = false;
    bool m_bControlsHeld = false;
};
