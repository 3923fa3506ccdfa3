#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Core/Asset.h"

class CButton;
class CDataBuffer;
class CMenuInput;

// A value picked from a list by two arrow buttons: clicking one steps to the
// previous or next option, wrapping at either end. Only the current option
// is drawn. Each option button carries its value in its options.
//
// A copy shares its prototype's buttons (and so their positions); it owns
// only the buttons its own inline lines create.
class CCyclicObject : public CAsset {
public:
    static constexpr const char* CLASS_NAME = "CCyclicObject";

    CCyclicObject() = default;
    CCyclicObject(const CCyclicObject& other);
    CCyclicObject& operator=(const CCyclicObject&) = delete;

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;
    bool Validate() override { return true; }

    // Moves the arrows and every option by the object's "Pos".
    bool Prepare();
    void Update(const CMenuInput& input, float seconds);
    void Draw() const;

    // The option shown, or null when there is none.
    CButton* GetCurrentOption() const;
    int32_t GetIndex() const { return m_Index; }
    void SetIndex(int32_t index) { m_Index = index; }
    const std::vector<CButton*>& GetOptions() const { return m_Options; }
    CButton* GetLeftArrow() const { return m_pLeft; }
    CButton* GetRightArrow() const { return m_pRight; }

private:
    CButton* Keep(std::unique_ptr<CButton> button);

    CButton* m_pLeft = nullptr;
    CButton* m_pRight = nullptr;
    std::vector<CButton*> m_Options;
    int32_t m_Index = 0;
    float m_Offset[2] = {0.0f, 0.0f};
    std::vector<std::unique_ptr<CButton>> m_OwnedButtons;
};
