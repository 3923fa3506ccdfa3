#pragma once
// The numbers the cell phone can call: the game's own directory, and one per
// level that its script may load. Until the phone is built a directory only
// remembers whether it was started and which file it was given.

#include <string>

#include "Core/StdInterface.h"

class CPhoneDirectory : public CStdInterface {
public:
    // Marks the directory started; later calls change nothing.
    void Start() { m_bStarted = true; }
    void Load(const std::string& fileName) { m_FileName = fileName; }
    bool Shutdown() override
    {
        m_FileName.clear();
        return CStdInterface::Shutdown();
    }

    bool IsStarted() const { return m_bStarted; }
    const std::string& GetFileName() const { return m_FileName; }

private:
    bool m_bStarted = false;
    std::string m_FileName;
};

extern CPhoneDirectory g_PhoneDirectory;
