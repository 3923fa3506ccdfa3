#pragma once

// Base of every behaviour written as states with enter, update and exit code.
// A change is only requested by SetState and takes effect inside the next
// processing step, so a state's code never runs half in one state and half in
// another.
class CStateMachine {
public:
    enum Message {
        MSG_UPDATE = 0,
        MSG_ENTER = 1,
        MSG_EXIT = 2,
        MSG_UPDATE_LATE = 3,
    };
    // Enter and exit handlers may chain further changes; this many are applied
    // in one step before the rest waits for the next one.
    enum { MAX_CHANGES_PER_STEP = 10 };

    virtual ~CStateMachine() = default;

    int SetState(int state);
    int GetState() const { return m_CurrentState; }
    int GetNextState() const { return m_NextState; }
    bool IsChangePending() const { return m_bChangePending; }

    void Process(int message);
    void ProcessStateChange();
    void Start();
    void Update();

protected:
    virtual void OnMessage(int message, int state) = 0;

private:
    int m_CurrentState = 0;
    int m_NextState = 0;
    bool m_bChangePending = false;
};
