#include "Core/Asset.h"

#include "Core/DataBuffer.h"
#include "Core/FatalError.h"

const EnumName ASSET_TYPES[] = {
    {"Game", ASSET_TYPE_GAME},
    {"Level", ASSET_TYPE_LEVEL},
    {"Menu", ASSET_TYPE_MENU},
    {"NULL", ASSET_TYPE_NULL},
};

namespace {

const char* const KEYWORD_NAME = "Name";
const char* const KEYWORD_BREAK = "*break";
const char* const KEYWORD_ASSET_TYPE = "Asset_Type";

} // namespace

const EnumName* FindEnumRow(const std::string& name, const EnumName* table, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (name == table[i].m_Name)
            return &table[i];
    return nullptr;
}

int FindEnumValue(const std::string& name, const EnumName* table, size_t count)
{
    const EnumName* row = FindEnumRow(name, table, count);
    return row != nullptr ? row->m_Value : 0;
}

bool CAsset::ReadProperty(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_NAME)) {
        m_Name = reader.GetString();
        return true;
    }
    // A developer's stop mark: the block ends here.
    if (reader.Match(KEYWORD_BREAK))
        return false;
    if (!reader.Match(KEYWORD_ASSET_TYPE))
        return false;

    for (const EnumName* row = ASSET_TYPES; row->m_Value != ASSET_TYPE_NULL; ++row) {
        if (reader.Match(row->m_Name)) {
            m_AssetType = row->m_Value;
            return true;
        }
    }
    FatalError("Unknown Asset Type: <%s>. Forget to add it to ASSET_TYPES in Asset.h?",
               reader.PeekString().c_str());
}

bool CAsset::ReadBlock(CDataBuffer& reader, const char* keyword)
{
    if (!reader.Match(keyword))
        return false;
    m_Name = reader.GetString();
    while (!reader.IsEndOfBuffer() && ReadProperty(reader)) {
    }
    return Validate();
}

bool CAsset::Validate()
{
    return !m_Name.empty() && m_AssetType != ASSET_TYPE_NULL;
}
