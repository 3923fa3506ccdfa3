// The user options carry a display mode in their first six fields; these
// convert between the two, for the shell that applies the options and the
// menus that store the mode the display took.

#include "Core/Game.h"
#include "Display/Display.h"

CDisplayMode CUserOptions::GetDisplayMode() const
{
    CDisplayMode mode;
    mode.Width = ResX;
    mode.Height = ResY;
    mode.FullScreen = BFullScreen;
    mode.VSync = VSync;
    mode.BPP = BPP;
    mode.RefreshRate = RefreshRate;
    return mode;
}

void CUserOptions::SetDisplayMode(const CDisplayMode& mode)
{
    ResX = mode.Width;
    ResY = mode.Height;
    BFullScreen = mode.FullScreen;
    VSync = mode.VSync;
    BPP = mode.BPP;
    RefreshRate = mode.RefreshRate;
}
