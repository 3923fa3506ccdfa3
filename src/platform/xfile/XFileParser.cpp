#include "platform/xfile/XFileParser.h"

#include "platform/xfile/XFileDataReader.h"
#include "platform/xfile/XFileDocument.h"

namespace {

const char TEMPLATE_KEYWORD[] = "template";

} // namespace

XFileParser::XFileParser(const std::vector<XFileToken>& tokens, XFileError& error) : m_Cursor(tokens, error) {}

bool XFileParser::Parse(std::vector<std::unique_ptr<XFileObject>>& objects)
{
    while (!m_Cursor.AtEnd()) {
        const XFileToken& token = m_Cursor.Peek();
        if (token.kind == XFileTokenKind::Word && token.text == TEMPLATE_KEYWORD) {
            if (!SkipTemplate())
                return false;
            continue;
        }
        if (!IsXFileIdentifier(token))
            return m_Cursor.Fail(DXFILEERR_PARSEERROR, "expected an object, found " + DescribeXFileToken(token));
        std::unique_ptr<XFileObject> object = ParseDataObject(1);
        if (!object)
            return false;
        objects.push_back(std::move(object));
    }
    return ResolveReferences();
}

// Templates only describe layouts the reader already knows.
bool XFileParser::SkipTemplate()
{
    const int line = m_Cursor.Next().line;
    if (!IsXFileIdentifier(m_Cursor.Next()) || m_Cursor.Next().kind != XFileTokenKind::OpenBrace)
        return m_Cursor.FailAtLine(line, DXFILEERR_PARSEERROR, "a template needs a name and '{'");
    int open = 1;
    while (open > 0) {
        const XFileToken& token = m_Cursor.Next();
        if (token.kind == XFileTokenKind::End)
            return m_Cursor.FailAtLine(line, DXFILEERR_PARSEERROR, "the template is not closed");
        if (token.kind == XFileTokenKind::OpenBrace)
            ++open;
        if (token.kind == XFileTokenKind::CloseBrace)
            --open;
    }
    return true;
}

// Type [name] [<guid>] { [<guid>] members children }
std::unique_ptr<XFileObject> XFileParser::ParseDataObject(int depth)
{
    const XFileToken& type = m_Cursor.Next();
    std::string name;
    if (m_Cursor.Peek().kind == XFileTokenKind::Word)
        name = std::string(m_Cursor.Next().text);
    if (m_Cursor.Peek().kind == XFileTokenKind::Guid)
        m_Cursor.Next();
    if (m_Cursor.Peek().kind != XFileTokenKind::OpenBrace) {
        m_Cursor.Fail(DXFILEERR_PARSEERROR, "expected '{' after " + DescribeXFileToken(type) + ", found " +
                                                DescribeXFileToken(m_Cursor.Peek()));
        return nullptr;
    }
    if (depth > XFILE_MAX_DEPTH) {
        m_Cursor.Fail(DXFILEERR_PARSEERROR, "objects nest deeper than " + std::to_string(XFILE_MAX_DEPTH));
        return nullptr;
    }
    m_Cursor.Next();
    if (m_Cursor.Peek().kind == XFileTokenKind::Guid)
        m_Cursor.Next();

    auto object = std::make_unique<XFileObject>(std::string(type.text), name, type.line);
    if (!name.empty())
        m_Named.emplace(name, object.get());
    XFileValue value;
    if (!ReadXFileTemplateData(object->Template(), m_Cursor, value))
        return nullptr;
    object->SetValue(std::move(value));
    if (!ParseDataParts(*object, type.line, depth))
        return nullptr;
    return object;
}

// What follows the members, up to the closing brace: child objects and
// references, and for types the reader does not know, their values too.
bool XFileParser::ParseDataParts(XFileObject& object, int line, int depth)
{
    const bool unknown = object.Template() == XFileTemplate::Unknown;
    for (;;) {
        const XFileToken& token = m_Cursor.Peek();
        switch (token.kind) {
        case XFileTokenKind::CloseBrace:
            m_Cursor.Next();
            return true;
        case XFileTokenKind::End:
            return m_Cursor.FailAtLine(line, DXFILEERR_PARSEERROR,
                                       "the '{' of " + object.TypeName() + " is not closed");
        case XFileTokenKind::OpenBrace: {
            std::unique_ptr<XFileObject> reference = ParseReference();
            if (!reference)
                return false;
            m_References.push_back(reference.get());
            object.AddChild(std::move(reference));
            break;
        }
        case XFileTokenKind::Word:
        case XFileTokenKind::String:
            if (IsXFileIdentifier(token)) {
                std::unique_ptr<XFileObject> child = ParseDataObject(depth + 1);
                if (!child)
                    return false;
                object.AddChild(std::move(child));
            } else if (unknown) {
                m_Cursor.Next();
            } else {
                return m_Cursor.Fail(DXFILEERR_BADARRAYSIZE, object.TypeName() +
                                                                 " holds more data than its template: " +
                                                                 DescribeXFileToken(token));
            }
            break;
        default:
            return m_Cursor.Fail(DXFILEERR_PARSEERROR,
                                 "unexpected " + DescribeXFileToken(token) + " in " + object.TypeName());
        }
    }
}

// { name [<guid>] }
std::unique_ptr<XFileObject> XFileParser::ParseReference()
{
    const int line = m_Cursor.Next().line;
    if (m_Cursor.Peek().kind == XFileTokenKind::Guid) {
        m_Cursor.Fail(DXFILEERR_BADDATAREFERENCE, "references by GUID alone are not read");
        return nullptr;
    }
    if (m_Cursor.Peek().kind != XFileTokenKind::Word) {
        m_Cursor.Fail(DXFILEERR_PARSEERROR, "expected the name of a referenced object, found " +
                                                DescribeXFileToken(m_Cursor.Peek()));
        return nullptr;
    }
    std::string name(m_Cursor.Next().text);
    if (m_Cursor.Peek().kind == XFileTokenKind::Guid)
        m_Cursor.Next();
    if (m_Cursor.Next().kind != XFileTokenKind::CloseBrace) {
        m_Cursor.FailAtLine(line, DXFILEERR_PARSEERROR, "the reference to " + name + " is not closed");
        return nullptr;
    }
    return XFileObject::MakeReference(std::move(name), line);
}

bool XFileParser::ResolveReferences()
{
    for (XFileObject* reference : m_References) {
        const auto found = m_Named.find(reference->Name());
        if (found == m_Named.end())
            return m_Cursor.FailAtLine(reference->Line(), DXFILEERR_BADDATAREFERENCE,
                                       "no object is named " + reference->Name());
        reference->SetTarget(found->second);
    }
    return true;
}
