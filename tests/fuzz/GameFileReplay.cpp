// Replays a fuzz target without libFuzzer, for the ordinary test build: every
// reader on its shipped file, then every file of the folders named on the
// command line (the inputs that once found a fault), through the same
// function the fuzzer calls. A fault ends the process the way the
// sanitizers end it; a clean run prints what it replayed.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/GameFileFuzz.h"

namespace fs = std::filesystem;

namespace {

void Replay(const std::vector<uint8_t>& input)
{
    RunGameFileInput(input.data(), input.size());
}

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    if (fs::is_directory(folder)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    // The harness works in its private game folder once it is set up.
    std::vector<fs::path> folders;
    for (int arg = 1; arg < argc; ++arg)
        folders.push_back(fs::absolute(argv[arg]));
    LLVMFuzzerInitialize(&argc, &argv);
    const size_t readers = ThisFuzzTarget().readers.size();
    for (size_t index = 0; index < readers; ++index)
        Replay(ShippedInput(index));
    size_t replayed = 0;
    for (const fs::path& folder : folders) {
        for (const fs::path& path : FilesIn(folder)) {
            std::printf("replaying %s\n", path.string().c_str());
            std::fflush(stdout);
            std::ifstream file(path, std::ios::binary);
            Replay(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
            ++replayed;
        }
    }
    std::printf("%zu shipped files and %zu regressions read\n", readers, replayed);
    return 0;
}
