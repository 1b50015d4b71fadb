#pragma once

#include <functional>

class QThread;

// The one worker thread of a firmware flow: runs a session that blocks in
// the engine until the update ends. The engine cannot be interrupted, so
// releasing it waits for the body to return (which it always does: every
// step of the engine has a time limit).
class OtaWorker
{
public:
    OtaWorker() = default;
    ~OtaWorker();
    OtaWorker(const OtaWorker &) = delete;
    OtaWorker &operator=(const OtaWorker &) = delete;

    // False while one exists.
    bool start(std::function<void()> body);
    bool exists() const { return m_thread != nullptr; }
    // Waits for a running body, then lets the thread object go.
    void release();

private:
    QThread *m_thread = nullptr;
};
