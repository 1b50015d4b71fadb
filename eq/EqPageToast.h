#pragma once

#include <QFrame>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QLabel;
class QTimer;
class QWidget;

// The short message box of the custom EQ page, centred over the page's window:
// an icon for its kind (0 info, 1 success, 2 failure) above one line of text.
// A new toast replaces the one on show; the same text again within 150 ms is
// not shown twice. GUI thread only.
class EqPageToast : public QObject
{
    Q_OBJECT
public:
    enum Kind { Info = 0, Success = 1, Failure = 2 };
    static constexpr qint64 kRepeatWindowMs = 150;

    explicit EqPageToast(QWidget *page);
    ~EqPageToast() override;

    void show(const QString &text, int kind, int durationMs);

    // Milliseconds since the epoch; replaceable in tests.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    QFrame *frame() const { return m_frame; }
    QLabel *iconLabel() const { return m_frame ? m_icon : nullptr; }
    QLabel *textLabel() const { return m_frame ? m_text : nullptr; }
    QTimer *hideTimer() const { return m_hideTimer; }

private:
    void createFrame(QWidget *host);

    QWidget *m_page;
    QPointer<QFrame> m_frame; // lives with its host window, which may go first
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QTimer *m_hideTimer = nullptr;
    QString m_lastText;
    qint64 m_lastShownMs = 0;
    std::function<qint64()> m_clock;
};
