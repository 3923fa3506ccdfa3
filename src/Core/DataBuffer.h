#pragma once
// The tokenising reader behind every text script. A script is read and cut
// into tokens once; loaders then walk the tokens with typed reads and
// keyword tests that ignore case.
//
// Tokens are cut at the separators (outside quotes) and at line ends; ';'
// starts a comment up to the end of the line, even inside quotes; '"' toggles
// quoting, which only protects separators; "`n" stands for a newline inside a
// token. A carriage return counts as a line end.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx8/D3DX8Math.h"

// The separators of every script but the cinema scripts.
inline constexpr char SCRIPT_SEPARATORS[] = ":,\t ";
// The cinema scripts also cut at parentheses.
inline constexpr char CINEMA_SCRIPT_SEPARATORS[] = "():,\t ";

// True when the two strings are equal, ASCII letters compared without case.
bool IsEqualNoCase(const char* a, const char* b);

class CDataBuffer {
public:
    CDataBuffer();
    ~CDataBuffer();
    CDataBuffer(const CDataBuffer& other) = default;
    CDataBuffer& operator=(const CDataBuffer& other) = default;

    // Reads and cuts the whole file. False when this reader already holds a
    // file or the file cannot be read.
    bool Init(const std::string& path, const char* separators);
    void Clear();
    void Rewind();

    // Cuts `length` bytes of script text with the current separators,
    // replacing any tokens held, and puts the cursor on the first token.
    // False, nothing held, when the text is too long for 32-bit cursors.
    bool Tokenise(const char* text, size_t length);
    // Adds each character of `separators` to the separator set.
    void SetSeparators(const char* separators);

    // Raised once the cursor has stepped past the last token.
    bool IsEndOfBuffer() const { return m_bAtEnd; }

    void NextToken();
    // Steps past the current token when it is `keyword` (ignoring case).
    bool Match(const char* keyword);
    bool Match(const std::string& keyword);
    // The loop condition "until the closing keyword": true while the current
    // token differs; on the keyword it steps past it and gives false. Both
    // are false at the end, so a script missing its closing keyword ends the
    // loop instead of spinning on the empty end token.
    bool NotMatch(const char* keyword);
    bool NotMatch(const std::string& keyword);
    bool IsNotChar(char c) const;
    // Moves the cursor to the next byte equal to `c`; false, cursor kept,
    // when there is none or the reader is at its end.
    bool SkipToChar(char c);

    // Each read takes the current token and steps past it. A token that is
    // no number reads as 0; past the end reads give 0 or "".
    uint32_t GetInt();
    uint16_t GetShort();
    int32_t GetInteger();
    float GetFloat();
    D3DXVECTOR2 GetVector2();
    D3DXVECTOR3 GetVector3();
    // Written alpha, red, green, blue in scripts.
    D3DXCOLOR GetColor();
    // Sixteen numbers, row by row.
    D3DXMATRIX GetMatrix();
    std::string GetString();
    std::string PeekString() const;
    // "True"/"False" ignoring case, or a token starting with '1'/'0';
    // anything else is a fatal script error.
    bool PeekBool() const;
    bool GetBool();

private:
    // What a script byte does to the token being cut.
    enum CharAction : uint8_t {
        CHAR_WRITE,
        CHAR_END_TOKEN,
        CHAR_COMMENT,
        CHAR_QUOTE,
        CHAR_ESCAPE,
    };
    static const int BYTE_VALUES = 256;
    typedef std::array<CharAction, BYTE_VALUES> ActionTable;

    const char* CurrentToken() const;
    void BuildActionTable(ActionTable& table, bool quoting) const;
    void CutTokens(size_t length);

    // Every token followed by its NUL, then one more NUL so that the cursor
    // resting at the end reads an empty token. Empty when no file is held.
    std::vector<char> m_Data;
    bool m_bAtEnd;
    // Bytes of token data, the terminators included but not the final NUL.
    uint32_t m_Size;
    std::array<bool, BYTE_VALUES> m_IsSeparator;
    uint32_t m_Cursor;
};
