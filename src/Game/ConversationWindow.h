#pragma once
// The window the HUD shows a mission's conversations in: an output window
// with the partner's lines, a few at a time with a more-text mark, each line's
// voice playing when its page comes up, and an input window listing the
// player's answers with the selected one highlighted. "Cell_Enter" pages and
// answers, "Cell_Up" and "Cell_Down" move the selection (both wrap).
//
// Its look comes from the "ConversationInterface" block of "Scripts\HUD.txt":
//   OutputWindow | InputWindow   then, in any order, until another word:
//       Texture name              the background (names are lower-cased)
//       MoreTextTexture name      the mark shown while text remains
//       Color a r g b             the background's colour, each 0..255
//       TextColor a r g b
//       TextSelectionColor a r g b
//       MoreTextColor a r g b
//       Position x y              the top-left corner, fractions of the screen
//       Scale x y                 the background's; its y is worked out to hold
//                                 the lines plus two

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "Display/Text.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "platform/fsound/FSound.h"

class CConversation;
class CDataBuffer;
class CFont2D;
class CTexture;

// Where the window learns what the player released this frame; tests put
// their own in its place.
class CConversationInput {
public:
    virtual ~CConversationInput() = default;
    virtual bool WasReleased(const char* action) const;
};

// One window: a background, a few line slots and the text paged through them.
class ConversationTextWindow {
public:
    ConversationTextWindow(uint32_t slots, float x, float y, float scaleX, float scaleY);

    // Measures a line in the slots' font and places the background, the
    // slots and the mark from it.
    void Layout();
    // Replaces the text and shows its first page.
    void SetText(const char* text);
    // Adds `text` after the lines held, from the next page when `newPage` is
    // set. The line index at which it starts.
    uint32_t AppendText(const char* text, bool newPage);
    // Fills the slots with the next lines, if any remain. The page now visible.
    uint32_t ShowNextPage();
    // Goes back one page (not before the first) and shows it again.
    void ShowPreviousPageAgain();
    // The slots showing lines [first, first + count) take the selection
    // colour, the others the text colour.
    void Highlight(uint32_t first, uint32_t count);
    void Draw() const;

    uint32_t GetLineCount() const { return static_cast<uint32_t>(m_Lines.size()); }
    // The page a line falls on, the last line's for one beyond the end.
    uint32_t PageOf(uint32_t line) const;

    uint32_t m_uSlots;
    uint32_t m_uLinesShown = 0;
    D3DXVECTOR2 m_vMorePosition = D3DXVECTOR2(0.0f, 0.0f);
    D3DXVECTOR2 m_vMoreScale = D3DXVECTOR2(1.0f, 1.0f);
    uint32_t m_MoreColour = 0xFFFFFFFF;
    // Observers: textures are assets.
    const CTexture* m_pTexture = nullptr;
    const CTexture* m_pMoreTexture = nullptr;
    float m_Colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float m_TextColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float m_SelectionColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    D3DXVECTOR2 m_vScale;
    D3DXVECTOR2 m_vPosition;
    uint8_t m_bShown = 0;
    uint8_t m_bComplete = 0;
    std::vector<CText> m_SlotTexts;
    std::vector<std::string> m_Lines;
    // A line's size in the slots' font, fractions of the screen.
    float m_fLineHeight = 0.0390625f;
    float m_fCharWidth = 0.0234375f;

private:
    // w and h from "A"; kept when the font is not ready.
    void Measure();
    // The background's lower-right corner; the position without a background.
    D3DXVECTOR2 LowerRight() const;
    void SplitIntoLines(const char* text);
};

class CConversationWindow {
public:
    CConversationWindow();
    CConversationWindow(const CConversationWindow&) = delete;
    CConversationWindow& operator=(const CConversationWindow&) = delete;

    // Reads "OutputWindow" and "InputWindow" blocks until neither follows.
    void ReadInterface(CDataBuffer& reader);

    // Shows `conversation` (null: none), ending the one shown when `endPrevious` is set.
    void SetConversation(CConversation* conversation, bool endPrevious);
    // The conversation of `fileName` valid at the game's time of day.
    void StartConversation(const char* fileName, bool endPrevious);

    // The HUD's three steps of every frame, in this order.
    void HandleInput();
    void Advance();
    void Draw();

    // Null to read the game's input again; not owned.
    void SetInput(const CConversationInput* input);

    // Read by the missions; one that breaks a conversation off sets its state
    // and calls SetConversation(nullptr, false).
    CConversation* m_pConversation = nullptr;
    ConversationTextWindow m_OutputWindow;
    ConversationTextWindow m_InputWindow;
    uint8_t m_bOpen = 1;
    uint8_t m_bActive = 1;
    FSOUND_STREAM* m_pVoice = nullptr;
    // Set by the voice stream's end.
    uint8_t m_bVoiceDone = 1;
    uint8_t m_bOutputRead = 1;
    uint8_t m_bInputRead = 1;

    struct PendingVoice {
        uint32_t m_uPage;
        uint32_t m_uOutput;
    };
    std::deque<PendingVoice> m_PendingVoices;
    struct AnswerRange {
        uint32_t m_uFirst;
        uint32_t m_uCount;
    };
    std::vector<AnswerRange> m_AnswerRanges;
    uint32_t m_uSelected = 0;

private:
    void ReadWindow(CDataBuffer& reader, ConversationTextWindow& window);
    void Refresh();
    void RefreshOutputs();
    void RefreshInputs();
    void HighlightSelection();
    bool Released(const char* action) const;
    void EnterPressed();
    void PageOutput();
    // Ends the conversation shown: its change of state, no pointer kept.
    void EndConversation();
    void PlayVoice(const char* fileName);
    void CloseVoice();
    bool HasInputs() const;

    const CConversationInput* m_pInput = nullptr;
};
