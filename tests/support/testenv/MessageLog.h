#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// Collects the program's log lines (qDebug, qWarning and friends; the program
// writes them as "[Tag] …") for asserts while it lives. Warnings that do not
// open with a tag come from Qt or the test itself and still reach the
// previous handler, so QtTest sees them. One at a time; the previous handler
// is put back when it goes. Lines may come from any thread.
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
    QStringList lines() const;
    QStringList lines(QtMsgType type) const;
    // Whether some line holds `part`.
    bool contains(const QString &part) const;
    // How many lines of `type` read exactly `text`.
    int count(QtMsgType type, const QString &text) const;
    void clear();
    // Spins the event loop until the exact line arrives or the bound passes.
    bool waitFor(QtMsgType type, const QString &text, int timeoutMs = 5000) const;

    // Called on the logging thread for every line, outside the log's lock.
    void setObserver(std::function<void(const Entry &)> observer);

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text);

    QList<Entry> m_entries;
    std::function<void(const Entry &)> m_observer;
    QtMessageHandler m_previous = nullptr;
};
