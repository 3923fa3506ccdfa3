#include "Input/InGameMouse.h"

#include <cstring>

#include "Core/Window.h"
#include "Core/AssetManager.h"
#include "Display/Display.h"
#include "Display/Texture.h"
#include "Input/Controller.h"

namespace {

const char* const KEYWORD_MOUSE = "Mouse";
const char* const KEYWORD_TEXTURE = "Texture";
const float SCREEN_CENTRE = 0.5f;
// The virtual screen that cursor images are drawn for: one texel is one
// pixel of a 640 x 480 screen.
const float VIRTUAL_WIDTH = 640.0f;
const float VIRTUAL_HEIGHT = 480.0f;
const float VIRTUAL_PIXEL_WIDTH = 0.0015625f;
const float VIRTUAL_PIXEL_HEIGHT = 0.0020833334f;
const D3DCOLOR CURSOR_COLOUR = D3DCOLOR_ARGB(0xff, 0xff, 0xff, 0xff);
// The screen the cursor moves over before the display has a mode.
const int DEFAULT_SCREEN_WIDTH = 640;
const int DEFAULT_SCREEN_HEIGHT = 480;

// The display's size in pixels: its current mode.
void GetScreenSize(int& width, int& height)
{
    const CDisplayMode& mode = g_Display.GetCurrentMode();
    if (mode.Width > 0 && mode.Height > 0) {
        width = mode.Width;
        height = mode.Height;
        return;
    }
    width = DEFAULT_SCREEN_WIDTH;
    height = DEFAULT_SCREEN_HEIGHT;
}

} // namespace

CInGameMouse::CInGameMouse()
{
    CInGameMouse::Init();
}

bool CInGameMouse::Init()
{
    CStdInterface::Init();
    m_bFollow = true;
    m_bDraw = true;
    m_Position[0] = SCREEN_CENTRE;
    m_Position[1] = SCREEN_CENTRE;
    m_DrawPosition[0] = 0.0f;
    m_DrawPosition[1] = 0.0f;
    m_pTexture = nullptr;
    m_bStarted = false;
    m_bWindowsCursorShown = false;
    m_bFullScreen = false;
    m_pDriver = nullptr;
    return true;
}

bool CInGameMouse::Load(CDataBuffer& reader)
{
    if (m_bInitialised || !ReadBlock(reader, KEYWORD_MOUSE))
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool CInGameMouse::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (!reader.Match(KEYWORD_TEXTURE))
        return false;
    // The cursor cannot be without its textures: a missing one is fatal.
    CTexture* texture = nullptr;
    g_AssetManager.GetAsset(reader.GetString(), texture, true);
    m_Textures.push_back(texture);
    return true;
}

void CInGameMouse::SetPosition(const float* position)
{
    if (position == nullptr)
        return;
    m_Position[0] = position[0];
    m_Position[1] = position[1];
}

void CInGameMouse::SetVisible(bool visible)
{
    m_bDraw = visible;
}

bool CInGameMouse::SetTexture(CTexture* texture, bool fullScreen)
{
    m_bFullScreen = fullScreen;
    if (texture == nullptr)
        return false;
    m_pTexture = texture;
    return true;
}

bool CInGameMouse::SelectTexture(const char* name, bool fullScreen)
{
    m_bFullScreen = fullScreen;
    if (name == nullptr)
        return false;
    for (CTexture* texture : m_Textures) {
        if (texture->m_Name == name) {
            m_pTexture = texture;
            return true;
        }
    }
    return false;
}

bool CInGameMouse::SetCursor(const char* name)
{
    return SelectTexture(name, false);
}

void CInGameMouse::Update()
{
    if (m_pDriver == nullptr || !m_bFollow)
        return;
    if (!m_bStarted) {
        m_bStarted = true;
        return;
    }
    const float* movement = m_pDriver->GetAxisValues();
    if (movement == nullptr)
        return;
    int width = 0;
    int height = 0;
    GetScreenSize(width, height);
    m_Position[0] += movement[0] / static_cast<float>(width);
    m_Position[1] += movement[1] / static_cast<float>(height);
    ClampToScreen();
}

void CInGameMouse::ClampToScreen()
{
    const bool inside = m_Position[0] > 0.0f && m_Position[0] < 1.0f && m_Position[1] > 0.0f && m_Position[1] < 1.0f;
    if (!inside) {
        if (!m_bWindowsCursorShown) {
            ShowCursor(TRUE);
            m_bWindowsCursorShown = true;
            m_bDraw = false;
        }
        return;
    }
    if (m_bWindowsCursorShown) {
        ShowCursor(FALSE);
        m_bWindowsCursorShown = false;
        m_bDraw = true;
    }
    int width = 0;
    int height = 0;
    GetScreenSize(width, height);
    POINT point = {static_cast<LONG>(static_cast<float>(width) * m_Position[0]),
                   static_cast<LONG>(static_cast<float>(height) * m_Position[1])};
    if (ClientToScreen(g_hWnd, &point))
        SetCursorPos(point.x, point.y);
}

void CInGameMouse::Draw()
{
    if (!m_bDraw && m_bFollow)
        return;
    if (m_pTexture == nullptr || m_pTexture->GetTexture() == nullptr)
        return;
    const float textureWidth = static_cast<float>(m_pTexture->GetWidth());
    const float textureHeight = static_cast<float>(m_pTexture->GetHeight());
    if (m_bFullScreen) {
        m_DrawPosition[0] = 0.0f;
        m_DrawPosition[1] = 0.0f;
        const float scale[2] = {VIRTUAL_WIDTH / textureWidth, VIRTUAL_HEIGHT / textureHeight};
        DrawSprite(m_pTexture->GetTexture(), m_DrawPosition, scale, nullptr, 0.0f, nullptr, CURSOR_COLOUR);
        return;
    }
    m_DrawPosition[0] = m_Position[0] - textureWidth * 0.5f * VIRTUAL_PIXEL_WIDTH;
    m_DrawPosition[1] = m_Position[1] - textureHeight * 0.5f * VIRTUAL_PIXEL_HEIGHT;
    DrawSprite(m_pTexture->GetTexture(), m_DrawPosition, nullptr, nullptr, 0.0f, nullptr, CURSOR_COLOUR);
}
