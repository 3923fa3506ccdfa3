#include "Core/DataBuffer.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Core/FatalError.h"
#include "platform/files/Files.h"

namespace {

// Cursors and sizes are 32-bit.
const size_t MAX_SCRIPT_BYTES = UINT32_MAX - 2;
// The last token's terminator and the end guard.
const size_t TOKEN_DATA_EXTRA_BYTES = 2;
const size_t READ_CHUNK_BYTES = 64 * 1024;
const int BINARY_BASE = 2;
const int DECIMAL_BASE = 10;
const int AUTOMATIC_BASE = 0;
const double LARGEST_FLOAT = FLT_MAX;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

const char* SkipSpace(const char* text)
{
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    return text;
}

// Scripts are ASCII whatever the locale says.
char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// "0x", "0X", "0b", ...: `letter` in lower case.
bool HasRadixPrefix(const char* text, char letter)
{
    return text[0] == '0' && AsciiLower(text[1]) == letter;
}

// The game's C library had a 32-bit unsigned long: a magnitude too large for
// it saturates, and a minus sign gives the two's complement.
uint32_t ToUnsigned32(const char* text, int base)
{
    text = SkipSpace(text);
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    // A second sign or a blank after the sign is no number.
    if (!IsDigit(*text))
        return 0;
    // Newer C libraries read "0b101" as binary; the game's read it as 0.
    if (base == AUTOMATIC_BASE && HasRadixPrefix(text, 'b'))
        return 0;

    const unsigned long long magnitude = std::strtoull(text, nullptr, base);
    if (magnitude > UINT32_MAX)
        return UINT32_MAX;
    const uint32_t value = static_cast<uint32_t>(magnitude);
    return negative ? 0u - value : value;
}

int32_t ToSigned32(const char* text)
{
    const long long value = std::strtoll(text, nullptr, DECIMAL_BASE);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Decimal numbers only: "inf", "nan" and hexadecimal floats read as 0, as
// they did for the game's C library. A number beyond the float range (a typo
// such as "1e300") becomes the largest float of its sign, never infinity.
float ToFloat(const char* text)
{
    const char* digits = SkipSpace(text);
    if (*digits == '+' || *digits == '-')
        ++digits;
    const bool startsNumber = IsDigit(digits[0]) || (digits[0] == '.' && IsDigit(digits[1]));
    if (!startsNumber || HasRadixPrefix(digits, 'x'))
        return 0.0f;
    const double value = std::strtod(text, nullptr);
    return static_cast<float>(std::max(-LARGEST_FLOAT, std::min(LARGEST_FLOAT, value)));
}

// Skips past the end of the line (a line feed or a carriage return).
const char* SkipLine(const char* p, const char* end)
{
    while (p < end) {
        const char c = *p++;
        if (c == '\n' || c == '\r')
            break;
    }
    return p;
}

// The whole file as bytes; false when it cannot be opened or read.
bool ReadFile(const std::string& path, std::vector<char>& bytes)
{
    std::unique_ptr<FILE, FileCloser> file(Files::Open(path, "rb"));
    if (!file)
        return false;

    // The length is only a hint for one read: what fread delivers counts.
    // Room for the terminator and the guard is reserved with it, so the
    // tokens are cut in this same block.
    size_t chunk = READ_CHUNK_BYTES;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long length = std::ftell(file.get());
        if (length > 0 && static_cast<unsigned long>(length) <= MAX_SCRIPT_BYTES) {
            chunk = static_cast<size_t>(length) + 1;
            bytes.reserve(static_cast<size_t>(length) + TOKEN_DATA_EXTRA_BYTES);
        }
    }
    std::rewind(file.get());

    for (;;) {
        const size_t used = bytes.size();
        bytes.resize(used + chunk);
        const size_t got = std::fread(bytes.data() + used, 1, chunk, file.get());
        bytes.resize(used + got);
        if (bytes.size() > MAX_SCRIPT_BYTES)
            return false;
        if (got < chunk)
            break;
        chunk = READ_CHUNK_BYTES;
    }
    return std::ferror(file.get()) == 0;
}

} // namespace

bool IsEqualNoCase(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr)
        return a == b;
    for (;; ++a, ++b) {
        const char ca = AsciiLower(*a);
        const char cb = AsciiLower(*b);
        if (ca != cb)
            return false;
        if (ca == '\0')
            return true;
    }
}

CDataBuffer::CDataBuffer()
    : m_bAtEnd(false), m_Size(0), m_Cursor(0)
{
    m_IsSeparator.fill(false);
}

CDataBuffer::~CDataBuffer()
{
    Clear();
}

bool CDataBuffer::Init(const std::string& path, const char* separators)
{
    if (!m_Data.empty())
        return false;

    std::vector<char> bytes;
    if (!ReadFile(path, bytes))
        return false;

    SetSeparators(separators);
    m_Data.swap(bytes);
    CutTokens(m_Data.size());
    return true;
}

void CDataBuffer::Clear()
{
    std::vector<char>().swap(m_Data);
    m_bAtEnd = false;
    m_Size = 0;
    m_IsSeparator.fill(false);
    m_Cursor = 0;
}

void CDataBuffer::Rewind()
{
    m_Cursor = 0;
    m_bAtEnd = false;
}

void CDataBuffer::SetSeparators(const char* separators)
{
    if (separators == nullptr)
        return;
    for (const char* s = separators; *s != '\0'; ++s)
        m_IsSeparator[static_cast<unsigned char>(*s)] = true;
}

void CDataBuffer::BuildActionTable(ActionTable& table, bool quoting) const
{
    for (int c = 0; c < BYTE_VALUES; ++c) {
        CharAction action = CHAR_WRITE;
        if (m_IsSeparator[c] && !quoting)
            action = CHAR_END_TOKEN;
        // A NUL byte would split the token data where no token ends.
        else if (c == '\n' || c == '\r' || c == '\0')
            action = CHAR_END_TOKEN;
        else if (c == ';')
            action = CHAR_COMMENT;
        else if (c == '"')
            action = CHAR_QUOTE;
        else if (c == '`')
            action = CHAR_ESCAPE;
        table[c] = action;
    }
}

bool CDataBuffer::Tokenise(const char* text, size_t length)
{
    std::vector<char>().swap(m_Data);
    m_Size = 0;
    Rewind();
    if (length > MAX_SCRIPT_BYTES)
        return false;

    m_Data.reserve(length + TOKEN_DATA_EXTRA_BYTES);
    m_Data.assign(text, text + length);
    CutTokens(length);
    return true;
}

// Cuts the script text that fills m_Data in place: every script byte writes
// at most one byte, so the write position never passes the read position.
void CDataBuffer::CutTokens(size_t length)
{
    ActionTable plain;
    ActionTable quoted;
    BuildActionTable(plain, false);
    BuildActionTable(quoted, true);
    const CharAction* actions = plain.data();

    m_Data.resize(length + TOKEN_DATA_EXTRA_BYTES);
    char* const begin = m_Data.data();
    char* out = begin;
    bool tokenEnded = true;
    const char* p = begin;
    const char* const end = begin + length;

    while (p < end) {
        const unsigned char c = static_cast<unsigned char>(*p++);
        switch (actions[c]) {
        case CHAR_WRITE:
            *out++ = static_cast<char>(c);
            while (p < end && actions[static_cast<unsigned char>(*p)] == CHAR_WRITE)
                *out++ = *p++;
            tokenEnded = false;
            break;
        case CHAR_COMMENT:
            p = SkipLine(p, end);
            [[fallthrough]];
        case CHAR_END_TOKEN:
            if (!tokenEnded) {
                *out++ = '\0';
                tokenEnded = true;
            }
            break;
        case CHAR_QUOTE:
            actions = actions == plain.data() ? quoted.data() : plain.data();
            break;
        case CHAR_ESCAPE:
            if (p < end && (*p == 'n' || *p == 'N')) {
                ++p;
                *out++ = '\n';
            } else {
                *out++ = '`';
            }
            tokenEnded = false;
            break;
        }
    }

    // The last token's terminator; a script without tokens still gets its
    // one empty token.
    if (!tokenEnded || out == begin)
        *out++ = '\0';
    m_Size = static_cast<uint32_t>(out - begin);
    *out = '\0';
    m_Data.resize(m_Size + 1);
    m_Cursor = 0;
    m_bAtEnd = false;
}

const char* CDataBuffer::CurrentToken() const
{
    return m_Data.empty() ? "" : m_Data.data() + m_Cursor;
}

void CDataBuffer::NextToken()
{
    if (m_Cursor < m_Size)
        m_Cursor += static_cast<uint32_t>(std::strlen(CurrentToken())) + 1;
    if (m_Cursor >= m_Size) {
        m_Cursor = m_Size;
        m_bAtEnd = true;
    }
}

bool CDataBuffer::Match(const char* keyword)
{
    if (m_bAtEnd || !IsEqualNoCase(CurrentToken(), keyword))
        return false;
    NextToken();
    return true;
}

bool CDataBuffer::Match(const std::string& keyword)
{
    return Match(keyword.c_str());
}

bool CDataBuffer::NotMatch(const char* keyword)
{
    // Past the end no closing keyword can come: end the caller's loop.
    if (m_bAtEnd)
        return false;
    return !Match(keyword);
}

bool CDataBuffer::NotMatch(const std::string& keyword)
{
    return NotMatch(keyword.c_str());
}

bool CDataBuffer::IsNotChar(char c) const
{
    return *CurrentToken() != c;
}

bool CDataBuffer::SkipToChar(char c)
{
    if (m_bAtEnd || m_Cursor >= m_Size)
        return false;
    const void* found = std::memchr(m_Data.data() + m_Cursor, c, m_Size - m_Cursor);
    if (found == nullptr)
        return false;
    m_Cursor = static_cast<uint32_t>(static_cast<const char*>(found) - m_Data.data());
    return true;
}

uint32_t CDataBuffer::GetInt()
{
    const char* token = CurrentToken();
    const uint32_t value = (token[0] == 'b' || token[0] == 'B')
        ? ToUnsigned32(token + 1, BINARY_BASE)
        : ToUnsigned32(token, AUTOMATIC_BASE);
    NextToken();
    return value;
}

uint16_t CDataBuffer::GetShort()
{
    return static_cast<uint16_t>(GetInt());
}

int32_t CDataBuffer::GetInteger()
{
    const int32_t value = ToSigned32(CurrentToken());
    NextToken();
    return value;
}

float CDataBuffer::GetFloat()
{
    const float value = ToFloat(CurrentToken());
    NextToken();
    return value;
}

D3DXVECTOR2 CDataBuffer::GetVector2()
{
    D3DXVECTOR2 v;
    v.x = GetFloat();
    v.y = GetFloat();
    return v;
}

D3DXVECTOR3 CDataBuffer::GetVector3()
{
    D3DXVECTOR3 v;
    v.x = GetFloat();
    v.y = GetFloat();
    v.z = GetFloat();
    return v;
}

D3DXCOLOR CDataBuffer::GetColor()
{
    D3DXCOLOR color;
    color.a = GetFloat();
    color.r = GetFloat();
    color.g = GetFloat();
    color.b = GetFloat();
    return color;
}

D3DXMATRIX CDataBuffer::GetMatrix()
{
    D3DXMATRIX m;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col)
            m.m[row][col] = GetFloat();
    }
    return m;
}

std::string CDataBuffer::GetString()
{
    std::string token = CurrentToken();
    NextToken();
    return token;
}

std::string CDataBuffer::PeekString() const
{
    return CurrentToken();
}

bool CDataBuffer::PeekBool() const
{
    const char* token = CurrentToken();
    if (IsEqualNoCase(token, "True") || token[0] == '1')
        return true;
    if (IsEqualNoCase(token, "False") || token[0] == '0')
        return false;
    FatalError("CDataBuffer::GetBool, could not interpret script file: <%s>", token);
}

bool CDataBuffer::GetBool()
{
    const bool value = PeekBool();
    NextToken();
    return value;
}
