#include "platform/xfile/XFileDocument.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "platform/files/Files.h"
#include "platform/xfile/XFileParser.h"
#include "platform/xfile/XFileTokenizer.h"
#include "platform/xfile/XFileValidation.h"

namespace {

// "xof 0302txt 0032": magic, major and minor version, format, float size,
// four characters each.
const size_t FIELD_SIZE = 4;
const size_t VERSION_AT = 4;
const size_t FORMAT_AT = 8;
const size_t FLOAT_SIZE_AT = 12;
const size_t HEADER_SIZE = 16;
const int HEADER_LINE = 1;
const std::string_view MAGIC = "xof ";
const std::string_view TEXT_FORMAT = "txt ";
const std::string_view VERSIONS[] = {"0302", "0303"};
const std::string_view FLOAT_SIZES[] = {"0032", "0064"};
const size_t READ_CHUNK = 16 * 1024;

bool IsVersion(std::string_view field)
{
    return std::find(std::begin(VERSIONS), std::end(VERSIONS), field) != std::end(VERSIONS);
}

bool IsFloatSize(std::string_view field)
{
    return std::find(std::begin(FLOAT_SIZES), std::end(FLOAT_SIZES), field) != std::end(FLOAT_SIZES);
}

bool CheckHeader(std::string_view text, XFileError& error)
{
    if (text.size() < HEADER_SIZE || text.substr(0, MAGIC.size()) != MAGIC) {
        error = {DXFILEERR_BADFILETYPE, HEADER_LINE, "not a .X file"};
        return false;
    }
    const std::string_view version = text.substr(VERSION_AT, FIELD_SIZE);
    const std::string_view format = text.substr(FORMAT_AT, FIELD_SIZE);
    const std::string_view floatSize = text.substr(FLOAT_SIZE_AT, FIELD_SIZE);
    if (!IsVersion(version)) {
        error = {DXFILEERR_BADFILEVERSION, HEADER_LINE, "unknown .X version " + std::string(version)};
        return false;
    }
    if (format != TEXT_FORMAT) {
        error = {DXFILEERR_BADFILETYPE, HEADER_LINE, "only text .X files are read, not '" + std::string(format) + "'"};
        return false;
    }
    if (!IsFloatSize(floatSize)) {
        error = {DXFILEERR_BADFILEFLOATSIZE, HEADER_LINE, "unknown float size " + std::string(floatSize)};
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& gamePath, std::string& text)
{
    std::FILE* file = Files::Open(gamePath, "rb");
    if (file == nullptr)
        return false;
    char chunk[READ_CHUNK];
    size_t read = 0;
    while ((read = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        text.append(chunk, read);
    const bool complete = std::ferror(file) == 0;
    std::fclose(file);
    return complete;
}

} // namespace

std::unique_ptr<XFileDocument> XFileDocument::Load(const std::string& gamePath, XFileError& error)
{
    std::string text;
    if (!ReadWholeFile(gamePath, text)) {
        error = {DXFILEERR_FILENOTFOUND, 0, "cannot read " + gamePath};
        return nullptr;
    }
    return Parse(text, error);
}

std::unique_ptr<XFileDocument> XFileDocument::Parse(std::string_view text, XFileError& error)
{
    error = XFileError();
    if (!CheckHeader(text, error))
        return nullptr;
    std::vector<XFileToken> tokens;
    if (!TokenizeXFile(text.substr(HEADER_SIZE), tokens, error))
        return nullptr;
    std::unique_ptr<XFileDocument> document(new XFileDocument());
    if (!XFileParser(tokens, error).Parse(document->m_Objects))
        return nullptr;
    if (!ValidateXFileObjects(document->m_Objects, error))
        return nullptr;
    return document;
}
