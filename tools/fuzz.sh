#!/usr/bin/env bash
# Runs every fuzz target side by side: tools/fuzz.sh [minutes] (default 10)
# for a deep run, tools/fuzz.sh --seconds N for a short one (./test.sh).
# Needs clang. Builds build-fuzz/ (RelWithDebInfo, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer), or uses the build folder KELM_FUZZ_BUILD names,
# which must be configured with KELM_FUZZ (./test.sh hands it its test build).
# Then fuzzes each target from its corpus in <build>/corpus-<target>/ (kept
# between runs), its seeds and its regressions. An input is a fault when it
# crashes, trips a sanitizer, leaks, runs over 1 s of a core (3 s where every
# input loads the town; the limits grow by the number of targets that share a
# core) or takes over 512 MB; the target then stops and leaves the input in
# <build>/artifacts/<target>/.
# Mend the fault, then keep the input as
# tests/fuzz/regressions/<target>/<what it found> so CTest replays it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# The game-file targets work in a private game folder of their own, so every
# path handed to libFuzzer is absolute.
root="$PWD"

# A short run starts from the seeds alone: a corpus grown by deep runs would
# take longer to read back than the run lasts. A deep run keeps its corpus.
seconds=600
corpus_name=corpus
if [ "${1:-}" = "--seconds" ]; then
    seconds="$2"
    corpus_name="corpus-short"
elif [ -n "${1:-}" ]; then
    seconds=$(( $1 * 60 ))
fi
jobs="${KELM_FUZZ_JOBS:-2}"

# The game-file targets, whose seeds the build writes; then the two readers
# with seeds of their own.
game_file_targets=(user_files asset_blocks level_files console)
targets=(script_reader xfile "${game_file_targets[@]}")
build_targets=(fuzz_script_reader fuzz_xfile)
for target in "${game_file_targets[@]}"; do
    build_targets+=("fuzz_$target" "fuzz_${target}_seeds")
done

build="${KELM_FUZZ_BUILD:-build-fuzz}"
case "$build" in
    /*) ;;
    *) build="$root/$build" ;;
esac
if [ -z "${KELM_FUZZ_BUILD:-}" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DKELM_TESTS=OFF -DKELM_FUZZ=ON >/dev/null
fi
cmake --build "$build" -j "$jobs" --target "${build_targets[@]}"

# A game-file target's seeds and the dictionary of the shipped files' words.
game_file_inputs() {
    local seeds="$build/tests/fuzz/seeds-$1"
    echo "$seeds" -dict="$seeds.dict"
}

# A target's seeds, its regressions when it has any, and the options of its own.
inputs_of() {
    case "$1" in
        script_reader) echo "$root/tests/fuzz/seeds" -max_len=4096 ;;
        xfile) echo "$root/tests/fuzz/xfile-seeds" -max_len=4096 ;;
        # The shipped town alone takes most of a second to load in this
        # build, so the level's files and the console (which builds the
        # town again after every input) get three.
        level_files | console) game_file_inputs "$1" && echo -timeout=$(( 3 * share )) ;;
        *) game_file_inputs "$1" ;;
    esac
    if [ -d "tests/fuzz/regressions/$1" ]; then
        echo "$root/tests/fuzz/regressions/$1"
    fi
}

# Each target is single-threaded, so they all run at once; their chatter goes
# to logs that are shown only when they find something. The time limits are
# wall-clock, so where targets must share a core each gets the more time.
cores="$(nproc)"
share=$(( (${#targets[@]} + cores - 1) / cores ))
declare -A pids
for target in "${targets[@]}"; do
    corpus="$build/$corpus_name-$target"
    artifacts="$build/artifacts/$target"
    if [ "$corpus_name" = "corpus-short" ]; then
        rm -rf "$corpus"
    fi
    mkdir -p "$corpus" "$artifacts"
    # A smaller quarantine than AddressSanitizer's 256 MB keeps a run that
    # has loaded the whole game under the memory limit.
    # shellcheck disable=SC2046 # the inputs are paths and options without blanks
    ASAN_OPTIONS=quarantine_size_mb=64 SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null \
        "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout="$share" -rss_limit_mb=512 \
        -artifact_prefix="$artifacts/" "$corpus" $(inputs_of "$target") \
        >"$build/fuzz-$target.log" 2>&1 &
    pids[$target]=$!
done

failed=0
for target in "${targets[@]}"; do
    log="$build/fuzz-$target.log"
    if wait "${pids[$target]}"; then
        echo "$target: $(tail -n 1 "$log")"
        continue
    fi
    tail -n 60 "$log"
    echo "The $target fuzz target found a fault ($log; the input is in $build/artifacts/$target/)." >&2
    failed=1
done
exit "$failed"
