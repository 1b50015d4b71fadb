#include "LogCapture.h"

#include <QTest>

LogCapture::LogCapture(QObject *parent) : QObject(parent) {}

std::function<void(const QString &)> LogCapture::sink()
{
    return [this](const QString &line) { append(line); };
}

void LogCapture::append(const QString &line)
{
    {
        std::lock_guard lock(m_mutex);
        m_lines.append(line);
    }
    emit lineAdded(line);
}

QStringList LogCapture::lines() const
{
    std::lock_guard lock(m_mutex);
    return m_lines;
}

void LogCapture::clear()
{
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

bool LogCapture::contains(const QString &exactLine) const
{
    std::lock_guard lock(m_mutex);
    return m_lines.contains(exactLine);
}

bool LogCapture::containsSubstring(const QString &part) const
{
    return count(part) > 0;
}

int LogCapture::count(const QString &part) const
{
    std::lock_guard lock(m_mutex);
    int n = 0;
    for (const QString &line : m_lines) {
        if (line.contains(part))
            ++n;
    }
    return n;
}

bool LogCapture::waitForSubstring(const QString &part, int timeoutMs)
{
    return QTest::qWaitFor([&] { return containsSubstring(part); }, timeoutMs);
}
