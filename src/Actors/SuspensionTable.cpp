#include "Actors/SuspensionTable.h"

#include "Actors/CountedList.h"
#include "Core/DataBuffer.h"

namespace {

const char* const BLOCK_KIND = "Car";
const char* const KEYWORD_NUMBER_OF_SUSPENSION = "NumberOfSuspension";
const char* const KEYWORD_SUSPENSION_SPRING = "SuspensionSpring";
const char* const KEYWORD_SUSPENSION_DAMPER = "SuspensionDamper";
const char* const KEYWORD_SUSPENSION_TARGET = "SuspensionTarget";

float ReadOptional(CDataBuffer& reader, const char* keyword)
{
    return reader.Match(keyword) ? reader.GetFloat() : 0.0f;
}

} // namespace

void CSuspensionTable::Read(CDataBuffer& reader, const std::string& carName)
{
    const uint32_t count = ReadListCount(reader, BLOCK_KIND, carName, KEYWORD_NUMBER_OF_SUSPENSION);
    m_Springs.clear();
    for (uint32_t i = 0; i < count; ++i) {
        RequireListValue(reader, BLOCK_KIND, carName, KEYWORD_NUMBER_OF_SUSPENSION);
        NxSpringDesc spring;
        spring.spring = ReadOptional(reader, KEYWORD_SUSPENSION_SPRING);
        spring.damper = ReadOptional(reader, KEYWORD_SUSPENSION_DAMPER);
        spring.targetValue = ReadOptional(reader, KEYWORD_SUSPENSION_TARGET);
        m_Springs.push_back(spring);
    }
}

NxMaterialIndex CSuspensionTable::GetTireMaterial(uint32_t type, uint32_t suspension) const
{
    if (suspension >= GetCount())
        return 0;
    const size_t position = GetMaterialPosition(type, suspension);
    return position < m_Materials.size() ? m_Materials[position] : 0;
}
