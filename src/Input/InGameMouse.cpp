#include "Input/InGameMouse.h"

#include <cstring>

#include "Core/Application.h"
#include "Core/AssetManager.h"
#include "Core/FatalError.h"
#include "Input/Controller.h"

namespace {

const char* const KEYWORD_MOUSE = "Mouse";
const char* const KEYWORD_TEXTURE = "Texture";
const char* const TEXTURE_CLASS_NAME = "CTexture";
const float SCREEN_CENTRE = 0.5f;
// The screen the cursor moves over when no window tells its size.
const int DEFAULT_SCREEN_WIDTH = 640;
const int DEFAULT_SCREEN_HEIGHT = 480;

// The texture asset named `name`; the cursor cannot be without it.
CAsset* FindTexture(const std::string& name)
{
    CAssetManager::TypeList* textures = g_AssetManager.FindTypeList(TEXTURE_CLASS_NAME);
    if (textures == nullptr)
        FatalError("No assets of type <%s> are currently stored", TEXTURE_CLASS_NAME);
    for (const std::unique_ptr<CAsset>& texture : textures->m_Assets) {
        if (texture->m_Name == name)
            return texture.get();
    }
    FatalError("Unable to find asset \"%s\" of type <%s>", name.c_str(), TEXTURE_CLASS_NAME);
}

// The display's size in pixels: the main window's client area, which the
// display mode sizes.
void GetScreenSize(int& width, int& height)
{
    RECT client = {0, 0, 0, 0};
    if (GetClientRect(g_hWnd, &client) && client.right > client.left && client.bottom > client.top) {
        width = client.right - client.left;
        height = client.bottom - client.top;
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
    if (m_bInitialised || !reader.Match(KEYWORD_MOUSE))
        return false;
    m_Name = reader.GetString();
    while (!reader.IsEndOfBuffer() && ReadProperty(reader)) {
    }
    if (!Validate())
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
    m_Textures.push_back(FindTexture(reader.GetString()));
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

bool CInGameMouse::SetTexture(CAsset* texture, bool fullScreen)
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
    for (CAsset* texture : m_Textures) {
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
