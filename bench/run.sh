#!/usr/bin/env bash
# Builds the benchmarks (Release) into build-bench/ and runs them; arguments
# go to the benchmark binary (for example --benchmark_filter=ScriptReader).
# KELM_BENCH_DIR picks another build folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build="${KELM_BENCH_DIR:-build-bench}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELM_BENCH=ON -DKELM_TESTS=OFF
cmake --build "$build" --target kelm_bench
"$build/bench/kelm_bench" "$@"
