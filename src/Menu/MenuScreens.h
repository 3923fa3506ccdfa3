#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Core/Asset.h"

class CButton;
class CCyclicObject;
class CDataBuffer;
class CMenuInput;
class CSliderObject;

// A flat set of menu items: buttons, cyclic objects and sliders, each a copy
// of its prototype that this menu owns.
class CSingleMenu : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CSingleMenu";

    CSingleMenu();
    ~CSingleMenu() override;
    CSingleMenu(const CSingleMenu&) = delete;
    CSingleMenu& operator=(const CSingleMenu&) = delete;

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }

    void Update(CMenuInput& input, float seconds);
    void Draw() const;
    // The first button with a link that the cursor is over; null when none.
    CButton* FindClickedLink(const float* cursor) const;
    // The first cyclic object of that name (a copy keeps its prototype's
    // name); null when none.
    CCyclicObject* FindCyclicObject(const std::string& name) const;

    const std::vector<std::unique_ptr<CButton>>& GetButtons() const { return m_Buttons; }
    const std::vector<std::unique_ptr<CCyclicObject>>& GetCyclicObjects() const { return m_CyclicObjects; }
    const std::vector<std::unique_ptr<CSliderObject>>& GetSliders() const { return m_Sliders; }

private:
    std::vector<std::unique_ptr<CButton>> m_Buttons;
    std::vector<std::unique_ptr<CCyclicObject>> m_CyclicObjects;
    std::vector<std::unique_ptr<CSliderObject>> m_Sliders;
};

// One tab: its tab button (a copy it owns) and the menu it shows.
class CSingleTabObject : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CSingleTabObject";

    CSingleTabObject();
    ~CSingleTabObject() override;
    CSingleTabObject(const CSingleTabObject&) = delete;
    CSingleTabObject& operator=(const CSingleTabObject&) = delete;

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }

    // Drawn as the current tab or as one behind it.
    void SetSelected(bool selected);

    int32_t m_Active = 0;
    std::unique_ptr<CButton> m_pTabButton;
    CSingleMenu* m_pMenu = nullptr;
};

// A set of tabs, one of them current. The tabs are the prototypes
// themselves, so a tab keeps its state wherever it is shown.
class CMultiTabObject : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CMultiTabObject";

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }

    // Updates the menus of the active tabs; a click selects the tabs under
    // the cursor in list order, so the last of them wins.
    void Update(CMenuInput& input, float seconds);
    // The other tabs first, the current one on top.
    void Draw() const;
    CSingleTabObject* FindTab(const std::string& name) const;
    void SelectTab(CSingleTabObject* tab);
    CButton* FindClickedLink(const float* cursor) const;

    const std::vector<CSingleTabObject*>& GetTabs() const { return m_Tabs; }
    CSingleTabObject* GetCurrentTab() const { return m_pCurrentTab; }

private:
    std::vector<CSingleTabObject*> m_Tabs;
    CSingleTabObject* m_pCurrentTab = nullptr;
};

// What the menu manager shows: one menu and, optionally, a set of tabs.
class CSingleScreen : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CSingleScreen";

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }

    void Update(CMenuInput& input, float seconds);
    void Draw() const;
    // The menu's clicked button first, then the current tab's.
    CButton* FindClickedLink(const float* cursor) const;

    CSingleMenu* m_pMenu = nullptr;
    CMultiTabObject* m_pMultiTab = nullptr;
};

// The menu scripts: buttons, cyclic objects, sliders, menus, tabs, sets of
// tabs and screens, each after the pieces it names. The buttons' textures
// must be loaded first.
void LoadMenuScreenScripts();
