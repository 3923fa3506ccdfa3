#pragma once
// A fresh copy of the staged game folder in a temporary folder, worked in
// while it lives: a whole-game test plays on files of its own, and whatever
// the game writes (log, saves, options) goes with the copy.

#include <string>

#include "support/TempDir.h"

class GameFolderCopy : public TempDir {
public:
    GameFolderCopy();

private:
    // The copy made into `dir`; its path.
    static const std::string& Copied(const TempDir& dir);

    ScopedWorkingDir m_WorkingDir;
};
