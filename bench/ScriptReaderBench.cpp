// How fast the script reader reads and cuts an asset script of the size the
// largest start-up scripts reach.

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "Core/DataBuffer.h"

namespace {

const size_t SCRIPT_BYTES = 4 * 1024 * 1024;

// Blocks as the asset scripts write them: keywords, numbers, quoted names,
// paths, vectors, colours, matrices and comments.
std::string MakeAssetScript()
{
    std::string script;
    script.reserve(SCRIPT_BYTES + 1024);
    char block[1024];
    for (int i = 0; script.size() < SCRIPT_BYTES; ++i) {
        std::snprintf(block, sizeof(block),
            "; ---- car %d ----\n"
            "Car\n"
            "\tName: \"Porch %d\"\n"
            "\tAsset_Type: Level\n"
            "\tMass: %d.%02d ; kilograms\n"
            "\tPosition: %d.25, -%d.5, %d.0\n"
            "\tColor: 1.0, 0.5, 0.25, 0.%d\n"
            "\tVisible: True\n"
            "\tFlags: 0x%x, b101, 010\n"
            "\tMeshFile: \"Assets\\Meshes\\car_%d.x\"\n"
            "\tTransform: 1 0 0 0  0 1 0 0  0 0 1 0  %d 0 %d 1\n"
            "\tTireType: \"Street Tire\", LengthOfSuspension: 0.35\n"
            "\n",
            i, i, 800 + i % 1000, i % 100, i % 300, i % 70, i % 900, i % 10, i & 0xff, i,
            i % 500, i % 400);
        script += block;
    }
    return script;
}

class ScriptFile {
public:
    ScriptFile()
        : m_Text(MakeAssetScript()),
          m_Path((std::filesystem::temp_directory_path() /
                  ("kelm-bench-script-" + std::to_string(getpid()) + ".txt")).string())
    {
        FILE* file = std::fopen(m_Path.c_str(), "wb");
        if (file == nullptr)
            return;
        std::fwrite(m_Text.data(), 1, m_Text.size(), file);
        std::fclose(file);
    }
    ~ScriptFile() { std::remove(m_Path.c_str()); }

    const std::string& Text() const { return m_Text; }
    const std::string& Path() const { return m_Path; }

private:
    std::string m_Text;
    std::string m_Path;
};

const ScriptFile& Script()
{
    static const ScriptFile script;
    return script;
}

void BM_ScriptReaderInit(benchmark::State& state)
{
    const ScriptFile& script = Script();
    for (auto _ : state) {
        CDataBuffer buffer;
        if (!buffer.Init(script.Path(), SCRIPT_SEPARATORS)) {
            state.SkipWithError("cannot read the script file");
            break;
        }
        benchmark::DoNotOptimize(buffer.IsEndOfBuffer());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(script.Text().size()));
}
BENCHMARK(BM_ScriptReaderInit)->Unit(benchmark::kMillisecond);

// The cutting alone, without the file read.
void BM_ScriptReaderTokenise(benchmark::State& state)
{
    const std::string& text = Script().Text();
    CDataBuffer buffer;
    buffer.SetSeparators(SCRIPT_SEPARATORS);
    for (auto _ : state) {
        buffer.Tokenise(text.data(), text.size());
        benchmark::DoNotOptimize(buffer.IsEndOfBuffer());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ScriptReaderTokenise)->Unit(benchmark::kMillisecond);

} // namespace
