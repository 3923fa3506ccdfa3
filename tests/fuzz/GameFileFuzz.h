#pragma once
// The harness of the fuzz targets that run the game's own loaders on its
// files. Every process works in a private copy of the staged game folder;
// an input's first byte picks one of the target's readers, the rest becomes
// the content of that reader's file, and the reader loads it exactly as the
// game does. A fatal script error ends the input, not the process: the
// harness's handler throws, and whatever the reader built is released on
// the way out (by the reader's own owners), so a leak is still a leak.

#include <cstddef>
#include <cstdint>
#include <vector>

// One reader: the game path its file is read from and the load that reads
// it. The load may end in FatalError; it releases what it built either way.
struct GameFileReader {
    const char* gamePath;
    void (*read)();
};

// A target's readers keep their places: the inputs kept under
// tests/fuzz/regressions/ pick theirs by index, so a new reader goes last.
struct GameFileFuzzTarget {
    // The fixed context of the readers, built once per process in the
    // private game folder (which is then the working directory).
    void (*prepare)();
    std::vector<GameFileReader> readers;
};

// Defined by each target.
const GameFileFuzzTarget& ThisFuzzTarget();

// What every target's context starts from: a state-only Direct3D device, the
// physics scene, every shipped asset script as start-up loads them, and the
// player (a copy of the shipped "Lizard").
void PrepareShippedGame();

// The process's set-up: headless drivers, the fatal handler, the private
// game folder and the target's context. With KELM_FUZZ_SEEDS set it writes
// every reader's seed into that folder and ends the process instead.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

// One input (the selector byte, then the file's content); what libFuzzer and
// the regression replay both call.
int RunGameFileInput(const uint8_t* data, size_t size);

// Takes out of the asset store what was filed under the given classes since
// it was made, the newest first, so an input leaves the store as it found it.
class AssetRollback {
public:
    explicit AssetRollback(const std::vector<const char*>& classNames);
    ~AssetRollback();
    AssetRollback(const AssetRollback&) = delete;
    AssetRollback& operator=(const AssetRollback&) = delete;

private:
    std::vector<const char*> m_ClassNames;
    std::vector<size_t> m_Lengths;
};

// The input that gives reader `index` its shipped file: the seed of that reader.
std::vector<uint8_t> ShippedInput(size_t index);
