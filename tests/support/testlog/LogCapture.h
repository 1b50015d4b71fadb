#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <mutex>

// Collects log lines so tests can assert exact texts. Attach it to any
// `logMessage(QString)`-style signal, or hand `sink()` to a callback API.
class LogCapture : public QObject
{
    Q_OBJECT
public:
    explicit LogCapture(QObject *parent = nullptr);

    // Connects to a signal carrying one log line, e.g.
    // capture.attach(&handler, &ProtocolHandler::logMessage).
    template <typename Sender, typename Signal>
    void attach(Sender *sender, Signal signal)
    {
        connect(sender, signal, this, [this](const QString &line) { append(line); }, Qt::DirectConnection);
    }

    // A thread-safe callback for APIs that take a plain function.
    std::function<void(const QString &)> sink();

    void append(const QString &line);
    QStringList lines() const;
    void clear();

    bool contains(const QString &exactLine) const;
    bool containsSubstring(const QString &part) const;
    int count(const QString &part) const;

    // Spins the event loop until a line containing `part` arrives or the bound passes.
    bool waitForSubstring(const QString &part, int timeoutMs = 5000);

signals:
    void lineAdded(const QString &line);

private:
    mutable std::mutex m_mutex;
    QStringList m_lines;
};
