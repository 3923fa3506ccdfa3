#include "Level/Node.h"

namespace {

const char* const KEYWORD_SPEED = "Speed";

} // namespace

bool cRoadnode::ReadRecordProperty(CDataBuffer& reader)
{
    if (!reader.Match(KEYWORD_SPEED))
        return false;
    m_fSpeed = reader.GetFloat();
    return true;
}
