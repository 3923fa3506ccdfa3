#pragma once
// What the game benchmarks and the game-run process share: the runs, the
// frame counts and the results file the process leaves in the game folder.
//
// The process is started as `kelm_game_run <run> <game folder>` and writes one
// line per figure to RESULTS_FILE: "startup_ms <ms>", "frame_ms <ms> ...",
// "allocations <count>" and "reflection_frames <count>".

namespace GameRun {

const char* const START_UP = "startup";
const char* const FRONT_END = "frontend";
const char* const IN_GAME = "ingame";

const char* const RESULTS_FILE = "bench_results.txt";
const char* const STARTUP_MS = "startup_ms";
const char* const FRAME_MS = "frame_ms";
const char* const ALLOCATIONS = "allocations";
const char* const REFLECTION_FRAMES = "reflection_frames";

const int FRONT_END_WARM_UP_FRAMES = 60;
// Nothing moves until the frame timer's window of 60 frames is full; then
// the walk gets under way for a second.
const int IN_GAME_WARM_UP_FRAMES = 120;
const int MEASURED_FRAMES = 300;

} // namespace GameRun
