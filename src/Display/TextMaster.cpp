#include "Display/TextMaster.h"

#include "Core/FatalError.h"
#include "Display/Display.h"
#include "Display/RenderStates.h"

namespace {

// A prepared string that no text call asked for in this many text passes is
// dropped, so that strings that change every frame (timers, speeds) do not
// pile up; the check runs once every CHECK_PASSES passes.
const uint32_t IDLE_PASSES = 120;
const uint32_t CHECK_PASSES = 60;
// The spare entries made up front, each with room for a string this long:
// enough for the strings that change in two idle periods of play.
const size_t SPARE_PREPARED = 32;
const size_t SPARE_TEXT_LENGTH = 16;

} // namespace

CTextMaster::CTextMaster(CFontRasteriser* rasteriser) : m_pRasteriser(rasteriser)
{
    Reset();
    m_Spare.reserve(SPARE_PREPARED);
    for (size_t i = 0; i < SPARE_PREPARED; ++i)
        m_Spare.push_back(MakeEntry(SPARE_TEXT_LENGTH));
}

CTextMaster::~CTextMaster()
{
    Reset();
}

void CTextMaster::Enable()
{
    m_bEnabled = true;
    m_bReady = true;
}

CFont2D* CTextMaster::GetFont(const CFontDesc& desc)
{
    for (const std::unique_ptr<CFont2D>& font : m_Fonts) {
        if (font->Matches(desc))
            return font.get();
    }
    auto font = std::make_unique<CFont2D>(m_pRasteriser);
    if (!font->Init(desc))
        FatalError("CTextMaster::TextOut Unable to intialize font \"%s\"", desc.m_FaceName.c_str());
    m_Fonts.push_back(std::move(font));
    return m_Fonts.back().get();
}

CPreparedText* CTextMaster::FindOrPrepare(CFont2D* font, const char* text)
{
    const std::pair<const CFont2D*, std::string_view> key(font, text);
    auto found = m_Prepared.find(key);
    if (found != m_Prepared.end())
        return found->second.get();
    PreparedMap::node_type entry = TakeSpare();
    CPreparedText& prepared = *entry.mapped();
    if (!font->BuildText(text, *prepared.m_pQuads)) {
        KeepSpare(std::move(entry));
        return nullptr;
    }
    entry.key().first = font;
    entry.key().second.assign(text);
    prepared.m_Text.assign(text);
    prepared.m_pFont = font;
    return m_Prepared.insert(std::move(entry)).position->second.get();
}

CTextMaster::PreparedMap::node_type CTextMaster::MakeEntry(size_t length)
{
    auto prepared = std::make_unique<CPreparedText>();
    prepared->m_pQuads = std::make_unique<CTextQuads>();
    prepared->m_pQuads->m_Vertices.reserve(length * CFont2D::VERTICES_PER_GLYPH);
    prepared->m_Text.reserve(length);
    PreparedKey key;
    key.second.reserve(length);
    PreparedMap made;
    made.emplace(std::move(key), std::move(prepared));
    return made.extract(made.begin());
}

CTextMaster::PreparedMap::node_type CTextMaster::TakeSpare()
{
    if (m_Spare.empty())
        return MakeEntry(0);
    PreparedMap::node_type spare = std::move(m_Spare.back());
    m_Spare.pop_back();
    return spare;
}

void CTextMaster::KeepSpare(PreparedMap::node_type spare)
{
    if (m_Spare.size() < m_Spare.capacity())
        m_Spare.push_back(std::move(spare));
}

void CTextMaster::TextOut(const char* text, float x, float y, D3DCOLOR colour, const CFontDesc* font, int32_t limit,
                          bool immediate)
{
    if (!m_bEnabled || !m_bReady || text == nullptr || font == nullptr)
        return;
    if (!immediate && m_QueueCount >= MAX_QUEUED)
        return;
    CFont2D* font2D = GetFont(*font);
    // Between a device reset's invalidation and restoration nothing can draw.
    if (!font2D->IsReady())
        return;
    CPreparedText* prepared = FindOrPrepare(font2D, text);
    if (prepared == nullptr)
        return;
    prepared->m_LastUsedFrame = m_Frame;
    if (immediate) {
        font2D->DrawText(*prepared->m_pQuads, colour, x, y, limit, true);
        return;
    }
    CQueuedText& slot = m_Queue[m_QueueCount++];
    slot.m_pPrepared = prepared;
    slot.m_Colour = colour;
    slot.m_X = x;
    slot.m_Y = y;
    slot.m_Limit = limit;
}

void CTextMaster::DrawAll()
{
    CStateBlocks::ApplyFont();
    ++m_Frame;
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    for (uint32_t i = 0; i < m_QueueCount && device != nullptr; ++i) {
        if (m_Queue[i].m_pPrepared != nullptr)
            DrawRun(device, i);
    }
    EmptyQueue();
    if (m_Frame % CHECK_PASSES == 0)
        DropIdlePrepared();
}

// The string in slot `first`, then every later one of its colour and font,
// under one setting of the colour, vertex format and texture.
void CTextMaster::DrawRun(IDirect3DDevice8* device, uint32_t first)
{
    const D3DCOLOR colour = m_Queue[first].m_Colour;
    CFont2D* font = m_Queue[first].m_pPrepared->m_pFont;
    const bool drawable = font->IsReady();
    if (drawable) {
        device->SetRenderState(D3DRS_TEXTUREFACTOR, colour);
        device->SetVertexShader(D3DFVF_FONT2DVERTEX);
        device->SetTexture(0, font->GetTexture());
    }
    for (uint32_t j = first; j < m_QueueCount; ++j) {
        CQueuedText& slot = m_Queue[j];
        if (slot.m_pPrepared == nullptr || slot.m_Colour != colour || slot.m_pPrepared->m_pFont != font)
            continue;
        if (drawable)
            DrawSlot(slot);
        slot.m_pPrepared = nullptr;
    }
}

void CTextMaster::DrawSlot(const CQueuedText& slot)
{
    slot.m_pPrepared->m_pFont->DrawText(*slot.m_pPrepared->m_pQuads, slot.m_Colour, slot.m_X, slot.m_Y,
                                        slot.m_Limit, false);
}

void CTextMaster::EmptyQueue()
{
    for (CQueuedText& slot : m_Queue)
        slot.m_pPrepared = nullptr;
    m_QueueCount = 0;
}

void CTextMaster::DropIdlePrepared()
{
    for (auto it = m_Prepared.begin(); it != m_Prepared.end();) {
        const auto next = std::next(it);
        if (m_Frame - it->second->m_LastUsedFrame > IDLE_PASSES)
            KeepSpare(m_Prepared.extract(it));
        it = next;
    }
}

void CTextMaster::Invalidate()
{
    for (const std::unique_ptr<CFont2D>& font : m_Fonts)
        font->Invalidate();
}

void CTextMaster::Restore()
{
    for (const std::unique_ptr<CFont2D>& font : m_Fonts)
        font->Restore();
}

// Queued slots point into the prepared strings, and prepared strings at
// their fonts: whatever goes takes what points at it along.
void CTextMaster::Clear(uint32_t flags)
{
    if ((flags & (CLEAR_PREPARED | CLEAR_FONTS)) == 0)
        return;
    EmptyQueue();
    m_Prepared.clear();
    if ((flags & CLEAR_FONTS) != 0)
        m_Fonts.clear();
}

void CTextMaster::Reset()
{
    EmptyQueue();
    Clear(CLEAR_PREPARED | CLEAR_FONTS);
}

bool CTextMaster::IsPrepared(const CFont2D* font, const std::string& text) const
{
    return m_Prepared.find(PreparedKey(font, text)) != m_Prepared.end();
}

namespace {

void InvalidateTextMasterFonts()
{
    g_TextMaster.Invalidate();
}

void RestoreTextMasterFonts()
{
    g_TextMaster.Restore();
}

} // namespace

void RegisterTextMasterDeviceHooks()
{
    CDisplay::SetDeviceObjectHook(DEVICE_HOOK_FONTS, InvalidateTextMasterFonts, RestoreTextMasterFonts);
}
