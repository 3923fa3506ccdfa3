#include "StateOnlyDisplay.h"

#include "Core/Window.h"
#include "Display/Display.h"
#include "platform/d3d8/D3D8Platform.h"

void CreateStateOnlyDisplay()
{
    g_hWnd = nullptr;
    D3D8Platform::UseStateOnlyDevices();
    g_Display.Create();
    g_Display.Reset();
}
