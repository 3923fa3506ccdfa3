#pragma once
// The display the benchmarks draw to: no window, and devices that keep the
// render states but draw nothing, so a benchmark times the game's side alone.

void CreateStateOnlyDisplay();
