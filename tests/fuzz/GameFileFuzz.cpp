#include "fuzz/GameFileFuzz.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/FatalError.h"
#include "Core/Game.h"
#include "Core/Window.h"
#include "Display/Display.h"
#include "Physics/Physics.h"
#include "platform/d3d8/D3D8Platform.h"
#include "platform/files/Files.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

struct FatalThrown {};

[[noreturn]] void ThrowFatal(const char*)
{
    throw FatalThrown();
}

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz harness: %s\n", what.c_str());
    std::abort();
}

// The private game folder goes with the process (unless a sanitizer ends it:
// then it is left in the temporary folder for a look).
void EnterPrivateGameFolder()
{
    static const TempDir folder;
    fs::copy(KELM_GAME_DIR, folder.Path(), fs::copy_options::recursive);
    fs::current_path(folder.Path());
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

fs::path UnderFolder(const fs::path& folder, const char* gamePath)
{
    std::string relative = gamePath;
    for (char& c : relative)
        c = c == '\\' ? '/' : c;
    return folder / relative;
}

// A file the game writes rather than ships (the key bindings) is what its
// reader writes when it finds none, in a scratch folder of its own.
std::string WrittenFile(const GameFileReader& reader)
{
    const TempDir scratch;
    const fs::path previous = fs::current_path();
    fs::current_path(scratch.Path());
    try {
        reader.read();
    } catch (const FatalThrown&) {
    }
    fs::current_path(previous);
    const fs::path written = UnderFolder(scratch.Path(), reader.gamePath);
    if (!fs::exists(written))
        Fail(std::string("neither shipped nor written: ") + reader.gamePath);
    return ReadFile(written);
}

// Each reader's file as shipped, read once.
const std::string& ShippedFile(size_t index)
{
    static std::vector<std::unique_ptr<std::string>> texts(ThisFuzzTarget().readers.size());
    if (!texts[index]) {
        const GameFileReader& reader = ThisFuzzTarget().readers[index];
        const fs::path shipped = UnderFolder(KELM_GAME_DIR, reader.gamePath);
        texts[index].reset(new std::string(fs::exists(shipped) ? ReadFile(shipped) : WrittenFile(reader)));
    }
    return *texts[index];
}

void WriteGameFile(const char* gamePath, const uint8_t* data, size_t size)
{
    FILE* file = Files::Open(gamePath, "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        Fail(std::string("cannot write ") + gamePath);
}

void Prepare()
{
    EnterPrivateGameFolder();
    try {
        ThisFuzzTarget().prepare();
    } catch (const FatalThrown&) {
        Fail("the shipped game does not load");
    }
    for (size_t index = 0; index < ThisFuzzTarget().readers.size(); ++index)
        ShippedFile(index);
}

// Numbers that no shipped file holds but that every reader must survive.
const char* const EXTREME_NUMBERS[] = {"1e39", "-1e39", "3.4e38", "nan", "inf", "2147483648", "-2147483649",
                                       "4294967296", "-1", "0", "0.0"};
const size_t LONGEST_WORD = 40;

// Every word of the shipped files (letters, digits, '_' and '.' between
// separators), for the fuzzer to splice in whole.
void AddWords(const std::string& text, std::set<std::string>& words)
{
    std::string word;
    for (const char c : text + ' ') {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.') {
            word += c;
            continue;
        }
        if (word.size() > 1 && word.size() <= LONGEST_WORD)
            words.insert(word);
        word.clear();
    }
}

// The fuzz build writes each reader's seed from the staged game folder, and a
// dictionary beside them (<folder>.dict), when KELM_FUZZ_SEEDS names a folder,
// and does nothing else.
void WriteSeeds(const char* folder)
{
    fs::create_directories(folder);
    std::set<std::string> words(std::begin(EXTREME_NUMBERS), std::end(EXTREME_NUMBERS));
    const std::vector<GameFileReader>& readers = ThisFuzzTarget().readers;
    for (size_t index = 0; index < readers.size(); ++index) {
        const std::vector<uint8_t> input = ShippedInput(index);
        const std::string gamePath = readers[index].gamePath;
        const std::string name = std::to_string(index) + "-" + gamePath.substr(gamePath.find_last_of('\\') + 1);
        std::ofstream(fs::path(folder) / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
        AddWords(ShippedFile(index), words);
    }
    std::ofstream dictionary(std::string(folder) + ".dict");
    for (const std::string& word : words)
        dictionary << '"' << word << "\"\n";
}

} // namespace

void PrepareShippedGame()
{
    g_hWnd = nullptr;
    D3D8Platform::UseStateOnlyDevices();
    if (!g_Display.Create())
        Fail("no state-only display");
    g_Physics.Init();
    g_Game.LoadAssetScripts();
    CGameActor* player = nullptr;
    g_AssetManager.GetAsset("Lizard", player, true);
    g_Player = *player;
    g_PlayerActor = &g_Player;
}

AssetRollback::AssetRollback(const std::vector<const char*>& classNames) : m_ClassNames(classNames)
{
    for (const char* className : m_ClassNames) {
        const CAssetManager::TypeList* list = g_AssetManager.FindTypeList(className);
        m_Lengths.push_back(list != nullptr ? list->m_Assets.size() : 0);
    }
}

AssetRollback::~AssetRollback()
{
    for (size_t index = m_ClassNames.size(); index-- > 0;) {
        if (CAssetManager::TypeList* list = g_AssetManager.FindTypeList(m_ClassNames[index]))
            list->m_Assets.resize(m_Lengths[index]);
    }
}

std::vector<uint8_t> ShippedInput(size_t index)
{
    const std::string& text = ShippedFile(index);
    std::vector<uint8_t> input(1, static_cast<uint8_t>(index));
    input.insert(input.end(), text.begin(), text.end());
    return input;
}

int RunGameFileInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::vector<GameFileReader>& readers = ThisFuzzTarget().readers;
    const size_t index = data[0] % readers.size();
    WriteGameFile(readers[index].gamePath, data + 1, size - 1);
    try {
        readers[index].read();
    } catch (const FatalThrown&) {
    }
    // The next input meets the shipped file again, whichever reader it picks.
    const std::string& shipped = ShippedFile(index);
    WriteGameFile(readers[index].gamePath, reinterpret_cast<const uint8_t*>(shipped.data()), shipped.size());
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Headless: no window, OpenAL's null driver.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    SetFatalErrorHandler(ThrowFatal);
    if (const char* folder = std::getenv("KELM_FUZZ_SEEDS")) {
        WriteSeeds(folder);
        std::exit(0);
    }
    // Here rather than in the first input, which the time limit would judge.
    Prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return RunGameFileInput(data, size);
}
