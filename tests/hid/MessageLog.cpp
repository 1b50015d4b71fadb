#include "MessageLog.h"

#include <QTest>

#include <atomic>

namespace {
std::atomic<MessageLog *> current{nullptr};
}

MessageLog::MessageLog()
{
    current.store(this);
    m_previous = qInstallMessageHandler(&MessageLog::handler);
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(m_previous);
    current.store(nullptr);
}

void MessageLog::handler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    MessageLog *log = current.load();
    if (!log)
        return;
    std::function<void(const Entry &)> observer;
    {
        std::lock_guard lock(log->m_mutex);
        log->m_entries.append({type, text});
        observer = log->m_observer;
    }
    if (observer)
        observer({type, text});
}

QList<MessageLog::Entry> MessageLog::entries() const
{
    std::lock_guard lock(m_mutex);
    return m_entries;
}

QStringList MessageLog::lines(QtMsgType type) const
{
    std::lock_guard lock(m_mutex);
    QStringList result;
    for (const Entry &e : m_entries) {
        if (e.type == type)
            result.append(e.text);
    }
    return result;
}

int MessageLog::count(QtMsgType type, const QString &text) const
{
    return static_cast<int>(lines(type).count(text));
}

void MessageLog::clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

bool MessageLog::waitFor(QtMsgType type, const QString &text, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return count(type, text) > 0; }, timeoutMs);
}

void MessageLog::setObserver(std::function<void(const Entry &)> observer)
{
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}
