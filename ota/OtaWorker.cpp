#include "ota/OtaWorker.h"

OtaWorker::~OtaWorker()
{
    release();
}

bool OtaWorker::start(std::function<void()> body)
{
    if (m_thread.joinable())
        return false;
    m_thread = std::thread(std::move(body));
    return true;
}

void OtaWorker::release()
{
    // Joined even when the body has returned: only the join orders what it
    // did before what the caller does next.
    if (m_thread.joinable())
        m_thread.join();
}
