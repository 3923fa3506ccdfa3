#include "Game/MissionIntro.h"

namespace {

const char* const KEYWORD_NORMAL_PED = "AINormalPed";

} // namespace

bool CMissionIntro::ParsePre(CDataBuffer& reader)
{
    reader.Match(KEYWORD_NORMAL_PED);
    return CMission::ParsePre(reader);
}
