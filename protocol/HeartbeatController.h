#pragma once

#include <QObject>

class QTimer;

namespace HeadsetProtocol {

// Decides when a heartbeat (0x27) is due: an idle timer that every other
// request restarts, off until switched on, held back while the receiver
// reports that the headset is not linked.
class HeartbeatController : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultIntervalMs = 1500;
    static constexpr int MinIntervalMs = 200;
    static constexpr int MaxIntervalMs = 600000;

    // Results of updateLinkState.
    enum LinkUpdate : int {
        LinkIgnored = 0,
        LinkUnchanged = 1,
        LinkBecameUp = 2,
        LinkBecameDown = 3,
    };

    explicit HeartbeatController(QObject *parent = nullptr);

    void setEnabled(bool enabled);
    void setIntervalMs(int intervalMs);
    // A request other than the heartbeat went out.
    void notifyActivity(quint16 cmd);
    // Receiver-to-headset link: 0 linked, 1 not linked; other values are ignored.
    int updateLinkState(quint8 status);

    bool isEnabled() const { return m_enabled; }
    int intervalMs() const { return m_intervalMs; }
    // The link is known to be down.
    bool isSuppressed() const { return m_linkKnown && !m_linkUp; }
    bool isTimerActive() const;
    int remainingTimeMs() const;

signals:
    void heartbeatDue();

private slots:
    void onTimeout();

private:
    void restartTimer();

    QTimer *m_timer = nullptr;
    bool m_enabled = false;
    int m_intervalMs = DefaultIntervalMs;
    bool m_linkKnown = false;
    bool m_linkUp = true;
};

} // namespace HeadsetProtocol
