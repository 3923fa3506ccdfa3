#include "Menu/CyclicObject.h"

#include <initializer_list>

#include "Core/DataBuffer.h"
#include "Menu/Button.h"
#include "Menu/MenuInput.h"

namespace {

const char* const KEYWORD_CYCLIC_OBJECT = "CyclicObject";

} // namespace

// The buttons stay the prototype's: the copy only observes them.
CCyclicObject::CCyclicObject(const CCyclicObject& other)
    : CAsset(other),
      m_pLeft(other.m_pLeft),
      m_pRight(other.m_pRight),
      m_Options(other.m_Options),
      m_Index(other.m_Index),
      m_Offset{other.m_Offset[0], other.m_Offset[1]}
{
}

bool CCyclicObject::Load(CDataBuffer& reader)
{
    if (!ReadBlock(reader, KEYWORD_CYCLIC_OBJECT))
        return false;
    return Prepare();
}

CButton* CCyclicObject::Keep(std::unique_ptr<CButton> button)
{
    m_OwnedButtons.push_back(std::move(button));
    return m_OwnedButtons.back().get();
}

bool CCyclicObject::ReadProperty(CDataBuffer& reader)
{
    if (CAsset::ReadProperty(reader))
        return true;
    if (reader.Match("Option")) {
        m_Options.push_back(Keep(ReadButtonCopy(reader)));
    } else if (reader.Match("LB")) {
        m_pLeft = Keep(ReadButtonCopy(reader));
    } else if (reader.Match("RB")) {
        m_pRight = Keep(ReadButtonCopy(reader));
    } else if (reader.Match("Pos")) {
        m_Offset[0] = reader.GetFloat();
        m_Offset[1] = reader.GetFloat();
    } else {
        return false;
    }
    return true;
}

bool CCyclicObject::Prepare()
{
    for (CButton* arrow : {m_pLeft, m_pRight}) {
        if (arrow != nullptr)
            arrow->Offset(m_Offset[0], m_Offset[1]);
    }
    for (CButton* option : m_Options)
        option->Offset(m_Offset[0], m_Offset[1]);
    return true;
}

void CCyclicObject::Update(const CMenuInput& input, float seconds)
{
    for (CButton* arrow : {m_pLeft, m_pRight}) {
        if (arrow != nullptr)
            arrow->Update(input, seconds);
    }
    // Without options there is nothing to step through.
    const int32_t count = static_cast<int32_t>(m_Options.size());
    if (!input.WasClickReleased() || count == 0)
        return;
    const float* cursor = input.GetCursor();
    if (m_pLeft != nullptr && m_pLeft->IsMouseOver(cursor)) {
        --m_Index;
        if (m_Index < 0)
            m_Index = count - 1;
    }
    if (m_pRight != nullptr && m_pRight->IsMouseOver(cursor)) {
        ++m_Index;
        if (m_Index >= count)
            m_Index = 0;
    }
}

void CCyclicObject::Draw() const
{
    for (const CButton* arrow : {m_pLeft, m_pRight}) {
        if (arrow != nullptr)
            arrow->Draw();
    }
    const CButton* option = GetCurrentOption();
    if (option != nullptr)
        option->Draw();
}

CButton* CCyclicObject::GetCurrentOption() const
{
    if (m_Index < 0 || m_Index >= static_cast<int32_t>(m_Options.size()))
        return nullptr;
    return m_Options[static_cast<size_t>(m_Index)];
}
