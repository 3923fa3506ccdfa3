#pragma once
// The numbers the cell phone can call. Each level owns a directory, loaded
// from the file its script names with "Phone_Directory"; the game's own
// directory is only started. A directory file is pairs of a number and the
// conversation script behind it:
//   5550100  Scripts\Conversations\Depot.txt
// Numbers are text: "05550100" is another number than "5550100". A number
// written twice keeps its later script.

#include <map>
#include <string>

#include "Core/StdInterface.h"

class CConversation;

// What a lookup finds: the conversation script's name and its conversation
// at the time asked for.
struct CDirectoryResult {
    std::string m_Text;
    CConversation* m_pConversation = nullptr;
};

class CPhoneDirectory : public CStdInterface {
public:
    // Marks the directory started; false when it was already.
    bool Start();
    // Starts the directory and reads `fileName`; false when it was started
    // already. A file that cannot be read is fatal.
    bool Load(const std::string& fileName);
    // Reads the file given to Load again; false when not started.
    bool ReadFile();
    // False when nothing is loaded, the number is not listed, or its script
    // has no conversation at `hours`: the phone then finds no service.
    bool Lookup(const std::string& number, float hours, CDirectoryResult& result) const;
    // Forgets every number and both flags.
    bool Shutdown() override;

    bool IsStarted() const { return m_bStarted; }
    bool IsLoaded() const { return m_bLoaded; }
    const std::string& GetFileName() const { return m_FileName; }
    const std::map<std::string, std::string>& GetNumbers() const { return m_Numbers; }

private:
    bool m_bStarted = false;
    bool m_bLoaded = false;
    std::string m_FileName;
    // Number, exactly as written, to the conversation script.
    std::map<std::string, std::string> m_Numbers;
};

extern CPhoneDirectory g_PhoneDirectory;
