#pragma once
// The missions in which the player runs through checkpoints: the plain run
// and the run against the clock here, the delivery, chase and bomb runs
// beside it. Their progress is tested on
// their racers; the player is the first of them. Each actor keeps its own
// progress: its checkpoint index is the next checkpoint it must reach.
//
// Main script keywords, after the base mission's:
//   CheckPoint   then, each optional and in this order:
//                  Size r        trigger radius in metres (default 1)
//                  Pos x y z     where it stands
//                  Time t        seconds a timed run gains there
//                  Effect name   the effect shown at it
//                then an optional Text block (drawn with Verdana 13)
//   Pointer      complex object name: the arrow that guides the player
//   AICarChaser  car name, properties, then "GameActor" actor name, then
//                each optional and in this order:
//                  Radius r2        squared metres from the trigger point
//                                   at which the target launches the car
//                                   (default 80)
//                  RadiusPos x y z  the trigger point (default: where the
//                                   car stands)
//                  StartVel mph     the speed it launches at
//                a locked car driven by the actor that waits, then chases
//                the player
// Give "Size" before "Pos": the scale is taken when "Pos" is read.
// A timed run adds:
//   TimeLimit    seconds

#include <memory>
#include <vector>

#include "Display/ComplexObject.h"
#include "Display/Text.h"
#include "Game/Mission.h"

class CGameActor;

// One checkpoint, owned by its mission. The effect follows the matrix.
struct CCheckPoint {
    CCheckPoint();
    CCheckPoint(const CCheckPoint&) = delete;
    CCheckPoint& operator=(const CCheckPoint&) = delete;

    D3DXVECTOR3 GetPosition() const { return D3DXVECTOR3(m_matPlacement._41, m_matPlacement._42, m_matPlacement._43); }

    // Scaled uniformly by the size, translated to the position.
    D3DXMATRIX m_matPlacement;
    float m_fSize = 1.0f;
    float m_fTime = 0.0f;
    CEffect m_Effect;
    CText m_Text;
};

class CCheckPointMission : public CMission {
public:
    // The arrow's size while the player drives, and on foot.
    static constexpr float ARROW_SCALE_IN_CAR = 3.0f;
    static constexpr float ARROW_SCALE_ON_FOOT = 1.0f;
    // How far above the player and the checkpoint the arrow aims.
    static constexpr float ARROW_LIFT = 3.0f;
    static constexpr D3DCOLOR MARKER_COLOUR = 0xFFFF0000;
    static constexpr D3DCOLOR WIN_COLOUR = 0xFF008000;
    // Squared metres from its trigger point at which a chaser launches.
    static constexpr float CHASE_RANGE = 80.0f;

    // The actor whose progress decides the win, and its first racer.
    void SetPlayer(CGameActor* player);

    bool Parse(CDataBuffer& reader) override;
    bool CanStart() override;
    int Update() override;
    void Draw(ERenderPass pass) override;
    void End() override;

    CGameActor* GetPlayer() const { return m_pPlayer; }
    const std::vector<CGameActor*>& GetRacers() const { return m_Racers; }
    size_t GetCheckPointCount() const { return m_CheckPoints.size(); }
    const CCheckPoint& GetCheckPoint(size_t index) const { return *m_CheckPoints[index]; }
    bool HasPointer() const { return m_bHasPointer; }
    const CComplexObject& GetPointer() const { return m_Pointer; }

protected:
    // The checkpoint `actor` must reach next; null once it has reached them
    // all (or before the first, for an index out of range).
    CCheckPoint* GetCurrentCheckPoint(const CGameActor* actor) const;
    // The arrow at `eye`, pointing at `target`, at `scale`. A zero or upright
    // direction keeps the previous placement and takes the scale.
    void AimArrow(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, float scale);
    // The start cinema's frame; false while it plays. The player starts from
    // the first checkpoint on the cinema's first frame.
    bool RunCinemaFrame();
    // Cinema, elapsed time, the running frame and the win test; false while
    // the cinema plays.
    bool RunCommonFrame(float seconds);
    // The running frame: step texts, the current checkpoint's marker and
    // effect, the arrow and the racers.
    void RunCheckPoints(float seconds);
    // Won when the player has reached every checkpoint.
    void TestWin();
    // "You Win!!" in `colour` while the victory time is below `shownFor`,
    // the victory sound, and 1 once the delay has passed.
    int RunVictory(float seconds, D3DCOLOR colour = WIN_COLOUR, float shownFor = CLOSING_DELAY);
    // A car of the script placed as the base "Car" does, one of the mission's
    // and locked: an actor cannot get in.
    CCar* PlaceLockedCar(CDataBuffer& reader);

    // What the player is told while the run goes on.
    virtual void ShowStep() {}
    // A racer reached `checkPoint`.
    virtual void OnCheckPointReached(const CCheckPoint&) {}

    static D3DXVECTOR3 PositionOf(const CGameActor& actor);

    std::vector<std::unique_ptr<CCheckPoint>> m_CheckPoints;
    CComplexObject m_Pointer;
    bool m_bHasPointer = false;

    void AimArrowAtCurrent();

private:
    bool ParseCheckPoint(CDataBuffer& reader);
    // A driver of the mission's agents, armed to chase the player.
    bool ParseCarChaser(CDataBuffer& reader);
    // Rows right, up, forward and the eye; false for a zero or upright
    // direction, which has no heading.
    static bool ArrowPlacement(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, D3DXMATRIX& local);
    void TestRacers();

    // Observers: the actors belong to the game and the level.
    CGameActor* m_pPlayer = nullptr;
    std::vector<CGameActor*> m_Racers;
    bool m_bCinemaBegun = false;
};

// The run against the clock, also the credits' tour.
class CTimedCheckPointMission : public CCheckPointMission {
public:
    static constexpr D3DCOLOR TEXT_COLOUR = 0xFF000000;

    bool Parse(CDataBuffer& reader) override;
    int Update() override;

    float GetTimeLimit() const { return m_fTimeLimit; }
    float GetTimeLeft() const { return m_fTimeLimit - m_fElapsedTime; }

protected:
    void ShowStep() override;
    void OnCheckPointReached(const CCheckPoint& checkPoint) override;

private:
    float m_fTimeLimit = 0.0f;
};
