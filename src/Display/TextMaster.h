#pragma once
// The one way the game draws text. TextOut draws a string at once or queues
// it for the frame's text pass, DrawAll, which runs after everything else of
// the frame. The text master owns every bitmap font (one per description)
// and keeps each string laid out once per font while it is in use. A string
// dropped for idleness leaves its room to the next new one, so that a clock
// or counter that changes in play allocates nothing.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Display/Font2D.h"

class CFontRasteriser;

// A string laid out in one font.
struct CPreparedText {
    std::string m_Text;
    CFont2D* m_pFont = nullptr;
    std::unique_ptr<CTextQuads> m_pQuads;
    uint32_t m_LastUsedFrame = 0; // the text pass it was last asked for in
};

struct CQueuedText {
    CPreparedText* m_pPrepared = nullptr; // null: an empty slot
    D3DCOLOR m_Colour = 0;
    float m_X = 0.0f;
    float m_Y = 0.0f;
    int32_t m_Limit = -1;
};

class CTextMaster {
public:
    enum { MAX_QUEUED = 100 };
    enum ClearFlags {
        CLEAR_PREPARED = 1,
        CLEAR_FONTS = 2,
    };

    // A null rasteriser builds the fonts through the Win32 GDI; a given one
    // is only observed and must outlive the text master.
    explicit CTextMaster(CFontRasteriser* rasteriser = nullptr);
    ~CTextMaster();
    CTextMaster(const CTextMaster&) = delete;
    CTextMaster& operator=(const CTextMaster&) = delete;

    // Until this runs (once the display exists), text is dropped.
    void Enable();
    // `x` and `y` are fractions of the screen from its top-left corner;
    // `limit` is the number of visible glyphs drawn (spaces do not count),
    // -1 for all. A queued string beyond the frame's MAX_QUEUED is dropped.
    void TextOut(const char* text, float x, float y, D3DCOLOR colour, const CFontDesc* font, int32_t limit,
                 bool immediate);
    // The font of a description, made on first use; one that cannot be
    // made is fatal.
    CFont2D* GetFont(const CFontDesc& desc);
    // The frame's text pass: the queue in runs of one colour and font, each
    // run in the order of its first string, then an empty queue.
    void DrawAll();

    // Before and after a device reset.
    void Invalidate();
    void Restore();
    // CLEAR_PREPARED drops every prepared string, CLEAR_FONTS every font
    // (and with them the strings prepared in them); either empties the queue.
    void Clear(uint32_t flags);
    void Reset();

    bool IsEnabled() const { return m_bEnabled && m_bReady; }
    uint32_t GetQueueCount() const { return m_QueueCount; }
    // Test hook: the frame's queue, GetQueueCount() strings in the order queued.
    const CQueuedText* GetQueue() const { return m_Queue; }
    size_t GetPreparedCount() const { return m_Prepared.size(); }
    size_t GetFontCount() const { return m_Fonts.size(); }
    bool IsPrepared(const CFont2D* font, const std::string& text) const;

private:
    typedef std::pair<const CFont2D*, std::string> PreparedKey;
    // Orders keys by font, then text, and finds one from a text that is not
    // a std::string (a lookup builds no string).
    struct PreparedOrder {
        using is_transparent = void;
        template <class A, class B>
        bool operator()(const A& a, const B& b) const
        {
            return std::make_pair(a.first, std::string_view(a.second)) <
                   std::make_pair(b.first, std::string_view(b.second));
        }
    };
    typedef std::map<PreparedKey, std::unique_ptr<CPreparedText>, PreparedOrder> PreparedMap;

    CPreparedText* FindOrPrepare(CFont2D* font, const char* text);
    void DrawRun(IDirect3DDevice8* device, uint32_t first);
    void DrawSlot(const CQueuedText& slot);
    void EmptyQueue();
    void DropIdlePrepared();
    // An entry out of any map, with room for a string of `length`.
    static PreparedMap::node_type MakeEntry(size_t length);
    // A spare entry, or a new one when none is left.
    PreparedMap::node_type TakeSpare();
    // Kept for the next new string while the spares have room.
    void KeepSpare(PreparedMap::node_type spare);

    PreparedMap m_Prepared;
    // Entries out of the map with their strings' and vertices' room.
    std::vector<PreparedMap::node_type> m_Spare;
    std::vector<std::unique_ptr<CFont2D>> m_Fonts;
    uint32_t m_QueueCount = 0;
    CQueuedText m_Queue[MAX_QUEUED];
    bool m_bEnabled = false;
    bool m_bReady = false;
    uint32_t m_Frame = 0;
    CFontRasteriser* m_pRasteriser = nullptr;
};

extern CTextMaster g_TextMaster;

// Puts g_TextMaster's Invalidate and Restore into the display's reset, at
// the fonts' place.
void RegisterTextMasterDeviceHooks();
