#include "Game/HUD.h"

#include <iterator>
#include <string>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Core/Log.h"
#include "Core/ScriptFile.h"
#include "Core/StepTrace.h"
#include "Display/Texture.h"

namespace {

const char* const HUD_SCRIPT = "Scripts\\HUD.txt";
const char* const KEYWORD_HUD_OBJECT = "HUDObject";
const char* const KEYWORD_CONVERSATION = "ConversationInterface";
const char* const KEYWORD_TEXTURE = "Texture";
const char* const KEYWORD_POSITION = "Position";
const char* const KEYWORD_SCALE = "Scale";
const char* const KEYWORD_COLOR = "Color";

// In the order of CHUD::Element.
const char* const ELEMENT_NAMES[] = {
    "RPM", "MPH", "Needle", "Map", "Position", "CheckPointDot", "WarningStar", "MapNorth", "MapAlpha",
};
static_assert(std::size(ELEMENT_NAMES) == CHUD::HUD_ELEMENT_COUNT, "one name per element");

// The needle turns about the middle of its 128-pixel dial.
const D3DXVECTOR2 NEEDLE_PIVOT(64.0f, 64.0f);

int FindElement(const std::string& name)
{
    for (int element = 0; element < CHUD::HUD_ELEMENT_COUNT; ++element) {
        if (IsEqualNoCase(name.c_str(), ELEMENT_NAMES[element]))
            return element;
    }
    return -1;
}

// The conversation window reads its own words; until it exists they are
// passed over up to the next element.
void SkipConversationWords(CDataBuffer& reader)
{
    while (!reader.IsEndOfBuffer() && !IsEqualNoCase(reader.PeekString().c_str(), KEYWORD_HUD_OBJECT))
        reader.NextToken();
}

} // namespace

CHUD::CHUD()
{
    m_Elements[HUD_NEEDLE].m_vPosition = NEEDLE_PIVOT;
}

void CHUD::Load(CGameActor* player)
{
    CScriptFile reader(HUD_SCRIPT);
    while (!reader.IsEndOfBuffer()) {
        if (reader.Match(KEYWORD_HUD_OBJECT)) {
            ReadElement(reader);
        } else if (reader.Match(KEYWORD_CONVERSATION)) {
            SkipConversationWords(reader);
        } else {
            // A word the HUD does not know is passed over.
            reader.NextToken();
        }
    }
    // The mark's place was written from the minimap's corner.
    m_Elements[HUD_POSITION].m_vPosition += m_Elements[HUD_MAP_NORTH].m_vPosition;
    m_pPlayer = player;
}

void CHUD::ReadElement(CDataBuffer& reader)
{
    const std::string name = reader.GetString();
    const int index = FindElement(name);
    // An element the HUD does not have still has its words read.
    HUDObject ignored;
    if (index < 0)
        g_Log.Write(std::string(HUD_SCRIPT) + ": no HUD element " + name + ", its words are passed over");
    HUDObject& element = index >= 0 ? m_Elements[index] : ignored;
    if (reader.Match(KEYWORD_TEXTURE)) {
        CTexture* texture = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), texture, true);
        element.m_pTexture = texture;
    }
    if (reader.Match(KEYWORD_POSITION))
        element.m_vPosition = reader.GetVector2();
    if (reader.Match(KEYWORD_SCALE))
        element.m_vScale = reader.GetVector2();
    if (reader.Match(KEYWORD_COLOR))
        element.m_Color = reader.GetInt();
}

void CHUD::Draw()
{
    TraceStep("CHUD::Draw");
}

void CHUD::RenderMiniMap()
{
    TraceStep("CHUD::RenderMiniMap");
}
