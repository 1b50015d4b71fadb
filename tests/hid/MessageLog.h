#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <mutex>

// Captures qDebug/qWarning/qCritical lines (the HID stack logs through them)
// for exact-text asserts. One at a time; restores the previous handler.
class MessageLog
{
public:
    struct Entry
    {
        QtMsgType type;
        QString text;
    };

    MessageLog();
    ~MessageLog();
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;

    QList<Entry> entries() const;
    QStringList lines(QtMsgType type) const;
    int count(QtMsgType type, const QString &text) const;
    void clear();
    // Spins the event loop until the exact line arrives or the bound passes.
    bool waitFor(QtMsgType type, const QString &text, int timeoutMs = 5000) const;

    // Called on the logging thread for every line, without the log's lock.
    void setObserver(std::function<void(const Entry &)> observer);

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text);

    mutable std::mutex m_mutex;
    QList<Entry> m_entries;
    std::function<void(const Entry &)> m_observer;
    QtMessageHandler m_previous = nullptr;
};
