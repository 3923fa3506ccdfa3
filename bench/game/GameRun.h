#pragma once
// What the game benchmarks and the game-run process share: the runs, the
// frame counts and the results file the process leaves in the game folder.
//
// The process is started as `kelm_game_run <run> <game folder>` and writes one
// line per figure to RESULTS_FILE: "startup_ms <ms>", "frame_ms <ms> ...",
// "allocations <count>", "steady_allocations <count>", "warm_up_frames <count>", "reflection_frames
// <count>", "mission_update_ms <ms>", and for the busy town "car_travel <m>"
// and "explosions <count>".

namespace GameRun {

const char* const START_UP = "startup";
const char* const FRONT_END = "frontend";
const char* const PLAYER_RUNS = "playerruns";
const char* const BUSY_TOWN = "busytown";

const char* const RESULTS_FILE = "bench_results.txt";
const char* const STARTUP_MS = "startup_ms";
const char* const FRAME_MS = "frame_ms";
const char* const ALLOCATIONS = "allocations";
// Those of the frames over which the level's agents, active cars and live
// projectiles stayed the same (a car put into the world or a grenade thrown
// builds its physics body).
const char* const STEADY_ALLOCATIONS = "steady_allocations";
const char* const REFLECTION_FRAMES = "reflection_frames";
const char* const WARM_UP_FRAMES = "warm_up_frames";
const char* const CAR_TRAVEL = "car_travel";
const char* const EXPLOSIONS = "explosions";
// The mission manager's update in the median measured frame, in ms.
const char* const MISSION_UPDATE_MS = "mission_update_ms";

// The front end warms up until its frames have allocated nothing for two
// seconds (objects entering the world as the menu camera comes to them
// build their bodies; the camera's time, not its frames, brings them), but
// for at least the first count of frames and at most the second.
const double FRONT_END_QUIET_MS = 2000.0;
const int FRONT_END_WARM_UP_FRAMES = 60;
const int FRONT_END_MAX_WARM_UP_FRAMES = 3000;
// Nothing moves until the frame timer's window of 60 frames is full; then
// the run (or the car's drive) gets under way for a second.
const int IN_GAME_WARM_UP_FRAMES = 120;
const int MEASURED_FRAMES = 300;
// The busy town's explosions go off at these measured frames.
const int EXPLOSION_FRAMES[] = {30, 120, 210};
// The mission manager's share of a frame with the first missions waiting.
const double MAX_MISSION_UPDATE_MS = 0.05;

} // namespace GameRun
