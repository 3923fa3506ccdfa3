#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes. Tests that write files work inside one.

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_Path; }
    // Writes `text` to the file `relative` below the folder, creating folders.
    void Write(const std::string& relative, const std::string& text) const;
    std::string Read(const std::string& relative) const;

private:
    std::string m_Path;
};

// Makes a folder the working directory for its lifetime (the game reads and
// writes relative to its working directory).
class ScopedWorkingDir {
public:
    explicit ScopedWorkingDir(const std::string& path);
    ~ScopedWorkingDir();
    ScopedWorkingDir(const ScopedWorkingDir&) = delete;
    ScopedWorkingDir& operator=(const ScopedWorkingDir&) = delete;

private:
    std::string m_Previous;
};
