// The text master and the two font descriptions that the screens share, in
// their place among the global objects: the text master first.

#include "Display/Display.h"
#include "Display/TextMaster.h"

CTextMaster g_TextMaster;
CFontDesc g_FontVerdana13("Verdana", false, false, true, 13, 0.5f);
CFontDesc g_FontVerdana8("Verdana", false, false, true, 8, 0.5f);

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
