#pragma once
// A whole .X text file read into a tree of XFileObjects: the top-level data
// objects in file order, each with its children; templates are skipped and
// every reference is resolved. A document only exists when the whole file
// is sound (see DXFile.h for what that guarantees); any fault gives no
// document and an XFileError.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xfile/XFileError.h"
#include "platform/xfile/XFileObject.h"

// No walk from a top-level object down its children and through references
// goes deeper than this, nor visits more objects than the second limit, so
// the recursive walks callers write always end, on a sane stack.
const int XFILE_MAX_DEPTH = 128;
const size_t XFILE_MAX_WALK_OBJECTS = size_t(1) << 20;

class XFileDocument {
public:
    // Reads a file through Files::Open (a game path).
    static std::unique_ptr<XFileDocument> Load(const std::string& gamePath, XFileError& error);
    // Reads a file's whole text, header included.
    static std::unique_ptr<XFileDocument> Parse(std::string_view text, XFileError& error);

    XFileDocument(const XFileDocument&) = delete;
    XFileDocument& operator=(const XFileDocument&) = delete;

    size_t ObjectCount() const { return m_Objects.size(); }
    const XFileObject& Object(size_t index) const { return *m_Objects[index]; }

private:
    XFileDocument() = default;

    std::vector<std::unique_ptr<XFileObject>> m_Objects;
};
