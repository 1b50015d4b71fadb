#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QFrame;
class QLabel;
class QTimer;
class QWidget;

// The short message shown centred over the page's window. The same text again
// within the repeat window is dropped, so double reports collapse.
class EQCloudToast : public QObject
{
    Q_OBJECT
public:
    enum Kind {
        Info = 0,
        Success = 1,
        Error = 2,
    };

    explicit EQCloudToast(QWidget *page);
    ~EQCloudToast() override;

    // Any kind other than Success and Error shows as Info.
    void show(const QString &text, int kind, int durationMs);

    void setRepeatWindowMs(int ms) { m_repeatWindowMs = ms; }
    // Milliseconds since the epoch; replaceable for tests.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    QFrame *frame() const { return m_frame; }
    QString text() const;
    int kind() const { return m_kind; }
    bool isShowing() const;

private:
    void build(QWidget *host);

    QWidget *m_page = nullptr;
    QPointer<QFrame> m_frame;
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QTimer *m_hideTimer = nullptr;
    QString m_lastText;
    qint64 m_lastTime = 0;
    int m_kind = Info;
    int m_repeatWindowMs = 150;
    std::function<qint64()> m_clock;
};
