#include "support/GameFolderCopy.h"

#include <filesystem>

GameFolderCopy::GameFolderCopy() : m_WorkingDir(Copied(*this)) {}

const std::string& GameFolderCopy::Copied(const TempDir& dir)
{
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    return dir.Path();
}
