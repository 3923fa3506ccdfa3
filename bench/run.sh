#!/usr/bin/env bash
# Builds the benchmarks (Release) into build-bench/ and runs them with
# repetitions in random order, reporting mean, median and spread; arguments go
# to the benchmark binary (for example --benchmark_filter=ScriptReader).
# Without arguments the draw benchmark runs a second time on Mesa's no-op
# driver, which takes the rasteriser out of both sides. The runs are pinned to
# two cores, as a player's machine of the game's day would have them; the game
# benchmarks run the game 640 x 480 offscreen without a sound device.
# KELM_BENCH_DIR picks another build folder, KELM_BENCH_JOBS the build's job
# count (3 by default: the machines are shared).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build="${KELM_BENCH_DIR:-build-bench}"
jobs="${KELM_BENCH_JOBS:-3}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELM_BENCH=ON -DKELM_TESTS=OFF
cmake --build "$build" --target kelm_bench -j "$jobs"

compare=(--benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
         --benchmark_report_aggregates_only=true)
pin=(taskset -c 0,1)
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null
if [ $# -ne 0 ]; then
    exec "${pin[@]}" "$build/bench/kelm_bench" "${compare[@]}" "$@"
fi
# The draw benchmarks keep their window and devices for the whole process,
# where the others make and drop displays of their own: they run apart.
draws=LitTexturedDraws
"${pin[@]}" "$build/bench/kelm_bench" "${compare[@]}" --benchmark_filter=-$draws
"${pin[@]}" "$build/bench/kelm_bench" "${compare[@]}" --benchmark_filter=$draws
GALLIUM_NOOP=1 "${pin[@]}" "$build/bench/kelm_bench" --benchmark_filter=$draws \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
