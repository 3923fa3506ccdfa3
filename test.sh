#!/usr/bin/env bash
# Builds the test configuration (Debug, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-test/ and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

./tools/install-packages.sh

jobs="$(nproc)"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELM_SANITIZE=ON -DKELM_TESTS=ON -DKELM_WERROR=ON
cmake --build build-test -j "$jobs"
# The game as ./play.sh builds it: the optimiser finds warnings of its own.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELM_TESTS=OFF -DKELM_WERROR=ON
cmake --build build -j "$jobs" --target kelm

# Waits for one fuzz run: the last line of its log when it ends clean, the
# end of the log and a failure when it found something.
fuzz_result() {
    local pid="$1" log="$2" target="$3"
    if ! wait "$pid"; then
        tail -n 60 "$log"
        echo "The $target fuzz target failed ($log)." >&2
        return 1
    fi
    tail -n 1 "$log"
}

# The fuzz targets of the script reader and the .X reader run for a while
# each when clang is here. Their chatter goes to logs that are shown only
# when they find something.
if command -v clang++ >/dev/null 2>&1; then
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DKELM_TESTS=OFF -DKELM_FUZZ=ON
    cmake --build build-fuzz -j "$jobs" --target fuzz_script_reader fuzz_xfile
    # Each target is single-threaded, so the two run side by side.
    mkdir -p build-fuzz/corpus build-fuzz/corpus-xfile
    ./build-fuzz/tests/fuzz/fuzz_script_reader -max_total_time=20 -max_len=4096 \
        build-fuzz/corpus tests/fuzz/seeds > build-fuzz/fuzz.log 2>&1 &
    script_reader=$!
    ./build-fuzz/tests/fuzz/fuzz_xfile -max_total_time=20 -max_len=4096 \
        build-fuzz/corpus-xfile tests/fuzz/xfile-seeds > build-fuzz/fuzz-xfile.log 2>&1 &
    xfile=$!
    fuzz_failed=0
    fuzz_result "$script_reader" build-fuzz/fuzz.log "script reader's" || fuzz_failed=1
    fuzz_result "$xfile" build-fuzz/fuzz-xfile.log ".X reader's" || fuzz_failed=1
    [ "$fuzz_failed" -eq 0 ] || exit 1
fi

# Headless: GL through Mesa's offscreen EGL, sound through OpenAL's null driver.
export SDL_VIDEODRIVER=offscreen
export ALSOFT_DRIVERS=null
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cd build-test
ctest --output-on-failure -j "$jobs" --timeout 600
