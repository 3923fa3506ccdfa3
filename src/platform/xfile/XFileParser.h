#pragma once
// Builds the object tree from the words of a .X text: templates skipped,
// data objects with their members, children and references, then every
// reference resolved to the first data object of that name in the file.

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/xfile/XFileObject.h"
#include "platform/xfile/XFileTokenizer.h"

class XFileParser {
public:
    XFileParser(const std::vector<XFileToken>& tokens, XFileError& error);

    // The top-level data objects; false with the fault recorded.
    bool Parse(std::vector<std::unique_ptr<XFileObject>>& objects);

private:
    bool SkipTemplate();
    std::unique_ptr<XFileObject> ParseDataObject(int depth);
    bool ParseDataParts(XFileObject& object, int line, int depth);
    std::unique_ptr<XFileObject> ParseReference();
    bool ResolveReferences();

    XFileTokenCursor m_Cursor;
    // The first data object of each name, in file order.
    std::unordered_map<std::string, const XFileObject*> m_Named;
    std::vector<XFileObject*> m_References;
};
