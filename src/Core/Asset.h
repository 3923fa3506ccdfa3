#pragma once

#include <cstddef>
#include <string>

class CDataBuffer;

// One row of a keyword-to-value table that script readers turn keywords into
// values with; a table ends at the row whose value is 0.
struct EnumName {
    const char* m_Name;
    int m_Value;
};

// The asset types a block may declare with "Asset_Type".
enum {
    ASSET_TYPE_NULL = 0,
    ASSET_TYPE_LEVEL = 1,
    ASSET_TYPE_MENU = 2,
    ASSET_TYPE_GAME = 4,
};
extern const EnumName ASSET_TYPES[];

// The row of the first `count` rows of `table` named exactly `name` (case
// counts), or null. The count is given because name tables begin with their
// 0 row.
const EnumName* FindEnumRow(const std::string& name, const EnumName* table, size_t count);
// That row's value; 0 when the name is not in the table.
int FindEnumValue(const std::string& name, const EnumName* table, size_t count);

// Base of every object a script defines. A block is its keyword, the name,
// then properties until one is not recognised: that token is the next block's
// keyword. Every asset class names itself with a stable class name, under
// which the asset manager files it.
class CAsset {
public:
    virtual ~CAsset() = default;

    virtual bool Load(CDataBuffer& reader) = 0;
    // Reads one property; classes try their own keywords first and end with the base.
    virtual bool ReadProperty(CDataBuffer& reader);
    virtual bool Validate();
    // Why the last Load failed inside a file the block names, for the
    // loader's message: that file, the line where known, and the reason.
    // Empty when the block itself is at fault.
    virtual std::string GetLoadFailure() const { return std::string(); }
    // The class's stable name, for example "CTexture"; the store files by it.
    virtual const char* GetClassName() const = 0;

    const std::string& GetName() const { return m_Name; }

    // The common block: its keyword, the name, then properties until one is
    // declined (that token starts the next block), then Validate.
    bool ReadBlock(CDataBuffer& reader, const char* keyword);
    int GetAssetType() const { return m_AssetType; }

    std::string m_Name;

protected:
    int m_AssetType = ASSET_TYPE_NULL;
};
