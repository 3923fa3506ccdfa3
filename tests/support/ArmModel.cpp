#include "support/ArmModel.h"

#include <vector>

#include "Actors/GameActor.h"
#include "support/MatrixExpect.h"

const char* const ARM_MODEL_UPPER_ARM = "Bip01_R_UpperArm";
const uint32_t ARM_MODEL_DODGE_MS = 10;

cObject MakeArmModel()
{
    struct FrameSpec {
        const char* name;
        int parent;
        D3DXMATRIX transform;
    };
    const FrameSpec specs[] = {
        {"Bip01", -1, Translation(0, 1, 0)},
        {ARM_MODEL_UPPER_ARM, 0, Translation(0.2f, 0.5f, 0)},
        {CGameActor::HAND_FRAME_NAME, 1, Translation(0.5f, 0, 0)},
    };
    cObject model;
    std::vector<cFrame>& frames = model.GetMesh().GetFrames();
    for (const FrameSpec& spec : specs) {
        cFrame frame;
        frame.m_Name = spec.name;
        frame.m_Parent = spec.parent;
        frame.m_matFileTransform = spec.transform;
        frame.m_matTransform = spec.transform;
        if (spec.parent >= 0)
            frames[spec.parent].m_FirstChild = static_cast<int>(frames.size());
        frames.push_back(frame);
    }
    for (const char* set : {"Idle", "Walk", "Run", "WalkGun", "RunGun", "JumpOutWay", "Sit"}) {
        model.GetAnimation().GetSets().emplace_back();
        model.GetAnimation().GetSets().back().m_Name = set;
    }
    model.GetAnimation().FindSet("JumpOutWay")->m_Length = ARM_MODEL_DODGE_MS;
    return model;
}
