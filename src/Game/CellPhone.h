#pragma once
// The player's cell phone. Until the phone is built it neither rings nor
// draws; the level calls it every frame after the world has moved.

class CController;

class CCellPhone {
public:
    void Update();
    void Draw();

    // Observer: the driver whose keys dial; start-up sets it.
    CController* m_pController = nullptr;
};

extern CCellPhone g_CellPhone;
