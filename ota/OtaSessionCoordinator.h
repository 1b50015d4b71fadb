#pragma once

#include <QObject>
#include <QString>

#include <functional>

class HidProtocolService;
class QTimer;

// Takes the headset's HID interface away from the device service for a
// firmware phase and gives it back afterwards. The engine opens the receiver
// through its own HID access, so the program's stack lets go first (the
// service's exclusive OTA session) and is restored and asked to reconnect at
// the end. A phase starts after a delay; one that was superseded or cancelled
// never runs late. GUI thread only; each firmware coordinator owns one.
class OtaSessionCoordinator : public QObject
{
    Q_OBJECT
public:
    // Without a service every operation that needs one does nothing.
    explicit OtaSessionCoordinator(HidProtocolService *service, QObject *parent = nullptr);
    ~OtaSessionCoordinator() override;

    // Trimmed; a blank tag stores "OTA".
    void setLogTag(const QString &tag);
    QString logTag() const { return m_logTag; }
    // The wait before the first phase after a release, and before each later one.
    void setPhaseDelays(int firstMs, int laterMs);

    // Keeps the device service from reconnecting on its own while the user
    // decides or an update runs; endOtaSession lifts it.
    void suspendAutoReconnect();
    // Releases the service's HID access (if not released yet) and runs `phase`
    // after the delay, unless another begin, a cancel or an end comes first.
    // False, and `phase` never runs, when there is no service or the service
    // could not release its HID access.
    bool beginOtaPhase(const std::function<void()> &phase);
    // Drops a phase still waiting; the HID access stays released.
    void cancelPendingPhase();
    // Drops a waiting phase, restores the service's HID access, lifts the
    // reconnect suspension and has the service connect to whatever is there.
    void endOtaSession();

    bool hasPendingPhase() const { return bool(m_pendingPhase); }

private slots:
    void runPendingPhase();

private:
    void dropPendingPhase();

    HidProtocolService *m_service;
    QString m_logTag;
    QTimer *m_phaseTimer;
    quint64 m_phaseToken = 0;
    std::function<void()> m_pendingPhase;
    quint32 m_phasesBegun = 0; // since the last end: picks the delay
    int m_firstDelayMs = 2500;
    int m_laterDelayMs = 1500;
};
