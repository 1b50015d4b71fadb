#pragma once

#include <functional>
#include <thread>

// The one worker thread of a firmware flow: runs a session that blocks in
// the engine until the update ends. The engine cannot be interrupted, so
// releasing it waits for the body to return (which it always does: every
// step of the engine has a time limit). What the body wrote is the caller's
// once release() has returned.
class OtaWorker
{
public:
    OtaWorker() = default;
    ~OtaWorker();
    OtaWorker(const OtaWorker &) = delete;
    OtaWorker &operator=(const OtaWorker &) = delete;

    // False while one exists.
    bool start(std::function<void()> body);
    bool exists() const { return m_thread.joinable(); }
    // Waits for the body to return, also one that has returned already.
    void release();

private:
    std::thread m_thread;
};
