#include "Menu/MenuScreens.h"

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Core/FatalError.h"
#include "Menu/Button.h"
#include "Menu/CyclicObject.h"
#include "Menu/MenuInput.h"
#include "Menu/SliderObject.h"

namespace {

const char* const KEYWORD_MENU_SCREEN = "MenuScreen";
const char* const KEYWORD_SINGLE_TAB_OBJECT = "SingleTabObject";
const char* const KEYWORD_MULTI_TAB_OBJECT = "MultiTabObject";
const char* const KEYWORD_SINGLE_SCREEN = "SingleScreen";
const char* const INVALID_INITIAL_TAB = "Invalid MultiTab InitialState?!?";

} // namespace

CSingleMenu::CSingleMenu() = default;
CSingleMenu::~CSingleMenu() = default;

bool CSingleMenu::Load(CDataBuffer& reader)
{
    return ReadBlock(reader, KEYWORD_MENU_SCREEN);
}

bool CSingleMenu::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match("Button"))
        m_Buttons.push_back(ReadButtonCopy(reader));
    else if (reader.Match("CyclicObject"))
        m_CyclicObjects.push_back(ReadItemCopy<CCyclicObject>(reader));
    else if (reader.Match("SliderObject"))
        m_Sliders.push_back(ReadItemCopy<CSliderObject>(reader));
    else
        return false;
    return true;
}

void CSingleMenu::Update(CMenuInput& input, float seconds)
{
    for (const std::unique_ptr<CButton>& button : m_Buttons)
        button->Update(input, seconds);
    for (const std::unique_ptr<CCyclicObject>& cyclic : m_CyclicObjects)
        cyclic->Update(input, seconds);
    for (const std::unique_ptr<CSliderObject>& slider : m_Sliders)
        slider->Update(input, seconds);
}

void CSingleMenu::Draw() const
{
    for (const std::unique_ptr<CButton>& button : m_Buttons)
        button->Draw();
    for (const std::unique_ptr<CCyclicObject>& cyclic : m_CyclicObjects)
        cyclic->Draw();
    for (const std::unique_ptr<CSliderObject>& slider : m_Sliders)
        slider->Draw();
}

CButton* CSingleMenu::FindClickedLink(const float* cursor) const
{
    for (const std::unique_ptr<CButton>& button : m_Buttons) {
        if (!button->m_Link.empty() && button->IsMouseOver(cursor))
            return button.get();
    }
    return nullptr;
}

CCyclicObject* CSingleMenu::FindCyclicObject(const std::string& name) const
{
    for (const std::unique_ptr<CCyclicObject>& cyclic : m_CyclicObjects) {
        if (cyclic->m_Name == name)
            return cyclic.get();
    }
    return nullptr;
}

CSingleTabObject::CSingleTabObject() = default;
CSingleTabObject::~CSingleTabObject() = default;

bool CSingleTabObject::Load(CDataBuffer& reader)
{
    return ReadBlock(reader, KEYWORD_SINGLE_TAB_OBJECT);
}

bool CSingleTabObject::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match("TabButton")) {
        m_pTabButton = ReadButtonCopy(reader);
        m_pTabButton->m_CurrentButtonColor = m_pTabButton->m_NormalButtonColor;
    } else if (reader.Match(KEYWORD_MENU_SCREEN)) {
        g_AssetManager.GetAsset(reader.GetString(), m_pMenu, true);
    } else {
        return false;
    }
    return true;
}

void CSingleTabObject::SetSelected(bool selected)
{
    m_Active = selected ? 1 : 0;
    if (m_pTabButton != nullptr)
        m_pTabButton->m_CurrentButtonColor =
            selected ? m_pTabButton->m_OverButtonColor : m_pTabButton->m_NormalButtonColor;
}

bool CMultiTabObject::Load(CDataBuffer& reader)
{
    return ReadBlock(reader, KEYWORD_MULTI_TAB_OBJECT);
}

bool CMultiTabObject::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_SINGLE_TAB_OBJECT)) {
        CSingleTabObject* tab = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), tab, true);
        m_Tabs.push_back(tab);
        return true;
    }
    if (!reader.Match("InitTab"))
        return false;
    // Only a tab listed before this line can start as the current one.
    CSingleTabObject* tab = FindTab(reader.GetString());
    if (tab == nullptr)
        FatalError(INVALID_INITIAL_TAB);
    tab->SetSelected(true);
    m_pCurrentTab = tab;
    return true;
}

void CMultiTabObject::Update(CMenuInput& input, float seconds)
{
    for (CSingleTabObject* tab : m_Tabs) {
        if (tab->m_Active && tab->m_pMenu != nullptr)
            tab->m_pMenu->Update(input, seconds);
    }
    if (!input.WasClickReleased())
        return;
    const float* cursor = input.GetCursor();
    for (CSingleTabObject* tab : m_Tabs) {
        if (tab->m_pTabButton != nullptr && tab->m_pTabButton->IsMouseOver(cursor))
            SelectTab(tab);
    }
}

namespace {

void DrawTab(const CSingleTabObject& tab)
{
    if (tab.m_pTabButton != nullptr)
        tab.m_pTabButton->Draw();
    if (tab.m_Active && tab.m_pMenu != nullptr)
        tab.m_pMenu->Draw();
}

} // namespace

void CMultiTabObject::Draw() const
{
    for (const CSingleTabObject* tab : m_Tabs) {
        if (tab != m_pCurrentTab)
            DrawTab(*tab);
    }
    if (m_pCurrentTab != nullptr)
        DrawTab(*m_pCurrentTab);
}

CSingleTabObject* CMultiTabObject::FindTab(const std::string& name) const
{
    for (CSingleTabObject* tab : m_Tabs) {
        if (tab->m_Name == name)
            return tab;
    }
    return nullptr;
}

void CMultiTabObject::SelectTab(CSingleTabObject* tab)
{
    if (m_pCurrentTab != nullptr)
        m_pCurrentTab->SetSelected(false);
    tab->SetSelected(true);
    m_pCurrentTab = tab;
}

CButton* CMultiTabObject::FindClickedLink(const float* cursor) const
{
    if (m_pCurrentTab == nullptr || m_pCurrentTab->m_pMenu == nullptr)
        return nullptr;
    return m_pCurrentTab->m_pMenu->FindClickedLink(cursor);
}

bool CSingleScreen::Load(CDataBuffer& reader)
{
    return ReadBlock(reader, KEYWORD_SINGLE_SCREEN);
}

bool CSingleScreen::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match(KEYWORD_MENU_SCREEN))
        g_AssetManager.GetAsset(reader.GetString(), m_pMenu, true);
    else if (reader.Match(KEYWORD_MULTI_TAB_OBJECT))
        g_AssetManager.GetAsset(reader.GetString(), m_pMultiTab, true);
    else
        return false;
    return true;
}

void CSingleScreen::Update(CMenuInput& input, float seconds)
{
    if (m_pMenu != nullptr)
        m_pMenu->Update(input, seconds);
    if (m_pMultiTab != nullptr)
        m_pMultiTab->Update(input, seconds);
}

void CSingleScreen::Draw() const
{
    if (m_pMenu != nullptr)
        m_pMenu->Draw();
    if (m_pMultiTab != nullptr)
        m_pMultiTab->Draw();
}

CButton* CSingleScreen::FindClickedLink(const float* cursor) const
{
    CButton* clicked = m_pMenu != nullptr ? m_pMenu->FindClickedLink(cursor) : nullptr;
    if (clicked == nullptr && m_pMultiTab != nullptr)
        clicked = m_pMultiTab->FindClickedLink(cursor);
    return clicked;
}

void LoadMenuScreenScripts()
{
    LoadAssetsFromScript<CButton>("Scripts\\MenuButtons.txt");
    LoadAssetsFromScript<CCyclicObject>("Scripts\\Menu\\CyclicObjects.txt");
    LoadAssetsFromScript<CSliderObject>("Scripts\\Menu\\SliderObjects.txt");
    LoadAssetsFromScript<CSingleMenu>("Scripts\\Menu\\MenuScreens.txt");
    LoadAssetsFromScript<CSingleTabObject>("Scripts\\Menu\\SingleTabObjects.txt");
    LoadAssetsFromScript<CMultiTabObject>("Scripts\\Menu\\MultiTabObjects.txt");
    LoadAssetsFromScript<CSingleScreen>("Scripts\\Menu\\SingleScreen.txt");
}
