#pragma once
// The missions of the game and the one running. Until missions are built
// there is none, and the level's calls do nothing.

class CMissionManager {
public:
    void Update();
    void Draw();
};

extern CMissionManager g_MissionManager;
