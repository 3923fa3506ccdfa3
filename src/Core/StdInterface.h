#pragma once

// The protocol of every long-lived object: an empty state (Init, which
// constructors call) and a release (Shutdown). The base versions clear both
// flags and report false.
class CStdInterface {
public:
    virtual ~CStdInterface() = default;

    virtual bool Init()
    {
        m_bInitialised = false;
        m_bReady = false;
        return false;
    }
    virtual bool Shutdown() { return CStdInterface::Init(); }

    bool IsInitialised() const { return m_bInitialised; }
    bool IsReady() const { return m_bReady; }

protected:
    bool m_bInitialised = false;
    bool m_bReady = false;
};
