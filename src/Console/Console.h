#pragma once
// The developer console: a drop-down panel over the upper half of the
// screen in play. The grave accent key opens and closes it; the player
// types a line, edits it, recalls earlier ones and runs it with Enter.
// Every line, typed or read from a console script, is upper-cased and goes
// through a small parser (SET, TAKE, SCRIPT, PLAYER, DISPLAYMODE,
// SCREENSHOT, MESH) to a table of handlers; the usual one looks the command
// up in the command map, which binds names to variables and functions.
//
//   SET <command> [arguments]        a variable or a function of the map
//   SET DISPLAYMODE f,v,w,h,bpp,hz   a display mode
//   TAKE SCREENSHOT
//   SCRIPT <file>                    "Scripts\Console\<file>", run line by line

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "Console/ConsoleReaders.h"
#include "Console/LineRing.h"
#include "Core/StdInterface.h"
#include "Display/VertexXyzDiffuse.h"
#include "platform/d3d8/D3D8.h"

class CFullKeyboard;

// A command handler given the rest of the line and the output ring; a
// handler that prints steps the ring on first and writes into its fresh line.
typedef bool (*ConsoleHandler)(std::string& arguments, CLineRing& output);
typedef bool (*ConsoleFunction)();

// One entry of the command map: a variable written in its own type, or a
// function with or without the line's arguments.
struct CConsoleCommand {
    enum Kind {
        KIND_INTEGER = 0,
        KIND_FLOAT = 1,
        KIND_TIME = 2,
        KIND_FUNCTION = 3,
        KIND_HANDLER = 4,
    };

    Kind m_Kind = KIND_FUNCTION;
    std::function<void(int32_t)> m_SetInteger;
    std::function<void(float)> m_SetFloat;
    std::function<void(const CConsoleTime&)> m_SetTime;
    ConsoleFunction m_pFunction = nullptr;
    ConsoleHandler m_pHandler = nullptr;
};

class CConsole : public CStdInterface {
public:
    enum { DEPTH_COUNT = 3, STATE_COUNT = 10 };
    // Parser states.
    enum {
        STATE_NONE = 0,
        STATE_PLAYER = 2,
        STATE_COMMAND = 4,
        STATE_TAKE = 5,
        // A name follows: the script's file, the screenshot, the mesh.
        STATE_SCRIPT = 6,
        STATE_SCREENSHOT = 6,
        STATE_MESH = 6,
        STATE_DISPLAYMODE = 7,
    };
    static constexpr uint32_t DEFAULT_COLOUR = 0xAF0000FF;
    static constexpr float TOGGLE_COOLDOWN = 0.6f;
    // Scripts that run scripts stop here.
    static constexpr int MAX_SCRIPT_DEPTH = 8;

    CConsole();
    ~CConsole() override = default;
    CConsole(const CConsole&) = delete;
    CConsole& operator=(const CConsole&) = delete;

    // The empty state stays reachable beside the console's own start below.
    using CStdInterface::Init;
    // Stores the device, the keyboard's key bytes and the typing keyboard,
    // and registers the commands. The console starts closed.
    void Init(IDirect3DDevice8* device, const BYTE* keys, CFullKeyboard* keyboard);
    // Lets go of the device and the key bytes, which the game's shut-down
    // releases: the console then neither opens nor draws.
    bool Shutdown() override;
    // Once per frame in play, after the typing keyboard's update: opens and
    // closes the console and runs the editing of the input line.
    void Update(float frameTime);
    bool IsOpen() const { return m_Open != 0; }
    // While open, after the scene: the panel, then its lines (queued).
    void DrawBackground();
    void DrawText(float frameTime);

    // Runs a console script line by line, as typed; false when the file
    // cannot be opened.
    bool ExecuteFile(const char* path);
    // Runs one line as Enter runs the typed one: upper-cased, parsed and
    // dispatched. The output ring's current line shows it as given.
    void RunLine(const std::string& line);

    // The first registration of a name stays.
    void AddIntegerVariable(const char* name, std::function<void(int32_t)> set);
    void AddFloatVariable(const char* name, std::function<void(float)> set);
    void AddTimeVariable(const char* name, std::function<void(const CConsoleTime&)> set);
    void AddCommand(const char* name, ConsoleFunction function);
    void AddCommand(const char* name, ConsoleHandler handler);
    void RegisterCommands();
    const CConsoleCommand* FindCommand(const std::string& name) const;

    const CLineRing& GetOutput() const { return m_Output; }
    const CLineRing& GetHistory() const { return m_History; }
    uint32_t GetColour() const { return m_Colour; }

private:
    typedef void (CConsole::*LineHandler)();
    enum ParseStep { STEP_START = 0, STEP_PLAYER = 2, STEP_SET = 4, STEP_TAKE = 5 };

    void EditInputLine();
    void RecallHistory(int32_t index);
    void ParseLine(ParseStep step, int depth);
    size_t NextWord();
    void EraseWord();
    void RejectLine();
    // The message replaces the current line, then a fresh line.
    void Report(const char* message);
    // A fresh line for the message, then another.
    void ReportAfter(const char* message);
    void Dispatch();
    // The handler of the table's row for the parser state of its depth.
    void RunHandler(int row);

    // The handler table's entries.
    void RunRow1();
    void RunRow2();
    void ExecuteCommand();
    void RunScript();
    void TakeScreenshot();
    void SetDisplayMode();
    void InvalidLine();
    void NoHandler() {}

    void ReportSuccess(const std::string& name);
    bool ReadVariable(const CConsoleCommand& command);

    IDirect3DDevice8* m_pDevice = nullptr;
    enum { PANEL_VERTICES = 6 };
    VERTEX_XYZ_DIFFUSE m_Background[PANEL_VERTICES];
    const BYTE* m_pKeys = nullptr;
    CFullKeyboard* m_pKeyboard = nullptr;
    uint32_t m_Colour = DEFAULT_COLOUR;
    float m_fCooldown = 0.0f;
    uint32_t m_Open = 0;
    // How deep the input context stack was when the console opened.
    size_t m_ContextDepth = 0;
    float m_fBlinkTimer = 0.0f;
    CLineRing m_History;
    int32_t m_States[DEPTH_COUNT] = {};
    std::map<std::string, CConsoleCommand> m_Commands;
    CLineRing m_Output;
    std::string m_Word;
    std::string m_CommandName;
    std::string m_Arguments;
    LineHandler m_Handlers[DEPTH_COUNT][STATE_COUNT];
    int m_ScriptDepth = 0;
};

extern CConsole g_Console;
