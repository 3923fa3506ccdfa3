#pragma once
// How many values the shared random table gave out since a copy was taken.

#include "Core/Clock.h"

// The number of draws (up to `most`) that take `before` to where the shared
// table stands now, told by the values both give next; -1 when none does.
inline int DrawsSince(const CRandomTable& before, int most = 8)
{
    const int compared = 4;
    for (int draws = 0; draws <= most; ++draws) {
        CRandomTable probe = before;
        for (int i = 0; i < draws; ++i)
            probe.Next();
        CRandomTable now = g_RandomTable;
        bool same = true;
        for (int i = 0; i < compared && same; ++i)
            same = probe.Next() == now.Next();
        if (same)
            return draws;
    }
    return -1;
}
