#pragma once
// The background thread that keeps the streams fed: it runs a refill pass
// every few milliseconds, and at once when woken, whatever the game thread is
// doing (loading a level, waiting on the display), so the music never starves.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class StreamThread {
public:
    ~StreamThread();

    void Start(std::function<void()> pass);
    void Stop();
    bool IsRunning() const { return m_Thread.joinable(); }

    // Runs a pass soon, without waiting for the period.
    void Wake();
    // Waits until a pass begun after this call has finished; false when the
    // thread is not running or the pass does not come within a second.
    bool WaitForPass();

private:
    void Run();

    std::function<void()> m_Pass;
    std::thread m_Thread;
    std::mutex m_Mutex;
    std::condition_variable m_Signal;
    bool m_bStopping = false;
    bool m_bWoken = false;
    uint64_t m_PassesBegun = 0;
    uint64_t m_PassesDone = 0;
};
