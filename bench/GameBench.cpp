// The whole game as a player starts it, on a fresh copy of the staged game
// folder, each run in a process of its own (kelm_game_run): the start-up time,
// the front end's frame time and the frame time of play with the player
// walking toward the pond. Targets, reported and never asserted: start-up at
// most 1 s, frames at most 16.7 ms, no heap allocation in a steady frame.

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "game/GameRun.h"
#include "support/TempDir.h"

namespace {

const int RUNS = 5;

struct GameRunResults {
    bool ok = false;
    double startUpMs = 0.0;
    std::vector<double> frameMs;
    double allocations = 0.0;
    double reflectionFrames = 0.0;
};

GameRunResults ReadResults(const std::string& text)
{
    GameRunResults results;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        if (name == GameRun::STARTUP_MS) {
            words >> results.startUpMs;
            results.ok = true;
        } else if (name == GameRun::FRAME_MS) {
            for (double ms = 0.0; words >> ms;)
                results.frameMs.push_back(ms);
            results.ok = results.frameMs.size() == static_cast<size_t>(GameRun::MEASURED_FRAMES);
        } else if (name == GameRun::ALLOCATIONS) {
            words >> results.allocations;
        } else if (name == GameRun::REFLECTION_FRAMES) {
            words >> results.reflectionFrames;
        }
    }
    return results;
}

GameRunResults RunGame(const char* run)
{
    TempDir dir;
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    const std::string command =
        std::string("'") + KELM_GAME_RUN + "' " + run + " '" + dir.Path() + "' > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return GameRunResults();
    return ReadResults(dir.Read(GameRun::RESULTS_FILE));
}

void BM_GameStartUp(benchmark::State& state)
{
    for (auto _ : state) {
        const GameRunResults results = RunGame(GameRun::START_UP);
        if (!results.ok) {
            state.SkipWithError("the game did not reach the front end");
            return;
        }
        state.SetIterationTime(results.startUpMs / 1000.0);
    }
    state.SetLabel("target <= 1000 ms");
}
BENCHMARK(BM_GameStartUp)->UseManualTime()->Iterations(1)->Repetitions(RUNS)->Unit(benchmark::kMillisecond);

// One iteration a frame, each timed as the game ran it.
GameRunResults RunFrames(benchmark::State& state, const char* run)
{
    const GameRunResults results = RunGame(run);
    if (!results.ok) {
        state.SkipWithError("the game did not run its frames");
        return results;
    }
    size_t frame = 0;
    for (auto _ : state)
        state.SetIterationTime(results.frameMs[frame++ % results.frameMs.size()] / 1000.0);
    state.counters["allocations"] = results.allocations;
    state.SetLabel("target <= 16.7 ms, 0 allocations");
    return results;
}

void BM_GameFrontEndFrame(benchmark::State& state)
{
    RunFrames(state, GameRun::FRONT_END);
}
BENCHMARK(BM_GameFrontEndFrame)
    ->UseManualTime()
    ->Iterations(GameRun::MEASURED_FRAMES)
    ->Repetitions(RUNS)
    ->Unit(benchmark::kMillisecond);

// The frames that drew the pond's reflection show that it was in view.
void BM_GameInGameFrame(benchmark::State& state)
{
    const GameRunResults results = RunFrames(state, GameRun::IN_GAME);
    state.counters["reflection_frames"] = results.reflectionFrames;
}
BENCHMARK(BM_GameInGameFrame)
    ->UseManualTime()
    ->Iterations(GameRun::MEASURED_FRAMES)
    ->Repetitions(RUNS)
    ->Unit(benchmark::kMillisecond);

} // namespace
