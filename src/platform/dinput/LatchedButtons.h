#pragma once
// Keys and buttons as DirectInput's state reads show them. The game reads
// the state once a frame, so the events between two reads are shown in
// their order, one new press a read: a press shows for one read at least,
// even when let go before it, and keys typed faster than the frames come
// in the order they were typed.

#include <cstring>

#include "platform/dinput/DInput.h"

template <int Count>
class LatchedButtons {
public:
    void Set(int index, bool down)
    {
        if (index < 0 || index >= Count)
            return;
        // Far more than a frame's typing: the game has stopped reading, so
        // the oldest event is shown now rather than lost.
        if (m_QueueLength == QUEUE_SIZE)
            Apply(Pop());
        m_Queue[(m_QueueStart + m_QueueLength) % QUEUE_SIZE] = Event{index, down};
        ++m_QueueLength;
    }

    // Writes Count bytes.
    void Read(BYTE* out)
    {
        // A press and a release each show for one read at least, so a key
        // tapped twice reads down, up, down.
        int pressed = -1;
        bool released[Count] = {};
        while (m_QueueLength > 0) {
            const Event& next = m_Queue[m_QueueStart];
            const bool newPress = next.down && m_Shown[next.index] == 0;
            if (newPress && (pressed >= 0 || released[next.index]))
                break;
            if (!next.down && next.index == pressed)
                break;
            if (newPress)
                pressed = next.index;
            if (!next.down)
                released[next.index] = true;
            Apply(Pop());
        }
        std::memcpy(out, m_Shown, sizeof(m_Shown));
    }

    void Clear()
    {
        std::memset(m_Shown, 0, sizeof(m_Shown));
        m_QueueStart = 0;
        m_QueueLength = 0;
    }

private:
    static constexpr BYTE DOWN = 0x80;
    static constexpr int QUEUE_SIZE = 64;

    struct Event {
        int index;
        bool down;
    };

    Event Pop()
    {
        const Event event = m_Queue[m_QueueStart];
        m_QueueStart = (m_QueueStart + 1) % QUEUE_SIZE;
        --m_QueueLength;
        return event;
    }

    void Apply(const Event& event) { m_Shown[event.index] = event.down ? DOWN : 0; }

    BYTE m_Shown[Count] = {};
    Event m_Queue[QUEUE_SIZE] = {};
    int m_QueueStart = 0;
    int m_QueueLength = 0;
};
