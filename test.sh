#!/usr/bin/env bash
# Builds the test configuration (Debug, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-test/ and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

./tools/install-packages.sh

jobs="$(nproc)"
# The sanitized build is clang's: it builds it in under half GCC's time, and
# its warnings join GCC's, which the Release build below keeps. It holds the
# fuzz targets too, on the same engine with libFuzzer's edge coverage.
cmake -S . -B build-test -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DKELM_SANITIZE=ON -DKELM_TESTS=ON -DKELM_FUZZ=ON -DKELM_WERROR=ON
cmake --build build-test -j "$jobs"
# The game as ./play.sh builds it: the optimiser finds warnings of its own.
# The benchmarks are built beside it, so one that no longer builds is seen here
# and not first by whoever runs bench/run.sh.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELM_TESTS=OFF -DKELM_BENCH=ON -DKELM_WERROR=ON
cmake --build build -j "$jobs" --target kelm kelm_bench

# Every fuzz target runs side by side for a short while; tools/fuzz.sh tells
# what a finding leaves and where.
KELM_FUZZ_BUILD=build-test KELM_FUZZ_JOBS="$jobs" ./tools/fuzz.sh --seconds 25

# Headless: GL through Mesa's offscreen EGL, sound through OpenAL's null driver.
export SDL_VIDEODRIVER=offscreen
export ALSOFT_DRIVERS=null
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cd build-test
ctest --output-on-failure -j "$jobs" --timeout 600
