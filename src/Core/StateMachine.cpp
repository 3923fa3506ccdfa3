#include "Core/StateMachine.h"

int CStateMachine::SetState(int state)
{
    m_NextState = state;
    m_bChangePending = true;
    return state;
}

void CStateMachine::Process(int message)
{
    OnMessage(message, m_CurrentState);
    ProcessStateChange();
}

void CStateMachine::ProcessStateChange()
{
    for (int changes = 0; m_bChangePending && changes < MAX_CHANGES_PER_STEP; ++changes) {
        m_bChangePending = false;
        OnMessage(MSG_EXIT, m_CurrentState);
        m_CurrentState = m_NextState;
        OnMessage(MSG_ENTER, m_CurrentState);
    }
}

void CStateMachine::Start()
{
    Process(MSG_ENTER);
}

void CStateMachine::Update()
{
    Process(MSG_UPDATE);
    Process(MSG_UPDATE_LATE);
}
