#include "tests/support/testenv/MessageLog.h"

#include <QTest>

#include <algorithm>
#include <mutex>

namespace {
// Guards the current log and its entries: the handler runs on whichever thread logs.
std::mutex logMutex;
MessageLog *current = nullptr;
} // namespace

MessageLog::MessageLog()
{
    const std::lock_guard<std::mutex> lock(logMutex);
    current = this;
    m_previous = qInstallMessageHandler(&MessageLog::handler);
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(m_previous);
    const std::lock_guard<std::mutex> lock(logMutex);
    current = nullptr;
}

void MessageLog::handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    std::function<void(const Entry &)> observer;
    QtMessageHandler previous = nullptr;
    {
        const std::lock_guard<std::mutex> lock(logMutex);
        if (!current)
            return;
        current->m_entries.append({type, text});
        observer = current->m_observer;
        previous = current->m_previous;
    }
    if (observer)
        observer({type, text});
    if (previous && type >= QtWarningMsg && !text.startsWith(QLatin1Char('[')))
        previous(type, context, text);
}

QList<MessageLog::Entry> MessageLog::entries() const
{
    const std::lock_guard<std::mutex> lock(logMutex);
    return m_entries;
}

QStringList MessageLog::lines() const
{
    const std::lock_guard<std::mutex> lock(logMutex);
    QStringList result;
    for (const Entry &e : m_entries)
        result.append(e.text);
    return result;
}

QStringList MessageLog::lines(QtMsgType type) const
{
    const std::lock_guard<std::mutex> lock(logMutex);
    QStringList result;
    for (const Entry &e : m_entries) {
        if (e.type == type)
            result.append(e.text);
    }
    return result;
}

bool MessageLog::contains(const QString &part) const
{
    const QStringList all = lines();
    return std::any_of(all.cbegin(), all.cend(), [&part](const QString &line) { return line.contains(part); });
}

int MessageLog::count(QtMsgType type, const QString &text) const
{
    return static_cast<int>(lines(type).count(text));
}

void MessageLog::clear()
{
    const std::lock_guard<std::mutex> lock(logMutex);
    m_entries.clear();
}

bool MessageLog::waitFor(QtMsgType type, const QString &text, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return count(type, text) > 0; }, timeoutMs);
}

void MessageLog::setObserver(std::function<void(const Entry &)> observer)
{
    const std::lock_guard<std::mutex> lock(logMutex);
    m_observer = std::move(observer);
}
