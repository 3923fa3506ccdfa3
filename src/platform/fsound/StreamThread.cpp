#include "platform/fsound/StreamThread.h"

#include <chrono>

namespace {

// Short next to the play time of a stream buffer, so a buffer that has played
// out is refilled long before the rest of the queue runs dry.
const std::chrono::milliseconds PASS_PERIOD(10);
const std::chrono::milliseconds PASS_WAIT_LIMIT(1000);

} // namespace

StreamThread::~StreamThread()
{
    Stop();
}

void StreamThread::Start(std::function<void()> pass)
{
    Stop();
    m_Pass = std::move(pass);
    m_bStopping = false;
    m_bWoken = false;
    m_Thread = std::thread(&StreamThread::Run, this);
}

void StreamThread::Stop()
{
    if (!m_Thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bStopping = true;
    }
    m_Signal.notify_all();
    m_Thread.join();
    m_Pass = nullptr;
}

void StreamThread::Wake()
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bWoken = true;
    }
    m_Signal.notify_all();
}

bool StreamThread::WaitForPass()
{
    if (!IsRunning())
        return false;
    std::unique_lock<std::mutex> lock(m_Mutex);
    // A pass under way began before the call: wait for the one after it.
    const uint64_t target = m_PassesBegun + 1;
    m_bWoken = true;
    m_Signal.notify_all();
    return m_Signal.wait_for(lock, PASS_WAIT_LIMIT, [this, target] { return m_PassesDone >= target; });
}

void StreamThread::Run()
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    while (!m_bStopping) {
        m_Signal.wait_for(lock, PASS_PERIOD, [this] { return m_bStopping || m_bWoken; });
        if (m_bStopping)
            break;
        m_bWoken = false;
        ++m_PassesBegun;
        lock.unlock();
        m_Pass();
        lock.lock();
        ++m_PassesDone;
        m_Signal.notify_all();
    }
}
