#pragma once
// A steady frame clock for tests: every per-frame step then moves by a known time.

#include <cstdint>

// A fresh g_FrameTimer whose every frame lasted `milliseconds`, so the
// smoothed frame time is that from the first frame on.
void SetFrameTime(uint32_t milliseconds);
