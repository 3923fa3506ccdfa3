#pragma once
// What every AI controller shares: it owns the arrays a driver hands out
// (one byte per input action, four axes, a cursor position) and rebuilds
// them every update from its state machine, so actor and car code read an
// AI driver exactly as they read the player.

#include <cstdint>
#include <deque>
#include <string>

#include "Core/StateMachine.h"
#include "Display/Camera.h"
#include "Input/Controller.h"
#include "Input/InGameMouse.h"
#include "Level/Level.h"
#include "Level/NodeList.h"

class CCar;
class CCollidableObject;
class CGameActor;

// Speeds are kept squared in metres per second: mph² times this.
constexpr float MPH_SQ_TO_MPS_SQ = 0.19983338f;

// The unit vector along v; the zero vector stays zero.
D3DXVECTOR3 SafeNormalize(const D3DXVECTOR3& v);
// v on the ground plane (y = 0), and that made a unit vector.
D3DXVECTOR3 Horizontal(const D3DXVECTOR3& v);
D3DXVECTOR3 HorizontalDirection(const D3DXVECTOR3& v);
// Which side of `facing` the direction lies on: positive to one side,
// negative to the other, 0 straight ahead or behind (both horizontal).
float HorizontalSide(const D3DXVECTOR3& facing, const D3DXVECTOR3& direction);
// Where a car stands: its body's world translation.
D3DXVECTOR3 CarPosition(const CCar& car);
// Where an actor stands; a seated one (whose model sits relative to the
// seat) where its car stands.
D3DXVECTOR3 StandingPosition(const CGameActor& actor);
// Where a driver at `from` swerves to pass `other`: most of the way there,
// then well to the right of the line.
D3DXVECTOR3 EvasionPoint(const D3DXVECTOR3& from, const D3DXVECTOR3& other);

// A state's name from a table of `count`; null outside it.
const char* StateNameIn(const char* const* names, int count, int state);
// The state named exactly `name` (case counts); -1 when none is.
int FindStateIn(const char* const* names, int count, const std::string& name);

// A point a controller drives or walks to: none, its own copy, a road or
// sidewalk node's position, or a point of the caller's followed live. The
// own copy travels inside the value, so a saved or copied target never
// points into another controller.
class CTargetPoint {
public:
    enum Kind { NONE, OWN, NODE, CALLER };

    static CTargetPoint Own(const D3DXVECTOR3& point);
    static CTargetPoint Node(const cGraphNode* node);
    static CTargetPoint Caller(const D3DXVECTOR3* point);
    // The point copied, or followed live.
    static CTargetPoint From(const D3DXVECTOR3* point, bool copy);

    Kind GetKind() const { return m_Kind; }
    bool IsSet() const { return Get() != nullptr; }
    // Null when none.
    const D3DXVECTOR3* Get() const;

private:
    Kind m_Kind = NONE;
    D3DXVECTOR3 m_vOwn{0.0f, 0.0f, 0.0f};
    const cGraphNode* m_pNode = nullptr;
    const D3DXVECTOR3* m_pCaller = nullptr;
};

// Whom or what a pursuer is after: an object whose position it follows,
// and the same object as an actor when it is one.
struct CPursuitTarget {
    CCollidableObject* m_pObject = nullptr;
    // Null when the target is a plain object.
    CGameActor* m_pActor = nullptr;

    void SetActor(CGameActor* actor);
    void SetObject(CCollidableObject* object)
    {
        m_pObject = object;
        m_pActor = nullptr;
    }
    // No target any more when `object` was it.
    void Forget(const CCollidableObject* object);
    bool IsSet() const { return m_pObject != nullptr; }
    // Where the target stands; false without one.
    bool ObjectPosition(D3DXVECTOR3& position) const;
};

// A controller that keeps plain pointers to world objects (whom it pursues,
// the car it left). While it lives it is registered, and every collidable
// being destroyed is handed to its Forget, so it never reads a freed actor
// or car after a mission deletes its agents or the level goes.
class CPursuer {
public:
    virtual void Forget(const CCollidableObject* object) = 0;

    // Every registered pursuer forgets `object`.
    static void ForgetEverywhere(CCollidableObject* object);

protected:
    CPursuer();
    virtual ~CPursuer();
    CPursuer(const CPursuer&) = delete;
    CPursuer& operator=(const CPursuer&) = delete;
};

// The interrupted states a controller returns to, each with the block of
// values it had. Pushed and popped at the back.
template <class Block>
class CStateStack {
public:
    struct Entry {
        int m_State;
        Block m_Block;
    };

    // The state to come back to: the pending one when a change is pending.
    void Push(const CStateMachine& machine, const Block& block)
    {
        const int state = machine.IsChangePending() ? machine.GetNextState() : machine.GetState();
        m_Entries.push_back({state, block});
    }
    // Empty: state 0 and a cleared block. A return already under way is
    // only acknowledged. Else the last entry's block comes back, its state
    // is requested when it is not the current one, and the entry goes.
    void Return(CStateMachine& machine, Block& block)
    {
        if (m_Entries.empty()) {
            machine.SetState(0);
            block = Block();
            return;
        }
        if (m_bReturning) {
            m_bReturning = false;
            return;
        }
        const Entry entry = m_Entries.back();
        m_Entries.pop_back();
        block = entry.m_Block;
        if (machine.GetState() != entry.m_State) {
            m_bReturning = true;
            machine.SetState(entry.m_State);
        }
    }
    // The enter step of a state: a return under way has arrived; else the
    // last entry is consumed when it belongs to the state being entered.
    // (A return flag left standing once its entry is gone would swallow
    // the next return.)
    void ResumeOnEnter(CStateMachine& machine, Block& block, int entered)
    {
        if (m_bReturning) {
            m_bReturning = false;
            return;
        }
        if (!m_Entries.empty() && m_Entries.back().m_State == entered)
            Return(machine, block);
    }
    void Clear()
    {
        m_Entries.clear();
        m_bReturning = false;
    }
    // Every saved block forgets `object`.
    void Forget(const CCollidableObject* object)
    {
        for (Entry& entry : m_Entries)
            entry.m_Block.Forget(object);
    }

    bool IsEmpty() const { return m_Entries.empty(); }
    size_t GetSize() const { return m_Entries.size(); }
    const Entry& Top() const { return m_Entries.back(); }
    bool IsReturning() const { return m_bReturning; }

private:
    std::deque<Entry> m_Entries;
    bool m_bReturning = false;
};

class CAIController : public CController, public CStateMachine {
public:
    enum { ACTION_COUNT = 77, AXIS_COUNT = 4, NEAR_LIST_SIZE = 5 };

    CAIController();

    // The controller's frame, not the bare state machine's step.
    using CController::Update;

    // Not started, no delay, arrays cleared.
    bool Init() override;
    // A started controller goes back to its Init state.
    bool Shutdown() override;
    // False when already started; else from its Init state into its
    // current state's enter step.
    bool Start() override;
    const uint8_t* GetActionCounters() const override { return m_Actions; }
    const float* GetAxisValues() const override { return m_Axes; }
    CAIControllerSet* GetAgent() const override { return m_pAgent; }
    void SetAgent(CAIControllerSet* agent) override { m_pAgent = agent; }

    const CNearCarList& GetNearCars() const { return m_NearCars; }
    const CNearActorList& GetNearActors() const { return m_NearActors; }

protected:
    // The start of each update: nothing held, no axis moved.
    void ClearInputs();
    void Hold(int action) { m_Actions[action] = ACTION_STATE_HELD; }
    void Release(int action) { m_Actions[action] = ACTION_STATE_RELEASED; }
    // One update of the state machine on cleared arrays, the delay counted
    // down by the frame time to 0 first when asked.
    void Step(bool countDownDelay);
    // Refill the nearby lists from the level, at most 5 each.
    void ScanCars(const D3DXVECTOR3& point, float boundSq);
    void ScanActors(const D3DXVECTOR3& point, float boundSq, bool includeInCars);
    void ClearNearLists();

    uint8_t m_Actions[ACTION_COUNT];
    float m_Axes[AXIS_COUNT];
    CAIControllerSet* m_pAgent = nullptr;
    CNearCarList m_NearCars;
    CNearActorList m_NearActors;
};

// A driver of a car: no camera or cursor of its own, the game camera's view.
class CAICarController : public CAIController {
public:
    // Also the cursor centred, no car, no agent, the horn rhythm cleared.
    bool Init() override;
    const float* GetCursorPosition() const override { return m_Cursor; }
    float GetCursorX() const override { return m_Cursor[0]; }
    float GetCursorY() const override { return m_Cursor[1]; }
    void SetCursorPosition(const float* position) override;
    const D3DXMATRIX* GetCameraMatrix() const override;
    CCamera* GetCamera() const override { return nullptr; }
    CInGameMouse* GetCursor() const override { return nullptr; }

    // Squared metres around the car in which a driver looks at people and cars.
    static constexpr float SCAN_RADIUS_SQ = 800.0f;

    // Stores the car only; the caller binds the car's controller.
    void SetCar(CCar* car) { m_pCar = car; }
    CCar* GetCar() const { return m_pCar; }

protected:
    // Without a car nothing runs and the arrays keep what they hold.
    void UpdateDriver(bool countDownDelay)
    {
        if (m_pCar != nullptr)
            Step(countDownDelay);
    }
    // The nearest people on foot and cars around `position`, at most 5 each.
    void ScanAroundCar(const D3DXVECTOR3& position);

    float m_Cursor[2] = {0.5f, 0.5f};
    CCar* m_pCar = nullptr;
    float m_fHornTimer = 0.0f;
    float m_fHornInterval = 0.0f;
    uint8_t m_u8HornOn = 0;
};

// A person on foot: a camera that follows the actor and a cursor of its own.
class CAIPersonController : public CAIController {
public:
    // Both person controllers number the state that puts the actor out of
    // its car alike.
    enum { STATE_GETTING_OUT = 6 };

    // Saves the state (and what goes with it) that `ReturnFromState` comes back to.
    virtual void PushState() = 0;
    virtual void ReturnFromState() = 0;
    // The state that sits in a car.
    virtual int GetDrivingState() const = 0;

    const float* GetCursorPosition() const override { return m_Mouse.GetPosition(); }
    float GetCursorX() const override { return m_Mouse.GetPosition()[0]; }
    float GetCursorY() const override { return m_Mouse.GetPosition()[1]; }
    void SetCursorPosition(const float* position) override { m_Mouse.SetPosition(position); }
    const D3DXMATRIX* GetCameraMatrix() const override { return &m_Camera.GetViewMatrix(); }
    CCamera* GetCamera() const override { return &m_Camera; }
    CInGameMouse* GetCursor() const override { return &m_Mouse; }

protected:
    // The camera chases `actor` and reports to this controller.
    void FollowActor(const CGameActor* actor);

    mutable CCamera m_Camera;
    mutable CInGameMouse m_Mouse;
};
