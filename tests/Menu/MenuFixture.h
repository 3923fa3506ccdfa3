#pragma once
// Menu scripts written in a test, loaded by the game's own loaders on a
// device of state only, with the input given by the test.

#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Menu/MenuInput.h"
#include "support/TempDir.h"

// The cursor, the click and the mouse as the test sets them.
class FakeMenuInput : public CMenuInput {
public:
    const float* GetCursor() const override { return m_Cursor; }
    bool WasClickReleased() const override { return m_bReleased; }
    bool IsClickHeld() const override { return m_bHeld; }
    float GetMouseDeltaX() const override { return m_DeltaX; }
    void HoldCursorAt(float x) override
    {
        m_Cursor[0] = x;
        ++m_Holds;
    }

    void MoveTo(float x, float y)
    {
        m_Cursor[0] = x;
        m_Cursor[1] = y;
    }

    float m_Cursor[2] = {0.0f, 0.0f};
    bool m_bReleased = false;
    bool m_bHeld = false;
    float m_DeltaX = 0.0f;
    int m_Holds = 0;
};

// Writes the white 64 x 48 image "box.bmp" into `dir` and loads it as the
// texture "Box": a tenth of the 640 x 480 screen each way.
void LoadBoxTexture(const std::string& dir);
// The textures' device objects, then every asset.
void ReleaseMenuAssets();

// Writes `text` as the game file `file` under `dir` and loads its blocks as T.
template <class T>
void LoadScript(const TempDir& dir, const std::string& file, const std::string& text)
{
    std::string path = file;
    for (char& c : path)
        c = c == '\\' ? '/' : c;
    dir.Write(path, text);
    LoadAssetsFromScript<T>(file.c_str());
}

// Menus on the display of `Base`: a device of state only (DisplayFixture)
// or the real one on a window (GlDisplayFixture).
template <class Base>
class MenuFixtureOn : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        if (g_Display.GetD3DDevice() == nullptr)
            this->CreateDisplay();
        LoadBoxTexture(this->m_Dir.Path());
    }

    void TearDown() override
    {
        ReleaseMenuAssets();
        Base::TearDown();
    }

    template <class T>
    void Load(const std::string& file, const std::string& text)
    {
        LoadScript<T>(this->m_Dir, file, text);
    }
    template <class T>
    T* Get(const std::string& name)
    {
        T* asset = nullptr;
        g_AssetManager.GetAsset(name, asset, true);
        return asset;
    }
    // One click released with the cursor at x, y.
    void ClickAt(float x, float y)
    {
        m_Input.MoveTo(x, y);
        m_Input.m_bReleased = true;
    }

    FakeMenuInput m_Input;
};

typedef MenuFixtureOn<DisplayFixture> MenuFixture;
typedef MenuFixtureOn<GlDisplayFixture> GlMenuFixture;
