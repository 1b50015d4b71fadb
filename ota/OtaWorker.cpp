#include "ota/OtaWorker.h"

#include <QThread>

OtaWorker::~OtaWorker()
{
    release();
}

bool OtaWorker::start(std::function<void()> body)
{
    if (m_thread)
        return false;
    m_thread = QThread::create(std::move(body));
    m_thread->start(QThread::InheritPriority);
    return true;
}

void OtaWorker::release()
{
    if (!m_thread)
        return;
    if (m_thread->isRunning())
        m_thread->wait();
    // A finished thread object may still be inside its finished() emission.
    m_thread->deleteLater();
    m_thread = nullptr;
}
