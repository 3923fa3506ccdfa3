#pragma once
// Every file the game opens or writes goes through here. Game paths are
// written the Windows way ("Scripts\Menu\MenuManager.txt") and relative to
// the game directory; on this file system they are resolved by turning
// backslashes into slashes and, for each path component whose exact name does
// not exist, taking the first directory entry that matches it ignoring case.

#include <cstdio>
#include <string>

namespace Files {

// The path to open for reading. When nothing matches, the result is the
// normalised path itself, so the open fails the ordinary way.
std::string ResolvePath(const std::string& gamePath);

// The path to open for writing: existing components are matched as for
// reading, and the missing parent folders are created.
std::string ResolveWritePath(const std::string& gamePath);

// fopen through the resolver; a mode with 'w' or 'a' creates the parent folders.
FILE* Open(const std::string& gamePath, const char* mode);

} // namespace Files
