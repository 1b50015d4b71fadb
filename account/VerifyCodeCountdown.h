#pragma once

#include <QString>

class QObject;
class QTimer;

// The wait of a "获取验证码" button after the server sent a code: 60 seconds
// counted down by a 1000 ms timer that belongs to the page or dialog, whose
// own slot calls tick() on every timeout.
class VerifyCodeCountdown
{
public:
    static constexpr int startSeconds = 60;
    static constexpr int tickIntervalMs = 1000;

    explicit VerifyCodeCountdown(QObject *timerParent);

    QTimer *timer() const { return m_timer; }
    int secondsLeft() const { return m_secondsLeft; }
    bool isRunning() const;

    // Back to 60 seconds and running, also when it ran already.
    void start();
    // One second less; returns false once none is left, the timer then stopped.
    bool tick();
    // Stops the timer; seconds left 0.
    void stop();

    // `pattern` ("%1s") with the seconds in base 10, blank-filled.
    static QString secondsText(const QString &pattern, int seconds);
    // The button's text: the seconds while a second is left, else `idle`.
    QString buttonText(const QString &pattern, const QString &idle) const;

private:
    QTimer *m_timer;
    int m_secondsLeft = 0;
};
