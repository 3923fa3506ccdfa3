#include "platform/xfile/XFileObject.h"

#include "platform/xfile/XFilePacking.h"

XFileObject::XFileObject(std::string typeName, std::string name, int line)
    : m_TypeName(std::move(typeName))
    , m_Template(XFileTemplateFromName(m_TypeName))
    , m_Name(std::move(name))
    , m_Line(line)
{
}

std::unique_ptr<XFileObject> XFileObject::MakeReference(std::string targetName, int line)
{
    auto reference = std::make_unique<XFileObject>(std::string(), std::move(targetName), line);
    reference->m_IsReference = true;
    return reference;
}

void XFileObject::SetValue(XFileValue value)
{
    m_Value = std::move(value);
    m_PackedData = PackXFileValue(m_Value);
}

void XFileObject::AddChild(std::unique_ptr<XFileObject> child)
{
    m_Children.push_back(std::move(child));
}
