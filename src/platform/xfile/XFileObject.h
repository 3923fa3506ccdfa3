#pragma once
// One object of a .X file as a plain tree node: a data object (its template
// type, its name, its data and its children) or a reference to a data object
// by name. A document owns the tree; references point into it.

#include <memory>
#include <string>
#include <vector>

#include "platform/xfile/XFileTypes.h"

class XFileObject {
public:
    // A data object; `name` is empty for an unnamed one.
    XFileObject(std::string typeName, std::string name, int line);
    // A reference to the data object named `targetName`.
    static std::unique_ptr<XFileObject> MakeReference(std::string targetName, int line);

    XFileObject(const XFileObject&) = delete;
    XFileObject& operator=(const XFileObject&) = delete;

    bool IsReference() const { return m_IsReference; }
    // The type as written ("Mesh", "VertexDuplicationIndices"); empty for a reference.
    const std::string& TypeName() const { return m_TypeName; }
    XFileTemplate Template() const { return m_Template; }
    // Its own name, or for a reference the name it refers to; empty when unnamed.
    const std::string& Name() const { return m_Name; }
    // The line of the text the object starts on.
    int Line() const { return m_Line; }

    size_t ChildCount() const { return m_Children.size(); }
    const XFileObject& Child(size_t index) const { return *m_Children[index]; }

    // The data object this stands for: itself, or the object a reference
    // resolves to (never null once the document has loaded).
    const XFileObject* Resolved() const { return m_IsReference ? m_Target : this; }

    // The typed data, or null when the object holds another template's data.
    // Use: `if (const XFileMesh* mesh = object.As<XFileMesh>()) ...`
    template <class T>
    const T* As() const { return std::get_if<T>(&m_Value); }
    const XFileValue& Value() const { return m_Value; }

    // The data in the packed binary layout that DirectX File hands out (DXFile.h).
    const std::vector<BYTE>& PackedData() const { return m_PackedData; }

    // Building, by the parser only.
    void SetValue(XFileValue value);
    void AddChild(std::unique_ptr<XFileObject> child);
    void SetTarget(const XFileObject* target) { m_Target = target; }

private:
    bool m_IsReference = false;
    std::string m_TypeName;
    XFileTemplate m_Template = XFileTemplate::Unknown;
    std::string m_Name;
    int m_Line = 0;
    std::vector<std::unique_ptr<XFileObject>> m_Children;
    const XFileObject* m_Target = nullptr;
    XFileValue m_Value;
    // Holds pointers into m_Value's strings, so m_Value never changes after packing.
    std::vector<BYTE> m_PackedData;
};
