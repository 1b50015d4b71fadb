#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QFrame;
class QLabel;
class QTimer;
class QWidget;

// The short message of a page, centred over the page's top-level window: an
// icon for its kind above the text, on one line as far as it goes. A new
// toast replaces the one on show and restarts its time; the same text again
// within the repeat window (150 ms) is dropped, so double reports collapse.
// GUI thread only.
class PageToast : public QObject
{
    Q_OBJECT
public:
    enum Kind { Info = 0, Success = 1, Failure = 2 };

    // What differs between the pages: the frame's object name and the icons.
    struct Look
    {
        QString frameName;
        const char *infoIcon;
        const char *successIcon;
        const char *failureIcon;
    };

    PageToast(QWidget *page, const Look &look);
    ~PageToast() override;

    // Any kind other than Success and Failure shows as Info.
    void show(const QString &text, int kind, int durationMs);

    void setRepeatWindowMs(int ms) { m_repeatWindowMs = ms; }
    // Milliseconds since the epoch; replaceable in tests.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // Null until the first toast.
    QFrame *frame() const;
    QLabel *iconLabel() const;
    QLabel *textLabel() const;
    QTimer *hideTimer() const { return m_hideTimer; }
    QString text() const;
    int kind() const { return m_kind; }
    bool isShowing() const;

private:
    void createFrame(QWidget *host);
    // Sizes the text and the frame to the text, within a window `hostWidth` wide.
    void fitText(int hostWidth);
    const char *iconFor(int kind) const;

    QWidget *m_page;
    Look m_look;
    QPointer<QFrame> m_frame; // lives in the window, which may go first
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QTimer *m_hideTimer = nullptr;
    QString m_lastText;
    qint64 m_lastShownMs = 0;
    int m_kind = Info;
    int m_repeatWindowMs = 150;
    std::function<qint64()> m_clock;
};
