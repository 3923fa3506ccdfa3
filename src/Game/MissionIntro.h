#pragma once
// The introduction: after its opening cinema, a guide walks the player past
// five stops of the start area and talks at each ("Scripts/Mission/
// Intro_Conv0.txt" in the HUD's conversation window), then gives the
// delivery job, walks off toward the truck and the mission is won.
//
// Start script: "AINormalPed" may come before any keyword and means
// nothing; then the keywords every mission takes.
//
// Main script keywords, after those every mission takes:
//   AIPedestrian <actor> [SpawnOrientation 16 floats] <actor properties>
//                [SpawnOrientation 16 floats]
//                                the guide (the first one is the guide);
//                                its "Orientation" places it
//   PlayerStartOrientation 16 floats   the player's matrix
//   PlayerStartAnimation <name>        the player's animation
//   CameraStartAngle f                 the follow camera's vertical angle
//   Text <name> <properties>           the message the job is shown in
// A main script without "AIPedestrian" does not load.
//
// The talk at a stop: it starts when the player comes within 9 m of the
// guide standing there. Walking farther than 20 m away breaks it off (the
// conversation is set to its branch's "interrupt_state" when it has one);
// coming back within 9 m resumes it. A finished talk sends the guide to the
// next stop; a finished resumed talk waits until the player has been
// farther than 20 m, and the stop's talk starts again on return.

#include <cstdint>
#include <vector>

#include "Display/Text.h"
#include "Game/Mission.h"

class CAIControllerSet;
class CGameActor;

class CMissionIntro : public CMission {
public:
    // The walk-and-talk stops, on the guide's ground height.
    static constexpr int WAYPOINT_COUNT = 5;
    static constexpr float FACE_PLAYER_RANGE = 8.0f;
    static constexpr float TALK_RANGE = 9.0f;
    static constexpr float BREAK_OFF_RANGE = 20.0f;
    // cos(10 degrees): a guide facing the player closer than this does not turn.
    static constexpr float FACING_COSINE = 0.984808f;
    static constexpr float ARRIVAL_RADIUS = 1.0f;
    // Seconds the job message shows before the mission is won.
    static constexpr float LEAVE_TIME = 5.0f;
    static constexpr const char* CONVERSATION = "Scripts/Mission/Intro_Conv0.txt";

    enum Step { STEP_WALK_AND_TALK, STEP_JOB_MESSAGE, STEP_LEAVE };

    CMissionIntro();

    bool ParsePre(CDataBuffer& reader) override;
    bool Parse(CDataBuffer& reader) override;
    int Update() override;
    // The guide leaves the level, which deletes it.
    void End() override;

    // Null before the main script placed one.
    CAIControllerSet* GetGuide() const { return m_Agents.empty() ? nullptr : m_Agents.front(); }
    const std::vector<CAIControllerSet*>& GetAgents() const { return m_Agents; }
    const std::vector<D3DXVECTOR3>& GetWaypoints() const { return m_Waypoints; }
    int GetWaypointIndex() const { return m_iWaypoint; }
    Step GetStep() const { return m_Step; }
    bool IsTalking() const { return m_u8Talking != 0; }
    bool IsInterrupted() const { return m_u8Interrupted != 0; }
    bool IsResumed() const { return m_u8Resumed != 0; }
    const CText& GetMessage() const { return m_Message; }

protected:
    bool IsMainScriptComplete() const override { return !m_Agents.empty(); }

private:
    void ReadGuide(CDataBuffer& reader);
    void PlacePlayer(const D3DXMATRIX& orientation) const;
    static void SetPlayerAnimation(const std::string& name);
    static void SetCameraAngle(float angle);

    void BeginCinema();
    void EndCinema();

    void WalkAndTalk(CAIControllerSet& guide);
    void ShowJobMessage(CAIControllerSet& guide);
    void Leave(CAIControllerSet& guide);

    // The guide walks to `target`; false while it is on its way.
    bool WalkTo(CAIControllerSet& guide, const D3DXVECTOR3& target) const;
    void FacePlayer(CAIControllerSet& guide) const;
    void Talk(float playerDistance);
    void BreakOff();
    void MoveOn(CAIControllerSet& guide);
    void ClearTalk();
    float DistanceToPlayer(const CAIControllerSet& guide) const;

    CText m_Message;
    std::vector<D3DXVECTOR3> m_Waypoints;
    D3DXVECTOR3 m_vLeaveTarget = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    int m_iWaypoint = 0;
    Step m_Step = STEP_WALK_AND_TALK;
    uint8_t m_u8Talking = 0;
    uint8_t m_u8Interrupted = 0;
    uint8_t m_u8Resumed = 0;
    bool m_bCinemaBegun = false;
    bool m_bCinemaEnded = false;
};
