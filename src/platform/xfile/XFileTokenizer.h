#pragma once
// The words of a .X text and a cursor that reads template members from them.
// Commas and semicolons only separate values, and exporters disagree on where
// they put them, so they are dropped here: the templates alone say how many
// values come next.

#include <string>
#include <string_view>
#include <vector>

#include "platform/xfile/XFileError.h"

enum class XFileTokenKind {
    Word,        // a name or a number: letters, digits, '_', '-', '+', '.'
    String,      // "text", without its quotes
    Guid,        // <...>, without its brackets
    OpenBrace,
    CloseBrace,
    Other,       // any other single character ('[' in templates, stray bytes)
    End,
};

struct XFileToken {
    XFileTokenKind kind;
    std::string_view text;  // a view into the text that was split
    int line;
};

// Splits `text` (the file after its header), dropping blanks, separators and
// comments ("//" or "#" to the end of the line). Always ends with an End
// token. Fails on a string or GUID that is not closed.
bool TokenizeXFile(std::string_view text, std::vector<XFileToken>& tokens, XFileError& error);

// A word that starts like a name (a letter, '_' or a non-ASCII byte), as
// object types and child object names do; numbers do not.
bool IsXFileIdentifier(const XFileToken& token);

// The token as a message shows it: 'word', "string" or "the end of the file".
std::string DescribeXFileToken(const XFileToken& token);

// Reads tokens in order and records the first fault.
class XFileTokenCursor {
public:
    XFileTokenCursor(const std::vector<XFileToken>& tokens, XFileError& error);

    const XFileToken& Peek() const { return m_Tokens[m_Position]; }
    // The current token, stepping past it (the End token is never passed).
    const XFileToken& Next();
    bool AtEnd() const { return Peek().kind == XFileTokenKind::End; }
    // A number or a string: something a template member can be read from
    // (a name starts a child object instead).
    bool AtValue() const;
    // Tokens left before the end; no array can hold more items than this.
    size_t Remaining() const { return m_Tokens.size() - 1 - m_Position; }

    // Records the fault (the first one wins) at the current token's line, or
    // at `line`; false.
    bool Fail(HRESULT result, const std::string& message);
    bool FailAtLine(int line, HRESULT result, const std::string& message);

    bool ReadWord(WORD& value);
    bool ReadDword(DWORD& value);
    bool ReadFloat(float& value);
    bool ReadString(std::string& value);
    // An array's item count, refused when the rest of the text cannot hold
    // that many items of at least `tokensPerItem` tokens each.
    bool ReadCount(DWORD& count, size_t tokensPerItem, const char* what);

private:
    bool ReadUnsigned(DWORD& value, DWORD maximum, const char* what);

    const std::vector<XFileToken>& m_Tokens;
    size_t m_Position = 0;
    XFileError& m_Error;
};
