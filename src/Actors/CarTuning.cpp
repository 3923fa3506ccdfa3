// The car editor of the developer console: live tuning by the driver's
// actions, the tuning text and the tuning file.

#include "Actors/Car.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "Core/ReplaceFile.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Input/Controller.h"
#include "Input/InputManager.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxCapsuleShape.h"

namespace {

// The editor's input actions; each pair raises and lowers one value.
enum {
    ACTION_SPRING_UP = 57,
    ACTION_SPRING_DOWN = 58,
    ACTION_DAMPER_UP = 59,
    ACTION_DAMPER_DOWN = 60,
    ACTION_MASS_UP = 61,
    ACTION_MASS_DOWN = 62,
    ACTION_CENTER_X_UP = 63,
    ACTION_CENTER_X_DOWN = 64,
    ACTION_CENTER_Y_UP = 65,
    ACTION_CENTER_Y_DOWN = 66,
    ACTION_CENTER_Z_UP = 67,
    ACTION_CENTER_Z_DOWN = 68,
    ACTION_CENTER_ZERO = 69,
    ACTION_SAVE = 70,
    // Four in a row, one per tyre.
    ACTION_SELECT_FIRST_TIRE = 71,
    ACTION_HEIGHT_UP = 75,
    ACTION_HEIGHT_DOWN = 76,
};

const float SPRING_STEP = 0.6f;
const float DAMPER_STEP = 0.6f;
const float HEIGHT_STEP = 0.02f;
const float MASS_STEP = 1.0f;
const float CENTER_STEP = 0.005f;
// The editor never takes the car lighter than this.
const float MIN_MASS = 1.0f;
// The height shown for a tyre without a capsule.
const float NO_TIRE_HEIGHT = -1.0f;

const size_t TUNING_TEXT_SIZE = 400;
const float TUNING_TEXT_X = 0.5885f;
const float TUNING_TEXT_Y = 0.0f;
const D3DCOLOR TUNING_TEXT_COLOUR = 0xFFFFFFFF;
const int32_t ALL_CHARACTERS = -1;

const char* const TUNING_FORMAT = "Mass: %f\nCOM x: %.4f\nCOM y: %.4f\nCOM z: %.4f\nSusp: %.4f Damp: %.4f\n"
                                  "FrontLeft: %d Height: %.4f\nFrontRight: %d Height: %.4f\n"
                                  "RearLeft: %d Height: %.4f\nRearRight: %d Height: %.4f";
const char* const TIRE_LENGTH_KEYWORDS[CCar::EDIT_SELECTIONS] = {
    "FrontLeftSuspensionLength: ", "FrontRightSuspensionLength: ", "RearLeftSuspensionLength: ",
    "RearRightSuspensionLength: "};
const char* const TUNING_FILE_EXTENSION = ".txt";

// +1 while the first of the pair is held (it wins), -1 for the second alone.
float PairDirection(const uint8_t* actions, int up, int down)
{
    if (IsActionHeld(actions, up))
        return 1.0f;
    if (IsActionHeld(actions, down))
        return -1.0f;
    return 0.0f;
}

// The first suspension entry's spring, or none.
NxSpringDesc* FirstSpring(CSuspensionTable* table)
{
    return table != nullptr && !table->m_Springs.empty() ? &table->m_Springs[0] : nullptr;
}

NxSpringDesc FirstSpringValue(CSuspensionTable* table)
{
    const NxSpringDesc* spring = FirstSpring(table);
    return spring != nullptr ? *spring : NxSpringDesc();
}

} // namespace

void CCar::EditTuning()
{
    if (m_pController == nullptr)
        return;
    const uint8_t* actions = m_pController->GetActionCounters();
    if (actions == nullptr)
        return;

    if (NxSpringDesc* spring = FirstSpring(m_pSuspensionTable.get())) {
        spring->spring += SPRING_STEP * PairDirection(actions, ACTION_SPRING_UP, ACTION_SPRING_DOWN);
        spring->damper += DAMPER_STEP * PairDirection(actions, ACTION_DAMPER_UP, ACTION_DAMPER_DOWN);
    }
    EditTireHeights(HEIGHT_STEP * PairDirection(actions, ACTION_HEIGHT_UP, ACTION_HEIGHT_DOWN));
    EditMass(MASS_STEP * PairDirection(actions, ACTION_MASS_UP, ACTION_MASS_DOWN));
    const D3DXVECTOR3 centerStep(PairDirection(actions, ACTION_CENTER_X_UP, ACTION_CENTER_X_DOWN),
                                 PairDirection(actions, ACTION_CENTER_Y_UP, ACTION_CENTER_Y_DOWN),
                                 PairDirection(actions, ACTION_CENTER_Z_UP, ACTION_CENTER_Z_DOWN));
    if (centerStep != D3DXVECTOR3(0.0f, 0.0f, 0.0f))
        EditCenterOfMass(centerStep * CENTER_STEP);
    if (IsActionHeld(actions, ACTION_CENTER_ZERO))
        EditCenterOfMass(-m_vScriptCenterOfMass);
    if (IsActionReleased(actions, ACTION_SAVE))
        SaveTuning();
    for (int i = 0; i < EDIT_SELECTIONS; ++i)
        if (IsActionReleased(actions, ACTION_SELECT_FIRST_TIRE + i))
            m_bEditSelected[i] = !m_bEditSelected[i];
}

// Only the first four tyres, and only those with a capsule.
void CCar::EditTireHeights(float delta)
{
    if (delta == 0.0f)
        return;
    const size_t count = std::min<size_t>(m_Tires.size(), EDIT_SELECTIONS);
    for (size_t i = 0; i < count; ++i) {
        if (!m_bEditSelected[i] || m_Tires[i].m_pShape == nullptr)
            continue;
        NxCapsuleShape* capsule = m_Tires[i].m_pShape->isCapsule();
        if (capsule != nullptr)
            capsule->setHeight(std::max(0.0f, capsule->getHeight() + delta));
    }
}

void CCar::EditMass(float delta)
{
    NxActor* actor = m_PhysicsObject.m_pActor;
    if (delta == 0.0f || actor == nullptr)
        return;
    const float mass = actor->getMass() + delta;
    if (mass < MIN_MASS)
        return;
    actor->updateMassFromShapes(0.0f, mass);
    // The new mass frame lies at the shapes' centre: the tuned offset stays.
    actor->setCMassOffsetLocalPosition(ToNxVec3(m_vScriptCenterOfMass));
}

void CCar::EditCenterOfMass(const D3DXVECTOR3& delta)
{
    m_vScriptCenterOfMass += delta;
    if (NxActor* actor = m_PhysicsObject.m_pActor)
        actor->setCMassOffsetLocalPosition(ToNxVec3(m_vScriptCenterOfMass));
}

float CCar::GetTireHeight(size_t index) const
{
    if (index >= m_Tires.size() || m_Tires[index].m_pShape == nullptr)
        return NO_TIRE_HEIGHT;
    const NxCapsuleShape* capsule = m_Tires[index].m_pShape->isCapsule();
    return capsule != nullptr ? capsule->getHeight() : NO_TIRE_HEIGHT;
}

void CCar::FormatTuning(char* text, size_t size) const
{
    const NxActor* actor = m_PhysicsObject.m_pActor;
    const float mass = actor != nullptr ? actor->getMass() : m_PhysicsObject.m_fMass;
    const NxSpringDesc spring = FirstSpringValue(m_pSuspensionTable.get());
    std::snprintf(text, size, TUNING_FORMAT, mass, m_vScriptCenterOfMass.x, m_vScriptCenterOfMass.y,
                  m_vScriptCenterOfMass.z, spring.spring, spring.damper, m_bEditSelected[0] ? 1 : 0,
                  GetTireHeight(0), m_bEditSelected[1] ? 1 : 0, GetTireHeight(1), m_bEditSelected[2] ? 1 : 0,
                  GetTireHeight(2), m_bEditSelected[3] ? 1 : 0, GetTireHeight(3));
}

void CCar::PrintTuning() const
{
    char text[TUNING_TEXT_SIZE];
    FormatTuning(text, sizeof(text));
    g_TextMaster.TextOut(text, TUNING_TEXT_X, TUNING_TEXT_Y, TUNING_TEXT_COLOUR, &g_FontVerdana8, ALL_CHARACTERS,
                         false);
}

void CCar::SaveTuning() const
{
    const NxActor* actor = m_PhysicsObject.m_pActor;
    const NxSpringDesc spring = FirstSpringValue(m_pSuspensionTable.get());
    std::ostringstream out;
    out << "CenterOfMass: " << m_vScriptCenterOfMass.x << ' ' << m_vScriptCenterOfMass.y << ' '
        << m_vScriptCenterOfMass.z << '\n';
    out << "Suspension: " << spring.spring << '\n';
    out << "Dampining: " << spring.damper << '\n';
    out << "Mass: " << (actor != nullptr ? actor->getMass() : m_PhysicsObject.m_fMass) << '\n';
    for (size_t i = 0; i < EDIT_SELECTIONS; ++i)
        out << TIRE_LENGTH_KEYWORDS[i] << GetTireHeight(i) << '\n';
    // An unwritable tuning file is no error: the editor just goes on.
    ReplaceFileText(m_Name + TUNING_FILE_EXTENSION, out.str());
}
