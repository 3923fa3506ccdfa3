#include "Game/ConversationWindow.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Display/Display.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/Conversation.h"
#include "Game/ConversationManager.h"
#include "Game/HUD.h"
#include "Input/InputManager.h"
#include "Level/GameTimer.h"
#include "Sound/Sound.h"

namespace {

const char* const ACTION_ENTER = "Cell_Enter";
const char* const ACTION_UP = "Cell_Up";
const char* const ACTION_DOWN = "Cell_Down";

// The virtual screen the sprite scales are given in.
const float VIRTUAL_WIDTH = 640.0f;
const float VIRTUAL_HEIGHT = 480.0f;
// The background holds its lines and one more above and below.
const float FRAME_LINES = 2.0f;
const float MARK_INSET = 1.5f;
const float COLOUR_FACTOR = 1.0f / 255.0f;
// An answer after the first starts after this blank line.
const char* const BLANK_LINE = " ";

const D3DXVECTOR2 OUTPUT_POSITION(0.1f, 0.05f);
const D3DXVECTOR2 OUTPUT_SCALE(16.0f, 2.0f);
const uint32_t OUTPUT_SLOTS = 3;
const D3DXVECTOR2 INPUT_POSITION(0.0f, 0.68f);
const D3DXVECTOR2 INPUT_SCALE(15.0f, 4.7f);
const uint32_t INPUT_SLOTS = 6;

// The slots' font; null before there is a device to make it on.
const CFont2D* SlotFont()
{
    if (g_Display.GetD3DDevice() == nullptr)
        return nullptr;
    return g_TextMaster.GetFont(g_FontVerdana13);
}

uint32_t ColourByte(float component)
{
    return static_cast<uint32_t>(std::clamp(component, 0.0f, 1.0f) * 255.0f + 0.5f);
}

D3DCOLOR PackColour(const float rgba[4])
{
    return (ColourByte(rgba[3]) << 24) | (ColourByte(rgba[0]) << 16) | (ColourByte(rgba[1]) << 8) |
           ColourByte(rgba[2]);
}

// "a r g b", each 0..255, as floats r, g, b, a.
void ReadColour(CDataBuffer& reader, float rgba[4])
{
    const float alpha = static_cast<float>(reader.GetInt()) * COLOUR_FACTOR;
    for (int i = 0; i < 3; ++i)
        rgba[i] = static_cast<float>(reader.GetInt()) * COLOUR_FACTOR;
    rgba[3] = alpha;
}

uint32_t ReadPackedColour(CDataBuffer& reader)
{
    uint32_t packed = 0;
    for (int i = 0; i < 4; ++i)
        packed = (packed << 8) | (reader.GetInt() & 0xFFu);
    return packed;
}

const CTexture* ReadTexture(CDataBuffer& reader)
{
    std::string name = reader.GetString();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    CTexture* texture = nullptr;
    g_AssetManager.GetAsset(name, texture, true);
    return texture;
}

IDirect3DTexture8* DeviceTexture(const CTexture* texture)
{
    return texture != nullptr ? texture->GetTexture() : nullptr;
}

// Called from the sound update on the game's thread.
signed char VoiceEnded(FSOUND_STREAM* stream, void*, int, void* userData)
{
    auto* window = static_cast<CConversationWindow*>(userData);
    // The end of a voice already replaced says nothing of the current one.
    if (stream == window->m_pVoice)
        window->m_bVoiceDone = 1;
    return 1;
}

const CConversationInput g_GameInput;

} // namespace

bool CConversationInput::WasReleased(const char* action) const
{
    return g_InputManager.WasReleased(g_InputManager.FindAction(action, CInputManager::BUTTON_ACTION));
}

ConversationTextWindow::ConversationTextWindow(uint32_t slots, float x, float y, float scaleX, float scaleY)
    : m_uSlots(slots), m_vScale(scaleX, scaleY), m_vPosition(x, y), m_SlotTexts(slots)
{
    for (CText& text : m_SlotTexts)
        text.Setup("", x, y, 0xFFFFFFFF, &g_FontVerdana13, true);
}

void ConversationTextWindow::Measure()
{
    const CFont2D* font = SlotFont();
    if (font == nullptr)
        return;
    const float width = font->GetTextWidth("A");
    const float height = font->GetTextHeight("A");
    // A font that is not ready measures 0; the last sizes stand.
    if (width <= 0.0f || height <= 0.0f)
        return;
    m_fCharWidth = width;
    m_fLineHeight = height;
}

D3DXVECTOR2 ConversationTextWindow::LowerRight() const
{
    if (m_pTexture == nullptr)
        return m_vPosition;
    return D3DXVECTOR2(m_vPosition.x + m_pTexture->GetWidth() * m_vScale.x / VIRTUAL_WIDTH,
                       m_vPosition.y + m_pTexture->GetHeight() * m_vScale.y / VIRTUAL_HEIGHT);
}

void ConversationTextWindow::Layout()
{
    Measure();
    const float w = m_fCharWidth;
    const float h = m_fLineHeight;
    if (m_pTexture != nullptr && m_pTexture->GetHeight() > 0)
        m_vScale.y = (static_cast<float>(m_uSlots) + FRAME_LINES) * h * VIRTUAL_HEIGHT / m_pTexture->GetHeight();
    for (uint32_t i = 0; i < m_uSlots; ++i)
        m_SlotTexts[i].SetPosition(m_vPosition.x + 0.5f * w, m_vPosition.y + (static_cast<float>(i) + 0.5f) * h);
    if (m_pMoreTexture != nullptr && m_pMoreTexture->GetWidth() > 0 && m_pMoreTexture->GetHeight() > 0) {
        m_vMoreScale = D3DXVECTOR2(w * VIRTUAL_WIDTH / m_pMoreTexture->GetWidth(),
                                   h * VIRTUAL_HEIGHT / m_pMoreTexture->GetHeight());
        m_vMorePosition = LowerRight() - D3DXVECTOR2(MARK_INSET * w, MARK_INSET * h);
    }
    Highlight(0, 0);
}

void ConversationTextWindow::SplitIntoLines(const char* text)
{
    const float startWidth = m_vPosition.x + 0.5f * m_fCharWidth;
    const float maxWidth = std::fabs(LowerRight().x - m_vPosition.x) - 0.5f * m_fCharWidth;
    const size_t first = m_Lines.size();
    SplitTextIntoLines(text, SlotFont(), startWidth, maxWidth, m_Lines);
    // A line after a newline in the text begins with it; in a slot of its
    // own the newline would only push it onto the next slot.
    for (size_t i = first; i < m_Lines.size(); ++i) {
        if (!m_Lines[i].empty() && m_Lines[i][0] == '\n')
            m_Lines[i].erase(0, 1);
    }
}

void ConversationTextWindow::SetText(const char* text)
{
    m_Lines.clear();
    // The font may have been made again since (a device reset).
    Layout();
    SplitIntoLines(text);
    m_uLinesShown = 0;
    m_bComplete = 0;
    for (CText& slot : m_SlotTexts)
        slot.SetString("");
    ShowNextPage();
}

uint32_t ConversationTextWindow::AppendText(const char* text, bool newPage)
{
    while (newPage && m_uSlots > 0 && m_Lines.size() % m_uSlots != 0)
        m_Lines.emplace_back(BLANK_LINE);
    const uint32_t start = GetLineCount();
    SplitIntoLines(text);
    m_bComplete = 0;
    return start;
}

uint32_t ConversationTextWindow::PageOf(uint32_t line) const
{
    if (m_uSlots == 0 || m_Lines.empty())
        return 0;
    return std::min(line, GetLineCount() - 1) / m_uSlots;
}

uint32_t ConversationTextWindow::ShowNextPage()
{
    const uint32_t count = GetLineCount();
    if (m_uLinesShown < count) {
        const uint32_t first = m_uLinesShown;
        for (uint32_t i = 0; i < m_uSlots; ++i)
            m_SlotTexts[i].SetString(first + i < count ? m_Lines[first + i].c_str() : "");
        m_uLinesShown = std::min(count, first + m_uSlots);
    }
    if (m_uLinesShown >= count)
        m_bComplete = 1;
    return m_uLinesShown > 0 ? PageOf(m_uLinesShown - 1) : 0;
}

void ConversationTextWindow::ShowPreviousPageAgain()
{
    m_uLinesShown = m_uLinesShown > m_uSlots ? m_uLinesShown - m_uSlots : 0;
    ShowNextPage();
}

void ConversationTextWindow::Highlight(uint32_t first, uint32_t count)
{
    const D3DCOLOR text = PackColour(m_TextColour);
    const D3DCOLOR selection = PackColour(m_SelectionColour);
    const uint32_t pageStart = m_uLinesShown > 0 ? PageOf(m_uLinesShown - 1) * m_uSlots : 0;
    for (uint32_t i = 0; i < m_uSlots; ++i) {
        const uint32_t line = pageStart + i;
        const bool selected = line >= first && line - first < count;
        CText& slot = m_SlotTexts[i];
        slot.Setup(slot.GetString(), slot.GetX(), slot.GetY(), selected ? selection : text, &g_FontVerdana13,
                   true);
    }
}

void ConversationTextWindow::Draw() const
{
    if (m_bShown == 0)
        return;
    if (m_pTexture != nullptr)
        DrawSprite(DeviceTexture(m_pTexture), m_vPosition, m_vScale, nullptr, 0.0f, nullptr, PackColour(m_Colour));
    if (m_bComplete == 0 && m_pMoreTexture != nullptr)
        DrawSprite(DeviceTexture(m_pMoreTexture), m_vMorePosition, m_vMoreScale, nullptr, 0.0f, nullptr,
                   m_MoreColour);
    for (const CText& slot : m_SlotTexts)
        slot.Draw();
}

CConversationWindow::CConversationWindow()
    : m_OutputWindow(OUTPUT_SLOTS, OUTPUT_POSITION.x, OUTPUT_POSITION.y, OUTPUT_SCALE.x, OUTPUT_SCALE.y),
      m_InputWindow(INPUT_SLOTS, INPUT_POSITION.x, INPUT_POSITION.y, INPUT_SCALE.x, INPUT_SCALE.y)
{
}

void CConversationWindow::SetInput(const CConversationInput* input)
{
    m_pInput = input;
}

bool CConversationWindow::Released(const char* action) const
{
    return (m_pInput != nullptr ? *m_pInput : g_GameInput).WasReleased(action);
}

void CConversationWindow::ReadInterface(CDataBuffer& reader)
{
    for (;;) {
        if (reader.Match("OutputWindow"))
            ReadWindow(reader, m_OutputWindow);
        else if (reader.Match("InputWindow"))
            ReadWindow(reader, m_InputWindow);
        else
            return;
    }
}

void CConversationWindow::ReadWindow(CDataBuffer& reader, ConversationTextWindow& window)
{
    while (!reader.IsEndOfBuffer()) {
        if (reader.Match("Texture"))
            window.m_pTexture = ReadTexture(reader);
        else if (reader.Match("MoreTextTexture"))
            window.m_pMoreTexture = ReadTexture(reader);
        else if (reader.Match("Color"))
            ReadColour(reader, window.m_Colour);
        else if (reader.Match("TextColor"))
            ReadColour(reader, window.m_TextColour);
        else if (reader.Match("TextSelectionColor"))
            ReadColour(reader, window.m_SelectionColour);
        else if (reader.Match("MoreTextColor"))
            window.m_MoreColour = ReadPackedColour(reader);
        else if (reader.Match("Position"))
            window.m_vPosition = reader.GetVector2();
        else if (reader.Match("Scale"))
            window.m_vScale = reader.GetVector2();
        else
            break;
    }
    window.Layout();
}

void CConversationWindow::StartConversation(const char* fileName, bool endPrevious)
{
    SetConversation(g_ConversationManager.GetConversation(fileName, g_GameTimer.GetTimeOfDay()), endPrevious);
}

void CConversationWindow::SetConversation(CConversation* conversation, bool endPrevious)
{
    if (m_pConversation != nullptr && endPrevious)
        m_pConversation->ApplyChangeState();
    m_pConversation = conversation;
    m_uSelected = 0;
    const bool hasOutputs = conversation != nullptr && conversation->GetOutputCount() > 0;
    const bool hasInputs = conversation != nullptr && conversation->GetInputCount() > 0;
    m_OutputWindow.m_bShown = hasOutputs ? 1 : 0;
    m_InputWindow.m_bShown = !hasOutputs && hasInputs ? 1 : 0;
    m_bOpen = hasOutputs || hasInputs ? 1 : 0;
    m_bActive = m_bOpen;
    CloseVoice();
    m_bOutputRead = 1;
    m_bInputRead = 1;
    Refresh();
}

bool CConversationWindow::HasInputs() const
{
    return m_pConversation != nullptr && m_pConversation->GetInputCount() > 0;
}

void CConversationWindow::Refresh()
{
    m_PendingVoices.clear();
    m_AnswerRanges.clear();
    m_InputWindow.Highlight(0, 0);
    // The new branch may have fewer answers than the last one.
    m_uSelected = 0;
    if (m_pConversation == nullptr)
        return;
    RefreshOutputs();
    RefreshInputs();
}

void CConversationWindow::RefreshOutputs()
{
    const uint32_t outputs = m_pConversation->GetOutputCount();
    if (outputs == 0)
        return;
    m_OutputWindow.SetText(m_pConversation->GetOutputText(0));
    for (uint32_t i = 1; i < outputs; ++i) {
        const uint32_t start = m_OutputWindow.AppendText(m_pConversation->GetOutputText(i), true);
        m_PendingVoices.push_back({m_OutputWindow.PageOf(start), i});
    }
    if (outputs > 1)
        m_OutputWindow.ShowPreviousPageAgain();
    const StringTableEntry* entry = nullptr;
    m_pConversation->GetOutputText(0, &entry);
    PlayVoice(entry != nullptr ? entry->m_Sound.c_str() : "");
    m_bOutputRead = 0;
}

void CConversationWindow::RefreshInputs()
{
    const uint32_t inputs = m_pConversation->GetInputCount();
    if (inputs == 0)
        return;
    m_InputWindow.SetText(m_pConversation->GetInputText(0));
    m_AnswerRanges.push_back({0, m_InputWindow.GetLineCount()});
    for (uint32_t i = 1; i < inputs; ++i) {
        m_InputWindow.AppendText(BLANK_LINE, false);
        const uint32_t start = m_InputWindow.AppendText(m_pConversation->GetInputText(i), false);
        m_AnswerRanges.push_back({start, m_InputWindow.GetLineCount() - start});
    }
    if (inputs > 1)
        m_InputWindow.ShowPreviousPageAgain();
    HighlightSelection();
}

void CConversationWindow::HighlightSelection()
{
    if (m_uSelected >= m_AnswerRanges.size()) {
        m_InputWindow.Highlight(0, 0);
        return;
    }
    const AnswerRange& range = m_AnswerRanges[m_uSelected];
    m_InputWindow.Highlight(range.m_uFirst, range.m_uCount);
}

void CConversationWindow::HandleInput()
{
    if (m_bActive == 0 || m_pConversation == nullptr)
        return;
    if (Released(ACTION_ENTER))
        EnterPressed();
    // Entering may have ended the conversation.
    const uint32_t answers = m_pConversation != nullptr ? m_pConversation->GetInputCount() : 0;
    if (answers == 0)
        return;
    if (Released(ACTION_UP)) {
        m_uSelected = m_uSelected == 0 || m_uSelected >= answers ? answers - 1 : m_uSelected - 1;
        HighlightSelection();
    } else if (Released(ACTION_DOWN)) {
        m_uSelected = m_uSelected + 1 >= answers ? 0 : m_uSelected + 1;
        HighlightSelection();
    }
}

void CConversationWindow::EnterPressed()
{
    if (m_bVoiceDone == 0) {
        CloseVoice();
        return;
    }
    if (m_OutputWindow.m_bShown != 0 && m_InputWindow.m_bShown == 0) {
        if (m_OutputWindow.m_bComplete != 0) {
            m_OutputWindow.m_bShown = 0;
            m_bActive = 0;
            EndConversation();
            return;
        }
        PageOutput();
        return;
    }
    if (m_InputWindow.m_bShown != 0) {
        // Taken already: Advance carries it out once its voice is done.
        if (m_bInputRead == 0)
            return;
        const StringTableEntry* entry = nullptr;
        m_pConversation->GetInputText(m_uSelected, &entry);
        PlayVoice(entry != nullptr ? entry->m_Sound.c_str() : "");
        m_bInputRead = 0;
        m_bOpen = 0;
        return;
    }
    m_bActive = 0;
}

void CConversationWindow::PageOutput()
{
    const uint32_t page = m_OutputWindow.ShowNextPage();
    if (!m_PendingVoices.empty() && m_PendingVoices.front().m_uPage == page) {
        const StringTableEntry* entry = nullptr;
        m_pConversation->GetOutputText(m_PendingVoices.front().m_uOutput, &entry);
        PlayVoice(entry != nullptr ? entry->m_Sound.c_str() : "");
        m_bOutputRead = 0;
        m_PendingVoices.pop_front();
    }
    if (m_OutputWindow.m_bComplete != 0 && HasInputs())
        m_InputWindow.m_bShown = 1;
}

void CConversationWindow::Advance()
{
    if (m_pConversation == nullptr) {
        m_bActive = 0;
        return;
    }
    if (m_bActive == 0)
        return;
    const CGameActor* player = g_HUD.GetPlayer();
    const bool inCar = player != nullptr && player->m_pCar != nullptr;
    g_HUD.m_bShowNeedles = m_InputWindow.m_bShown != 0 && inCar ? 0 : 1;
    if (m_OutputWindow.m_bShown != 0 && m_bOutputRead == 0 && m_bVoiceDone != 0) {
        if (m_OutputWindow.m_bComplete != 0 && HasInputs())
            m_InputWindow.m_bShown = 1;
        m_bOutputRead = 1;
    }
    if (m_InputWindow.m_bShown == 0 || m_bInputRead != 0 || m_bVoiceDone == 0)
        return;
    m_bInputRead = 1;
    m_bOpen = 1;
    m_pConversation->ChooseInput(m_uSelected);
    if (m_pConversation->GetOutputCount() > 0) {
        m_InputWindow.m_bShown = 0;
        m_OutputWindow.m_bShown = 1;
        Refresh();
    } else if (!HasInputs()) {
        m_InputWindow.m_bShown = 0;
        m_OutputWindow.m_bShown = 0;
        m_bActive = 0;
        EndConversation();
    } else {
        Refresh();
    }
}

void CConversationWindow::EndConversation()
{
    CloseVoice();
    if (m_pConversation != nullptr)
        m_pConversation->ApplyChangeState();
    m_pConversation = nullptr;
    g_HUD.m_bShowNeedles = 1;
}

void CConversationWindow::Draw()
{
    if (m_bOpen == 0 || m_bActive == 0 || m_pConversation == nullptr)
        return;
    m_OutputWindow.Draw();
    m_InputWindow.Draw();
}

void CConversationWindow::PlayVoice(const char* fileName)
{
    CloseVoice();
    if (fileName == nullptr || fileName[0] == '\0')
        return;
    m_pVoice = g_Sound.PlayStream(fileName, VoiceEnded, this);
    if (m_pVoice != nullptr)
        m_bVoiceDone = 0;
}

void CConversationWindow::CloseVoice()
{
    if (m_pVoice != nullptr)
        g_Sound.CloseStream(m_pVoice);
    m_pVoice = nullptr;
    m_bVoiceDone = 1;
}
