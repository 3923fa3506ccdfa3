#include "platform/xfile/XFileTokenizer.h"

#include <cfloat>
#include <charconv>
#include <cmath>

namespace {

const WORD WORD_MAXIMUM = 0xFFFF;
const DWORD DWORD_MAXIMUM = 0xFFFFFFFFu;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsSeparator(char c)
{
    return c == ',' || c == ';';
}

// Bytes of UTF-8 sequences, which names may hold.
bool IsNonAscii(char c)
{
    const unsigned char FIRST_NON_ASCII = 0x80;
    return static_cast<unsigned char>(c) >= FIRST_NON_ASCII;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsWordChar(char c)
{
    if (IsLetter(c) || IsNonAscii(c) || (c >= '0' && c <= '9'))
        return true;
    return c == '_' || c == '-' || c == '+' || c == '.';
}

bool StartsComment(std::string_view text, size_t at)
{
    if (text[at] == '#')
        return true;
    return text[at] == '/' && at + 1 < text.size() && text[at + 1] == '/';
}

class Splitter {
public:
    Splitter(std::string_view text, std::vector<XFileToken>& tokens, XFileError& error)
        : m_Text(text), m_Tokens(tokens), m_Error(error)
    {
    }

    bool Run()
    {
        while (SkipBlanksAndComments()) {
            if (!SplitOne())
                return false;
        }
        m_Tokens.push_back({XFileTokenKind::End, std::string_view(), m_Line});
        return true;
    }

private:
    // False at the end of the text.
    bool SkipBlanksAndComments()
    {
        while (m_At < m_Text.size()) {
            const char c = m_Text[m_At];
            if (c == '\n')
                ++m_Line;
            if (IsBlank(c) || IsSeparator(c)) {
                ++m_At;
            } else if (StartsComment(m_Text, m_At)) {
                while (m_At < m_Text.size() && m_Text[m_At] != '\n')
                    ++m_At;
            } else {
                return true;
            }
        }
        return false;
    }

    bool SplitOne()
    {
        const char c = m_Text[m_At];
        if (c == '"')
            return Enclosed(XFileTokenKind::String, '"', "a string");
        if (c == '<')
            return Enclosed(XFileTokenKind::Guid, '>', "a GUID");
        if (c == '{')
            return Single(XFileTokenKind::OpenBrace);
        if (c == '}')
            return Single(XFileTokenKind::CloseBrace);
        if (!IsWordChar(c))
            return Single(XFileTokenKind::Other);
        const size_t start = m_At;
        while (m_At < m_Text.size() && IsWordChar(m_Text[m_At]))
            ++m_At;
        m_Tokens.push_back({XFileTokenKind::Word, m_Text.substr(start, m_At - start), m_Line});
        return true;
    }

    bool Single(XFileTokenKind kind)
    {
        m_Tokens.push_back({kind, m_Text.substr(m_At, 1), m_Line});
        ++m_At;
        return true;
    }

    bool Enclosed(XFileTokenKind kind, char close, const char* what)
    {
        const int firstLine = m_Line;
        const size_t start = m_At + 1;
        const size_t end = m_Text.find(close, start);
        if (end == std::string_view::npos) {
            m_Error = {DXFILEERR_PARSEERROR, firstLine, std::string(what) + " is not closed"};
            return false;
        }
        for (size_t at = start; at < end; ++at) {
            if (m_Text[at] == '\n')
                ++m_Line;
        }
        m_Tokens.push_back({kind, m_Text.substr(start, end - start), firstLine});
        m_At = end + 1;
        return true;
    }

    std::string_view m_Text;
    std::vector<XFileToken>& m_Tokens;
    XFileError& m_Error;
    size_t m_At = 0;
    int m_Line = 1;
};

// from_chars takes no leading '+'.
std::string_view WithoutPlus(std::string_view text)
{
    if (text.size() > 1 && text[0] == '+')
        return text.substr(1);
    return text;
}

} // namespace

bool IsXFileIdentifier(const XFileToken& token)
{
    if (token.kind != XFileTokenKind::Word)
        return false;
    const char first = token.text[0];
    return IsLetter(first) || first == '_' || IsNonAscii(first);
}

std::string DescribeXFileToken(const XFileToken& token)
{
    if (token.kind == XFileTokenKind::End)
        return "the end of the file";
    if (token.kind == XFileTokenKind::String)
        return "\"" + std::string(token.text) + "\"";
    return "'" + std::string(token.text) + "'";
}

bool TokenizeXFile(std::string_view text, std::vector<XFileToken>& tokens, XFileError& error)
{
    return Splitter(text, tokens, error).Run();
}

XFileTokenCursor::XFileTokenCursor(const std::vector<XFileToken>& tokens, XFileError& error)
    : m_Tokens(tokens), m_Error(error)
{
}

const XFileToken& XFileTokenCursor::Next()
{
    const XFileToken& token = m_Tokens[m_Position];
    if (token.kind != XFileTokenKind::End)
        ++m_Position;
    return token;
}

bool XFileTokenCursor::AtValue() const
{
    const XFileToken& token = Peek();
    if (token.kind == XFileTokenKind::String)
        return true;
    return token.kind == XFileTokenKind::Word && !IsXFileIdentifier(token);
}

bool XFileTokenCursor::Fail(HRESULT result, const std::string& message)
{
    return FailAtLine(Peek().line, result, message);
}

bool XFileTokenCursor::FailAtLine(int line, HRESULT result, const std::string& message)
{
    if (m_Error.result == DXFILE_OK)
        m_Error = {result, line, message};
    return false;
}

bool XFileTokenCursor::ReadUnsigned(DWORD& value, DWORD maximum, const char* what)
{
    const XFileToken& token = Peek();
    if (token.kind != XFileTokenKind::Word)
        return Fail(DXFILEERR_PARSEERROR, std::string("expected ") + what + ", found " + DescribeXFileToken(token));
    const std::string_view text = WithoutPlus(token.text);
    unsigned long long parsed = 0;
    const std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return Fail(DXFILEERR_PARSEERROR, std::string("expected ") + what + ", found " + DescribeXFileToken(token));
    if (parsed > maximum)
        return Fail(DXFILEERR_BADVALUE, DescribeXFileToken(token) + " is too large for " + what);
    value = static_cast<DWORD>(parsed);
    Next();
    return true;
}

bool XFileTokenCursor::ReadWord(WORD& value)
{
    DWORD wide = 0;
    if (!ReadUnsigned(wide, WORD_MAXIMUM, "a WORD"))
        return false;
    value = static_cast<WORD>(wide);
    return true;
}

bool XFileTokenCursor::ReadDword(DWORD& value)
{
    return ReadUnsigned(value, DWORD_MAXIMUM, "a DWORD");
}

bool XFileTokenCursor::ReadFloat(float& value)
{
    const XFileToken& token = Peek();
    if (token.kind != XFileTokenKind::Word)
        return Fail(DXFILEERR_PARSEERROR, "expected a number, found " + DescribeXFileToken(token));
    const std::string_view text = WithoutPlus(token.text);
    double parsed = 0.0;
    const std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return Fail(DXFILEERR_PARSEERROR, "expected a number, found " + DescribeXFileToken(token));
    if (!std::isfinite(parsed) || std::fabs(parsed) > FLT_MAX)
        return Fail(DXFILEERR_BADVALUE, DescribeXFileToken(token) + " is not a finite float");
    value = static_cast<float>(parsed);
    Next();
    return true;
}

bool XFileTokenCursor::ReadString(std::string& value)
{
    const XFileToken& token = Peek();
    if (token.kind != XFileTokenKind::String)
        return Fail(DXFILEERR_PARSEERROR, "expected a quoted string, found " + DescribeXFileToken(token));
    value = std::string(token.text);
    Next();
    return true;
}

bool XFileTokenCursor::ReadCount(DWORD& count, size_t tokensPerItem, const char* what)
{
    const int line = Peek().line;
    if (!ReadDword(count))
        return false;
    if (static_cast<unsigned long long>(count) * tokensPerItem <= Remaining())
        return true;
    return FailAtLine(line, DXFILEERR_BADARRAYSIZE,
                      std::to_string(count) + " " + what + " announced, more than the rest of the file holds");
}
