#include "Console/Console.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <utility>

#include "Actors/Car.h"
#include "Console/ConsoleCommands.h"
#include "Console/FullKeyboard.h"
#include "Core/Game.h"
#include "Core/Log.h"
#include "Display/Display.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Input/InputManager.h"
#include "Level/GameTimer.h"
#include "Physics/Physics.h"
#include "platform/dinput/DInput.h"
#include "platform/files/Files.h"

namespace {

// The grave accent key, left of 1 on a US keyboard: it types nothing.
const int TOGGLE_KEY = DIK_GRAVE;
const char* const SCRIPT_FOLDER = "Scripts\\Console\\";
const char* const INVALID_COMMAND = "Invalid command";
const char* const INVALID_INTEGER = "Invalid integar";
const char* const INVALID_FLOAT = "Invalid float";
const char* const INVALID_TIME = "Invalid time";
const char* const FUNCTION_FAILED = "Function returned false";
const char* const SET_SUCCESSFULLY = " set successfully";
const char* const INVALID_DISPLAY_MODE = "Invalid Display Mode";
const char* const DISPLAY_MODE_REFUSED = "Display mode refused";
const char* const SCRIPT_LOADED = "Script Loaded Successfully";
const char* const SCRIPT_NOT_FOUND = "Cannot find file";
const char* const SCRIPT_TOO_DEEP = "Script nesting too deep";
const char* const LINE_TOO_LONG = "Line too long";
const char* const SCREENSHOT_WRITTEN = "Screenshot written to ";
const char* const SCREENSHOT_FAILED = "Screenshot failed";

// The panel: x from -1 to 1, y from 0 to 1 at z = 1 in view space, which
// the in-game projection puts over the upper half of the screen.
const float PANEL_LEFT = -1.0f;
const float PANEL_RIGHT = 1.0f;
const float PANEL_BOTTOM = 0.0f;
const float PANEL_TOP = 1.0f;
const float PANEL_DEPTH = 1.0f;
const UINT PANEL_TRIANGLES = 4;

// Text, as fractions of the screen.
const float TEXT_LEFT = 0.0156f;
const float TEXT_TOP = 0.0208f;
const float TEXT_LINE_HEIGHT = 0.033333f;
const D3DCOLOR TEXT_COLOUR = 0xCCD06F20;
const char* const CURSOR_TEXT = "_";
// Seconds: the cursor shows for the first half of each blink.
const float CURSOR_SHOWN = 0.5f;
const float BLINK_PERIOD = 1.0f;

// A line shorter than this is not worth running: an empty line or a stray
// character.
const size_t SHORTEST_SCRIPT_LINE = 2;

const char* const WORD_SET = "SET";
const char* const WORD_TAKE = "TAKE";
const char* const WORD_SCRIPT = "SCRIPT";
const char* const WORD_PLAYER = "PLAYER";
const char* const WORD_DISPLAYMODE = "DISPLAYMODE";
const char* const WORD_SCREENSHOT = "SCREENSHOT";
const char* const WORD_MESH = "MESH";

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

std::string UpperCase(const std::string& text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// One line without its end (LF or CR LF); false at the end of the file.
bool ReadLine(FILE* file, std::string& line, bool& tooLong)
{
    line.clear();
    tooLong = false;
    int c = std::fgetc(file);
    if (c == EOF)
        return false;
    for (; c != EOF && c != '\n'; c = std::fgetc(file)) {
        line.push_back(static_cast<char>(c));
        if (line.size() > CLineRing::MAX_LINE_LENGTH) {
            tooLong = true;
            return true;
        }
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    tooLong = line.size() >= CLineRing::MAX_LINE_LENGTH;
    return true;
}

} // namespace

CConsole::CConsole()
{
    for (auto& row : m_Handlers)
        std::fill(std::begin(row), std::end(row), &CConsole::InvalidLine);
    // The parser has already said what was wrong with the line.
    m_Handlers[0][STATE_NONE] = &CConsole::NoHandler;
    m_Handlers[0][STATE_COMMAND] = &CConsole::RunRow1;
    m_Handlers[0][STATE_TAKE] = &CConsole::RunRow1;
    m_Handlers[0][STATE_SCRIPT] = &CConsole::RunScript;
    m_Handlers[1][STATE_PLAYER] = &CConsole::RunRow2;
    m_Handlers[1][STATE_COMMAND] = &CConsole::ExecuteCommand;
    m_Handlers[1][STATE_SCREENSHOT] = &CConsole::TakeScreenshot;
    m_Handlers[1][STATE_DISPLAYMODE] = &CConsole::SetDisplayMode;

    const float corners[PANEL_VERTICES][2] = {
        {PANEL_LEFT, PANEL_BOTTOM}, {PANEL_RIGHT, PANEL_BOTTOM}, {PANEL_LEFT, PANEL_TOP},
        {PANEL_RIGHT, PANEL_BOTTOM}, {PANEL_LEFT, PANEL_TOP},    {PANEL_RIGHT, PANEL_TOP},
    };
    for (size_t i = 0; i < PANEL_VERTICES; ++i)
        m_Background[i] = {corners[i][0], corners[i][1], PANEL_DEPTH, DEFAULT_COLOUR};
}

void CConsole::Init(IDirect3DDevice8* device, const BYTE* keys, CFullKeyboard* keyboard)
{
    m_pDevice = device;
    m_pKeys = keys;
    m_pKeyboard = keyboard;
    for (VERTEX_XYZ_DIFFUSE& vertex : m_Background)
        vertex.colour = DEFAULT_COLOUR;
    m_Colour = DEFAULT_COLOUR;
    m_fCooldown = 0.0f;
    m_Open = 0;
    m_fBlinkTimer = 0.0f;
    m_bInitialised = true;
    m_bReady = true;
    RegisterCommands();
}

bool CConsole::Shutdown()
{
    m_pDevice = nullptr;
    m_pKeys = nullptr;
    m_pKeyboard = nullptr;
    return CStdInterface::Shutdown();
}

// Holding the key opens and closes the console every cooldown.
void CConsole::Update(float frameTime)
{
    if (m_pKeys == nullptr || m_pKeyboard == nullptr)
        return;
    if (m_Open == 0) {
        if (m_fCooldown <= 0.0f && m_pKeys[TOGGLE_KEY] != 0) {
            m_fCooldown = TOGGLE_COOLDOWN;
            m_pKeyboard->Enable();
            m_Open = 1;
            m_ContextDepth = g_InputManager.GetContextDepth();
            g_InputManager.PushContext(CInputManager::CONTEXT_HELD);
        }
    } else {
        if (m_fCooldown <= 0.0f && m_pKeyboard->GetHoldTime(TOGGLE_KEY) != 0.0f) {
            m_fCooldown = TOGGLE_COOLDOWN;
            m_Open = 0;
            // A menu may have opened over the console (game over): its
            // context stays.
            g_InputManager.RemoveContextPushedAt(m_ContextDepth);
        }
        EditInputLine();
    }
    m_fCooldown = std::max(m_fCooldown - frameTime, 0.0f);
}

void CConsole::EditInputLine()
{
    std::string& line = m_Output.Current();
    switch (m_pKeyboard->EditLine(m_Output.m_Column, line, CLineRing::MAX_LINE_LENGTH)) {
    case CFullKeyboard::ACTION_ENTER:
        if (line.empty())
            return;
        m_History.Current() = line;
        m_History.Print();
        RunLine(line);
        return;
    case CFullKeyboard::ACTION_LEFT:
        m_Output.m_Column = std::max(m_Output.m_Column - 1, 0);
        return;
    case CFullKeyboard::ACTION_RIGHT:
        m_Output.m_Column = std::min(m_Output.m_Column + 1, static_cast<int32_t>(line.size()));
        return;
    case CFullKeyboard::ACTION_UP:
        RecallHistory(CLineRing::Previous(m_History.GetCurrentIndex()));
        return;
    case CFullKeyboard::ACTION_DOWN:
        RecallHistory(CLineRing::Next(m_History.GetCurrentIndex()));
        return;
    default:
        return;
    }
}

// The recalled slot is where Enter then stores the line.
void CConsole::RecallHistory(int32_t index)
{
    m_History.SetCurrentIndex(index);
    m_Output.Current() = m_History.Current();
    m_Output.m_Column = static_cast<int32_t>(m_Output.Current().size());
}

void CConsole::RunLine(const std::string& line)
{
    m_Output.Current() = line;
    m_Arguments = UpperCase(line);
    // Every line starts from a clean parser: a bare word must not run or
    // not depending on the line before it.
    std::fill(std::begin(m_States), std::end(m_States), STATE_NONE);
    m_CommandName.clear();
    ParseLine(STEP_START, 0);
    Dispatch();
}

void CConsole::Dispatch()
{
    RunHandler(0);
}

size_t CConsole::NextWord()
{
    SkipBlanks(m_Arguments);
    size_t length = 0;
    while (length < m_Arguments.size() && length < CLineRing::MAX_LINE_LENGTH &&
           !IsConsoleBlank(m_Arguments[length]))
        ++length;
    m_Word.assign(m_Arguments, 0, length);
    return length;
}

void CConsole::EraseWord()
{
    m_Arguments.erase(0, m_Word.size());
}

void CConsole::ParseLine(ParseStep step, int depth)
{
    NextWord();
    switch (step) {
    case STEP_START:
        if (m_Word == WORD_SET) {
            m_States[depth] = STATE_COMMAND;
            EraseWord();
            ParseLine(STEP_SET, depth + 1);
        } else if (m_Word == WORD_TAKE) {
            m_States[depth] = STATE_TAKE;
            EraseWord();
            ParseLine(STEP_TAKE, depth + 1);
        } else if (m_Word == WORD_SCRIPT) {
            // The file name stays in the arguments.
            EraseWord();
            NextWord();
            m_CommandName = m_Word;
            m_States[depth] = STATE_SCRIPT;
        } else {
            m_CommandName = m_Word;
            EraseWord();
            m_States[depth] = STATE_COMMAND;
        }
        return;
    case STEP_SET:
        if (m_Word == WORD_PLAYER) {
            m_States[depth] = STATE_PLAYER;
            EraseWord();
            ParseLine(STEP_PLAYER, depth + 1);
        } else if (m_Word == WORD_DISPLAYMODE) {
            m_States[depth] = STATE_DISPLAYMODE;
            EraseWord();
        } else {
            m_CommandName = m_Word;
            EraseWord();
            m_States[depth] = STATE_COMMAND;
        }
        return;
    case STEP_TAKE:
        if (m_Word != WORD_SCREENSHOT) {
            RejectLine();
            return;
        }
        m_States[depth] = STATE_SCREENSHOT;
        EraseWord();
        return;
    case STEP_PLAYER:
        if (m_Word != WORD_MESH) {
            RejectLine();
            return;
        }
        EraseWord();
        NextWord();
        m_CommandName = m_Word;
        m_States[depth] = STATE_MESH;
        return;
    }
}

void CConsole::RejectLine()
{
    m_States[0] = STATE_NONE;
    ReportAfter(INVALID_COMMAND);
}

void CConsole::Report(const char* message)
{
    m_Output.Current() = message;
    m_Output.Print();
}

void CConsole::ReportAfter(const char* message)
{
    m_Output.Print();
    Report(message);
}

void CConsole::RunHandler(int row)
{
    // Taken out first: the sanitizer misreads an indexed member pointer call.
    const LineHandler handler = m_Handlers[row][m_States[row]];
    (this->*handler)();
}

void CConsole::RunRow1()
{
    RunHandler(1);
}

void CConsole::RunRow2()
{
    RunHandler(2);
}

// A line the table has no handler for: a bare word, SET PLAYER MESH.
void CConsole::InvalidLine()
{
    m_States[0] = STATE_NONE;
    ReportAfter(INVALID_COMMAND);
}

void CConsole::ExecuteCommand()
{
    m_States[0] = STATE_NONE;
    const CConsoleCommand* command = FindCommand(m_CommandName);
    if (command == nullptr) {
        Report(INVALID_COMMAND);
        return;
    }
    const std::string name = m_CommandName;
    switch (command->m_Kind) {
    case CConsoleCommand::KIND_INTEGER:
    case CConsoleCommand::KIND_FLOAT:
    case CConsoleCommand::KIND_TIME:
        if (!ReadVariable(*command))
            return;
        break;
    case CConsoleCommand::KIND_FUNCTION:
        if (!command->m_pFunction()) {
            Report(FUNCTION_FAILED);
            return;
        }
        break;
    case CConsoleCommand::KIND_HANDLER:
        if (!command->m_pHandler(m_Arguments, m_Output)) {
            ReportAfter(FUNCTION_FAILED);
            return;
        }
        break;
    }
    ReportSuccess(name);
}

// A value that cannot be read replaces the echo with what was expected.
bool CConsole::ReadVariable(const CConsoleCommand& command)
{
    switch (command.m_Kind) {
    case CConsoleCommand::KIND_INTEGER: {
        int32_t value = 0;
        if (!ParseInt(m_Arguments, value)) {
            Report(INVALID_INTEGER);
            return false;
        }
        command.m_SetInteger(value);
        return true;
    }
    case CConsoleCommand::KIND_FLOAT: {
        float value = 0.0f;
        if (!ParseFloat(m_Arguments, value)) {
            Report(INVALID_FLOAT);
            return false;
        }
        command.m_SetFloat(value);
        return true;
    }
    case CConsoleCommand::KIND_TIME: {
        CConsoleTime value;
        if (!ParseTime(m_Arguments, value)) {
            Report(INVALID_TIME);
            return false;
        }
        command.m_SetTime(value);
        return true;
    }
    default:
        return false;
    }
}

void CConsole::ReportSuccess(const std::string& name)
{
    m_Output.Print();
    m_Output.Current() = name;
    m_Output.Current() += SET_SUCCESSFULLY;
    m_Output.Print();
}

void CConsole::RunScript()
{
    m_States[0] = STATE_NONE;
    if (m_ScriptDepth >= MAX_SCRIPT_DEPTH) {
        Report(SCRIPT_TOO_DEEP);
        return;
    }
    const std::string path = std::string(SCRIPT_FOLDER) + m_CommandName;
    const bool opened = ExecuteFile(path.c_str());
    m_States[0] = STATE_NONE;
    Report(opened ? SCRIPT_LOADED : SCRIPT_NOT_FOUND);
}

// The echo goes up among the printed lines, so that Enter on the fresh line
// does not take another.
void CConsole::TakeScreenshot()
{
    m_States[0] = STATE_NONE;
    std::string fileName;
    if (!g_Display.Screenshot(&fileName)) {
        ReportAfter(SCREENSHOT_FAILED);
        return;
    }
    ReportAfter((std::string(SCREENSHOT_WRITTEN) + fileName).c_str());
}

// The display puts the previous mode back itself when it refuses one.
void CConsole::SetDisplayMode()
{
    m_States[0] = STATE_NONE;
    CDisplayMode mode;
    if (!ParseDisplayMode(m_Arguments, mode)) {
        Report(INVALID_DISPLAY_MODE);
        return;
    }
    if (!g_Display.ChangeDisplayMode(mode)) {
        Report(DISPLAY_MODE_REFUSED);
        return;
    }
    m_Output.Print();
}

bool CConsole::ExecuteFile(const char* path)
{
    m_Output.Print();
    std::unique_ptr<FILE, FileCloser> file(Files::Open(path, "rb"));
    if (!file)
        return false;
    ++m_ScriptDepth;
    std::string line;
    bool tooLong = false;
    while (ReadLine(file.get(), line, tooLong)) {
        if (tooLong) {
            Report(LINE_TOO_LONG);
            g_Log.Write((std::string(LINE_TOO_LONG) + " in " + path).c_str());
            break;
        }
        if (line.size() >= SHORTEST_SCRIPT_LINE)
            RunLine(line);
    }
    --m_ScriptDepth;
    // A folder opens but cannot be read.
    return std::ferror(file.get()) == 0;
}

void CConsole::DrawBackground()
{
    if (m_pDevice == nullptr)
        return;
    for (VERTEX_XYZ_DIFFUSE& vertex : m_Background)
        vertex.colour = m_Colour;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    m_pDevice->SetTransform(D3DTS_WORLD, &identity);
    m_pDevice->SetTransform(D3DTS_VIEW, &identity);

    DWORD cullMode = D3DCULL_CCW;
    DWORD colourOp = D3DTOP_MODULATE;
    DWORD alphaOp = D3DTOP_SELECTARG1;
    m_pDevice->GetRenderState(D3DRS_CULLMODE, &cullMode);
    m_pDevice->GetTextureStageState(0, D3DTSS_COLOROP, &colourOp);
    m_pDevice->GetTextureStageState(0, D3DTSS_ALPHAOP, &alphaOp);

    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    m_pDevice->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, PANEL_TRIANGLES, m_Background, sizeof(VERTEX_XYZ_DIFFUSE));

    m_pDevice->SetRenderState(D3DRS_CULLMODE, cullMode);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, colourOp);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void CConsole::DrawText(float frameTime)
{
    m_fBlinkTimer += frameTime;
    const bool cursorShown = m_fBlinkTimer < CURSOR_SHOWN;
    float y = TEXT_TOP;
    for (int32_t i = m_Output.GetFirstShown(); i != m_Output.GetEndMarker(); i = CLineRing::Next(i)) {
        const std::string& line = m_Output.Line(i);
        if (!line.empty())
            g_TextMaster.TextOut(line.c_str(), TEXT_LEFT, y, TEXT_COLOUR, &g_FontVerdana13, -1, false);
        if (i == m_Output.GetCurrentIndex() && cursorShown && g_TextMaster.IsEnabled()) {
            // The cursor stands after the characters before the column.
            char before[CLineRing::MAX_LINE_LENGTH + 1] = {};
            const size_t count = std::min({static_cast<size_t>(std::max(m_Output.m_Column, 0)), line.size(),
                                           static_cast<size_t>(CLineRing::MAX_LINE_LENGTH)});
            line.copy(before, count);
            const float width = g_TextMaster.GetFont(g_FontVerdana13)->GetTextWidth(before);
            g_TextMaster.TextOut(CURSOR_TEXT, TEXT_LEFT + width, y, TEXT_COLOUR, &g_FontVerdana13, -1, false);
        }
        y += TEXT_LINE_HEIGHT;
    }
    if (m_fBlinkTimer >= BLINK_PERIOD)
        m_fBlinkTimer = 0.0f;
}

void CConsole::AddIntegerVariable(const char* name, std::function<void(int32_t)> set)
{
    CConsoleCommand command;
    command.m_Kind = CConsoleCommand::KIND_INTEGER;
    command.m_SetInteger = std::move(set);
    m_Commands.emplace(name, std::move(command));
}

void CConsole::AddFloatVariable(const char* name, std::function<void(float)> set)
{
    CConsoleCommand command;
    command.m_Kind = CConsoleCommand::KIND_FLOAT;
    command.m_SetFloat = std::move(set);
    m_Commands.emplace(name, std::move(command));
}

void CConsole::AddTimeVariable(const char* name, std::function<void(const CConsoleTime&)> set)
{
    CConsoleCommand command;
    command.m_Kind = CConsoleCommand::KIND_TIME;
    command.m_SetTime = std::move(set);
    m_Commands.emplace(name, std::move(command));
}

void CConsole::AddCommand(const char* name, ConsoleFunction function)
{
    CConsoleCommand command;
    command.m_Kind = CConsoleCommand::KIND_FUNCTION;
    command.m_pFunction = function;
    m_Commands.emplace(name, std::move(command));
}

void CConsole::AddCommand(const char* name, ConsoleHandler handler)
{
    CConsoleCommand command;
    command.m_Kind = CConsoleCommand::KIND_HANDLER;
    command.m_pHandler = handler;
    m_Commands.emplace(name, std::move(command));
}

const CConsoleCommand* CConsole::FindCommand(const std::string& name) const
{
    const auto found = m_Commands.find(name);
    return found == m_Commands.end() ? nullptr : &found->second;
}

// In the table's order; the level's RESTART joins after QUIT when it arrives.
void CConsole::RegisterCommands()
{
    AddIntegerVariable("CONSOLECOLOR", [this](int32_t value) { m_Colour = static_cast<uint32_t>(value); });
    AddIntegerVariable("DEBUGMODE", [](int32_t value) { g_Game.m_DebugFlags = static_cast<uint32_t>(value); });
    AddFloatVariable("TIMERATIO", [](float value) { g_GameTimer.SetTimeRatio(value); });
    AddIntegerVariable("PHYSICS", [](int32_t value) { g_Physics.SetEnabled(value != 0); });
    AddTimeVariable("TIME", [](const CConsoleTime& time) {
        g_GameTimer.m_Year = time.m_Year;
        g_GameTimer.m_Days = time.m_Days;
        g_GameTimer.m_Hour = time.m_Hour;
        g_GameTimer.m_Minute = time.m_Minute;
        g_GameTimer.m_fSeconds = time.m_fSeconds;
        g_GameTimer.m_fTimeOfDay = time.m_fTimeOfDay;
    });
    AddCommand("TEST", ConTest);
    AddCommand("QUIT", ConQuit);
    AddCommand("RESTART", ConRestart);
    AddCommand("SICK", ConSick);
    AddCommand("AI", ConAI);
    AddCommand("SPAWN", ConSpawn);
    AddCommand("CCOLOR", ConCarColour);
    AddCommand("CINDEX", ConCarColourIndex);
    AddCommand("CACOLOR", ConAllCarsColour);
    AddCommand("CSPEC", ConCarSpecular);
    AddCommand("CPOWER", ConCarPower);
    AddCommand("ADDCOLOR", ConAddColour);
    AddCommand("SAVECOLORS", ConSaveColours);
    AddCommand("GRAVITY", ConGravity);
    AddCommand("GETPOS", ConGetPos);
    AddCommand("GETPHYSICINFO", ConGetPhysicInfo);
    AddCommand("SETCONTROLLER", ConSetController);
    AddCommand("SETHEALTH", ConSetHealth);
    AddCommand("SETPOS", ConSetPos);
    AddCommand("SETSPEED", ConSetSpeed);
    AddCommand("SETWARNING", ConSetWarning);
    AddCommand("GETSOUND", ConGetSound);
    AddCommand("SETVOLUME", ConSetVolume);
    AddIntegerVariable("CAREDIT", [](int32_t value) { g_CarEditMode = value; });
    AddCommand("GETCAMERAINFO", ConGetCameraInfo);
}
